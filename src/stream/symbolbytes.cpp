#include "symbolbytes.h"

#include "textencoding.h"

#include <QByteArray>
#include <QString>

#include <cstring>

namespace {

// Two bytes in memory order, looked up as one.
std::shared_ptr<const std::vector<std::uint16_t>> pairsOf(const std::array<char, 256> &single)
{
    auto pairs = std::make_shared<std::vector<std::uint16_t>>(std::size_t(1) << 16);
    for (std::size_t pair = 0; pair < pairs->size(); ++pair) {
        unsigned char in[2];
        const std::uint16_t value = std::uint16_t(pair);
        std::memcpy(in, &value, 2);
        const unsigned char out[2] = { static_cast<unsigned char>(single[in[0]]),
                                       static_cast<unsigned char>(single[in[1]]) };
        std::memcpy(&(*pairs)[pair], out, 2);
    }
    return pairs;
}

} // namespace

std::optional<SymbolBytes> SymbolBytes::make(const SymbolCipher &cipher, const TextEncoding &encoding)
{
    const ByteDecoding *decoding = encoding.byteDecoding();
    if (!decoding)
        return std::nullopt;
    SymbolBytes bytes(cipher);
    QByteArray encoded;
    const auto encodesTo = [&](QChar c, char &byte) {
        encoded.resize(0);
        if (encoding.encode(QString(c), encoded) != 0 || encoded.size() != 1)
            return false;
        byte = encoded.at(0);
        return true;
    };
    for (int symbol = 0; symbol < Alphabet::Size; ++symbol) {
        if (!encodesTo(Alphabet::symbol(symbol), bytes.m_byte[std::size_t(symbol)]))
            return std::nullopt;
    }
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t unit = (*decoding)[std::size_t(byte)];
        const int symbol = Alphabet::indexOf(unit);
        bytes.m_symbol[std::size_t(byte)] = std::int8_t(symbol);
        if (symbol >= 0)
            continue;
        // Copied: the byte must come back as itself, with nothing to count.
        char copy = 0;
        if (unit == 0xFFFD || !encodesTo(QChar(unit), copy) || copy != char(byte))
            return std::nullopt;
    }
    if (cipher.blockSize() == 2) {
        auto encrypted = std::make_shared<std::vector<std::uint16_t>>(std::size_t(1) << 16);
        auto decrypted = std::make_shared<std::vector<std::uint16_t>>(std::size_t(1) << 16);
        for (std::size_t pair = 0; pair < encrypted->size(); ++pair) {
            const unsigned char in[2] = { static_cast<unsigned char>(pair & 0xFF), static_cast<unsigned char>(pair >> 8) };
            int symbols[3] = { bytes.m_symbol[in[0]], bytes.m_symbol[in[1]], 0 };
            if (symbols[0] < 0 || symbols[1] < 0)
                continue;
            char out[2];
            cipher.encryptBlock(symbols);
            out[0] = bytes.m_byte[std::size_t(symbols[0])];
            out[1] = bytes.m_byte[std::size_t(symbols[1])];
            std::memcpy(&(*encrypted)[pair], out, 2);
            symbols[0] = bytes.m_symbol[in[0]];
            symbols[1] = bytes.m_symbol[in[1]];
            cipher.decryptBlock(symbols);
            out[0] = bytes.m_byte[std::size_t(symbols[0])];
            out[1] = bytes.m_byte[std::size_t(symbols[1])];
            std::memcpy(&(*decrypted)[pair], out, 2);
        }
        bytes.m_encryptedBlocks = encrypted;
        bytes.m_decryptedBlocks = decrypted;
    }
    // A block cipher needs no more than which byte is which symbol.
    if (cipher.blockSize() > 1)
        return bytes;
    const SymbolKey &key = cipher.key();
    for (int byte = 0; byte < 256; ++byte) {
        const int symbol = bytes.m_symbol[std::size_t(byte)];
        if (symbol < 0 || key.rule != SymbolRule::Substitution) {
            bytes.m_encrypted[std::size_t(byte)] = char(byte);
            bytes.m_decrypted[std::size_t(byte)] = char(byte);
            continue;
        }
        KeyStreamPlace none;
        bytes.m_encrypted[std::size_t(byte)] = bytes.m_byte[std::size_t(cipher.encryptSymbol(symbol, none))];
        bytes.m_decrypted[std::size_t(byte)] = bytes.m_byte[std::size_t(cipher.decryptSymbol(symbol, none))];
    }
    if (key.rule == SymbolRule::Substitution) {
        bytes.m_encryptedPairs = pairsOf(bytes.m_encrypted);
        bytes.m_decryptedPairs = pairsOf(bytes.m_decrypted);
        return bytes;
    }
    auto pairSymbols = std::make_shared<std::vector<std::uint8_t>>(std::size_t(1) << 16);
    for (std::size_t pair = 0; pair < pairSymbols->size(); ++pair) {
        const std::uint16_t value = std::uint16_t(pair);
        unsigned char in[2];
        std::memcpy(in, &value, 2);
        (*pairSymbols)[pair] = std::uint8_t((bytes.m_symbol[in[0]] >= 0) + (bytes.m_symbol[in[1]] >= 0));
    }
    bytes.m_pairSymbols = pairSymbols;
    if (key.rule != SymbolRule::Autokey && cipher.period() <= MaxTabledPeriod) {
        auto encrypted = std::make_shared<std::vector<std::array<char, 256>>>(std::size_t(cipher.period()));
        auto decrypted = std::make_shared<std::vector<std::array<char, 256>>>(std::size_t(cipher.period()));
        for (int column = 0; column < cipher.period(); ++column) {
            for (int byte = 0; byte < 256; ++byte) {
                const int symbol = bytes.m_symbol[std::size_t(byte)];
                KeyStreamPlace place = cipher.start();
                place.column = column;
                (*encrypted)[std::size_t(column)][std::size_t(byte)] =
                    symbol < 0 ? char(byte) : bytes.m_byte[std::size_t(cipher.encryptSymbol(symbol, place))];
                place.column = column;
                (*decrypted)[std::size_t(column)][std::size_t(byte)] =
                    symbol < 0 ? char(byte) : bytes.m_byte[std::size_t(cipher.decryptSymbol(symbol, place))];
            }
        }
        bytes.m_columnEncrypted = encrypted;
        bytes.m_columnDecrypted = decrypted;
    }
    if (key.rule == SymbolRule::Autokey) {
        auto encrypted = std::make_shared<std::vector<std::array<char, 256>>>(std::size_t(Alphabet::Size));
        auto decrypted = std::make_shared<std::vector<std::array<char, 256>>>(std::size_t(Alphabet::Size));
        for (int shift = 0; shift < Alphabet::Size; ++shift) {
            std::array<char, 256> &forward = (*encrypted)[std::size_t(shift)];
            std::array<char, 256> &back = (*decrypted)[std::size_t(shift)];
            for (int byte = 0; byte < 256; ++byte) {
                const int symbol = bytes.m_symbol[std::size_t(byte)];
                forward[std::size_t(byte)] = back[std::size_t(byte)] = char(byte);
                if (symbol < 0)
                    continue;
                KeyStreamPlace place { 0, { std::int8_t(shift) } };
                forward[std::size_t(byte)] = bytes.m_byte[std::size_t(cipher.encryptSymbol(symbol, place))];
                place = KeyStreamPlace { 0, { std::int8_t(shift) } };
                back[std::size_t(byte)] = bytes.m_byte[std::size_t(cipher.decryptSymbol(symbol, place))];
            }
        }
        bytes.m_shiftEncrypted = encrypted;
        bytes.m_shiftDecrypted = decrypted;
    }
    return bytes;
}

