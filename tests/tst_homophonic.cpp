#include "homophonic.h"

#include <QtTest>

#include <random>

Q_DECLARE_METATYPE(HomophoneTable)

class HomophonicTest : public QObject
{
    Q_OBJECT

private slots:
    void encrypt_data();
    void encrypt();
    void encryptCyclesCodesPerSymbol();
    void encryptHandlesCodesOfOtherLengths();
    void countersCarryOverBetweenCalls_data();
    void countersCarryOverBetweenCalls();
    void symbolRowsAreThoseOfAScan_data();
    void symbolRowsAreThoseOfAScan();
    void codePlaces_data();
    void codePlaces();
    void decrypt_data();
    void decrypt();
    void appendingKeepsWhatIsThere();
    void invalidKeysCipherNothing_data();
    void invalidKeysCipherNothing();
    void hasLetter_data();
    void hasLetter();
    void lastLine_data();
    void lastLine();
    void roundTripRestoresDigitFreeLines_data();
    void roundTripRestoresDigitFreeLines();
    void spaceUnitsAreQtSpaces();
};

static QString u16(std::initializer_list<char16_t> units)
{
    QString s;
    for (char16_t unit : units)
        s.append(QChar(unit));
    return s;
}

void HomophonicTest::encrypt_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");

    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, a surrogate pair
    QTest::newRow("space becomes 00") << QStringLiteral("АБ А") << 1 << QStringLiteral("01 02 00 01 ");
    QTest::newRow("key 1 repeats the first code") << QStringLiteral("АААА") << 1 << QStringLiteral("01 01 01 01 ");
    QTest::newRow("key 2 alternates") << QStringLiteral("ААА") << 2 << QStringLiteral("01 33 01 ");
    QTest::newRow("key 3 cycles through three") << QStringLiteral("АААА") << 3 << QStringLiteral("01 33 65 01 ");
    QTest::newRow("key 2 counts per symbol") << QStringLiteral("ПРИВЕТ МИР") << 2
                                             << QStringLiteral("15 16 09 03 06 18 00 12 41 48 ");
    QTest::newRow("key 3 same when no symbol occurs thrice") << QStringLiteral("ПРИВЕТ МИР") << 3
                                                             << QStringLiteral("15 16 09 03 06 18 00 12 41 48 ");
    QTest::newRow("lower case shares the counter") << QStringLiteral("Аа") << 2 << QStringLiteral("01 33 ");
    QTest::newRow("Latin copied in its case") << QStringLiteral("Hi") << 1 << QStringLiteral("H i ");
    QTest::newRow("punctuation copied") << QStringLiteral("Я!") << 1 << QStringLiteral("31 ! ");
    QTest::newRow("ё is not in the table") << QStringLiteral("ёлка") << 1 << QStringLiteral("ё 11 10 01 ");
    QTest::newRow("Й is not in the table") << QStringLiteral("Йод") << 1 << QStringLiteral("Й 14 05 ");
    QTest::newRow("digits copied in pairs") << QStringLiteral("5678") << 1 << QStringLiteral("56 78 ");
    QTest::newRow("odd digit alone") << QStringLiteral("123") << 1 << QStringLiteral("12 3 ");
    QTest::newRow("single digit") << QStringLiteral("7") << 1 << QStringLiteral("7 ");
    QTest::newRow("digit before a letter") << QStringLiteral("1А") << 1 << QStringLiteral("1 01 ");
    QTest::newRow("a code line encrypted again") << QStringLiteral("01 ") << 1 << QStringLiteral("01 00 ");
    QTest::newRow("non-ASCII decimal digits pair up") << u16({0x0663, 0x0664, 0x0665}) << 1
                                                      << u16({0x0663, 0x0664, ' ', 0x0665, ' '});
    QTest::newRow("tab is a token of its own") << QStringLiteral("А\tБ") << 1 << QStringLiteral("01 \t 02 ");
    QTest::newRow("surrogate pair is one token") << QStringLiteral("А") + smile << 1
                                                 << QStringLiteral("01 ") + smile + QLatin1Char(' ');
    QTest::newRow("lone surrogate copied alone") << u16({0xD83D, 0x0410}) << 1 << u16({0xD83D, ' ', '0', '1', ' '});
    QTest::newRow("empty line") << QString() << 3 << QString();
}

