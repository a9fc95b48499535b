#include "frequencycount.h"

#include "lineend.h"
#include "symbolcipher.h"

#include <algorithm>
#include <utility>

namespace {

using homophonicdetail::isAsciiDigit;

QStringList codeLabels()
{
    QStringList labels;
    labels.reserve(100);
    for (int code = 0; code < 100; ++code)
        labels.append(QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0')));
    return labels;
}

} // namespace

qint64 FrequencyCounts::total() const
{
    qint64 sum = 0;
    for (const qint64 count : counts)
        sum += count;
    return sum;
}

SymbolCounter::SymbolCounter(const KeyTable &table, const ByteDecoding *bytes)
    : m_classOfUnit(0x10000, quint8(Other))
{
    for (const KeyRow &row : table)
        m_labels.append(row.symbol);
    // Encryption looks up unit by unit, so this table is the whole rule.
    const SymbolRows symbols(table);
    for (int unit = 0; unit < 0x10000; ++unit) {
        const int row = symbols.rowOf(char16_t(unit));
        if (row >= 0)
            m_classOfUnit[unit] = quint8(row);
        else if (QChar::isLowSurrogate(char32_t(unit)))
            m_classOfUnit[unit] = LowSurrogate;
    }
    if (bytes) {
        for (int byte = 0; byte < 256; ++byte) {
            const quint8 unitClass = m_classOfUnit[(*bytes)[byte]];
            m_classOfByte[byte] = unitClass == LowSurrogate ? quint8(Other) : unitClass;
        }
    } else {
        m_classOfByte.fill(Other);
    }
}

void SymbolCounter::addLine(QStringView line)
{
    const QChar *text = line.data();
    const qsizetype length = line.size();
    for (qsizetype i = 0; i < length; ++i) {
        const quint8 unitClass = m_classOfUnit[text[i].unicode()];
        ++m_counts[unitClass];
        if (Q_UNLIKELY(unitClass == LowSurrogate) && i > 0 && text[i - 1].isHighSurrogate())
            ++m_surrogatePairs;
    }
}

void SymbolCounter::addBytes(const char *data, int size)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    for (int i = 0; i < size; ++i)
        ++m_counts[m_classOfByte[bytes[i]]];
}

FrequencyCounts SymbolCounter::counts() const
{
    FrequencyCounts result;
    result.kind = FrequencyCounts::Kind::Symbols;
    result.labels = m_labels;
    result.counts.assign(m_counts.begin(), m_counts.begin() + m_labels.size());
    result.other = m_counts[Other] + m_counts[LowSurrogate] - m_surrogatePairs;
    return result;
}

CodeCounter::CodeCounter(const ByteDecoding *bytes)
    : m_bytes(bytes)
{
}

void CodeCounter::addLine(QStringView line)
{
    const QChar *text = line.data();
    forEachCipherUnit(line, [&](const CipherUnit &unit) {
        if (unit.code >= 0) {
            ++m_counts[unit.code];
        } else {
            m_other += unit.length;
            if (unit.length == 2 && text[unit.begin].isHighSurrogate() && text[unit.begin + 1].isLowSurrogate())
                --m_other; // one character in two units
        }
    });
}

void CodeCounter::addBytes(const char *data, int size)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    const ByteDecoding &decoding = *m_bytes;
    forEachCipherUnit(size, [&](int i) { return decoding[bytes[i]]; }, [this](const CipherUnit &unit) {
        if (unit.code >= 0)
            ++m_counts[unit.code];
        else
            m_other += unit.length;
    });
}

FrequencyCounts CodeCounter::counts() const
{
    FrequencyCounts result;
    result.kind = FrequencyCounts::Kind::Codes;
    result.labels = codeLabels();
    result.counts.assign(m_counts.begin(), m_counts.end());
    result.other = m_other;
    return result;
}

template <typename UnitAt>
void CodeTokenTally::add(int length, const UnitAt &unitAt)
{
    // A token starts at a non-space after a space or the line's start; it is
    // a code when it is two digits followed by a space or the line's end.
    // Counted without branches on the text, which would mispredict.
    const auto isSpace = [&](int i) { return i < 0 || i >= length || unitAt(i) == u' '; };
    const auto isDigit = [&](int i) { return i < length && isAsciiDigit(unitAt(i)); };
    const int body = length - 2;
    qint64 tokens = 0;
    qint64 codeTokens = 0;
    bool previousSpace = true;
    for (int i = 0; i < body; ++i) {
        const char16_t unit = unitAt(i);
        const bool space = unit == u' ';
        const bool start = previousSpace & !space;
        tokens += start;
        codeTokens += int(start) & int(isAsciiDigit(unit)) & int(isAsciiDigit(unitAt(i + 1))) & int(unitAt(i + 2) == u' ');
        previousSpace = space;
    }
    for (int i = std::max(body, 0); i < length; ++i) {
        const bool start = isSpace(i - 1) && !isSpace(i);
        tokens += start;
        codeTokens += start && isDigit(i) && isDigit(i + 1) && isSpace(i + 2);
    }
    m_tokens += tokens;
    m_codeTokens += codeTokens;
}

