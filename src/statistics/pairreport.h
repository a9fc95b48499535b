// The pair statistics as analyze reports them: a short section of the text
// report, a part of the JSON, and the heat map of the 32 × 32 table. A
// plaintext's pairs may stand beside its ciphertext's, on one scale.
#pragma once

#include "pairstatistics.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The pairs' index of coincidence, the doubled pairs and the most frequent
// pairs, one column for each text. Empty when both are null.
QString pairTextReport(const PairCounts *plain, const PairCounts *cipher);

// labels (the rows' and columns' symbols, the space as " "), counts (32 rows
// of 32), total, indexOfCoincidence, normalizedIndexOfCoincidence, doubled and
// mostFrequent (pair, count, share).
QJsonObject pairJson(const PairCounts &counts);

// Rows are the first symbol, columns the second, a cell's colour its share
// of the text's pairs; two maps side by side share one colour scale. Empty
// when both are null.
QByteArray pairChartSvg(const PairCounts *plain, const PairCounts *cipher);
