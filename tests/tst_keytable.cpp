// Key tables: the key file reader and writer, the checks, the generator.
#include "keytable.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <numeric>

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
    void rowsOfAnyLengthReadBack_data();
    void rowsOfAnyLengthReadBack();
    void moreThanAHundredCodesAreRefused();
    void proportionalShares_data();
    void proportionalShares();
    void proportionalSharesOfRussian();
    void generatorDealsRowsOfAnyLengthFromOneShuffle();
    void newKeyFileSaysHowCodesWereDealt();
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
    QTest::newRow("a symbol without codes")
        << withLine(5, "Г") << problems({line.arg(5) + QStringLiteral("у символа нет кодов")});
    QTest::newRow("a symbol and a tab has an empty first code")
        << withLine(5, "Г\t") << problems({line.arg(5) + QStringLiteral("первый код пуст")});
    QTest::newRow("a trailing tab is an empty fourth code")
        << withLine(5, "Г\t04\t36\t68\t") << problems({line.arg(5) + QStringLiteral("4-й код пуст")});
    QTest::newRow("spaces instead of tabs")
        << withLine(5, "Г 04 36 68")
        << problems({line.arg(5) + QStringLiteral("неизвестный символ «Г 04 36 68»"), line.arg(5) + QStringLiteral("у символа нет кодов"),
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
    QTest::newRow("code first given to an unknown symbol names it as written")
        << fixedKeyFile() + "Ё\t96\nЮ\t96\n"
        << problems({line.arg(33) + QStringLiteral("неизвестный символ «Ё»"), line.arg(34) + QStringLiteral("символ «Ю» уже задан"),
                     line.arg(34) + QStringLiteral("код 96 уже использован в строке 33 (символ «Ё»)")});
    QTest::newRow("code first given to the space names it as ␣")
        << withLine(3, "Б\t02\t34\t00") << problems({line.arg(3) + QStringLiteral("код 00 уже использован в строке 1 (символ «␣»)")});
    QTest::newRow("code used twice in one line")
        << withLine(3, "Б\t02\t34\t02") << problems({line.arg(3) + QStringLiteral("код 02 повторяется в этой строке")});
    QTest::newRow("byte that starts no character")
        << withLine(4, "\xFF\t03\t35\t67")
        << problems({line.arg(4) + QStringLiteral("текст не в кодировке UTF-8"), file + QStringLiteral("нет строки для символа «В»")});
    // Such a file is decoded a line at a time: the lines after a bad one
    // keep their numbers and CR LF endings stay endings.
    QTest::newRow("a bad line keeps the numbers of the lines after it")
        << QByteArray(withLine(4, "\xFF\t03\t35\t67")).replace('\n', "\r\n").replace("Д\t05", "Д\t5")
        << problems({line.arg(4) + QStringLiteral("текст не в кодировке UTF-8"), line.arg(6) + QStringLiteral("код «5» — не две цифры"),
                     file + QStringLiteral("нет строки для символа «В»")});
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
        << QByteArray("# ключ\r\n\r\n") + withLine(3, "Б\t02\t34\t").replace("\n", "\r\n")
        << problems({line.arg(5) + QStringLiteral("третий код пуст")});
    // A line ends at LF alone, as in every text the tool reads.
    QTest::newRow("a lone CR stays in its line, inside a code")
        << withLine(4, "В\t03\t35\t6\r7") << problems({line.arg(4) + QStringLiteral("код «6<U+000D>7» — не две цифры")});
    // Each third code runs into the next symbol: «64<U+000D>А», ..., «95<U+000D>».
    QStringList runTogether;
    for (int row = 0; row < 32; ++row) {
        runTogether << line.arg(1) + QStringLiteral("код «%1<U+000D>%2» — не две цифры")
                                         .arg(64 + row)
                                         .arg(row < 31 ? fixedKeyTable()[row + 1].symbol : QString());
    }
    runTogether << file + QStringLiteral("нет строк для символов «А», «Б»");
    QTest::newRow("lone CRs for line ends make one line of the whole file")
        << QByteArray(fixedKeyFile()).replace('\n', '\r') << runTogether;
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
    table = fixedKeyTable();
    table[5].codes.clear();
    QTest::newRow("a symbol without codes") << table << QStringLiteral("строка таблицы 6: у символа «Д» нет кодов");
    table = fixedKeyTable();
    table[0].codes = QStringList({QStringLiteral("99")});
    table[1].codes << QStringLiteral("96") << QStringLiteral("97") << QStringLiteral("98") << QStringLiteral("00");
    QTest::newRow("rows of one and of seven codes are valid") << table << QString();
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

// The rows of a table in the fixed order, each with its codes from a list
// of code numbers taken in order.
static KeyTable tableOfLengths(const std::array<int, 32> &lengths, const QList<int> &codes)
{
    KeyTable table = fixedKeyTable();
    int next = 0;
    for (int row = 0; row < 32; ++row) {
        table[row].codes.clear();
        for (int i = 0; i < lengths[row]; ++i)
            table[row].codes << QString::asprintf("%02d", codes.at(next++));
    }
    return table;
}

void KeyTableTest::rowsOfAnyLengthReadBack_data()
{
    QTest::addColumn<KeyTable>("table");
    QTest::addColumn<int>("codes");
    QList<int> descending;
    for (int code = 99; code >= 0; --code)
        descending << code;
    std::array<int, 32> lengths;
    lengths.fill(1);
    QTest::newRow("one code each") << tableOfLengths(lengths, descending) << 32;
    lengths.fill(2);
    lengths[0] = 20;
    QTest::newRow("twenty codes for the space, two for the rest") << tableOfLengths(lengths, descending) << 82;
    lengths.fill(3);
    lengths[0] = 1;
    lengths[31] = 7;
    QTest::newRow("one code for the space, seven for Я") << tableOfLengths(lengths, descending) << 98;
}

void KeyTableTest::rowsOfAnyLengthReadBack()
{
    QFETCH(KeyTable, table);
    QFETCH(int, codes);
    QCOMPARE(keyTableProblems(table), QStringList());
    const QString text = keyTableText(table);
    int fields = 0;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        fields += line.count(QLatin1Char('\t'));
    QCOMPARE(fields, codes);
    const KeyFileReading reading = readKeyTable(text.toUtf8(), QStringLiteral("key.txt"));
    QCOMPARE(reading.problems, QStringList());
    QVERIFY(reading.table);
    compareTables(*reading.table, table);
}

// 00 to 99 are a hundred codes: the 101st is one too many, and a code twice.
void KeyTableTest::moreThanAHundredCodesAreRefused()
{
    std::array<int, 32> lengths;
    lengths.fill(3);
    lengths[0] = 7;
    QList<int> codes;
    for (int code = 0; code < 100; ++code)
        codes << code;
    KeyTable table = tableOfLengths(lengths, codes);
    QCOMPARE(keyTableProblems(table), QStringList());
    table[31].codes << QStringLiteral("00");
    QCOMPARE(keyTableProblems(table).constLast(), QStringLiteral("в таблице 101 кодов, а их всего 100 (от 00 до 99)"));

    const KeyFileReading reading = readKeyTable(keyTableText(table).toUtf8(), QStringLiteral("key.txt"));
    QVERIFY(!reading.table);
    QCOMPARE(reading.problems.size(), 2);
    QCOMPARE(reading.problems.at(0), QStringLiteral("«key.txt», строка 32: здесь 101-й код таблицы, а кодов всего 100 (от 00 до 99)"));
    QVERIFY2(reading.problems.at(1).startsWith(QStringLiteral("«key.txt», строка 32: код 00 уже использован в строке 1")),
             qPrintable(reading.problems.at(1)));
}

void KeyTableTest::proportionalShares_data()
{
    QTest::addColumn<QList<quint64>>("counts");
    QTest::addColumn<int>("seats");
    QTest::addColumn<QList<int>>("expected");

    // Quotas 6, 3, 1: whole.
    QTest::newRow("whole quotas") << QList<quint64>{6, 3, 1} << 10 << QList<int>{6, 3, 1};
    // Quotas 4.7, 3.3, 2.0: the one seat left goes to the largest remainder.
    QTest::newRow("largest remainder") << QList<quint64>{47, 33, 20} << 10 << QList<int>{5, 3, 2};
    // Quotas 3.4, 3.3, 3.3: the seat goes to 0.4, not to the larger count's neighbour.
    QTest::newRow("remainder, not count, decides") << QList<quint64>{34, 33, 33} << 10 << QList<int>{4, 3, 3};
    // Quotas 5/3 each: two seats left for three equal remainders, the earlier first.
    QTest::newRow("equal remainders, the earlier first") << QList<quint64>{1, 1, 1} << 5 << QList<int>{2, 2, 1};
    // Quotas 0.8, 0.8, 2.4: the minimum of one, then 0.8 beats 0.4 twice.
    QTest::newRow("small quotas rise to one") << QList<quint64>{1, 1, 3} << 4 << QList<int>{1, 1, 2};
    // Quotas 5, 0, 0: both zeros still get one, taken back from the only party above one.
    QTest::newRow("a count of zero still gets one") << QList<quint64>{10, 0, 0} << 5 << QList<int>{3, 1, 1};
    // Quotas 2.5, 2.5, 0, 0: the minimum deals six; the later of two equals gives one back.
    QTest::newRow("equal parties give back, the later first") << QList<quint64>{4, 4, 0, 0} << 5 << QList<int>{2, 1, 1, 1};
    // Quotas 15 and 5, eight zeros: 28 dealt, 8 go back in turn from the party
    // with more seats per count (15/30 = 5/10, the later first; then 14/30
    // and 13/30 over 4/10; 12/30 = 4/10 ...), leaving 9 and 3 at 3 to 1.
    QTest::newRow("seats given back keep the proportions")
        << QList<quint64>{30, 10, 0, 0, 0, 0, 0, 0, 0, 0} << 20 << QList<int>{9, 3, 1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("all counts zero deal as equal") << QList<quint64>{0, 0, 0} << 4 << QList<int>{2, 1, 1};
    QTest::newRow("as many seats as parties") << QList<quint64>{100, 1, 1} << 3 << QList<int>{1, 1, 1};
    // Counts whose products would overflow 64 bits are scaled, not wrapped.
    QTest::newRow("huge counts") << QList<quint64>{quint64(1) << 63, quint64(1) << 62, quint64(1) << 62} << 8
                                 << QList<int>{4, 2, 2};
}

void KeyTableTest::proportionalShares()
{
    QFETCH(QList<quint64>, counts);
    QFETCH(int, seats);
    QFETCH(QList<int>, expected);
    const std::vector<int> shares = ::proportionalShares(std::vector<quint64>(counts.cbegin(), counts.cend()), seats);
    QCOMPARE(QList<int>(shares.cbegin(), shares.cend()), expected);
}

// For every number of codes a key may have, Russian counts (a rough
// table: space, О, Е, А, И, Н, Т, С, ... and the rare letters) deal exactly
// that many, each symbol at least one, more to the more frequent.
void KeyTableTest::proportionalSharesOfRussian()
{
    const std::array<quint64, 32> counts = {1750, 620, 140, 380, 160, 250, 720, 80,  160, 620, 280,
                                            350,  260, 530, 900, 230, 400, 450, 530, 210, 30,  80,
                                            40,   120, 60,  30,  2,   160, 140, 30,  60,  180};
    for (int codes = 32; codes <= 100; ++codes) {
        const std::array<int, 32> lengths = proportionalRowLengths(counts, codes);
        QCOMPARE(std::accumulate(lengths.cbegin(), lengths.cend(), 0), codes);
        for (int row = 0; row < 32; ++row) {
            QVERIFY(lengths[row] >= 1);
            for (int other = 0; other < 32; ++other)
                QVERIFY(counts[row] <= counts[other] || lengths[row] >= lengths[other]);
        }
    }
    const std::array<int, 32> hundred = proportionalRowLengths(counts, 100);
    QVERIFY2(hundred[0] >= 15 && hundred[0] <= 18, qPrintable(QString::number(hundred[0]))); // the space
    QCOMPARE(hundred[26], 1); // Ъ
}

// Rows of any length are dealt from the one shuffle that makes three-code
// keys: the codes in row order are the same sequence whatever the lengths.
void KeyTableTest::generatorDealsRowsOfAnyLengthFromOneShuffle()
{
    std::array<int, 32> lengths;
    lengths.fill(1);
    lengths[0] = 30;
    lengths[5] = 39;
    const auto sequence = [](const KeyTable &table) {
        QStringList codes;
        for (const KeyRow &row : table)
            codes << row.codes;
        return codes;
    };
    for (quint64 seed = 0; seed < 20; ++seed) {
        QRandomGenerator threeSource = seededGenerator(seed);
        QRandomGenerator longSource = seededGenerator(seed);
        const QStringList three = sequence(randomKeyTable(threeSource));
        const KeyTable longRows = randomKeyTable(longSource, lengths);
        QCOMPARE(longRows[0].codes.size(), 30);
        QCOMPARE(longRows[5].codes.size(), 39);
        QCOMPARE(longRows[6].codes.size(), 1);
        const QStringList all = sequence(longRows);
        QCOMPARE(all.size(), 99);
        QCOMPARE(all.mid(0, 96), three);
        QCOMPARE(keyTableProblems(longRows), QStringList());
    }
}

void KeyTableTest::newKeyFileSaysHowCodesWereDealt()
{
    const QDateTime madeAt(QDate(2026, 3, 1), QTime(9, 5, 7), Qt::OffsetFromUTC, 3 * 3600);
    const QString three = keyFileText(fixedKeyTable(), madeAt, 1);
    QCOMPARE(three.section(QLatin1Char('\n'), 1, 1),
             QStringLiteral("# В строке символ и три его кода через табуляцию; ␣ — пробел."));
    QCOMPARE(three.count(QLatin1Char('#')), 2);

    std::array<int, 32> lengths;
    lengths.fill(2);
    lengths[0] = 5;
    QRandomGenerator source = seededGenerator(1);
    const KeyTable table = randomKeyTable(source, lengths);
    const QString dealt = keyFileText(table, madeAt, 1, QStringLiteral("Как розданы коды."));
    QCOMPARE(dealt.section(QLatin1Char('\n'), 1, 2),
             QStringLiteral("# В строке символ и его коды через табуляцию; ␣ — пробел.\n# Как розданы коды."));
    QVERIFY(dealt.endsWith(keyTableText(table)));
    const KeyFileReading reading = readKeyTable(dealt.toUtf8(), QStringLiteral("key.txt"));
    QVERIFY(reading.table);
    compareTables(*reading.table, table);
}

QTEST_APPLESS_MAIN(KeyTableTest)
#include "tst_keytable.moc"
