#include "frequencypage.h"

#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencymeasures.h"
#include "frequencyreport.h"
#include "lineend.h"
#include "textfile.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSvgWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

template <typename Counter>
void addLines(Counter &counter, const QString &text)
{
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.utf16());
    forEachLine(begin, begin + text.size(), [&counter](const char16_t *line, const char16_t *end, LineEnding) {
        counter.addLine(QStringView(line, end - line));
    });
}

QString measuresText(const QString &title, const FrequencyCounts &counts)
{
    const FrequencyMeasures measures = measureFrequencies(counts);
    QString text = QStringLiteral("<b>%1</b><br>").arg(title);
    if (measures.total == 0)
        return text + QStringLiteral("пусто");
    text += QStringLiteral("посчитано: %1<br>индекс совпадений: %2<br>энтропия: %3 из %4 бит<br>пик: %5")
                .arg(measures.total)
                .arg(decimalText(measures.ioc, 4), decimalText(measures.entropy, 2),
                     decimalText(measures.maxEntropy, 2), percentText(measures.peak, 1));
    if (measures.peakIndex >= 0)
        text += QStringLiteral(" (%1)").arg(displayLabel(counts.labels.at(measures.peakIndex)).toHtmlEscaped());
    return text;
}

} // namespace

FrequencyPage::FrequencyPage(QPlainTextEdit *plain, QPlainTextEdit *cipher, QWidget *parent)
    : QWidget(parent)
    , m_plainEdit(plain)
    , m_cipherEdit(cipher)
    , m_chart(new QSvgWidget(this))
    , m_plainMeasures(new QLabel(this))
    , m_cipherMeasures(new QLabel(this))
{
    setObjectName(QStringLiteral("frequencyPage"));
    m_chart->setObjectName(QStringLiteral("frequencyChart"));
    m_chart->setMinimumSize(450, 250);
    m_chart->setToolTip(QStringLiteral("Доли символов открытого текста (вверху) и кодов шифртекста (внизу) — "
                                       "та же диаграмма, что у homophonic analyze --chart"));
    m_plainMeasures->setObjectName(QStringLiteral("plainMeasures"));
    m_cipherMeasures->setObjectName(QStringLiteral("cipherMeasures"));
    m_plainMeasures->setToolTip(QStringLiteral("Индекс совпадений: вероятность, что два наугад взятых места "
                                               "текста содержат один символ; у русского текста около 0,06"));
    m_cipherMeasures->setToolTip(QStringLiteral("Для 100 равновероятных кодов индекс совпадений 0,01, "
                                                "энтропия log₂ 100 ≈ 6,64 бита"));
    auto *exportButton = new QPushButton(QStringLiteral("Сохранить диаграмму SVG…"), this);
    exportButton->setObjectName(QStringLiteral("exportChartButton"));
    exportButton->setToolTip(QStringLiteral("Записать диаграмму файлом SVG (900×500)"));
    connect(exportButton, &QPushButton::clicked, this, &FrequencyPage::exportChart);

    auto *side = new QVBoxLayout;
    side->addWidget(m_plainMeasures);
    side->addSpacing(12);
    side->addWidget(m_cipherMeasures);
    side->addStretch(1);
    side->addWidget(exportButton);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_chart, 1);
    layout->addLayout(side);

    m_pause.setSingleShot(true);
    m_pause.setInterval(PauseMs);
    connect(&m_pause, &QTimer::timeout, this, &FrequencyPage::recount);
    connect(m_plainEdit, &QPlainTextEdit::textChanged, this, &FrequencyPage::textChanged);
    connect(m_cipherEdit, &QPlainTextEdit::textChanged, this, &FrequencyPage::textChanged);
    connect(&m_watcher, &QFutureWatcher<Chart>::finished, this, &FrequencyPage::showChart);
    recount();
}

void FrequencyPage::textChanged()
{
    m_pause.start();
}

void FrequencyPage::recount()
{
    // One count at a time; text typed meanwhile is counted when it ends.
    if (m_counting) {
        m_stale = true;
        return;
    }
    m_stale = false;
    m_counting = true;
    m_watcher.setFuture(QtConcurrent::run(&FrequencyPage::chartOf, m_plainEdit->toPlainText(),
                                          m_cipherEdit->toPlainText()));
}

FrequencyPage::Chart FrequencyPage::chartOf(const QString &plain, const QString &cipher)
{
    SymbolCounter symbols(fixedHomophoneTable());
    addLines(symbols, plain);
    CodeCounter codes;
    addLines(codes, cipher);
    const FrequencyCounts plainCounts = symbols.counts();
    const FrequencyCounts cipherCounts = codes.counts();
    return { frequencyChartSvg(&plainCounts, &cipherCounts),
             measuresText(QStringLiteral("Открытый текст"), plainCounts),
             measuresText(QStringLiteral("Шифртекст"), cipherCounts) };
}

void FrequencyPage::showChart()
{
    const Chart chart = m_watcher.result();
    m_counting = false;
    m_svg = chart.svg;
    m_chart->load(m_svg);
    m_plainMeasures->setText(chart.plainMeasures);
    m_cipherMeasures->setText(chart.cipherMeasures);
    ++m_redraws;
    if (m_stale)
        recount();
}

void FrequencyPage::exportChart()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить диаграмму"), QString(),
                                                      QStringLiteral("Рисунки SVG (*.svg)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeWholeFile(path, m_svg, &error)) {
        QMessageBox::critical(this, QStringLiteral("Диаграмма не сохранена"),
                              QStringLiteral("Не удалось сохранить файл:\n%1\n%2")
                                  .arg(QDir::toNativeSeparators(path), error));
    }
}