void HomophonicTest::encrypt()
{
    QFETCH(QString, line);
    QFETCH(int, key);
    QFETCH(QString, expected);

    HomophoneTable table = fixedHomophoneTable();
    QCOMPARE(encryptHomophonic(table, line, key), expected);
}

void HomophonicTest::encryptCyclesCodesPerSymbol()
{
    HomophoneTable table = fixedHomophoneTable();
    const QString line = QStringLiteral("ЯЯЯЯЯЯЯ");
    // The m-th occurrence takes code ((m - 1) mod k) + 1, so the counter
    // ends at ((7 - 1) mod k) + 1.
    QCOMPARE(encryptHomophonic(table, line, 3), QStringLiteral("31 63 95 31 63 95 31 "));
    QCOMPARE(table[31].counter, 1);
    table = fixedHomophoneTable();
    QCOMPARE(encryptHomophonic(table, line, 2), QStringLiteral("31 63 31 63 31 63 31 "));
    QCOMPARE(table[31].counter, 1);
    table = fixedHomophoneTable();
    encryptHomophonic(table, line, 1);
    QCOMPARE(table[31].counter, 0);
}

// The cipher reads whatever codes the table holds; a longer code must grow
// the output rather than overrun it.
void HomophonicTest::encryptHandlesCodesOfOtherLengths()
{
    HomophoneTable table = fixedHomophoneTable();
    table[1].codes[0] = QStringLiteral("A-long-code");
    table[2].codes[0] = QStringLiteral("7");
    const QString line(5000, QChar(0x0410));
    const QString expected = QStringLiteral("A-long-code ").repeated(5000);
    QCOMPARE(encryptHomophonic(table, line, 1), expected);
    QCOMPARE(encryptHomophonic(table, QStringLiteral("ББ А"), 1), QStringLiteral("7 7 00 A-long-code "));
}

void HomophonicTest::countersCarryOverBetweenCalls_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("counter"); // of А before the first call
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("counterAfter");

    QTest::newRow("key 3 goes on where the last call stopped") << 3 << 0 << QStringLiteral("01 |33 |65 |01 ") << 1;
    QTest::newRow("key 2 goes on where the last call stopped") << 2 << 0 << QStringLiteral("01 |33 |01 |33 ") << 2;
    QTest::newRow("key 3 after the second code") << 3 << 2 << QStringLiteral("65 |01 |33 |65 ") << 3;
    QTest::newRow("key 2 after a third code starts over") << 2 << 3 << QStringLiteral("01 |33 |01 |33 ") << 2;
    QTest::newRow("a counter beyond any key starts over") << 3 << 7 << QStringLiteral("01 |33 |65 |01 ") << 1;
    QTest::newRow("a negative counter starts over") << 3 << -1 << QStringLiteral("01 |33 |65 |01 ") << 1;
    QTest::newRow("key 1 leaves the counter alone") << 1 << 2 << QStringLiteral("01 |01 |01 |01 ") << 2;
}

// The window keeps its table between lines only in tests, but the table's
// counters are its state: each call goes on from them and leaves them for the
// next, and a symbol that does not occur keeps its counter.
void HomophonicTest::countersCarryOverBetweenCalls()
{
    QFETCH(int, key);
    QFETCH(int, counter);
    QFETCH(QString, expected);
    QFETCH(int, counterAfter);

    HomophoneTable table = fixedHomophoneTable();
    table[1].counter = counter;
    table[2].counter = 5;
    QStringList written;
    for (int call = 0; call < 4; ++call)
        written << encryptHomophonic(table, QStringLiteral("А"), key);
    QCOMPARE(written.join(QLatin1Char('|')), expected);
    QCOMPARE(table[1].counter, counterAfter);
    QCOMPARE(table[2].counter, 5);
}

