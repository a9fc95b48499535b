#include "rectanglesearch.h"

#include "keytable.h"
#include "solver.h"
#include "wordlist.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace Cryptanalysis {

namespace {

using Cells = std::array<std::int8_t, SymbolCount>;

void swapRows(Cells &cells, int r, int s)
{
    for (int column = 0; column < Polygram::Columns; ++column)
        std::swap(cells[std::size_t(Polygram::cellAt(r, column))], cells[std::size_t(Polygram::cellAt(s, column))]);
}

void swapColumns(Cells &cells, int c, int d)
{
    for (int row = 0; row < Polygram::Rows; ++row)
        std::swap(cells[std::size_t(Polygram::cellAt(row, c))], cells[std::size_t(Polygram::cellAt(row, d))]);
}

void reverseRows(Cells &cells)
{
    for (int row = 0; row < Polygram::Rows / 2; ++row)
        swapRows(cells, row, Polygram::Rows - 1 - row);
}

void reverseColumns(Cells &cells)
{
    for (int column = 0; column < Polygram::Columns / 2; ++column)
        swapColumns(cells, column, Polygram::Columns - 1 - column);
}

// Two different numbers below bound.
std::pair<int, int> twoOf(QRandomGenerator &random, int bound)
{
    const int first = int(random.bounded(bound));
    int second = int(random.bounded(bound - 1));
    if (second >= first)
        ++second;
    return { first, second };
}

// Playfair takes cells to cells whatever the rectangle holds, so a pair's
// deciphered cells are one lookup instead of the rule's three branches,
// which the search takes a hundred million times a restart.
const std::uint16_t *playfairDecipheredCells()
{
    static const auto table = [] {
        std::array<std::uint16_t, SymbolCount * SymbolCount> cells {};
        for (int a = 0; a < SymbolCount; ++a) {
            for (int b = 0; b < SymbolCount; ++b) {
                int x = a, y = b;
                Polygram::playfairCells(x, y, -1);
                cells[std::size_t(a * SymbolCount + b)] = std::uint16_t(x * SymbolCount + y);
            }
        }
        return cells;
    }();
    return table.data();
}

} // namespace

bool cribFits(RectangleVariant variant, const std::vector<std::int8_t> &cipher, const std::vector<std::int8_t> &crib,
              int start)
{
    const int length = int(crib.size());
    if (start < 0 || start + length > int(cipher.size()))
        return false;
    const bool playfair = variant == RectangleVariant::Playfair;
    if (playfair) {
        for (int i = 0; i < length; ++i) {
            if (crib[std::size_t(i)] == cipher[std::size_t(start + i)])
                return false;
        }
    }
    // Cipher pair -> plain pair, as codes 32 · first + second.
    std::vector<std::pair<int, int>> read;
    const auto agrees = [&read](int cipherPair, int plainPair) {
        for (const auto &[c, p] : read) {
            if ((c == cipherPair) != (p == plainPair))
                return false;
        }
        read.emplace_back(cipherPair, plainPair);
        return true;
    };
    for (int i = start + (start & 1); i + 1 < start + length; i += 2) {
        const int a = crib[std::size_t(i - start)], b = crib[std::size_t(i - start + 1)];
        const int x = cipher[std::size_t(i)], y = cipher[std::size_t(i + 1)];
        if (playfair && a == b)
            return false;
        if (!agrees(x * SymbolCount + y, a * SymbolCount + b))
            return false;
        // Playfair reads a pair backwards as the pair reversed.
        if (playfair && !agrees(y * SymbolCount + x, b * SymbolCount + a))
            return false;
    }
    return true;
}

void RectangleBoard::post(const RectangleOutcome &outcome)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_any || outcome.total > m_best.total) {
        m_best = outcome;
        m_any = true;
    }
}

bool RectangleBoard::best(RectangleOutcome &outcome) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_any)
        outcome = m_best;
    return m_any;
}

RectangleSearch::RectangleSearch(RectangleVariant variant, const KeywordCipherText &text, const LanguageModel &model,
                                 const CoarseScores &coarse, const std::vector<CellLock> &locks, const std::vector<Crib> &cribs,
                                 const RectangleSchedule &schedule, const Deadline &deadline, quint64 seed)
    : m_variant(variant)
    , m_text(text)
    , m_scores(model.scores())
    , m_coarse(coarse.data())
    , m_coarseFloor(coarse.floor())
    , m_locks(locks)
    , m_cribs(cribs)
    , m_schedule(schedule)
    , m_deadline(deadline)
    , m_random(seededGenerator(seed))
    , m_playfairCells(playfairDecipheredCells())
    , m_plain(text.symbols.size(), 0)
{
    for (int i = 0; i < text.size(); ++i) {
        if (text.history[std::size_t(i)] == 0)
            m_runs.emplace_back(i, i + 1);
        else
            m_runs.back().second = i + 1;
    }
}

