#include "ciphertext.h"

#include "languagemodel.h"

namespace Cryptanalysis {

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool containsLetter(QStringView s)
{
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= 0x0410 && u <= 0x044F))
            return true;
    }
    return false;
}

// Mirrors appendDecryptedHomophonic's walk over a line.
void readLine(QStringView line, CipherText &out)
{
    const int length = int(line.size());
    int pos = 0;
    while (pos < length) {
        const int unitLength = qMin(2, length - pos);
        const QStringView unit = line.mid(pos, unitLength);
        if (unitLength == 2 && isAsciiDigit(unit[0]) && isAsciiDigit(unit[1])) {
            out.units.push_back(qint16((unit[0].unicode() - u'0') * 10 + (unit[1].unicode() - u'0')));
            ++out.codeCount;
            ++out.tokenCount;
            pos += 3;
            continue;
        }
        if (unitLength == 2 && unit[0] != QLatin1Char(' ') && unit[1] == QLatin1Char(' ')) {
            out.units.push_back(CipherText::Copied);
            out.copied.append(unit.left(1).toString());
            ++out.tokenCount;
            pos += 2;
            continue;
        }
        const QStringView trimmed = unit.trimmed();
        if (!trimmed.isEmpty()) {
            out.units.push_back(CipherText::Copied);
            out.copied.append(trimmed.toString());
            ++out.tokenCount;
        }
        pos += containsLetter(unit) ? 2 : 3;
    }
}

} // namespace

CipherText readCipherText(QStringView text)
{
    CipherText out;
    out.units.reserve(text.size() / 3 + 1);
    int start = 0;
    const int length = int(text.size());
    while (start < length) {
        int end = start;
        while (end < length && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        readLine(text.mid(start, end - start), out);
        out.units.push_back(CipherText::LineEnd);
        ++out.lineCount;
        if (end < length && text[end] == QLatin1Char('\r') && end + 1 < length && text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return out;
}

QString CipherText::plaintext(const std::array<int, CodeCount> &symbolOfCode) const
{
    QString text;
    text.reserve(int(units.size()));
    int copiedIndex = 0;
    for (const qint16 unit : units) {
        if (unit == LineEnd) {
            text.append(QLatin1Char('\n'));
        } else if (unit == Copied) {
            text.append(copied.value(copiedIndex++));
        } else if (symbolOfCode[unit] >= 0) {
            text.append(characterOf(symbolOfCode[unit]));
        } else {
            text.append(QLatin1Char(char('0' + unit / 10)));
            text.append(QLatin1Char(char('0' + unit % 10)));
        }
    }
    return text;
}

} // namespace Cryptanalysis
