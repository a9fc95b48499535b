#include "polyalphabeticattack.h"

#include "keywordreasons.h"
#include "keywordsearch.h"
#include "languagemodel.h"
#include "restartsearch.h"
#include "solver.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

namespace Cryptanalysis {

QString variantName(KeywordVariant variant)
{
    switch (variant) {
    case KeywordVariant::Vigenere:
        return QStringLiteral("Виженера");
    case KeywordVariant::Gronsfeld:
        return QStringLiteral("Гронсфельда");
    case KeywordVariant::Beaufort:
        return QStringLiteral("Бофора");
    case KeywordVariant::Autokey:
        return QStringLiteral("с самоключом");
    }
    return QString();
}

SymbolRule ruleOf(KeywordVariant variant)
{
    switch (variant) {
    case KeywordVariant::Vigenere:
    case KeywordVariant::Gronsfeld:
        return SymbolRule::Vigenere;
    case KeywordVariant::Beaufort:
        return SymbolRule::Beaufort;
    case KeywordVariant::Autokey:
        return SymbolRule::Autokey;
    }
    return SymbolRule::Vigenere;
}

int shiftChoices(KeywordVariant variant)
{
    return variant == KeywordVariant::Gronsfeld ? 10 : Alphabet::Size;
}

namespace {

// The longest period (or autokey keyword) the text lets the attack examine.
int longestPeriod(const KeywordCipherText &text, const KeywordAttackOptions &options, KeywordVariant variant)
{
    if (options.period > 0)
        return options.period;
    const KeywordSchedule &schedule = options.schedule;
    const int longest = variant == KeywordVariant::Autokey ? schedule.maxAutokeyLength : schedule.maxPeriod;
    return qMin(longest, text.size() / qMax(1, schedule.minColumnSymbols));
}

int firstLockedAfter(const std::vector<KeywordLock> &locks)
{
    int after = 0;
    for (const KeywordLock &lock : locks)
        after = qMax(after, lock.position + 1);
    return after;
}

std::vector<KeywordVariant> variantsTried(const KeywordAttackOptions &options)
{
    if (options.variant)
        return { *options.variant };
    return { KeywordVariant::Vigenere, KeywordVariant::Beaufort, KeywordVariant::Autokey };
}

struct Hypothesis
{
    KeywordVariant variant;
    int period;
    std::unique_ptr<KeywordSearch> search;
    double evidence = 0;
};

quint64 hypothesisSeed(quint64 seed, KeywordVariant variant, int period)
{
    const quint32 words[] = { quint32(seed), quint32(seed >> 32), quint32(variant), quint32(period) };
    QRandomGenerator generator(words, 4);
    return generator.generate64();
}

// Runs each hypothesis's work on the pool (or, with one job, here), calling
// report from this thread in between.
template <typename Work, typename Report>
void runEach(const std::vector<int> &which, int jobs, int intervalMs, Work work, Report report)
{
    if (jobs <= 1) {
        QElapsedTimer sinceReport;
        sinceReport.start();
        for (const int index : which) {
            work(index);
            if (sinceReport.elapsed() >= intervalMs) {
                report();
                sinceReport.restart();
            }
        }
        return;
    }
    QThreadPool pool;
    pool.setMaxThreadCount(jobs);
    for (const int index : which)
        pool.start([&work, index] { work(index); });
    while (!pool.waitForDone(intervalMs))
        report();
}

class Attack
{
public:
    Attack(const KeywordCipherText &text, const LanguageModel &model, const KeywordAttackOptions &options,
           const QElapsedTimer &clock)
        : m_text(text)
        , m_model(model)
        , m_options(options)
        , m_schedule(options.schedule)
        , m_unigrams(unigramScores(model))
        , m_deadline(clock, qint64(options.timeLimitSeconds * 1000), options.stopRequested)
        , m_clock(clock)
        , m_jobs(options.jobs > 0 ? options.jobs : qMax(1, QThread::idealThreadCount()))
    {
        // Past a few thousand symbols more text decides nothing more: the
        // hypotheses are searched on the start, the winner polished on all.
        if (text.size() > m_schedule.searchedSymbols) {
            m_searched.symbols.assign(text.symbols.begin(), text.symbols.begin() + m_schedule.searchedSymbols);
            m_searched.history.assign(text.history.begin(), text.history.begin() + m_schedule.searchedSymbols);
        } else {
            m_searched = text;
        }
    }

