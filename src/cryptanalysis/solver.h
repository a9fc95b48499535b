// Breaking the homophonic cipher without its key: the fixed table is tried
// first, then a search over which symbol each code stands for.
#pragma once

#include "ciphertext.h"
#include "crackoptions.h"
#include "homophonic.h"
#include "optionchecks.h"
#include "tablecompletion.h"

#include <array>
#include <vector>

namespace Cryptanalysis {

class LanguageModel;

enum class ChoiceMode { NotShown, Cyclic, Random };

struct CrackResult
{
    bool fixedTable = false;
    // -1 for codes not in the ciphertext; every code that is in it has a
    // symbol, however late it first occurs.
    std::array<int, CodeCount> symbolOfCode;
    // Whether the codes looked dealt in proportion to the letters'
    // frequencies (rows of any length) rather than k to every symbol.
    bool proportional = false;
    // A complete key table. Equal rows: 32 rows of 3 distinct codes (more
    // where locks give a symbol more), the codes found first, codes never
    // seen in the ciphertext dealt out to the rest. Proportional: the rows as found; a symbol without codes takes one
    // never seen (or, when there is none, the rarest code of the longest
    // row), and the codes left over are in unseenCodes.
    KeyTable table;
    int dealtCodes = 0;
    std::vector<int> unseenCodes;
    int alphabetCount = 1;                    // k as far as the ciphertext shows it
    ChoiceMode choice = ChoiceMode::NotShown;
    double score = 0;                         // average log-probability per symbol, nats
    double seconds = 0;
    int restarts = 0;
};

// Below this average score per symbol a decryption is not taken for Russian.
constexpr double RussianScoreThreshold = -3.0;

// Decrypts with the fixed table; true (and the result) when it reads as Russian.
bool tryFixedTable(const CipherText &cipher, const LanguageModel &model, CrackResult *result,
                   const SearchSchedule &schedule = {});

// The whole attack: the fixed table, else the search. Options with problems
// (crackOptionProblems) are the caller's to refuse; the attack leaves out
// the locks and cribs it cannot keep.
CrackResult crackHomophonic(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options = {});

} // namespace Cryptanalysis
