#include "keypage.h"

#include "keyformspanel.h"
#include "keytable.h"
#include "languagemodel.h"
#include "keytablemodel.h"
#include "polygramkeymodel.h"
#include "polygramkeyview.h"
#include "symbolkeymodel.h"
#include "symbolkeyview.h"
#include "textfile.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *button(const QString &text, const QString &name, const QString &tip, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(name);
    result->setToolTip(tip);
    return result;
}

} // namespace

bool saveKeyFile(const QString &path, const KeyTable &table, const QString &comment, QString *error,
                 std::optional<quint64> seed, const QString &dealing)
{
    const QString text = comment + keyFileText(table, QDateTime::currentDateTime(), seed, dealing);
    // A key is a secret: a new file is the owner's alone.
    return writeWholeFile(path, text.toUtf8(), error, FileReaders::OwnerOnly);
}

void fitKeyColumns(QTableView *view)
{
    QHeaderView *header = view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    // A reset of the model (a row grown longer) forgets each section's mode.
    const auto fitSymbol = [header] {
        if (header->count() > 0)
            header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    };
    fitSymbol();
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, header, fitSymbol);
}

KeyPage::KeyPage(QWidget *parent)
    : QWidget(parent)
    , m_family(nullptr)
    , m_model(new KeyTableModel(this))
    , m_view(new QTableView(this))
    , m_symbolModel(new SymbolKeyModel(this))
    , m_symbolView(new SymbolKeyView(m_symbolModel, this))
    , m_polygramModel(new PolygramKeyModel(this))
    , m_polygramView(new PolygramKeyView(m_polygramModel, PolygramKeyView::Use::Edit, this))
    , m_forms(new KeyFormsPanel(this))
    , m_splitter(new QSplitter(this))
    , m_problems(new QListWidget(this))
    , m_state(new QLabel(this))
    , m_seed(new QLineEdit(this))
    , m_shape(new QComboBox(this))
    , m_codes(new QSpinBox(this))
{
    setObjectName(QStringLiteral("keyPage"));
    m_view->setObjectName(QStringLiteral("keyTable"));
    m_view->setModel(m_model);
    fitKeyColumns(m_view);
    m_view->setToolTip(QStringLiteral("Дважды щёлкните код, чтобы изменить его: две цифры от 0 до 9"));
    m_problems->setObjectName(QStringLiteral("keyProblems"));
    m_problems->setWordWrap(true);
    m_state->setObjectName(QStringLiteral("keyState"));
    m_state->setWordWrap(true);
    m_seed->setObjectName(QStringLiteral("keySeed"));
    m_seed->setPlaceholderText(QStringLiteral("случайно"));
    m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,20}")), m_seed));

    m_shape->setObjectName(QStringLiteral("keyShape"));
    m_shape->addItem(QStringLiteral("по 1 коду"), 1);
    m_shape->addItem(QStringLiteral("по 2 кода"), 2);
    m_shape->addItem(QStringLiteral("по 3 кода"), 3);
    m_shape->addItem(QStringLiteral("пропорционально"), 0);
    m_shape->setCurrentIndex(2);
    m_shape->setToolTip(QStringLiteral("Сколько кодов получает каждый символ нового ключа: поровну или "
                                       "пропорционально частоте символа в русском тексте"));
    m_codes->setObjectName(QStringLiteral("keyCodes"));
    m_codes->setRange(32, 100);
    m_codes->setValue(100);
    m_codes->setSuffix(QStringLiteral(" кодов"));
    m_codes->setToolTip(QStringLiteral("Сколько кодов раздать пропорционально частотам (от 32 до 100)"));
    m_codes->setEnabled(false);
    connect(m_shape, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this] { m_codes->setEnabled(m_shape->currentData().toInt() == 0); });
    m_fixed = button(QStringLiteral("Постоянная таблица"), QStringLiteral("fixedTableButton"),
                     QStringLiteral("Таблица окна: у строки i коды i, i+32 и i+64"), this);
    m_open = button(QStringLiteral("Открыть ключ…"), QStringLiteral("openKeyButton"), QString(), this);
    m_generate = button(QStringLiteral("Новый ключ"), QStringLiteral("newKeyButton"), QString(), this);
    m_save = button(QStringLiteral("Сохранить ключ…"), QStringLiteral("saveKeyButton"), QString(), this);
    connect(m_fixed, &QPushButton::clicked, this, &KeyPage::useFixedTable);
    connect(m_open, &QPushButton::clicked, this, &KeyPage::chooseKeyFile);
    connect(m_generate, &QPushButton::clicked, this, &KeyPage::makeNewKey);
    connect(m_save, &QPushButton::clicked, this, &KeyPage::saveKeyAs);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_fixed);
    buttons->addWidget(m_open);
    buttons->addWidget(m_generate);
    buttons->addWidget(m_shape);
    buttons->addWidget(m_codes);
    buttons->addWidget(new QLabel(QStringLiteral("зерно:"), this));
    buttons->addWidget(m_seed);
    buttons->addStretch(1);
    buttons->addWidget(m_save);

    auto *side = new QWidget(this);
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(m_state);
    sideLayout->addWidget(m_problems, 1);

    auto *drawings = new QWidget(this);
    auto *drawingsLayout = new QVBoxLayout(drawings);
    drawingsLayout->setContentsMargins(0, 0, 0, 0);
    drawingsLayout->addWidget(m_view);
    drawingsLayout->addWidget(m_symbolView);
    drawingsLayout->addWidget(m_polygramView);
    m_symbolView->setObjectName(QStringLiteral("symbolKeyView"));
    m_polygramView->setObjectName(QStringLiteral("polygramKeyView"));

    m_splitter->addWidget(drawings);
    m_splitter->addWidget(side);
    m_splitter->setStretchFactor(0, 3);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_forms);
    layout->addWidget(m_splitter, 1);

    connect(m_model, &KeyTableModel::problemsChanged, this, &KeyPage::showProblems);
    // An edited key was no longer made from its seed, nor dealt as it was.
    connect(m_model, &KeyTableModel::edited, this, [this] {
        m_madeFromSeed.reset();
        m_dealing.clear();
    });
    connect(m_forms, &KeyFormsPanel::changed, this, &KeyPage::showSymbolKey);
    // A rectangle rearranged by hand is a key given whole; a matrix edited in
    // the drawing is read as if typed, so that an even determinant is refused
    // as it would be there.
    connect(m_polygramModel, &PolygramKeyModel::keyEdited, this, [this](const SymbolKey &key) {
        m_keyFilePath.clear();
        m_forms->setWholeKey(key, QStringLiteral("переставлен вручную"));
    });
    connect(m_polygramModel, &PolygramKeyModel::matrixEdited, this,
            [this](const Polygram::Matrix &matrix) { m_forms->setMatrixText(Polygram::matrixText(matrix)); });
    setFamily(homophonicFamily());
    useFixedTable();
}

