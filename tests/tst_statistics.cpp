#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencymeasures.h"
#include "frequencyreport.h"
#include "keytable.h"
#include "pairreport.h"
#include "pairstatistics.h"
#include "periodicity.h"
#include "symbolcipher.h"
#include "symbolkeys.h"
#include "languagemodel.h"
#include "scripteddevice.h"
#include "textanalysis.h"
#include "textencoding.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Ordinary Russian prose without digits (digits in plaintext would be read
// back as codes), several long lines as a file would hold them.
const char *const prose[] = {
    "Осенью в нашем городе рано темнеет, и по вечерам в окнах библиотеки долго горит свет. "
    "Студенты сидят над старыми книгами, листают пожелтевшие страницы и выписывают в тетради "
    "то, что завтра придётся рассказывать на семинаре. Кто-то читает о войнах прошлого века, "
    "кто-то разбирается в устройстве паровой машины, а кто-то просто смотрит в окно на мокрые крыши.",
    "Мой знакомый преподаватель любит повторять, что любая тайна держится только до тех пор, пока "
    "никто не стал внимательно считать. Он говорит это с улыбкой, но всерьёз: шифр, который прячет "
    "слова, но оставляет нетронутыми их привычки, рано или поздно выдаст себя. Частая буква останется "
    "частой, редкая останется редкой, и терпеливый читатель найдёт их по одним только числам.",
    "Летом мы ездили к бабушке в деревню. Дорога шла через лес, потом вдоль реки, где по утрам над водой "
    "стоял густой туман. Бабушка встречала нас у калитки, ставила на стол горячие пироги и парное молоко, "
    "а вечером рассказывала длинные истории о том, как жили люди в её молодости, когда не было ни "
    "телевизора, ни телефона, а письма шли неделями.",
    "Чтобы научиться читать чужие шифровки, сначала нужно научиться писать свои. Возьмите короткую фразу, "
    "замените каждую букву условным знаком и попросите друга разгадать её. Скорее всего, он начнёт с того, "
    "что найдёт самый частый знак и предположит, что это пробел или буква о. Так и начинается частотный "
    "анализ, старейший приём криптографии.",
    "Зимой река замерзает, и по льду можно перейти на другой берег, где стоит старая мельница. Её колесо "
    "давно не вращается, крыша прохудилась, но летом туда всё равно приходят рыбаки и художники. Одни "
    "ловят окуней, другие пишут этюды, и никто никому не мешает. Только ветер шумит в щелях да скрипит "
    "рассохшаяся дверь.",
    "Говорят, что хороший учебник должен объяснять сложное простыми словами. С этим трудно спорить, но "
    "ещё важнее, чтобы он учил задавать вопросы. Почему этот способ работает? Где его слабое место? Что "
    "изменится, если взять другой ключ? Ученик, который привык так спрашивать, разберётся и в том, чего "
    "нет ни в одном учебнике.",
};

QStringList proseLines()
{
    QStringList lines;
    for (int round = 0; round < 8; ++round) {
        for (const char *paragraph : prose)
            lines.append(QString::fromUtf8(paragraph));
    }
    return lines;
}

FrequencyCounts symbolCountsOf(const QStringList &lines)
{
    SymbolCounter counter(fixedKeyTable());
    for (const QString &line : lines)
        counter.addLine(line);
    return counter.counts();
}

FrequencyCounts codeCountsOf(const QStringList &lines)
{
    CodeCounter counter;
    for (const QString &line : lines)
        counter.addLine(line);
    return counter.counts();
}

QVariantMap seenCounts(const FrequencyCounts &counts)
{
    QVariantMap seen;
    for (int i = 0; i < int(counts.counts.size()); ++i) {
        if (counts.counts[i] > 0)
            seen.insert(counts.labels[i], counts.counts[i]);
    }
    return seen;
}

QVariantMap map(std::initializer_list<std::pair<const char *, qint64>> entries)
{
    QVariantMap result;
    for (const auto &entry : entries)
        result.insert(QString::fromUtf8(entry.first), entry.second);
    return result;
}

QString smile()
{
    return QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, a surrogate pair
}

double entropyTerm(double count, double total)
{
    return count / total * std::log2(total / count);
}

// The pairs seen, each written as its two symbols (the space as itself).
QVariantMap seenPairs(const PairCounts &pairs)
{
    QVariantMap seen;
    for (int first = 0; first < Alphabet::Size; ++first) {
        for (int second = 0; second < Alphabet::Size; ++second) {
            if (pairs.at(first, second) > 0)
                seen.insert(QString(Alphabet::symbol(first)) + Alphabet::symbol(second), pairs.at(first, second));
        }
    }
    return seen;
}

// Renders an SVG picture with rsvg-convert, as a browser would show it.
QImage rendered(const QByteArray &svg)
{
    // ./test installs librsvg2-bin, so a missing renderer is a failure.
    const QString renderer = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (renderer.isEmpty()) {
        qWarning("rsvg-convert not found: install librsvg2-bin");
        return QImage();
    }
    QTemporaryDir dir;
    QFile svgFile(dir.filePath(QStringLiteral("chart.svg")));
    if (!dir.isValid() || !svgFile.open(QIODevice::WriteOnly) || svgFile.write(svg) != svg.size())
        return QImage();
    svgFile.close();
    const QString png = dir.filePath(QStringLiteral("chart.png"));
    QProcess render;
    render.start(renderer, { QStringLiteral("--format=png"), QStringLiteral("--output"), png, svgFile.fileName() });
    if (!render.waitForFinished(60000) || render.exitStatus() != QProcess::NormalExit || render.exitCode() != 0) {
        qWarning("%s", render.readAllStandardError().constData());
        return QImage();
    }
    return QImage(png);
}

} // namespace

class StatisticsTest : public QObject
{
    Q_OBJECT

private slots:
    void symbolMeasures_data();
    void symbolMeasures();
    void codeCounts_data();
    void codeCounts();
    void maxEntropyFollowsTheLabels();
    void bytesCountAsTheirDecodedText();
    void symbolsCountAsEncryptionWritesThem();
    void guess_data();
    void guess();
    void guessStatementNamesTheReadingAndShare();
    void wholeTextsAreTalliedByTheirLines_data();
    void wholeTextsAreTalliedByTheirLines();
    void filesAreReadAsTheirWholeTextSays_data();
    void filesAreReadAsTheirWholeTextSays();
    void readErrorIsReported();
    void codesSplitSharesByTheKey_data();
    void codesSplitSharesByTheKey();
    void keyOneMapsSymbolsOntoTheirCodes();
    void proportionalKeyFlattensTheCodes_data();
    void proportionalKeyFlattensTheCodes();
    void peakRelativeToAUniformShare();
    void jsonHoldsEveryField_data();
    void jsonHoldsEveryField();
    void textReportFitsEightyColumns_data();
    void textReportFitsEightyColumns();
    void textReportSortsByCountAndStatesMeasures();
    void chartIsValidAndRenders_data();
    void chartIsValidAndRenders();
    void chartPanelsShareOneScale();
    void columnsAreShiftedPlaintextColumns_data();
    void columnsAreShiftedPlaintextColumns();
    void pairsAreCountedLineByLine_data();
    void pairsAreCountedLineByLine();
    void pairMeasures_data();
    void pairMeasures();
    void pairJsonHoldsTheWholeTable();
    void pairReportFitsEightyColumns_data();
    void pairReportFitsEightyColumns();
    void pairChartIsValidAndRenders_data();
    void pairChartIsValidAndRenders();
};

