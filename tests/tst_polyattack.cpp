#include "keywordcolumns.h"
#include "languagemodel.h"
#include "periodicity.h"
#include "polyalphabeticattack.h"
#include "symbolcipher.h"
#include "symbolkeys.h"

#include <QRandomGenerator>
#include <QXmlStreamReader>
#include <QtTest>

#include <numeric>

using namespace Cryptanalysis;

Q_DECLARE_METATYPE(SymbolRule)
Q_DECLARE_METATYPE(Cryptanalysis::KeywordVariant)
Q_DECLARE_METATYPE(std::vector<Cryptanalysis::KeywordLock>)

namespace {

// Prose written for this test, so that none of it is in the model's corpus.
const char heldOutProse[] =
    "Весной на нашей улице открылась маленькая мастерская, где чинили часы и старые приёмники. "
    "Хозяин, седой и неторопливый человек, почти не разговаривал с посетителями, но каждую вещь "
    "возвращал такой, будто её только что привезли из магазина.\n"
    "Соседские дети любили заглядывать в его окно. На широком столе лежали крошечные винтики, "
    "пружины и стёкла, а над ними висела лампа с зелёным абажуром. Иногда мастер поднимал голову, "
    "замечал любопытные лица и молча показывал им, как из горстки деталей снова получается "
    "механизм, который тикает и светится.\n"
    "Осенью мастерская закрылась, и на двери появилась записка: хозяин уехал к дочери в другой "
    "город. Дети долго вспоминали зелёную лампу, а один мальчик с тех пор собирал всё, что "
    "попадалось ему под руку, и к зиме сам починил бабушкин будильник.";

QString prose()
{
    return QString::fromUtf8(heldOutProse);
}

// The start of the prose holding symbols alphabet symbols.
QString proseOfLength(int symbols)
{
    const QString text = prose();
    int seen = 0;
    int cut = 0;
    while (cut < text.size() && seen < symbols)
        seen += Alphabet::indexOf(text.at(cut++).unicode()) >= 0;
    return text.left(cut);
}

SymbolSequence symbolsOf(const char *text)
{
    return Alphabet::indicesOf(QString::fromUtf8(text));
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

SymbolKey keyOf(SymbolRule rule, const char *keyword)
{
    return *SymbolKeys::keyword(rule, QString::fromUtf8(keyword));
}

// Filler of distinct symbols (Г onwards) around a repeated sequence placed at
// the given starts, so that nothing else repeats.
SymbolSequence placedRepeats(const SymbolSequence &repeated, const std::vector<int> &starts, int length)
{
    SymbolSequence symbols(std::size_t(length), -1);
    for (const int start : starts)
        std::copy(repeated.begin(), repeated.end(), symbols.begin() + start);
    std::int8_t filler = 4;
    for (std::int8_t &symbol : symbols) {
        if (symbol < 0)
            symbol = filler++;
    }
    Q_ASSERT(filler <= Alphabet::Size);
    return symbols;
}

} // namespace

class PolyAttackTest : public QObject
{
    Q_OBJECT

private slots:
    void indexOfCoincidence_data();
    void indexOfCoincidence();
    void columnsAreReadWithTheirOwnLength();
    void periodsStopWhereAColumnHoldsOneSymbol_data();
    void periodsStopWhereAColumnHoldsOneSymbol();
    void russianLevelIsTheModelCorpus();
    void kasiskiCountsTheDistances_data();
    void kasiskiCountsTheDistances();
    void aLongRepeatIsOneRepeat();
    void kasiskiAndCoincidenceFindThePeriod_data();
    void kasiskiAndCoincidenceFindThePeriod();
    void chartHasABarAPeriodAndBothLevels();

