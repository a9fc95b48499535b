#include "searchedtext.h"

#include "languagemodel.h"

namespace Cryptanalysis {

SearchedText::SearchedText(const CipherText &cipher, const SearchSchedule &schedule)
    : m_cipher(cipher)
    , m_index(cipher, schedule.maxSearchedOccurrences)
    , m_cycles(m_index)
    , m_space(cipher, m_index)
{
    for (const qint16 unit : cipher.units) {
        if (unit >= 0)
            ++m_codeCounts[size_t(unit)];
    }
}

SearchedText SearchedText::monoalphabetic(const CipherText &cipher, const CrackOptions &options)
{
    SearchSchedule schedule = options.monoalphabeticSchedule;
    std::array<bool, SymbolCount> locked {};
    int lockedLeft = 0;
    for (const SymbolLock &lock : options.symbolLocks) {
        if (lock.cipher >= 0 && lock.cipher < SymbolCount && !locked[size_t(lock.cipher)]) {
            locked[size_t(lock.cipher)] = true;
            ++lockedLeft;
        }
    }
    int codes = 0;
    for (auto unit = cipher.units.begin(); unit != cipher.units.end() && lockedLeft > 0; ++unit) {
        if (*unit < 0 || *unit >= SymbolCount)
            continue;
        ++codes;
        if (locked[size_t(*unit)]) {
            locked[size_t(*unit)] = false;
            --lockedLeft;
            schedule.maxSearchedOccurrences = qMax(schedule.maxSearchedOccurrences, codes);
        }
    }
    return SearchedText(cipher, schedule);
}

std::vector<int> SearchedText::lockedSymbols(const std::vector<CodeLock> &locks) const
{
    std::vector<int> locked(size_t(m_index.codes()), -1);
    for (const CodeLock &lock : locks) {
        if (lock.code >= 0 && lock.code < CodeCount && m_index.denseOf(lock.code) >= 0)
            locked[size_t(m_index.denseOf(lock.code))] = lock.symbol;
    }
    return locked;
}

CribPlacements SearchedText::cribPlacements(const QStringList &cribs, const std::vector<CodeLock> &locks,
                                            CodesPerSymbol codesPerSymbol) const
{
    std::vector<std::vector<int>> symbols;
    for (const QString &crib : cribs) {
        std::vector<int> run;
        for (const QChar c : crib)
            run.push_back(symbolOf(c));
        symbols.push_back(run);
    }
    return codesPerSymbol == CodesPerSymbol::One
        ? CribPlacements(m_index, symbols, lockedSymbols(locks), nullptr, CodesPerSymbol::One)
        : CribPlacements(m_index, symbols, lockedSymbols(locks), cycleEvidence());
}

} // namespace Cryptanalysis