void StatisticsTest::symbolMeasures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariantMap>("counts");
    QTest::addColumn<qint64>("other");
    QTest::addColumn<double>("ioc");
    QTest::addColumn<double>("entropy");
    QTest::addColumn<double>("peak");
    QTest::addColumn<QString>("peakLabel");

    QTest::newRow("one symbol repeated coincides always and carries no information")
        << QStringLiteral("ААААА") << map({ { "А", 5 } }) << qint64(0) << 1.0 << 0.0 << 1.0 << QStringLiteral("А");

    QVariantMap everyOnce;
    for (const KeyRow &row : fixedKeyTable())
        everyOnce.insert(row.symbol, 1);
    QTest::newRow("every symbol once never coincides and has the maximum entropy")
        << QStringLiteral(" АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ") << everyOnce << qint64(0) << 0.0 << 5.0 << 1.0 / 32
        << QStringLiteral(" ");

    // М 4, А 4, space 2, Ы Л Р У once: 14 in all.
    QTest::newRow("a known sentence")
        << QStringLiteral("МАМА МЫЛА РАМУ")
        << map({ { "М", 4 }, { "А", 4 }, { " ", 2 }, { "Ы", 1 }, { "Л", 1 }, { "Р", 1 }, { "У", 1 } }) << qint64(0)
        << (4 * 3 + 4 * 3 + 2 * 1) / (14.0 * 13)
        << 2 * entropyTerm(4, 14) + entropyTerm(2, 14) + 4 * entropyTerm(1, 14) << 4 / 14.0 << QStringLiteral("А");

    // м а м а , _ ё ж и к _ й о д ! : Ё, Й and punctuation are outside the table.
    QTest::newRow("lower case counts as its capital, Ё Й and punctuation as other")
        << QStringLiteral("мама, ёжик йод!")
        << map({ { "М", 2 }, { "А", 2 }, { " ", 2 }, { "Ж", 1 }, { "И", 1 }, { "К", 1 }, { "О", 1 }, { "Д", 1 } })
        << qint64(4) << 6 / (11.0 * 10) << 3 * entropyTerm(2, 11) + 5 * entropyTerm(1, 11) << 2 / 11.0
        << QStringLiteral(" ");

    QTest::newRow("a surrogate pair is one other character")
        << QStringLiteral("Я") + smile() + QStringLiteral("Я") << map({ { "Я", 2 } }) << qint64(1) << 1.0 << 0.0
        << 1.0 << QStringLiteral("Я");
    QTest::newRow("a lone low surrogate is one other character too")
        << QStringLiteral("Я") + QChar(0xDE00) + smile() << map({ { "Я", 1 } }) << qint64(2) << 0.0 << 0.0 << 1.0
        << QStringLiteral("Я");
    QTest::newRow("an empty text measures zero everywhere")
        << QString() << QVariantMap() << qint64(0) << 0.0 << 0.0 << 0.0 << QString();
}

void StatisticsTest::symbolMeasures()
{
    QFETCH(QString, text);
    QFETCH(QVariantMap, counts);
    QFETCH(qint64, other);
    QFETCH(double, ioc);
    QFETCH(double, entropy);
    QFETCH(double, peak);
    QFETCH(QString, peakLabel);

    const FrequencyCounts result = symbolCountsOf({ text });
    QCOMPARE(seenCounts(result), counts);
    QCOMPARE(result.other, other);

    const FrequencyMeasures measures = measureFrequencies(result);
    qint64 total = 0;
    for (const QVariant &count : counts)
        total += count.toLongLong();
    QCOMPARE(measures.total, total);
    QVERIFY2(std::abs(measures.ioc - ioc) < 1e-12, qPrintable(QString::number(measures.ioc, 'g', 17)));
    QVERIFY2(std::abs(measures.entropy - entropy) < 1e-12, qPrintable(QString::number(measures.entropy, 'g', 17)));
    QVERIFY2(std::abs(measures.peak - peak) < 1e-12, qPrintable(QString::number(measures.peak, 'g', 17)));
    QCOMPARE(measures.peakIndex >= 0 ? result.labels[measures.peakIndex] : QString(), peakLabel);
    QCOMPARE(measures.maxEntropy, 5.0);
}

void StatisticsTest::codeCounts_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QVariantMap>("counts");
    QTest::addColumn<qint64>("other");

    QTest::newRow("every code counts whatever the key")
        << QStringLiteral("00 32 64 99 00 ") << map({ { "00", 2 }, { "32", 1 }, { "64", 1 }, { "99", 1 } }) << qint64(0);
    QTest::newRow("copied punctuation is other") << QStringLiteral("15 , 00 ! ") << map({ { "15", 1 }, { "00", 1 } })
                                                 << qint64(2);
    QTest::newRow("a copied tab is other") << QStringLiteral("01 \t 02 ") << map({ { "01", 1 }, { "02", 1 } })
                                           << qint64(1);
    QTest::newRow("a copied surrogate pair is one character")
        << QStringLiteral("01 ") + smile() + QStringLiteral(" ") << map({ { "01", 1 } }) << qint64(1);
    QTest::newRow("a lone digit is other") << QStringLiteral("7 ") << QVariantMap() << qint64(1);
    QTest::newRow("letters without separators are read two at a time")
        << QStringLiteral("AB CD") << QVariantMap() << qint64(4);
    QTest::newRow("the unit after a code is skipped as its separator, as decryption does")
        << QStringLiteral("0102") << map({ { "01", 1 } }) << qint64(1);
    QTest::newRow("extra spaces are neither codes nor other")
        << QStringLiteral("12    34 ") << map({ { "12", 1 }, { "34", 1 } }) << qint64(0);
    QTest::newRow("a line without its last separator still ends in a code")
        << QStringLiteral("05 06") << map({ { "05", 1 }, { "06", 1 } }) << qint64(0);
}

void StatisticsTest::codeCounts()
{
    QFETCH(QString, line);
    QFETCH(QVariantMap, counts);
    QFETCH(qint64, other);

    const FrequencyCounts result = codeCountsOf({ line });
    QCOMPARE(seenCounts(result), counts);
    QCOMPARE(result.other, other);
    QCOMPARE(result.labels.size(), 100);
    QCOMPARE(result.labels.first(), QStringLiteral("00"));
    QCOMPARE(result.labels.last(), QStringLiteral("99"));
}

void StatisticsTest::maxEntropyFollowsTheLabels()
{
    QCOMPARE(measureFrequencies(codeCountsOf({ QStringLiteral("01 ") })).maxEntropy, std::log2(100.0));
    // Every code once: the largest entropy there is.
    QString allCodes;
    for (int code = 0; code < 100; ++code)
        allCodes += QStringLiteral("%1 ").arg(code, 2, 10, QLatin1Char('0'));
    const FrequencyMeasures measures = measureFrequencies(codeCountsOf({ allCodes }));
    QVERIFY(std::abs(measures.entropy - std::log2(100.0)) < 1e-12);
    QCOMPARE(measures.ioc, 0.0);
}

// The byte path is the fast one; it must agree with the text path on every
// byte, including those that Windows-1251 decodes to spaces, digits,
// upper- and lower-case letters or nothing at all.
void StatisticsTest::bytesCountAsTheirDecodedText()
{
    const TextEncoding *windows1251 = TextEncoding::windows1251();
    QVERIFY(windows1251);
    const ByteDecoding &decoding = *windows1251->byteDecoding();
    QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
    QVERIFY(codec);

    const QByteArray favoured("0123456789      \t\xA0\xC0\xE0\xEE\xCE\xB8\xA8\xC9\xE9,.!AZaz\x98\x88", 36);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> pickFavoured(0, favoured.size() - 1);
    std::uniform_int_distribution<int> lineLength(0, 300);

    const KeyTable table = fixedKeyTable();
    SymbolCounter bytesSymbols(table, &decoding);
    SymbolCounter textSymbols(table);
    CodeCounter bytesCodes(&decoding);
    CodeCounter textCodes;
    CodeTokenTally bytesTally;
    CodeTokenTally textTally;
    PairCounter bytesPairs(&decoding);
    PairCounter textPairs;
    for (int round = 0; round < 400; ++round) {
        QByteArray line;
        const int length = lineLength(random);
        for (int i = 0; i < length; ++i)
            line.append(char(random() % 2 ? favoured.at(pickFavoured(random)) : anyByte(random)));
        const QString text = codec->toUnicode(line);
        QCOMPARE(text.size(), line.size());
        bytesSymbols.addBytes(line.constData(), line.size());
        textSymbols.addLine(text);
        bytesCodes.addBytes(line.constData(), line.size());
        textCodes.addLine(text);
        bytesTally.addBytes(line.constData(), line.size());
        textTally.addLine(text);
        bytesPairs.addBytes(line.constData(), line.size());
        textPairs.addLine(text);
    }
    QCOMPARE(bytesSymbols.counts().counts, textSymbols.counts().counts);
    QCOMPARE(bytesSymbols.counts().other, textSymbols.counts().other);
    QCOMPARE(bytesCodes.counts().counts, textCodes.counts().counts);
    QCOMPARE(bytesCodes.counts().other, textCodes.counts().other);
    QCOMPARE(bytesTally.tokens(), textTally.tokens());
    QCOMPARE(bytesTally.codeTokens(), textTally.codeTokens());
    QCOMPARE(bytesPairs.counts().counts, textPairs.counts().counts);
    QVERIFY(textPairs.counts().total() > 300);
    // The random text is not degenerate: each path saw symbols, codes and others.
    QVERIFY(textSymbols.counts().total() > 1000 && textSymbols.counts().other > 1000);
    QVERIFY2(textCodes.counts().total() > 300 && textCodes.counts().other > 1000,
             qPrintable(QStringLiteral("%1 %2").arg(textCodes.counts().total()).arg(textCodes.counts().other)));
}

