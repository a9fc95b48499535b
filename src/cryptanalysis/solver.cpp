#include "solver.h"

#include "languagemodel.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

namespace Cryptanalysis {

namespace {

constexpr int MaxCodesPerSymbol = 3;
// A symbol holds at most four codes (more than 96 codes in a text that is
// no cipher), and for a moment twice that while two groups trade places.
constexpr int MemberSlots = 8;
constexpr int NoSymbol = -1;
// A key whose decryption scores above this reads as fluent Russian; the true
// key of held-out prose scores about -1.5 to -2.1, keys the search is stuck
// at -2.7 and below.
constexpr double FluentScore = -2.3;
// Codes are grouped when their alternation has less than a 1 in 40 chance.
const double GroupingEvidence = std::log(40.0);

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

// The search state. Positions hold the ciphertext's codes as runs, each run
// preceded by three boundary pads, so that every scored window is four
// entries of one flat array and no window needs a bounds check.
class Search
{
public:
    Search(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options)
        : m_scores(model.scores())
        , m_options(options)
        , m_random(options.seed)
    {
        m_denseOfCode.fill(-1);
        const std::array<int, CodeCount> frequency = codeFrequencies(cipher);
        for (int code = 0; code < CodeCount; ++code) {
            if (frequency[code] > 0) {
                m_denseOfCode[code] = int(m_codeOfDense.size());
                m_codeOfDense.push_back(code);
                m_count.push_back(frequency[code]);
            }
        }
        m_codes = int(m_codeOfDense.size());

        int line = 0;
        bool inRun = false;
        const auto pad = [this, &line] {
            for (int i = 0; i < HistoryLength; ++i) {
                m_codeAt.push_back(-1);
                m_lineAt.push_back(line);
            }
        };
        for (const qint16 unit : cipher.units) {
            if (unit >= 0) {
                if (!inRun)
                    pad();
                inRun = true;
                m_codeAt.push_back(std::int8_t(m_denseOfCode[unit]));
                m_lineAt.push_back(line);
                ++m_scored;
            } else {
                inRun = false;
                if (unit == CipherText::LineEnd)
                    ++line;
            }
        }
        pad();
        m_symbolAt.assign(m_codeAt.size(), std::int8_t(Boundary));

        std::vector<int> fill(m_codes, 0);
        m_occurrenceStart.assign(m_codes + 1, 0);
        for (int i = 0; i < m_codes; ++i)
            m_occurrenceStart[i + 1] = m_occurrenceStart[i] + m_count[i];
        m_occurrences.resize(m_occurrenceStart[m_codes]);
        for (int p = 0; p < int(m_codeAt.size()); ++p) {
            const int x = m_codeAt[p];
            if (x >= 0)
                m_occurrences[m_occurrenceStart[x] + fill[x]++] = p;
        }
        m_ends.resize(m_occurrences.size() * (HistoryLength + 1) * 3 + 16);

        findRotationPartners();
        m_capacity = m_codes <= SymbolCount ? 1 : (m_codes <= 2 * SymbolCount && m_scored >= 1000 ? 2 : 3);
        m_capacity = qMax(m_capacity, (m_codes + SymbolCount - 1) / SymbolCount);
        m_penaltyWeight = m_cyclic ? 6 * LanguageModel::Scale : 0;
        m_assign.assign(m_codes, 0);
        buildGroups();
    }

