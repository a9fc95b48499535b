// The tuning of the attack on Playfair and the two-square, in one place.
#pragma once

namespace Cryptanalysis {

struct RectangleSchedule
{
    // Moves of one restart's anneal. On a Playfair text of 264 symbols
    // 400 000 moves rarely reached the key, 1 000 000 reached it from
    // every start tried.
    int annealMoves = 1000000;
    // The temperature the anneal starts from, in nats per deciphered
    // symbol, falling in a straight line to zero. On the same text 0.03
    // froze in a wrong rectangle every time, 0.045 and 0.06 always found
    // the key, 0.08 missed it once in three.
    double startTemperaturePerSymbol = 0.05;
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
