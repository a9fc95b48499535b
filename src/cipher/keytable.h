// Secret key tables: any homophone table that keeps the cipher's rules, read
// from and written to key files, or made at random.
//
// A key file is UTF-8 text. Lines that start with '#' are comments, blank lines
// are ignored, and every other line is a symbol and its codes, one or more,
// separated by tabs. The space is written as ␣ (U+2423), since a bare space
// vanishes in editors.
#pragma once

#include "homophonic.h"
#include "keyfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// The problems that make table no key table: each of the 32 symbols of the
// fixed table exactly once, each with at least one code, every code two ASCII
// digits, all codes distinct, at most 100 of them. Empty when the table is
// valid; rows are counted from 1 in the messages.
QStringList keyTableProblems(const KeyTable &table);

struct KeyFileReading
{
    // Present only when the file passed every check. Its rows are in the fixed
    // table's order (space, А to Я), whatever order the file gave them in.
    std::optional<KeyTable> table;
    // Every problem found, in file order, each naming the file and, where it
    // has one, the line: «ключ.txt», строка 5: ...
    QStringList problems;
};

// Reads the bytes of a key file; fileName only names it in the messages. More
// than MaxKeyFileSize bytes are refused, so a caller reading a file needs to
// read no more than MaxKeyFileSize + 1 bytes of it.
KeyFileReading readKeyTable(const QByteArray &bytes, const QString &fileName,
                            KeyFileReasons reasons = KeyFileReasons::Written);

// Opens and reads the key file at path, at most MaxKeyFileSize + 1 bytes of it.
// A file that cannot be opened or read is one problem, with the system's reason.
KeyFileReading readKeyFile(const QString &path);

// The table in the key file format, one row a line in the table's order, no
// comments: what `homophonic table` prints and readKeyTable reads back.
QString keyTableText(const KeyTable &table);

// A new key file: a comment saying when it was made (and from which seed, when
// it was made from one) and, when given, how the codes were dealt, then
// keyTableText.
QString keyFileText(const KeyTable &table, const QDateTime &madeAt,
                    std::optional<quint64> seed = std::nullopt, const QString &dealing = QString());

// Seats dealt in proportion to counts by the largest-remainder method, with
// at least one seat each: party i's quota is seats * counts[i] / total; each
// gets the whole part of its quota, or 1 if that is 0, and the seats left go
// one each to the largest remainders, the earlier party first where two are
// equal. Where the minimum of one gives out more seats than there are, seats
// go back one at a time from the party with the most seats for its count, the
// later party first where two are equal, so that the others keep their
// proportions. All counts 0 deal as all equal. Needs seats of at least
// counts.size() (below that, every party holds its one seat).
std::vector<int> proportionalShares(const std::vector<quint64> &counts, int seats);

// Row lengths for a key of codes codes (32 to 100) dealt in proportion to
// symbolCounts, counted in the fixed table's order: proportionalShares.
std::array<int, 32> proportionalRowLengths(const std::array<quint64, 32> &symbolCounts, int codes);

// The key file's comment on how its codes were dealt (keyFileText's dealing):
// equal rows of codesEach codes, empty for three each as keys have always
// been written; or codes dealt in proportion to the symbols' counts in
// source ("во встроенной модели русского языка", "в корпусе «…»").
QString equalDealing(int codesEach);
QString proportionalDealing(int codes, const QString &source);

// Three codes each, as keys have always had.
constexpr std::array<int, 32> ThreeCodesEach = {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
                                                3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3};

// A random key table: the codes 00 to 99 shuffled and dealt in that order,
// rowLengths[i] of them to the i-th symbol in the fixed table's order (at most
// 100 in all); the codes left over are no symbol's. The same sequence from
// the source gives the same table.
KeyTable randomKeyTable(QRandomGenerator &source, const std::array<int, 32> &rowLengths = ThreeCodesEach);

// Puts count values in a random order, each order equally likely. The same
// sequence from the source gives the same order with every standard library,
// which std::shuffle does not promise.
void shuffleExactly(QRandomGenerator &source, int *values, int count);

// A code 0 to 99 as keys and ciphertexts write it: two digits.
QString codeText(int value);

// The source behind a seed given by the user: the same seed always gives the
// same numbers, on every machine.
QRandomGenerator seededGenerator(quint64 seed);
