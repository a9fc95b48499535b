// The symbol ciphers (one alphabet or several), their keys and key files,
// and the stream that runs them over whole texts.
#include "cipherfamily.h"
#include "filecipher.h"
#include "keytable.h"
#include "referencecipher.h"
#include "scripteddevice.h"
#include "symbolcipher.h"
#include "symbolkeys.h"
#include "textencoding.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

namespace {

const CipherFamily &family(const char *name)
{
    const CipherFamily *found = cipherFamily(QString::fromLatin1(name));
    Q_ASSERT(found);
    return *found;
}

SymbolKey keyOf(const char *familyName, KeyForm form, const QString &text)
{
    QString problem;
    const std::optional<SymbolKey> key = family(familyName).key(form, text, problem);
    if (!key)
        qFatal("no key: %s", qPrintable(problem));
    return *key;
}

// What deciphering gives back: every alphabet symbol as its capital.
QString capitalized(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (Alphabet::indexOf(c.unicode()) >= 0)
            c = c.toUpper();
    }
    return result;
}

// What deciphering gives back: the text in capitals, and for a block
// cipher with its fillers.
QString decipheredText(const SymbolCipher &cipher, const QString &text)
{
    if (cipher.blockSize() == 1)
        return capitalized(text);
    const int filler = cipher.key().filler;
    return referenceWithFillers(text, cipher.blockSize(), Alphabet::symbol(filler),
                                Alphabet::symbol((filler + 1) % Alphabet::Size), cipher.rule() == SymbolRule::Playfair);
}

QByteArray runLines(const QByteArray &input, const SymbolCipher &cipher, CipherJob::Direction direction,
                    const TextEncoding *encoding, int jobs, bool throughUtf16, qint64 blockBytes)
{
    CipherJob job;
    job.direction = direction;
    job.encoding = encoding;
    job.symbolCipher = &cipher;
    job.jobs = jobs;
    job.throughUtf16 = throughUtf16;
    job.blockBytes = blockBytes;
    ScriptedDevice in(input, 7, false);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const CipherOutcome outcome = cipherLines(in, out, job);
    if (outcome.status != CipherOutcome::Status::Done)
        return QByteArrayLiteral("<failed>");
    return out.data();
}

} // namespace

class SymbolCiphersTest : public QObject
{
    Q_OBJECT

private slots:
    void workedExamples_data();
    void workedExamples();
    void roundTrips_data();
    void roundTrips();
    void refusedKeys_data();
    void refusedKeys();
    void keyFiles_data();
    void keyFiles();
    void badKeyFiles_data();
    void badKeyFiles();
    void familyOfHomophonicFiles();
    void streamRoutesAgree_data();
    void streamRoutesAgree();
    void stepsRetellTheEncryption_data();
    void stepsRetellTheEncryption();
    void squareCellsAreTheCipher_data();
    void squareCellsAreTheCipher();
};

