// A stand-in for `homophonic analyze` until the command-line tool has it:
// reads a text through the tool's own line reader and encodings and prints
// the frequency statistics, so that the README chart and the throughput
// figures come from the library as the tool will call it.
//
//   frequency-preview [--input FILE] [--encoding windows-1251|utf-8]
//                     [--as plain|cipher] [--key K] [--format text|json]
//                     [--chart FILE.svg]
#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencyreport.h"
#include "linereader.h"
#include "textencoding.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <memory>

namespace {

int fail(const QString &message, int status)
{
    std::fputs(qPrintable(QStringLiteral("frequency-preview: ") + message + QLatin1Char('\n')), stderr);
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption input(QStringLiteral("input"), QStringLiteral("файл"), QStringLiteral("FILE"));
    const QCommandLineOption encoding(QStringLiteral("encoding"), QStringLiteral("кодировка"), QStringLiteral("E"),
                                      QStringLiteral("windows-1251"));
    const QCommandLineOption as(QStringLiteral("as"), QStringLiteral("plain или cipher"), QStringLiteral("KIND"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("ключ"), QStringLiteral("K"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("text или json"), QStringLiteral("F"),
                                    QStringLiteral("text"));
    const QCommandLineOption chart(QStringLiteral("chart"), QStringLiteral("SVG"), QStringLiteral("FILE"));
    parser.addOptions({ input, encoding, as, key, format, chart });
    if (!parser.parse(app.arguments()))
        return fail(parser.errorText(), 2);

    const TextEncoding *textEncoding = parser.value(encoding) == QLatin1String("utf-8") ? TextEncoding::utf8()
                                                                                        : TextEncoding::windows1251();
    QFile file;
    const bool fromStdin = !parser.isSet(input);
    if (fromStdin ? !file.open(stdin, QIODevice::ReadOnly) : (file.setFileName(parser.value(input)),
                                                                 !file.open(QIODevice::ReadOnly)))
        return fail(QStringLiteral("не удалось открыть ") + file.fileName() + QStringLiteral(": ") + file.errorString(),
                    1);
    // A file that can be read twice is guessed by a quick first pass, so that
    // the second counts one reading only; a pipe is read once, counting both.
    CodeTokenTally firstPass;
    const bool twoPasses = !parser.isSet(key) && !parser.isSet(as) && !fromStdin && !file.isSequential();
    if (twoPasses) {
        LineReader scan(file);
        scan.skipUtf8ByteOrderMark();
        Line line;
        while (scan.next(line))
            firstPass.addBytes(line.data, line.size);
        if (scan.readFailed() || scan.lineTooLong() || !file.seek(0))
            return fail(QStringLiteral("не удалось прочитать ") + file.fileName(), 1);
    }
    LineReader reader(file);
    const bool utf8 = reader.skipUtf8ByteOrderMark() || textEncoding->kind() == TextEncoding::Kind::Utf8;

    HomophoneTable table;
    fillHomophoneTable(table);
    ByteDecoding bytes;
    const bool byteTable = !utf8 && windows1251Decoding(bytes);

    std::unique_ptr<FrequencyAnalysis> analysis;
    std::unique_ptr<SideBySideAnalysis> sideBySide;
    if (parser.isSet(key)) {
        sideBySide = std::make_unique<SideBySideAnalysis>(table, homophonicLineEncryption(table, parser.value(key).toInt()));
    } else {
        const FrequencyAnalysis::Reading reading = twoPasses
            ? (firstPass.looksLikeCipher() ? FrequencyAnalysis::Reading::Cipher : FrequencyAnalysis::Reading::Plain)
            : !parser.isSet(as)                                     ? FrequencyAnalysis::Reading::Guess
            : parser.value(as) == QLatin1String("cipher")           ? FrequencyAnalysis::Reading::Cipher
                                                                     : FrequencyAnalysis::Reading::Plain;
        analysis = std::make_unique<FrequencyAnalysis>(reading, table, byteTable ? &bytes : nullptr);
    }

    Line line;
    QString text;
    while (reader.next(line)) {
        if (analysis && byteTable) {
            analysis->addBytes(line.data, line.size);
            continue;
        }
        (utf8 ? TextEncoding::utf8() : textEncoding)->decode(line.data, line.size, text);
        if (analysis)
            analysis->addLine(text);
        else
            sideBySide->addLine(text);
    }
    if (reader.readFailed() || reader.lineTooLong())
        return fail(QStringLiteral("не удалось прочитать ") + file.fileName(), 1);

    FrequencyCounts plain;
    FrequencyCounts cipher;
    const FrequencyCounts *plainShown = nullptr;
    const FrequencyCounts *cipherShown = nullptr;
    if (sideBySide) {
        plain = sideBySide->plainCounts();
        cipher = sideBySide->cipherCounts();
        plainShown = &plain;
        cipherShown = &cipher;
    } else if (analysis->kind() == TextKind::Plain) {
        plain = analysis->counts();
        plainShown = &plain;
    } else {
        cipher = analysis->counts();
        cipherShown = &cipher;
    }
    if ((plainShown ? plain.total() + plain.other : 0) + (cipherShown ? cipher.total() + cipher.other : 0) == 0)
        return fail(QStringLiteral("входной текст пуст"), 1);

    QByteArray out;
    if (parser.value(format) == QLatin1String("json")) {
        out = frequencyJson(plainShown, cipherShown);
    } else {
        QString report;
        if (twoPasses || (analysis && analysis->guessed()))
            report = guessStatement(twoPasses ? firstPass : analysis->tally()) + QStringLiteral("\n\n");
        report += sideBySide ? sideBySideTextReport(plain, cipher)
                             : frequencyTextReport(plainShown ? plain : cipher);
        out = report.toUtf8();
    }
    if (std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout) != std::size_t(out.size()))
        return fail(QStringLiteral("не удалось записать результат"), 1);

    if (parser.isSet(chart)) {
        QSaveFile svg(parser.value(chart));
        if (!svg.open(QIODevice::WriteOnly) || svg.write(frequencyChartSvg(plainShown, cipherShown)) < 0
            || !svg.commit())
            return fail(QStringLiteral("не удалось записать ") + svg.fileName() + QStringLiteral(": ")
                            + svg.errorString(),
                        1);
    }
    return 0;
}
