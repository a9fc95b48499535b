// What a ciphertext shows before any key is tried, as the identification
// of its family reads it: coincidences of symbols, of the columns at the
// best period and of the autokey's columns, of pairs and triples as block
// ciphers cut lines and beside that, doubled pairs, lines' counts, and how
// well the best Hill row reads the blocks as Russian.
#pragma once

#include "familyidentification.h"
#include "periodicity.h"

#include <QStringView>

#include <array>
#include <vector>

namespace Cryptanalysis {

class LanguageModel;

// Coincidences: how many of the pairs of values drawn from a set are equal.
struct Coincidences
{
    double same = 0;
    double pairs = 0;

    double index() const { return pairs > 0 ? same / pairs : 0; }
    void addCounts(const std::vector<int> &counts, int total)
    {
        for (const int count : counts)
            same += double(count) * (count - 1) / 2;
        pairs += double(total) * (total - 1) / 2;
    }
};

using SymbolLines = std::vector<SymbolSequence>;

// The mean and spread of a symbol's log-share, for Russian text and for
// symbols drawn evenly.
struct ShareMoments
{
    double russianMean = 0, russianDeviation = 0;
    double evenMean = 0, evenDeviation = 0;
};

// Everything the hypotheses are judged on.
struct Observations
{
    SymbolSequence symbols;
    SymbolLines lines;
    Coincidences single;
    int period = 0; // the best of 2 to the longest, 0 when the text is too short
    Coincidences periodic;
    int autokeyLength = 0;
    Coincidences autokey;
    Coincidences pairs, pairsShifted, triples, triplesShifted;
    Coincidences pairsLow;
    double rowFit2 = 0, rowFit3 = 0;
    int blocks2 = 0, blocks3 = 0;
    ShareMoments moments;
    int alignedPairs = 0;
    int doubles = 0;
    int oddLines = 0;
    int linesOffThree = 0;
};

// The log of each symbol's share in the model's corpus (with one added to
// every count, so that none is minus infinity).
std::array<double, Alphabet::Size> logShares(const LanguageModel &model);

Observations observe(QStringView text, const LanguageModel &model, const IdentificationSettings &settings);

} // namespace Cryptanalysis
