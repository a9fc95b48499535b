// Key files in the command-line tool, run as a process: made by keygen,
// printed and checked by table, used by encrypt, decrypt and analyze.
#include "clirunner.h"
#include "homophonic.h"
#include "keytable.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

QStringList withoutComments(const QByteArray &keyFile)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(keyFile).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char('#')))
            lines << line;
    }
    return lines;
}

// No Й or Ё, which the table lacks and decryption would leave in lower case.
const QString text = QStringLiteral("Секретная таблица замены,\nи коды выбраны наугад\r\n");

} // namespace

class KeysCliTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keygenMakesAValidTable();
    void keygenSeedGivesTheSameTable();
    void tableReadsBackWhatItPrints();
    void roundTripWithAKeyFile_data();
    void roundTripWithAKeyFile();
    void randomChoiceWithASeedIsReproducible();
    void badKeyFileChangesNoFile_data();
    void badKeyFileChangesNoFile();
    void badOptionsAreUsageErrors_data();
    void badOptionsAreUsageErrors();
    void analyzeUsesTheKeyTable();
    void keygenDealsHomophones_data();
    void keygenDealsHomophones();
    void keygenThreeIsTodaysTable();
    void keyIsOptionalWithATable();
    void newKeyFilesAreTheOwnersOnly_data();
    void newKeyFilesAreTheOwnersOnly();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    Run cli(const QStringList &arguments, const QByteArray &input = QByteArray()) const
    {
        return runProgram(QStringLiteral(HOMOPHONIC_CLI_PATH), arguments, input, m_dir->path());
    }
    QByteArray makeKey(const QString &name, const QString &seed);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void KeysCliTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QByteArray KeysCliTest::makeKey(const QString &name, const QString &seed)
{
    QStringList arguments { QStringLiteral("keygen"), QStringLiteral("--output"), name };
    if (!seed.isEmpty())
        arguments << QStringLiteral("--seed") << seed;
    const Run run = cli(arguments);
    if (run.exitCode != 0)
        qWarning("keygen failed: %s", qPrintable(run.err));
    return readFile(path(name));
}

void KeysCliTest::keygenMakesAValidTable()
{
    const QByteArray key = makeKey(QStringLiteral("ключ.txt"), QString());
    QVERIFY(key.startsWith("# "));
    const KeyFileReading reading = readKeyTable(key, QStringLiteral("ключ.txt"));
    QVERIFY2(reading.table, qPrintable(reading.problems.join(QLatin1Char('\n'))));
    QSet<QString> codes;
    for (const KeyRow &row : *reading.table) {
        for (const QString &code : row.codes)
            codes << code;
    }
    QCOMPARE(codes.size(), 96);
    const KeyTable &fixed = fixedKeyTable();
    QVERIFY(keyTableText(*reading.table) != keyTableText(fixed));

    // Two runs without a seed draw from the system's source.
    QVERIFY(withoutComments(makeKey(QStringLiteral("другой.txt"), QString())) != withoutComments(key));
}

void KeysCliTest::keygenSeedGivesTheSameTable()
{
    const QStringList first = withoutComments(makeKey(QStringLiteral("a.txt"), QStringLiteral("2026")));
    const QStringList again = withoutComments(makeKey(QStringLiteral("b.txt"), QStringLiteral("2026")));
    const QStringList other = withoutComments(makeKey(QStringLiteral("c.txt"), QStringLiteral("2027")));
    QCOMPARE(first.size(), 33);
    QCOMPARE(again, first);
    QVERIFY(other != first);
    const Run toStandardOutput = cli({ QStringLiteral("keygen"), QStringLiteral("--seed"), QStringLiteral("2026") });
    QCOMPARE(toStandardOutput.exitCode, 0);
    QCOMPARE(withoutComments(toStandardOutput.out), first);
}

