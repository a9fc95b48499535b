// The pairs of symbols a digraphic cipher enciphers: each line's alphabet
// symbols taken two at a time from its first, the characters the ciphers copy
// skipped, a line's odd last symbol left without a pair. Counted line by
// line in a fixed table, so a text of any size takes the same memory.
#pragma once

#include "alphabet.h"
#include "textencoding.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <vector>

constexpr int PairCount = Alphabet::Size * Alphabet::Size;

struct PairCounts
{
    // The pair (first, second) at first * Alphabet::Size + second, both
    // numbered as Alphabet numbers them.
    std::array<qint64, PairCount> counts {};

    qint64 at(int first, int second) const { return counts[std::size_t(first * Alphabet::Size + second)]; }
    qint64 total() const;
};

class PairCounter
{
public:
    // bytes (TextEncoding::byteDecoding), when given, enables addBytes for
    // that single-byte encoding.
    explicit PairCounter(const ByteDecoding *bytes = nullptr);

    // One whole line, without its line end: its pairs start afresh.
    void addLine(QStringView line);
    void addBytes(const char *data, int size);

    const PairCounts &counts() const { return m_counts; }

private:
    static constexpr quint16 NoPair = 0xFFFF;

    std::array<std::int8_t, 256> m_symbolOfByte {};
    // The pair of two bytes, the first in the low half of the index, or
    // NoPair when either is no symbol: 128 KiB, built for addBytes only.
    std::vector<quint16> m_pairOfBytes;
    PairCounts m_counts;
};

// A pair as the reports write it: "О␣", the space as ␣ (U+2423), so that a
// pair with a space still reads as two symbols.
QString pairLabel(int first, int second);

struct FrequentPair
{
    int first = 0;
    int second = 0;
    qint64 count = 0;
    double share = 0;
};

// The reports list this many of the most frequent pairs.
constexpr int ShownPairs = 10;

struct PairMeasures
{
    qint64 total = 0;
    // sum n(n-1) / (N(N-1)) over the 1024 pairs, as frequencies measure it;
    // 0 below two pairs.
    double ioc = 0;
    // ioc times the number of pairs: about 1 for pairs drawn uniformly, so
    // that it reads as "so many times more coincidences than chance".
    double normalizedIoc = 0;
    qint64 doubled = 0; // pairs of one symbol twice: ОО, ␣␣
    // The most frequent pairs, at most ShownPairs, seen ones only: by count,
    // equal counts in the alphabet's order of the first symbol, then the second.
    std::vector<FrequentPair> mostFrequent;
};

PairMeasures measurePairs(const PairCounts &counts);
