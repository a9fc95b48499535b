#include "pairreport.h"

#include "chartwriter.h"
#include "frequencymeasures.h"
#include "frequencyreport.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using namespace SvgChart;

struct PairColumn
{
    QString title;
    const PairCounts *counts;
    PairMeasures measures;
};

std::vector<PairColumn> columnsOf(const PairCounts *plain, const PairCounts *cipher)
{
    std::vector<PairColumn> columns;
    if (plain)
        columns.push_back({ QStringLiteral("Открытый текст"), plain, measurePairs(*plain) });
    if (cipher)
        columns.push_back({ QStringLiteral("Шифртекст"), cipher, measurePairs(*cipher) });
    return columns;
}

QString doubledText(const PairMeasures &measures)
{
    return QStringLiteral("%1 (%2)").arg(measures.doubled).arg(percentText(shareOf(measures.doubled, measures.total), 2));
}

// The text report's widths: a name, then one value for each text, 78 columns
// in all.
constexpr int NameWidth = 30;
constexpr int ValueWidth = 24;
constexpr int ColumnGap = 2;
constexpr int PairColumnWidth = (NameWidth + 2 * ValueWidth - ColumnGap) / 2;

QString frequentPairText(const FrequentPair &pair, int countWidth)
{
    return QStringLiteral("  ") + pairLabel(pair.first, pair.second) + QStringLiteral("  ")
        + QString::number(pair.count).rightJustified(countWidth) + QLatin1Char(' ')
        + percentText(pair.share, 2).rightJustified(8);
}

// The heat map's geometry: a cell, the room for row labels and the axis
// caption left of a grid, the gap between two maps.
constexpr double Cell = 14;
constexpr double Grid = Cell * Alphabet::Size;
constexpr double LabelRoom = 40;
constexpr double MapGap = 40;
constexpr double MapWidth = LabelRoom + Grid;
constexpr double GridTop = 128;
constexpr int MapHeight = int(GridTop + Grid) + 96;

// From nearly white through a clear blue to dark blue, as the sequential
// blues of ColorBrewer run: a cell's colour at a fraction of the scale's top.
QString cellColour(double fraction)
{
    struct Stop
    {
        double at;
        int red, green, blue;
    };
    constexpr Stop stops[] = { { 0.0, 0xf7, 0xfb, 0xff }, { 0.5, 0x6b, 0xae, 0xd6 }, { 1.0, 0x08, 0x30, 0x6b } };
    const Stop &low = fraction <= stops[1].at ? stops[0] : stops[1];
    const Stop &high = fraction <= stops[1].at ? stops[1] : stops[2];
    const double along = (fraction - low.at) / (high.at - low.at);
    const auto channel = [along](int from, int to) { return int(std::lround(from + (to - from) * along)); };
    return QStringLiteral("#%1%2%3")
        .arg(channel(low.red, high.red), 2, 16, QLatin1Char('0'))
        .arg(channel(low.green, high.green), 2, 16, QLatin1Char('0'))
        .arg(channel(low.blue, high.blue), 2, 16, QLatin1Char('0'));
}

// Pair shares run from a few per cent down to hundredths of one: on a
// linear scale all but the top dozen cells would look empty, so the colour
// follows the share's square root, and a pair seen at all is never white.
constexpr double FaintestSeen = 0.08;
double scaleFraction(double share, double top)
{
    return top > 0 && share > 0 ? std::max(FaintestSeen, std::sqrt(share / top)) : 0.0;
}

QString shownSymbol(int symbol)
{
    return pairLabel(symbol, symbol).left(1);
}

