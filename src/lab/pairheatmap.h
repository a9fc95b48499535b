// A 32 × 32 heat map of the pairs of a text: the row is the pair's first
// symbol, the column its second, the darker the more often the pair occurs.
// The square root of the share sets the shade, so that rare pairs still show
// beside the few that a Russian text repeats most. A cell's tooltip gives its
// count.
#pragma once

#include "alphabet.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <utility>

class PairHeatMap : public QWidget
{
    Q_OBJECT

public:
    // A count for each pair, at first · 32 + second, as the statistics
    // library counts them.
    using Table = std::array<qint64, Alphabet::Size * Alphabet::Size>;

    explicit PairHeatMap(const QString &title, QWidget *parent = nullptr);

    void setCounts(const Table &counts);
    qint64 countAt(int first, int second) const { return m_counts[std::size_t(first * Alphabet::Size + second)]; }
    qint64 total() const { return m_total; }
    // The pair under a point of the widget: first and second symbol.
    std::optional<std::pair<int, int>> pairAt(const QPoint &point) const;
    // What the tooltip says of a pair.
    QString pairText(int first, int second) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    // The grid's square: where it starts and each cell's side.
    struct Grid
    {
        QPointF origin;
        qreal cell = 0;
    };
    Grid grid() const;

    QString m_title;
    Table m_counts {};
    qint64 m_total = 0;
    qint64 m_largest = 0;
};
