#include "keywordcolumns.h"

#include "languagemodel.h"

namespace Cryptanalysis {

KeywordCipherText KeywordCipherText::fromText(QStringView text)
{
    KeywordCipherText read;
    read.symbols.reserve(std::size_t(text.size()));
    read.history.reserve(std::size_t(text.size()));
    int run = 0;
    for (const QChar c : text) {
        const int symbol = Alphabet::indexOf(c.unicode());
        if (symbol < 0) {
            run = 0;
            continue;
        }
        read.symbols.push_back(std::int8_t(symbol));
        read.history.push_back(std::int8_t(qMin(run, HistoryLength)));
        ++run;
    }
    return read;
}

KeywordCipherText KeywordCipherText::fromSymbols(std::vector<std::int8_t> symbols)
{
    KeywordCipherText read;
    read.symbols = std::move(symbols);
    read.history.resize(read.symbols.size());
    for (std::size_t i = 0; i < read.history.size(); ++i)
        read.history[i] = std::int8_t(qMin(int(i), HistoryLength));
    return read;
}

ColumnReading readColumns(const std::vector<std::int8_t> &cipher, SymbolRule rule, int period)
{
    ColumnReading reading;
    reading.period = period;
    reading.base.resize(cipher.size());
    reading.sign.resize(cipher.size());
    SymbolKey zeros;
    zeros.rule = rule;
    zeros.shifts.assign(std::size_t(period), 0);
    SymbolKey ones = zeros;
    ones.shifts.assign(std::size_t(period), 1);
    const SymbolCipher atZero(zeros);
    const SymbolCipher atOne(ones);
    KeyStreamPlace zeroPlace = atZero.start();
    KeyStreamPlace onePlace = atOne.start();
    for (std::size_t i = 0; i < cipher.size(); ++i) {
        const int base = atZero.decryptSymbol(cipher[i], zeroPlace);
        const int step = (atOne.decryptSymbol(cipher[i], onePlace) - base) & (Alphabet::Size - 1);
        Q_ASSERT(step == 1 || step == Alphabet::Size - 1);
        reading.base[i] = std::int8_t(base);
        reading.sign[i] = std::int8_t(step == 1 ? 1 : -1);
    }
    return reading;
}

} // namespace Cryptanalysis
