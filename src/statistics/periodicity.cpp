#include "periodicity.h"

#include "chartwriter.h"
#include "frequencyreport.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

double coincidenceOfCounts(const std::array<qint64, Alphabet::Size> &counts, qint64 total)
{
    if (total < 2)
        return 0;
    double pairs = 0;
    for (const qint64 count : counts)
        pairs += double(count) * double(count - 1);
    return pairs / (double(total) * double(total - 1));
}

} // namespace

double indexOfCoincidence(const SymbolSequence &symbols)
{
    std::array<qint64, Alphabet::Size> counts {};
    for (const std::int8_t symbol : symbols)
        ++counts[std::size_t(symbol)];
    return coincidenceOfCounts(counts, qint64(symbols.size()));
}

std::vector<PeriodCoincidence> coincidenceByPeriod(const SymbolSequence &symbols, int maxPeriod)
{
    std::vector<PeriodCoincidence> byPeriod;
    const int total = int(symbols.size());
    std::vector<std::array<qint64, Alphabet::Size>> columns;
    for (int period = 1; period <= maxPeriod && total >= 2 * period; ++period) {
        columns.assign(std::size_t(period), {});
        for (int i = 0; i < total; ++i)
            ++columns[std::size_t(i % period)][std::size_t(symbols[std::size_t(i)])];
        PeriodCoincidence entry;
        entry.period = period;
        entry.shortestColumn = total / period;
        double sum = 0;
        for (int column = 0; column < period; ++column) {
            const qint64 length = total / period + (column < total % period);
            sum += coincidenceOfCounts(columns[std::size_t(column)], length);
        }
        entry.meanCoincidence = sum / period;
        byPeriod.push_back(entry);
    }
    return byPeriod;
}

int coincidencePeriod(const std::vector<PeriodCoincidence> &byPeriod)
{
    const double threshold = RandomCoincidence + CoincidenceThreshold * (RussianCoincidence - RandomCoincidence);
    for (const PeriodCoincidence &entry : byPeriod) {
        if (entry.meanCoincidence >= threshold)
            return entry.period;
    }
    return 0;
}

std::vector<FrequencyCounts> columnCounts(const SymbolSequence &symbols, int period)
{
    if (period < 1)
        return {};
    FrequencyCounts empty;
    empty.kind = FrequencyCounts::Kind::Symbols;
    for (int i = 0; i < Alphabet::Size; ++i)
        empty.labels << QString(Alphabet::symbol(i));
    empty.counts.assign(Alphabet::Size, 0);
    std::vector<FrequencyCounts> columns(std::size_t(period), empty);
    std::size_t column = 0;
    for (const std::int8_t symbol : symbols) {
        ++columns[column].counts[std::size_t(symbol)];
        if (++column == columns.size())
            column = 0;
    }
    return columns;
}

KasiskiExamination examineKasiski(const SymbolSequence &symbols, int maxPeriod, int minLength)
{
    KasiskiExamination examination;
    const int total = int(qMin(symbols.size(), std::size_t(MaxKasiskiSymbols)));
    examination.examinedSymbols = total;
    // Five bits a symbol: a sequence of up to six fits one key.
    minLength = qBound(2, minLength, 6);
    // previous[i]: where the sequence of minLength symbols starting at i
    // last occurred before i, or -1.
    std::vector<int> previous(std::size_t(qMax(0, total - minLength + 1)), -1);
    QHash<quint32, int> lastAt;
    for (int i = 0; i + minLength <= total; ++i) {
        quint32 key = 0;
        for (int k = 0; k < minLength; ++k)
            key = key << 5 | quint32(symbols[std::size_t(i + k)]);
        const auto found = lastAt.find(key);
        if (found != lastAt.end()) {
            previous[std::size_t(i)] = found.value();
            found.value() = i;
        } else {
            lastAt.insert(key, i);
        }
    }

    QHash<QString, int> repeatOfText;
    for (int i = 0; i < int(previous.size()); ++i) {
        const int earlier = previous[std::size_t(i)];
        if (earlier < 0)
            continue;
        // The same pair one symbol earlier: this is the inside of a longer
        // repeat, counted where it starts.
        if (earlier > 0 && previous[std::size_t(i - 1)] == earlier - 1)
            continue;
        int length = minLength;
        while (i + length < total && symbols[std::size_t(earlier + length)] == symbols[std::size_t(i + length)])
            ++length;
        QString text(length, QChar());
        for (int k = 0; k < length; ++k)
            text[k] = Alphabet::symbol(symbols[std::size_t(i + k)]);
        auto found = repeatOfText.find(text);
        if (found == repeatOfText.end()) {
            found = repeatOfText.insert(text, int(examination.repeats.size()));
            examination.repeats.push_back({ text, {}, {} });
        }
        RepeatedSequence &repeat = examination.repeats[std::size_t(found.value())];
        for (const int position : { earlier, i }) {
            if (std::find(repeat.positions.begin(), repeat.positions.end(), position) == repeat.positions.end())
                repeat.positions.push_back(position);
        }
        repeat.distances.push_back(i - earlier);
        ++examination.distanceCount;
    }

    for (RepeatedSequence &repeat : examination.repeats)
        std::sort(repeat.positions.begin(), repeat.positions.end());
    std::sort(examination.repeats.begin(), examination.repeats.end(),
              [](const RepeatedSequence &a, const RepeatedSequence &b) {
                  if (a.text.size() != b.text.size())
                      return a.text.size() > b.text.size();
                  if (a.positions.size() != b.positions.size())
                      return a.positions.size() > b.positions.size();
                  return a.positions.front() < b.positions.front();
              });

    for (int period = 2; period <= maxPeriod; ++period) {
        PeriodFactor factor;
        factor.period = period;
        for (const RepeatedSequence &repeat : examination.repeats)
            factor.distances += int(std::count_if(repeat.distances.begin(), repeat.distances.end(),
                                                  [period](int distance) { return distance % period == 0; }));
        factor.expected = double(examination.distanceCount) / period;
        examination.factors.push_back(factor);
    }
    return examination;
}

