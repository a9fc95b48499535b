#include "pairheatmap.h"

#include "keyfile.h"

#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Room for the title line and the symbols along the top and the left.
constexpr int TitleLines = 1;

QString percentOf(qint64 part, qint64 whole)
{
    return whole > 0 ? QLocale().toString(100.0 * double(part) / double(whole), 'f', 2) + QStringLiteral(" %")
                     : QStringLiteral("0 %");
}

} // namespace

PairHeatMap::PairHeatMap(const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
{
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Тепловая карта пар: ") + title);
    setAccessibleDescription(QStringLiteral("Строка — первый символ пары, столбец — второй; чем темнее клетка, тем "
                                            "чаще пара"));
    setToolTip(accessibleDescription());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PairHeatMap::setCounts(const Table &counts)
{
    m_counts = counts;
    m_total = std::accumulate(counts.begin(), counts.end(), qint64(0));
    m_largest = *std::max_element(counts.begin(), counts.end());
    update();
}

QSize PairHeatMap::sizeHint() const
{
    return {420, 440};
}

QSize PairHeatMap::minimumSizeHint() const
{
    return {260, 280};
}

PairHeatMap::Grid PairHeatMap::grid() const
{
    const QFontMetrics metrics(font());
    const qreal labels = metrics.horizontalAdvance(QStringLiteral("Ш")) + 6;
    const qreal top = (TitleLines * metrics.height()) + 4 + labels;
    const qreal side = std::max<qreal>(0, std::min<qreal>(width() - labels - 2, height() - top - 2));
    return {QPointF(labels, top), side / Alphabet::Size};
}

std::optional<std::pair<int, int>> PairHeatMap::pairAt(const QPoint &point) const
{
    const Grid cells = grid();
    if (cells.cell <= 0)
        return std::nullopt;
    const int column = int(std::floor((point.x() - cells.origin.x()) / cells.cell));
    const int row = int(std::floor((point.y() - cells.origin.y()) / cells.cell));
    if (row < 0 || row >= Alphabet::Size || column < 0 || column >= Alphabet::Size)
        return std::nullopt;
    return std::make_pair(row, column);
}

QString PairHeatMap::pairText(int first, int second) const
{
    const qint64 count = countAt(first, second);
    return QStringLiteral("Пара «%1%2»: %3 из %4 (%5)")
        .arg(keyFileSymbolText(first), keyFileSymbolText(second))
        .arg(count)
        .arg(m_total)
        .arg(percentOf(count, m_total));
}

void PairHeatMap::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QFontMetrics metrics(font());
    painter.setPen(palette().text().color());
    painter.drawText(QRect(0, 0, width(), metrics.height() + 2), Qt::AlignCenter,
                     QStringLiteral("%1: пар %2").arg(m_title).arg(m_total));
    const Grid cells = grid();
    if (cells.cell <= 0)
        return;
    QFont small = font();
    small.setPointSizeF(std::max(6.0, std::min(small.pointSizeF(), cells.cell * 0.6)));
    painter.setFont(small);
    for (int i = 0; i < Alphabet::Size; ++i) {
        const QString symbol = keyFileSymbolText(i);
        painter.drawText(QRectF(cells.origin.x() + i * cells.cell, cells.origin.y() - cells.cell - 2, cells.cell,
                                cells.cell),
                         Qt::AlignCenter, symbol);
        painter.drawText(QRectF(0, cells.origin.y() + i * cells.cell, cells.origin.x() - 2, cells.cell),
                         Qt::AlignCenter, symbol);
    }
    for (int first = 0; first < Alphabet::Size; ++first) {
        for (int second = 0; second < Alphabet::Size; ++second) {
            const qint64 count = countAt(first, second);
            const double shade = m_largest > 0 ? std::sqrt(double(count) / double(m_largest)) : 0;
            // White for none, through orange to dark red for the most frequent.
            const QColor color = QColor::fromHsvF(0.05 - 0.05 * shade, count > 0 ? 0.15 + 0.85 * shade : 0,
                                                  1.0 - 0.45 * shade);
            painter.fillRect(QRectF(cells.origin.x() + second * cells.cell, cells.origin.y() + first * cells.cell,
                                    cells.cell, cells.cell),
                             color);
        }
    }
    painter.setPen(palette().mid().color());
    painter.drawRect(QRectF(cells.origin, QSizeF(cells.cell * Alphabet::Size, cells.cell * Alphabet::Size)));
}

bool PairHeatMap::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        if (const auto pair = pairAt(help->pos()))
            QToolTip::showText(help->globalPos(), pairText(pair->first, pair->second), this);
        else
            QToolTip::showText(help->globalPos(), accessibleDescription(), this);
        return true;
    }
    return QWidget::event(event);
}
