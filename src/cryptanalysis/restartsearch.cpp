#include "restartsearch.h"

#include "cribplacements.h"

#include "keytable.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace Cryptanalysis {

RestartSearch::RestartSearch(KeyState &key, const SearchPlan &plan, const SearchSchedule &schedule,
                             const Deadline &deadline, quint64 seed, const CribPlacements &cribs)
    : m_key(key)
    , m_plan(plan)
    , m_schedule(schedule)
    , m_deadline(deadline)
    , m_cribs(cribs)
    , m_random(seededGenerator(seed))
    , m_groupOf(key.codes(), -1)
    , m_occurrences(key.occurrenceCount())
{
    for (int g = 0; g < int(plan.groups.size()); ++g)
        for (const int x : plan.groups[g])
            m_groupOf[x] = g;
}

RestartOutcome RestartSearch::run(int restart)
{
    // Held before the start, so that the codes after commas are dealt to the
    // space as locks are.
    m_key.holdSpace(m_schedule.spaceFreeEvery > 0 && restart % m_schedule.spaceFreeEvery != 0);
    start(restart);
    // Left free, the anneal reads a rare letter's only code as a frequent
    // letter and empties the rare symbol; at 500 codes of a proportional key
    // with random choice restarts that failed ended with 13 to 19 symbols
    // empty where 3 were allowed, and filling them afterwards did not mend
    // the key. Under cyclic choice the groups need the freedom: kept filled
    // there, 1000 and 2000 codes fell from 100 % to 99 and 97 %.
    if (m_plan.proportional && !m_plan.cyclic)
        m_key.keepSymbolsFilled();
    placeCrib(restart);
    if (m_plan.groups.size() < size_t(m_key.codes())) {
        annealGroups();
        annealCodes(m_schedule.codeAnnealAfterGroups);
    } else {
        annealCodes(1.0);
    }
    // Released for a cooler anneal of its own, so that codes the rules held
    // wrong (a prose that breaks them here and there) find their symbols.
    if (m_key.holdsSpace()) {
        m_key.holdSpace(false);
        annealCodes(m_schedule.spaceReleaseTemperature, m_schedule.spaceReleaseSteps);
    }
    fillEmptySymbols();
    polish();
    return { m_key.assignment(), m_key.total(), m_key.languageScore() };
}

// Deals the groups to symbols, most frequent group to the most frequent
// symbol on the first restart and at random on the others; locked codes take
// their symbols, and a group with a locked code goes where the lock says.
void RestartSearch::start(int restart)
{
    const int codes = m_key.codes();
    std::vector<int> groupTotal(m_plan.groups.size(), 0);
    std::vector<int> groupOrder(m_plan.groups.size());
    std::iota(groupOrder.begin(), groupOrder.end(), 0);
    for (int g = 0; g < int(m_plan.groups.size()); ++g)
        for (const int x : m_plan.groups[g])
            groupTotal[g] += m_key.count(x);
    std::stable_sort(groupOrder.begin(), groupOrder.end(),
                     [&groupTotal](int a, int b) { return groupTotal[a] > groupTotal[b]; });

    // Symbols in the order groups take them: by frequency, or a seat each
    // for as many codes as a proportional key gives the symbol.
    std::vector<int> symbols(m_plan.symbolsByFrequency.begin(), m_plan.symbolsByFrequency.end());
    if (m_plan.proportional) {
        symbols.clear();
        for (int s = 0; s < SymbolCount; ++s)
            symbols.insert(symbols.end(), size_t(m_plan.rowLengths[s]), s);
    }
    if (restart > 0 || m_plan.proportional)
        shuffleExactly(m_random, symbols.data(), int(symbols.size()));

    // The rules are kept while dealing on an empty key: each code goes to the
    // dealt symbol if it fits there, else to a symbol where it fits, else
    // where there is room.
    std::vector<int> assignment(codes, -1);
    std::array<std::vector<int>, SymbolCount> members;
    m_key.reset(std::vector<int>(codes, 0));
    const auto place = [&](int x, int s) {
        assignment[x] = s;
        members[s].push_back(x);
    };
    const auto fitsDealt = [&](int x, int s) {
        if (int(members[s].size()) >= m_key.capacity())
            return false;
        return (s != 0 || m_key.spaceAccepts(x, members[0]))
            && std::all_of(members[s].begin(), members[s].end(), [&](int m) { return m_key.compatibleCodes(m, x); });
    };
    for (int x = 0; x < codes; ++x) {
        if (m_key.isLocked(x))
            place(x, m_key.lockedSymbolOf(x));
    }
    int nextSymbol = 0;
    for (const int g : groupOrder) {
        int s = -1;
        for (const int x : m_plan.groups[g]) {
            if (m_key.isLocked(x))
                s = m_key.lockedSymbolOf(x);
        }
        if (s < 0 && nextSymbol < int(symbols.size()))
            s = symbols[nextSymbol++];
        for (const int x : m_plan.groups[g]) {
            if (assignment[x] >= 0)
                continue;
            int target = s >= 0 && fitsDealt(x, s) ? s : -1;
            for (int tries = 0; tries < 4 * SymbolCount && target < 0; ++tries) {
                const int t = int(m_random.bounded(SymbolCount));
                if (fitsDealt(x, t))
                    target = t;
            }
            for (int t = 0; t < SymbolCount && target < 0; ++t) {
                if (fitsDealt(x, t))
                    target = t;
            }
            for (int t = 0; t < SymbolCount && target < 0; ++t) {
                if (int(members[t].size()) < m_key.capacity())
                    target = t;
            }
            place(x, target < 0 ? 0 : target);
        }
    }
    m_key.reset(assignment);
}

