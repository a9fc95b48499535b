// The cipher straight on the bytes of a single-byte encoding: what decoding a
// line into UTF-16, ciphering it and encoding it back would write, from tables
// built once through that very route. Four-fifths of the tool's time went into
// the round trip through UTF-16.
#pragma once

#include "homophonic.h"

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <optional>

class TextEncoding;

class SingleByteCipher
{
public:
    // Null when the encoding has more than one byte a character, the key is
    // below 1, the table has codes too long for the byte tables or more than
    // MaxCodes codes in use; the text must then go through UTF-16.
    static std::optional<SingleByteCipher> make(const KeyTable &table, int alphabetCount,
                                                const TextEncoding &encoding);

    // Bytes written for one byte of input, at most.
    int encryptedBytesPerByte() const { return m_encryptedBytesPerByte; }
    int decryptedBytesPerByte() const { return m_decryptedBytesPerByte; }
    // What writing may overrun past the end of its output, at most.
    static constexpr int Slack = 8;

    // Write the ciphered line from out on and return the end; unencodable
    // counts the characters written as '?'. With choice null the codes are
    // taken in turn, the counters starting afresh.
    char *encrypt(const char *line, int size, char *out, qint64 &unencodable, RandomCodeChoice *choice) const;
    char *decrypt(const char *line, int size, char *out, qint64 &unencodable) const;

private:
    // What one piece of text encodes to; written Slack bytes at a time.
    struct Piece
    {
        std::array<char, Slack> bytes {};
        int length = 0;
        int unencodable = 0;
    };

    // A piece and the separator space after it, stored as one 8-byte word.
    struct Token
    {
        std::uint64_t bytes = 0;
        std::uint8_t length = 0;
        std::uint8_t unencodable = 0;
    };

    // The encryption walk's view of a line's bytes, and its writers: whole
    // tokens of codes of CodeLength bytes (0: of any length), or pieces. With
    // LongRows the codes of a row start where m_rowStart says; otherwise every
    // row has three places, the layout of the fast path.
    class Units;
    template <int CodeLength, bool LongRows>
    class TokenWriter;
    template <bool LongRows>
    class PieceWriter;

    static constexpr int MaxCodes = 100;
    static constexpr int ShortRow = homophonicdetail::MostCodes;

    template <bool LongRows>
    int placeOf(int row, int column) const
    {
        return LongRows ? m_rowStart[row] + column : row * ShortRow + column;
    }

    SingleByteCipher() = default;

    static bool makeToken(const Piece &piece, Token &token);

    static bool encodePiece(const TextEncoding &encoding, const QString &text, Piece &piece);

    template <bool LongRows>
    char *encryptWithChoice(const char *line, int size, char *out, qint64 &unencodable,
                            RandomCodeChoice *choice) const;
    template <bool LongRows, typename Choice>
    char *encryptWith(const char *line, int size, char *out, qint64 &unencodable, Choice &choice) const;

    RowCodeCounts m_codesInUse {};
    std::array<char16_t, 256> m_unit {};     // each byte decoded
    std::array<std::int8_t, 256> m_row {};   // the row encryption looks up, or -1
    std::array<bool, 256> m_digit {};        // a decimal digit
    std::array<Piece, 256> m_copy {};        // each byte copied as a character
    // Each code in use, at placeOf its row and column.
    std::array<Piece, MaxCodes> m_code {};
    bool m_longRows = false;
    std::array<std::uint8_t, 32> m_rowStart {};
    std::array<Piece, 32> m_symbol {};
    std::array<std::int8_t, 100> m_codeRow {};
    // The encryption's tables, when every piece and its space fit a word.
    bool m_tokens = false;
    // Every code and its space take three bytes, as two ASCII digits do.
    bool m_threeByteCodes = false;
    std::array<Token, MaxCodes> m_codeToken {};
    std::array<Token, 256> m_copyToken {};
    int m_encryptedBytesPerByte = 0;
    int m_decryptedBytesPerByte = 0;
};