    CrackResult run(QElapsedTimer &clock)
    {
        CrackResult result;
        m_clock = &clock;
        m_deadlineMs = qint64(m_options.timeLimitSeconds * 1000);
        if (m_codes == 0)
            return result;

        std::vector<int> bestAssign;
        qint64 bestTotal = std::numeric_limits<qint64>::min();
        int agreements = 0;
        int sinceImprovement = 0;
        int restarts = 0;
        const int maxRestarts = 400;
        // One restart always completes, however short the limit: its key is
        // the answer when time runs out, and there is no answer without it.
        while (restarts < maxRestarts && (restarts == 0 || !timeUp())) {
            // Short anneals settle easy texts in a few restarts; when
            // restarts disagree, the anneals grow longer.
            const int lengthFactor = restarts < 2 ? 1 : 8;
            start(restarts);
            if (m_groups.size() < size_t(m_codes)) {
                annealGroups();
                anneal(0.25, lengthFactor);
            } else {
                anneal(1.0, lengthFactor);
            }
            if (!timeUp())
                polish();
            ++restarts;
            const qint64 total = totalScore();
            if (total > bestTotal) {
                bestTotal = total;
                bestAssign = m_assign;
                m_bestScore = double(m_lm) / LanguageModel::Scale / qMax(1, m_scored);
                agreements = 1;
                sinceImprovement = 0;
            } else if (bestTotal - total <= m_scored) {
                ++agreements;
                ++sinceImprovement;
            } else {
                ++sinceImprovement;
            }
            m_bestAssign = &bestAssign;
            reportProgress(restarts, true);
            // On a text long enough to be solved, restarts that agree on a
            // key which does not read as Russian have most likely found the
            // same trap, and the search goes on; on a short one more restarts
            // only cost time.
            const bool readsWell = m_bestScore > FluentScore;
            const bool persist = !readsWell && m_scored >= 300;
            if ((agreements >= 2 && !persist) || (readsWell && restarts >= 2 && sinceImprovement >= 1)
                || sinceImprovement >= (persist ? 3 * giveUpAfter() : giveUpAfter()))
                break;
        }

        result.restarts = restarts;
        result.score = m_bestScore;
        result.symbolOfCode.fill(NoSymbol);
        std::array<int, SymbolCount> codesOfSymbol {};
        for (int x = 0; x < m_codes; ++x) {
            result.symbolOfCode[m_codeOfDense[x]] = bestAssign[x];
            ++codesOfSymbol[bestAssign[x]];
        }
        result.alphabetCount = qMax(1, *std::max_element(codesOfSymbol.begin(), codesOfSymbol.end()));
        result.choice = result.alphabetCount == 1 ? ChoiceMode::NotShown
                                                  : (m_cyclic ? ChoiceMode::Cyclic : ChoiceMode::Random);
        return result;
    }

private:
    // Two codes may stand for one symbol under cyclic choice only if, in every
    // line, they alternate strictly and the same one of them comes first.
    // How much that says is the chance of so strict an order by accident:
    // one in C(a + b, a) for a and b occurrences in a line.
    void findRotationPartners()
    {
        m_incompatible.assign(size_t(m_codes) * m_codes, 0);
        m_evidence.assign(size_t(m_codes) * m_codes, 0.0f);
        std::vector<int> merged;
        for (int x = 0; x < m_codes; ++x) {
            for (int y = x + 1; y < m_codes; ++y) {
                merged.clear();
                std::merge(m_occurrences.begin() + m_occurrenceStart[x], m_occurrences.begin() + m_occurrenceStart[x + 1],
                           m_occurrences.begin() + m_occurrenceStart[y], m_occurrences.begin() + m_occurrenceStart[y + 1],
                           std::back_inserter(merged));
                int starter = -1, line = -1, expected = -1;
                int inLineX = 0, inLineY = 0;
                double evidence = 0;
                bool compatible = true;
                for (const int p : merged) {
                    const int code = m_codeAt[p];
                    if (m_lineAt[p] != line) {
                        evidence += logBinomial(inLineX + inLineY, inLineX);
                        inLineX = inLineY = 0;
                        line = m_lineAt[p];
                        if (starter < 0)
                            starter = code;
                        compatible = code == starter;
                    } else {
                        compatible = code == expected;
                    }
                    if (!compatible)
                        break;
                    ++(code == x ? inLineX : inLineY);
                    expected = code == x ? y : x;
                }
                evidence += logBinomial(inLineX + inLineY, inLineX);
                m_incompatible[x * m_codes + y] = m_incompatible[y * m_codes + x] = !compatible;
                if (compatible)
                    m_evidence[x * m_codes + y] = m_evidence[y * m_codes + x] = float(evidence);
            }
        }
        // Under cyclic choice nearly every frequent code has a partner of
        // like frequency; under random choice (or k = 1) hardly any has.
        int frequent = 0, partnered = 0;
        for (int x = 0; x < m_codes; ++x) {
            if (m_count[x] < 4)
                continue;
            ++frequent;
            for (int y = 0; y < m_codes; ++y) {
                if (y != x && m_count[y] >= 2 && !m_incompatible[x * m_codes + y]
                    && std::abs(m_count[x] - m_count[y]) * 3 <= qMax(m_count[x], m_count[y])) {
                    ++partnered;
                    break;
                }
            }
        }
        m_cyclic = frequent > 0 && partnered * 2 >= frequent;
    }

