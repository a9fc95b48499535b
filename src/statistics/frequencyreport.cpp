#include "frequencyreport.h"

#include "frequencymeasures.h"
#include "pairreport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr int LineWidth = 78; // leaves a column free in an 80-column terminal
constexpr int ShareWidth = 8; // "100,00 %"

// The rows of a table: the labels seen, by count, ties in table order.
std::vector<int> rowsByCount(const FrequencyCounts &counts)
{
    std::vector<int> rows;
    for (int i = 0; i < int(counts.counts.size()); ++i) {
        if (counts.counts[i] > 0)
            rows.push_back(i);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return counts.counts[a] > counts.counts[b]; });
    return rows;
}

// Eighths of a block give a bar eight steps per column; a label seen at all
// gets at least one step, so that rare ones do not look absent.
QString bar(double fraction, int width)
{
    int eighths = int(std::lround(fraction * width * 8));
    if (fraction > 0 && eighths == 0)
        eighths = 1;
    eighths = std::min(eighths, width * 8);
    QString text(eighths / 8, QChar(0x2588));
    if (eighths % 8 != 0)
        text.append(QChar(char16_t(0x2590 - eighths % 8)));
    return text;
}

int digitsOf(qint64 value)
{
    return int(QString::number(value).size());
}

int countWidth(const FrequencyCounts &counts)
{
    qint64 largest = 0;
    for (const qint64 count : counts.counts)
        largest = std::max(largest, count);
    return std::max(5, digitsOf(largest));
}

QString columnTitle(const FrequencyCounts &counts)
{
    return counts.kind == FrequencyCounts::Kind::Symbols ? QStringLiteral("Символ") : QStringLiteral("Код");
}

// Which text a table is of: told by its place beside another, or, alone,
// by what it counts.
enum class Text { Plain, Cipher };

Text textOf(const FrequencyCounts &counts)
{
    return counts.kind == FrequencyCounts::Kind::Symbols ? Text::Plain : Text::Cipher;
}

QString textTitle(Text text)
{
    return text == Text::Plain ? QStringLiteral("Открытый текст") : QStringLiteral("Шифртекст");
}

QString tableRow(const FrequencyCounts &counts, int index, int width, double scale, int barWidth)
{
    const qint64 count = counts.counts[index];
    const double share = shareOf(count, counts.total());
    return displayLabel(counts.labels[index]).leftJustified(6) + QLatin1Char(' ')
        + QString::number(count).rightJustified(width) + QLatin1Char(' ')
        + percentText(share, 2).rightJustified(ShareWidth) + QLatin1Char(' ')
        + bar(scale > 0 ? share / scale : 0, barWidth);
}

// "Нет в тексте: Ф, Ъ" wrapped to the line width; empty when all were seen.
QString unseenLines(const FrequencyCounts &counts, Text of)
{
    QStringList unseen;
    for (int i = 0; i < int(counts.counts.size()); ++i) {
        if (counts.counts[i] == 0)
            unseen.append(displayLabel(counts.labels[i]));
    }
    if (unseen.isEmpty())
        return QString();
    QString text;
    QString line = of == Text::Plain ? QStringLiteral("Нет в тексте:") : QStringLiteral("Нет в шифртексте:");
    for (int i = 0; i < unseen.size(); ++i) {
        const QString item = unseen[i] + (i + 1 < unseen.size() ? QStringLiteral(",") : QString());
        if (line.size() + 1 + item.size() > LineWidth) {
            text += line + QLatin1Char('\n');
            line = QStringLiteral(" ");
        }
        line += QLatin1Char(' ') + item;
    }
    return text + line + QLatin1Char('\n');
}

QString otherLine(const FrequencyCounts &counts, Text of)
{
    if (counts.kind == FrequencyCounts::Kind::Codes)
        return QStringLiteral("Прочие знаки (не коды): %1\n").arg(counts.other);
    return (of == Text::Plain ? QStringLiteral("Прочие символы (вне таблицы): %1\n")
                              : QStringLiteral("Прочие символы шифртекста (вне таблицы): %1\n"))
        .arg(counts.other);
}

QString peakText(const FrequencyCounts &counts, const FrequencyMeasures &measures)
{
    if (measures.peakIndex < 0)
        return QStringLiteral("—");
    return QStringLiteral("%1 (%2)").arg(percentText(measures.peak, 2), displayLabel(counts.labels[measures.peakIndex]));
}

