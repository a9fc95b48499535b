// How often the identification names the family that enciphered a text of
// held-out Russian prose, with a random key of each family: one
// tab-separated line a family and length,
//   length  family  trials  correct%  parameter%
// parameter: the period (the keyword ciphers) or the block size (Hill) is
// right as well, for the families that have one; else the same as correct.
// bench/identify_accuracy.sh gets the texts and prints the table.
//
//   identify_accuracy TEXTS TRIALS LENGTH...
// IDENTIFY_DEBUG=1 describes each miss on standard error; IDENTIFY_FIRST=N
// starts the trials' seeds at N, for texts the tuning never saw.
#include "cipherfamily.h"
#include "familyidentification.h"
#include "heldouttext.h"
#include "homophonic.h"
#include "keytable.h"
#include "languagemodel.h"
#include "symbolcipher.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>

#include <cstdio>

using namespace Cryptanalysis;

namespace {

// A row of the table: a family, as the identification should name it, and
// how its keys are drawn.
struct Case
{
    const char *label;
    const char *family;
    int firstPeriod = 0; // the keyword ciphers: periods drawn from this range
    int lastPeriod = 0;
    int blockSize = 0;   // Hill
};

const Case cases[] = {
    { "mono", "mono" },
    { "vigenere", "vigenere", 2, 12 },
    { "gronsfeld", "gronsfeld", 2, 12 },
    { "beaufort", "beaufort", 2, 12 },
    { "autokey", "autokey", 2, 12 },
    { "homophonic", "homophonic" },
    { "playfair", "playfair" },
    { "two-square", "two-square" },
    { "hill 2×2", "hill", 0, 0, 2 },
    { "hill 3×3", "hill", 0, 0, 3 },
};

SymbolKey randomKey(const Case &cell, int &period, QRandomGenerator &random)
{
    const CipherFamily *family = cipherFamily(QLatin1String(cell.family));
    if (cell.blockSize > 0)
        return SymbolKeys::randomMatrix(cell.blockSize, random);
    if (cell.lastPeriod == 0)
        return family->randomKey(random);
    SymbolKey key = family->randomKey(random);
    period = cell.firstPeriod + int(random.bounded(cell.lastPeriod - cell.firstPeriod + 1));
    const bool digits = QLatin1String(cell.family) == QLatin1String("gronsfeld");
    key.shifts.clear();
    for (int i = 0; i < period; ++i)
        key.shifts.push_back(std::int8_t(random.bounded(digits ? 10 : Alphabet::Size)));
    return key;
}

QString encrypted(const Case &cell, const QString &plaintext, const LanguageModel &model, int &period,
                  QRandomGenerator &random)
{
    if (QLatin1String(cell.family) != QLatin1String("homophonic"))
        return SymbolCipher(randomKey(cell, period, random)).encrypt(plaintext);
    const int alphabets = 1 + int(random.bounded(3));
    const KeyTable table = randomKeyTable(random, proportionalRowLengths(model.symbolCounts(), 100));
    QString ciphertext;
    for (const QString &line : plaintext.split(QLatin1Char('\n')))
        ciphertext += encryptHomophonic(table, line, alphabets) + QLatin1Char('\n');
    return ciphertext;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList paragraphs;
    int trials = 0;
    if (const int status = readTextsAndTrials(args, 4, "identify_accuracy TEXTS TRIALS LENGTH...", paragraphs, trials))
        return status;
    const bool debug = qEnvironmentVariableIsSet("IDENTIFY_DEBUG");
    const int first = qEnvironmentVariableIntValue("IDENTIFY_FIRST");
    LanguageModel model;
    QString error;
    if (!model.loadBuiltIn(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    for (int a = 3; a < args.size(); ++a) {
        const int length = args.at(a).toInt();
        for (const Case &cell : cases) {
            int correct = 0, parameter = 0;
            for (int trial = 0; trial < trials; ++trial) {
                QRandomGenerator random(quint32(length) * 7919u + quint32(first + trial) * 104729u
                                        + quint32(qHash(QLatin1String(cell.label))));
                const QString plaintext = heldOutText(paragraphs, length, random);
                int period = 0;
                const QString ciphertext = encrypted(cell, plaintext, model, period, random);
                const FamilyIdentification found = identifyFamily(ciphertext, model);
                const FamilyGuess *top = found.succeeded() ? &found.ranking.front() : nullptr;
                const bool right = top && top->family == QLatin1String(cell.family);
                const bool parameterRight = right
                    && (cell.blockSize ? top->blockSize == cell.blockSize
                                       : (period == 0 || top->period == period));
                correct += right;
                parameter += parameterRight;
                if (debug && !parameterRight) {
                    std::fprintf(stderr, "%d %s trial %d (period %d): %s %s (%.2f); then %s %.2f\n", length,
                                 cell.label, trial, period, top ? qPrintable(top->family) : "-",
                                 top ? qPrintable(top->parameters) : "", top ? top->share : 0.0,
                                 found.ranking.size() > 1 ? qPrintable(found.ranking[1].family) : "-",
                                 found.ranking.size() > 1 ? found.ranking[1].share : 0.0);
                }
            }
            std::printf("%d\t%s\t%d\t%.1f\t%.1f\n", length, cell.label, trials, 100.0 * correct / trials,
                        100.0 * parameter / trials);
            std::fflush(stdout);
        }
    }
    return 0;
}
