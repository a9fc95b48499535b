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
    if (!bytes)
        return;
    for (int byte = 0; byte < 256; ++byte)
        m_symbolOfByte[std::size_t(byte)] = std::int8_t(Alphabet::indexOf((*bytes)[std::size_t(byte)]));
    m_pairOfBytes.assign(0x10000, NoPair);
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const int a = m_symbolOfByte[std::size_t(first)];
            const int b = m_symbolOfByte[std::size_t(second)];
            if (a >= 0 && b >= 0)
                m_pairOfBytes[std::size_t(first | second << 8)] = quint16(a * Alphabet::Size + b);
        }
    }
}

void PairCounter::addLine(QStringView line)
{
    const QChar *text = line.data();
    countPairs(int(line.size()), [text](int i) { return Alphabet::indexOf(text[i].unicode()); }, m_counts);
}

void PairCounter::addBytes(const char *data, int size)
{
    // The route of a whole Windows-1251 file. Prose is mostly symbols, so two
    // bytes at a time are looked up as one pair; only where one of them is
    // no symbol is the line walked a byte at a time to the next symbol.
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    qint64 *cells = m_counts.counts.data();
    int i = 0;
    for (;;) {
        while (i + 1 < size) {
            const quint16 pair = m_pairOfBytes[std::size_t(bytes[i] | bytes[i + 1] << 8)];
            if (pair == NoPair)
                break;
            ++cells[pair];
            i += 2;
        }
        if (i + 1 >= size)
            return;
        const int first = m_symbolOfByte[bytes[i]];
        if (first < 0) {
            ++i;
            continue;
        }
        int second = i + 2;
        while (second < size && m_symbolOfByte[bytes[second]] < 0)
            ++second;
        if (second >= size)
            return;
        ++cells[first * Alphabet::Size + m_symbolOfByte[bytes[second]]];
        i = second + 1;
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