    static double logBinomial(int n, int k)
    {
        return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
    }

    // Under cyclic choice, codes that alternate too strictly for chance are
    // taken for one symbol's codes and searched over as one piece first, which
    // leaves a simple substitution of groups; rarer codes stay alone.
    void buildGroups()
    {
        m_groupOf.assign(m_codes, -1);
        m_groups.clear();
        std::vector<int> order(m_codes);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return m_count[a] > m_count[b]; });
        for (const int x : order) {
            if (m_groupOf[x] >= 0)
                continue;
            const int g = int(m_groups.size());
            m_groups.push_back({x});
            m_groupOf[x] = g;
            while (m_cyclic && int(m_groups[g].size()) < qMin(m_capacity, MaxCodesPerSymbol)) {
                int best = -1;
                double bestEvidence = GroupingEvidence;
                for (const int y : order) {
                    if (m_groupOf[y] >= 0)
                        continue;
                    double evidence = std::numeric_limits<double>::max();
                    for (const int member : m_groups[g]) {
                        const size_t pair = size_t(member) * m_codes + y;
                        evidence = m_incompatible[pair] ? 0 : qMin(evidence, double(m_evidence[pair]));
                    }
                    if (evidence > bestEvidence) {
                        bestEvidence = evidence;
                        best = y;
                    }
                }
                if (best < 0)
                    break;
                m_groupOf[best] = g;
                m_groups[g].push_back(best);
            }
        }
    }

    int giveUpAfter() const
    {
        return 5;
    }

    bool timeUp() const
    {
        return m_clock->elapsed() >= m_deadlineMs;
    }

    // Lays out a starting key: the groups dealt to symbols by frequency for
    // the first restart and at random for the others.
    void start(int restart)
    {
        std::vector<int> groupOrder(m_groups.size());
        std::iota(groupOrder.begin(), groupOrder.end(), 0);
        std::vector<int> total(m_groups.size(), 0);
        for (int x = 0; x < m_codes; ++x)
            total[m_groupOf[x]] += m_count[x];
        std::stable_sort(groupOrder.begin(), groupOrder.end(), [&total](int a, int b) { return total[a] > total[b]; });

        std::vector<int> symbols(SymbolCount);
        std::iota(symbols.begin(), symbols.end(), 0);
        std::stable_sort(symbols.begin(), symbols.end(),
                         [this](int a, int b) { return m_unigram[a] > m_unigram[b]; });
        if (restart > 0)
            std::shuffle(symbols.begin(), symbols.end(), m_random);

        for (auto &size : m_size)
            size = 0;
        int nextSymbol = 0;
        for (const int g : groupOrder) {
            const int groupSize = int(m_groups[g].size());
            int s = -1;
            if (nextSymbol < SymbolCount) {
                s = symbols[nextSymbol++];
            } else {
                for (int tries = 0; tries < 64 && s < 0; ++tries) {
                    const int t = int(m_random.bounded(SymbolCount));
                    if (m_size[t] + groupSize <= m_capacity)
                        s = t;
                }
            }
            for (const int x : m_groups[g]) {
                int target = s;
                if (target < 0 || m_size[target] >= m_capacity) {
                    target = 0;
                    while (m_size[target] >= m_capacity)
                        ++target;
                }
                m_assign[x] = target;
                m_members[target][m_size[target]++] = x;
            }
        }
        for (int p = 0; p < int(m_codeAt.size()); ++p)
            m_symbolAt[p] = m_codeAt[p] >= 0 ? std::int8_t(m_assign[m_codeAt[p]]) : std::int8_t(Boundary);
        m_lm = 0;
        for (int p = 0; p < int(m_codeAt.size()); ++p) {
            if (m_codeAt[p] >= 0)
                m_lm += windowScore(p);
        }
        m_penalty = 0;
        for (int s = 0; s < SymbolCount; ++s)
            m_penalty += penaltyOf(s);
    }

