// The keys of the symbol ciphers in the forms a lesson gives them, and
// their key files.
//
// A key file of a symbol family states the family on its first line of
// content ("шифр<TAB>mono"). A substitution alphabet then has one line a
// symbol, the plain symbol and its cipher symbol separated by a tab; a
// keyword cipher has one line "ключ<TAB>WORD"; a rectangle has one line a
// row, "строка<TAB>" and its 8 symbols (the two-square's second rectangle in
// four more such lines); Hill's matrix one line "матрица<TAB>3 5; 2 7". The
// block ciphers may name their filler, "заполнитель<TAB>Ъ". The space is
// written as ␣.
#pragma once

#include "keyfile.h"
#include "symbolcipher.h"

#include <QByteArray>
#include <QDateTime>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <optional>

namespace SymbolKeys {

// Each plain symbol shifted by shift (Caesar): c = p + shift mod 32.
SymbolKey shift(int shift);
// c = a·p + b mod 32; a must be odd, so that every symbol has one inverse.
std::optional<SymbolKey> affine(int a, int b);
// The cipher alphabet read backwards: the space for Я, А for Ю, ...
SymbolKey atbash();
// The keyword's distinct alphabet symbols in order, then the rest of the
// alphabet in order. Characters of no alphabet symbol are passed over; empty
// when none is left.
std::optional<SymbolKey> keywordAlphabet(QStringView keyword);
// An alphabet from the source, every permutation equally likely; the same
// sequence from the source gives the same alphabet.
SymbolKey randomAlphabet(QRandomGenerator &source);
// A cipher alphabet written out, the cipher symbols of the space, А, Б, ...
// in order (the space as ␣ or a space); empty with the reason when it is not
// each of the 32 symbols once.
std::optional<SymbolKey> alphabetFromText(QStringView text, QString &problem);

// Several alphabets: the shifts of the keyword's alphabet symbols, with rule.
// Empty when the keyword has none.
std::optional<SymbolKey> keyword(SymbolRule rule, QStringView keyword);
// Gronsfeld: decimal digits as shifts. Empty with the reason for anything else.
std::optional<SymbolKey> digits(QStringView digits, QString &problem);

// A rectangle for rule (Playfair or the two-square's first one): the
// keyword's distinct alphabet symbols row by row, then the rest of the
// alphabet in order. A keyword of all 32 symbols gives the rectangle whole.
// Empty when the keyword has no alphabet symbol.
std::optional<SymbolKey> rectangle(SymbolRule rule, QStringView keyword);
// The two-square's rectangles from two keywords; empty with the reason.
std::optional<SymbolKey> twoSquare(QStringView first, QStringView second, QString &problem);
// Hill's matrix from a keyword of 4 or 9 alphabet symbols (their indices row
// by row) or from numbers ("3 5; 2 7"); empty with the reason.
std::optional<SymbolKey> hillKeyword(QStringView keyword, QString &problem);
std::optional<SymbolKey> hillMatrix(QStringView text, QString &problem);
// A random rectangle, or an invertible random matrix of size × size.
SymbolKey randomRectangles(SymbolRule rule, QRandomGenerator &source);
SymbolKey randomMatrix(int size, QRandomGenerator &source);
// The filler written as one symbol (␣ or a letter); -1 with the reason.
int fillerFromText(QStringView text, QString &problem);

// The keyword a key of several alphabets spells (the shifts as symbols), or
// for Gronsfeld its digits.
QString keywordText(const SymbolKey &key);
QString digitsText(const SymbolKey &key);
// The cipher alphabet as alphabetFromText reads it, the space as ␣.
QString alphabetText(const SymbolKey &key);
// A rectangle's rows separated by slashes, the space as ␣.
QString rectangleText(const std::array<std::int8_t, Alphabet::Size> &rectangle);

// The form a family's key file takes.
enum class KeyFileForm { Alphabet, Keyword, Digits, Rectangle, TwoRectangles, Matrix };

// A key file of family (its name as the file states it), with a comment
// saying what it is and when it was made (and from which seed).
QString keyFileText(const QString &family, const QString &title, KeyFileForm form, const SymbolKey &key,
                    const QDateTime &madeAt, std::optional<quint64> seed = std::nullopt);

struct Reading
{
    std::optional<SymbolKey> key; // only when the file passed every check
    QStringList problems;         // each with the file's name and the line
};

// Reads a key file of family; rule is the family's rule. fileName only names
// it in the messages.
Reading readKeyFile(const QByteArray &bytes, const QString &fileName, const QString &family, SymbolRule rule,
                    KeyFileForm form, KeyFileReasons reasons = KeyFileReasons::Written);

} // namespace SymbolKeys
