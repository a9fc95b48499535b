// The numeric options of the tool, run as a process: each is taken at both
// ends of its range and refused one past them, and every one is written the
// same way (ASCII digits, no sign or spaces; seconds with at most three
// decimals after a point).
#include "clirunner.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Prose written for this test; encrypted with the fixed table it is long
// enough for crack to recognise the table at once, whatever its time limit.
const QString prose = QStringLiteral(
    "Утром над рекой стоял туман, и рыбаки молча готовили лодки. Солнце поднималось медленно, "
    "вода светлела, а на том берегу уже кричали птицы. Старик проверил сети, посмотрел на небо "
    "и сказал, что сегодня будет хороший улов.\n");

struct NumericOption
{
    const char *name;
    QString range; // as the message states it
    QList<QStringList> commands; // every command that takes the option, ready to run but for it
    QStringList pastTheEnds;
};

const QString maxSeed = QStringLiteral("18446744073709551615");

QList<NumericOption> numericOptions()
{
    const QStringList in = arguments({ "-i", "input.txt" });
    const QStringList out = arguments({ "-o", "out.txt" });
    return {
        { "--key", QStringLiteral("ключ должен быть целым числом от 1 до 3"),
          { arguments({ "encrypt" }) + in + out, arguments({ "decrypt" }) + in + out,
            arguments({ "analyze", "--chart", "out.svg" }) + in },
          { QStringLiteral("0"), QStringLiteral("4") } },
        { "--jobs", QStringLiteral("число потоков должно быть целым числом от 1 до 1024"),
          { arguments({ "encrypt", "-k", "2" }) + in + out, arguments({ "decrypt", "-k", "2" }) + in + out },
          { QStringLiteral("0"), QStringLiteral("1025") } },
        { "--seed", QStringLiteral("зерно должно быть целым числом от 0 до ") + maxSeed,
          { arguments({ "encrypt", "-k", "2", "--choice", "random" }) + in + out, out + arguments({ "keygen" }),
            arguments({ "crack", "--key-out", "key.txt" }) + in + out,
            arguments({ "analyze", "-k", "2", "--choice", "random", "--chart", "out.svg" }) + in },
          { QStringLiteral("-1"), QStringLiteral("18446744073709551616") } },
        { "--time-limit",
          QStringLiteral("лимит времени должен быть числом секунд от 0.001 до 86400, не больше трёх знаков "
                         "после точки"),
          { arguments({ "crack", "--key-out", "key.txt" }) + in + out },
          { QStringLiteral("0"), QStringLiteral("0.000"), QStringLiteral("86400.001") } },
    };
}

} // namespace

class NumericOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void endsOfEachRangeAreTaken_data();
    void endsOfEachRangeAreTaken();
    void seedsAtBothEndsAreTheirOwn();
    void valuesWrittenOtherwiseAreRefused_data();
    void valuesWrittenOtherwiseAreRefused();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    Run cli(const QStringList &arguments, const QByteArray &input = QByteArray()) const
    {
        return runProgram(QStringLiteral(HOMOPHONIC_CLI_PATH), arguments, input, m_dir->path());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void NumericOptionsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void NumericOptionsTest::endsOfEachRangeAreTaken_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected"); // standard output; empty: what decrypt -k 2 prints of the input

    // The fixed table gives А the codes 01, 33 and 65; the key says how many
    // of them take turns.
    const QByteArray letters("\xc0\xc0\xc0\r\n");
    QTest::newRow("key 1, the fewest alphabets") << arguments({ "encrypt", "--key", "1" }) << letters << QByteArray("01 01 01 \r\n");
    QTest::newRow("key 3, the most alphabets") << arguments({ "encrypt", "--key", "3" }) << letters << QByteArray("01 33 65 \r\n");
    QTest::newRow("key with a leading zero is decimal") << arguments({ "encrypt", "--key", "03" }) << letters << QByteArray("01 33 65 \r\n");
    QTest::newRow("one job") << arguments({ "encrypt", "-k", "3", "--jobs", "1" }) << letters << QByteArray("01 33 65 \r\n");
    QTest::newRow("1024 jobs") << arguments({ "encrypt", "-k", "3", "--jobs", "1024" }) << letters << QByteArray("01 33 65 \r\n");
    QTest::newRow("1024 jobs, decrypt") << arguments({ "decrypt", "-k", "3", "--jobs", "1024" }) << QByteArray("01 33 65 \r\n") << QByteArray("\xc0\xc0\xc0\r\n");
    QTest::newRow("shortest time limit") << arguments({ "crack", "-e", "utf-8", "--time-limit", "0.001" }) << QByteArray() << QByteArray();
    QTest::newRow("longest time limit") << arguments({ "crack", "-e", "utf-8", "--time-limit", "86400" }) << QByteArray() << QByteArray();
    QTest::newRow("longest time limit with decimals") << arguments({ "crack", "-e", "utf-8", "--time-limit", "86400.000" }) << QByteArray() << QByteArray();
    QTest::newRow("seed 0 for crack") << arguments({ "crack", "-e", "utf-8", "--seed", "0" }) << QByteArray() << QByteArray();
    QTest::newRow("largest seed for crack") << QStringList { QStringLiteral("crack"), QStringLiteral("-e"), QStringLiteral("utf-8"), QStringLiteral("--seed"), maxSeed }
                                            << QByteArray() << QByteArray();
}