// A key file edited by hand (rows in another order, comments, CRLF) is
// printed back normalised, and what table prints reads back as the table.
void KeysCliTest::tableReadsBackWhatItPrints()
{
    QStringList rows = withoutComments(makeKey(QStringLiteral("ключ.txt"), QStringLiteral("7")));
    rows.removeAll(QString());
    std::reverse(rows.begin(), rows.end());
    QVERIFY(writeFile(path(QStringLiteral("правленый.txt")),
                      (QStringLiteral("# свой ключ\r\n\r\n") + rows.join(QStringLiteral("\r\n"))).toUtf8()));

    const Run printed = cli({ QStringLiteral("table"), QStringLiteral("--table"), QStringLiteral("правленый.txt") });
    QCOMPARE(printed.err, QString());
    QCOMPARE(printed.exitCode, 0);
    const KeyFileReading original = readKeyFile(path(QStringLiteral("ключ.txt")));
    QVERIFY(original.table);
    QCOMPARE(QString::fromUtf8(printed.out), keyTableText(*original.table));

    const Run fixed = cli({ QStringLiteral("table") });
    const KeyFileReading readBack = readKeyTable(fixed.out, QStringLiteral("-"));
    QVERIFY(readBack.table);
    const KeyTable &table = fixedKeyTable();
    QCOMPARE(keyTableText(*readBack.table), keyTableText(table));
}

void KeysCliTest::roundTripWithAKeyFile_data()
{
    QTest::addColumn<QString>("key"); // empty: no --key
    QTest::addColumn<QStringList>("choice");
    QTest::addColumn<QString>("homophones");
    const QStringList random { QStringLiteral("--choice"), QStringLiteral("random") };
    for (const char *key : { "1", "2", "3" }) {
        QTest::addRow("key %s, cyclic", key) << QString::fromLatin1(key) << QStringList() << QStringLiteral("3");
        QTest::addRow("key %s, random", key) << QString::fromLatin1(key) << random << QStringLiteral("3");
    }
    QTest::newRow("proportional key, every code, cyclic") << QString() << QStringList() << QStringLiteral("proportional");
    QTest::newRow("proportional key, every code, random") << QString() << random << QStringLiteral("proportional");
    QTest::newRow("proportional key, key 4, random") << QStringLiteral("4") << random << QStringLiteral("proportional");
    QTest::newRow("one code each, no key") << QString() << QStringList() << QStringLiteral("1");
}

