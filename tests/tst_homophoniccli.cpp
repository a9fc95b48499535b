// The command-line tool, run as a process, against the library it is built on.
#include "clirunner.h"
#include "homophonic.h"
#include "referencecipher.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QRegularExpression>
#include <QtTest>

#include <iterator>
#include <utility>

namespace {

QTextCodec *codecOf(const QString &encoding)
{
    return QTextCodec::codecForName(encoding == QLatin1String("utf-8") ? "UTF-8" : "Windows-1251");
}

// What the tool must write: every line on its own with a freshly filled
// table, each followed by the line ending it had.
QByteArray expectedOutput(const QByteArray &input, const QString &command, int key, const QString &encoding)
{
    return referenceOutput(input, command == QLatin1String("encrypt"), key, encoding).bytes;
}

// UTF-16 or UTF-32 without a mark, written out by hand: Qt 5's UTF-32
// encoder writes stray bytes after a character beyond the basic plane.
QByteArray unicodeBytes(const QString &text, int unitSize, bool littleEndian)
{
    QByteArray bytes;
    const auto append = [&](quint32 value) {
        for (int i = 0; i < unitSize; ++i)
            bytes += char((value >> (8 * (littleEndian ? i : unitSize - 1 - i))) & 0xFF);
    };
    if (unitSize == 4) {
        for (const uint character : text.toUcs4())
            append(character);
    } else {
        for (const QChar unit : text)
            append(unit.unicode());
    }
    return bytes;
}

QStringList entriesOf(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Lines of random length and content, long enough to cross the tool's read
// chunks, with one CRLF split across the first chunk boundary.
QByteArray linesAcrossReadChunks()
{
    const QByteArray alphabet = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя АБВЁЙЯ,.!Hi-")
                                    .toUtf8();
    const QString letters = QString::fromUtf8(alphabet);
    QRandomGenerator random(20261207);
    QString text;
    while (text.size() < 3 * (1 << 20)) {
        const int length = random.bounded(2000);
        for (int i = 0; i < length; ++i)
            text += letters.at(random.bounded(letters.size()));
        text += random.bounded(2) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    }
    const int boundary = 1 << 20;
    text.replace(boundary - 1, 2, QStringLiteral("\r\n"));
    return codecOf(QStringLiteral("windows-1251"))->fromUnicode(text);
}

} // namespace

class HomophonicCliTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTripUpperCasesTheText_data();
    void roundTripUpperCasesTheText();
    void everyLineAsTheLibraryCiphersIt_data();
    void everyLineAsTheLibraryCiphersIt();
    void unencodableCharactersAreCounted_data();
    void unencodableCharactersAreCounted();
    void usageErrorsExitWithTwo_data();
    void usageErrorsExitWithTwo();
    void fileErrorsExitWithOne_data();
    void fileErrorsExitWithOne();
    void helpAndVersion_data();
    void helpAndVersion();
    void bothNamesAnswerAlike_data();
    void bothNamesAnswerAlike();
    void tableListsEveryRow();
    void leadingZeroWidthNoBreakSpaceSurvivesTheRoundTrip_data();
    void leadingZeroWidthNoBreakSpaceSurvivesTheRoundTrip();
    void undecodableBytesAreReported_data();
    void undecodableBytesAreReported();
    void outputFileSurvivesAFileSizeLimit_data();
    void outputFileSurvivesAFileSizeLimit();
    void failedSaveIsReported();
    void outputFollowsLinksAsTheSystemDoes_data();
    void outputFollowsLinksAsTheSystemDoes();
    void closedStandardStreams_data();
    void closedStandardStreams();
    void threadsDoNotChangeTheOutput_data();
    void threadsDoNotChangeTheOutput();
};

void HomophonicCliTest::roundTripUpperCasesTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("throughFiles");

    const QString exercises = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю!\r\n"
                                             "\r\n"
                                             "Йод и ёлка: буквы вне таблицы; Latin letters too.\r\n"
                                             "В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!\r\n");
    for (int key = 1; key <= 3; ++key)
        QTest::addRow("Windows-1251 file with CRLF, key %d", key) << exercises << QStringLiteral("windows-1251") << key << true;
    QTest::newRow("Windows-1251 from standard input to standard output")
        << exercises << QStringLiteral("windows-1251") << 3 << false;
    QTest::newRow("UTF-8 with LF and a final line without its end")
        << QStringLiteral("Привет, мир\nвторая строка\n\nпоследняя") << QStringLiteral("utf-8") << 2 << true;
    QTest::newRow("UTF-8 from standard input, characters beyond Windows-1251")
        << QStringLiteral("Ключ → шифр ✓\r\nстрока 😀\n") << QStringLiteral("utf-8") << 2 << false;
    QTest::newRow("only empty lines") << QStringLiteral("\r\n\n\r\n") << QStringLiteral("windows-1251") << 1 << true;
}