// Each character of the Basic Multilingual Plane once: every row counts the
// characters that encryption writes that row's code for, and only those.
void StatisticsTest::symbolsCountAsEncryptionWritesThem()
{
    const KeyTable &table = fixedKeyTable();
    QString text;
    QString separated; // each character followed by '!', so that no two make one token
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        const QChar c{char16_t(unit)};
        if (c.isSurrogate())
            continue;
        text += c;
        separated += c;
        separated += QLatin1Char('!');
    }
    QHash<QString, int> rowOfCode;
    for (int row = 0; row < int(table.size()); ++row)
        rowOfCode.insert(table[row].codes[0], row);
    std::vector<qint64> expected(table.size(), 0);
    qint64 expectedOther = 0;
    KeyTable encryptionTable = table;
    const QStringList tokens = encryptHomophonic(encryptionTable, separated, 1).split(QLatin1Char(' '));
    QCOMPARE(tokens.size(), 2 * text.size() + 1);
    for (int i = 0; i < text.size(); ++i) {
        QCOMPARE(tokens.at(2 * i + 1), QStringLiteral("!"));
        const int row = rowOfCode.value(tokens.at(2 * i), -1);
        if (row >= 0)
            ++expected[row];
        else
            ++expectedOther;
    }

    SymbolCounter counter(table);
    counter.addLine(text);
    const FrequencyCounts counts = counter.counts();
    QCOMPARE(counts.counts, expected);
    QCOMPARE(counts.other, expectedOther);
}

void StatisticsTest::guess_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("cipher");

    const QStringList plain = proseLines();
    QStringList cipher;
    KeyTable table = fixedKeyTable();
    const LineEncryption encrypt = homophonicLineEncryption(table, 3);
    for (const QString &line : plain) {
        QString out;
        encrypt(line, out);
        cipher.append(out);
    }
    QTest::newRow("Russian prose is plaintext") << plain << false;
    QTest::newRow("its encryption is ciphertext") << cipher << true;
    QStringList mixed;
    for (int i = 0; i < plain.size(); ++i)
        mixed.append(i % 2 ? plain[i] : cipher[i]);
    // A line of ciphertext has a token for every character, prose one for a word.
    QTest::newRow("prose and ciphertext line by line is mostly codes") << mixed << true;
    QTest::newRow("prose quoting one line of its ciphertext is plaintext")
        << QStringList(plain.mid(0, 20)) + QStringList { cipher.first() } << false;
    // Й and Ё are outside the table, so encryption copies them and the commas.
    QString list;
    encrypt(QStringLiteral("Й, Ё, Ж, З, И, К"), list);
    QTest::newRow("the ciphertext of a list, copied tokens and all, is ciphertext") << QStringList { list } << true;
    QTest::newRow("one code in two tokens reaches the threshold") << QStringList { QStringLiteral("01 слово") } << true;
    QTest::newRow("four codes in nine tokens fall short")
        << QStringList { QStringLiteral("01 02 03 04 а б в г д") } << false;
    QTest::newRow("a line end separates tokens") << QStringList { QStringLiteral("12"), QStringLiteral("34") } << true;
    QTest::newRow("three digits are not a code")
        << QStringList { QStringLiteral("123 456 789 012 345 678 901 234 567 890") } << false;
    QTest::newRow("runs of spaces make no empty tokens")
        << QStringList { QStringLiteral("   01    02  слово  03 04 05 06 07 08 09 10 11 12 ") } << true;
    QTest::newRow("an empty text is plaintext") << QStringList { QString() } << false;
}

void StatisticsTest::guess()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, cipher);

    FrequencyAnalysis analysis(FrequencyAnalysis::Reading::Guess, fixedKeyTable());
    for (const QString &line : lines)
        analysis.addLine(line);
    QVERIFY(analysis.guessed());
    QCOMPARE(analysis.kind(), cipher ? TextKind::Cipher : TextKind::Plain);
    // The counts are those of the reading taken.
    const FrequencyCounts counts = analysis.counts();
    const FrequencyCounts expected = cipher ? codeCountsOf(lines) : symbolCountsOf(lines);
    QCOMPARE(counts.kind, expected.kind);
    QCOMPARE(counts.counts, expected.counts);
    QCOMPARE(counts.other, expected.other);

    // A reading given is taken whatever the text looks like.
    FrequencyAnalysis given(cipher ? FrequencyAnalysis::Reading::Plain : FrequencyAnalysis::Reading::Cipher,
                            fixedKeyTable());
    for (const QString &line : lines)
        given.addLine(line);
    QVERIFY(!given.guessed());
    QCOMPARE(given.kind(), cipher ? TextKind::Plain : TextKind::Cipher);
}

void StatisticsTest::guessStatementNamesTheReadingAndShare()
{
    CodeTokenTally cipher;
    cipher.addLine(QStringLiteral("01 слово"));
    QCOMPARE(cipher.codeShare(), 0.5);
    QVERIFY2(guessStatement(cipher).contains(QStringLiteral("шифртекст: двузначные коды составляют 50,0 % слов\n"
                                                            "(нужно не меньше 50 %)")),
             qPrintable(guessStatement(cipher)));
    QVERIFY(guessStatement(cipher).contains(QStringLiteral("--as plain")));

    // 4999 codes in 10000 tokens: 49,99 %, not rounded up to the threshold.
    CodeTokenTally justShort;
    for (int i = 0; i < 4999; ++i)
        justShort.addLine(QStringLiteral("01"));
    for (int i = 0; i < 5001; ++i)
        justShort.addLine(QStringLiteral("слово"));
    QVERIFY(!justShort.looksLikeCipher());
    QVERIFY2(guessStatement(justShort).contains(QStringLiteral("открытый: двузначные коды составляют 49,9 % слов\n"
                                                               "(шифртексту нужно не меньше 50 %)")),
             qPrintable(guessStatement(justShort)));
    QVERIFY(guessStatement(justShort).contains(QStringLiteral("--as cipher")));
}

void StatisticsTest::wholeTextsAreTalliedByTheirLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("tokens");
    QTest::addColumn<qint64>("codes");
    QTest::newRow("a line feed ends a token") << QStringLiteral("01\n02") << qint64(2) << qint64(2);
    QTest::newRow("CR LF ends a token") << QStringLiteral("01\r\n02\r\n") << qint64(2) << qint64(2);
    QTest::newRow("a lone CR is a character of its token") << QStringLiteral("01\r02") << qint64(1) << qint64(0);
    QTest::newRow("a lone CR copied between codes is a token") << QStringLiteral("01 \r 02 ") << qint64(3) << qint64(2);
    QTest::newRow("a CR at the end spoils the last code") << QStringLiteral("01 02\r") << qint64(2) << qint64(1);
    QTest::newRow("empty lines add nothing") << QStringLiteral("\n\n01\n\n") << qint64(1) << qint64(1);
}