    void historyBreaksWhereTheCipherCopies();
    void columnsDecipherAsTheCipherDoes_data();
    void columnsDecipherAsTheCipherDoes();
    void shortTextIsBroken_data();
    void shortTextIsBroken();
    void keywordIsItsShortestRepeat_data();
    void keywordIsItsShortestRepeat();
    void givenVariantAndPeriodAreTheOnlyOnesTried();
    void locksAreKept();
    void optionsThatCannotBeKeptAreRefused_data();
    void optionsThatCannotBeKeptAreRefused();
    void threadsGiveTheSameAnswer();
    void aStopStillGivesTheBestSoFar();
};

void PolyAttackTest::indexOfCoincidence_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("one symbol throughout coincides always") << QStringLiteral("ААААААА") << 1.0;
    QTest::newRow("every symbol once never coincides")
        << QStringLiteral(" АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ") << 0.0;
    // Two pairs: 2 + 2 coinciding ordered pairs of 4 × 3.
    QTest::newRow("two pairs") << QStringLiteral("АБАБ") << 4.0 / 12;
    QTest::newRow("one symbol has nothing to coincide with") << QStringLiteral("А") << 0.0;
    QTest::newRow("characters the cipher copies are not counted") << QStringLiteral("А,А.\nА!") << 1.0;
}

void PolyAttackTest::indexOfCoincidence()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(::indexOfCoincidence(Alphabet::indicesOf(text)), expected);
}

// Seven symbols at period 3: columns of 3, 2 and 2, each of one symbol.
void PolyAttackTest::columnsAreReadWithTheirOwnLength()
{
    const std::vector<PeriodCoincidence> byPeriod = coincidenceByPeriod(symbolsOf("ААБААБА"), 3);
    QCOMPARE(int(byPeriod.size()), 3);
    QCOMPARE(byPeriod[2].period, 3);
    QCOMPARE(byPeriod[2].meanCoincidence, 1.0);
    QCOMPARE(byPeriod[2].shortestColumn, 2);
    QVERIFY(byPeriod[0].meanCoincidence < 1.0);
}

void PolyAttackTest::periodsStopWhereAColumnHoldsOneSymbol_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("maxPeriod");
    QTest::addColumn<int>("lastPeriod");
    QTest::newRow("30 symbols: 15 columns of two") << 30 << 30 << 15;
    QTest::newRow("31 symbols: still 15") << 31 << 30 << 15;
    QTest::newRow("the limit asked for") << 100 << 30 << 30;
    QTest::newRow("one symbol: none") << 1 << 30 << 0;
}

void PolyAttackTest::periodsStopWhereAColumnHoldsOneSymbol()
{
    QFETCH(int, length);
    QFETCH(int, maxPeriod);
    QFETCH(int, lastPeriod);
    SymbolSequence symbols(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        symbols[std::size_t(i)] = std::int8_t(i % Alphabet::Size);
    const std::vector<PeriodCoincidence> byPeriod = coincidenceByPeriod(symbols, maxPeriod);
    QCOMPARE(int(byPeriod.size()), lastPeriod);
    for (int i = 0; i < lastPeriod; ++i)
        QCOMPARE(byPeriod[std::size_t(i)].period, i + 1);
}

// The level the chart and the reasons compare with must follow the model
// when the model is built again.
void PolyAttackTest::russianLevelIsTheModelCorpus()
{
    const std::array<quint64, SymbolCount> counts = model().symbolCounts();
    const double total = std::accumulate(counts.begin(), counts.end(), 0.0);
    double squares = 0;
    for (const quint64 count : counts)
        squares += (count / total) * (count / total);
    QVERIFY2(std::abs(squares - RussianCoincidence) < 0.0005, qPrintable(QString::number(squares)));
}

void PolyAttackTest::kasiskiCountsTheDistances_data()
{
    QTest::addColumn<std::vector<int>>("starts");
    QTest::addColumn<std::vector<int>>("dividedPeriods");
    QTest::addColumn<std::vector<int>>("dividedCounts");
    // АБВ at 0, 12 and 30: distances 12 and 18.
    QTest::newRow("three occurrences") << std::vector<int> { 0, 12, 30 } << std::vector<int> { 2, 3, 4, 5, 6, 9, 12 }
                                       << std::vector<int> { 2, 2, 1, 0, 2, 1, 1 };
    // A distance of 7 divides by 7 only.
    QTest::newRow("a prime distance") << std::vector<int> { 3, 10 } << std::vector<int> { 2, 3, 7, 14 }
                                      << std::vector<int> { 0, 0, 1, 0 };
}

void PolyAttackTest::kasiskiCountsTheDistances()
{
    QFETCH(std::vector<int>, starts);
    QFETCH(std::vector<int>, dividedPeriods);
    QFETCH(std::vector<int>, dividedCounts);
    const KasiskiExamination examination = examineKasiski(placedRepeats(symbolsOf("АБВ"), starts, 34), 20);
    QCOMPARE(int(examination.repeats.size()), 1);
    QCOMPARE(examination.repeats[0].text, QStringLiteral("АБВ"));
    QCOMPARE(examination.repeats[0].positions, starts);
    QCOMPARE(examination.distanceCount, int(starts.size()) - 1);
    QCOMPARE(int(examination.factors.size()), 19);
    for (std::size_t i = 0; i < dividedPeriods.size(); ++i) {
        const PeriodFactor &factor = examination.factors[std::size_t(dividedPeriods[i] - 2)];
        QCOMPARE(factor.period, dividedPeriods[i]);
        QCOMPARE(factor.distances, dividedCounts[i]);
        QCOMPARE(factor.expected, double(examination.distanceCount) / factor.period);
    }
}

// Five symbols repeated hold three repeated trigrams; they are one repeat at
// one distance, or a long repeat would count three times a short one's.
void PolyAttackTest::aLongRepeatIsOneRepeat()
{
    const KasiskiExamination examination = examineKasiski(placedRepeats(symbolsOf("АБВ ГД"), { 1, 16 }, 30));
    QCOMPARE(int(examination.repeats.size()), 1);
    QCOMPARE(examination.repeats[0].text, QStringLiteral("АБВ ГД"));
    QCOMPARE(examination.repeats[0].distances, std::vector<int> { 15 });
    QCOMPARE(examination.distanceCount, 1);
}

void PolyAttackTest::kasiskiAndCoincidenceFindThePeriod_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("period");
    QTest::newRow("a prime period") << QStringLiteral("ЗАМОК") << 5;
    // Distances that are multiples of 6 are multiples of 2 and 3 too, and
    // those periods collect chance distances besides.
    QTest::newRow("six, not its divisors") << QStringLiteral("ПРИЧАЛ") << 6;
    QTest::newRow("one alphabet") << QStringLiteral("Ж") << 1;
}

