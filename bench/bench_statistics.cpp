// Throughput of frequency and pair counting over Windows-1251 bytes, split
// into lines as the command-line tool hands them over. Bytes per second count
// the input.
#include "frequencycount.h"
#include "pairstatistics.h"

#include <QTextCodec>

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

namespace {

// Lines of Russian-looking text, or their encryption, in Windows-1251.
QByteArray sampleText(bool encrypted, int size)
{
    const QString alphabet = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                                            "АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ     ,.");
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> pick(0, alphabet.size() - 1);
    const LineEncryption encrypt = homophonicLineEncryption(fixedKeyTable(), 3);
    QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
    QByteArray text;
    while (text.size() < size) {
        QString line;
        for (int i = 0; i < 80; ++i)
            line.append(alphabet.at(pick(random)));
        if (encrypted) {
            QString cipher;
            encrypt(line, cipher);
            line = cipher;
        }
        text += codec->fromUnicode(line) + '\n';
    }
    return text;
}

template <typename Count>
void eachLine(const QByteArray &text, Count &&count)
{
    const char *data = text.constData();
    const char *end = data + text.size();
    while (data < end) {
        const char *lineEnd = static_cast<const char *>(std::memchr(data, '\n', std::size_t(end - data)));
        if (!lineEnd)
            lineEnd = end;
        count(data, int(lineEnd - data));
        data = lineEnd + 1;
    }
}

void analyze(benchmark::State &state)
{
    const auto reading = FrequencyAnalysis::Reading(state.range(0));
    const QByteArray text = sampleText(reading == FrequencyAnalysis::Reading::Cipher, 16 << 20);
    const KeyTable &table = fixedKeyTable();
    const ByteDecoding *bytes = TextEncoding::windows1251()->byteDecoding();
    for (auto _ : state) {
        FrequencyAnalysis analysis(reading, table, bytes);
        eachLine(text, [&](const char *line, int size) { analysis.addBytes(line, size); });
        benchmark::DoNotOptimize(analysis.counts());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

// Every text analyze reads as symbols has its pairs counted too, on the
// same bytes: this is what that adds. The sample's Ё, Й and punctuation (one
// character in twelve) are the slow case of the two-byte lookup; prose, with
// fewer, goes about twice as fast (bench/analyze_throughput.sh times prose).
void pairs(benchmark::State &state)
{
    const QByteArray text = sampleText(false, 16 << 20);
    const ByteDecoding *bytes = TextEncoding::windows1251()->byteDecoding();
    for (auto _ : state) {
        PairCounter counter(bytes);
        eachLine(text, [&](const char *line, int size) { counter.addBytes(line, size); });
        benchmark::DoNotOptimize(counter.counts().total());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

} // namespace

// 0 plaintext, 1 ciphertext, 2 guessing (both counted).
BENCHMARK(analyze)->Arg(0)->Arg(1)->Arg(2)->ArgName("reading")->Unit(benchmark::kMillisecond);
BENCHMARK(pairs)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
