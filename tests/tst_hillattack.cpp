#include "clirunner.h"
#include "hillattack.h"
#include "languagemodel.h"
#include "symbolcipher.h"
#include "symbolkeys.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Cryptanalysis;

namespace {

// Prose written for this test, so that none of it is in the model's corpus.
const char heldOutProse[] =
    "На краю деревни стоял старый колодец, и каждое утро к нему сходились соседки с вёдрами. "
    "Пока вода поднималась, они успевали обсудить погоду, урожай и новости из города, куда "
    "раз в неделю ездил почтальон.";

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

Polygram::Matrix matrix(const char *text)
{
    QString problem;
    const std::optional<Polygram::Matrix> read = Polygram::matrixFromText(QString::fromUtf8(text), problem);
    if (!read)
        qFatal("%s", qPrintable(problem));
    return *read;
}

SymbolKey hillKey(const char *text)
{
    SymbolKey key;
    key.rule = SymbolRule::Hill;
    key.matrix = matrix(text);
    return key;
}

// c = K·p worked out by hand's method, a sum per row, apart from the cipher.
std::vector<std::int8_t> enciphered(const Polygram::Matrix &key, const std::vector<std::int8_t> &plain)
{
    const int n = Polygram::matrixSize(key);
    std::vector<std::int8_t> cipher(plain.size());
    for (std::size_t block = 0; block + std::size_t(n) <= plain.size(); block += std::size_t(n)) {
        for (int row = 0; row < n; ++row) {
            int sum = 0;
            for (int i = 0; i < n; ++i)
                sum += key[std::size_t(row * n + i)] * plain[block + std::size_t(i)];
            cipher[block + std::size_t(row)] = std::int8_t(sum % 32);
        }
    }
    return cipher;
}

std::vector<std::int8_t> symbols(std::initializer_list<int> values)
{
    std::vector<std::int8_t> result;
    for (const int value : values)
        result.push_back(std::int8_t(value));
    return result;
}

} // namespace

// Also the symbols of blocks: a matrix is a vector of the same numbers.
Q_DECLARE_METATYPE(Polygram::Matrix)

class HillAttackTest : public QObject
{
    Q_OBJECT

private slots:
    void knownPlaintextSolvesTheMatrix_data();
    void knownPlaintextSolvesTheMatrix();
    void knownPlaintextSaysWhyNot_data();
    void knownPlaintextSaysWhyNot();
    void knownTextsAreAlignedByLines();
    void knownTextsOfOtherLinesAreRefused();
    void ciphertextAloneBreaksATwoByTwoKey();
    void cribFindsTheMatrixAnywhere();
    void aStopStillGivesAKey();
    void refusals_data();
    void refusals();
    void crackThroughTheTool();
    void crackWithACribThroughTheTool();
    void crackRefusesLocks();
};

void HillAttackTest::knownPlaintextSolvesTheMatrix_data()
{
    QTest::addColumn<Polygram::Matrix>("key");
    QTest::addColumn<std::vector<std::int8_t>>("plain");
    QTest::addColumn<std::vector<int>>("used");
    QTest::newRow("2 × 2 from its first two blocks")
        << matrix("3 5; 2 7") << symbols({1, 2, 2, 3}) << std::vector<int> {0, 1};
    QTest::newRow("2 × 2 passing over a block of the same parity as the first")
        << matrix("3 5; 2 7") << symbols({1, 1, 3, 5, 2, 1}) << std::vector<int> {0, 2};
    QTest::newRow("2 × 2 with even entries in the key")
        << matrix("4 1; 3 2") << symbols({0, 1, 1, 0, 9, 9}) << std::vector<int> {0, 1};
    QTest::newRow("3 × 3 from three blocks of unit parities")
        << matrix("2 1 1; 1 2 1; 1 1 3") << symbols({1, 0, 0, 0, 3, 2, 4, 6, 5, 7, 7, 7})
        << std::vector<int> {0, 1, 2};
    QTest::newRow("3 × 3 past a block that is the sum of two before it mod 2")
        << matrix("1 2 3; 0 1 4; 5 6 0") << symbols({1, 2, 0, 2, 3, 4, 3, 1, 4, 10, 12, 31})
        << std::vector<int> {0, 1, 3};
}