void PolyAttackTest::kasiskiAndCoincidenceFindThePeriod()
{
    QFETCH(QString, keyword);
    QFETCH(int, period);
    const SymbolKey key = *SymbolKeys::keyword(SymbolRule::Vigenere, keyword);
    const SymbolSequence symbols = Alphabet::indicesOf(SymbolCipher(key).encrypt(prose()));
    QCOMPARE(coincidencePeriod(coincidenceByPeriod(symbols)), period);
    if (period > 1)
        QCOMPARE(kasiskiPeriod(examineKasiski(symbols)), period);
}

void PolyAttackTest::chartHasABarAPeriodAndBothLevels()
{
    const SymbolKey key = keyOf(SymbolRule::Vigenere, "ЛЕС");
    const std::vector<PeriodCoincidence> byPeriod =
        coincidenceByPeriod(Alphabet::indicesOf(SymbolCipher(key).encrypt(prose())));
    const QByteArray svg = coincidenceChartSvg(byPeriod, 3);
    QXmlStreamReader reader(svg);
    int bars = 0;
    int marked = 0;
    QString allText;
    double markedHeight = 0;
    double tallestOther = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        const QStringRef role = reader.attributes().value(QStringLiteral("class"));
        if (reader.isStartElement() && role.startsWith(QLatin1String("bar"))) {
            ++bars;
            const double height = reader.attributes().value(QStringLiteral("height")).toDouble();
            if (role == QLatin1String("bar marked")) {
                ++marked;
                markedHeight = height;
            } else if (bars < 6) {
                tallestOther = qMax(tallestOther, height);
            }
        }
        if (reader.isCharacters())
            allText += reader.text();
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(bars, int(byPeriod.size()));
    QCOMPARE(marked, 1);
    // Period 3's columns are each one alphabet; 1, 2, 4 and 5 mix them.
    QVERIFY(markedHeight > 1.3 * tallestOther);
    QVERIFY2(allText.contains(QStringLiteral("русский текст, 0,0629")), qPrintable(allText));
    QVERIFY(allText.contains(QStringLiteral("случайный текст, 0,0313")));
    QVERIFY(coincidenceChartSvg({}).isEmpty());
}

