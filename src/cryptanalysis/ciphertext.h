// Ciphertext read into units the way decryption reads it.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <climits>
#include <vector>

namespace Cryptanalysis {

constexpr int CodeCount = 100; // two-digit codes 00 to 99

struct CipherText
{
    // A code 0 to 99, or one of these.
    enum : qint16 { Copied = -1, LineEnd = -2 };

    std::vector<qint16> units;
    QStringList copied;       // the copied characters, in the order of their Copied units
    int codeCount = 0;
    int tokenCount = 0;       // codes and copied characters
    int lineCount = 0;

    // The text that decryption with a table mapping code -> symbol
    // (-1: no symbol, kept as its digits) would give; lines end in '\n'.
    // At most maxLength characters: the start of that text.
    QString plaintext(const std::array<int, CodeCount> &symbolOfCode, int maxLength = INT_MAX) const;
};

// Lines end where the tool's decryption ends them (lineend.h: a lone CR is
// part of its line, so the codes on both sides of it are one run of the
// cipher's counters); each line is walked as decryption walks it
// (forEachCipherUnit): a unit of two ASCII digits is a code, anything else
// decryption would copy.
CipherText readCipherText(QStringView text);

// A ciphertext of a symbol cipher read the same way: each alphabet symbol is
// a code, its index 0 to 31, so that the search over codes reads it as it
// reads a homophonic one; every other character (a surrogate pair as one)
// is copied, and lines end as they do there.
CipherText readSymbolText(QStringView text);

} // namespace Cryptanalysis