void KeyPage::setFamily(const CipherFamily &family)
{
    if (&family == m_family)
        return;
    m_family = &family;
    const bool homophonic = family.isHomophonic();
    for (QWidget *widget : std::initializer_list<QWidget *> {m_fixed, m_shape, m_codes, m_view})
        widget->setVisible(homophonic);
    m_forms->setVisible(!homophonic);
    m_symbolView->setVisible(!homophonic && !family.takesFiller());
    m_polygramView->setVisible(family.takesFiller());
    // The square's 32 columns want most of the width; the table's few do not.
    const int width = qMax(m_splitter->width(), 800);
    m_splitter->setStretchFactor(1, homophonic ? 2 : 1);
    m_splitter->setSizes(homophonic ? QList<int> {width * 3 / 5, width * 2 / 5} : QList<int> {width * 4 / 5, width / 5});
    if (homophonic) {
        m_open->setToolTip(QStringLiteral("Загрузить файл ключа (как у homophonic keygen)"));
        m_generate->setToolTip(QStringLiteral("Случайная таблица: коды 00–99 перемешаны и розданы символам"));
        m_seed->setToolTip(QStringLiteral("Одно и то же зерно всегда даёт одну и ту же таблицу, как keygen --seed"));
        m_save->setToolTip(QStringLiteral("Записать таблицу файлом ключа; новый файл доступен только владельцу"));
        showProblems(m_model->problems());
    } else {
        m_open->setToolTip(QStringLiteral("Загрузить файл ключа: %1").arg(family.title()));
        m_generate->setToolTip(QStringLiteral("Случайный ключ: %1").arg(family.title()));
        m_seed->setToolTip(QStringLiteral("Одно и то же зерно всегда даёт один и тот же ключ"));
        m_save->setToolTip(QStringLiteral("Записать ключ файлом ключа; новый файл доступен только владельцу"));
        // The panel reads its key anew, and showSymbolKey shows it.
        m_forms->setFamily(family);
    }
    // A file of one family is no key of another.
    m_keyFilePath.clear();
    emit familyChanged();
}

