// Where each code of a ciphertext occurs, laid out for scoring: the search
// rewrites every occurrence of a code when the code changes its symbol.
#pragma once

#include "ciphertext.h"

#include <cstdint>
#include <vector>

namespace Cryptanalysis {

// Codes are renumbered densely (0 to codes() - 1) in increasing order of the
// code. Positions hold the codes as runs, each run preceded by three pads,
// so that every scored window is four entries of one flat array and no window
// needs a bounds check; a run ends at a line end or a copied character.
class OccurrenceIndex
{
public:
    // Reads at most maxOccurrences codes from the start of the text: a longer
    // text tells the search nothing more, and a prefix of a line is still
    // encrypted as a line starts.
    explicit OccurrenceIndex(const CipherText &cipher, int maxOccurrences = 1 << 30);

    int codes() const { return int(m_codeOfDense.size()); }
    int occurrenceCount() const { return int(m_occurrences.size()); }
    int codeOf(int dense) const { return m_codeOfDense[dense]; }
    int denseOf(int code) const { return m_denseOfCode[code]; }
    int count(int dense) const { return m_occurrenceStart[dense + 1] - m_occurrenceStart[dense]; }
    int lineCount() const { return m_lines; }
    // Whether the code occurs twice or more in one line: under cyclic choice
    // its symbol then shows all k of its codes.
    bool repeatsInALine(int dense) const;

    int positions() const { return int(m_codeAt.size()); }
    // The dense code at a position, or -1 for a pad.
    int codeAt(int position) const { return m_codeAt[position]; }
    int lineAt(int position) const { return m_lineAt[position]; }
    const std::int8_t *codesAt() const { return m_codeAt.data(); }

    // The positions of a code's occurrences, in increasing order.
    const int *begin(int dense) const { return m_occurrences.data() + m_occurrenceStart[dense]; }
    const int *end(int dense) const { return m_occurrences.data() + m_occurrenceStart[dense + 1]; }

private:
    std::vector<int> m_denseOfCode;
    std::vector<int> m_codeOfDense;
    std::vector<std::int8_t> m_codeAt;
    std::vector<int> m_lineAt;
    std::vector<int> m_occurrenceStart;
    std::vector<int> m_occurrences;
    int m_lines = 0;
};

} // namespace Cryptanalysis
