// The statistics as text for people (Russian, 80 columns) and as JSON for
// scripts. The front end writes what these return.
#pragma once

#include "frequencycount.h"
#include "pairstatistics.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// A number with a decimal comma, as Russian text writes it.
QString decimalText(double value, int decimals);

// A share as a percentage with a decimal comma: "17,52 %".
QString percentText(double share, int decimals);

// How a label is shown: the space as "пробел".
QString displayLabel(const QString &label);

// One text's table, sorted by count, with bars, and its measures under it.
QString frequencyTextReport(const FrequencyCounts &counts);

// A plaintext's table beside its ciphertext's, bars on one scale, and the
// measures of both in two columns. The ciphertext may be codes or symbols.
QString sideBySideTextReport(const FrequencyCounts &plain, const FrequencyCounts &cipher);

// One line on how the text was taken and why, for a guessed reading.
QString guessStatement(const CodeTokenTally &tally);

// {"plain": {...}, "cipher": {...}}, each part only when given; each holds
// total, other, counts (only the symbols or codes seen), ioc, entropy,
// maxEntropy and peak, and "pairs" (pairJson) when its pairs are given.
// periods, when not empty, goes in as "periods".
QByteArray frequencyJson(const FrequencyCounts *plain, const FrequencyCounts *cipher,
                         const QJsonObject &periods = QJsonObject(), const PairCounts *plainPairs = nullptr,
                         const PairCounts *cipherPairs = nullptr);
