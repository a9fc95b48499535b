// One restart of the search: a starting key, an anneal over groups of codes
// that cycle together, an anneal over single codes, and hill climbing to the
// nearest local optimum. Restarts share nothing but read-only data, so they
// run on as many threads as there are cores.
#pragma once

#include "keystate.h"
#include "searchschedule.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <array>
#include <functional>
#include <vector>

namespace Cryptanalysis {

class CribPlacements;

// The moment the whole search must end, or a request to stop it now; read
// from every thread.
class Deadline
{
public:
    Deadline(const QElapsedTimer &clock, qint64 milliseconds, std::function<bool()> stopRequested = {})
        : m_clock(clock)
        , m_milliseconds(milliseconds)
        , m_stopRequested(std::move(stopRequested))
    {
    }
    bool passed() const
    {
        return m_clock.elapsed() >= m_milliseconds || (m_stopRequested && m_stopRequested());
    }
    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    const QElapsedTimer &m_clock;
    qint64 m_milliseconds;
    std::function<bool()> m_stopRequested;
};

// What every restart of one search starts from.
struct SearchPlan
{
    // Groups of dense codes searched as one piece first (most of one code).
    std::vector<std::vector<int>> groups;
    // Whether two symbols trade all their codes as one move: useful when
    // codes are grouped by their cycles.
    bool cyclic = false;
    // Symbols from the most frequent in Russian, for the first start.
    std::array<int, SymbolCount> symbolsByFrequency {};
    // Homophones in proportion to the letters' frequencies: starting keys
    // deal each symbol rowLengths[s] of the codes, and moves of one code
    // change the row lengths only some of the time.
    bool proportional = false;
    std::array<int, SymbolCount> rowLengths {};
};

struct RestartOutcome
{
    std::vector<int> assignment; // per dense code
    qint64 total = 0;
    qint64 languageScore = 0;
};

class RestartSearch
{
public:
    RestartSearch(KeyState &key, const SearchPlan &plan, const SearchSchedule &schedule, const Deadline &deadline,
                  quint64 seed, const CribPlacements &cribs);

    // Restart number `restart` (0 starts from frequencies, the others at
    // random); ends early, with the key as it stands, when the deadline
    // passes.
    RestartOutcome run(int restart);

private:
    void start(int restart);
    void placeCrib(int restart);
    void annealGroups();
    void annealCodes(double startFactor, double stepsFactor = 1.0);
    void fillEmptySymbols();
    void polish();
    void trySymbolSwap(double temperature);
    bool accept(qint64 delta, double temperature);
    // Keeps the moves just made when the anneal accepts their change of
    // the total, else undoes them.
    void settle(qint64 delta, double temperature);
    // Hill climbing: keeps the moves just made only when they raise it.
    bool improves(qint64 delta);
    double startTemperature() const;
    qint64 moveGroup(int g, int t);
    bool groupMayMove(int g) const;
    bool checkClock(qint64 step) const { return step % m_schedule.clockEvery == 0 && m_deadline.passed(); }

    KeyState &m_key;
    const SearchPlan &m_plan;
    const SearchSchedule &m_schedule;
    const Deadline &m_deadline;
    const CribPlacements &m_cribs;
    QRandomGenerator m_random;
    std::vector<int> m_groupOf;
    int m_occurrences = 0;
};

} // namespace Cryptanalysis