// With a crib, each restart starts from the crib read at another of its
// places: the reward for a crib that reads whole has no slope for the anneal
// to climb, so the search is put on it and left free to leave it.
void RestartSearch::placeCrib(int restart)
{
    if (m_cribs.placementCount() == 0)
        return;
    const int placement = restart % m_cribs.placementCount();
    for (const auto &[x, symbol] : m_cribs.lettersOf(placement)) {
        const int s = m_key.symbolOf(x);
        if (s == symbol || m_key.isLocked(x))
            continue;
        if (m_key.fits(x, symbol)) {
            m_key.move(x, symbol);
            m_key.keep();
            continue;
        }
        for (int i = 0; i < m_key.size(symbol); ++i) {
            const int y = m_key.member(symbol, i);
            if (!m_key.isLocked(y) && m_key.fits(x, symbol, y) && m_key.fits(y, s, x)) {
                m_key.swap(x, y);
                m_key.keep();
                break;
            }
        }
    }
}

bool RestartSearch::accept(qint64 delta, double temperature)
{
    if (delta >= 0)
        return true;
    return m_random.generateDouble() < std::exp(double(delta) / temperature);
}

void RestartSearch::settle(qint64 delta, double temperature)
{
    if (accept(delta, temperature))
        m_key.keep();
    else
        m_key.undo();
}

bool RestartSearch::improves(qint64 delta)
{
    if (delta > 0) {
        m_key.keep();
        return true;
    }
    m_key.undo();
    return false;
}

double RestartSearch::startTemperature() const
{
    const bool proportionalRandom = m_plan.proportional && !m_plan.cyclic;
    return (proportionalRandom ? m_schedule.proportionalStartTemperatureNats : m_schedule.startTemperatureNats)
        * LanguageModel::Scale
        * std::sqrt(std::max(1.0, double(m_occurrences) / m_schedule.temperatureLength));
}

qint64 RestartSearch::moveGroup(int g, int t)
{
    qint64 delta = 0;
    for (const int x : m_plan.groups[g])
        delta += m_key.move(x, t);
    return delta;
}

// A group moves whole only while all its codes share a symbol and none is
// locked.
bool RestartSearch::groupMayMove(int g) const
{
    const std::vector<int> &group = m_plan.groups[g];
    const int s = m_key.symbolOf(group[0]);
    return std::all_of(group.begin(), group.end(),
                       [&](int x) { return !m_key.isLocked(x) && m_key.symbolOf(x) == s; });
}

