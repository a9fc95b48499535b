// What the accuracy benchmarks share: their first arguments, the held-out
// paragraphs they draw their texts from and the median they report.
#pragma once

#include "alphabet.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
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

// Every accuracy benchmark starts with TEXTS (one paragraph a line) and
// TRIALS: 0 when the arguments hold at least needed items and the texts
// read, else the exit status, with the usage or the reason on stderr.
inline int readTextsAndTrials(const QStringList &args, int needed, const char *usage, QStringList &paragraphs,
                              int &trials)
{
    if (args.size() < needed) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    paragraphs = readParagraphs(args.at(1));
    if (paragraphs.isEmpty()) {
        std::fprintf(stderr, "no paragraphs in %s\n", qPrintable(args.at(1)));
        return 1;
    }
    trials = args.at(2).toInt();
    return 0;
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
