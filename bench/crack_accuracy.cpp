// Accuracy and time of the ciphertext-only attack over held-out Russian
// text: for each cell (length, key, choice, locks), trials with random
// secret tables and seeds. Prints one tab-separated line a cell:
//   codes  cell  median-accuracy  worst-accuracy  median-time  max-time  median-restarts
// bench/crack_accuracy.sh builds this file against two versions of the
// solver and joins their lines into one table.
//
//   crack_accuracy TEXTS TRIALS TIME-LIMIT CELLS [JOBS]
// TEXTS holds one paragraph per line, without digits. CELLS is a comma-
// separated list of LENGTH:KEY, KEY one of 1c, 2c, 3c, 2r, 3r (k and cyclic
// or random choice) or pc, pr (100 codes dealt in proportion to the letters'
// frequencies, as keygen --homophones proportional deals them), optionally followed by +N for N correct locks
// (200:3c+5). JOBS (default 1) is the number of threads of one crack.
// CRACK_DEBUG set prints a line a trial (its number, the found and the true
// key's score per symbol); CRACK_TRIALS=3,18 runs only those trials, with
// the texts, tables and seeds they have in the whole run, to look into one.
// CRACK_CPU=1 limits each crack by CPU time instead of the clock and
// reports that time (bench/cpulimit.h), for a machine shared with other
// work.
#include "ciphertext.h"
#include "cpulimit.h"
#include "homophonic.h"
#include "keytable.h"
#include "heldouttext.h"
#include "languagemodel.h"
#include "solver.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

// The solver before locks and threads came has neither; the cells that need
// them are left out when built against it.
#if __has_include("restartsearch.h")
#define SOLVER_TAKES_LOCKS 1
#endif
// It also kept its tables as three codes a row, each row with the counter
// of cyclic choice, and had no proportional keys.

using namespace Cryptanalysis;