void HomophonicCliTest::roundTripUpperCasesTheText()
{
    QFETCH(QString, text);
    QFETCH(QString, encoding);
    QFETCH(int, key);
    QFETCH(bool, throughFiles);

    const QByteArray plain = referenceEncode(text, encoding);
    const QStringList common = { QStringLiteral("--key"), QString::number(key), QStringLiteral("--encoding"), encoding };
    QByteArray cipher;
    QByteArray back;
    if (throughFiles) {
        QTemporaryDir dir;
        const QString plainPath = dir.filePath(QStringLiteral("текст.txt"));
        const QString cipherPath = dir.filePath(QStringLiteral("шифр.txt"));
        const QString backPath = dir.filePath(QStringLiteral("обратно.txt"));
        QVERIFY(writeFile(plainPath, plain));
        QVERIFY(writeFile(backPath, "an older file that is replaced"));
        Run run = runCli(QStringList { QStringLiteral("encrypt"), QStringLiteral("-i"), plainPath, QStringLiteral("-o"), cipherPath } + common);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.isEmpty());
        run = runCli(QStringList { QStringLiteral("decrypt"), QStringLiteral("--input"), cipherPath, QStringLiteral("--output"), backPath } + common);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        cipher = readFile(cipherPath);
        back = readFile(backPath);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    } else {
        Run run = runCli(QStringList { QStringLiteral("encrypt") } + common, plain);
        QCOMPARE(run.exitCode, 0);
        cipher = run.out;
        run = runCli(QStringList { QStringLiteral("decrypt") } + common, cipher);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        back = run.out;
    }
    QCOMPARE(cipher.count('\n'), plain.count('\n'));
    if (!text.remove(QRegularExpression(QStringLiteral("\\s"))).isEmpty())
        QVERIFY(cipher != plain);
    QCOMPARE(QString::fromUtf8(codecOf(encoding)->toUnicode(back).toUtf8()),
             referenceRoundTrip(codecOf(encoding)->toUnicode(plain)));
}

void HomophonicCliTest::everyLineAsTheLibraryCiphersIt_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("encoding");

    const QString cp1251 = QStringLiteral("windows-1251");
    const QString utf8 = QStringLiteral("utf-8");
    const QString encrypt = QStringLiteral("encrypt");
    const QString decrypt = QStringLiteral("decrypt");
    const QByteArray mixed = codecOf(cp1251)->fromUnicode(
        QStringLiteral("АААА ааа ПРИВЕТ МИР\r\n5678 123 7 1А\r\nHi, Я! ёлка\tЙод\r\n\r\nБез конца строки"));
    for (int key = 1; key <= 3; ++key)
        QTest::addRow("encrypt: counters start afresh on every line, key %d", key) << mixed << encrypt << key << cp1251;
    QTest::newRow("encrypt: lines across read chunks") << linesAcrossReadChunks() << encrypt << 2 << cp1251;
    QTest::newRow("encrypt: final line with its end") << QByteArray("\xcf\xf0\xe8\r\n\xcc\xe8\xf0\n") << encrypt << 1 << cp1251;
    QTest::newRow("encrypt: carriage return alone stays in the line") << QByteArray("\xc0\r\xc1\r") << encrypt << 1 << cp1251;
    QTest::newRow("encrypt: every byte of Windows-1251") << [] {
        QByteArray all;
        for (int byte = 0; byte < 256; ++byte)
            all += char(byte);
        return all;
    }() << encrypt << 3 << cp1251;
    QTest::newRow("encrypt: empty input") << QByteArray() << encrypt << 2 << cp1251;
    QTest::newRow("encrypt: UTF-8 byte-order mark") << QStringLiteral("\uFEFFЯблоко\r\nгруша\r\n").toUtf8() << encrypt << 2 << utf8;
    QTest::newRow("encrypt: UTF-8 beyond the basic plane") << QStringLiteral("𝄞ноты 😀\n").toUtf8() << encrypt << 3 << utf8;
    QTest::newRow("encrypt: U+FEFF after a UTF-8 byte-order mark") << QByteArray("\xef\xbb\xbf\xef\xbb\xbf\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\n") << encrypt << 2 << utf8;
    QTest::newRow("encrypt: UTF-16LE marked file, Windows-1251 output")
        << QByteArray::fromHex("fffe") + unicodeBytes(QStringLiteral("Привет, мир\r\nЯ\n"), 2, true) << encrypt << 1 << cp1251;
    QTest::newRow("encrypt: UTF-16BE marked file, UTF-8 output")
        << QByteArray::fromHex("feff") + unicodeBytes(QStringLiteral("мир 😀\nЖ"), 2, false) << encrypt << 3 << utf8;
    QTest::newRow("encrypt: UTF-32LE marked file") << QByteArray::fromHex("fffe0000") + unicodeBytes(QStringLiteral("ёж 𝄞\r\n"), 4, true) << encrypt << 2 << utf8;
    QTest::newRow("decrypt: UTF-32BE marked file") << QByteArray::fromHex("0000feff") + unicodeBytes(QStringLiteral("15 16 \n"), 4, false) << decrypt << 1 << cp1251;
    QTest::newRow("decrypt: codes beyond the key and stray characters")
        << QByteArray("01 33 65 \r\n0133\r\n31 , 00 01 \r\n99 H i \r\n") << decrypt << 1 << cp1251;
    QTest::newRow("decrypt: all codes, key 3") << QByteArray("15 16 09 03 06 18 00 12 41 48 \n56 78 ") << decrypt << 3 << cp1251;
}

