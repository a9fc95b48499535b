// The command-line tool, run as a process, against the library it is built on.
#include "homophonic.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run runCli(const QStringList &arguments, const QByteArray &input = QByteArray())
{
    QProcess process;
    process.start(QStringLiteral(HOMOPHONIC_CLI_PATH), arguments);
    Run run;
    if (!process.waitForStarted()) {
        run.err = process.errorString();
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish normally");
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QTextCodec *codecOf(const QString &encoding)
{
    return QTextCodec::codecForName(encoding == QLatin1String("utf-8") ? "UTF-8" : "Windows-1251");
}

QByteArray encoded(const QString &text, const QString &encoding)
{
    return encoding == QLatin1String("utf-8") ? text.toUtf8() : codecOf(encoding)->fromUnicode(text);
}

// What the tool must write: every line on its own through the library with a
// freshly filled table, each followed by the line ending it had.
QByteArray expectedOutput(QByteArray input, const QString &command, int key, const QString &encoding)
{
    QTextCodec *inputCodec = codecOf(encoding);
    if (input.startsWith("\xEF\xBB\xBF")) {
        input.remove(0, 3);
        inputCodec = codecOf(QStringLiteral("utf-8"));
    }
    const QList<QByteArray> lines = input.split('\n');
    QByteArray output;
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        const bool last = i == lines.size() - 1;
        if (last && line.isEmpty())
            break;
        QByteArray ending = last ? QByteArray() : QByteArrayLiteral("\n");
        if (!last && line.endsWith('\r')) {
            line.chop(1);
            ending = QByteArrayLiteral("\r\n");
        }
        HomophoneTable table;
        fillHomophoneTable(table);
        const QString text = inputCodec->toUnicode(line);
        const QString result = command == QLatin1String("encrypt") ? encryptHomophonic(table, text, key)
                                                                   : decryptHomophonic(table, text, key);
        output += encoded(result, encoding) + ending;
    }
    return output;
}

// The text as decryption gives it back: letters of the table upper-cased.
QString withTableLettersUpperCased(const QString &text)
{
    HomophoneTable table;
    fillHomophoneTable(table);
    QString result = text;
    for (QChar &c : result) {
        for (const RowHR &row : table) {
            if (row.symbol == QString(c.toUpper()))
                c = c.toUpper();
        }
    }
    return result;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
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
    void tableListsEveryRow();
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

    const QByteArray plain = encoded(text, encoding);
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
             withTableLettersUpperCased(codecOf(encoding)->toUnicode(plain)));
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
        QTest::addRow("key «%s»", key) << args({ "encrypt", "--key", key }) << QStringLiteral("ключ должен быть числом от 1 до 3, а не «%1»").arg(QString::fromUtf8(key));
    QTest::newRow("unknown option") << args({ "encrypt", "--key", "1", "--colour" }) << QStringLiteral("неизвестный параметр «--colour»");
    QTest::newRow("unknown short option") << args({ "decrypt", "-k", "1", "-x" }) << QStringLiteral("неизвестный параметр «-x»");
    QTest::newRow("unknown encoding") << args({ "encrypt", "--key", "1", "--encoding", "koi8-r" }) << QStringLiteral("неизвестная кодировка «koi8-r»");
    QTest::newRow("table with a key") << args({ "table", "--key", "1" }) << QStringLiteral("команда table не принимает параметр «--key»");
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

    const Run run = runCli(QStringList { QStringLiteral("--input"), inputPath, QStringLiteral("--output"), outputPath } + arguments);
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
    if (QFileInfo::exists(QStringLiteral("/dev/full")))
        QTest::newRow("output device full") << QStringLiteral("input.txt") << QStringLiteral("/dev/full") << QStringLiteral("/dev/full") << QStringLiteral("не удалось записать файл");
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

    const QString usage = QStringLiteral("homophonic encrypt --key K [--input ФАЙЛ] [--output ФАЙЛ] [--encoding КОДИРОВКА]");
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

void HomophonicCliTest::tableListsEveryRow()
{
    const Run run = runCli({ QStringLiteral("table") });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QStringList lines = QString::fromLocal8Bit(run.out).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 33);
    QCOMPARE(lines.last(), QString());
    HomophoneTable table;
    fillHomophoneTable(table);
    for (int row = 0; row < 32; ++row) {
        const QStringList fields = lines.at(row).split(QLatin1Char('\t'));
        QCOMPARE(fields, QStringList({ table[row].symbol, table[row].codes[0], table[row].codes[1], table[row].codes[2] }));
    }
}

QTEST_GUILESS_MAIN(HomophonicCliTest)
#include "tst_homophoniccli.moc"
