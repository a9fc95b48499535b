// Every tuning number of the attack on Hill's cipher, in one place. The
// values came from runs of bench/hill_accuracy.sh over held-out prose; each
// comment says what they trade.
#pragma once

namespace Cryptanalysis {

struct HillSchedule
{
    // Below these the attack without a crib refuses: below them the search
    // finds matrices that read better than the right one. 2 × 2 read 95 %
    // of 40 texts at 16 symbols and all at 20; 3 × 3 read 77,5 % at 45 and
    // all at 60, and a 3 × 3 matrix fitted to 12 symbols beat the right
    // 2 × 2 one three times in four.
    int minSymbols2 = 20;
    int minSymbols3 = 60;
    // Rows are scored, and matrices searched, on this many symbols at most;
    // the key is then judged on the whole text. A few hundred symbols decide
    // a 3 × 3 key; more only slow every stage.
    int searchedSymbols = 900;
    // The rows, best by single frequencies, combined into every matrix of
    // them: 2 × 2 pairs are cheap, 3 × 3 triples grow with the cube. With
    // these and the climb every text of 60 symbols and more read right, in
    // under a second for 3 × 3 at 300.
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