void HomophonicCliTest::everyLineAsTheLibraryCiphersIt()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, command);
    QFETCH(int, key);
    QFETCH(QString, encoding);

    QTemporaryDir dir;
    const QString inputPath = dir.filePath(QStringLiteral("input.txt"));
    QVERIFY(writeFile(inputPath, input));
    const Run run = runCli({ command, QStringLiteral("--key"), QString::number(key), QStringLiteral("--encoding"), encoding,
                             QStringLiteral("--input"), inputPath });
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    const QByteArray expected = expectedOutput(input, command, key, encoding);
    if (run.out != expected) {
        int at = 0;
        while (at < run.out.size() && at < expected.size() && run.out.at(at) == expected.at(at))
            ++at;
        QFAIL(qPrintable(QStringLiteral("outputs differ from byte %1: got %2, expected %3")
                             .arg(at)
                             .arg(QString::fromLatin1(run.out.mid(at, 24).toHex(' ')))
                             .arg(QString::fromLatin1(expected.mid(at, 24).toHex(' ')))));
    }
}

void HomophonicCliTest::unencodableCharactersAreCounted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("count");

    const QStringList encrypt1251 = { QStringLiteral("encrypt"), QStringLiteral("--key"), QStringLiteral("1") };
    QTest::newRow("UTF-8 file with a byte-order mark, written as Windows-1251")
        << encrypt1251 << QStringLiteral("\uFEFFмир 世界\r\nи 😀 €\r\n").toUtf8() << 3;
    QTest::newRow("the same file without such characters")
        << encrypt1251 << QStringLiteral("\uFEFFмир\r\n").toUtf8() << 0;
    QTest::newRow("surrogate left alone by decryption, UTF-8")
        << QStringList { QStringLiteral("decrypt"), QStringLiteral("--key"), QStringLiteral("1"), QStringLiteral("-e"), QStringLiteral("UTF-8") }
        << QStringLiteral("1😀 01 \n").toUtf8() << 1;
}

void HomophonicCliTest::unencodableCharactersAreCounted()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, count);

    const Run run = runCli(arguments, input);
    QCOMPARE(run.exitCode, 0);
    const QString encoding = arguments.contains(QStringLiteral("UTF-8")) ? QStringLiteral("utf-8") : QStringLiteral("windows-1251");
    QCOMPARE(run.out, expectedOutput(input, arguments.first(), arguments.at(2).toInt(), encoding));
    if (count == 0) {
        QCOMPARE(run.err, QString());
    } else {
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(run.err.contains(encoding + QStringLiteral(": ") + QString::number(count) + QLatin1Char(';')), qPrintable(run.err));
        QVERIFY(run.out.count('?') >= count);
    }
}

void HomophonicCliTest::usageErrorsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    auto args = [](std::initializer_list<const char *> list) {
        QStringList result;
        for (const char *a : list)
            result << QString::fromUtf8(a);
        return result;
    };
    QTest::newRow("no command") << QStringList() << QStringLiteral("не указана команда");
    QTest::newRow("unknown command") << args({ "encode", "--key", "1" }) << QStringLiteral("неизвестная команда «encode»");
    QTest::newRow("second command") << args({ "encrypt", "decrypt", "--key", "1" }) << QStringLiteral("лишний аргумент «decrypt»");
    QTest::newRow("no key") << args({ "encrypt" }) << QStringLiteral("не указан ключ");
    QTest::newRow("key without a value") << args({ "decrypt", "--key" }) << QStringLiteral("у параметра «--key» нет значения");
    for (const char *key : { "0", "4", "-1", "abc", "1.5", "" })
        QTest::addRow("key «%s»", key) << args({ "encrypt", "--key", key }) << QStringLiteral("--key: ключ должен быть целым числом от 1 до 3, а не «%1»").arg(QString::fromUtf8(key));
    QTest::newRow("unknown option") << args({ "encrypt", "--key", "1", "--colour" }) << QStringLiteral("неизвестный параметр «--colour»");
    QTest::newRow("unknown short option") << args({ "decrypt", "-k", "1", "-x" }) << QStringLiteral("неизвестный параметр «-x»");
    QTest::newRow("unknown encoding") << args({ "encrypt", "--key", "1", "--encoding", "koi8-r" }) << QStringLiteral("неизвестная кодировка «koi8-r»");
    QTest::newRow("table with a key") << args({ "table", "--key", "1" }) << QStringLiteral("команда table не принимает параметр «--key»");
    QTest::newRow("empty encoding") << args({ "encrypt", "--key", "1", "--encoding", "" }) << QStringLiteral("не указана кодировка");
    QTest::newRow("empty output file name") << args({ "encrypt", "--key", "1", "-o", "" }) << QStringLiteral("пустое имя файла у параметра «--output»");
    QTest::newRow("empty input file name") << args({ "decrypt", "--key", "1", "--input=" }) << QStringLiteral("пустое имя файла у параметра «--input»");
    QTest::newRow("two keys") << args({ "encrypt", "-k", "1", "--key", "2" }) << QStringLiteral("параметр «--key» указан больше одного раза");
    QTest::newRow("the same key twice") << args({ "encrypt", "-k", "1", "-k", "1" }) << QStringLiteral("параметр «--key» указан больше одного раза");
    QTest::newRow("two outputs") << args({ "encrypt", "-k", "1", "-o", "output.txt", "-o", "other.txt" }) << QStringLiteral("параметр «--output» указан больше одного раза");
    QTest::newRow("two inputs") << args({ "encrypt", "-k", "1", "-i", "input.txt", "--input", "input.txt" }) << QStringLiteral("параметр «--input» указан больше одного раза");
    QTest::newRow("two encodings") << args({ "encrypt", "-k", "1", "-e", "utf-8", "-e", "utf-8" }) << QStringLiteral("параметр «--encoding» указан больше одного раза");
    for (const char *jobs : { "0", "1025", "-1", "two", "1.5", "" })
        QTest::addRow("jobs «%s»", jobs) << args({ "decrypt", "--key", "1", "--jobs", jobs }) << QStringLiteral("--jobs: число потоков должно быть целым числом от 1 до 1024, а не «%1»").arg(QString::fromUtf8(jobs));
    QTest::newRow("jobs of zero for crack") << args({ "crack", "-i", "input.txt", "-o", "output.txt", "--jobs", "0" }) << QStringLiteral("--jobs: число потоков должно быть целым числом от 1 до 1024, а не «0»");
}