void writeMap(ChartWriter &chart, const PairColumn &column, double left, double topShare)
{
    const double gridLeft = left + LabelRoom;
    chart.text(left, 62, column.title, 14, QStringLiteral("start"), true);
    chart.text(left, 80,
               QStringLiteral("пар %1, индекс совпадений %2 (×1024: %3), одинаковых %4")
                   .arg(column.measures.total)
                   .arg(decimalText(column.measures.ioc, 4), decimalText(column.measures.normalizedIoc, 2))
                   .arg(column.measures.doubled),
               12);
    chart.text(gridLeft + Grid / 2, 102, QStringLiteral("второй символ пары →"), 12, QStringLiteral("middle"));
    chart.axisCaption(left + 12, GridTop + Grid / 2, QStringLiteral("← первый символ пары"));

    chart.rect(gridLeft, GridTop, Grid, Grid, QStringLiteral("#ffffff"));
    for (int i = 0; i <= Alphabet::Size; ++i) {
        const QString stroke = i % 8 == 0 ? QStringLiteral("#a0a0a0") : QStringLiteral("#ececec");
        chart.line(gridLeft + i * Cell, GridTop, gridLeft + i * Cell, GridTop + Grid, stroke);
        chart.line(gridLeft, GridTop + i * Cell, gridLeft + Grid, GridTop + i * Cell, stroke);
    }
    for (int symbol = 0; symbol < Alphabet::Size; ++symbol) {
        chart.text(gridLeft - 4, GridTop + symbol * Cell + Cell - 3, shownSymbol(symbol), 11, QStringLiteral("end"));
        chart.text(gridLeft + symbol * Cell + Cell / 2, GridTop - 5, shownSymbol(symbol), 11, QStringLiteral("middle"));
    }

    const qint64 total = column.measures.total;
    for (int first = 0; first < Alphabet::Size; ++first) {
        for (int second = 0; second < Alphabet::Size; ++second) {
            const qint64 count = column.counts->at(first, second);
            if (count == 0)
                continue;
            const double share = shareOf(count, total);
            chart.rect(gridLeft + second * Cell + 0.5, GridTop + first * Cell + 0.5, Cell - 1, Cell - 1,
                       cellColour(scaleFraction(share, topShare)), QStringLiteral("cell"),
                       QStringLiteral("%1: %2 (%3)").arg(pairLabel(first, second)).arg(count).arg(percentText(share, 2)));
        }
    }
}

// Swatches at shares of the scale's top, each labelled with its share.
void writeLegend(ChartWriter &chart, double left, double y, double topShare)
{
    chart.text(left, y, QStringLiteral("доля пары:"), 12);
    double x = left + 70;
    chart.rect(x, y - 10, 12, 12, QStringLiteral("#a0a0a0"));
    chart.rect(x + 1, y - 9, 10, 10, QStringLiteral("#ffffff"));
    chart.text(x + 17, y, QStringLiteral("0"), 12);
    x += 40;
    constexpr int Steps = 5;
    for (int step = 1; step <= Steps; ++step) {
        const double fraction = double(step) / Steps;
        chart.rect(x, y - 10, 12, 12, cellColour(fraction));
        chart.text(x + 17, y, percentText(topShare * fraction * fraction, 2), 12);
        x += 80;
    }
    chart.text(left, y + 22, QStringLiteral("Пары — по два символа алфавита подряд с первого символа строки;"), 12);
    chart.text(left, y + 38, QStringLiteral("цвет — доля пары среди пар своего текста, по корню из доли."), 12);
}

} // namespace

