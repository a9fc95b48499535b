// The ciphers that replace each alphabet symbol by another: one substitution
// alphabet (monoalphabetic) or several in turn (Vigenère, Gronsfeld, Beaufort
// and the autokey). Every other character is copied as it stands and takes no
// step of the key; a lower-case letter is enciphered as its capital.
#pragma once

#include "alphabet.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

enum class SymbolRule {
    Substitution, // c = alphabet[p]
    Vigenere,     // c = p + k (Gronsfeld too, with shifts 0 to 9)
    Beaufort,     // c = k - p, its own inverse
    Autokey,      // c = p + k, the key going on with the plaintext itself
};

// A symbol's shift is its index: the space shifts by 0, А by 1.
struct SymbolKey
{
    SymbolRule rule = SymbolRule::Substitution;
    // Substitution: the cipher symbol of each plain symbol, a permutation.
    std::array<std::int8_t, Alphabet::Size> alphabet {};
    // The other rules: the keyword's shifts, 0 to 31, at least one.
    std::vector<std::int8_t> shifts;
};

// Where a text stands in the key stream: which of the key's alphabets takes
// its next symbol, and the shift that each column takes next. For the autokey
// a column's shift is replaced, once used, by the plaintext symbol it
// enciphered: the plaintext goes on as the key. A line goes on where the line
// before it stopped, as a text on paper would.
struct KeyStreamPlace
{
    int column = 0;
    std::vector<std::int8_t> shifts;
};

// How one plaintext symbol is enciphered, as a lesson shows it step by step.
struct SymbolStep
{
    qsizetype number = 0; // the alphabet symbols of the text before it
    int plain = 0;
    int column = 0; // which of the key's alphabets took it, from 0; 0 for one alphabet
    int shift = 0;  // that alphabet's shift; 0 for one alphabet
    int cipher = 0;
};

class SymbolCipher
{
public:
    explicit SymbolCipher(const SymbolKey &key);

    const SymbolKey &key() const { return m_key; }
    SymbolRule rule() const { return m_key.rule; }
    // Where a text starts.
    KeyStreamPlace start() const;
    // The key stream's length before it repeats: 1 for one alphabet.
    int period() const { return m_key.rule == SymbolRule::Substitution ? 1 : int(m_key.shifts.size()); }

    void appendEncrypted(QStringView text, KeyStreamPlace &place, QString &out) const;
    void appendDecrypted(QStringView text, KeyStreamPlace &place, QString &out) const;
    QString encrypt(QStringView text) const;
    QString decrypt(QStringView text) const;

    // One symbol, 0 to 31, at place, which moves on. Inline: the stream
    // calls them for every symbol of a file.
    int encryptSymbol(int plain, KeyStreamPlace &place) const { return cipherSymbol<true>(plain, place); }
    int decryptSymbol(int cipher, KeyStreamPlace &place) const { return cipherSymbol<false>(cipher, place); }

    // Moves place over one plaintext symbol without enciphering it, so that
    // a text can be cut into parts ciphered at once.
    void pass(int plain, KeyStreamPlace &place) const
    {
        if (m_key.rule == SymbolRule::Substitution)
            return;
        if (m_key.rule == SymbolRule::Autokey)
            place.shifts[std::size_t(place.column)] = std::int8_t(plain);
        if (++place.column == int(place.shifts.size()))
            place.column = 0;
    }
    // The same over a whole plaintext (or, but for the autokey, a ciphertext:
    // the place depends only on the number of symbols then). Returns how many
    // alphabet symbols it passed.
    qsizetype pass(QStringView text, KeyStreamPlace &place) const;
    // How the character at position of a plaintext that starts at place is
    // enciphered; empty when it is no alphabet symbol.
    std::optional<SymbolStep> step(QStringView text, qsizetype position, KeyStreamPlace place) const;
    // Whether the shift that takes the symbol numbered number (from 0, from
    // the start of the text) is a symbol of the plaintext itself: the
    // autokey's, once its keyword is used up.
    bool shiftIsPlaintext(qint64 number) const { return m_key.rule == SymbolRule::Autokey && number >= period(); }
    // What plain becomes in the alphabet of shift: the cell of the square a
    // lesson draws, row shift and column plain. One alphabet has no shifts:
    // its cipher symbol of plain.
    int cipherSymbolUnder(int plain, int shift) const;
    // Whether deciphering a part needs the parts before it deciphered first:
    // the autokey's key is the plaintext.
    bool decryptionIsSequential() const { return m_key.rule == SymbolRule::Autokey; }

private:
    template <bool Encrypt>
    void append(QStringView text, KeyStreamPlace &place, QString &out) const;
    template <bool Encrypt>
    int cipherSymbol(int symbol, KeyStreamPlace &place) const;

    SymbolKey m_key;
    std::array<std::int8_t, Alphabet::Size> m_inverse {};
};

template <bool Encrypt>
inline int SymbolCipher::cipherSymbol(int symbol, KeyStreamPlace &place) const
{
    switch (m_key.rule) {
    case SymbolRule::Substitution:
        return Encrypt ? m_key.alphabet[std::size_t(symbol)] : m_inverse[std::size_t(symbol)];
    case SymbolRule::Vigenere:
    case SymbolRule::Beaufort:
    case SymbolRule::Autokey:
        break;
    }
    const std::size_t column = std::size_t(place.column);
    const int shift = place.shifts[column];
    int result;
    if (m_key.rule == SymbolRule::Beaufort)
        result = (shift - symbol) & (Alphabet::Size - 1);
    else
        result = (Encrypt ? symbol + shift : symbol - shift) & (Alphabet::Size - 1);
    if (m_key.rule == SymbolRule::Autokey)
        place.shifts[column] = std::int8_t(Encrypt ? symbol : result);
    if (++place.column == int(place.shifts.size()))
        place.column = 0;
    return result;
}
