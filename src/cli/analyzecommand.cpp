// analyze: the frequencies of a plaintext's symbols or a ciphertext's codes,
// or of a plaintext beside its own ciphertext, as a table, as JSON and as a
// chart.
#include "commandline.h"
#include "commands.h"
#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencyreport.h"
#include "linereader.h"
#include "options.h"
#include "periodreport.h"
#include "textanalysis.h"

#include <QFile>

#include <optional>

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
    const bool json = *format == QLatin1String("json");
    std::optional<int> alphabetCount = 0;
    if (!invocation.isSet("key")) {
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

    const std::optional<CodeChoiceOptions> choiceOptions = chosenCodeChoice(invocation);
    if (!choiceOptions)
        return UsageError;
    CodeChoice choice(*choiceOptions);
    const std::optional<KeyTable> table = chosenTable(invocation);
    if (!table)
        return UsageError;
    if (invocation.isSet("key") && givesOwnTable(invocation)) {
        alphabetCount = chosenKey(invocation, *table);
        if (!alphabetCount)
            return UsageError;
    }

    const QString inputName = invocation.value("input");
    QFile input;
    if (!openInput(inputName, invocation.closed, input))
        return FileError;
    // Both outputs are opened first: a run over a large file should not end
    // in a failure to write that was known from the start.
    OutputTarget report((QString()));
    if (!report.open(invocation.closed))
        return FileError;
    std::optional<OutputTarget> chart;
    if (invocation.isSet("chart")) {
        chart.emplace(invocation.value("chart"));
        if (!chart->open(invocation.closed))
            return FileError;
    }
    std::optional<OutputTarget> periodChart;
    if (invocation.isSet("period-chart")) {
        periodChart.emplace(invocation.value("period-chart"));
        if (!periodChart->open(invocation.closed))
            return FileError;
    }

    AnalysisJob job;
    job.encoding = encoding;
    job.reading = givenReading.value_or(FrequencyAnalysis::Reading::Guess);
    job.table = &*table;
    job.alphabetCount = *alphabetCount;
    job.randomChoice = choice.random();
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
    const FrequencyCounts *plainShown = outcome.plain ? &*outcome.plain : nullptr;
    const FrequencyCounts *cipherShown = outcome.cipher ? &*outcome.cipher : nullptr;

    if (chart && !(chart->write(frequencyChartSvg(plainShown, cipherShown)) && chart->finish()))
        return FileError;
    // The period statistics of the text as read: of a plaintext, or of a
    // ciphertext whose symbols are the alphabet's.
    const PeriodReport periods = periodReportOf(outcome.periodSymbols);
    if (periodChart) {
        if (periods.byPeriod.empty()) {
            reportError(describeInput(inputName)
                        + QStringLiteral(": символов алфавита слишком мало для графика по периодам (%1)")
                              .arg(periods.symbols));
            return FileError;
        }
        if (!(periodChart->write(periodChartSvg(periods)) && periodChart->finish()))
            return FileError;
    }

    QByteArray bytes;
    if (json) {
        bytes = frequencyJson(plainShown, cipherShown, periods.symbols > 0 ? periodJson(periods) : QJsonObject());
    } else {
        QString shown;
        if (outcome.guess)
            shown = guessStatement(*outcome.guess) + QStringLiteral("\n\n");
        shown += plainShown && cipherShown ? sideBySideTextReport(*plainShown, *cipherShown)
                                           : frequencyTextReport(plainShown ? *plainShown : *cipherShown);
        if (periods.symbols > 0)
            shown += QLatin1Char('\n') + periodTextReport(periods);
        bytes = shown.toLocal8Bit();
    }
    return report.write(bytes) && report.finish() ? Success : FileError;
}
