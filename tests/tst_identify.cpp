#include "cipherfamily.h"
#include "clirunner.h"
#include "familyidentification.h"
#include "homophonic.h"
#include "identificationreport.h"
#include "languagemodel.h"
#include "symbolcipher.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Cryptanalysis;

namespace {

// Prose written for this test, so that none of it is in the model's corpus:
// about 900 symbols in four lines, as a lesson's exercise would be.
const char heldOutProse[] =
    "Поезд пришёл на маленькую станцию поздно вечером, когда фонари уже горели, а на платформе не было никого, "
    "кроме сторожа с фонарём и собаки, спавшей у скамейки.\n"
    "Мы вышли с тяжёлыми чемоданами и долго искали дорогу к гостинице, о которой нам рассказывал знакомый "
    "инженер. Улицы были тихими, окна домов светились тёплым жёлтым светом, и где то далеко играло радио.\n"
    "Наконец старик с корзиной яблок показал нам нужный переулок. Гостиница оказалась деревянным домом с "
    "резными наличниками, хозяйка встретила нас на крыльце и сразу поставила самовар.\n"
    "Утром мы увидели из окна реку, луг и лес на другом берегу, и поняли, почему наш знакомый каждое лето "
    "возвращался сюда снова и снова, хотя дорога отнимала почти двое суток.";

QString prose()
{
    return QString::fromUtf8(heldOutProse);
}

const LanguageModel &model()
{
    static const LanguageModel loaded = [] {
        LanguageModel built;
        QString error;
        if (!built.loadBuiltIn(&error))
            qFatal("%s", qPrintable(error));
        return built;
    }();
    return loaded;
}

// The key of the values, or for none a random key from a fixed seed: the
// benchmark's kind of two-square, whose rectangles differ everywhere.
SymbolKey keyOf(const QString &family, KeyForm form, const QStringList &values)
{
    if (values.isEmpty()) {
        QRandomGenerator source(2026);
        return cipherFamily(family)->randomKey(source);
    }
    QString problem;
    const std::optional<SymbolKey> key = cipherFamily(family)->keyFromValues(form, values, problem);
    if (!key)
        qFatal("%s", qPrintable(problem));
    return *key;
}

} // namespace

class TestIdentify : public QObject
{
    Q_OBJECT

private slots:
    void identifiesFamilyAndParameter_data();
    void identifiesFamilyAndParameter();
    void digitsAreHomophonic();
    void refusesTextWithoutSymbols_data();
    void refusesTextWithoutSymbols();
    void crackWithoutCipherIdentifiesAndDeciphers();
    void crackIdentifyPrintsRanking();
};

void TestIdentify::identifiesFamilyAndParameter_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("form");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("blockSize");

    const auto row = [](const char *name, const char *family, KeyForm form, QStringList values, int period,
                        int blockSize) {
        QTest::newRow(name) << QString::fromLatin1(family) << int(form) << values << period << blockSize;
    };
    row("a keyword alphabet is one alphabet", "mono", KeyForm::Keyword, { QStringLiteral("ЗАМОК") }, 1, 0);
    row("a Caesar shift is one alphabet too", "mono", KeyForm::Shift, { QStringLiteral("7") }, 1, 0);
    row("Vigenère shows its period 4", "vigenere", KeyForm::Keyword, { QStringLiteral("КЛЮЧ") }, 4, 0);
    row("Vigenère of period 7 is not read as its divisor or multiple", "vigenere", KeyForm::Keyword,
        { QStringLiteral("ПРОСТОР") }, 7, 0);
    row("Gronsfeld's shifts all lie below 10", "gronsfeld", KeyForm::Digits, { QStringLiteral("31485") }, 5, 0);
    row("Beaufort's columns are Russian reflected", "beaufort", KeyForm::Keyword, { QStringLiteral("ЗИМА") }, 4,
        0);
    row("the autokey has no period but its keyword's length", "autokey", KeyForm::Keyword,
        { QStringLiteral("СЕВЕР") }, 5, 0);
    row("Playfair writes pairs and no doubled pair", "playfair", KeyForm::Keyword, { QStringLiteral("ПРИМЕР") }, 0,
        2);
    row("the two-square writes pairs with doubles", "two-square", KeyForm::Keyword, {}, 0, 2);
    row("Hill 2 × 2 writes pairs with a flat single index", "hill", KeyForm::Matrix, { QStringLiteral("3 5; 2 7") },
        0, 2);
    row("Hill 3 × 3 writes triples", "hill", KeyForm::Matrix, { QStringLiteral("1 2 3; 0 1 4; 5 6 0") }, 0, 3);
}

