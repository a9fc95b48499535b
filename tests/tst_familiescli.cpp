// The tool's other cipher families: --cipher with inline keys and key files,
// keygen, and the key mistakes it refuses before writing anything.
#include "cipherfamily.h"
#include "clirunner.h"
#include "referencecipher.h"
#include "symbolcipher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

const QString text = QStringLiteral("Съешь же ещё этих мягких французских булок,\r\nда выпей чаю. 1234 Latin\n"
                                    "\tЙод и ёлка\n\nконец без перевода строки");

SymbolKey libraryKey(const char *family, KeyForm form, const char *value)
{
    QString problem;
    return *cipherFamily(QString::fromLatin1(family))->key(form, QString::fromUtf8(value), problem);
}

} // namespace

class FamiliesCliTest : public QObject
{
    Q_OBJECT

private slots:
    void inlineKeys_data();
    void inlineKeys();
    void keygenKeysCipher_data();
    void keygenKeysCipher();
    void refusals_data();
    void refusals();
    void crackFindsTheKeyword_data();
    void crackFindsTheKeyword();
    void crackRefusesBadLocks();
    void crackBreaksTheRectangle();
    void crackRefusesWhatNoRectangleGives_data();
    void crackRefusesWhatNoRectangleGives();
    void analyzeTellsThePeriod();
};

void FamiliesCliTest::inlineKeys_data()
{
    QTest::addColumn<QStringList>("keyOptions");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("value");

    const auto add = [](const char *tag, QStringList options, const char *family, KeyForm form, const char *value) {
        QTest::newRow(tag) << options << QString::fromLatin1(family) << int(form) << QString::fromUtf8(value);
    };
    add("caesar", arguments({ "--cipher", "mono", "--shift", "3" }), "mono", KeyForm::Shift, "3");
    add("affine", arguments({ "--cipher", "mono", "--affine", "5,7" }), "mono", KeyForm::Affine, "5,7");
    add("keyword alphabet", arguments({ "--cipher", "mono", "--keyword", "шифр" }), "mono", KeyForm::Keyword, "шифр");
    add("atbash", arguments({ "--cipher", "mono", "--atbash" }), "mono", KeyForm::Atbash, "");
    add("vigenere", arguments({ "--cipher", "vigenere", "--keyword", "КЛЮЧ" }), "vigenere", KeyForm::Keyword, "КЛЮЧ");
    add("gronsfeld", arguments({ "--cipher", "gronsfeld", "--digits", "31415" }), "gronsfeld", KeyForm::Digits, "31415");
    add("beaufort", arguments({ "--cipher", "beaufort", "--keyword", "КОТ" }), "beaufort", KeyForm::Keyword, "КОТ");
    add("autokey", arguments({ "--cipher", "autokey", "--keyword", "ШИФР" }), "autokey", KeyForm::Keyword, "ШИФР");
    add("playfair", arguments({ "--cipher", "playfair", "--keyword", "ШИФР" }), "playfair", KeyForm::Keyword, "ШИФР");
    add("hill", arguments({ "--cipher", "hill", "--matrix", "3 5; 2 7" }), "hill", KeyForm::Matrix, "3 5; 2 7");
}