void StatisticsTest::wholeTextsAreTalliedByTheirLines()
{
    QFETCH(QString, text);
    QFETCH(qint64, tokens);
    QFETCH(qint64, codes);
    CodeTokenTally tally;
    tally.addText(text);
    QCOMPARE(tally.tokens(), tokens);
    QCOMPARE(tally.codeTokens(), codes);
}

void StatisticsTest::filesAreReadAsTheirWholeTextSays_data()
{
    QTest::addColumn<bool>("startsAsCipher"); // the first 64 KiB and more
    QTest::addColumn<bool>("restIsCipher");
    QTest::addColumn<bool>("seekable");
    QTest::addColumn<bool>("cipher");
    // 80 KiB of ciphertext hold about 27 000 codes, 1 MiB of prose about
    // 80 000 words; 80 KiB of prose about 6 000 words.
    QTest::newRow("a file that starts as ciphertext but is mostly prose") << true << false << true << false;
    QTest::newRow("a file that starts as prose but is mostly ciphertext") << false << true << true << true;
    QTest::newRow("a file of ciphertext throughout") << true << true << true << true;
    QTest::newRow("a pipe that starts as ciphertext but is mostly prose") << true << false << false << false;
    QTest::newRow("a pipe that starts as prose but is mostly ciphertext") << false << true << false << true;
}

// Whichever reading the start suggests, the counts are those of the reading
// the whole text asks for, and the guess shown is the whole text's.
void StatisticsTest::filesAreReadAsTheirWholeTextSays()
{
    QFETCH(bool, startsAsCipher);
    QFETCH(bool, restIsCipher);
    QFETCH(bool, seekable);
    QFETCH(bool, cipher);

    const QStringList prose = proseLines();
    QStringList ciphertext;
    const LineEncryption encrypt = homophonicLineEncryption(fixedKeyTable(), 3);
    for (const QString &line : prose) {
        QString out;
        encrypt(line, out);
        ciphertext.append(out);
    }
    QStringList lines;
    int bytes = 0;
    const auto add = [&](bool asCipher, int size) {
        const QStringList &source = asCipher ? ciphertext : prose;
        for (int i = 0; size > 0; ++i) {
            const QString &line = source.at(i % source.size());
            lines.append(line);
            size -= line.toUtf8().size() + 1;
            bytes += line.toUtf8().size() + 1;
        }
    };
    add(startsAsCipher, 80 * 1024);
    add(restIsCipher, restIsCipher ? 300 * 1024 : 1024 * 1024);
    QByteArray text = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    QCOMPARE(text.size(), bytes);

    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    ScriptedDevice pipe(text, 4096, false);
    QIODevice &input = seekable ? static_cast<QIODevice &>(buffer) : pipe;
    AnalysisJob job;
    job.encoding = TextEncoding::utf8();
    const KeyTable table = fixedKeyTable();
    job.table = &table;
    const AnalysisOutcome outcome = analyzeText(input, job);

    QCOMPARE(outcome.status, AnalysisOutcome::Status::Done);
    QVERIFY(outcome.guess);
    QCOMPARE(outcome.guess->looksLikeCipher(), cipher);
    QCOMPARE(bool(outcome.cipher), cipher);
    QCOMPARE(bool(outcome.plain), !cipher);
    const FrequencyCounts counts = cipher ? *outcome.cipher : *outcome.plain;
    const FrequencyCounts expected = cipher ? codeCountsOf(lines) : symbolCountsOf(lines);
    QCOMPARE(counts.counts, expected.counts);
    QCOMPARE(counts.other, expected.other);
    CodeTokenTally whole;
    for (const QString &line : lines)
        whole.addLine(line);
    QCOMPARE(outcome.guess->tokens(), whole.tokens());
    QCOMPARE(outcome.guess->codeTokens(), whole.codeTokens());
}

void StatisticsTest::readErrorIsReported()
{
    ScriptedDevice failing(QByteArray("01 02 03 \n04 05"), 3, true);
    AnalysisJob job;
    job.encoding = TextEncoding::windows1251();
    const KeyTable table = fixedKeyTable();
    job.table = &table;
    QCOMPARE(analyzeText(failing, job).status, AnalysisOutcome::Status::ReadFailed);
}

void StatisticsTest::codesSplitSharesByTheKey_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("two codes per symbol halve the peak and coincidences") << 2;
    QTest::newRow("three codes per symbol cut them to a third") << 3;
}

// With k codes per symbol every share is split about k ways: the peak and the
// index of coincidence fall k-fold and the entropy rises by about log2 k.
void StatisticsTest::codesSplitSharesByTheKey()
{
    QFETCH(int, key);
    SideBySideAnalysis analysis(fixedKeyTable(), homophonicLineEncryption(fixedKeyTable(), key));
    for (const QString &line : proseLines())
        analysis.addLine(line);
    const FrequencyMeasures plain = measureFrequencies(analysis.plainCounts());
    const FrequencyMeasures cipher = measureFrequencies(analysis.cipherCounts());

    QCOMPARE(cipher.total, plain.total);
    const QString figures = QStringLiteral("peak %1 -> %2, ioc %3 -> %4, entropy %5 -> %6")
                                .arg(plain.peak).arg(cipher.peak).arg(plain.ioc).arg(cipher.ioc)
                                .arg(plain.entropy).arg(cipher.entropy);
    QVERIFY2(std::abs(cipher.peak * key / plain.peak - 1) < 0.06, qPrintable(figures));
    QVERIFY2(std::abs(cipher.ioc * key / plain.ioc - 1) < 0.06, qPrintable(figures));
    QVERIFY2(std::abs(cipher.entropy - plain.entropy - std::log2(double(key))) < 0.05, qPrintable(figures));
}

// Russian text drawn from the built-in model's four-grams, lines of about 70
// symbols: its letters come as often as in the model's corpus, its words are
// nobody's, and it can be as long as a test needs.
QStringList sampledRussian(int symbols, quint32 seed)
{
    using namespace Cryptanalysis;
    LanguageModel model;
    QString error;
    if (!model.loadBuiltIn(&error))
        qFatal("%s", qPrintable(error));
    QRandomGenerator random(seed);
    QStringList lines = {QString()};
    int a = Boundary, b = Boundary, c = Boundary;
    for (int written = 0; written < symbols;) {
        std::array<double, SymbolCount> weights;
        double sum = 0;
        for (int d = 0; d < SymbolCount; ++d)
            sum += weights[d] = std::exp(model.score(a, b, c, d) / double(LanguageModel::Scale));
        double draw = random.generateDouble() * sum;
        int d = 0;
        while (d + 1 < SymbolCount && (draw -= weights[d]) >= 0)
            ++d;
        if (d == 0 && lines.last().size() >= 70) {
            lines << QString();
            a = b = c = Boundary;
            continue;
        }
        lines.last() += characterOf(d);
        ++written;
        a = b;
        b = c;
        c = d;
    }
    return lines;
}

void StatisticsTest::proportionalKeyFlattensTheCodes_data()
{
    QTest::addColumn<int>("symbols");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("5,000 symbols") << 5000 << 1u;
    QTest::newRow("5,000 other symbols") << 5000 << 2u;
    QTest::newRow("20,000 symbols") << 20000 << 3u;
}