void TestIdentify::identifiesFamilyAndParameter()
{
    QFETCH(QString, family);
    QFETCH(int, form);
    QFETCH(QStringList, values);
    QFETCH(int, period);
    QFETCH(int, blockSize);

    const QString ciphertext = SymbolCipher(keyOf(family, KeyForm(form), values)).encrypt(prose());
    const FamilyIdentification found = identifyFamily(ciphertext, model());
    QVERIFY2(found.succeeded(), qPrintable(found.problem));
    const FamilyGuess &top = found.ranking.front();
    QVERIFY2(top.family == family, qPrintable(identificationRanking(found).join(QLatin1Char('\n'))));
    if (period > 0)
        QCOMPARE(top.period, period);
    if (blockSize > 0)
        QCOMPARE(top.blockSize, blockSize);
    QVERIFY(!top.evidence.isEmpty());
    // Every family is ranked once, and the shares are a distribution.
    QCOMPARE(int(found.ranking.size()), int(cipherFamilies().size()));
    double shares = 0;
    for (const FamilyGuess &guess : found.ranking)
        shares += guess.share;
    QVERIFY(qAbs(shares - 1) < 1e-9);
    QVERIFY(top.share > 0.5);
}

void TestIdentify::digitsAreHomophonic()
{
    QString ciphertext;
    for (const QString &line : prose().split(QLatin1Char('\n')))
        ciphertext += encryptHomophonic(fixedKeyTable(), line, 3) + QLatin1Char('\n');
    const FamilyIdentification found = identifyFamily(ciphertext, model());
    QVERIFY(found.succeeded());
    QCOMPARE(found.ranking.front().family, QStringLiteral("homophonic"));
    QVERIFY(found.ranking.front().evidence.join(QLatin1Char(' ')).contains(QStringLiteral("двузначных кодов")));
}

void TestIdentify::refusesTextWithoutSymbols_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    const QString none = QStringLiteral("нет ни одного символа алфавита");
    QTest::newRow("an empty text") << QString() << none;
    QTest::newRow("punctuation and Latin only") << QStringLiteral("!!!...---abc,xyz\n???") << none;
    QTest::newRow("too few symbols to judge") << QStringLiteral("ПРИВЕТ, МИР") << QStringLiteral("слишком мало");
}

void TestIdentify::refusesTextWithoutSymbols()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const FamilyIdentification found = identifyFamily(text, model());
    QVERIFY(!found.succeeded());
    QVERIFY2(found.problem.contains(reason), qPrintable(found.problem));
    QVERIFY(!identifiedFamily(found));
}

void TestIdentify::crackWithoutCipherIdentifiesAndDeciphers()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SymbolCipher cipher(keyOf(QStringLiteral("vigenere"), KeyForm::Keyword, { QStringLiteral("КЛЮЧ") }));
    const QString ciphertext = cipher.encrypt(prose());
    QVERIFY(writeFile(dir.filePath(QStringLiteral("cipher.txt")), ciphertext.toUtf8()));
    const Run run = runCli({ QStringLiteral("crack"), QStringLiteral("--input"), dir.filePath(QStringLiteral("cipher.txt")),
                             QStringLiteral("--encoding"), QStringLiteral("utf-8"), QStringLiteral("--seed"),
                             QStringLiteral("1"), QStringLiteral("--jobs"), QStringLiteral("1"),
                             QStringLiteral("--time-limit"), QStringLiteral("60") });
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("определён шифр: шифр Виженера (vigenere), период 4")),
             qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("по периоду 4 столбцы дают индекс")), qPrintable(run.err));
    QCOMPARE(QString::fromUtf8(run.out), cipher.decrypt(ciphertext));
}

void TestIdentify::crackIdentifyPrintsRanking()
{
    const SymbolCipher cipher(keyOf(QStringLiteral("beaufort"), KeyForm::Keyword, { QStringLiteral("ЗИМА") }));
    const Run run = runCli(arguments({ "crack", "--identify", "--encoding", "utf-8" }),
                           cipher.encrypt(prose()).toUtf8());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(out.contains(QStringLiteral("\n1. шифр Бофора (beaufort), период 4 — ")), qPrintable(out));
    // Every family is listed, the homophonic one last: the text has no codes.
    QVERIFY(out.contains(QStringLiteral("\n9. гомофоническая замена (homophonic)")));
    QVERIFY(run.err.isEmpty());

    const Run empty = runCli(arguments({ "crack", "--identify" }), QByteArray("!!!???\n"));
    QCOMPARE(empty.exitCode, 1);
    QVERIFY(empty.out.isEmpty());
    QVERIFY(empty.err.contains(QStringLiteral("нет ни одного символа алфавита")));
}

QTEST_GUILESS_MAIN(TestIdentify)
#include "tst_identify.moc"
