// What the search assumes of the key before it starts: which codes cycle
// together, how many codes a symbol may hold, whether homophones were dealt
// in proportion to the letters' frequencies.
#pragma once

#include "ciphertext.h"
#include "crackoptions.h"
#include "keystate.h"
#include "restartsearch.h"

#include <array>

namespace Cryptanalysis {

class SearchedText;

struct SearchSetup
{
    SearchPlan plan;
    KeyRules rules;
};

SearchSetup planSearch(const SearchedText &text, const LanguageModel &model, const std::vector<CodeLock> &locks,
                       const SearchSchedule &schedule);

// The same for a monoalphabetic key, where the codes are the cipher symbols:
// each code alone, one code a symbol, nothing cycles.
SearchSetup planMonoalphabeticSearch(const SearchedText &text, const LanguageModel &model,
                                     const std::vector<CodeLock> &locks, const SearchSchedule &schedule);

// Whether the code counts look like a key with homophones in proportion to
// the letters' frequencies: more codes than three a symbol, or an index of
// coincidence at most coincidenceRelative times that of a uniform spread
// over the codes that occur. Below minOccurrences codes only the first
// tells.
bool looksProportional(const std::array<int, CodeCount> &codeFrequency, double coincidenceRelative,
                       int minOccurrences);

} // namespace Cryptanalysis