    int windowScore(int end) const
    {
        const std::int8_t *w = &m_symbolAt[end - HistoryLength];
        return m_scores[ngramIndex(w[0], w[1], w[2], w[3])];
    }

    // Gives code x the symbol t in the text and returns the change of the
    // language score; the bookkeeping of symbols' members is the caller's.
    int recode(int x, int t)
    {
        int endCount = 0;
        int last = -1;
        const int *occurrence = &m_occurrences[m_occurrenceStart[x]];
        const int *occurrenceEnd = &m_occurrences[m_occurrenceStart[x + 1]];
        for (const int *o = occurrence; o != occurrenceEnd; ++o) {
            const int p = *o;
            for (int e = qMax(p, last + 1); e <= p + HistoryLength; ++e) {
                if (m_codeAt[e] < 0)
                    break;
                m_ends[endCount++] = e;
            }
            last = p + HistoryLength;
        }
        int before = 0;
        for (int i = 0; i < endCount; ++i)
            before += windowScore(m_ends[i]);
        for (const int *o = occurrence; o != occurrenceEnd; ++o)
            m_symbolAt[*o] = std::int8_t(t);
        int after = 0;
        for (int i = 0; i < endCount; ++i)
            after += windowScore(m_ends[i]);
        return after - before;
    }

    int penaltyOf(int s) const
    {
        int pairs = 0;
        for (int i = 0; i < m_size[s]; ++i)
            for (int j = i + 1; j < m_size[s]; ++j)
                pairs += m_incompatible[m_members[s][i] * m_codes + m_members[s][j]];
        return pairs;
    }

    void removeMember(int s, int x)
    {
        for (int i = 0; i < m_size[s]; ++i) {
            if (m_members[s][i] == x) {
                m_members[s][i] = m_members[s][--m_size[s]];
                return;
            }
        }
    }

    void addMember(int s, int x)
    {
        m_members[s][m_size[s]++] = x;
    }

    qint64 totalScore() const
    {
        return m_lm - qint64(m_penaltyWeight) * m_penalty;
    }

    // Moves x to symbol t, swapping with y (a member of t) when y >= 0.
    // Returns the change of the total score.
    qint64 moveOrSwap(int x, int t, int y)
    {
        const int s = m_assign[x];
        const int penaltyBefore = penaltyOf(s) + penaltyOf(t);
        qint64 lmDelta = recode(x, t);
        removeMember(s, x);
        if (y >= 0) {
            lmDelta += recode(y, s);
            removeMember(t, y);
            addMember(s, y);
            m_assign[y] = s;
        }
        addMember(t, x);
        m_assign[x] = t;
        const int penaltyDelta = penaltyOf(s) + penaltyOf(t) - penaltyBefore;
        m_lm += lmDelta;
        m_penalty += penaltyDelta;
        return lmDelta - qint64(m_penaltyWeight) * penaltyDelta;
    }