void HomophonicTest::symbolRowsAreThoseOfAScan_data()
{
    QTest::addColumn<HomophoneTable>("table");

    const HomophoneTable &fixed = fixedHomophoneTable();
    QTest::newRow("fixed table") << fixed;
    HomophoneTable beyond = fixed;
    beyond[5].symbol = QString(QChar(0xA640)); // CYRILLIC CAPITAL LETTER ZEMLYA, past the arrays
    beyond[9].symbol = QStringLiteral("q");    // lower case: no upper-case form maps to it
    QTest::newRow("symbols outside the Cyrillic capitals") << beyond;
    HomophoneTable twice = fixed;
    twice[20].symbol = twice[3].symbol;
    twice[30].symbol = QString(QChar(0xA640));
    twice[31].symbol = QString(QChar(0xA640));
    QTest::newRow("a symbol in two rows") << twice;
    HomophoneTable longer = fixed;
    longer[4].symbol = QString::fromUtf8("\xF0\x9F\x98\x80");
    longer[6].symbol = QStringLiteral("ЕЕ");
    QTest::newRow("symbols of two units match nothing") << longer;
}

// For every UTF-16 unit, the row of a plain scan of the table for its
// upper-case form, the first row winning.
void HomophonicTest::symbolRowsAreThoseOfAScan()
{
    QFETCH(HomophoneTable, table);
    QHash<QString, int> firstRow;
    for (int row = int(table.size()) - 1; row >= 0; --row)
        firstRow.insert(table[row].symbol, row);
    const SymbolRows rows(keyTableOf(table));
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        const int expected = firstRow.value(QString(QChar(char16_t(unit)).toUpper()), -1);
        if (rows.rowOf(char16_t(unit)) != expected)
            QFAIL(qPrintable(QStringLiteral("U+%1: row %2, not %3")
                                 .arg(quint32(unit), 4, 16, QLatin1Char('0'))
                                 .arg(rows.rowOf(char16_t(unit)))
                                 .arg(expected)));
    }
}

void HomophonicTest::codePlaces_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    QTest::newRow("00 is the space's first code") << 1 << 0 << 0 << 0;
    QTest::newRow("31, key 1") << 1 << 31 << 31 << 0;
    QTest::newRow("32 stays digits with key 1") << 1 << 32 << -1 << -1;
    QTest::newRow("32 is the space's second code with key 2") << 2 << 32 << 0 << 1;
    QTest::newRow("65 stays digits with key 2") << 2 << 65 << -1 << -1;
    QTest::newRow("65 is А's third code with key 3") << 3 << 65 << 1 << 2;
    QTest::newRow("95, key 3") << 3 << 95 << 31 << 2;
    QTest::newRow("96 is no code") << 3 << 96 << -1 << -1;
    QTest::newRow("99 is no code") << 3 << 99 << -1 << -1;
    QTest::newRow("key 0 places nothing") << 0 << 1 << -1 << -1;
    QTest::newRow("key 4 places all of a row of three") << 4 << 65 << 1 << 2;
}

void HomophonicTest::codePlaces()
{
    QFETCH(int, key);
    QFETCH(int, code);
    QFETCH(int, row);
    QFETCH(int, column);
    const CodePlace place = codePlacesOf(fixedKeyTable(), key)[code];
    QCOMPARE(place.row, row);
    QCOMPARE(place.column, column);
}