void SymbolCiphersTest::workedExamples_data()
{
    QTest::addColumn<QString>("familyName");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("keyText");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("cipher");

    const auto add = [](const char *tag, const char *name, KeyForm form, const char *key, const char *plain,
                        const char *cipher) {
        QTest::newRow(tag) << QString::fromLatin1(name) << int(form) << QString::fromUtf8(key)
                           << QString::fromUtf8(plain) << QString::fromUtf8(cipher);
    };
    // Indices: space 0, А 1, ..., И 9, К 10, ..., Я 31.
    add("caesar 3", "mono", KeyForm::Shift, "3", "ПРИВЕТ МИР", "ТУМЕИХВПМУ");
    add("caesar wraps Я", "mono", KeyForm::Shift, "3", "ЯЮ", "БА");
    add("affine 5x+7", "mono", KeyForm::Affine, "5,7", "АБ Я", "МСЖБ");
    add("keyword ШИФР", "mono", KeyForm::Keyword, "ШИФР", "ГДЕ ВЫ", " АБШРЫ");
    add("atbash", "mono", KeyForm::Atbash, "", "А Я", "ЮЯ ");
    add("vigenere КЛЮЧ", "vigenere", KeyForm::Keyword, "КЛЮЧ", "ПРИВЕТ", "ЩЫЖЪРЭ");
    add("lower case and punctuation", "vigenere", KeyForm::Keyword, "КЛЮЧ", "При-вет!", "ЩЫЖ-ЪРЭ!");
    add("Й and Ё take no step", "vigenere", KeyForm::Keyword, "КЛЮЧ", "ПЙРёИ", "ЩЙЫёЖ");
    add("key runs on over lines", "vigenere", KeyForm::Keyword, "КЛЮЧ", "ПР\nИВ", "ЩЫ\nЖЪ");
    add("gronsfeld 31415", "gronsfeld", KeyForm::Digits, "31415", "ПРИВЕТ", "ТСНГЛХ");
    add("beaufort КЛЮЧ", "beaufort", KeyForm::Keyword, "КЛЮЧ", "ПРИВЕТ", "ЫЫХФГЩ");
    add("autokey КЛЮЧ", "autokey", KeyForm::Keyword, "КЛЮЧ", "ПРИВЕТ", "ЩЫЖЪХБ");
}

void SymbolCiphersTest::workedExamples()
{
    QFETCH(QString, familyName);
    QFETCH(int, form);
    QFETCH(QString, keyText);
    QFETCH(QString, plain);
    QFETCH(QString, cipher);

    const SymbolCipher symbols(keyOf(familyName.toLatin1().constData(), KeyForm(form), keyText));
    QCOMPARE(symbols.encrypt(plain), cipher);
    QCOMPARE(symbols.decrypt(cipher), capitalized(plain));
}

void SymbolCiphersTest::roundTrips_data()
{
    QTest::addColumn<QString>("familyName");
    for (const CipherFamily *family : cipherFamilies()) {
        if (!family->isHomophonic())
            QTest::newRow(qPrintable(family->name())) << family->name();
    }
}

void SymbolCiphersTest::roundTrips()
{
    QFETCH(QString, familyName);
    QRandomGenerator source(42);
    const CipherFamily &chosen = family(familyName.toLatin1().constData());
    // Every kind of character: the alphabet in both cases, Й and Ё, Latin,
    // digits, tabs, line ends, a character outside the BMP.
    const QString pieces = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
                                          "xyzXYZ0189.,!?-\t\r\n\u2423");
    for (int trial = 0; trial < 20; ++trial) {
        const SymbolCipher cipher(chosen.randomKey(source));
        QString text;
        for (int i = 0; i < 200; ++i)
            text += pieces.at(int(source.bounded(pieces.size())));
        text += QStringLiteral("😀");
        const QString encrypted = cipher.encrypt(text);
        const QString deciphered = decipheredText(cipher, text);
        QCOMPARE(encrypted.size(), deciphered.size());
        QCOMPARE(cipher.decrypt(encrypted), deciphered);
    }
}

void SymbolCiphersTest::refusedKeys_data()
{
    QTest::addColumn<QString>("familyName");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("keyText");
    QTest::addColumn<QString>("reason");

    const auto add = [](const char *tag, const char *name, KeyForm form, const char *key, const char *reason) {
        QTest::newRow(tag) << QString::fromLatin1(name) << int(form) << QString::fromUtf8(key)
                           << QString::fromUtf8(reason);
    };
    add("even affine a", "mono", KeyForm::Affine, "4,1", "чётный");
    add("affine without b", "mono", KeyForm::Affine, "5", "два числа");
    add("affine a past the alphabet", "mono", KeyForm::Affine, "33,1", "от 0 до 31");
    add("shift 32", "mono", KeyForm::Shift, "32", "от 0 до 31");
    add("negative shift", "mono", KeyForm::Shift, "-1", "от 0 до 31");
    add("keyword of no symbol", "mono", KeyForm::Keyword, "ЙЁ123", "ни одного символа");
    add("vigenere keyword of no symbol", "vigenere", KeyForm::Keyword, "key", "ни одного символа");
    add("gronsfeld with a letter", "gronsfeld", KeyForm::Digits, "31А15", "только цифры");
    add("empty gronsfeld", "gronsfeld", KeyForm::Digits, "", "пуст");
    add("vigenere from digits", "vigenere", KeyForm::Digits, "123", "слово");
}

