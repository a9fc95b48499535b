#include "homophonic.h"

#include <QChar>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace {

struct LiteralRow
{
    const char *symbol;
    const char *codes[3];
};

// Row order matters: it is the order in which symbols and codes are searched.
const LiteralRow literalTable[32] = {
    { " ", { "00", "32", "64" } },
    { "А", { "01", "33", "65" } },
    { "Б", { "02", "34", "66" } },
    { "В", { "03", "35", "67" } },
    { "Г", { "04", "36", "68" } },
    { "Д", { "05", "37", "69" } },
    { "Е", { "06", "38", "70" } },
    { "Ж", { "07", "39", "71" } },
    { "З", { "08", "40", "72" } },
    { "И", { "09", "41", "73" } },
    { "К", { "10", "42", "74" } },
    { "Л", { "11", "43", "75" } },
    { "М", { "12", "44", "76" } },
    { "Н", { "13", "45", "77" } },
    { "О", { "14", "46", "78" } },
    { "П", { "15", "47", "79" } },
    { "Р", { "16", "48", "80" } },
    { "С", { "17", "49", "81" } },
    { "Т", { "18", "50", "82" } },
    { "У", { "19", "51", "83" } },
    { "Ф", { "20", "52", "84" } },
    { "Х", { "21", "53", "85" } },
    { "Ц", { "22", "54", "86" } },
    { "Ч", { "23", "55", "87" } },
    { "Ш", { "24", "56", "88" } },
    { "Щ", { "25", "57", "89" } },
    { "Ъ", { "26", "58", "90" } },
    { "Ы", { "27", "59", "91" } },
    { "Ь", { "28", "60", "92" } },
    { "Э", { "29", "61", "93" } },
    { "Ю", { "30", "62", "94" } },
    { "Я", { "31", "63", "95" } },
};

using homophonicdetail::isAsciiDigit;
using homophonicdetail::isDecimalDigit;
using homophonicdetail::isLetterUnit;

bool containsLetter(QStringView s)
{
    for (const QChar c : s) {
        if (isLetterUnit(c.unicode()))
            return true;
    }
    return false;
}

// Maps each two-digit code "00".."99" of the first alphabetCount columns to
// its place in the table.
class CodeIndex
{
public:
    CodeIndex(const KeyTable &table, int alphabetCount)
    {
        m_rows.fill(-1);
        m_columns.fill(-1);
        for (int row = 0; row < int(table.size()); ++row) {
            const QStringList &codes = table[row].codes;
            const int inUse = qMin(alphabetCount, int(codes.size()));
            for (int column = 0; column < inUse; ++column) {
                const QString &code = codes.at(column);
                if (code.size() != 2 || !isAsciiDigit(code.at(0).unicode())
                    || !isAsciiDigit(code.at(1).unicode()))
                    continue;
                const int value = (code.at(0).unicode() - u'0') * 10 + (code.at(1).unicode() - u'0');
                if (m_rows[value] < 0) {
                    m_rows[value] = std::int8_t(row);
                    m_columns[value] = std::int8_t(column);
                }
            }
        }
    }

    // code: 0 to 99
    int rowOf(int code) const
    {
        return m_rows[code];
    }
    int columnOf(int code) const
    {
        return m_columns[code];
    }

private:
    std::array<std::int8_t, 100> m_rows;
    std::array<std::int8_t, 100> m_columns;
};

bool isValidKey(int alphabetCount)
{
    return alphabetCount >= 1;
}

// The window's key dialog takes 1 to 3.
bool isValidWindowKey(int alphabetCount)
{
    return alphabetCount >= 1 && alphabetCount <= homophonicdetail::MostCodes;
}

// What the walk needs to know of a UTF-16 line's units.
class Utf16Units
{
public:
    Utf16Units(const QChar *text, const SymbolRows &symbols)
        : m_text(text)
        , m_symbols(symbols)
    {
    }

    int row(int i) const { return m_symbols.rowOf(m_text[i].unicode()); }
    bool digit(int i) const { return isDecimalDigit(m_text[i].unicode()); }
    bool highSurrogate(int i) const { return m_text[i].isHighSurrogate(); }
    bool lowSurrogate(int i) const { return m_text[i].isLowSurrogate(); }

private:
    const QChar *m_text;
    const SymbolRows &m_symbols;
};

// Writes the tokens of one line, each followed by a space, after what result
// already holds. Written through a raw pointer into a buffer sized once:
// appending token by token costs several times as much on long lines. With
// the table's two-digit codes no input character yields more than three
// output characters; longer codes grow the buffer when they occur.
class Utf16Writer
{
public:
    Utf16Writer(const KeyTable &table, QStringView line, QString &result)
        : m_table(table)
        , m_text(line.data())
        , m_length(int(line.size()))
        , m_result(result)
    {
        const int start = result.size();
        result.resize(int(qMin(start + 3 * qint64(m_length), MaxStringSize)));
        m_out = result.data() + start;
        m_outEnd = m_out + result.size();
    }

