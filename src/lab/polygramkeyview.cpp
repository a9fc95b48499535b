#include "polygramkeyview.h"

#include "polygramkeymodel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QLabel *wrappedLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    // A key's text may be as long as a line: it is wrapped, not the window widened.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

PolygramKeyView::PolygramKeyView(PolygramKeyModel *model, Use use, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_editing(use == Use::Edit)
    , m_caption(wrappedLabel(QStringLiteral("polygramCaption"), this))
    , m_table(new QTableView(this))
    , m_size(new QComboBox(this))
    , m_matrixSize(new QWidget(this))
    , m_determinant(wrappedLabel(QStringLiteral("matrixDeterminant"), this))
    , m_inverse(wrappedLabel(QStringLiteral("matrixInverse"), this))
    , m_step(wrappedLabel(QStringLiteral("blockStep"), this))
{
    const bool editing = m_editing;
    m_table->setObjectName(QStringLiteral("polygramDrawing"));
    m_table->setModel(model);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setAccessibleName(QStringLiteral("Прямоугольник или матрица ключа"));
    const int cell = fontMetrics().horizontalAdvance(QStringLiteral("ШШ")) + 12;
    m_table->horizontalHeader()->setDefaultSectionSize(cell);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    if (editing) {
        m_table->setDragEnabled(true);
        m_table->setAcceptDrops(true);
        m_table->setDragDropMode(QAbstractItemView::DragDrop);
        m_table->setDefaultDropAction(Qt::CopyAction);
        // A drop lands on a cell, not between two.
        m_table->setDragDropOverwriteMode(true);
        m_table->setDropIndicatorShown(true);
        m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                 | QAbstractItemView::AnyKeyPressed);
        m_table->setToolTip(QStringLiteral("Перетащите символ на другую клетку его прямоугольника (или нажмите "
                                           "Ctrl со стрелкой), чтобы поменять их местами; число матрицы правится "
                                           "двойным щелчком или F2"));
        m_table->installEventFilter(this);
    } else {
        m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_table->setToolTip(QStringLiteral("Клетки блока под курсором: оранжевые — открытый текст, зелёные — "
                                           "шифр, жёлтые — строка, столбец или прямоугольник правила"));
    }

    m_size->setObjectName(QStringLiteral("matrixSize"));
    m_size->addItem(QStringLiteral("2 × 2"), 2);
    m_size->addItem(QStringLiteral("3 × 3"), 3);
    m_size->setToolTip(QStringLiteral("Размер матрицы: блоки по 2 или по 3 символа"));
    m_size->setAccessibleName(QStringLiteral("Размер матрицы"));
    auto *sizeRow = new QHBoxLayout(m_matrixSize);
    sizeRow->setContentsMargins(0, 0, 0, 0);
    auto *sizeLabel = new QLabel(QStringLiteral("&Размер матрицы:"), m_matrixSize);
    sizeLabel->setBuddy(m_size);
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(m_size);
    sizeRow->addStretch(1);
    connect(m_size, QOverload<int>::of(&QComboBox::activated), this,
            [this] { m_model->setMatrixSize(m_size->currentData().toInt()); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_caption);
    layout->addWidget(m_matrixSize);
    layout->addWidget(m_table);
    layout->addWidget(m_determinant);
    layout->addWidget(m_inverse);
    layout->addWidget(m_step);
    layout->addStretch(1);

    connect(model, &PolygramKeyModel::keyChanged, this, &PolygramKeyView::showKey);
    connect(model, &QAbstractItemModel::dataChanged, this, &PolygramKeyView::showKey);
    connect(model, &PolygramKeyModel::stepChanged, this, &PolygramKeyView::showStep);
    showKey();
    showStep();
}

bool PolygramKeyView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_table || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!(key->modifiers() & Qt::ControlModifier) || !m_model->drawsRectangles())
        return QWidget::eventFilter(watched, event);
    int rowStep = 0, columnStep = 0;
    switch (key->key()) {
    case Qt::Key_Left:
        columnStep = -1;
        break;
    case Qt::Key_Right:
        columnStep = 1;
        break;
    case Qt::Key_Up:
        rowStep = -1;
        break;
    case Qt::Key_Down:
        rowStep = 1;
        break;
    default:
        return QWidget::eventFilter(watched, event);
    }
    const QModelIndex from = m_table->currentIndex();
    const int row = from.row() + rowStep;
    const int column = from.column() + columnStep;
    // The key is drawn anew after a swap: the cell moved to is found again.
    if (from.isValid() && m_model->swapCells(from, m_model->index(row, column)))
        m_table->setCurrentIndex(m_model->index(row, column));
    return true;
}

// The table is as large as its cells: the rectangle is small enough to see whole.
void PolygramKeyView::showKey()
{
    m_caption->setText(m_model->caption());
    const bool matrix = m_model->drawsMatrix();
    m_matrixSize->setVisible(m_editing && matrix);
    m_matrixSize->setEnabled(m_model->rowCount() > 0);
    m_size->setCurrentIndex(m_model->matrixSize() == 3 ? 1 : 0);
    m_determinant->setVisible(matrix);
    m_inverse->setVisible(matrix);
    m_determinant->setText(m_model->determinantText());
    m_inverse->setText(m_model->inverseText());
    int width = 2 * m_table->frameWidth() + m_table->verticalHeader()->sizeHint().width();
    for (int column = 0; column < m_model->columnCount(); ++column)
        width += m_table->columnWidth(column);
    int height = 2 * m_table->frameWidth() + m_table->horizontalHeader()->sizeHint().height();
    for (int row = 0; row < m_model->rowCount(); ++row)
        height += m_table->rowHeight(row);
    m_table->setFixedSize(width, height);
    m_table->setVisible(m_model->rowCount() > 0);
}

void PolygramKeyView::showStep()
{
    m_step->setText(m_model->stepText());
    // The marks are the step's colours: a selection's would cover one of them.
    m_table->clearSelection();
}
