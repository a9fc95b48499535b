#include "periodpanel.h"

#include "frequencymeasures.h"
#include "frequencyreport.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QSplitter>
#include <QSvgWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>

namespace {

// How many of the periods dividing most distances are named.
constexpr int NamedFactors = 5;
// Occurrences listed in a repeat's row before the rest is cut.
constexpr int ListedPlaces = 8;
// A repeat longer than this is shown cut: a text pasted twice repeats whole.
constexpr int ShownRepeatLength = 40;

QString periodText(int period)
{
    return period > 0 ? QString::number(period) : QStringLiteral("не виден");
}

QString listText(const std::vector<int> &numbers, int offset)
{
    QStringList shown;
    for (std::size_t i = 0; i < numbers.size() && i < std::size_t(ListedPlaces); ++i)
        shown << QString::number(numbers[i] + offset);
    if (numbers.size() > std::size_t(ListedPlaces))
        shown << QStringLiteral("…");
    return shown.join(QStringLiteral(", "));
}

QTableWidgetItem *readOnlyItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// The darker the cell, the larger the symbol's share of its row.
QColor shareColour(double share, double peak)
{
    const double strength = peak > 0 ? share / peak : 0;
    const QColor full(0x6f, 0x9f, 0xd8);
    return QColor::fromRgbF(1 - strength * (1 - full.redF()), 1 - strength * (1 - full.greenF()),
                            1 - strength * (1 - full.blueF()));
}

} // namespace

PeriodPanel::PeriodPanel(QWidget *parent)
    : QWidget(parent)
    , m_chart(new QSvgWidget(this))
    , m_summary(new QLabel(this))
    , m_repeats(new QTableWidget(0, 3, this))
    , m_factors(new QLabel(this))
    , m_period(new QSpinBox(this))
    , m_columns(new QTableWidget(this))
{
    setObjectName(QStringLiteral("periodPanel"));
    m_chart->setObjectName(QStringLiteral("coincidenceChart"));
    m_chart->setMinimumSize(420, 230);
    m_chart->setToolTip(QStringLiteral("Средний индекс совпадений столбцов для каждого предполагаемого периода: "
                                       "при верном периоде и его кратных каждый столбец — один алфавит, и "
                                       "индекс поднимается к русскому"));
    m_summary->setObjectName(QStringLiteral("periodSummary"));
    m_summary->setWordWrap(true);
    m_repeats->setObjectName(QStringLiteral("kasiskiTable"));
    m_repeats->setHorizontalHeaderLabels(
        { QStringLiteral("Повтор"), QStringLiteral("Где (символ от 1)"), QStringLiteral("Расстояния") });
    m_repeats->horizontalHeader()->setStretchLastSection(true);
    m_repeats->verticalHeader()->hide();
    m_repeats->setToolTip(QStringLiteral("Последовательности шифртекста, встреченные не раз: одинаковый открытый "
                                         "текст на одном месте ключа дал одинаковый шифртекст, поэтому расстояния "
                                         "кратны периоду"));
    m_factors->setObjectName(QStringLiteral("kasiskiFactors"));
    m_factors->setWordWrap(true);
    m_period->setObjectName(QStringLiteral("columnPeriod"));
    m_period->setRange(1, MaxExaminedPeriod);
    m_period->setToolTip(QStringLiteral("Период, по которому шифртекст делится на столбцы: символы 1, п + 1, "
                                        "2п + 1, … — первый столбец, и так далее"));
    m_columns->setObjectName(QStringLiteral("columnProfiles"));
    m_columns->setToolTip(QStringLiteral("Доли символов в каждом столбце, в процентах: при верном периоде каждая "
                                         "строка — профиль открытого текста, сдвинутый на букву ключа"));
    m_columns->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto *kasiski = new QWidget(this);
    auto *kasiskiLayout = new QVBoxLayout(kasiski);
    kasiskiLayout->setContentsMargins(0, 0, 0, 0);
    kasiskiLayout->addWidget(new QLabel(QStringLiteral("<b>Повторы (метод Касиски)</b>"), kasiski));
    kasiskiLayout->addWidget(m_repeats, 1);
    kasiskiLayout->addWidget(m_factors);

    auto *chart = new QWidget(this);
    auto *chartLayout = new QVBoxLayout(chart);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->addWidget(m_chart, 1);
    chartLayout->addWidget(m_summary);

    auto *top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(chart);
    top->addWidget(kasiski);
    top->setStretchFactor(0, 3);
    top->setStretchFactor(1, 2);

    auto *columns = new QWidget(this);
    auto *columnsLayout = new QVBoxLayout(columns);
    columnsLayout->setContentsMargins(0, 0, 0, 0);
    auto *periodRow = new QHBoxLayout;
    auto *periodLabel = new QLabel(QStringLiteral("<b>Столбцы по периоду</b>"), columns);
    periodLabel->setBuddy(m_period);
    periodRow->addWidget(periodLabel);
    periodRow->addWidget(m_period);
    periodRow->addStretch(1);
    columnsLayout->addLayout(periodRow);
    columnsLayout->addWidget(m_columns, 1);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(top);
    splitter->addWidget(columns);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    connect(&m_examining, &QFutureWatcher<Examination>::finished, this, &PeriodPanel::showExamination);
    connect(&m_counting, &QFutureWatcher<std::vector<FrequencyCounts>>::finished, this, &PeriodPanel::showColumns);
    connect(m_period, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] {
        showChart();
        countColumns();
    });
}

