// Whether the attack can keep the locks and use the cribs a user gave it.
#pragma once

#include "crackoptions.h"

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

// The options without the locks and cribs that have problems.
CrackOptions soundOptions(const CrackOptions &options, const std::vector<CrackOptionProblem> &problems);

} // namespace Cryptanalysis
