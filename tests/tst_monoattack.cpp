#include "alphabet.h"
#include "ciphertext.h"
#include "languagemodel.h"
#include "monoalphabeticattack.h"
#include "optionchecks.h"
#include "symbolcipher.h"
#include "symbolkeys.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <vector>

using namespace Cryptanalysis;

Q_DECLARE_METATYPE(std::vector<Cryptanalysis::SymbolLock>)
Q_DECLARE_METATYPE(Cryptanalysis::CrackOptionProblem::Kind)

namespace {

// Prose written for this test, so that none of it is in the model's corpus.
const char heldOutProse[] =
    "Весной на краю деревни открыли маленькую пекарню. Каждое утро запах свежего хлеба доносился "
    "до самой реки, и рыбаки шли домой другой дорогой, чтобы купить горячий батон. Хозяйка пекарни, "
    "пожилая женщина с быстрыми руками, помнила, кто какой хлеб любит, и откладывала его заранее.\n"
    "Дети приходили за булочками с маком и долго выбирали, а она терпеливо ждала и рассказывала им "
    "истории о старой мельнице за холмом.";

QString prose()
{
    return QString::fromUtf8(heldOutProse);
}

// The start of text holding symbols alphabet symbols.
QString textOfLength(const QString &text, int symbols)
{
    int seen = 0;
    int cut = 0;
    while (cut < text.size() && seen < symbols)
        seen += Alphabet::indexOf(text.at(cut++).unicode()) >= 0;
    return text.left(cut);
}

int symbolOf(char16_t c)
{
    return Alphabet::indexOf(c);
}

SymbolKey randomKey(quint32 seed, bool keepsSpace = false)
{
    QRandomGenerator random(seed);
    SymbolKey key = SymbolKeys::randomAlphabet(random);
    if (keepsSpace)
        std::swap(*std::find(key.alphabet.begin(), key.alphabet.end(), 0), key.alphabet[0]);
    return key;
}

// The share of the alphabet symbols of plaintext that found reads right.
double accuracy(const QString &plaintext, const QString &found)
{
    const std::vector<std::int8_t> truth = Alphabet::indicesOf(plaintext);
    const std::vector<std::int8_t> read = Alphabet::indicesOf(found);
    int right = 0;
    for (size_t i = 0; i < truth.size() && i < read.size(); ++i)
        right += truth[i] == read[i];
    return double(right) / qMax<size_t>(1, truth.size());
}

bool isPermutation(const SymbolKey &key)
{
    std::array<std::int8_t, Alphabet::Size> sorted = key.alphabet;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < Alphabet::Size; ++i) {
        if (sorted[size_t(i)] != i)
            return false;
    }
    return true;
}

} // namespace

class TestMonoAttack : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void symbolTextUnits_data();
    void symbolTextUnits();

    void knownTextIsBroken_data();
    void knownTextIsBroken();
    void lockHoldsAgainstTheModel();
    void lockPastTheSearchedPrefixHolds();
    void cribPullsTheSearch();
    void keyIsAlwaysAPermutation();

    void parsedLocks_data();
    void parsedLocks();
    void badLocksAndCribsAreRefused_data();
    void badLocksAndCribsAreRefused();

private:
    LanguageModel m_model;
};

void TestMonoAttack::initTestCase()
{
    QString error;
    QVERIFY2(m_model.loadBuiltIn(&error), qPrintable(error));
}

