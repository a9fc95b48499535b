// The tuning of the attack on Playfair and the two-square, in one place.
#pragma once

namespace Cryptanalysis {

struct RectangleSchedule
{
    // Moves of one restart's anneal, and the temperature it starts from,
    // in nats per deciphered symbol, falling in a straight line to zero.
    // 1 000 000 moves from 0.05 found the key from most starts at 264
    // symbols (0.03 froze every time) but at 150 froze in a wrong rectangle
    // from every start, and cost 1.8 s of CPU at 300 symbols, so a 10 s
    // limit on a busy machine left 2-4 restarts. Shorter, hotter restarts
    // win by their number: on 6 Playfair texts each (10 s, both cores,
    // load 6 on 2 cores) 300 000 from 0.09 read 5 of 6 at 300 symbols,
    // 4 of 6 at 200 and 1 of 6 at 150, where the old numbers read 4 of 6
    // at 200 and none at 150; 150 000 from 0.09 and 300 000 from 0.12 read
    // none at 150. The README's table has the figures over 20 texts.
    int annealMoves = 300000;
    double startTemperaturePerSymbol = 0.09;
    // Where the straight line ends, as a share of the start: 0 cools to
    // zero, 1 holds the temperature.
    double endTemperatureShare = 0;
    // After the first batch, every other restart starts from the best key
    // so far instead of a random one, at this share of the temperature.
    // 0: every restart starts afresh.
    double reheatShare = 0.5;
    // Per hundred moves: the rest swap two symbols of a rectangle.
    int rowSwapPercent = 4;
    int columnSwapPercent = 4;   // Playfair only: the two-square's columns read alike in any order
    int reversalPercent = 2;     // rows or columns in the reverse order (Playfair)
    // Restarts that must end at the best score before the search believes
    // it: equal scores mean equal decryptions, whatever the rectangle.
    int confirmations = 2;
    int maxRestarts = 400;
    // Past this many symbols more text decides nothing more: the search
    // reads the start, and the key deciphers the whole.
    int searchedSymbols = 1200;
    // Fewer pairs than this rarely pin the key down; the attack still
    // tries and says so.
    int enoughPairs = 40;
    // A letter of a crib read at its best place is worth this much to the
    // search, nats: about what a letter of Russian scores above noise.
    double cribLetterNats = 2.0;
    // How often a restart looks at the clock and posts its best key, moves.
    int movesBetweenChecks = 1024;
    int progressIntervalMs = 100;
};

} // namespace Cryptanalysis
