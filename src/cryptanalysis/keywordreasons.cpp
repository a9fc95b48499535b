#include "keywordreasons.h"

#include "frequencyreport.h"
#include "solver.h"
#include "symbolkeys.h"

#include <algorithm>

namespace Cryptanalysis {

namespace {

// A keyword of letters has all its shifts below 10 by chance once in 30 at
// three symbols: shorter ones are not worth the remark.
constexpr int GronsfeldHintLength = 3;

QString keywordShown(const KeywordAttackResult &result)
{
    return result.variant == KeywordVariant::Gronsfeld ? SymbolKeys::digitsText(result.key)
                                                       : SymbolKeys::keywordText(result.key);
}

// What the language model said, and what the caller fixed.
void explainChoice(QStringList &reasons, const KeywordAttackResult &result, const KeywordAttackOptions &options,
                   int foundPeriod)
{
    reasons << QStringLiteral("Шифр %1, период %2, ключевое слово «%3»: модель языка оценивает расшифровку "
                              "в %4 нат на символ.")
                   .arg(variantName(result.variant))
                   .arg(result.period)
                   .arg(keywordShown(result), decimalText(result.score, 2));
    // The same keyword repeated deciphers alike but for the autokey.
    for (const KeywordCandidate &other : result.candidates) {
        const bool alike = other.variant == result.variant
            && (result.variant == KeywordVariant::Autokey ? other.period == result.period
                                                          : other.period % result.period == 0);
        if (alike)
            continue;
        reasons << QStringLiteral("Следующая гипотеза — шифр %1, период %2 — уступает ей %3 нат на весь текст "
                                  "(с учётом длины ключевого слова).")
                       .arg(variantName(other.variant))
                       .arg(other.period)
                       .arg(decimalText(result.candidates.front().evidence - other.evidence, 1));
        break;
    }
    if (foundPeriod != result.period)
        reasons << QStringLiteral("Найденное слово длины %1 повторяет слово длины %2.")
                       .arg(foundPeriod)
                       .arg(result.period);
    const int digits = shiftChoices(KeywordVariant::Gronsfeld);
    const bool digitsOnly = std::all_of(result.key.shifts.begin(), result.key.shifts.end(),
                                        [digits](std::int8_t shift) { return shift < digits; });
    if (result.variant == KeywordVariant::Vigenere && result.period >= GronsfeldHintLength && digitsOnly)
        reasons << QStringLiteral("Все сдвиги ключевого слова от 0 до 9: возможно, это шифр Гронсфельда с ключом %1.")
                       .arg(SymbolKeys::digitsText(result.key));
    if (options.variant)
        reasons << QStringLiteral("Шифр задан, другие не проверялись.");
    if (options.period > 0)
        reasons << QStringLiteral("Период задан, другие не проверялись.");
}

void explainCoincidence(QStringList &reasons, const KeywordAttackResult &result)
{
    const PeriodEvidence &evidence = result.evidence;
    const auto at = std::find_if(evidence.coincidence.begin(), evidence.coincidence.end(),
                                 [&result](const PeriodCoincidence &entry) { return entry.period == result.period; });
    if (at != evidence.coincidence.end())
        reasons << QStringLiteral("Средний индекс совпадений столбцов при периоде %1 — %2 (русский текст %3, "
                                  "случайный %4).")
                       .arg(result.period)
                       .arg(decimalText(at->meanCoincidence, 4), decimalText(RussianCoincidence, 4),
                            decimalText(RandomCoincidence, 4));
    if (evidence.coincidencePeriod > 0)
        reasons << QStringLiteral("Первым до уровня одного алфавита доходит период %1.")
                       .arg(evidence.coincidencePeriod);
    else
        reasons << QStringLiteral("Ни один период не доводит индекс совпадений до уровня одного алфавита.");
}

void explainKasiski(QStringList &reasons, const KeywordAttackResult &result)
{
    const KasiskiExamination &kasiski = result.evidence.kasiski;
    if (kasiski.distanceCount == 0) {
        reasons << QStringLiteral("Повторов длиной от %1 символов нет: Касиски ничего не показывает.")
                       .arg(MinRepeatLength);
        return;
    }
    const auto factor = std::find_if(kasiski.factors.begin(), kasiski.factors.end(),
                                     [&result](const PeriodFactor &entry) { return entry.period == result.period; });
    if (factor != kasiski.factors.end())
        reasons << QStringLiteral("Касиски: %1 из %2 расстояний между повторами делятся на %3 (случайно — "
                                  "около %4).")
                       .arg(factor->distances)
                       .arg(kasiski.distanceCount)
                       .arg(result.period)
                       .arg(decimalText(factor->expected, 1));
    if (result.evidence.kasiskiPeriod > 0)
        reasons << QStringLiteral("Сильнее всего над случайным выделяется период %1.")
                       .arg(result.evidence.kasiskiPeriod);
    else
        reasons << QStringLiteral("Ни один период не выделяется над случайным.");
}

// Where the search stopped looking, and how far its answer can be trusted.
void explainLimits(QStringList &reasons, const KeywordAttackResult &result, const KeywordAttackOptions &options)
{
    if (options.period == 0 && result.evidence.maxPeriod < options.schedule.maxPeriod)
        reasons << QStringLiteral("Рассмотрены периоды до %1: при больших в столбце меньше %2 символов.")
                       .arg(result.evidence.maxPeriod)
                       .arg(options.schedule.minColumnSymbols);
    if (!result.readsAsRussian)
        reasons << QStringLiteral("Расшифровка не похожа на русский текст (%1 нат на символ, порог %2): "
                                  "возможно, это другой шифр или период больше рассмотренных.")
                       .arg(decimalText(result.score, 2), decimalText(RussianScoreThreshold, 1));
    if (result.cutShort)
        reasons << QStringLiteral("Поиск прерван до срока: ответ — лучший из найденных к тому времени.");
}

} // namespace

QStringList keywordReasons(const KeywordAttackResult &result, const KeywordAttackOptions &options, int foundPeriod)
{
    QStringList reasons;
    explainChoice(reasons, result, options, foundPeriod);
    if (result.variant == KeywordVariant::Autokey) {
        reasons << QStringLiteral("Ключ шифра с самоключом не повторяется: ни индекс совпадений, ни Касиски "
                                  "периода не показывают, длину слова нашёл перебор с моделью языка.");
    } else {
        explainCoincidence(reasons, result);
        explainKasiski(reasons, result);
    }
    explainLimits(reasons, result, options);
    return reasons;
}

} // namespace Cryptanalysis
