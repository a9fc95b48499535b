// When to stop restarting: restarts are judged one by one in their order,
// whatever thread ran them, so that a seed gives one answer.
#pragma once

#include "searchschedule.h"

#include <QtGlobal>

#include <limits>

namespace Cryptanalysis {

class RestartPolicy
{
public:
    RestartPolicy(const SearchSchedule &schedule, int occurrences);

    // Takes the next restart's outcome; true when the search should stop.
    // Scores as KeyState keeps them; averageScore is the language score per
    // code, in nats.
    bool judge(int restart, qint64 total, double averageScore);

    int bestRestart() const { return m_best; }
    double bestAverageScore() const { return m_bestAverage; }
    // Restarts judged so far that ended at the best key's total or within
    // one unit a code of it, the best one included.
    int agreements() const { return m_agreements; }

private:
    const SearchSchedule &m_schedule;
    int m_occurrences;
    int m_best = -1;
    qint64 m_bestTotal = std::numeric_limits<qint64>::min();
    double m_bestAverage = 0;
    int m_agreements = 0;
    int m_sinceImprovement = 0;
    int m_judged = 0;
};

} // namespace Cryptanalysis