// A hundred codes dealt in proportion to the model's counts, chosen at
// random: every code near 1 % of the text, the busiest under 2 %, the index
// of coincidence near 1/100 and the entropy within a few tenths of a bit of
// log2 100. Three codes each leave the busiest code several uniform shares
// high; the proportional key brings it under two.
void StatisticsTest::proportionalKeyFlattensTheCodes()
{
    QFETCH(int, symbols);
    QFETCH(quint32, seed);
    Cryptanalysis::LanguageModel model;
    QString error;
    QVERIFY2(model.loadBuiltIn(&error), qPrintable(error));
    QRandomGenerator tableSource = seededGenerator(seed);
    const KeyTable proportional = randomKeyTable(tableSource, proportionalRowLengths(model.symbolCounts(), 100));
    QRandomGenerator choiceSource(seed);
    RandomCodeChoice choice(choiceSource);
    SideBySideAnalysis flat(proportional, randomLineEncryption(proportional, 100, choice));
    SideBySideAnalysis equal(fixedKeyTable(), randomLineEncryption(fixedKeyTable(), 3, choice));
    for (const QString &line : sampledRussian(symbols, seed)) {
        flat.addLine(line);
        equal.addLine(line);
    }
    const FrequencyMeasures plain = measureFrequencies(flat.plainCounts());
    const FrequencyMeasures cipher = measureFrequencies(flat.cipherCounts());
    const FrequencyMeasures three = measureFrequencies(equal.cipherCounts());
    const QString figures = QStringLiteral("N %1, peak %2 (x%3), ioc %4, entropy %5; three codes: peak x%6")
                                .arg(cipher.total).arg(cipher.peak).arg(cipher.peakRelative).arg(cipher.ioc)
                                .arg(cipher.entropy).arg(three.peakRelative);
    QCOMPARE(plain.total, qint64(symbols));
    QVERIFY2(cipher.seen >= 95, qPrintable(figures)); // Ъ and Э may not occur in a short text
    QVERIFY2(cipher.peak <= 0.02, qPrintable(figures));
    QVERIFY2(cipher.ioc <= 0.0115, qPrintable(figures));
    QVERIFY2(cipher.entropy >= 6.5, qPrintable(figures));
    QVERIFY2(cipher.peakRelative < 2, qPrintable(figures));
    QVERIFY2(three.peakRelative > 3, qPrintable(figures));
}

