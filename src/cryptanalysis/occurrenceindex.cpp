#include "occurrenceindex.h"

#include "languagemodel.h"

namespace Cryptanalysis {

OccurrenceIndex::OccurrenceIndex(const CipherText &cipher, int maxOccurrences)
    : m_denseOfCode(CodeCount, -1)
{
    std::vector<int> frequency(CodeCount, 0);
    int taken = 0;
    size_t units = 0;
    for (; units < cipher.units.size() && taken < maxOccurrences; ++units) {
        const qint16 unit = cipher.units[units];
        if (unit >= 0) {
            ++frequency[unit];
            ++taken;
        }
    }
    for (int code = 0; code < CodeCount; ++code) {
        if (frequency[code] > 0) {
            m_denseOfCode[code] = int(m_codeOfDense.size());
            m_codeOfDense.push_back(code);
        }
    }

    int line = 0;
    bool inRun = false;
    const auto pad = [this, &line] {
        for (int i = 0; i < HistoryLength; ++i) {
            m_codeAt.push_back(-1);
            m_lineAt.push_back(line);
        }
    };
    for (size_t u = 0; u < units; ++u) {
        const qint16 unit = cipher.units[u];
        if (unit >= 0) {
            if (!inRun)
                pad();
            inRun = true;
            m_codeAt.push_back(std::int8_t(m_denseOfCode[unit]));
            m_lineAt.push_back(line);
        } else {
            inRun = false;
            if (unit == CipherText::LineEnd)
                ++line;
        }
    }
    pad();
    m_lines = line + (units > 0 && cipher.units[units - 1] != CipherText::LineEnd);

    const int codeCount = codes();
    m_occurrenceStart.assign(codeCount + 1, 0);
    for (int x = 0; x < codeCount; ++x)
        m_occurrenceStart[x + 1] = m_occurrenceStart[x] + frequency[m_codeOfDense[x]];
    m_occurrences.resize(m_occurrenceStart[codeCount]);
    std::vector<int> fill(codeCount, 0);
    for (int p = 0; p < int(m_codeAt.size()); ++p) {
        const int x = m_codeAt[p];
        if (x >= 0)
            m_occurrences[m_occurrenceStart[x] + fill[x]++] = p;
    }
}

bool OccurrenceIndex::repeatsInALine(int dense) const
{
    for (const int *o = begin(dense); o + 1 < end(dense); ++o) {
        if (m_lineAt[o[0]] == m_lineAt[o[1]])
            return true;
    }
    return false;
}

} // namespace Cryptanalysis
