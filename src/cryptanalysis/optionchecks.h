// Whether the attack can keep the locks and use the cribs a user gave it.
#pragma once

#include "crackoptions.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace Cryptanalysis {

struct CipherText;
class SearchedText;

// What is wrong with the locks or cribs of options for this ciphertext: a
// lock of a code that is not in it, two symbols for one code, a crib with
// characters outside the table or that cannot read where the search reads.
// One problem per lock or crib, in their order.
std::vector<CrackOptionProblem> crackOptionProblems(const CipherText &cipher, const CrackOptions &options);
std::vector<CrackOptionProblem> crackOptionProblems(const SearchedText &text, const CrackOptions &options);

// The same for a monoalphabetic ciphertext (read by readSymbolText), whose
// locks are options.symbolLocks: a cipher symbol that is not in it, two
// plain symbols for one cipher symbol, one plain symbol for two cipher
// symbols; a crib with characters outside the alphabet, or whose pattern of
// repeated letters the ciphertext nowhere shows.
std::vector<CrackOptionProblem> monoalphabeticOptionProblems(const CipherText &cipher, const CrackOptions &options);
std::vector<CrackOptionProblem> monoalphabeticOptionProblems(const SearchedText &text, const CrackOptions &options);

// A lock written as "Ж=О": the cipher symbol, '=', the plain symbol it
// stands for, each a letter in either case, a space or ␣. Empty, with the
// reason in Russian, when written otherwise; the checks against the
// ciphertext come later.
std::optional<SymbolLock> parsedSymbolLock(QStringView text, QString *problem);

// The options without the locks and cribs that have problems.
CrackOptions soundOptions(const CrackOptions &options, const std::vector<CrackOptionProblem> &problems);

} // namespace Cryptanalysis