// Worked by hand: counts 6, 2, 2, 0 give a peak of 6/10 over three labels
// that occur, 1.8 uniform shares; one label alone is 1.
void StatisticsTest::peakRelativeToAUniformShare()
{
    FrequencyCounts counts;
    counts.kind = FrequencyCounts::Kind::Codes;
    counts.labels = QStringList({QStringLiteral("00"), QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")});
    counts.counts = {6, 2, 2, 0};
    FrequencyMeasures measures = measureFrequencies(counts);
    QCOMPARE(measures.seen, 3);
    QVERIFY(qFuzzyCompare(measures.peakRelative, 1.8));
    const QJsonObject part = QJsonDocument::fromJson(frequencyJson(nullptr, &counts)).object().value(QStringLiteral("cipher")).toObject();
    QCOMPARE(part.value(QStringLiteral("seen")).toInt(), 3);
    QVERIFY(qFuzzyCompare(part.value(QStringLiteral("peakRelative")).toDouble(), 1.8));
    QVERIFY(frequencyTextReport(counts).contains(QStringLiteral("Пик к равной доле: 1,80 (кодов встретилось: 3)")));
    counts.counts = {0, 0, 5, 0};
    measures = measureFrequencies(counts);
    QCOMPARE(measures.seen, 1);
    QCOMPARE(measures.peakRelative, 1.0);
    counts.counts = {0, 0, 0, 0};
    QCOMPARE(measureFrequencies(counts).peakRelative, 0.0);
}

// With one code per symbol the cipher is a simple substitution: each code's
// count is its symbol's.
void StatisticsTest::keyOneMapsSymbolsOntoTheirCodes()
{
    QStringList lines = proseLines();
    // Characters the table lacks are copied and must come back as other.
    lines.append(QStringLiteral("Ёлка, йод;\tLatin\u00A0text ") + smile() + QStringLiteral(" «кавычки» — тире"));
    const KeyTable table = fixedKeyTable();
    SideBySideAnalysis analysis(table, homophonicLineEncryption(table, 1));
    for (const QString &line : lines)
        analysis.addLine(line);
    const FrequencyCounts plain = analysis.plainCounts();
    const FrequencyCounts cipher = analysis.cipherCounts();

    std::vector<qint64> expected(100, 0);
    for (int row = 0; row < int(table.size()); ++row)
        expected[table[row].codes[0].toInt()] = plain.counts[row];
    QCOMPARE(cipher.counts, expected);
    QCOMPARE(cipher.other, plain.other);
    QVERIFY(plain.other > 10);

    const FrequencyMeasures plainMeasures = measureFrequencies(plain);
    const FrequencyMeasures cipherMeasures = measureFrequencies(cipher);
    QCOMPARE(cipherMeasures.ioc, plainMeasures.ioc);
    QCOMPARE(cipherMeasures.peak, plainMeasures.peak);
    QVERIFY(std::abs(cipherMeasures.entropy - plainMeasures.entropy) < 1e-12);
}

void StatisticsTest::jsonHoldsEveryField_data()
{
    QTest::addColumn<bool>("withPlain");
    QTest::addColumn<bool>("withCipher");
    QTest::newRow("plaintext alone") << true << false;
    QTest::newRow("ciphertext alone") << false << true;
    QTest::newRow("side by side") << true << true;
}

void StatisticsTest::jsonHoldsEveryField()
{
    QFETCH(bool, withPlain);
    QFETCH(bool, withCipher);
    SideBySideAnalysis analysis(fixedKeyTable(), homophonicLineEncryption(fixedKeyTable(), 2));
    analysis.addLine(QStringLiteral("Привет, мир! Мир вам."));
    const FrequencyCounts plain = analysis.plainCounts();
    const FrequencyCounts cipher = analysis.cipherCounts();

    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(frequencyJson(withPlain ? &plain : nullptr, withCipher ? &cipher : nullptr), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(document.isObject());
    const QJsonObject top = document.object();
    QCOMPARE(top.contains(QStringLiteral("plain")), withPlain);
    QCOMPARE(top.contains(QStringLiteral("cipher")), withCipher);

    for (const QString &part : top.keys()) {
        const FrequencyCounts &counts = part == QLatin1String("plain") ? plain : cipher;
        const FrequencyMeasures measures = measureFrequencies(counts);
        const QJsonObject object = top.value(part).toObject();
        for (const char *field : { "total", "other", "counts", "ioc", "entropy", "maxEntropy", "peak" })
            QVERIFY2(object.contains(QLatin1String(field)), field);
        QCOMPARE(object.value(QStringLiteral("total")).toDouble(), double(measures.total));
        QCOMPARE(object.value(QStringLiteral("other")).toDouble(), double(counts.other));
        QCOMPARE(object.value(QStringLiteral("ioc")).toDouble(), measures.ioc);
        QCOMPARE(object.value(QStringLiteral("entropy")).toDouble(), measures.entropy);
        QCOMPARE(object.value(QStringLiteral("maxEntropy")).toDouble(), measures.maxEntropy);
        QCOMPARE(object.value(QStringLiteral("peak")).toDouble(), measures.peak);
        const QJsonObject seen = object.value(QStringLiteral("counts")).toObject();
        QCOMPARE(seen.toVariantMap().size(), seenCounts(counts).size());
        for (auto it = seen.begin(); it != seen.end(); ++it) {
            QVERIFY2(it.value().isDouble(), qPrintable(it.key()));
            QCOMPARE(qint64(it.value().toDouble()), seenCounts(counts).value(it.key()).toLongLong());
        }
    }
    if (withPlain) {
        const QJsonObject seen = top.value(QStringLiteral("plain")).toObject().value(QStringLiteral("counts")).toObject();
        QCOMPARE(seen.value(QStringLiteral(" ")).toDouble(), 3.0); // the space is the key " "
        QCOMPARE(seen.value(QStringLiteral("М")).toDouble(), 3.0);
    }
    if (withCipher) {
        const QJsonObject seen = top.value(QStringLiteral("cipher")).toObject().value(QStringLiteral("counts")).toObject();
        QCOMPARE(seen.value(QStringLiteral("00")).toDouble(), 2.0); // spaces 1 and 3 share "00" with key 2
        QCOMPARE(seen.value(QStringLiteral("32")).toDouble(), 1.0);
        QVERIFY(!seen.contains(QStringLiteral("64")));
    }
}

void StatisticsTest::textReportFitsEightyColumns_data()
{
    QTest::addColumn<bool>("sideBySide");
    QTest::addColumn<qint64>("scale");
    QTest::newRow("a small plaintext") << false << qint64(1);
    QTest::newRow("a plaintext of billions") << false << qint64(1000000000);
    QTest::newRow("side by side, small") << true << qint64(1);
    QTest::newRow("side by side, billions") << true << qint64(1000000000);
}

void StatisticsTest::textReportFitsEightyColumns()
{
    QFETCH(bool, sideBySide);
    QFETCH(qint64, scale);
    SideBySideAnalysis analysis(fixedKeyTable(), homophonicLineEncryption(fixedKeyTable(), 3));
    for (const QString &line : proseLines())
        analysis.addLine(line);
    FrequencyCounts plain = analysis.plainCounts();
    FrequencyCounts cipher = analysis.cipherCounts();
    for (qint64 &count : plain.counts)
        count *= scale;
    for (qint64 &count : cipher.counts)
        count *= scale;

    const QString report = sideBySide ? sideBySideTextReport(plain, cipher) : frequencyTextReport(plain);
    const QStringList lines = report.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        QVERIFY2(line.size() <= 80, qPrintable(line));
    QVERIFY(report.contains(QString::number(plain.counts[0]))); // counts are not cut short
}

void StatisticsTest::textReportSortsByCountAndStatesMeasures()
{
    const FrequencyCounts counts = symbolCountsOf({ QStringLiteral("ОООО ЕЕ А") });
    const QString report = frequencyTextReport(counts);
    const QStringList lines = report.split(QLatin1Char('\n'));
    const auto rowIndex = [&](const QString &label) {
        for (int i = 0; i < lines.size(); ++i) {
            if (lines[i].startsWith(label + QLatin1Char(' ')))
                return i;
        }
        return -1;
    };
    QVERIFY(rowIndex(QStringLiteral("О")) >= 0);
    QVERIFY(rowIndex(QStringLiteral("О")) < rowIndex(QStringLiteral("Е")));
    QVERIFY(rowIndex(QStringLiteral("пробел")) < rowIndex(QStringLiteral("А")));
    QVERIFY(rowIndex(QStringLiteral("Е")) < rowIndex(QStringLiteral("А")));
    QCOMPARE(rowIndex(QStringLiteral("Я")), -1); // unseen symbols get no row...
    QVERIFY(report.contains(QStringLiteral("Нет в тексте: Б, В,"))); // ...but are named
    // The top row's bar is the longest, a rarer one's shorter.
    const QChar block(0x2588);
    QVERIFY(lines[rowIndex(QStringLiteral("О"))].count(block) > lines[rowIndex(QStringLiteral("А"))].count(block));

    const FrequencyMeasures measures = measureFrequencies(counts);
    QVERIFY(report.contains(QStringLiteral("Всего символов таблицы: 9")));
    QVERIFY(report.contains(QStringLiteral("Индекс совпадений: ") + decimalText(measures.ioc, 4)));
    QVERIFY(report.contains(QStringLiteral("Энтропия: ") + decimalText(measures.entropy, 3)));
    QVERIFY(report.contains(QStringLiteral("наибольшая возможная 5,000")));
    QVERIFY(report.contains(QStringLiteral("Пик: 44,44 % (О)")));
}

void StatisticsTest::chartIsValidAndRenders_data()
{
    QTest::addColumn<bool>("withPlain");
    QTest::addColumn<bool>("withCipher");
    QTest::newRow("plaintext alone") << true << false;
    QTest::newRow("ciphertext alone") << false << true;
    QTest::newRow("side by side") << true << true;
}

void StatisticsTest::chartIsValidAndRenders()
{
    QFETCH(bool, withPlain);
    QFETCH(bool, withCipher);
    SideBySideAnalysis analysis(fixedKeyTable(), homophonicLineEncryption(fixedKeyTable(), 3));
    for (const QString &line : proseLines())
        analysis.addLine(line);
    const FrequencyCounts plain = analysis.plainCounts();
    const FrequencyCounts cipher = analysis.cipherCounts();
    const QByteArray svg = frequencyChartSvg(withPlain ? &plain : nullptr, withCipher ? &cipher : nullptr);

    QXmlStreamReader reader(svg);
    QString allText;
    int bars = 0;
    bool sized = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("svg"))
            sized = reader.attributes().value(QStringLiteral("width")) == QLatin1String("900")
                && reader.attributes().value(QStringLiteral("height")) == QLatin1String("500");
        if (reader.isStartElement() && reader.attributes().value(QStringLiteral("class")) == QLatin1String("bar"))
            ++bars;
        if (reader.isCharacters())
            allText += reader.text() + QLatin1Char('\n');
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QVERIFY(sized);
    int expectedBars = 0;
    for (const FrequencyCounts *counts : { withPlain ? &plain : nullptr, withCipher ? &cipher : nullptr }) {
        if (!counts)
            continue;
        const FrequencyMeasures measures = measureFrequencies(*counts);
        QVERIFY2(allText.contains(QStringLiteral("индекс совпадений ") + decimalText(measures.ioc, 4)),
                 qPrintable(allText));
        QVERIFY2(allText.contains(QStringLiteral("энтропия ") + decimalText(measures.entropy, 2) + QStringLiteral(" бит")),
                 qPrintable(allText));
        expectedBars += int(seenCounts(*counts).size());
    }
    QCOMPARE(bars, expectedBars);
    QCOMPARE(allText.contains(QStringLiteral("пробел")), withPlain);
    QCOMPARE(allText.contains(QStringLiteral("коды 32–63")), withCipher);

    const QImage image = rendered(svg);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(900, 500));
    qint64 inked = 0;
    qint64 barColoured = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() > 0 && (colour.red() < 200 || colour.green() < 200 || colour.blue() < 200))
                ++inked;
            if (colour.saturation() > 80 && colour.alpha() > 0)
                ++barColoured;
        }
    }
    // Text and axes alone ink a few per cent; the bars add thousands of
    // coloured pixels.
    QVERIFY2(inked > image.width() * image.height() / 50, qPrintable(QString::number(inked)));
    QVERIFY2(barColoured > 5000, qPrintable(QString::number(barColoured)));
}

// Side by side, a code's bar is as tall as a symbol's bar of the same share:
// with key 1 every code's share is its symbol's, so the heights match.
void StatisticsTest::chartPanelsShareOneScale()
{
    const KeyTable table = fixedKeyTable();
    SideBySideAnalysis analysis(table, homophonicLineEncryption(table, 1));
    for (const QString &line : proseLines())
        analysis.addLine(line);
    const FrequencyCounts plain = analysis.plainCounts();
    const FrequencyCounts cipher = analysis.cipherCounts();

    QXmlStreamReader reader(frequencyChartSvg(&plain, &cipher));
    QStringList plainHeights;
    QStringList codeHeights;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.attributes().value(QStringLiteral("class")) != QLatin1String("bar"))
            continue;
        const QString height = reader.attributes().value(QStringLiteral("height")).toString();
        const QString y = reader.attributes().value(QStringLiteral("y")).toString();
        (y.toDouble() < 250 ? plainHeights : codeHeights).append(height);
    }
    QVERIFY(!reader.hasError());
    QCOMPARE(plainHeights.size(), int(seenCounts(plain).size()));
    plainHeights.sort();
    codeHeights.sort();
    QCOMPARE(codeHeights, plainHeights);
}

void StatisticsTest::columnsAreShiftedPlaintextColumns_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("period");
    QTest::newRow("the keyword's length") << QStringLiteral("КЛЮЧ") << 4;
    QTest::newRow("a multiple of it") << QStringLiteral("КЛЮЧ") << 8;
    QTest::newRow("a length the text is no multiple of") << QStringLiteral("ЗАМОК") << 5;
}

