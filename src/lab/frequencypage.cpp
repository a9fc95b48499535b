#include "frequencypage.h"

#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencymeasures.h"
#include "frequencyreport.h"
#include "pairheatmap.h"
#include "periodpanel.h"
#include "textfile.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSvgWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QElapsedTimer>
#include <QTextDocument>

namespace {

// A slice of counting keeps the window from answering for about this long.
constexpr qint64 SliceMs = 8;
constexpr int LinesBetweenClockReads = 64;

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
    , m_note(new QLabel(this))
    , m_views(new QTabWidget(this))
    , m_period(new PeriodPanel(this))
    , m_pairs(new QWidget(this))
    , m_plainPairMap(new PairHeatMap(QStringLiteral("Открытый текст"), m_pairs))
    , m_cipherPairMap(new PairHeatMap(QStringLiteral("Шифртекст"), m_pairs))
{
    setObjectName(QStringLiteral("frequencyPage"));
    m_chart->setObjectName(QStringLiteral("frequencyChart"));
    m_chart->setMinimumSize(450, 250);
    m_plainMeasures->setObjectName(QStringLiteral("plainMeasures"));
    m_cipherMeasures->setObjectName(QStringLiteral("cipherMeasures"));
    m_plainMeasures->setToolTip(QStringLiteral("Индекс совпадений: вероятность, что два наугад взятых места "
                                               "текста содержат один символ; у русского текста около 0,06"));
    m_note->setObjectName(QStringLiteral("frequencyNote"));
    m_note->setWordWrap(true);
    m_note->hide();
    auto *exportButton = new QPushButton(QStringLiteral("Сохранить диаграмму SVG…"), this);
    exportButton->setObjectName(QStringLiteral("exportChartButton"));
    exportButton->setToolTip(QStringLiteral("Записать диаграмму файлом SVG (900×500)"));
    connect(exportButton, &QPushButton::clicked, this, &FrequencyPage::exportChart);

    auto *side = new QVBoxLayout;
    side->addWidget(m_note);
    side->addWidget(m_plainMeasures);
    side->addSpacing(12);
    side->addWidget(m_cipherMeasures);
    side->addStretch(1);
    side->addWidget(exportButton);

    auto *symbols = new QWidget(this);
    auto *symbolsLayout = new QHBoxLayout(symbols);
    symbolsLayout->addWidget(m_chart, 1);
    symbolsLayout->addLayout(side);
    m_views->setObjectName(QStringLiteral("frequencyViews"));
    m_views->addTab(symbols, QStringLiteral("Символы"));
    m_views->addTab(m_period, QStringLiteral("Период"));
    m_pairs->setObjectName(QStringLiteral("pairMaps"));
    m_plainPairMap->setObjectName(QStringLiteral("plainPairMap"));
    m_cipherPairMap->setObjectName(QStringLiteral("cipherPairMap"));
    auto *pairsNote = new QLabel(QStringLiteral("Пары — символы каждой строки по два подряд от её первого, как их "
                                                "шифрует блочный шифр; строка — первый символ пары, столбец — "
                                                "второй. У открытого текста немногие пары очень часты; шифр "
                                                "Плейфера не даёт пар из двух одинаковых символов."),
                                 m_pairs);
    pairsNote->setWordWrap(true);
    auto *maps = new QHBoxLayout;
    maps->addWidget(m_plainPairMap);
    maps->addWidget(m_cipherPairMap);
    auto *pairsLayout = new QVBoxLayout(m_pairs);
    pairsLayout->addWidget(pairsNote);
    pairsLayout->addLayout(maps, 1);
    m_views->addTab(m_pairs, QStringLiteral("Пары"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_views);

    m_pause.setSingleShot(true);
    m_pause.setInterval(PauseMs);
    connect(&m_pause, &QTimer::timeout, this, &FrequencyPage::recount);
    connect(m_plainEdit, &QPlainTextEdit::textChanged, this, &FrequencyPage::textChanged);
    connect(m_cipherEdit, &QPlainTextEdit::textChanged, this, &FrequencyPage::textChanged);
    m_nextSlice.setInterval(0);
    connect(&m_nextSlice, &QTimer::timeout, this, &FrequencyPage::countSome);
    setFamily(homophonicFamily());
}

void FrequencyPage::setFamily(const CipherFamily &family)
{
    m_cipherInSymbols = !family.isHomophonic();
    m_chart->setToolTip(m_cipherInSymbols
                            ? QStringLiteral("Доли символов открытого текста (вверху) и шифртекста (внизу)")
                            : QStringLiteral("Доли символов открытого текста (вверху) и кодов шифртекста (внизу) — "
                                             "та же диаграмма, что у homophonic analyze --chart"));
    m_cipherMeasures->setToolTip(m_cipherInSymbols
                                     ? QStringLiteral("Для 32 равновероятных символов индекс совпадений 1/32 ≈ "
                                                      "0,031, энтропия 5 бит")
                                     : QStringLiteral("Для 100 равновероятных кодов индекс совпадений 0,01, "
                                                      "энтропия log₂ 100 ≈ 6,64 бита"));
    m_examinePeriod = family.hasPeriod();
    m_views->setTabVisible(m_views->indexOf(m_period), m_examinePeriod);
    m_countPairs = family.takesFiller();
    m_views->setTabVisible(m_views->indexOf(m_pairs), m_countPairs);
    // The period is what gives such a cipher away, the pairs a block cipher:
    // their tab comes first.
    m_views->setCurrentIndex(m_examinePeriod ? m_views->indexOf(m_period)
                                             : m_countPairs ? m_views->indexOf(m_pairs) : 0);
    m_note->setVisible(m_cipherInSymbols);
    m_note->setText(m_examinePeriod
                        ? QStringLiteral("Выбран шифр: %1. Ключ повторяется, и общий профиль шифртекста сглажен; "
                                         "период выдают индекс совпадений и повторы на вкладке «Период».")
                              .arg(family.title())
                        : QStringLiteral("Выбран шифр: %1. Шифртекст посчитан по символам алфавита: у шифра "
                                         "одного алфавита его профиль — профиль открытого текста, символы "
                                         "которого переставлены ключом.")
                              .arg(family.title()));
    m_nextSlice.stop();
    recount();
}

void FrequencyPage::textChanged()
{
    // A count of a text that has changed is worth nothing: start afresh
    // after the pause.
    m_nextSlice.stop();
    m_pause.start();
}

void FrequencyPage::recount()
{
    m_plainDocument = m_plainEdit->document();
    m_cipherDocument = m_cipherEdit->document();
    m_plainLine = m_plainDocument->begin();
    m_cipherLine = m_cipherDocument->begin();
    m_symbols.emplace(fixedKeyTable());
    m_codes.reset();
    m_cipherSymbols.reset();
    if (m_cipherInSymbols)
        m_cipherSymbols.emplace(fixedKeyTable());
    else
        m_codes.emplace();
    m_plainPairs.reset();
    m_cipherPairs.reset();
    if (m_countPairs) {
        m_plainPairs.emplace();
        m_cipherPairs.emplace();
    }
    m_cipherSequence.reset();
    if (m_examinePeriod)
        m_cipherSequence = std::make_shared<SymbolSequence>();
    m_nextSlice.start();
}

// A plain-text document holds one line a block, without its line end.
void FrequencyPage::countSome()
{
    if (m_plainDocument != m_plainEdit->document() || m_cipherDocument != m_cipherEdit->document()) {
        recount();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < SliceMs) {
        for (int i = 0; i < LinesBetweenClockReads; ++i) {
            if (m_plainLine.isValid()) {
                m_symbols->addLine(m_plainLine.text());
                if (m_plainPairs)
                    m_plainPairs->addLine(m_plainLine.text());
                m_plainLine = m_plainLine.next();
            } else if (m_cipherLine.isValid()) {
                if (m_cipherSequence) {
                    const SymbolSequence symbols = Alphabet::indicesOf(m_cipherLine.text());
                    m_cipherSequence->insert(m_cipherSequence->end(), symbols.begin(), symbols.end());
                }
                if (m_cipherPairs)
                    m_cipherPairs->addLine(m_cipherLine.text());
                if (m_cipherSymbols)
                    m_cipherSymbols->addLine(m_cipherLine.text());
                else
                    m_codes->addLine(m_cipherLine.text());
                m_cipherLine = m_cipherLine.next();
            } else {
                m_nextSlice.stop();
                showChart();
                return;
            }
        }
    }
}

void FrequencyPage::showChart()
{
    const FrequencyCounts plain = m_symbols->counts();
    const FrequencyCounts cipher = m_cipherSymbols ? m_cipherSymbols->counts() : m_codes->counts();
    m_svg = frequencyChartSvg(&plain, &cipher);
    m_chart->load(m_svg);
    m_plainMeasures->setText(measuresText(QStringLiteral("Открытый текст"), plain));
    m_cipherMeasures->setText(measuresText(QStringLiteral("Шифртекст"), cipher));
    if (m_cipherSequence)
        m_period->examine(std::move(m_cipherSequence), plain);
    if (m_plainPairs) {
        m_plainPairMap->setCounts(m_plainPairs->counts().counts);
        m_cipherPairMap->setCounts(m_cipherPairs->counts().counts);
    }
    ++m_redraws;
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