void TestMonoAttack::symbolTextUnits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVector<int>>("units");
    QTest::addColumn<int>("copied");

    const int lineEnd = CipherText::LineEnd, copied = CipherText::Copied;
    QTest::newRow("the space is symbol 0, А symbol 1")
        << QStringLiteral("А Б") << QVector<int> { 1, 0, 2, lineEnd } << 0;
    QTest::newRow("lower case reads as upper case") << QStringLiteral("яа") << QVector<int> { 31, 1, lineEnd } << 0;
    QTest::newRow("Ё, Й and punctuation are copied")
        << QStringLiteral("ЁЙ,") << QVector<int> { copied, copied, copied, lineEnd } << 3;
    QTest::newRow("a surrogate pair is one copied character")
        << QStringLiteral("А\U0001F600Б") << QVector<int> { 1, copied, 2, lineEnd } << 1;
    QTest::newRow("CRLF ends a line") << QStringLiteral("А\r\nБ") << QVector<int> { 1, lineEnd, 2, lineEnd } << 0;
    QTest::newRow("a lone CR is copied") << QStringLiteral("А\rБ") << QVector<int> { 1, copied, 2, lineEnd } << 1;
}

void TestMonoAttack::symbolTextUnits()
{
    QFETCH(QString, text);
    QFETCH(QVector<int>, units);
    QFETCH(int, copied);
    const CipherText cipher = readSymbolText(text);
    QCOMPARE(QVector<int>(cipher.units.begin(), cipher.units.end()), units);
    QCOMPARE(cipher.copied.size(), copied);
}

void TestMonoAttack::knownTextIsBroken_data()
{
    QTest::addColumn<bool>("keepsSpace");
    QTest::addColumn<int>("jobs");
    QTest::newRow("a key that enciphers the space") << false << 1;
    QTest::newRow("a key that keeps the space") << true << 1;
    QTest::newRow("two threads") << false << 2;
}

// A short held-out text under a random key reads as under the key itself,
// and the last plaintext the progress reports showed is the one returned.
void TestMonoAttack::knownTextIsBroken()
{
    QFETCH(bool, keepsSpace);
    QFETCH(int, jobs);
    const QString plaintext = textOfLength(prose(), 150);
    const SymbolCipher cipher(randomKey(11, keepsSpace));
    const QString ciphertext = cipher.encrypt(plaintext);
    CrackOptions options;
    options.seed = 5;
    options.jobs = jobs;
    options.timeLimitSeconds = 60;
    QString shown;
    options.progress = [&shown](const CrackProgress &progress) {
        if (progress.plaintextChanged)
            shown = progress.bestPlaintext;
    };
    const MonoalphabeticResult result = crackMonoalphabetic(ciphertext, m_model, options);
    QCOMPARE(result.plaintext, cipher.decrypt(ciphertext));
    QCOMPARE(shown, result.plaintext);
    QVERIFY(isPermutation(result.key));
    QVERIFY(result.agreeingRestarts >= 2);
    const std::vector<std::int8_t> symbols = Alphabet::indicesOf(plaintext);
    QCOMPARE(result.unseenSymbols, Alphabet::Size - int(QSet<std::int8_t>(symbols.begin(), symbols.end()).size()));
}

// The space's cipher symbol locked to Щ reads as Щ at every word break,
// though the model argues against it, and the key stays a permutation.
void TestMonoAttack::lockHoldsAgainstTheModel()
{
    const QString plaintext = textOfLength(prose(), 150);
    const SymbolKey key = randomKey(12);
    const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
    CrackOptions options;
    options.seed = 6;
    options.timeLimitSeconds = 60;
    options.symbolLocks = { { key.alphabet[0], symbolOf(u'Щ') } };
    QVERIFY(monoalphabeticOptionProblems(readSymbolText(ciphertext), options).empty());
    const MonoalphabeticResult result = crackMonoalphabetic(ciphertext, m_model, options);
    QCOMPARE(int(result.key.alphabet[size_t(symbolOf(u'Щ'))]), int(key.alphabet[0]));
    QVERIFY(isPermutation(result.key));
    for (int i = 0; i < plaintext.size(); ++i) {
        if (plaintext.at(i) == QLatin1Char(' '))
            QCOMPARE(result.plaintext.at(i), QChar(u'Щ'));
    }
}

