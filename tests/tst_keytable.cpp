// Key tables: the key file reader and writer, the checks, the generator.
#include "keytable.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(KeyTable)

class KeyTableTest : public QObject
{
    Q_OBJECT

private slots:
    void writerWritesOneRowPerLine();
    void readerReadsWhatTheWriterWrote_data();
    void readerReadsWhatTheWriterWrote();
    void readerAcceptsEditedFiles_data();
    void readerAcceptsEditedFiles();
    void readerReportsEveryProblem_data();
    void readerReportsEveryProblem();
    void sizeLimit_data();
    void sizeLimit();
    void readKeyFileFailures_data();
    void readKeyFileFailures();
    void tableChecks_data();
    void tableChecks();
    void generatorDealsAllButFourCodes();
    void generatorSeeds_data();
    void generatorSeeds();
    void generatorWithoutSeedDiffers();
    void generatorCanLeaveACodeInPlace();
    void newKeyFileSaysWhenAndFromWhat();
};

static QByteArray fixedKeyFile()
{
    return keyTableText(fixedKeyTable()).toUtf8();
}

// The fixed key file with its 1-based line n replaced (an empty line drops it).
static QByteArray withLine(int n, const QByteArray &line)
{
    QList<QByteArray> lines = fixedKeyFile().split('\n');
    if (line.isEmpty())
        lines.removeAt(n - 1);
    else
        lines[n - 1] = line;
    return lines.join('\n');
}

static void compareTables(const KeyTable &actual, const KeyTable &expected)
{
    for (int row = 0; row < 32; ++row) {
        QCOMPARE(actual[row].symbol, expected[row].symbol);
        QCOMPARE(actual[row].codes, expected[row].codes);
    }
}

void KeyTableTest::writerWritesOneRowPerLine()
{
    const KeyTable table = fixedKeyTable();
    const QStringList lines = keyTableText(table).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 33);
    QCOMPARE(lines.last(), QString());
    QCOMPARE(lines.first(), QStringLiteral("␣\t00\t32\t64"));
    for (int row = 1; row < 32; ++row) {
        QCOMPARE(lines.at(row), QStringList({table[row].symbol, table[row].codes[0], table[row].codes[1],
                                             table[row].codes[2]}).join(QLatin1Char('\t')));
    }
}

void KeyTableTest::readerReadsWhatTheWriterWrote_data()
{
    QTest::addColumn<KeyTable>("table");
    QTest::addColumn<bool>("asNewKeyFile");
    QTest::newRow("the fixed table") << fixedKeyTable() << false;
    for (const quint64 seed : {0ull, 1ull, 20261207ull, 1ull << 40}) {
        QRandomGenerator source = seededGenerator(seed);
        const KeyTable table = randomKeyTable(source);
        QTest::addRow("table from seed %llu", seed) << table << false;
        QTest::addRow("key file from seed %llu with its comments", seed) << table << true;
    }
}

void KeyTableTest::readerReadsWhatTheWriterWrote()
{
    QFETCH(KeyTable, table);
    QFETCH(bool, asNewKeyFile);
    const QString text = asNewKeyFile ? keyFileText(table, QDateTime::currentDateTime(), 7) : keyTableText(table);
    const KeyFileReading reading = readKeyTable(text.toUtf8(), QStringLiteral("key.txt"));
    QCOMPARE(reading.problems, QStringList());
    QVERIFY(reading.table);
    compareTables(*reading.table, table);
    QCOMPARE(keyTableText(*reading.table), keyTableText(table));
}