void SymbolCiphersTest::refusedKeys()
{
    QFETCH(QString, familyName);
    QFETCH(int, form);
    QFETCH(QString, keyText);
    QFETCH(QString, reason);

    QString problem;
    QVERIFY(!family(familyName.toLatin1().constData()).key(KeyForm(form), keyText, problem));
    QVERIFY2(problem.contains(reason), qPrintable(problem));
}

void SymbolCiphersTest::keyFiles_data()
{
    roundTrips_data();
}

// A key file written for a key reads back as that key, and a file of one
// family is refused by every other.
void SymbolCiphersTest::keyFiles()
{
    QFETCH(QString, familyName);
    const CipherFamily &chosen = family(familyName.toLatin1().constData());
    QRandomGenerator source(7);
    const SymbolKey key = chosen.randomKey(source);
    const QByteArray file =
        chosen.keyFileText(key, QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC), 9).toUtf8();
    const SymbolKeys::Reading reading = chosen.readKeyFile(file, QStringLiteral("k.txt"));
    QVERIFY2(reading.key, qPrintable(reading.problems.join(QLatin1Char('\n'))));
    QCOMPARE(SymbolCipher(*reading.key).encrypt(QStringLiteral("СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ БУЛОК")),
             SymbolCipher(key).encrypt(QStringLiteral("СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ БУЛОК")));

    for (const CipherFamily *other : cipherFamilies()) {
        if (other == &chosen)
            continue;
        const QStringList problems = other->isHomophonic()
            ? readKeyTable(file, QStringLiteral("k.txt")).problems
            : other->readKeyFile(file, QStringLiteral("k.txt")).problems;
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().contains(familyName), qPrintable(problems.first()));
    }
}

void SymbolCiphersTest::badKeyFiles_data()
{
    QTest::addColumn<QString>("familyName");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");

    QString alphabet = QStringLiteral("# comment\nшифр\tmono\n");
    for (int i = 0; i < Alphabet::Size; ++i)
        alphabet += keyFileSymbolText(i) + QLatin1Char('\t') + keyFileSymbolText((i + 1) % Alphabet::Size) + QLatin1Char('\n');
    QString twice = alphabet;
    twice.replace(QStringLiteral("Б\tВ\n"), QStringLiteral("Б\tА\n"));
    QTest::newRow("cipher symbol twice") << "mono" << twice
                                         << QStringList { QStringLiteral("строка 5: замена «А» уже дана символу в строке 3") };
    QString missing = alphabet;
    missing.remove(QStringLiteral("Я\t␣\n"));
    QTest::newRow("symbol missing") << "mono" << missing << QStringList { QStringLiteral("нет строки для символа «Я»") };
    QString lower = alphabet;
    lower.replace(QStringLiteral("В\tГ\n"), QStringLiteral("в\tГ\n"));
    QTest::newRow("lower-case symbol") << "mono" << lower
                                       << QStringList { QStringLiteral("строка 6: буква «в» записывается заглавной"),
                                                        QStringLiteral("нет строки для символа «В»") };
    QTest::newRow("keyword of no symbol") << "vigenere" << QStringLiteral("шифр\tvigenere\nключ\tabc\n")
                                          << QStringList { QStringLiteral("строка 2: в ключевом слове нет") };
    QTest::newRow("two keywords") << "beaufort" << QStringLiteral("шифр\tbeaufort\nключ\tКОТ\nключ\tПЁС\n")
                                  << QStringList { QStringLiteral("строка 3: ключ уже задан в строке 2") };
    QTest::newRow("no keyword") << "autokey" << QStringLiteral("шифр\tautokey\n")
                                << QStringList { QStringLiteral("нет строки «ключ<TAB>КЛЮЧ»") };
    QTest::newRow("letter in digits") << "gronsfeld" << QStringLiteral("шифр\tgronsfeld\nключ\t31a\n")
                                      << QStringList { QStringLiteral("строка 2: в ключе Гронсфельда только цифры") };
    QTest::newRow("unknown family") << "vigenere" << QStringLiteral("шифр\tplayfair\nключ\tКОТ\n")
                                    << QStringList { QStringLiteral("это ключ шифра «playfair», а нужен ключ шифра «vigenere»") };
    QTest::newRow("homophonic file") << "mono" << QString(QStringLiteral("# x\n") + keyTableText(fixedKeyTable()))
                                     << QStringList { QStringLiteral("файл без неё — ключ гомофонической замены") };
}

