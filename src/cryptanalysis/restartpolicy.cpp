#include "restartpolicy.h"

namespace Cryptanalysis {

RestartPolicy::RestartPolicy(const SearchSchedule &schedule, int occurrences)
    : m_schedule(schedule)
    , m_occurrences(occurrences)
{
}

bool RestartPolicy::judge(int restart, qint64 total, double averageScore)
{
    ++m_judged;
    if (total > m_bestTotal) {
        m_bestTotal = total;
        m_best = restart;
        m_bestAverage = averageScore;
        m_agreements = 1;
        m_sinceImprovement = 0;
    } else {
        // Two restarts agree when they differ by less than one unit a code.
        if (m_bestTotal - total <= m_occurrences)
            ++m_agreements;
        ++m_sinceImprovement;
    }
    // On a text long enough to be solved, restarts that agree on a key which
    // does not read as Russian have most likely found the same trap, and the
    // search goes on; on a short one more restarts only cost time.
    const bool readsWell = m_bestAverage > m_schedule.fluentScoreNats;
    const bool persist = !readsWell && m_occurrences >= m_schedule.persistOccurrences;
    const int giveUp = persist ? m_schedule.persistGiveUpFactor * m_schedule.giveUpAfter : m_schedule.giveUpAfter;
    return (m_agreements >= m_schedule.agreementsToStop && !persist)
        || (readsWell && m_judged >= m_schedule.fluentMinRestarts && m_sinceImprovement >= 1)
        || m_sinceImprovement >= giveUp || m_judged >= m_schedule.maxRestarts;
}

} // namespace Cryptanalysis