void RectangleSearch::start()
{
    const int rectangles = m_variant == RectangleVariant::TwoSquare ? 2 : 1;
    for (int r = 0; r < rectangles; ++r) {
        Cells cells;
        cells.fill(-1);
        std::array<bool, SymbolCount> placed {};
        for (const CellLock &lock : m_locks) {
            if (lock.rectangle == r) {
                cells[std::size_t(lock.cell)] = std::int8_t(lock.symbol);
                placed[std::size_t(lock.symbol)] = true;
            }
        }
        std::vector<int> free;
        for (int symbol = 0; symbol < SymbolCount; ++symbol) {
            if (!placed[std::size_t(symbol)])
                free.push_back(symbol);
        }
        shuffleExactly(m_random, free.data(), int(free.size()));
        std::size_t next = 0;
        for (std::int8_t &cell : cells) {
            if (cell < 0)
                cell = std::int8_t(free[next++]);
        }
        (r == 0 ? m_key.first : m_key.second) = Polygram::Rectangle::of(cells);
    }
    if (rectangles == 1)
        m_key.second = m_key.first;
}

bool RectangleSearch::keepsLocks() const
{
    for (const CellLock &lock : m_locks) {
        const Polygram::Rectangle &rectangle = lock.rectangle == 0 ? m_key.first : m_key.second;
        if (rectangle.symbolAt[std::size_t(lock.cell)] != lock.symbol)
            return false;
    }
    return true;
}

// Moves one rectangle of the key a step and returns it, with what it held
// before in before. A swap of two symbols, nine moves in ten, mends the
// rectangle in place: copying the key and rebuilding the rectangle cost
// about a tenth of a step.
Polygram::Rectangle &RectangleSearch::move(Polygram::Rectangle &before)
{
    const bool playfair = m_variant == RectangleVariant::Playfair;
    Polygram::Rectangle &rectangle = playfair || m_random.bounded(2) == 0 ? m_key.first : m_key.second;
    before = rectangle;
    int kind = int(m_random.bounded(100));
    const int reshapes =
        m_schedule.rowSwapPercent + (playfair ? m_schedule.columnSwapPercent + m_schedule.reversalPercent : 0);
    if (kind >= reshapes) {
        const auto [i, j] = twoOf(m_random, SymbolCount);
        std::swap(rectangle.symbolAt[std::size_t(i)], rectangle.symbolAt[std::size_t(j)]);
        rectangle.cellOf[std::size_t(rectangle.symbolAt[std::size_t(i)])] = std::int8_t(i);
        rectangle.cellOf[std::size_t(rectangle.symbolAt[std::size_t(j)])] = std::int8_t(j);
        return rectangle;
    }
    Cells cells = rectangle.symbolAt;
    if ((kind -= m_schedule.rowSwapPercent) < 0) {
        const auto [r, s] = twoOf(m_random, Polygram::Rows);
        swapRows(cells, r, s);
    } else if ((kind -= m_schedule.columnSwapPercent) < 0) {
        const auto [c, d] = twoOf(m_random, Polygram::Columns);
        swapColumns(cells, c, d);
    } else if (m_random.bounded(2) == 0) {
        reverseRows(cells);
    } else {
        reverseColumns(cells);
    }
    rectangle = Polygram::Rectangle::of(cells);
    return rectangle;
}

