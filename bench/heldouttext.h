// What the accuracy benchmarks share: the held-out paragraphs they draw
// their texts from and the median they report.
#pragma once

#include <QFile>
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
