// The README's chart: one plaintext, its codes under three equal codes a
// symbol (the fixed table, key 3, codes in turn) and under a hundred codes
// dealt in proportion to Russian (seed 2026, random choice from seed 1).
//
//   threekeychart PROSE.txt OUTPUT.svg      (PROSE in UTF-8)
#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencymeasures.h"
#include "keytable.h"
#include "languagemodel.h"
#include "lineend.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3) {
        std::fputs("usage: threekeychart PROSE.txt OUTPUT.svg\n", stderr);
        return 2;
    }
    QFile input(arguments.at(1));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(arguments.at(1)), qPrintable(input.errorString()));
        return 1;
    }
    const QByteArray prose = input.readAll();

    Cryptanalysis::LanguageModel model;
    QString error;
    if (!model.loadBuiltIn(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QRandomGenerator tableSource = seededGenerator(2026);
    const KeyTable proportional = randomKeyTable(tableSource, proportionalRowLengths(model.symbolCounts(), 100));
    QRandomGenerator choiceSource = seededGenerator(1);
    RandomCodeChoice choice(choiceSource);

    SideBySideAnalysis threeCodes(fixedKeyTable(), homophonicLineEncryption(fixedKeyTable(), 3));
    SideBySideAnalysis hundredCodes(proportional, randomLineEncryption(proportional, 100, choice));
    forEachLine(prose.constData(), prose.constData() + prose.size(), [&](const char *begin, const char *end, LineEnding) {
        const QString line = QString::fromUtf8(begin, int(end - begin));
        threeCodes.addLine(line);
        hundredCodes.addLine(line);
    });

    const FrequencyCounts plain = threeCodes.plainCounts();
    const FrequencyCounts three = threeCodes.cipherCounts();
    const FrequencyCounts hundred = hundredCodes.cipherCounts();
    const QByteArray svg = frequencyChartSvg(
        {{&plain, QStringLiteral("Открытый текст")},
         {&three, QStringLiteral("Три кода у символа")},
         {&hundred, QStringLiteral("100 кодов по частотам, случайно")}},
        QStringLiteral("Один текст: символы, три равных кода, коды пропорционально частотам"));
    QSaveFile output(arguments.at(2));
    if (!output.open(QIODevice::WriteOnly) || output.write(svg) != svg.size() || !output.commit()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(arguments.at(2)), qPrintable(output.errorString()));
        return 1;
    }
    // The README's table, from the same counts.
    for (const auto &[name, counts] : {std::pair{"plain", &plain}, {"three", &three}, {"hundred", &hundred}}) {
        const FrequencyMeasures m = measureFrequencies(*counts);
        std::printf("%-8s N %lld  ioc %.4f  entropy %.2f of %.2f  peak %.1f %% (%s)  seen %d  peak/uniform %.2f\n", name,
                    qint64(m.total), m.ioc, m.entropy, m.maxEntropy, 100 * m.peak,
                    qPrintable(counts->labels.value(m.peakIndex)), m.seen, m.peakRelative);
    }
    return 0;
}