template <bool Encrypt>
void SymbolBytes::cipher(const char *line, int size, char *out, KeyStreamPlace &place) const
{
    const auto *in = reinterpret_cast<const unsigned char *>(line);
    if (m_cipher->rule() == SymbolRule::Substitution) {
        const std::uint16_t *pairs = (Encrypt ? m_encryptedPairs : m_decryptedPairs)->data();
        int i = 0;
        for (; i + 2 <= size; i += 2) {
            std::uint16_t pair;
            std::memcpy(&pair, in + i, 2);
            std::memcpy(out + i, pairs + pair, 2);
        }
        if (i < size)
            out[i] = (Encrypt ? m_encrypted : m_decrypted)[in[i]];
        return;
    }
    if (m_columnEncrypted) {
        const std::array<char, 256> *tables = (Encrypt ? m_columnEncrypted : m_columnDecrypted)->data();
        const int period = int(place.shifts.size());
        int column = place.column;
        for (int i = 0; i < size; ++i) {
            out[i] = tables[column][in[i]];
            column += m_symbol[in[i]] >= 0;
            if (column == period)
                column = 0;
        }
        place.column = column;
        return;
    }
    if (m_shiftEncrypted) {
        const std::array<char, 256> *tables = (Encrypt ? m_shiftEncrypted : m_shiftDecrypted)->data();
        std::int8_t *shifts = place.shifts.data();
        const int period = int(place.shifts.size());
        int column = place.column;
        for (int i = 0; i < size; ++i) {
            const int symbol = m_symbol[in[i]];
            if (symbol < 0) {
                out[i] = char(in[i]);
                continue;
            }
            const char result = tables[shifts[column]][in[i]];
            out[i] = result;
            shifts[column] = std::int8_t(Encrypt ? symbol : m_symbol[static_cast<unsigned char>(result)]);
            if (++column == period)
                column = 0;
        }
        place.column = column;
        return;
    }
    for (int i = 0; i < size; ++i) {
        const int symbol = m_symbol[in[i]];
        if (symbol < 0) {
            out[i] = char(in[i]);
            continue;
        }
        out[i] = m_byte[std::size_t(Encrypt ? m_cipher->encryptSymbol(symbol, place)
                                            : m_cipher->decryptSymbol(symbol, place))];
    }
}

void SymbolBytes::encrypt(const char *line, int size, char *out, KeyStreamPlace &place) const
{
    cipher<true>(line, size, out, place);
}