void HomophonicCliTest::usageErrorsExitWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QTemporaryDir dir;
    const QString inputPath = dir.filePath(QStringLiteral("input.txt"));
    const QString outputPath = dir.filePath(QStringLiteral("output.txt"));
    QVERIFY(writeFile(inputPath, "\xcf\xf0\xe8\xe2\xe5\xf2\r\n"));
    QVERIFY(writeFile(outputPath, "previous result"));

    // Files the row does not name itself are named here, so that a tool that
    // went ahead would read or overwrite one of the two.
    QStringList files;
    const auto names = [&](const char *shortName, const char *longName) {
        for (const QString &argument : arguments) {
            if (argument == QLatin1String(shortName) || argument.startsWith(QLatin1String(longName)))
                return true;
        }
        return false;
    };
    if (!names("-i", "--input"))
        files << QStringLiteral("--input") << QStringLiteral("input.txt");
    if (!names("-o", "--output"))
        files << QStringLiteral("--output") << QStringLiteral("output.txt");
    const Run run = runCli(files + arguments, QByteArray(), dir.path());
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("homophonic: ") + message), qPrintable(run.err));
    QCOMPARE(readFile(outputPath), QByteArray("previous result"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void HomophonicCliTest::fileErrorsExitWithOne_data()
{
    QTest::addColumn<QString>("input");  // relative to a fresh directory, or absolute
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("named");  // the file the message must name
    QTest::addColumn<QString>("message");

    QTest::newRow("missing input") << QStringLiteral("нет такого.txt") << QStringLiteral("previous.txt") << QStringLiteral("нет такого.txt") << QStringLiteral("не удалось открыть файл");
    QTest::newRow("input is a directory") << QStringLiteral("folder") << QStringLiteral("previous.txt") << QStringLiteral("folder") << QStringLiteral("не удалось открыть файл");
    QTest::newRow("output in a missing directory") << QStringLiteral("input.txt") << QStringLiteral("missing/out.txt") << QStringLiteral("missing/out.txt") << QStringLiteral("не удалось создать файл");
    QTest::newRow("output is a directory") << QStringLiteral("input.txt") << QStringLiteral("folder") << QStringLiteral("folder") << QStringLiteral("не удалось создать файл");
    QTest::newRow("read error in the input") << QStringLiteral("/proc/self/mem") << QStringLiteral("previous.txt") << QStringLiteral("/proc/self/mem") << QStringLiteral("не удалось прочитать файл");
}

void HomophonicCliTest::fileErrorsExitWithOne()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, named);
    QFETCH(QString, message);

    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    QVERIFY(dir.mkdir(QStringLiteral("folder")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("input.txt")), "\xcf\xf0\xe8\xe2\xe5\xf2\r\n"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("previous.txt")), "previous result"));

    const Run run = runCli({ QStringLiteral("encrypt"), QStringLiteral("--key"), QStringLiteral("2"),
                             QStringLiteral("--input"), dir.filePath(input), QStringLiteral("--output"), dir.filePath(output) });
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    const QString path = QDir::toNativeSeparators(dir.filePath(named));
    QVERIFY2(run.err.startsWith(QStringLiteral("homophonic: ") + message + QStringLiteral(" «") + path + QStringLiteral("»: ")), qPrintable(run.err));
    QVERIFY2(run.err.trimmed().size() > run.err.indexOf(QStringLiteral("»: ")) + 3, "the reason is missing");
    QCOMPARE(readFile(dir.filePath(QStringLiteral("previous.txt"))), QByteArray("previous result"));
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({ QStringLiteral("folder"), QStringLiteral("input.txt"), QStringLiteral("previous.txt") }));
    QVERIFY(QDir(dir.filePath(QStringLiteral("folder"))).isEmpty());
}

