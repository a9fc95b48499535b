// The homophonic substitution cipher: its table, encryption and decryption.
// Widget-free on purpose: the window, the command-line tool, the tests and
// the benchmarks all link this one implementation.
#pragma once

#include <QRandomGenerator>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

// One row of a key table: a plaintext symbol and its codes, one or more.
struct KeyRow
{
    QString symbol;
    QStringList codes;
};

// A key table: the 32 symbols of the fixed table, each with as many codes as
// the key gives it. Encryption, decryption and every reader take this type.
using KeyTable = std::array<KeyRow, 32>;

// The fixed table (space and 31 Cyrillic capitals, codes i, i+32, i+64),
// made once.
const KeyTable &fixedKeyTable();

// Encrypts one line with the first alphabetCount codes of each row (all of
// a shorter row's), taken in turn from the first for every line. Every output
// token is followed by one space. A key below 1 gives an empty string.
QString encryptHomophonic(const KeyTable &table, const QString &line, int alphabetCount);

// Reads back a line written by encryptHomophonic with the same key: the codes
// that encryption could have used become their symbols. A key below 1 gives
// an empty string.
QString decryptHomophonic(const KeyTable &table, const QString &line, int alphabetCount);

// As the two functions above, appending the result to out: a caller that
// ciphers many lines reuses one buffer instead of allocating one per line.
void appendEncryptedHomophonic(const KeyTable &table, QStringView line, int alphabetCount, QString &out);
void appendDecryptedHomophonic(const KeyTable &table, QStringView line, int alphabetCount, QString &out);

// The window's table: three codes a row and a counter that carries the turn
// of the codes from one call to the next.
struct RowHR
{
    QString symbol;
    std::array<QString, 3> codes;
    // 1-based number of the code last emitted for this symbol; 0 = none yet.
    int counter = 0;
};

using HomophoneTable = std::array<RowHR, 32>;

// Writes the fixed table and resets every counter.
void fillHomophoneTable(HomophoneTable &table);

// The fixed table as the window holds it, filled once, for callers that start
// from a copy.
const HomophoneTable &fixedHomophoneTable();

// The window's table as a key table: its symbols and codes, without counters.
KeyTable keyTableOf(const HomophoneTable &table);

// The window's commands: as above through keyTableOf, with a key of 1 to 3
// (any other gives an empty string). Encryption starts each row's turn from
// its counter and leaves the counters where the line ends, so the table
// should be freshly filled.
QString encryptHomophonic(HomophoneTable &table, const QString &line, int alphabetCount);
QString decryptHomophonic(const HomophoneTable &table, const QString &line, int alphabetCount);

// The row whose codes encryption writes for a UTF-16 unit: the row of its
// upper-case form, or -1 when the unit is copied as it stands. Where two rows
// hold one symbol the first wins, as in a scan of the table. Every reader
// that asks which symbol a character is asks this. A row without codes is
// no row: its symbol is copied.
class SymbolRows
{
public:
    explicit SymbolRows(const KeyTable &table);

    int rowOf(char16_t unit) const
    {
        const char16_t upper = unit < DirectBound ? m_upper[unit] : char16_t(QChar::toUpper(char32_t(unit)));
        if (upper < DirectBound)
            return m_direct[upper];
        for (const auto &other : m_others) {
            if (other.first == upper)
                return other.second;
        }
        return -1;
    }

private:
    // Units below this bound (ASCII, Latin, Greek, Cyrillic) are upper-cased
    // and looked up through arrays; the fixed table's symbols all live there.
    static constexpr char16_t DirectBound = 0x480;
    static const std::array<char16_t, DirectBound> &upperCaseTable();

    const std::array<char16_t, DirectBound> &m_upper;
    std::array<std::int8_t, DirectBound> m_direct;
    std::vector<std::pair<char16_t, int>> m_others;
};

// Where decryption with a key of alphabetCount reads a code 0 to 99: its row
// and column among the first alphabetCount columns, or -1 for both when the
// code stays digits. Where a code occurs twice the first row wins.
struct CodePlace
{
    int row = -1;
    int column = -1;
};
std::array<CodePlace, 100> codePlacesOf(const KeyTable &table, int alphabetCount);

