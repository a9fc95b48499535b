// homophonic crack and homophonic model, run as a process.
#include "clirunner.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Prose written for this test, so it is in no corpus the model was built
// from; about 1500 symbols. No digits: copied digit pairs read as codes.
const QString heldOutText = QStringLiteral(
    "Осенью в нашем городе рано темнеет, и вечерами мы собирались на кухне у бабушки. "
    "Она ставила на стол большой чайник, резала пирог с капустой и рассказывала о том, "
    "как жила в деревне до войны. Дом стоял у самой реки, за огородом начинался луг, "
    "а дальше темнел лес, куда дети ходили за грибами и ягодами.\n"
    "Зимой реку сковывал лёд, и мальчишки катались на коньках до самой мельницы. "
    "Отец работал на станции и возвращался поздно, мать шила и пекла хлеб, а старшие "
    "сестры учились в школе за три километра от дома. Дорогу часто заметало снегом, "
    "и тогда их возил сосед на санях, укрыв тулупом.\n"
    "Весной всё оживало: на полях работали с утра до ночи, в саду цвели яблони, "
    "а по вечерам молодёжь пела песни у околицы. Бабушка говорила, что те годы были "
    "трудными, но счастливыми, потому что рядом были родные люди и каждый знал, "
    "что его ждут дома. Мы слушали её, забыв про остывший чай, и за окном давно "
    "горели фонари, а ветер гнал по улице мокрые листья.\n"
    "Потом она доставала старый альбом с фотографиями и показывала нам лица, "
    "которые мы знали только по её рассказам. Вот прадед в форме железнодорожника, "
    "вот тётя с косами, вот весь класс у деревянной школы. Каждый снимок она "
    "берегла как сокровище и просила нас помнить эти имена.\n");

} // namespace

class CrackCliTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fixedTableIsRecognisedAndDecryptedExactly_data();
    void fixedTableIsRecognisedAndDecryptedExactly();
    void secretTableIsRecoveredIntoAKeyFile();
    void failuresChangeNoFile_data();
    void failuresChangeNoFile();
    void modelBuiltFromACorpusIsUsable();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    Run cli(const QStringList &arguments, const QByteArray &input = QByteArray()) const
    {
        return runProgram(QStringLiteral(HOMOPHONIC_CLI_PATH), arguments, input, m_dir->path());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void CrackCliTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(writeFile(path(QStringLiteral("открытый.txt")), heldOutText.toUtf8()));
}

void CrackCliTest::fixedTableIsRecognisedAndDecryptedExactly_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("summary");
    QTest::newRow("key 1") << QStringLiteral("1") << QStringLiteral("cyclic") << QStringLiteral("k = 1");
    QTest::newRow("key 2, cyclic") << QStringLiteral("2") << QStringLiteral("cyclic")
                                   << QStringLiteral("k = 2; выбор кодов: по очереди");
    QTest::newRow("key 3, random") << QStringLiteral("3") << QStringLiteral("random")
                                   << QStringLiteral("k = 3; выбор кодов: случайный");
}

void CrackCliTest::fixedTableIsRecognisedAndDecryptedExactly()
{
    QFETCH(QString, key);
    QFETCH(QString, choice);
    QFETCH(QString, summary);
    const QStringList utf8 { QStringLiteral("-e"), QStringLiteral("utf-8") };
    const Run encrypted = cli(QStringList { QStringLiteral("encrypt"), QStringLiteral("-k"), key,
                                            QStringLiteral("--choice"), choice, QStringLiteral("-i"),
                                            QStringLiteral("открытый.txt") } + utf8);
    QCOMPARE(encrypted.exitCode, 0);
    const Run decrypted = cli(QStringList { QStringLiteral("decrypt"), QStringLiteral("-k"), key } + utf8,
                              encrypted.out);
    const Run cracked = cli(QStringList { QStringLiteral("crack"), QStringLiteral("--seed"), QStringLiteral("1") }
                                + utf8,
                            encrypted.out);
    QCOMPARE(cracked.exitCode, 0);
    QCOMPARE(cracked.out, decrypted.out);
    QVERIFY2(cracked.err.contains(QStringLiteral("таблица: постоянная")) && cracked.err.contains(summary),
             qPrintable(cracked.err));
}