qint64 RectangleSearch::evaluate(const RectangleKey &key, Scoring scoring, qint64 &languageScore)
{
    const int size = m_text.size();
    const std::int8_t *cipher = m_text.symbols.data();
    std::int8_t *plain = m_plain.data();
    if (m_variant == RectangleVariant::Playfair) {
        const Polygram::Rectangle &rectangle = key.first;
        for (int i = 0; i + 1 < size; i += 2) {
            const int cells = m_playfairCells[rectangle.cellOf[std::size_t(cipher[i])] * SymbolCount
                                              + rectangle.cellOf[std::size_t(cipher[i + 1])]];
            plain[i] = rectangle.symbolAt[std::size_t(cells / SymbolCount)];
            plain[i + 1] = rectangle.symbolAt[std::size_t(cells % SymbolCount)];
        }
    } else {
        for (int i = 0; i + 1 < size; i += 2) {
            int a = cipher[i], b = cipher[i + 1];
            key.decrypt(m_variant, a, b);
            plain[i] = std::int8_t(a);
            plain[i + 1] = std::int8_t(b);
        }
    }
    // Four-grams inside a run of symbols from the table chosen, those that
    // reach back to the run's start from the exact one: they are few.
    const std::int8_t *history = m_text.history.data();
    const auto fromRunStart = [&](int i) {
        const int h = history[i];
        const int b = h >= 2 ? plain[i - 2] : Boundary;
        const int c = h >= 1 ? plain[i - 1] : Boundary;
        return m_scores[ngramIndex(Boundary, b, c, plain[i])];
    };
    qint64 sum = 0;
    int coarse = 0;
    if (scoring == Scoring::Coarse) {
        // Within a run the four-gram's index rolls on by one symbol.
        for (const auto &[start, end] : m_runs) {
            const int head = std::min(start + HistoryLength, end);
            for (int i = start; i < head; ++i)
                sum += std::max(m_coarseFloor, int(fromRunStart(i)));
            int index = 0;
            for (int i = start; i < head; ++i)
                index = (index << 5) | plain[i];
            for (int i = head; i < end; ++i) {
                index = ((index << 5) | plain[i]) & CoarseScores::IndexMask;
                coarse += m_coarse[index];
            }
        }
    } else {
        for (int i = 0; i < size; ++i) {
            if (history[i] >= 3)
                sum += m_scores[ngramIndex(plain[i - 3], plain[i - 2], plain[i - 1], plain[i])];
            else
                sum += fromRunStart(i);
        }
    }
    sum += qint64(coarse) * CoarseScores::Step;
    languageScore = sum;
    return m_cribs.empty() ? sum : sum + cribReward();
}

RectangleOutcome RectangleSearch::exactly(const RectangleOutcome &outcome)
{
    RectangleOutcome exact;
    exact.key = outcome.key;
    exact.total = evaluate(outcome.key, Scoring::Exact, exact.languageScore);
    return exact;
}

qint64 RectangleSearch::cribReward() const
{
    int letters = 0;
    for (const Crib &crib : m_cribs) {
        int best = 0;
        const int length = int(crib.symbols.size());
        for (const CribPlacement &placement : crib.placements) {
            int read = 0;
            for (int i = 0; i < length; ++i)
                read += m_plain[std::size_t(placement.start + i)] == crib.symbols[std::size_t(i)];
            best = std::max(best, read);
        }
        letters += best;
    }
    return qint64(std::llround(letters * m_schedule.cribLetterNats * LanguageModel::Scale));
}

qint64 RectangleSearch::scoreOf(const RectangleKey &key, qint64 *languageScore)
{
    qint64 language = 0;
    const qint64 total = evaluate(key, Scoring::Exact, language);
    if (languageScore)
        *languageScore = language;
    return total;
}

RectangleOutcome RectangleSearch::run(RectangleBoard *board)
{
    if (m_schedule.replicas > 1)
        return temper(nullptr, board);
    start();
    return anneal(m_schedule.startTemperature(m_variant), board);
}

RectangleOutcome RectangleSearch::reheat(const RectangleKey &from, RectangleBoard *board)
{
    if (m_schedule.replicas > 1)
        return temper(&from, board);
    m_key = from;
    return anneal(m_schedule.startTemperature(m_variant) * m_schedule.reheatShare, board);
}

// A longer text reads sooner and costs more a move: past fullMovesSymbols
// a restart takes fewer moves in proportion.
int RectangleSearch::movesOfRestart() const
{
    if (m_text.size() <= m_schedule.fullMovesSymbols)
        return m_schedule.annealMoves;
    return int(qint64(m_schedule.annealMoves) * m_schedule.fullMovesSymbols / m_text.size());
}