    qint64 swapSymbols(int s, int t)
    {
        qint64 lmDelta = 0;
        for (int i = 0; i < m_size[s]; ++i)
            lmDelta += recode(m_members[s][i], t);
        for (int i = 0; i < m_size[t]; ++i)
            lmDelta += recode(m_members[t][i], s);
        std::swap(m_members[s], m_members[t]);
        std::swap(m_size[s], m_size[t]);
        for (int i = 0; i < m_size[s]; ++i)
            m_assign[m_members[s][i]] = s;
        for (int i = 0; i < m_size[t]; ++i)
            m_assign[m_members[t][i]] = t;
        m_lm += lmDelta;
        return lmDelta;
    }

    // x takes y's symbol, y takes z's, z takes x's.
    qint64 rotate(int x, int y, int z)
    {
        const int sx = m_assign[x], sy = m_assign[y], sz = m_assign[z];
        const int penaltyBefore = penaltyOf(sx) + penaltyOf(sy) + penaltyOf(sz);
        qint64 lmDelta = recode(x, sy) + recode(y, sz) + recode(z, sx);
        removeMember(sx, x);
        removeMember(sy, y);
        removeMember(sz, z);
        addMember(sy, x);
        addMember(sz, y);
        addMember(sx, z);
        m_assign[x] = sy;
        m_assign[y] = sz;
        m_assign[z] = sx;
        const int penaltyDelta = penaltyOf(sx) + penaltyOf(sy) + penaltyOf(sz) - penaltyBefore;
        m_lm += lmDelta;
        m_penalty += penaltyDelta;
        return lmDelta - qint64(m_penaltyWeight) * penaltyDelta;
    }

    bool accept(qint64 delta, double temperature)
    {
        if (delta >= 0)
            return true;
        return m_random.generateDouble() < std::exp(double(delta) / temperature);
    }

    qint64 moveGroup(int g, int t)
    {
        qint64 delta = 0;
        for (const int x : m_groups[g])
            delta += moveOrSwap(x, t, -1);
        return delta;
    }

    double startTemperature() const
    {
        return 0.6 * LanguageModel::Scale * std::sqrt(qMax(1.0, m_scored / 500.0));
    }

    // Annealing over groups kept whole: a group moves to another symbol with
    // room for it, or trades places with a group there.
    void annealGroups()
    {
        const int groups = int(m_groups.size());
        // A step costs as much as the group occurs; long texts need fewer.
        const qint64 iterations = qMax<qint64>(
            2000, qint64(qBound<qint64>(20000, qint64(groups) * 800, 80000) * qMin(1.0, 1500.0 / qMax(1, m_scored))));
        const double endTemperature = 0.02 * LanguageModel::Scale;
        const double cooling = std::pow(endTemperature / startTemperature(), 1.0 / double(iterations));
        double temperature = startTemperature();
        for (qint64 i = 0; i < iterations; ++i, temperature *= cooling) {
            if ((i & 1023) == 0) {
                if (timeUp())
                    return;
                reportProgress(-1, false);
            }
            if (m_random.bounded(100u) < 75) {
                const int g = int(m_random.bounded(groups));
                const int size = int(m_groups[g].size());
                const int s = m_assign[m_groups[g][0]];
                int t = int(m_random.bounded(SymbolCount - 1));
                t += t >= s;
                if (m_size[t] + size <= m_capacity) {
                    if (!accept(moveGroup(g, t), temperature))
                        moveGroup(g, s);
                    continue;
                }
                const int h = m_groupOf[m_members[t][m_random.bounded(m_size[t])]];
                const int otherSize = int(m_groups[h].size());
                if (m_size[s] - size + otherSize > m_capacity || m_size[t] - otherSize + size > m_capacity)
                    continue;
                if (!accept(moveGroup(g, t) + moveGroup(h, s), temperature)) {
                    moveGroup(h, t);
                    moveGroup(g, s);
                }
            } else {
                const int s = int(m_random.bounded(SymbolCount));
                int t = int(m_random.bounded(SymbolCount - 1));
                t += t >= s;
                if (!accept(swapSymbols(s, t), temperature))
                    swapSymbols(s, t);
            }
        }
    }

