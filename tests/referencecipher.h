// What the command-line tool must write, worked out the slow and obvious way:
// each line of a text ciphered on its own with a freshly filled table.
#pragma once

#include "homophonic.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct ReferenceLine
{
    QString result;
    QByteArray ending; // "\n", "\r\n", or empty for a last line without one
};

// A lone CR stays in its line; an empty text after the last line end is no
// line.
inline QVector<ReferenceLine> referenceLines(const QString &text, bool encrypt, int key)
{
    QVector<ReferenceLine> result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        const bool last = i == lines.size() - 1;
        if (last && line.isEmpty())
            break;
        QByteArray ending = last ? QByteArray() : QByteArrayLiteral("\n");
        if (!last && line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
            ending = QByteArrayLiteral("\r\n");
        }
        HomophoneTable table;
        fillHomophoneTable(table);
        result.append({ encrypt ? encryptHomophonic(table, line, key) : decryptHomophonic(table, line, key),
                        ending });
    }
    return result;
}
