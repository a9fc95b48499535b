#include "homophonic.h"

#include <QChar>

#include <cstdint>

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

bool isAsciiDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

bool isDecimalDigit(char16_t unit)
{
    if (unit < 0x80)
        return isAsciiDigit(unit);
    return QChar::category(char32_t(unit)) == QChar::Number_DecimalDigit;
}

bool isLetterUnit(char16_t unit)
{
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z')
        || (unit >= 0x0410 && unit <= 0x044F);
}

bool containsLetter(QStringView s)
{
    for (const QChar c : s) {
        if (isLetterUnit(c.unicode()))
            return true;
    }
    return false;
}

// Finds a table row by its one-character symbol in constant time: an open
// addressed hash over the 32 symbols, built from the table as it stands.
class SymbolIndex
{
public:
    explicit SymbolIndex(const HomophoneTable &table)
    {
        for (int row = 0; row < int(table.size()); ++row) {
            const QString &symbol = table[row].symbol;
            if (symbol.size() != 1)
                continue;
            const char16_t unit = symbol.at(0).unicode();
            int slot = unit % SlotCount;
            while (m_rows[slot] >= 0 && m_units[slot] != unit)
                slot = (slot + 1) % SlotCount;
            if (m_rows[slot] < 0) { // the first row with a symbol wins, as in a scan
                m_units[slot] = unit;
                m_rows[slot] = std::int8_t(row);
            }
        }
    }

    int rowOf(char16_t unit) const
    {
        for (int slot = unit % SlotCount; m_rows[slot] >= 0; slot = (slot + 1) % SlotCount) {
            if (m_units[slot] == unit)
                return m_rows[slot];
        }
        return -1;
    }

private:
    static constexpr int SlotCount = 67; // prime, twice the row count
    std::array<char16_t, SlotCount> m_units {};
    std::array<std::int8_t, SlotCount> m_rows = filled(-1);

    static std::array<std::int8_t, SlotCount> filled(std::int8_t value)
    {
        std::array<std::int8_t, SlotCount> a {};
        a.fill(value);
        return a;
    }
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

    int rowOf(char16_t tens, char16_t ones) const
    {
        return m_rows[(tens - u'0') * 10 + (ones - u'0')];
    }

private:
    std::array<std::int8_t, 100> m_rows;
};

bool isValidKey(int alphabetCount)
{
    return alphabetCount >= 1 && alphabetCount <= 3;
}

// The m-th occurrence of a symbol takes code ((m - 1) mod k) + 1.
const QString &nextCode(RowHR &row, int alphabetCount)
{
    if (alphabetCount == 1)
        return row.codes[0];
    ++row.counter;
    if (row.counter < 1 || row.counter > alphabetCount)
        row.counter = 1;
    return row.codes[row.counter - 1];
}

} // namespace

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

QString encryptHomophonic(HomophoneTable &table, const QString &line, int alphabetCount)
{
    if (!isValidKey(alphabetCount))
        return QString();

    const SymbolIndex symbols(table);
    const QChar *text = line.constData();
    const int length = line.size();
    QString result;
    result.reserve(3 * length); // no token with its space is longer than 3 per input unit

    for (int i = 0; i < length; ++i) {
        const char16_t unit = text[i].unicode();
        const int row = symbols.rowOf(char16_t(QChar::toUpper(char32_t(unit))));
        if (row >= 0) {
            result.append(nextCode(table[row], alphabetCount));
        } else if (isDecimalDigit(unit) && i + 1 < length && isDecimalDigit(text[i + 1].unicode())) {
            result.append(text + i, 2);
            ++i;
        } else if (QChar::isHighSurrogate(unit) && i + 1 < length && text[i + 1].isLowSurrogate()) {
            // A character outside the BMP is one token: splitting it would
            // leave invalid text behind.
            result.append(text + i, 2);
            ++i;
        } else {
            result.append(text[i]);
        }
        result.append(QLatin1Char(' '));
    }
    return result;
}

QString decryptHomophonic(const HomophoneTable &table, const QString &line, int alphabetCount)
{
    if (!isValidKey(alphabetCount))
        return QString();

    const CodeIndex codes(table, alphabetCount);
    const QChar *text = line.constData();
    const int length = line.size();
    QString result;
    result.reserve(length);

    // The line is read in units of two characters; a unit is followed by
    // its separator space unless it is a letter copied as it stands.
    int pos = 0;
    while (pos < length) {
        const int unitLength = qMin(2, length - pos);
        const QChar *unit = text + pos;
        if (unitLength == 2) {
            const char16_t first = unit[0].unicode();
            const char16_t second = unit[1].unicode();
            if (isAsciiDigit(first) && isAsciiDigit(second)) {
                const int row = codes.rowOf(first, second);
                if (row >= 0)
                    result.append(table[row].symbol);
                else
                    result.append(unit, 2);
                pos += 3;
                continue;
            }
            if (first != u' ' && second == u' ') {
                // One copied character and its separator. Taken as it
                // stands, so a tab survives, and without eating into the
                // next token.
                result.append(unit[0]);
                pos += 2;
                continue;
            }
        }
        const QStringView view(unit, unitLength);
        const QStringView trimmed = view.trimmed();
        result.append(trimmed.data(), trimmed.size());
        pos += containsLetter(view) ? 2 : 3;
    }
    return result;
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