void HomophonicCliTest::helpAndVersion_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    const QString usage = QStringLiteral("  homophonic encrypt [--cipher ");
    QTest::newRow("--help") << QStringList { QStringLiteral("--help") } << usage;
    QTest::newRow("-h after a command") << QStringList { QStringLiteral("decrypt"), QStringLiteral("-h") } << usage;
    QTest::newRow("--version") << QStringList { QStringLiteral("--version") } << QStringLiteral("homophonic " HOMOPHONIC_VERSION "\n");
    QTest::newRow("-v") << QStringList { QStringLiteral("-v") } << QStringLiteral("homophonic " HOMOPHONIC_VERSION "\n");
}

void HomophonicCliTest::helpAndVersion()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);

    const Run run = runCli(arguments);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QString out = QString::fromLocal8Bit(run.out);
    if (expected.endsWith(QLatin1Char('\n'))) {
        QCOMPARE(out, expected);
        return;
    }
    QVERIFY2(out.contains(expected), qPrintable(out));
    for (const char *option : { "--key", "--input", "--output", "--encoding", "--help", "--version" })
        QVERIFY2(out.contains(QLatin1String(option)), option);
}

void HomophonicCliTest::bothNamesAnswerAlike_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("namesItself");

    const QByteArray text = QByteArrayLiteral("Съешь же ещё этих булок\n");
    QTest::newRow("help") << QStringList { QStringLiteral("--help") } << QByteArray() << true;
    QTest::newRow("version") << QStringList { QStringLiteral("-v") } << QByteArray() << true;
    QTest::newRow("encryption") << arguments({ "encrypt", "-k", "2", "-e", "utf-8" }) << text << false;
    QTest::newRow("a missing key") << arguments({ "encrypt", "-e", "utf-8" }) << text << true;
    QTest::newRow("a bad value") << arguments({ "decrypt", "--key", "x" }) << text << true;
    QTest::newRow("an option the command does not take") << arguments({ "table", "--jobs", "2" }) << text << true;
    QTest::newRow("a file that is not there") << arguments({ "analyze", "-i", "нет-такого.txt" }) << text << true;
}

// The tool is substitute and answers as homophonic too: each name speaks of
// itself, and apart from the name both say the same.
void HomophonicCliTest::bothNamesAnswerAlike()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(bool, namesItself);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Run asHomophonic = runProgram(QStringLiteral(HOMOPHONIC_CLI_PATH), arguments, input, dir.path());
    const Run asSubstitute = runProgram(QStringLiteral(SUBSTITUTE_CLI_PATH), arguments, input, dir.path());
    QCOMPARE(asSubstitute.exitCode, asHomophonic.exitCode);
    const QString said = QString::fromUtf8(asSubstitute.out) + asSubstitute.err;
    QCOMPARE(said.contains(QLatin1String("substitute")), namesItself);
    // "homophonic" is also the name of a cipher family, which --help lists.
    static const QRegularExpression oldName(QStringLiteral("(^|\\s)homophonic( [a-z-]|:)"));
    QVERIFY2(!said.contains(oldName), qPrintable(said));
    QCOMPARE(QString::fromUtf8(asSubstitute.out).replace(QLatin1String("substitute"), QLatin1String("homophonic")),
             QString::fromUtf8(asHomophonic.out));
    QCOMPARE(QString(asSubstitute.err).replace(QLatin1String("substitute"), QLatin1String("homophonic")),
             asHomophonic.err);
}

void HomophonicCliTest::tableListsEveryRow()
{
    const Run run = runCli({ QStringLiteral("table") });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 33);
    QCOMPARE(lines.last(), QString());
    const KeyTable &table = fixedKeyTable();
    for (int row = 0; row < 32; ++row) {
        const QStringList fields = lines.at(row).split(QLatin1Char('\t'));
        const QString symbol = row == 0 ? QStringLiteral("␣") : table[row].symbol;
        QCOMPARE(fields, QStringList({ symbol, table[row].codes[0], table[row].codes[1], table[row].codes[2] }));
    }
}

void HomophonicCliTest::leadingZeroWidthNoBreakSpaceSurvivesTheRoundTrip_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("expected"); // what decryption gives back

    const QByteArray mark("\xef\xbb\xbf");
    const QByteArray privet = QStringLiteral("\uFEFFПРИВЕТ\n").toUtf8();
    for (int key = 1; key <= 3; ++key)
        QTest::addRow("U+FEFF after a UTF-8 mark, key %d", key) << mark + privet << key << mark + privet;
    QTest::newRow("U+FEFF after a UTF-16 mark") << QByteArray::fromHex("fffe") + unicodeBytes(QStringLiteral("\uFEFFПРИВЕТ\n"), 2, true)
                                                 << 2 << mark + privet;
    QTest::newRow("a mark alone is not written back") << mark + QByteArray("\xd0\x9c\xd0\x98\xd0\xa0") << 2 << QByteArray("\xd0\x9c\xd0\x98\xd0\xa0");
}