// One unit of a cipher line as decryption reads it.
struct CipherUnit
{
    int code;   // 0 to 99 for a unit of two ASCII digits, otherwise -1
    int begin;  // the unit's characters that decryption copies when no
    int length; // symbol replaces them: [begin, begin + length); may be empty
};

namespace homophonicdetail {

inline bool isAsciiDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

// Encryption copies two decimal digits of any script as one token.
inline bool isDecimalDigit(char16_t unit)
{
    if (unit < 0x80)
        return isAsciiDigit(unit);
    return QChar::category(char32_t(unit)) == QChar::Number_DecimalDigit;
}

inline bool isLetterUnit(char16_t unit)
{
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z')
        || (unit >= 0x0410 && unit <= 0x044F);
}

// QChar::isSpace, without a call into Qt for the scripts below U+1680 (where
// the only spaces are these): decryption and code counting test every unit of
// a plaintext read as ciphertext.
inline bool isSpaceUnit(char16_t unit)
{
    if (unit < 0x1680)
        return unit == u' ' || (unit >= 0x09 && unit <= 0x0D) || unit == 0x85 || unit == 0xA0;
    return QChar::isSpace(char32_t(unit));
}

} // namespace homophonicdetail

// Walks a cipher line of length UTF-16 units the way appendDecryptedHomophonic
// reads it, calling visit(const CipherUnit &) for each unit in order.
// unitAt(i) gives the line's i-th unit, so that the bytes of a single-byte
// encoding can be walked without decoding the line first. A template, so that
// decryption pays nothing for sharing it.
template <typename UnitAt, typename Visit>
void forEachCipherUnit(int length, const UnitAt &unitAt, Visit &&visit)
{
    using homophonicdetail::isAsciiDigit;
    // The line is read in units of two characters; a unit is followed by
    // its separator space unless it is a letter copied as it stands.
    int pos = 0;
    while (pos < length) {
        const int unitLength = qMin(2, length - pos);
        if (Q_LIKELY(unitLength == 2)) {
            const char16_t first = unitAt(pos);
            const char16_t second = unitAt(pos + 1);
            if (Q_LIKELY(isAsciiDigit(first) && isAsciiDigit(second))) {
                visit(CipherUnit { (first - u'0') * 10 + (second - u'0'), pos, 2 });
                pos += 3;
                continue;
            }
            if (first != u' ' && second == u' ') {
                // One copied character and its separator. Taken as it
                // stands, so a tab survives, and without eating into the
                // next token.
                visit(CipherUnit { -1, pos, 1 });
                pos += 2;
                continue;
            }
            if (homophonicdetail::isLetterUnit(first) && homophonicdetail::isLetterUnit(second)) {
                // Two letters copied as they stand: what the general case
                // below makes of them, taken quickly because a plaintext read
                // as ciphertext is made of little else.
                visit(CipherUnit { -1, pos, 2 });
                pos += 2;
                continue;
            }
        }
        int begin = pos;
        int end = pos + unitLength;
        bool letter = false;
        for (int i = begin; i < end; ++i)
            letter = letter || homophonicdetail::isLetterUnit(unitAt(i));
        while (begin < end && homophonicdetail::isSpaceUnit(unitAt(begin)))
            ++begin;
        while (end > begin && homophonicdetail::isSpaceUnit(unitAt(end - 1)))
            --end;
        visit(CipherUnit { -1, begin, end - begin });
        pos += letter ? 2 : 3;
    }
}

template <typename Visit>
void forEachCipherUnit(QStringView line, Visit &&visit)
{
    const QChar *text = line.data();
    forEachCipherUnit(int(line.size()), [text](int i) { return text[i].unicode(); }, visit);
}
// Chooses among a row's codes at random, each equally likely.
// Random words are drawn from the source a block at a time, so that even the
// system's source costs little per choice: keep one object for a whole run
// (every line of a file). Seeded sources give the same choices every time.
class RandomCodeChoice
{
public:
    explicit RandomCodeChoice(QRandomGenerator &source)
        : m_source(source)
    {
    }

