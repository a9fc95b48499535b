// Throughput of homophonic encryption and decryption on long lines.
// Bytes per second count the input line's UTF-16 bytes.
#include "homophonic.h"

#include <benchmark/benchmark.h>

#include <random>

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

void encrypt(benchmark::State &state)
{
    const QString line = sampleLine(int(state.range(0)));
    const int key = int(state.range(1));
    HomophoneTable table;
    for (auto _ : state) {
        fillHomophoneTable(table);
        benchmark::DoNotOptimize(encryptHomophonic(table, line, key));
    }
    state.SetBytesProcessed(state.iterations() * line.size() * qint64(sizeof(QChar)));
    state.counters["chars/s"] = benchmark::Counter(double(line.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void decrypt(benchmark::State &state)
{
    const int key = int(state.range(1));
    HomophoneTable table;
    fillHomophoneTable(table);
    const QString line = encryptHomophonic(table, sampleLine(int(state.range(0)) / 3), key);
    for (auto _ : state)
        benchmark::DoNotOptimize(decryptHomophonic(table, line, key));
    state.SetBytesProcessed(state.iterations() * line.size() * qint64(sizeof(QChar)));
    state.counters["chars/s"] = benchmark::Counter(double(line.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void lineSizesAndKeys(benchmark::internal::Benchmark *bench)
{
    for (const int kib : {64, 1024, 16 * 1024}) {
        for (int key = 1; key <= 3; ++key)
            bench->Args({kib * 1024, key});
    }
    bench->ArgNames({"chars", "key"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(encrypt)->Apply(lineSizesAndKeys);
BENCHMARK(decrypt)->Apply(lineSizesAndKeys);

BENCHMARK_MAIN();