    // Gives the buffer back at the length written.
    void finish() { m_result.truncate(int(m_out - m_result.constData())); }

    bool code(int row, int column)
    {
        if (!ensureRoom(3)) // only a line near QString's size limit gets here
            return false;
        const QString &code = m_table[row].codes.at(column);
        const QChar *codeUnits = code.constData();
        if (code.size() == 2) {
            m_out[0] = codeUnits[0];
            m_out[1] = codeUnits[1];
            m_out += 2;
        } else {
            if (!ensureRoom(code.size() + 1))
                return false;
            m_out = std::copy(codeUnits, codeUnits + code.size(), m_out);
        }
        *m_out++ = QLatin1Char(' ');
        return true;
    }

    bool copy(int begin, int length)
    {
        if (!ensureRoom(3))
            return false;
        for (int i = begin; i < begin + length; ++i)
            *m_out++ = m_text[i];
        *m_out++ = QLatin1Char(' ');
        return true;
    }

private:
    static constexpr qint64 MaxStringSize = (std::numeric_limits<int>::max() - 64) / 2;

    bool ensureRoom(int needed)
    {
        if (m_outEnd - m_out >= needed)
            return true;
        const int used = int(m_out - m_result.constData());
        m_result.resize(int(qMin(qint64(used) + needed + 3 * qint64(m_length), MaxStringSize)));
        m_out = m_result.data() + used;
        m_outEnd = m_result.data() + m_result.size();
        return m_outEnd - m_out >= needed;
    }

    const KeyTable &m_table;
    const QChar *m_text;
    const int m_length;
    QString &m_result;
    QChar *m_out;
    QChar *m_outEnd;
};

template <typename Choice>
void appendEncrypted(const KeyTable &table, QStringView line, QString &result, Choice &choice)
{
    const SymbolRows symbols(table);
    const Utf16Units units(line.data(), symbols);
    Utf16Writer write(table, line, result);
    forEachPlainUnit(int(line.size()), units, choice, write);
    write.finish();
}

} // namespace

void RandomCodeChoice::refillWords()
{
    m_source.fillRange(m_words.data(), qsizetype(m_words.size()));
    m_nextWord = 0;
}

void RandomCodeChoice::refill()
{
    m_bits = takeWord();
    m_bitsLeft = 32;
}

// Lemire's multiply-and-shift: the high half of word * bound is below bound,
// and the few words whose low half falls under 2^32 mod bound are drawn
// again, which leaves every result exactly equally likely.
int RandomCodeChoice::below(quint32 bound)
{
    quint64 product = quint64(takeWord()) * bound;
    if (quint32(product) < bound) {
        const quint32 rejectBelow = (0u - bound) % bound;
        while (quint32(product) < rejectBelow)
            product = quint64(takeWord()) * bound;
    }
    return int(product >> 32);
}

// A byte below 3^5 = 243 holds five independent, equally likely base-3
// digits: 1.7 random bits a choice, where pairs of bits with one value
// dropped would take 2.7. The system's source is slow enough for this to
// matter.
void RandomCodeChoice::refillTrits()
{
    for (;;) {
        const quint32 byte = takeBits(8);
        if (byte < 243) {
            m_trits = byte;
            m_tritsLeft = 5;
            return;
        }
    }
}

void fillHomophoneTable(HomophoneTable &table)
{
    for (int i = 0; i < int(table.size()); ++i) {
        RowHR &row = table[i];
        const LiteralRow &literal = literalTable[i];
        row.symbol = QString::fromUtf8(literal.symbol);
        for (int column = 0; column < 3; ++column)
            row.codes[column] = QString::fromUtf8(literal.codes[column]);
        row.counter = 0;
    }
}

const HomophoneTable &fixedHomophoneTable()
{
    static const HomophoneTable table = [] {
        HomophoneTable fixed;
        fillHomophoneTable(fixed);
        return fixed;
    }();
    return table;
}

const KeyTable &fixedKeyTable()
{
    static const KeyTable table = keyTableOf(fixedHomophoneTable());
    return table;
}

KeyTable keyTableOf(const HomophoneTable &table)
{
    KeyTable keys;
    for (std::size_t row = 0; row < table.size(); ++row) {
        keys[row].symbol = table[row].symbol;
        keys[row].codes = QStringList(table[row].codes.cbegin(), table[row].codes.cend());
    }
    return keys;
}

SymbolRows::SymbolRows(const KeyTable &table)
    : m_upper(upperCaseTable())
{
    m_direct.fill(-1);
    for (int row = int(table.size()) - 1; row >= 0; --row) { // the first row wins, as in a scan
        const QString &symbol = table[row].symbol;
        if (symbol.size() != 1 || table[row].codes.isEmpty())
            continue;
        const char16_t unit = symbol.at(0).unicode();
        if (unit < DirectBound)
            m_direct[unit] = std::int8_t(row);
        else
            m_others.insert(m_others.begin(), {unit, row});
    }
}

