#include "monoalphabeticattack.h"

#include "ciphertext.h"
#include "cribplacements.h"
#include "languagemodel.h"
#include "optionchecks.h"
#include "restartbatches.h"
#include "searchedtext.h"
#include "searchplan.h"
#include "tablecompletion.h"
#include "wordlist.h"
#include "wordpolish.h"

#include <QElapsedTimer>

#include <array>

namespace Cryptanalysis {

namespace {

// The plain symbol of each cipher symbol as codes hold them, -1 for none.
using PlainOfCipher = std::array<int, CodeCount>;

// A permutation that keeps the plain symbols given, the cipher symbols
// without one taking those left over in order.
SymbolKey keyOf(const PlainOfCipher &plainOf)
{
    SymbolKey key;
    key.rule = SymbolRule::Substitution;
    std::array<bool, SymbolCount> plainTaken {}, cipherTaken {};
    for (int cipher = 0; cipher < SymbolCount; ++cipher) {
        const int plain = plainOf[size_t(cipher)];
        if (plain >= 0 && !plainTaken[size_t(plain)]) {
            key.alphabet[size_t(plain)] = std::int8_t(cipher);
            plainTaken[size_t(plain)] = cipherTaken[size_t(cipher)] = true;
        }
    }
    int cipher = 0;
    for (int plain = 0; plain < SymbolCount; ++plain) {
        if (plainTaken[size_t(plain)])
            continue;
        while (cipherTaken[size_t(cipher)])
            ++cipher;
        key.alphabet[size_t(plain)] = std::int8_t(cipher);
        cipherTaken[size_t(cipher)] = true;
    }
    return key;
}

std::vector<CodeLock> codeLocksOf(const std::vector<SymbolLock> &locks)
{
    std::vector<CodeLock> codeLocks;
    for (const SymbolLock &lock : locks)
        codeLocks.push_back({ lock.cipher, lock.plain });
    return codeLocks;
}

} // namespace

MonoalphabeticResult crackMonoalphabetic(QStringView ciphertext, const LanguageModel &model,
                                         const CrackOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    const CipherText cipher = readSymbolText(ciphertext);
    const SearchedText text = SearchedText::monoalphabetic(cipher, options);
    const OccurrenceIndex &index = text.index();
    // Locks and cribs the checks refuse are the caller's to report; the
    // search goes on without them.
    const CrackOptions sound = soundOptions(options, monoalphabeticOptionProblems(text, options));
    const SearchSchedule &schedule = sound.monoalphabeticSchedule;
    const std::vector<CodeLock> locks = codeLocksOf(sound.symbolLocks);
    const SearchSetup setup = planMonoalphabeticSearch(text, model, locks, schedule);
    const CribPlacements cribs = text.cribPlacements(sound.cribs, locks, CodesPerSymbol::One);

    const auto plainOf = [&index](const std::vector<int> &assignment) {
        PlainOfCipher plain;
        plain.fill(-1);
        for (int x = 0; x < int(assignment.size()); ++x)
            plain[size_t(index.codeOf(x))] = assignment[size_t(x)];
        return plain;
    };
    const auto plaintextOf = [&](const std::vector<int> &assignment) {
        return SymbolCipher(keyOf(plainOf(assignment))).decrypt(ciphertext.left(sound.progressPlaintextLength));
    };
    const RestartsOutcome outcome = runRestarts(index, model, setup, cribs, schedule, sound, clock, plaintextOf);

    // The letters the model cannot tell apart are settled by whole words.
    std::vector<int> assignment = outcome.best.assignment;
    double averageScore = outcome.averageScore;
    if (!assignment.empty()) {
        KeyState key(index, model, setup.rules, cribs);
        key.reset(assignment);
        if (WordPolish(cipher, index, WordList::builtIn()).polish(key, schedule) > 0) {
            assignment = key.assignment();
            averageScore = double(key.languageScore()) / LanguageModel::Scale / qMax(1, index.occurrenceCount());
        }
    }

    // A symbol that first occurs past the searched prefix takes, of the
    // plain symbols left, the one it reads best as.
    PlainOfCipher found = plainOf(assignment);
    placeUnsearchedCodes(cipher, model, locks, 1, schedule.unsearchedOccurrencesRead, found);

    MonoalphabeticResult result;
    result.key = keyOf(found);
    result.plaintext = SymbolCipher(result.key).decrypt(ciphertext);
    result.score = averageScore;
    result.restarts = outcome.restarts;
    result.agreeingRestarts = outcome.agreeing;
    for (int symbol = 0; symbol < SymbolCount; ++symbol)
        result.unseenSymbols += text.codeCounts()[size_t(symbol)] == 0;
    result.seconds = clock.elapsed() / 1000.0;
    return result;
}

} // namespace Cryptanalysis