// The matrix the blocks were enciphered with comes back, from the blocks a
// reader would pick.
void HillAttackTest::knownPlaintextSolvesTheMatrix()
{
    QFETCH(Polygram::Matrix, key);
    QFETCH(std::vector<std::int8_t>, plain);
    QFETCH(std::vector<int>, used);
    const int n = Polygram::matrixSize(key);
    const HillSolution solution = solveHillMatrix(plain, enciphered(key, plain), n);
    QVERIFY2(solution.matrix, qPrintable(solution.problem));
    QCOMPARE(*solution.matrix, key);
    QCOMPARE(solution.blocksUsed, used);
}

void HillAttackTest::knownPlaintextSaysWhyNot_data()
{
    QTest::addColumn<std::vector<std::int8_t>>("plain");
    QTest::addColumn<std::vector<std::int8_t>>("cipher");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("reason");
    const Polygram::Matrix two = matrix("3 5; 2 7");
    const Polygram::Matrix three = matrix("1 2 3; 0 1 4; 5 6 0");
    // (1, 3), (5, 7), (3, 1): every block odd in both places.
    const std::vector<std::int8_t> sameParity = symbols({1, 3, 5, 7, 3, 1});
    QTest::newRow("2 × 2 blocks all of one parity")
        << sameParity << enciphered(two, sameParity) << 2 << QStringLiteral("линейно зависимы по модулю 2");
    // The third block is the sum of the first two mod 2.
    const std::vector<std::int8_t> dependent = symbols({1, 0, 1, 0, 1, 1, 1, 1, 0});
    QTest::newRow("3 × 3 blocks spanning only a plane mod 2")
        << dependent << enciphered(three, dependent) << 3 << QStringLiteral("независимы лишь 2");
    const std::vector<std::int8_t> one = symbols({1, 2});
    QTest::newRow("one block for a 2 × 2 matrix")
        << one << enciphered(two, one) << 2 << QStringLiteral("нужно хотя бы 2 блока");
    std::vector<std::int8_t> altered = enciphered(two, symbols({1, 2, 2, 3, 4, 4}));
    altered[5] = std::int8_t((altered[5] + 1) % 32);
    QTest::newRow("a third block that the matrix of the first two does not give")
        << symbols({1, 2, 2, 3, 4, 4}) << altered << 2 << QStringLiteral("блок 3");
    // P = (1 0; 0 1) and C = (2 0; 0 1): K would be C itself, determinant 2.
    QTest::newRow("blocks whose matrix has an even determinant")
        << symbols({1, 0, 0, 1}) << symbols({2, 0, 0, 1}) << 2 << QStringLiteral("чётным определителем");
}

void HillAttackTest::knownPlaintextSaysWhyNot()
{
    QFETCH(std::vector<std::int8_t>, plain);
    QFETCH(std::vector<std::int8_t>, cipher);
    QFETCH(int, n);
    QFETCH(QString, reason);
    const HillSolution solution = solveHillMatrix(plain, cipher, n);
    QVERIFY(!solution.matrix);
    QVERIFY2(solution.problem.contains(reason), qPrintable(solution.problem));
}

// Each line starts its own blocks, punctuation takes no place, and a short
// last block (its filler unknown) is left out.
void HillAttackTest::knownTextsAreAlignedByLines()
{
    const SymbolKey key = hillKey("1 2 3; 0 1 4; 5 6 0");
    const QString plaintext = QStringLiteral("Дом, сад.\nЛиса и волк — звери леса!\nА");
    const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
    const HillSolution solution = solveHillMatrix(plaintext, ciphertext, 3);
    QVERIFY2(solution.matrix, qPrintable(solution.problem));
    QCOMPARE(*solution.matrix, key.matrix);
}

