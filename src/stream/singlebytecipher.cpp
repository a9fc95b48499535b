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

std::optional<SingleByteCipher> SingleByteCipher::make(const HomophoneTable &table, int alphabetCount,
                                                       const TextEncoding &encoding)
{
    if (encoding.kind() != TextEncoding::Kind::Windows1251 || alphabetCount < 1 || alphabetCount > 3)
        return std::nullopt;

    SingleByteCipher cipher;
    cipher.m_alphabetCount = alphabetCount;
    int longestCopy = 1;
    QString unit;
    for (int byte = 0; byte < 256; ++byte) {
        const char in = char(byte);
        if (encoding.decode(&in, 1, unit) != 0 || unit.size() != 1)
            return std::nullopt;
        const char16_t value = unit.at(0).unicode();
        cipher.m_unit[byte] = value;
        cipher.m_digit[byte] = homophonicdetail::isDecimalDigit(value);
        if (!encodePiece(encoding, unit, cipher.m_copy[byte]))
            return std::nullopt;
        longestCopy = qMax(longestCopy, cipher.m_copy[byte].length);
    }
    std::array<int, 256> rows;
    symbolRowsOf(table, cipher.m_unit.data(), 256, rows.data());
    for (int byte = 0; byte < 256; ++byte)
        cipher.m_row[byte] = std::int8_t(rows[byte]);
    int longestCode = 0;
    int longestSymbol = 0;
    for (int row = 0; row < int(table.size()); ++row) {
        for (int column = 0; column < alphabetCount; ++column) {
            if (!encodePiece(encoding, table[row].codes[column], cipher.m_code[row][column]))
                return std::nullopt;
            longestCode = qMax(longestCode, cipher.m_code[row][column].length);
        }
        if (!encodePiece(encoding, table[row].symbol, cipher.m_symbol[row]))
            return std::nullopt;
        longestSymbol = qMax(longestSymbol, cipher.m_symbol[row].length);
    }
    const std::array<int, 100> codeRows = codeRowsOf(table, alphabetCount);
    for (int code = 0; code < 100; ++code)
        cipher.m_codeRow[code] = std::int8_t(codeRows[code]);
    cipher.m_tokens = true;
    for (int row = 0; row < int(table.size()); ++row) {
        for (int column = 0; column < alphabetCount; ++column)
            cipher.m_tokens = cipher.m_tokens && makeToken(cipher.m_code[row][column], cipher.m_codeToken[row][column]);
    }
    for (int byte = 0; byte < 256; ++byte)
        cipher.m_tokens = cipher.m_tokens && makeToken(cipher.m_copy[byte], cipher.m_copyToken[byte]);
    cipher.m_threeByteCodes = cipher.m_tokens;
    for (int row = 0; row < int(table.size()); ++row) {
        for (int column = 0; column < alphabetCount; ++column) {
            const Token &token = cipher.m_codeToken[row][column];
            cipher.m_threeByteCodes = cipher.m_threeByteCodes && token.length == 3 && token.unencodable == 0;
        }
    }
    for (int column = 0; column < alphabetCount; ++column)
        cipher.m_nextColumn[column] = std::uint8_t(column + 1 == alphabetCount ? 0 : column + 1);
    // Every byte becomes a code or a copy and a space; a symbol replaces at
    // least one byte.
    cipher.m_encryptedBytesPerByte = qMax(longestCode, longestCopy) + 1;
    cipher.m_decryptedBytesPerByte = qMax(longestSymbol, longestCopy);
    return cipher;
}

char *SingleByteCipher::encrypt(const char *line, int size, char *out, qint64 &unencodable,
                                RandomCodeChoice *choice) const
{
    const auto *bytes = reinterpret_cast<const uchar *>(line);
    // The column of each row's next code, as the table's counters give it.
    std::array<std::uint8_t, 32> nextColumn {};
    if (m_tokens && !choice) {
        // The hot loop of the tool: one word stored a character, its code
        // or copy and the space after it together. The count and the output
        // position are local, so that the stores into the output, which may
        // alias anything, do not make the compiler reload them.
        qint64 counted = 0;
        char *to = out;
        const std::array<std::uint8_t, 3> successor = m_nextColumn;
        const auto put = [&to, &counted](const Token &token) {
            std::memcpy(to, &token.bytes, sizeof token.bytes);
            to += token.length;
            counted += token.unencodable;
        };
        // With codes of a known length the output position does not wait
        // for a load from the table, which keeps the loop from stalling.
        const int codeLength = m_threeByteCodes ? 3 : 0;
        for (int i = 0; i < size; ++i) {
            const uchar byte = bytes[i];
            const int row = m_row[byte];
            if (Q_LIKELY(row >= 0)) {
                const int column = nextColumn[row];
                nextColumn[row] = successor[column];
                const Token &token = m_codeToken[row][column];
                if (Q_LIKELY(codeLength)) {
                    std::memcpy(to, &token.bytes, sizeof token.bytes);
                    to += codeLength;
                } else {
                    put(token);
                }
            } else if (m_digit[byte] && i + 1 < size && m_digit[bytes[i + 1]]) {
                std::memcpy(to, m_copy[byte].bytes.data(), Slack);
                to += m_copy[byte].length;
                counted += m_copy[byte].unencodable;
                put(m_copyToken[bytes[++i]]);
            } else {
                put(m_copyToken[byte]);
            }
        }
        unencodable += counted;
        return to;
    }

    const auto put = [&out, &unencodable](const Piece &piece) {
        std::memcpy(out, piece.bytes.data(), Slack);
        out += piece.length;
        unencodable += piece.unencodable;
    };
    const int lastColumn = m_alphabetCount - 1;
    for (int i = 0; i < size; ++i) {
        const uchar byte = bytes[i];
        const int row = m_row[byte];
        if (row >= 0) {
            int column;
            if (choice) {
                column = choice->column(m_alphabetCount);
            } else {
                column = nextColumn[row];
                nextColumn[row] = column == lastColumn ? 0 : std::uint8_t(column + 1);
            }
            put(m_code[row][column]);
        } else if (m_digit[byte] && i + 1 < size && m_digit[bytes[i + 1]]) {
            put(m_copy[byte]);
            put(m_copy[bytes[++i]]);
        } else {
            put(m_copy[byte]);
        }
        *out++ = ' ';
    }
    return out;
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
