#include "familyidentification.h"

#include "ciphertextobservations.h"
#include "frequencyreport.h"
#include "languagemodel.h"
#include "periodicity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

namespace Cryptanalysis {

namespace {

constexpr double RandomPairCoincidence = RandomCoincidence * RandomCoincidence;
constexpr double RandomTripleCoincidence = RandomPairCoincidence * RandomCoincidence;
// What a hypothesis gives a line count it cannot make (Playfair's odd
// line): not zero, since a user may have cut or edited the text.
constexpr double ImpossibleLine = 1e-4;
// Playfair never writes a pair of one symbol twice; one in a pasted text is
// a slip, not a proof.
constexpr double PlayfairDoubles = 1e-6;

// What a hypothesis says each statistic comes to.
struct Levels
{
    double single = RandomCoincidence;
    double periodic = RandomCoincidence;
    bool periodicIsBest = true; // the best of many periods, not the hypothesis's own
    double autokey = RandomCoincidence;
    bool autokeyIsBest = true;
    double pairs = RandomPairCoincidence;
    double pairsShifted = RandomPairCoincidence;
    double triples = RandomTripleCoincidence;
    double triplesShifted = RandomTripleCoincidence;
    double doubles = 1.0 / Alphabet::Size;
    int blockSize = 1;
    bool hill = false;
    // How far the single index strays from key to key, as a share of it.
    double keySpread = 0;
    // The aligned pairs' residues mod 8: Hill's c = K·p mod 32 keeps them a
    // function of the plaintext's residues alone; 0 for the hypotheses that
    // do not take part in the comparison.
    double lowPairs = 0;
};

double poissonLogLikelihood(double count, double expected)
{
    expected = std::max(expected, 1e-9);
    return count * std::log(expected) - expected - std::lgamma(count + 1);
}

// Coincidence counts, near normal for the lengths a lesson has: their
// variance is the count's own, widened by the temper, plus the spread of the
// level itself from key to key.
double coincidenceLogLikelihood(const Coincidences &seen, double level, double spread, bool bestOfMany,
                                const IdentificationSettings &settings)
{
    double expected = std::max(seen.pairs * level, 1e-3);
    if (bestOfMany)
        expected += settings.bestOfManyLift * std::sqrt(expected);
    const double variance = expected / settings.temper + std::pow(spread * expected, 2);
    const double off = seen.same - expected;
    return -0.5 * off * off / variance - 0.5 * std::log(variance);
}

// The line counts: a block cipher makes every line whole blocks, any other
// cipher leaves a line's count as the plaintext had it.
double lineLogLikelihood(const Observations &seen, int blockSize)
{
    const double lines = double(seen.lines.size());
    double result = 0;
    const double odd = seen.oddLines;
    const double offThree = seen.linesOffThree;
    if (blockSize == 2)
        result += odd * std::log(ImpossibleLine);
    else
        result += lines * std::log(0.5);
    if (blockSize == 3)
        result += offThree * std::log(ImpossibleLine);
    else
        result += offThree * std::log(2.0 / 3) + (lines - offThree) * std::log(1.0 / 3);
    return result;
}

// The best row's fit over blocks blocks: a Russian column under Hill of its
// size, else the best of many rows over symbols that are no column.
double rowLogLikelihood(double fit, int blocks, bool hill, double lift, const ShareMoments &moments,
                        const IdentificationSettings &settings)
{
    if (blocks < 2)
        return 0;
    const double root = std::sqrt(double(blocks));
    const double mean = hill ? moments.russianMean : moments.evenMean + lift * moments.evenDeviation / root;
    const double deviation =
        hill ? moments.russianDeviation / root : settings.bestRowSpread * moments.evenDeviation / root;
    const double off = (fit - mean) / deviation;
    return settings.temper * (-0.5 * off * off - std::log(deviation));
}

double logLikelihood(const Observations &seen, const Levels &levels, const IdentificationSettings &settings)
{
    const double spread = levels.keySpread;
    double result = coincidenceLogLikelihood(seen.single, levels.single, spread, false, settings);
    if (seen.period > 0)
        result += coincidenceLogLikelihood(seen.periodic, levels.periodic, spread, levels.periodicIsBest, settings);
    if (seen.autokeyLength > 0)
        result += coincidenceLogLikelihood(seen.autokey, levels.autokey, 0, levels.autokeyIsBest, settings);
    result += coincidenceLogLikelihood(seen.pairs, levels.pairs, 0, false, settings);
    result += coincidenceLogLikelihood(seen.pairsShifted, levels.pairsShifted, 2 * spread, false, settings);
    result += coincidenceLogLikelihood(seen.triples, levels.triples, 2 * spread, false, settings);
    result += coincidenceLogLikelihood(seen.triplesShifted, levels.triplesShifted, 2 * spread, false, settings);
    result += poissonLogLikelihood(seen.doubles, seen.alignedPairs * levels.doubles);
    result += rowLogLikelihood(seen.rowFit2, seen.blocks2, levels.hill && levels.blockSize == 2,
                               settings.bestPairRowLift, seen.moments, settings);
    result += rowLogLikelihood(seen.rowFit3, seen.blocks3, levels.hill && levels.blockSize == 3,
                               settings.bestTripleRowLift, seen.moments, settings);
    return result + lineLogLikelihood(seen, levels.blockSize);
}

// Unigram log-likelihoods of the columns at the period, each column's shift
// summed over: Vigenère's c = p + k, Gronsfeld's with k below 10, Beaufort's
// c = k - p. The best shifts come along for the evidence.
struct VariantFit
{
    double vigenere = 0;
    double gronsfeld = 0;
    double beaufort = 0;
    std::vector<int> vigenereShifts;
    std::vector<int> beaufortShifts;
};

double logSumExp(const std::vector<double> &values, std::size_t count)
{
    const double top = *std::max_element(values.begin(), values.begin() + std::ptrdiff_t(count));
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += std::exp(values[i] - top);
    return top + std::log(sum);
}

VariantFit variantFit(const Observations &seen, const LanguageModel &model)
{
    const std::array<double, Alphabet::Size> logShare = logShares(model);
    VariantFit fit;
    std::vector<double> plus(Alphabet::Size), minus(Alphabet::Size);
    for (const FrequencyCounts &column : columnCounts(seen.symbols, seen.period)) {
        for (int k = 0; k < Alphabet::Size; ++k) {
            plus[std::size_t(k)] = minus[std::size_t(k)] = 0;
            for (int c = 0; c < Alphabet::Size; ++c) {
                const double n = double(column.counts[std::size_t(c)]);
                plus[std::size_t(k)] += n * logShare[std::size_t((c - k) & (Alphabet::Size - 1))];
                minus[std::size_t(k)] += n * logShare[std::size_t((k - c) & (Alphabet::Size - 1))];
            }
        }
        fit.vigenere += logSumExp(plus, Alphabet::Size) - std::log(double(Alphabet::Size));
        fit.gronsfeld += logSumExp(plus, 10) - std::log(10.0);
        fit.beaufort += logSumExp(minus, Alphabet::Size) - std::log(double(Alphabet::Size));
        fit.vigenereShifts.push_back(int(std::max_element(plus.begin(), plus.end()) - plus.begin()));
        fit.beaufortShifts.push_back(int(std::max_element(minus.begin(), minus.end()) - minus.begin()));
    }
    return fit;
}

// The autokey's single index: each ciphertext symbol the sum of two
// plaintext symbols, whose distribution is Russian's convolved with itself.
double autokeySingleIndex(const LanguageModel &model)
{
    const std::array<quint64, SymbolCount> counts = model.symbolCounts();
    double total = 0;
    for (const quint64 count : counts)
        total += double(count);
    if (total <= 0)
        return RandomCoincidence;
    double index = 0;
    for (int c = 0; c < Alphabet::Size; ++c) {
        double share = 0;
        for (int a = 0; a < Alphabet::Size; ++a)
            share += double(counts[std::size_t(a)]) * double(counts[std::size_t((c - a) & (Alphabet::Size - 1))]);
        share /= total * total;
        index += share * share;
    }
    return index;
}

// Gronsfeld's columns differ by shifts of -9 to 9, the difference of two
// digits: they coincide as Russian does with itself shifted so little.
double gronsfeldAcross(const LanguageModel &model)
{
    const std::array<quint64, SymbolCount> counts = model.symbolCounts();
    double total = 0;
    for (const quint64 count : counts)
        total += double(count);
    if (total <= 0)
        return RandomCoincidence;
    double index = 0;
    for (int d = -9; d <= 9; ++d) {
        double shifted = 0;
        for (int s = 0; s < Alphabet::Size; ++s)
            shifted += double(counts[std::size_t(s)]) * double(counts[std::size_t((s + d) & (Alphabet::Size - 1))]);
        index += (10 - std::abs(d)) / 100.0 * shifted / (total * total);
    }
    return index;
}

// A cipher of pairs: its aligned pairs are Russian's pairs relabelled.
Levels pairBlocks(double single, const IdentificationSettings &settings)
{
    Levels levels;
    levels.single = levels.periodic = single;
    levels.pairs = settings.russianPairCoincidence;
    levels.pairsShifted = settings.neighbourPairFactor * single * single;
    levels.triples = levels.triplesShifted = settings.tripleFactor * single * levels.pairsShifted;
    levels.blockSize = 2;
    levels.keySpread = settings.blockKeySpread;
    return levels;
}

QString number(double value, int decimals)
{
    return decimalText(value, decimals);
}

QString shiftsText(const std::vector<int> &shifts)
{
    QStringList parts;
    for (const int shift : shifts)
        parts << QString::number(shift);
    return parts.join(QLatin1Char(' '));
}

struct Hypothesis
{
    FamilyGuess guess;
    double logLikelihood = 0;
    // The pairs' residues under this hypothesis, when it compares them.
    std::optional<double> lowFit;
};

Hypothesis hypothesis(const QString &family, const Observations &seen, const Levels &levels,
                      const IdentificationSettings &settings)
{
    Hypothesis made;
    made.guess.family = family;
    made.logLikelihood = logLikelihood(seen, levels, settings);
    if (levels.lowPairs > 0)
        made.lowFit = coincidenceLogLikelihood(seen.pairsLow, levels.lowPairs, 0, false, settings);
    return made;
}

QString singleSentence(const Observations &seen)
{
    return QStringLiteral("индекс совпадений %1 (русский текст %2, случайный %3)")
        .arg(number(seen.single.index(), 4), number(RussianCoincidence, 4), number(RandomCoincidence, 4));
}

QString periodSentence(const Observations &seen)
{
    return QStringLiteral("по периоду %1 столбцы дают индекс %2, по всему тексту %3")
        .arg(seen.period)
        .arg(number(seen.periodic.index(), 4), number(seen.single.index(), 4));
}

QString pairSentence(const Observations &seen, const IdentificationSettings &settings)
{
    return QStringLiteral("индекс пар, взятых от начала строки, %1, со сдвигом на символ %2 (у русских пар %3, у "
                          "случайных %4)")
        .arg(number(seen.pairs.index(), 5), number(seen.pairsShifted.index(), 5),
             number(settings.russianPairCoincidence, 4),
             number(RandomPairCoincidence, 5));
}

QString lineSentence(const Observations &seen, int blockSize)
{
    const int off = blockSize == 2 ? seen.oddLines : seen.linesOffThree;
    const QString count = blockSize == 2 ? QStringLiteral("чётное") : QStringLiteral("кратное 3");
    if (off == 0)
        return QStringLiteral("во всех строках (%1) %2 число символов").arg(seen.lines.size()).arg(count);
    return QStringLiteral("строк, где число символов не %1: %2 из %3").arg(count).arg(off).arg(seen.lines.size());
}

QString rowSentence(double fit, int n, const ShareMoments &moments)
{
    return QStringLiteral("лучшая строка обратной матрицы %1 × %1 даёт символы со средним логарифмом частоты %2 "
                          "(у русского текста %3, у равномерных символов %4)")
        .arg(n)
        .arg(number(fit, 2), number(moments.russianMean, 2), number(moments.evenMean, 2));
}

std::vector<Hypothesis> keywordHypotheses(const Observations &seen, const LanguageModel &model,
                                          const IdentificationSettings &settings)
{
    std::vector<Hypothesis> made;
    if (seen.period == 0)
        return made;
    const double p = seen.period;
    // Columns under different shifts coincide as Russian does with itself
    // shifted: on average 1/32 over all shifts, more over Gronsfeld's ten.
    const auto levelsWith = [&](double across) {
        Levels levels;
        levels.single = (RussianCoincidence + (p - 1) * across) / p;
        levels.periodic = RussianCoincidence;
        levels.periodicIsBest = false;
        // Blocks that start at the same place of the key coincide as
        // Russian's do; a pair starts at every other place, so an even
        // period has only half its places for pairs.
        const double pairPlaces = p / std::gcd(seen.period, 2);
        const double triplePlaces = p / std::gcd(seen.period, 3);
        const double pairsAcross = settings.neighbourPairFactor * across * across;
        levels.pairs = levels.pairsShifted =
            settings.russianPairCoincidence / pairPlaces + (1 - 1 / pairPlaces) * pairsAcross;
        levels.triples = levels.triplesShifted = settings.russianTripleCoincidence / triplePlaces
            + (1 - 1 / triplePlaces) * settings.tripleFactor * across * pairsAcross;
        return levels;
    };
    const VariantFit fit = variantFit(seen, model);
    const double best = std::max({fit.vigenere, fit.gronsfeld, fit.beaufort});
    const QString period = QStringLiteral("период %1").arg(seen.period);
    const struct
    {
        const char *family;
        double fit;
        double across;
        QString sentence;
    } variants[] = {
        { "vigenere", fit.vigenere, RandomCoincidence,
          QStringLiteral("столбцы — сдвиги русских частот (c = p + k), сдвиги %1; против c = k − p (Бофор) "
                         "%2 нат")
              .arg(shiftsText(fit.vigenereShifts), number(fit.vigenere - fit.beaufort, 1)) },
        { "gronsfeld", fit.gronsfeld, gronsfeldAcross(model),
          QStringLiteral("сдвиги столбцов %1; только сдвиги 0–9 вероятнее любых на %2 нат")
              .arg(shiftsText(fit.vigenereShifts), number(fit.gronsfeld - fit.vigenere, 1)) },
        { "beaufort", fit.beaufort, RandomCoincidence,
          QStringLiteral("столбцы — отражённые русские частоты (c = k − p), ключ %1; против c = p + k "
                         "(Виженер) %2 нат")
              .arg(shiftsText(fit.beaufortShifts), number(fit.beaufort - fit.vigenere, 1)) },
    };
    for (const auto &variant : variants) {
        Hypothesis h = hypothesis(QLatin1String(variant.family), seen, levelsWith(variant.across), settings);
        h.logLikelihood += settings.temper * (variant.fit - best);
        h.guess.period = seen.period;
        h.guess.parameters = period;
        h.guess.evidence << periodSentence(seen) << variant.sentence;
        made.push_back(h);
    }
    return made;
}

std::vector<Hypothesis> allHypotheses(const Observations &seen, const LanguageModel &model,
                                      const IdentificationSettings &settings)
{
    std::vector<Hypothesis> made;
    std::vector<double> lowFits; // the pair ciphers', by their place in made

    Levels mono;
    mono.single = mono.periodic = RussianCoincidence;
    mono.periodicIsBest = false;
    mono.pairs = mono.pairsShifted = settings.russianPairCoincidence;
    mono.triples = mono.triplesShifted = settings.russianTripleCoincidence;
    mono.doubles = settings.russianDoubles;
    made.push_back(hypothesis(QStringLiteral("mono"), seen, mono, settings));
    made.back().guess.period = 1;
    made.back().guess.parameters = QStringLiteral("один алфавит");
    made.back().guess.evidence << singleSentence(seen) + QStringLiteral(": один алфавит даёт русский индекс");

    for (Hypothesis &h : keywordHypotheses(seen, model, settings))
        made.push_back(h);

    Levels autokey;
    autokey.single = autokey.periodic = autokeySingleIndex(model);
    autokey.autokey = RussianCoincidence;
    autokey.autokeyIsBest = false;
    autokey.pairs = autokey.pairsShifted = settings.autokeyPairFactor * autokey.single * autokey.single;
    autokey.triples = autokey.triplesShifted = settings.tripleFactor * autokey.single * autokey.pairs;
    made.push_back(hypothesis(QStringLiteral("autokey"), seen, autokey, settings));
    made.back().guess.period = seen.autokeyLength;
    made.back().guess.parameters = QStringLiteral("ключевое слово из %1 символов").arg(seen.autokeyLength);
    made.back().guess.evidence << QStringLiteral("если снять самоключ длины %1, столбцы дают индекс %2 (русский %3)")
                                      .arg(seen.autokeyLength)
                                      .arg(number(seen.autokey.index(), 4), number(RussianCoincidence, 4));

    const struct
    {
        const char *family;
        double single;
        double doubles;
    } pairCiphers[] = {
        { "playfair", settings.playfairSingle, PlayfairDoubles },
        { "two-square", settings.twoSquareSingle, settings.blockDoubles },
    };
    for (const auto &cipher : pairCiphers) {
        Levels levels = pairBlocks(cipher.single, settings);
        levels.doubles = cipher.doubles;
        levels.lowPairs = settings.blockLowPairs;
        levels.blockSize = 2;
        made.push_back(hypothesis(QLatin1String(cipher.family), seen, levels, settings));
        made.back().guess.blockSize = 2;
        made.back().guess.parameters = QStringLiteral("пары символов");
        made.back().guess.evidence
            << lineSentence(seen, 2) << pairSentence(seen, settings)
            << QStringLiteral("пар из двух одинаковых символов %1 из %2 (%3)")
                   .arg(seen.doubles)
                   .arg(seen.alignedPairs)
                   .arg(cipher.doubles < 0.01 ? QStringLiteral("Плейфер их не пишет")
                                              : QStringLiteral("случайно было бы около %1")
                                                    .arg(number(seen.alignedPairs / double(Alphabet::Size), 1)));
    }

    Levels hill2 = pairBlocks(settings.hillPairSingle, settings);
    hill2.doubles = settings.blockDoubles;
    hill2.lowPairs = settings.hillLowPairs;
    hill2.hill = true;
    made.push_back(hypothesis(QStringLiteral("hill"), seen, hill2, settings));
    made.back().guess.blockSize = 2;
    made.back().guess.parameters = QStringLiteral("блоки по 2");
    made.back().guess.evidence << lineSentence(seen, 2) << rowSentence(seen.rowFit2, 2, seen.moments)
                               << pairSentence(seen, settings)
                               << singleSentence(seen) + QStringLiteral(": у Хилла он близок к случайному");

    Levels hill3;
    hill3.single = hill3.periodic = settings.hillTripleSingle;
    hill3.pairs = hill3.pairsShifted = settings.neighbourPairFactor * hill3.single * hill3.single;
    hill3.triples = settings.russianTripleCoincidence;
    hill3.triplesShifted = settings.hillTripleShifted;
    hill3.doubles = settings.blockDoubles;
    hill3.blockSize = 3;
    hill3.hill = true;
    made.push_back(hypothesis(QStringLiteral("hill"), seen, hill3, settings));
    made.back().guess.blockSize = 3;
    made.back().guess.parameters = QStringLiteral("блоки по 3");
    made.back().guess.evidence << lineSentence(seen, 3) << rowSentence(seen.rowFit3, 3, seen.moments)
                               << QStringLiteral("индекс троек от начала строки %1, со сдвигом %2 (у русских троек %3)")
                                      .arg(number(seen.triples.index(), 5), number(seen.triplesShifted.index(), 5),
                                           number(settings.russianTripleCoincidence, 4))
                               << singleSentence(seen) + QStringLiteral(": у Хилла он близок к случайному");
    // The residues tell the pair ciphers apart and nothing else: the best
    // of them loses nothing, the others what they fit worse.
    double bestLow = -std::numeric_limits<double>::infinity();
    for (const Hypothesis &h : made) {
        if (h.lowFit)
            bestLow = std::max(bestLow, *h.lowFit);
    }
    for (Hypothesis &h : made) {
        if (h.lowFit)
            h.logLikelihood += *h.lowFit - bestLow;
    }
    return made;
}

// The best hypothesis of each family, the most likely first, with shares.
std::vector<FamilyGuess> ranked(std::vector<Hypothesis> made)
{
    std::stable_sort(made.begin(), made.end(),
                     [](const Hypothesis &a, const Hypothesis &b) { return a.logLikelihood > b.logLikelihood; });
    std::vector<Hypothesis> best;
    for (const Hypothesis &h : made) {
        const bool seen = std::any_of(best.begin(), best.end(),
                                      [&h](const Hypothesis &b) { return b.guess.family == h.guess.family; });
        if (!seen)
            best.push_back(h);
    }
    double sum = 0;
    for (const Hypothesis &h : best)
        sum += std::exp(h.logLikelihood - best.front().logLikelihood);
    std::vector<FamilyGuess> guesses;
    for (Hypothesis &h : best) {
        h.guess.share = std::exp(h.logLikelihood - best.front().logLikelihood) / sum;
        guesses.push_back(h.guess);
    }
    return guesses;
}

FamilyIdentification homophonicCodes(const CodeTokenTally &tally)
{
    FamilyIdentification result;
    FamilyGuess guess;
    guess.family = QStringLiteral("homophonic");
    guess.share = 1;
    guess.parameters = QStringLiteral("двузначные коды");
    guess.evidence << QStringLiteral("двузначных кодов %1 из %2 слов (%3 %)")
                          .arg(tally.codeTokens())
                          .arg(tally.tokens())
                          .arg(qRound(100 * tally.codeShare()));
    result.ranking.push_back(guess);
    return result;
}

} // namespace

FamilyIdentification identifyFamily(QStringView text, const LanguageModel &model,
                                    const IdentificationSettings &settings)
{
    CodeTokenTally tally;
    tally.addText(text);
    if (tally.looksLikeCipher())
        return homophonicCodes(tally);

    FamilyIdentification result;
    const Observations seen = observe(text, model, settings);
    if (seen.symbols.empty()) {
        result.problem = QStringLiteral("в тексте нет ни одного символа алфавита (пробел и буквы от А до Я без Ё и "
                                        "Й) и нет двузначных кодов: определять нечего");
        return result;
    }
    if (seen.symbols.size() < std::size_t(2 * settings.minColumnSymbols)) {
        result.problem = QStringLiteral("в тексте %1 символов алфавита — слишком мало, чтобы судить о виде шифра "
                                        "(нужно хотя бы %2)")
                             .arg(seen.symbols.size())
                             .arg(2 * settings.minColumnSymbols);
        return result;
    }
    result.textEvidence << QStringLiteral("символов алфавита %1 в %2 строках; двузначных кодов %3 из %4 слов")
                               .arg(seen.symbols.size())
                               .arg(seen.lines.size())
                               .arg(tally.codeTokens())
                               .arg(tally.tokens())
                        << singleSentence(seen);
    const std::vector<Hypothesis> made = allHypotheses(seen, model, settings);
    result.ranking = ranked(made);
    FamilyGuess homophonic;
    homophonic.family = QStringLiteral("homophonic");
    homophonic.parameters = QStringLiteral("двузначные коды");
    homophonic.evidence << QStringLiteral("в тексте буквы, а не двузначные коды");
    result.ranking.push_back(homophonic);
    return result;
}

} // namespace Cryptanalysis