QString pairTextReport(const PairCounts *plain, const PairCounts *cipher)
{
    const std::vector<PairColumn> columns = columnsOf(plain, cipher);
    if (columns.empty())
        return QString();
    const auto row = [&](const QString &name, auto valueOf) {
        QString line = name.leftJustified(NameWidth);
        for (const PairColumn &column : columns)
            line += valueOf(column).rightJustified(ValueWidth);
        return line + QLatin1Char('\n');
    };

    QString text = QStringLiteral("Пары символов: по два символа алфавита подряд с первого символа строки;\n"
                                  "нечётный последний символ строки остаётся без пары\n");
    text += row(QString(), [](const PairColumn &c) { return c.title; });
    text += row(QStringLiteral("Всего пар"), [](const PairColumn &c) { return QString::number(c.measures.total); });
    text += row(QStringLiteral("Индекс совпадений пар"),
                [](const PairColumn &c) { return decimalText(c.measures.ioc, 4); });
    text += row(QStringLiteral("  он же ×1024 (равномерно ≈ 1)"),
                [](const PairColumn &c) { return decimalText(c.measures.normalizedIoc, 2); });
    text += row(QStringLiteral("Пар из двух одинаковых"), [](const PairColumn &c) { return doubledText(c.measures); });

    int countWidth = 1;
    std::size_t shown = 0;
    for (const PairColumn &column : columns) {
        for (const FrequentPair &pair : column.measures.mostFrequent)
            countWidth = std::max(countWidth, int(QString::number(pair.count).size()));
        shown = std::max(shown, column.measures.mostFrequent.size());
    }
    if (shown == 0)
        return text + QStringLiteral("Самые частые пары: нет ни одной пары\n");
    text += QStringLiteral("Самые частые пары:\n");
    for (std::size_t i = 0; i < shown; ++i) {
        QString line;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::vector<FrequentPair> &frequent = columns[c].measures.mostFrequent;
            const QString cell = i < frequent.size() ? frequentPairText(frequent[i], countWidth) : QString();
            line += c + 1 < columns.size() ? cell.leftJustified(PairColumnWidth + ColumnGap) : cell;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

QJsonObject pairJson(const PairCounts &counts)
{
    const PairMeasures measures = measurePairs(counts);
    QJsonArray labels;
    QJsonArray rows;
    for (int first = 0; first < Alphabet::Size; ++first) {
        labels.append(QString(Alphabet::symbol(first)));
        QJsonArray row;
        for (int second = 0; second < Alphabet::Size; ++second)
            row.append(double(counts.at(first, second)));
        rows.append(row);
    }
    QJsonArray frequent;
    for (const FrequentPair &pair : measures.mostFrequent) {
        frequent.append(QJsonObject { { QStringLiteral("pair"),
                                        QString(Alphabet::symbol(pair.first)) + Alphabet::symbol(pair.second) },
                                      { QStringLiteral("count"), double(pair.count) },
                                      { QStringLiteral("share"), pair.share } });
    }
    QJsonObject object;
    object.insert(QStringLiteral("labels"), labels);
    object.insert(QStringLiteral("counts"), rows);
    object.insert(QStringLiteral("total"), double(measures.total));
    object.insert(QStringLiteral("indexOfCoincidence"), measures.ioc);
    object.insert(QStringLiteral("normalizedIndexOfCoincidence"), measures.normalizedIoc);
    object.insert(QStringLiteral("doubled"), double(measures.doubled));
    object.insert(QStringLiteral("mostFrequent"), frequent);
    return object;
}

QByteArray pairChartSvg(const PairCounts *plain, const PairCounts *cipher)
{
    const std::vector<PairColumn> columns = columnsOf(plain, cipher);
    if (columns.empty())
        return QByteArray();
    double topShare = 0;
    for (const PairColumn &column : columns) {
        if (!column.measures.mostFrequent.empty())
            topShare = std::max(topShare, column.measures.mostFrequent.front().share);
    }
    const double mapsWidth = columns.size() * MapWidth + (columns.size() - 1) * MapGap;
    const int width = std::max(Width, int(std::ceil(mapsWidth)) + 60);
    const double left = (width - mapsWidth) / 2;

    QByteArray svg;
    ChartWriter chart(&svg);
    chart.begin(width, MapHeight,
                columns.size() == 2 ? QStringLiteral("Пары символов до и после шифрования, на одной шкале")
                                    : QStringLiteral("Пары символов открытого текста"));
    for (std::size_t i = 0; i < columns.size(); ++i)
        writeMap(chart, columns[i], left + i * (MapWidth + MapGap), topShare);
    writeLegend(chart, left, GridTop + Grid + 36, topShare);
    chart.end();
    return svg;
}
