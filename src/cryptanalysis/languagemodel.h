// A character n-gram model of Russian over the cipher's 32 symbols, as the
// solver scores candidate decryptions with it.
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <vector>

class QIODevice;

namespace Cryptanalysis {

// Symbols are numbered as the rows of fixedKeyTable: 0 is the space,
// 1 to 31 the capitals. Boundary stands for the start of a run of table
// symbols (a line start, or any character the cipher copies as it stands).
constexpr int SymbolCount = 32;
constexpr int Boundary = 32;
constexpr int HistoryLength = 3;  // the model is of order 4
constexpr int ContextSymbols = SymbolCount + 1;
constexpr int NgramTableSize = ContextSymbols * ContextSymbols * ContextSymbols * SymbolCount;

// The symbol that encryption with the fixed table writes a code of for c
// (SymbolRows), or -1 for a character that it copies.
int symbolOf(QChar c);
QChar characterOf(int symbol);

// Index of the four-gram "a b c d" (a, b, c may be Boundary; d may not).
inline int ngramIndex(int a, int b, int c, int d)
{
    return ((a * ContextSymbols + b) * ContextSymbols + c) * SymbolCount + d;
}

// Four-gram counts of a corpus. Every run of table symbols is counted as if
// preceded by three boundaries, so that the lower orders follow by summing.
class NgramCounts
{
public:
    NgramCounts();

    // Text is upper-cased as encryption does; line ends and characters
    // outside the table break the context.
    void addText(QStringView text);
    // Reads a UTF-8 corpus to its end; false with a Russian reason on a
    // read error or an empty corpus.
    bool addCorpus(QIODevice &device, QString *error);

    // Occurrences of an n-gram of one to four characters, where '|' stands
    // for a boundary: "|АБ" counts the runs that start with "АБ". Unknown
    // characters give 0.
    quint64 count(QStringView ngram) const;
    quint64 symbolTotal() const { return m_symbolTotal; }
    // How often each symbol occurs, exactly (the four-gram slots saturate).
    const std::array<quint64, SymbolCount> &symbolCounts() const { return m_symbolCounts; }

    const std::vector<quint32> &fourGrams() const { return m_counts; }

private:
    std::vector<quint32> m_counts;
    std::array<quint64, SymbolCount> m_symbolCounts {};
    quint64 m_symbolTotal = 0;
    quint64 m_letterTotal = 0;
};

// Scaled natural-log conditional probabilities log P(d | a b c), smoothed by
// Witten-Bell interpolation down to the unigrams: every score is from -32768
// to 0, and a model file with a score above 0 is refused.
class LanguageModel
{
public:
    // One unit of score is 1/Scale of a nat.
    static constexpr int Scale = 1000;

    LanguageModel() = default;
    static LanguageModel fromCounts(const NgramCounts &counts);

    bool isValid() const { return !m_scores.empty(); }

    int score(int a, int b, int c, int d) const { return m_scores[ngramIndex(a, b, c, d)]; }
    const std::int16_t *scores() const { return m_scores.data(); }

    // How often each symbol occurred in the corpus the model was built from:
    // the frequencies of Russian text, for keys that deal codes in proportion.
    std::array<quint64, SymbolCount> symbolCounts() const { return m_symbolCounts; }

    // Average log-probability per symbol, in nats, of a text read as
    // encryption reads it (characters outside the table break the context).
    double averageScore(QStringView text) const;

    // The file format, little-endian:
    //   8 bytes  magic "HOMLM\0\0\0"
    //   4 bytes  version (2)
    //   4 bytes  symbols (32), 4 bytes order (4), 4 bytes scale (1000)
    //   4 bytes  entry count (33 * 33 * 33 * 32)
    //   entries  signed 16-bit scores, index ((a*33 + b)*33 + c)*32 + d
    //   32 * 8 bytes  unsigned counts of the symbols in the corpus
    //   32 bytes SHA-256 of everything before it
    bool save(const QString &path, QString *error) const;
    bool write(QIODevice &device, QString *error) const;
    bool load(const QString &path, QString *error);
    bool read(QIODevice &device, QString *error);

    // The model built from fortunes-ru, compiled into the program.
    static QString builtInPath();
    bool loadBuiltIn(QString *error);

private:
    std::vector<std::int16_t> m_scores;
    std::array<quint64, SymbolCount> m_symbolCounts {};
};

} // namespace Cryptanalysis