double kasiskiStrength(const KasiskiExamination &examination, int period)
{
    for (const PeriodFactor &factor : examination.factors) {
        if (factor.period != period)
            continue;
        const double share = 1.0 / period;
        const double deviation = std::sqrt(examination.distanceCount * share * (1 - share));
        return deviation > 0 ? (factor.distances - factor.expected) / deviation : 0.0;
    }
    return 0;
}

int kasiskiPeriod(const KasiskiExamination &examination)
{
    int best = 0;
    double bestStrength = 0;
    for (const PeriodFactor &factor : examination.factors) {
        const double strength = kasiskiStrength(examination, factor.period);
        if (strength > 0 && strength >= bestStrength) {
            best = factor.period;
            bestStrength = strength;
        }
    }
    return best;
}

int suggestedPeriod(const std::vector<PeriodCoincidence> &byPeriod, const KasiskiExamination &examination)
{
    const int period = coincidencePeriod(byPeriod);
    return period > 0 ? period : kasiskiPeriod(examination);
}

namespace {

using namespace SvgChart;

const char barColour[] = "#3b6ea5";
const char markedColour[] = "#c0504d";
const char russianColour[] = "#2e7d32";
const char randomColour[] = "#8c8c8c";

void dash(ChartWriter &chart)
{
    chart.xml().writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("6 4"));
    chart.xml().writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("1.5"));
}

// A level drawn across the plot, and its entry in the legend at x.
double writeLevel(ChartWriter &chart, double y, double legendX, double legendY, const QString &label,
                  const char *colour)
{
    chart.line(PlotLeft, y, PlotRight, y, QLatin1String(colour));
    dash(chart);
    chart.xml().writeAttribute(QStringLiteral("class"), QStringLiteral("level"));
    chart.line(legendX, legendY - 4, legendX + 24, legendY - 4, QLatin1String(colour));
    dash(chart);
    chart.text(legendX + 30, legendY, label, 12);
    return legendX + 30 + 7.0 * label.size() + 24;
}

} // namespace

QByteArray coincidenceChartSvg(const std::vector<PeriodCoincidence> &byPeriod, int markedPeriod)
{
    if (byPeriod.empty())
        return QByteArray();
    constexpr double step = 0.01;
    double peak = RussianCoincidence;
    for (const PeriodCoincidence &entry : byPeriod)
        peak = std::max(peak, entry.meanCoincidence);
    const double axisTop = std::ceil(peak / step + 0.5) * step;

    QByteArray svg;
    ChartWriter chart(&svg);
    chart.begin(Width, Height, QStringLiteral("Индекс совпадений по предполагаемому периоду"));
    const double plotTop = 60;
    const double labelY = Height - 84;
    const double plotBottom = labelY - 18;
    const double plotHeight = plotBottom - plotTop;
    const auto yOf = [&](double value) { return plotBottom - value / axisTop * plotHeight; };

    for (int tick = 0; tick * step <= axisTop + 1e-9; ++tick) {
        const double y = yOf(tick * step);
        chart.line(PlotLeft, y, PlotRight, y, tick == 0 ? QStringLiteral("#404040") : QStringLiteral("#dddddd"));
        chart.text(PlotLeft - 8, y + 4, decimalText(tick * step, 2), 12, QStringLiteral("end"));
    }
    chart.axisCaption(18, (plotTop + plotBottom) / 2, QStringLiteral("средний индекс столбцов"));

    const int slotCount = byPeriod.back().period;
    const double slot = (PlotRight - PlotLeft) / slotCount;
    for (const PeriodCoincidence &entry : byPeriod) {
        const double x = PlotLeft + (entry.period - 1) * slot;
        const double height = entry.meanCoincidence / axisTop * plotHeight;
        const bool marked = entry.period == markedPeriod;
        if (height > 0)
            chart.rect(x + slot * 0.15, plotBottom - height, slot * 0.7, height,
                       QLatin1String(marked ? markedColour : barColour),
                       marked ? QStringLiteral("bar marked") : QStringLiteral("bar"));
        chart.text(x + slot / 2, labelY, QString::number(entry.period), 12, QStringLiteral("middle"), marked);
    }
    chart.text((PlotLeft + PlotRight) / 2, labelY + 20, QStringLiteral("предполагаемый период п"), 12,
               QStringLiteral("middle"));

    const double legendY = Height - 34;
    double legendX = writeLevel(chart, yOf(RussianCoincidence), PlotLeft, legendY,
                                QStringLiteral("русский текст, %1").arg(decimalText(RussianCoincidence, 4)),
                                russianColour);
    legendX = writeLevel(chart, yOf(RandomCoincidence), legendX, legendY,
                         QStringLiteral("случайный текст, %1").arg(decimalText(RandomCoincidence, 4)), randomColour);
    if (markedPeriod > 0) {
        chart.rect(legendX, legendY - 10, 12, 12, QLatin1String(markedColour));
        chart.text(legendX + 17, legendY, QStringLiteral("период %1").arg(markedPeriod), 12);
    }
    chart.text(PlotLeft, Height - 12,
               QStringLiteral("Столбец — символы 1, п + 1, 2п + 1, … (и так от каждого из первых п): "
                              "в столбце одного алфавита индекс близок к русскому тексту."),
               12);
    chart.end();
    return svg;
}
