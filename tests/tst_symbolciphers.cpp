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
    // The two-square's two keywords are written "ПЕРВОЕ|ВТОРОЕ".
    const std::optional<SymbolKey> key = family(familyName).keyFromValues(form, text.split(QLatin1Char('|')), problem);
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
    void blockWorkedExamples_data();
    void blockWorkedExamples();
    void hillInverseUndoesTheMatrix();
    void blockStepsFindTheirBlock();
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

void SymbolCiphersTest::blockWorkedExamples_data()
{
    QTest::addColumn<QString>("familyName");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("keyText");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("cipher");
    QTest::addColumn<QString>("back"); // what deciphering gives, fillers in

    const auto add = [](const char *tag, const char *name, KeyForm form, const char *key, const char *plain,
                        const char *cipher, const char *back) {
        QTest::newRow(tag) << QString::fromLatin1(name) << int(form) << QString::fromUtf8(key)
                           << QString::fromUtf8(plain) << QString::fromUtf8(cipher) << QString::fromUtf8(back);
    };
    // The rectangle of ШИФР, by hand:
    //   Ш И Ф Р ␣ А Б В
    //   Г Д Е Ж З К Л М
    //   Н О П С Т У Х Ц
    //   Ч Щ Ъ Ы Ь Э Ю Я
    const KeyForm word = KeyForm::Keyword;
    add("playfair row", "playfair", word, "ШИФР", "ДЕ", "ЕЖ", "ДЕ");
    add("playfair row wraps", "playfair", word, "ШИФР", "ВШ", "ШИ", "ВШ");
    add("playfair column", "playfair", word, "ШИФР", "ИД", "ДО", "ИД");
    add("playfair column wraps", "playfair", word, "ШИФР", "ЩИ", "ИД", "ЩИ");
    add("playfair rectangle", "playfair", word, "ШИФР", "ПР", "СФ", "ПР");
    add("playfair space is a symbol", "playfair", word, "ШИФР", "А Б", "БАФЮ", "А БЪ");
    add("playfair filler splits a double", "playfair", word, "ШИФР", "ЛЛ", "ЕЮЕЮ", "ЛЪЛЪ");
    add("playfair filler right after the first", "playfair", word, "ШИФР", "Л-Л", "ЕЮ-ЕЮ", "ЛЪ-ЛЪ");
    add("playfair odd end", "playfair", word, "ШИФР", "ДЕТ!", "ЕЖПЬ!", "ДЕТЪ!");
    add("playfair doubled filler", "playfair", word, "ШИФР", "ЪЪ", "ЫЬЫЬ", "ЪЫЪЫ");
    add("playfair lower case and marks", "playfair", word, "ШИФР", "д-е!", "Е-Ж!", "Д-Е!");
    add("playfair each line on its own", "playfair", word, "ШИФР", "ДЕТ\nДЕ\r\n", "ЕЖПЬ\nЕЖ\r\n", "ДЕТЪ\nДЕ\r\n");
    // With Х for the filler, Л and Х share a column.
    add("playfair other filler", "playfair", word, "ШИФР", "ЛЛ", "ХЮХЮ", "ЛХЛХ");
    // The second rectangle, КЛЮЧ:
    //   К Л Ю Ч ␣ А Б В
    //   Г Д Е Ж З И М Н
    //   О П Р С Т У Ф Х
    //   Ц Ш Щ Ъ Ы Ь Э Я
    add("two-square one row swaps", "two-square", word, "ШИФР|КЛЮЧ", "ПР", "РП", "ПР");
    add("two-square across", "two-square", word, "ШИФР|КЛЮЧ", "ДОШЯ", "ГОВЧ", "ДОШЯ");
    add("two-square keeps doubles", "two-square", word, "ШИФР|КЛЮЧ", "ЛЛ", "ДБ", "ЛЛ");
    add("two-square odd end", "two-square", word, "ШИФР|КЛЮЧ", "Д.", "ЖЩ.", "ДЪ.");
    // 3·15 + 5·16 = 125 = 29 (Э), 2·15 + 7·16 = 142 = 14 (О); А and the filler Ъ
    // (1, 26): 133 = 5 (Д), 184 = 24 (Ш).
    add("hill 2 × 2", "hill", KeyForm::Matrix, "3 5; 2 7", "ПРА", "ЭОДШ", "ПРАЪ");
    add("hill negative numbers", "hill", KeyForm::Matrix, "-29 5; 2 -25", "ПР", "ЭО", "ПР");
    // Д О М = (5, 14, 12): 5 + 28 = 33 = 1 (А), 14 + 36 = 50 = 18 (Т), 20 + 12 = 32 = 0;
    // Д О and Ъ Ъ: (5, 14, 26): 33 = 1 (А), 92 = 28 (Ь), 46 = 14 (О).
    add("hill 3 × 3", "hill", KeyForm::Matrix, "1 2 0; 0 1 3; 4 0 1", "ДОМ\nДО", "АТ \nАЬО", "ДОМ\nДОЪ");
    // А Г Б Д is the matrix 1 4; 2 5, of determinant −3: 15 + 64 = 79 = 15 (П), 30 + 80 = 110 = 14 (О).
    add("hill keyword", "hill", KeyForm::Keyword, "АГБД", "ПР", "ПО", "ПР");
}