// Under a Vigenère key each column of the ciphertext is the same column of the
// plaintext, every symbol moved on by the column's key symbol.
void StatisticsTest::columnsAreShiftedPlaintextColumns()
{
    QFETCH(QString, keyword);
    QFETCH(int, period);
    const QString plain = QString::fromUtf8(prose[0]);
    const SymbolKey key = *SymbolKeys::keyword(SymbolRule::Vigenere, keyword);
    const SymbolSequence plainSymbols = Alphabet::indicesOf(plain);
    const std::vector<FrequencyCounts> plainColumns = columnCounts(plainSymbols, period);
    const std::vector<FrequencyCounts> cipherColumns =
        columnCounts(Alphabet::indicesOf(SymbolCipher(key).encrypt(plain)), period);
    QCOMPARE(int(cipherColumns.size()), period);
    qint64 total = 0;
    for (int column = 0; column < period; ++column) {
        const FrequencyCounts &counts = cipherColumns[std::size_t(column)];
        QCOMPARE(counts.labels.first(), QStringLiteral(" "));
        QCOMPARE(counts.labels.size(), Alphabet::Size);
        const int shift = key.shifts[std::size_t(column) % key.shifts.size()];
        for (int symbol = 0; symbol < Alphabet::Size; ++symbol) {
            QCOMPARE(counts.counts[std::size_t((symbol + shift) % Alphabet::Size)],
                     plainColumns[std::size_t(column)].counts[std::size_t(symbol)]);
        }
        const qint64 expected = qint64(plainSymbols.size()) / period + (column < int(plainSymbols.size()) % period);
        QCOMPARE(counts.total(), expected);
        total += counts.total();
    }
    QCOMPARE(total, qint64(plainSymbols.size()));
    QVERIFY(columnCounts(plainSymbols, 0).empty());
}

void StatisticsTest::pairsAreCountedLineByLine_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QVariantMap>("pairs");

    QTest::newRow("symbols pair off from the first")
        << QStringList { QStringLiteral("АБВГ") } << map({ { "АБ", 1 }, { "ВГ", 1 } });
    QTest::newRow("a line's odd last symbol is left without a pair")
        << QStringList { QStringLiteral("АБВ") } << map({ { "АБ", 1 } });
    QTest::newRow("an odd last symbol before punctuation is left too")
        << QStringList { QStringLiteral("АБВ!?") } << map({ { "АБ", 1 } });
    QTest::newRow("a pair never spans two lines")
        << QStringList { QStringLiteral("АБВ"), QStringLiteral("ГД") } << map({ { "АБ", 1 }, { "ГД", 1 } });
    QTest::newRow("an empty line between changes nothing")
        << QStringList { QStringLiteral("АБ"), QString(), QStringLiteral("ВГ") } << map({ { "АБ", 1 }, { "ВГ", 1 } });
    QTest::newRow("characters outside the alphabet are skipped, not pair breakers")
        << QStringList { QStringLiteral("А,Б-В.Г!") } << map({ { "АБ", 1 }, { "ВГ", 1 } });
    QTest::newRow("Ё, Й, digits and Latin are skipped too")
        << QStringList { QStringLiteral("ЙА1ЁБqВ") } << map({ { "АБ", 1 } });
    QTest::newRow("pairs start at the line's first symbol, not its first character")
        << QStringList { QStringLiteral("«А Б»") } << map({ { "А ", 1 } });
    QTest::newRow("the space is a symbol, and two of them a doubled pair")
        << QStringList { QStringLiteral("  О ") } << map({ { "  ", 1 }, { "О ", 1 } });
    QTest::newRow("lower case counts as its capital")
        << QStringList { QStringLiteral("абВг") } << map({ { "АБ", 1 }, { "ВГ", 1 } });
    QTest::newRow("a surrogate pair is skipped whole")
        << QStringList { QStringLiteral("А") + smile() + QStringLiteral("Б") } << map({ { "АБ", 1 } });
    QTest::newRow("a line of one symbol has no pair") << QStringList { QStringLiteral("Я") } << QVariantMap();
    // The byte route looks two bytes up at once: the comma shifts every pair
    // after it by one byte.
    QTest::newRow("a long line pairs on after a skipped character")
        << QStringList { QStringLiteral("А,") + QStringLiteral("БВ").repeated(3000) + QStringLiteral("Г") }
        << map({ { "АБ", 1 }, { "ВБ", 2999 }, { "ВГ", 1 } });
}

void StatisticsTest::pairsAreCountedLineByLine()
{
    QFETCH(QStringList, lines);
    QFETCH(QVariantMap, pairs);
    PairCounter counter;
    for (const QString &line : lines)
        counter.addLine(line);
    QCOMPARE(seenPairs(counter.counts()), pairs);

    // Windows-1251 bytes pair as their decoded text, with the same line breaks.
    const TextEncoding *windows1251 = TextEncoding::windows1251();
    QVERIFY(windows1251);
    QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
    PairCounter bytesCounter(windows1251->byteDecoding());
    for (const QString &line : lines) {
        const QByteArray bytes = codec->fromUnicode(line);
        bytesCounter.addBytes(bytes.constData(), bytes.size());
    }
    QCOMPARE(seenPairs(bytesCounter.counts()), pairs);
}

void StatisticsTest::pairMeasures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<double>("ioc");
    QTest::addColumn<qint64>("doubled");
    QTest::addColumn<QStringList>("mostFrequent");

    // АБ three times, ВГ once: 3·2 / (4·3).
    QTest::newRow("a repeated pair") << QStringLiteral("АБАБАБВГ") << qint64(4) << 0.5 << qint64(0)
                                     << QStringList { QStringLiteral("АБ"), QStringLiteral("ВГ") };
    // АА twice, ББ once: 2·1 / (3·2), all three doubled.
    QTest::newRow("doubled pairs") << QStringLiteral("ААААББ") << qint64(3) << 1.0 / 3 << qint64(3)
                                   << QStringList { QStringLiteral("АА"), QStringLiteral("ББ") };
    // АА spans the two halves of "БААБ" but is no pair of it: БА and АБ are.
    QTest::newRow("overlapping pairs are not counted") << QStringLiteral("БААБ") << qint64(2) << 0.0 << qint64(0)
                                                       << QStringList { QStringLiteral("АБ"), QStringLiteral("БА") };
    QTest::newRow("one pair coincides with nothing") << QStringLiteral("ЯЯ") << qint64(1) << 0.0 << qint64(1)
                                                     << QStringList { QStringLiteral("ЯЯ") };
    QTest::newRow("no pairs at all") << QStringLiteral("Я") << qint64(0) << 0.0 << qint64(0) << QStringList();
    QString manyPairs;
    for (int symbol = 1; symbol <= 12; ++symbol)
        manyPairs += QString(Alphabet::symbol(symbol)) + Alphabet::symbol(symbol);
    QStringList firstTen;
    for (int symbol = 1; symbol <= ShownPairs; ++symbol)
        firstTen << QString(Alphabet::symbol(symbol)) + Alphabet::symbol(symbol);
    QTest::newRow("ten of twelve equal pairs are shown, in the alphabet's order")
        << manyPairs << qint64(12) << 0.0 << qint64(12) << firstTen;
}

void StatisticsTest::pairMeasures()
{
    QFETCH(QString, text);
    QFETCH(qint64, total);
    QFETCH(double, ioc);
    QFETCH(qint64, doubled);
    QFETCH(QStringList, mostFrequent);
    PairCounter counter;
    counter.addLine(text);
    const PairMeasures measures = measurePairs(counter.counts());
    QCOMPARE(measures.total, total);
    QVERIFY2(std::abs(measures.ioc - ioc) < 1e-12, qPrintable(QString::number(measures.ioc, 'g', 17)));
    QVERIFY(std::abs(measures.normalizedIoc - 1024 * ioc) < 1e-9);
    QCOMPARE(measures.doubled, doubled);
    QStringList shown;
    for (const FrequentPair &pair : measures.mostFrequent) {
        shown << QString(Alphabet::symbol(pair.first)) + Alphabet::symbol(pair.second);
        QCOMPARE(pair.share, double(pair.count) / double(total));
    }
    QCOMPARE(shown, mostFrequent);
}

