// Breaking the homophonic cipher without its key: the fixed table is tried
// first, then a search over which symbol each code stands for.
#pragma once

#include "ciphertext.h"
#include "homophonic.h"

#include <QString>

#include <array>
#include <functional>

namespace Cryptanalysis {

class LanguageModel;

enum class ChoiceMode { NotShown, Cyclic, Random };

struct CrackProgress
{
    double elapsedSeconds = 0;
    int restarts = 0;
    double bestScore = 0;     // average log-probability per symbol, nats
    QString bestPlaintext;
};

struct CrackOptions
{
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    // Called from the solving thread after every restart and at most
    // about ten times a second in between.
    std::function<void(const CrackProgress &)> progress;
};

struct CrackResult
{
    bool fixedTable = false;
    std::array<int, CodeCount> symbolOfCode;  // -1 for codes not in the ciphertext
    // A complete key table: 32 rows of 3 distinct codes, the codes found
    // first, codes never seen in the ciphertext dealt out to the rest.
    KeyTable table;
    int dealtCodes = 0;
    int alphabetCount = 1;                    // k as far as the ciphertext shows it
    ChoiceMode choice = ChoiceMode::NotShown;
    double score = 0;                         // average log-probability per symbol, nats
    double seconds = 0;
    int restarts = 0;
};

// Below this average score per symbol a decryption is not taken for Russian.
constexpr double RussianScoreThreshold = -3.0;

// Decrypts with the fixed table; true (and the result) when it reads as Russian.
bool tryFixedTable(const CipherText &cipher, const LanguageModel &model, CrackResult *result);

// The whole attack: the fixed table, else the search.
CrackResult crackHomophonic(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options = {});

// Builds the key table from a code -> symbol map, rows ordered by how often
// each code occurs; codes never seen are dealt out in increasing order.
KeyTable completeTable(const std::array<int, CodeCount> &symbolOfCode,
                       const std::array<int, CodeCount> &codeFrequency, int *dealtCodes = nullptr);

} // namespace Cryptanalysis
