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

// Units below this bound (ASCII, Latin, Greek, Cyrillic) are upper-cased
// and looked up through arrays; the table's symbols all live there.
constexpr char16_t DirectBound = 0x480;

// QChar::toUpper for the units below DirectBound, worked out once.
const std::array<char16_t, DirectBound> &upperCaseTable()
{
    static const std::array<char16_t, DirectBound> table = [] {
        std::array<char16_t, DirectBound> upper {};
        for (char16_t unit = 0; unit < DirectBound; ++unit)
            upper[unit] = char16_t(QChar::toUpper(char32_t(unit)));
        return upper;
    }();
    return table;
}

// Finds the table row of a character's upper-case form in constant time.
class SymbolIndex
{
public:
    explicit SymbolIndex(const HomophoneTable &table)
        : m_upper(upperCaseTable())
    {
        m_direct.fill(-1);
        for (int row = int(table.size()) - 1; row >= 0; --row) { // the first row wins, as in a scan
            const QString &symbol = table[row].symbol;
            if (symbol.size() != 1)
                continue;
            const char16_t unit = symbol.at(0).unicode();
            if (unit < DirectBound)
                m_direct[unit] = std::int8_t(row);
            else
                m_others.insert(m_others.begin(), {unit, row});
        }
    }

    int rowOfUpperCase(char16_t unit) const
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
    const std::array<char16_t, DirectBound> &m_upper;
    std::array<std::int8_t, DirectBound> m_direct;
    std::vector<std::pair<char16_t, int>> m_others;
};

// Maps each two-digit code "00".."99" of the first alphabetCount columns to
// its row.
class CodeIndex
{
public:
    CodeIndex(const HomophoneTable &table, int alphabetCount)
    {
        m_rows.fill(-1);
        for (int row = 0; row < int(table.size()); ++row) {
            for (int column = 0; column < alphabetCount; ++column) {
                const QString &code = table[row].codes[column];
                if (code.size() != 2 || !isAsciiDigit(code.at(0).unicode())
                    || !isAsciiDigit(code.at(1).unicode()))
                    continue;
                const int value = (code.at(0).unicode() - u'0') * 10 + (code.at(1).unicode() - u'0');
                if (m_rows[value] < 0)
                    m_rows[value] = std::int8_t(row);
            }
        }
    }

    // code: 0 to 99
    int rowOf(int code) const
    {
        return m_rows[code];
    }

private:
    std::array<std::int8_t, 100> m_rows;
};

bool isValidKey(int alphabetCount)
{
    return alphabetCount >= 1 && alphabetCount <= 3;
}

// The m-th occurrence of a symbol takes code ((m - 1) mod k) + 1; returns
// that code's column.
int nextColumn(RowHR &row, int alphabetCount)
{
    // The next counter by key and current counter, without a branch that
    // mispredicts on ordinary text.
    static constexpr std::int8_t next[4][4] = {{}, {0, 0, 0, 0}, {1, 2, 1, 1}, {1, 2, 3, 1}};
    if (alphabetCount == 1)
        return 0;
    row.counter = unsigned(row.counter) < 4 ? next[alphabetCount][row.counter] : 1;
    return row.counter - 1;
}