void KeyTableTest::readerAcceptsEditedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray file = fixedKeyFile();
    QList<QByteArray> lines = file.split('\n');
    lines.removeLast();
    QList<QByteArray> reversed(lines.crbegin(), lines.crend());

    QTest::newRow("comments and blank lines between rows")
        << QByteArray("# мой ключ\n\n") + withLine(3, "# Б ниже\n\n" + lines.at(2) + "\n  \t \n#\t01\t02\t03");
    QTest::newRow("Windows line ends") << QByteArray(file).replace("\n", "\r\n");
    QTest::newRow("Windows line ends after a line of spaces") << QByteArray("# ключ\r\n \t\r\n") + QByteArray(file).replace("\n", "\r\n");
    QTest::newRow("no line end after the last row") << file.chopped(1);
    QTest::newRow("a byte-order mark before the first line") << "\xEF\xBB\xBF" + file;
    QTest::newRow("rows in any order") << reversed.join('\n');
}

// Hand-edited files come back as the same table, in the fixed order.
void KeyTableTest::readerAcceptsEditedFiles()
{
    QFETCH(QByteArray, bytes);
    const KeyFileReading reading = readKeyTable(bytes, QStringLiteral("key.txt"));
    QCOMPARE(reading.problems, QStringList());
    QVERIFY(reading.table);
    compareTables(*reading.table, fixedKeyTable());
}

