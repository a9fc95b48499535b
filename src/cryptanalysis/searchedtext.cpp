#include "searchedtext.h"

#include "languagemodel.h"

namespace Cryptanalysis {

SearchedText::SearchedText(const CipherText &cipher, const SearchSchedule &schedule)
    : m_cipher(cipher)
    , m_index(cipher, schedule.maxSearchedOccurrences)
    , m_cycles(m_index)
{
    for (const qint16 unit : cipher.units) {
        if (unit >= 0)
            ++m_codeCounts[size_t(unit)];
    }
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

CribPlacements SearchedText::cribPlacements(const QStringList &cribs, const std::vector<CodeLock> &locks) const
{
    std::vector<std::vector<int>> symbols;
    for (const QString &crib : cribs) {
        std::vector<int> run;
        for (const QChar c : crib)
            run.push_back(symbolOf(c));
        symbols.push_back(run);
    }
    return CribPlacements(m_index, symbols, lockedSymbols(locks), cycleEvidence());
}

} // namespace Cryptanalysis