void PolyAttackTest::historyBreaksWhereTheCipherCopies()
{
    const KeywordCipherText text = KeywordCipherText::fromText(QStringLiteral("АБ, ВГДЕЖ\nЗ"));
    QCOMPARE(text.symbols, Alphabet::indicesOf(QStringLiteral("АБ, ВГДЕЖ\nЗ")));
    // The space after the comma starts a run; the history stops at three.
    QCOMPARE(text.history, (std::vector<std::int8_t> { 0, 1, 0, 1, 2, 3, 3, 3, 0 }));
}

void PolyAttackTest::columnsDecipherAsTheCipherDoes_data()
{
    QTest::addColumn<SymbolRule>("rule");
    QTest::newRow("Vigenère") << SymbolRule::Vigenere;
    QTest::newRow("Beaufort") << SymbolRule::Beaufort;
    QTest::newRow("autokey") << SymbolRule::Autokey;
}

// For every keyword, base + sign × shift must be what SymbolCipher deciphers.
void PolyAttackTest::columnsDecipherAsTheCipherDoes()
{
    QFETCH(SymbolRule, rule);
    QRandomGenerator random(20240601);
    for (int trial = 0; trial < 50; ++trial) {
        const int period = 1 + int(random.bounded(12));
        SymbolKey key;
        key.rule = rule;
        for (int i = 0; i < period; ++i)
            key.shifts.push_back(std::int8_t(random.bounded(Alphabet::Size)));
        std::vector<std::int8_t> cipher(std::size_t(5 + random.bounded(60)));
        for (std::int8_t &symbol : cipher)
            symbol = std::int8_t(random.bounded(Alphabet::Size));
        const ColumnReading reading = readColumns(cipher, rule, period);
        const SymbolCipher decipher(key);
        KeyStreamPlace place = decipher.start();
        for (std::size_t i = 0; i < cipher.size(); ++i) {
            const int expected = decipher.decryptSymbol(cipher[i], place);
            const int shift = key.shifts[i % std::size_t(period)];
            QCOMPARE((reading.base[i] + reading.sign[i] * shift) & 31, expected);
        }
    }
}

void PolyAttackTest::shortTextIsBroken_data()
{
    QTest::addColumn<KeywordVariant>("variant");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("symbols");
    QTest::addColumn<bool>("variantGiven");
    QTest::addColumn<KeywordVariant>("found");
    QTest::newRow("Vigenère") << KeywordVariant::Vigenere << QStringLiteral("ВЕТЕР") << 120 << false
                              << KeywordVariant::Vigenere;
    QTest::newRow("Beaufort") << KeywordVariant::Beaufort << QStringLiteral("ГРОЗА") << 120 << false
                              << KeywordVariant::Beaufort;
    QTest::newRow("autokey") << KeywordVariant::Autokey << QStringLiteral("ПЕСОК") << 200 << false
                             << KeywordVariant::Autokey;
    QTest::newRow("Gronsfeld, asked for") << KeywordVariant::Gronsfeld << QStringLiteral("31415") << 100 << true
                                          << KeywordVariant::Gronsfeld;
    // Gronsfeld is Vigenère with digits: the attack says so.
    QTest::newRow("Gronsfeld, read as Vigenère") << KeywordVariant::Gronsfeld << QStringLiteral("31415") << 100
                                                 << false << KeywordVariant::Vigenere;
    QTest::newRow("a keyword with a space") << KeywordVariant::Vigenere << QStringLiteral("ДВА СЛОВА") << 150
                                            << false << KeywordVariant::Vigenere;
}

