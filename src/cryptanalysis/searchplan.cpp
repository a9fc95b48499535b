#include "searchplan.h"

#include "searchedtext.h"

#include "keytable.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

namespace Cryptanalysis {

namespace {

// The tool's keys of equal rows hold three codes a symbol.
constexpr int EqualRowLength = 3;

// Symbol frequencies as the model implies them: the stationary distribution
// of its bigrams.
std::array<int, SymbolCount> symbolsByFrequency(const LanguageModel &model)
{
    std::array<double, SymbolCount> frequency;
    frequency.fill(1.0 / SymbolCount);
    for (int round = 0; round < 30; ++round) {
        std::array<double, SymbolCount> next {};
        for (int c = 0; c < SymbolCount; ++c)
            for (int d = 0; d < SymbolCount; ++d)
                next[d] += frequency[c] * std::exp(model.score(Boundary, Boundary, c, d) / double(LanguageModel::Scale));
        frequency = next;
    }
    std::array<int, SymbolCount> symbols;
    std::iota(symbols.begin(), symbols.end(), 0);
    std::stable_sort(symbols.begin(), symbols.end(), [&frequency](int a, int b) { return frequency[a] > frequency[b]; });
    return symbols;
}

// The codes a symbol may hold: one when every code can have its own symbol,
// two only on a long text with few codes, else the tool's three; never fewer
// than the codes need, nor than a group that cycles.
int capacityFor(const OccurrenceIndex &index, const std::vector<std::vector<int>> &groups,
                const SearchSchedule &schedule)
{
    const int codes = index.codes();
    int capacity = codes <= SymbolCount ? 1
        : (codes <= 2 * SymbolCount && index.occurrenceCount() >= schedule.twoCodesMinOccurrences
               ? 2
               : schedule.codesPerSymbol);
    capacity = qMax(capacity, (codes + SymbolCount - 1) / SymbolCount);
    for (const std::vector<int> &group : groups)
        capacity = qMax(capacity, int(group.size()));
    return capacity;
}

} // namespace

bool looksProportional(const std::array<int, CodeCount> &codeFrequency, double coincidenceRelative,
                       int minOccurrences)
{
    int codes = 0;
    qint64 occurrences = 0, pairs = 0;
    for (const int count : codeFrequency) {
        codes += count > 0;
        occurrences += count;
        pairs += qint64(count) * (count - 1);
    }
    if (codes > EqualRowLength * SymbolCount)
        return true;
    // Too few codes to tell a flat spread from chance.
    if (codes <= SymbolCount || occurrences < minOccurrences)
        return false;
    return double(pairs) * codes <= coincidenceRelative * double(occurrences) * double(occurrences - 1);
}

SearchSetup planSearch(const SearchedText &text, const LanguageModel &model, const std::vector<CodeLock> &locks,
                       const SearchSchedule &schedule)
{
    const OccurrenceIndex &index = text.index();
    const CycleEvidence &cycles = text.cycles();
    SearchSetup setup;
    SearchPlan &plan = setup.plan;
    KeyRules &rules = setup.rules;
    rules.lockedSymbol = text.lockedSymbols(locks);
    plan.cyclic = cycles.looksCyclic();
    plan.symbolsByFrequency = symbolsByFrequency(model);
    // k shows in the largest group that cycles beyond doubt; then codes
    // seen twice in a line take their partners up to k on less.
    int k = 1;
    if (plan.cyclic) {
        for (const std::vector<int> &group :
             cycles.groups(schedule.codesPerSymbol, schedule.groupingEvidenceNats, schedule.groupingEvidenceNats))
            k = qMax(k, int(group.size()));
    }
    plan.groups = cycles.groups(k, schedule.groupingEvidenceNats, schedule.repeaterEvidenceNats);
    rules.capacity = capacityFor(index, plan.groups, schedule);
    if (plan.cyclic) {
        rules.capacity = qMax(k, (index.codes() + SymbolCount - 1) / SymbolCount);
        rules.cycleCodes = k;
        rules.incompleteCost = int(schedule.incompleteSymbolNats * LanguageModel::Scale);
    }
    std::array<int, CodeCount> frequency {};
    for (int x = 0; x < index.codes(); ++x)
        frequency[size_t(index.codeOf(x))] = index.count(x);
    // Past the prefix more codes may show than rows of three hold.
    plan.proportional
        = looksProportional(frequency, schedule.proportionalCoincidence, schedule.proportionalMinOccurrences)
        || looksProportional(text.codeCounts(), schedule.proportionalCoincidence, INT_MAX);
    if (plan.proportional) {
        // Under cyclic choice a rare letter's single code repeats in a
        // line: no symbol is incomplete for holding few codes.
        rules.capacity = qMax(rules.capacity, schedule.proportionalCapacity);
        rules.cycleCodes = 0;
        rules.incompleteCost = 0;
        const std::array<quint64, SymbolCount> &counts = model.symbolCounts();
        const std::vector<int> shares
            = proportionalShares(std::vector<quint64>(counts.begin(), counts.end()), index.codes());
        std::copy(shares.begin(), shares.end(), plan.rowLengths.begin());
        // A row of one code repeats in a line without partners to show,
        // and a long row cycles beyond doubt: groups on strong evidence
        // only, as long as a row may be.
        if (plan.cyclic)
            plan.groups = cycles.groups(schedule.proportionalCapacity, schedule.groupingEvidenceNats,
                                        schedule.groupingEvidenceNats);
    }
    rules.cycles = plan.cyclic ? &cycles : nullptr;
    // The trap of a wrong split into words is that of many codes a few
    // times each, with nothing but the language to tell them apart.
    if (plan.proportional && !plan.cyclic) {
        rules.space = &text.spaceEvidence();
        rules.wordLetters = schedule.spaceWordLetters;
        rules.overlongCost = int(schedule.spaceOverlongNats * LanguageModel::Scale);
    }
    rules.emptySymbolsAllowed = qMax(0, CodeCount - index.codes());
    rules.cribWeight = int(schedule.cribNatsPerLetter * LanguageModel::Scale);
    return setup;
}

SearchSetup planMonoalphabeticSearch(const SearchedText &text, const LanguageModel &model,
                                     const std::vector<CodeLock> &locks, const SearchSchedule &schedule)
{
    const OccurrenceIndex &index = text.index();
    SearchSetup setup;
    setup.plan.symbolsByFrequency = symbolsByFrequency(model);
    for (int x = 0; x < index.codes(); ++x)
        setup.plan.groups.push_back({ x });
    setup.rules.capacity = 1;
    setup.rules.lockedSymbol = text.lockedSymbols(locks);
    setup.rules.emptySymbolsAllowed = SymbolCount - index.codes();
    setup.rules.cribWeight = int(schedule.cribNatsPerLetter * LanguageModel::Scale);
    return setup;
}

} // namespace Cryptanalysis
