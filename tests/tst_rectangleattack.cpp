// The attack on Playfair and the two-square: a known text broken, locks
// kept, bad locks, cribs and ciphertexts refused with their reasons, a stop
// honoured, one seed one answer.
#include "alphabet.h"
#include "coarsescores.h"
#include "languagemodel.h"
#include "rectangleattack.h"
#include "symbolcipher.h"
#include "symbolkeys.h"
#include "wordlist.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <vector>

using namespace Cryptanalysis;

Q_DECLARE_METATYPE(Cryptanalysis::RectangleVariant)

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

SymbolKey keyOf(RectangleVariant variant)
{
    QString problem;
    if (variant == RectangleVariant::TwoSquare)
        return *SymbolKeys::twoSquare(u"МЕЛЬНИЦА", u"ПЕКАРНЯ", problem);
    return *SymbolKeys::rectangle(SymbolRule::Playfair, u"ХЛЕБОПЕЧКА");
}

// The share of the symbols that the true key deciphers that found reads
// alike: fillers count, and a rectangle shifted round reads as well.
double accuracy(const SymbolKey &truth, const SymbolKey &found, const QString &ciphertext)
{
    const std::vector<std::int8_t> expected = Alphabet::indicesOf(SymbolCipher(truth).decrypt(ciphertext));
    const std::vector<std::int8_t> read = Alphabet::indicesOf(SymbolCipher(found).decrypt(ciphertext));
    int right = 0;
    for (size_t i = 0; i < expected.size() && i < read.size(); ++i)
        right += expected[i] == read[i];
    return double(right) / qMax<size_t>(1, expected.size());
}

bool isRectangle(const std::array<std::int8_t, Alphabet::Size> &cells)
{
    std::array<std::int8_t, Alphabet::Size> sorted = cells;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < Alphabet::Size; ++i) {
        if (sorted[size_t(i)] != i)
            return false;
    }
    return true;
}

// A Playfair search over text with no locks, cribs or time limit, for
// asking it about keys.
struct PlayfairSearch
{
    PlayfairSearch(const KeywordCipherText &text, const LanguageModel &model)
        : coarse(model)
        , search(RectangleVariant::Playfair, text, model, coarse, locks, cribs, schedule, never, 1)
    {
    }

    QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    const Deadline never { clock, qint64(1) << 40 };
    const CoarseScores coarse;
    const RectangleSchedule schedule;
    const std::vector<CellLock> locks;
    const std::vector<Crib> cribs;
    RectangleSearch search;
};

} // namespace

class TestRectangleAttack : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void coarseScoresFollowTheModel_data();
    void coarseScoresFollowTheModel();
    void unknownWordsOfAReading_data();
    void unknownWordsOfAReading();
    void wordsMendASwappedPair();
    void knownTextIsBroken_data();
    void knownTextIsBroken();
    void locksKeepTheirCells_data();
    void locksKeepTheirCells();
    void stopEndsTheSearchWithTheBestSoFar();
    void sameSeedSameKey_data();
    void sameSeedSameKey();
    void trueCribPlacementAlwaysFits_data();
    void trueCribPlacementAlwaysFits();

    void parsedLocks_data();
    void parsedLocks();
    void badLocksAndCribsAreRefused_data();
    void badLocksAndCribsAreRefused();
    void ciphertextsNoRectangleGives_data();
    void ciphertextsNoRectangleGives();
    void shortTextIsSaidToBeShort();

private:
    LanguageModel m_model;
};

void TestRectangleAttack::initTestCase()
{
    QString error;
    QVERIFY2(m_model.loadBuiltIn(&error), qPrintable(error));
}

// The search's byte table holds each four-gram's own score, rounded to its
// step, or its floor where the score is lower: a table laid out or scaled
// otherwise would steer the search by some other text's statistics, and a
// floor applied the wrong way round would flatten the scores that read.
void TestRectangleAttack::coarseScoresFollowTheModel_data()
{
    QTest::addColumn<double>("floorNats");
    QTest::newRow("lowest") << CoarseScores::LowestFloorNats;
    QTest::newRow("Playfair's") << RectangleSchedule().playfairFloorNats;
    QTest::newRow("below the lowest") << -40.0;
}