// The tool writes what the library writes, in both encodings and on one
// thread or two, and deciphers it back.
void FamiliesCliTest::inlineKeys()
{
    QFETCH(QStringList, keyOptions);
    QFETCH(QString, family);
    QFETCH(int, form);
    QFETCH(QString, value);

    const SymbolCipher cipher(libraryKey(family.toLatin1().constData(), KeyForm(form), value.toUtf8().constData()));
    const QByteArray expected = cipher.encrypt(text).toUtf8();
    for (const char *jobs : { "1", "2" }) {
        const QStringList common = keyOptions + arguments({ "--encoding", "utf-8", "--jobs", jobs });
        const Run encrypted = runCli(QStringList { QStringLiteral("encrypt") } + common, text.toUtf8());
        QCOMPARE(encrypted.exitCode, 0);
        QCOMPARE(encrypted.out, expected);
        const Run decrypted = runCli(QStringList { QStringLiteral("decrypt") } + common, encrypted.out);
        QCOMPARE(decrypted.exitCode, 0);
        QCOMPARE(QString::fromUtf8(decrypted.out), cipher.decrypt(cipher.encrypt(text)));
    }
    // Windows-1251, the default, through its byte route.
    QTextCodec *windows1251 = QTextCodec::codecForName("windows-1251");
    const Run encrypted = runCli(QStringList { QStringLiteral("encrypt") } + keyOptions, windows1251->fromUnicode(text));
    QCOMPARE(encrypted.exitCode, 0);
    QCOMPARE(encrypted.out, windows1251->fromUnicode(cipher.encrypt(text)));
}

void FamiliesCliTest::keygenKeysCipher_data()
{
    QTest::addColumn<QString>("family");
    for (const CipherFamily *family : cipherFamilies()) {
        if (!family->isHomophonic())
            QTest::newRow(qPrintable(family->name())) << family->name();
    }
}

// A seed gives one key file; the file deciphers what it enciphered, and is
// refused by every other family without a byte written.
void FamiliesCliTest::keygenKeysCipher()
{
    QFETCH(QString, family);
    QTemporaryDir dir;
    const QString keyPath = dir.filePath(QStringLiteral("key.txt"));
    const QStringList keygen { QStringLiteral("keygen"), QStringLiteral("--cipher"), family,
                               QStringLiteral("--seed"), QStringLiteral("11") };
    const Run first = runCli(keygen + QStringList { QStringLiteral("--output"), keyPath });
    QCOMPARE(first.exitCode, 0);
    const Run second = runCli(keygen);
    const auto withoutDate = [](QByteArray bytes) { return bytes.mid(bytes.indexOf('\n')); };
    QCOMPARE(withoutDate(second.out), withoutDate(readFile(keyPath)));
    QVERIFY(QFile(keyPath).permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser));

    const QStringList keyed { QStringLiteral("--cipher"), family, QStringLiteral("--key-file"), keyPath,
                              QStringLiteral("-e"), QStringLiteral("utf-8") };
    const Run encrypted = runCli(QStringList { QStringLiteral("encrypt") } + keyed, text.toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    QVERIFY(encrypted.out != text.toUtf8());
    const Run decrypted = runCli(QStringList { QStringLiteral("decrypt") } + keyed, encrypted.out);
    QCOMPARE(decrypted.exitCode, 0);
    // Block ciphers give their fillers back, the default Ъ (Ы between two Ъ).
    const CipherFamily &chosen = *cipherFamily(family);
    QRandomGenerator source(1);
    const SymbolCipher sample(chosen.randomKey(source));
    const QString expected = sample.blockSize() == 1
        ? text.toUpper()
        : referenceWithFillers(text, sample.blockSize(), QChar(u'Ъ'), QChar(u'Ы'), sample.rule() == SymbolRule::Playfair);
    QCOMPARE(QString::fromUtf8(decrypted.out).toUpper(), expected.toUpper());

    for (const CipherFamily *other : cipherFamilies()) {
        if (other->name() == family)
            continue;
        const QString out = dir.filePath(QStringLiteral("out-") + other->name());
        QStringList options { QStringLiteral("encrypt"), QStringLiteral("--key-file"), keyPath,
                              QStringLiteral("--output"), out };
        if (!other->isHomophonic())
            options << QStringLiteral("--cipher") << other->name();
        const Run refused = runCli(options, text.toUtf8());
        QCOMPARE(refused.exitCode, 2);
        QVERIFY2(refused.err.contains(family), qPrintable(refused.err));
        QVERIFY(!QFile::exists(out));
    }
}

