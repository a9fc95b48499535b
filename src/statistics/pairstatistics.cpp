#include "pairstatistics.h"

#include "frequencycount.h"
#include "frequencymeasures.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr QChar ShownSpace(0x2423);

// Pairs one line's symbols; symbolAt gives the alphabet index of each unit,
// or -1 for a character the ciphers copy.
template <typename SymbolAt>
void countPairs(int length, const SymbolAt &symbolAt, PairCounts &pairs)
{
    int first = -1;
    for (int i = 0; i < length; ++i) {
        const int symbol = symbolAt(i);
        if (symbol < 0)
            continue;
        if (first < 0) {
            first = symbol;
        } else {
            ++pairs.counts[std::size_t(first * Alphabet::Size + symbol)];
            first = -1;
        }
    }
}

// The pairs as frequencies of 1024 labels, so that their index of
// coincidence is the one rule every frequency table is measured by.
FrequencyCounts pairFrequencies(const PairCounts &pairs)
{
    FrequencyCounts frequencies;
    frequencies.labels.reserve(PairCount);
    for (int first = 0; first < Alphabet::Size; ++first) {
        for (int second = 0; second < Alphabet::Size; ++second)
            frequencies.labels.append(QString(Alphabet::symbol(first)) + Alphabet::symbol(second));
    }
    frequencies.counts.assign(pairs.counts.begin(), pairs.counts.end());
    return frequencies;
}

} // namespace

qint64 PairCounts::total() const
{
    return std::accumulate(counts.begin(), counts.end(), qint64(0));
}

PairCounter::PairCounter(const ByteDecoding *bytes)
{
    m_symbolOfByte.fill(-1);
    if (bytes) {
        for (int byte = 0; byte < 256; ++byte)
            m_symbolOfByte[std::size_t(byte)] = std::int8_t(Alphabet::indexOf((*bytes)[std::size_t(byte)]));
    }
}

void PairCounter::addLine(QStringView line)
{
    const QChar *text = line.data();
    countPairs(int(line.size()), [text](int i) { return Alphabet::indexOf(text[i].unicode()); }, m_counts);
}

void PairCounter::addBytes(const char *data, int size)
{
    // This is the route of a whole Windows-1251 file. The line's symbols are
    // first gathered a block at a time without a branch on the text (a
    // branch would mispredict at every character outside the alphabet), and
    // then taken two by two; an odd symbol waits for the next block.
    constexpr int Block = 4096;
    std::array<std::uint8_t, Block + 1> symbols;
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    int gathered = 0;
    for (int start = 0; start < size; start += Block) {
        const int end = std::min(size, start + Block);
        for (int i = start; i < end; ++i) {
            const std::int8_t symbol = m_symbolOfByte[bytes[i]];
            symbols[std::size_t(gathered)] = std::uint8_t(symbol);
            gathered += symbol >= 0;
        }
        for (int i = 0; i + 1 < gathered; i += 2)
            ++m_counts.counts[std::size_t(symbols[std::size_t(i)] * Alphabet::Size + symbols[std::size_t(i) + 1])];
        if (gathered % 2 == 1)
            symbols[0] = symbols[std::size_t(gathered) - 1];
        gathered %= 2;
    }
}

QString pairLabel(int first, int second)
{
    const auto shown = [](int symbol) {
        const QChar c = Alphabet::symbol(symbol);
        return c == QLatin1Char(' ') ? ShownSpace : c;
    };
    return QString(shown(first)) + shown(second);
}

PairMeasures measurePairs(const PairCounts &counts)
{
    const FrequencyMeasures frequencies = measureFrequencies(pairFrequencies(counts));
    PairMeasures measures;
    measures.total = frequencies.total;
    measures.ioc = frequencies.ioc;
    measures.normalizedIoc = frequencies.ioc * PairCount;
    for (int symbol = 0; symbol < Alphabet::Size; ++symbol)
        measures.doubled += counts.at(symbol, symbol);

    std::vector<int> seen;
    for (int pair = 0; pair < PairCount; ++pair) {
        if (counts.counts[std::size_t(pair)] > 0)
            seen.push_back(pair);
    }
    std::stable_sort(seen.begin(), seen.end(), [&](int a, int b) {
        return counts.counts[std::size_t(a)] > counts.counts[std::size_t(b)];
    });
    for (std::size_t i = 0; i < seen.size() && int(i) < ShownPairs; ++i) {
        const qint64 count = counts.counts[std::size_t(seen[i])];
        measures.mostFrequent.push_back(
            { seen[i] / Alphabet::Size, seen[i] % Alphabet::Size, count, shareOf(count, measures.total) });
    }
    return measures;
}