void TestRectangleAttack::coarseScoresFollowTheModel()
{
    QFETCH(double, floorNats);
    const CoarseScores coarse(m_model, floorNats);
    const int floor = int(std::lround(std::max(floorNats, CoarseScores::LowestFloorNats) * LanguageModel::Scale));
    QCOMPARE(coarse.floor(), floor);
    int floored = 0;
    for (int a = 0; a < SymbolCount; ++a) {
        for (int b = 0; b < SymbolCount; ++b) {
            for (int c = 0; c < SymbolCount; ++c) {
                for (int d = 0; d < SymbolCount; ++d) {
                    const int exact = m_model.score(a, b, c, d);
                    const int rounded = coarse.data()[CoarseScores::index(a, b, c, d)] * CoarseScores::Step;
                    const bool near = exact < floor ? rounded == floor
                                                    : std::abs(rounded - exact) <= CoarseScores::Step / 2;
                    if (!near)
                        QFAIL(qPrintable(QStringLiteral("%1 %2 %3 %4: %5 for %6").arg(a).arg(b).arg(c).arg(d)
                                             .arg(rounded).arg(exact)));
                    floored += exact < floor;
                }
            }
        }
    }
    // The model does score some four-grams below each floor tried.
    QVERIFY(floored > 0);
}

void TestRectangleAttack::unknownWordsOfAReading_data()
{
    QTest::addColumn<QString>("plaintext");
    QTest::addColumn<int>("unknown");
    QTest::newRow("every whole word known") << QStringLiteral(" МАМА МЫЛА РАМУ ") << 0;
    QTest::newRow("one not in the list") << QStringLiteral(" МАМА ЩЫЛА РАМУ ") << 1;
    QTest::newRow("words at the line's ends are cut short") << QStringLiteral("ЩАМА ЩЫЛА РАМУЩ") << 1;
    QTest::newRow("a copied character cuts the word") << QStringLiteral(" МАМА 1ЩЫЛА РАМУ ") << 0;
    QTest::newRow("a line starts a run") << QStringLiteral(" МАМА\nЩЫЛА РАМУ ") << 0;
    // А␣ СС → СЪ С: the filler between the equal letters is the cipher's.
    QTest::newRow("filler between equal letters") << QStringLiteral("А ССОРА ") << 0;
    QTest::newRow("filler elsewhere is a letter") << QStringLiteral(" МАМЪА ") << 1;
}

// Only a word between two spaces of one run is judged: a word cut off by a
// line end or a copied character may be the part of a longer one.
void TestRectangleAttack::unknownWordsOfAReading()
{
    QFETCH(QString, plaintext);
    QFETCH(int, unknown);
    const WordList words = WordList::fromWords({ QStringLiteral("МАМА"), QStringLiteral("МЫЛА"),
                                                 QStringLiteral("РАМУ"), QStringLiteral("ССОРА") });
    const SymbolKey key = keyOf(RectangleVariant::Playfair);
    const KeywordCipherText text = KeywordCipherText::fromText(SymbolCipher(key).encrypt(plaintext));
    PlayfairSearch playfair(text, m_model);
    RectangleSearch &search = playfair.search;
    RectangleKey trueKey;
    trueKey.first = trueKey.second = Polygram::Rectangle::of(key.alphabet);
    QCOMPARE(search.unknownWords(trueKey, words), unknown);
}

// A key one swap from the true one reads most words wrong that hold either
// symbol; the final swaps put them back.
void TestRectangleAttack::wordsMendASwappedPair()
{
    const SymbolKey key = keyOf(RectangleVariant::Playfair);
    const QString ciphertext = SymbolCipher(key).encrypt(prose());
    const KeywordCipherText text = KeywordCipherText::fromText(ciphertext);
    PlayfairSearch playfair(text, m_model);
    RectangleSearch &search = playfair.search;
    RectangleOutcome outcome;
    std::array<std::int8_t, Alphabet::Size> cells = key.alphabet;
    std::swap(cells[size_t(std::find(cells.begin(), cells.end(), Alphabet::indexOf(u'Б')) - cells.begin())],
              cells[size_t(std::find(cells.begin(), cells.end(), Alphabet::indexOf(u'Ж')) - cells.begin())]);
    outcome.key.first = outcome.key.second = Polygram::Rectangle::of(cells);
    QVERIFY(search.polishWords(outcome, WordList::builtIn()) >= 1);
    SymbolKey found = key;
    found.alphabet = outcome.key.first.symbolAt;
    QCOMPARE(SymbolCipher(found).decrypt(ciphertext), SymbolCipher(key).decrypt(ciphertext));
}

