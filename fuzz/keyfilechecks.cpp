// The key file reader's rules, for fuzz_keyfile and the corpus replay.
#include "fuzzchecks.h"

#include "keytable.h"
#include "referencecipher.h"

#include <QByteArray>
#include <QStringList>

namespace {

bool sameTable(const KeyTable &a, const KeyTable &b)
{
    for (int row = 0; row < int(a.size()); ++row) {
        if (a[row].symbol != b[row].symbol || a[row].codes != b[row].codes)
            return false;
    }
    return true;
}

} // namespace

QString checkKeyFileInput(const std::uint8_t *data, std::size_t size)
{
    const QString fileName = QStringLiteral("ключ.txt");
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // Writing the reasons took most of the reader's time; a quarter of the
    // inputs, picked by their size, still have them written.
    const KeyFileReasons reasons = size % 4 == 0 ? KeyFileReasons::Written : KeyFileReasons::Left;
    const KeyFileReading reading = readKeyTable(bytes, fileName, reasons);

    if (!reading.table) {
        if (reading.problems.isEmpty())
            return QStringLiteral("refused without a problem");
        for (const QString &problem : reading.problems) {
            if (!problem.startsWith(QStringLiteral("«ключ.txt»")))
                return QStringLiteral("a problem that does not name the file: ") + problem;
        }
        return QString();
    }

    const KeyTable &table = *reading.table;
    if (!reading.problems.isEmpty())
        return QStringLiteral("accepted with problems: ") + reading.problems.join(QLatin1Char('\n'));
    if (qint64(size) > MaxKeyFileSize)
        return QStringLiteral("accepted %1 bytes").arg(size);
    const QStringList problems = keyTableProblems(table);
    if (!problems.isEmpty())
        return QStringLiteral("accepted a table with problems: ") + problems.join(QLatin1Char('\n'));
    for (int row = 0; row < int(table.size()); ++row) {
        if (table[row].symbol != QString(referenceTable()[row].symbol))
            return QStringLiteral("row %1 holds %2").arg(row + 1).arg(table[row].symbol);
    }

    const QString text = keyTableText(table);
    const KeyFileReading again = readKeyTable(text.toUtf8(), fileName);
    if (!again.table)
        return QStringLiteral("the table written back is refused: ") + again.problems.join(QLatin1Char('\n'));
    if (!sameTable(*again.table, table))
        return QStringLiteral("the table written back reads as another:\n") + text;
    if (keyTableText(*again.table) != text)
        return QStringLiteral("the table written back is written otherwise:\n") + text;
    return QString();
}
