// The two encodings that the command-line tool reads and writes, one line at
// a time. Windows-1251 goes through lookup tables built from Qt's own codec,
// so the bytes are those that the window writes, at a fraction of the cost of
// a codec call per line.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>

class QTextCodec;

// The UTF-16 unit that each byte of a single-byte encoding decodes to.
using ByteDecoding = std::array<char16_t, 256>;

class TextEncoding
{
public:
    enum class Kind { Windows1251, Utf8 };

    // Null when this Qt build has no Windows-1251 codec.
    static const TextEncoding *windows1251();
    static const TextEncoding *utf8();

    Kind kind() const { return m_kind; }
    QString name() const;

    // What each byte decodes to (U+FFFD for a byte that is no character), for
    // readers that walk the bytes themselves; null for UTF-8.
    const ByteDecoding *byteDecoding() const { return m_kind == Kind::Utf8 ? nullptr : &m_fromByte; }

    // Replaces text with the decoded bytes. Bytes that are not a character
    // in the encoding become U+FFFD; returns how many there were.
    int decode(const char *data, int size, QString &text) const;

    // Appends text to out. Characters that the encoding cannot hold are
    // written as '?'; returns how many there were (a surrogate pair counts
    // as one character).
    int encode(const QString &text, QByteArray &out) const;

private:
    explicit TextEncoding(Kind kind, QTextCodec *codec);

    int encodeCharacterByCharacter(const QString &text, QByteArray &out) const;

    // Marks a UTF-16 unit without a single-byte form in m_toByte.
    static constexpr quint16 NoByte = 0x100;

    Kind m_kind;
    QTextCodec *m_codec;
    ByteDecoding m_fromByte {};
    std::array<quint16, 0x10000> m_toByte {};
};