// Annealing over groups kept whole: a group moves to another symbol with
// room for it, or trades places with a group there.
void RestartSearch::annealGroups()
{
    const int groups = int(m_plan.groups.size());
    const qint64 steps = std::max<qint64>(
        m_schedule.groupMinSteps,
        qint64(std::clamp<qint64>(qint64(groups) * m_schedule.groupStepsPerGroup, m_schedule.groupStepsFloor,
                                  m_schedule.groupStepsCeiling)
               * std::min(1.0, double(m_schedule.groupFullLength) / std::max(1, m_occurrences))));
    const double endTemperature = m_schedule.endTemperatureNats * LanguageModel::Scale;
    double temperature = startTemperature();
    const double cooling = std::pow(endTemperature / temperature, 1.0 / double(steps));
    for (qint64 i = 0; i < steps; ++i, temperature *= cooling) {
        if (checkClock(i))
            return;
        if (int(m_random.bounded(100u)) < m_schedule.groupMovePercent) {
            const int g = int(m_random.bounded(groups));
            if (!groupMayMove(g))
                continue;
            const std::vector<int> &group = m_plan.groups[g];
            const int s = m_key.symbolOf(group[0]);
            int t = int(m_random.bounded(SymbolCount - 1));
            t += t >= s;
            if (m_key.fitsAll(group, t, {})) {
                settle(moveGroup(g, t), temperature);
                continue;
            }
            if (m_key.size(t) == 0)
                continue;
            const int h = m_groupOf[m_key.member(t, int(m_random.bounded(m_key.size(t))))];
            if (h == g || !groupMayMove(h))
                continue;
            const std::vector<int> &other = m_plan.groups[h];
            if (!m_key.fitsAll(group, t, other) || !m_key.fitsAll(other, s, group))
                continue;
            settle(moveGroup(g, t) + moveGroup(h, s), temperature);
        } else {
            trySymbolSwap(temperature);
        }
    }
}

// Two symbols, neither holding a locked code, trade all their codes.
void RestartSearch::trySymbolSwap(double temperature)
{
    const int s = int(m_random.bounded(SymbolCount));
    int t = int(m_random.bounded(SymbolCount - 1));
    t += t >= s;
    if (m_key.holdsLock(s) || m_key.holdsLock(t) || (m_key.holdsSpace() && (s == 0 || t == 0)))
        return;
    settle(m_key.swapSymbols(s, t), temperature);
}

void RestartSearch::annealCodes(double startFactor, double stepsFactor)
{
    const int codes = m_key.codes();
    if (codes == 0)
        return;
    const qint64 fullSteps = std::clamp<qint64>(qint64(m_schedule.annealWork * codes / std::max(1, m_occurrences)),
                                                m_schedule.minSteps, m_schedule.maxSteps);
    const qint64 steps = std::max<qint64>(1, qint64(stepsFactor * double(fullSteps)));
    const double endTemperature = m_schedule.endTemperatureNats * LanguageModel::Scale;
    double temperature = startFactor * startTemperature();
    const double cooling = std::pow(endTemperature / temperature, 1.0 / double(steps));
    std::vector<int> best;
    qint64 bestTotal = m_key.total();
    const auto noteBest = [&] {
        if (m_schedule.keepBestKey && m_key.total() > bestTotal) {
            bestTotal = m_key.total();
            best = m_key.assignment();
        }
    };
    for (qint64 i = 0; i < steps; ++i, temperature *= cooling) {
        if (checkClock(i))
            break;
        noteBest();
        const int kind = int(m_random.bounded(100u));
        if (kind < m_schedule.singleMovePercent || codes < 3) {
            const int x = int(m_random.bounded(codes));
            if (m_key.isLocked(x))
                continue;
            const int s = m_key.symbolOf(x);
            int t = int(m_random.bounded(SymbolCount - 1));
            t += t >= s;
            const bool swapOnly
                = m_plan.proportional && int(m_random.bounded(100u)) < m_schedule.proportionalSwapPercent;
            if (!swapOnly && m_key.fits(x, t)) {
                settle(m_key.move(x, t), temperature);
                continue;
            }
            if (m_key.size(t) == 0)
                continue;
            const int y = m_key.member(t, int(m_random.bounded(m_key.size(t))));
            if (m_key.isLocked(y) || !m_key.fits(x, t, y) || !m_key.fits(y, s, x))
                continue;
            settle(m_key.swap(x, y), temperature);
        } else if (kind < m_schedule.singleMovePercent + m_schedule.symbolSwapPercent
                   && (m_plan.cyclic || m_plan.proportional)) {
            trySymbolSwap(temperature);
        } else {
            const int x = int(m_random.bounded(codes));
            const int y = int(m_random.bounded(codes));
            const int z = int(m_random.bounded(codes));
            const int sx = m_key.symbolOf(x), sy = m_key.symbolOf(y), sz = m_key.symbolOf(z);
            if (sx == sy || sy == sz || sx == sz || m_key.isLocked(x) || m_key.isLocked(y) || m_key.isLocked(z))
                continue;
            if (!m_key.fits(x, sy, y) || !m_key.fits(y, sz, z) || !m_key.fits(z, sx, x))
                continue;
            settle(m_key.rotate(x, y, z), temperature);
        }
    }
    noteBest();
    if (!best.empty() && bestTotal > m_key.total())
        m_key.reset(best);
}