void KeysCliTest::roundTripWithAKeyFile()
{
    QFETCH(QString, key);
    QFETCH(QStringList, choice);
    QFETCH(QString, homophones);
    QCOMPARE(cli({ QStringLiteral("keygen"), QStringLiteral("--seed"), QStringLiteral("11"), QStringLiteral("--homophones"),
                   homophones, QStringLiteral("-o"), QStringLiteral("ключ.txt") }).exitCode, 0);
    QStringList common { QStringLiteral("-e"), QStringLiteral("utf-8") };
    if (!key.isEmpty())
        common << QStringLiteral("-k") << key;
    const Run encrypted = cli(QStringList { QStringLiteral("encrypt"), QStringLiteral("--table"),
                                            QStringLiteral("ключ.txt") } + common + choice, text.toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    const Run withFixedTable = cli(QStringList { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("3"),
                                                 QStringLiteral("-e"), QStringLiteral("utf-8") }, text.toUtf8());
    QVERIFY(encrypted.out != withFixedTable.out);

    const Run decrypted = cli(QStringList { QStringLiteral("decrypt"), QStringLiteral("--table"),
                                            QStringLiteral("ключ.txt") } + common, encrypted.out);
    QCOMPARE(decrypted.exitCode, 0);
    QCOMPARE(QString::fromUtf8(decrypted.out), text.toUpper());
}

void KeysCliTest::randomChoiceWithASeedIsReproducible()
{
    const QByteArray line = QString(3000, QChar(u'О')).toUtf8();
    const auto encrypt = [&](const QStringList &extra) {
        return cli(QStringList { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("3"),
                                 QStringLiteral("-e"), QStringLiteral("utf-8"), QStringLiteral("--choice"),
                                 QStringLiteral("random") } + extra, line).out;
    };
    const QByteArray seeded = encrypt({ QStringLiteral("--seed"), QStringLiteral("42") });
    QCOMPARE(encrypt({ QStringLiteral("--seed"), QStringLiteral("42") }), seeded);
    QVERIFY(encrypt({ QStringLiteral("--seed"), QStringLiteral("43") }) != seeded);
    QVERIFY(encrypt({}) != encrypt({}));
    // О has 14, 46 and 78; every one of them occurs, not in rotation.
    const QList<QByteArray> codes = seeded.trimmed().split(' ');
    QCOMPARE(codes.size(), 3000);
    for (const QByteArray &code : { QByteArray("14"), QByteArray("46"), QByteArray("78") })
        QVERIFY(codes.count(code) > 800);
    QVERIFY(!seeded.startsWith("14 46 78 14 46 78 14 46 78 "));
}

void KeysCliTest::badKeyFileChangesNoFile_data()
{
    QTest::addColumn<QByteArray>("keyFile");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");

    const KeyTable &fixed = fixedKeyTable();
    QByteArray valid = keyTableText(fixed).toUtf8();
    QTest::newRow("code used twice, encrypt")
        << QByteArray(valid).replace("01\t33\t65", "01\t33\t00") << QStringLiteral("encrypt")
        << QStringLiteral("строка 2");
    QTest::newRow("symbol missing, decrypt") << QByteArray(valid).replace("Я\t31\t63\t95\n", "")
                                             << QStringLiteral("decrypt") << QStringLiteral("«Я»");
    QTest::newRow("not UTF-8, table") << QByteArray("\xC0\t01\t33\t65\n") << QStringLiteral("table")
                                      << QStringLiteral("UTF-8");
    QTest::newRow("larger than 64 KiB, analyze") << QByteArray(70000, '#') << QStringLiteral("analyze")
                                                 << QStringLiteral("64");
    QTest::newRow("a symbol without codes, encrypt") << QByteArray(valid).replace("Г\t04\t36\t68", "Г")
                                                     << QStringLiteral("encrypt") << QStringLiteral("строка 5: у символа нет кодов");
    // 96 codes, 96 to 99 for А, and 00 once more for Б: 101.
    QTest::newRow("101 codes, decrypt")
        << QByteArray(valid).replace("01\t33\t65", "01\t33\t65\t96\t97\t98\t99").replace("02\t34\t66", "02\t34\t66\t00")
        << QStringLiteral("decrypt") << QStringLiteral("строка 32: здесь 101-й код таблицы");
    QTest::newRow("a code twice in a long row, analyze")
        << QByteArray(valid).replace("01\t33\t65", "01\t33\t65\t96\t97\t96") << QStringLiteral("analyze")
        << QStringLiteral("строка 2: код 96 повторяется в этой строке");
}

void KeysCliTest::badKeyFileChangesNoFile()
{
    QFETCH(QByteArray, keyFile);
    QFETCH(QString, command);
    QFETCH(QString, message);
    QVERIFY(writeFile(path(QStringLiteral("плохой.txt")), keyFile));
    QVERIFY(writeFile(path(QStringLiteral("прежний.txt")), "прежний результат"));
    QVERIFY(writeFile(path(QStringLiteral("открытый.txt")), "текст"));
    const QStringList before = QDir(m_dir->path()).entryList(QDir::Files);

    QStringList arguments { command, QStringLiteral("--table"), QStringLiteral("плохой.txt") };
    if (command != QLatin1String("table"))
        arguments << QStringLiteral("-k") << QStringLiteral("2") << QStringLiteral("-i")
                  << QStringLiteral("открытый.txt");
    if (command == QLatin1String("encrypt") || command == QLatin1String("decrypt"))
        arguments << QStringLiteral("-o") << QStringLiteral("прежний.txt");
    const Run run = cli(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QStringLiteral("«плохой.txt»")) && run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(readFile(path(QStringLiteral("прежний.txt"))), QByteArray("прежний результат"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), before);
}

void KeysCliTest::badOptionsAreUsageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown choice") << arguments({ "encrypt", "-k", "2", "--choice", "shuffle", "-o", "out.txt" })
                                    << QStringLiteral("неизвестный выбор кодов «shuffle»");
    QTest::newRow("negative seed") << arguments({ "keygen", "--seed", "-1", "-o", "out.txt" })
                                   << QStringLiteral("зерно должно быть целым числом");
    QTest::newRow("seed that is not a number") << arguments({ "encrypt", "-k", "2", "--choice", "random", "--seed", "abc",
                                                         "-o", "out.txt" })
                                               << QStringLiteral("зерно должно быть целым числом");
    QTest::newRow("seed beyond 64 bits") << arguments({ "keygen", "--seed", "18446744073709551616", "-o", "out.txt" })
                                         << QStringLiteral("зерно должно быть целым числом");
    QTest::newRow("seed with cyclic choice") << arguments({ "encrypt", "-k", "2", "--seed", "1", "-o", "out.txt" })
                                             << QStringLiteral("--choice random");
    QTest::newRow("choice for decryption") << arguments({ "decrypt", "-k", "2", "--choice", "random", "-o", "out.txt" })
                                           << QStringLiteral("команда decrypt не принимает параметр «--choice»");
    QTest::newRow("table option without a key in analyze")
        << arguments({ "analyze", "--table", "ключ.txt" }) << QStringLiteral("нужен, только когда текст шифруется");
    QTest::newRow("missing key file") << arguments({ "encrypt", "-k", "1", "--table", "нет.txt", "-o", "out.txt" })
                                      << QStringLiteral("нет.txt");
    QTest::newRow("four homophones make 128 codes") << arguments({ "keygen", "--homophones", "4", "-o", "out.txt" })
                                                    << QStringLiteral("--homophones: число кодов у символа (или proportional) должно быть целым числом от 1 до 3, а не «4»");
    QTest::newRow("no homophones") << arguments({ "keygen", "--homophones", "0", "-o", "out.txt" })
                                   << QStringLiteral("от 1 до 3, а не «0»");
    QTest::newRow("a misspelt proportional") << arguments({ "keygen", "--homophones", "proportionally", "-o", "out.txt" })
                                             << QStringLiteral("а не «proportionally»");
    QTest::newRow("31 codes leave a symbol without one")
        << arguments({ "keygen", "--homophones", "proportional", "--codes", "31", "-o", "out.txt" })
        << QStringLiteral("--codes: число кодов должно быть целым числом от 32 до 100, а не «31»");
    QTest::newRow("101 codes are more than 00 to 99")
        << arguments({ "keygen", "--homophones", "proportional", "--codes", "101", "-o", "out.txt" })
        << QStringLiteral("от 32 до 100, а не «101»");
    QTest::newRow("codes with equal rows") << arguments({ "keygen", "--codes", "50", "-o", "out.txt" })
                                           << QStringLiteral("параметр «--codes» нужен только с --homophones proportional");
    QTest::newRow("corpus with equal rows") << arguments({ "keygen", "--homophones", "2", "--corpus", "к.txt", "-o", "out.txt" })
                                            << QStringLiteral("параметр «--corpus» нужен только с --homophones proportional");
    QTest::newRow("fixed table still needs a key") << arguments({ "encrypt", "-o", "out.txt" })
                                                   << QStringLiteral("не указан ключ: --key 1, 2 или 3");
    QTest::newRow("fixed table still takes keys 1 to 3") << arguments({ "encrypt", "-k", "4", "-o", "out.txt" })
                                                         << QStringLiteral("ключ должен быть целым числом от 1 до 3, а не «4»");
}

