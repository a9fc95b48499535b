#include "symbolattackpanel.h"

#include "keyfile.h"
#include "periodicity.h"
#include "symbolkeys.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// A keyword's symbols, one a position, written as its key file writes them:
// digits for a key of digits, the space as ␣.
QStringList keywordSymbols(const CipherFamily &family, const SymbolKey &key)
{
    QString text;
    switch (family.keyFileForm()) {
    case SymbolKeys::KeyFileForm::Keyword:
        text = SymbolKeys::keywordText(key).replace(QLatin1Char(' '), QChar(KeyFileSpace));
        break;
    case SymbolKeys::KeyFileForm::Digits:
        text = SymbolKeys::digitsText(key);
        break;
    case SymbolKeys::KeyFileForm::Alphabet:
    case SymbolKeys::KeyFileForm::Rectangle:
    case SymbolKeys::KeyFileForm::TwoRectangles:
    case SymbolKeys::KeyFileForm::Matrix:
        break;
    }
    QStringList symbols;
    for (const QChar symbol : qAsConst(text))
        symbols << QString(symbol);
    return symbols;
}

} // namespace

SymbolAttackPanel::SymbolAttackPanel(QWidget *parent)
    : QWidget(parent)
    , m_locks(new QLineEdit(this))
    , m_keyword(new QWidget(this))
    , m_cellCount(new QSpinBox(m_keyword))
    , m_cellRow(new QHBoxLayout)
    , m_rectangles(new QWidget(this))
    , m_key(new QLabel(this))
    , m_reasons(new QListWidget(this))
{
    setObjectName(QStringLiteral("symbolAttackPanel"));
    m_locks->setObjectName(QStringLiteral("attackLocks"));
    m_keyword->setObjectName(QStringLiteral("keywordCells"));
    m_cellCount->setObjectName(QStringLiteral("keywordLength"));
    m_cellCount->setRange(1, MaxExaminedPeriod);
    m_cellCount->setToolTip(QStringLiteral("Сколько букв ключевого слова показать для закрепления"));
    m_key->setObjectName(QStringLiteral("foundSymbolKey"));
    m_key->setWordWrap(true);
    m_key->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_reasons->setObjectName(QStringLiteral("attackReasons"));
    m_reasons->setWordWrap(true);
    m_reasons->setToolTip(QStringLiteral("Как поиск пришёл к ключу"));

    auto *keywordLayout = new QHBoxLayout(m_keyword);
    keywordLayout->setContentsMargins(0, 0, 0, 0);
    auto *cellsLabel = new QLabel(QStringLiteral("Буквы ключа:"), m_keyword);
    cellsLabel->setToolTip(QStringLiteral("Пустая клетка свободна (серым — найденная буква); буква в клетке "
                                          "закрепляет её на этом месте ключевого слова"));
    keywordLayout->addWidget(cellsLabel);
    keywordLayout->addWidget(m_cellCount);
    keywordLayout->addLayout(m_cellRow);
    keywordLayout->addStretch(1);

    m_rectangles->setObjectName(QStringLiteral("rectangleCells"));
    m_rectangles->setToolTip(QStringLiteral("Символ в клетке закрепляет его на этом месте прямоугольника; пустая "
                                            "клетка свободна"));
    new QHBoxLayout(m_rectangles);
    m_rectangles->layout()->setContentsMargins(0, 0, 0, 0);

    auto *locksRow = new QHBoxLayout;
    locksRow->addWidget(new QLabel(QStringLiteral("Закрепить:"), this));
    locksRow->addWidget(m_locks, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(locksRow);
    layout->addWidget(m_keyword);
    layout->addWidget(m_rectangles);
    layout->addWidget(new QLabel(QStringLiteral("<b>Найденный ключ</b>"), this));
    layout->addWidget(m_key);
    layout->addWidget(new QLabel(QStringLiteral("<b>Как он найден</b>"), this));
    layout->addWidget(m_reasons, 1);

    connect(m_cellCount, QOverload<int>::of(&QSpinBox::valueChanged), this, &SymbolAttackPanel::setCellCount);
    m_cellCount->setValue(DefaultCells);
    setCellCount(DefaultCells);
    showFound({});
}

void SymbolAttackPanel::setFamily(const CipherFamily &family)
{
    const QString form = family.lockForm();
    m_locks->setEnabled(!form.isEmpty());
    m_locks->setPlaceholderText(form.isEmpty() ? QStringLiteral("этот шифр закреплений не принимает")
                                               : form + QStringLiteral(", через запятую"));
    m_locks->setToolTip(form.isEmpty()
                            ? QString()
                            : QStringLiteral("Что вы уже знаете о ключе, в виде %1; несколько — через запятую. "
                                             "Пробел пишется знаком ␣")
                                  .arg(form));
    m_cellsShown = family.hasPeriod() && !form.isEmpty();
    m_keyword->setVisible(m_cellsShown);
    m_lockSeparator = form.contains(QLatin1Char(',')) ? QLatin1Char(';') : QLatin1Char(',');
    if (!form.isEmpty()) {
        m_locks->setPlaceholderText(form + (m_lockSeparator == QLatin1Char(',') ? QStringLiteral(", через запятую")
                                                                              : QStringLiteral("; через точку с запятой")));
    }
    int rectangles = 0;
    if (family.keyFileForm() == SymbolKeys::KeyFileForm::Rectangle)
        rectangles = 1;
    else if (family.keyFileForm() == SymbolKeys::KeyFileForm::TwoRectangles)
        rectangles = 2;
    setRectangleCount(rectangles);
    // Cells are shown for every rectangle cipher, but fixed only where the
    // attack takes locks.
    m_rectangles->setEnabled(!form.isEmpty());
}

void SymbolAttackPanel::setRectangleCount(int count)
{
    m_rectangles->setVisible(count > 0);
    if (count == m_rectangleCells.size())
        return;
    while (QLayoutItem *item = m_rectangles->layout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_rectangleCells.clear();
    for (int rectangle = 0; rectangle < count; ++rectangle) {
        auto *grid = new QWidget(m_rectangles);
        auto *gridLayout = new QGridLayout(grid);
        gridLayout->setContentsMargins(0, 0, 0, 0);
        gridLayout->setSpacing(1);
        QList<QLineEdit *> cells;
        for (int row = 0; row < Polygram::Rows; ++row) {
            for (int column = 0; column < Polygram::Columns; ++column) {
                auto *cell = new QLineEdit(grid);
                cell->setObjectName(QStringLiteral("rectangleCell%1_%2_%3").arg(rectangle + 1).arg(row + 1).arg(column + 1));
                cell->setMaxLength(1);
                cell->setAlignment(Qt::AlignCenter);
                cell->setFixedWidth(cell->fontMetrics().horizontalAdvance(QStringLiteral("ЖЖ")) + 12);
                const QString place = QStringLiteral("строка %1, столбец %2").arg(row + 1).arg(column + 1);
                cell->setAccessibleName(count > 1 ? QStringLiteral("Прямоугольник %1, %2").arg(rectangle + 1).arg(place)
                                                  : QStringLiteral("Клетка: ") + place);
                cell->setToolTip(QStringLiteral("Закрепить символ: ") + place);
                connect(cell, &QLineEdit::textEdited, cell, [cell](const QString &text) {
                    if (text != text.toUpper())
                        cell->setText(text.toUpper());
                });
                gridLayout->addWidget(cell, row, column);
                cells << cell;
            }
        }
        m_rectangles->layout()->addWidget(grid);
        m_rectangleCells << cells;
    }
    static_cast<QHBoxLayout *>(m_rectangles->layout())->addStretch(1);
}

QLineEdit *SymbolAttackPanel::rectangleCell(int rectangle, int row, int column) const
{
    if (rectangle < 0 || rectangle >= m_rectangleCells.size() || row < 0 || row >= Polygram::Rows || column < 0
        || column >= Polygram::Columns)
        return nullptr;
    return m_rectangleCells.at(rectangle).at(Polygram::cellAt(row, column));
}

QStringList SymbolAttackPanel::locks() const
{
    QStringList locks;
    for (const QString &lock : m_locks->text().split(m_lockSeparator, Qt::SkipEmptyParts)) {
        if (!lock.trimmed().isEmpty())
            locks << lock.trimmed();
    }
    if (m_cellsShown) {
        for (int position = 0; position < m_cells.size(); ++position) {
            const QString symbol = m_cells.at(position)->text();
            if (!symbol.isEmpty())
                locks << QStringLiteral("%1=%2").arg(position + 1).arg(symbol);
        }
    }
    if (!m_rectangles->isEnabled())
        return locks;
    for (int rectangle = 0; rectangle < m_rectangleCells.size(); ++rectangle) {
        const QString prefix = m_rectangleCells.size() > 1 ? QStringLiteral("%1:").arg(rectangle + 1) : QString();
        for (int cell = 0; cell < Alphabet::Size; ++cell) {
            const QString symbol = m_rectangleCells.at(rectangle).at(cell)->text();
            if (!symbol.isEmpty()) {
                locks << QStringLiteral("%1%2=%3,%4")
                             .arg(prefix, symbol)
                             .arg(Polygram::rowOf(cell) + 1)
                             .arg(Polygram::columnOf(cell) + 1);
            }
        }
    }
    return locks;
}

void SymbolAttackPanel::setCellCount(int count)
{
    while (m_cells.size() > count)
        delete m_cells.takeLast();
    while (m_cells.size() < count) {
        auto *cell = new QLineEdit(m_keyword);
        const int position = int(m_cells.size()) + 1;
        cell->setObjectName(QStringLiteral("keywordCell%1").arg(position));
        cell->setMaxLength(1);
        cell->setAlignment(Qt::AlignCenter);
        cell->setFixedWidth(cell->fontMetrics().horizontalAdvance(QStringLiteral("ЖЖ")) + 12);
        cell->setToolTip(QStringLiteral("Буква %1 ключевого слова").arg(position));
        connect(cell, &QLineEdit::textEdited, cell, [cell](const QString &text) {
            if (text != text.toUpper())
                cell->setText(text.toUpper());
        });
        m_cellRow->addWidget(cell);
        m_cells << cell;
    }
    for (int i = 0; i < m_cells.size(); ++i)
        m_cells.at(i)->setPlaceholderText(i < m_foundSymbols.size() ? m_foundSymbols.at(i) : QString());
}

void SymbolAttackPanel::showFound(const FamilyAttackResult &result)
{
    if (!result.family) {
        for (const QList<QLineEdit *> &cells : qAsConst(m_rectangleCells)) {
            for (QLineEdit *cell : cells)
                cell->setPlaceholderText(QString());
        }
        m_foundSymbols.clear();
        m_key->setText(QStringLiteral("Ключ ещё не найден."));
        m_reasons->clear();
        setCellCount(m_cellCount->value());
        return;
    }
    QString text = result.family->keyText(result.key);
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    m_key->setText(QStringLiteral("%1 (%2).").arg(text, result.family->title()));
    m_reasons->clear();
    m_reasons->addItems(result.reasons);
    // The found rectangles, grey in the free cells: a hint of what to fix.
    for (int rectangle = 0; rectangle < m_rectangleCells.size(); ++rectangle) {
        const auto &symbols = rectangle == 0 ? result.key.alphabet : result.key.second;
        for (int cell = 0; cell < Alphabet::Size; ++cell)
            m_rectangleCells.at(rectangle).at(cell)->setPlaceholderText(keyFileSymbolText(symbols[std::size_t(cell)]));
    }
    m_foundSymbols = keywordSymbols(*result.family, result.key);
    if (!m_foundSymbols.isEmpty())
        m_cellCount->setValue(qMin(int(m_foundSymbols.size()), m_cellCount->maximum()));
    setCellCount(m_cellCount->value());
}

void SymbolAttackPanel::setEditable(bool editable)
{
    m_locks->setReadOnly(!editable);
    m_cellCount->setEnabled(editable);
    for (QLineEdit *cell : qAsConst(m_cells))
        cell->setReadOnly(!editable);
    for (const QList<QLineEdit *> &cells : qAsConst(m_rectangleCells)) {
        for (QLineEdit *cell : cells)
            cell->setReadOnly(!editable);
    }
}