// A key gives every symbol a code, and each code the text never shows can
// go to one symbol only. The anneal may leave more symbols empty than that
// (a rare letter's code read as a frequent one); each symbol too many then
// takes the code whose move there costs least, and no move empties a symbol
// again.
void RestartSearch::fillEmptySymbols()
{
    while (m_key.emptySymbols() > m_key.emptySymbolsAllowed()) {
        int bestCode = -1, bestSymbol = -1;
        qint64 bestDelta = 0;
        for (int s = 0; s < SymbolCount; ++s) {
            if (m_key.size(s) > 0)
                continue;
            for (int x = 0; x < m_key.codes(); ++x) {
                if (m_key.isLocked(x) || m_key.size(m_key.symbolOf(x)) < 2 || !m_key.fits(x, s))
                    continue;
                const qint64 delta = m_key.move(x, s);
                m_key.undo();
                if (bestCode < 0 || delta > bestDelta) {
                    bestCode = x;
                    bestSymbol = s;
                    bestDelta = delta;
                }
            }
        }
        if (bestCode < 0)
            break;
        m_key.move(bestCode, bestSymbol);
        m_key.keep();
    }
    m_key.keepSymbolsFilled();
}

// Hill climbing to a local optimum over single moves, swaps of any two
// codes, trades of whole symbols and rotations among the rare codes, which
// swaps cannot untangle.
void RestartSearch::polish()
{
    const int codes = m_key.codes();
    std::vector<int> rare;
    for (int x = 0; x < codes; ++x) {
        if (m_key.count(x) <= m_schedule.rareCodeCount && !m_key.isLocked(x))
            rare.push_back(x);
    }
    if (int(rare.size()) > m_schedule.rareCodeLimit)
        rare.resize(m_schedule.rareCodeLimit);

    bool improved = true;
    while (improved && !m_deadline.passed()) {
        improved = false;
        for (int x = 0; x < codes; ++x) {
            if (m_key.isLocked(x))
                continue;
            for (int t = 0; t < SymbolCount; ++t) {
                const int s = m_key.symbolOf(x);
                if (t == s || !m_key.fits(x, t))
                    continue;
                improved = improves(m_key.move(x, t)) || improved;
            }
        }
        for (int x = 0; x < codes && !m_deadline.passed(); ++x) {
            for (int y = x + 1; y < codes; ++y) {
                const int s = m_key.symbolOf(x), t = m_key.symbolOf(y);
                if (s == t || m_key.isLocked(x) || m_key.isLocked(y) || !m_key.fits(x, t, y) || !m_key.fits(y, s, x))
                    continue;
                improved = improves(m_key.swap(x, y)) || improved;
            }
        }
        if (m_plan.cyclic) {
            for (int s = 0; s < SymbolCount; ++s) {
                for (int t = s + 1; t < SymbolCount; ++t) {
                    if (m_key.holdsLock(s) || m_key.holdsLock(t) || (m_key.holdsSpace() && (s == 0 || t == 0)))
                        continue;
                    improved = improves(m_key.swapSymbols(s, t)) || improved;
                }
            }
        }
        for (size_t i = 0; i < rare.size() && !m_deadline.passed(); ++i)
            for (size_t j = 0; j < rare.size(); ++j)
                for (size_t k = j + 1; k < rare.size(); ++k) {
                    const int x = rare[i], y = rare[j], z = rare[k];
                    const int sx = m_key.symbolOf(x), sy = m_key.symbolOf(y), sz = m_key.symbolOf(z);
                    if (i == j || i == k || sx == sy || sy == sz || sx == sz)
                        continue;
                    if (!m_key.fits(x, sy, y) || !m_key.fits(y, sz, z) || !m_key.fits(z, sx, x))
                        continue;
                    improved = improves(m_key.rotate(x, y, z)) || improved;
                }
    }
}

} // namespace Cryptanalysis
