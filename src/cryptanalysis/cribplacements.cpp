#include "cribplacements.h"

#include "cycleevidence.h"
#include "languagemodel.h"
#include "occurrenceindex.h"

namespace Cryptanalysis {

CribPlacements::CribPlacements(const OccurrenceIndex &index, const std::vector<std::vector<int>> &cribs,
                               const std::vector<int> &lockedSymbol, const CycleEvidence *cycles,
                               CodesPerSymbol codesPerSymbol)
    : m_entries(index.codes())
{
    const bool oneCode = codesPerSymbol == CodesPerSymbol::One;
    std::vector<int> wanted(index.codes(), -1);
    // With one code a symbol: the code locked to each symbol, and the code
    // that the placement being tried asks each symbol of.
    std::vector<int> lockedCode(SymbolCount, -1);
    std::vector<int> codeOf(SymbolCount, -1);
    for (int x = 0; oneCode && x < index.codes(); ++x) {
        if (lockedSymbol[x] >= 0 && lockedSymbol[x] < SymbolCount)
            lockedCode[lockedSymbol[x]] = x;
    }
    for (const std::vector<int> &crib : cribs) {
        const int c = int(m_lengths.size());
        const int length = int(crib.size());
        m_lengths.push_back(length);
        m_placementsOfCrib.push_back(0);
        for (int start = 0; length > 0 && start + length <= index.positions(); ++start) {
            bool fits = true;
            int i = 0;
            for (; i < length && fits; ++i) {
                const int x = index.codeAt(start + i);
                if (x < 0 || crib[i] < 0 || (lockedSymbol[x] >= 0 && lockedSymbol[x] != crib[i])
                    || (wanted[x] >= 0 && wanted[x] != crib[i])
                    || (oneCode && ((codeOf[crib[i]] >= 0 && codeOf[crib[i]] != x)
                                    || (lockedCode[crib[i]] >= 0 && lockedCode[crib[i]] != x)))) {
                    fits = false;
                    break;
                }
                wanted[x] = crib[i];
                if (oneCode)
                    codeOf[crib[i]] = x;
            }
            for (int j = 0; j < i; ++j) {
                wanted[index.codeAt(start + j)] = -1;
                if (oneCode)
                    codeOf[crib[j]] = -1;
            }
            for (int a = 0; fits && cycles && a < length; ++a) {
                for (int b = a + 1; b < length; ++b) {
                    const int x = index.codeAt(start + a), y = index.codeAt(start + b);
                    if (crib[a] == crib[b] && x != y && !cycles->compatible(x, y))
                        fits = false;
                }
            }
            if (!fits)
                continue;
            const int placement = int(m_cribOfPlacement.size());
            m_cribOfPlacement.push_back(c);
            ++m_placementsOfCrib[c];
            m_letters.emplace_back();
            for (int j = 0; j < length; ++j) {
                m_entries[index.codeAt(start + j)].push_back({placement, c, crib[j]});
                m_letters.back().emplace_back(index.codeAt(start + j), crib[j]);
            }
        }
    }
}

} // namespace Cryptanalysis
