// A ciphertext of a keyword cipher (Vigenère, Gronsfeld, Beaufort, the
// autokey) as the attack reads it, and its columns under one rule and one
// keyword length.
#pragma once

#include "symbolcipher.h"

#include <QStringView>

#include <cstdint>
#include <vector>

namespace Cryptanalysis {

struct KeywordCipherText
{
    // The alphabet symbols in order: only they take a step of the key.
    std::vector<std::int8_t> symbols;
    // For each symbol, how many of the symbols just before it (up to the
    // model's history) stand in the same run: a character the cipher copies
    // breaks the model's context as it breaks a word.
    std::vector<std::int8_t> history;

    int size() const { return int(symbols.size()); }

    static KeywordCipherText fromText(QStringView text);
    // Symbols alone, one unbroken run.
    static KeywordCipherText fromSymbols(std::vector<std::int8_t> symbols);
};

// Under each of these rules, deciphering with one keyword length is affine
// in each keyword symbol: the plaintext symbol at i is base[i] + sign[i] ×
// (the shift of column i mod period), mod 32, and no other column touches
// it. Vigenère subtracts the shift, Beaufort adds it to the negated symbol;
// the autokey's key goes on with the plaintext, so down a column the shift
// is added and subtracted in turn. The attack reads base and sign off the
// cipher itself (SymbolCipher with every shift 0, then every shift 1), so
// that the rule is written once, in src/cipher.
struct ColumnReading
{
    int period = 1;
    std::vector<std::int8_t> base;
    std::vector<std::int8_t> sign; // +1 or -1
};

ColumnReading readColumns(const std::vector<std::int8_t> &cipher, SymbolRule rule, int period);

} // namespace Cryptanalysis