int PeriodPanel::period() const
{
    return m_period->value();
}

void PeriodPanel::examine(std::shared_ptr<const SymbolSequence> symbols, const FrequencyCounts &plain)
{
    m_symbols = std::move(symbols);
    m_plain = plain;
    // A watcher given a new future forgets the old one's result.
    m_examining.setFuture(QtConcurrent::run(&PeriodPanel::examineSymbols, m_symbols));
}

PeriodPanel::Examination PeriodPanel::examineSymbols(const std::shared_ptr<const SymbolSequence> &symbols)
{
    Examination examination;
    examination.symbols = qint64(symbols->size());
    examination.coincidence = indexOfCoincidence(*symbols);
    examination.byPeriod = coincidenceByPeriod(*symbols);
    examination.kasiski = examineKasiski(*symbols);
    examination.kasiskiSymbols = examination.kasiski.examinedSymbols;
    examination.kasiskiSuggested = kasiskiPeriod(examination.kasiski);
    examination.suggested = suggestedPeriod(examination.byPeriod, examination.kasiski);
    return examination;
}

void PeriodPanel::showExamination()
{
    const Examination examination = m_examining.result();
    m_byPeriod = examination.byPeriod;
    m_summary->setText(QStringLiteral("Символов алфавита: %1. Индекс совпадений всего шифртекста: %2 (русский "
                                      "текст %3, случайный %4). Период по индексу: %5; по повторам: %6.")
                           .arg(examination.symbols)
                           .arg(decimalText(examination.coincidence, 4), decimalText(RussianCoincidence, 4),
                                decimalText(RandomCoincidence, 4), periodText(coincidencePeriod(m_byPeriod)),
                                periodText(examination.kasiskiSuggested)));
    showKasiski(examination.kasiski, examination.kasiskiSymbols);
    {
        const QSignalBlocker quiet(m_period);
        m_period->setValue(qMax(1, examination.suggested));
    }
    showChart();
    countColumns();
    emit examined();
}

void PeriodPanel::showChart()
{
    m_svg = coincidenceChartSvg(m_byPeriod, period());
    m_chart->load(m_svg);
    m_chart->setVisible(!m_svg.isEmpty());
}

