#include "keytable.h"

#include "lineend.h"

#include <QChar>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

constexpr int CodeCount = 100;

// The row of a symbol in the fixed table, or -1.
int fixedRowOf(const QString &symbol)
{
    const KeyTable &fixed = fixedKeyTable();
    for (int row = 0; row < int(fixed.size()); ++row) {
        if (fixed[row].symbol == symbol)
            return row;
    }
    return -1;
}

QString symbolText(const QString &symbol)
{
    return symbol == QLatin1String(" ") ? QString(QChar(KeyFileSpace)) : symbol;
}

bool isTwoDigitCode(QStringView code)
{
    return code.size() == 2 && code.at(0) >= QLatin1Char('0') && code.at(0) <= QLatin1Char('9')
        && code.at(1) >= QLatin1Char('0') && code.at(1) <= QLatin1Char('9');
}

int codeValue(QStringView code)
{
    return (code.at(0).unicode() - u'0') * 10 + (code.at(1).unicode() - u'0');
}

// Where each symbol and code was first given: its line, 0 for nowhere yet.
struct Seen
{
    std::array<int, 32> symbolLine {};
    std::array<int, CodeCount> codeLine {};
    std::array<int, CodeCount> codeRow {};          // -1 for a symbol the table has not
    std::array<QString, CodeCount> unknownSymbol {}; // and then as the file wrote it
    int codeFields = 0;
    // The table's codes in file order: each code is taken once at most. Kept
    // as numbers, made strings only for a file that is accepted.
    std::array<int, CodeCount> taken {};
    int takenCount = 0;
};

QString emptyCodeProblem(int column)
{
    static const char *const ordinals[] = {"первый", "второй", "третий"};
    return (column < 3 ? QString::fromUtf8(ordinals[column]) : QStringLiteral("%1-й").arg(column + 1))
        + QStringLiteral(" код пуст: нужны две цифры от 0 до 9");
}

// Views into the line rather than a string for every field, and messages
// written only when asked for: the fuzzer reads millions of key files, and
// allocations were most of the time.
void readTableLine(QStringView text, int lineNumber, Seen &seen, KeyFileProblems &problems)
{
    const qsizetype firstTab = text.indexOf(QLatin1Char('\t'));
    const QStringView symbol = firstTab < 0 ? text : text.left(firstTab);
    const int row = keyFileSymbolIndex(symbol);
    if (row < 0) {
        problems.add(lineNumber, [&] { return keyFileSymbolProblem(symbol.toString()); });
    } else if (seen.symbolLine[row] != 0) {
        problems.add(lineNumber, [&] {
            return QStringLiteral("символ %1 уже задан в строке %2")
                .arg(quotedFromKeyFile(symbol.toString()), QString::number(seen.symbolLine[row]));
        });
    } else {
        seen.symbolLine[row] = lineNumber;
    }
    if (firstTab < 0) {
        problems.add(lineNumber, [] {
            return QStringLiteral("у символа нет кодов: нужны символ и его коды (хотя бы один), "
                                  "разделённые табуляцией");
        });
        return;
    }

    qsizetype start = firstTab + 1;
    for (int column = 0; start <= text.size(); ++column) {
        const qsizetype tab = text.indexOf(QLatin1Char('\t'), start);
        const qsizetype fieldEnd = tab < 0 ? text.size() : tab;
        const QStringView code = text.mid(start, fieldEnd - start);
        start = fieldEnd + 1;
        if (++seen.codeFields == CodeCount + 1) {
            problems.add(lineNumber, [] {
                return QStringLiteral("здесь %1-й код таблицы, а кодов всего %2 (от 00 до 99)")
                    .arg(CodeCount + 1)
                    .arg(CodeCount);
            });
        }
        if (!isTwoDigitCode(code)) {
            problems.add(lineNumber, [&] {
                return code.isEmpty() ? emptyCodeProblem(column)
                                      : QStringLiteral("код %1 — не две цифры от 0 до 9")
                                            .arg(quotedFromKeyFile(code.toString()));
            });
            continue;
        }
        const int value = codeValue(code);
        const int firstLine = seen.codeLine[value];
        if (firstLine == lineNumber) {
            problems.add(lineNumber, [&] { return QStringLiteral("код %1 повторяется в этой строке").arg(code); });
        } else if (firstLine != 0) {
            problems.add(lineNumber, [&] {
                const int firstRow = seen.codeRow[value];
                return QStringLiteral("код %1 уже использован в строке %2 (символ %3)")
                    .arg(code.toString(), QString::number(firstLine),
                         quotedFromKeyFile(firstRow < 0 ? seen.unknownSymbol[value] : keyFileSymbolText(firstRow)));
            });
        } else {
            seen.codeLine[value] = lineNumber;
            seen.codeRow[value] = row;
            if (row >= 0)
                seen.taken[seen.takenCount++] = value;
            else
                seen.unknownSymbol[value] = symbol.toString();
        }
    }
}

} // namespace

