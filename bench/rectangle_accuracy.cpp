// Accuracy and time of the ciphertext-only attack on Playfair and the
// two-square over held-out Russian text: for each cell (length, cipher),
// trials with random rectangles, texts and seeds. Prints one tab-separated
// line a cell:
//   symbols  cipher  share-95  median-accuracy  worst-accuracy  median-time  max-time  median-restarts
// share-95: the share of trials that read at least 95 % of the symbols
// right. A symbol reads right when it is the one the true key deciphers
// there (fillers included): a rectangle shifted round reads as well as the
// true one. bench/rectangle_accuracy.sh runs it and prints the table.
//
//   rectangle_accuracy TEXTS TRIALS TIME-LIMIT CELLS [JOBS]
// TEXTS holds one paragraph per line. CELLS is a comma-separated list of
// LENGTH:CIPHER, CIPHER p (Playfair) or t (the two-square): 300:p. JOBS
// (default 0, one per core) is the number of threads of one crack.
// RECT_SCHEDULE=name=value,... overrides numbers of RectangleSchedule, for
// tuning; RECT_DEBUG=1 prints each trial's score against the true key's: a
// key found that scores below the true one is the search's fault, one above
// it the model's.
#include "alphabet.h"
#include "cpulimit.h"
#include "heldouttext.h"
#include "languagemodel.h"
#include "rectangleattack.h"
#include "rectangleschedulenames.h"
#include "symbolkeys.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Cryptanalysis;

namespace {

struct Cell
{
    int length = 0;
    RectangleVariant variant = RectangleVariant::Playfair;
    QString name;
};

double share(const std::vector<double> &values, double atLeast)
{
    return 100.0 * double(std::count_if(values.begin(), values.end(), [&](double v) { return v >= atLeast; }))
        / double(qMax<size_t>(1, values.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList paragraphs;
    int trials = 0;
    if (const int status = readTextsAndTrials(args, 5, "rectangle_accuracy TEXTS TRIALS TIME-LIMIT CELLS [JOBS]", paragraphs, trials))
        return status;
    const double timeLimit = args.at(3).toDouble();
    const int jobs = args.size() > 5 ? args.at(5).toInt() : 0;
    const bool debug = qEnvironmentVariableIsSet("RECT_DEBUG");
    const bool cpuLimit = qEnvironmentVariableIsSet("RECT_CPU");
    const int cores = jobs > 0 ? jobs : qMax(1, QThread::idealThreadCount());
    RectangleSchedule schedule;
    if (!applyScheduleNames(qEnvironmentVariable("RECT_SCHEDULE"), schedule))
        return 2;
    std::vector<Cell> cells;
    const QRegularExpression cellPattern(QStringLiteral("^(\\d+):([pt])$"));
    for (const QString &written : args.at(4).split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = cellPattern.match(written);
        if (!match.hasMatch()) {
            std::fprintf(stderr, "bad cell %s\n", qPrintable(written));
            return 2;
        }
        Cell cell;
        cell.length = match.captured(1).toInt();
        cell.variant = match.captured(2) == QLatin1String("t") ? RectangleVariant::TwoSquare : RectangleVariant::Playfair;
        cell.name = match.captured(2);
        cells.push_back(cell);
    }

    LanguageModel model;
    QString error;
    if (!model.loadBuiltIn(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    for (const Cell &cell : cells) {
        std::vector<double> accuracies, times, restarts;
        const bool twoSquare = cell.variant == RectangleVariant::TwoSquare;
        for (int trial = 0; trial < trials; ++trial) {
            QRandomGenerator random(quint32(cell.length * 2 + twoSquare) * 7919u + quint32(trial));
            const QString plaintext = heldOutText(paragraphs, cell.length, random);
            const SymbolKey key =
                SymbolKeys::randomRectangles(twoSquare ? SymbolRule::TwoSquare : SymbolRule::Playfair, random);
            const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
            const std::vector<std::int8_t> truth = Alphabet::indicesOf(SymbolCipher(key).decrypt(ciphertext));

            RectangleAttackOptions options;
            options.seed = random.generate64();
            options.timeLimitSeconds = timeLimit;
            options.jobs = jobs;
            options.schedule = schedule;
            const CpuLimit cpu(timeLimit, cores);
            if (cpuLimit) {
                options.timeLimitSeconds = 1e6;
                options.stopRequested = cpu.stop();
            }
            RectangleAttackResult result = crackRectangles(cell.variant, ciphertext, model, options);
            if (cpuLimit)
                result.seconds = cpu.seconds();
            const QString found = result.succeeded() ? SymbolCipher(result.key).decrypt(ciphertext) : QString();
            const std::vector<std::int8_t> read = Alphabet::indicesOf(found);
            int right = 0;
            for (size_t i = 0; i < truth.size() && i < read.size(); ++i)
                right += truth[i] == read[i];
            accuracies.push_back(100.0 * right / qMax<size_t>(1, truth.size()));
            times.push_back(result.seconds);
            restarts.push_back(result.restarts);
            if (debug)
                std::fprintf(stderr, "%d:%s trial %d acc %.1f found %.3f true %.3f restarts %d agreeing %d time %.2f%s\n",
                             cell.length, qPrintable(cell.name), trial, accuracies.back(), result.score,
                             model.averageScore(SymbolCipher(key).decrypt(ciphertext)), result.restarts,
                             result.agreeing, result.seconds, result.succeeded() ? "" : " refused");
        }
        std::printf("%d\t%s\t%.0f\t%.1f\t%.1f\t%.2f\t%.2f\t%.0f\n", cell.length, qPrintable(cell.name),
                    share(accuracies, 95.0), median(accuracies),
                    *std::min_element(accuracies.begin(), accuracies.end()), median(times),
                    *std::max_element(times.begin(), times.end()), median(restarts));
        std::fflush(stdout);
    }
    return 0;
}
