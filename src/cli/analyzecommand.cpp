// analyze: the frequencies of a plaintext's symbols or a ciphertext's codes,
// or of a plaintext beside its own ciphertext, as a table, as JSON and as a
// chart.
#include "commandline.h"
#include "commands.h"
#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencyreport.h"
#include "linereader.h"
#include "markedinput.h"
#include "textencoding.h"

#include <QFile>

#include <functional>
#include <memory>
#include <optional>

namespace {

enum class ReadStatus { Done, ReadFailed, LineTooLong };

struct TextReading
{
    ReadStatus status = ReadStatus::Done;
    qint64 lineNumber = 0; // of the line too long
    // Lines come as bytes in this encoding; a byte-order mark overrides the
    // one chosen.
    const TextEncoding *encoding = nullptr;
};

// Hands every line of input to onLine, with the encoding its bytes are in.
TextReading readLines(QIODevice &input, const TextEncoding *chosen,
                      const std::function<void(const Line &, const TextEncoding &)> &onLine)
{
    TextReading reading;
    MarkedInput marked(input);
    reading.encoding = marked.mark() == MarkedInput::Mark::None ? chosen : TextEncoding::utf8();
    LineReader reader(marked);
    Line line;
    while (reader.next(line)) {
        ++reading.lineNumber;
        onLine(line, *reading.encoding);
    }
    if (reader.readFailed())
        reading.status = ReadStatus::ReadFailed;
    else if (reader.lineTooLong())
        reading.status = ReadStatus::LineTooLong, ++reading.lineNumber;
    return reading;
}

} // namespace

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
        alphabetCount = chosenKey(invocation);
        if (alphabetCount == 0)
            return UsageError;
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
    const std::optional<HomophoneTable> table = chosenTable(invocation, status);
    if (!table)
        return status;

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

    const auto reportReading = [&](const TextReading &reading) {
        if (reading.status == ReadStatus::ReadFailed) {
            reportReadFailure(invocation, input);
            return false;
        }
        if (reading.status == ReadStatus::LineTooLong) {
            reportError(QStringLiteral("строка %1 (%2) длиннее %3 МиБ, такие строки не поддерживаются")
                            .arg(reading.lineNumber)
                            .arg(describeInput(invocation.value(options.input)))
                            .arg(LineReader::MaxLineBytes >> 20));
            return false;
        }
        return true;
    };

    // Without --as, a file that can be read twice is read once as what its
    // first bytes look like, tallying the guess on the way; only when the
    // whole text turns out to be the other kind is it read again. A pipe is
    // read once, counting both readings, and the guess picks one at the end.
    std::optional<CodeTokenTally> wholeTally;
    FrequencyAnalysis::Reading reading = givenReading.value_or(FrequencyAnalysis::Reading::Guess);
    if (alphabetCount == 0 && !givenReading && !input.isSequential()) {
        QByteArray head = input.read(64 * 1024);
        if (input.error() != QFileDevice::NoError || !input.seek(0)) {
            reportReadFailure(invocation, input);
            return FileError;
        }
        head.replace('\n', ' ').replace('\r', ' ');
        CodeTokenTally headTally;
        headTally.addBytes(head.constData(), int(head.size()));
        reading = headTally.looksLikeCipher() ? FrequencyAnalysis::Reading::Cipher : FrequencyAnalysis::Reading::Plain;
        wholeTally.emplace();
    }

    std::unique_ptr<FrequencyAnalysis> analysis;
    std::unique_ptr<SideBySideAnalysis> sideBySide;
    QString text;
    const auto countLine = [&](const Line &line, const TextEncoding &lineEncoding) {
        if (!analysis && !sideBySide) {
            if (alphabetCount > 0) {
                sideBySide = std::make_unique<SideBySideAnalysis>(
                    *table, choice.isRandom() ? randomLineEncryption(*table, alphabetCount, *choice.random())
                                              : homophonicLineEncryption(*table, alphabetCount));
            } else {
                analysis = std::make_unique<FrequencyAnalysis>(reading, *table, lineEncoding.byteDecoding());
            }
        }
        if (analysis && lineEncoding.byteDecoding()) {
            analysis->addBytes(line.data, line.size);
            return;
        }
        lineEncoding.decode(line.data, line.size, text);
        if (analysis)
            analysis->addLine(text);
        else
            sideBySide->addLine(text);
    };
    const TextReading read = readLines(input, encoding, [&](const Line &line, const TextEncoding &lineEncoding) {
        if (wholeTally)
            wholeTally->addBytes(line.data, line.size);
        countLine(line, lineEncoding);
    });
    if (!reportReading(read))
        return FileError;
    if (wholeTally && wholeTally->looksLikeCipher() != (reading == FrequencyAnalysis::Reading::Cipher)) {
        reading = wholeTally->looksLikeCipher() ? FrequencyAnalysis::Reading::Cipher
                                                : FrequencyAnalysis::Reading::Plain;
        analysis.reset();
        if (!input.seek(0)) {
            reportReadFailure(invocation, input);
            return FileError;
        }
        if (!reportReading(readLines(input, encoding, countLine)))
            return FileError;
    }

    FrequencyCounts plain;
    FrequencyCounts cipher;
    bool hasPlain = false;
    bool hasCipher = false;
    if (sideBySide) {
        plain = sideBySide->plainCounts();
        cipher = sideBySide->cipherCounts();
        hasPlain = hasCipher = true;
    } else if (analysis) {
        (analysis->kind() == TextKind::Plain ? plain : cipher) = analysis->counts();
        (analysis->kind() == TextKind::Plain ? hasPlain : hasCipher) = true;
    }
    const qint64 characters = (hasPlain ? plain.total() + plain.other : 0) + (hasCipher ? cipher.total() + cipher.other : 0);
    if (characters == 0) {
        reportError(describeInput(invocation.value(options.input))
                    + QStringLiteral(": текст пуст, считать нечего"));
        return FileError;
    }
    const FrequencyCounts *plainShown = hasPlain ? &plain : nullptr;
    const FrequencyCounts *cipherShown = hasCipher ? &cipher : nullptr;

    if (chart && !(chart->write(frequencyChartSvg(plainShown, cipherShown)) && chart->finish()))
        return FileError;

    QByteArray bytes;
    if (json) {
        bytes = frequencyJson(plainShown, cipherShown);
    } else {
        QString shown;
        if (wholeTally)
            shown = guessStatement(*wholeTally) + QStringLiteral("\n\n");
        else if (analysis && analysis->guessed())
            shown = guessStatement(analysis->tally()) + QStringLiteral("\n\n");
        shown += sideBySide ? sideBySideTextReport(plain, cipher) : frequencyTextReport(hasPlain ? plain : cipher);
        bytes = shown.toLocal8Bit();
    }
    return report.write(bytes) && report.finish() ? Success : FileError;
}