void KeyPage::showSymbolKey()
{
    if (m_family->isHomophonic())
        return;
    QString problem;
    const std::optional<SymbolKey> key = m_forms->key(problem);
    m_symbolModel->setKey(*m_family, key);
    if (m_family->takesFiller())
        m_polygramModel->setKey(*m_family, key, problem);
    m_problems->clear();
    if (key) {
        m_state->setText(QStringLiteral("Ключ проверен: им можно шифровать."));
    } else {
        m_problems->addItem(problem);
        m_state->setText(QStringLiteral("<span style='color:#b00000'>Ключ с ошибкой: пока она не исправлена, "
                                        "шифровать нельзя.</span>"));
    }
    emit symbolKeyChanged();
}

std::optional<SymbolKey> KeyPage::usableSymbolKey(QWidget *messageParent)
{
    QString problem;
    const std::optional<SymbolKey> key = m_forms->key(problem);
    if (!key) {
        QMessageBox::warning(messageParent, QStringLiteral("Ключ с ошибкой"),
                             QStringLiteral("Этим ключом шифровать нельзя. Исправьте его на вкладке «Ключ»:\n")
                                 + problem);
    }
    return key;
}

std::optional<KeyTable> KeyPage::usableTable(QWidget *messageParent)
{
    const std::optional<KeyTable> table = m_model->validTable();
    if (!table) {
        QMessageBox::warning(messageParent, QStringLiteral("Ключ с ошибками"),
                             QStringLiteral("Таблицей с ошибками шифровать нельзя. Исправьте её на вкладке "
                                            "«Ключ»:\n")
                                 + m_model->problems().join(QLatin1Char('\n')));
    }
    return table;
}

void KeyPage::useFixedTable()
{
    setFamily(homophonicFamily());
    m_keyFilePath.clear();
    m_madeFromSeed.reset();
    m_dealing.clear();
    m_model->setTable(fixedKeyTable(), QStringLiteral("постоянная таблица"));
}

bool KeyPage::readSeed(std::optional<quint64> &seed)
{
    seed.reset();
    if (m_seed->text().isEmpty())
        return true;
    bool ok = false;
    seed = m_seed->text().toULongLong(&ok);
    if (!ok) {
        QMessageBox::warning(this, QStringLiteral("Новый ключ"),
                             QStringLiteral("Зерно — целое число от 0 до 18446744073709551615."));
    }
    return ok;
}

void KeyPage::makeNewKey()
{
    std::optional<quint64> seed;
    if (!readSeed(seed))
        return;
    const QString name = seed ? QStringLiteral("новый ключ (зерно %1)").arg(*seed) : QStringLiteral("новый ключ");
    QRandomGenerator source = seed ? seededGenerator(*seed) : QRandomGenerator::securelySeeded();
    if (!m_family->isHomophonic()) {
        m_keyFilePath.clear();
        m_forms->setWholeKey(m_family->randomKey(source), name, seed);
        return;
    }
    std::array<int, 32> rowLengths;
    QString dealing;
    const int each = m_shape->currentData().toInt();
    if (each > 0) {
        rowLengths.fill(each);
        dealing = equalDealing(each);
    } else {
        // The symbols' shares in the built-in model's corpus, as keygen deals them.
        Cryptanalysis::LanguageModel model;
        QString error;
        if (!model.loadBuiltIn(&error)) {
            QMessageBox::critical(this, QStringLiteral("Новый ключ"),
                                  QStringLiteral("Модель языка не загружена: ") + error);
            return;
        }
        rowLengths = proportionalRowLengths(model.symbolCounts(), m_codes->value());
        dealing = proportionalDealing(m_codes->value(), QStringLiteral("во встроенной модели русского языка"));
    }
    m_model->setTable(randomKeyTable(source, rowLengths), name);
    m_keyFilePath.clear();
    m_madeFromSeed = seed;
    m_dealing = dealing;
}