// Encryption into a pipe and decryption out of it, as a user would chain them.
void HomophonicCliTest::leadingZeroWidthNoBreakSpaceSurvivesTheRoundTrip()
{
    QFETCH(QByteArray, input);
    QFETCH(int, key);
    QFETCH(QByteArray, expected);

    const QStringList common = { QStringLiteral("-k"), QString::number(key), QStringLiteral("-e"), QStringLiteral("utf-8") };
    const Run encrypted = runCli(QStringList { QStringLiteral("encrypt") } + common, input);
    QCOMPARE(encrypted.exitCode, 0);
    QCOMPARE(encrypted.err, QString());
    const Run decrypted = runCli(QStringList { QStringLiteral("decrypt") } + common, encrypted.out);
    QCOMPARE(decrypted.exitCode, 0);
    QCOMPARE(decrypted.err, QString());
    QCOMPARE(decrypted.out.toHex(' '), expected.toHex(' '));
}

void HomophonicCliTest::undecodableBytesAreReported_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("messages"); // one line each, in order

    const QStringList utf8 = { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("1"), QStringLiteral("-e"), QStringLiteral("utf-8") };
    const QStringList cp1251 = { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("2") };
    QTest::newRow("invalid UTF-8 bytes on two lines")
        << utf8 << QByteArray("\xd0\x9f\xff\xd0\n\xc0\x80\xe2\x82\r\n") << QStringList { QStringLiteral("в кодировке utf-8: 6;") };
    QTest::newRow("valid UTF-8 says nothing") << utf8 << QByteArray("\xd0\x9f\xef\xbf\xbd\n") << QStringList();
    QTest::newRow("a lone surrogate in UTF-16")
        << utf8 << QByteArray::fromHex("feff0041dc0000410041") << QStringList { QStringLiteral("в кодировке utf-16be: 2;") };
    QTest::newRow("UTF-8 after a mark into Windows-1251: read and written")
        << cp1251 << QByteArray("\xef\xbb\xbf\xd0\x9f\xff\n")
        << QStringList { QStringLiteral("в кодировке utf-8: 1;"), QStringLiteral("символов, которых нет в кодировке windows-1251: 1;") };
}

void HomophonicCliTest::undecodableBytesAreReported()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, messages);

    const Run run = runCli(arguments, input);
    QCOMPARE(run.exitCode, 0);
    const QString encoding = arguments.contains(QStringLiteral("utf-8")) ? QStringLiteral("utf-8") : QStringLiteral("windows-1251");
    QCOMPARE(run.out, expectedOutput(input, arguments.first(), arguments.at(2).toInt(), encoding));
    QStringList lines = run.err.split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.size(), messages.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(QStringLiteral("homophonic: ")) && lines.at(i).contains(messages.at(i)), qPrintable(lines.at(i)));
}

void HomophonicCliTest::outputFileSurvivesAFileSizeLimit_data()
{
    QTest::addColumn<int>("inputBytes");
    QTest::addColumn<QString>("jobs");

    // The limit is 2 KiB; the tool ciphers and writes blocks of about 2 MiB.
    for (const char *jobs : { "1", "4" }) {
        QTest::addRow("output cut off within the last block, %s jobs", jobs) << 1500 << QString::fromLatin1(jobs);
        QTest::addRow("output cut off past the first block, %s jobs", jobs) << (9 << 20) << QString::fromLatin1(jobs);
    }
}

// With a file-size limit the save fails halfway: the previous file must stay
// as it was, with no temporary file left beside it, and the tool must say so.
void HomophonicCliTest::outputFileSurvivesAFileSizeLimit()
{
    QFETCH(int, inputBytes);
    QFETCH(QString, jobs);

    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    QByteArray input;
    while (input.size() < inputBytes)
        input += "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0!\r\n";
    QVERIFY(writeFile(dir.filePath(QStringLiteral("input.txt")), input));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("previous.txt")), "previous result"));

    const Run run = runCliFromShell(QStringLiteral("trap '' XFSZ; ulimit -f 2;"),
                                    { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("2"), QStringLiteral("-i"),
                                      QStringLiteral("input.txt"), QStringLiteral("-o"), QStringLiteral("previous.txt"),
                                      QStringLiteral("--jobs"), jobs },
                                    QString(), dir.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("homophonic: не удалось записать файл «previous.txt»: ")), qPrintable(run.err));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("previous.txt"))), QByteArray("previous result"));
    QCOMPARE(entriesOf(dir.path()), QStringList({ QStringLiteral("input.txt"), QStringLiteral("previous.txt") }));
}

// The output's name turns into a directory while the tool still reads its
// input, so that putting the finished file in its place fails at the very end.
void HomophonicCliTest::failedSaveIsReported()
{
    QTemporaryDir temporary;
    const QString outputPath = QDir(temporary.path()).filePath(QStringLiteral("шифр.txt"));

    QProcess process;
    process.start(QStringLiteral(HOMOPHONIC_CLI_PATH),
                  { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("1"), QStringLiteral("-o"), outputPath });
    QVERIFY(process.waitForStarted());
    // Far more than a pipe holds: once it has all gone, the tool has begun
    // to read, which it does only after opening its output; it then waits
    // for the end of the input.
    process.write(QByteArray(4 << 20, '\xe0').replace(1000, 2, "\r\n"));
    while (process.bytesToWrite() > 0)
        QVERIFY2(process.waitForBytesWritten(60000), "the tool stopped reading");
    QVERIFY(QDir().mkdir(outputPath));
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));

    QCOMPARE(process.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(err.startsWith(QStringLiteral("homophonic: не удалось сохранить файл «") + outputPath + QStringLiteral("»: ")),
             qPrintable(err));
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QCOMPARE(entriesOf(temporary.path()), QStringList { QStringLiteral("шифр.txt") });
    QVERIFY(QFileInfo(outputPath).isDir());
    QVERIFY(QDir(outputPath).isEmpty());
}

