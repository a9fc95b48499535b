// Reads a device line by line in large chunks, so that memory grows with the
// longest line rather than with the input, and the line ends are known.
#pragma once

#include "lineend.h"

#include <QtGlobal>

#include <vector>

class QIODevice;

struct Line
{
    const char *data = nullptr; // valid until the next call of LineReader::next
    int size = 0;               // without the line ending
    LineEnding ending = LineEnding::None;
};

class LineReader
{
public:
    // Longer lines would not fit a QString once encrypted.
    static constexpr qint64 MaxLineBytes = qint64(256) << 20;

    explicit LineReader(QIODevice &device, qint64 maxLineBytes = MaxLineBytes);

    // The next line; false at the end of the input, after a read error and
    // for a line longer than maxLineBytes.
    bool next(Line &line);

    bool readFailed() const { return m_readFailed; }
    bool lineTooLong() const { return m_lineTooLong; }

private:
    bool readMore();

    QIODevice &m_device;
    const qint64 m_maxLineBytes;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0; // start of the line being read
    std::size_t m_scanned = 0; // no line end in [m_begin, m_scanned)
    std::size_t m_end = 0;
    bool m_atEnd = false;
    bool m_readFailed = false;
    bool m_lineTooLong = false;
};
