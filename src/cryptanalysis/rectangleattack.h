// Breaking Playfair and the two-square on the 4 × 8 rectangle without the
// key: restarts of an anneal over rectangles (rectanglesearch.h), run in
// batches over the cores and judged in their order, until enough of them
// agree on the best decryption or the time is up. After the first batch
// every other restart reheats the best key of the batches before, so a
// seed gives one answer for one number of threads.
#pragma once

#include "crackoptions.h"
#include "rectanglesearch.h"

#include "symbolcipher.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

namespace Cryptanalysis {

struct RectangleProgress
{
    double elapsedSeconds = 0;
    int restarts = 0; // finished so far
    SymbolKey key;    // the best so far
    double score = 0; // its average log-probability per symbol, nats
};

struct RectangleAttackOptions
{
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    // Threads for the restarts; 0: one per core. A seed and a number of
    // threads give one result, unless the time limit cuts the search short.
    int jobs = 0;
    std::vector<CellLock> locks;
    // Words expected somewhere in the plaintext: keys in which they read
    // score higher.
    QStringList cribs;
    // Called from the calling thread at most schedule.progressIntervalMs
    // apart, and after each batch of restarts.
    std::function<void(const RectangleProgress &)> progress;
    // Asked as often as the clock, from every thread; true ends the search
    // as the time limit does, with the best key so far.
    std::function<bool()> stopRequested;
    RectangleSchedule schedule;
};

struct RectangleAttackResult
{
    QString problem; // not empty when the attack refused: why, in Russian
    SymbolKey key;
    double score = 0; // average log-probability per symbol of the whole text, nats
    bool readsAsRussian = false;
    QStringList reasons; // how the search decided, a sentence a line
    int restarts = 0;
    int agreeing = 0;    // restarts that ended at the best decryption
    double seconds = 0;
    bool cutShort = false;

    bool succeeded() const { return problem.isEmpty(); }
};

// A lock as a user writes it: "А=1,3" (the symbol, its row 1 to 4 and its
// column 1 to 8), for the two-square with the rectangle first, "2:А=1,3".
// The symbol is a letter in either case, a space or ␣. Empty, with the
// reason in Russian, when written otherwise.
std::optional<CellLock> parsedCellLock(RectangleVariant variant, QStringView text, QString *problem);
QString cellLockForm(RectangleVariant variant);

// What is wrong with the locks (two symbols for one cell, one symbol in two
// cells) and cribs (characters outside the alphabet, a word that can read
// nowhere in this ciphertext), one problem per lock or crib in their order.
std::vector<CrackOptionProblem> rectangleOptionProblems(RectangleVariant variant, QStringView ciphertext,
                                                        const RectangleAttackOptions &options);

// Why the text cannot be a ciphertext of the variant (a line with an odd
// number of symbols; for Playfair a pair of two equal symbols), or empty.
QString rectangleTextProblem(RectangleVariant variant, QStringView ciphertext);

RectangleAttackResult crackRectangles(RectangleVariant variant, QStringView ciphertext, const LanguageModel &model,
                                      const RectangleAttackOptions &options = {});

} // namespace Cryptanalysis