QJsonObject jsonPart(const FrequencyCounts &counts)
{
    const FrequencyMeasures measures = measureFrequencies(counts);
    QJsonObject seen;
    for (int i = 0; i < int(counts.counts.size()); ++i) {
        if (counts.counts[i] > 0)
            seen.insert(counts.labels[i], double(counts.counts[i]));
    }
    QJsonObject part;
    part.insert(QStringLiteral("total"), double(measures.total));
    part.insert(QStringLiteral("other"), double(counts.other));
    part.insert(QStringLiteral("counts"), seen);
    part.insert(QStringLiteral("ioc"), measures.ioc);
    part.insert(QStringLiteral("entropy"), measures.entropy);
    part.insert(QStringLiteral("maxEntropy"), measures.maxEntropy);
    part.insert(QStringLiteral("peak"), measures.peak);
    part.insert(QStringLiteral("seen"), measures.seen);
    part.insert(QStringLiteral("peakRelative"), measures.peakRelative);
    return part;
}

} // namespace

QString decimalText(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString percentText(double share, int decimals)
{
    return decimalText(100 * share, decimals) + QStringLiteral(" %");
}

QString displayLabel(const QString &label)
{
    return label == QLatin1String(" ") ? QStringLiteral("пробел") : label;
}

QString frequencyTextReport(const FrequencyCounts &counts)
{
    const FrequencyMeasures measures = measureFrequencies(counts);
    const int width = countWidth(counts);
    const int barWidth = LineWidth - (6 + 1 + width + 1 + ShareWidth + 1);
    const bool symbols = counts.kind == FrequencyCounts::Kind::Symbols;

    QString text = textTitle(textOf(counts))
        + (symbols ? QStringLiteral(": символы таблицы\n") : QStringLiteral(": коды 00–99\n"));
    text += columnTitle(counts).leftJustified(6) + QLatin1Char(' ') + QStringLiteral("Число").rightJustified(width)
        + QLatin1Char(' ') + QStringLiteral("Доля").rightJustified(ShareWidth) + QLatin1Char('\n');
    for (const int index : rowsByCount(counts))
        text += tableRow(counts, index, width, measures.peak, barWidth) + QLatin1Char('\n');
    text += unseenLines(counts, textOf(counts)) + otherLine(counts, textOf(counts)) + QLatin1Char('\n');

    text += (symbols ? QStringLiteral("Всего символов таблицы: %1\n") : QStringLiteral("Всего кодов: %1\n"))
                .arg(measures.total);
    text += QStringLiteral("Индекс совпадений: %1\n").arg(decimalText(measures.ioc, 4));
    text += QStringLiteral("Энтропия: %1 бит на %2 (наибольшая возможная %3)\n")
                .arg(decimalText(measures.entropy, 3), symbols ? QStringLiteral("символ") : QStringLiteral("код"),
                     decimalText(measures.maxEntropy, 3));
    text += QStringLiteral("Пик: %1\n").arg(peakText(counts, measures));
    text += QStringLiteral("Пик к равной доле: %1 (%2 встретилось: %3)\n")
                .arg(decimalText(measures.peakRelative, 2), symbols ? QStringLiteral("символов") : QStringLiteral("кодов"))
                .arg(measures.seen);
    return text;
}

QString sideBySideTextReport(const FrequencyCounts &plain, const FrequencyCounts &cipher)
{
    const FrequencyMeasures plainMeasures = measureFrequencies(plain);
    const FrequencyMeasures cipherMeasures = measureFrequencies(cipher);
    constexpr int Gap = 2;
    constexpr int HalfWidth = (LineWidth - Gap) / 2;
    const int width = std::max(countWidth(plain), countWidth(cipher));
    const int barWidth = HalfWidth - (6 + 1 + width + 1 + ShareWidth + 1);
    // One scale for both, so that the flattening shows as shorter bars.
    const double scale = std::max(plainMeasures.peak, cipherMeasures.peak);
    const QString gap(Gap, QLatin1Char(' '));

    const auto header = [&](const FrequencyCounts &counts) {
        return columnTitle(counts).leftJustified(6) + QLatin1Char(' ') + QStringLiteral("Число").rightJustified(width)
            + QLatin1Char(' ') + QStringLiteral("Доля").rightJustified(ShareWidth);
    };
    QString text = textTitle(Text::Plain).leftJustified(HalfWidth) + gap + textTitle(Text::Cipher)
        + QLatin1Char('\n');
    text += header(plain).leftJustified(HalfWidth) + gap + header(cipher) + QLatin1Char('\n');

    const std::vector<int> plainRows = rowsByCount(plain);
    const std::vector<int> cipherRows = rowsByCount(cipher);
    for (std::size_t i = 0; i < std::max(plainRows.size(), cipherRows.size()); ++i) {
        QString left = i < plainRows.size() ? tableRow(plain, plainRows[i], width, scale, barWidth) : QString();
        QString line = left.leftJustified(HalfWidth) + gap;
        if (i < cipherRows.size())
            line += tableRow(cipher, cipherRows[i], width, scale, barWidth);
        text += line.trimmed().isEmpty() ? QString() : line + QLatin1Char('\n');
    }
    text += QLatin1Char('\n') + unseenLines(plain, Text::Plain) + unseenLines(cipher, Text::Cipher)
        + otherLine(plain, Text::Plain) + otherLine(cipher, Text::Cipher) + QLatin1Char('\n');

    constexpr int NameWidth = 28;
    constexpr int ValueWidth = 24;
    const auto measureRow = [&](const QString &name, const QString &plainValue, const QString &cipherValue) {
        return name.leftJustified(NameWidth) + plainValue.rightJustified(ValueWidth)
            + cipherValue.rightJustified(ValueWidth) + QLatin1Char('\n');
    };
    text += measureRow(QString(), textTitle(Text::Plain), textTitle(Text::Cipher));
    text += measureRow(QStringLiteral("Всего символов / кодов"), QString::number(plainMeasures.total),
                       QString::number(cipherMeasures.total));
    text += measureRow(QStringLiteral("Прочие"), QString::number(plain.other), QString::number(cipher.other));
    text += measureRow(QStringLiteral("Индекс совпадений"), decimalText(plainMeasures.ioc, 4),
                       decimalText(cipherMeasures.ioc, 4));
    text += measureRow(QStringLiteral("Энтропия, бит"), decimalText(plainMeasures.entropy, 3),
                       decimalText(cipherMeasures.entropy, 3));
    text += measureRow(QStringLiteral("Наибольшая энтропия, бит"), decimalText(plainMeasures.maxEntropy, 3),
                       decimalText(cipherMeasures.maxEntropy, 3));
    text += measureRow(QStringLiteral("Пик"), peakText(plain, plainMeasures), peakText(cipher, cipherMeasures));
    text += measureRow(QStringLiteral("Встретилось разных"), QString::number(plainMeasures.seen),
                       QString::number(cipherMeasures.seen));
    text += measureRow(QStringLiteral("Пик к равной доле"), decimalText(plainMeasures.peakRelative, 2),
                       decimalText(cipherMeasures.peakRelative, 2));
    return text;
}

QString guessStatement(const CodeTokenTally &tally)
{
    // Rounded down, so that a share just under the threshold never reads as the threshold.
    const QString share = decimalText(std::floor(tally.codeShare() * 1000) / 10, 1) + QStringLiteral(" %");
    const QString threshold = QString::number(CodeTokenTally::MinCodePercent) + QStringLiteral(" %");
    if (tally.looksLikeCipher())
        return QStringLiteral("Текст принят за шифртекст: двузначные коды составляют %1 слов\n"
                              "(нужно не меньше %2). Прочитать как открытый текст: --as plain.")
            .arg(share, threshold);
    return QStringLiteral("Текст принят за открытый: двузначные коды составляют %1 слов\n"
                          "(шифртексту нужно не меньше %2). Прочитать как шифртекст: --as cipher.")
        .arg(share, threshold);
}

QByteArray frequencyJson(const FrequencyCounts *plain, const FrequencyCounts *cipher, const QJsonObject &periods,
                         const PairCounts *plainPairs, const PairCounts *cipherPairs)
{
    QJsonObject document;
    if (!periods.isEmpty())
        document.insert(QStringLiteral("periods"), periods);
    const auto part = [](const FrequencyCounts &counts, const PairCounts *pairs) {
        QJsonObject object = jsonPart(counts);
        if (pairs)
            object.insert(QStringLiteral("pairs"), pairJson(*pairs));
        return object;
    };
    if (plain)
        document.insert(QStringLiteral("plain"), part(*plain, plainPairs));
    if (cipher)
        document.insert(QStringLiteral("cipher"), part(*cipher, cipherPairs));
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}
