// What a ciphertext of several alphabets shows of its period, before any
// key is tried: Friedman's index of coincidence, column by column for each
// assumed period, and Kasiski's examination of repeated sequences. Symbols
// are the alphabet's indices (Alphabet::indicesOf), the characters the
// ciphers copy left out, as the key stream leaves them out.
#pragma once

#include "alphabet.h"
#include "frequencycount.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

using SymbolSequence = std::vector<std::int8_t>;

// The index of coincidence of Russian prose over the 32 symbols: the sum of
// the squared shares of the built-in model's corpus (fortunes-ru, 1.76
// million symbols; the paragraphs of the Debian FAQ in Russian give 0.063).
// A text of one alphabet, or a column of a polyalphabetic text taken at its
// period, comes near it.
constexpr double RussianCoincidence = 0.0629;
// Every symbol equally likely: what a column mixing many alphabets tends to.
constexpr double RandomCoincidence = 1.0 / Alphabet::Size;
// The periods a lesson looks at.
constexpr int MaxExaminedPeriod = 30;

// The chance that two symbols drawn without replacement are equal:
// sum n(n-1) / (N(N-1)); 0 for fewer than two symbols.
double indexOfCoincidence(const SymbolSequence &symbols);

struct PeriodCoincidence
{
    int period = 0;
    // The mean of the columns' indices: symbols 0, p, 2p, ... form the first
    // column, 1, p + 1, ... the second.
    double meanCoincidence = 0;
    int shortestColumn = 0; // symbols in the shortest column
};

// Periods 1 to maxPeriod, as long as every column holds two symbols.
std::vector<PeriodCoincidence> coincidenceByPeriod(const SymbolSequence &symbols, int maxPeriod = MaxExaminedPeriod);

// The smallest period whose columns read as one alphabet each: their mean
// index lies at least CoincidenceThreshold of the way from random text to
// Russian. 0 when no period does. Its multiples read so as well, hence the
// smallest.
constexpr double CoincidenceThreshold = 0.7;
int coincidencePeriod(const std::vector<PeriodCoincidence> &byPeriod);

// The symbols of each column at a period, counted in the alphabet's order:
// column c holds symbols c, c + period, c + 2 period, ... Under a periodic
// key each column is one alphabet, Russian's profile shifted. Empty for a
// period below 1.
std::vector<FrequencyCounts> columnCounts(const SymbolSequence &symbols, int period);

// A sequence that occurs more than once, with where: under a periodic key the
// same plaintext met at the same place of the key gives the same ciphertext,
// so the distances between such repeats tend to be multiples of the period.
struct RepeatedSequence
{
    QString text;               // the symbols, the space as a space
    std::vector<int> positions; // of its occurrences, in symbols from 0
    std::vector<int> distances; // from each occurrence to the next
};

// How many of the distances a period divides, beside how many it would
// divide by chance (a share of 1/period).
struct PeriodFactor
{
    int period = 0;
    int distances = 0;
    double expected = 0;
};

struct KasiskiExamination
{
    int examinedSymbols = 0; // the text's first, at most MaxKasiskiSymbols
    // The most telling first: the longest (a long repeat by chance is rare),
    // then the most frequent, then the earliest.
    std::vector<RepeatedSequence> repeats;
    int distanceCount = 0; // every distance of every repeat
    std::vector<PeriodFactor> factors; // periods 2 to maxPeriod
};

constexpr int MinRepeatLength = 3;
// Repeats are looked for in a text's start: in a long text every short
// sequence repeats, the table would only grow, and a text pasted many times
// over would take minutes.
constexpr int MaxKasiskiSymbols = 20000;

// Repeats are taken as long as they run: a repeated four-symbol sequence is
// one repeat, not two trigrams. Each occurrence is measured from the one
// before it, so a text of any length gives at most one distance a symbol.
KasiskiExamination examineKasiski(const SymbolSequence &symbols, int maxPeriod = MaxExaminedPeriod,
                                  int minLength = MinRepeatLength);

// The period whose count of distances stands furthest above chance, in
// standard deviations of a binomial count; on a tie the larger. The true
// period's divisors divide the same distances but are expected to divide
// more by chance, and its multiples divide only some. 0 without distances.
int kasiskiPeriod(const KasiskiExamination &examination);
// The period to look at first: the smallest whose columns read as one
// alphabet each, or else Kasiski's; 0 when neither shows one.
int suggestedPeriod(const std::vector<PeriodCoincidence> &byPeriod, const KasiskiExamination &examination);
// That period's distance from chance, in standard deviations.
double kasiskiStrength(const KasiskiExamination &examination, int period);

// The chart of the mean index by period, with the levels of Russian and of
// random text drawn across it and the marked period's bar highlighted (none
// when 0). Empty when byPeriod is.
QByteArray coincidenceChartSvg(const std::vector<PeriodCoincidence> &byPeriod, int markedPeriod = 0);
