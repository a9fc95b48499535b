#include "languagemodel.h"

#include "homophonic.h"
#include "savepath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTextStream>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace Cryptanalysis {

namespace {

constexpr char Magic[8] = {'H', 'O', 'M', 'L', 'M', 0, 0, 0};
constexpr quint32 FormatVersion = 2;
constexpr int HeaderSize = 8 + 5 * 4;
constexpr int ChecksumSize = 32;
constexpr int SymbolCountsSize = SymbolCount * 8;
constexpr char16_t BoundaryMark = u'|';

// Calls visit(a, b, c, d) for every symbol d of text with the three before
// it; characters outside the table break the context, as they do when
// encryption copies them.
template <typename Visit>
void forEachNgram(QStringView text, Visit visit)
{
    int a = Boundary, b = Boundary, c = Boundary;
    for (const QChar ch : text) {
        const int d = symbolOf(ch);
        if (d < 0) {
            a = b = c = Boundary;
            continue;
        }
        visit(a, b, c, d);
        a = b;
        b = c;
        c = d;
    }
}

} // namespace

int symbolOf(QChar c)
{
    static const SymbolRows symbols(fixedKeyTable());
    return symbols.rowOf(c.unicode());
}

QChar characterOf(int symbol)
{
    return fixedKeyTable()[symbol].symbol.at(0);
}

NgramCounts::NgramCounts()
    : m_counts(NgramTableSize, 0)
{
}

void NgramCounts::addText(QStringView text)
{
    forEachNgram(text, [this](int a, int b, int c, int d) {
        quint32 &slot = m_counts[ngramIndex(a, b, c, d)];
        if (slot < std::numeric_limits<quint32>::max())
            ++slot;
        ++m_symbolCounts[d];
        ++m_symbolTotal;
        m_letterTotal += d != 0;
    });
}

bool NgramCounts::addCorpus(QIODevice &device, QString *error)
{
    QTextStream stream(&device);
    stream.setCodec("UTF-8");
    const quint64 before = m_letterTotal;
    QString line;
    while (stream.readLineInto(&line))
        addText(line);
    if (stream.status() != QTextStream::Ok || (device.isSequential() ? false : !device.atEnd())) {
        if (error)
            *error = QStringLiteral("не удалось дочитать корпус: %1").arg(device.errorString());
        return false;
    }
    if (m_letterTotal == before) {
        if (error)
            *error = QStringLiteral("в корпусе нет ни одной русской буквы");
        return false;
    }
    return true;
}

quint64 NgramCounts::count(QStringView ngram) const
{
    const int length = int(ngram.size());
    if (length < 1 || length > HistoryLength + 1)
        return 0;
    std::array<int, HistoryLength + 1> pattern; // -1: any symbol or boundary
    pattern.fill(-1);
    for (int i = 0; i < length; ++i) {
        const QChar ch = ngram.at(i);
        const int symbol = ch == QChar(BoundaryMark) ? Boundary : symbolOf(ch);
        if (symbol < 0 || (i == length - 1 && symbol == Boundary))
            return 0;
        pattern[HistoryLength + 1 - length + i] = symbol;
    }
    quint64 total = 0;
    for (int a = 0; a < ContextSymbols; ++a) {
        if (pattern[0] >= 0 && pattern[0] != a)
            continue;
        for (int b = 0; b < ContextSymbols; ++b) {
            if (pattern[1] >= 0 && pattern[1] != b)
                continue;
            for (int c = 0; c < ContextSymbols; ++c) {
                if (pattern[2] >= 0 && pattern[2] != c)
                    continue;
                total += m_counts[ngramIndex(a, b, c, pattern[3])];
            }
        }
    }
    return total;
}