void HomophonicTest::decrypt_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");

    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString privet = QStringLiteral("15 16 09 03 06 18 00 12 41 48 ");
    QTest::newRow("codes and a space") << QStringLiteral("01 00 02 ") << 1 << QStringLiteral("А Б");
    QTest::newRow("key 3 knows all columns") << QStringLiteral("01 33 65 ") << 3 << QStringLiteral("ААА");
    QTest::newRow("key 2 copies third-column codes") << QStringLiteral("01 33 65 ") << 2 << QStringLiteral("АА65");
    QTest::newRow("key 1 copies later columns") << QStringLiteral("01 33 65 ") << 1 << QStringLiteral("А3365");
    QTest::newRow("key 2 line, key 2") << privet << 2 << QStringLiteral("ПРИВЕТ МИР");
    QTest::newRow("key 2 line, key 3") << privet << 3 << QStringLiteral("ПРИВЕТ МИР");
    QTest::newRow("key 2 line, key 1") << privet << 1 << QStringLiteral("ПРИВЕТ М4148");
    QTest::newRow("no final separator") << privet.chopped(1) << 2 << QStringLiteral("ПРИВЕТ МИР");
    QTest::newRow("copied Latin letters") << QStringLiteral("H i ") << 1 << QStringLiteral("Hi");
    QTest::newRow("copied Й") << QStringLiteral("Й 14 05 ") << 1 << QStringLiteral("ЙОД");
    QTest::newRow("copied ё keeps the next token") << QStringLiteral("ё 11 10 01 ") << 1 << QStringLiteral("ёЛКА");
    QTest::newRow("copied comma keeps the next token") << QStringLiteral("31 , 00 01 ") << 1 << QStringLiteral("Я, А");
    QTest::newRow("copied lone digit keeps the next token") << QStringLiteral("1 01 ") << 1 << QStringLiteral("1А");
    QTest::newRow("copied tab survives") << QStringLiteral("\t 01 ") << 1 << QStringLiteral("\tА");
    QTest::newRow("copied no-break space survives") << u16({0x00A0, ' ', '0', '1', ' '}) << 1
                                                    << u16({0x00A0, 0x0410});
    QTest::newRow("trailing copied character") << QStringLiteral("31 ! ") << 1 << QStringLiteral("Я!");
    QTest::newRow("trailing character without separator") << QStringLiteral("31 !") << 1 << QStringLiteral("Я!");
    QTest::newRow("digit pairs, key 1") << QStringLiteral("56 78 ") << 1 << QStringLiteral("5678");
    QTest::newRow("digit pairs, key 3") << QStringLiteral("56 78 ") << 3 << QStringLiteral("ШО");
    QTest::newRow("96 to 99 are no codes") << QStringLiteral("96 99 ") << 3 << QStringLiteral("9699");
    QTest::newRow("no separators read in steps of three") << QStringLiteral("0133") << 1 << QStringLiteral("А3");
    QTest::newRow("unit of two spaces adds nothing") << QStringLiteral("  ") << 1 << QString();
    QTest::newRow("surrogate pair token") << QStringLiteral("01 ") + smile + QStringLiteral(" 02 ") << 1
                                          << QStringLiteral("А") + smile + QStringLiteral("Б");
    QTest::newRow("empty line") << QString() << 2 << QString();
}

void HomophonicTest::decrypt()
{
    QFETCH(QString, line);
    QFETCH(int, key);
    QFETCH(QString, expected);

    HomophoneTable table = fixedHomophoneTable();
    QCOMPARE(decryptHomophonic(table, line, key), expected);
}

// The appending forms serve callers that reuse one buffer for many lines.
void HomophonicTest::appendingKeepsWhatIsThere()
{
    const KeyTable &table = fixedKeyTable();
    QString out = QStringLiteral("prefix|");
    appendEncryptedHomophonic(table, QStringLiteral("ААА"), 3, out);
    QCOMPARE(out, QStringLiteral("prefix|01 33 65 "));

    out.resize(0);
    appendEncryptedHomophonic(table, QStringLiteral("Б"), 2, out);
    appendDecryptedHomophonic(table, QStringLiteral("01 33 "), 2, out);
    appendDecryptedHomophonic(table, QStringLiteral("01 "), 0, out);
    QCOMPARE(out, QStringLiteral("02 АА"));
}

void HomophonicTest::invalidKeysCipherNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("0") << 0;
    QTest::newRow("4") << 4;
    QTest::newRow("-1") << -1;
    QTest::newRow("INT_MIN") << std::numeric_limits<int>::min();
}

void HomophonicTest::invalidKeysCipherNothing()
{
    QFETCH(int, key);
    HomophoneTable table = fixedHomophoneTable();
    QCOMPARE(encryptHomophonic(table, QStringLiteral("ААА"), key), QString());
    QCOMPARE(table[1].counter, 0);
    QCOMPARE(decryptHomophonic(table, QStringLiteral("01 33 "), key), QString());
}

void HomophonicTest::hasLetter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("A and Z bound Latin capitals") << QStringLiteral("AZ") << true;
    QTest::newRow("a and z") << QStringLiteral("z") << true;
    QTest::newRow("А") << QStringLiteral("А") << true;
    QTest::newRow("я") << QStringLiteral("я") << true;
    QTest::newRow("Й is a letter here") << QStringLiteral("Й") << true;
    QTest::newRow("letter after a space") << QStringLiteral(" a") << true;
    QTest::newRow("Ё is outside the ranges") << QStringLiteral("Ё") << false;
    QTest::newRow("ё is outside the ranges") << QStringLiteral("ё") << false;
    QTest::newRow("@ just below A") << QStringLiteral("@") << false;
    QTest::newRow("[ just above Z") << QStringLiteral("[") << false;
    QTest::newRow("` just below a") << QStringLiteral("`") << false;
    QTest::newRow("{ just above z") << QStringLiteral("{") << false;
    QTest::newRow("Џ just below А") << u16({0x040F}) << false;
    QTest::newRow("ѐ just above я") << u16({0x0450}) << false;
    QTest::newRow("digits and space") << QStringLiteral("1 ") << false;
    QTest::newRow("accented Latin") << QStringLiteral("é") << false;
    QTest::newRow("Greek") << QStringLiteral("Ω") << false;
}