void StatisticsTest::pairJsonHoldsTheWholeTable()
{
    PairCounter counter;
    for (const QString &line : proseLines())
        counter.addLine(line);
    const PairCounts &pairs = counter.counts();
    const QJsonObject json = pairJson(pairs);

    const QJsonArray labels = json.value(QStringLiteral("labels")).toArray();
    QCOMPARE(labels.size(), Alphabet::Size);
    QCOMPARE(labels.first().toString(), QStringLiteral(" "));
    QCOMPARE(labels.last().toString(), QStringLiteral("Я"));
    const QJsonArray rows = json.value(QStringLiteral("counts")).toArray();
    QCOMPARE(rows.size(), Alphabet::Size);
    qint64 sum = 0;
    for (int first = 0; first < Alphabet::Size; ++first) {
        const QJsonArray row = rows.at(first).toArray();
        QCOMPARE(row.size(), Alphabet::Size);
        for (int second = 0; second < Alphabet::Size; ++second) {
            QCOMPARE(qint64(row.at(second).toDouble()), pairs.at(first, second));
            sum += qint64(row.at(second).toDouble());
        }
    }
    QCOMPARE(qint64(json.value(QStringLiteral("total")).toDouble()), sum);
    QVERIFY(sum > 1000);
    const PairMeasures measures = measurePairs(pairs);
    QCOMPARE(json.value(QStringLiteral("indexOfCoincidence")).toDouble(), measures.ioc);
    QCOMPARE(json.value(QStringLiteral("normalizedIndexOfCoincidence")).toDouble(), measures.normalizedIoc);
    QCOMPARE(qint64(json.value(QStringLiteral("doubled")).toDouble()), measures.doubled);
    const QJsonArray frequent = json.value(QStringLiteral("mostFrequent")).toArray();
    QCOMPARE(frequent.size(), ShownPairs);
    // Prose's most frequent pairs hold a space, written as itself.
    QVERIFY(frequent.first().toObject().value(QStringLiteral("pair")).toString().contains(QLatin1Char(' ')));
    for (int i = 1; i < frequent.size(); ++i) {
        QVERIFY(frequent.at(i - 1).toObject().value(QStringLiteral("count")).toDouble()
                >= frequent.at(i).toObject().value(QStringLiteral("count")).toDouble());
    }
}

void StatisticsTest::pairReportFitsEightyColumns_data()
{
    QTest::addColumn<bool>("withCipher");
    QTest::addColumn<qint64>("scale");
    QTest::newRow("a plaintext") << false << qint64(1);
    QTest::newRow("beside its ciphertext, billions of pairs") << true << qint64(1000000000);
}

void StatisticsTest::pairReportFitsEightyColumns()
{
    QFETCH(bool, withCipher);
    QFETCH(qint64, scale);
    const SymbolCipher cipher(*SymbolKeys::keyword(SymbolRule::Vigenere, QStringLiteral("КЛЮЧ")));
    PairCounter plainCounter;
    PairCounter cipherCounter;
    KeyStreamPlace place = cipher.start();
    for (const QString &line : proseLines()) {
        plainCounter.addLine(line);
        QString encrypted;
        cipher.appendEncrypted(line, place, encrypted);
        cipherCounter.addLine(encrypted);
    }
    PairCounts plain = plainCounter.counts();
    PairCounts encrypted = cipherCounter.counts();
    for (qint64 &count : plain.counts)
        count *= scale;
    for (qint64 &count : encrypted.counts)
        count *= scale;

    const QString report = pairTextReport(&plain, withCipher ? &encrypted : nullptr);
    for (const QString &line : report.split(QLatin1Char('\n')))
        QVERIFY2(line.size() <= 80, qPrintable(line));
    QVERIFY(report.contains(QString::number(plain.total()))); // totals are not cut short
    QCOMPARE(report.contains(QStringLiteral("Шифртекст")), withCipher);
    const PairMeasures measures = measurePairs(plain);
    QVERIFY(report.contains(decimalText(measures.ioc, 4)));
    QVERIFY(report.contains(decimalText(measures.normalizedIoc, 2)));
    // The most frequent pair, with the space shown as ␣, leads its list.
    const QString top = pairLabel(measures.mostFrequent.front().first, measures.mostFrequent.front().second);
    const QStringList lines = report.split(QLatin1Char('\n'));
    const int listStart = int(lines.indexOf(QStringLiteral("Самые частые пары:")));
    QVERIFY(listStart > 0);
    QVERIFY2(lines.at(listStart + 1).trimmed().startsWith(top), qPrintable(lines.at(listStart + 1)));
    QCOMPARE(lines.size() - listStart - 2, ShownPairs); // the rows, then what follows the last line end
}

void StatisticsTest::pairChartIsValidAndRenders_data()
{
    QTest::addColumn<bool>("withCipher");
    QTest::newRow("a plaintext alone") << false;
    QTest::newRow("beside its Caesar ciphertext") << true;
}

// The cells drawn are the pairs seen, each map's darkest being its most
// frequent pair, and the axes name the 32 symbols with the space as ␣.
void StatisticsTest::pairChartIsValidAndRenders()
{
    QFETCH(bool, withCipher);
    const SymbolCipher cipher(SymbolKeys::shift(3));
    PairCounter plainCounter;
    PairCounter cipherCounter;
    for (const QString &line : proseLines()) {
        plainCounter.addLine(line);
        cipherCounter.addLine(cipher.encrypt(line));
    }
    const PairCounts &plain = plainCounter.counts();
    const PairCounts &encrypted = cipherCounter.counts();
    const QByteArray svg = pairChartSvg(&plain, withCipher ? &encrypted : nullptr);

    QXmlStreamReader reader(svg);
    int cells = 0;
    QStringList darkest;
    QStringList texts;
    QString fill;
    QSize size;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("svg"))
            size = QSize(reader.attributes().value(QStringLiteral("width")).toInt(),
                         reader.attributes().value(QStringLiteral("height")).toInt());
        if (reader.isStartElement() && reader.attributes().value(QStringLiteral("class")) == QLatin1String("cell")) {
            ++cells;
            fill = reader.attributes().value(QStringLiteral("fill")).toString();
        }
        if (reader.isStartElement() && reader.name() == QLatin1String("title") && !fill.isEmpty()) {
            const QString tooltip = reader.readElementText();
            if (fill == QLatin1String("#08306b"))
                darkest << tooltip.left(2);
            fill.clear();
        }
        if (reader.isStartElement() && reader.name() == QLatin1String("text"))
            texts << reader.readElementText();
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    const int maps = withCipher ? 2 : 1;
    QCOMPARE(cells, int(seenPairs(plain).size() + (withCipher ? seenPairs(encrypted).size() : 0)));
    const FrequentPair top = measurePairs(plain).mostFrequent.front();
    // Caesar's shift moves the top pair three symbols on in both its symbols.
    QStringList expectedDarkest { pairLabel(top.first, top.second) };
    if (withCipher)
        expectedDarkest << pairLabel((top.first + 3) % Alphabet::Size, (top.second + 3) % Alphabet::Size);
    QCOMPARE(darkest, expectedDarkest);
    for (int symbol = 1; symbol < Alphabet::Size; ++symbol)
        QCOMPARE(texts.count(QString(Alphabet::symbol(symbol))), 2 * maps);
    QCOMPARE(texts.count(QStringLiteral("␣")), 2 * maps);

    const QImage image = rendered(svg);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    QVERIFY(size.width() >= 900 && size.height() >= 500);
    qint64 blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.blue() > colour.red() + 40)
                ++blue;
        }
    }
    // Hundreds of cells of 13 by 13 pixels are tinted.
    QVERIFY2(blue > 20000 * maps, qPrintable(QString::number(blue)));
}

QTEST_GUILESS_MAIN(StatisticsTest)
#include "tst_statistics.moc"
