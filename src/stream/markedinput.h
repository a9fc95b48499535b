// The input as the window's Open reads it: a byte-order mark at the start
// decides the encoding. Text marked as UTF-16 or UTF-32 is handed on as
// UTF-8, a chunk at a time, so that the line splitting stays byte-wise.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

class MarkedInput : public QIODevice
{
public:
    // The marks that QTextStream's Unicode detection knows.
    enum class Mark { None, Utf8, Utf16LittleEndian, Utf16BigEndian, Utf32LittleEndian, Utf32BigEndian };

    // Reads the first bytes of source to find the mark; the device reads
    // source from after the mark. A read error is reported by the first read.
    explicit MarkedInput(QIODevice &source);

    Mark mark() const { return m_mark; }
    // The encoding that the mark names, as the tool spells encodings.
    QString markedEncodingName() const;

    // Bytes of UTF-16 or UTF-32 input read so far that are not a character
    // (a lone surrogate, a value beyond U+10FFFF, a cut-off unit); each is
    // handed on as U+FFFD.
    qint64 undecodableBytes() const { return m_undecodable; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    int unitSize() const;
    bool transcodeMore(qint64 wanted);
    void transcode(const char *data, qint64 size);
    void finishTranscoding();

    QIODevice &m_source;
    Mark m_mark = Mark::None;
    bool m_headFailed = false;
    QByteArray m_head;      // bytes read after the mark while looking for it
    QByteArray m_raw;       // UTF-16/32 bytes not yet transcoded
    QByteArray m_converted; // UTF-8 not yet handed on
    qint64 m_convertedBegin = 0;
    char16_t m_highSurrogate = 0; // waiting for its low half
    bool m_sourceAtEnd = false;
    qint64 m_undecodable = 0;
};
