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
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("choice");
    for (const char *key : { "1", "2", "3" }) {
        QTest::addRow("key %s, cyclic", key) << QString::fromLatin1(key) << QStringList();
        QTest::addRow("key %s, random", key) << QString::fromLatin1(key)
                                             << QStringList { QStringLiteral("--choice"), QStringLiteral("random") };
    }
}

void KeysCliTest::roundTripWithAKeyFile()
{
    QFETCH(QString, key);
    QFETCH(QStringList, choice);
    makeKey(QStringLiteral("ключ.txt"), QStringLiteral("11"));
    const QStringList common { QStringLiteral("-k"), key, QStringLiteral("-e"), QStringLiteral("utf-8") };
    const Run encrypted = cli(QStringList { QStringLiteral("encrypt"), QStringLiteral("--table"),
                                            QStringLiteral("ключ.txt") } + common + choice, text.toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    const Run withFixedTable = cli(QStringList { QStringLiteral("encrypt") } + common, text.toUtf8());
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

QTEST_MAIN(KeysCliTest)
#include "tst_keyscli.moc"
