// The symbol ciphers straight on the bytes of a single-byte encoding, from
// tables built once through the route every encoding takes (decode, cipher,
// encode), so that both routes write the same bytes.
#pragma once

#include "symbolcipher.h"

#include <array>
#include <memory>
#include <vector>
#include <cstdint>
#include <optional>

class TextEncoding;

class SymbolBytes
{
public:
    // Null when the encoding has more than one byte a character, or when a
    // character would not come back as the byte it was read from.
    static std::optional<SymbolBytes> make(const SymbolCipher &cipher, const TextEncoding &encoding);

    // Writes size bytes, the line ciphered, from out on; place moves on.
    void encrypt(const char *line, int size, char *out, KeyStreamPlace &place) const;
    void decrypt(const char *line, int size, char *out, KeyStreamPlace &place) const;
    // Moves place over a plaintext (or, but for the autokey, a ciphertext).
    void pass(const char *data, int size, KeyStreamPlace &place) const;

    // A block cipher's line (SymbolCipher::blockSize() > 1), as
    // SymbolCipher enciphers it, fillers and all; returns the end of what it
    // wrote, at most MaxGrowth · size bytes from out.
    char *encryptBlocks(const char *line, int size, char *out) const;
    // Deciphering keeps a line's length: size bytes from out.
    void decryptBlocks(const char *line, int size, char *out) const;
    // A filler for every symbol at most (Playfair's "ЛЛЛЛ"), and no more
    // than two at the end of a line of one.
    static constexpr int MaxGrowth = 3;

private:
    explicit SymbolBytes(const SymbolCipher &cipher)
        : m_cipher(&cipher)
    {
    }

    template <bool Encrypt>
    void cipher(const char *line, int size, char *out, KeyStreamPlace &place) const;

    const SymbolCipher *m_cipher;
    std::array<std::int8_t, 256> m_symbol {};   // each byte's symbol, or -1
    std::array<char, 32> m_byte {};             // each symbol's byte
    // One alphabet: each byte's ciphered byte, looked up whole.
    std::array<char, 256> m_encrypted {};
    std::array<char, 256> m_decrypted {};
    // The same for two bytes at once, which halves the lookups of the
    // tool's hottest loop; shared, since it is made once and only read.
    std::shared_ptr<const std::vector<std::uint16_t>> m_encryptedPairs;
    std::shared_ptr<const std::vector<std::uint16_t>> m_decryptedPairs;
    // Several alphabets whose shifts do not depend on the text (all but the
    // autokey): each column's table, as above. Keys longer than
    // MaxTabledPeriod go symbol by symbol.
    static constexpr int MaxTabledPeriod = 4096;
    std::shared_ptr<const std::vector<std::array<char, 256>>> m_columnEncrypted;
    std::shared_ptr<const std::vector<std::array<char, 256>>> m_columnDecrypted;
    // Ciphers of pairs: each two bytes that are both symbols as one block,
    // looked up whole (indexed like m_encryptedPairs).
    std::shared_ptr<const std::vector<std::uint16_t>> m_encryptedBlocks;
    std::shared_ptr<const std::vector<std::uint16_t>> m_decryptedBlocks;
    // The autokey: each shift's table, the shift of a column being the
    // plaintext symbol before it.
    std::shared_ptr<const std::vector<std::array<char, 256>>> m_shiftEncrypted;
    std::shared_ptr<const std::vector<std::array<char, 256>>> m_shiftDecrypted;
    // How many symbols each pair of bytes holds, for moving a place on.
    std::shared_ptr<const std::vector<std::uint8_t>> m_pairSymbols;
};