namespace {

struct Cell
{
    int length = 0;
    int alphabetCount = 1;
    bool randomChoice = false;
    int locks = 0;
    QString name;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList paragraphs;
    int trials = 0;
    if (const int status = readTextsAndTrials(args, 5, "crack_accuracy TEXTS TRIALS TIME-LIMIT CELLS [JOBS]", paragraphs, trials))
        return status;
    const double timeLimit = args.at(3).toDouble();
    const int jobs = args.size() > 5 ? args.at(5).toInt() : 1;
    const bool cpuLimit = qEnvironmentVariableIsSet("CRACK_CPU");
    std::vector<Cell> cells;
    const QRegularExpression cellPattern(QStringLiteral("^(\\d+):([123p])([cr])(?:\\+(\\d+))?$"));
    for (const QString &written : args.at(4).split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = cellPattern.match(written);
        if (!match.hasMatch()) {
            std::fprintf(stderr, "bad cell %s\n", qPrintable(written));
            return 2;
        }
        Cell cell;
        cell.length = match.captured(1).toInt();
        // A proportional key uses every code of its rows.
        cell.alphabetCount = match.captured(2) == QLatin1String("p") ? CodeCount : match.captured(2).toInt();
        cell.randomChoice = match.captured(3) == QLatin1String("r");
        cell.locks = match.captured(4).toInt();
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
#ifndef SOLVER_TAKES_LOCKS
        if (cell.locks > 0 || jobs != 1 || cell.alphabetCount == CodeCount) {
            std::printf("%d\t%s\t-\t-\t-\t-\t-\n", cell.length, qPrintable(cell.name));
            continue;
        }
#endif
        std::vector<double> accuracies, times, restarts;
        const QStringList onlyTrials
            = qEnvironmentVariable("CRACK_TRIALS").split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (int trial = 0; trial < trials; ++trial) {
            // The seed leaves out the locks, so that a cell with locks runs
            // the same texts, tables and search seeds as the one without.
            QRandomGenerator random(quint32(cell.length * 1000 + cell.alphabetCount * 10 + cell.randomChoice) * 7919u
                                    + quint32(trial));
#ifdef SOLVER_TAKES_LOCKS
            const KeyTable table = cell.alphabetCount == CodeCount
                ? randomKeyTable(random, proportionalRowLengths(model.symbolCounts(), CodeCount))
                : randomKeyTable(random);
#else
            HomophoneTable table = randomKeyTable(random);
#endif
            RandomCodeChoice choice(random);
            // Consecutive paragraphs from a random one on, cut at the length.
            int paragraph = int(random.bounded(paragraphs.size()));
            int codes = 0;
            QString ciphertext;
            std::vector<int> truth;
            while (codes < cell.length) {
                QString text = paragraphs.at(paragraph);
                paragraph = (paragraph + 1) % paragraphs.size();
                int cut = 0;
                while (cut < text.size() && codes < cell.length) {
                    if (symbolOf(text.at(cut)) >= 0) {
                        truth.push_back(symbolOf(text.at(cut).toUpper()));
                        ++codes;
                    }
                    ++cut;
                }
                text.truncate(cut);
#ifndef SOLVER_TAKES_LOCKS
                for (auto &row : table)
                    row.counter = 0;
#endif
                ciphertext += cell.randomChoice ? encryptHomophonic(table, text, cell.alphabetCount, choice)
                                                : encryptHomophonic(table, text, cell.alphabetCount);
                ciphertext += QLatin1Char('\n');
            }
            const CipherText cipher = readCipherText(ciphertext);
            CrackOptions options;
            options.seed = random.generate64();
            options.timeLimitSeconds = timeLimit;
#ifdef SOLVER_TAKES_LOCKS
            options.jobs = jobs;
            // Locks of distinct codes of the text, drawn at random.
            std::vector<int> seen;
            std::vector<int> symbolOfSeen(CodeCount, -1);
            {
                int at = 0;
                for (const qint16 unit : cipher.units) {
                    if (unit < 0)
                        continue;
                    if (symbolOfSeen[unit] < 0) {
                        symbolOfSeen[unit] = truth[at];
                        seen.push_back(unit);
                    }
                    ++at;
                }
            }
            QRandomGenerator lockRandom(quint32(trial) * 104729u + 17u);
            std::shuffle(seen.begin(), seen.end(), lockRandom);
            for (int i = 0; i < cell.locks && i < int(seen.size()); ++i)
                options.locks.push_back({ seen[i], symbolOfSeen[seen[i]] });
#endif
            if (!onlyTrials.isEmpty() && !onlyTrials.contains(QString::number(trial)))
                continue;
            const CpuLimit cpu(timeLimit, jobs > 0 ? jobs : qMax(1, QThread::idealThreadCount()));
#ifdef SOLVER_TAKES_LOCKS
            if (cpuLimit) {
                options.timeLimitSeconds = 1e6;
                options.stopRequested = cpu.stop();
            }
#endif
            CrackResult result = crackHomophonic(cipher, model, options);
            if (cpuLimit)
                result.seconds = cpu.seconds();
            int right = 0, at = 0;
            for (const qint16 unit : cipher.units) {
                if (unit < 0)
                    continue;
                right += at < int(truth.size()) && result.symbolOfCode[unit] == truth[at];
                ++at;
            }
            accuracies.push_back(100.0 * right / qMax(1, at));
#ifdef SOLVER_TAKES_LOCKS
            if (qEnvironmentVariableIsSet("CRACK_DEBUG")) {
                std::array<int, CodeCount> trueMap;
                trueMap.fill(-1);
                for (int row = 0; row < SymbolCount; ++row)
                    for (int column = 0; column < qMin(cell.alphabetCount, int(table[row].codes.size())); ++column)
                        trueMap[table[row].codes[column].toInt()] = row;
                std::array<int, CodeCount> counts {};
                for (const qint16 unit : cipher.units)
                    counts[unit >= 0 ? unit : 0] += unit >= 0;
                const int distinct = int(std::count_if(counts.begin(), counts.end(), [](int n) { return n > 0; }));
                double pairs = 0;
                for (const int n : counts)
                    pairs += double(n) * (n - 1);
                const double peakRelative = pairs * distinct / qMax(1.0, double(at) * (at - 1));
                std::fprintf(stderr,
                             "#%d %s acc %.1f found %.3f true %.3f k %d choice %d proportional %d (coincidence %.2f) restarts %d "
                             "time %.2f\n",
                             trial, qPrintable(cell.name), accuracies.back(), result.score,
                             model.averageScore(cipher.plaintext(trueMap)), result.alphabetCount, int(result.choice),
                             int(result.proportional), peakRelative, result.restarts, result.seconds);
            }
#endif
            times.push_back(result.seconds);
            restarts.push_back(result.restarts);
        }
        if (accuracies.empty()) {
            std::printf("%d\t%s\t-\t-\t-\t-\t-\n", cell.length, qPrintable(cell.name));
            continue;
        }
        std::printf("%d\t%s\t%.1f\t%.1f\t%.2f\t%.2f\t%.0f\n", cell.length, qPrintable(cell.name), median(accuracies),
                    *std::min_element(accuracies.begin(), accuracies.end()), median(times),
                    *std::max_element(times.begin(), times.end()), median(restarts));
        std::fflush(stdout);
    }
    return 0;
}
