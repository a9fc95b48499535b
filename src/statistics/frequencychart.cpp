#include "frequencychart.h"

#include "chartwriter.h"
#include "frequencymeasures.h"
#include "frequencyreport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using namespace SvgChart;

// Two panels share Height; each panel beyond them adds this much.
constexpr int PanelHeight = 227;

struct Panel
{
    const FrequencyCounts *counts;
    QString name;
    double top;
    double bottom;
};

// Codes are coloured by the range they come from: with the fixed table each
// range is one code of every symbol, so the three ranges look alike.
struct CodeRange
{
    int first;
    int last;
    const char *colour;
};
const CodeRange codeRanges[] = {
    { 0, 31, "#c0504d" },
    { 32, 63, "#e08a3c" },
    { 64, 95, "#8e6bb8" },
    { 96, 99, "#8c8c8c" },
};
const char plainColour[] = "#3b6ea5";

QString colourOfCode(int code)
{
    for (const CodeRange &range : codeRanges) {
        if (code >= range.first && code <= range.last)
            return QLatin1String(range.colour);
    }
    return QLatin1String(codeRanges[3].colour);
}

// A round step for the share axis (in percent) giving at most five steps.
double axisStep(double peakPercent)
{
    for (const double step : { 0.5, 1.0, 2.0, 5.0, 10.0, 20.0 }) {
        if (peakPercent <= 5 * step)
            return step;
    }
    return 25.0;
}

QString caption(const FrequencyCounts &counts, const QString &name)
{
    const FrequencyMeasures measures = measureFrequencies(counts);
    const bool symbols = counts.kind == FrequencyCounts::Kind::Symbols;
    QString text = QStringLiteral("%1: всего %2, индекс совпадений %3, энтропия %4 бит из %5")
                       .arg(!name.isEmpty() ? name : symbols ? QStringLiteral("Открытый текст") : QStringLiteral("Шифртекст"))
                       .arg(measures.total)
                       .arg(decimalText(measures.ioc, 4), decimalText(measures.entropy, 2),
                            decimalText(measures.maxEntropy, 2));
    if (measures.peakIndex >= 0)
        text += QStringLiteral(", пик %1 (%2)").arg(percentText(measures.peak, 1),
                                                    displayLabel(counts.labels[measures.peakIndex]));
    return text;
}

void writePanel(ChartWriter &chart, const Panel &panel, double axisTop, double step)
{
    const FrequencyCounts &counts = *panel.counts;
    const bool symbols = counts.kind == FrequencyCounts::Kind::Symbols;
    const double plotTop = panel.top + 30;
    // Both kinds of panel keep a legend row, so that equal shares draw equal bars.
    const double labelY = panel.bottom - 24;
    const double plotBottom = labelY - 18;
    const double plotHeight = plotBottom - plotTop;

    chart.text(PlotLeft, panel.top + 16, caption(counts, panel.name), 14);

    for (double percent = 0; percent <= axisTop + 1e-9; percent += step) {
        const double y = plotBottom - percent / axisTop * plotHeight;
        chart.line(PlotLeft, y, PlotRight, y, percent == 0 ? QStringLiteral("#404040") : QStringLiteral("#dddddd"));
        chart.text(PlotLeft - 8, y + 4, decimalText(percent, step < 1 ? 1 : 0) + QStringLiteral(" %"), 12,
                   QStringLiteral("end"));
    }
    chart.axisCaption(18, (plotTop + plotBottom) / 2, QStringLiteral("доля"));

    const int slotCount = int(counts.counts.size());
    const double slot = (PlotRight - PlotLeft) / slotCount;
    const qint64 total = counts.total();
    for (int i = 0; i < slotCount; ++i) {
        const double share = shareOf(counts.counts[i], total);
        const double height = 100 * share / axisTop * plotHeight;
        const double x = PlotLeft + i * slot;
        if (height > 0)
            chart.rect(x + slot * 0.12, plotBottom - height, slot * 0.76, height,
                       symbols ? QLatin1String(plainColour) : colourOfCode(i), QStringLiteral("bar"));
        if (symbols && counts.labels[i] == QLatin1String(" "))
            chart.text(x + slot, labelY, displayLabel(counts.labels[i]), 12, QStringLiteral("end"));
        else if (symbols)
            chart.text(x + slot / 2, labelY, counts.labels[i], 14, QStringLiteral("middle"));
        else if (i % 5 == 0)
            chart.text(x + slot / 2, labelY, counts.labels[i], 11, QStringLiteral("middle"));
    }

    double x = PlotLeft;
    const double y = panel.bottom - 2;
    if (symbols) {
        chart.rect(x, y - 10, 12, 12, QLatin1String(plainColour));
        chart.text(x + 17, y, QStringLiteral("символы таблицы в её порядке"), 12);
    } else {
        for (const CodeRange &range : codeRanges) {
            chart.rect(x, y - 10, 12, 12, QLatin1String(range.colour));
            const QString label = QStringLiteral("коды %1–%2").arg(counts.labels[range.first], counts.labels[range.last]);
            chart.text(x + 17, y, label, 12);
            x += 130;
        }
    }
}

} // namespace

QByteArray frequencyChartSvg(const FrequencyCounts *plain, const FrequencyCounts *cipher)
{
    // A ciphertext of symbols would be captioned as the plaintext its kind
    // suggests: the panels are named by their place instead.
    if (plain && cipher && cipher->kind == FrequencyCounts::Kind::Symbols)
        return frequencyChartSvg({ { plain, QStringLiteral("Открытый текст") }, { cipher, QStringLiteral("Шифртекст") } },
                                 QStringLiteral("Частоты символов до и после шифрования, на одной шкале"));
    std::vector<ChartPanel> shown;
    for (const FrequencyCounts *counts : { plain, cipher }) {
        if (counts)
            shown.push_back({counts, QString()});
    }
    QString title;
    if (shown.size() == 2)
        title = QStringLiteral("Частоты символов и их кодов до и после шифрования, на одной шкале");
    else if (plain)
        title = QStringLiteral("Частоты символов открытого текста");
    else
        title = QStringLiteral("Частоты кодов шифртекста");
    return frequencyChartSvg(shown, title);
}

QByteArray frequencyChartSvg(const std::vector<ChartPanel> &shown, const QString &title)
{
    if (shown.empty())
        return QByteArray();

    double peak = 0;
    for (const ChartPanel &panel : shown)
        peak = std::max(peak, measureFrequencies(*panel.counts).peak);
    const double step = axisStep(100 * peak);
    const double axisTop = std::max(step, std::ceil(100 * peak / step - 1e-9) * step);
    const int height = Height + PanelHeight * qMax(0, int(shown.size()) - 2);

    QByteArray svg;
    ChartWriter chart(&svg);
    chart.begin(Width, height, title);

    const double top = 40;
    const double panelHeight = (height - top - 6) / double(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Panel panel { shown[i].counts, shown[i].name, top + i * panelHeight, top + (i + 1) * panelHeight };
        writePanel(chart, panel, axisTop, step);
    }
    chart.end();
    return svg;
}