void KeysCliTest::badOptionsAreUsageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = cli(arguments, QByteArray("текст"));
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("out.txt"))));
}

// Side by side with a key table: with k = 1 the codes counted are exactly
// the table's first codes of the symbols counted.
void KeysCliTest::analyzeUsesTheKeyTable()
{
    makeKey(QStringLiteral("ключ.txt"), QStringLiteral("5"));
    QVERIFY(writeFile(path(QStringLiteral("открытый.txt")), text.toUtf8()));
    const Run run = cli({ QStringLiteral("analyze"), QStringLiteral("-k"), QStringLiteral("1"), QStringLiteral("-e"),
                          QStringLiteral("utf-8"), QStringLiteral("--table"), QStringLiteral("ключ.txt"),
                          QStringLiteral("-i"), QStringLiteral("открытый.txt"), QStringLiteral("--format"),
                          QStringLiteral("json") });
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    const QJsonObject plain = json.value(QStringLiteral("plain")).toObject().value(QStringLiteral("counts")).toObject();
    const QJsonObject cipher = json.value(QStringLiteral("cipher")).toObject().value(QStringLiteral("counts")).toObject();
    const KeyFileReading key = readKeyFile(path(QStringLiteral("ключ.txt")));
    QVERIFY(key.table);
    QVERIFY(!plain.isEmpty());
    for (const KeyRow &row : *key.table)
        QCOMPARE(cipher.value(row.codes[0]).toInt(), plain.value(row.symbol).toInt());
}