// The search reads a prefix of a long text; a lock on a symbol first seen
// past it still holds, and no symbol of the prefix takes its letter: the
// prefix reaches the symbol, and the score the attack reports is that of the
// key it returns over that prefix.
void TestMonoAttack::lockPastTheSearchedPrefixHolds()
{
    const QString plaintext = textOfLength(prose(), 150);
    const SymbolKey key = randomKey(13);
    const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
    const std::vector<std::int8_t> symbols = Alphabet::indicesOf(plaintext);
    // The last symbol to occur first in the text.
    std::vector<int> firstSeen;
    for (const std::int8_t s : symbols) {
        if (std::find(firstSeen.begin(), firstSeen.end(), s) == firstSeen.end())
            firstSeen.push_back(s);
    }
    const int late = firstSeen.back();
    const int lateAt = int(std::find(symbols.begin(), symbols.end(), late) - symbols.begin());
    QVERIFY(lateAt > 40);
    CrackOptions options;
    options.seed = 7;
    options.timeLimitSeconds = 60;
    options.monoalphabeticSchedule.maxSearchedOccurrences = 40;
    // О is the commonest letter: the search would give it to some symbol of
    // the prefix.
    options.symbolLocks = { { key.alphabet[size_t(late)], symbolOf(u'О') } };
    QVERIFY(monoalphabeticOptionProblems(readSymbolText(ciphertext), options).empty());
    const MonoalphabeticResult result = crackMonoalphabetic(ciphertext, m_model, options);
    QCOMPARE(int(result.key.alphabet[size_t(symbolOf(u'О'))]), int(key.alphabet[size_t(late)]));
    QVERIFY(isPermutation(result.key));
    const double prefixScore = m_model.averageScore(textOfLength(result.plaintext, lateAt + 1));
    QVERIFY2(qAbs(result.score - prefixScore) < 1e-9,
             qPrintable(QStringLiteral("%1 against %2").arg(result.score).arg(prefixScore)));
}

// The first sentence, which the model alone misreads (a third of it wrong);
// told that its last word occurs, the search finds a key that reads the
// word, and more of the text with it.
void TestMonoAttack::cribPullsTheSearch()
{
    const QString plaintext = textOfLength(prose(), 48);
    const QString ciphertext = SymbolCipher(randomKey(14)).encrypt(plaintext);
    CrackOptions options;
    options.seed = 3;
    options.jobs = 1;
    options.timeLimitSeconds = 60;
    const double alone = accuracy(plaintext, crackMonoalphabetic(ciphertext, m_model, options).plaintext);
    options.cribs = QStringList { QStringLiteral("ПЕКАРНЮ") };
    QVERIFY(monoalphabeticOptionProblems(readSymbolText(ciphertext), options).empty());
    const MonoalphabeticResult withCrib = crackMonoalphabetic(ciphertext, m_model, options);
    const double found = accuracy(plaintext, withCrib.plaintext);
    QVERIFY2(alone < 0.8, qPrintable(QString::number(alone)));
    QVERIFY2(found > alone, qPrintable(QStringLiteral("%1 after %2").arg(found).arg(alone)));
    QVERIFY(withCrib.plaintext.contains(QStringLiteral("ПЕКАРНЮ")));
}

// Whatever the text, even one without a symbol or empty, the key is a
// permutation and the plaintext keeps every character in its place.
void TestMonoAttack::keyIsAlwaysAPermutation()
{
    const QString characters = QStringLiteral("АБВОЕН  ЁЙ,.x7\n");
    QRandomGenerator random(17);
    for (int trial = 0; trial < 12; ++trial) {
        QString text;
        const int length = int(random.bounded(14));
        for (int i = 0; i < length; ++i)
            text += characters.at(int(random.bounded(characters.size())));
        CrackOptions options;
        options.seed = quint64(trial);
        options.timeLimitSeconds = 0.2;
        const MonoalphabeticResult result = crackMonoalphabetic(text, m_model, options);
        QVERIFY2(isPermutation(result.key), qPrintable(text));
        QCOMPARE(result.plaintext.size(), text.size());
        for (int i = 0; i < text.size(); ++i) {
            if (Alphabet::indexOf(text.at(i).unicode()) < 0)
                QCOMPARE(result.plaintext.at(i), text.at(i));
        }
    }
}

