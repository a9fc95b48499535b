// Encryption and decryption with any valid key table, and random homophones.
#include "homophonic.h"
#include "keytable.h"
#include "singlebytecipher.h"
#include "textencoding.h"

#include <QtTest>

#include <limits>

#include <cmath>
#include <map>
#include <random>

class KeyedCipherTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTripWithRandomTables_data();
    void roundTripWithRandomTables();
    void scrambledTable_data();
    void scrambledTable();
    void randomChoiceIsReproducible();
    void randomChoiceUsesEveryCodeAlike_data();
    void randomChoiceUsesEveryCodeAlike();
    void randomChoiceLooksRandom_data();
    void randomChoiceLooksRandom();
    void randomChoiceFromTheSystemDiffers();
    void randomChoiceRefusesInvalidKeys();
    void firstCodesOfLongAndShortRows_data();
    void firstCodesOfLongAndShortRows();
};

void KeyedCipherTest::roundTripWithRandomTables_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("longRows");
    for (int key = 1; key <= 3; ++key) {
        QTest::addRow("key %d, cyclic choice", key) << key << false << false;
        QTest::addRow("key %d, random choice", key) << key << true << false;
    }
    for (const int key : {2, 5, 100}) {
        QTest::addRow("rows of 1 to 69 codes, key %d, cyclic choice", key) << key << false << true;
        QTest::addRow("rows of 1 to 69 codes, key %d, random choice", key) << key << true << true;
    }
}

// Row lengths of a hundred codes in all, each row at least one, the other 68
// dealt to rows at random: some rows long, most short.
static std::array<int, 32> randomRowLengths(std::mt19937 &random)
{
    std::array<int, 32> lengths;
    lengths.fill(1);
    std::uniform_int_distribution<int> row(0, 31);
    std::uniform_int_distribution<int> skewed(0, 3);
    for (int extra = 0; extra < 68; ++extra)
        ++lengths[skewed(random) == 0 ? row(random) : row(random) / 4];
    return lengths;
}

// Decrypting gives the line back with the table's letters upper-cased, for
// any valid table and any line without digits.
void KeyedCipherTest::roundTripWithRandomTables()
{
    QFETCH(int, key);
    QFETCH(bool, random);
    QFETCH(bool, longRows);

    const QString pool = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                                        "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ    Hz,.!?\t«»—\u00A0");
    std::mt19937 lines(0x5eed + key);
    std::uniform_int_distribution<int> pick(0, pool.size() - 1);
    std::uniform_int_distribution<int> length(0, 80);
    QRandomGenerator choiceSource(1234);
    RandomCodeChoice choice(choiceSource);

    for (quint64 seed = 0; seed < 200; ++seed) {
        QRandomGenerator tableSource = seededGenerator(seed);
        KeyTable table = longRows ? randomKeyTable(tableSource, randomRowLengths(lines)) : randomKeyTable(tableSource);
        // Rows in another order than the fixed one: nothing may rely on it.
        std::reverse(table.begin() + int(seed % 32), table.end());
        QString symbols;
        for (const KeyRow &row : table)
            symbols += row.symbol;

        for (int n = 0; n < 10; ++n) {
            QString line;
            for (int i = length(lines); i > 0; --i)
                line += pool.at(pick(lines));
            QString expected = line;
            for (QChar &c : expected) {
                if (symbols.contains(c.toUpper()))
                    c = c.toUpper();
            }
            const QString cipher = random ? encryptHomophonic(table, line, key, choice)
                                          : encryptHomophonic(table, line, key);
            const QString back = decryptHomophonic(table, cipher, key);
            if (back != expected) {
                qWarning() << "seed:" << seed << "line:" << line << "cipher:" << cipher;
                QCOMPARE(back, expected);
            }
        }
    }
}

