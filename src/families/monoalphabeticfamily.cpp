#include "monoalphabeticfamily.h"

#include "ciphertext.h"
#include "monoalphabeticattack.h"
#include "optionchecks.h"
#include "solver.h"

namespace {

// A whole number written in ASCII digits, below 1000; -1 otherwise.
int smallNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 3)
        return -1;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

std::optional<SymbolKey> MonoalphabeticFamily::key(KeyForm form, const QString &text, QString &problem) const
{
    switch (form) {
    case KeyForm::Shift: {
        const int shift = smallNumber(text);
        if (shift < 0 || shift >= Alphabet::Size) {
            problem = QStringLiteral("сдвиг должен быть целым числом от 0 до %1, а не «%2»")
                          .arg(Alphabet::Size - 1)
                          .arg(text);
            return std::nullopt;
        }
        return SymbolKeys::shift(shift);
    }
    case KeyForm::Affine: {
        const int comma = int(text.indexOf(QLatin1Char(',')));
        const int a = comma < 0 ? -1 : smallNumber(QStringView(text).left(comma));
        const int b = comma < 0 ? -1 : smallNumber(QStringView(text).mid(comma + 1));
        if (a < 0 || b < 0 || a >= Alphabet::Size || b >= Alphabet::Size) {
            problem = QStringLiteral("нужны два числа через запятую, A,B, каждое от 0 до %1, а не «%2»")
                          .arg(Alphabet::Size - 1)
                          .arg(text);
            return std::nullopt;
        }
        if (a % 2 == 0) {
            problem = QStringLiteral("множитель A = %1 чётный: у чётного A нет обратного по модулю %2, и "
                                     "разные символы совпали бы; нужно нечётное A")
                          .arg(a)
                          .arg(Alphabet::Size);
            return std::nullopt;
        }
        return SymbolKeys::affine(a, b);
    }
    case KeyForm::Keyword: {
        std::optional<SymbolKey> key = SymbolKeys::keywordAlphabet(text);
        if (!key)
            problem = QStringLiteral("в ключевом слове «%1» нет ни одного символа алфавита (пробел и буквы от А "
                                     "до Я без Ё и Й)")
                          .arg(text);
        return key;
    }
    case KeyForm::Atbash:
        return SymbolKeys::atbash();
    case KeyForm::Digits:
    case KeyForm::Matrix:
        break;
    }
    problem = QStringLiteral("простая замена задаётся сдвигом, множителями, словом или как атбаш");
    return std::nullopt;
}

QString MonoalphabeticFamily::keyText(const SymbolKey &key) const
{
    return QStringLiteral("алфавит замены ") + SymbolKeys::alphabetText(key);
}

namespace {

// The attack's options, with every lock that cannot be read named in problems.
Cryptanalysis::CrackOptions crackOptionsOf(const FamilyAttackOptions &given, QStringList &problems)
{
    Cryptanalysis::CrackOptions options;
    options.seed = given.seed;
    options.timeLimitSeconds = given.timeLimitSeconds;
    options.jobs = given.jobs;
    options.cribs = given.cribs;
    options.stopRequested = given.stopRequested;
    for (const QString &text : given.locks) {
        QString problem;
        if (const std::optional<Cryptanalysis::SymbolLock> lock = Cryptanalysis::parsedSymbolLock(text, &problem))
            options.symbolLocks.push_back(*lock);
        else
            problems << QStringLiteral("%1: %2").arg(text, problem);
    }
    return options;
}

} // namespace

QStringList MonoalphabeticFamily::attackOptionProblems(QStringView ciphertext, const FamilyAttackOptions &given) const
{
    QStringList problems;
    const Cryptanalysis::CrackOptions options = crackOptionsOf(given, problems);
    if (!problems.isEmpty())
        return problems;
    const Cryptanalysis::CipherText cipher = Cryptanalysis::readSymbolText(ciphertext);
    for (const Cryptanalysis::CrackOptionProblem &problem : Cryptanalysis::monoalphabeticOptionProblems(cipher, options)) {
        const bool crib = problem.kind == Cryptanalysis::CrackOptionProblem::Kind::Crib;
        problems << QStringLiteral("%1: %2").arg(crib ? options.cribs.at(problem.index) : given.locks.at(problem.index),
                                                 problem.reason);
    }
    return problems;
}

FamilyAttackResult MonoalphabeticFamily::attack(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                                const FamilyAttackOptions &given) const
{
    FamilyAttackResult result;
    result.family = this;
    QStringList problems = attackOptionProblems(ciphertext, given);
    if (!problems.isEmpty()) {
        result.problem = problems.join(QLatin1Char('\n'));
        return result;
    }
    if (Alphabet::indicesOf(ciphertext).empty()) {
        result.problem = QStringLiteral("в шифртексте нет ни одного символа алфавита");
        return result;
    }
    Cryptanalysis::CrackOptions options = crackOptionsOf(given, problems);
    if (given.progress) {
        options.progress = [&given](const Cryptanalysis::CrackProgress &progress) {
            given.progress(progress.elapsedSeconds, SymbolKey(), progress.bestScore);
        };
    }
    const Cryptanalysis::MonoalphabeticResult found = Cryptanalysis::crackMonoalphabetic(ciphertext, model, options);
    result.key = found.key;
    result.score = found.score;
    result.readsAsRussian = found.score >= Cryptanalysis::RussianScoreThreshold;
    result.seconds = found.seconds;
    result.cutShort = found.seconds >= given.timeLimitSeconds;
    result.reasons << QStringLiteral("Перезапусков поиска %1, к лучшему ключу пришли %2.")
                          .arg(found.restarts)
                          .arg(found.agreeingRestarts);
    if (found.unseenSymbols > 0)
        result.reasons << QStringLiteral("Символов шифра, которых в тексте нет: %1; им отданы оставшиеся буквы по порядку.")
                              .arg(found.unseenSymbols);
    return result;
}
