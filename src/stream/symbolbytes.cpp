#include "symbolbytes.h"

#include "textencoding.h"

#include <QByteArray>
#include <QString>

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
    return bytes;
}

template <bool Encrypt>
void SymbolBytes::cipher(const char *line, int size, char *out, KeyStreamPlace &place) const
{
    const auto *in = reinterpret_cast<const unsigned char *>(line);
    if (m_cipher->rule() == SymbolRule::Substitution) {
        const std::array<char, 256> &table = Encrypt ? m_encrypted : m_decrypted;
        for (int i = 0; i < size; ++i)
            out[i] = table[in[i]];
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
    if (m_cipher->rule() == SymbolRule::Substitution)
        return;
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    for (int i = 0; i < size; ++i) {
        const int symbol = m_symbol[in[i]];
        if (symbol >= 0)
            m_cipher->pass(symbol, place);
    }
}