void KeyedCipherTest::scrambledTable_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");

    const QString privet = QStringLiteral("54 51 72 90 81 45 99 63 71 50 ");
    QTest::newRow("encrypt, key 1") << true << QStringLiteral("ПРИВЕТ МИР") << 1 << QStringLiteral("54 51 72 90 81 45 99 63 72 51 ");
    QTest::newRow("encrypt, key 2") << true << QStringLiteral("ПРИВЕТ МИР") << 2 << privet;
    QTest::newRow("encrypt, key 3 cycles") << true << QStringLiteral("аааа я") << 3 << QStringLiteral("96 95 94 96 99 06 ");
    QTest::newRow("decrypt, key 2") << false << privet << 2 << QStringLiteral("ПРИВЕТ МИР");
    QTest::newRow("decrypt, key 1 leaves second codes") << false << privet << 1 << QStringLiteral("ПРИВЕТ М7150");
    QTest::newRow("decrypt, unused codes stay digits") << false << QStringLiteral("00 03 04 ") << 3 << QStringLiteral("0003Я");
}

// Row i of the fixed order gets the codes 99 - 3i, 98 - 3i and 97 - 3i, and
// the rows stand in reverse order: codes descend where the fixed table's rise.
void KeyedCipherTest::scrambledTable()
{
    QFETCH(bool, encrypting);
    QFETCH(QString, line);
    QFETCH(int, key);
    QFETCH(QString, expected);

    const KeyTable &fixed = fixedKeyTable();
    KeyTable table;
    for (int i = 0; i < 32; ++i) {
        KeyRow &row = table[31 - i];
        row.symbol = fixed[i].symbol;
        for (int column = 0; column < 3; ++column)
            row.codes.append(QString::asprintf("%02d", 99 - 3 * i - column));
    }
    QCOMPARE(keyTableProblems(table), QStringList());
    QCOMPARE(encrypting ? encryptHomophonic(table, line, key) : decryptHomophonic(table, line, key), expected);
}

void KeyedCipherTest::randomChoiceIsReproducible()
{
    KeyTable table = fixedKeyTable();
    const QString line = QStringLiteral("АБВГД ЕЖЗИК").repeated(50);
    const auto run = [&](quint32 seed) {
        QRandomGenerator source(seed);
        RandomCodeChoice choice(source);
        // One choice object serves several lines, as for the lines of a file.
        return encryptHomophonic(table, line, 3, choice) + encryptHomophonic(table, line, 2, choice);
    };
    QCOMPARE(run(7), run(7));
    QVERIFY(run(7) != run(8));
}

void KeyedCipherTest::randomChoiceUsesEveryCodeAlike_data()
{
    QTest::addColumn<int>("key");
    for (int key = 1; key <= 3; ++key)
        QTest::addRow("key %d", key) << key;
}

// Over a long line of one letter every one of its first k codes occurs about
// equally often, none of the others occurs, and a code follows itself about
// once in k times (never, if the codes were cycled).
void KeyedCipherTest::randomChoiceUsesEveryCodeAlike()
{
    QFETCH(int, key);
    constexpr int Count = 30000;
    QRandomGenerator tableSource = seededGenerator(11);
    const KeyTable table = randomKeyTable(tableSource);
    QRandomGenerator source(2024);
    RandomCodeChoice choice(source);

    const QStringList codes = encryptHomophonic(table, QString(Count, QChar(0x0416)), key, choice)
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(codes.size(), Count);
    const KeyRow &row = table[7]; // Ж
    QCOMPARE(row.symbol, QStringLiteral("Ж"));
    QMap<QString, int> counts;
    int repeats = 0;
    for (int i = 0; i < Count; ++i) {
        ++counts[codes.at(i)];
        repeats += i > 0 && codes.at(i) == codes.at(i - 1);
    }
    QCOMPARE(counts.size(), key);
    for (int column = 0; column < key; ++column) {
        const int count = counts.value(row.codes[column]);
        QVERIFY2(count > 0.95 * Count / key && count < 1.05 * Count / key,
                 qPrintable(row.codes[column] + QLatin1Char(':') + QString::number(count)));
    }
    QVERIFY2(repeats > 0.9 * Count / key && repeats <= Count, qPrintable(QString::number(repeats)));
}

namespace {

// A chi-square bound that a fair sample exceeds about once in a million
// (Wilson and Hilferty's approximation, generous for few degrees of freedom).
double chiSquareBound(int degreesOfFreedom)
{
    const double d = degreesOfFreedom;
    const double z = 4.75;
    return d * std::pow(1 - 2 / (9 * d) + z * std::sqrt(2 / (9 * d)), 3);
}

double chiSquare(const std::vector<double> &observed, const std::vector<double> &expected)
{
    double sum = 0;
    for (std::size_t i = 0; i < observed.size(); ++i)
        sum += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
    return sum;
}

} // namespace