void KeysCliTest::keygenDealsHomophones_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("codes");
    QTest::addColumn<QString>("dealing"); // in the comment; empty for none
    QTest::newRow("one code each") << arguments({ "--homophones", "1" }) << 32 << QStringLiteral("по одному коду");
    QTest::newRow("two codes each") << arguments({ "--homophones", "2" }) << 64 << QStringLiteral("по два кода");
    QTest::newRow("in proportion, a hundred") << arguments({ "--homophones", "proportional" }) << 100
                                              << QStringLiteral("100 кодов розданы пропорционально частотам символов во встроенной модели");
    QTest::newRow("in proportion, 32") << arguments({ "--homophones", "proportional", "--codes", "32" }) << 32
                                       << QStringLiteral("32 кодов");
    QTest::newRow("in proportion, 60") << arguments({ "--homophones", "proportional", "--codes", "60" }) << 60
                                       << QStringLiteral("60 кодов");
    QTest::newRow("in proportion to a corpus")
        << arguments({ "--homophones", "proportional", "--codes", "40", "--corpus", "корпус.txt" }) << 40
        << QStringLiteral("в корпусе «корпус.txt»");
}

// Every symbol gets its codes, all distinct, as many in all as asked; the
// comment says how they were dealt; a seed gives one table.
void KeysCliTest::keygenDealsHomophones()
{
    QFETCH(QStringList, options);
    QFETCH(int, codes);
    QFETCH(QString, dealing);
    // А three times as often as Б, nothing else.
    QVERIFY(writeFile(path(QStringLiteral("корпус.txt")),
                      (QString(60, QChar(u'А')) + QLatin1Char('\n') + QString(20, QChar(u'б'))).toUtf8()));
    const QStringList keygen = QStringList { QStringLiteral("keygen"), QStringLiteral("--seed"), QStringLiteral("5") } + options;
    const Run run = cli(keygen + QStringList { QStringLiteral("-o"), QStringLiteral("ключ.txt") });
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    const QByteArray file = readFile(path(QStringLiteral("ключ.txt")));
    QVERIFY2(QString::fromUtf8(file).contains(dealing), file.constData());
    const KeyFileReading reading = readKeyTable(file, QStringLiteral("ключ.txt"));
    QVERIFY2(reading.table, qPrintable(reading.problems.join(QLatin1Char('\n'))));
    QSet<QString> seen;
    for (const KeyRow &row : *reading.table) {
        QVERIFY(!row.codes.isEmpty());
        for (const QString &code : row.codes)
            seen << code;
    }
    QCOMPARE(seen.size(), codes);
    QCOMPARE(withoutComments(cli(keygen).out), withoutComments(file));

    const KeyTable &table = *reading.table;
    if (options.contains(QStringLiteral("корпус.txt"))) {
        // Quotas 30 and 10 of 40; the 30 symbols that never occur take one
        // each, which leaves 10 to share 3 to 1.
        QCOMPARE(table[1].codes.size(), 8);
        QCOMPARE(table[2].codes.size(), 2);
    } else if (codes == 100) {
        // Russian: the space about a sixth of the text, О and Е about a
        // tenth and a twelfth, Ъ almost never.
        QVERIFY2(table[0].codes.size() >= 15 && table[0].codes.size() <= 18, qPrintable(table[0].codes.join(QLatin1Char(' '))));
        QVERIFY(table[14].codes.size() >= 8 && table[14].codes.size() <= 10); // О
        QVERIFY(table[6].codes.size() >= 7 && table[6].codes.size() <= 9);    // Е
        QCOMPARE(table[26].codes.size(), 1);                                  // Ъ
    }
}

// Three codes each is the table that keygen has always made from a seed, as
// the README shows it for seed 2026.
void KeysCliTest::keygenThreeIsTodaysTable()
{
    const Run three = cli(arguments({ "keygen", "--seed", "2026", "--homophones", "3" }));
    QCOMPARE(three.exitCode, 0);
    const QStringList rows = withoutComments(three.out);
    QCOMPARE(rows.at(0), QStringLiteral("␣\t30\t34\t96"));
    QCOMPARE(rows.at(1), QStringLiteral("А\t65\t60\t78"));
    QCOMPARE(rows.at(2), QStringLiteral("Б\t89\t18\t63"));
    QCOMPARE(rows, withoutComments(cli(arguments({ "keygen", "--seed", "2026" })).out));
    QVERIFY(three.out.contains("# В строке символ и три его кода через табуляцию; ␣ — пробел.\n␣"));
}