void HillAttackTest::knownTextsOfOtherLinesAreRefused()
{
    const SymbolKey key = hillKey("3 5; 2 7");
    const QString ciphertext = SymbolCipher(key).encrypt(QStringLiteral("ЛИСА\nВОЛК"));
    HillSolution solution = solveHillMatrix(QStringLiteral("ЛИСА ВОЛК"), ciphertext, 2);
    QVERIFY(!solution.matrix);
    QVERIFY2(solution.problem.contains(QStringLiteral("строк 1, а в шифртексте 2")), qPrintable(solution.problem));
    solution = solveHillMatrix(QStringLiteral("ЛИСА\nВОЛКИ ВОЮТ"), ciphertext, 2);
    QVERIFY(!solution.matrix);
    QVERIFY2(solution.problem.contains(QStringLiteral("строка 2")), qPrintable(solution.problem));
}

// A short prose text under a 2 × 2 key is read whole without the key.
void HillAttackTest::ciphertextAloneBreaksATwoByTwoKey()
{
    const SymbolKey key = hillKey("7 12; 5 3");
    const QString ciphertext = SymbolCipher(key).encrypt(prose());
    HillAttackOptions options;
    options.seed = 1;
    options.jobs = 2;
    options.blockSize = 2;
    int reports = 0;
    options.progress = [&reports](double, const SymbolKey &, double) { ++reports; };
    const HillAttackResult result = crackHill(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QCOMPARE(result.key.matrix, key.matrix);
    QVERIFY(result.readsAsRussian);
    QVERIFY(!result.reasons.isEmpty());
    QVERIFY(reports > 0);
}

// Words known to be in the text, their place unknown, fix a 3 × 3 key even
// in a text too short to break without them, once their whole blocks hold
// three independent mod 2: in СМО ТРЕ ТЬ␣ НА␣ ЗАК the parities span only a
// plane.
void HillAttackTest::cribFindsTheMatrixAnywhere()
{
    const SymbolKey key = hillKey("2 1 1; 1 2 1; 1 1 3");
    const QString plaintext = QStringLiteral("Вечером мы пошли к реке смотреть на закаты.");
    const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
    HillAttackOptions options;
    options.blockSize = 3;
    QVERIFY(!hillOptionProblems(HillText::fromText(ciphertext), options).isEmpty());
    options.cribs = QStringList {QStringLiteral("СМОТРЕТЬ НА ЗАКАТ")};
    HillAttackResult result = crackHill(ciphertext, model(), options);
    QVERIFY(!result.succeeded());
    QVERIFY2(result.problem.contains(QStringLiteral("линейно зависимы по модулю 2")), qPrintable(result.problem));
    options.cribs = QStringList {QStringLiteral("пошли к реке смотреть на закат")};
    result = crackHill(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QCOMPARE(result.key.matrix, key.matrix);
    QVERIFY2(result.reasons.join(QLatin1Char(' ')).contains(QStringLiteral("строке 1 с символа 12")),
             qPrintable(result.reasons.join(QLatin1Char('\n'))));
}

// A stop asked for at once still leaves a matrix to show, marked as cut
// short, rather than nothing or a crash.
void HillAttackTest::aStopStillGivesAKey()
{
    const QString ciphertext = SymbolCipher(hillKey("7 12; 5 3")).encrypt(prose());
    HillAttackOptions options;
    options.blockSize = 2;
    options.stopRequested = [] { return true; };
    const HillAttackResult result = crackHill(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QVERIFY(Polygram::isInvertible(result.key.matrix));
    QVERIFY(result.cutShort);
}

void HillAttackTest::refusals_data()
{
    QTest::addColumn<QString>("ciphertext");
    QTest::addColumn<QStringList>("cribs");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a ciphertext too short without a crib")
        << QStringLiteral("АБВГДЕЖЗ\nИК") << QStringList() << QStringLiteral("слишком короткий");
    QTest::newRow("a line of a length that no block size divides")
        << QStringLiteral("АБВГДЕ\nАБВГД") << QStringList() << QStringLiteral("в строке 2 символов алфавита 5");
    QTest::newRow("lines in blocks of two and of three")
        << QStringLiteral("АБ\nАБВ") << QStringList() << QStringLiteral("строка 2 не делится на блоки по 2");
    QTest::newRow("a crib too short to make two blocks")
        << QStringLiteral("АБВГДЕЖЗ") << QStringList {QStringLiteral("ДОМ")} << QStringLiteral("ДОМ: в подсказке");
    QTest::newRow("a crib whose blocks fit nowhere")
        << QStringLiteral("АААААААА") << QStringList {QStringLiteral("ЛЕСОПОСАДКА")}
        << QStringLiteral("ни в одном месте");
}

// Each refusal says why, and no key is given as found.
void HillAttackTest::refusals()
{
    QFETCH(QString, ciphertext);
    QFETCH(QStringList, cribs);
    QFETCH(QString, reason);
    HillAttackOptions options;
    options.cribs = cribs;
    const HillAttackResult result = crackHill(ciphertext, model(), options);
    QVERIFY(!result.succeeded());
    QVERIFY2(result.problem.contains(reason), qPrintable(result.problem));
    QVERIFY(result.key.matrix.empty());
}

void HillAttackTest::crackThroughTheTool()
{
    const Run encrypted =
        runCli(arguments({"encrypt", "--cipher", "hill", "--matrix", "7 12; 5 3", "-e", "utf-8"}), prose().toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    QTemporaryDir dir;
    const QString keyPath = dir.filePath(QStringLiteral("found.txt"));
    const Run cracked = runCli(arguments({"crack", "--cipher", "hill", "-e", "utf-8", "--seed", "1", "--time-limit",
                                          "20", "--key-out"})
                                   + QStringList {keyPath},
                               encrypted.out);
    QVERIFY2(cracked.exitCode == 0, qPrintable(cracked.err));
    const SymbolKey key = hillKey("7 12; 5 3");
    QCOMPARE(QString::fromUtf8(cracked.out), SymbolCipher(key).decrypt(QString::fromUtf8(encrypted.out)));
    QVERIFY2(readFile(keyPath).contains("7 12; 5 3"), readFile(keyPath).constData());
}

void HillAttackTest::crackWithACribThroughTheTool()
{
    const QString plaintext = QStringLiteral("Вечером мы пошли к реке смотреть на закаты.");
    const Run encrypted = runCli(arguments({"encrypt", "--cipher", "hill", "--matrix", "2 1 1; 1 2 1; 1 1 3", "-e",
                                            "utf-8"}),
                                 plaintext.toUtf8());
    QCOMPARE(encrypted.exitCode, 0);
    const Run cracked = runCli(arguments({"crack", "--cipher", "hill", "-e", "utf-8", "--crib", "к реке смотреть на закаты"}),
                               encrypted.out);
    QVERIFY2(cracked.exitCode == 0, qPrintable(cracked.err));
    QVERIFY2(QString::fromUtf8(cracked.out).startsWith(plaintext.toUpper()), cracked.out.constData());
    QVERIFY2(cracked.err.contains(QStringLiteral("матрица 2 1 1; 1 2 1; 1 1 3")), qPrintable(cracked.err));
}

// A lock is no knowledge the Hill attack can use: refused with the usage
// code before anything is written.
void HillAttackTest::crackRefusesLocks()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const Run run = runCli(arguments({"crack", "--cipher", "hill", "-e", "utf-8", "--lock", "А=Б", "--output"})
                               + QStringList {out},
                           QStringLiteral("АБВГДЕЖЗ").toUtf8());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QStringLiteral("А=Б: закреплять у шифра Хилла нечего")), qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(HillAttackTest)
#include "tst_hillattack.moc"
