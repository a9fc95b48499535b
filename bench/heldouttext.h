// What the accuracy benchmarks share: the held-out paragraphs they draw
// their texts from and the median they report.
#pragma once

#include "alphabet.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <vector>

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// The non-blank lines of a UTF-8 file, one paragraph each.
inline QStringList readParagraphs(const QString &path)
{
    QFile file(path);
    QStringList paragraphs;
    if (!file.open(QIODevice::ReadOnly))
        return paragraphs;
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    QString line;
    while (stream.readLineInto(&line)) {
        if (!line.trimmed().isEmpty())
            paragraphs.append(line);
    }
    return paragraphs;
}

// Consecutive paragraphs from a random one on, one a line, cut at length
// alphabet symbols.
inline QString heldOutText(const QStringList &paragraphs, int length, QRandomGenerator &random)
{
    int paragraph = int(random.bounded(paragraphs.size()));
    int symbols = 0;
    QString text;
    while (symbols < length) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        for (const QChar c : paragraphs.at(paragraph)) {
            if (symbols == length)
                break;
            text += c;
            symbols += Alphabet::indexOf(c.unicode()) >= 0;
        }
        paragraph = (paragraph + 1) % paragraphs.size();
    }
    return text;
}