void HomophonicCliTest::outputFollowsLinksAsTheSystemDoes_data()
{
    QTest::addColumn<QStringList>("command"); // OUT stands for the output file
    QTest::addColumn<QString>("linkTarget");
    QTest::addColumn<QString>("reached");

    // ярлык leads to дом/комната, so "ярлык/.." is дом, not the folder of the
    // link, where files of the same names lie. Two commands, as the model
    // is saved apart from the other outputs.
    const QStringList encrypt = arguments({ "encrypt", "-k", "2", "-i", "plain.txt", "-o", "OUT" });
    const QStringList model = arguments({ "model", "--corpus", "corpus.txt", "--output", "OUT" });
    for (const auto &[name, command] : { std::pair { "encrypt", encrypt }, std::pair { "model", model } }) {
        QTest::addRow("%s through a link that leaves another link by ..", name)
            << command << QStringLiteral("ярлык/../письмо.txt") << QStringLiteral("дом/письмо.txt");
        QTest::addRow("%s through a link to such a link", name)
            << command << QStringLiteral("вторая ссылка.txt") << QStringLiteral("дом/письмо.txt");
        QTest::addRow("%s through a dangling link that leaves another link by ..", name)
            << command << QStringLiteral("ярлык/../новое.txt") << QStringLiteral("дом/новое.txt");
    }
}

// The output lands in the file the system finds through the link; the link
// and the files beside it stay as they were.
void HomophonicCliTest::outputFollowsLinksAsTheSystemDoes()
{
    QFETCH(QStringList, command);
    QFETCH(QString, linkTarget);
    QFETCH(QString, reached);

    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    QVERIFY(writeFile(dir.filePath(QStringLiteral("plain.txt")), "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0!\r\n"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("corpus.txt")),
                      QStringLiteral("Утром над рекой стоял туман, и рыбаки молча готовили лодки.\n").repeated(40).toUtf8()));
    QVERIFY(dir.mkpath(QStringLiteral("дом/комната")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("дом/письмо.txt")), "old letter"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("письмо.txt")), "unrelated letter"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("новое.txt")), "unrelated file"));
    QVERIFY(QFile::link(QStringLiteral("дом/комната"), dir.filePath(QStringLiteral("ярлык"))));
    QVERIFY(QFile::link(QStringLiteral("ярлык/../письмо.txt"), dir.filePath(QStringLiteral("вторая ссылка.txt"))));
    QVERIFY(QFile::link(linkTarget, dir.filePath(QStringLiteral("ссылка.txt"))));

    // The same command written to a plain file tells what must arrive.
    const Run direct = runCli(QStringList(command).replaceInStrings(QStringLiteral("OUT"), QStringLiteral("прямо.out")),
                              QByteArray(), dir.path());
    QCOMPARE(direct.exitCode, 0);
    const QByteArray expected = readFile(dir.filePath(QStringLiteral("прямо.out")));
    QVERIFY(!expected.isEmpty());
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("прямо.out"))));
    // System: a dangling link is listed only with it.
    const auto entries = [&dir](const QString &folder) {
        return QDir(dir.filePath(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList top = entries(QStringLiteral("."));
    QStringList home = entries(QStringLiteral("дом"));
    const QByteArray letter = readFile(dir.filePath(QStringLiteral("дом/письмо.txt")));

    const Run run = runCli(command.replaceInStrings(QStringLiteral("OUT"), QStringLiteral("ссылка.txt")), QByteArray(),
                           dir.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, direct.err);
    QCOMPARE(readFile(dir.filePath(reached)), expected);
    QCOMPARE(readFile(dir.filePath(QStringLiteral("письмо.txt"))), QByteArray("unrelated letter"));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("новое.txt"))), QByteArray("unrelated file"));
    if (reached != QStringLiteral("дом/письмо.txt"))
        QCOMPARE(readFile(dir.filePath(QStringLiteral("дом/письмо.txt"))), letter);
    QCOMPARE(entries(QStringLiteral(".")), top);
    if (!home.contains(QFileInfo(reached).fileName())) {
        home << QFileInfo(reached).fileName();
        home.sort();
    }
    QCOMPARE(entries(QStringLiteral("дом")), home);
    QCOMPARE(QFile::symLinkTarget(dir.filePath(QStringLiteral("ссылка.txt"))),
             QFileInfo(dir.filePath(linkTarget)).absoluteFilePath());
}

