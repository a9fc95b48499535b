// What a caller asks of the attack, and what it hears while it runs.
#pragma once

#include "searchschedule.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace Cryptanalysis {

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

// A code the user knows: the attack never gives it another symbol.
struct CodeLock
{
    int code = 0;   // 0 to 99
    int symbol = 0; // a row of the table: 0 is the space
};

// A cipher symbol the user knows in a monoalphabetic cipher: the attack
// reads it as plain and as nothing else. Both are alphabet indices, 0 the
// space.
struct SymbolLock
{
    int cipher = 0;
    int plain = 0;
};

struct CrackOptions
{
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    // Threads for the restarts; 0: one per core. A seed gives one result
    // whatever the number of threads, unless the time limit cuts the search
    // short.
    int jobs = 0;
    std::vector<CodeLock> locks;
    // The same for the monoalphabetic attack, which has symbols for codes.
    std::vector<SymbolLock> symbolLocks;
    // Words (or any runs of table symbols) expected somewhere in the
    // plaintext, as encryption reads them: keys in which they read score
    // higher.
    QStringList cribs;
    // Called from the calling thread after restarts and at most
    // schedule.progressIntervalMs apart in between.
    std::function<void(const CrackProgress &)> progress;
    // How much plaintext a progress report carries: a window shows a
    // screenful, and the whole of a long text, decoded ten times a second,
    // would only be thrown away.
    int progressPlaintextLength = 4000;
    // Asked as often as the clock, from every thread of the search; true
    // ends it as the time limit does, with the best key found so far. A
    // window's Stop button.
    std::function<bool()> stopRequested;
    SearchSchedule schedule;
    // The same machinery tuned for a monoalphabetic key.
    SearchSchedule monoalphabeticSchedule = SearchSchedule::monoalphabetic();
};

// What is wrong with a lock or crib of the options for a ciphertext.
struct CrackOptionProblem
{
    enum class Kind { Lock, SymbolLock, Crib } kind;
    int index;      // into options.locks, options.symbolLocks or options.cribs
    QString reason; // in Russian, without the option's name
};

} // namespace Cryptanalysis