    void anneal(double startFactor, int lengthFactor)
    {
        // Long anneals are for short texts, where the statistics are thin;
        // a long text is solved by short ones, each step costing more.
        const qint64 iterations
            = qBound<qint64>(20000, qint64(m_codes) * 600, 80000) * (m_scored >= 1500 ? 1 : lengthFactor);
        const double startTemperature = startFactor * this->startTemperature();
        const double endTemperature = 0.02 * LanguageModel::Scale;
        const double cooling = std::pow(endTemperature / startTemperature, 1.0 / double(iterations));
        double temperature = startTemperature;
        for (qint64 i = 0; i < iterations; ++i, temperature *= cooling) {
            if ((i & 1023) == 0) {
                if (timeUp())
                    return;
                reportProgress(-1, false);
            }
            const quint32 kind = m_random.bounded(100u);
            if (kind < 60 || m_codes < 3) {
                const int x = int(m_random.bounded(m_codes));
                const int s = m_assign[x];
                int t = int(m_random.bounded(SymbolCount - 1));
                t += t >= s;
                const int y = m_size[t] < m_capacity ? -1 : m_members[t][m_random.bounded(m_size[t])];
                if (!accept(moveOrSwap(x, t, y), temperature)) {
                    if (y >= 0)
                        moveOrSwap(x, s, y);
                    else
                        moveOrSwap(x, s, -1);
                }
            } else if (kind < 85 && m_cyclic) {
                const int s = int(m_random.bounded(SymbolCount));
                int t = int(m_random.bounded(SymbolCount - 1));
                t += t >= s;
                if (!accept(swapSymbols(s, t), temperature))
                    swapSymbols(s, t);
            } else {
                const int x = int(m_random.bounded(m_codes));
                const int y = int(m_random.bounded(m_codes));
                const int z = int(m_random.bounded(m_codes));
                if (m_assign[x] == m_assign[y] || m_assign[y] == m_assign[z] || m_assign[x] == m_assign[z])
                    continue;
                if (!accept(rotate(x, y, z), temperature))
                    rotate(x, z, y);
            }
        }
    }

    // Hill climbing to a local optimum over single moves, swaps of any two
    // codes, and rotations among the rare codes, which swaps cannot untangle.
    void polish()
    {
        bool improved = true;
        while (improved && !timeUp()) {
            improved = false;
            for (int x = 0; x < m_codes; ++x) {
                for (int t = 0; t < SymbolCount; ++t) {
                    const int s = m_assign[x];
                    if (t == s)
                        continue;
                    if (m_size[t] < m_capacity) {
                        if (moveOrSwap(x, t, -1) > 0)
                            improved = true;
                        else
                            moveOrSwap(x, s, -1);
                    }
                }
            }
            for (int x = 0; x < m_codes; ++x) {
                for (int y = x + 1; y < m_codes; ++y) {
                    const int s = m_assign[x], t = m_assign[y];
                    if (s == t)
                        continue;
                    if (moveOrSwap(x, t, y) > 0)
                        improved = true;
                    else
                        moveOrSwap(x, s, y);
                }
            }
            if (m_cyclic) {
                for (int s = 0; s < SymbolCount; ++s) {
                    for (int t = s + 1; t < SymbolCount; ++t) {
                        if (swapSymbols(s, t) > 0)
                            improved = true;
                        else
                            swapSymbols(s, t);
                    }
                }
            }
            std::vector<int> rare;
            for (int x = 0; x < m_codes; ++x) {
                if (m_count[x] <= 2)
                    rare.push_back(x);
            }
            if (rare.size() > 48)
                rare.resize(48);
            for (size_t i = 0; i < rare.size(); ++i)
                for (size_t j = 0; j < rare.size(); ++j)
                    for (size_t k = j + 1; k < rare.size(); ++k) {
                        const int x = rare[i], y = rare[j], z = rare[k];
                        if (i == j || i == k || m_assign[x] == m_assign[y] || m_assign[y] == m_assign[z]
                            || m_assign[x] == m_assign[z])
                            continue;
                        if (rotate(x, y, z) > 0) {
                            improved = true;
                        } else {
                            rotate(x, z, y);
                        }
                    }
        }
    }

