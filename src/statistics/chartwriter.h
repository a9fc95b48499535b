// The project's SVG charts share one look: a white page 900 wide, a bold
// title, Liberation Sans, plot lines and labels written the same way. Each
// chart draws its own plot with this writer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

namespace SvgChart {

constexpr int Width = 900;
constexpr int Height = 500;
constexpr double PlotLeft = 72;
constexpr double PlotRight = 884;

// A coordinate with one decimal, as every attribute is written.
QString number(double value);

class ChartWriter
{
public:
    explicit ChartWriter(QByteArray *out);

    QXmlStreamWriter &xml() { return m_xml; }

    // The document, its page and the title over it; end() closes it.
    void begin(int width, int height, const QString &title);
    void end();

    void text(double x, double y, const QString &content, int size, const QString &anchor = QStringLiteral("start"),
              bool bold = false);
    // A tooltip, when given, is the rectangle's title: what a viewer shows
    // under the pointer, where a cell of a map has no room for its number.
    void rect(double x, double y, double width, double height, const QString &fill, const QString &role = QString(),
              const QString &tooltip = QString());
    void line(double x1, double y1, double x2, double y2, const QString &stroke);
    // A vertical caption beside a plot's axis, centred on y.
    void axisCaption(double x, double y, const QString &content);

private:
    QXmlStreamWriter m_xml;
};

} // namespace SvgChart