void FamiliesCliTest::refusals_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");

    const auto add = [](const char *tag, QStringList options, const char *message) {
        QTest::newRow(tag) << options << QString::fromUtf8(message);
    };
    add("even affine a", arguments({ "--cipher", "mono", "--affine", "4,1" }), "--affine: множитель A = 4 чётный");
    add("affine past the alphabet", arguments({ "--cipher", "mono", "--affine", "5,32" }), "--affine: нужны два числа");
    add("shift past the alphabet", arguments({ "--cipher", "mono", "--shift", "32" }), "--shift: сдвиг должен быть");
    add("keyword of no symbol", arguments({ "--cipher", "vigenere", "--keyword", "key123" }),
        "--keyword: в ключевом слове «key123» нет ни одного символа");
    add("gronsfeld with a letter", arguments({ "--cipher", "gronsfeld", "--digits", "31a15" }),
        "--digits: в ключе Гронсфельда только цифры от 0 до 9, а не «a»");
    add("unknown family", arguments({ "--cipher", "enigma", "--keyword", "А" }), "неизвестный шифр «enigma»");
    add("shift for vigenere", arguments({ "--cipher", "vigenere", "--shift", "3" }),
        "параметр «--shift» не задаёт ключ шифра «vigenere»");
    add("keyword without a family", arguments({ "--keyword", "КЛЮЧ" }), "выбрана гомофоническая замена");
    add("homophonic key for mono", arguments({ "--cipher", "mono", "--key", "2", "--shift", "1" }),
        "параметр «--key» — только для гомофонической замены");
    add("two keys", arguments({ "--cipher", "mono", "--shift", "1", "--atbash" }), "ключ задан дважды: --shift и --atbash");
    add("no key", arguments({ "--cipher", "beaufort" }), "не указан ключ шифра «beaufort»");
    add("missing key file", arguments({ "--cipher", "mono", "--key-file", "нет-такого.txt" }),
        "не удалось открыть файл ключа «нет-такого.txt»");
    add("hill matrix of even determinant", arguments({ "--cipher", "hill", "--matrix", "2 3; 4 6" }),
        "--matrix: определитель матрицы 2 3; 4 6 по модулю 32 равен 0, чётное число");
    add("filler outside the alphabet", arguments({ "--cipher", "playfair", "--keyword", "ШИФР", "--filler", "Й" }),
        "--filler: заполнитель — один символ алфавита");
    add("filler for a keyword cipher", arguments({ "--cipher", "vigenere", "--keyword", "ШИФР", "--filler", "Х" }),
        "параметр «--filler» — только для полиграммных шифров");
    add("two-square with one keyword", arguments({ "--cipher", "two-square", "--keyword", "ШИФР" }),
        "--keyword: двойному квадрату нужны два ключевых слова");
    add("two keywords for vigenere", arguments({ "--cipher", "vigenere", "--keyword", "А", "--keyword", "Б" }),
        "--keyword: ключ этого шифра задаётся один раз");
    add("playfair keyword of no symbol", arguments({ "--cipher", "playfair", "--keyword", "key" }),
        "--keyword: в ключевом слове «key» нет ни одного символа");
}

// Refused with exit 2, a message naming what is wrong, and no output file.
void FamiliesCliTest::refusals()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const Run run = runCli(QStringList { QStringLiteral("encrypt") } + options
                               + QStringList { QStringLiteral("--output"), out },
                           text.toUtf8());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

namespace {

const QString prose = QStringLiteral(
    "Каждый раз, когда мы открываем книгу, перед нами оживает целый мир. Писатель ведёт нас по улицам "
    "старого города, знакомит с людьми, которых мы никогда не встречали, и рассказывает о событиях, "
    "случившихся задолго до нашего рождения. Хорошая книга учит думать, сравнивать и сомневаться, а "
    "иногда помогает принять трудное решение. Поэтому библиотеки всегда были местом, где собирались "
    "люди, желающие узнать что-то новое о себе и о мире вокруг.\n");

} // namespace