// QChar::toUpper for the units below DirectBound, worked out once.
const std::array<char16_t, SymbolRows::DirectBound> &SymbolRows::upperCaseTable()
{
    static const std::array<char16_t, DirectBound> table = [] {
        std::array<char16_t, DirectBound> upper {};
        for (char16_t unit = 0; unit < DirectBound; ++unit)
            upper[unit] = char16_t(QChar::toUpper(char32_t(unit)));
        return upper;
    }();
    return table;
}

std::array<CodePlace, 100> codePlacesOf(const KeyTable &table, int alphabetCount)
{
    std::array<CodePlace, 100> places {};
    if (!isValidKey(alphabetCount))
        return places;
    const CodeIndex index(table, alphabetCount);
    for (int code = 0; code < 100; ++code)
        places[code] = {index.rowOf(code), index.columnOf(code)};
    return places;
}

RowCodeCounts codesInUse(const KeyTable &table, int alphabetCount)
{
    RowCodeCounts codes;
    for (std::size_t row = 0; row < table.size(); ++row)
        codes[row] = std::uint8_t(qMin(qMax(alphabetCount, 1), qMin(int(table[row].codes.size()), 255)));
    return codes;
}

void CyclicColumnChoice::takeCounters(const HomophoneTable &table)
{
    using homophonicdetail::CounterStates;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const int counter = table[row].counter;
        const int codes = m_turn[row] / CounterStates;
        m_turn[row] = std::uint8_t(codes * CounterStates
                                   + (counter >= 0 && counter <= homophonicdetail::MostCodes
                                          ? counter
                                          : homophonicdetail::OutsideCounter));
    }
}

void CyclicColumnChoice::putCounters(HomophoneTable &table) const
{
    using homophonicdetail::CounterStates;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const int codes = m_turn[row] / CounterStates;
        const int counter = m_turn[row] % CounterStates;
        if (codes > 1 && counter != homophonicdetail::OutsideCounter)
            table[row].counter = counter;
    }
}

QString encryptHomophonic(const KeyTable &table, const QString &line, int alphabetCount)
{
    QString result;
    appendEncryptedHomophonic(table, line, alphabetCount, result);
    return result;
}

void appendEncryptedHomophonic(const KeyTable &table, QStringView line, int alphabetCount, QString &result)
{
    if (!isValidKey(alphabetCount))
        return;
    withCyclicChoice(codesInUse(table, alphabetCount),
                     [&](auto &choice) { appendEncrypted(table, line, result, choice); });
}

QString encryptHomophonic(const KeyTable &table, const QString &line, int alphabetCount, RandomCodeChoice &choice)
{
    QString result;
    appendEncryptedHomophonic(table, line, alphabetCount, result, choice);
    return result;
}

void appendEncryptedHomophonic(const KeyTable &table, QStringView line, int alphabetCount, QString &result,
                               RandomCodeChoice &choice)
{
    if (!isValidKey(alphabetCount))
        return;
    RandomColumnChoice columns(codesInUse(table, alphabetCount), choice);
    appendEncrypted(table, line, result, columns);
}

QString decryptHomophonic(const KeyTable &table, const QString &line, int alphabetCount)
{
    QString result;
    appendDecryptedHomophonic(table, line, alphabetCount, result);
    return result;
}

void appendDecryptedHomophonic(const KeyTable &table, QStringView line, int alphabetCount, QString &result)
{
    if (!isValidKey(alphabetCount))
        return;

    const CodeIndex codes(table, alphabetCount);
    const QChar *text = line.data();
    const int length = int(line.size());
    result.reserve(result.size() + length);

    forEachCipherUnit(line, [&](const CipherUnit &unit) {
        const int row = unit.code >= 0 ? codes.rowOf(unit.code) : -1;
        if (row >= 0)
            result.append(table[row].symbol);
        else if (unit.length == 1)
            result.append(text[unit.begin]); // cheaper than a one-character range
        else
            result.append(text + unit.begin, unit.length);
    });
}

QString encryptHomophonic(HomophoneTable &table, const QString &line, int alphabetCount)
{
    QString result;
    if (!isValidWindowKey(alphabetCount))
        return result;
    const KeyTable keys = keyTableOf(table);
    CyclicColumnChoice choice(codesInUse(keys, alphabetCount));
    choice.takeCounters(table);
    appendEncrypted(keys, line, result, choice);
    choice.putCounters(table);
    return result;
}

QString decryptHomophonic(const HomophoneTable &table, const QString &line, int alphabetCount)
{
    if (!isValidWindowKey(alphabetCount))
        return QString();
    return decryptHomophonic(keyTableOf(table), line, alphabetCount);
}

bool hasLetter(QString s)
{
    return containsLetter(s);
}

QString lastLine(const QString &text)
{
    for (int i = text.size() - 1; i >= 0; --i) {
        const char16_t unit = text.at(i).unicode();
        if (unit == u'\n' || unit == u'\r' || unit == QChar::LineSeparator
            || unit == QChar::ParagraphSeparator)
            return text.mid(i + 1);
    }
    return text;
}