void SymbolBytes::decrypt(const char *line, int size, char *out, KeyStreamPlace &place) const
{
    cipher<false>(line, size, out, place);
}

void SymbolBytes::pass(const char *data, int size, KeyStreamPlace &place) const
{
    if (m_cipher->rule() == SymbolRule::Substitution || m_cipher->blockSize() > 1)
        return;
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    const std::uint8_t *pairs = m_pairSymbols->data();
    std::int64_t count = 0;
    int i = 0;
    for (; i + 2 <= size; i += 2) {
        std::uint16_t pair;
        std::memcpy(&pair, in + i, 2);
        count += pairs[pair];
    }
    if (i < size)
        count += m_symbol[in[i]] >= 0;
    const int period = int(place.shifts.size());
    // The autokey's shifts to come are the last plaintext symbols, one a
    // column: only the last period symbols of the part need passing.
    std::vector<std::int8_t> last;
    if (m_cipher->rule() == SymbolRule::Autokey) {
        for (int j = size - 1; j >= 0 && int(last.size()) < period; --j) {
            if (m_symbol[in[j]] >= 0)
                last.push_back(m_symbol[in[j]]);
        }
    }
    place.column = int((place.column + (count - std::int64_t(last.size())) % period) % period);
    for (auto symbol = last.rbegin(); symbol != last.rend(); ++symbol)
        m_cipher->pass(*symbol, place);
}

char *SymbolBytes::encryptBlocks(const char *line, int size, char *out) const
{
    const auto *in = reinterpret_cast<const unsigned char *>(line);
    const SymbolCipher &cipher = *m_cipher;
    const int blockSize = cipher.blockSize();
    const bool splitsDoubles = cipher.rule() == SymbolRule::Playfair;
    const int filler = cipher.key().filler;
    int symbols[3];
    char *placed[3]; // where each symbol of the block waiting for its end stands in out
    int filled = 0;
    const auto writeBlock = [&] {
        cipher.encryptBlock(symbols);
        for (int k = 0; k < blockSize; ++k)
            *placed[k] = m_byte[std::size_t(symbols[k])];
        filled = 0;
    };
    // A filler right after the block's last symbol so far: the bytes written
    // after it move on by one.
    const auto insertFiller = [&](int symbol) {
        char *at = placed[filled - 1] + 1;
        std::memmove(at + 1, at, std::size_t(out - at));
        ++out;
        symbols[filled] = symbol;
        placed[filled++] = at;
    };
    const std::uint16_t *pairs = m_encryptedBlocks ? m_encryptedBlocks->data() : nullptr;
    for (int i = 0; i < size; ++i) {
        // Two symbols that make a pair, the usual case, at one lookup.
        if (pairs && filled == 0 && i + 1 < size) {
            const int first = m_symbol[in[i]];
            const int second = m_symbol[in[i + 1]];
            if (first >= 0 && second >= 0 && !(splitsDoubles && first == second)) {
                std::uint16_t pair;
                std::memcpy(&pair, in + i, 2);
                std::memcpy(out, pairs + pair, 2);
                out += 2;
                ++i;
                continue;
            }
        }
        const int symbol = m_symbol[in[i]];
        if (symbol < 0) {
            *out++ = char(in[i]);
            continue;
        }
        if (splitsDoubles && filled == 1 && symbols[0] == symbol) {
            insertFiller(symbol == filler ? Polygram::secondFiller(filler) : filler);
            writeBlock();
        }
        symbols[filled] = symbol;
        placed[filled++] = out++;
        if (filled == blockSize)
            writeBlock();
    }
    if (filled > 0) {
        const int padding = splitsDoubles && symbols[0] == filler ? Polygram::secondFiller(filler) : filler;
        while (filled < blockSize)
            insertFiller(padding);
        writeBlock();
    }
    return out;
}

void SymbolBytes::decryptBlocks(const char *line, int size, char *out) const
{
    const auto *in = reinterpret_cast<const unsigned char *>(line);
    const SymbolCipher &cipher = *m_cipher;
    const int blockSize = cipher.blockSize();
    std::memcpy(out, line, std::size_t(size));
    int symbols[3];
    int placed[3];
    int filled = 0;
    const std::uint16_t *pairs = m_decryptedBlocks ? m_decryptedBlocks->data() : nullptr;
    for (int i = 0; i < size; ++i) {
        if (pairs && filled == 0 && i + 1 < size && m_symbol[in[i]] >= 0 && m_symbol[in[i + 1]] >= 0) {
            std::uint16_t pair;
            std::memcpy(&pair, in + i, 2);
            std::memcpy(out + i, pairs + pair, 2);
            ++i;
            continue;
        }
        const int symbol = m_symbol[in[i]];
        if (symbol < 0)
            continue;
        symbols[filled] = symbol;
        placed[filled++] = i;
        if (filled < blockSize)
            continue;
        cipher.decryptBlock(symbols);
        for (int k = 0; k < blockSize; ++k)
            out[placed[k]] = m_byte[std::size_t(symbols[k])];
        filled = 0;
    }
}
