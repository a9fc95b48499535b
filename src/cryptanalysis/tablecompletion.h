// The key as a table, once the search has said which symbol each code it
// read stands for: codes that occur only past the searched prefix placed by
// the language model, rows completed, and the key file's word on the codes
// the ciphertext never showed.
#pragma once

#include "ciphertext.h"
#include "crackoptions.h"

#include "homophonic.h"

#include <array>
#include <vector>

namespace Cryptanalysis {

class LanguageModel;
class SearchedText;
struct CrackResult;

// Gives every code that occurs in the text but has no symbol (it occurs only
// past the searched prefix) the symbol under which its own occurrences, in
// their context, read best; a lock decides for a locked code. With
// rowLimit > 0 no symbol is given more codes than that. At most
// occurrencesRead occurrences of a code are read.
void placeUnsearchedCodes(const CipherText &cipher, const LanguageModel &model, const std::vector<CodeLock> &locks,
                          int rowLimit, int occurrencesRead, std::array<int, CodeCount> &symbolOfCode);

// Completes a result whose symbolOfCode holds the search's answer for the
// prefix: the codes past it placed, k and the choice as the whole key shows
// them, and the key table.
void completeKey(const SearchedText &text, const LanguageModel &model, const CrackOptions &options,
                 CrackResult *result);

// Builds the key table from a code -> symbol map, rows ordered by how often
// each code occurs; codes never seen are dealt out in increasing order to
// rows of fewer than three. A row holds every code of its symbol, more than
// three where locks put them there.
KeyTable completeTable(const std::array<int, CodeCount> &symbolOfCode,
                       const std::array<int, CodeCount> &codeFrequency, int *dealtCodes = nullptr);

// Builds the key table of rows as long as found from a code -> symbol map
// (which it changes where a code must move to give every symbol one), rows
// ordered by how often each code occurs. A symbol without codes takes the
// smallest code never seen, or the rarest code of the longest row when all
// were seen (of the longest row with a code that is not locked, where there
// is one); the codes never seen that are left go to unseenCodes.
KeyTable foundTable(std::array<int, CodeCount> &symbolOfCode, const std::array<int, CodeCount> &codeFrequency,
                    int *dealtCodes, std::vector<int> *unseenCodes, const std::vector<CodeLock> &locks = {});

// The key file's comment lines on the codes the ciphertext never showed:
// dealt out to the free places of equal rows, or, for a proportional key,
// listed and given to no symbol. Empty when every code was seen.
QString unseenCodesComment(const CrackResult &result);

} // namespace Cryptanalysis