void TestRectangleAttack::knownTextIsBroken_data()
{
    QTest::addColumn<RectangleVariant>("variant");
    QTest::newRow("playfair") << RectangleVariant::Playfair;
    QTest::newRow("two-square") << RectangleVariant::TwoSquare;
}

// The whole prose (about 430 symbols) under a keyword rectangle. The limit
// is only there so that a broken search ends; the search stops well before
// it once two restarts agree.
void TestRectangleAttack::knownTextIsBroken()
{
    QFETCH(RectangleVariant, variant);
    const SymbolKey key = keyOf(variant);
    const QString ciphertext = SymbolCipher(key).encrypt(prose());
    RectangleAttackOptions options;
    options.seed = 1;
    options.timeLimitSeconds = 250;
    options.jobs = 2;
    const RectangleAttackResult result = crackRectangles(variant, ciphertext, m_model, options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QVERIFY2(accuracy(key, result.key, ciphertext) >= 0.95,
             qPrintable(SymbolCipher(result.key).decrypt(ciphertext)));
    QVERIFY(result.readsAsRussian);
    QCOMPARE(result.key.rule, key.rule);
}

void TestRectangleAttack::locksKeepTheirCells_data()
{
    QTest::addColumn<int>("replicas");
    QTest::newRow("one search cooling") << 1;
    QTest::newRow("replicas trading keys") << 6;
}

// Locks hold in the answer however the search went (moves, keys traded
// between replicas, the final swaps), even when they pull against what the
// text reads best.
void TestRectangleAttack::locksKeepTheirCells()
{
    QFETCH(int, replicas);
    const SymbolKey key = keyOf(RectangleVariant::TwoSquare);
    const QString ciphertext = SymbolCipher(key).encrypt(prose());
    RectangleAttackOptions options;
    options.seed = 3;
    options.jobs = 2;
    options.schedule.annealMoves = 20000;
    options.schedule.maxRestarts = 4;
    options.schedule.replicas = replicas;
    // Ъ at the first cell of each is the true key's; Ж and Ю swapped are not.
    const int hard = Alphabet::indexOf(u'Ъ');
    const int zhe = Alphabet::indexOf(u'Ж');
    options.locks = { { 0, hard, 5 }, { 1, zhe, 0 }, { 1, Alphabet::indexOf(u'Ю'), 31 } };
    const RectangleAttackResult result = crackRectangles(RectangleVariant::TwoSquare, ciphertext, m_model, options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QCOMPARE(int(result.key.alphabet[5]), hard);
    QCOMPARE(int(result.key.second[0]), zhe);
    QCOMPARE(int(result.key.second[31]), Alphabet::indexOf(u'Ю'));
    QVERIFY(isRectangle(result.key.alphabet));
    QVERIFY(isRectangle(result.key.second));
}

// A search that would take hours ends on the first request with a whole
// rectangle, and says it was cut short.
void TestRectangleAttack::stopEndsTheSearchWithTheBestSoFar()
{
    const SymbolKey key = keyOf(RectangleVariant::Playfair);
    const QString ciphertext = SymbolCipher(key).encrypt(prose());
    RectangleAttackOptions options;
    options.timeLimitSeconds = 86400;
    options.jobs = 2;
    options.schedule.annealMoves = 1000000000;
    options.schedule.progressIntervalMs = 10;
    std::atomic<bool> stop { false };
    int reports = 0;
    SymbolKey reported;
    options.progress = [&](const RectangleProgress &progress) {
        reported = progress.key;
        if (++reports == 3)
            stop = true;
    };
    options.stopRequested = [&stop] { return stop.load(); };
    const RectangleAttackResult result = crackRectangles(RectangleVariant::Playfair, ciphertext, m_model, options);
    QVERIFY(result.succeeded());
    QVERIFY(result.cutShort);
    QVERIFY(reports >= 3);
    QCOMPARE(result.key.rule, SymbolRule::Playfair);
    QVERIFY(isRectangle(result.key.alphabet));
    QVERIFY(isRectangle(reported.alphabet));
    QVERIFY(result.restarts >= 1 && result.restarts <= 2);
}

// Restarts are judged in their order, and reheated ones start from the
// batches before, never from whichever thread finished first.
void TestRectangleAttack::sameSeedSameKey_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("one thread") << 1;
    QTest::newRow("two threads") << 2;
    QTest::newRow("three threads") << 3;
}

void TestRectangleAttack::sameSeedSameKey()
{
    QFETCH(int, jobs);
    const SymbolKey key = keyOf(RectangleVariant::TwoSquare);
    const QString ciphertext = SymbolCipher(key).encrypt(prose());
    RectangleAttackOptions options;
    options.seed = 0x123456789abcdefULL;
    options.timeLimitSeconds = 600;
    options.schedule.annealMoves = 20000;
    options.schedule.maxRestarts = 6;
    options.jobs = jobs;
    const RectangleAttackResult first = crackRectangles(RectangleVariant::TwoSquare, ciphertext, m_model, options);
    const RectangleAttackResult again = crackRectangles(RectangleVariant::TwoSquare, ciphertext, m_model, options);
    QVERIFY(first.key.alphabet == again.key.alphabet);
    QVERIFY(first.key.second == again.key.second);
    QCOMPARE(first.restarts, again.restarts);
    options.seed += 1;
    const RectangleAttackResult other = crackRectangles(RectangleVariant::TwoSquare, ciphertext, m_model, options);
    QVERIFY(other.key.alphabet != first.key.alphabet || other.key.second != first.key.second);
}

void TestRectangleAttack::trueCribPlacementAlwaysFits_data()
{
    QTest::addColumn<RectangleVariant>("variant");
    QTest::newRow("playfair") << RectangleVariant::Playfair;
    QTest::newRow("two-square") << RectangleVariant::TwoSquare;
}

// Any run of the deciphered text fits where it stands, under random keys:
// the check refuses only what the cipher cannot give.
void TestRectangleAttack::trueCribPlacementAlwaysFits()
{
    QFETCH(RectangleVariant, variant);
    QRandomGenerator random(77);
    const SymbolRule rule = variant == RectangleVariant::Playfair ? SymbolRule::Playfair : SymbolRule::TwoSquare;
    for (int trial = 0; trial < 200; ++trial) {
        const SymbolKey key = SymbolKeys::randomRectangles(rule, random);
        const QString ciphertext = SymbolCipher(key).encrypt(prose());
        const std::vector<std::int8_t> cipher = Alphabet::indicesOf(ciphertext);
        const std::vector<std::int8_t> plain = Alphabet::indicesOf(SymbolCipher(key).decrypt(ciphertext));
        const int length = 2 + int(random.bounded(10));
        const int start = int(random.bounded(int(cipher.size()) - length));
        const std::vector<std::int8_t> crib(plain.begin() + start, plain.begin() + start + length);
        QVERIFY2(cribFits(variant, cipher, crib, start), qPrintable(QStringLiteral("trial %1").arg(trial)));
    }
}

void TestRectangleAttack::parsedLocks_data()
{
    QTest::addColumn<RectangleVariant>("variant");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rectangle"); // -1: refused
    QTest::addColumn<int>("symbol");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("reason");

    const auto playfair = RectangleVariant::Playfair;
    const auto two = RectangleVariant::TwoSquare;
    QTest::newRow("letter in the first cell") << playfair << QStringLiteral("А=1,1") << 0 << 1 << 0 << QString();
    QTest::newRow("lower case, last cell") << playfair << QStringLiteral("я=4,8") << 0 << 31 << 31 << QString();
    QTest::newRow("open box for the space") << playfair << QStringLiteral("␣=2,3") << 0 << 0 << 10 << QString();
    QTest::newRow("a plain space") << playfair << QStringLiteral(" =2,3") << 0 << 0 << 10 << QString();
    QTest::newRow("second rectangle") << two << QStringLiteral("2:Б=1,2") << 1 << 2 << 1 << QString();
    QTest::newRow("first rectangle") << two << QStringLiteral("1:Б=3,1") << 0 << 2 << 16 << QString();
    QTest::newRow("row past the rectangle") << playfair << QStringLiteral("А=5,1") << -1 << 0 << 0
                                            << QStringLiteral("клетки 5,1 нет");
    QTest::newRow("column zero") << playfair << QStringLiteral("А=1,0") << -1 << 0 << 0
                                 << QStringLiteral("клетки 1,0 нет");
    QTest::newRow("Ё is no symbol") << playfair << QStringLiteral("Ё=1,1") << -1 << 0 << 0
                                    << QStringLiteral("«Ё» — не символ алфавита");
    QTest::newRow("no comma") << playfair << QStringLiteral("А=13") << -1 << 0 << 0
                              << QStringLiteral("ожидается СИМВОЛ=СТРОКА,СТОЛБЕЦ");
    QTest::newRow("the old form") << playfair << QStringLiteral("А=Б") << -1 << 0 << 0
                                  << QStringLiteral("ожидается СИМВОЛ=СТРОКА,СТОЛБЕЦ");
    QTest::newRow("two-square without its rectangle") << two << QStringLiteral("А=1,1") << -1 << 0 << 0
                                                      << QStringLiteral("ожидается ПРЯМОУГОЛЬНИК:СИМВОЛ");
    QTest::newRow("a third rectangle") << two << QStringLiteral("3:А=1,1") << -1 << 0 << 0
                                       << QStringLiteral("1 или 2, а не «3»");
    QTest::newRow("playfair has one rectangle") << playfair << QStringLiteral("1:А=1,1") << -1 << 0 << 0
                                                << QStringLiteral("ожидается СИМВОЛ=СТРОКА,СТОЛБЕЦ");
}

void TestRectangleAttack::parsedLocks()
{
    QFETCH(RectangleVariant, variant);
    QFETCH(QString, text);
    QFETCH(int, rectangle);
    QFETCH(int, symbol);
    QFETCH(int, cell);
    QFETCH(QString, reason);
    QString problem;
    const std::optional<CellLock> lock = parsedCellLock(variant, text, &problem);
    if (rectangle < 0) {
        QVERIFY(!lock);
        QVERIFY2(problem.contains(reason), qPrintable(problem));
        return;
    }
    QVERIFY2(lock, qPrintable(problem));
    QCOMPARE(lock->rectangle, rectangle);
    QCOMPARE(lock->symbol, symbol);
    QCOMPARE(lock->cell, cell);
}

void TestRectangleAttack::badLocksAndCribsAreRefused_data()
{
    QTest::addColumn<RectangleVariant>("variant");
    QTest::addColumn<QStringList>("locks");
    QTest::addColumn<QStringList>("cribs");
    QTest::addColumn<QString>("reason"); // of the last lock or crib; empty: all accepted

    const auto playfair = RectangleVariant::Playfair;
    const auto two = RectangleVariant::TwoSquare;
    QTest::newRow("locks in different cells")
        << playfair << QStringList { QStringLiteral("А=1,1"), QStringLiteral("Б=1,2") } << QStringList() << QString();
    QTest::newRow("one cell, two symbols")
        << playfair << QStringList { QStringLiteral("А=1,1"), QStringLiteral("Б=1,1") } << QStringList()
        << QStringLiteral("клетка 1,1 уже отдана символу «А»");
    QTest::newRow("one symbol, two cells")
        << playfair << QStringList { QStringLiteral("А=1,1"), QStringLiteral("А=2,2") } << QStringList()
        << QStringLiteral("символ «А» уже закреплён в клетке 1,1");
    QTest::newRow("the same cell in both rectangles")
        << two << QStringList { QStringLiteral("1:А=1,1"), QStringLiteral("2:Б=1,1") } << QStringList() << QString();
    QTest::newRow("one symbol twice in the second rectangle")
        << two << QStringList { QStringLiteral("2:А=1,1"), QStringLiteral("2:А=1,2") } << QStringList()
        << QStringLiteral("в прямоугольнике 2 символ «А» уже закреплён");
    QTest::newRow("a crib from the text") << playfair << QStringList() << QStringList { QStringLiteral("пекарню") }
                                          << QString();
    QTest::newRow("crib with a digit") << playfair << QStringList() << QStringList { QStringLiteral("ПЕК1") }
                                       << QStringLiteral("символа «1» нет в алфавите");
    QTest::newRow("empty crib") << two << QStringList() << QStringList { QString() } << QStringLiteral("пустое слово");
    // However it falls, two of its equal letters share a pair.
    QTest::newRow("crib Playfair cannot give") << playfair << QStringList() << QStringList { QStringLiteral("ООО") }
                                               << QStringLiteral("не может читаться ни в одном месте");
    QTest::newRow("crib longer than the text")
        << two << QStringList() << QStringList { QString(600, QLatin1Char(' ')) } << QStringLiteral("длиннее");
}

void TestRectangleAttack::badLocksAndCribsAreRefused()
{
    QFETCH(RectangleVariant, variant);
    QFETCH(QStringList, locks);
    QFETCH(QStringList, cribs);
    QFETCH(QString, reason);
    const SymbolKey key = keyOf(variant);
    const QString ciphertext = SymbolCipher(key).encrypt(prose());
    RectangleAttackOptions options;
    for (const QString &text : locks) {
        QString problem;
        const std::optional<CellLock> lock = parsedCellLock(variant, text, &problem);
        QVERIFY2(lock, qPrintable(problem));
        options.locks.push_back(*lock);
    }
    options.cribs = cribs;
    const std::vector<CrackOptionProblem> problems = rectangleOptionProblems(variant, ciphertext, options);
    if (reason.isEmpty()) {
        QVERIFY2(problems.empty(), problems.empty() ? "" : qPrintable(problems.front().reason));
        return;
    }
    QCOMPARE(int(problems.size()), 1);
    QCOMPARE(problems.front().index, locks.isEmpty() ? cribs.size() - 1 : locks.size() - 1);
    QVERIFY2(problems.front().reason.contains(reason), qPrintable(problems.front().reason));
    // The attack itself refuses the same, and searches nothing.
    options.schedule.annealMoves = 1000000000;
    const RectangleAttackResult result = crackRectangles(variant, ciphertext, m_model, options);
    QVERIFY(!result.succeeded());
    QCOMPARE(result.problem, problems.front().reason);
}

void TestRectangleAttack::ciphertextsNoRectangleGives_data()
{
    QTest::addColumn<RectangleVariant>("variant");
    QTest::addColumn<QString>("ciphertext");
    QTest::addColumn<QString>("reason"); // empty: taken

    const auto playfair = RectangleVariant::Playfair;
    const auto two = RectangleVariant::TwoSquare;
    QTest::newRow("odd second line") << playfair << QStringLiteral("АБВГ\r\nАБВ\n") << QStringLiteral("в строке 2 нечётное");
    QTest::newRow("characters between do not count")
        << playfair << QStringLiteral("АБ,ВГ!\n12ДЕ") << QString();
    QTest::newRow("doubled pair in Playfair") << playfair << QStringLiteral("АБВВГД")
                                              << QStringLiteral("пара «ВВ» из двух одинаковых символов");
    // The space is a symbol like any other.
    QTest::newRow("doubled space in Playfair") << playfair << QStringLiteral("АБ  ВГ")
                                               << QStringLiteral("пара «␣␣»");
    QTest::newRow("doubled pair across a comma") << playfair << QStringLiteral("АБВ,ВГД") << QStringLiteral("«ВВ»");
    QTest::newRow("the two-square gives doubled pairs") << two << QStringLiteral("АБВВГД") << QString();
    QTest::newRow("odd two-square line") << two << QStringLiteral("АБВ") << QStringLiteral("в строке 1 нечётное");
    QTest::newRow("nothing to read") << two << QStringLiteral("123,456") << QStringLiteral("нет ни одного символа");
}

void TestRectangleAttack::ciphertextsNoRectangleGives()
{
    QFETCH(RectangleVariant, variant);
    QFETCH(QString, ciphertext);
    QFETCH(QString, reason);
    const QString problem = rectangleTextProblem(variant, ciphertext);
    if (reason.isEmpty()) {
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        return;
    }
    QVERIFY2(problem.contains(reason), qPrintable(problem));
    RectangleAttackOptions options;
    options.schedule.annealMoves = 1000000000;
    QCOMPARE(crackRectangles(variant, ciphertext, m_model, options).problem, problem);
}

// A text of a few pairs is still searched, and the answer says how little
// it rests on.
void TestRectangleAttack::shortTextIsSaidToBeShort()
{
    const SymbolKey key = keyOf(RectangleVariant::Playfair);
    const QString ciphertext = SymbolCipher(key).encrypt(QStringLiteral("Весной на краю деревни"));
    RectangleAttackOptions options;
    options.schedule.annealMoves = 5000;
    options.schedule.maxRestarts = 2;
    const RectangleAttackResult result = crackRectangles(RectangleVariant::Playfair, ciphertext, m_model, options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QVERIFY(isRectangle(result.key.alphabet));
    QVERIFY2(result.reasons.join(QLatin1Char(' ')).contains(QStringLiteral("всего 11 пар символов, меньше 40")),
             qPrintable(result.reasons.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestRectangleAttack)
#include "tst_rectangleattack.moc"
