#include "keywordsearch.h"

#include <algorithm>
#include <cmath>

namespace Cryptanalysis {

UnigramScores unigramScores(const LanguageModel &model)
{
    const std::array<quint64, SymbolCount> counts = model.symbolCounts();
    double total = 0;
    for (const quint64 count : counts)
        total += double(count) + 1;
    UnigramScores scores {};
    for (int symbol = 0; symbol < SymbolCount; ++symbol)
        scores[std::size_t(symbol)] =
            int(std::lround(std::log((double(counts[std::size_t(symbol)]) + 1) / total) * LanguageModel::Scale));
    return scores;
}

KeywordSearch::KeywordSearch(const KeywordCipherText &text, const LanguageModel &model, const UnigramScores &unigrams,
                             ColumnReading reading, std::vector<int> allowedShifts, std::vector<int> lockedShifts,
                             const KeywordSchedule &schedule, quint64 seed)
    : m_text(text)
    , m_scores(model.scores())
    , m_unigrams(unigrams)
    , m_reading(std::move(reading))
    , m_allowed(std::move(allowedShifts))
    , m_locked(std::move(lockedShifts))
    , m_schedule(schedule)
    , m_random(seed)
{
    const int period = m_reading.period;
    const int total = text.size();
    m_columnPositions.resize(std::size_t(period));
    m_touched.resize(std::size_t(period));
    for (int i = 0; i < total; ++i)
        m_columnPositions[std::size_t(i % period)].push_back(i);
    for (int column = 0; column < period; ++column) {
        std::vector<int> &touched = m_touched[std::size_t(column)];
        for (const int i : m_columnPositions[std::size_t(column)]) {
            for (int k = 0; k <= HistoryLength && i + k < total; ++k) {
                if (text.history[std::size_t(i + k)] >= k)
                    touched.push_back(i + k);
            }
        }
        // Below the history's length a symbol is touched from two places.
        if (period <= HistoryLength) {
            std::sort(touched.begin(), touched.end());
            touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
        }
    }
    m_shifts.assign(std::size_t(period), 0);
    m_plain.assign(std::size_t(total), 0);
}

int KeywordSearch::freeColumns() const
{
    return int(std::count(m_locked.begin(), m_locked.end(), -1));
}

bool KeywordSearch::settled() const
{
    return m_timesFound >= m_schedule.confirmations || m_restarts >= m_schedule.maxRestarts;
}

void KeywordSearch::setShift(int column, int shift)
{
    m_shifts[std::size_t(column)] = shift;
    for (const int i : m_columnPositions[std::size_t(column)])
        m_plain[std::size_t(i)] = std::int8_t((m_reading.base[std::size_t(i)] + m_reading.sign[std::size_t(i)] * shift)
                                              & (SymbolCount - 1));
}

qint64 KeywordSearch::columnScore(int column) const
{
    qint64 sum = 0;
    for (const int i : m_touched[std::size_t(column)])
        sum += scoreAt(i);
    return sum;
}

qint64 KeywordSearch::totalScore() const
{
    qint64 sum = 0;
    for (int i = 0; i < m_text.size(); ++i)
        sum += scoreAt(i);
    return sum;
}

void KeywordSearch::start()
{
    for (int column = 0; column < m_reading.period; ++column) {
        if (m_locked[std::size_t(column)] >= 0) {
            setShift(column, m_locked[std::size_t(column)]);
            continue;
        }
        // The column's log-likelihood under each shift by letter frequencies.
        std::vector<double> likelihood;
        likelihood.reserve(m_allowed.size());
        for (const int shift : m_allowed) {
            qint64 sum = 0;
            for (const int i : m_columnPositions[std::size_t(column)])
                sum += m_unigrams[std::size_t((m_reading.base[std::size_t(i)] + m_reading.sign[std::size_t(i)] * shift)
                                              & (SymbolCount - 1))];
            likelihood.push_back(double(sum) / LanguageModel::Scale);
        }
        const auto best = std::max_element(likelihood.begin(), likelihood.end());
        std::size_t chosen = std::size_t(best - likelihood.begin());
        if (m_restarts > 0) {
            double sum = 0;
            for (double &weight : likelihood) {
                weight = std::exp((weight - *best) * m_schedule.startSharpness);
                sum += weight;
            }
            double draw = m_random.generateDouble() * sum;
            for (chosen = 0; chosen + 1 < likelihood.size() && draw >= likelihood[chosen]; ++chosen)
                draw -= likelihood[chosen];
        }
        setShift(column, m_allowed[chosen]);
    }
}

// Each free column in turn takes the shift that scores the whole text best
// with the others as they stand, until none would change. A column's score
// reads the columns within the history's length of it, so only their
// change sends it back to be tried again.
void KeywordSearch::climb()
{
    const int period = m_reading.period;
    std::vector<char> pending(std::size_t(period), 1);
    bool any = true;
    while (any) {
        any = false;
        for (int column = 0; column < period; ++column) {
            if (!pending[std::size_t(column)])
                continue;
            pending[std::size_t(column)] = 0;
            if (m_locked[std::size_t(column)] >= 0)
                continue;
            const int current = m_shifts[std::size_t(column)];
            int bestShift = current;
            qint64 best = columnScore(column);
            for (const int shift : m_allowed) {
                if (shift == current)
                    continue;
                setShift(column, shift);
                const qint64 score = columnScore(column);
                if (score > best) {
                    best = score;
                    bestShift = shift;
                }
            }
            setShift(column, bestShift);
            if (bestShift == current)
                continue;
            for (int distance = 1; distance <= HistoryLength && distance < period; ++distance) {
                pending[std::size_t((column + distance) % period)] = 1;
                pending[std::size_t((column - distance + period) % period)] = 1;
            }
            any = true;
        }
    }
}

void KeywordSearch::look()
{
    start();
    m_bestScore = totalScore();
    m_bestShifts = m_shifts;
}

void KeywordSearch::restart()
{
    start();
    climb();
    keepIfBest();
}

void KeywordSearch::climbFrom(const std::vector<int> &shifts)
{
    for (int column = 0; column < m_reading.period; ++column) {
        const int locked = m_locked[std::size_t(column)];
        setShift(column, locked >= 0 ? locked : shifts[std::size_t(column)]);
    }
    climb();
    keepIfBest();
}

void KeywordSearch::keepIfBest()
{
    const qint64 score = totalScore();
    if (m_restarts == 0 || score > m_bestScore) {
        m_bestScore = score;
        m_bestShifts = m_shifts;
        m_timesFound = 1;
    } else if (score == m_bestScore && m_shifts == m_bestShifts) {
        ++m_timesFound;
    }
    ++m_restarts;
}

} // namespace Cryptanalysis
