// table and keygen: the homophone table, the fixed one or a key file, and
// new key files made at random.
#include "commandline.h"
#include "commands.h"
#include "homophonic.h"
#include "keytable.h"
#include "languagemodel.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>

int runTable(const Invocation &invocation)
{
    int status = Success;
    const std::optional<KeyTable> table = chosenTable(invocation, status);
    if (!table)
        return status;
    // Key files are UTF-8 whatever the terminal, so that `table > key.txt`
    // is a key file.
    OutputTarget output((QString()));
    return output.open(invocation.closed) && output.write(keyTableText(*table).toUtf8()) && output.finish()
        ? Success
        : FileError;
}

namespace {

// How many codes each symbol gets, from --homophones, --codes and --corpus,
// and the comment that tells how they were dealt (empty for three each, as
// keys have always been written). Empty after an error, which has been
// reported; status then holds the exit status.
std::optional<std::array<int, 32>> chosenRowLengths(const Invocation &invocation, QString &dealing, int &status)
{
    const Options &options = invocation.options;
    status = UsageError;
    const bool proportional = invocation.value(options.homophones) == QLatin1String("proportional");
    if (!proportional) {
        for (const QCommandLineOption *dealt : {&options.codes, &options.corpus}) {
            if (invocation.isSet(*dealt)) {
                usageError(QStringLiteral("параметр ") + quoted(dashed(dealt->names().constLast()))
                           + QStringLiteral(" нужен только с --homophones proportional"));
                return std::nullopt;
            }
        }
        std::array<int, 32> lengths = ThreeCodesEach;
        if (invocation.isSet(options.homophones)) {
            const std::optional<quint64> each = chosenWholeNumber(
                invocation, options.homophones,
                QStringLiteral("число кодов у символа (или proportional) должно"), 1, 3);
            if (!each)
                return std::nullopt;
            lengths.fill(int(*each));
            dealing = equalDealing(int(*each));
        }
        return lengths;
    }

    int codes = 100;
    if (invocation.isSet(options.codes)) {
        const std::optional<quint64> given
            = chosenWholeNumber(invocation, options.codes, QStringLiteral("число кодов должно"), 32, 100);
        if (!given)
            return std::nullopt;
        codes = int(*given);
    }
    status = FileError;
    std::array<quint64, Cryptanalysis::SymbolCount> counts {};
    QString source;
    if (invocation.isSet(options.corpus)) {
        QFile corpus(invocation.value(options.corpus));
        if (!corpus.open(QIODevice::ReadOnly)) {
            reportError(QStringLiteral("не удалось открыть ") + describeInput(corpus.fileName())
                        + QStringLiteral(": ") + corpus.errorString());
            return std::nullopt;
        }
        Cryptanalysis::NgramCounts ngrams;
        QString error;
        if (!ngrams.addCorpus(corpus, &error)) {
            reportError(describeInput(corpus.fileName()) + QStringLiteral(": ") + error);
            return std::nullopt;
        }
        if (ngrams.symbolTotal() == 0) {
            reportError(describeInput(corpus.fileName())
                        + QStringLiteral(": в тексте нет ни одного символа таблицы, считать частоты не по чему"));
            return std::nullopt;
        }
        counts = ngrams.symbolCounts();
        source = QStringLiteral("в корпусе ") + quoted(QFileInfo(corpus.fileName()).fileName());
    } else {
        Cryptanalysis::LanguageModel model;
        QString error;
        if (!model.loadBuiltIn(&error)) {
            reportError(QStringLiteral("модель языка не загружена: ") + error);
            return std::nullopt;
        }
        counts = model.symbolCounts();
        source = QStringLiteral("во встроенной модели русского языка");
    }
    dealing = proportionalDealing(codes, source);
    return proportionalRowLengths(counts, codes);
}

} // namespace

int runKeygen(const Invocation &invocation)
{
    bool ok = true;
    const std::optional<quint64> seed = chosenSeed(invocation, ok);
    if (!ok)
        return UsageError;
    QString dealing;
    int status = Success;
    const std::optional<std::array<int, 32>> lengths = chosenRowLengths(invocation, dealing, status);
    if (!lengths)
        return status;
    KeyTable table;
    if (seed) {
        QRandomGenerator source = seededGenerator(*seed);
        table = randomKeyTable(source, *lengths);
    } else {
        table = randomKeyTable(*QRandomGenerator::system(), *lengths);
    }
    OutputTarget output(invocation.value(invocation.options.output), OutputTarget::Readers::OwnerOnly);
    return output.open(invocation.closed)
            && output.write(keyFileText(table, QDateTime::currentDateTime(), seed, dealing).toUtf8())
            && output.finish()
        ? Success
        : FileError;
}