    KeywordAttackResult run();

private:
    void planHypotheses();
    void search();
    void foldIntoDivisors();
    template <typename Work>
    void runStage(const std::vector<int> &which, Work work);
    std::vector<int> ranked() const;
    std::vector<int> within(double nats) const;
    double evidenceOf(const Hypothesis &hypothesis) const;
    std::unique_ptr<KeywordSearch> searchOf(const Hypothesis &hypothesis, const KeywordCipherText &text) const;
    void collect(KeywordAttackResult &result) const;
    void report();
    KeywordCandidate candidateOf(const Hypothesis &hypothesis) const;

    const KeywordCipherText &m_text;
    const LanguageModel &m_model;
    const KeywordAttackOptions &m_options;
    const KeywordSchedule &m_schedule;
    const UnigramScores m_unigrams;
    const Deadline m_deadline;
    const QElapsedTimer &m_clock;
    const int m_jobs;
    KeywordCipherText m_searched;
    std::vector<Hypothesis> m_hypotheses;
    // Hypotheses whose current stage is over: only they are read by report.
    std::unique_ptr<std::atomic<bool>[]> m_finished;
    std::atomic<int> m_climbed { 0 };
    bool m_cutShort = false;
};

void Attack::planHypotheses()
{
    const int lockedUpTo = firstLockedAfter(m_options.locks);
    for (const KeywordVariant variant : variantsTried(m_options)) {
        const int first = m_options.period > 0 ? m_options.period : qMax(1, lockedUpTo);
        for (int period = first; period <= longestPeriod(m_text, m_options, variant); ++period)
            m_hypotheses.push_back({ variant, period, nullptr, 0 });
    }
    m_finished.reset(new std::atomic<bool>[m_hypotheses.size()]);
    for (std::size_t i = 0; i < m_hypotheses.size(); ++i)
        m_finished[i] = false;
}

double Attack::evidenceOf(const Hypothesis &hypothesis) const
{
    const KeywordSearch &search = *hypothesis.search;
    return double(search.bestScore()) / LanguageModel::Scale
        - m_schedule.keywordCharge * search.freeColumns() * std::log(double(shiftChoices(hypothesis.variant)));
}

std::unique_ptr<KeywordSearch> Attack::searchOf(const Hypothesis &hypothesis, const KeywordCipherText &text) const
{
    std::vector<int> allowed(std::size_t(shiftChoices(hypothesis.variant)));
    for (std::size_t shift = 0; shift < allowed.size(); ++shift)
        allowed[shift] = int(shift);
    std::vector<int> locked(std::size_t(hypothesis.period), -1);
    for (const KeywordLock &lock : m_options.locks)
        locked[std::size_t(lock.position)] = lock.shift;
    return std::make_unique<KeywordSearch>(text, m_model, m_unigrams,
                                           readColumns(text.symbols, ruleOf(hypothesis.variant), hypothesis.period),
                                           std::move(allowed), std::move(locked), m_schedule,
                                           hypothesisSeed(m_options.seed, hypothesis.variant, hypothesis.period));
}

template <typename Work>
void Attack::runStage(const std::vector<int> &which, Work work)
{
    for (const int index : which)
        m_finished[std::size_t(index)] = false;
    runEach(which, m_jobs, m_schedule.progressIntervalMs, [&](int index) {
        Hypothesis &hypothesis = m_hypotheses[std::size_t(index)];
        work(hypothesis);
        hypothesis.evidence = evidenceOf(hypothesis);
        m_finished[std::size_t(index)] = true;
    }, [this] { report(); });
    report();
}

std::vector<int> Attack::ranked() const
{
    std::vector<int> order(m_hypotheses.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return m_hypotheses[std::size_t(a)].evidence > m_hypotheses[std::size_t(b)].evidence;
    });
    return order;
}

// The hypotheses whose evidence is within nats of the best, best first.
std::vector<int> Attack::within(double nats) const
{
    std::vector<int> order = ranked();
    const double best = m_hypotheses[std::size_t(order.front())].evidence;
    order.erase(std::find_if(order.begin(), order.end(),
                             [&](int index) { return m_hypotheses[std::size_t(index)].evidence < best - nats; }),
                order.end());
    return order;
}

void Attack::search()
{
    // A glance at every hypothesis, the keyword as the letter frequencies
    // read it...
    std::vector<int> order = ranked();
    runStage(order, [this](Hypothesis &hypothesis) {
        hypothesis.search = searchOf(hypothesis, m_searched);
        hypothesis.search->look();
    });
    // ...a climb for those not far behind, whatever the time, so that
    // there is an answer...
    runStage(within(m_schedule.unclimbedNats), [this](Hypothesis &hypothesis) {
        hypothesis.search->restart();
        ++m_climbed;
    });
    // ...more restarts for those not hopelessly behind...
    runStage(within(m_schedule.hopelessNats), [this](Hypothesis &hypothesis) {
        while (hypothesis.search->restarts() < m_schedule.firstRestarts && !hypothesis.search->settled()
               && !m_deadline.passed())
            hypothesis.search->restart();
    });

    // ...and the best few go on until their best key is found again.
    order = within(m_schedule.hopelessNats);
    order.resize(std::min(order.size(), std::size_t(qMax(1, m_schedule.finalists))));
    runStage(order, [this](Hypothesis &hypothesis) {
        while (!hypothesis.search->settled() && !m_deadline.passed())
            hypothesis.search->restart();
    });

    foldIntoDivisors();
    m_cutShort = m_deadline.passed();
}

// A keyword of period p·d with its columns nearly right holds the keyword
// of period p, d times over, each copy with its own mistakes: each copy is
// a start for period p, which may have missed it.
void Attack::foldIntoDivisors()
{
    const Hypothesis &leader = m_hypotheses[std::size_t(ranked().front())];
    if (leader.variant == KeywordVariant::Autokey)
        return;
    const std::vector<int> shifts = leader.search->bestShifts();
    std::vector<int> divisors;
    for (std::size_t i = 0; i < m_hypotheses.size(); ++i) {
        const Hypothesis &other = m_hypotheses[i];
        if (other.variant == leader.variant && other.period < leader.period && leader.period % other.period == 0)
            divisors.push_back(int(i));
    }
    runStage(divisors, [&shifts, this](Hypothesis &hypothesis) {
        const auto period = std::ptrdiff_t(hypothesis.period);
        for (auto copy = shifts.begin(); copy != shifts.end() && !m_deadline.passed(); copy += period)
            hypothesis.search->climbFrom(std::vector<int>(copy, copy + period));
    });
}

KeywordCandidate Attack::candidateOf(const Hypothesis &hypothesis) const
{
    KeywordCandidate candidate;
    candidate.variant = hypothesis.variant;
    candidate.period = hypothesis.period;
    candidate.key.rule = ruleOf(hypothesis.variant);
    for (const int shift : hypothesis.search->bestShifts())
        candidate.key.shifts.push_back(std::int8_t(shift));
    candidate.score = double(hypothesis.search->bestScore()) / LanguageModel::Scale / qMax(1, m_searched.size());
    candidate.evidence = hypothesis.evidence;
    candidate.restarts = hypothesis.search->restarts();
    return candidate;
}

void Attack::report()
{
    if (!m_options.progress)
        return;
    KeywordProgress progress;
    progress.elapsedSeconds = m_clock.elapsed() / 1000.0;
    progress.hypotheses = int(m_hypotheses.size());
    progress.climbed = m_climbed;
    const Hypothesis *best = nullptr;
    for (std::size_t i = 0; i < m_hypotheses.size(); ++i) {
        if (m_finished[i] && (!best || m_hypotheses[i].evidence > best->evidence))
            best = &m_hypotheses[i];
    }
    if (!best)
        return;
    const KeywordCandidate candidate = candidateOf(*best);
    progress.variant = candidate.variant;
    progress.period = candidate.period;
    progress.key = candidate.key;
    progress.score = candidate.score;
    m_options.progress(progress);
}

// A keyword that repeats a shorter one deciphers as the shorter one does,
// but for the autokey, whose key goes on with the plaintext.
void shortenKeyword(KeywordAttackResult &result, int lockedUpTo)
{
    if (result.variant == KeywordVariant::Autokey)
        return;
    std::vector<std::int8_t> &shifts = result.key.shifts;
    const int period = int(shifts.size());
    for (int shorter = qMax(1, lockedUpTo); shorter < period; ++shorter) {
        if (period % shorter != 0)
            continue;
        bool repeats = true;
        for (int i = shorter; i < period && repeats; ++i)
            repeats = shifts[std::size_t(i)] == shifts[std::size_t(i % shorter)];
        if (repeats) {
            shifts.resize(std::size_t(shorter));
            result.period = shorter;
            return;
        }
    }
}

void Attack::collect(KeywordAttackResult &result) const
{
    for (const Hypothesis &hypothesis : m_hypotheses)
        result.candidates.push_back(candidateOf(hypothesis));
    std::stable_sort(result.candidates.begin(), result.candidates.end(),
                     [](const KeywordCandidate &a, const KeywordCandidate &b) { return a.evidence > b.evidence; });
    const KeywordCandidate &best = result.candidates.front();
    result.variant = best.variant;
    result.period = best.period;
    result.key = best.key;
    result.score = best.score;
    if (m_searched.size() < m_text.size()) {
        const Hypothesis &winner = m_hypotheses[std::size_t(ranked().front())];
        const std::unique_ptr<KeywordSearch> polish = searchOf(winner, m_text);
        polish->climbFrom(winner.search->bestShifts());
        result.key.shifts.clear();
        for (const int shift : polish->bestShifts())
            result.key.shifts.push_back(std::int8_t(shift));
        result.score = double(polish->bestScore()) / LanguageModel::Scale / m_text.size();
    }
    result.readsAsRussian = result.score >= RussianScoreThreshold;
    result.cutShort = m_cutShort;
    shortenKeyword(result, firstLockedAfter(m_options.locks));
    result.reasons = keywordReasons(result, m_options, best.period);
}

KeywordAttackResult Attack::run()
{
    KeywordAttackResult result;
    PeriodEvidence &evidence = result.evidence;
    evidence.coincidence = coincidenceByPeriod(m_text.symbols, m_schedule.maxPeriod);
    evidence.coincidencePeriod = coincidencePeriod(evidence.coincidence);
    evidence.kasiski = examineKasiski(m_text.symbols, m_schedule.maxPeriod);
    evidence.kasiskiPeriod = kasiskiPeriod(evidence.kasiski);
    planHypotheses();
    for (const Hypothesis &hypothesis : m_hypotheses)
        evidence.maxPeriod = qMax(evidence.maxPeriod, hypothesis.period);
    search();
    collect(result);
    return result;
}

} // namespace

