// The homophonic substitution cipher: its table, encryption and decryption.
// Widget-free on purpose: the window, the command-line tool, the tests and
// the benchmarks all link this one implementation.
#pragma once

#include <QString>
#include <QStringView>

#include <array>

// One row of the homophone table: a plaintext symbol and its three codes.
struct RowHR
{
    QString symbol;
    std::array<QString, 3> codes;
    // 1-based number of the code last emitted for this symbol; 0 = none yet.
    int counter = 0;
};

using HomophoneTable = std::array<RowHR, 32>;

// Writes the fixed table (space and 31 Cyrillic capitals, codes i, i+32, i+64)
// and resets every counter.
void fillHomophoneTable(HomophoneTable &table);

// Encrypts one line with a key of alphabetCount closed alphabets (1 to 3).
// Every output token is followed by one space. Drives the table's counters,
// so the table should be freshly filled. Any other key gives an empty string.
QString encryptHomophonic(HomophoneTable &table, const QString &line, int alphabetCount);

// Reads back a line written by encryptHomophonic with the same key.
// Any key outside 1 to 3 gives an empty string.
QString decryptHomophonic(const HomophoneTable &table, const QString &line, int alphabetCount);

// As the two functions above, appending the result to out: a caller that
// ciphers many lines reuses one buffer instead of allocating one per line.
void appendEncryptedHomophonic(HomophoneTable &table, QStringView line, int alphabetCount, QString &out);
void appendDecryptedHomophonic(const HomophoneTable &table, QStringView line, int alphabetCount, QString &out);

// True when s holds a letter of A-Z, a-z, А-Я or а-я (Ё, ё excluded).
bool hasLetter(QString s);

// The text after the last line break of text: the line that the cipher
// commands and Save act on.
QString lastLine(const QString &text);