void SymbolCiphersTest::badKeyFiles()
{
    QFETCH(QString, familyName);
    QFETCH(QString, file);
    QFETCH(QStringList, expected);

    const SymbolKeys::Reading reading =
        family(familyName.toLatin1().constData()).readKeyFile(file.toUtf8(), QStringLiteral("k.txt"));
    QVERIFY(!reading.key);
    QCOMPARE(reading.problems.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(reading.problems.at(i).contains(expected.at(i)), qPrintable(reading.problems.at(i)));
}

// Homophonic files state no family, and may state their own.
void SymbolCiphersTest::familyOfHomophonicFiles()
{
    const QByteArray plain = keyTableText(fixedKeyTable()).toUtf8();
    QCOMPARE(keyFileFamily(plain), QStringLiteral("homophonic"));
    QVERIFY(readKeyTable(QByteArray("шифр\thomophonic\n") + plain, QStringLiteral("k")).table);
    QCOMPARE(keyFileFamily(QByteArray("\xEF\xBB\xBF# c\n\nшифр\tmono\n")), QStringLiteral("mono"));
}

void SymbolCiphersTest::streamRoutesAgree_data()
{
    roundTrips_data();
}

// The byte route and the route through UTF-16, one thread or several, small
// blocks or one: the same bytes, and deciphering gives the text back.
void SymbolCiphersTest::streamRoutesAgree()
{
    QFETCH(QString, familyName);
    QRandomGenerator source(3);
    const SymbolCipher cipher(family(familyName.toLatin1().constData()).randomKey(source));
    const QString text = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю.\r\n"
                                        "Й и Ё не шифруются; tab\tи цифры 123 тоже.\n\nПоследняя строка без конца");
    QString longText;
    for (int i = 0; i < 40; ++i)
        longText += text + QLatin1Char('\n');
    longText += text;

    for (const TextEncoding *encoding : {TextEncoding::windows1251(), TextEncoding::utf8()}) {
        QByteArray input;
        encoding->encode(longText, input);
        const QByteArray expected = runLines(input, cipher, CipherJob::Direction::Encrypt, encoding, 1, true, 1 << 20);
        QByteArray wanted;
        encoding->encode(cipher.encrypt(longText), wanted);
        QCOMPARE(expected, wanted);
        for (const int jobs : {1, 3}) {
            for (const bool throughUtf16 : {false, true}) {
                const QByteArray encrypted =
                    runLines(input, cipher, CipherJob::Direction::Encrypt, encoding, jobs, throughUtf16, 100);
                QCOMPARE(encrypted, expected);
                QByteArray back;
                encoding->encode(decipheredText(cipher, longText), back);
                QCOMPARE(runLines(encrypted, cipher, CipherJob::Direction::Decrypt, encoding, jobs, throughUtf16, 100),
                         back);
            }
        }
    }
}

