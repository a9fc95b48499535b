#include "languagemodel.h"
#include "periodicity.h"
#include "symbolcipher.h"
#include "symbolkeys.h"

#include <QRandomGenerator>
#include <QXmlStreamReader>
#include <QtTest>

#include <numeric>

using namespace Cryptanalysis;

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

QTEST_GUILESS_MAIN(PolyAttackTest)
#include "tst_polyattack.moc"
