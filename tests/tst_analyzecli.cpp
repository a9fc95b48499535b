// homophonic analyze, run as a process: what it reads, what it prints and
// how it fails.
#include "alphabet.h"
#include "cipherfamily.h"
#include "clirunner.h"
#include "homophonic.h"

#include <QJsonArray>
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

qint64 pairCountOf(const QJsonObject &part, int first, int second)
{
    const QJsonArray rows = part.value(QStringLiteral("pairs")).toObject().value(QStringLiteral("counts")).toArray();
    return qint64(rows.at(first).toArray().at(second).toDouble());
}

// Several lines of prose, some of an odd number of symbols, so that a key
// that ran on wrongly from line to line, or pairs that crossed lines, show.
QByteArray proseInCp1251()
{
    return cp1251(QStringLiteral("Осенью в нашем городе рано темнеет.\n"
                                 "По вечерам в окнах библиотеки долго горит свет, и студенты сидят над книгами.\r\n"
                                 "Шифр, который прячет слова, но оставляет их привычки, выдаст себя.\n\n"
                                 "Частая буква останется частой, редкая — редкой.\n"));
}

// The options that give a key of each form, with values the family takes:
// the two-square takes a keyword for each of its two rectangles, and ЛЕСА
// read as Hill's matrix (11 6; 17 1) has an odd determinant.
QStringList keyFormOptions(const CipherFamily &family, KeyForm form)
{
    switch (form) {
    case KeyForm::Keyword:
        return family.valuesTaken(form) == 2 ? arguments({ "--keyword", "ЛЕСА", "--keyword", "ШИФР" })
                                              : arguments({ "--keyword", "ЛЕСА" });
    case KeyForm::Shift:
        return arguments({ "--shift", "3" });
    case KeyForm::Affine:
        return arguments({ "--affine", "5,7" });
    case KeyForm::Digits:
        return arguments({ "--digits", "31415" });
    case KeyForm::Atbash:
        return arguments({ "--atbash" });
    case KeyForm::Matrix:
        return arguments({ "--matrix", "3 5; 2 7" });
    }
    return QStringList();
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
    void symbolKeysEncryptAsEncryptDoes_data();
    void symbolKeysEncryptAsEncryptDoes();
    void caesarShiftsTheProfileByThree();
    void pairsOfEveryTextOfSymbols_data();
    void pairsOfEveryTextOfSymbols();
    void failures_data();
    void failures();
    void chartReplacesTheOldOneWhole_data();
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

void AnalyzeCliTest::symbolKeysEncryptAsEncryptDoes_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QStringList>("keyOptions");
    // Every family's every key form, and its key file, from the family list:
    // a family added to it is tried here too.
    for (const CipherFamily *family : cipherFamilies()) {
        if (family->isHomophonic())
            continue;
        for (const KeyForm form : family->keyForms()) {
            const QStringList options = keyFormOptions(*family, form);
            QTest::addRow("%s %s", qPrintable(family->name()), qPrintable(options.first()))
                << family->name() << options;
        }
        QTest::addRow("%s --key-file", qPrintable(family->name())) << family->name() << QStringList();
        if (family->takesFiller()) {
            QTest::addRow("%s with its own filler", qPrintable(family->name()))
                << family->name() << keyFormOptions(*family, family->keyForms().first()) + arguments({ "--filler", "Х" });
        }
    }
}

