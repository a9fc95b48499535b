#include "symbolkeyview.h"

#include "symbolkeymodel.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

SymbolKeyView::SymbolKeyView(SymbolKeyModel *model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_caption(new QLabel(this))
    , m_table(new QTableView(this))
    , m_step(new QLabel(this))
{
    m_caption->setObjectName(QStringLiteral("keyCaption"));
    m_caption->setWordWrap(true);
    // A keyword as long as a line is one word: it is cut, not the window widened.
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_table->setObjectName(QStringLiteral("keyDrawing"));
    m_table->setModel(model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // 32 columns side by side: each as narrow as a letter allows.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->horizontalHeader()->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("Ш")) + 6);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_step->setObjectName(QStringLiteral("keyStep"));
    m_step->setWordWrap(true);
    m_step->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_step->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_caption);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_step);
    layout->addStretch(0);

    connect(model, &SymbolKeyModel::keyChanged, this, &SymbolKeyView::showKey);
    connect(model, &SymbolKeyModel::stepChanged, this, &SymbolKeyView::showStep);
    showKey();
    showStep();
}

void SymbolKeyView::showKey()
{
    const bool several = m_model->hasSeveralAlphabets();
    m_caption->setText(m_model->caption());
    m_table->horizontalHeader()->setVisible(several);
    // Two rows of alphabets take no more height than they need; the square
    // takes all there is.
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    layout->setStretch(1, several ? 1 : 0);
    layout->setStretch(3, several ? 0 : 1);
    if (several) {
        m_table->setMaximumHeight(QWIDGETSIZE_MAX);
    } else {
        m_table->setMaximumHeight(2 * m_table->verticalHeader()->defaultSectionSize()
                                  + m_table->horizontalScrollBar()->sizeHint().height() + 2 * m_table->frameWidth());
    }
}

void SymbolKeyView::showStep()
{
    m_step->setText(m_model->stepText());
    const QModelIndex cell = m_model->stepCell();
    if (cell.isValid()) {
        m_table->setCurrentIndex(cell);
        m_table->scrollTo(cell);
    } else {
        m_table->clearSelection();
    }
}