// One Metropolis step from m_key at this temperature (model units): the
// move is kept when it scores no worse, or by chance when it scores worse.
void RectangleSearch::step(double temperature, qint64 &current, RectangleOutcome &best)
{
    Polygram::Rectangle before;
    Polygram::Rectangle &moved = move(before);
    if (!keepsLocks()) {
        moved = before;
        return;
    }
    qint64 language = 0;
    const qint64 candidate = evaluate(m_key, Scoring::Coarse, language);
    const qint64 delta = candidate - current;
    // Past 40 temperatures down the chance is below 1e-17: no draw, no exp.
    if (delta >= 0
        || (temperature > 0 && double(delta) > -40 * temperature
            && m_random.generateDouble() < std::exp(double(delta) / temperature))) {
        current = candidate;
        if (candidate > best.total) {
            best.key = m_key;
            best.total = candidate;
            best.languageScore = language;
        }
    } else {
        moved = before;
    }
}

RectangleOutcome RectangleSearch::anneal(double temperaturePerSymbol, RectangleBoard *board)
{
    RectangleOutcome best;
    best.key = m_key;
    best.total = evaluate(m_key, Scoring::Coarse, best.languageScore);
    qint64 current = best.total;
    const int moves = movesOfRestart();
    const double startTemperature = temperaturePerSymbol * LanguageModel::Scale * std::max(1, m_text.size());
    for (int i = 0; i < moves; ++i) {
        if (i % m_schedule.movesBetweenChecks == 0) {
            if (board)
                board->post(exactly(best));
            if (i > 0 && m_deadline.passed())
                break;
        }
        step(startTemperature * (1.0 - (1.0 - m_schedule.endTemperatureShare) * double(i) / moves), current, best);
    }
    polish(best);
    if (board)
        board->post(best);
    return best;
}

// Replicas of the search at temperatures from the start's down to its
// endTemperatureShare, exchanging keys now and then: a hot replica that has
// found the start of a reading hands it down to the cold ones, so the search
// does not depend on one cooling passing the point where the text begins to
// read at the right pace.
RectangleOutcome RectangleSearch::temper(const RectangleKey *from, RectangleBoard *board)
{
    struct Replica
    {
        RectangleKey key;
        qint64 score = 0;
    };
    const int count = m_schedule.replicas;
    std::vector<Replica> replicas(static_cast<std::size_t>(count));
    std::vector<double> temperatures(static_cast<std::size_t>(count));
    const double hottest = m_schedule.startTemperature(m_variant) * LanguageModel::Scale * std::max(1, m_text.size());
    const double coldest = hottest * m_schedule.endTemperatureShare;
    RectangleOutcome best;
    best.total = std::numeric_limits<qint64>::min();
    for (int r = 0; r < count; ++r) {
        temperatures[std::size_t(r)] = coldest * std::pow(hottest / coldest, double(r) / (count - 1));
        if (from && r == 0)
            m_key = *from;
        else
            start();
        qint64 language = 0;
        replicas[std::size_t(r)] = { m_key, evaluate(m_key, Scoring::Coarse, language) };
        if (replicas[std::size_t(r)].score > best.total)
            best = { m_key, replicas[std::size_t(r)].score, language };
    }
    const int round = m_schedule.movesBetweenChecks;
    const int moves = movesOfRestart();
    const qint64 settledScore =
        qint64(m_schedule.settledScorePerSymbol * LanguageModel::Scale * std::max(1, m_text.size()));
    qint64 lastBest = best.total;
    // Whether the best key reads as Russian is judged on its exact score:
    // the moves' floored scores rate a key that misreads a few symbols of a
    // long text as well as a true one.
    qint64 bestExactly = exactly(best).languageScore;
    int risen = 0;
    for (int done = 0; done < moves; done += round * count) {
        if (board)
            board->post(exactly(best));
        if (done > 0 && m_deadline.passed())
            break;
        if (best.total > lastBest) {
            lastBest = best.total;
            bestExactly = exactly(best).languageScore;
            risen = done;
        }
        if (bestExactly >= settledScore && done - risen >= m_schedule.settleMoves)
            break;
        for (int r = 0; r < count; ++r) {
            Replica &replica = replicas[std::size_t(r)];
            m_key = replica.key;
            for (int i = 0; i < round; ++i)
                step(temperatures[std::size_t(r)], replica.score, best);
            replica.key = m_key;
        }
        for (int r = int(m_random.bounded(2)); r + 1 < count; r += 2) {
            Replica &cold = replicas[std::size_t(r)];
            Replica &hot = replicas[std::size_t(r + 1)];
            const double gain = double(hot.score - cold.score)
                * (1.0 / temperatures[std::size_t(r)] - 1.0 / temperatures[std::size_t(r + 1)]);
            if (gain >= 0 || m_random.generateDouble() < std::exp(gain))
                std::swap(cold, hot);
        }
    }
    polish(best);
    if (board)
        board->post(best);
    return best;
}