void KeyedCipherTest::randomChoiceLooksRandom_data()
{
    QTest::addColumn<bool>("bytes");
    QTest::addColumn<int>("key");
    QTest::addColumn<quint32>("seed");
    for (const bool bytes : {false, true}) {
        for (const int key : {2, 3, 7, 13}) {
            for (const quint32 seed : {1u, 20261208u})
                QTest::addRow("%s, key %d, seed %u", bytes ? "bytes" : "UTF-16", key, seed) << bytes << key << seed;
        }
    }
}

// Over a long line of one letter the columns chosen behave as independent
// draws, each equally likely: each column about as often as the others; each
// of the k * k pairs of consecutive choices (taken two by two) about as often
// as the others; and runs of one column as long as a geometric law with
// p = 1 - 1/k says. Choices that alternate, repeat one random word or follow
// a counter fail the pairs and the runs even where each column appears
// equally often.
void KeyedCipherTest::randomChoiceLooksRandom()
{
    QFETCH(bool, bytes);
    QFETCH(int, key);
    QFETCH(quint32, seed);
    constexpr int Count = 30000;
    // Ж has key codes, the other rows one each.
    std::array<int, 32> lengths;
    lengths.fill(1);
    lengths[7] = key;
    QRandomGenerator tableSource = seededGenerator(3);
    const KeyTable table = randomKeyTable(tableSource, lengths);
    const KeyRow &row = table[7];
    QCOMPARE(row.symbol, QStringLiteral("Ж"));
    QRandomGenerator source(seed);
    RandomCodeChoice choice(source);

    QString cipher;
    if (bytes) {
        const TextEncoding *windows1251 = TextEncoding::windows1251();
        QVERIFY(windows1251);
        const std::optional<SingleByteCipher> byteCipher = SingleByteCipher::make(table, key, *windows1251);
        QVERIFY(byteCipher);
        const QByteArray line(Count, '\xC6'); // Ж
        QByteArray out(Count * byteCipher->encryptedBytesPerByte() + SingleByteCipher::Slack, '\0');
        qint64 unencodable = 0;
        const char *end = byteCipher->encrypt(line.constData(), line.size(), out.data(), unencodable, &choice);
        QCOMPARE(unencodable, qint64(0));
        cipher = QString::fromLatin1(out.constData(), int(end - out.constData()));
    } else {
        cipher = encryptHomophonic(table, QString(Count, QChar(0x0416)), key, choice);
    }

    const QVector<QStringRef> codes = cipher.splitRef(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(codes.size(), Count);
    std::vector<int> columns;
    for (const QStringRef &code : codes) {
        const int column = int(std::find(row.codes.begin(), row.codes.end(), code) - row.codes.begin());
        QVERIFY2(column < key, qPrintable(code.toString()));
        columns.push_back(column);
    }

    std::vector<double> single(key, 0.0);
    for (const int column : columns)
        ++single[column];
    const double singles = chiSquare(single, std::vector<double>(key, double(Count) / key));
    QVERIFY2(singles < chiSquareBound(key - 1), qPrintable(QString::number(singles)));

    std::vector<double> pairs(key * key, 0.0);
    for (int i = 0; i + 1 < Count; i += 2)
        ++pairs[columns[i] * key + columns[i + 1]];
    const double pairChi = chiSquare(pairs, std::vector<double>(key * key, double(Count / 2) / (key * key)));
    QVERIFY2(pairChi < chiSquareBound(key * key - 1), qPrintable(QString::number(pairChi)));

    // Run lengths 1 to 5, and 6 or more; with many codes 1, 2, and 3 or
    // more, so that every class expects enough runs.
    const int Lengths = key <= 3 ? 6 : 3;
    std::vector<double> runs(Lengths, 0.0);
    int runCount = 0;
    for (int start = 0; start < Count;) {
        int end = start + 1;
        while (end < Count && columns[end] == columns[start])
            ++end;
        ++runs[qMin(end - start, Lengths) - 1];
        ++runCount;
        start = end;
    }
    const double same = 1.0 / key; // the chance that the next choice repeats this one
    std::vector<double> expectedRuns(Lengths);
    for (int length = 1; length < Lengths; ++length)
        expectedRuns[length - 1] = runCount * (1 - same) * std::pow(same, length - 1);
    expectedRuns[Lengths - 1] = runCount * std::pow(same, Lengths - 1);
    const double runChi = chiSquare(runs, expectedRuns);
    QVERIFY2(runChi < chiSquareBound(Lengths - 1), qPrintable(QString::number(runChi)));
}

void KeyedCipherTest::randomChoiceFromTheSystemDiffers()
{
    const KeyTable &table = fixedKeyTable();
    const QString line(1000, QChar(0x0410));
    RandomCodeChoice first(*QRandomGenerator::system());
    RandomCodeChoice second(*QRandomGenerator::system());
    QVERIFY(encryptHomophonic(table, line, 2, first) != encryptHomophonic(table, line, 2, second));
}

void KeyedCipherTest::randomChoiceRefusesInvalidKeys()
{
    const KeyTable &table = fixedKeyTable();
    QRandomGenerator source(1);
    RandomCodeChoice choice(source);
    for (const int key : {0, -1, std::numeric_limits<int>::min()})
        QCOMPARE(encryptHomophonic(table, QStringLiteral("ААА"), key, choice), QString());
}

void KeyedCipherTest::firstCodesOfLongAndShortRows_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");

    const QString eightA = QStringLiteral("аааааааа");
    QTest::newRow("key 1: first code only") << true << eightA << 1 << QStringLiteral("01 01 01 01 01 01 01 01 ");
    QTest::newRow("key 5: the first five in turn") << true << eightA << 5 << QStringLiteral("01 33 65 96 97 01 33 65 ");
    QTest::newRow("key 7: the whole row") << true << eightA << 7 << QStringLiteral("01 33 65 96 97 98 99 01 ");
    QTest::newRow("key 100: a shorter row uses all it has") << true << eightA << 100 << QStringLiteral("01 33 65 96 97 98 99 01 ");
    QTest::newRow("a row of one code under key 5") << true << QStringLiteral("ббб") << 5 << QStringLiteral("02 02 02 ");
    QTest::newRow("rows of three under key 5") << true << QStringLiteral("яяяя") << 5 << QStringLiteral("31 63 95 31 ");
    QTest::newRow("decrypt, key 3 leaves the fourth code") << false << QStringLiteral("01 96 ") << 3 << QStringLiteral("А96");
    QTest::newRow("decrypt, key 4 reads the fourth code") << false << QStringLiteral("01 96 97 ") << 4 << QStringLiteral("АА97");
    QTest::newRow("decrypt, key 7 reads the whole row") << false << QStringLiteral("99 02 34 ") << 7 << QStringLiteral("АБ34");
}

