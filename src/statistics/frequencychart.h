// The bar chart of symbol and code shares as an SVG picture, 900 by 500
// (taller for more than two panels).
#pragma once

#include "frequencycount.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The plaintext's symbols in table order (the space first) and, when given,
// the ciphertext's codes 00 to 99 (or its symbols, for a family that writes
// symbols) below them on the same vertical scale; either may be left out. Each panel's caption carries its total, index of
// coincidence, entropy and peak. Empty when both are null.
QByteArray frequencyChartSvg(const FrequencyCounts *plain, const FrequencyCounts *cipher);

// Any number of panels, one below another on one vertical scale, each
// captioned with its name and measures, under title: one text under several
// keys, for instance.
struct ChartPanel
{
    const FrequencyCounts *counts;
    QString name;
};
QByteArray frequencyChartSvg(const std::vector<ChartPanel> &panels, const QString &title);