    void reportProgress(int restarts, bool force)
    {
        if (!m_options.progress || !m_bestAssign)
            return;
        const qint64 now = m_clock->elapsed();
        if (!force && now - m_lastReportMs < 100)
            return;
        m_lastReportMs = now;
        if (restarts >= 0)
            m_restartsDone = restarts;
        CrackProgress progress;
        progress.elapsedSeconds = now / 1000.0;
        progress.restarts = m_restartsDone;
        std::array<int, CodeCount> symbolOfCode;
        symbolOfCode.fill(NoSymbol);
        for (int x = 0; x < m_codes; ++x)
            symbolOfCode[m_codeOfDense[x]] = (*m_bestAssign)[x];
        progress.bestScore = m_bestScore;
        progress.bestPlaintext = m_cipherPlaintext ? m_cipherPlaintext(symbolOfCode) : QString();
        m_options.progress(progress);
    }

public:
    std::function<QString(const std::array<int, CodeCount> &)> m_cipherPlaintext;
    double m_bestScore = 0;
    std::array<double, SymbolCount> m_unigram {};

private:
    const std::int16_t *m_scores;
    const CrackOptions &m_options;
    QRandomGenerator m_random;
    QElapsedTimer *m_clock = nullptr;
    qint64 m_deadlineMs = 0;
    qint64 m_lastReportMs = 0;
    int m_restartsDone = 0;
    const std::vector<int> *m_bestAssign = nullptr;

    int m_codes = 0;
    int m_scored = 0;
    std::array<int, CodeCount> m_denseOfCode;
    std::vector<int> m_codeOfDense;
    std::vector<int> m_count;
    std::vector<std::int8_t> m_codeAt;
    std::vector<int> m_lineAt;
    std::vector<std::int8_t> m_symbolAt;
    std::vector<int> m_occurrenceStart;
    std::vector<int> m_occurrences;
    std::vector<int> m_ends;
    std::vector<std::uint8_t> m_incompatible;
    std::vector<float> m_evidence;
    std::vector<int> m_groupOf;
    std::vector<std::vector<int>> m_groups;
    bool m_cyclic = false;
    int m_capacity = 3;
    int m_penaltyWeight = 0;

    std::vector<int> m_assign;
    std::array<std::array<int, MemberSlots>, SymbolCount> m_members {};
    std::array<int, SymbolCount> m_size {};
    qint64 m_lm = 0;
    qint64 m_penalty = 0;
};

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

CrackResult crackHomophonic(const CipherText &cipher, const LanguageModel &model, const CrackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    CrackResult result;
    if (!tryFixedTable(cipher, model, &result)) {
        Search search(cipher, model, options);
        search.m_cipherPlaintext = [&cipher](const std::array<int, CodeCount> &symbolOfCode) {
            return cipher.plaintext(symbolOfCode);
        };
        // Symbol frequencies as the model implies them, for the first start.
        std::array<double, SymbolCount> frequency;
        frequency.fill(1.0 / SymbolCount);
        for (int round = 0; round < 30; ++round) {
            std::array<double, SymbolCount> next {};
            for (int c = 0; c < SymbolCount; ++c)
                for (int d = 0; d < SymbolCount; ++d)
                    next[d] += frequency[c] * std::exp(model.score(Boundary, Boundary, c, d) / double(LanguageModel::Scale));
            frequency = next;
        }
        search.m_unigram = frequency;
        result = search.run(clock);
        const std::array<int, CodeCount> codeFrequency = codeFrequencies(cipher);
        result.table = completeTable(result.symbolOfCode, codeFrequency, &result.dealtCodes);
    }
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

} // namespace Cryptanalysis
