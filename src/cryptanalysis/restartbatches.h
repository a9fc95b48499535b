// The restarts of one search, whatever the cipher: run in batches of one a
// thread, judged in their order so that a seed gives one answer whatever
// the number of threads, and reported to the caller as they go.
#pragma once

#include "crackoptions.h"
#include "restartsearch.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <vector>

namespace Cryptanalysis {

class CribPlacements;
class LanguageModel;
class OccurrenceIndex;
struct SearchSetup;

struct RestartsOutcome
{
    RestartOutcome best;     // its assignment is empty when the text has no codes
    double averageScore = 0; // the best key's language score per code, nats
    int restarts = 0;
    int agreeing = 0;        // restarts that ended at the best key's score, or within a unit a code
};

// Restart i draws from a generator seeded with (seed, i), whatever thread
// runs it; every attack that restarts in batches seeds its restarts so.
quint64 restartSeed(quint64 seed, int restart);

// Runs restarts of setup on schedule, with the seed, jobs, time limit,
// progress and stop of options, until the restart policy or the clock ends
// them. plaintextOf gives the start of the plaintext under an assignment,
// at most options.progressPlaintextLength characters, for the reports.
RestartsOutcome runRestarts(const OccurrenceIndex &index, const LanguageModel &model, const SearchSetup &setup,
                            const CribPlacements &cribs, const SearchSchedule &schedule, const CrackOptions &options,
                            const QElapsedTimer &clock,
                            const std::function<QString(const std::vector<int> &)> &plaintextOf);

} // namespace Cryptanalysis
