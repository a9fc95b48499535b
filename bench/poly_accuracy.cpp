// Accuracy and time of the attack on the keyword ciphers over held-out
// Russian text: for each cell (length, range of periods, variant), trials
// with random keywords, periods and texts. Prints one tab-separated line a
// cell:
//   length  cell  exact%  variant%  period%  median-time  max-time
// exact: the whole text deciphers right; variant and period: the ones the
// text was enciphered with (the period as the shortest that deciphers
// alike). bench/poly_accuracy.sh gets the texts and prints the table.
//
//   poly_accuracy TEXTS TRIALS CELLS [GIVEN]
// TEXTS holds one paragraph a line. CELLS is a comma-separated list of
// LENGTH:FIRST-LAST:VARIANTS, VARIANTS being letters of v (Vigenère),
// b (Beaufort), a (autokey) and g (Gronsfeld), one drawn a trial:
// 100:1-6:v, 200:1-10:vba. GIVEN=variant tells the attack the variant (it
// always does for Gronsfeld, which it does not try on its own).
// POLY_SCHEDULE=name=value,... overrides numbers of KeywordSchedule, for
// tuning; POLY_DEBUG=1 describes each miss on standard error.
#include "heldouttext.h"
#include "languagemodel.h"
#include "polyalphabeticattack.h"
#include "symbolcipher.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Cryptanalysis;

