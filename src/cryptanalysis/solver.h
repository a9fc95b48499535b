// Breaking the homophonic cipher without its key: the fixed table is tried
// first, then a search over which symbol each code stands for.
#pragma once

#include "ciphertext.h"
#include "homophonic.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

namespace Cryptanalysis {

class LanguageModel;

enum class ChoiceMode { NotShown, Cyclic, Random };

struct CrackProgress
{
    double elapsedSeconds = 0;
    int restarts = 0;
    double bestScore = 0;     // average log-probability per symbol, nats
    // The start of the best key's plaintext, at most
    // CrackOptions::progressPlaintextLength characters; empty, with
    // plaintextChanged false, when it reads as in the previous report.
    bool plaintextChanged = false;
    QString bestPlaintext;
};

// A code the user knows: the search never gives it another symbol.
struct CodeLock
{
    int code = 0;   // 0 to 99
    int symbol = 0; // a row of the table: 0 is the space
};

struct CrackOptions
{
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    // Threads for the restarts; 0: one per core. A seed and a number of
    // threads give one result, unless the time limit cuts the search short.
    int jobs = 0;
    std::vector<CodeLock> locks;
    // Words (or any runs of table symbols) expected somewhere in the
    // plaintext, as encryption reads them: keys in which they read score
    // higher.
    QStringList cribs;
    // Called from the calling thread after restarts and at most about ten
    // times a second in between.
    std::function<void(const CrackProgress &)> progress;
    // How much plaintext a progress report carries: a window shows a
    // screenful, and the whole of a long text, decoded ten times a second,
    // would only be thrown away.
    int progressPlaintextLength = 4000;
    // Asked as often as the clock, from every thread of the search; true
    // ends it as the time limit does, with the best key found so far. A
    // window's Stop button.
    std::function<bool()> stopRequested;
};

// What is wrong with the locks or cribs of options for this ciphertext: a
// lock of a code that is not in it, two symbols for one code, a crib with
// characters outside the table or that cannot read anywhere. One problem
// per lock or crib, in their order.
struct CrackOptionProblem
{
    enum class Kind { Lock, Crib } kind;
    int index;      // into options.locks or options.cribs
    QString reason; // in Russian, without the option's name
};
std::vector<CrackOptionProblem> crackOptionProblems(const CipherText &cipher, const CrackOptions &options);

struct CrackResult
{
    bool fixedTable = false;
    std::array<int, CodeCount> symbolOfCode;  // -1 for codes not in the ciphertext
    // Whether the codes looked dealt in proportion to the letters'
    // frequencies (rows of any length) rather than k to every symbol.
    bool proportional = false;
    // A complete key table. Equal rows: 32 rows of 3 distinct codes, the
    // codes found first, codes never seen in the ciphertext dealt out to the
    // rest. Proportional: the rows as found; a symbol without codes takes one
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

// The key file's comment lines on the codes the ciphertext never showed:
// dealt out to the free places of equal rows, or, for a proportional key,
// listed and given to no symbol. Empty when every code was seen.
QString unseenCodesComment(const CrackResult &result);

// Below this average score per symbol a decryption is not taken for Russian.
constexpr double RussianScoreThreshold = -3.0;

// Decrypts with the fixed table; true (and the result) when it reads as Russian.
bool tryFixedTable(const CipherText &cipher, const LanguageModel &model, CrackResult *result);

// The whole attack: the fixed table, else the search. Options with problems
// (crackOptionProblems) are the caller's to refuse; locks it cannot keep are
// not kept.
CrackResult crackHomophonic(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options = {});

// Builds the key table from a code -> symbol map, rows ordered by how often
// each code occurs; codes never seen are dealt out in increasing order.
KeyTable completeTable(const std::array<int, CodeCount> &symbolOfCode,
                       const std::array<int, CodeCount> &codeFrequency, int *dealtCodes = nullptr);

// Builds the key table of rows as long as found from a code -> symbol map
// (which it changes where a code must move to give every symbol one), rows
// ordered by how often each code occurs. A symbol without codes takes the
// smallest code never seen, or the rarest code of the longest row when all
// were seen; the codes never seen that are left go to unseenCodes.
KeyTable foundTable(std::array<int, CodeCount> &symbolOfCode, const std::array<int, CodeCount> &codeFrequency,
                    int *dealtCodes, std::vector<int> *unseenCodes);

// Whether the code counts look like a key with homophones in proportion to
// the letters' frequencies: more codes than three a symbol, or an index of
// coincidence at most coincidenceRelative times that of a uniform spread
// over the codes that occur. Below minOccurrences codes only the first
// tells.
bool looksProportional(const std::array<int, CodeCount> &codeFrequency, double coincidenceRelative,
                       int minOccurrences);

} // namespace Cryptanalysis