// Every swap of two symbols of a rectangle tried on best's key, each one
// that scores higher kept, round after round while a round gains: at most
// rounds of them, and none after the deadline when the deadline counts.
// score reads m_key. Returns the swaps kept.
int RectangleSearch::climbSwaps(RectangleOutcome &best, const std::function<qint64()> &score, int rounds,
                                bool untilDeadline)
{
    const int rectangles = m_variant == RectangleVariant::TwoSquare ? 2 : 1;
    m_key = best.key;
    qint64 current = score();
    int kept = 0;
    bool better = true;
    for (int round = 0; better && round < rounds && !(untilDeadline && m_deadline.passed()); ++round) {
        better = false;
        for (int r = 0; r < rectangles; ++r) {
            for (int i = 0; i < SymbolCount; ++i) {
                for (int j = i + 1; j < SymbolCount; ++j) {
                    m_key = best.key;
                    Polygram::Rectangle &rectangle = r == 0 ? m_key.first : m_key.second;
                    Cells cells = rectangle.symbolAt;
                    std::swap(cells[std::size_t(i)], cells[std::size_t(j)]);
                    rectangle = Polygram::Rectangle::of(cells);
                    if (!keepsLocks())
                        continue;
                    const qint64 candidate = score();
                    if (candidate > current) {
                        current = candidate;
                        best.key = m_key;
                        better = true;
                        ++kept;
                    }
                }
            }
        }
    }
    best = exactly(best);
    return kept;
}

// An anneal that ends warm leaves a few symbols a swap away. Leaves best
// scored exactly, however the search scored it.
void RectangleSearch::polish(RectangleOutcome &best)
{
    climbSwaps(best, [this] {
        qint64 language = 0;
        return evaluate(m_key, Scoring::Exact, language);
    }, std::numeric_limits<int>::max(), true);
}

// Words of m_plain that stand between two spaces within one run of symbols
// (a copied character or a line end cuts a word short) and that words
// lacks. A Playfair filler between two equal letters is the cipher's, not
// the word's.
int RectangleSearch::unknownWords(const RectangleKey &key, const WordList &words)
{
    qint64 language = 0;
    evaluate(key, Scoring::Exact, language);
    return unknownWordsRead(words);
}

int RectangleSearch::unknownWordsRead(const WordList &words) const
{
    const int size = m_text.size();
    const std::int8_t *history = m_text.history.data();
    std::vector<std::uint8_t> letters;
    int unknown = 0;
    int start = -1; // the symbol after the last space of this run, or -1
    for (int i = 0; i < size; ++i) {
        if (history[i] == 0)
            start = -1;
        if (m_plain[std::size_t(i)] != 0)
            continue;
        if (start >= 0 && i > start) {
            letters.clear();
            for (int j = start; j < i; ++j) {
                const int symbol = m_plain[std::size_t(j)];
                const bool filler = m_variant == RectangleVariant::Playfair && symbol == Polygram::DefaultFiller
                    && j > start && j + 1 < i && m_plain[std::size_t(j - 1)] == m_plain[std::size_t(j + 1)];
                if (!filler)
                    letters.push_back(std::uint8_t(symbol));
            }
            unknown += !words.contains(letters);
        }
        start = i + 1;
    }
    return unknown;
}

int RectangleSearch::polishWords(RectangleOutcome &best, const WordList &words)
{
    // A key that does not read as Russian has no words to mend, and a user
    // who stops a hopeless search should not wait for them.
    const double perSymbol = double(best.languageScore) / LanguageModel::Scale / std::max(1, m_text.size());
    if (m_schedule.unknownWordNats <= 0 || words.isEmpty() || perSymbol < RussianScoreThreshold)
        return 0;
    const qint64 wordCost = std::llround(m_schedule.unknownWordNats * LanguageModel::Scale);
    // Not cut short by the time limit: the search's answer gets its words
    // however the search ended, and a round costs a few milliseconds.
    return climbSwaps(best, [this, &words, wordCost] {
        qint64 language = 0;
        return evaluate(m_key, Scoring::Exact, language) - wordCost * unknownWordsRead(words);
    }, m_schedule.wordPolishRounds, false);
}

} // namespace Cryptanalysis
