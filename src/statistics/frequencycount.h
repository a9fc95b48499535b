// Counting the symbols of a plaintext or the codes of a ciphertext, line by
// line, so that a text of any size is read in memory bounded by its longest
// line. Lines come without their line endings.
#pragma once

#include "homophonic.h"
#include "textencoding.h"

#include <QStringList>
#include <QStringView>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class SymbolCipher;

struct FrequencyCounts
{
    enum class Kind { Symbols, Codes };

    Kind kind = Kind::Symbols;
    QStringList labels;         // the table's symbols in table order, or "00" to "99"
    std::vector<qint64> counts; // one per label
    qint64 other = 0;           // characters outside the labels

    qint64 total() const; // of the labels, without other
};

// Plaintext: the table's symbols after the upper-casing that encryption
// applies; everything else is other (a surrogate pair is one character).
class SymbolCounter
{
public:
    // bytes (TextEncoding::byteDecoding), when given, enables addBytes for
    // that single-byte encoding.
    explicit SymbolCounter(const KeyTable &table, const ByteDecoding *bytes = nullptr);

    void addLine(QStringView line);
    void addBytes(const char *data, int size);

    FrequencyCounts counts() const;

private:
    static constexpr int Other = 32;
    static constexpr int LowSurrogate = 33;

    QStringList m_labels;
    std::vector<quint8> m_classOfUnit; // row, Other or LowSurrogate, per UTF-16 unit
    std::array<quint8, 256> m_classOfByte {};
    std::array<qint64, 34> m_counts {};
    qint64 m_surrogatePairs = 0;
};

// Ciphertext, read the way decryption reads it: each two-digit code 00 to 99
// whatever the key; the characters that decryption copies are other.
class CodeCounter
{
public:
    explicit CodeCounter(const ByteDecoding *bytes = nullptr);

    void addLine(QStringView line);
    void addBytes(const char *data, int size);

    FrequencyCounts counts() const;

private:
    const ByteDecoding *m_bytes;
    std::array<qint64, 100> m_counts {};
    qint64 m_other = 0;
};

// The one rule for "this is ciphertext", for analyze's guess and for what
// crack accepts: at least half of its tokens (separated by spaces and line
// ends) are two ASCII digits. Half, not nearly all: a ciphertext keeps every
// character outside the table (punctuation, Й, Ё, Latin, digits) as a token
// of its own, and the attack reads such texts well; while prose has hardly a
// two-digit number among its words.
class CodeTokenTally
{
public:
    static constexpr int MinCodePercent = 50;

    void addLine(QStringView line);
    void addBytes(const char *data, int size);
    // A whole text, split into lines as the tool splits them.
    void addText(QStringView text);

    qint64 tokens() const { return m_tokens; }
    qint64 codeTokens() const { return m_codeTokens; }
    double codeShare() const; // 0 without tokens
    bool looksLikeCipher() const;

private:
    template <typename UnitAt>
    void add(int length, const UnitAt &unitAt);

    qint64 m_tokens = 0;
    qint64 m_codeTokens = 0;
};

enum class TextKind { Plain, Cipher };

// A whole text read as plaintext, as ciphertext, or, without a kind, both at
// once with the guess picking one at the end.
class FrequencyAnalysis
{
public:
    enum class Reading { Plain, Cipher, Guess };

    FrequencyAnalysis(Reading reading, const KeyTable &table, const ByteDecoding *bytes = nullptr);

    void addLine(QStringView line);
    void addBytes(const char *data, int size); // needs bytes at construction

    TextKind kind() const; // as given, or as guessed
    bool guessed() const { return m_reading == Reading::Guess; }
    const CodeTokenTally &tally() const { return m_tally; }
    FrequencyCounts counts() const; // of kind()

private:
    Reading m_reading;
    SymbolCounter m_symbols;
    CodeCounter m_codes;
    CodeTokenTally m_tally;
};

// Encrypts one line of plaintext, appending the ciphertext to out.
using LineEncryption = std::function<void(QStringView line, QString &out)>;

// Encryption as the command-line tool does it: with table's codes, the
// counters starting afresh on every line.
LineEncryption homophonicLineEncryption(const KeyTable &table, int alphabetCount);
// Encryption with random homophones from choice; table and choice must
// outlive the function.
LineEncryption randomLineEncryption(const KeyTable &table, int alphabetCount, RandomCodeChoice &choice);
// Encryption with a symbol cipher as the tool does it: the key runs on from
// line to line through the whole text. cipher must outlive the function.
LineEncryption symbolLineEncryption(const SymbolCipher &cipher);

// A plaintext and its ciphertext, encrypted in memory line by line. The
// ciphertext is counted as its cipher writes it: as codes (homophonic
// substitution) or as the table's symbols (every other family).
class SideBySideAnalysis
{
public:
    SideBySideAnalysis(const KeyTable &table, LineEncryption encrypt,
                       FrequencyCounts::Kind cipherKind = FrequencyCounts::Kind::Codes);

    void addLine(QStringView line);

    FrequencyCounts plainCounts() const { return m_symbols.counts(); }
    FrequencyCounts cipherCounts() const { return m_cipherSymbols ? m_cipherSymbols->counts() : m_codes.counts(); }
    // The ciphertext of the line added last.
    QStringView cipherLine() const { return m_cipherLine; }

private:
    LineEncryption m_encrypt;
    SymbolCounter m_symbols;
    CodeCounter m_codes;
    std::unique_ptr<SymbolCounter> m_cipherSymbols;
    QString m_cipherLine; // reused, like the tool's line buffers
};