// What analyze counts of the ciphertext it makes in memory is what it counts
// of the file that encrypt writes with the same key, read as a text of
// symbols: frequencies, pairs and period statistics alike.
void AnalyzeCliTest::symbolKeysEncryptAsEncryptDoes()
{
    QFETCH(QString, family);
    QFETCH(QStringList, keyOptions);
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), proseInCp1251()));
    if (keyOptions.isEmpty()) {
        const Run keygen = runCli({ QStringLiteral("keygen"), QStringLiteral("--cipher"), family, QStringLiteral("--seed"),
                                    QStringLiteral("7"), QStringLiteral("-o"), path(QStringLiteral("key.txt")) });
        QCOMPARE(keygen.exitCode, 0);
        keyOptions = QStringList { QStringLiteral("--key-file"), path(QStringLiteral("key.txt")) };
    }
    const QStringList keyed = QStringList { QStringLiteral("--cipher"), family } + keyOptions;
    const Run encrypted = runCli(QStringList { QStringLiteral("encrypt"), QStringLiteral("-i"), path(QStringLiteral("text.txt")),
                                               QStringLiteral("-o"), path(QStringLiteral("cipher.txt")) }
                                 + keyed);
    QCOMPARE(encrypted.exitCode, 0);
    const QStringList analyze { QStringLiteral("analyze"), QStringLiteral("--format"), QStringLiteral("json") };
    const Run side = runCli(analyze + keyed + QStringList { QStringLiteral("-i"), path(QStringLiteral("text.txt")) });
    const Run ofPlain = runCli(analyze + arguments({ "--as", "plain", "-i" }) + QStringList { path(QStringLiteral("text.txt")) });
    const Run ofCipher = runCli(analyze + arguments({ "--as", "plain", "-i" }) + QStringList { path(QStringLiteral("cipher.txt")) });
    QCOMPARE(side.err, QString());
    QCOMPARE(side.exitCode, 0);
    QCOMPARE(ofCipher.exitCode, 0);

    const QJsonObject json = parsedJson(side.out);
    const QJsonObject plainAlone = parsedJson(ofPlain.out).value(QStringLiteral("plain")).toObject();
    const QJsonObject cipherAlone = parsedJson(ofCipher.out).value(QStringLiteral("plain")).toObject();
    QCOMPARE(json.value(QStringLiteral("plain")).toObject(), plainAlone);
    QCOMPARE(json.value(QStringLiteral("cipher")).toObject(), cipherAlone);
    QVERIFY(cipherAlone != plainAlone);
    QVERIFY(cipherAlone.value(QStringLiteral("pairs")).toObject().value(QStringLiteral("total")).toDouble() > 50);
    // The period statistics are the ciphertext's.
    QCOMPARE(json.value(QStringLiteral("periods")).toObject(),
             parsedJson(ofCipher.out).value(QStringLiteral("periods")).toObject());
}

// Caesar's cipher moves every symbol three places on: the ciphertext's
// profile is the plaintext's, shifted, in single symbols and in pairs.
void AnalyzeCliTest::caesarShiftsTheProfileByThree()
{
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), proseInCp1251()));
    const QStringList common = arguments({ "analyze", "--cipher", "mono", "--shift", "3", "-i" })
        + QStringList { path(QStringLiteral("text.txt")) };
    const Run run = runCli(common + arguments({ "--format", "json" }));
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = parsedJson(run.out);
    const QJsonObject plain = json.value(QStringLiteral("plain")).toObject();
    const QJsonObject cipher = json.value(QStringLiteral("cipher")).toObject();
    const auto shifted = [](int symbol) { return (symbol + 3) % Alphabet::Size; };
    for (int symbol = 0; symbol < Alphabet::Size; ++symbol) {
        QCOMPARE(countOf(cipher, Alphabet::symbol(shifted(symbol))), countOf(plain, Alphabet::symbol(symbol)));
        for (int second = 0; second < Alphabet::Size; ++second)
            QCOMPARE(pairCountOf(cipher, shifted(symbol), shifted(second)), pairCountOf(plain, symbol, second));
    }
    QVERIFY(countOf(plain, QStringLiteral(" ")) > 20);
    QCOMPARE(countOf(cipher, QStringLiteral("В")), countOf(plain, QStringLiteral(" ")));
    QCOMPARE(cipher.value(QStringLiteral("ioc")), plain.value(QStringLiteral("ioc")));
    QCOMPARE(cipher.value(QStringLiteral("other")), plain.value(QStringLiteral("other")));

    // The text report names the right-hand text the ciphertext, though it is
    // written in symbols too.
    const QString report = QString::fromUtf8(runCli(common).out);
    QVERIFY2(report.startsWith(QStringLiteral("Открытый текст")) && report.contains(QStringLiteral("Шифртекст")),
             qPrintable(report));
    QVERIFY(report.contains(QStringLiteral("Нет в шифртексте:")));
    QVERIFY(report.contains(QStringLiteral("Прочие символы шифртекста")));
}

