// The search for one hypothesis of the keyword attack: one rule, one
// keyword length. Each column's shift starts from the letter frequencies and
// is then climbed with the language model, column by column, scoring the
// whole decryption, from several starts.
#pragma once

#include "keywordcolumns.h"
#include "keywordschedule.h"
#include "languagemodel.h"

#include <QRandomGenerator>

#include <array>
#include <cstdint>
#include <vector>

namespace Cryptanalysis {

// The log-probabilities of single symbols in Russian, in model units, from
// the model's corpus counts.
using UnigramScores = std::array<int, SymbolCount>;
UnigramScores unigramScores(const LanguageModel &model);

class KeywordSearch
{
public:
    // allowedShifts: the shifts a column may take (all 32, or the digits);
    // lockedShifts: -1 for a free column, else its shift.
    KeywordSearch(const KeywordCipherText &text, const LanguageModel &model, const UnigramScores &unigrams,
                  ColumnReading reading, std::vector<int> allowedShifts, std::vector<int> lockedShifts,
                  const KeywordSchedule &schedule, quint64 seed);

    // The first start's score without a climb: a glance that tells the
    // hopeless hypotheses on a long text. Not a restart.
    void look();
    // One start and its climb; the first start takes each column's most
    // likely shift by letter frequencies, later ones draw it.
    void restart();
    // A climb from the given shifts (a locked column keeps its lock), as
    // one more restart.
    void climbFrom(const std::vector<int> &shifts);
    // Whether the best key has been found often enough to stop.
    bool settled() const;

    int restarts() const { return m_restarts; }
    const std::vector<int> &bestShifts() const { return m_bestShifts; }
    qint64 bestScore() const { return m_bestScore; } // model units, whole text
    int freeColumns() const;
    int choices() const { return int(m_allowed.size()); }

private:
    void start();
    void climb();
    void keepIfBest();
    void setShift(int column, int shift);
    qint64 columnScore(int column) const;
    qint64 totalScore() const;
    int scoreAt(int i) const
    {
        const int history = m_text.history[std::size_t(i)];
        const std::int8_t *plain = m_plain.data() + i;
        const int a = history >= 3 ? plain[-3] : Boundary;
        const int b = history >= 2 ? plain[-2] : Boundary;
        const int c = history >= 1 ? plain[-1] : Boundary;
        return m_scores[ngramIndex(a, b, c, plain[0])];
    }

    const KeywordCipherText &m_text;
    const std::int16_t *m_scores;
    const UnigramScores &m_unigrams;
    const ColumnReading m_reading;
    const std::vector<int> m_allowed;
    const std::vector<int> m_locked;
    const KeywordSchedule &m_schedule;
    QRandomGenerator m_random;

    std::vector<std::vector<int>> m_columnPositions;
    // The symbols whose score a column's shift changes: its own and the
    // history's length after each.
    std::vector<std::vector<int>> m_touched;
    std::vector<int> m_shifts;
    std::vector<std::int8_t> m_plain;

    std::vector<int> m_bestShifts;
    qint64 m_bestScore = 0;
    int m_restarts = 0;
    int m_timesFound = 0;
};

} // namespace Cryptanalysis
