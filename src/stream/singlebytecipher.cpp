#include "singlebytecipher.h"

#include "textencoding.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>

bool SingleByteCipher::encodePiece(const TextEncoding &encoding, const QString &text, Piece &piece)
{
    QByteArray bytes;
    piece.unencodable = encoding.encode(text, bytes);
    if (bytes.size() > Slack)
        return false;
    piece.length = bytes.size();
    std::copy(bytes.cbegin(), bytes.cend(), piece.bytes.begin());
    return true;
}

bool SingleByteCipher::makeToken(const Piece &piece, Token &token)
{
    if (piece.length + 1 > int(sizeof token.bytes))
        return false;
    std::array<char, sizeof token.bytes> bytes {};
    std::copy(piece.bytes.cbegin(), piece.bytes.cbegin() + piece.length, bytes.begin());
    bytes[piece.length] = ' ';
    std::memcpy(&token.bytes, bytes.data(), sizeof token.bytes);
    token.length = std::uint8_t(piece.length + 1);
    token.unencodable = std::uint8_t(piece.unencodable);
    return true;
}

std::optional<SingleByteCipher> SingleByteCipher::make(const KeyTable &table, int alphabetCount,
                                                       const TextEncoding &encoding)
{
    if (encoding.kind() != TextEncoding::Kind::Windows1251 || alphabetCount < 1)
        return std::nullopt;

    SingleByteCipher cipher;
    cipher.m_codesInUse = codesInUse(table, alphabetCount);
    cipher.m_longRows = !CyclicColumnChoice::fits(cipher.m_codesInUse);
    int places = 0;
    for (int row = 0; row < int(table.size()); ++row) {
        cipher.m_rowStart[row] = std::uint8_t(qMin(places, MaxCodes));
        places += cipher.m_longRows ? cipher.m_codesInUse[row] : ShortRow;
    }
    if (places > MaxCodes)
        return std::nullopt;
    const auto placeOf = [&cipher](int row, int column) {
        return cipher.m_longRows ? cipher.placeOf<true>(row, column) : cipher.placeOf<false>(row, column);
    };
    const SymbolRows symbols(table);
    int longestCopy = 1;
    QString unit;
    for (int byte = 0; byte < 256; ++byte) {
        const char in = char(byte);
        // A byte read as half a surrogate pair would need the pair rule.
        if (encoding.decode(&in, 1, unit) != 0 || unit.size() != 1 || unit.at(0).isSurrogate())
            return std::nullopt;
        const char16_t value = unit.at(0).unicode();
        cipher.m_unit[byte] = value;
        cipher.m_row[byte] = std::int8_t(symbols.rowOf(value));
        cipher.m_digit[byte] = homophonicdetail::isDecimalDigit(value);
        if (!encodePiece(encoding, unit, cipher.m_copy[byte]))
            return std::nullopt;
        longestCopy = qMax(longestCopy, cipher.m_copy[byte].length);
    }
    int longestCode = 0;
    int longestSymbol = 0;
    for (int row = 0; row < int(table.size()); ++row) {
        for (int column = 0; column < cipher.m_codesInUse[row]; ++column) {
            Piece &code = cipher.m_code[placeOf(row, column)];
            if (!encodePiece(encoding, table[row].codes.at(column), code))
                return std::nullopt;
            longestCode = qMax(longestCode, code.length);
        }
        if (!encodePiece(encoding, table[row].symbol, cipher.m_symbol[row]))
            return std::nullopt;
        longestSymbol = qMax(longestSymbol, cipher.m_symbol[row].length);
    }
    const std::array<CodePlace, 100> codePlaces = codePlacesOf(table, alphabetCount);
    for (int code = 0; code < 100; ++code)
        cipher.m_codeRow[code] = std::int8_t(codePlaces[code].row);
    cipher.m_tokens = true;
    for (int row = 0; row < int(table.size()); ++row) {
        for (int column = 0; column < cipher.m_codesInUse[row]; ++column) {
            const int place = placeOf(row, column);
            cipher.m_tokens = cipher.m_tokens && makeToken(cipher.m_code[place], cipher.m_codeToken[place]);
        }
    }
    for (int byte = 0; byte < 256; ++byte)
        cipher.m_tokens = cipher.m_tokens && makeToken(cipher.m_copy[byte], cipher.m_copyToken[byte]);
    cipher.m_threeByteCodes = cipher.m_tokens;
    for (int row = 0; row < int(table.size()); ++row) {
        for (int column = 0; column < cipher.m_codesInUse[row]; ++column) {
            const Token &token = cipher.m_codeToken[placeOf(row, column)];
            cipher.m_threeByteCodes = cipher.m_threeByteCodes && token.length == 3 && token.unencodable == 0;
        }
    }
    // Every byte becomes a code or a copy and a space; a symbol replaces at
    // least one byte.
    cipher.m_encryptedBytesPerByte = qMax(longestCode, longestCopy) + 1;
    cipher.m_decryptedBytesPerByte = qMax(longestSymbol, longestCopy);
    return cipher;
}

class SingleByteCipher::Units
{
public:
    Units(const SingleByteCipher &cipher, const uchar *bytes)
        : m_cipher(cipher)
        , m_bytes(bytes)
    {
    }

    int row(int i) const { return m_cipher.m_row[m_bytes[i]]; }
    bool digit(int i) const { return m_cipher.m_digit[m_bytes[i]]; }
    // make() takes no encoding that decodes a byte to a surrogate.
    static constexpr bool highSurrogate(int) { return false; }
    static constexpr bool lowSurrogate(int) { return false; }

private:
    const SingleByteCipher &m_cipher;
    const uchar *m_bytes;
};

