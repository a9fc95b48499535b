// Which cipher family a command works with, and its key, from --cipher and
// the key options: --key-file, --keyword, --shift, --affine, --digits,
// --atbash, --matrix and --filler for the symbol families, --key, --table
// and --choice for the homophonic one.
#pragma once

#include "cipherfamily.h"

#include <optional>

struct Invocation;

// The family of --cipher, homophonic substitution when not given. Options
// of another family's key are refused here, naming the family.
std::optional<const CipherFamily *> chosenFamily(const Invocation &invocation);

// The key of a symbol family: exactly one of a key file or the family's
// inline forms. Every problem of a key file is reported.
std::optional<SymbolKey> chosenSymbolKey(const Invocation &invocation, const CipherFamily &family);

// Puts --filler, when given, into a block cipher's key; false, reported,
// when it is no alphabet symbol.
bool applyFiller(const Invocation &invocation, SymbolKey &key);
