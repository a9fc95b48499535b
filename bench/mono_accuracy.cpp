// Accuracy and time of the ciphertext-only attack on a monoalphabetic
// substitution over held-out Russian text: for each cell (length, key),
// trials with random keys and seeds. Prints one tab-separated line a cell:
//   symbols  cell  median-accuracy  worst-accuracy  median-time  max-time  median-restarts
// bench/mono_accuracy.sh runs it and prints the table.
//
//   mono_accuracy TEXTS TRIALS TIME-LIMIT CELLS [JOBS]
// TEXTS holds one paragraph per line. CELLS is a comma-separated list of
// LENGTH:KEY, KEY r (a random permutation, the space enciphered too) or s (a
// random permutation that keeps the space, so that words show), optionally
// followed by +N for N correct locks (40:r+3). JOBS (default 1) is the
// number of threads of one crack. MONO_DEBUG=1 prints each trial's score
// against the true key's: a key found that scores below the true one is the
// search's fault, one above it the model's. A text read wrong is printed
// above its reading, a line end as '|'. MONO_CPU=1 limits each crack by CPU
// time and reports that time (bench/cpulimit.h).
#include "alphabet.h"
#include "cpulimit.h"
#include "heldouttext.h"
#include "languagemodel.h"
#include "monoalphabeticattack.h"
#include "symbolkeys.h"

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
    bool keepsSpace = false;
    int locks = 0;
    QString name;
};

// Consecutive paragraphs from a random one on, one a line, cut where they
// reach length alphabet symbols.
QString plaintextOf(const QStringList &paragraphs, int length, QRandomGenerator &random)
{
    int paragraph = int(random.bounded(paragraphs.size()));
    int symbols = 0;
    QString plaintext;
    while (symbols < length) {
        const QString &text = paragraphs.at(paragraph);
        paragraph = (paragraph + 1) % paragraphs.size();
        int cut = 0;
        while (cut < text.size() && symbols < length)
            symbols += Alphabet::indexOf(text.at(cut++).unicode()) >= 0;
        plaintext += text.left(cut) + QLatin1Char('\n');
    }
    return plaintext;
}

SymbolKey keyOf(const Cell &cell, QRandomGenerator &random)
{
    SymbolKey key = SymbolKeys::randomAlphabet(random);
    if (cell.keepsSpace) {
        const auto space = std::find(key.alphabet.begin(), key.alphabet.end(), 0);
        std::swap(*space, key.alphabet[0]);
    }
    return key;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList paragraphs;
    int trials = 0;
    if (const int status = readTextsAndTrials(args, 5, "mono_accuracy TEXTS TRIALS TIME-LIMIT CELLS [JOBS]", paragraphs, trials))
        return status;
    const double timeLimit = args.at(3).toDouble();
    const int jobs = args.size() > 5 ? args.at(5).toInt() : 1;
    const bool debug = qEnvironmentVariableIsSet("MONO_DEBUG");
    std::vector<Cell> cells;
    const QRegularExpression cellPattern(QStringLiteral("^(\\d+):([rs])(?:\\+(\\d+))?$"));
    for (const QString &written : args.at(4).split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = cellPattern.match(written);
        if (!match.hasMatch()) {
            std::fprintf(stderr, "bad cell %s\n", qPrintable(written));
            return 2;
        }
        Cell cell;
        cell.length = match.captured(1).toInt();
        cell.keepsSpace = match.captured(2) == QLatin1String("s");
        cell.locks = match.captured(3).toInt();
        cell.name = written.section(QLatin1Char(':'), 1);
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
        for (int trial = 0; trial < trials; ++trial) {
            // The seed leaves out the locks, so that a cell with locks runs
            // the same texts, keys and search seeds as the one without.
            QRandomGenerator random(quint32(cell.length * 10 + cell.keepsSpace) * 7919u + quint32(trial));
            const QString plaintext = plaintextOf(paragraphs, cell.length, random);
            const SymbolKey key = keyOf(cell, random);
            const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
            const std::vector<std::int8_t> truth = Alphabet::indicesOf(plaintext);

            CrackOptions options;
            options.seed = random.generate64();
            options.timeLimitSeconds = timeLimit;
            options.jobs = jobs;
            std::vector<int> seen(truth.begin(), truth.end());
            std::sort(seen.begin(), seen.end());
            seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
            std::shuffle(seen.begin(), seen.end(), random);
            for (int i = 0; i < cell.locks && i < int(seen.size()); ++i)
                options.symbolLocks.push_back({ key.alphabet[size_t(seen[size_t(i)])], seen[size_t(i)] });

            const bool cpuLimit = qEnvironmentVariableIsSet("MONO_CPU");
            const CpuLimit cpu(timeLimit, qMax(1, jobs));
            if (cpuLimit) {
                options.timeLimitSeconds = 1e6;
                options.stopRequested = cpu.stop();
            }
            MonoalphabeticResult result = crackMonoalphabetic(ciphertext, model, options);
            if (cpuLimit)
                result.seconds = cpu.seconds();
            const std::vector<std::int8_t> read = Alphabet::indicesOf(result.plaintext);
            int right = 0;
            for (size_t i = 0; i < truth.size() && i < read.size(); ++i)
                right += truth[i] == read[i];
            accuracies.push_back(100.0 * right / qMax<size_t>(1, truth.size()));
            times.push_back(result.seconds);
            restarts.push_back(result.restarts);
            if (debug)
                std::fprintf(stderr, "%d:%s trial %d acc %.1f found %.3f true %.3f restarts %d agreeing %d time %.2f\n",
                             cell.length, qPrintable(cell.name), trial, accuracies.back(), result.score,
                             model.averageScore(plaintext), result.restarts, result.agreeingRestarts,
                             result.seconds);
            if (debug && right < int(truth.size()))
                std::fprintf(stderr, "  %s\n  %s\n",
                             qPrintable(QString(plaintext).replace(QLatin1Char('\n'), QLatin1Char('|'))),
                             qPrintable(QString(result.plaintext).replace(QLatin1Char('\n'), QLatin1Char('|'))));
        }
        std::printf("%d\t%s\t%.1f\t%.1f\t%.2f\t%.2f\t%.0f\n", cell.length, qPrintable(cell.name), median(accuracies),
                    *std::min_element(accuracies.begin(), accuracies.end()), median(times),
                    *std::max_element(times.begin(), times.end()), median(restarts));
        std::fflush(stdout);
    }
    return 0;
}