void TestMonoAttack::parsedLocks_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("cipher"); // -1: refused
    QTest::addColumn<int>("plain");
    QTest::addColumn<QString>("reason");

    QTest::newRow("cipher symbol, then plain")
        << QStringLiteral("Ж=О") << symbolOf(u'Ж') << symbolOf(u'О') << QString();
    QTest::newRow("letters in lower case") << QStringLiteral("ж=о") << symbolOf(u'Ж') << symbolOf(u'О') << QString();
    QTest::newRow("the space as ␣") << QStringLiteral("␣=О") << 0 << symbolOf(u'О') << QString();
    QTest::newRow("the space as itself") << QStringLiteral("Ж= ") << symbolOf(u'Ж') << 0 << QString();
    QTest::newRow("without '='") << QStringLiteral("ЖО") << -1 << 0 << QStringLiteral("ожидается СИМВОЛ=СИМВОЛ");
    QTest::newRow("Ё is no alphabet symbol") << QStringLiteral("Ё=О") << -1 << 0 << QStringLiteral("без Ё и Й");
    QTest::newRow("Й is no alphabet symbol") << QStringLiteral("Ж=Й") << -1 << 0 << QStringLiteral("без Ё и Й");
    QTest::newRow("two symbols on one side") << QStringLiteral("ЖЖ=О") << -1 << 0 << QStringLiteral("без Ё и Й");
    QTest::newRow("nothing after '='") << QStringLiteral("Ж=") << -1 << 0 << QStringLiteral("без Ё и Й");
}

void TestMonoAttack::parsedLocks()
{
    QFETCH(QString, written);
    QFETCH(int, cipher);
    QFETCH(int, plain);
    QFETCH(QString, reason);
    QString problem;
    const std::optional<SymbolLock> lock = parsedSymbolLock(written, &problem);
    QCOMPARE(lock.has_value(), cipher >= 0);
    if (lock) {
        QCOMPARE(lock->cipher, cipher);
        QCOMPARE(lock->plain, plain);
    } else {
        QVERIFY2(problem.contains(reason), qPrintable(problem));
    }
}

