// The bar chart of symbol and code shares as an SVG picture, 900 by 500.
#pragma once

#include "frequencycount.h"

#include <QByteArray>

// The plaintext's symbols in table order (the space first) and, when given,
// the ciphertext's codes 00 to 99 below them on the same vertical scale; either
// may be left out. Each panel's caption carries its total, index of
// coincidence, entropy and peak. Empty when both are null.
QByteArray frequencyChartSvg(const FrequencyCounts *plain, const FrequencyCounts *cipher);
