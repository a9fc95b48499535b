// A crack limited by CPU time instead of the clock, for benchmarks on a
// machine shared with other work: LIMIT × THREADS seconds of the process's
// CPU time is what that many free cores give in LIMIT seconds, and the CPU
// time spent over THREADS is how long a quiet machine would have taken.
#pragma once

#include <ctime>
#include <functional>

inline double processSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

class CpuLimit
{
public:
    CpuLimit(double seconds, int threads)
        : m_start(processSeconds())
        , m_budget(seconds * threads)
        , m_threads(threads)
    {
    }

    // For the attack's stopRequested; the limit by the clock is then set
    // out of reach.
    std::function<bool()> stop() const
    {
        return [start = m_start, budget = m_budget] { return processSeconds() - start >= budget; };
    }
    double seconds() const { return (processSeconds() - m_start) / m_threads; }

private:
    double m_start;
    double m_budget;
    int m_threads;
};
