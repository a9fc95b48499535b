#include "chartwriter.h"

namespace SvgChart {

namespace {

const QString fontFamily = QStringLiteral("Liberation Sans, DejaVu Sans, Arial, sans-serif");

} // namespace

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

ChartWriter::ChartWriter(QByteArray *out)
    : m_xml(out)
{
    m_xml.setAutoFormatting(true);
}

void ChartWriter::begin(int width, int height, const QString &title)
{
    m_xml.writeStartDocument();
    m_xml.writeStartElement(QStringLiteral("svg"));
    m_xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    m_xml.writeAttribute(QStringLiteral("width"), QString::number(width));
    m_xml.writeAttribute(QStringLiteral("height"), QString::number(height));
    m_xml.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 %1 %2").arg(width).arg(height));
    m_xml.writeAttribute(QStringLiteral("font-family"), fontFamily);
    m_xml.writeTextElement(QStringLiteral("title"), title);
    rect(0, 0, width, height, QStringLiteral("#ffffff"));
    text(width / 2.0, 28, title, 18, QStringLiteral("middle"), true);
}

void ChartWriter::end()
{
    m_xml.writeEndElement();
    m_xml.writeEndDocument();
}

void ChartWriter::text(double x, double y, const QString &content, int size, const QString &anchor, bool bold)
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

void ChartWriter::rect(double x, double y, double width, double height, const QString &fill, const QString &role,
                       const QString &tooltip)
{
    if (tooltip.isEmpty())
        m_xml.writeEmptyElement(QStringLiteral("rect"));
    else
        m_xml.writeStartElement(QStringLiteral("rect"));
    if (!role.isEmpty())
        m_xml.writeAttribute(QStringLiteral("class"), role);
    m_xml.writeAttribute(QStringLiteral("x"), number(x));
    m_xml.writeAttribute(QStringLiteral("y"), number(y));
    m_xml.writeAttribute(QStringLiteral("width"), number(width));
    m_xml.writeAttribute(QStringLiteral("height"), number(height));
    m_xml.writeAttribute(QStringLiteral("fill"), fill);
    if (!tooltip.isEmpty()) {
        m_xml.writeTextElement(QStringLiteral("title"), tooltip);
        m_xml.writeEndElement();
    }
}

void ChartWriter::line(double x1, double y1, double x2, double y2, const QString &stroke)
{
    m_xml.writeEmptyElement(QStringLiteral("line"));
    m_xml.writeAttribute(QStringLiteral("x1"), number(x1));
    m_xml.writeAttribute(QStringLiteral("y1"), number(y1));
    m_xml.writeAttribute(QStringLiteral("x2"), number(x2));
    m_xml.writeAttribute(QStringLiteral("y2"), number(y2));
    m_xml.writeAttribute(QStringLiteral("stroke"), stroke);
}

void ChartWriter::axisCaption(double x, double y, const QString &content)
{
    m_xml.writeStartElement(QStringLiteral("text"));
    m_xml.writeAttribute(QStringLiteral("transform"),
                         QStringLiteral("translate(%1 %2) rotate(-90)").arg(QString::number(x), number(y)));
    m_xml.writeAttribute(QStringLiteral("font-size"), QStringLiteral("12"));
    m_xml.writeAttribute(QStringLiteral("text-anchor"), QStringLiteral("middle"));
    m_xml.writeCharacters(content);
    m_xml.writeEndElement();
}

} // namespace SvgChart
