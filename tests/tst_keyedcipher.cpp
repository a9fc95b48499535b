// Encryption and decryption with any valid key table, and random homophones.
#include "homophonic.h"
#include "keytable.h"

#include <QtTest>

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
    void randomChoiceFromTheSystemDiffers();
    void randomChoiceRefusesInvalidKeys();
};

void KeyedCipherTest::roundTripWithRandomTables_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("random");
    for (int key = 1; key <= 3; ++key) {
        QTest::addRow("key %d, cyclic choice", key) << key << false;
        QTest::addRow("key %d, random choice", key) << key << true;
    }
}

// Decrypting gives the line back with the table's letters upper-cased, for
// any valid table and any line without digits.
void KeyedCipherTest::roundTripWithRandomTables()
{
    QFETCH(int, key);
    QFETCH(bool, random);

    const QString pool = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                                        "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ    Hz,.!?\t«»—\u00A0");
    std::mt19937 lines(0x5eed + key);
    std::uniform_int_distribution<int> pick(0, pool.size() - 1);
    std::uniform_int_distribution<int> length(0, 80);
    QRandomGenerator choiceSource(1234);
    RandomCodeChoice choice(choiceSource);

    for (quint64 seed = 0; seed < 200; ++seed) {
        QRandomGenerator tableSource = seededGenerator(seed);
        HomophoneTable table = randomKeyTable(tableSource);
        // Rows in another order than the fixed one: nothing may rely on it.
        std::reverse(table.begin() + int(seed % 32), table.end());
        QString symbols;
        for (const RowHR &row : table)
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
            for (RowHR &row : table)
                row.counter = 0;
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

    HomophoneTable fixed;
    fillHomophoneTable(fixed);
    HomophoneTable table;
    for (int i = 0; i < 32; ++i) {
        RowHR &row = table[31 - i];
        row.symbol = fixed[i].symbol;
        for (int column = 0; column < 3; ++column)
            row.codes[column] = QString::asprintf("%02d", 99 - 3 * i - column);
    }
    QCOMPARE(keyTableProblems(table), QStringList());
    QCOMPARE(encrypting ? encryptHomophonic(table, line, key) : decryptHomophonic(table, line, key), expected);
}

void KeyedCipherTest::randomChoiceIsReproducible()
{
    HomophoneTable table;
    fillHomophoneTable(table);
    const QString line = QStringLiteral("АБВГД ЕЖЗИК").repeated(50);
    const auto run = [&](quint32 seed) {
        QRandomGenerator source(seed);
        RandomCodeChoice choice(source);
        // One choice object serves several lines, as for the lines of a file.
        return encryptHomophonic(table, line, 3, choice) + encryptHomophonic(table, line, 2, choice);
    };
    QCOMPARE(run(7), run(7));
    QVERIFY(run(7) != run(8));
    for (const RowHR &row : table)
        QCOMPARE(row.counter, 0);
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
    const HomophoneTable table = randomKeyTable(tableSource);
    QRandomGenerator source(2024);
    RandomCodeChoice choice(source);

    const QStringList codes = encryptHomophonic(table, QString(Count, QChar(0x0416)), key, choice)
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(codes.size(), Count);
    const RowHR &row = table[7]; // Ж
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

void KeyedCipherTest::randomChoiceFromTheSystemDiffers()
{
    HomophoneTable table;
    fillHomophoneTable(table);
    const QString line(1000, QChar(0x0410));
    RandomCodeChoice first(*QRandomGenerator::system());
    RandomCodeChoice second(*QRandomGenerator::system());
    QVERIFY(encryptHomophonic(table, line, 2, first) != encryptHomophonic(table, line, 2, second));
}

void KeyedCipherTest::randomChoiceRefusesInvalidKeys()
{
    HomophoneTable table;
    fillHomophoneTable(table);
    QRandomGenerator source(1);
    RandomCodeChoice choice(source);
    for (const int key : {0, 4, -1})
        QCOMPARE(encryptHomophonic(table, QStringLiteral("ААА"), key, choice), QString());
}

QTEST_APPLESS_MAIN(KeyedCipherTest)
#include "tst_keyedcipher.moc"