// The encryption loop, whichever way a symbol's code is chosen: chooseColumn
// takes the symbol's row and returns the column of the code to write.
template <typename Table, typename ChooseColumn>
void appendEncrypted(Table &table, QStringView line, QString &result, ChooseColumn chooseColumn)
{
    const SymbolIndex symbols(table);
    const QChar *text = line.data();
    const int length = int(line.size());
    const int start = result.size();

    // Written through a raw pointer into a buffer sized once: appending
    // token by token costs several times as much on long lines. With the
    // table's two-digit codes no input character yields more than three
    // output characters; longer codes grow the buffer when they occur.
    constexpr qint64 MaxStringSize = (std::numeric_limits<int>::max() - 64) / 2;
    result.resize(int(qMin(start + 3 * qint64(length), MaxStringSize)));
    QChar *out = result.data() + start;
    QChar *outEnd = out + result.size();
    const auto ensureRoom = [&](int needed) {
        if (outEnd - out >= needed)
            return true;
        const int used = int(out - result.constData());
        result.resize(int(qMin(qint64(used) + needed + 3 * qint64(length), MaxStringSize)));
        out = result.data() + used;
        outEnd = result.data() + result.size();
        return outEnd - out >= needed;
    };

    for (int i = 0; i < length; ++i) {
        if (!ensureRoom(3)) // only a line near QString's size limit gets here
            break;
        const char16_t unit = text[i].unicode();
        const int row = symbols.rowOfUpperCase(unit);
        if (row >= 0) {
            const QString &code = table[row].codes[chooseColumn(table[row])];
            const QChar *codeUnits = code.constData();
            if (code.size() == 2) {
                out[0] = codeUnits[0];
                out[1] = codeUnits[1];
                out += 2;
            } else {
                if (!ensureRoom(code.size() + 1))
                    break;
                codeUnits = code.constData();
                out = std::copy(codeUnits, codeUnits + code.size(), out);
            }
        } else if (i + 1 < length
                   && ((isDecimalDigit(unit) && isDecimalDigit(text[i + 1].unicode()))
                       // A character outside the BMP is one token: splitting
                       // it would leave invalid text behind.
                       || (QChar::isHighSurrogate(unit) && text[i + 1].isLowSurrogate()))) {
            *out++ = text[i];
            *out++ = text[++i];
        } else {
            *out++ = text[i];
        }
        *out++ = QLatin1Char(' ');
    }
    result.truncate(int(out - result.constData()));
}

} // namespace

void RandomCodeChoice::refill()
{
    if (m_nextWord == int(m_words.size())) {
        m_source.fillRange(m_words.data(), qsizetype(m_words.size()));
        m_nextWord = 0;
    }
    m_bits = m_words[m_nextWord++];
    m_bitsLeft = 32;
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

void symbolRowsOf(const HomophoneTable &table, const char16_t *units, int count, int *rows)
{
    const SymbolIndex index(table);
    for (int i = 0; i < count; ++i)
        rows[i] = index.rowOfUpperCase(units[i]);
}

std::array<int, 100> codeRowsOf(const HomophoneTable &table, int alphabetCount)
{
    std::array<int, 100> rows;
    rows.fill(-1);
    if (!isValidKey(alphabetCount))
        return rows;
    const CodeIndex index(table, alphabetCount);
    for (int code = 0; code < 100; ++code)
        rows[code] = index.rowOf(code);
    return rows;
}

QString encryptHomophonic(HomophoneTable &table, const QString &line, int alphabetCount)
{
    QString result;
    appendEncryptedHomophonic(table, line, alphabetCount, result);
    return result;
}

void appendEncryptedHomophonic(HomophoneTable &table, QStringView line, int alphabetCount, QString &result)
{
    if (!isValidKey(alphabetCount))
        return;
    appendEncrypted(table, line, result, [alphabetCount](RowHR &row) { return nextColumn(row, alphabetCount); });
}

QString encryptHomophonic(const HomophoneTable &table, const QString &line, int alphabetCount,
                          RandomCodeChoice &choice)
{
    QString result;
    appendEncryptedHomophonic(table, line, alphabetCount, result, choice);
    return result;
}

void appendEncryptedHomophonic(const HomophoneTable &table, QStringView line, int alphabetCount, QString &result,
                               RandomCodeChoice &choice)
{
    if (!isValidKey(alphabetCount))
        return;
    appendEncrypted(table, line, result,
                    [alphabetCount, &choice](const RowHR &) { return choice.column(alphabetCount); });
}

QString decryptHomophonic(const HomophoneTable &table, const QString &line, int alphabetCount)
{
    QString result;
    appendDecryptedHomophonic(table, line, alphabetCount, result);
    return result;
}

void appendDecryptedHomophonic(const HomophoneTable &table, QStringView line, int alphabetCount, QString &result)
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