void CodeTokenTally::addLine(QStringView line)
{
    const QChar *text = line.data();
    add(int(line.size()), [text](int i) { return text[i].unicode(); });
}

void CodeTokenTally::addBytes(const char *data, int size)
{
    // Spaces and ASCII digits are the same bytes in Windows-1251 and UTF-8.
    // The body is the generic rule written so that the compiler vectorizes it:
    // this pass alone decides the reading of a file read twice.
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    if (size < 4) {
        add(size, [bytes](int i) { return char16_t(bytes[i]); });
        return;
    }
    const auto isSpace = [bytes](int i) { return unsigned(bytes[i] == ' '); };
    const auto isDigit = [bytes](int i) { return unsigned(unsigned(bytes[i]) - '0' < 10u); };
    unsigned tokens = 1 - isSpace(0);
    unsigned codeTokens = isDigit(0) & isDigit(1) & isSpace(2);
    for (int i = 1; i < size - 2; ++i) {
        const unsigned start = isSpace(i - 1) & (1 - isSpace(i));
        tokens += start;
        codeTokens += start & isDigit(i) & isDigit(i + 1) & isSpace(i + 2);
    }
    for (int i = size - 2; i < size; ++i) {
        const unsigned start = isSpace(i - 1) & (1 - isSpace(i));
        tokens += start;
        codeTokens += start & isDigit(i) & (i + 1 < size ? isDigit(i + 1) & (i + 2 < size ? isSpace(i + 2) : 1u) : 0u);
    }
    m_tokens += tokens;
    m_codeTokens += codeTokens;
}

double CodeTokenTally::codeShare() const
{
    return m_tokens > 0 ? double(m_codeTokens) / double(m_tokens) : 0.0;
}

void CodeTokenTally::addText(QStringView text)
{
    const char16_t *const begin = text.utf16();
    forEachLine(begin, begin + text.size(), [this](const char16_t *line, const char16_t *end, LineEnding) {
        add(int(end - line), [line](int i) { return line[i]; });
    });
}

bool CodeTokenTally::looksLikeCipher() const
{
    return m_tokens > 0 && m_codeTokens * 100 >= m_tokens * MinCodePercent;
}

FrequencyAnalysis::FrequencyAnalysis(Reading reading, const KeyTable &table, const ByteDecoding *bytes)
    : m_reading(reading)
    , m_symbols(table, bytes)
    , m_codes(bytes)
{
}

void FrequencyAnalysis::addLine(QStringView line)
{
    if (m_reading != Reading::Cipher)
        m_symbols.addLine(line);
    if (m_reading != Reading::Plain)
        m_codes.addLine(line);
    if (m_reading == Reading::Guess)
        m_tally.addLine(line);
}

void FrequencyAnalysis::addBytes(const char *data, int size)
{
    if (m_reading != Reading::Cipher)
        m_symbols.addBytes(data, size);
    if (m_reading != Reading::Plain)
        m_codes.addBytes(data, size);
    if (m_reading == Reading::Guess)
        m_tally.addBytes(data, size);
}

TextKind FrequencyAnalysis::kind() const
{
    switch (m_reading) {
    case Reading::Plain:
        return TextKind::Plain;
    case Reading::Cipher:
        return TextKind::Cipher;
    case Reading::Guess:
        break;
    }
    return m_tally.looksLikeCipher() ? TextKind::Cipher : TextKind::Plain;
}

FrequencyCounts FrequencyAnalysis::counts() const
{
    return kind() == TextKind::Cipher ? m_codes.counts() : m_symbols.counts();
}

LineEncryption homophonicLineEncryption(const KeyTable &table, int alphabetCount)
{
    return [table = KeyTable(table), alphabetCount](QStringView line, QString &out) {
        appendEncryptedHomophonic(table, line, alphabetCount, out);
    };
}

LineEncryption randomLineEncryption(const KeyTable &table, int alphabetCount, RandomCodeChoice &choice)
{
    return [&table, alphabetCount, &choice](QStringView line, QString &out) {
        appendEncryptedHomophonic(table, line, alphabetCount, out, choice);
    };
}

LineEncryption symbolLineEncryption(const SymbolCipher &cipher)
{
    return [&cipher, place = cipher.start()](QStringView line, QString &out) mutable {
        cipher.appendEncrypted(line, place, out);
    };
}

SideBySideAnalysis::SideBySideAnalysis(const KeyTable &table, LineEncryption encrypt, FrequencyCounts::Kind cipherKind)
    : m_encrypt(std::move(encrypt))
    , m_symbols(table)
{
    if (cipherKind == FrequencyCounts::Kind::Symbols)
        m_cipherSymbols = std::make_unique<SymbolCounter>(table);
}

void SideBySideAnalysis::addLine(QStringView line)
{
    m_symbols.addLine(line);
    m_cipherLine.resize(0); // keeps the capacity
    m_encrypt(line, m_cipherLine);
    if (m_cipherSymbols)
        m_cipherSymbols->addLine(m_cipherLine);
    else
        m_codes.addLine(m_cipherLine);
}
