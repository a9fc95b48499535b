// table and keygen: the homophone table, the fixed one or a key file, and
// new key files made at random.
#include "commandline.h"
#include "commands.h"
#include "familyoptions.h"
#include "homophonic.h"
#include "keytable.h"
#include "languagemodel.h"
#include "options.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>

int runTable(const Invocation &invocation)
{
    const std::optional<KeyTable> table = chosenTable(invocation);
    if (!table)
        return UsageError;
    // Key files are UTF-8 whatever the terminal, so that `table > key.txt`
    // is a key file.
    OutputTarget output((QString()));
    return output.open(invocation.closed) && output.write(keyTableText(*table).toUtf8()) && output.finish()
        ? Success
        : FileError;
}

namespace {

// How many codes each symbol gets, from --homophones, --codes and --corpus.
struct DealingOptions
{
    bool proportional = false;
    // Codes for each symbol, when --homophones gives a number.
    std::optional<int> each;
    int codes = 100;
    // Empty: the built-in model's counts.
    QString corpus;
};

std::optional<DealingOptions> chosenDealing(const Invocation &invocation)
{
    DealingOptions options;
    options.proportional = invocation.value("homophones") == QLatin1String("proportional");
    if (!options.proportional) {
        for (const char *dealt : { "codes", "corpus" }) {
            if (invocation.isSet(dealt)) {
                usageError(QStringLiteral("параметр ") + quoted(dashed(QLatin1String(dealt)))
                           + QStringLiteral(" нужен только с --homophones proportional"));
                return std::nullopt;
            }
        }
        if (invocation.isSet("homophones")) {
            const std::optional<quint64> each = chosenWholeNumber(
                invocation, "homophones", QStringLiteral("число кодов у символа (или proportional) должно"), 1, 3);
            if (!each)
                return std::nullopt;
            options.each = int(*each);
        }
        return options;
    }
    if (invocation.isSet("codes")) {
        const std::optional<quint64> codes
            = chosenWholeNumber(invocation, "codes", QStringLiteral("число кодов должно"), 32, 100);
        if (!codes)
            return std::nullopt;
        options.codes = int(*codes);
    }
    options.corpus = invocation.value("corpus");
    return options;
}

// The length of each row as options deal them, and the comment that tells
// how they were dealt (empty for three each, as keys have always been
// written). Empty after a failure to read the counts, which has been
// reported.
std::optional<std::array<int, 32>> rowLengths(const DealingOptions &options, QString &dealing)
{
    if (!options.proportional) {
        std::array<int, 32> lengths = ThreeCodesEach;
        if (options.each) {
            lengths.fill(*options.each);
            dealing = equalDealing(*options.each);
        }
        return lengths;
    }

    std::array<quint64, Cryptanalysis::SymbolCount> counts {};
    QString source;
    if (!options.corpus.isEmpty()) {
        QFile corpus(options.corpus);
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
    dealing = proportionalDealing(options.codes, source);
    return proportionalRowLengths(counts, options.codes);
}

} // namespace

namespace {

// A new key of a symbol family, from the seed or the system's source.
int makeSymbolKey(const Invocation &invocation, const CipherFamily &family, std::optional<quint64> seed)
{
    for (const char *homophonic : { "homophones", "codes", "corpus" }) {
        if (invocation.isSet(homophonic))
            return usageError(QStringLiteral("параметр %1 — только для гомофонической замены, а выбран шифр «%2» (%3)")
                                  .arg(quoted(dashed(QLatin1String(homophonic))), family.name(), family.title()));
    }
    SymbolKey key;
    if (seed) {
        QRandomGenerator source = seededGenerator(*seed);
        key = family.randomKey(source);
    } else {
        key = family.randomKey(*QRandomGenerator::system());
    }
    if (!applyFiller(invocation, key))
        return UsageError;
    OutputTarget output(invocation.value("output"), OutputTarget::Readers::OwnerOnly);
    return output.open(invocation.closed)
            && output.write(family.keyFileText(key, QDateTime::currentDateTime(), seed).toUtf8())
            && output.finish()
        ? Success
        : FileError;
}

} // namespace

int runKeygen(const Invocation &invocation)
{
    const std::optional<const CipherFamily *> family = chosenFamily(invocation);
    if (!family)
        return UsageError;
    std::optional<quint64> seed;
    if (invocation.isSet("seed")) {
        seed = chosenSeed(invocation);
        if (!seed)
            return UsageError;
    }
    if (!(*family)->isHomophonic())
        return makeSymbolKey(invocation, **family, seed);
    const std::optional<DealingOptions> dealingOptions = chosenDealing(invocation);
    if (!dealingOptions)
        return UsageError;
    QString dealing;
    const std::optional<std::array<int, 32>> lengths = rowLengths(*dealingOptions, dealing);
    if (!lengths)
        return FileError;
    KeyTable table;
    if (seed) {
        QRandomGenerator source = seededGenerator(*seed);
        table = randomKeyTable(source, *lengths);
    } else {
        table = randomKeyTable(*QRandomGenerator::system(), *lengths);
    }
    OutputTarget output(invocation.value("output"), OutputTarget::Readers::OwnerOnly);
    return output.open(invocation.closed)
            && output.write(keyFileText(table, QDateTime::currentDateTime(), seed, dealing).toUtf8())
            && output.finish()
        ? Success
        : FileError;
}
