// A candidate key during the search: which symbol each code stands for, the
// symbols of the text under it and its score, kept up to date move by move.
// A symbol may hold any number of codes, up to the rules' capacity.
#pragma once

#include "languagemodel.h"
#include "spaceevidence.h"

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <vector>

namespace Cryptanalysis {

class CribPlacements;
class CycleEvidence;
class OccurrenceIndex;

// What every key of one search must keep to.
struct KeyRules
{
    // Codes one symbol may hold.
    int capacity = 3;
    // When set, two codes whose order rules out one symbol never share one.
    const CycleEvidence *cycles = nullptr;
    // Per dense code, the symbol it is locked to, or -1.
    std::vector<int> lockedSymbol;
    // Symbols that may hold no code: a key gives every symbol a code, so at
    // most as many as there are codes the text never shows.
    int emptySymbolsAllowed = SymbolCount;
    // Score per letter of a crib that reads at its best placement.
    int cribWeight = 0;
    // Under cyclic choice with k codes a symbol: the cost of a symbol that
    // holds a code seen twice in a line but fewer than k codes (0: none).
    int cycleCodes = 0;
    int incompleteCost = 0;
    // What prose shows of the space, for the keys that hold the space to it
    // (KeyState::holdSpace); null when no key does.
    const SpaceEvidence *space = nullptr;
    // While the space is held, the cost of each letter of a word past
    // wordLetters letters (0: none): prose has few longer words.
    int wordLetters = 0;
    int overlongCost = 0;
};

class KeyState
{
public:
    KeyState(const OccurrenceIndex &index, const LanguageModel &model, const KeyRules &rules,
             const CribPlacements &cribs);

    // Sets every code's symbol at once (assignment: per dense code) and
    // scores the whole text.
    void reset(const std::vector<int> &assignment);

    int codes() const { return int(m_assign.size()); }
    int occurrenceCount() const;
    int count(int x) const;
    int symbolOf(int x) const { return m_assign[x]; }
    const std::vector<int> &assignment() const { return m_assign; }
    int size(int s) const { return int(m_members[s].size()); }
    int member(int s, int i) const { return m_members[s][i]; }
    // A code is locked by the caller, or to the space by the marks around
    // it while the space is held.
    bool isLocked(int x) const
    {
        return m_rules.lockedSymbol[x] >= 0 || (m_spaceHeld && m_rules.space->isAnchor(x));
    }
    // The symbol of a locked code.
    int lockedSymbolOf(int x) const { return m_rules.lockedSymbol[x] >= 0 ? m_rules.lockedSymbol[x] : 0; }
    // Whether the rules let codes x and y stand for one symbol.
    bool compatibleCodes(int x, int y) const;
    bool holdsLock(int s) const { return m_locksHeld[s] > 0; }
    int capacity() const { return m_rules.capacity; }

    // The language score (sum of the model's scores) and the total the
    // search maximises: that plus the cribs' reward.
    qint64 languageScore() const { return m_language; }
    qint64 total() const
    {
        return m_language + m_cribBonus - qint64(m_incomplete) * m_rules.incompleteCost
            - (m_spaceHeld ? qint64(m_overlong) * m_rules.overlongCost : 0);
    }

    // Symbols holding no code. The anneal may leave more of them empty than
    // the rules allow; once keepSymbolsFilled() is called, no move may.
    int emptySymbols() const { return m_emptySymbols; }
    int emptySymbolsAllowed() const { return m_rules.emptySymbolsAllowed; }
    void keepSymbolsFilled() { m_keepFilled = true; }

    // While the space is held to what prose shows of it (KeyRules::space),
    // only codes that may be the space join it, never two that stand next
    // to each other, and the codes after commas are locked to it; its codes
    // are not traded whole. Set before reset(), so that the locks are
    // dealt; releasing it keeps the key as it is.
    void holdSpace(bool held);
    bool holdsSpace() const { return m_spaceHeld; }
    // Whether x may join the space beside members, by those rules (always,
    // when the space is not held).
    bool spaceAccepts(int x, const std::vector<int> &members) const;

    // Whether x may join symbol t while y (or -1) leaves it: room, codes
    // whose order allows one symbol, and no symbol emptied beyond what is
    // allowed (see keepSymbolsFilled). Locks are the caller's to check.
    bool fits(int x, int t, int leaving = -1) const;
    // Whether all of codes may join t while all of leaving leave it.
    bool fitsAll(const std::vector<int> &codes, int t, const std::vector<int> &leaving) const;

    // The moves, each returning the change of total(). They do not check
    // the rules. A move is tentative: keep() makes the moves since the last
    // keep() (or reset()) the key, undo() takes them all back. Undoing looks
    // nothing up in the model, so a rejected move costs half an accepted one.
    qint64 move(int x, int t);
    qint64 swap(int x, int y);
    // x takes y's symbol, y takes z's, z takes x's.
    qint64 rotate(int x, int y, int z);
    // Symbols s and t trade all their codes.
    qint64 swapSymbols(int s, int t);
    void keep();
    void undo();

private:
    qint64 recode(int x, int t);
    int relabel(int x, int t);
    int windowScore(int end) const
    {
        const std::int8_t *w = &m_symbolAt[end - HistoryLength];
        return m_scores[ngramIndex(w[0], w[1], w[2], w[3])];
    }
    void removeMember(int s, int x);
    template <typename Stays>
    bool spaceAllows(int x, const std::vector<int> &members, Stays stays) const;
    // Letters past wordLetters in the words of positions begin to end
    // (exclusive), which a space or a pad bounds on either side.
    int overlongIn(int begin, int end) const;
    int overlongAround(int x) const;
    qint64 cribBonus() const;
    int incomplete(int s) const
    {
        return m_repeaters[s] > 0 && int(m_members[s].size()) < m_rules.cycleCodes;
    }

    const OccurrenceIndex &m_index;
    const std::int16_t *m_scores;
    const KeyRules &m_rules;
    const CribPlacements &m_cribs;

    std::vector<int> m_assign;
    std::array<std::vector<int>, SymbolCount> m_members;
    std::array<int, SymbolCount> m_locksHeld {};
    int m_emptySymbols = SymbolCount;
    bool m_keepFilled = false;
    bool m_spaceHeld = false;
    std::vector<char> m_repeats;                  // per code
    std::array<int, SymbolCount> m_repeaters {};  // per symbol
    int m_incomplete = 0;
    std::vector<std::int8_t> m_symbolAt;
    // Per position of a code, the score of the window that ends there.
    std::vector<std::int16_t> m_windowScore;
    std::vector<int> m_ends; // scratch: the windows a recode rescores
    std::array<std::vector<int>, 2> m_traded; // scratch of swapSymbols
    qint64 m_language = 0;

    // What the moves since the last keep() changed, to undo them: each
    // code's former symbol, each rescored window's former score, and the
    // totals as they were kept.
    struct Recoded
    {
        int code;
        int from;
    };
    struct Rescored
    {
        int end;
        std::int16_t from;
    };
    std::vector<Recoded> m_recoded;
    std::vector<Rescored> m_rescored;
    qint64 m_keptLanguage = 0;
    qint64 m_keptCribBonus = 0;
    int m_keptIncomplete = 0;
    int m_overlong = 0;
    int m_keptOverlong = 0;

    // Per placement, how many of its letters read; per crib, how many of
    // its placements read so many letters.
    std::vector<int> m_matched;
    std::vector<std::vector<int>> m_matchHistogram;
    qint64 m_cribBonus = 0;
};

} // namespace Cryptanalysis
