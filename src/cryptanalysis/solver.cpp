#include "solver.h"

#include "languagemodel.h"
#include "optionchecks.h"
#include "restartpolicy.h"
#include "restartsearch.h"
#include "searchedtext.h"
#include "searchplan.h"

#include "keytable.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <vector>

namespace Cryptanalysis {

namespace {

// The tool's keys of equal rows hold three codes a symbol.
constexpr int EqualRowLength = 3;
constexpr int NoSymbol = -1;

double averageScoreOf(const CipherText &cipher, const LanguageModel &model, const std::array<int, CodeCount> &symbolOfCode)
{
    qint64 sum = 0;
    int symbols = 0;
    int a = Boundary, b = Boundary, c = Boundary;
    for (const qint16 unit : cipher.units) {
        const int d = unit >= 0 ? symbolOfCode[unit] : NoSymbol;
        if (d < 0) {
            a = b = c = Boundary;
            continue;
        }
        sum += model.score(a, b, c, d);
        ++symbols;
        a = b;
        b = c;
        c = d;
    }
    return symbols == 0 ? 0 : double(sum) / LanguageModel::Scale / symbols;
}

std::array<int, CodeCount> codeFrequencies(const CipherText &cipher)
{
    std::array<int, CodeCount> frequency {};
    for (const qint16 unit : cipher.units) {
        if (unit >= 0)
            ++frequency[unit];
    }
    return frequency;
}

} // namespace

bool tryFixedTable(const CipherText &cipher, const LanguageModel &model, CrackResult *result,
                   const SearchSchedule &schedule)
{
    // The model numbers its symbols as the fixed table's rows.
    const KeyTable &fixed = fixedKeyTable();
    const std::array<CodePlace, CodeCount> places = codePlacesOf(fixed, EqualRowLength);
    const std::array<int, CodeCount> frequency = codeFrequencies(cipher);
    std::array<int, CodeCount> symbolOfCode;
    int columns = 0;
    for (int code = 0; code < CodeCount; ++code) {
        if (frequency[code] == 0) {
            symbolOfCode[code] = NoSymbol;
        } else if (places[code].row < 0) {
            return false;
        } else {
            symbolOfCode[code] = places[code].row;
            columns = qMax(columns, places[code].column + 1);
        }
    }
    if (columns == 0)
        return false;
    const double score = averageScoreOf(cipher, model, symbolOfCode);
    if (score < RussianScoreThreshold)
        return false;

    // With the table known, the order of each symbol's codes in a line
    // tells cyclic choice from random choice. Digit pairs of the plaintext
    // are copied and read as codes, so a few codes out of turn are allowed.
    int inTurn = 0;
    int codes = 0;
    std::array<int, SymbolCount> counter {};
    for (const qint16 unit : cipher.units) {
        if (unit == CipherText::LineEnd) {
            counter.fill(0);
        } else if (unit >= 0) {
            const CodePlace &place = places[unit];
            inTurn += place.column == counter[place.row] % columns;
            ++codes;
            ++counter[place.row];
        }
    }
    const bool cyclic = inTurn >= codes - codes * schedule.outOfTurnPerMille / 1000;

    result->fixedTable = true;
    result->symbolOfCode = symbolOfCode;
    result->table = fixed;
    result->dealtCodes = 0;
    result->alphabetCount = columns;
    result->choice = columns == 1 ? ChoiceMode::NotShown : (cyclic ? ChoiceMode::Cyclic : ChoiceMode::Random);
    result->score = score;
    result->restarts = 0;
    return true;
}

namespace {

// Restart i draws from a generator seeded with (seed, i), whatever thread
// runs it.
quint64 restartSeed(quint64 seed, int restart)
{
    const quint32 words[] = { quint32(seed), quint32(seed >> 32), quint32(restart), 0x9e3779b9u };
    QRandomGenerator generator(words, 4);
    return generator.generate64();
}

// Everything one search shares between its restarts, read-only once built.
class Search
{
public:
    Search(const SearchedText &text, const LanguageModel &model, const CrackOptions &options)
        : m_text(text)
        , m_index(text.index())
        , m_model(model)
        , m_options(options)
        , m_schedule(options.schedule)
        , m_setup(planSearch(text, model, options.locks, options.schedule))
        , m_cribs(text.cribPlacements(options.cribs, options.locks))
    {
    }