void KeyTableTest::readerReportsEveryProblem_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected"); // the start of each problem, in order

    const QString line = QStringLiteral("«мой ключ.txt», строка %1: ");
    const QString file = QStringLiteral("«мой ключ.txt»: ");
    const auto problems = [](std::initializer_list<QString> list) { return QStringList(list); };

    QTest::newRow("unknown symbol")
        << withLine(3, "Q\t02\t34\t66")
        << problems({line.arg(3) + QStringLiteral("неизвестный символ «Q»"), file + QStringLiteral("нет строки для символа «Б»")});
    QTest::newRow("a bare space for the space")
        << withLine(1, " \t00\t32\t64")
        << problems({line.arg(1) + QStringLiteral("пробел записывается знаком ␣"), file + QStringLiteral("нет строки для символа «␣»")});
    QTest::newRow("lower-case letter")
        << withLine(2, "а\t01\t33\t65")
        << problems({line.arg(2) + QStringLiteral("буква «а» записывается заглавной: «А»"), file + QStringLiteral("нет строки для символа «А»")});
    QTest::newRow("Ё is no symbol of the table")
        << fixedKeyFile() + "Ё\t96\t97\t98\n" << problems({line.arg(33) + QStringLiteral("неизвестный символ «Ё»")});
    QTest::newRow("no symbol before the codes")
        << fixedKeyFile() + "\t96\t97\t98\n" << problems({line.arg(33) + QStringLiteral("символ не указан")});
    QTest::newRow("missing symbol") << withLine(32, "") << problems({file + QStringLiteral("нет строки для символа «Я»")});
    QTest::newRow("only comments")
        << QByteArray("# пусто\n") << problems({file + QStringLiteral("нет строк для символов «␣», «А», «Б»")});
    QTest::newRow("symbol given twice names both lines")
        << fixedKeyFile() + "\n# ещё раз\nА\t96\t97\t98\n" << problems({line.arg(35) + QStringLiteral("символ «А» уже задан в строке 2")});
    QTest::newRow("three fields")
        << withLine(5, "Г\t04\t36") << problems({line.arg(5) + QStringLiteral("нужны символ и три кода, разделённые табуляцией, а полей в строке 3")});
    QTest::newRow("five fields after a trailing tab")
        << withLine(5, "Г\t04\t36\t68\t") << problems({line.arg(5) + QStringLiteral("нужны символ и три кода, разделённые табуляцией, а полей в строке 5")});
    QTest::newRow("spaces instead of tabs")
        << withLine(5, "Г 04 36 68")
        << problems({line.arg(5) + QStringLiteral("неизвестный символ «Г 04 36 68»"), line.arg(5) + QStringLiteral("нужны символ"),
                     file + QStringLiteral("нет строки для символа «Г»")});
    QTest::newRow("one-digit code") << withLine(4, "В\t3\t35\t67") << problems({line.arg(4) + QStringLiteral("код «3» — не две цифры")});
    QTest::newRow("three-digit code") << withLine(4, "В\t03\t035\t67") << problems({line.arg(4) + QStringLiteral("код «035» — не две цифры")});
    QTest::newRow("letter in a code") << withLine(4, "В\t03\t35\t6O") << problems({line.arg(4) + QStringLiteral("код «6O» — не две цифры")});
    QTest::newRow("code with a space") << withLine(4, "В\t03\t35\t67 ") << problems({line.arg(4) + QStringLiteral("код «67 » — не две цифры")});
    QTest::newRow("non-ASCII digits") << withLine(4, "В\t03\t35\t\xD9\xA3\xD9\xA4")
                                      << problems({line.arg(4) + QStringLiteral("код «٣٤» — не две цифры")});
    QTest::newRow("empty code") << withLine(4, "В\t03\t\t67") << problems({line.arg(4) + QStringLiteral("второй код пуст")});
    QTest::newRow("code used twice names both lines")
        << withLine(3, "Б\t02\t34\t01") << problems({line.arg(3) + QStringLiteral("код 01 уже использован в строке 2 (символ «А»)")});
    QTest::newRow("code used twice in one line")
        << withLine(3, "Б\t02\t34\t02") << problems({line.arg(3) + QStringLiteral("код 02 повторяется в этой строке")});
    QTest::newRow("byte that starts no character")
        << withLine(4, "\xFF\t03\t35\t67")
        << problems({line.arg(4) + QStringLiteral("текст не в кодировке UTF-8"), file + QStringLiteral("нет строки для символа «В»")});
    QTest::newRow("Windows-1251 instead of UTF-8")
        << withLine(4, "\xC2\t03\t35\t67")
        << problems({line.arg(4) + QStringLiteral("текст не в кодировке UTF-8"), file + QStringLiteral("нет строки для символа «В»")});
    QTest::newRow("overlong encoding")
        << fixedKeyFile() + "#\xC0\xAF\n" << problems({line.arg(33) + QStringLiteral("текст не в кодировке UTF-8")});
    QTest::newRow("encoded surrogate")
        << fixedKeyFile() + "#\xED\xA0\x80\n" << problems({line.arg(33) + QStringLiteral("текст не в кодировке UTF-8")});
    QTest::newRow("character cut off at the end of the file")
        << fixedKeyFile() + "# \xD0" << problems({line.arg(33) + QStringLiteral("текст не в кодировке UTF-8")});
    QTest::newRow("line numbers count comments, blank lines and CR LF")
        << QByteArray("# ключ\r\n\r\n") + withLine(3, "Б\t02\t34").replace("\n", "\r\n")
        << problems({line.arg(5) + QStringLiteral("нужны символ")});
    // A line ends at LF alone, as in every text the tool reads.
    QTest::newRow("a lone CR stays in its line, inside a code")
        << withLine(4, "В\t03\t35\t6\r7") << problems({line.arg(4) + QStringLiteral("код «6<U+000D>7» — не две цифры")});
    QTest::newRow("lone CRs for line ends make one line of the whole file")
        << QByteArray(fixedKeyFile()).replace('\n', '\r')
        << problems({line.arg(1) + QStringLiteral("нужны символ и три кода, разделённые табуляцией, а полей в строке 97"),
                     file + QStringLiteral("нет строк для символов «А», «Б»")});
    QTest::newRow("every problem of a file, in order")
        << withLine(2, "А\t01\t33\t6").replace("Ж\t07", "Ж\t01").replace("Я\t31", "Я\t3")
        << problems({line.arg(2) + QStringLiteral("код «6» — не две цифры"),
                     line.arg(8) + QStringLiteral("код 01 уже использован в строке 2 (символ «А»)"),
                     line.arg(32) + QStringLiteral("код «3» — не две цифры")});
}

void KeyTableTest::readerReportsEveryProblem()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);

    const KeyFileReading reading = readKeyTable(bytes, QStringLiteral("мой ключ.txt"));
    QVERIFY(!reading.table);
    QCOMPARE(reading.problems.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(reading.problems.at(i).startsWith(expected.at(i)), qPrintable(reading.problems.at(i)));
}

