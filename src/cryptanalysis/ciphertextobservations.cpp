#include "ciphertextobservations.h"

#include "frequencycount.h"
#include "languagemodel.h"
#include "lineend.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Cryptanalysis {

namespace {

SymbolLines symbolLines(QStringView text)
{
    SymbolLines lines;
    const auto *begin = reinterpret_cast<const char16_t *>(text.utf16());
    forEachLine(begin, begin + text.size(), [&lines](const char16_t *from, const char16_t *to, LineEnding) {
        SymbolSequence symbols = Alphabet::indicesOf(QStringView(from, to - from));
        if (!symbols.empty())
            lines.push_back(std::move(symbols));
    });
    return lines;
}

// Blocks of n symbols as a block cipher cuts a line, from its symbol offset
// on, each block read as one number.
Coincidences blockCoincidences(const SymbolLines &lines, int n, int offset, int modulus = Alphabet::Size)
{
    int values = 1;
    for (int i = 0; i < n; ++i)
        values *= modulus;
    std::vector<int> counts(std::size_t(values), 0);
    int total = 0;
    for (const SymbolSequence &line : lines) {
        for (std::size_t at = std::size_t(offset); at + std::size_t(n) <= line.size(); at += std::size_t(n)) {
            int value = 0;
            for (int i = 0; i < n; ++i)
                value = value * modulus + line[at + std::size_t(i)] % modulus;
            ++counts[std::size_t(value)];
            ++total;
        }
    }
    Coincidences result;
    result.addCounts(counts, total);
    return result;
}

Coincidences symbolCoincidences(const std::vector<FrequencyCounts> &groups)
{
    Coincidences result;
    for (const FrequencyCounts &group : groups) {
        std::vector<int> counts(group.counts.begin(), group.counts.end());
        result.addCounts(counts, int(group.total()));
    }
    return result;
}

// The autokey's c = p + p' (p' the plaintext a keyword's length back) taken
// off: in column j the alternating sums Q_m = C_m - Q_(m-1) are the
// plaintext shifted by +k or -k by the parity of m, so each (column,
// parity) group reads as one alphabet.
std::vector<FrequencyCounts> autokeyGroups(const SymbolSequence &symbols, int length)
{
    FrequencyCounts empty;
    empty.counts.assign(Alphabet::Size, 0);
    std::vector<FrequencyCounts> groups(std::size_t(2 * length), empty);
    std::vector<int> previous(std::size_t(length), 0);
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const std::size_t column = i % std::size_t(length);
        const int m = int(i / std::size_t(length));
        const int sum = (symbols[i] - previous[column]) & (Alphabet::Size - 1);
        previous[column] = sum;
        ++groups[2 * column + std::size_t(m % 2)].counts[std::size_t(sum)];
    }
    return groups;
}

// Hill's rows: each row of the inverse matrix deciphers the blocks to one
// of their plaintext symbols, so one of the rows (those with an odd entry)
// reads the blocks as a column of Russian. The best mean log-share of the
// symbols a row gives, over every row.
double bestRowFit(const SymbolLines &lines, int n, const std::array<double, Alphabet::Size> &logShare)
{
    std::vector<std::array<int, 3>> blocks;
    for (const SymbolSequence &line : lines) {
        for (std::size_t at = 0; at + std::size_t(n) <= line.size(); at += std::size_t(n)) {
            std::array<int, 3> block {};
            for (int i = 0; i < n; ++i)
                block[std::size_t(i)] = line[at + std::size_t(i)];
            blocks.push_back(block);
        }
    }
    if (blocks.empty())
        return 0;
    const int rows = n == 2 ? Alphabet::Size * Alphabet::Size : Alphabet::Size * Alphabet::Size * Alphabet::Size;
    double best = -std::numeric_limits<double>::infinity();
    for (int row = 0; row < rows; ++row) {
        const int a = row % Alphabet::Size, b = row / Alphabet::Size % Alphabet::Size, c = row / (Alphabet::Size * Alphabet::Size);
        if (((a | b | c) & 1) == 0)
            continue;
        double sum = 0;
        for (const std::array<int, 3> &block : blocks)
            sum += logShare[std::size_t((a * block[0] + b * block[1] + c * block[2]) & (Alphabet::Size - 1))];
        best = std::max(best, sum);
    }
    return best / double(blocks.size());
}



