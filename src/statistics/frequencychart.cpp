#include "frequencychart.h"

#include "frequencymeasures.h"
#include "frequencyreport.h"

#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int Width = 900;
constexpr int Height = 500;
// Two panels share Height; each panel beyond them adds this much.
constexpr int PanelHeight = 227;
constexpr double PlotLeft = 72;
constexpr double PlotRight = 884;

const QString fontFamily = QStringLiteral("Liberation Sans, DejaVu Sans, Arial, sans-serif");

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

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

class ChartWriter
{
public:
    explicit ChartWriter(QByteArray *out)
        : m_xml(out)
    {
        m_xml.setAutoFormatting(true);
    }

    QXmlStreamWriter &xml() { return m_xml; }

    void text(double x, double y, const QString &content, int size, const QString &anchor = QStringLiteral("start"),
              bool bold = false)
    {
        m_xml.writeStartElement(QStringLiteral("text"));
        m_xml.writeAttribute(QStringLiteral("x"), number(x));
        m_xml.writeAttribute(QStringLiteral("y"), number(y));
        m_xml.writeAttribute(QStringLiteral("font-size"), QString::number(size));
        if (anchor != QLatin1String("start"))
            m_xml.writeAttribute(QStringLiteral("text-anchor"), anchor);
        if (bold)
            m_xml.writeAttribute(QStringLiteral("font-weight"), QStringLiteral("bold"));
        m_xml.writeCharacters(content);
        m_xml.writeEndElement();
    }

    void rect(double x, double y, double width, double height, const QString &fill, const QString &role = QString())
    {
        m_xml.writeEmptyElement(QStringLiteral("rect"));
        if (!role.isEmpty())
            m_xml.writeAttribute(QStringLiteral("class"), role);
        m_xml.writeAttribute(QStringLiteral("x"), number(x));
        m_xml.writeAttribute(QStringLiteral("y"), number(y));
        m_xml.writeAttribute(QStringLiteral("width"), number(width));
        m_xml.writeAttribute(QStringLiteral("height"), number(height));
        m_xml.writeAttribute(QStringLiteral("fill"), fill);
    }

    void line(double x1, double y1, double x2, double y2, const QString &stroke)
    {
        m_xml.writeEmptyElement(QStringLiteral("line"));
        m_xml.writeAttribute(QStringLiteral("x1"), number(x1));
        m_xml.writeAttribute(QStringLiteral("y1"), number(y1));
        m_xml.writeAttribute(QStringLiteral("x2"), number(x2));
        m_xml.writeAttribute(QStringLiteral("y2"), number(y2));
        m_xml.writeAttribute(QStringLiteral("stroke"), stroke);
    }

private:
    QXmlStreamWriter m_xml;
};

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
    chart.xml().writeStartElement(QStringLiteral("text"));
    chart.xml().writeAttribute(QStringLiteral("transform"), QStringLiteral("translate(18 %1) rotate(-90)")
                                                               .arg(number((plotTop + plotBottom) / 2)));
    chart.xml().writeAttribute(QStringLiteral("font-size"), QStringLiteral("12"));
    chart.xml().writeAttribute(QStringLiteral("text-anchor"), QStringLiteral("middle"));
    chart.xml().writeCharacters(QStringLiteral("доля"));
    chart.xml().writeEndElement();

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
    QXmlStreamWriter &xml = chart.xml();
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("svg"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    xml.writeAttribute(QStringLiteral("width"), QString::number(Width));
    xml.writeAttribute(QStringLiteral("height"), QString::number(height));
    xml.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 %1 %2").arg(Width).arg(height));
    xml.writeAttribute(QStringLiteral("font-family"), fontFamily);
    xml.writeTextElement(QStringLiteral("title"), title);
    chart.rect(0, 0, Width, height, QStringLiteral("#ffffff"));
    chart.text(Width / 2.0, 28, title, 18, QStringLiteral("middle"), true);

    const double top = 40;
    const double panelHeight = (height - top - 6) / double(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Panel panel { shown[i].counts, shown[i].name, top + i * panelHeight, top + (i + 1) * panelHeight };
        writePanel(chart, panel, axisTop, step);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return svg;
}
