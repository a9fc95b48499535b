// What one attack reads of a ciphertext, built once and shared by the option
// checks, the search and the completion of the key: the prefix the search
// reads, the order its codes show, and the codes of the whole text.
#pragma once

#include "ciphertext.h"
#include "crackoptions.h"
#include "cribplacements.h"
#include "cycleevidence.h"
#include "occurrenceindex.h"
#include "spaceevidence.h"

#include <array>
#include <vector>

namespace Cryptanalysis {

class SearchedText
{
public:
    SearchedText(const CipherText &cipher, const SearchSchedule &schedule);

    const CipherText &cipher() const { return m_cipher; }
    // The searched prefix: a longer text says nothing more to the search.
    const OccurrenceIndex &index() const { return m_index; }
    const CycleEvidence &cycles() const { return m_cycles; }
    // The cycles when the codes look chosen in turn, else null: only then
    // do they rule out a placement or a key.
    const CycleEvidence *cycleEvidence() const { return m_cycles.looksCyclic() ? &m_cycles : nullptr; }
    const SpaceEvidence &spaceEvidence() const { return m_space; }
    // How often each code occurs in the whole text.
    const std::array<int, CodeCount> &codeCounts() const { return m_codeCounts; }
    // Whether the text goes on past the searched prefix.
    bool isCut() const { return m_index.occurrenceCount() < m_cipher.codeCount; }

    // Per code of the prefix (dense), the symbol a lock gives it, or -1.
    // Locks outside 0..99 or on codes the prefix lacks are left out.
    std::vector<int> lockedSymbols(const std::vector<CodeLock> &locks) const;
    // Where the cribs could read under the locks: the search places them
    // here, and a crib without a place is refused. With one code a symbol
    // the cycles say nothing.
    CribPlacements cribPlacements(const QStringList &cribs, const std::vector<CodeLock> &locks,
                                  CodesPerSymbol codesPerSymbol = CodesPerSymbol::Many) const;

    // The text a monoalphabetic attack searches: the prefix of its
    // schedule, or as much more as reaches every cipher symbol that
    // options.symbolLocks names, so that no symbol the search gives out is
    // one a lock keeps for a symbol past the prefix.
    static SearchedText monoalphabetic(const CipherText &cipher, const CrackOptions &options);

private:
    const CipherText &m_cipher;
    const OccurrenceIndex m_index;
    const CycleEvidence m_cycles;
    const SpaceEvidence m_space;
    std::array<int, CodeCount> m_codeCounts {};
};

} // namespace Cryptanalysis