    CrackResult run(const QElapsedTimer &clock) const
    {
        CrackResult result;
        result.symbolOfCode.fill(NoSymbol);
        result.proportional = m_setup.plan.proportional;
        result.choice = m_setup.plan.cyclic ? ChoiceMode::Cyclic : ChoiceMode::Random;
        if (m_index.codes() == 0)
            return result;
        const Deadline deadline(clock, qint64(m_options.timeLimitSeconds * 1000), m_options.stopRequested);
        const int jobs = m_options.jobs > 0 ? m_options.jobs : qMax(1, QThread::idealThreadCount());
        QThreadPool pool;
        pool.setMaxThreadCount(jobs);
        RestartPolicy policy(m_schedule, m_index.occurrenceCount());
        std::vector<RestartOutcome> outcomes;
        bool done = false;
        qint64 lastReport = 0;
        const int interval = m_schedule.progressIntervalMs;
        // Restarts run in batches of one per thread and are judged in their
        // order, so the answer does not depend on which finished first. The
        // first batch always runs: its keys are the answer however short
        // the limit.
        while (!done && (outcomes.empty() || !deadline.passed())) {
            const int first = int(outcomes.size());
            const int batch = qMin(jobs, m_schedule.maxRestarts - first);
            outcomes.resize(size_t(first + batch));
            for (int i = first; i < first + batch; ++i) {
                pool.start([this, i, &outcomes, &deadline] {
                    KeyState key(m_index, m_model, m_setup.rules, m_cribs);
                    RestartSearch restart(key, m_setup.plan, m_schedule, deadline, restartSeed(m_options.seed, i),
                                          m_cribs);
                    outcomes[size_t(i)] = restart.run(i);
                });
            }
            while (!pool.waitForDone(interval)) {
                if (policy.bestRestart() >= 0 && clock.elapsed() - lastReport >= interval) {
                    lastReport = clock.elapsed();
                    report(clock, first, outcomes[size_t(policy.bestRestart())], policy.bestAverageScore());
                }
            }
            for (int i = first; i < first + batch && !done; ++i) {
                const RestartOutcome &outcome = outcomes[size_t(i)];
                done = policy.judge(i, outcome.total, averageOf(outcome.languageScore));
                result.restarts = i + 1;
                report(clock, result.restarts, outcomes[size_t(policy.bestRestart())], policy.bestAverageScore());
            }
            done = done || result.restarts >= m_schedule.maxRestarts;
            lastReport = clock.elapsed();
        }

        result.score = policy.bestAverageScore();
        result.symbolOfCode = symbolsOf(outcomes[size_t(policy.bestRestart())]);
        return result;
    }

private:
    std::array<int, CodeCount> symbolsOf(const RestartOutcome &outcome) const
    {
        std::array<int, CodeCount> symbolOfCode;
        symbolOfCode.fill(NoSymbol);
        for (int x = 0; x < m_index.codes(); ++x)
            symbolOfCode[size_t(m_index.codeOf(x))] = outcome.assignment[size_t(x)];
        return symbolOfCode;
    }

    double averageOf(qint64 languageScore) const
    {
        return double(languageScore) / LanguageModel::Scale / qMax(1, m_index.occurrenceCount());
    }

    void report(const QElapsedTimer &clock, int restarts, const RestartOutcome &best, double score) const
    {
        if (!m_options.progress)
            return;
        CrackProgress progress;
        progress.elapsedSeconds = clock.elapsed() / 1000.0;
        progress.restarts = restarts;
        progress.bestScore = score;
        QString shown = m_text.cipher().plaintext(symbolsOf(best), m_options.progressPlaintextLength);
        progress.plaintextChanged = shown != m_shownPlaintext;
        if (progress.plaintextChanged) {
            progress.bestPlaintext = shown;
            m_shownPlaintext = std::move(shown);
        }
        m_options.progress(progress);
    }

    const SearchedText &m_text;
    const OccurrenceIndex &m_index;
    const LanguageModel &m_model;
    const CrackOptions &m_options;
    const SearchSchedule &m_schedule;
    const SearchSetup m_setup;
    const CribPlacements m_cribs;
    // The plaintext the last progress report carried (reports come from
    // the calling thread only).
    mutable QString m_shownPlaintext;
};

bool keepsLocks(const CrackResult &result, const std::vector<CodeLock> &locks)
{
    return std::all_of(locks.begin(), locks.end(), [&result](const CodeLock &lock) {
        return lock.code >= 0 && lock.code < CodeCount && result.symbolOfCode[size_t(lock.code)] == lock.symbol;
    });
}

} // namespace

CrackResult crackHomophonic(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    CrackResult result;
    if (!tryFixedTable(cipher, model, &result, options.schedule) || !keepsLocks(result, options.locks)) {
        const SearchedText text(cipher, options.schedule);
        // Locks and cribs the checks refuse are the caller's to report; the
        // search goes on without them.
        const CrackOptions sound = soundOptions(options, crackOptionProblems(text, options));
        const Search search(text, model, sound);
        result = search.run(clock);
        completeKey(text, model, sound, &result);
    }
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

} // namespace Cryptanalysis