void NumericOptionsTest::endsOfEachRangeAreTaken()
{
    QFETCH(QStringList, command);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    if (input.isEmpty()) {
        const Run encrypted = cli(arguments({ "encrypt", "-k", "2", "-e", "utf-8" }), prose.toUtf8());
        QCOMPARE(encrypted.exitCode, 0);
        input = encrypted.out;
        const Run decrypted = cli(arguments({ "decrypt", "-k", "2", "-e", "utf-8" }), input);
        QCOMPARE(decrypted.exitCode, 0);
        expected = decrypted.out;
    }
    const Run run = cli(command, input);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(run.out, expected);
    if (command.first() == QLatin1String("crack"))
        QVERIFY2(run.err.contains(QStringLiteral("таблица: постоянная")), qPrintable(run.err));
    else
        QCOMPARE(run.err, QString());
}

// Each end of the seed's range is a seed of its own: the same however many
// zeros lead it, and not the seed next to it.
void NumericOptionsTest::seedsAtBothEndsAreTheirOwn()
{
    const QByteArray letters = QByteArray(200, '\xc0') + "\r\n";
    const auto encrypted = [&](const QString &seed) {
        const Run run = cli(arguments({ "encrypt", "-k", "3", "--choice", "random", "--seed" }) + QStringList { seed }, letters);
        if (run.exitCode != 0)
            return QByteArray("failed: ") + run.err.toUtf8();
        return run.out;
    };
    const QByteArray zero = encrypted(QStringLiteral("0"));
    const QByteArray largest = encrypted(maxSeed);
    QVERIFY2(zero.startsWith("01 ") || zero.startsWith("33 ") || zero.startsWith("65 "), zero.constData());
    QVERIFY2(largest.startsWith("01 ") || largest.startsWith("33 ") || largest.startsWith("65 "), largest.constData());
    QCOMPARE(encrypted(QStringLiteral("000")), zero);
    QCOMPARE(encrypted(QStringLiteral("0") + maxSeed), largest);
    QVERIFY(zero != largest);
    QVERIFY(encrypted(QStringLiteral("1")) != zero);
    QVERIFY(encrypted(QStringLiteral("18446744073709551614")) != largest);
}

void NumericOptionsTest::valuesWrittenOtherwiseAreRefused_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("message");

    // The same in every option: a sign, spaces, an empty value, another base
    // or digits other than ASCII.
    const QStringList misspelt { QStringLiteral("+2"), QStringLiteral(" 2"), QStringLiteral("2 "), QString(),
                                 QStringLiteral("0x2"), QStringLiteral("２"), QStringLiteral("2.0") };
    // Numbers of seconds that are no plain decimal, or finer than a millisecond.
    const QStringList notPlainSeconds { QStringLiteral("1e3"), QStringLiteral("inf"), QStringLiteral("nan"),
                                        QStringLiteral(".5"), QStringLiteral("5."), QStringLiteral("1,5"),
                                        QStringLiteral("0.0001"), QStringLiteral("1.5.0") };
    for (const NumericOption &option : numericOptions()) {
        QStringList values = option.pastTheEnds + misspelt;
        if (QLatin1String(option.name) == QLatin1String("--time-limit"))
            values.removeOne(QStringLiteral("2.0")), values += notPlainSeconds;
        for (const QStringList &command : option.commands) {
            for (const QString &value : values) {
                QTest::addRow("%s, %s «%s»", qPrintable(command.first()), option.name, qPrintable(value))
                    << command + QStringList { QLatin1String(option.name), value }
                    << QStringLiteral("homophonic: %1: %2, а не «%3» (справка: homophonic --help)\n")
                           .arg(QLatin1String(option.name), option.range, value);
            }
        }
    }
}

void NumericOptionsTest::valuesWrittenOtherwiseAreRefused()
{
    QFETCH(QStringList, command);
    QFETCH(QString, message);

    QVERIFY(writeFile(path(QStringLiteral("input.txt")), "01 33 65 \r\n"));
    QVERIFY(writeFile(path(QStringLiteral("out.txt")), "previous output"));
    const QStringList before = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);

    const Run run = cli(command);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, message);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(readFile(path(QStringLiteral("out.txt"))), QByteArray("previous output"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), before);
}

QTEST_GUILESS_MAIN(NumericOptionsTest)
#include "tst_numericoptions.moc"
