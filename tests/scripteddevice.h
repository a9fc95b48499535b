// Devices that a test controls byte by byte: input that arrives in pieces and
// may fail, output that fills up.
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cstring>

// Hands its data out at most pieceSize bytes per read; at the end it either
// ends or fails once, as a disk can fail halfway through a file, and then
// reports the end: an error that is not looked at when it happens is lost.
class ScriptedDevice : public QIODevice
{
public:
    ScriptedDevice(const QByteArray &data, qint64 pieceSize, bool failAtEnd)
        : m_data(data)
        , m_pieceSize(pieceSize)
        , m_failAtEnd(failAtEnd)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_at == m_data.size()) {
            if (!m_failAtEnd)
                return 0;
            m_failAtEnd = false;
            setErrorString(QStringLiteral("input/output error"));
            return -1;
        }
        const qint64 count = qMin(qMin(maxSize, m_pieceSize), qint64(m_data.size()) - m_at);
        std::memcpy(data, m_data.constData() + m_at, std::size_t(count));
        m_at += count;
        return count;
    }

    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_at = 0;
    qint64 m_pieceSize;
    bool m_failAtEnd;
};

// Takes capacity bytes, then fails every write, as a full disk does.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 capacity)
        : m_capacity(capacity)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    const QByteArray &written() const { return m_written; }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 count = qMin(size, m_capacity - qint64(m_written.size()));
        if (count <= 0) {
            setErrorString(QStringLiteral("no space left on device"));
            return -1;
        }
        m_written.append(data, int(count));
        return count;
    }

private:
    const qint64 m_capacity;
    QByteArray m_written;
};
