#include "solver.h"

#include "cribplacements.h"
#include "cycleevidence.h"
#include "keystate.h"
#include "languagemodel.h"
#include "occurrenceindex.h"
#include "restartpolicy.h"
#include "restartsearch.h"
#include "searchschedule.h"

#include "keytable.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

namespace Cryptanalysis {

namespace {

constexpr int MaxCodesPerSymbol = 3;
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

bool tryFixedTable(const CipherText &cipher, const LanguageModel &model, CrackResult *result)
{
    // The model numbers its symbols as the fixed table's rows.
    const KeyTable &fixed = fixedKeyTable();
    const std::array<CodePlace, CodeCount> places = codePlacesOf(fixed, MaxCodesPerSymbol);
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
    const bool cyclic = inTurn >= codes - codes / 50;

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

KeyTable completeTable(const std::array<int, CodeCount> &symbolOfCode,
                       const std::array<int, CodeCount> &codeFrequency, int *dealtCodes)
{
    std::array<std::vector<int>, SymbolCount> codes;
    std::vector<int> unseen;
    for (int code = 0; code < CodeCount; ++code) {
        const int symbol = symbolOfCode[code];
        if (symbol >= 0 && symbol < SymbolCount && codes[symbol].size() < MaxCodesPerSymbol)
            codes[symbol].push_back(code);
        else
            unseen.push_back(code);
    }
    int dealt = 0;
    size_t nextUnseen = 0;
    KeyTable table = fixedKeyTable();
    for (int symbol = 0; symbol < SymbolCount; ++symbol) {
        std::vector<int> &row = codes[symbol];
        std::stable_sort(row.begin(), row.end(),
                         [&codeFrequency](int a, int b) { return codeFrequency[a] > codeFrequency[b]; });
        while (row.size() < MaxCodesPerSymbol) {
            row.push_back(unseen[nextUnseen++]);
            ++dealt;
        }
        for (int column = 0; column < MaxCodesPerSymbol; ++column)
            table[symbol].codes[column] = QStringLiteral("%1").arg(row[column], 2, 10, QLatin1Char('0'));
    }
    if (dealtCodes)
        *dealtCodes = dealt;
    return table;
}

KeyTable foundTable(std::array<int, CodeCount> &symbolOfCode, const std::array<int, CodeCount> &codeFrequency,
                    int *dealtCodes, std::vector<int> *unseenCodes)
{
    std::array<std::vector<int>, SymbolCount> codes;
    std::vector<int> unseen;
    for (int code = 0; code < CodeCount; ++code) {
        const int symbol = symbolOfCode[code];
        if (symbol >= 0 && symbol < SymbolCount)
            codes[symbol].push_back(code);
        else
            unseen.push_back(code);
    }
    int dealt = 0;
    size_t nextUnseen = 0;
    for (int symbol = 0; symbol < SymbolCount; ++symbol) {
        if (!codes[symbol].empty())
            continue;
        if (nextUnseen < unseen.size()) {
            codes[symbol].push_back(unseen[nextUnseen++]);
            ++dealt;
            continue;
        }
        // Every code occurs: the longest row gives up its rarest code, which
        // then reads as this symbol.
        std::vector<int> *longest = &codes[0];
        for (std::vector<int> &row : codes) {
            if (row.size() > longest->size())
                longest = &row;
        }
        const auto rarest = std::min_element(longest->begin(), longest->end(), [&codeFrequency](int a, int b) {
            return codeFrequency[a] < codeFrequency[b];
        });
        codes[symbol].push_back(*rarest);
        symbolOfCode[*rarest] = symbol;
        longest->erase(rarest);
    }
    KeyTable table = fixedKeyTable();
    for (int symbol = 0; symbol < SymbolCount; ++symbol) {
        std::vector<int> &row = codes[symbol];
        std::stable_sort(row.begin(), row.end(),
                         [&codeFrequency](int a, int b) { return codeFrequency[a] > codeFrequency[b]; });
        table[symbol].codes.clear();
        for (const int code : row)
            table[symbol].codes << QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0'));
    }
    if (dealtCodes)
        *dealtCodes = dealt;
    if (unseenCodes)
        unseenCodes->assign(unseen.begin() + qint64(nextUnseen), unseen.end());
    return table;
}

bool looksProportional(const std::array<int, CodeCount> &codeFrequency, double coincidenceRelative,
                       int minOccurrences)
{
    int codes = 0;
    qint64 occurrences = 0, pairs = 0;
    for (const int count : codeFrequency) {
        codes += count > 0;
        occurrences += count;
        pairs += qint64(count) * (count - 1);
    }
    if (codes > MaxCodesPerSymbol * SymbolCount)
        return true;
    // Too few codes to tell a flat spread from chance.
    if (codes <= SymbolCount || occurrences < minOccurrences)
        return false;
    return double(pairs) * codes <= coincidenceRelative * double(occurrences) * double(occurrences - 1);
}

namespace {

// Symbol frequencies as the model implies them: the stationary distribution
// of its bigrams.
std::array<int, SymbolCount> symbolsByFrequency(const LanguageModel &model)
{
    std::array<double, SymbolCount> frequency;
    frequency.fill(1.0 / SymbolCount);
    for (int round = 0; round < 30; ++round) {
        std::array<double, SymbolCount> next {};
        for (int c = 0; c < SymbolCount; ++c)
            for (int d = 0; d < SymbolCount; ++d)
                next[d] += frequency[c] * std::exp(model.score(Boundary, Boundary, c, d) / double(LanguageModel::Scale));
        frequency = next;
    }
    std::array<int, SymbolCount> symbols;
    std::iota(symbols.begin(), symbols.end(), 0);
    std::stable_sort(symbols.begin(), symbols.end(), [&frequency](int a, int b) { return frequency[a] > frequency[b]; });
    return symbols;
}

// The codes a symbol may hold: one when every code can have its own symbol,
// two only on a long text with few codes, else the tool's three; never fewer
// than the codes need, nor than a group that cycles.
int capacityFor(const OccurrenceIndex &index, const std::vector<std::vector<int>> &groups,
                const SearchSchedule &schedule)
{
    const int codes = index.codes();
    int capacity = codes <= SymbolCount ? 1
        : (codes <= 2 * SymbolCount && index.occurrenceCount() >= 1000 ? 2 : schedule.codesPerSymbol);
    capacity = qMax(capacity, (codes + SymbolCount - 1) / SymbolCount);
    for (const std::vector<int> &group : groups)
        capacity = qMax(capacity, int(group.size()));
    return capacity;
}

std::vector<std::vector<int>> cribSymbols(const QStringList &cribs)
{
    std::vector<std::vector<int>> symbols;
    for (const QString &crib : cribs) {
        std::vector<int> run;
        for (const QChar c : crib)
            run.push_back(symbolOf(c));
        symbols.push_back(run);
    }
    return symbols;
}

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
    Search(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options,
           const SearchSchedule &schedule)
        : m_cipher(cipher)
        , m_model(model)
        , m_options(options)
        , m_schedule(schedule)
        , m_index(cipher, schedule.maxSearchedOccurrences)
        , m_cycles(m_index)
        , m_cribs(m_index, cribSymbols(options.cribs), lockedSymbols(m_index, options.locks),
                  m_cycles.looksCyclic() ? &m_cycles : nullptr)
    {
        m_rules.lockedSymbol = lockedSymbols(m_index, options.locks);
        m_plan.cyclic = m_cycles.looksCyclic();
        m_plan.symbolsByFrequency = symbolsByFrequency(model);
        // k shows in the largest group that cycles beyond doubt; then codes
        // seen twice in a line take their partners up to k on less.
        int k = 1;
        if (m_plan.cyclic) {
            for (const std::vector<int> &group : m_cycles.groups(schedule.codesPerSymbol, schedule.groupingEvidenceNats,
                                                                 schedule.groupingEvidenceNats))
                k = qMax(k, int(group.size()));
        }
        m_plan.groups = m_cycles.groups(k, schedule.groupingEvidenceNats, schedule.repeaterEvidenceNats);
        m_rules.capacity = capacityFor(m_index, m_plan.groups, schedule);
        if (m_plan.cyclic) {
            m_rules.capacity = qMax(k, (m_index.codes() + SymbolCount - 1) / SymbolCount);
            m_rules.cycleCodes = k;
            m_rules.incompleteCost = int(schedule.incompleteSymbolNats * LanguageModel::Scale);
        }
        std::array<int, CodeCount> frequency {};
        for (int x = 0; x < m_index.codes(); ++x)
            frequency[m_index.codeOf(x)] = m_index.count(x);
        m_plan.proportional = looksProportional(frequency, schedule.proportionalCoincidence,
                                                   schedule.proportionalMinOccurrences);
        if (m_plan.proportional) {
            // Under cyclic choice a rare letter's single code repeats in a
            // line: no symbol is incomplete for holding few codes.
            m_rules.capacity = qMax(m_rules.capacity, schedule.proportionalCapacity);
            m_rules.cycleCodes = 0;
            m_rules.incompleteCost = 0;
            const std::array<quint64, SymbolCount> &counts = model.symbolCounts();
            const std::vector<int> shares
                = proportionalShares(std::vector<quint64>(counts.begin(), counts.end()), m_index.codes());
            std::copy(shares.begin(), shares.end(), m_plan.rowLengths.begin());
            // A row of one code repeats in a line without partners to show,
            // and a long row cycles beyond doubt: groups on strong evidence
            // only, as long as a row may be.
            if (m_plan.cyclic)
                m_plan.groups = m_cycles.groups(schedule.proportionalCapacity, schedule.groupingEvidenceNats,
                                                schedule.groupingEvidenceNats);
        }
        m_rules.cycles = m_plan.cyclic ? &m_cycles : nullptr;
        m_rules.emptySymbolsAllowed = qMax(0, CodeCount - m_index.codes());
        m_rules.cribWeight = int(schedule.cribNatsPerLetter * LanguageModel::Scale);
    }

    CrackResult run(const QElapsedTimer &clock) const
    {
        CrackResult result;
        result.symbolOfCode.fill(NoSymbol);
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
        // Restarts run in batches of one per thread and are judged in their
        // order, so the answer does not depend on which finished first. The
        // first batch always runs: its keys are the answer however short
        // the limit.
        while (!done && (outcomes.empty() || !deadline.passed())) {
            const int first = int(outcomes.size());
            const int batch = qMin(jobs, m_schedule.maxRestarts - first);
            outcomes.resize(first + batch);
            for (int i = first; i < first + batch; ++i) {
                pool.start([this, i, &outcomes, &deadline] {
                    KeyState key(m_index, m_model, m_rules, m_cribs);
                    RestartSearch restart(key, m_plan, m_schedule, deadline, restartSeed(m_options.seed, i), m_cribs);
                    outcomes[i] = restart.run(i);
                });
            }
            while (!pool.waitForDone(100)) {
                if (policy.bestRestart() >= 0 && clock.elapsed() - lastReport >= 100) {
                    lastReport = clock.elapsed();
                    report(clock, first, outcomes[policy.bestRestart()], policy.bestAverageScore());
                }
            }
            for (int i = first; i < first + batch && !done; ++i) {
                const RestartOutcome &outcome = outcomes[i];
                done = policy.judge(i, outcome.total, averageOf(outcome.languageScore));
                result.restarts = i + 1;
                report(clock, result.restarts, outcomes[policy.bestRestart()], policy.bestAverageScore());
            }
            done = done || result.restarts >= m_schedule.maxRestarts;
            lastReport = clock.elapsed();
        }

        const RestartOutcome &best = outcomes[policy.bestRestart()];
        result.score = policy.bestAverageScore();
        std::array<int, SymbolCount> codesOfSymbol {};
        for (int x = 0; x < m_index.codes(); ++x) {
            result.symbolOfCode[m_index.codeOf(x)] = best.assignment[x];
            ++codesOfSymbol[best.assignment[x]];
        }
        result.alphabetCount = qMax(1, *std::max_element(codesOfSymbol.begin(), codesOfSymbol.end()));
        result.proportional = m_plan.proportional;
        result.choice = result.alphabetCount == 1 ? ChoiceMode::NotShown
                                                  : (m_plan.cyclic ? ChoiceMode::Cyclic : ChoiceMode::Random);
        return result;
    }

private:
    static std::vector<int> lockedSymbols(const OccurrenceIndex &index, const std::vector<CodeLock> &locks)
    {
        std::vector<int> locked(index.codes(), NoSymbol);
        for (const CodeLock &lock : locks) {
            if (lock.code >= 0 && lock.code < CodeCount && index.denseOf(lock.code) >= 0)
                locked[index.denseOf(lock.code)] = lock.symbol;
        }
        return locked;
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
        std::array<int, CodeCount> symbolOfCode;
        symbolOfCode.fill(NoSymbol);
        for (int x = 0; x < m_index.codes(); ++x)
            symbolOfCode[m_index.codeOf(x)] = best.assignment[x];
        QString shown = m_cipher.plaintext(symbolOfCode, m_options.progressPlaintextLength);
        progress.plaintextChanged = shown != m_shownPlaintext;
        if (progress.plaintextChanged) {
            progress.bestPlaintext = shown;
            m_shownPlaintext = std::move(shown);
        }
        m_options.progress(progress);
    }

    const CipherText &m_cipher;
    const LanguageModel &m_model;
    const CrackOptions &m_options;
    const SearchSchedule &m_schedule;
    const OccurrenceIndex m_index;
    const CycleEvidence m_cycles;
    const CribPlacements m_cribs;
    KeyRules m_rules;
    SearchPlan m_plan;
    // The plaintext the last progress report carried (reports come from
    // the calling thread only).
    mutable QString m_shownPlaintext;
};

bool keepsLocks(const CrackResult &result, const std::vector<CodeLock> &locks)
{
    return std::all_of(locks.begin(), locks.end(),
                       [&result](const CodeLock &lock) { return result.symbolOfCode[lock.code] == lock.symbol; });
}

} // namespace

std::vector<CrackOptionProblem> crackOptionProblems(const CipherText &cipher, const CrackOptions &options)
{
    std::vector<CrackOptionProblem> problems;
    const std::array<int, CodeCount> frequency = codeFrequencies(cipher);
    std::array<int, CodeCount> lockedTo;
    lockedTo.fill(NoSymbol);
    for (int i = 0; i < int(options.locks.size()); ++i) {
        const CodeLock &lock = options.locks[i];
        const auto problem = [&](const QString &reason) {
            problems.push_back({ CrackOptionProblem::Kind::Lock, i, reason });
        };
        if (lock.code < 0 || lock.code >= CodeCount)
            problem(QStringLiteral("код должен быть двузначным, от 00 до 99"));
        else if (lock.symbol < 0 || lock.symbol >= SymbolCount)
            problem(QStringLiteral("такого символа нет в таблице"));
        else if (frequency[lock.code] == 0)
            problem(QStringLiteral("кода %1 нет в шифртексте").arg(lock.code, 2, 10, QLatin1Char('0')));
        else if (lockedTo[lock.code] != NoSymbol && lockedTo[lock.code] != lock.symbol)
            problem(QStringLiteral("код %1 уже закреплён за символом «%2»")
                        .arg(lock.code, 2, 10, QLatin1Char('0'))
                        .arg(characterOf(lockedTo[lock.code])));
        else
            lockedTo[lock.code] = lock.symbol;
    }
    CrackOptions sound = options;
    sound.locks.clear();
    for (int code = 0; code < CodeCount; ++code) {
        if (lockedTo[code] != NoSymbol)
            sound.locks.push_back({ code, lockedTo[code] });
    }
    const SearchSchedule schedule;
    const OccurrenceIndex index(cipher, schedule.maxSearchedOccurrences);
    std::vector<int> locked(index.codes(), NoSymbol);
    for (const CodeLock &lock : sound.locks)
        locked[index.denseOf(lock.code)] = lock.symbol;
    for (int i = 0; i < options.cribs.size(); ++i) {
        const QString &crib = options.cribs.at(i);
        const auto problem = [&](const QString &reason) {
            problems.push_back({ CrackOptionProblem::Kind::Crib, i, reason });
        };
        if (crib.isEmpty()) {
            problem(QStringLiteral("пустое слово"));
            continue;
        }
        const auto outside = std::find_if(crib.begin(), crib.end(), [](QChar c) { return symbolOf(c) < 0; });
        if (outside != crib.end()) {
            problem(QStringLiteral("символа «%1» нет в таблице").arg(*outside));
            continue;
        }
        const CribPlacements placements(index, cribSymbols({ crib }), locked);
        if (placements.placementsOf(0) == 0)
            problem(QStringLiteral("слово не может читаться ни в одном месте шифртекста"));
    }
    return problems;
}

CrackResult crackHomophonic(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    CrackResult result;
    if (!tryFixedTable(cipher, model, &result) || !keepsLocks(result, options.locks)) {
        const SearchSchedule schedule;
        const Search search(cipher, model, options, schedule);
        result = search.run(clock);
        const std::array<int, CodeCount> codeFrequency = codeFrequencies(cipher);
        if (result.proportional)
            result.table = foundTable(result.symbolOfCode, codeFrequency, &result.dealtCodes, &result.unseenCodes);
        else
            result.table = completeTable(result.symbolOfCode, codeFrequency, &result.dealtCodes);
    }
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

QString unseenCodesComment(const CrackResult &result)
{
    QString comments;
    if (result.proportional) {
        if (result.dealtCodes > 0) {
            comments += QStringLiteral("# Символов, которых в шифртексте нет, %1: им даны коды, "
                                       "которых в нём тоже нет.\n")
                            .arg(result.dealtCodes);
        }
        if (!result.unseenCodes.empty()) {
            QStringList unseen;
            for (const int code : result.unseenCodes)
                unseen << QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0'));
            comments += QStringLiteral("# Коды, которых в шифртексте нет (ни одному символу не розданы): %1\n")
                            .arg(unseen.join(QLatin1Char(' ')));
        }
    } else if (result.dealtCodes > 0) {
        comments += QStringLiteral("# Кодов, которых в шифртексте нет, %1: они розданы свободным местам "
                                   "таблицы произвольно.\n")
                        .arg(result.dealtCodes);
    }
    return comments;
}

} // namespace Cryptanalysis