void PeriodPanel::showKasiski(const KasiskiExamination &kasiski, qint64 examinedSymbols)
{
    const int rows = int(qMin(kasiski.repeats.size(), std::size_t(ShownRepeats)));
    m_repeats->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const RepeatedSequence &repeat = kasiski.repeats[std::size_t(row)];
        QString text = repeat.text.left(ShownRepeatLength);
        if (repeat.text.size() > ShownRepeatLength)
            text += QStringLiteral("…");
        text.replace(QLatin1Char(' '), QStringLiteral("␣"));
        m_repeats->setItem(row, 0, readOnlyItem(text));
        m_repeats->setItem(row, 1, readOnlyItem(listText(repeat.positions, 1)));
        m_repeats->setItem(row, 2, readOnlyItem(listText(repeat.distances, 0)));
    }
    m_repeats->resizeColumnsToContents();

    std::vector<PeriodFactor> factors = kasiski.factors;
    std::stable_sort(factors.begin(), factors.end(),
                     [](const PeriodFactor &a, const PeriodFactor &b) { return a.distances > b.distances; });
    QStringList named;
    for (std::size_t i = 0; i < factors.size() && i < std::size_t(NamedFactors); ++i) {
        if (factors[i].distances == 0)
            break;
        named << QStringLiteral("%1 — %2 (случайно ≈ %3)")
                     .arg(factors[i].period)
                     .arg(factors[i].distances)
                     .arg(decimalText(factors[i].expected, 1));
    }
    QString text = kasiski.distanceCount == 0
        ? QStringLiteral("Повторов длиннее двух символов нет.")
        : QStringLiteral("Расстояний: %1; больше всего их делят периоды: %2. Выше случайного сильнее всего: %3.")
              .arg(kasiski.distanceCount)
              .arg(named.join(QStringLiteral("; ")), periodText(kasiskiPeriod(kasiski)));
    if (kasiski.repeats.size() > std::size_t(ShownRepeats))
        text += QStringLiteral(" Показаны %1 повторов из %2.").arg(ShownRepeats).arg(kasiski.repeats.size());
    if (m_symbols && examinedSymbols < qint64(m_symbols->size()))
        text += QStringLiteral(" Повторы искались в первых %1 символах.").arg(examinedSymbols);
    m_factors->setText(text);
}

void PeriodPanel::countColumns()
{
    if (!m_symbols)
        return;
    m_counting.setFuture(QtConcurrent::run(
        [symbols = m_symbols, period = period()] { return columnCounts(*symbols, period); }));
}

void PeriodPanel::showColumns()
{
    const std::vector<FrequencyCounts> columns = m_counting.result();
    std::vector<std::pair<QString, const FrequencyCounts *>> rows;
    if (m_plain.total() > 0)
        rows.emplace_back(QStringLiteral("Открытый текст"), &m_plain);
    for (std::size_t i = 0; i < columns.size(); ++i)
        rows.emplace_back(QStringLiteral("Столбец %1").arg(i + 1), &columns[i]);

    QStringList headers;
    for (int symbol = 0; symbol < Alphabet::Size; ++symbol)
        headers << (symbol == 0 ? QStringLiteral("␣") : QString(Alphabet::symbol(symbol)));
    headers << QStringLiteral("ИС");
    m_columns->clear();
    m_columns->setColumnCount(int(headers.size()));
    m_columns->setHorizontalHeaderLabels(headers);
    m_columns->setRowCount(int(rows.size()));
    QStringList names;
    for (int row = 0; row < int(rows.size()); ++row) {
        const FrequencyCounts &counts = *rows[std::size_t(row)].second;
        names << rows[std::size_t(row)].first;
        const FrequencyMeasures measures = measureFrequencies(counts);
        const qint64 total = counts.total();
        for (int symbol = 0; symbol < Alphabet::Size && symbol < int(counts.counts.size()); ++symbol) {
            const qint64 count = counts.counts[std::size_t(symbol)];
            const double share = total > 0 ? double(count) / double(total) : 0;
            QTableWidgetItem *item = readOnlyItem(count > 0 ? decimalText(100 * share, 1) : QString());
            item->setBackground(shareColour(share, measures.peak));
            item->setToolTip(QStringLiteral("%1: %2 из %3").arg(headers.at(symbol)).arg(count).arg(total));
            m_columns->setItem(row, symbol, item);
        }
        m_columns->setItem(row, Alphabet::Size, readOnlyItem(decimalText(measures.ioc, 4)));
    }
    m_columns->setVerticalHeaderLabels(names);
    emit columnsShown();
}