void AnalyzeCliTest::pairsOfEveryTextOfSymbols_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<bool>("plainPairs");
    QTest::addColumn<bool>("cipherPairs");

    // АБ (В left over), then ГД and ␣Е: three pairs.
    const QByteArray text = cp1251(QStringLiteral("Аб,в\nгД е\n"));
    QTest::newRow("a plaintext has pairs") << text << QStringList() << true << false;
    QTest::newRow("with a homophonic key, only the plaintext: its ciphertext is codes")
        << text << arguments({ "--key", "2" }) << true << false;
    QTest::newRow("with a Vigenère key, both texts")
        << text << arguments({ "--cipher", "vigenere", "--keyword", "ОН" }) << true << true;
    QTest::newRow("codes read as ciphertext have none")
        << QByteArray("01 33 65 \n") << QStringList() << false << false;
}

void AnalyzeCliTest::pairsOfEveryTextOfSymbols()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, extra);
    QFETCH(bool, plainPairs);
    QFETCH(bool, cipherPairs);
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), bytes));
    const QStringList common = QStringList { QStringLiteral("analyze"), QStringLiteral("-i"),
                                             path(QStringLiteral("text.txt")) } + extra;
    const Run run = runCli(common + arguments({ "--format", "json" }));
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = parsedJson(run.out);
    const QJsonObject plain = json.value(QStringLiteral("plain")).toObject();
    QCOMPARE(plain.contains(QStringLiteral("pairs")), plainPairs);
    QCOMPARE(json.value(QStringLiteral("cipher")).toObject().contains(QStringLiteral("pairs")), cipherPairs);
    if (plainPairs) {
        const QJsonObject pairs = plain.value(QStringLiteral("pairs")).toObject();
        QCOMPARE(pairs.value(QStringLiteral("total")).toDouble(), 3.0);
        QCOMPARE(pairCountOf(plain, Alphabet::indexOf(u'А'), Alphabet::indexOf(u'Б')), qint64(1));
        QCOMPARE(pairCountOf(plain, Alphabet::indexOf(u'Г'), Alphabet::indexOf(u'Д')), qint64(1));
        QCOMPARE(pairCountOf(plain, Alphabet::indexOf(u' '), Alphabet::indexOf(u'Е')), qint64(1));
        QCOMPARE(pairCountOf(plain, Alphabet::indexOf(u'В'), Alphabet::indexOf(u'Г')), qint64(0));
        // Three pairs, each once: no two coincide.
        QCOMPARE(pairs.value(QStringLiteral("indexOfCoincidence")).toDouble(), 0.0);
        QCOMPARE(pairs.value(QStringLiteral("doubled")).toDouble(), 0.0);
        QCOMPARE(pairs.value(QStringLiteral("mostFrequent")).toArray().size(), 3);
    }
    const QString report = QString::fromUtf8(runCli(common).out);
    QCOMPARE(report.contains(QStringLiteral("Пары символов")), plainPairs);
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

    // A symbol family's key is checked before any file is opened.
    const QStringList charted = arguments({ "analyze", "-i", "text.txt", "--chart", "old.svg", "--pair-chart", "pairs.svg" });
    QTest::newRow("a shift out of range") << charted + arguments({ "--cipher", "mono", "--shift", "32" }) << QString()
                                          << 2 << QStringLiteral("--shift");
    QTest::newRow("another family's key form") << charted + arguments({ "--cipher", "vigenere", "--shift", "3" })
                                               << QString() << 2 << QStringLiteral("не задаёт ключ шифра «vigenere»");
    QTest::newRow("a key form without a family") << charted + arguments({ "--shift", "3" }) << QString() << 2
                                                 << QStringLiteral("выбрана гомофоническая замена");
    QTest::newRow("a family without a key") << charted + arguments({ "--cipher", "mono" }) << QString() << 2
                                            << QStringLiteral("не указан ключ шифра «mono»");
    QTest::newRow("a homophonic key for another family") << charted + arguments({ "--cipher", "mono", "--shift", "3", "--key", "2" })
                                                         << QString() << 2 << QStringLiteral("только для гомофонической замены");
    QTest::newRow("a seed for another family") << charted + arguments({ "--cipher", "mono", "--atbash", "--seed", "1" })
                                               << QString() << 2 << QStringLiteral("«--seed» — только для гомофонической");
    QTest::newRow("ciphertext reading with a symbol key") << charted + arguments({ "--cipher", "mono", "--atbash", "--as", "cipher" })
                                                          << QString() << 2 << QStringLiteral("--as cipher не подходит");
    QTest::newRow("a text for a key file") << charted + arguments({ "--cipher", "mono", "--key-file", "text.txt" })
                                           << QString() << 2 << QStringLiteral("файл ключа не принят");
    // What cannot be drawn is found before any chart is written.
    QTest::newRow("pairs of codes") << arguments({ "analyze", "-i", "codes.txt", "--chart", "old.svg", "--pair-chart", "pairs.svg" })
                                    << QString() << 1 << QStringLiteral("пар символов алфавита в нём нет");
    QTest::newRow("no line with two symbols") << arguments({ "analyze", "-i", "lone.txt", "--chart", "old.svg", "--pair-chart", "pairs.svg" })
                                              << QString() << 1 << QStringLiteral("пар для графика нет");
    QTest::newRow("too few symbols for the period chart")
        << arguments({ "analyze", "-i", "single.txt", "--chart", "old.svg", "--period-chart", "periods.svg" }) << QString() << 1
        << QStringLiteral("слишком мало для графика по периодам");
    QTest::newRow("pair chart in a missing folder") << arguments({ "analyze", "-i", "text.txt", "--pair-chart", "нет/пары.svg" })
                                                    << QString() << 1 << QStringLiteral("не удалось создать файл");
    QTest::newRow("empty pair chart name") << arguments({ "analyze", "-i", "text.txt", "--pair-chart", "" }) << QString() << 2
                                           << QStringLiteral("пустое имя файла у параметра «--pair-chart»");
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
    QVERIFY(writeFile(path(QStringLiteral("codes.txt")), QByteArray("01 33 65 01 00 \n")));
    // Two symbols, but on lines of their own; one symbol alone.
    QVERIFY(writeFile(path(QStringLiteral("lone.txt")), cp1251(QStringLiteral("А\nб.\n"))));
    QVERIFY(writeFile(path(QStringLiteral("single.txt")), cp1251(QStringLiteral("Я!\n"))));
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

