// The ciphers that replace each alphabet symbol by another: one substitution
// alphabet (monoalphabetic) or several in turn (Vigenère, Gronsfeld, Beaufort
// and the autokey), and those that replace a block of symbols at a time
// (Playfair, the two-square, Hill). Every other character is copied as it
// stands and takes no step of the key; a lower-case letter is enciphered as
// its capital.
#pragma once

#include "alphabet.h"
#include "polygram.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

enum class SymbolRule {
    Substitution, // c = alphabet[p]
    Vigenere,     // c = p + k (Gronsfeld too, with shifts 0 to 9)
    Beaufort,     // c = k - p, its own inverse
    Autokey,      // c = p + k, the key going on with the plaintext itself
    Playfair,     // pairs on one rectangle
    TwoSquare,    // pairs across two rectangles
    Hill,         // blocks of 2 or 3, c = K·p
};

// A symbol's shift is its index: the space shifts by 0, А by 1.
struct SymbolKey
{
    SymbolRule rule = SymbolRule::Substitution;
    // Substitution: the cipher symbol of each plain symbol, a permutation.
    // Playfair and the two-square: the (first) rectangle's symbols row by
    // row, Polygram::Rows rows of Polygram::Columns.
    std::array<std::int8_t, Alphabet::Size> alphabet {};
    // The keyword rules: the keyword's shifts, 0 to 31, at least one.
    std::vector<std::int8_t> shifts;
    // The two-square's second rectangle.
    std::array<std::int8_t, Alphabet::Size> second {};
    // Hill's matrix, n × n row by row, with an odd determinant.
    Polygram::Matrix matrix;
    // What the block ciphers add where a block lacks a symbol: a line's odd
    // end (its last block, for Hill), and for Playfair between a pair's two
    // equal symbols.
    std::int8_t filler = Polygram::DefaultFiller;
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

// How one block of a block cipher is enciphered, as a lesson shows it.
struct BlockStep
{
    int size = 0;                     // 2, or 3 for a 3 × 3 Hill matrix
    // Its number among its line's blocks, from 0: its cipher symbols are the
    // ciphertext line's alphabet symbols number · size onwards.
    qsizetype number = 0;
    std::array<qsizetype, 3> position {}; // each plain symbol's place in the text; -1 for a filler
    std::array<int, 3> plain {};
    std::array<int, 3> cipher {};
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
    int period() const { return takesKeyStream() ? int(m_key.shifts.size()) : 1; }
    // How many symbols are replaced at once: 1, or 2 and 3 for the block
    // ciphers. A block cipher takes each line as a text of its own: its
    // blocks start at the line's first symbol, and the line's last block is
    // filled up with the key's filler (Playfair puts it between a pair's
    // two equal symbols too), so that the ciphertext of every line has whole
    // blocks. Deciphering leaves the fillers in, as on paper, and copies a
    // line's symbols that make no whole block as they stand.
    int blockSize() const { return m_blockSize; }

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
        if (!takesKeyStream())
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
    // The block of a block cipher's plaintext that holds the character at
    // position; empty when it is no alphabet symbol or the cipher takes one
    // symbol at a time.
    std::optional<BlockStep> blockStep(QStringView text, qsizetype position) const;
    // A block cipher's block of blockSize() symbols, in place.
    void encryptBlock(int *symbols) const { cipherBlock<true>(symbols); }
    void decryptBlock(int *symbols) const { cipherBlock<false>(symbols); }
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
    struct PlainBlock
    {
        std::array<qsizetype, 3> position;
        std::array<int, 3> symbol;
    };

    bool takesKeyStream() const
    {
        return m_key.rule == SymbolRule::Vigenere || m_key.rule == SymbolRule::Beaufort
            || m_key.rule == SymbolRule::Autokey;
    }
    template <bool Encrypt>
    void append(QStringView text, KeyStreamPlace &place, QString &out) const;
    template <bool Encrypt>
    void appendBlocks(QStringView text, QString &out) const;
    void appendEncryptedBlocks(QStringView line, QString &out) const;
    void appendDecryptedBlocks(QStringView line, QString &out) const;
    // Calls onBlock(const PlainBlock &) for each block of a line's plaintext.
    template <typename OnBlock>
    void forEachPlainBlock(QStringView line, OnBlock &&onBlock) const;
    template <bool Encrypt>
    int cipherSymbol(int symbol, KeyStreamPlace &place) const;
    template <bool Encrypt>
    void cipherBlock(int *symbols) const;

    SymbolKey m_key;
    std::array<std::int8_t, Alphabet::Size> m_inverse {};
    int m_blockSize = 1;
    // Pairs enciphered and deciphered, indexed by 32 · first + second, the
    // result likewise; for every block cipher of pairs.
    std::vector<std::uint16_t> m_encryptedPairs;
    std::vector<std::uint16_t> m_decryptedPairs;
    Polygram::Matrix m_inverseMatrix; // Hill 3 × 3
};

template <bool Encrypt>
inline int SymbolCipher::cipherSymbol(int symbol, KeyStreamPlace &place) const
{
    switch (m_key.rule) {
    case SymbolRule::Substitution:
        return Encrypt ? m_key.alphabet[std::size_t(symbol)] : m_inverse[std::size_t(symbol)];
    case SymbolRule::Playfair:
    case SymbolRule::TwoSquare:
    case SymbolRule::Hill:
        return symbol; // no symbol is enciphered alone
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

template <bool Encrypt>
inline void SymbolCipher::cipherBlock(int *symbols) const
{
    if (m_blockSize == 2) {
        const std::uint16_t pair = (Encrypt ? m_encryptedPairs : m_decryptedPairs)
            [std::size_t(symbols[0] * Alphabet::Size + symbols[1])];
        symbols[0] = pair / Alphabet::Size;
        symbols[1] = pair % Alphabet::Size;
        return;
    }
    if (m_blockSize != 3)
        return;
    const Polygram::Matrix &matrix = Encrypt ? m_key.matrix : m_inverseMatrix;
    int result[3];
    for (int row = 0; row < 3; ++row) {
        result[row] = (matrix[std::size_t(row * 3)] * symbols[0] + matrix[std::size_t(row * 3 + 1)] * symbols[1]
                       + matrix[std::size_t(row * 3 + 2)] * symbols[2])
            & (Alphabet::Size - 1);
    }
    std::copy(result, result + 3, symbols);
}