QString keywordOptionProblem(const KeywordCipherText &text, const KeywordAttackOptions &options)
{
    const KeywordSchedule &schedule = options.schedule;
    const int symbols = text.size();
    if (options.period < 0 || options.period > schedule.maxPeriod)
        return QStringLiteral("Период %1 вне пределов: он должен быть от 1 до %2.")
            .arg(options.period)
            .arg(schedule.maxPeriod);
    if (options.period > 0 && symbols < 2 * options.period)
        return QStringLiteral("Шифртекст слишком короткий для периода %1: в нём %2 символов алфавита, а нужно "
                              "хотя бы по два на каждый столбец, %3.")
            .arg(options.period)
            .arg(symbols)
            .arg(2 * options.period);
    if (options.period == 0 && symbols < schedule.minTextSymbols)
        return QStringLiteral("Шифртекст слишком короткий, чтобы судить о периоде: в нём %1 символов алфавита, "
                              "а нужно хотя бы %2. Задайте период, если он известен.")
            .arg(symbols)
            .arg(schedule.minTextSymbols);
    const int shifts = options.variant ? shiftChoices(*options.variant) : Alphabet::Size;
    for (const KeywordLock &lock : options.locks) {
        if (lock.position < 0 || (options.period > 0 && lock.position >= options.period))
            return QStringLiteral("Позиция %1 в ключевом слове вне пределов: она должна быть от 1 до %2.")
                .arg(lock.position + 1)
                .arg(options.period > 0 ? options.period : schedule.maxPeriod);
        if (lock.shift < 0 || lock.shift >= shifts)
            return QStringLiteral("Сдвиг %1 на позиции %2 вне пределов: он должен быть от 0 до %3.")
                .arg(lock.shift)
                .arg(lock.position + 1)
                .arg(shifts - 1);
        for (const KeywordLock &other : options.locks) {
            if (&other != &lock && other.position == lock.position && other.shift != lock.shift)
                return QStringLiteral("Позиция %1 в ключевом слове закреплена дважды, за разными символами.")
                    .arg(lock.position + 1);
        }
    }
    if (options.period == 0) {
        const int lockedUpTo = firstLockedAfter(options.locks);
        bool room = false;
        for (const KeywordVariant variant : variantsTried(options))
            room = room || longestPeriod(text, options, variant) >= lockedUpTo;
        if (!room)
            return QStringLiteral("Закреплена позиция %1 ключевого слова, а шифртекст такой длины позволяет "
                                  "рассмотреть периоды лишь до %2.")
                .arg(lockedUpTo)
                .arg(longestPeriod(text, options, KeywordVariant::Vigenere));
    }
    return QString();
}

KeywordAttackResult crackPolyalphabetic(const KeywordCipherText &text, const LanguageModel &model,
                                        const KeywordAttackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    KeywordAttackResult result;
    result.problem = keywordOptionProblem(text, options);
    if (result.problem.isEmpty())
        result = Attack(text, model, options, clock).run();
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

KeywordAttackResult crackPolyalphabetic(QStringView ciphertext, const LanguageModel &model,
                                        const KeywordAttackOptions &options)
{
    return crackPolyalphabetic(KeywordCipherText::fromText(ciphertext), model, options);
}

} // namespace Cryptanalysis
