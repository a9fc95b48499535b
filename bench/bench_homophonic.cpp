// Throughput of homophonic encryption and decryption on long lines, with the
// fixed table and with a random key table in the same run, and with random
// homophones. Bytes per second count the input line's UTF-16 bytes.
#include "homophonic.h"
#include "keytable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Russian-looking text: table letters in both cases, spaces and a little
// punctuation, the mix the window sees.
QString sampleLine(int length)
{
    const QString alphabet = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                                            "АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ     ,.");
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> pick(0, alphabet.size() - 1);
    QString line;
    line.reserve(length);
    for (int i = 0; i < length; ++i)
        line.append(alphabet.at(pick(random)));
    return line;
}

enum TableKind { FixedTable, RandomKeyTable };

KeyTable benchTable(int kind)
{
    KeyTable table = fixedKeyTable();
    if (kind == RandomKeyTable) {
        QRandomGenerator source = seededGenerator(20261207);
        table = randomKeyTable(source);
    }
    return table;
}

void countRate(benchmark::State &state, const QString &line)
{
    state.SetBytesProcessed(state.iterations() * line.size() * qint64(sizeof(QChar)));
    state.counters["chars/s"] = benchmark::Counter(double(line.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void encrypt(benchmark::State &state)
{
    const QString line = sampleLine(int(state.range(0)));
    const int key = int(state.range(1));
    const KeyTable table = benchTable(int(state.range(2)));
    for (auto _ : state)
        benchmark::DoNotOptimize(encryptHomophonic(table, line, key));
    countRate(state, line);
}

// Random homophones from a seeded source, or from the system's (1).
void encryptRandomChoice(benchmark::State &state)
{
    const QString line = sampleLine(int(state.range(0)));
    const int key = int(state.range(1));
    const KeyTable table = benchTable(RandomKeyTable);
    QRandomGenerator seeded(1);
    RandomCodeChoice choice(state.range(2) == 1 ? *QRandomGenerator::system() : seeded);
    for (auto _ : state)
        benchmark::DoNotOptimize(encryptHomophonic(table, line, key, choice));
    countRate(state, line);
}

void decrypt(benchmark::State &state)
{
    const int key = int(state.range(1));
    KeyTable table = benchTable(int(state.range(2)));
    const QString line = encryptHomophonic(table, sampleLine(int(state.range(0)) / 3), key);
    for (auto _ : state)
        benchmark::DoNotOptimize(decryptHomophonic(table, line, key));
    countRate(state, line);
}

// Third argument: the table (0 fixed, 1 a random key table), or for random
// choice the source (0 seeded, 1 the system's).
void lineSizesKeysAndTables(benchmark::internal::Benchmark *bench)
{
    for (const int kib : {64, 1024, 16 * 1024}) {
        for (int key = 1; key <= 3; ++key) {
            for (int third = 0; third <= 1; ++third)
                bench->Args({kib * 1024, key, third});
        }
    }
    // On a shared machine the fastest repetition is the least disturbed one.
    bench->Unit(benchmark::kMillisecond)->ComputeStatistics("min", [](const std::vector<double> &values) {
        return *std::min_element(values.begin(), values.end());
    });
}

} // namespace

BENCHMARK(encrypt)->Apply(lineSizesKeysAndTables)->ArgNames({"chars", "key", "keytable"});
BENCHMARK(decrypt)->Apply(lineSizesKeysAndTables)->ArgNames({"chars", "key", "keytable"});
BENCHMARK(encryptRandomChoice)->Apply(lineSizesKeysAndTables)->ArgNames({"chars", "key", "system"});

BENCHMARK_MAIN();