void PolyAttackTest::shortTextIsBroken()
{
    QFETCH(KeywordVariant, variant);
    QFETCH(QString, keyword);
    QFETCH(int, symbols);
    QFETCH(bool, variantGiven);
    QFETCH(KeywordVariant, found);
    QString problem;
    const bool digits = variant == KeywordVariant::Gronsfeld;
    const SymbolKey key =
        digits ? *SymbolKeys::digits(keyword, problem) : *SymbolKeys::keyword(ruleOf(variant), keyword);
    const QString plaintext = proseOfLength(symbols);
    const QString ciphertext = SymbolCipher(key).encrypt(plaintext);
    KeywordAttackOptions options;
    if (variantGiven)
        options.variant = variant;
    const KeywordAttackResult result = crackPolyalphabetic(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QCOMPARE(result.variant, found);
    QCOMPARE(result.period, int(key.shifts.size()));
    QCOMPARE(result.key.shifts, key.shifts);
    // Й and Ё are copied as they stand, in either case.
    QCOMPARE(SymbolCipher(result.key).decrypt(ciphertext).toUpper(), plaintext.toUpper());
    QVERIFY(result.readsAsRussian);
    const QString reasons = result.reasons.join(QLatin1Char('\n'));
    QVERIFY2(reasons.contains(QStringLiteral("период %1").arg(key.shifts.size())), qPrintable(reasons));
    QCOMPARE(reasons.contains(QStringLiteral("шифр Гронсфельда с ключом ") + keyword), digits && !variantGiven);
}

void PolyAttackTest::keywordIsItsShortestRepeat_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<std::vector<KeywordLock>>("locks");
    QTest::addColumn<int>("period");
    QTest::newRow("a word twice is the word") << QStringLiteral("КОТКОТ") << std::vector<KeywordLock> {} << 3;
    // The user knows the fifth symbol, О: the keyword runs that far at least.
    QTest::newRow("unless a lock lies beyond it") << QStringLiteral("КОТКОТ") << std::vector<KeywordLock> { { 4, 14 } }
                                                  << 6;
}