void SymbolCiphersTest::blockWorkedExamples()
{
    QFETCH(QString, familyName);
    QFETCH(int, form);
    QFETCH(QString, keyText);
    QFETCH(QString, plain);
    QFETCH(QString, cipher);
    QFETCH(QString, back);

    SymbolKey key = keyOf(familyName.toLatin1().constData(), KeyForm(form), keyText);
    if (QByteArray(QTest::currentDataTag()) == "playfair other filler")
        key.filler = std::int8_t(Alphabet::indexOf(u'Х'));
    const SymbolCipher symbols(key);
    QCOMPARE(symbols.encrypt(plain), cipher);
    QCOMPARE(symbols.decrypt(cipher), back);
}

// Random matrices with an odd determinant: the inverse undoes the matrix.
void SymbolCiphersTest::hillInverseUndoesTheMatrix()
{
    QRandomGenerator source(5);
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 2 + trial % 2;
        const Polygram::Matrix matrix = SymbolKeys::randomMatrix(n, source).matrix;
        QCOMPARE(Polygram::determinant(matrix) % 2, 1);
        const Polygram::Matrix inverse = Polygram::inverse(matrix);
        for (int row = 0; row < n; ++row) {
            for (int column = 0; column < n; ++column) {
                int sum = 0;
                for (int k = 0; k < n; ++k)
                    sum += matrix[std::size_t(row * n + k)] * inverse[std::size_t(k * n + column)];
                QCOMPARE(sum % Alphabet::Size, row == column ? 1 : 0);
            }
        }
    }
}

// The block a step names holds the symbol asked about, with the filler where
// the cipher put one, and enciphers as the whole text does.
void SymbolCiphersTest::blockStepsFindTheirBlock()
{
    const SymbolCipher cipher(keyOf("playfair", KeyForm::Keyword, QStringLiteral("ШИФР")));
    const QString text = QStringLiteral("ДЕ\nЛ-Л");
    QVERIFY(!cipher.blockStep(text, 2)); // the line end
    QVERIFY(!cipher.blockStep(text, 4)); // the hyphen

    const std::optional<BlockStep> second = cipher.blockStep(text, 1);
    QVERIFY(second);
    QCOMPARE(second->position[0], 0);
    QCOMPARE(second->position[1], 1);
    QCOMPARE(Alphabet::symbol(second->cipher[0]), QChar(u'Е'));
    QCOMPARE(Alphabet::symbol(second->cipher[1]), QChar(u'Ж'));

    const std::optional<BlockStep> doubled = cipher.blockStep(text, 3);
    QVERIFY(doubled);
    QCOMPARE(doubled->position[0], 3);
    QCOMPARE(doubled->position[1], -1);
    QCOMPARE(Alphabet::symbol(doubled->plain[1]), QChar(u'Ъ'));
    const std::optional<BlockStep> last = cipher.blockStep(text, 5);
    QVERIFY(last);
    QCOMPARE(last->position[0], 5);
    QCOMPARE(last->position[1], -1);
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
    add("playfair keyword of no symbol", "playfair", KeyForm::Keyword, "Ёй?", "ни одного символа");
    add("two-square with one keyword", "two-square", KeyForm::Keyword, "ШИФР", "два ключевых слова");
    add("two-square second keyword of no symbol", "two-square", KeyForm::Keyword, "ШИФР|123", "«123»");
    add("playfair with two keywords", "playfair", KeyForm::Keyword, "ШИФР|КЛЮЧ", "один раз");
    add("hill even determinant", "hill", KeyForm::Matrix, "2 4; 6 9", "чётное");
    add("hill keyword of even determinant", "hill", KeyForm::Keyword, "ШИФР", "чётное");
    add("hill keyword of five symbols", "hill", KeyForm::Keyword, "ШИФРЫ", "4 символа");
    add("hill row too short", "hill", KeyForm::Matrix, "1 2; 3", "в строке 2");
    add("hill 4 × 4", "hill", KeyForm::Matrix, "1 0; 0 1; 1 1; 1 1", "2 × 2 или 3 × 3");
    add("hill no number", "hill", KeyForm::Matrix, "1 x; 0 1", "не целое число");
    add("playfair from a matrix", "playfair", KeyForm::Matrix, "1 0; 0 1", "слово");
}