LanguageModel LanguageModel::fromCounts(const NgramCounts &counts)
{
    const std::vector<quint32> &c4 = counts.fourGrams();
    // Lower orders by summing out the oldest symbol of the history.
    std::vector<double> c3(ContextSymbols * ContextSymbols * SymbolCount, 0.0);
    std::vector<double> c2(ContextSymbols * SymbolCount, 0.0);
    std::vector<double> c1(SymbolCount, 0.0);
    for (int a = 0; a < ContextSymbols; ++a)
        for (int b = 0; b < ContextSymbols; ++b)
            for (int c = 0; c < ContextSymbols; ++c)
                for (int d = 0; d < SymbolCount; ++d)
                    c3[(b * ContextSymbols + c) * SymbolCount + d] += c4[ngramIndex(a, b, c, d)];
    for (int b = 0; b < ContextSymbols; ++b)
        for (int c = 0; c < ContextSymbols; ++c)
            for (int d = 0; d < SymbolCount; ++d)
                c2[c * SymbolCount + d] += c3[(b * ContextSymbols + c) * SymbolCount + d];
    double total = 0;
    for (int c = 0; c < ContextSymbols; ++c)
        for (int d = 0; d < SymbolCount; ++d)
            c1[d] += c2[c * SymbolCount + d];
    for (int d = 0; d < SymbolCount; ++d)
        total += c1[d];

    // Witten-Bell: a history seen n times followed by t distinct symbols
    // gives the lower order the weight t / (n + t).
    const auto interpolate = [](const double *row, const double *lower, double *out) {
        double seen = 0;
        int types = 0;
        for (int d = 0; d < SymbolCount; ++d) {
            seen += row[d];
            types += row[d] > 0;
        }
        for (int d = 0; d < SymbolCount; ++d)
            out[d] = types == 0 ? lower[d] : (row[d] + types * lower[d]) / (seen + types);
    };

    std::array<double, SymbolCount> p1;
    for (int d = 0; d < SymbolCount; ++d)
        p1[d] = (c1[d] + 1) / (total + SymbolCount);
    std::vector<double> p2(ContextSymbols * SymbolCount);
    for (int c = 0; c < ContextSymbols; ++c)
        interpolate(&c2[c * SymbolCount], p1.data(), &p2[c * SymbolCount]);
    std::vector<double> p3(ContextSymbols * ContextSymbols * SymbolCount);
    for (int b = 0; b < ContextSymbols; ++b)
        for (int c = 0; c < ContextSymbols; ++c) {
            const int row = (b * ContextSymbols + c) * SymbolCount;
            interpolate(&c3[row], &p2[c * SymbolCount], &p3[row]);
        }

    LanguageModel model;
    model.m_symbolCounts = counts.symbolCounts();
    model.m_scores.resize(NgramTableSize);
    std::array<double, SymbolCount> row4, p4;
    for (int a = 0; a < ContextSymbols; ++a)
        for (int b = 0; b < ContextSymbols; ++b)
            for (int c = 0; c < ContextSymbols; ++c) {
                const int first = ngramIndex(a, b, c, 0);
                for (int d = 0; d < SymbolCount; ++d)
                    row4[d] = c4[first + d];
                interpolate(row4.data(), &p3[(b * ContextSymbols + c) * SymbolCount], p4.data());
                for (int d = 0; d < SymbolCount; ++d) {
                    const double scaled = std::round(std::log(p4[d]) * Scale);
                    model.m_scores[first + d] = std::int16_t(qBound(-32768.0, scaled, 0.0));
                }
            }
    return model;
}

double LanguageModel::averageScore(QStringView text) const
{
    if (!isValid())
        return 0;
    qint64 sum = 0;
    qint64 symbols = 0;
    forEachNgram(text, [&](int a, int b, int c, int d) {
        sum += score(a, b, c, d);
        ++symbols;
    });
    return symbols == 0 ? 0 : double(sum) / Scale / double(symbols);
}

