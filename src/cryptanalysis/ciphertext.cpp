#include "ciphertext.h"

#include "alphabet.h"
#include "homophonic.h"
#include "languagemodel.h"
#include "lineend.h"

namespace Cryptanalysis {

namespace {

void readLine(QStringView line, CipherText &out)
{
    forEachCipherUnit(line, [&line, &out](const CipherUnit &unit) {
        if (unit.code >= 0) {
            out.units.push_back(qint16(unit.code));
            ++out.codeCount;
        } else if (unit.length > 0) {
            out.units.push_back(CipherText::Copied);
            out.copied.append(line.mid(unit.begin, unit.length).toString());
        } else {
            return;
        }
        ++out.tokenCount;
    });
}

} // namespace

CipherText readCipherText(QStringView text)
{
    CipherText out;
    out.units.reserve(text.size() / 3 + 1);
    const char16_t *const begin = text.utf16();
    forEachLine(begin, begin + text.size(), [&](const char16_t *lineBegin, const char16_t *lineEnd, LineEnding) {
        readLine(text.mid(lineBegin - begin, lineEnd - lineBegin), out);
        out.units.push_back(CipherText::LineEnd);
        ++out.lineCount;
    });
    return out;
}

CipherText readSymbolText(QStringView text)
{
    CipherText out;
    out.units.reserve(size_t(text.size()) + 1);
    const char16_t *const begin = text.utf16();
    forEachLine(begin, begin + text.size(), [&](const char16_t *lineBegin, const char16_t *lineEnd, LineEnding) {
        for (const char16_t *c = lineBegin; c != lineEnd; ++c) {
            const int symbol = Alphabet::indexOf(*c);
            if (symbol >= 0) {
                out.units.push_back(qint16(symbol));
                ++out.codeCount;
            } else {
                const bool pair = QChar::isHighSurrogate(*c) && c + 1 != lineEnd && QChar::isLowSurrogate(c[1]);
                const int length = pair ? 2 : 1;
                out.units.push_back(CipherText::Copied);
                out.copied.append(QString::fromUtf16(c, length));
                c += length - 1;
            }
            ++out.tokenCount;
        }
        out.units.push_back(CipherText::LineEnd);
        ++out.lineCount;
    });
    return out;
}

QString CipherText::plaintext(const std::array<int, CodeCount> &symbolOfCode, int maxLength) const
{
    QString text;
    text.reserve(int(qMin(units.size(), size_t(maxLength))));
    int copiedIndex = 0;
    for (const qint16 unit : units) {
        if (text.size() >= maxLength)
            break;
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
    if (text.size() > maxLength) {
        text.truncate(maxLength);
        if (!text.isEmpty() && text.at(text.size() - 1).isHighSurrogate())
            text.chop(1);
    }
    return text;
}

} // namespace Cryptanalysis