    // A column from 0 to count - 1; count is a row's number of codes in use,
    // 1 to 100. Counts of 1 to 3 take a bit or a base-3 digit, the draws that
    // every seeded ciphertext of three-code keys was made with.
    int column(int count)
    {
        if (count <= 1)
            return 0;
        if (count == 2)
            return int(takeBits(1));
        if (Q_UNLIKELY(count > 3))
            return below(quint32(count));
        if (m_tritsLeft == 0)
            refillTrits();
        const int trit = int(m_trits % 3);
        m_trits /= 3;
        --m_tritsLeft;
        return trit;
    }

private:
    quint32 takeBits(int count)
    {
        if (m_bitsLeft < count)
            refill();
        const quint32 bits = m_bits & ((1u << count) - 1);
        m_bits >>= count;
        m_bitsLeft -= count;
        return bits;
    }
    quint32 takeWord()
    {
        if (m_nextWord == int(m_words.size()))
            refillWords();
        return m_words[m_nextWord++];
    }
    int below(quint32 bound);
    void refill();
    void refillWords();
    void refillTrits();

    QRandomGenerator &m_source;
    std::array<quint32, 256> m_words {};
    int m_nextWord = int(m_words.size());
    quint32 m_bits = 0;
    int m_bitsLeft = 0;
    quint32 m_trits = 0; // base-3 digits still to hand out for a key of 3
    int m_tritsLeft = 0;
};

// How many of each row's codes encryption takes in turn or chooses among
// with a key of alphabetCount: the first alphabetCount, or all of a shorter
// row's. Both choices below ask here, so that they agree on it.
using RowCodeCounts = std::array<std::uint8_t, std::tuple_size<KeyTable>::value>;
RowCodeCounts codesInUse(const KeyTable &table, int alphabetCount);

namespace homophonicdetail {

constexpr int MostCodes = int(std::tuple_size<decltype(RowHR::codes)>::value);
// Stands for a counter outside 0 to MostCodes, which the window's table may
// hold: the row starts over, and putCounters leaves such a counter as it
// found it if the row did not occur.
constexpr int OutsideCounter = MostCodes + 1;
constexpr int CounterStates = OutsideCounter + 1;
// A row's turn is one byte, its number of codes times CounterStates plus its
// counter. For each turn: the next turn in the low byte and the column of
// the code taken in the high byte. Looked up, as a branch would mispredict
// on ordinary text and arithmetic would cost the tool's hot loop a tenth of
// its speed. At namespace scope, so that each file has its own copy at a
// fixed address.
constexpr std::array<std::uint16_t, (MostCodes + 1) * CounterStates> turnTable = [] {
    std::array<std::uint16_t, (MostCodes + 1) * CounterStates> turns {};
    for (int codes = 0; codes <= MostCodes; ++codes) {
        for (int counter = 0; counter < CounterStates; ++counter) {
            const int column = counter < codes ? counter : 0;
            turns[codes * CounterStates + counter] = std::uint16_t(column << 8 | (codes * CounterStates + column + 1));
        }
    }
    return turns;
}();

} // namespace homophonicdetail

// Codes in turn: the m-th occurrence of a symbol takes the code in column
// (m - 1) mod k of its row, k being the number of codes the row uses. This
// one looks the turn up and takes rows of at most three codes in use (fits());
// LongRowCyclicChoice takes any.
class CyclicColumnChoice
{
public:
    static bool fits(const RowCodeCounts &codes)
    {
        for (const std::uint8_t count : codes) {
            if (count > homophonicdetail::MostCodes)
                return false;
        }
        return true;
    }

    // Every row starts at its first code.
    explicit CyclicColumnChoice(const RowCodeCounts &codes)
    {
        for (std::size_t row = 0; row < codes.size(); ++row)
            m_turn[row] = std::uint8_t(codes[row] * homophonicdetail::CounterStates);
    }

