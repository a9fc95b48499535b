#include "markedinput.h"

#include <QtEndian>

#include <cstring>

namespace {

// What one read from the source takes at most and, so that a small read
// does not cost a buffer of the largest size, at least.
constexpr qint64 ChunkSize = qint64(1) << 18;
constexpr qint64 SmallestChunk = 64;

struct KnownMark
{
    MarkedInput::Mark mark;
    const char *bytes;
    int size;
};

// UTF-32LE before UTF-16LE: FF FE 00 00 is read as the longer mark, as
// QTextStream reads it.
const KnownMark knownMarks[] = {
    { MarkedInput::Mark::Utf32BigEndian, "\x00\x00\xFE\xFF", 4 },
    { MarkedInput::Mark::Utf32LittleEndian, "\xFF\xFE\x00\x00", 4 },
    { MarkedInput::Mark::Utf16BigEndian, "\xFE\xFF", 2 },
    { MarkedInput::Mark::Utf16LittleEndian, "\xFF\xFE", 2 },
    { MarkedInput::Mark::Utf8, "\xEF\xBB\xBF", 3 },
};

} // namespace

MarkedInput::MarkedInput(QIODevice &source)
    : m_source(source)
{
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);

    char head[4];
    qint64 size = 0;
    while (size < qint64(sizeof head)) {
        const qint64 count = m_source.read(head + size, qint64(sizeof head) - size);
        if (count < 0)
            m_headFailed = true;
        if (count <= 0)
            break;
        size += count;
    }
    int markSize = 0;
    for (const KnownMark &known : knownMarks) {
        if (size >= known.size && std::memcmp(head, known.bytes, std::size_t(known.size)) == 0) {
            m_mark = known.mark;
            markSize = known.size;
            break;
        }
    }
    const QByteArray rest(head + markSize, int(size) - markSize);
    if (unitSize() > 1)
        m_raw = rest;
    else
        m_head = rest;
}

QString MarkedInput::markedEncodingName() const
{
    switch (m_mark) {
    case Mark::Utf16LittleEndian:
        return QStringLiteral("utf-16le");
    case Mark::Utf16BigEndian:
        return QStringLiteral("utf-16be");
    case Mark::Utf32LittleEndian:
        return QStringLiteral("utf-32le");
    case Mark::Utf32BigEndian:
        return QStringLiteral("utf-32be");
    case Mark::Utf8:
        return QStringLiteral("utf-8");
    case Mark::None:
        break;
    }
    return QString();
}

int MarkedInput::unitSize() const
{
    switch (m_mark) {
    case Mark::Utf16LittleEndian:
    case Mark::Utf16BigEndian:
        return 2;
    case Mark::Utf32LittleEndian:
    case Mark::Utf32BigEndian:
        return 4;
    case Mark::None:
    case Mark::Utf8:
        break;
    }
    return 1;
}

qint64 MarkedInput::readData(char *data, qint64 maxSize)
{
    if (m_headFailed)
        return -1;
    if (unitSize() == 1) {
        if (m_head.isEmpty())
            return m_source.read(data, maxSize);
        const int count = int(qMin(maxSize, qint64(m_head.size())));
        std::memcpy(data, m_head.constData(), std::size_t(count));
        m_head.remove(0, count);
        return count;
    }

    while (m_convertedBegin == m_converted.size()) {
        if (m_sourceAtEnd)
            return 0;
        if (!transcodeMore(maxSize))
            return -1;
    }
    const qint64 count = qMin(maxSize, m_converted.size() - m_convertedBegin);
    std::memcpy(data, m_converted.constData() + m_convertedBegin, std::size_t(count));
    m_convertedBegin += count;
    return count;
}

qint64 MarkedInput::writeData(const char *, qint64)
{
    return -1;
}

bool MarkedInput::transcodeMore(qint64 wanted)
{
    m_converted.resize(0);
    m_convertedBegin = 0;
    const int kept = m_raw.size();
    const qint64 chunk = qBound(SmallestChunk, wanted, ChunkSize);
    m_raw.resize(kept + int(chunk));
    const qint64 count = m_source.read(m_raw.data() + kept, chunk);
    m_raw.resize(kept + int(qMax(count, qint64(0))));
    if (count < 0)
        return false;
    // The units read with the mark may be all there is.
    const int whole = m_raw.size() - m_raw.size() % unitSize();
    transcode(m_raw.constData(), whole);
    m_raw.remove(0, whole);
    if (count == 0) {
        m_sourceAtEnd = true;
        finishTranscoding();
    }
    return true;
}

// Qt's UTF-16 and UTF-32 codecs pass lone surrogates and values beyond
// U+10FFFF on without a word, so the units are read here.
void MarkedInput::transcode(const char *data, qint64 size)
{
    const bool littleEndian = m_mark == Mark::Utf16LittleEndian || m_mark == Mark::Utf32LittleEndian;
    const int step = unitSize();
    QString text;
    text.reserve(int(size / step) + 1);
    for (qint64 at = 0; at < size; at += step) {
        const uchar *unit = reinterpret_cast<const uchar *>(data + at);
        if (step == 4) {
            const quint32 value = littleEndian ? qFromLittleEndian<quint32>(unit) : qFromBigEndian<quint32>(unit);
            if (value > 0x10FFFF || QChar::isSurrogate(value)) {
                text += QChar(QChar::ReplacementCharacter);
                m_undecodable += 4;
            } else if (QChar::requiresSurrogates(value)) {
                text += QChar(QChar::highSurrogate(value));
                text += QChar(QChar::lowSurrogate(value));
            } else {
                text += QChar(char16_t(value));
            }
            continue;
        }
        const char16_t value = littleEndian ? qFromLittleEndian<quint16>(unit) : qFromBigEndian<quint16>(unit);
        if (m_highSurrogate != 0) {
            if (QChar::isLowSurrogate(value)) {
                text += QChar(m_highSurrogate);
                text += QChar(value);
                m_highSurrogate = 0;
                continue;
            }
            text += QChar(QChar::ReplacementCharacter);
            m_undecodable += 2;
            m_highSurrogate = 0;
        }
        if (QChar::isHighSurrogate(value)) {
            m_highSurrogate = value;
        } else if (QChar::isLowSurrogate(value)) {
            text += QChar(QChar::ReplacementCharacter);
            m_undecodable += 2;
        } else {
            text += QChar(value);
        }
    }
    m_converted += text.toUtf8();
}

void MarkedInput::finishTranscoding()
{
    if (m_highSurrogate != 0) {
        m_converted += QString(QChar(QChar::ReplacementCharacter)).toUtf8();
        m_undecodable += 2;
        m_highSurrogate = 0;
    }
    if (!m_raw.isEmpty()) {
        m_converted += QString(QChar(QChar::ReplacementCharacter)).toUtf8();
        m_undecodable += m_raw.size();
        m_raw.clear();
    }
}
