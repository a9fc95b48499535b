#include "textencoding.h"

#include <QTextCodec>

TextEncoding::TextEncoding(Kind kind, QTextCodec *codec)
    : m_kind(kind)
    , m_codec(codec)
{
    m_toByte.fill(NoByte);
    if (m_kind != Kind::Windows1251)
        return;
    // A single-byte codec decodes each byte on its own; the reverse table
    // keeps only what the codec itself encodes back to that byte, and leaves
    // everything else to the codec.
    for (int byte = 0; byte < 256; ++byte) {
        const char in = char(byte);
        const QString unit = m_codec->toUnicode(&in, 1);
        m_fromByte[byte] = unit.size() == 1 ? unit.at(0).unicode() : char16_t(QChar::ReplacementCharacter);
    }
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t unit = m_fromByte[byte];
        if (QChar::isSurrogate(unit))
            continue;
        QTextCodec::ConverterState state;
        const QChar in(unit);
        const QByteArray back = m_codec->fromUnicode(&in, 1, &state);
        if (state.invalidChars == 0 && back.size() == 1)
            m_toByte[unit] = quint8(back.at(0));
    }
}

const TextEncoding *TextEncoding::windows1251()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
    if (!codec)
        return nullptr;
    static const TextEncoding encoding(Kind::Windows1251, codec);
    return &encoding;
}

const TextEncoding *TextEncoding::utf8()
{
    static const TextEncoding encoding(Kind::Utf8, QTextCodec::codecForName("UTF-8"));
    return &encoding;
}

QString TextEncoding::name() const
{
    return m_kind == Kind::Utf8 ? QStringLiteral("utf-8") : QStringLiteral("windows-1251");
}

int TextEncoding::decode(const char *data, int size, QString &text) const
{
    if (m_kind == Kind::Utf8) {
        // Without IgnoreHeader the codec would drop a byte-order mark at the
        // start of every line; inside a file it is a character (zero-width
        // no-break space) and is kept. A sequence cut off by the line end is
        // left in the state: like any other malformed byte, each of its bytes
        // becomes one U+FFFD.
        QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
        text = m_codec->toUnicode(data, size, &state);
        if (state.remainingChars > 0)
            text.append(QString(state.remainingChars, QChar(QChar::ReplacementCharacter)));
        return state.invalidChars + state.remainingChars;
    }
    text.resize(size);
    QChar *out = text.data();
    for (int i = 0; i < size; ++i)
        out[i] = QChar(m_fromByte[quint8(data[i])]);
    return 0;
}

int TextEncoding::encode(const QString &text, QByteArray &out) const
{
    const QChar *in = text.constData();
    const int size = text.size();
    if (m_kind == Kind::Utf8) {
        int loneSurrogates = 0;
        for (int i = 0; i < size; ++i) {
            if (in[i].isHighSurrogate() && i + 1 < size && in[i + 1].isLowSurrogate())
                ++i;
            else if (in[i].isSurrogate())
                ++loneSurrogates; // toUtf8 writes '?' for it
        }
        out.append(text.toUtf8());
        return loneSurrogates;
    }

    const int start = out.size();
    out.resize(start + size);
    char *bytes = out.data() + start;
    for (int i = 0; i < size; ++i) {
        const quint16 byte = m_toByte[in[i].unicode()];
        if (byte == NoByte) {
            out.resize(start);
            return encodeCharacterByCharacter(text, out);
        }
        bytes[i] = char(byte);
    }
    return 0;
}

// The rare line with characters outside the table: each one is handed to the
// codec, a surrogate pair as one character.
int TextEncoding::encodeCharacterByCharacter(const QString &text, QByteArray &out) const
{
    const QChar *in = text.constData();
    const int size = text.size();
    int unencodable = 0;
    for (int i = 0; i < size; ++i) {
        const quint16 byte = m_toByte[in[i].unicode()];
        if (byte != NoByte) {
            out.append(char(byte));
            continue;
        }
        int length = 1;
        if (in[i].isHighSurrogate() && i + 1 < size && in[i + 1].isLowSurrogate())
            length = 2;
        QByteArray bytes;
        if (!in[i].isSurrogate() || length == 2) {
            QTextCodec::ConverterState state;
            bytes = m_codec->fromUnicode(in + i, length, &state);
            if (state.invalidChars != 0)
                bytes.clear();
        }
        if (bytes.isEmpty()) {
            bytes = QByteArrayLiteral("?");
            ++unencodable;
        }
        out.append(bytes);
        i += length - 1;
    }
    return unencodable;
}