void FamiliesCliTest::crackFindsTheKeyword_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("vigenere") << QStringLiteral("vigenere") << QStringLiteral("ЛЕТОПИСЬ");
    QTest::newRow("beaufort") << QStringLiteral("beaufort") << QStringLiteral("ЗИМА");
    QTest::newRow("autokey") << QStringLiteral("autokey") << QStringLiteral("РЕКА");
    // The keyword alphabet's symbols the text lacks cannot be told: only the
    // plaintext is compared.
    QTest::newRow("mono") << QStringLiteral("mono") << QStringLiteral("ЗАБОР");
}

// A short text is read back whole and the key file names the keyword.
void FamiliesCliTest::crackFindsTheKeyword()
{
    QFETCH(QString, family);
    QFETCH(QString, keyword);
    QTemporaryDir dir;
    const QString keyPath = dir.filePath(QStringLiteral("found.txt"));
    const Run encrypted = runCli({ QStringLiteral("encrypt"), QStringLiteral("--cipher"), family,
                                   QStringLiteral("--keyword"), keyword, QStringLiteral("-e"), QStringLiteral("utf-8") },
                                 prose.toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    const Run cracked = runCli({ QStringLiteral("crack"), QStringLiteral("--cipher"), family, QStringLiteral("-e"),
                                 QStringLiteral("utf-8"), QStringLiteral("--seed"), QStringLiteral("1"),
                                 QStringLiteral("--time-limit"), QStringLiteral("5"), QStringLiteral("--key-out"),
                                 keyPath },
                               encrypted.out);
    QCOMPARE(cracked.exitCode, 0);
    QCOMPARE(QString::fromUtf8(cracked.out).toUpper(), prose.toUpper());
    if (family != QLatin1String("mono"))
        QVERIFY2(readFile(keyPath).contains((QStringLiteral("ключ\t") + keyword).toUtf8()), readFile(keyPath).constData());
    QVERIFY(readFile(keyPath).contains((QStringLiteral("шифр\t") + family).toUtf8()));
}

// A lock the family cannot read is refused before anything is written.
void FamiliesCliTest::crackRefusesBadLocks()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const Run run = runCli(arguments({ "crack", "--cipher", "vigenere", "-e", "utf-8", "--lock", "0=К", "--output" })
                               + QStringList { out },
                           prose.toUtf8());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QStringLiteral("0=К: ожидается НОМЕР=БУКВА")), qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

// Playfair's rectangle is found from the ciphertext alone: the output is
// what the true key deciphers (its fillers too), and the key file written
// deciphers the same.
void FamiliesCliTest::crackBreaksTheRectangle()
{
    const QStringList trueKey = arguments({ "--cipher", "playfair", "--keyword", "КНИГОЧЕЙ" });
    const Run encrypted = runCli(arguments({ "encrypt", "-e", "utf-8" }) + trueKey, prose.toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    const Run expected = runCli(arguments({ "decrypt", "-e", "utf-8" }) + trueKey, encrypted.out);
    QCOMPARE(expected.exitCode, 0);
    QTemporaryDir dir;
    const QString keyPath = dir.filePath(QStringLiteral("found.txt"));
    // The limit only ends a broken search; two agreeing restarts end it first.
    const Run cracked = runCli(arguments({ "crack", "--cipher", "playfair", "-e", "utf-8", "--seed", "1",
                                           "--time-limit", "250", "--key-out" })
                                   + QStringList { keyPath },
                               encrypted.out);
    QCOMPARE(cracked.exitCode, 0);
    QCOMPARE(QString::fromUtf8(cracked.out).toUpper(), QString::fromUtf8(expected.out).toUpper());
    QVERIFY2(cracked.err.contains(QStringLiteral("шифр Плейфера; прямоугольник ")), qPrintable(cracked.err));
    QVERIFY(readFile(keyPath).contains("шифр\tplayfair"));
    const Run again = runCli(arguments({ "decrypt", "--cipher", "playfair", "-e", "utf-8", "--key-file" })
                                 + QStringList { keyPath },
                             encrypted.out);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out, cracked.out);
}