void AnalyzeCliTest::chartReplacesTheOldOneWhole_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("caption");
    QTest::newRow("frequencies") << arguments({ "--key", "3" }) << QStringLiteral("--chart")
                                 << QStringLiteral("индекс совпадений");
    QTest::newRow("pairs") << arguments({ "--cipher", "autokey", "--keyword", "ОН" }) << QStringLiteral("--pair-chart")
                           << QStringLiteral("второй символ пары");
    QTest::newRow("periods") << QStringList() << QStringLiteral("--period-chart")
                             << QStringLiteral("предполагаемый период");
}

void AnalyzeCliTest::chartReplacesTheOldOneWhole()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, option);
    QFETCH(QString, caption);
    QVERIFY(writeFile(path(QStringLiteral("text.txt")), cp1251(sentence)));
    QVERIFY(writeFile(path(QStringLiteral("chart.svg")), QByteArray(100000, 'x')));
    const Run run = runCli(QStringList { QStringLiteral("analyze"), QStringLiteral("-i"), path(QStringLiteral("text.txt")),
                                         option, path(QStringLiteral("chart.svg")) }
                           + extra);
    QCOMPARE(run.exitCode, 0);
    const QByteArray svg = readFile(path(QStringLiteral("chart.svg")));
    QVERIFY(svg.startsWith("<?xml"));
    QVERIFY(svg.trimmed().endsWith("</svg>"));
    QVERIFY(!svg.contains("xxxx"));
    QVERIFY(QString::fromUtf8(svg).contains(caption));
}

QTEST_MAIN(AnalyzeCliTest)
#include "tst_analyzecli.moc"