void SymbolCiphersTest::refusedKeys()
{
    QFETCH(QString, familyName);
    QFETCH(int, form);
    QFETCH(QString, keyText);
    QFETCH(QString, reason);

    QString problem;
    QVERIFY(!family(familyName.toLatin1().constData()).keyFromValues(KeyForm(form), keyText.split(QLatin1Char('|')), problem));
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
    const QString rows = QStringLiteral("строка\tШИФР␣АБВ\nстрока\tГДЕЖЗКЛМ\nстрока\tНОПСТУХЦ\nстрока\tЧЩЪЫЬЭЮЯ\n");
    QTest::newRow("rectangle symbol twice") << "playfair"
        << QString(QStringLiteral("шифр\tplayfair\n") + QString(rows).replace(QStringLiteral("ГДЕЖ"), QStringLiteral("ГДЕШ")))
        << QStringList { QStringLiteral("строка 3: символ «Ш» уже стоит в прямоугольнике, в строке 2") };
    QTest::newRow("rectangle row short") << "playfair"
        << QString(QStringLiteral("шифр\tplayfair\n") + QString(rows).replace(QStringLiteral("ЧЩЪЫЬЭЮЯ"), QStringLiteral("ЧЩЪЫЬЭЮ")))
        << QStringList { QStringLiteral("строка 5: в строке прямоугольника нужно 8 символов, а их 7") };
    QTest::newRow("second rectangle missing") << "two-square" << QString(QStringLiteral("шифр\ttwo-square\n") + rows)
                                              << QStringList { QStringLiteral("строк прямоугольника 4, а нужно 8") };
    QTest::newRow("filler outside the alphabet") << "playfair"
        << QString(QStringLiteral("шифр\tplayfair\n") + rows + QStringLiteral("заполнитель\tЙ\n"))
        << QStringList { QStringLiteral("строка 6: неизвестный символ «Й»") };
    QTest::newRow("even determinant") << "hill" << QStringLiteral("шифр\thill\nматрица\t2 4; 6 8\n")
                                      << QStringList { QStringLiteral("строка 2: определитель матрицы") };
    QTest::newRow("no matrix") << "hill" << QStringLiteral("шифр\thill\nзаполнитель\tЪ\n")
                               << QStringList { QStringLiteral("нет строки «матрица<TAB>3 5; 2 7»") };
    QTest::newRow("playfair file for hill") << "hill" << QString(QStringLiteral("шифр\tplayfair\n") + rows)
                                            << QStringList { QStringLiteral("это ключ шифра «playfair», а нужен ключ шифра «hill»") };
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
                                        "Й и Ё не шифруются; tab\tи цифры 123 тоже.\n\nЛл-л, ъЪ!.\nЪ\n"
                                        "Последняя строка без конца");
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
                // Any text deciphers alike on both routes, lower-case letters too.
                QCOMPARE(runLines(input, cipher, CipherJob::Direction::Decrypt, encoding, jobs, throughUtf16, 100),
                         runLines(input, cipher, CipherJob::Direction::Decrypt, encoding, 1, true, 1 << 20));
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
