// Accuracy and time of the attack on Hill's cipher over held-out Russian
// text: for each cell (length, matrix size), trials with random invertible
// matrices and texts, the attack told nothing but the ciphertext. Prints one
// tab-separated line a cell:
//   length  size  exact%  read%  median-time  max-time
// exact: the matrix found is the one the text was enciphered with; read:
// the whole text deciphers right (the same, but for a key that differs only
// where the text never tests it). bench/hill_accuracy.sh gets the texts and
// prints the table.
//
//   hill_accuracy TEXTS TRIALS CELLS [JOBS]
// TEXTS holds one paragraph a line. CELLS is a comma-separated list of
// LENGTH:SIZE, as 100:2,300:3. JOBS: threads for the attack (1).
// HILL_SCHEDULE=name=value,... overrides numbers of HillSchedule, for
// tuning; HILL_DEBUG=1 describes each miss on standard error.
#include "heldouttext.h"
#include "hillattack.h"
#include "languagemodel.h"
#include "symbolcipher.h"
#include "symbolkeys.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Cryptanalysis;

namespace {

struct Cell
{
    int length = 0;
    int size = 2;
};

bool applySchedule(const QString &written, HillSchedule &schedule)
{
    for (const QString &part : written.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.section(QLatin1Char('='), 0, 0);
        const int value = part.section(QLatin1Char('='), 1).toInt();
        if (name == QLatin1String("minSymbols2"))
            schedule.minSymbols2 = value;
        else if (name == QLatin1String("minSymbols3"))
            schedule.minSymbols3 = value;
        else if (name == QLatin1String("searchedSymbols"))
            schedule.searchedSymbols = value;
        else if (name == QLatin1String("keptRows2"))
            schedule.keptRows2 = value;
        else if (name == QLatin1String("keptRows3"))
            schedule.keptRows3 = value;
        else if (name == QLatin1String("climbStarts"))
            schedule.climbStarts = value;
        else if (name == QLatin1String("climbRows3"))
            schedule.climbRows3 = value;
        else
            return false;
    }
    return true;
}

bool parseCells(const QString &written, std::vector<Cell> &cells)
{
    for (const QString &part : written.split(QLatin1Char(','))) {
        Cell cell;
        bool lengthRead = false, sizeRead = false;
        cell.length = part.section(QLatin1Char(':'), 0, 0).toInt(&lengthRead);
        cell.size = part.section(QLatin1Char(':'), 1).toInt(&sizeRead);
        if (!lengthRead || !sizeRead || (cell.size != 2 && cell.size != 3))
            return false;
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
    if (const int status = readTextsAndTrials(args, 4, "hill_accuracy TEXTS TRIALS CELLS [JOBS]", paragraphs, trials))
        return status;
    std::vector<Cell> cells;
    if (!parseCells(args.at(3), cells)) {
        std::fprintf(stderr, "bad cells %s\n", qPrintable(args.at(3)));
        return 2;
    }
    const int jobs = args.size() > 4 ? args.at(4).toInt() : 1;
    const bool debug = qEnvironmentVariableIsSet("HILL_DEBUG");
    HillSchedule schedule;
    if (!applySchedule(qEnvironmentVariable("HILL_SCHEDULE"), schedule)) {
        std::fprintf(stderr, "bad HILL_SCHEDULE\n");
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
        int exact = 0, read = 0;
        for (int trial = 0; trial < trials; ++trial) {
            QRandomGenerator random(quint32(cell.length * 10 + cell.size) * 7919u + quint32(trial));
            const SymbolKey key = SymbolKeys::randomMatrix(cell.size, random);
            const QString plaintext = heldOutText(paragraphs, cell.length, random);
            const QString ciphertext = SymbolCipher(key).encrypt(plaintext);

            HillAttackOptions options;
            options.seed = random.generate64();
            options.jobs = jobs;
            options.schedule = schedule;
            // The length alone may allow both sizes; the attack is not told.
            const HillAttackResult result = crackHill(ciphertext, model, options);
            const bool right = result.succeeded() && result.key.matrix == key.matrix;
            const bool readRight = result.succeeded()
                && SymbolCipher(result.key).decrypt(ciphertext) == SymbolCipher(key).decrypt(ciphertext);
            exact += right;
            read += readRight;
            times.push_back(result.seconds);
            if (debug && !right)
                std::fprintf(stderr, "%d:%d trial %d: %s -> %s, score %.3f (true %.3f)%s\n", cell.length, cell.size,
                             trial, qPrintable(Polygram::matrixText(key.matrix)),
                             result.succeeded() ? qPrintable(Polygram::matrixText(result.key.matrix))
                                                : qPrintable(result.problem),
                             result.score, model.averageScore(SymbolCipher(key).decrypt(ciphertext)),
                             result.cutShort ? ", cut short" : "");
        }
        std::printf("%d\t%d\t%.1f\t%.1f\t%.3f\t%.3f\n", cell.length, cell.size, 100.0 * exact / trials,
                    100.0 * read / trials, median(times), *std::max_element(times.begin(), times.end()));
        std::fflush(stdout);
    }
    return 0;
}
