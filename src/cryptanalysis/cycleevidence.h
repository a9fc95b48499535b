// What cyclic choice leaves in a ciphertext: within a line the codes of one
// symbol follow each other strictly in turn (c1 c2 c3 c1 ...), and the first
// occurrence of the symbol takes its first code. Two codes that ever break
// that order cannot be one symbol's; two that keep it more strictly than
// chance allows most likely are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Cryptanalysis {

class OccurrenceIndex;

class CycleEvidence
{
public:
    explicit CycleEvidence(const OccurrenceIndex &index);

    int codes() const { return m_codes; }
    // Whether dense codes x and y (x != y) may be one symbol's under cyclic
    // choice: in every line they alternate strictly and the same one of
    // them comes first.
    bool compatible(int x, int y) const { return !m_incompatible[std::size_t(x) * m_codes + y]; }
    // How much their order says, in nats: the log of one over the chance of
    // so strict an order by accident, one in C(a + b, a) for a and b
    // occurrences in a line, summed over lines; 0 when incompatible.
    double evidence(int x, int y) const { return m_evidence[std::size_t(x) * m_codes + y]; }

    // Under cyclic choice nearly every frequent code has a compatible partner
    // of like frequency; under random choice (or k = 1) hardly any has.
    bool looksCyclic() const { return m_cyclic; }

    // Codes taken for one symbol's: greedily, most frequent first, a code
    // joins a group when it is compatible with every member and its weakest
    // evidence with them exceeds minEvidence; groups hold at most maxSize
    // codes. A group whose first code occurs twice in a line must show all
    // of its symbol's codes, so it takes its best partners on any evidence
    // above repeaterEvidence. Every code is in exactly one group (most
    // alone), groups in order of their most frequent code.
    std::vector<std::vector<int>> groups(int maxSize, double minEvidence, double repeaterEvidence) const;
    bool repeats(int x) const { return m_repeats[x]; }

private:
    int m_codes = 0;
    std::vector<int> m_count;
    std::vector<char> m_repeats;
    std::vector<std::uint8_t> m_incompatible;
    std::vector<float> m_evidence;
    bool m_cyclic = false;
};

} // namespace Cryptanalysis
