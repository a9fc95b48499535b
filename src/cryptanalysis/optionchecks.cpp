#include "optionchecks.h"

#include "languagemodel.h"
#include "searchedtext.h"

#include "keytable.h"

#include <algorithm>

namespace Cryptanalysis {

namespace {

// The space as key files and locks write it, visible where a reason names it.
const QChar OpenBox(0x2423);

QString shownSymbol(int symbol)
{
    return symbol == 0 ? QString(OpenBox) : QString(characterOf(symbol));
}

void addCribProblems(const SearchedText &text, const QStringList &cribs, const std::vector<CodeLock> &soundLocks,
                     CodesPerSymbol codesPerSymbol, std::vector<CrackOptionProblem> &problems)
{
    // A monoalphabetic text has alphabet symbols where a homophonic one has
    // codes of the table.
    const bool symbols = codesPerSymbol == CodesPerSymbol::One;
    for (int i = 0; i < cribs.size(); ++i) {
        const QString &crib = cribs.at(i);
        const auto problem = [&](const QString &reason) {
            problems.push_back({ CrackOptionProblem::Kind::Crib, i, reason });
        };
        if (crib.isEmpty()) {
            problem(QStringLiteral("пустое слово"));
            continue;
        }
        const auto outside = std::find_if(crib.begin(), crib.end(), [](QChar c) { return symbolOf(c) < 0; });
        if (outside != crib.end()) {
            const QString reason = symbols ? QStringLiteral("символа «%1» нет в алфавите")
                                           : QStringLiteral("символа «%1» нет в таблице");
            problem(reason.arg(*outside));
            continue;
        }
        // Placed exactly as the search places it, so that an accepted crib
        // is one the search uses.
        if (text.cribPlacements({ crib }, soundLocks, codesPerSymbol).placementsOf(0) > 0)
            continue;
        if (text.isCut())
            problem(QStringLiteral("слово не может читаться ни в одном месте первых %1 %2 шифртекста, "
                                   "которые читает поиск")
                        .arg(text.index().occurrenceCount())
                        .arg(symbols ? QStringLiteral("символов") : QStringLiteral("кодов")));
        else
            problem(QStringLiteral("слово не может читаться ни в одном месте шифртекста"));
    }
}

} // namespace

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
    addCribProblems(text, options.cribs, soundLocks, CodesPerSymbol::Many, problems);
    return problems;
}

std::vector<CrackOptionProblem> monoalphabeticOptionProblems(const CipherText &cipher, const CrackOptions &options)
{
    return monoalphabeticOptionProblems(SearchedText::monoalphabetic(cipher, options), options);
}

std::vector<CrackOptionProblem> monoalphabeticOptionProblems(const SearchedText &text, const CrackOptions &options)
{
    std::vector<CrackOptionProblem> problems;
    std::array<int, SymbolCount> plainOf, cipherOf;
    plainOf.fill(-1);
    cipherOf.fill(-1);
    for (int i = 0; i < int(options.symbolLocks.size()); ++i) {
        const SymbolLock &lock = options.symbolLocks[size_t(i)];
        const auto problem = [&](const QString &reason) {
            problems.push_back({ CrackOptionProblem::Kind::SymbolLock, i, reason });
        };
        if (lock.cipher < 0 || lock.cipher >= SymbolCount || lock.plain < 0 || lock.plain >= SymbolCount)
            problem(QStringLiteral("такого символа нет в алфавите"));
        else if (text.codeCounts()[size_t(lock.cipher)] == 0)
            problem(QStringLiteral("символа «%1» нет в шифртексте").arg(shownSymbol(lock.cipher)));
        else if (plainOf[size_t(lock.cipher)] >= 0 && plainOf[size_t(lock.cipher)] != lock.plain)
            problem(QStringLiteral("символ «%1» уже закреплён за «%2»")
                        .arg(shownSymbol(lock.cipher), shownSymbol(plainOf[size_t(lock.cipher)])));
        else if (cipherOf[size_t(lock.plain)] >= 0 && cipherOf[size_t(lock.plain)] != lock.cipher)
            problem(QStringLiteral("за «%1» уже закреплён символ «%2»")
                        .arg(shownSymbol(lock.plain), shownSymbol(cipherOf[size_t(lock.plain)])));
        else {
            plainOf[size_t(lock.cipher)] = lock.plain;
            cipherOf[size_t(lock.plain)] = lock.cipher;
        }
    }
    std::vector<CodeLock> soundLocks;
    for (int symbol = 0; symbol < SymbolCount; ++symbol) {
        if (plainOf[size_t(symbol)] >= 0)
            soundLocks.push_back({ symbol, plainOf[size_t(symbol)] });
    }
    addCribProblems(text, options.cribs, soundLocks, CodesPerSymbol::One, problems);
    return problems;
}

std::optional<SymbolLock> parsedSymbolLock(QStringView text, QString *problem)
{
    const auto refuse = [problem](const QString &reason) {
        if (problem)
            *problem = reason;
        return std::nullopt;
    };
    const int equals = int(text.indexOf(QLatin1Char('=')));
    if (equals < 0)
        return refuse(QStringLiteral("ожидается СИМВОЛ=СИМВОЛ, например Ж=О"));
    const auto symbol = [](QStringView side) {
        return side.size() != 1 ? -1 : (side.at(0) == OpenBox ? 0 : symbolOf(side.at(0)));
    };
    const int cipher = symbol(text.left(equals));
    const int plain = symbol(text.mid(equals + 1));
    if (cipher < 0 || plain < 0)
        return refuse(QStringLiteral("символ должен быть один из алфавита: пробел (␣) или буква без Ё и Й"));
    return SymbolLock { cipher, plain };
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
    sound.symbolLocks.clear();
    sound.cribs.clear();
    for (int i = 0; i < int(options.locks.size()); ++i) {
        if (!refused(CrackOptionProblem::Kind::Lock, i))
            sound.locks.push_back(options.locks[size_t(i)]);
    }
    for (int i = 0; i < int(options.symbolLocks.size()); ++i) {
        if (!refused(CrackOptionProblem::Kind::SymbolLock, i))
            sound.symbolLocks.push_back(options.symbolLocks[size_t(i)]);
    }
    for (int i = 0; i < options.cribs.size(); ++i) {
        if (!refused(CrackOptionProblem::Kind::Crib, i))
            sound.cribs << options.cribs.at(i);
    }
    return sound;
}

} // namespace Cryptanalysis