void SymbolCiphersTest::stepsRetellTheEncryption_data()
{
    QTest::addColumn<QString>("familyName");
    for (const CipherFamily *family : cipherFamilies()) {
        QRandomGenerator source(1);
        if (!family->isHomophonic() && SymbolCipher(family->randomKey(source)).blockSize() == 1)
            QTest::newRow(qPrintable(family->name())) << family->name();
    }
}

// Asked about every character of a text cut in two, the steps give the
// encryption of the whole text: each symbol's number, the alphabet that took
// it (the key's column in turn, Й, digits and line ends taking none) and the
// shift, which for the autokey is, after the keyword, the plaintext itself.
void SymbolCiphersTest::stepsRetellTheEncryption()
{
    QFETCH(QString, familyName);
    QRandomGenerator source(11);
    const SymbolCipher cipher(family(familyName.toLatin1().constData()).randomKey(source));
    const QString text = QStringLiteral("Съешь же ещё\nэтих 12 мягких йогуртов, да выпей чаю");
    const QString encrypted = cipher.encrypt(text);
    const std::vector<std::int8_t> symbols = Alphabet::indicesOf(text);
    const qsizetype cut = text.indexOf(QLatin1Char('\n')) + 1;
    KeyStreamPlace second = cipher.start();
    const qsizetype firstLineSymbols = 11; // Ё is none
    QCOMPARE(cipher.pass(text.left(cut), second), firstLineSymbols);

    qsizetype number = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool first = i < cut;
        const std::optional<SymbolStep> step =
            cipher.step(first ? text.left(cut) : text.mid(cut), first ? i : i - cut, first ? cipher.start() : second);
        QCOMPARE(step.has_value(), Alphabet::indexOf(text.at(i).unicode()) >= 0);
        if (!step)
            continue;
        QCOMPARE(step->number + (first ? 0 : firstLineSymbols), number);
        QCOMPARE(step->plain, int(symbols[std::size_t(number)]));
        QCOMPARE(Alphabet::symbol(step->cipher), encrypted.at(i));
        if (cipher.rule() != SymbolRule::Substitution) {
            QCOMPARE(step->column, int(number % cipher.period()));
            const int keyed = cipher.key().shifts[std::size_t(step->column)];
            QCOMPARE(step->shift, cipher.shiftIsPlaintext(number) ? int(symbols[std::size_t(number - cipher.period())])
                                                                   : keyed);
            QCOMPARE(step->cipher, cipher.cipherSymbolUnder(step->plain, step->shift));
        } else {
            QCOMPARE(step->cipher, cipher.cipherSymbolUnder(step->plain, 0));
        }
        ++number;
    }
    QVERIFY(!cipher.step(text, text.size(), cipher.start()));
}

void SymbolCiphersTest::squareCellsAreTheCipher_data()
{
    QTest::addColumn<QString>("familyName");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("row");

    // The rows a lesson's square shows: Vigenère's shifted alphabets, Beaufort's reversed ones.
    QTest::newRow("vigenere row В") << "vigenere" << 3 << QStringLiteral("ВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ АБ");
    QTest::newRow("autokey row В") << "autokey" << 3 << QStringLiteral("ВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ АБ");
    QTest::newRow("beaufort row В") << "beaufort" << 3 << QStringLiteral("ВБА ЯЮЭЬЫЪЩШЧЦХФУТСРПОНМЛКИЗЖЕДГ");
}

void SymbolCiphersTest::squareCellsAreTheCipher()
{
    QFETCH(QString, familyName);
    QFETCH(int, shift);
    QFETCH(QString, row);
    const SymbolCipher cipher(keyOf(familyName.toLatin1().constData(), KeyForm::Keyword, QStringLiteral("КОТ")));
    QString drawn;
    for (int plain = 0; plain < Alphabet::Size; ++plain)
        drawn += Alphabet::symbol(cipher.cipherSymbolUnder(plain, shift));
    QCOMPARE(drawn, row);
}

QTEST_APPLESS_MAIN(SymbolCiphersTest)

#include "tst_symbolciphers.moc"
