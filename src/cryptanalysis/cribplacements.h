// Where a crib (a run of symbols the user expects in the plaintext) could
// read: every start at which its letters fall on codes of one run, no code
// asked to be two symbols, no locked code asked to be another. Where a
// symbol has one code only (a monoalphabetic key), no symbol is asked of two
// codes either, nor of a code other than the one locked to it: the crib's
// pattern of repeated letters is the ciphertext's there.
#pragma once

#include <utility>
#include <vector>

namespace Cryptanalysis {

class CycleEvidence;
class OccurrenceIndex;

// Whether a key may give a symbol several codes (homophones) or one.
enum class CodesPerSymbol { Many, One };

class CribPlacements
{
public:
    struct Entry
    {
        int placement;
        int crib;
        int symbol; // the symbol the code must have for this letter to read
    };

    // cribs: each a run of symbols; lockedSymbol: per dense code, -1 if free.
    // With cycles, a placement that would give one symbol two codes whose
    // order rules that out is no placement.
    CribPlacements(const OccurrenceIndex &index, const std::vector<std::vector<int>> &cribs,
                   const std::vector<int> &lockedSymbol, const CycleEvidence *cycles = nullptr,
                   CodesPerSymbol codesPerSymbol = CodesPerSymbol::Many);

    int cribCount() const { return int(m_lengths.size()); }
    int length(int crib) const { return m_lengths[crib]; }
    int placementCount() const { return int(m_cribOfPlacement.size()); }
    int placementsOf(int crib) const { return m_placementsOfCrib[crib]; }
    int cribOf(int placement) const { return m_cribOfPlacement[placement]; }
    // The letters of placements that fall on a dense code.
    const std::vector<Entry> &entriesOf(int dense) const { return m_entries[dense]; }
    // The codes of a placement with the symbols it asks of them.
    const std::vector<std::pair<int, int>> &lettersOf(int placement) const { return m_letters[placement]; }

private:
    std::vector<int> m_lengths;
    std::vector<int> m_placementsOfCrib;
    std::vector<int> m_cribOfPlacement;
    std::vector<std::vector<Entry>> m_entries;
    std::vector<std::vector<std::pair<int, int>>> m_letters;
};

} // namespace Cryptanalysis