// А has seven codes (01 33 65 96 97 98 99), Б one (02), the rest their three.
void KeyedCipherTest::firstCodesOfLongAndShortRows()
{
    QFETCH(bool, encrypting);
    QFETCH(QString, line);
    QFETCH(int, key);
    QFETCH(QString, expected);

    KeyTable table = fixedKeyTable();
    table[1].codes << QStringLiteral("96") << QStringLiteral("97") << QStringLiteral("98") << QStringLiteral("99");
    table[2].codes = QStringList({QStringLiteral("02")});
    QCOMPARE(keyTableProblems(table), QStringList());
    QCOMPARE(encrypting ? encryptHomophonic(table, line, key) : decryptHomophonic(table, line, key), expected);
    if (!encrypting)
        return;
    // The byte route writes the same.
    const std::optional<SingleByteCipher> bytes = SingleByteCipher::make(table, key, *TextEncoding::windows1251());
    QVERIFY(bytes);
    QByteArray in;
    TextEncoding::windows1251()->encode(line, in);
    QByteArray out(in.size() * bytes->encryptedBytesPerByte() + SingleByteCipher::Slack, '\0');
    qint64 unencodable = 0;
    const char *end = bytes->encrypt(in.constData(), in.size(), out.data(), unencodable, nullptr);
    QCOMPARE(QString::fromLatin1(out.constData(), int(end - out.constData())), expected);
}

QTEST_APPLESS_MAIN(KeyedCipherTest)
#include "tst_keyedcipher.moc"
