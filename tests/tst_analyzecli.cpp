// homophonic analyze, run as a process: what it reads, what it prints and
// how it fails.
#include "clirunner.h"
#include "homophonic.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

QByteArray cp1251(const QString &text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

const QString sentence = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю.\n");

QJsonObject parsedJson(const QByteArray &bytes)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("not JSON: %s", qPrintable(error.errorString()));
    return document.object();
}

// The parts counted, "plain" or "cipher"; the period statistics beside them
// are not one.
QStringList countedParts(const QJsonObject &json)
{
    QStringList keys = json.keys();
    keys.removeAll(QStringLiteral("periods"));
    return keys;
}

qint64 countOf(const QJsonObject &part, const QString &label)
{
    return qint64(part.value(QStringLiteral("counts")).toObject().value(label).toDouble());
}

} // namespace

class AnalyzeCliTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readsTheTextAsItIs_data();
    void readsTheTextAsItIs();
    void guessCoversTheWholeFile_data();
    void guessCoversTheWholeFile();
    void sideBySideCountsMatchTheTable();
    void failures_data();
    void failures();
    void chartReplacesTheOldOneWhole();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void AnalyzeCliTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void AnalyzeCliTest::readsTheTextAsItIs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("total");

    // The sentence has 44 letters of the table and 9 spaces; Ё (in «ещё»),
    // Й (in «выпей»), the comma and the full stop are not in the table.
    const QByteArray plain = cp1251(sentence);
    QTest::newRow("plaintext file, guessed") << plain << true << QStringList() << QStringLiteral("plain")
                                             << QStringLiteral("Е") << 4 << 53;
    QTest::newRow("plaintext through a pipe, guessed") << plain << false << QStringList() << QStringLiteral("plain")
                                                       << QStringLiteral(" ") << 9 << 53;
    QTest::newRow("UTF-8 after a byte-order mark") << QByteArray("\xEF\xBB\xBF") + sentence.toUtf8() << true
                                                   << QStringList() << QStringLiteral("plain") << QStringLiteral("Ш")
                                                   << 1 << 53;
    QTest::newRow("ciphertext file, guessed") << QByteArray("01 33 65 01 00 \r\n01 \n") << true << QStringList()
                                              << QStringLiteral("cipher") << QStringLiteral("01") << 3 << 6;
    QTest::newRow("ciphertext through a pipe, guessed") << QByteArray("01 33 65 01 00 \n01 ") << false
                                                        << QStringList() << QStringLiteral("cipher")
                                                        << QStringLiteral("65") << 1 << 6;
    QTest::newRow("plaintext read as ciphertext when told")
        << plain << true << QStringList { QStringLiteral("--as"), QStringLiteral("cipher") }
        << QStringLiteral("cipher") << QStringLiteral("00") << 0 << 0;
    QTest::newRow("ciphertext read as plaintext when told")
        << QByteArray("01 33 \n") << true << QStringList { QStringLiteral("--as"), QStringLiteral("plain") }
        << QStringLiteral("plain") << QStringLiteral(" ") << 2 << 2;
}

void AnalyzeCliTest::readsTheTextAsItIs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fromFile);
    QFETCH(QStringList, extra);
    QFETCH(QString, part);
    QFETCH(QString, label);
    QFETCH(int, count);
    QFETCH(int, total);

    QStringList arguments { QStringLiteral("analyze"), QStringLiteral("--format"), QStringLiteral("json") };
    if (fromFile) {
        QVERIFY(writeFile(path(QStringLiteral("text.txt")), bytes));
        arguments << QStringLiteral("--input") << path(QStringLiteral("text.txt"));
    }
    const Run run = runCli(arguments + extra, fromFile ? QByteArray() : bytes);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = parsedJson(run.out);
    QCOMPARE(countedParts(json), QStringList { part });
    const QJsonObject measured = json.value(part).toObject();
    QCOMPARE(qint64(measured.value(QStringLiteral("total")).toDouble()), qint64(total));
    QCOMPARE(countOf(measured, label), qint64(count));
    for (const char *field : { "other", "ioc", "entropy", "maxEntropy", "peak" })
        QVERIFY2(measured.value(QLatin1String(field)).isDouble(), field);
}

void AnalyzeCliTest::guessCoversTheWholeFile_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QString>("reading");
    // The first 64 KiB decide how the file is read first; the whole text
    // decides how it is counted.
    QTest::newRow("starts like ciphertext, mostly plaintext")
        << QStringLiteral("cipher") << QStringLiteral("plain") << QStringLiteral("plain");
    QTest::newRow("starts like plaintext, mostly ciphertext")
        << QStringLiteral("plain") << QStringLiteral("cipher") << QStringLiteral("cipher");
    QTest::newRow("ciphertext throughout") << QStringLiteral("cipher") << QStringLiteral("cipher")
                                           << QStringLiteral("cipher");
}

void AnalyzeCliTest::guessCoversTheWholeFile()
{
    QFETCH(QString, start);
    QFETCH(QString, rest);
    QFETCH(QString, reading);
    const QByteArray plainLine = cp1251(sentence);
    const QByteArray cipherLine = "01 33 65 02 34 00 32 17 \r\n";
    const auto block = [&](const QString &kind, int bytes) {
        const QByteArray line = kind == QLatin1String("plain") ? plainLine : cipherLine;
        QByteArray text;
        while (text.size() < bytes)
            text += line;
        return text;
    };
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), block(start, 80 * 1024) + block(rest, 2 << 20)));
    const QStringList common { QStringLiteral("analyze"), QStringLiteral("-i"), path(QStringLiteral("text.txt")),
                               QStringLiteral("--format"), QStringLiteral("json") };

    const Run guessed = runCli(common);
    const Run told = runCli(common + QStringList { QStringLiteral("--as"), reading });
    QCOMPARE(guessed.exitCode, 0);
    QCOMPARE(countedParts(parsedJson(guessed.out)), QStringList { reading });
    QCOMPARE(guessed.out, told.out);
}