void HomophonicTest::hasLetter()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(::hasLetter(text), expected);
}

void HomophonicTest::lastLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty text") << QString() << QString();
    QTest::newRow("one line") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("two lines") << QStringLiteral("abc\ndef") << QStringLiteral("def");
    QTest::newRow("ends with a line break") << QStringLiteral("abc\n") << QString();
    QTest::newRow("Windows line end") << QStringLiteral("abc\r\ndef") << QStringLiteral("def");
    QTest::newRow("soft line break") << u16({'a', 0x2028, 'b'}) << QStringLiteral("b");
    QTest::newRow("paragraph separator") << u16({'a', 0x2029, 'b'}) << QStringLiteral("b");
    QTest::newRow("tabs and spaces kept") << QStringLiteral("x\n\t a ") << QStringLiteral("\t a ");
}

void HomophonicTest::lastLine()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(::lastLine(text), expected);
}

void HomophonicTest::roundTripRestoresDigitFreeLines_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("key 1") << 1;
    QTest::newRow("key 2") << 2;
    QTest::newRow("key 3") << 3;
}

// Decrypting an encryption gives the line back with the table's letters
// upper-cased, for any line without digits (copied digit pairs look like
// codes by design).
void HomophonicTest::roundTripRestoresDigitFreeLines()
{
    QFETCH(int, key);

    QVector<QString> pool;
    for (char16_t unit = 0x0410; unit <= 0x044F; ++unit)
        pool << QString(QChar(unit));
    for (const char *ascii : {"A", "z", "H", "q", " ", " ", " ", ",", ".", "!", "?", "-", "(", ")", "\"", "'", "\t", "<", ">", "/"})
        pool << QString::fromLatin1(ascii);
    pool << QStringLiteral("Ё") << QStringLiteral("ё") << QStringLiteral("«") << QStringLiteral("»")
         << QStringLiteral("—") << QString(QChar(0x00A0)) << QString::fromUtf8("\xF0\x9F\x98\x80")
         << QString::fromUtf8("\xF0\x9D\x84\x9E") << QString::fromUtf8("\xF0\x90\x90\x80");

    HomophoneTable table = fixedHomophoneTable();
    QSet<QChar> symbols;
    for (const RowHR &row : table)
        symbols.insert(row.symbol.at(0));

    std::mt19937 random(0x5eed + key);
    std::uniform_int_distribution<int> pick(0, pool.size() - 1);
    std::uniform_int_distribution<int> length(0, 120);
    for (int n = 0; n < 2000; ++n) {
        QString line;
        QString expected;
        for (int i = length(random); i > 0; --i) {
            const QString piece = pool.at(pick(random));
            line += piece;
            const QChar upper = piece.at(0).toUpper();
            expected += piece.size() == 1 && symbols.contains(upper) ? QString(upper) : piece;
        }
        table = fixedHomophoneTable();
        const QString cipher = encryptHomophonic(table, line, key);
        const QString back = decryptHomophonic(table, cipher, key);
        if (back != expected) {
            qWarning() << "line:" << line << "cipher:" << cipher;
            QCOMPARE(back, expected);
        }
    }
}

// Decryption trims with its own isSpaceUnit; it must agree with QChar on
// every UTF-16 unit, or a copied character would be lost or kept wrongly.
void HomophonicTest::spaceUnitsAreQtSpaces()
{
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        if (homophonicdetail::isSpaceUnit(char16_t(unit)) != QChar(char16_t(unit)).isSpace())
            QFAIL(qPrintable(QStringLiteral("U+%1").arg(quint32(unit), 4, 16, QLatin1Char('0'))));
    }
}

QTEST_APPLESS_MAIN(HomophonicTest)
#include "tst_homophonic.moc"