void TestMonoAttack::badLocksAndCribsAreRefused_data()
{
    QTest::addColumn<QString>("ciphertext");
    QTest::addColumn<std::vector<SymbolLock>>("locks");
    QTest::addColumn<QStringList>("cribs");
    QTest::addColumn<CrackOptionProblem::Kind>("kind");
    QTest::addColumn<int>("index"); // -1: no problem
    QTest::addColumn<QString>("reason");

    using Kind = CrackOptionProblem::Kind;
    const QString text = QStringLiteral("МАМА МЫЛА РАМУ");
    const int m = symbolOf(u'М'), a = symbolOf(u'А'), r = symbolOf(u'Р'), o = symbolOf(u'О');
    QTest::newRow("a symbol not in the ciphertext")
        << text << std::vector<SymbolLock> { { m, r }, { symbolOf(u'Ж'), o } } << QStringList() << Kind::SymbolLock << 1
        << QStringLiteral("символа «Ж» нет в шифртексте");
    QTest::newRow("two plain symbols for one cipher symbol")
        << text << std::vector<SymbolLock> { { m, r }, { a, o }, { m, symbolOf(u'Б') } } << QStringList()
        << Kind::SymbolLock << 2 << QStringLiteral("«М» уже закреплён за «Р»");
    QTest::newRow("one plain symbol for two cipher symbols")
        << text << std::vector<SymbolLock> { { m, r }, { a, r } } << QStringList() << Kind::SymbolLock << 1
        << QStringLiteral("за «Р» уже закреплён символ «М»");
    QTest::newRow("the space named as ␣") << text << std::vector<SymbolLock> { { 0, r }, { a, r } } << QStringList()
                                          << Kind::SymbolLock << 1 << QStringLiteral("символ «␣»");
    QTest::newRow("a symbol outside the alphabet")
        << text << std::vector<SymbolLock> { { Alphabet::Size, o } } << QStringList() << Kind::SymbolLock << 0
        << QStringLiteral("нет в алфавите");
    QTest::newRow("the same lock twice is one lock")
        << text << std::vector<SymbolLock> { { m, r }, { m, r } } << QStringList() << Kind::SymbolLock << -1
        << QString();
    QTest::newRow("a crib whose pattern the ciphertext shows")
        << text << std::vector<SymbolLock>() << QStringList { QStringLiteral("ПАПА") } << Kind::Crib << -1 << QString();
    QTest::newRow("a crib whose pattern the ciphertext lacks")
        << text << std::vector<SymbolLock>() << QStringList { QStringLiteral("ПАПА"), QStringLiteral("АННА") }
        << Kind::Crib << 1 << QStringLiteral("не может читаться");
    QTest::newRow("a crib with a letter outside the alphabet")
        << text << std::vector<SymbolLock>() << QStringList { QStringLiteral("ЁЖ") } << Kind::Crib << 0
        << QStringLiteral("символа «Ё» нет в алфавите");
    QTest::newRow("a crib that reads only where a lock forbids it")
        << text << std::vector<SymbolLock> { { m, symbolOf(u'Т') } } << QStringList { QStringLiteral("ПАПА") }
        << Kind::Crib << 0 << QStringLiteral("не может читаться");
    QTest::newRow("a crib repeating a letter where the ciphertext does not")
        << QStringLiteral("АБВ") << std::vector<SymbolLock>() << QStringList { QStringLiteral("ОО") } << Kind::Crib << 0
        << QStringLiteral("не может читаться");
    QTest::newRow("a crib asking of a symbol the letter locked to another")
        << QStringLiteral("АБВГ") << std::vector<SymbolLock> { { symbolOf(u'Г'), o } }
        << QStringList { QStringLiteral("ОН") } << Kind::Crib << 0 << QStringLiteral("не может читаться");
    QTest::newRow("a crib reading the letter where the lock puts it")
        << QStringLiteral("АБВГ") << std::vector<SymbolLock> { { symbolOf(u'Г'), o } }
        << QStringList { QStringLiteral("НО") } << Kind::Crib << -1 << QString();
}

void TestMonoAttack::badLocksAndCribsAreRefused()
{
    QFETCH(QString, ciphertext);
    QFETCH(std::vector<SymbolLock>, locks);
    QFETCH(QStringList, cribs);
    QFETCH(CrackOptionProblem::Kind, kind);
    QFETCH(int, index);
    QFETCH(QString, reason);
    CrackOptions options;
    options.symbolLocks = locks;
    options.cribs = cribs;
    const std::vector<CrackOptionProblem> problems = monoalphabeticOptionProblems(readSymbolText(ciphertext), options);
    if (index < 0) {
        QVERIFY(problems.empty());
        return;
    }
    QCOMPARE(int(problems.size()), 1);
    QCOMPARE(problems.front().kind, kind);
    QCOMPARE(problems.front().index, index);
    QVERIFY2(problems.front().reason.contains(reason), qPrintable(problems.front().reason));
    // Left out, the refused lock or crib leaves sound options.
    const CrackOptions sound = soundOptions(options, problems);
    QCOMPARE(int(sound.symbolLocks.size() + size_t(sound.cribs.size())),
             int(locks.size() + size_t(cribs.size())) - 1);
    QVERIFY(monoalphabeticOptionProblems(readSymbolText(ciphertext), sound).empty());
}

QTEST_GUILESS_MAIN(TestMonoAttack)
#include "tst_monoattack.moc"
