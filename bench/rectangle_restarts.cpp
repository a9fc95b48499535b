// How often one restart of the Playfair and two-square search finds the key,
// and what it costs, over held-out Russian text: the numbers behind
// RectangleSchedule, measured in CPU time so that a busy machine does not
// bend them. For each cell, each trial's text is searched RESTARTS times
// from fresh random rectangles; prints one tab-separated line a cell:
//   symbols  cipher  per-restart-success  cpu-per-restart  expected-share-within-20-cpu-s  model-faults
// per-restart-success: the mean over texts of the share of restarts that
// read at least 95 % of the symbols as the true key does. expected share:
// the mean over texts of 1 − (1 − p)^(20 s / cost), what the attack would
// read with both cores for 10 s if restarts were independent. model-faults:
// trials where a restart that reads wrong scores above the true key.
//
//   rectangle_restarts TEXTS TRIALS RESTARTS CELLS
// RECT_SCHEDULE=name=value,... overrides numbers of RectangleSchedule as
// rectangle_accuracy does.
#include "alphabet.h"
#include "heldouttext.h"
#include "keywordcolumns.h"
#include "languagemodel.h"
#include "rectanglesearch.h"
#include "rectangleschedulenames.h"
#include "symbolkeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <thread>
#include <vector>

using namespace Cryptanalysis;

namespace {

double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Trial
{
    double success = 0;
    double cost = 0;
    bool modelFault = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList paragraphs;
    int trials = 0;
    const char *const usage = "rectangle_restarts TEXTS TRIALS RESTARTS CELLS";
    if (const int status = readTextsAndTrials(args, 5, usage, paragraphs, trials))
        return status;
    const int restarts = args.at(3).toInt();
    if (restarts < 1) {
        std::fprintf(stderr, "RESTARTS must be at least 1\n");
        return 2;
    }
    RectangleSchedule schedule;
    if (!applyScheduleNames(qEnvironmentVariable("RECT_SCHEDULE"), schedule))
        return 2;
    LanguageModel model;
    QString error;
    if (!model.loadBuiltIn(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QRegularExpression cellPattern(QStringLiteral("^(\\d+):([pt])$"));
    for (const QString &written : args.at(4).split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = cellPattern.match(written);
        if (!match.hasMatch())
            return 2;
        const int length = match.captured(1).toInt();
        const bool twoSquare = match.captured(2) == QLatin1String("t");
        const RectangleVariant variant = twoSquare ? RectangleVariant::TwoSquare : RectangleVariant::Playfair;
        const CoarseScores coarse(model, schedule.floorNats(variant));

        std::vector<Trial> results(static_cast<std::size_t>(trials));
        std::atomic<int> next { 0 };
        const auto work = [&] {
            for (int trial = next++; trial < trials; trial = next++) {
                const QStringList only = qEnvironmentVariable("RECT_TRIALS").split(QLatin1Char(','), Qt::SkipEmptyParts);
                if (!only.isEmpty() && !only.contains(QString::number(trial)))
                    continue;
                // The same texts and keys as rectangle_accuracy's.
                QRandomGenerator random(quint32(length * 2 + twoSquare) * 7919u + quint32(trial));
                const QString plaintext = heldOutText(paragraphs, length, random);
                const SymbolKey key =
                    SymbolKeys::randomRectangles(twoSquare ? SymbolRule::TwoSquare : SymbolRule::Playfair, random);
                const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
                if (qEnvironmentVariableIsSet("RECT_SHOW"))
                    std::fprintf(stderr, "trial %d: %s\n", trial, qPrintable(plaintext));
                const std::vector<std::int8_t> truth = Alphabet::indicesOf(SymbolCipher(key).decrypt(ciphertext));
                const KeywordCipherText text = KeywordCipherText::fromText(ciphertext);
                QElapsedTimer clock;
                clock.start();
                const Deadline never(clock, qint64(1) << 40);
                const std::vector<CellLock> locks;
                const std::vector<Crib> cribs;
                RectangleKey trueKey;
                trueKey.first = Polygram::Rectangle::of(key.alphabet);
                trueKey.second = twoSquare ? Polygram::Rectangle::of(key.second) : trueKey.first;
                RectangleSearch probe(variant, text, model, coarse, locks, cribs, schedule, never, 1);
                const qint64 trueScore = probe.scoreOf(trueKey);
                int found = 0;
                qint64 bestScore = std::numeric_limits<qint64>::min();
                const double started = threadSeconds();
                for (int r = 0; r < restarts; ++r) {
                    RectangleSearch search(variant, text, model, coarse, locks, cribs, schedule, never,
                                           random.generate64());
                    const RectangleOutcome outcome = search.run();
                    bestScore = std::max(bestScore, outcome.total);
                    int right = 0;
                    for (int i = 0; i + 1 < text.size(); i += 2) {
                        int a = text.symbols[std::size_t(i)], b = text.symbols[std::size_t(i + 1)];
                        outcome.key.decrypt(variant, a, b);
                        right += (a == truth[std::size_t(i)]) + (b == truth[std::size_t(i + 1)]);
                    }
                    const bool read = right * 100 >= 95 * text.size();
                    found += read;
                    if (!read && outcome.total > trueScore)
                        results[std::size_t(trial)].modelFault = true;
                }
                results[std::size_t(trial)].success = double(found) / restarts;
                results[std::size_t(trial)].cost = (threadSeconds() - started) / restarts;
                const double perSymbol = double(LanguageModel::Scale) * text.size();
                std::fprintf(stderr, "%d:%s trial %d: %d/%d  %.3f s  best %.3f true %.3f%s\n", length,
                             qPrintable(match.captured(2)), trial, found, restarts, results[std::size_t(trial)].cost,
                             double(bestScore) / perSymbol, double(trueScore) / perSymbol,
                             results[std::size_t(trial)].modelFault ? "  model fault" : "");
            }
        };
        std::vector<std::thread> threads;
        for (unsigned t = 0; t < qMax(1u, std::thread::hardware_concurrency()); ++t)
            threads.emplace_back(work);
        for (std::thread &thread : threads)
            thread.join();

        double success = 0, cost = 0, expected = 0;
        int faults = 0;
        for (const Trial &trial : results) {
            success += trial.success;
            cost += trial.cost;
            expected += 1.0 - std::pow(1.0 - trial.success, 20.0 / qMax(1e-6, trial.cost));
            faults += trial.modelFault;
        }
        std::printf("%d\t%s\t%.3f\t%.3f\t%.0f\t%d\n", length, qPrintable(match.captured(2)), success / trials,
                    cost / trials, 100.0 * expected / trials, faults);
        std::fflush(stdout);
    }
    return 0;
}
