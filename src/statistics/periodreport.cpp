#include "periodreport.h"

#include "frequencyreport.h"

#include <QJsonArray>

namespace {

// The repeats and periods a report lists.
constexpr int ShownRepeats = 8;
constexpr int ShownFactors = 5;

constexpr int ShownDistances = 10;

QString periodList(const std::vector<int> &values)
{
    QStringList texts;
    for (std::size_t i = 0; i < values.size() && int(i) < ShownDistances; ++i)
        texts << QString::number(values[i]);
    if (int(values.size()) > ShownDistances)
        texts << QStringLiteral("…");
    return texts.join(QStringLiteral(", "));
}

} // namespace

bool PeriodSymbols::full()
{
    if (int(m_symbols.size()) < MaxPeriodSymbols)
        return false;
    m_cut = true;
    return true;
}

void PeriodSymbols::addText(QStringView text)
{
    for (const QChar c : text) {
        const int symbol = Alphabet::indexOf(c.unicode());
        if (symbol >= 0) {
            if (full())
                return;
            m_symbols.push_back(std::int8_t(symbol));
        }
    }
}

void PeriodSymbols::addBytes(const char *data, int size, const std::array<char16_t, 256> &decoding)
{
    for (int i = 0; i < size; ++i) {
        const int symbol = Alphabet::indexOf(decoding[static_cast<unsigned char>(data[i])]);
        if (symbol >= 0) {
            if (full())
                return;
            m_symbols.push_back(std::int8_t(symbol));
        }
    }
}

PeriodReport periodReportOf(const PeriodSymbols &symbols)
{
    PeriodReport report;
    report.symbols = int(symbols.symbols().size());
    report.cut = symbols.cut();
    report.byPeriod = coincidenceByPeriod(symbols.symbols());
    report.coincidencePeriod = coincidencePeriod(report.byPeriod);
    report.kasiski = examineKasiski(symbols.symbols());
    report.kasiskiPeriod = kasiskiPeriod(report.kasiski);
    return report;
}

QString periodTextReport(const PeriodReport &report)
{
    QString text = QStringLiteral("Период ключа (символов алфавита: %1%2)\n")
                       .arg(report.symbols)
                       .arg(report.cut ? QStringLiteral(", взяты первые %1").arg(MaxPeriodSymbols) : QString());
    if (report.byPeriod.empty())
        return text + QStringLiteral("  символов слишком мало, чтобы судить о периоде\n");
    text += QStringLiteral("  индекс совпадений столбцов по периодам (русский текст %1, случайный %2):\n")
                .arg(decimalText(RussianCoincidence, 4), decimalText(RandomCoincidence, 4));
    for (const PeriodCoincidence &period : report.byPeriod) {
        text += QStringLiteral("  %1  %2%3\n")
                    .arg(period.period, 3)
                    .arg(decimalText(period.meanCoincidence, 4))
                    .arg(period.period == report.coincidencePeriod ? QStringLiteral("  ← один алфавит в столбце")
                                                                   : QString());
    }
    text += report.coincidencePeriod > 0
        ? QStringLiteral("  первый период, при котором столбцы похожи на один алфавит: %1\n").arg(report.coincidencePeriod)
        : QStringLiteral("  ни при одном периоде столбцы не похожи на один алфавит\n");
    text += QStringLiteral("  Касиски%1: повторов %2, расстояний между ними %3\n")
                .arg(report.kasiski.examinedSymbols < report.symbols
                         ? QStringLiteral(" (по первым %1 символам)").arg(report.kasiski.examinedSymbols)
                         : QString())
                .arg(report.kasiski.repeats.size())
                .arg(report.kasiski.distanceCount);
    for (std::size_t i = 0; i < report.kasiski.repeats.size() && int(i) < ShownRepeats; ++i) {
        const RepeatedSequence &repeat = report.kasiski.repeats[i];
        text += QStringLiteral("    «%1» ×%2, расстояния %3\n")
                    .arg(repeat.text.size() > 24 ? repeat.text.left(24) + QStringLiteral("…") : repeat.text)
                    .arg(repeat.positions.size())
                    .arg(periodList(repeat.distances));
    }
    std::vector<PeriodFactor> factors = report.kasiski.factors;
    std::stable_sort(factors.begin(), factors.end(), [](const PeriodFactor &a, const PeriodFactor &b) {
        return a.distances - a.expected > b.distances - b.expected;
    });
    QStringList shown;
    for (std::size_t i = 0; i < factors.size() && int(i) < ShownFactors; ++i) {
        if (factors[i].distances == 0)
            break;
        shown << QStringLiteral("%1 делит %2 (случайно около %3)")
                     .arg(factors[i].period)
                     .arg(factors[i].distances)
                     .arg(decimalText(factors[i].expected, 1));
    }
    if (!shown.isEmpty())
        text += QStringLiteral("    общие делители расстояний: ") + shown.join(QStringLiteral("; ")) + QLatin1Char('\n');
    if (report.kasiskiPeriod > 0)
        text += QStringLiteral("  период по Касиски: %1\n").arg(report.kasiskiPeriod);
    return text;
}

QJsonObject periodJson(const PeriodReport &report)
{
    QJsonObject object;
    object.insert(QStringLiteral("symbols"), report.symbols);
    object.insert(QStringLiteral("cut"), report.cut);
    QJsonArray byPeriod;
    for (const PeriodCoincidence &period : report.byPeriod) {
        byPeriod.append(QJsonObject { { QStringLiteral("period"), period.period },
                                      { QStringLiteral("coincidence"), period.meanCoincidence } });
    }
    object.insert(QStringLiteral("coincidenceByPeriod"), byPeriod);
    object.insert(QStringLiteral("coincidencePeriod"), report.coincidencePeriod);
    QJsonArray repeats;
    for (std::size_t i = 0; i < report.kasiski.repeats.size() && int(i) < ShownRepeats; ++i) {
        const RepeatedSequence &repeat = report.kasiski.repeats[i];
        QJsonArray positions;
        for (const int position : repeat.positions)
            positions.append(position);
        QJsonArray distances;
        for (const int distance : repeat.distances)
            distances.append(distance);
        repeats.append(QJsonObject { { QStringLiteral("text"), repeat.text },
                                     { QStringLiteral("positions"), positions },
                                     { QStringLiteral("distances"), distances } });
    }
    QJsonArray factors;
    for (const PeriodFactor &factor : report.kasiski.factors) {
        factors.append(QJsonObject { { QStringLiteral("period"), factor.period },
                                     { QStringLiteral("distances"), factor.distances },
                                     { QStringLiteral("expected"), factor.expected } });
    }
    object.insert(QStringLiteral("kasiski"),
                  QJsonObject { { QStringLiteral("repeats"), repeats },
                                { QStringLiteral("distances"), report.kasiski.distanceCount },
                                { QStringLiteral("factors"), factors },
                                { QStringLiteral("period"), report.kasiskiPeriod } });
    return object;
}

QByteArray periodChartSvg(const PeriodReport &report)
{
    return coincidenceChartSvg(report.byPeriod, report.coincidencePeriod);
}
