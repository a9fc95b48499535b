#include "cycleevidence.h"

#include "occurrenceindex.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <numeric>

namespace Cryptanalysis {

namespace {

double logBinomial(int n, int k)
{
    return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
}

// Codes seen this often count as frequent for looksCyclic; a partner's count
// may differ from the code's by a third of the larger.
constexpr int FrequentCode = 4;
constexpr int PartnerCountRatio = 3;

} // namespace

CycleEvidence::CycleEvidence(const OccurrenceIndex &index)
    : m_codes(index.codes())
    , m_incompatible(size_t(m_codes) * m_codes, 0)
    , m_evidence(size_t(m_codes) * m_codes, 0.0f)
{
    for (int x = 0; x < m_codes; ++x) {
        m_count.push_back(index.count(x));
        m_repeats.push_back(index.repeatsInALine(x));
    }
    std::vector<int> merged;
    for (int x = 0; x < m_codes; ++x) {
        for (int y = x + 1; y < m_codes; ++y) {
            merged.clear();
            std::merge(index.begin(x), index.end(x), index.begin(y), index.end(y), std::back_inserter(merged));
            int starter = -1, line = -1, expected = -1;
            int inLineX = 0, inLineY = 0;
            double evidence = 0;
            bool compatible = true;
            for (const int p : merged) {
                const int code = index.codeAt(p);
                if (index.lineAt(p) != line) {
                    evidence += logBinomial(inLineX + inLineY, inLineX);
                    inLineX = inLineY = 0;
                    line = index.lineAt(p);
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
            m_incompatible[size_t(x) * m_codes + y] = m_incompatible[size_t(y) * m_codes + x] = !compatible;
            if (compatible)
                m_evidence[size_t(x) * m_codes + y] = m_evidence[size_t(y) * m_codes + x] = float(evidence);
        }
    }

    int frequent = 0, partnered = 0;
    for (int x = 0; x < m_codes; ++x) {
        if (m_count[x] < FrequentCode)
            continue;
        ++frequent;
        for (int y = 0; y < m_codes; ++y) {
            if (y != x && m_count[y] >= 2 && compatible(x, y)
                && std::abs(m_count[x] - m_count[y]) * PartnerCountRatio <= std::max(m_count[x], m_count[y])) {
                ++partnered;
                break;
            }
        }
    }
    m_cyclic = frequent > 0 && partnered * 2 >= frequent;
}

std::vector<std::vector<int>> CycleEvidence::groups(int maxSize, double minEvidence, double repeaterEvidence) const
{
    std::vector<int> groupOf(m_codes, -1);
    std::vector<std::vector<int>> groups;
    std::vector<int> order(m_codes);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return m_count[a] > m_count[b]; });
    for (const int x : order) {
        if (groupOf[x] >= 0)
            continue;
        const int g = int(groups.size());
        groups.push_back({x});
        groupOf[x] = g;
        while (int(groups[g].size()) < maxSize) {
            int best = -1;
            double bestEvidence = m_repeats[x] ? repeaterEvidence : minEvidence;
            for (const int y : order) {
                if (groupOf[y] >= 0)
                    continue;
                double weakest = std::numeric_limits<double>::max();
                for (const int member : groups[g])
                    weakest = compatible(member, y) ? std::min(weakest, evidence(member, y)) : 0.0;
                if (weakest > bestEvidence) {
                    bestEvidence = weakest;
                    best = y;
                }
            }
            if (best < 0)
                break;
            groupOf[best] = g;
            groups[g].push_back(best);
        }
    }
    return groups;
}

} // namespace Cryptanalysis