// The key file that crack writes is a valid key, and decrypting with it
// gives the very plaintext crack printed, which reads as the original.
void CrackCliTest::secretTableIsRecoveredIntoAKeyFile()
{
    QCOMPARE(cli({ QStringLiteral("keygen"), QStringLiteral("--seed"), QStringLiteral("77"), QStringLiteral("-o"),
                   QStringLiteral("ключ.txt") })
                 .exitCode,
             0);
    const QStringList utf8 { QStringLiteral("-e"), QStringLiteral("utf-8") };
    QCOMPARE(cli(QStringList { QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("3"),
                               QStringLiteral("--table"), QStringLiteral("ключ.txt"), QStringLiteral("-i"),
                               QStringLiteral("открытый.txt"), QStringLiteral("-o"), QStringLiteral("шифр.txt") }
                 + utf8)
                 .exitCode,
             0);
    const Run cracked = cli(QStringList { QStringLiteral("crack"), QStringLiteral("-i"), QStringLiteral("шифр.txt"),
                                          QStringLiteral("--key-out"), QStringLiteral("найденный.txt"),
                                          QStringLiteral("--seed"), QStringLiteral("3"), QStringLiteral("--time-limit"),
                                          QStringLiteral("60"), QStringLiteral("--quiet") }
                            + utf8);
    QCOMPARE(cracked.exitCode, 0);
    QVERIFY2(cracked.err.contains(QStringLiteral("таблица: восстановлена")), qPrintable(cracked.err));

    const Run checked = cli({ QStringLiteral("table"), QStringLiteral("--table"), QStringLiteral("найденный.txt") });
    QCOMPARE(checked.exitCode, 0);
    const Run decrypted = cli(QStringList { QStringLiteral("decrypt"), QStringLiteral("-k"), QStringLiteral("3"),
                                            QStringLiteral("--table"), QStringLiteral("найденный.txt"),
                                            QStringLiteral("-i"), QStringLiteral("шифр.txt") }
                              + utf8);
    QCOMPARE(decrypted.exitCode, 0);
    QCOMPARE(decrypted.out, cracked.out);

    const QString expected = heldOutText.toUpper().replace(QStringLiteral("Ё"), QStringLiteral("ё"));
    const QString found = QString::fromUtf8(cracked.out);
    QCOMPARE(found.size(), expected.size());
    int right = 0;
    for (int i = 0; i < found.size(); ++i)
        right += found.at(i) == expected.at(i);
    QVERIFY2(right >= expected.size() * 97 / 100,
             qPrintable(QStringLiteral("%1 of %2 characters right").arg(right).arg(expected.size())));
}

void CrackCliTest::failuresChangeNoFile_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QStringList outputs = arguments({ "-o", "прежний.txt", "--key-out", "прежний-ключ.txt" });
    QTest::newRow("plaintext is not ciphertext") << arguments({ "crack", "-i", "открытый.txt", "-e", "utf-8" }) + outputs
                                                 << QByteArray() << 1 << QStringLiteral("это не шифртекст");
    QTest::newRow("empty input") << arguments({ "crack" }) + outputs << QByteArray() << 1
                                 << QStringLiteral("шифртекста нет");
    QTest::newRow("model of another format") << arguments({ "crack", "--model", "открытый.txt" }) + outputs
                                             << QByteArray("01 02 ") << 1 << QStringLiteral("модель языка не загружена");
    QTest::newRow("missing model") << arguments({ "crack", "--model", "нет.model" }) + outputs << QByteArray("01 02 ") << 1
                                   << QStringLiteral("модель языка не загружена");
    QTest::newRow("time limit of zero") << arguments({ "crack", "--time-limit", "0" }) + outputs << QByteArray("01 ") << 2
                                        << QStringLiteral("лимит времени");
    QTest::newRow("time limit that is no number") << arguments({ "crack", "--time-limit", "долго" }) + outputs
                                                  << QByteArray("01 ") << 2 << QStringLiteral("лимит времени");
    QTest::newRow("seed that is no number") << arguments({ "crack", "--seed", "x" }) + outputs << QByteArray("01 ") << 2
                                            << QStringLiteral("зерно");
    QTest::newRow("corpus without Russian text")
        << arguments({ "model", "--corpus", "english.txt", "--output", "прежний.txt" }) << QByteArray() << 1
        << QStringLiteral("english.txt");
    QTest::newRow("model without a corpus") << arguments({ "model", "--output", "прежний.txt" }) << QByteArray() << 2
                                            << QStringLiteral("не указан корпус");
}

void CrackCliTest::failuresChangeNoFile()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QVERIFY(writeFile(path(QStringLiteral("прежний.txt")), "прежний текст"));
    QVERIFY(writeFile(path(QStringLiteral("прежний-ключ.txt")), "прежний ключ"));
    QVERIFY(writeFile(path(QStringLiteral("english.txt")), "Only English words here, no Cyrillic at all.\n"));
    const QStringList before = QDir(m_dir->path()).entryList(QDir::Files);

    const Run run = cli(arguments, input);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(readFile(path(QStringLiteral("прежний.txt"))), QByteArray("прежний текст"));
    QCOMPARE(readFile(path(QStringLiteral("прежний-ключ.txt"))), QByteArray("прежний ключ"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), before);
}

// A model built by the tool from a corpus is one that crack loads; a copy
// cut short is refused.
void CrackCliTest::modelBuiltFromACorpusIsUsable()
{
    const Run built = cli({ QStringLiteral("model"), QStringLiteral("--corpus"), QStringLiteral("открытый.txt"),
                            QStringLiteral("--output"), QStringLiteral("своя.model") });
    QCOMPARE(built.exitCode, 0);
    const Run cracked = cli({ QStringLiteral("crack"), QStringLiteral("--model"), QStringLiteral("своя.model"),
                              QStringLiteral("--time-limit"), QStringLiteral("1"), QStringLiteral("--seed"),
                              QStringLiteral("1") },
                            QByteArray("01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 "));
    QCOMPARE(cracked.exitCode, 0);

    const QByteArray model = readFile(path(QStringLiteral("своя.model")));
    QVERIFY(writeFile(path(QStringLiteral("обрезанная.model")), model.left(model.size() / 2)));
    const Run refused = cli({ QStringLiteral("crack"), QStringLiteral("--model"), QStringLiteral("обрезанная.model") },
                            QByteArray("01 02 "));
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("модель языка не загружена")), qPrintable(refused.err));
}

QTEST_MAIN(CrackCliTest)
#include "tst_crackcli.moc"
