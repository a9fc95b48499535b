#include "optionchecks.h"

#include "languagemodel.h"
#include "searchedtext.h"

#include "keytable.h"

#include <algorithm>

namespace Cryptanalysis {

std::vector<CrackOptionProblem> crackOptionProblems(const CipherText &cipher, const CrackOptions &options)
{
    return crackOptionProblems(SearchedText(cipher, options.schedule), options);
}

std::vector<CrackOptionProblem> crackOptionProblems(const SearchedText &text, const CrackOptions &options)
{
    std::vector<CrackOptionProblem> problems;
    std::array<int, CodeCount> lockedTo;
    lockedTo.fill(-1);
    for (int i = 0; i < int(options.locks.size()); ++i) {
        const CodeLock &lock = options.locks[size_t(i)];
        const auto problem = [&](const QString &reason) {
            problems.push_back({ CrackOptionProblem::Kind::Lock, i, reason });
        };
        if (lock.code < 0 || lock.code >= CodeCount)
            problem(QStringLiteral("код должен быть двузначным, от 00 до 99"));
        else if (lock.symbol < 0 || lock.symbol >= SymbolCount)
            problem(QStringLiteral("такого символа нет в таблице"));
        else if (text.codeCounts()[size_t(lock.code)] == 0)
            problem(QStringLiteral("кода %1 нет в шифртексте").arg(codeText(lock.code)));
        else if (lockedTo[size_t(lock.code)] >= 0 && lockedTo[size_t(lock.code)] != lock.symbol)
            problem(QStringLiteral("код %1 уже закреплён за символом «%2»")
                        .arg(codeText(lock.code))
                        .arg(characterOf(lockedTo[size_t(lock.code)])));
        else
            lockedTo[size_t(lock.code)] = lock.symbol;
    }
    std::vector<CodeLock> soundLocks;
    for (int code = 0; code < CodeCount; ++code) {
        if (lockedTo[size_t(code)] >= 0)
            soundLocks.push_back({ code, lockedTo[size_t(code)] });
    }
    for (int i = 0; i < options.cribs.size(); ++i) {
        const QString &crib = options.cribs.at(i);
        const auto problem = [&](const QString &reason) {
            problems.push_back({ CrackOptionProblem::Kind::Crib, i, reason });
        };
        if (crib.isEmpty()) {
            problem(QStringLiteral("пустое слово"));
            continue;
        }
        const auto outside = std::find_if(crib.begin(), crib.end(), [](QChar c) { return symbolOf(c) < 0; });
        if (outside != crib.end()) {
            problem(QStringLiteral("символа «%1» нет в таблице").arg(*outside));
            continue;
        }
        // Placed exactly as the search places it, so that an accepted crib
        // is one the search uses.
        if (text.cribPlacements({ crib }, soundLocks).placementsOf(0) > 0)
            continue;
        if (text.isCut())
            problem(QStringLiteral("слово не может читаться ни в одном месте первых %1 кодов шифртекста, "
                                   "которые читает поиск")
                        .arg(text.index().occurrenceCount()));
        else
            problem(QStringLiteral("слово не может читаться ни в одном месте шифртекста"));
    }
    return problems;
}

CrackOptions soundOptions(const CrackOptions &options, const std::vector<CrackOptionProblem> &problems)
{
    const auto refused = [&problems](CrackOptionProblem::Kind kind, int index) {
        return std::any_of(problems.begin(), problems.end(), [&](const CrackOptionProblem &problem) {
            return problem.kind == kind && problem.index == index;
        });
    };
    CrackOptions sound = options;
    sound.locks.clear();
    sound.cribs.clear();
    for (int i = 0; i < int(options.locks.size()); ++i) {
        if (!refused(CrackOptionProblem::Kind::Lock, i))
            sound.locks.push_back(options.locks[size_t(i)]);
    }
    for (int i = 0; i < options.cribs.size(); ++i) {
        if (!refused(CrackOptionProblem::Kind::Crib, i))
            sound.cribs << options.cribs.at(i);
    }
    return sound;
}

} // namespace Cryptanalysis