ShareMoments shareMoments(const LanguageModel &model)
{
    const std::array<double, Alphabet::Size> logShare = logShares(model);
    ShareMoments moments;
    for (const double l : logShare) {
        moments.russianMean += std::exp(l) * l;
        moments.evenMean += l / Alphabet::Size;
    }
    for (const double l : logShare) {
        moments.russianDeviation += std::exp(l) * (l - moments.russianMean) * (l - moments.russianMean);
        moments.evenDeviation += (l - moments.evenMean) * (l - moments.evenMean) / Alphabet::Size;
    }
    moments.russianDeviation = std::sqrt(moments.russianDeviation);
    moments.evenDeviation = std::sqrt(moments.evenDeviation);
    return moments;
}



// How much likelier a count of coincidences is at Russian's index than at
// the level of the whole text: columns at the true period gain the most,
// its divisors mix alphabets and its multiples count fewer pairs.
double readsAsOneAlphabet(const Coincidences &columns, double level)
{
    const double russian = columns.pairs * RussianCoincidence;
    const double mixed = std::max(columns.pairs * level, 1e-3);
    return (columns.same - russian) * (russian - columns.same) / (2 * russian)
        - (columns.same - mixed) * (mixed - columns.same) / (2 * mixed) - 0.5 * std::log(russian / mixed);
}

int bestPeriod(const SymbolSequence &symbols, double single, const IdentificationSettings &settings)
{
    const int longest = std::min(settings.maxPeriod, int(symbols.size()) / settings.minColumnSymbols);
    int best = 0;
    double bestGain = 0;
    for (int period = 2; period <= longest; ++period) {
        const double gain = readsAsOneAlphabet(symbolCoincidences(columnCounts(symbols, period)), single);
        if (best == 0 || gain > bestGain) {
            best = period;
            bestGain = gain;
        }
    }
    return best;
}

void observeAutokey(Observations &seen, const IdentificationSettings &settings)
{
    const int longest = std::min(settings.maxPeriod, int(seen.symbols.size()) / (2 * settings.minColumnSymbols));
    for (int length = 1; length <= longest; ++length) {
        const Coincidences found = symbolCoincidences(autokeyGroups(seen.symbols, length));
        if (seen.autokeyLength == 0
            || readsAsOneAlphabet(found, RandomCoincidence) > readsAsOneAlphabet(seen.autokey, RandomCoincidence)) {
            seen.autokeyLength = length;
            seen.autokey = found;
        }
    }
}

} // namespace

std::array<double, Alphabet::Size> logShares(const LanguageModel &model)
{
    std::array<double, Alphabet::Size> logShare {};
    const std::array<quint64, SymbolCount> counts = model.symbolCounts();
    double total = 0;
    for (const quint64 count : counts)
        total += double(count) + 1;
    for (int s = 0; s < Alphabet::Size; ++s)
        logShare[std::size_t(s)] = std::log((double(counts[std::size_t(s)]) + 1) / total);
    return logShare;
}

Observations observe(QStringView text, const LanguageModel &model, const IdentificationSettings &settings)
{
    Observations seen;
    seen.lines = symbolLines(text);
    for (const SymbolSequence &line : seen.lines) {
        seen.symbols.insert(seen.symbols.end(), line.begin(), line.end());
        seen.oddLines += line.size() % 2;
        seen.linesOffThree += line.size() % 3 != 0;
        for (std::size_t at = 0; at + 1 < line.size(); at += 2) {
            ++seen.alignedPairs;
            seen.doubles += line[at] == line[at + 1];
        }
    }
    seen.single = symbolCoincidences(columnCounts(seen.symbols, 1));
    seen.period = bestPeriod(seen.symbols, seen.single.index(), settings);
    if (seen.period > 0)
        seen.periodic = symbolCoincidences(columnCounts(seen.symbols, seen.period));
    observeAutokey(seen, settings);
    seen.pairs = blockCoincidences(seen.lines, 2, 0);
    seen.pairsShifted = blockCoincidences(seen.lines, 2, 1);
    seen.triples = blockCoincidences(seen.lines, 3, 0);
    seen.triplesShifted = blockCoincidences(seen.lines, 3, 1);
    const std::array<double, Alphabet::Size> logShare = logShares(model);
    seen.rowFit2 = bestRowFit(seen.lines, 2, logShare);
    seen.rowFit3 = bestRowFit(seen.lines, 3, logShare);
    seen.moments = shareMoments(model);
    seen.blocks2 = seen.alignedPairs;
    for (const SymbolSequence &line : seen.lines)
        seen.blocks3 += int(line.size() / 3);
    seen.pairsLow = blockCoincidences(seen.lines, 2, 0, 8);
    const Coincidences second = blockCoincidences(seen.lines, 3, 2);
    seen.triplesShifted.same += second.same;
    seen.triplesShifted.pairs += second.pairs;
    return seen;
}

} // namespace Cryptanalysis
