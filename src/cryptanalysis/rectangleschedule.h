// The tuning of the attack on Playfair and the two-square, in one place.
#pragma once

namespace Cryptanalysis {

enum class RectangleVariant { Playfair, TwoSquare };

struct RectangleSchedule
{
    // One restart: replicas of the search at temperatures (nats per
    // deciphered symbol) spaced evenly in their logarithm from the start's
    // down to its endTemperatureShare, trading keys between neighbours every
    // movesBetweenChecks moves; annealMoves counts the moves of all of them.
    // The text begins to read at a temperature that differs from text to
    // text, and a key that reads only at random (about -4.6 nats a symbol)
    // is where a search at the wrong one stays: a search that cools once
    // passes the right temperature once, the replicas hold every one at
    // once. Counted over single restarts (bench/rectangle_restarts, CPU
    // time), texts read at 200 Playfair symbols: 300 000 moves cooling from
    // 0.09 to zero 1 %, a million from 0.06 20 %, four million held at 0.045
    // 55 %; six replicas from 0.06 to 0.025 55 % at 200, 81 % at 300 and
    // every one of 16 at 300 two-square symbols (300 000 moves: 13 %).
    // A single replica (1) cools in a straight line from the start to the
    // end temperature instead.
    //
    // Texts differ in how long the replicas take to start reading: most do
    // within a million moves, some need ten million and more: at 200
    // symbols, eight texts that 4 of 32 restarts of four million moves read
    // were read by 7 of 16 restarts of sixteen million. So a restart runs on until
    // the time is up (30 million moves is more than the limit allows) or
    // until it settles: its best key reads as Russian (settledScorePerSymbol,
    // nats a symbol; true keys read -1.6 to -2.5 at 200 symbols, a key that
    // has half the text right about -3) and has not risen for settleMoves.
    int annealMoves = 30000000;
    double settledScorePerSymbol = -2.7;
    int settleMoves = 1500000;
    // Playfair's moves see floored scores (playfairFloorNats), which
    // narrow the gaps the temperature weighs: it starts cooler.
    double playfairStartTemperature = 0.05;
    double twoSquareStartTemperature = 0.06;
    double endTemperatureShare = 0.42;
    int replicas = 6;
    // Past this many symbols a restart takes fewer moves, in proportion: a
    // longer text costs more a move and begins to read sooner.
    int fullMovesSymbols = 320;
    // After the first batch, every other restart starts from the best key
    // so far instead of a random one: the coldest replica does (a single
    // replica starts at this share of the temperature). 0: every restart
    // starts afresh.
    double reheatShare = 0.5;
    // No four-gram costs Playfair's moves more than this, nats; what the
    // search reports is scored without the floor. Two swaps away from the
    // true key a 150-symbol text reads about -5 nats a symbol, worse than the
    // wrong keys a search settles in (-4): the few four-grams a wrong symbol
    // makes unspeakable outweigh the many that read right again. With the
    // floor a key that reads part of the text gains by it. Single restarts
    // at 150 Playfair symbols (bench/rectangle_restarts, 2 of each of 20
    // texts) read 35 % of the time with no floor, 47 % at -6, 45 % at -7
    // and 20 % at -5, where wrong keys read as well as half a text; at a
    // start temperature of 0.05 instead of 0.06, 55-57 % at -6.5 and -7.
    // The two-square's moves see every score (-16 is the table's lowest):
    // with a floor of -6.5 its search read none of 20 texts at 200 symbols.
    double playfairFloorNats = -6.5;
    double twoSquareFloorNats = -16;
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
    // What a whole word of the answer's reading costs that the word list
    // does not hold, nats, in the final swaps; 0 leaves words out. The swaps
    // go on while a round of them gains, for at most wordPolishRounds.
    double unknownWordNats = 20;
    int wordPolishRounds = 20;
    // A letter of a crib read at its best place is worth this much to the
    // search, nats: about what a letter of Russian scores above noise.
    double cribLetterNats = 2.0;
    // How often a restart looks at the clock and posts its best key, moves.
    int movesBetweenChecks = 1024;
    int progressIntervalMs = 100;

    double startTemperature(RectangleVariant variant) const
    {
        return variant == RectangleVariant::Playfair ? playfairStartTemperature : twoSquareStartTemperature;
    }
    double floorNats(RectangleVariant variant) const
    {
        return variant == RectangleVariant::Playfair ? playfairFloorNats : twoSquareFloorNats;
    }
};

} // namespace Cryptanalysis
