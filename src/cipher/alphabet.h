// The 32 symbols that every family enciphers: the fixed table's symbols in
// its order, the space first, then А to Я without Й and Ё. The statistics, the
// charts and the language model number them the same way.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace Alphabet {

constexpr int Size = 32;

// The symbol of index 0 to 31.
QChar symbol(int index);

// The index of a character, upper-cased first, or -1 for a character that the
// ciphers copy as it stands. Decided by the fixed table's rows (SymbolRows),
// so that homophonic encryption and every other family agree on it.
int indexOf(char16_t unit);

// The indices of the alphabet symbols of text, in order: what an attack
// reads of a ciphertext.
std::vector<std::int8_t> indicesOf(QStringView text);

} // namespace Alphabet
