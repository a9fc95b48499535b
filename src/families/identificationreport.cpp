#include "identificationreport.h"

#include "cipherfamily.h"

using Cryptanalysis::FamilyGuess;
using Cryptanalysis::FamilyIdentification;

const CipherFamily *identifiedFamily(const FamilyIdentification &identification)
{
    return identification.succeeded() ? cipherFamily(identification.ranking.front().family) : nullptr;
}

QString guessTitle(const FamilyGuess &guess)
{
    const CipherFamily *family = cipherFamily(guess.family);
    const QString title = family ? family->title() : guess.family;
    // Shares below a percent are shown as such, not as a bare zero that
    // reads as "impossible".
    const int percent = qRound(100 * guess.share);
    const QString share = percent == 0 && guess.share > 0 ? QStringLiteral("меньше 1 %")
                                                          : QStringLiteral("%1 %").arg(percent);
    return QStringLiteral("%1 (%2), %3 — %4").arg(title, guess.family, guess.parameters, share);
}

QStringList identificationReasons(const FamilyIdentification &identification)
{
    if (!identification.succeeded())
        return { identification.problem };
    QStringList lines { QStringLiteral("определён шифр: ") + guessTitle(identification.ranking.front()) };
    lines += identification.textEvidence;
    lines += identification.ranking.front().evidence;
    if (identification.ranking.size() > 1)
        lines << QStringLiteral("следующий по вероятности: ") + guessTitle(identification.ranking[1]);
    return lines;
}

QStringList identificationRanking(const FamilyIdentification &identification)
{
    if (!identification.succeeded())
        return { identification.problem };
    QStringList lines = identification.textEvidence;
    int place = 0;
    for (const FamilyGuess &guess : identification.ranking) {
        lines << QStringLiteral("%1. ").arg(++place) + guessTitle(guess);
        for (const QString &sentence : guess.evidence)
            lines << QStringLiteral("   ") + sentence;
    }
    return lines;
}