// The hot loop of the tool: one word stored a character, its code or copy
// and the space after it together. The count and the output position live
// in the writer, a local, so that the stores into the output, which may alias
// anything, do not make the compiler reload them. With codes of a known
// length the output position does not wait for a load from the table, which
// keeps the loop from stalling.
template <int CodeLength, bool LongRows>
class SingleByteCipher::TokenWriter
{
public:
    TokenWriter(const SingleByteCipher &cipher, const uchar *bytes, char *out)
        : m_cipher(cipher)
        , m_bytes(bytes)
        , m_to(out)
    {
    }

    bool code(int row, int column)
    {
        const Token &token = m_cipher.m_codeToken[m_cipher.placeOf<LongRows>(row, column)];
        if (CodeLength > 0) {
            std::memcpy(m_to, &token.bytes, sizeof token.bytes);
            m_to += CodeLength;
        } else {
            put(token);
        }
        return true;
    }

    bool copy(int begin, int length)
    {
        if (length == 2) {
            const Piece &first = m_cipher.m_copy[m_bytes[begin]];
            std::memcpy(m_to, first.bytes.data(), Slack);
            m_to += first.length;
            m_counted += first.unencodable;
        }
        put(m_cipher.m_copyToken[m_bytes[begin + length - 1]]);
        return true;
    }

    char *end(qint64 &unencodable) const
    {
        unencodable += m_counted;
        return m_to;
    }

private:
    void put(const Token &token)
    {
        std::memcpy(m_to, &token.bytes, sizeof token.bytes);
        m_to += token.length;
        m_counted += token.unencodable;
    }

    const SingleByteCipher &m_cipher;
    const uchar *m_bytes;
    char *m_to;
    qint64 m_counted = 0;
};

// For codes or copies too long for a word: piece by piece.
template <bool LongRows>
class SingleByteCipher::PieceWriter
{
public:
    PieceWriter(const SingleByteCipher &cipher, const uchar *bytes, char *out)
        : m_cipher(cipher)
        , m_bytes(bytes)
        , m_to(out)
    {
    }

    bool code(int row, int column)
    {
        put(m_cipher.m_code[m_cipher.placeOf<LongRows>(row, column)]);
        *m_to++ = ' ';
        return true;
    }

    bool copy(int begin, int length)
    {
        for (int i = begin; i < begin + length; ++i)
            put(m_cipher.m_copy[m_bytes[i]]);
        *m_to++ = ' ';
        return true;
    }

    char *end(qint64 &unencodable) const
    {
        unencodable += m_counted;
        return m_to;
    }

private:
    void put(const Piece &piece)
    {
        std::memcpy(m_to, piece.bytes.data(), Slack);
        m_to += piece.length;
        m_counted += piece.unencodable;
    }

    const SingleByteCipher &m_cipher;
    const uchar *m_bytes;
    char *m_to;
    qint64 m_counted = 0;
};

template <bool LongRows, typename Choice>
char *SingleByteCipher::encryptWith(const char *line, int size, char *out, qint64 &unencodable, Choice &choice) const
{
    const auto *bytes = reinterpret_cast<const uchar *>(line);
    const Units units(*this, bytes);
    if (m_threeByteCodes) {
        TokenWriter<3, LongRows> write(*this, bytes, out);
        forEachPlainUnit(size, units, choice, write);
        return write.end(unencodable);
    }
    if (m_tokens) {
        TokenWriter<0, LongRows> write(*this, bytes, out);
        forEachPlainUnit(size, units, choice, write);
        return write.end(unencodable);
    }
    PieceWriter<LongRows> write(*this, bytes, out);
    forEachPlainUnit(size, units, choice, write);
    return write.end(unencodable);
}

template <bool LongRows>
char *SingleByteCipher::encryptWithChoice(const char *line, int size, char *out, qint64 &unencodable,
                                          RandomCodeChoice *choice) const
{
    if (choice) {
        RandomColumnChoice columns(m_codesInUse, *choice);
        return encryptWith<LongRows>(line, size, out, unencodable, columns);
    }
    if constexpr (LongRows) {
        LongRowCyclicChoice columns(m_codesInUse);
        return encryptWith<LongRows>(line, size, out, unencodable, columns);
    } else {
        CyclicColumnChoice columns(m_codesInUse);
        return encryptWith<LongRows>(line, size, out, unencodable, columns);
    }
}

char *SingleByteCipher::encrypt(const char *line, int size, char *out, qint64 &unencodable,
                                RandomCodeChoice *choice) const
{
    return m_longRows ? encryptWithChoice<true>(line, size, out, unencodable, choice)
                      : encryptWithChoice<false>(line, size, out, unencodable, choice);
}

char *SingleByteCipher::decrypt(const char *line, int size, char *out, qint64 &unencodable) const
{
    const auto *bytes = reinterpret_cast<const uchar *>(line);
    const auto put = [&out, &unencodable](const Piece &piece) {
        std::memcpy(out, piece.bytes.data(), Slack);
        out += piece.length;
        unencodable += piece.unencodable;
    };
    forEachCipherUnit(size, [this, bytes](int i) { return m_unit[bytes[i]]; }, [&](const CipherUnit &unit) {
        const int row = unit.code >= 0 ? m_codeRow[unit.code] : -1;
        if (row >= 0) {
            put(m_symbol[row]);
            return;
        }
        for (int i = unit.begin; i < unit.begin + unit.length; ++i)
            put(m_copy[bytes[i]]);
    });
    return out;
}
