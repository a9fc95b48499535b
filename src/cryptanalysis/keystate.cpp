#include "keystate.h"

#include "cribplacements.h"
#include "cycleevidence.h"
#include "occurrenceindex.h"

#include <algorithm>

namespace Cryptanalysis {

KeyState::KeyState(const OccurrenceIndex &index, const LanguageModel &model, const KeyRules &rules,
                   const CribPlacements &cribs)
    : m_index(index)
    , m_scores(model.scores())
    , m_rules(rules)
    , m_cribs(cribs)
    , m_assign(index.codes(), 0)
    , m_symbolAt(index.positions(), std::int8_t(Boundary))
    , m_windowScore(index.positions(), 0)
    , m_ends(size_t(index.occurrenceCount()) * (HistoryLength + 1) + 16)
    , m_matched(cribs.placementCount(), 0)
{
    for (int c = 0; c < cribs.cribCount(); ++c)
        m_matchHistogram.emplace_back(cribs.length(c) + 1, 0);
    for (int x = 0; x < index.codes(); ++x)
        m_repeats.push_back(index.repeatsInALine(x));
}

void KeyState::reset(const std::vector<int> &assignment)
{
    m_assign = assignment;
    for (auto &members : m_members)
        members.clear();
    m_locksHeld.fill(0);
    m_repeaters.fill(0);
    for (int x = 0; x < codes(); ++x) {
        m_members[m_assign[x]].push_back(x);
        m_locksHeld[m_assign[x]] += isLocked(x);
        m_repeaters[m_assign[x]] += m_repeats[x];
    }
    m_incomplete = 0;
    m_emptySymbols = 0;
    for (int s = 0; s < SymbolCount; ++s) {
        m_incomplete += incomplete(s);
        m_emptySymbols += m_members[s].empty();
    }
    for (int p = 0; p < m_index.positions(); ++p) {
        const int x = m_index.codeAt(p);
        m_symbolAt[p] = x >= 0 ? std::int8_t(m_assign[x]) : std::int8_t(Boundary);
    }
    m_language = 0;
    for (int p = 0; p < m_index.positions(); ++p) {
        if (m_index.codeAt(p) >= 0) {
            m_windowScore[p] = std::int16_t(windowScore(p));
            m_language += m_windowScore[p];
        }
    }
    std::fill(m_matched.begin(), m_matched.end(), 0);
    for (int x = 0; x < codes(); ++x) {
        for (const CribPlacements::Entry &entry : m_cribs.entriesOf(x))
            m_matched[entry.placement] += entry.symbol == m_assign[x];
    }
    for (auto &histogram : m_matchHistogram)
        std::fill(histogram.begin(), histogram.end(), 0);
    for (int placement = 0; placement < m_cribs.placementCount(); ++placement)
        ++m_matchHistogram[m_cribs.cribOf(placement)][m_matched[placement]];
    m_cribBonus = cribBonus();
    m_overlong = overlongIn(0, m_index.positions());
    keep();
}

int KeyState::occurrenceCount() const
{
    return m_index.occurrenceCount();
}

int KeyState::count(int x) const
{
    return m_index.count(x);
}

bool KeyState::compatibleCodes(int x, int y) const
{
    return !m_rules.cycles || x == y || m_rules.cycles->compatible(x, y);
}

void KeyState::holdSpace(bool held)
{
    m_spaceHeld = held && m_rules.space;
    m_overlong = overlongIn(0, m_index.positions());
    m_keptOverlong = m_overlong;
    m_locksHeld.fill(0);
    for (int x = 0; x < codes(); ++x)
        m_locksHeld[m_assign[x]] += isLocked(x);
}

int KeyState::overlongIn(int begin, int end) const
{
    if (m_rules.wordLetters <= 0)
        return 0;
    int overlong = 0, letters = 0;
    const std::int8_t *codeAt = m_index.codesAt();
    for (int p = begin; p < end; ++p) {
        if (codeAt[p] < 0 || m_symbolAt[p] == 0)
            letters = 0;
        else if (++letters > m_rules.wordLetters)
            ++overlong;
    }
    return overlong;
}

// The letters past the limit in the words that code x's occurrences join
// or split, whatever x stands for: each span reaches over x's occurrences
// to the nearest other space or pad on either side.
int KeyState::overlongAround(int x) const
{
    const std::int8_t *codeAt = m_index.codesAt();
    const auto bounds = [&](int p) { return codeAt[p] < 0 || (codeAt[p] != x && m_symbolAt[p] == 0); };
    int overlong = 0;
    int covered = -1;
    for (const int *o = m_index.begin(x); o != m_index.end(x); ++o) {
        if (*o < covered)
            continue;
        int begin = *o, end = *o + 1;
        while (!bounds(begin - 1))
            --begin;
        while (!bounds(end))
            ++end;
        overlong += overlongIn(begin, end);
        covered = end;
    }
    return overlong;
}

// The one rule of a held space's members: x may be the space, and none of
// members that stays (other than x) stands next to it.
template <typename Stays>
bool KeyState::spaceAllows(int x, const std::vector<int> &members, Stays stays) const
{
    return m_rules.space->mayBeSpace(x) && std::none_of(members.begin(), members.end(), [&](int m) {
               return m != x && stays(m) && m_rules.space->adjacent(m, x);
           });
}

bool KeyState::spaceAccepts(int x, const std::vector<int> &members) const
{
    return !m_spaceHeld || spaceAllows(x, members, [](int) { return true; });
}

bool KeyState::fits(int x, int t, int leaving) const
{
    const std::vector<int> &members = m_members[t];
    const bool leaves = leaving >= 0 && m_assign[leaving] == t;
    if (int(members.size()) - int(leaves) + 1 > m_rules.capacity)
        return false;
    if (m_keepFilled && leaving < 0 && m_members[m_assign[x]].size() == 1 && !members.empty()
        && m_emptySymbols >= m_rules.emptySymbolsAllowed)
        return false;
    if (t == 0 && m_spaceHeld && !spaceAllows(x, members, [leaving](int m) { return m != leaving; }))
        return false;
    if (!m_rules.cycles)
        return true;
    for (const int m : members) {
        if (m != leaving && m != x && !m_rules.cycles->compatible(m, x))
            return false;
    }
    return true;
}

bool KeyState::fitsAll(const std::vector<int> &codes, int t, const std::vector<int> &leaving) const
{
    const std::vector<int> &members = m_members[t];
    int staying = 0;
    for (const int m : members)
        staying += std::find(leaving.begin(), leaving.end(), m) == leaving.end();
    if (staying + int(codes.size()) > m_rules.capacity)
        return false;
    // Codes that all leave one symbol for a symbol holding codes empty it.
    if (m_keepFilled && leaving.empty() && !codes.empty() && !members.empty()
        && m_emptySymbols >= m_rules.emptySymbolsAllowed
        && m_members[m_assign[codes[0]]].size() == codes.size()
        && std::all_of(codes.begin(), codes.end(), [&](int x) { return m_assign[x] == m_assign[codes[0]]; }))
        return false;
    if (t == 0 && m_spaceHeld) {
        const auto stays = [&leaving](int m) { return std::find(leaving.begin(), leaving.end(), m) == leaving.end(); };
        for (const int x : codes) {
            if (!spaceAllows(x, members, stays) || !spaceAllows(x, codes, [](int) { return true; }))
                return false;
        }
    }
    if (!m_rules.cycles)
        return true;
    for (const int x : codes) {
        for (const int m : members) {
            if (std::find(leaving.begin(), leaving.end(), m) == leaving.end() && m != x
                && !m_rules.cycles->compatible(m, x))
                return false;
        }
    }
    return true;
}

void KeyState::removeMember(int s, int x)
{
    std::vector<int> &members = m_members[s];
    const auto at = std::find(members.begin(), members.end(), x);
    *at = members.back();
    members.pop_back();
}

// Gives code x the symbol t in the text and returns the change of total();
// keeps the members, locks and cribs in step and notes what it changed.
qint64 KeyState::recode(int x, int t)
{
    const int s = m_assign[x];
    if (s == t)
        return 0;
    int endCount = 0;
    int last = -1;
    const int *const begin = m_index.begin(x);
    const int *const end = m_index.end(x);
    const std::int8_t *codeAt = m_index.codesAt();
    for (const int *o = begin; o != end; ++o) {
        const int p = *o;
        for (int e = std::max(p, last + 1); e <= p + HistoryLength; ++e) {
            if (codeAt[e] < 0)
                break;
            m_ends[endCount++] = e;
        }
        last = p + HistoryLength;
    }
    const bool overlongChanges = m_spaceHeld && m_rules.overlongCost > 0 && (s == 0 || t == 0);
    const int overlongBefore = overlongChanges ? overlongAround(x) : 0;
    for (const int *o = begin; o != end; ++o)
        m_symbolAt[*o] = std::int8_t(t);
    const int overlongChange = overlongChanges ? overlongAround(x) - overlongBefore : 0;
    m_overlong += overlongChange;
    int change = 0;
    for (int i = 0; i < endCount; ++i) {
        const int e = m_ends[i];
        const std::int16_t score = std::int16_t(windowScore(e));
        m_rescored.push_back({ e, m_windowScore[e] });
        change += score - m_windowScore[e];
        m_windowScore[e] = score;
    }
    m_language += change;
    m_recoded.push_back({ x, s });

    const qint64 bonusBefore = m_cribBonus;
    const int incompleteChange = relabel(x, t);
    return qint64(change) + (m_cribBonus - bonusBefore) - qint64(incompleteChange) * m_rules.incompleteCost
        - qint64(overlongChange) * m_rules.overlongCost;
}

// Moves code x from its symbol to t in the members, locks and cribs (not in
// the text); returns the change in incomplete symbols.
int KeyState::relabel(int x, int t)
{
    const int s = m_assign[x];
    const int incompleteBefore = incomplete(s) + incomplete(t);
    m_emptySymbols += int(m_members[s].size() == 1) - int(m_members[t].empty());
    removeMember(s, x);
    m_members[t].push_back(x);
    m_assign[x] = t;
    m_repeaters[s] -= m_repeats[x];
    m_repeaters[t] += m_repeats[x];
    const int incompleteChange = incomplete(s) + incomplete(t) - incompleteBefore;
    m_incomplete += incompleteChange;
    if (isLocked(x)) {
        --m_locksHeld[s];
        ++m_locksHeld[t];
    }

    const std::vector<CribPlacements::Entry> &entries = m_cribs.entriesOf(x);
    if (!entries.empty()) {
        for (const CribPlacements::Entry &entry : entries) {
            const int change = int(entry.symbol == t) - int(entry.symbol == s);
            if (change == 0)
                continue;
            std::vector<int> &histogram = m_matchHistogram[entry.crib];
            --histogram[m_matched[entry.placement]];
            m_matched[entry.placement] += change;
            ++histogram[m_matched[entry.placement]];
        }
        m_cribBonus = cribBonus();
    }
    return incompleteChange;
}

void KeyState::keep()
{
    m_recoded.clear();
    m_rescored.clear();
    m_keptLanguage = m_language;
    m_keptCribBonus = m_cribBonus;
    m_keptIncomplete = m_incomplete;
    m_keptOverlong = m_overlong;
}

void KeyState::undo()
{
    for (auto r = m_recoded.rbegin(); r != m_recoded.rend(); ++r) {
        for (const int *o = m_index.begin(r->code); o != m_index.end(r->code); ++o)
            m_symbolAt[*o] = std::int8_t(r->from);
        relabel(r->code, r->from);
    }
    for (auto r = m_rescored.rbegin(); r != m_rescored.rend(); ++r)
        m_windowScore[r->end] = r->from;
    m_language = m_keptLanguage;
    m_cribBonus = m_keptCribBonus;
    m_incomplete = m_keptIncomplete;
    m_overlong = m_keptOverlong;
    m_recoded.clear();
    m_rescored.clear();
}

qint64 KeyState::cribBonus() const
{
    qint64 bonus = 0;
    for (const std::vector<int> &histogram : m_matchHistogram) {
        // Only a whole reading counts: letters that read here and there
        // would pull every key towards fragments of the word.
        const int length = int(histogram.size()) - 1;
        if (histogram[length] > 0)
            bonus += qint64(length) * m_rules.cribWeight;
    }
    return bonus;
}

qint64 KeyState::move(int x, int t)
{
    return recode(x, t);
}

qint64 KeyState::swap(int x, int y)
{
    const int s = m_assign[x], t = m_assign[y];
    return recode(x, t) + recode(y, s);
}

qint64 KeyState::rotate(int x, int y, int z)
{
    const int sx = m_assign[x], sy = m_assign[y], sz = m_assign[z];
    return recode(x, sy) + recode(y, sz) + recode(z, sx);
}

qint64 KeyState::swapSymbols(int s, int t)
{
    m_traded[0] = m_members[s];
    m_traded[1] = m_members[t];
    qint64 delta = 0;
    for (const int x : m_traded[0])
        delta += recode(x, t);
    for (const int x : m_traded[1])
        delta += recode(x, s);
    return delta;
}

} // namespace Cryptanalysis
