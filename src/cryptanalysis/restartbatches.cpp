#include "restartbatches.h"

#include "cribplacements.h"
#include "occurrenceindex.h"
#include "restartpolicy.h"
#include "searchplan.h"

#include <QRandomGenerator>
#include <QThread>
#include <QThreadPool>

namespace Cryptanalysis {

quint64 restartSeed(quint64 seed, int restart)
{
    const quint32 words[] = { quint32(seed), quint32(seed >> 32), quint32(restart), 0x9e3779b9u };
    QRandomGenerator generator(words, 4);
    return generator.generate64();
}

namespace {

// Reports come from the calling thread only; a plaintext that reads as in
// the report before is not sent again.
class Reporter
{
public:
    Reporter(const CrackOptions &options, const QElapsedTimer &clock,
             const std::function<QString(const std::vector<int> &)> &plaintextOf)
        : m_options(options)
        , m_clock(clock)
        , m_plaintextOf(plaintextOf)
    {
    }

    void report(int restarts, const RestartOutcome &best, double score)
    {
        if (!m_options.progress)
            return;
        CrackProgress progress;
        progress.elapsedSeconds = m_clock.elapsed() / 1000.0;
        progress.restarts = restarts;
        progress.bestScore = score;
        QString shown = m_plaintextOf(best.assignment);
        progress.plaintextChanged = shown != m_shownPlaintext;
        if (progress.plaintextChanged) {
            progress.bestPlaintext = shown;
            m_shownPlaintext = std::move(shown);
        }
        m_options.progress(progress);
    }

private:
    const CrackOptions &m_options;
    const QElapsedTimer &m_clock;
    const std::function<QString(const std::vector<int> &)> &m_plaintextOf;
    QString m_shownPlaintext;
};

} // namespace

RestartsOutcome runRestarts(const OccurrenceIndex &index, const LanguageModel &model, const SearchSetup &setup,
                            const CribPlacements &cribs, const SearchSchedule &schedule, const CrackOptions &options,
                            const QElapsedTimer &clock,
                            const std::function<QString(const std::vector<int> &)> &plaintextOf)
{
    RestartsOutcome result;
    if (index.codes() == 0)
        return result;
    const Deadline deadline(clock, qint64(options.timeLimitSeconds * 1000), options.stopRequested);
    const int jobs = options.jobs > 0 ? options.jobs : qMax(1, QThread::idealThreadCount());
    QThreadPool pool;
    pool.setMaxThreadCount(jobs);
    RestartPolicy policy(schedule, index.occurrenceCount());
    Reporter reporter(options, clock, plaintextOf);
    const auto averageOf = [&index](qint64 languageScore) {
        return double(languageScore) / LanguageModel::Scale / qMax(1, index.occurrenceCount());
    };
    std::vector<RestartOutcome> outcomes;
    bool done = false;
    qint64 lastReport = 0;
    const int interval = schedule.progressIntervalMs;
    // The first batch always runs: its keys are the answer however short
    // the limit.
    while (!done && (outcomes.empty() || !deadline.passed())) {
        const int first = int(outcomes.size());
        const int batch = qMin(jobs, schedule.maxRestarts - first);
        outcomes.resize(size_t(first + batch));
        for (int i = first; i < first + batch; ++i) {
            pool.start([&, i] {
                KeyState key(index, model, setup.rules, cribs);
                RestartSearch restart(key, setup.plan, schedule, deadline, restartSeed(options.seed, i), cribs);
                outcomes[size_t(i)] = restart.run(i);
            });
        }
        while (!pool.waitForDone(interval)) {
            if (policy.bestRestart() >= 0 && clock.elapsed() - lastReport >= interval) {
                lastReport = clock.elapsed();
                reporter.report(first, outcomes[size_t(policy.bestRestart())], policy.bestAverageScore());
            }
        }
        for (int i = first; i < first + batch && !done; ++i) {
            const RestartOutcome &outcome = outcomes[size_t(i)];
            done = policy.judge(i, outcome.total, averageOf(outcome.languageScore));
            result.restarts = i + 1;
            reporter.report(result.restarts, outcomes[size_t(policy.bestRestart())], policy.bestAverageScore());
        }
        done = done || result.restarts >= schedule.maxRestarts;
        lastReport = clock.elapsed();
    }
    result.best = outcomes[size_t(policy.bestRestart())];
    result.averageScore = policy.bestAverageScore();
    result.agreeing = policy.agreements();
    return result;
}

} // namespace Cryptanalysis
