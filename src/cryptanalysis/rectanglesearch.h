// One restart of the attack on Playfair and the two-square: a random
// rectangle (two for the two-square) with the locked symbols in their cells,
// annealed by moves of symbols, rows and columns, every candidate scored by
// the language model on the whole deciphered text. Restarts share nothing
// but read-only data, so they run on as many threads as there are cores.
#pragma once

#include "coarsescores.h"
#include "keywordcolumns.h"
#include "languagemodel.h"
#include "rectangleschedule.h"
#include "restartsearch.h"

#include "polygram.h"

#include <QRandomGenerator>

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace Cryptanalysis {

// A symbol the user knows the cell of: rectangle 0 or 1 (the two-square's
// second), cell row by row from 0.
struct CellLock
{
    int rectangle = 0;
    int symbol = 0;
    int cell = 0;
};

// The rectangles of a key, as the search moves them.
struct RectangleKey
{
    Polygram::Rectangle first;
    Polygram::Rectangle second; // the two-square's

    // The plain pair of a cipher pair, by the cipher's own rules.
    void decrypt(RectangleVariant variant, int &a, int &b) const
    {
        if (variant == RectangleVariant::TwoSquare) {
            Polygram::twoSquareDecrypt(first, second, a, b);
            return;
        }
        int cellA = first.cellOf[std::size_t(a)];
        int cellB = first.cellOf[std::size_t(b)];
        Polygram::playfairCells(cellA, cellB, -1);
        a = first.symbolAt[std::size_t(cellA)];
        b = first.symbolAt[std::size_t(cellB)];
    }
};

// Where a crib may read: the symbols of the searched text from start on.
struct CribPlacement
{
    int crib = 0;
    int start = 0;
};

struct Crib
{
    std::vector<std::int8_t> symbols;
    std::vector<CribPlacement> placements;
};

// Whether a crib can read from start on in the cipher symbols: no cipher
// pair read as two plain pairs nor two as one, and for Playfair no pair of
// equal plain symbols and no symbol read as itself, which the cipher never
// gives.
bool cribFits(RectangleVariant variant, const std::vector<std::int8_t> &cipher, const std::vector<std::int8_t> &crib,
              int start);

// The best key one restart reached and its score in model units: with the
// cribs' reward (total), and the language model's alone.
struct RectangleOutcome
{
    RectangleKey key;
    qint64 total = 0;
    qint64 languageScore = 0;
};

// What the restarts post as they go, for the progress reports: the best key
// any of them holds just now.
class RectangleBoard
{
public:
    void post(const RectangleOutcome &outcome);
    bool best(RectangleOutcome &outcome) const;

private:
    mutable std::mutex m_mutex;
    RectangleOutcome m_best;
    bool m_any = false;
};

class WordList;

class RectangleSearch
{
public:
    // text: the cipher symbols searched, a whole number of pairs, with each
    // symbol's history as the model reads it.
    // coarse: the model's scores as the moves are judged; what the search
    // reports is scored exactly.
    RectangleSearch(RectangleVariant variant, const KeywordCipherText &text, const LanguageModel &model,
                    const CoarseScores &coarse, const std::vector<CellLock> &locks, const std::vector<Crib> &cribs,
                    const RectangleSchedule &schedule, const Deadline &deadline, quint64 seed);

    // One anneal from a random start; ends early, with the best so far, when
    // the deadline passes.
    RectangleOutcome run(RectangleBoard *board = nullptr);
    // The same from a key found before, reheated to a share of the start's
    // temperature: a key that reads most of the text needs a few symbols
    // moved, not a new start.
    RectangleOutcome reheat(const RectangleKey &from, RectangleBoard *board = nullptr);

    // The last step, on the attack's answer: every swap of two symbols that
    // gains, scored by the model and the cribs as the search does, less
    // schedule.unknownWordNats for each whole word of the reading (between
    // two spaces) that words lacks. The four-gram model barely tells two
    // symbols apart that a short text shows a few times; the words do.
    // Only a key that reads as Russian is polished. Returns the swaps kept;
    // locks stay.
    int polishWords(RectangleOutcome &best, const WordList &words);
    // The whole words of key's reading that words lacks, as polishWords
    // counts them.
    int unknownWords(const RectangleKey &key, const WordList &words);

    // The score of a key as run sees it, for the tests and the benchmark.
    qint64 scoreOf(const RectangleKey &key, qint64 *languageScore = nullptr);

private:
    void start();
    RectangleOutcome anneal(double startTemperature, RectangleBoard *board);
    RectangleOutcome temper(const RectangleKey *from, RectangleBoard *board);
    int movesOfRestart() const;
    void step(double temperature, qint64 &current, RectangleOutcome &best);
    void polish(RectangleOutcome &best);
    int climbSwaps(RectangleOutcome &best, const std::function<qint64()> &score, int rounds, bool untilDeadline);
    Polygram::Rectangle &move(Polygram::Rectangle &before);
    bool keepsLocks() const;
    enum class Scoring { Coarse, Exact };
    qint64 evaluate(const RectangleKey &key, Scoring scoring, qint64 &languageScore);
    RectangleOutcome exactly(const RectangleOutcome &outcome);
    qint64 cribReward() const;
    int unknownWordsRead(const WordList &words) const;

    const RectangleVariant m_variant;
    const KeywordCipherText &m_text;
    const std::int16_t *m_scores;
    const std::int8_t *m_coarse;
    const int m_coarseFloor;
    const std::vector<CellLock> &m_locks;
    const std::vector<Crib> &m_cribs;
    const RectangleSchedule &m_schedule;
    const Deadline &m_deadline;
    QRandomGenerator m_random;
    const std::uint16_t *m_playfairCells;

    RectangleKey m_key;
    std::vector<std::int8_t> m_plain;
    std::vector<std::pair<int, int>> m_runs; // each run of the text's symbols: its first, and one past its last
};

} // namespace Cryptanalysis
