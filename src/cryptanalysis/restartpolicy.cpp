#include "restartpolicy.h"

#include "languagemodel.h"

namespace Cryptanalysis {

RestartPolicy::RestartPolicy(const SearchSchedule &schedule, int occurrences)
    : m_schedule(schedule)
    , m_occurrences(occurrences)
{
}

bool RestartPolicy::judge(int restart, qint64 total, double averageScore)
{
    ++m_judged;
    const qint64 close = qint64(m_schedule.fluentAgreementNats * LanguageModel::Scale * m_occurrences);
    if (total > m_bestTotal) {
        m_confirmations = m_best >= 0 && total - m_bestTotal <= close ? m_confirmations + 1 : 1;
        m_bestTotal = total;
        m_best = restart;
        m_bestAverage = averageScore;
        m_agreements = 1;
        m_sinceImprovement = 0;
    } else {
        // Two restarts agree when they differ by less than one unit a code.
        if (m_bestTotal - total <= m_occurrences)
            ++m_agreements;
        if (m_bestTotal - total <= close)
            ++m_confirmations;
        ++m_sinceImprovement;
    }
    // On a text long enough to be solved, restarts that agree on a key which
    // does not read as Russian have most likely found the same trap, and the
    // search goes on; on a short one more restarts only cost time.
    // A long text that reads as Russian can still hold a trap a little
    // worse than the true key; a second restart that reads it as well
    // confirms it.
    const bool readsWell = m_bestAverage > m_schedule.fluentScoreNats;
    const bool longText = m_occurrences >= m_schedule.persistOccurrences;
    const bool persist = !readsWell && longText;
    const bool confirmed = longText ? m_confirmations >= 2 : m_sinceImprovement >= 1;
    const int giveUp = persist ? m_schedule.persistGiveUpFactor * m_schedule.giveUpAfter : m_schedule.giveUpAfter;
    return (m_agreements >= m_schedule.agreementsToStop && !persist)
        || (readsWell && m_judged >= m_schedule.fluentMinRestarts && confirmed)
        || m_sinceImprovement >= giveUp || m_judged >= m_schedule.maxRestarts;
}

} // namespace Cryptanalysis
