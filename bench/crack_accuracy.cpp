// Accuracy and time of the ciphertext-only attack over held-out Russian
// text: for each length and key, trials with random secret tables and
// seeds; prints a Markdown table of medians.
//
//   crack_accuracy TEXTS [TRIALS] [TIME-LIMIT] [LENGTHS]
// TEXTS holds one paragraph per line, without digits.
#include "ciphertext.h"
#include "homophonic.h"
#include "keytable.h"
#include "languagemodel.h"
#include "solver.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace Cryptanalysis;

namespace {

struct Cell
{
    int alphabetCount;
    bool randomChoice;
    const char *title;
};


double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: crack_accuracy TEXTS [TRIALS] [TIME-LIMIT] [LENGTHS] [CELLS]\n");
        return 2;
    }
    QFile file(args.at(1));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    QStringList paragraphs;
    QString line;
    while (stream.readLineInto(&line)) {
        if (!line.trimmed().isEmpty())
            paragraphs.append(line);
    }
    const int trials = args.size() > 2 ? args.at(2).toInt() : 20;
    const double timeLimit = args.size() > 3 ? args.at(3).toDouble() : 10;
    std::vector<int> lengths {200, 500, 1500, 5000};
    if (args.size() > 4) {
        lengths.clear();
        for (const QString &l : args.at(4).split(QLatin1Char(',')))
            lengths.push_back(l.toInt());
    }
    const std::vector<Cell> allCells {{1, false, "k = 1"}, {2, false, "k = 2, cyclic"}, {3, false, "k = 3, cyclic"},
                                      {2, true, "k = 2, random"}, {3, true, "k = 3, random"}};
    std::vector<Cell> cells;
    const QString cellFilter = args.size() > 5 ? args.at(5) : QStringLiteral("1c,2c,3c,3r");
    for (const Cell &cell : allCells) {
        const QString name = QStringLiteral("%1%2").arg(cell.alphabetCount).arg(QLatin1Char(cell.randomChoice ? 'r' : 'c'));
        if (cellFilter.split(QLatin1Char(',')).contains(name))
            cells.push_back(cell);
    }

    LanguageModel model;
    QString error;
    if (!model.loadBuiltIn(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    std::printf("| codes | key | median accuracy | min accuracy | median time, s | max time, s | median restarts |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const int length : lengths) {
        for (const Cell &cell : cells) {
            std::vector<double> accuracies, times, restarts;
            for (int trial = 0; trial < trials; ++trial) {
                QRandomGenerator random(quint32(length * 1000 + cell.alphabetCount * 10 + cell.randomChoice) * 7919u + quint32(trial));
                const KeyTable table = randomKeyTable(random);
                RandomCodeChoice choice(random);
                // Consecutive paragraphs from a random one on, cut at the length.
                int paragraph = int(random.bounded(paragraphs.size()));
                int codes = 0;
                QString ciphertext;
                std::vector<int> truth;
                while (codes < length) {
                    QString text = paragraphs.at(paragraph);
                    paragraph = (paragraph + 1) % paragraphs.size();
                    int cut = 0;
                    while (cut < text.size() && codes < length) {
                        if (symbolOf(text.at(cut)) >= 0) {
                            truth.push_back(symbolOf(text.at(cut).toUpper()));
                            ++codes;
                        }
                        ++cut;
                    }
                    text.truncate(cut);
                    ciphertext += cell.randomChoice ? encryptHomophonic(table, text, cell.alphabetCount, choice)
                                                    : encryptHomophonic(table, text, cell.alphabetCount);
                    ciphertext += QLatin1Char('\n');
                }
                const CipherText cipher = readCipherText(ciphertext);
                CrackOptions options;
                options.seed = random.generate64();
                options.timeLimitSeconds = timeLimit;
                const CrackResult result = crackHomophonic(cipher, model, options);
                int right = 0, at = 0;
                for (const qint16 unit : cipher.units) {
                    if (unit < 0)
                        continue;
                    right += at < int(truth.size()) && result.symbolOfCode[unit] == truth[at];
                    ++at;
                }
                accuracies.push_back(100.0 * right / qMax(1, at));
                if (qEnvironmentVariableIsSet("CRACK_DEBUG")) {
                    std::array<int, CodeCount> trueMap;
                    trueMap.fill(-1);
                    for (int row = 0; row < SymbolCount; ++row)
                        for (int column = 0; column < cell.alphabetCount; ++column)
                            trueMap[table[row].codes[column].toInt()] = row;
                    std::fprintf(stderr, "acc %.1f found %.3f true %.3f k %d choice %d restarts %d\n",
                                 accuracies.back(), result.score, model.averageScore(cipher.plaintext(trueMap)),
                                 result.alphabetCount, int(result.choice), result.restarts);
                }
                times.push_back(result.seconds);
                restarts.push_back(result.restarts);
            }
            std::printf("| %d | %s | %.1f %% | %.1f %% | %.2f | %.2f | %.0f |\n", length, cell.title,
                        median(accuracies), *std::min_element(accuracies.begin(), accuracies.end()),
                        median(times), *std::max_element(times.begin(), times.end()), median(restarts));
            std::fflush(stdout);
        }
    }
    return 0;
}
