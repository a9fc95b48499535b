#include "homophonic.h"

#include <QtTest>

class HomophoneTableTest : public QObject
{
    Q_OBJECT

private slots:
    void rowFollowsTheRule_data();
    void rowFollowsTheRule();
    void lettersOutsideTheTable_data();
    void lettersOutsideTheTable();
    void refillResetsCountersAndKeepsContents();
};

// Row 0 is the space; then the Cyrillic capitals in code order without Й.
static QString expectedSymbol(int row)
{
    if (row == 0)
        return QStringLiteral(" ");
    char16_t unit = char16_t(0x0410 + row - 1);
    if (unit >= 0x0419)
        ++unit;
    return QString(QChar(unit));
}

void HomophoneTableTest::rowFollowsTheRule_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("filled");
    for (int row = 0; row < 32; ++row) {
        QTest::addRow("row %d, filled", row) << row << true;
        QTest::addRow("row %d, fixed", row) << row << false;
    }
}

// Filled by fillHomophoneTable, as the window fills its table, or the one
// that fixedHomophoneTable keeps.
void HomophoneTableTest::rowFollowsTheRule()
{
    QFETCH(int, row);
    QFETCH(bool, filled);
    HomophoneTable table;
    if (filled)
        fillHomophoneTable(table);
    else
        table = fixedHomophoneTable();

    QCOMPARE(table[row].symbol, expectedSymbol(row));
    for (int column = 0; column < 3; ++column)
        QCOMPARE(table[row].codes[column], QString::asprintf("%02d", row + 32 * column));
    QCOMPARE(table[row].counter, 0);
}

void HomophoneTableTest::lettersOutsideTheTable_data()
{
    QTest::addColumn<QString>("letter");
    QTest::newRow("Й") << QStringLiteral("Й");
    QTest::newRow("Ё") << QStringLiteral("Ё");
    QTest::newRow("lower-case а") << QStringLiteral("а");
    QTest::newRow("Latin A") << QStringLiteral("A");
    QTest::newRow("digit 0") << QStringLiteral("0");
}

void HomophoneTableTest::lettersOutsideTheTable()
{
    QFETCH(QString, letter);
    HomophoneTable table;
    fillHomophoneTable(table);
    for (const RowHR &row : table)
        QVERIFY2(row.symbol != letter, qPrintable(row.symbol));
}

void HomophoneTableTest::refillResetsCountersAndKeepsContents()
{
    HomophoneTable table;
    fillHomophoneTable(table);
    const HomophoneTable first = table;
    for (RowHR &row : table) {
        row.counter = 2;
        row.codes[1] = QStringLiteral("xx");
    }
    fillHomophoneTable(table);
    for (int row = 0; row < 32; ++row) {
        QCOMPARE(table[row].counter, 0);
        QCOMPARE(table[row].symbol, first[row].symbol);
        QCOMPARE(table[row].codes, first[row].codes);
    }
}

QTEST_APPLESS_MAIN(HomophoneTableTest)
#include "tst_homophonetable.moc"