void PolyAttackTest::keywordIsItsShortestRepeat()
{
    QFETCH(QString, keyword);
    QFETCH(std::vector<KeywordLock>, locks);
    QFETCH(int, period);
    const QString ciphertext = SymbolCipher(*SymbolKeys::keyword(SymbolRule::Vigenere, keyword)).encrypt(prose());
    KeywordAttackOptions options;
    options.variant = KeywordVariant::Vigenere;
    options.period = 6;
    options.locks = locks;
    const KeywordAttackResult result = crackPolyalphabetic(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QCOMPARE(result.period, period);
    QCOMPARE(int(result.key.shifts.size()), period);
    QCOMPARE(SymbolKeys::keywordText(result.key), keyword.left(period));
}

void PolyAttackTest::givenVariantAndPeriodAreTheOnlyOnesTried()
{
    // Beaufort ciphertext, read as Vigenère because the caller says so.
    const QString ciphertext = SymbolCipher(keyOf(SymbolRule::Beaufort, "ЛУНА")).encrypt(proseOfLength(200));
    KeywordAttackOptions options;
    options.variant = KeywordVariant::Vigenere;
    options.period = 4;
    const KeywordAttackResult result = crackPolyalphabetic(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QCOMPARE(result.variant, KeywordVariant::Vigenere);
    QCOMPARE(result.key.rule, SymbolRule::Vigenere);
    QVERIFY(!result.candidates.empty());
    for (const KeywordCandidate &candidate : result.candidates) {
        QCOMPARE(candidate.variant, KeywordVariant::Vigenere);
        QCOMPARE(candidate.period, 4);
    }
    QVERIFY(!result.readsAsRussian);
}

void PolyAttackTest::locksAreKept()
{
    const SymbolKey key = keyOf(SymbolRule::Vigenere, "ЯБЛОКО");
    const QString ciphertext = SymbolCipher(key).encrypt(proseOfLength(150));
    KeywordAttackOptions options;
    // Position 1 locked to the wrong symbol: the user's word stands.
    options.locks = { { 1, 3 }, { 7, 9 } };
    const KeywordAttackResult result = crackPolyalphabetic(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QVERIFY(result.period >= 8);
    QCOMPARE(result.key.shifts[1], std::int8_t(3));
    QCOMPARE(result.key.shifts[7], std::int8_t(9));
    for (const KeywordCandidate &candidate : result.candidates)
        QVERIFY(candidate.period >= 8);
}

void PolyAttackTest::optionsThatCannotBeKeptAreRefused_data()
{
    QTest::addColumn<int>("symbols");
    QTest::addColumn<int>("period");
    QTest::addColumn<bool>("gronsfeld");
    QTest::addColumn<std::vector<KeywordLock>>("locks");
    QTest::addColumn<QString>("reason");
    const std::vector<KeywordLock> none;
    QTest::newRow("too short to tell a period") << 19 << 0 << false << none << QStringLiteral("слишком короткий");
    QTest::newRow("too short for the period given") << 15 << 8 << false << none << QStringLiteral("для периода 8");
    QTest::newRow("a period beyond those examined") << 400 << 31 << false << none << QStringLiteral("от 1 до 30");
    QTest::newRow("a lock beyond the period") << 100 << 5 << false << std::vector<KeywordLock> { { 5, 1 } }
                                              << QStringLiteral("Позиция 6");
    QTest::newRow("a letter for Gronsfeld") << 100 << 0 << true << std::vector<KeywordLock> { { 0, 10 } }
                                            << QStringLiteral("от 0 до 9");
    QTest::newRow("one position, two symbols") << 100 << 0 << false
                                               << std::vector<KeywordLock> { { 2, 1 }, { 2, 4 } }
                                               << QStringLiteral("дважды");
    QTest::newRow("a lock further than the text reaches") << 40 << 0 << false
                                                          << std::vector<KeywordLock> { { 12, 1 } }
                                                          << QStringLiteral("лишь до 10");
}

void PolyAttackTest::optionsThatCannotBeKeptAreRefused()
{
    QFETCH(int, symbols);
    QFETCH(int, period);
    QFETCH(bool, gronsfeld);
    QFETCH(std::vector<KeywordLock>, locks);
    QFETCH(QString, reason);
    const QString ciphertext = SymbolCipher(keyOf(SymbolRule::Vigenere, "ДОМ")).encrypt(proseOfLength(symbols));
    KeywordAttackOptions options;
    options.period = period;
    options.locks = locks;
    if (gronsfeld)
        options.variant = KeywordVariant::Gronsfeld;
    const KeywordAttackResult result = crackPolyalphabetic(ciphertext, model(), options);
    QVERIFY(!result.succeeded());
    QVERIFY2(result.problem.contains(reason), qPrintable(result.problem));
    QVERIFY(result.candidates.empty());
}

// Hypotheses draw from seeds of their own, so threads change nothing.
void PolyAttackTest::threadsGiveTheSameAnswer()
{
    const QString ciphertext = SymbolCipher(keyOf(SymbolRule::Beaufort, "ТУМАН")).encrypt(proseOfLength(45));
    KeywordAttackOptions options;
    options.seed = 77;
    options.jobs = 1;
    const KeywordAttackResult alone = crackPolyalphabetic(ciphertext, model(), options);
    options.jobs = 3;
    const KeywordAttackResult threaded = crackPolyalphabetic(ciphertext, model(), options);
    QCOMPARE(threaded.candidates.size(), alone.candidates.size());
    for (std::size_t i = 0; i < alone.candidates.size(); ++i) {
        QCOMPARE(threaded.candidates[i].variant, alone.candidates[i].variant);
        QCOMPARE(threaded.candidates[i].period, alone.candidates[i].period);
        QCOMPARE(threaded.candidates[i].key.shifts, alone.candidates[i].key.shifts);
        QCOMPARE(threaded.candidates[i].restarts, alone.candidates[i].restarts);
    }
}

// A window's Stop button: the answer is the best found by then, and the
// progress reports came from the calling thread.
void PolyAttackTest::aStopStillGivesTheBestSoFar()
{
    const QString ciphertext = SymbolCipher(keyOf(SymbolRule::Vigenere, "КЛЁН")).encrypt(proseOfLength(300));
    KeywordAttackOptions options;
    options.jobs = 2;
    options.stopRequested = [] { return true; };
    int reports = 0;
    bool otherThread = false;
    options.progress = [&](const KeywordProgress &progress) {
        ++reports;
        otherThread = otherThread || QThread::currentThread() != thread();
        QVERIFY(progress.climbed <= progress.hypotheses);
    };
    const KeywordAttackResult result = crackPolyalphabetic(ciphertext, model(), options);
    QVERIFY2(result.succeeded(), qPrintable(result.problem));
    QVERIFY(result.cutShort);
    QVERIFY(!result.candidates.empty());
    QVERIFY(result.reasons.join(QLatin1Char('\n')).contains(QStringLiteral("прерван")));
    QVERIFY(reports > 0);
    QVERIFY(!otherThread);
    // Ё is not an alphabet symbol: the keyword is КЛН.
    QCOMPARE(SymbolKeys::keywordText(result.key), QStringLiteral("КЛН"));
}

QTEST_GUILESS_MAIN(PolyAttackTest)
#include "tst_polyattack.moc"