// With a key file, --key may be left out for every code of every row, and
// ranges up to the longest row.
void KeysCliTest::keyIsOptionalWithATable()
{
    QCOMPARE(cli(arguments({ "keygen", "--seed", "3", "--homophones", "proportional", "-o", "ключ.txt" })).exitCode, 0);
    const KeyFileReading key = readKeyFile(path(QStringLiteral("ключ.txt")));
    QVERIFY(key.table);
    int longest = 0;
    for (const KeyRow &row : *key.table)
        longest = qMax(longest, int(row.codes.size()));
    QVERIFY(longest >= 15);

    const QByteArray plain = QString(40, QChar(u'О')).toUtf8();
    const QStringList encrypt = arguments({ "encrypt", "--table", "ключ.txt", "-e", "utf-8" });
    const Run all = cli(encrypt, plain);
    QCOMPARE(all.exitCode, 0);
    QCOMPARE(cli(encrypt + QStringList { QStringLiteral("-k"), QString::number(longest) }, plain).out, all.out);
    // Cyclic choice: О's codes in the file's order, round and round.
    const QStringList codes = QString::fromUtf8(all.out).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList &row = (*key.table)[14].codes;
    for (int i = 0; i < 40; ++i)
        QCOMPARE(codes.at(i), row.at(i % row.size()));

    const Run beyond = cli(encrypt + QStringList { QStringLiteral("-k"), QString::number(longest + 1) }, plain);
    QCOMPARE(beyond.exitCode, 2);
    QVERIFY2(beyond.err.contains(QStringLiteral("ключ должен быть целым числом от 1 до %1").arg(longest)), qPrintable(beyond.err));
    QCOMPARE(beyond.out, QByteArray());

    const Run back = cli(arguments({ "decrypt", "--table", "ключ.txt", "-e", "utf-8" }), all.out);
    QCOMPARE(back.exitCode, 0);
    QCOMPARE(back.out, plain);
}

void KeysCliTest::newKeyFilesAreTheOwnersOnly_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("existingMode"); // -1: the file does not exist yet
    QTest::addColumn<int>("expectedMode");
    for (const int mask : {0, 022}) {
        QTest::addRow("keygen --output, umask %03o", mask) << arguments({ "keygen", "-o", "ключ.txt" }) << mask << -1 << 0600;
        QTest::addRow("crack --key-out, umask %03o", mask)
            << arguments({ "crack", "-i", "шифр.txt", "-e", "utf-8", "-o", "открытый.txt", "--key-out", "ключ.txt" })
            << mask << -1 << 0600;
        QTest::addRow("keygen over a file of mode 644, umask %03o", mask)
            << arguments({ "keygen", "-o", "ключ.txt" }) << mask << 0644 << 0644;
    }
    QTest::newRow("crack's plaintext follows the umask")
        << arguments({ "crack", "-i", "шифр.txt", "-e", "utf-8", "-o", "ключ.txt" }) << 022 << -1 << 0644;
}

// A key is a secret: a new key file is readable and writable by its owner
// only, whatever the umask; a file that exists keeps its mode.
void KeysCliTest::newKeyFilesAreTheOwnersOnly()
{
    QFETCH(QStringList, command);
    QFETCH(int, umask);
    QFETCH(int, existingMode);
    QFETCH(int, expectedMode);
    // A fixed-table ciphertext, which crack reads at once.
    const Run cipher = cli(arguments({ "encrypt", "-k", "2", "-e", "utf-8", "-o", "шифр.txt" }),
                           QStringLiteral("Тайное становится явным, если ключ лежит на виду у всех.\n").toUtf8());
    QCOMPARE(cipher.exitCode, 0);
    const QByteArray keyPath = QFile::encodeName(path(QStringLiteral("ключ.txt")));
    if (existingMode >= 0) {
        QVERIFY(writeFile(path(QStringLiteral("ключ.txt")), "старый ключ"));
        QCOMPARE(::chmod(keyPath.constData(), mode_t(existingMode)), 0);
    }
    const mode_t previous = ::umask(mode_t(umask));
    const Run run = cli(command);
    ::umask(previous);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    struct stat status;
    QCOMPARE(::stat(keyPath.constData(), &status), 0);
    QCOMPARE(int(status.st_mode & 07777), expectedMode);
    QVERIFY(readFile(path(QStringLiteral("ключ.txt"))) != "старый ключ");
}

QTEST_MAIN(KeysCliTest)
#include "tst_keyscli.moc"