// With k = 1 every symbol has one code, so the code counts are the symbol
// counts under the table's mapping, line ends and all.
void AnalyzeCliTest::sideBySideCountsMatchTheTable()
{
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), cp1251(sentence + sentence.toUpper() + sentence)));
    const Run run = runCli({ QStringLiteral("analyze"), QStringLiteral("--key"), QStringLiteral("1"),
                             QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("-i"),
                             path(QStringLiteral("text.txt")) });
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = parsedJson(run.out);
    const QJsonObject plain = json.value(QStringLiteral("plain")).toObject();
    const QJsonObject cipher = json.value(QStringLiteral("cipher")).toObject();
    const KeyTable &table = fixedKeyTable();
    for (const KeyRow &row : table)
        QCOMPARE(countOf(cipher, row.codes[0]), countOf(plain, row.symbol));
    QCOMPARE(plain.value(QStringLiteral("total")), cipher.value(QStringLiteral("total")));
    QCOMPARE(plain.value(QStringLiteral("ioc")), cipher.value(QStringLiteral("ioc")));
}

void AnalyzeCliTest::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty input") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "empty.txt" }) << QString() << 1 << QStringLiteral("текст пуст");
    QTest::newRow("only line ends") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "newlines.txt" }) << QString() << 1
                                    << QStringLiteral("текст пуст");
    QTest::newRow("chart in a missing folder") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--chart", "нет/график.svg" }) << QString()
                                               << 1 << QStringLiteral("не удалось создать файл");
    QTest::newRow("chart below a regular file") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--chart", "text.txt/график.svg" })
                                                << QString() << 1 << QStringLiteral("не удалось создать файл");
    QTest::newRow("chart over the file-size limit")
        << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--chart", "old.svg" }) << QStringLiteral("trap '' XFSZ; ulimit -f 1;") << 1
        << QStringLiteral("не удалось записать файл «old.svg»");
    QTest::newRow("report into a full device") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt" }) << QStringLiteral("redirect /dev/full")
                                               << 1 << QStringLiteral("не удалось записать стандартный вывод");
    QTest::newRow("unknown reading") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--as", "code" }) << QString() << 2
                                     << QStringLiteral("неизвестный вид текста «code»");
    QTest::newRow("unknown format") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--format", "xml" }) << QString() << 2
                                    << QStringLiteral("неизвестный формат «xml»");
    QTest::newRow("key out of range") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--key", "4" }) << QString() << 2
                                      << QStringLiteral("ключ должен быть целым числом от 1 до 3");
    QTest::newRow("key with ciphertext reading") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--key", "2", "--as", "cipher" })
                                                 << QString() << 2 << QStringLiteral("--as cipher не подходит");
    QTest::newRow("empty chart name") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "--chart", "" }) << QString() << 2
                                      << QStringLiteral("пустое имя файла у параметра «--chart»");
    QTest::newRow("output is not an option of analyze") << QStringList { QStringLiteral("analyze") } + arguments({ "-i", "text.txt", "-o", "x.txt" }) << QString()
                                                        << 2 << QStringLiteral("не принимает параметр «--output»");
}

void AnalyzeCliTest::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, before);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QVERIFY(writeFile(path(QStringLiteral("empty.txt")), QByteArray()));
    QVERIFY(writeFile(path(QStringLiteral("newlines.txt")), QByteArray("\r\n\n\n")));
    // Long enough that its chart is bigger than the limit of 512 bytes.
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), cp1251(sentence)));
    const QByteArray oldChart = "<svg>прежний график</svg>";
    QVERIFY(writeFile(path(QStringLiteral("old.svg")), oldChart));
    const QStringList before_entries = QDir(m_dir->path()).entryList(QDir::Files);

    Run run;
    if (before.startsWith(QLatin1String("redirect ")))
        run = runCliFromShell(QString(), arguments, QStringLiteral("> ") + before.mid(9), m_dir->path());
    else if (!before.isEmpty())
        run = runCliFromShell(before, arguments, QString(), m_dir->path());
    else
        run = runProgram(QStringLiteral(HOMOPHONIC_CLI_PATH), arguments, QByteArray(), m_dir->path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    if (!before.startsWith(QLatin1String("redirect ")))
        QCOMPARE(run.out, QByteArray());
    QCOMPARE(readFile(path(QStringLiteral("old.svg"))), oldChart);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), before_entries);
}

void AnalyzeCliTest::chartReplacesTheOldOneWhole()
{
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), cp1251(sentence)));
    QVERIFY(writeFile(path(QStringLiteral("chart.svg")), QByteArray(100000, 'x')));
    const Run run = runCli({ QStringLiteral("analyze"), QStringLiteral("--key"), QStringLiteral("3"),
                             QStringLiteral("-i"), path(QStringLiteral("text.txt")), QStringLiteral("--chart"),
                             path(QStringLiteral("chart.svg")) });
    QCOMPARE(run.exitCode, 0);
    const QByteArray svg = readFile(path(QStringLiteral("chart.svg")));
    QVERIFY(svg.startsWith("<?xml"));
    QVERIFY(svg.trimmed().endsWith("</svg>"));
    QVERIFY(!svg.contains("xxxx"));
    QVERIFY(QString::fromUtf8(svg).contains(QStringLiteral("индекс совпадений")));
}

QTEST_MAIN(AnalyzeCliTest)
#include "tst_analyzecli.moc"