void KeyTableTest::sizeLimit_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exactly 64 KiB is read") << int(MaxKeyFileSize) << true;
    QTest::newRow("one byte more is refused") << int(MaxKeyFileSize) + 1 << false;
}

void KeyTableTest::sizeLimit()
{
    QFETCH(int, size);
    QFETCH(bool, accepted);
    QByteArray bytes = fixedKeyFile() + '#';
    bytes += QByteArray(size - bytes.size(), 'x');

    const KeyFileReading reading = readKeyTable(bytes, QStringLiteral("key.txt"));
    QCOMPARE(bool(reading.table), accepted);
    if (!accepted)
        QCOMPARE(reading.problems, QStringList(QStringLiteral("«key.txt»: файл больше 64 КиБ (65536 байт) — это не файл ключа")));
}

void KeyTableTest::readKeyFileFailures_data()
{
    QTest::addColumn<QString>("path"); // relative to a directory holding key.txt and folder/
    QTest::addColumn<QString>("expected");
    QTest::newRow("a saved key file is read") << QStringLiteral("key.txt") << QString();
    QTest::newRow("missing file") << QStringLiteral("нет.txt") << QStringLiteral("не удалось открыть файл ключа");
    QTest::newRow("path below a regular file") << QStringLiteral("key.txt/key.txt") << QStringLiteral("не удалось открыть файл ключа");
    QTest::newRow("directory") << QStringLiteral("folder") << QStringLiteral("не удалось");
    // A device without end: read whole, it would never finish.
    QTest::newRow("endless device refused by size") << QStringLiteral("/dev/zero") << QStringLiteral("файл больше 64 КиБ");
}

void KeyTableTest::readKeyFileFailures()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QFile key(dir.filePath(QStringLiteral("key.txt")));
    QVERIFY(key.open(QIODevice::WriteOnly));
    QVERIFY(key.write(fixedKeyFile()) > 0);
    key.close();

    const QString fullPath = QDir(dir.path()).filePath(path);
    const KeyFileReading reading = readKeyFile(fullPath);
    if (expected.isEmpty()) {
        QCOMPARE(reading.problems, QStringList());
        QVERIFY(reading.table);
        compareTables(*reading.table, fixedKeyTable());
        return;
    }
    QVERIFY(!reading.table);
    QCOMPARE(reading.problems.size(), 1);
    const QString problem = reading.problems.first();
    QVERIFY2(problem.contains(QStringLiteral("«") + fullPath + QStringLiteral("»")), qPrintable(problem));
    QVERIFY2(problem.contains(expected), qPrintable(problem));
    QVERIFY2(!problem.endsWith(QStringLiteral(": ")), "the reason is missing");
}

void KeyTableTest::tableChecks_data()
{
    QTest::addColumn<KeyTable>("table");
    QTest::addColumn<QString>("expected"); // empty for a valid table

    KeyTable table = fixedKeyTable();
    QTest::newRow("the fixed table is valid") << table << QString();
    QRandomGenerator source = seededGenerator(5);
    QTest::newRow("a random table is valid") << randomKeyTable(source) << QString();
    table[3].symbol = QStringLiteral("Й");
    QTest::newRow("unknown symbol") << table << QStringLiteral("строка таблицы 4: неизвестный символ «Й»");
    table[3].symbol = QStringLiteral("А");
    QTest::newRow("symbol twice") << table << QStringLiteral("строка таблицы 4: символ «А» уже есть в строке 2");
    table = fixedKeyTable();
    table[31].codes[2] = QStringLiteral("100");
    QTest::newRow("code of three digits") << table << QStringLiteral("строка таблицы 32: код «100» — не две цифры от 0 до 9");
    table[31].codes[2] = QStringLiteral("00");
    QTest::newRow("code twice") << table << QStringLiteral("строка таблицы 32: код 00 уже есть в строке 1");
}

