// Feeds arbitrary UTF-16 text to decryption, and checks that the digit-free
// part of it survives an encryption and decryption round trip.
#include "homophonic.h"

#include <QChar>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool isDigitUnit(QChar c)
{
    return (c.unicode() >= u'0' && c.unicode() <= u'9')
        || (c.unicode() >= 0x80 && c.category() == QChar::Number_DecimalDigit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the key, including keys outside 1 to 3.
    const int alphabetCount = int(std::int8_t(data[0])) % 5;
    QString text(int((size - 1) / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data + 1, size_t(text.size()) * 2);

    HomophoneTable table;
    fillHomophoneTable(table);
    const QString decrypted = decryptHomophonic(table, text, alphabetCount);
    if (alphabetCount < 1 || alphabetCount > 3) {
        if (!decrypted.isEmpty())
            std::abort();
        return 0;
    }

    QString line;
    QString expected;
    for (const QChar c : qAsConst(text)) {
        if (isDigitUnit(c))
            continue;
        line += c;
        const QChar upper = c.toUpper();
        bool inTable = false;
        for (const RowHR &row : table)
            inTable = inTable || row.symbol == QString(upper);
        expected += inTable ? upper : c;
    }
    const QString cipher = encryptHomophonic(table, line, alphabetCount);
    if (decryptHomophonic(table, cipher, alphabetCount) != expected)
        std::abort();
    return 0;
}
