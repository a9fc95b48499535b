// RECT_SCHEDULE=name=value,... for the rectangle benchmarks: numbers of
// RectangleSchedule overridden by name, for tuning without a rebuild.
#pragma once

#include "rectangleschedule.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace Cryptanalysis {

inline bool applyScheduleNames(const QString &overrides, RectangleSchedule &schedule)
{
    for (const QString &item : overrides.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = item.section(QLatin1Char('='), 0, 0);
        const double value = item.section(QLatin1Char('='), 1).toDouble();
        if (name == QLatin1String("annealMoves"))
            schedule.annealMoves = int(value);
        else if (name == QLatin1String("playfairStartTemperature"))
            schedule.playfairStartTemperature = value;
        else if (name == QLatin1String("twoSquareStartTemperature"))
            schedule.twoSquareStartTemperature = value;
        else if (name == QLatin1String("endTemperatureShare"))
            schedule.endTemperatureShare = value;
        else if (name == QLatin1String("fullMovesSymbols"))
            schedule.fullMovesSymbols = int(value);
        else if (name == QLatin1String("replicas"))
            schedule.replicas = int(value);
        else if (name == QLatin1String("rowSwapPercent"))
            schedule.rowSwapPercent = int(value);
        else if (name == QLatin1String("columnSwapPercent"))
            schedule.columnSwapPercent = int(value);
        else if (name == QLatin1String("reversalPercent"))
            schedule.reversalPercent = int(value);
        else if (name == QLatin1String("reheatShare"))
            schedule.reheatShare = value;
        else if (name == QLatin1String("settledScorePerSymbol"))
            schedule.settledScorePerSymbol = value;
        else if (name == QLatin1String("settleMoves"))
            schedule.settleMoves = int(value);
        else if (name == QLatin1String("unknownWordNats"))
            schedule.unknownWordNats = value;
        else if (name == QLatin1String("playfairFloorNats"))
            schedule.playfairFloorNats = value;
        else if (name == QLatin1String("twoSquareFloorNats"))
            schedule.twoSquareFloorNats = value;
        else if (name == QLatin1String("confirmations"))
            schedule.confirmations = int(value);
        else {
            std::fprintf(stderr, "unknown schedule number %s\n", qPrintable(name));
            return false;
        }
    }
    return true;
}

} // namespace Cryptanalysis
