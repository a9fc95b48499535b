// analyze: the frequencies of a plaintext's symbols or a ciphertext's codes,
// or of a plaintext beside its own ciphertext under any family's key, with
// the pairs of symbols and the period statistics, as a table, as JSON and as
// charts.
#include "commandline.h"
#include "commands.h"
#include "familyoptions.h"
#include "frequencychart.h"
#include "linereader.h"
#include "options.h"
#include "pairreport.h"
#include "periodreport.h"
#include "textanalysis.h"

#include <QFile>

#include <optional>
#include <utility>
#include <vector>

namespace {

// Opens the chart file that option names, when it is given; false after a
// failure, which has been reported.
bool openChart(const Invocation &invocation, const char *option, std::optional<OutputTarget> &chart)
{
    if (!invocation.isSet(option))
        return true;
    chart.emplace(invocation.value(option));
    return chart->open(invocation.closed);
}

// No file changes unless every output is written whole; the report, on
// standard output, is written last of all, before the charts replace their files.
bool writeOutputs(const std::vector<std::pair<OutputTarget *, QByteArray>> &outputs)
{
    for (const auto &[target, bytes] : outputs) {
        if (!target->write(bytes) || !target->flush())
            return false;
    }
    for (const auto &output : outputs) {
        if (!output.first->commit())
            return false;
    }
    return true;
}

// Reads the input as the job says and writes the report and the charts the
// command line asks for.
int analyzeInput(const Invocation &invocation, const AnalysisJob &job, bool json)
{
    const QString inputName = invocation.value("input");
    QFile input;
    if (!openInput(inputName, invocation.closed, input))
        return FileError;
    // Every output is opened first: a run over a large file should not end
    // in a failure to write that was known from the start.
    OutputTarget report((QString()));
    if (!report.open(invocation.closed))
        return FileError;
    std::optional<OutputTarget> chart;
    std::optional<OutputTarget> periodChart;
    std::optional<OutputTarget> pairChart;
    if (!openChart(invocation, "chart", chart) || !openChart(invocation, "period-chart", periodChart)
        || !openChart(invocation, "pair-chart", pairChart))
        return FileError;

    const AnalysisOutcome outcome = analyzeText(input, job);
    if (outcome.status == AnalysisOutcome::Status::ReadFailed) {
        reportReadFailure(inputName, input);
        return FileError;
    }
    if (outcome.status == AnalysisOutcome::Status::LineTooLong) {
        reportError(QStringLiteral("строка %1 (%2) длиннее %3 МиБ, такие строки не поддерживаются")
                        .arg(outcome.lineNumber)
                        .arg(describeInput(inputName))
                        .arg(LineReader::MaxLineBytes >> 20));
        return FileError;
    }

    const qint64 characters = (outcome.plain ? outcome.plain->total() + outcome.plain->other : 0)
        + (outcome.cipher ? outcome.cipher->total() + outcome.cipher->other : 0);
    if (characters == 0) {
        reportError(describeInput(inputName)
                    + QStringLiteral(": текст пуст, считать нечего"));
        return FileError;
    }
    const PeriodReport periods = periodReportOf(outcome.periodSymbols);

    // A chart that cannot be drawn is found before any file is written.
    if (periodChart && periods.byPeriod.empty()) {
        reportError(describeInput(inputName)
                    + QStringLiteral(": символов алфавита слишком мало для графика по периодам (%1)")
                          .arg(periods.symbols));
        return FileError;
    }
    if (pairChart && !outcome.plainPairs) {
        reportError(describeInput(inputName)
                    + QStringLiteral(": текст прочитан как шифртекст из кодов, пар символов алфавита в нём нет; "
                                     "прочитать его как открытый текст: --as plain"));
        return FileError;
    }
    if (pairChart && outcome.plainPairs->total() == 0) {
        reportError(describeInput(inputName)
                    + QStringLiteral(": ни в одной строке нет двух символов алфавита, пар для графика нет"));
        return FileError;
    }
    const auto given = [](const auto &optional) { return optional ? &*optional : nullptr; };
    std::vector<std::pair<OutputTarget *, QByteArray>> outputs;
    if (chart)
        outputs.emplace_back(&*chart, frequencyChartSvg(given(outcome.plain), given(outcome.cipher)));
    if (periodChart)
        outputs.emplace_back(&*periodChart, periodChartSvg(periods));
    if (pairChart)
        outputs.emplace_back(&*pairChart, pairChartSvg(given(outcome.plainPairs), given(outcome.cipherPairs)));
    outputs.emplace_back(&report, json ? analysisJson(outcome, periods)
                                       : analysisTextReport(outcome, periods).toLocal8Bit());
    return writeOutputs(outputs) ? Success : FileError;
}

} // namespace