QStringList keyTableProblems(const KeyTable &table)
{
    QStringList problems;
    std::array<int, 32> symbolRow {};
    std::array<int, CodeCount> codeRow {};
    int codeCount = 0;
    for (int row = 0; row < int(table.size()); ++row) {
        // Written only for a problem: most tables checked have none.
        const auto place = [row] { return QStringLiteral("строка таблицы %1: ").arg(row + 1); };
        const int fixedRow = fixedRowOf(table[row].symbol);
        if (fixedRow < 0) {
            problems << place() + QStringLiteral("неизвестный символ %1").arg(quotedFromKeyFile(table[row].symbol));
        } else if (symbolRow[fixedRow] != 0) {
            problems << place() + QStringLiteral("символ %1 уже есть в строке %2")
                                      .arg(quotedFromKeyFile(symbolText(table[row].symbol)), QString::number(symbolRow[fixedRow]));
        } else {
            symbolRow[fixedRow] = row + 1;
        }
        if (table[row].codes.isEmpty())
            problems << place() + QStringLiteral("у символа %1 нет кодов").arg(quotedFromKeyFile(symbolText(table[row].symbol)));
        codeCount += int(table[row].codes.size());
        for (const QString &code : table[row].codes) {
            if (!isTwoDigitCode(code)) {
                problems << place() + QStringLiteral("код %1 — не две цифры от 0 до 9").arg(quotedFromKeyFile(code));
            } else if (const int value = codeValue(code); codeRow[value] != 0) {
                problems << place() + QStringLiteral("код %1 уже есть в строке %2").arg(code, QString::number(codeRow[value]));
            } else {
                codeRow[value] = row + 1;
            }
        }
    }
    if (codeCount > CodeCount)
        problems << QStringLiteral("в таблице %1 кодов, а их всего %2 (от 00 до 99)").arg(codeCount).arg(CodeCount);
    return problems;
}

KeyFileReading readKeyTable(const QByteArray &bytes, const QString &fileName, KeyFileReasons reasons)
{
    KeyFileProblems problems(fileName, reasons);
    const KeyTable &fixed = fixedKeyTable();
    Seen seen;
    const bool read = forEachKeyFileLine(bytes, homophonicFamilyName(), problems,
                                         [&](int lineNumber, QStringView text) {
        readTableLine(text, lineNumber, seen, problems);
    });
    if (!read)
        return {std::nullopt, problems.take()};

    const auto missingRows = std::count(seen.symbolLine.begin(), seen.symbolLine.end(), 0);
    if (missingRows > 0) {
        problems.add([&] {
            QStringList missing;
            for (int row = 0; row < int(fixed.size()); ++row) {
                if (seen.symbolLine[row] == 0)
                    missing << quotedFromKeyFile(symbolText(fixed[row].symbol));
            }
            return missing.size() == 1 ? QStringLiteral("нет строки для символа ") + missing.first()
                                       : QStringLiteral("нет строк для символов ") + missing.join(QStringLiteral(", "));
        });
    }

    if (!problems.isEmpty())
        return {std::nullopt, problems.take()};

    KeyTable table = fixed;
    for (KeyRow &row : table)
        row.codes.clear();
    for (int index = 0; index < seen.takenCount; ++index) {
        const int value = seen.taken[index];
        table[seen.codeRow[value]].codes.append(codeText(value));
    }
    return {table, {}};
}

KeyFileReading readKeyFile(const QString &path)
{
    QString problem;
    const std::optional<QByteArray> bytes = readKeyFileBytes(path, problem);
    if (!bytes)
        return {std::nullopt, {problem}};
    return readKeyTable(*bytes, path);
}

QString keyTableText(const KeyTable &table)
{
    // A symbol, a tab and two digits a code, a line end: sized once.
    int size = 0;
    for (const KeyRow &row : table)
        size += 2 + 3 * int(row.codes.size());
    QString text;
    text.reserve(size);
    for (const KeyRow &row : table) {
        text += symbolText(row.symbol);
        for (const QString &code : row.codes) {
            text += QLatin1Char('\t');
            text += code;
        }
        text += QLatin1Char('\n');
    }
    return text;
}

QString keyFileText(const KeyTable &table, const QDateTime &madeAt, std::optional<quint64> seed,
                    const QString &dealing)
{
    const QString when = madeAt.toOffsetFromUtc(madeAt.offsetFromUtc()).toString(Qt::ISODate);
    QString text = QStringLiteral("# Ключ шифра гомофонической замены, создан ") + when;
    if (seed)
        text += QStringLiteral(" из зерна ") + QString::number(*seed);
    const bool threeEach = std::all_of(table.cbegin(), table.cend(), [](const KeyRow &row) { return row.codes.size() == 3; });
    text += threeEach ? QStringLiteral("\n# В строке символ и три его кода через табуляцию; ␣ — пробел.\n")
                      : QStringLiteral("\n# В строке символ и его коды через табуляцию; ␣ — пробел.\n");
    if (!dealing.isEmpty())
        text += QStringLiteral("# ") + dealing + QLatin1Char('\n');
    return text + keyTableText(table);
}

