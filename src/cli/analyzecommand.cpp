// analyze: the frequencies of a plaintext's symbols or a ciphertext's codes,
// or of a plaintext beside its own ciphertext, as a table, as JSON and as a
// chart.
#include "commandline.h"
#include "commands.h"
#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencyreport.h"
#include "linereader.h"
#include "textanalysis.h"

#include <QFile>

#include <optional>

int runAnalyze(const Invocation &invocation)
{
    const Options &options = invocation.options;

    std::optional<FrequencyAnalysis::Reading> givenReading;
    if (invocation.isSet(options.as)) {
        const QString as = invocation.value(options.as);
        if (as == QLatin1String("plain"))
            givenReading = FrequencyAnalysis::Reading::Plain;
        else if (as == QLatin1String("cipher"))
            givenReading = FrequencyAnalysis::Reading::Cipher;
        else
            return usageError(QStringLiteral("неизвестный вид текста ") + quoted(as)
                              + QStringLiteral(": ожидается plain или cipher"));
    }
    bool json = false;
    if (invocation.isSet(options.format)) {
        const QString format = invocation.value(options.format);
        if (format == QLatin1String("json"))
            json = true;
        else if (format != QLatin1String("text"))
            return usageError(QStringLiteral("неизвестный формат ") + quoted(format)
                              + QStringLiteral(": ожидается text или json"));
    }
    int alphabetCount = 0;
    if (!invocation.isSet(options.key)) {
        for (const QCommandLineOption *encrypting : { &options.table, &options.choice, &options.seed }) {
            if (invocation.isSet(*encrypting))
                return usageError(QStringLiteral("параметр ") + quoted(dashed(encrypting->names().constLast()))
                                  + QStringLiteral(" нужен, только когда текст шифруется: с --key"));
        }
    } else {
        if (!invocation.isSet(options.table)) {
            alphabetCount = chosenKey(invocation, fixedKeyTable());
            if (alphabetCount == 0)
                return UsageError;
        }
        if (givenReading == FrequencyAnalysis::Reading::Cipher)
            return usageError(QStringLiteral("с --key текст шифруется, значит, он открытый: --as cipher не подходит"));
    }
    int status = Success;
    const TextEncoding *encoding = chosenEncoding(invocation, status);
    if (!encoding)
        return status;

    CodeChoice choice;
    if (!choice.parse(invocation))
        return UsageError;
    const std::optional<KeyTable> table = chosenTable(invocation, status);
    if (!table)
        return status;
    if (invocation.isSet(options.key) && invocation.isSet(options.table)) {
        alphabetCount = chosenKey(invocation, *table);
        if (alphabetCount == 0)
            return UsageError;
    }

    QFile input;
    if (!openInput(invocation, input))
        return FileError;
    // Both outputs are opened first: a run over a large file should not end
    // in a failure to write that was known from the start.
    OutputTarget report((QString()));
    if (!report.open(invocation.closed))
        return FileError;
    std::optional<OutputTarget> chart;
    if (invocation.isSet(options.chart)) {
        chart.emplace(invocation.value(options.chart));
        if (!chart->open(invocation.closed))
            return FileError;
    }

    AnalysisJob job;
    job.encoding = encoding;
    job.reading = givenReading.value_or(FrequencyAnalysis::Reading::Guess);
    job.table = &*table;
    job.alphabetCount = alphabetCount;
    job.randomChoice = choice.isRandom() ? choice.random() : nullptr;
    const AnalysisOutcome outcome = analyzeText(input, job);
    if (outcome.status == AnalysisOutcome::Status::ReadFailed) {
        reportReadFailure(invocation, input);
        return FileError;
    }
    if (outcome.status == AnalysisOutcome::Status::LineTooLong) {
        reportError(QStringLiteral("строка %1 (%2) длиннее %3 МиБ, такие строки не поддерживаются")
                        .arg(outcome.lineNumber)
                        .arg(describeInput(invocation.value(options.input)))
                        .arg(LineReader::MaxLineBytes >> 20));
        return FileError;
    }

    const qint64 characters = (outcome.plain ? outcome.plain->total() + outcome.plain->other : 0)
        + (outcome.cipher ? outcome.cipher->total() + outcome.cipher->other : 0);
    if (characters == 0) {
        reportError(describeInput(invocation.value(options.input))
                    + QStringLiteral(": текст пуст, считать нечего"));
        return FileError;
    }
    const FrequencyCounts *plainShown = outcome.plain ? &*outcome.plain : nullptr;
    const FrequencyCounts *cipherShown = outcome.cipher ? &*outcome.cipher : nullptr;

    if (chart && !(chart->write(frequencyChartSvg(plainShown, cipherShown)) && chart->finish()))
        return FileError;

    QByteArray bytes;
    if (json) {
        bytes = frequencyJson(plainShown, cipherShown);
    } else {
        QString shown;
        if (outcome.guess)
            shown = guessStatement(*outcome.guess) + QStringLiteral("\n\n");
        shown += plainShown && cipherShown ? sideBySideTextReport(*plainShown, *cipherShown)
                                           : frequencyTextReport(plainShown ? *plainShown : *cipherShown);
        bytes = shown.toLocal8Bit();
    }
    return report.write(bytes) && report.finish() ? Success : FileError;
}