int runAnalyze(const Invocation &invocation)
{
    const std::optional<QString> as = chosenWord(invocation, "as", QStringLiteral("вид текста"));
    if (!as)
        return UsageError;
    std::optional<FrequencyAnalysis::Reading> givenReading;
    if (*as == QLatin1String("plain"))
        givenReading = FrequencyAnalysis::Reading::Plain;
    else if (*as == QLatin1String("cipher"))
        givenReading = FrequencyAnalysis::Reading::Cipher;
    const std::optional<QString> format = chosenWord(invocation, "format", QStringLiteral("формат"));
    if (!format)
        return UsageError;
    const std::optional<const CipherFamily *> family = chosenFamily(invocation);
    if (!family)
        return UsageError;

    // Another family's key is its inline form or its key file; the table
    // is then the fixed one, whose symbols are the alphabet.
    const bool homophonic = (*family)->isHomophonic();
    std::optional<int> alphabetCount = 0;
    std::optional<SymbolKey> symbolKey;
    if (!homophonic) {
        if (invocation.isSet("seed"))
            return usageError(QStringLiteral("параметр %1 — только для гомофонической замены со случайным выбором "
                                             "кодов, а выбран шифр «%2» (%3)")
                                  .arg(quoted(dashed(QStringLiteral("seed"))), (*family)->name(), (*family)->title()));
        if (givenReading == FrequencyAnalysis::Reading::Cipher)
            return usageError(QStringLiteral("с ключом текст шифруется, значит, он открытый: --as cipher не подходит"));
        symbolKey = chosenSymbolKey(invocation, **family);
        if (!symbolKey)
            return UsageError;
    } else if (!invocation.isSet("key")) {
        for (const char *encrypting : { "table", "key-file", "choice", "seed" }) {
            if (invocation.isSet(encrypting))
                return usageError(QStringLiteral("параметр ") + quoted(dashed(QLatin1String(encrypting)))
                                  + QStringLiteral(" нужен, только когда текст шифруется: с --key"));
        }
    } else {
        if (!givesOwnTable(invocation)) {
            alphabetCount = chosenKey(invocation, fixedKeyTable());
            if (!alphabetCount)
                return UsageError;
        }
        if (givenReading == FrequencyAnalysis::Reading::Cipher)
            return usageError(QStringLiteral("с --key текст шифруется, значит, он открытый: --as cipher не подходит"));
    }
    const std::optional<TextEncoding::Kind> encodingKind = chosenEncoding(invocation);
    if (!encodingKind)
        return UsageError;
    const TextEncoding *encoding = loadedEncoding(*encodingKind);
    if (!encoding)
        return FileError;

    std::optional<CodeChoiceOptions> choiceOptions = CodeChoiceOptions();
    std::optional<KeyTable> table = fixedKeyTable();
    if (homophonic) {
        choiceOptions = chosenCodeChoice(invocation);
        if (!choiceOptions)
            return UsageError;
        table = chosenTable(invocation);
        if (!table)
            return UsageError;
        if (invocation.isSet("key") && givesOwnTable(invocation)) {
            alphabetCount = chosenKey(invocation, *table);
            if (!alphabetCount)
                return UsageError;
        }
    }
    CodeChoice choice(*choiceOptions);
    std::optional<SymbolCipher> symbolCipher;
    if (symbolKey)
        symbolCipher.emplace(*symbolKey);

    AnalysisJob job;
    job.encoding = encoding;
    job.reading = givenReading.value_or(FrequencyAnalysis::Reading::Guess);
    job.table = &*table;
    job.alphabetCount = *alphabetCount;
    job.randomChoice = choice.random();
    job.symbolCipher = symbolCipher ? &*symbolCipher : nullptr;
    return analyzeInput(invocation, job, *format == QLatin1String("json"));
}
