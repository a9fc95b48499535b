// Playfair's and the two-square's attack as the family list offers it: the
// user's locks read, the attack's answer passed on.
#include "polygramfamily.h"

#include "rectangleattack.h"

namespace {

Cryptanalysis::RectangleVariant rectangleVariant(PolygramFamily::Variant variant)
{
    return variant == PolygramFamily::Variant::TwoSquare ? Cryptanalysis::RectangleVariant::TwoSquare
                                                         : Cryptanalysis::RectangleVariant::Playfair;
}

// The attack's options, with every lock that cannot be read named in problems.
Cryptanalysis::RectangleAttackOptions rectangleOptionsOf(Cryptanalysis::RectangleVariant variant,
                                                         const FamilyAttackOptions &given, QStringList &problems)
{
    Cryptanalysis::RectangleAttackOptions options;
    options.seed = given.seed;
    options.timeLimitSeconds = given.timeLimitSeconds;
    options.jobs = given.jobs;
    options.cribs = given.cribs;
    options.stopRequested = given.stopRequested;
    for (const QString &text : given.locks) {
        QString problem;
        if (const std::optional<Cryptanalysis::CellLock> lock = Cryptanalysis::parsedCellLock(variant, text, &problem))
            options.locks.push_back(*lock);
        else
            problems << QStringLiteral("%1: %2").arg(text, problem);
    }
    return options;
}

} // namespace

QString PolygramFamily::rectangleLockForm() const
{
    return Cryptanalysis::cellLockForm(rectangleVariant(m_variant));
}

QStringList PolygramFamily::rectangleOptionProblems(QStringView ciphertext, const FamilyAttackOptions &given) const
{
    const Cryptanalysis::RectangleVariant variant = rectangleVariant(m_variant);
    QStringList problems;
    const Cryptanalysis::RectangleAttackOptions options = rectangleOptionsOf(variant, given, problems);
    if (!problems.isEmpty())
        return problems;
    for (const Cryptanalysis::CrackOptionProblem &problem :
         Cryptanalysis::rectangleOptionProblems(variant, ciphertext, options)) {
        const bool crib = problem.kind == Cryptanalysis::CrackOptionProblem::Kind::Crib;
        problems << QStringLiteral("%1: %2").arg(crib ? given.cribs.at(problem.index) : given.locks.at(problem.index),
                                                 problem.reason);
    }
    return problems;
}

FamilyAttackResult PolygramFamily::attackRectangles(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                                    const FamilyAttackOptions &given) const
{
    FamilyAttackResult result;
    result.family = this;
    const QStringList problems = rectangleOptionProblems(ciphertext, given);
    if (!problems.isEmpty()) {
        result.problem = problems.join(QLatin1Char('\n'));
        return result;
    }
    const Cryptanalysis::RectangleVariant variant = rectangleVariant(m_variant);
    QStringList unused;
    Cryptanalysis::RectangleAttackOptions options = rectangleOptionsOf(variant, given, unused);
    if (given.progress) {
        options.progress = [&given](const Cryptanalysis::RectangleProgress &progress) {
            given.progress(progress.elapsedSeconds, progress.key, progress.score);
        };
    }
    const Cryptanalysis::RectangleAttackResult found = Cryptanalysis::crackRectangles(variant, ciphertext, model, options);
    result.problem = found.problem;
    result.key = found.key;
    result.score = found.score;
    result.readsAsRussian = found.readsAsRussian;
    result.reasons = found.reasons;
    result.seconds = found.seconds;
    result.cutShort = found.cutShort;
    return result;
}