    // The window's table carries its counters (RowHR::counter) from one call
    // to the next.
    void takeCounters(const HomophoneTable &table);
    // A row with a single code has no turn to keep: its counter stays.
    void putCounters(HomophoneTable &table) const;

    int column(int row)
    {
        const unsigned turn = homophonicdetail::turnTable[m_turn[row]];
        m_turn[row] = std::uint8_t(turn);
        return int(turn >> 8);
    }

private:
    // Per row: its number of codes times CounterStates plus RowHR::counter
    // (the column last taken counted from 1, or 0 for none).
    RowCodeCounts m_turn;
};

// Codes in turn for rows of any length, every row starting at its first code.
class LongRowCyclicChoice
{
public:
    explicit LongRowCyclicChoice(const RowCodeCounts &codes)
        : m_codes(codes)
    {
    }

    int column(int row)
    {
        const int column = m_next[row];
        m_next[row] = std::uint8_t(column + 1 < m_codes[row] ? column + 1 : 0);
        return column;
    }

private:
    RowCodeCounts m_codes;
    RowCodeCounts m_next {};
};

// Calls run(choice) with the cyclic choice that suits codes: the looked-up
// turn where every row uses at most three codes, which keeps the tool's hot
// loop as fast as it was, and a counter per row otherwise.
template <typename Run>
void withCyclicChoice(const RowCodeCounts &codes, Run &&run)
{
    if (CyclicColumnChoice::fits(codes)) {
        CyclicColumnChoice choice(codes);
        run(choice);
    } else {
        LongRowCyclicChoice choice(codes);
        run(choice);
    }
}

// Codes at random: each occurrence takes one of the codes its row uses, each
// equally likely, drawn from source.
class RandomColumnChoice
{
public:
    RandomColumnChoice(const RowCodeCounts &codes, RandomCodeChoice &source)
        : m_codes(codes)
        , m_source(source)
    {
    }

    int column(int row) { return m_source.column(m_codes[row]); }

private:
    RowCodeCounts m_codes;
    RandomCodeChoice &m_source;
};

// Walks a plaintext line of length units the way encryption reads it, in
// order. A unit whose upper-case form has a row is written as
// write.code(row, column), in the column that choice gives; two decimal
// digits, or a surrogate pair, as one token, write.copy(begin, 2); anything
// else as write.copy(begin, 1). units answers for the line's i-th unit with
// row(i) (as SymbolRows does), digit(i), highSurrogate(i) and lowSurrogate(i),
// so that the bytes of a single-byte encoding are walked without decoding the
// line. The walk stops when write returns false. A template, so that the
// tool's hot loop pays nothing for sharing it.
template <typename Units, typename Choice, typename Write>
void forEachPlainUnit(int length, const Units &units, Choice &choice, Write &write)
{
    for (int i = 0; i < length; ++i) {
        const int row = units.row(i);
        if (Q_LIKELY(row >= 0)) {
            if (!write.code(row, choice.column(row)))
                return;
        } else if (i + 1 < length
                   && ((units.digit(i) && units.digit(i + 1))
                       // A character outside the BMP is one token: splitting
                       // it would leave invalid text behind.
                       || (units.highSurrogate(i) && units.lowSurrogate(i + 1)))) {
            if (!write.copy(i, 2))
                return;
            ++i;
        } else if (!write.copy(i, 1)) {
            return;
        }
    }
}

// Encryption with random homophones: every occurrence of a symbol gets one of
// its first alphabetCount codes at random instead of the next in turn, so the
// codes of one symbol do not betray themselves by appearing in rotation.
// Decryption is the same as for cyclic choice.
QString encryptHomophonic(const KeyTable &table, const QString &line, int alphabetCount, RandomCodeChoice &choice);
void appendEncryptedHomophonic(const KeyTable &table, QStringView line, int alphabetCount, QString &out,
                               RandomCodeChoice &choice);

// True when s holds a letter of A-Z, a-z, А-Я or а-я (Ё, ё excluded).
bool hasLetter(QString s);

// The text after the last line break of text: the line that the cipher
// commands and Save act on.
QString lastLine(const QString &text);