namespace {

struct Cell
{
    int length = 0;
    int firstPeriod = 1;
    int lastPeriod = 1;
    std::vector<KeywordVariant> variants;
    QString name;
};

int shortestPeriod(const SymbolKey &key)
{
    const int period = int(key.shifts.size());
    if (key.rule == SymbolRule::Autokey)
        return period;
    for (int shorter = 1; shorter < period; ++shorter) {
        bool repeats = period % shorter == 0;
        for (int i = shorter; i < period && repeats; ++i)
            repeats = key.shifts[size_t(i)] == key.shifts[size_t(i % shorter)];
        if (repeats)
            return shorter;
    }
    return period;
}

bool applySchedule(const QString &written, KeywordSchedule &schedule)
{
    for (const QString &part : written.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.section(QLatin1Char('='), 0, 0);
        const double value = part.section(QLatin1Char('='), 1).toDouble();
        if (name == QLatin1String("minColumnSymbols"))
            schedule.minColumnSymbols = int(value);
        else if (name == QLatin1String("maxAutokeyLength"))
            schedule.maxAutokeyLength = int(value);
        else if (name == QLatin1String("firstRestarts"))
            schedule.firstRestarts = int(value);
        else if (name == QLatin1String("finalists"))
            schedule.finalists = int(value);
        else if (name == QLatin1String("confirmations"))
            schedule.confirmations = int(value);
        else if (name == QLatin1String("maxRestarts"))
            schedule.maxRestarts = int(value);
        else if (name == QLatin1String("startSharpness"))
            schedule.startSharpness = value;
        else if (name == QLatin1String("keywordCharge"))
            schedule.keywordCharge = value;
        else
            return false;
    }
    return true;
}

bool parseCells(const QString &written, std::vector<Cell> &cells)
{
    const QRegularExpression pattern(QStringLiteral("^(\\d+):(\\d+)-(\\d+):([vbag]+)$"));
    for (const QString &part : written.split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = pattern.match(part);
        if (!match.hasMatch())
            return false;
        Cell cell;
        cell.length = match.captured(1).toInt();
        cell.firstPeriod = match.captured(2).toInt();
        cell.lastPeriod = match.captured(3).toInt();
        for (const QChar letter : match.captured(4)) {
            const char c = char(letter.unicode());
            cell.variants.push_back(c == 'v' ? KeywordVariant::Vigenere
                                    : c == 'b' ? KeywordVariant::Beaufort
                                    : c == 'a' ? KeywordVariant::Autokey
                                               : KeywordVariant::Gronsfeld);
        }
        cell.name = part.section(QLatin1Char(':'), 1);
        cells.push_back(cell);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList paragraphs;
    int trials = 0;
    if (const int status = readTextsAndTrials(args, 4, "poly_accuracy TEXTS TRIALS CELLS [GIVEN]", paragraphs, trials))
        return status;
    std::vector<Cell> cells;
    if (!parseCells(args.at(3), cells)) {
        std::fprintf(stderr, "bad cells %s\n", qPrintable(args.at(3)));
        return 2;
    }
    const bool variantGiven = args.size() > 4 && args.at(4) == QLatin1String("variant");
    const bool debug = qEnvironmentVariableIsSet("POLY_DEBUG");
    KeywordSchedule schedule;
    if (!applySchedule(qEnvironmentVariable("POLY_SCHEDULE"), schedule)) {
        std::fprintf(stderr, "bad POLY_SCHEDULE\n");
        return 2;
    }

    LanguageModel model;
    QString error;
    if (!model.loadBuiltIn(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    for (const Cell &cell : cells) {
        std::vector<double> times;
        int exact = 0, variantRight = 0, periodRight = 0;
        for (int trial = 0; trial < trials; ++trial) {
            QRandomGenerator random(quint32(cell.length * 1000 + cell.lastPeriod) * 7919u + quint32(trial));
            const KeywordVariant variant = cell.variants[random.bounded(int(cell.variants.size()))];
            const int period = cell.firstPeriod + int(random.bounded(cell.lastPeriod - cell.firstPeriod + 1));
            SymbolKey key;
            key.rule = ruleOf(variant);
            for (int i = 0; i < period; ++i)
                key.shifts.push_back(std::int8_t(random.bounded(variant == KeywordVariant::Gronsfeld ? 10 : 32)));
            const QString plaintext = heldOutText(paragraphs, cell.length, random);
            const QString ciphertext = SymbolCipher(key).encrypt(plaintext);

            KeywordAttackOptions options;
            options.seed = random.generate64();
            options.jobs = 1;
            options.schedule = schedule;
            if (variantGiven || variant == KeywordVariant::Gronsfeld)
                options.variant = variant;
            const KeywordAttackResult result = crackPolyalphabetic(ciphertext, model, options);
            const bool right = result.succeeded()
                && SymbolCipher(result.key).decrypt(ciphertext).toUpper() == plaintext.toUpper();
            exact += right;
            variantRight += result.succeeded() && result.variant == variant;
            periodRight += result.succeeded() && result.period == shortestPeriod(key);
            times.push_back(result.seconds);
            if (debug && !right) {
                const KeywordCandidate *truth = nullptr;
                for (const KeywordCandidate &candidate : result.candidates) {
                    if (candidate.variant == variant && candidate.period == period)
                        truth = &candidate;
                }
                std::fprintf(stderr,
                             "%s trial %d: %s p%d (true score %.3f) -> %s p%d score %.3f ev %.1f; true hypothesis %s\n",
                             qPrintable(cell.name), trial, qPrintable(variantName(variant)), period,
                             model.averageScore(plaintext), qPrintable(variantName(result.variant)), result.period,
                             result.score,
                             result.candidates.empty() ? 0.0 : result.candidates.front().evidence,
                             truth ? qPrintable(QStringLiteral("score %1 ev %2 restarts %3 key %4")
                                                    .arg(truth->score, 0, 'f', 3)
                                                    .arg(truth->evidence, 0, 'f', 1)
                                                    .arg(truth->restarts)
                                                    .arg(QLatin1String(truth->key.shifts == key.shifts ? "right"
                                                                                                        : "wrong")))
                                   : "not searched");
            }
        }
        std::printf("%d\t%s\t%.1f\t%.1f\t%.1f\t%.3f\t%.3f\n", cell.length, qPrintable(cell.name),
                    100.0 * exact / trials, 100.0 * variantRight / trials, 100.0 * periodRight / trials, median(times),
                    *std::max_element(times.begin(), times.end()));
        std::fflush(stdout);
    }
    return 0;
}