void HomophonicCliTest::closedStandardStreams_data()
{
    QTest::addColumn<QString>("redirections");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<QByteArray>("output"); // output.txt afterwards

    const QByteArray previous("previous result");
    const QStringList encrypt = { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("1") };
    const QStringList fromFile = encrypt + QStringList { QStringLiteral("-i"), QStringLiteral("input.txt") };
    const QStringList intoFile = encrypt + QStringList { QStringLiteral("-o"), QStringLiteral("output.txt") };
    const QString outputClosed = QStringLiteral("не удалось записать стандартный вывод: он закрыт");
    const QString inputClosed = QStringLiteral("не удалось прочитать стандартный ввод: он закрыт");
    const QString stdoutClosed = QStringLiteral(">&-");
    // An eight-byte output, the size of what the event loop's eventfd takes.
    QTest::newRow("encrypt to a closed standard output") << stdoutClosed << fromFile << 1 << outputClosed << previous;
    QTest::newRow("table to a closed standard output") << stdoutClosed << QStringList { QStringLiteral("table") } << 1 << outputClosed << previous;
    QTest::newRow("help to a closed standard output") << stdoutClosed << QStringList { QStringLiteral("--help") } << 1 << outputClosed << previous;
    QTest::newRow("version to a closed standard output") << stdoutClosed << QStringList { QStringLiteral("-v") } << 1 << outputClosed << previous;
    QTest::newRow("encrypt from a closed standard input") << QStringLiteral("<&-") << intoFile << 1 << inputClosed << previous;
    QTest::newRow("both files named, standard output closed") << stdoutClosed << fromFile + QStringList { QStringLiteral("-o"), QStringLiteral("output.txt") }
                                                             << 0 << QString() << QByteArray("01 01 \r\n");
    QTest::newRow("both files named, standard input closed") << QStringLiteral("<&-") << fromFile + QStringList { QStringLiteral("-o"), QStringLiteral("output.txt") }
                                                            << 0 << QString() << QByteArray("01 01 \r\n");
    QTest::newRow("standard error closed, the exit status still tells") << QStringLiteral("2>&-") << QStringList { QStringLiteral("encrypt") }
                                                                      << 2 << QString() << previous;
}

void HomophonicCliTest::closedStandardStreams()
{
    QFETCH(QString, redirections);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QByteArray, output);

    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    QVERIFY(writeFile(dir.filePath(QStringLiteral("input.txt")), "\xe0\xe0\r\n"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("output.txt")), "previous result"));

    const Run run = runCliFromShell(QString(), arguments, redirections, dir.path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.isEmpty());
    if (message.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QCOMPARE(run.err, QStringLiteral("homophonic: ") + message + QLatin1Char('\n'));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("output.txt"))), output);
    QCOMPARE(entriesOf(dir.path()), QStringList({ QStringLiteral("input.txt"), QStringLiteral("output.txt") }));
}

void HomophonicCliTest::threadsDoNotChangeTheOutput_data()
{
    QTest::addColumn<QStringList>("arguments");

    const QStringList input { QStringLiteral("-i"), QStringLiteral("input.txt") };
    QTest::newRow("encrypt with codes in turn") << QStringList { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("3") } + input;
    QTest::newRow("encrypt with random codes from a seed") << QStringList { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("2"), QStringLiteral("--choice"), QStringLiteral("random"), QStringLiteral("--seed"), QStringLiteral("7") } + input;
    QTest::newRow("decrypt") << QStringList { QStringLiteral("decrypt"), QStringLiteral("-k"), QStringLiteral("2") } + input;
    QTest::newRow("encrypt UTF-8") << QStringList { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("2"), QStringLiteral("-e"), QStringLiteral("utf-8") } + input;
}

// Several blocks of mixed lines through the tool: one thread, four threads and
// the default give the same bytes, and off a terminal no progress is shown.
void HomophonicCliTest::threadsDoNotChangeTheOutput()
{
    QFETCH(QStringList, arguments);

    QTemporaryDir temporary;
    QRandomGenerator random(20240611);
    QByteArray input;
    const QByteArray pieces[] = { "\xcf\xf0\xe8\xe2\xe5\xf2", " ", "01 ", "12", "\r\n", "\n", "\r", "\xa8", "\x98", "?" };
    while (input.size() < (5 << 20))
        input += pieces[random.bounded(int(std::size(pieces)))];
    QVERIFY(writeFile(QDir(temporary.path()).filePath(QStringLiteral("input.txt")), input));

    const Run single = runCli(arguments + QStringList { QStringLiteral("--jobs"), QStringLiteral("1") }, QByteArray(), temporary.path());
    QCOMPARE(single.exitCode, 0);
    QVERIFY(single.out.size() > input.size() / 3);
    for (const QStringList &more : { QStringList { QStringLiteral("--jobs"), QStringLiteral("4") }, QStringList { QStringLiteral("--quiet") } }) {
        const Run run = runCli(arguments + more, QByteArray(), temporary.path());
        QCOMPARE(run.exitCode, single.exitCode);
        QVERIFY2(run.out == single.out, qPrintable(more.join(QLatin1Char(' '))));
        QCOMPARE(run.err, single.err);
    }
}

QTEST_GUILESS_MAIN(HomophonicCliTest)
#include "tst_homophoniccli.moc"