void KeyTableTest::tableChecks()
{
    QFETCH(KeyTable, table);
    QFETCH(QString, expected);
    QCOMPARE(keyTableProblems(table), expected.isEmpty() ? QStringList() : QStringList(expected));
}

void KeyTableTest::generatorDealsAllButFourCodes()
{
    for (quint64 seed = 0; seed < 50; ++seed) {
        QRandomGenerator source = seededGenerator(seed);
        const KeyTable table = randomKeyTable(source);
        QSet<QString> codes;
        for (int row = 0; row < 32; ++row) {
            QCOMPARE(table[row].symbol, fixedKeyTable()[row].symbol);
            for (const QString &code : table[row].codes) {
                QVERIFY2(code.size() == 2 && code.at(0).isDigit() && code.at(1).isDigit(), qPrintable(code));
                codes.insert(code);
            }
        }
        QCOMPARE(codes.size(), 96);
    }
}

void KeyTableTest::generatorSeeds_data()
{
    QTest::addColumn<quint64>("first");
    QTest::addColumn<quint64>("second");
    QTest::newRow("same seed, same table") << quint64(42) << quint64(42);
    QTest::newRow("seeds 0 and 1 differ") << quint64(0) << quint64(1);
    QTest::newRow("seeds differing above 32 bits differ") << quint64(1) << quint64(1) + (quint64(1) << 32);
    QTest::newRow("largest seed differs from 0") << std::numeric_limits<quint64>::max() << quint64(0);
}

void KeyTableTest::generatorSeeds()
{
    QFETCH(quint64, first);
    QFETCH(quint64, second);
    QRandomGenerator firstSource = seededGenerator(first);
    QRandomGenerator secondSource = seededGenerator(second);
    const QString firstText = keyTableText(randomKeyTable(firstSource));
    const QString secondText = keyTableText(randomKeyTable(secondSource));
    QCOMPARE(firstText == secondText, first == second);
}

void KeyTableTest::generatorWithoutSeedDiffers()
{
    const QString first = keyTableText(randomKeyTable(*QRandomGenerator::system()));
    const QString second = keyTableText(randomKeyTable(*QRandomGenerator::system()));
    QVERIFY(first != second);
}

// A fair shuffle leaves any code where it started with chance 1/100; a shuffle
// that always moves every code (an off-by-one in the draw) never does.
void KeyTableTest::generatorCanLeaveACodeInPlace()
{
    int inPlace = 0;
    QRandomGenerator source = seededGenerator(99);
    for (int n = 0; n < 1000; ++n) {
        const KeyTable table = randomKeyTable(source);
        for (int position = 0; position < 96; ++position)
            inPlace += table[position / 3].codes[position % 3].toInt() == position;
    }
    QVERIFY2(inPlace > 960 * 0.8 && inPlace < 960 * 1.2, qPrintable(QString::number(inPlace)));
}

void KeyTableTest::newKeyFileSaysWhenAndFromWhat()
{
    const QDateTime madeAt(QDate(2026, 3, 1), QTime(9, 5, 7), Qt::OffsetFromUTC, 3 * 3600);
    const KeyTable table = fixedKeyTable();
    const QString withSeed = keyFileText(table, madeAt, 12345678901234ull);
    const QString withoutSeed = keyFileText(table, madeAt);

    QVERIFY(withSeed.endsWith(keyTableText(table)));
    QVERIFY(withoutSeed.endsWith(keyTableText(table)));
    const QString firstLine = withSeed.section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(firstLine.startsWith(QLatin1Char('#')), qPrintable(firstLine));
    QVERIFY2(firstLine.contains(QStringLiteral("2026-03-01T09:05:07+03:00")), qPrintable(firstLine));
    QVERIFY2(firstLine.contains(QStringLiteral("12345678901234")), qPrintable(firstLine));
    QVERIFY(!withoutSeed.contains(QStringLiteral("зерн")));
}

QTEST_APPLESS_MAIN(KeyTableTest)
#include "tst_keytable.moc"
