#include "linereader.h"

#include <QIODevice>

#include <cstring>

namespace {

constexpr std::size_t ChunkSize = std::size_t(1) << 20;

} // namespace

LineReader::LineReader(QIODevice &device, qint64 maxLineBytes)
    : m_device(device)
    , m_maxLineBytes(maxLineBytes)
{
}

bool LineReader::readMore()
{
    if (m_atEnd || m_readFailed)
        return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_scanned -= m_begin;
        m_begin = 0;
    }
    if (m_buffer.size() < m_end + ChunkSize)
        m_buffer.resize(m_end + ChunkSize);
    const qint64 count = m_device.read(m_buffer.data() + m_end, qint64(ChunkSize));
    if (count < 0) {
        m_readFailed = true;
        return false;
    }
    if (count == 0) {
        m_atEnd = true;
        return false;
    }
    m_end += std::size_t(count);
    return true;
}

bool LineReader::next(Line &line)
{
    for (;;) {
        const char *const buffer = m_buffer.data();
        const LineEnd<char> found = findLineEnd(buffer + m_begin, buffer + m_end, buffer + m_scanned);
        if (found.ending != LineEnding::None) {
            const std::size_t size = std::size_t(found.contentEnd - buffer) - m_begin;
            if (qint64(size) > m_maxLineBytes) {
                m_lineTooLong = true;
                return false;
            }
            line.data = buffer + m_begin;
            line.size = int(size);
            line.ending = found.ending;
            m_begin = m_scanned = std::size_t(found.next - buffer);
            return true;
        }
        m_scanned = m_end;
        if (qint64(m_end - m_begin) > m_maxLineBytes + 1) { // + 1 for a carriage return
            m_lineTooLong = true;
            return false;
        }
        if (!readMore()) {
            if (m_readFailed || m_begin == m_end)
                return false;
            if (qint64(m_end - m_begin) > m_maxLineBytes) {
                m_lineTooLong = true;
                return false;
            }
            line.data = m_buffer.data() + m_begin;
            line.size = int(m_end - m_begin);
            line.ending = LineEnding::None;
            m_begin = m_scanned = m_end;
            return true;
        }
    }
}