bool LanguageModel::write(QIODevice &device, QString *error) const
{
    QByteArray bytes;
    bytes.reserve(HeaderSize + NgramTableSize * 2 + SymbolCountsSize + ChecksumSize);
    bytes.append(Magic, sizeof Magic);
    const auto appendU32 = [&bytes](quint32 value) {
        char le[4];
        qToLittleEndian(value, le);
        bytes.append(le, 4);
    };
    appendU32(FormatVersion);
    appendU32(SymbolCount);
    appendU32(HistoryLength + 1);
    appendU32(Scale);
    appendU32(NgramTableSize);
    for (const std::int16_t value : m_scores) {
        char le[2];
        qToLittleEndian(value, le);
        bytes.append(le, 2);
    }
    for (const quint64 count : m_symbolCounts) {
        char le[8];
        qToLittleEndian(count, le);
        bytes.append(le, 8);
    }
    bytes.append(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    if (device.write(bytes) != bytes.size()) {
        if (error)
            *error = device.errorString();
        return false;
    }
    return true;
}

bool LanguageModel::save(const QString &path, QString *error) const
{
    return saveDataFile(path, QStringLiteral("модель языка"), [this](QIODevice &device) { return write(device, nullptr); },
                        error);
}

bool LanguageModel::read(QIODevice &device, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    constexpr qint64 ExpectedSize = HeaderSize + qint64(NgramTableSize) * 2 + SymbolCountsSize + ChecksumSize;
    const QByteArray bytes = device.read(ExpectedSize + 1);
    if (bytes.size() < int(sizeof Magic) || !bytes.startsWith(QByteArray::fromRawData(Magic, sizeof Magic)))
        return fail(QStringLiteral("это не файл модели языка"));
    if (bytes.size() < HeaderSize)
        return fail(QStringLiteral("файл модели обрезан"));
    const auto u32At = [&bytes](int offset) { return qFromLittleEndian<quint32>(bytes.constData() + offset); };
    if (u32At(8) != FormatVersion)
        return fail(QStringLiteral("версия формата модели %1 не поддерживается (нужна %2)")
                        .arg(u32At(8)).arg(FormatVersion));
    if (u32At(12) != SymbolCount || u32At(16) != HistoryLength + 1 || u32At(20) != Scale
        || u32At(24) != NgramTableSize)
        return fail(QStringLiteral("модель построена для другого алфавита или порядка n-грамм"));
    if (bytes.size() < ExpectedSize)
        return fail(QStringLiteral("файл модели обрезан: %1 байт вместо %2").arg(bytes.size()).arg(ExpectedSize));
    if (bytes.size() > ExpectedSize)
        return fail(QStringLiteral("после модели в файле лишние данные"));
    const QByteArray payload = QByteArray::fromRawData(bytes.constData(), int(ExpectedSize - ChecksumSize));
    if (QCryptographicHash::hash(payload, QCryptographicHash::Sha256) != bytes.right(ChecksumSize))
        return fail(QStringLiteral("файл модели повреждён: контрольная сумма не сходится"));

    std::vector<std::int16_t> scores(NgramTableSize);
    qFromLittleEndian<std::int16_t>(bytes.constData() + HeaderSize, NgramTableSize, scores.data());
    // A checksum made after the fact does not make a probability above 1.
    if (*std::max_element(scores.cbegin(), scores.cend()) > 0)
        return fail(QStringLiteral("файл модели повреждён: вероятность больше единицы"));
    std::array<quint64, SymbolCount> symbolCounts;
    qFromLittleEndian<quint64>(bytes.constData() + HeaderSize + qint64(NgramTableSize) * 2, SymbolCount,
                               symbolCounts.data());
    m_scores.swap(scores);
    m_symbolCounts = symbolCounts;
    return true;
}

bool LanguageModel::load(const QString &path, QString *error)
{
    QFile file(path);
    QString reason;
    if (!file.open(QIODevice::ReadOnly))
        reason = file.errorString();
    else if (read(file, &reason))
        return true;
    if (error)
        *error = QStringLiteral("Не удалось загрузить модель языка «%1»: %2")
                     .arg(QDir::toNativeSeparators(path), reason);
    return false;
}

QString LanguageModel::builtInPath()
{
    return QStringLiteral(":/cryptanalysis/russian.model");
}

} // namespace Cryptanalysis

// Outside the namespace, as Q_INIT_RESOURCE requires.
static void initBuiltInModel()
{
    Q_INIT_RESOURCE(cryptanalysis);
}

namespace Cryptanalysis {

bool LanguageModel::loadBuiltIn(QString *error)
{
    initBuiltInModel();
    return load(builtInPath(), error);
}

} // namespace Cryptanalysis