QString equalDealing(int codesEach)
{
    switch (codesEach) {
    case 1:
        return QStringLiteral("Каждому символу по одному коду.");
    case 2:
        return QStringLiteral("Каждому символу по два кода.");
    default:
        return QString();
    }
}

QString proportionalDealing(int codes, const QString &source)
{
    return QStringLiteral("%1 кодов розданы пропорционально частотам символов %2, методом наибольших "
                          "остатков, не меньше одного каждому символу.")
        .arg(codes)
        .arg(source);
}

std::vector<int> proportionalShares(const std::vector<quint64> &givenCounts, int seats)
{
    const int parties = int(givenCounts.size());
    std::vector<int> shares(givenCounts.size(), 1);
    if (parties == 0 || seats <= parties) // every party holds its one seat
        return shares;
    // Counts so large that seats times their total would overflow are halved
    // until it does not.
    std::vector<quint64> counts = givenCounts;
    const auto sum = [&counts](quint64 &total) {
        total = 0;
        for (const quint64 count : counts) {
            if (__builtin_add_overflow(total, count, &total))
                return false;
        }
        return true;
    };
    quint64 total = 0;
    while (!sum(total) || total > (quint64(1) << 62) / quint64(seats)) {
        for (quint64 &count : counts)
            count >>= 1;
    }
    if (total == 0)
        return proportionalShares(std::vector<quint64>(counts.size(), 1), seats);

    // The quota of party i is seats * counts[i] / total; compared in units of
    // 1 / total, so that no rounding decides a tie.
    const auto quota = [&](int i) { return qint64(seats) * qint64(counts[i]); };
    const auto excess = [&](int i) { return qint64(shares[i]) * qint64(total) - quota(i); };
    int given = 0;
    for (int i = 0; i < parties; ++i) {
        shares[i] = qMax(1, int(quota(i) / total));
        given += shares[i];
    }
    std::vector<int> order(counts.size());
    std::iota(order.begin(), order.end(), 0);
    if (given < seats) {
        // The largest remainders first; of equal ones, the earlier party.
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return excess(a) < excess(b); });
        for (int k = 0; given < seats; ++k, ++given)
            ++shares[order[k]];
    }
    while (given > seats) {
        // The minimum of one seat gave out more than there are: a seat goes
        // back from the party with the most seats for its count, so that the
        // others keep their proportions; of equal ones, the later party.
        const auto moreSeatsPerCount = [&](int a, int b) {
            return qint64(shares[a]) * qint64(counts[b]) > qint64(shares[b]) * qint64(counts[a]);
        };
        int from = -1;
        for (int i = parties - 1; i >= 0; --i) {
            if (shares[i] > 1 && (from < 0 || moreSeatsPerCount(i, from)))
                from = i;
        }
        --shares[from];
        --given;
    }
    return shares;
}

std::array<int, 32> proportionalRowLengths(const std::array<quint64, 32> &symbolCounts, int codes)
{
    const std::vector<int> shares
        = proportionalShares(std::vector<quint64>(symbolCounts.cbegin(), symbolCounts.cend()), codes);
    std::array<int, 32> lengths;
    std::copy(shares.cbegin(), shares.cend(), lengths.begin());
    return lengths;
}

KeyTable randomKeyTable(QRandomGenerator &source, const std::array<int, 32> &rowLengths)
{
    std::array<int, CodeCount> codes;
    std::iota(codes.begin(), codes.end(), 0);
    shuffleExactly(source, codes.data(), CodeCount);

    KeyTable table = fixedKeyTable();
    int dealt = 0;
    for (std::size_t row = 0; row < table.size(); ++row) {
        QStringList &rowCodes = table[row].codes;
        rowCodes.clear();
        for (int column = 0; column < rowLengths[row] && dealt < CodeCount; ++column)
            rowCodes.append(codeText(codes[dealt++]));
    }
    return table;
}

void shuffleExactly(QRandomGenerator &source, int *values, int count)
{
    // Fisher-Yates with draws rejected below 2^32 mod bound, so that every
    // remainder is equally likely.
    for (quint32 i = quint32(qMax(count, 1)) - 1; i > 0; --i) {
        const quint32 bound = i + 1;
        const quint32 rejectBelow = (0u - bound) % bound;
        quint32 draw;
        do
            draw = source.generate();
        while (draw < rejectBelow);
        std::swap(values[i], values[draw % bound]);
    }
}

QString codeText(int value)
{
    // Made once and shared: tables hold up to a hundred codes, and every key
    // file read or made would otherwise allocate each of them.
    static const std::array<QString, CodeCount> texts = [] {
        std::array<QString, CodeCount> made;
        for (int code = 0; code < CodeCount; ++code)
            made[std::size_t(code)] = QString(QChar(u'0' + code / 10)) + QChar(u'0' + code % 10);
        return made;
    }();
    return texts.at(std::size_t(value));
}

QRandomGenerator seededGenerator(quint64 seed)
{
    const quint32 words[2] = {quint32(seed), quint32(seed >> 32)};
    return QRandomGenerator(words);
}
