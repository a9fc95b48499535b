// Every tuning number of the attack on Hill's cipher, in one place. The
// values came from runs of bench/hill_accuracy.sh over held-out prose; each
// comment says what they trade.
#pragma once

namespace Cryptanalysis {

struct HillSchedule
{
    // Below these the attack without a crib refuses: the single frequencies
    // of a row's symbols need some dozens of blocks to stand out, and below
    // them the search finds matrices that read better than the right one.
    int minSymbols2 = 40;
    int minSymbols3 = 120;
    // Rows are scored, and matrices searched, on this many symbols at most;
    // the key is then judged on the whole text. A few hundred symbols decide
    // a 3 × 3 key; more only slow every stage.
    int searchedSymbols = 900;
    // The rows, best by single frequencies, combined into every matrix of
    // them: 2 × 2 pairs are cheap, 3 × 3 triples grow with the cube.
    int keptRows2 = 96;
    int keptRows3 = 40;
    // Of those matrices the best few are climbed: each row in turn replaced
    // by the best of climbRows (all the rows for 2 × 2) while that reads
    // better.
    int climbStarts = 12;
    int climbRows3 = 2048;

    int progressIntervalMs = 100;
};

} // namespace Cryptanalysis