void FamiliesCliTest::crackRefusesWhatNoRectangleGives_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QByteArray pairs = QStringLiteral("ПРИВЕТ ИЗ ДАЛЁКОГО ГОРОДА\n").repeated(4).toUtf8();
    QTest::newRow("cell outside the rectangle")
        << arguments({ "--cipher", "playfair", "--lock", "А=5,1" }) << pairs << 2
        << QStringLiteral("А=5,1: в прямоугольнике строки от 1 до 4 и столбцы от 1 до 8");
    QTest::newRow("two-square lock without its rectangle")
        << arguments({ "--cipher", "two-square", "--lock", "А=1,1" }) << pairs << 2
        << QStringLiteral("А=1,1: ожидается ПРЯМОУГОЛЬНИК:СИМВОЛ=СТРОКА,СТОЛБЕЦ");
    QTest::newRow("crib Playfair cannot give")
        << arguments({ "--cipher", "playfair", "--crib", "ООО" }) << pairs << 2
        << QStringLiteral("ООО: слово не может читаться ни в одном месте шифртекста");
    QTest::newRow("doubled pair") << arguments({ "--cipher", "playfair" }) << QByteArray("ААБВ\n") << 1
                                  << QStringLiteral("пара «АА» из двух одинаковых символов");
    QTest::newRow("odd line") << arguments({ "--cipher", "two-square" }) << QByteArray("АБ\nВГД\n") << 1
                              << QStringLiteral("в строке 2 нечётное число символов");
}

// Refused before any search, and no output file is left behind.
void FamiliesCliTest::crackRefusesWhatNoRectangleGives()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const Run run = runCli(arguments({ "crack", "-e", "utf-8", "--seed", "1", "--time-limit", "250", "--output" })
                               + QStringList { out } + options,
                           input);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

// The period statistics of a Vigenère ciphertext point at its keyword's
// length, in JSON and on the chart; a text too short for them draws none.
void FamiliesCliTest::analyzeTellsThePeriod()
{
    const Run encrypted = runCli(arguments({ "encrypt", "--cipher", "vigenere", "--keyword", "ПЕРО", "-e", "utf-8" }),
                                 (prose + prose + prose).toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    QTemporaryDir dir;
    const QString chart = dir.filePath(QStringLiteral("periods.svg"));
    const Run analyzed = runCli(arguments({ "analyze", "-e", "utf-8", "--format", "json", "--period-chart" })
                                    + QStringList { chart },
                                encrypted.out);
    QCOMPARE(analyzed.exitCode, 0);
    const QJsonObject periods = QJsonDocument::fromJson(analyzed.out).object().value(QStringLiteral("periods")).toObject();
    QCOMPARE(periods.value(QStringLiteral("coincidencePeriod")).toInt(), 4);
    QCOMPARE(periods.value(QStringLiteral("kasiski")).toObject().value(QStringLiteral("period")).toInt(), 4);
    QCOMPARE(periods.value(QStringLiteral("coincidenceByPeriod")).toArray().size(), 30);
    QVERIFY(readFile(chart).contains("<svg"));

    const QString shortChart = dir.filePath(QStringLiteral("short.svg"));
    const Run tooShort = runCli(arguments({ "analyze", "-e", "utf-8", "--period-chart" }) + QStringList { shortChart },
                                QByteArrayLiteral("А\n"));
    QCOMPARE(tooShort.exitCode, 1);
    QVERIFY2(tooShort.err.contains(QStringLiteral("слишком мало")), qPrintable(tooShort.err));
    QVERIFY(!QFile::exists(shortChart));
}

QTEST_GUILESS_MAIN(FamiliesCliTest)

#include "tst_familiescli.moc"