void KeyPage::chooseKeyFile()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Открыть ключ"), QString(),
                                                      QStringLiteral("Файлы ключа (*.txt *.key);;Все файлы (*)"));
    if (!path.isEmpty())
        openKeyFile(path);
}

bool KeyPage::openKeyFile(const QString &path, bool quiet)
{
    if (!m_family->isHomophonic())
        return openSymbolKeyFile(path, quiet);
    const KeyFileReading reading = readKeyFile(path);
    if (!reading.table) {
        if (!quiet) {
            QMessageBox::warning(this, QStringLiteral("Ключ не открыт"),
                                 QStringLiteral("Файл ключа не прочитан, таблица прежняя:\n")
                                     + reading.problems.join(QLatin1Char('\n')));
        }
        return false;
    }
    m_keyFilePath = path;
    m_madeFromSeed.reset();
    m_dealing.clear();
    m_model->setTable(*reading.table, QFileInfo(path).fileName());
    emit keyFileOpened(path);
    return true;
}

bool KeyPage::openSymbolKeyFile(const QString &path, bool quiet)
{
    QString problem;
    const std::optional<QByteArray> bytes = readKeyFileBytes(path, problem);
    SymbolKeys::Reading reading;
    if (bytes)
        reading = m_family->readKeyFile(*bytes, path);
    else
        reading.problems << problem;
    if (!reading.key) {
        if (!quiet) {
            m_problems->clear();
            m_problems->addItems(reading.problems);
            m_state->setText(QStringLiteral("<span style='color:#b00000'>Файл ключа «%1» не прочитан, ключ "
                                            "прежний.</span>")
                                 .arg(QFileInfo(path).fileName().toHtmlEscaped()));
        }
        return false;
    }
    m_keyFilePath = path;
    m_forms->setWholeKey(*reading.key, QFileInfo(path).fileName());
    emit keyFileOpened(path);
    return true;
}

void KeyPage::useTable(const KeyTable &table, const QString &name)
{
    setFamily(homophonicFamily());
    m_keyFilePath.clear();
    m_madeFromSeed.reset();
    m_dealing.clear();
    m_model->setTable(table, name);
}

void KeyPage::useSymbolKey(const CipherFamily &family, const SymbolKey &key, const QString &name)
{
    setFamily(family);
    m_keyFilePath.clear();
    m_forms->setWholeKey(key, name);
}

void KeyPage::saveKeyAs()
{
    if (!m_family->isHomophonic()) {
        const std::optional<SymbolKey> key = usableSymbolKey(this);
        if (!key)
            return;
        const QString text = m_family->keyFileText(*key, QDateTime::currentDateTime(), m_forms->seed());
        // A key is a secret: a new file is the owner's alone.
        saveKeyWith([&text](const QString &path, QString *error) {
            return writeWholeFile(path, text.toUtf8(), error, FileReaders::OwnerOnly);
        });
        return;
    }
    const std::optional<KeyTable> table = usableTable(this);
    if (!table)
        return;
    saveKeyWith([this, &table](const QString &path, QString *error) {
        return saveKeyFile(path, *table, QString(), error, m_madeFromSeed, m_dealing);
    });
}

void KeyPage::saveKeyWith(const std::function<bool(const QString &, QString *)> &write)
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить ключ"), m_keyFilePath,
                                                      QStringLiteral("Файлы ключа (*.txt *.key);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!write(path, &error)) {
        QMessageBox::critical(this, QStringLiteral("Ключ не сохранён"),
                              QStringLiteral("Не удалось сохранить файл ключа:\n%1\n%2")
                                  .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_keyFilePath = path;
    emit keyFileOpened(path);
}

void KeyPage::showProblems(const QStringList &problems)
{
    if (!m_family->isHomophonic())
        return;
    m_problems->clear();
    m_problems->addItems(problems);
    if (problems.isEmpty()) {
        m_state->setText(QStringLiteral("Ключ «%1» проверен: им можно шифровать.").arg(m_model->name()));
    } else {
        m_state->setText(QStringLiteral("<span style='color:#b00000'>В таблице ошибок: %1. Пока они не "
                                        "исправлены, таблицей шифровать нельзя.</span>")
                             .arg(problems.size()));
    }
}
