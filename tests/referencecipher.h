// What the cipher and the command-line tool must give, worked out the slow and
// obvious way from the rules themselves, without a call into the code under
// test: plain loops over the fixed table, Qt's own codecs, each line ciphered
// on its own with its counters starting afresh. The tests, the corpus replay
// and the fuzz targets all compare against this one reference.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTextCodec>
#include <QVector>

#include <algorithm>
#include <array>

struct ReferenceRow
{
    QChar symbol;
    std::array<QString, 3> codes;
};

// Space and the capitals А to Я without Й; row i has the codes i, i + 32 and
// i + 64, two digits each.
inline const std::array<ReferenceRow, 32> &referenceTable()
{
    static const std::array<ReferenceRow, 32> table = [] {
        std::array<ReferenceRow, 32> rows;
        QString symbols = QStringLiteral(" ");
        for (char16_t letter = u'А'; letter <= u'Я'; ++letter) {
            if (letter != u'Й')
                symbols += QChar(letter);
        }
        for (int row = 0; row < 32; ++row) {
            rows[row].symbol = symbols.at(row);
            for (int column = 0; column < 3; ++column)
                rows[row].codes[column] = QStringLiteral("%1").arg(row + 32 * column, 2, 10, QLatin1Char('0'));
        }
        return rows;
    }();
    return table;
}

// The row whose symbol is c, or -1.
inline int referenceRowOf(QChar c)
{
    const std::array<ReferenceRow, 32> &table = referenceTable();
    for (int row = 0; row < 32; ++row) {
        if (table[row].symbol == c)
            return row;
    }
    return -1;
}

// Each character is replaced by a code of the row of its upper-case form,
// the m-th occurrence of a symbol taking code ((m - 1) mod key) + 1, or else
// copied (two decimal digits in a row, or a surrogate pair, as one token);
// every token is followed by a space. A key outside 1 to 3 gives nothing.
inline QString referenceEncrypt(const QString &line, int key)
{
    QString result;
    if (key < 1 || key > 3)
        return result;
    std::array<int, 32> occurrences {};
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        const int row = referenceRowOf(c.toUpper());
        if (row >= 0) {
            result += referenceTable()[row].codes[occurrences[row]++ % key];
        } else if (i + 1 < line.size()
                   && ((c.isDigit() && line.at(i + 1).isDigit())
                       || (c.isHighSurrogate() && line.at(i + 1).isLowSurrogate()))) {
            result += c;
            result += line.at(++i);
        } else {
            result += c;
        }
        result += QLatin1Char(' ');
    }
    return result;
}

// The line is read two characters at a time. Two ASCII digits are a code:
// the symbol of the first row that has it among its first key codes, or the
// digits themselves; a space follows them. A character followed by a space
// is copied. Anything else is copied without spaces at either end, and is
// followed by a space unless it holds a letter (A-Z, a-z, А-я).
inline QString referenceDecrypt(const QString &line, int key)
{
    QString result;
    if (key < 1 || key > 3)
        return result;
    const auto isAsciiDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    const auto isLetter = [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c.unicode() >= u'А' && c.unicode() <= u'я');
    };
    int pos = 0;
    while (pos < line.size()) {
        const QStringView piece = QStringView(line).mid(pos, 2);
        if (piece.size() == 2 && isAsciiDigit(piece.at(0)) && isAsciiDigit(piece.at(1))) {
            QStringView symbol = piece;
            for (const ReferenceRow &row : referenceTable()) {
                if (std::find(row.codes.cbegin(), row.codes.cbegin() + key, piece) != row.codes.cbegin() + key) {
                    symbol = QStringView(&row.symbol, 1);
                    break;
                }
            }
            result += symbol;
            pos += 3;
        } else if (piece.size() == 2 && piece.at(0) != QLatin1Char(' ') && piece.at(1) == QLatin1Char(' ')) {
            result += piece.at(0);
            pos += 2;
        } else {
            result += piece.trimmed();
            pos += std::any_of(piece.cbegin(), piece.cend(), isLetter) ? 2 : 3;
        }
    }
    return result;
}

// What decryption gives back for an encrypted line without digits: the
// letters of the table in upper case, everything else as it was.
inline QString referenceRoundTrip(const QString &digitFree)
{
    QString result = digitFree;
    for (QChar &c : result) {
        if (referenceRowOf(c.toUpper()) >= 0)
            c = c.toUpper();
    }
    return result;
}

struct ReferenceLine
{
    QString text;      // as read, without its end
    QString result;    // ciphered
    QByteArray ending; // "\n", "\r\n", or empty for a last line without one
};

inline bool referenceIs(char c, char16_t unit)
{
    return c == unit;
}

inline bool referenceIs(QChar c, char16_t unit)
{
    return c.unicode() == unit;
}

// A line ends at LF, CR LF being one end; a lone CR stays in its line, and an
// empty text after the last line end is no line.
template <typename Text>
QVector<Text> referenceSplit(const Text &text, QVector<QByteArray> &endings)
{
    QVector<Text> lines;
    int start = 0;
    while (start < text.size()) {
        int lineFeed = start;
        while (lineFeed < text.size() && !referenceIs(text.at(lineFeed), u'\n'))
            ++lineFeed;
        const bool ended = lineFeed < text.size();
        int end = lineFeed;
        QByteArray ending = ended ? QByteArrayLiteral("\n") : QByteArray();
        if (ended && end > start && referenceIs(text.at(end - 1), u'\r')) {
            --end;
            ending = QByteArrayLiteral("\r\n");
        }
        lines.append(text.mid(start, end - start));
        endings.append(ending);
        start = lineFeed + 1;
    }
    return lines;
}

inline QVector<ReferenceLine> referenceLines(const QString &text, bool encrypt, int key)
{
    QVector<ReferenceLine> result;
    QVector<QByteArray> endings;
    const QVector<QString> lines = referenceSplit(text, endings);
    for (int i = 0; i < lines.size(); ++i)
        result.append({ lines.at(i), encrypt ? referenceEncrypt(lines.at(i), key) : referenceDecrypt(lines.at(i), key),
                        endings.at(i) });
    return result;
}

inline QTextCodec *referenceWindows1251()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
    return codec;
}

// The tool's two encodings, by Qt's own codecs: "utf-8" or "windows-1251".
inline QString referenceDecode(const QByteArray &bytes, const QString &encoding)
{
    if (encoding == QLatin1String("windows-1251")) {
        // Each byte is a character on its own; a codec call per line would
        // cost a converter each.
        static const std::array<QChar, 256> characters = [] {
            std::array<QChar, 256> decoded;
            for (int byte = 0; byte < 256; ++byte) {
                const char in = char(byte);
                const QString character = referenceWindows1251()->toUnicode(&in, 1);
                decoded[byte] = character.size() == 1 ? character.at(0) : QChar(QChar::ReplacementCharacter);
            }
            return decoded;
        }();
        QString text(bytes.size(), Qt::Uninitialized);
        for (int i = 0; i < bytes.size(); ++i)
            text[i] = characters[uchar(bytes.at(i))];
        return text;
    }
    // fromUtf8 drops a byte-order mark at the start, where a line keeps it as
    // a character; one ASCII byte in front changes nothing else. Given a
    // QByteArray, fromUtf8 would stop at the first zero byte.
    const QByteArray prefixed = QByteArray(1, ' ') + bytes;
    return QString::fromUtf8(prefixed.constData(), prefixed.size()).mid(1);
}

// A character in Windows-1251 as Qt's codec writes it when given the
// character alone, or empty where it reports the character invalid or drops
// it, as it drops U+FEFF.
inline QByteArray referenceWindows1251Bytes(const QChar *character, int length)
{
    QTextCodec::ConverterState state;
    const QByteArray bytes = referenceWindows1251()->fromUnicode(character, length, &state);
    return state.invalidChars != 0 ? QByteArray() : bytes;
}

// Characters the encoding cannot hold become '?', counted in unencodable: in
// UTF-8 a lone surrogate, in Windows-1251 a character (a surrogate pair is
// one) for which referenceWindows1251Bytes has nothing.
inline QByteArray referenceEncode(const QString &text, const QString &encoding, int *unencodable = nullptr)
{
    int count = 0;
    QByteArray bytes;
    if (encoding == QLatin1String("windows-1251")) {
        // Asked once for each unit: a codec call costs a converter.
        static constexpr qint16 NotAsked = -2;
        static constexpr qint16 NoByte = -1;
        static std::array<qint16, 0x10000> known = [] {
            std::array<qint16, 0x10000> none;
            none.fill(NotAsked);
            return none;
        }();
        bytes.reserve(text.size());
        for (int i = 0; i < text.size(); ++i) {
            QByteArray character;
            const char16_t unit = text.at(i).unicode();
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                character = referenceWindows1251Bytes(text.constData() + i, 2);
                ++i;
            } else if (known[unit] == NotAsked) {
                character = referenceWindows1251Bytes(text.constData() + i, 1);
                if (character.size() <= 1)
                    known[unit] = character.isEmpty() ? NoByte : qint16(uchar(character.at(0)));
            } else if (known[unit] != NoByte) {
                bytes += char(known[unit]);
                continue;
            }
            if (character.isEmpty()) {
                bytes += '?';
                ++count;
            } else {
                bytes += character;
            }
        }
    } else {
        bytes = text.toUtf8();
        for (int i = 0; i < text.size(); ++i) {
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            else if (text.at(i).isSurrogate())
                ++count;
        }
    }
    if (unencodable)
        *unencodable = count;
    return bytes;
}

// UTF-16 or UTF-32 after its mark, read unit by unit: a lone surrogate, in
// UTF-32 a surrogate or a value beyond U+10FFFF, and an incomplete last unit
// each become one U+FFFD; undecodable counts their bytes.
inline QString referenceReadUnits(const QByteArray &bytes, int unitSize, bool littleEndian, int &undecodable)
{
    QVector<quint32> units;
    const int whole = bytes.size() - bytes.size() % unitSize;
    for (int at = 0; at < whole; at += unitSize) {
        quint32 value = 0;
        for (int i = 0; i < unitSize; ++i)
            value = value << 8 | uchar(bytes.at(littleEndian ? at + unitSize - 1 - i : at + i));
        units.append(value);
    }
    const QChar replacement(QChar::ReplacementCharacter);
    QString text;
    for (int i = 0; i < units.size(); ++i) {
        const quint32 value = units.at(i);
        if (unitSize == 4 && (value > 0x10FFFF || QChar::isSurrogate(value))) {
            text += replacement;
            undecodable += 4;
        } else if (unitSize == 4 && QChar::requiresSurrogates(value)) {
            text += QChar(QChar::highSurrogate(value));
            text += QChar(QChar::lowSurrogate(value));
        } else if (QChar::isHighSurrogate(value) && i + 1 < units.size() && QChar::isLowSurrogate(units.at(i + 1))) {
            text += QChar(char16_t(value));
            text += QChar(char16_t(units.at(++i)));
        } else if (QChar::isSurrogate(value)) {
            text += replacement;
            undecodable += 2;
        } else {
            text += QChar(char16_t(value));
        }
    }
    if (whole < bytes.size()) {
        text += replacement;
        undecodable += bytes.size() - whole;
    }
    return text;
}

// The plaintext as a block cipher's deciphering gives it back: every line
// on its own, its letters in capitals; with splitsDoubles (Playfair) a
// filler right after the first of two equal symbols that would make a pair
// (secondFiller when they are fillers themselves); and right after the
// line's last symbol, fillers until its blocks are whole.
inline QString referenceWithFillers(const QString &text, int blockSize, QChar filler, QChar secondFiller,
                                    bool splitsDoubles)
{
    const auto isSymbol = [](QChar c) {
        return std::any_of(referenceTable().begin(), referenceTable().end(),
                           [c](const ReferenceRow &row) { return row.symbol == c; });
    };
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        QString out;
        int filled = 0;
        QChar first;
        int afterLast = 0;
        for (const QChar c : qAsConst(line)) {
            const QChar upper = c.toUpper();
            if (!isSymbol(upper)) {
                out += c;
                continue;
            }
            if (splitsDoubles && filled == 1 && upper == first) {
                out.insert(afterLast, upper == filler ? secondFiller : filler);
                filled = 0;
            }
            out += upper;
            afterLast = int(out.size());
            if (filled == 0)
                first = upper;
            filled = (filled + 1) % blockSize;
        }
        if (filled > 0) {
            const QChar pad = splitsDoubles && first == filler ? secondFiller : filler;
            out.insert(afterLast, QString(blockSize - filled, pad));
        }
        line = out;
    }
    return lines.join(QLatin1Char('\n'));
}

struct ReferenceOutputLine
{
    int inputBytes = 0; // as the line reader sees them, UTF-8 for marked input
    QString text;
    QString result;
    QByteArray output; // with its line end
    int unencodable = 0;
};

struct ReferenceOutput
{
    QByteArray bytes; // everything the tool writes
    QVector<ReferenceOutputLine> lines;
    QString inputEncoding; // as the tool names it
    int undecodable = 0;   // input bytes read as U+FFFD
    int unencodable = 0;
};

// What `homophonic encrypt|decrypt --key key --encoding encoding` writes for
// input. Input with a byte-order mark is read in the mark's encoding, whose
// text goes on as UTF-8; UTF-8 output that would begin with U+FEFF gets a
// mark in front, or a reader would drop that character.
inline ReferenceOutput referenceOutput(QByteArray input, bool encrypt, int key, const QString &encoding)
{
    struct Mark
    {
        QByteArray bytes;
        const char *name;
        int unitSize;
        bool littleEndian;
    };
    // Longest first: FF FE 00 00 is a UTF-32 mark.
    static const Mark marks[] = {
        { QByteArray::fromHex("0000feff"), "utf-32be", 4, false }, { QByteArray::fromHex("fffe0000"), "utf-32le", 4, true },
        { QByteArray::fromHex("feff"), "utf-16be", 2, false },     { QByteArray::fromHex("fffe"), "utf-16le", 2, true },
        { QByteArray::fromHex("efbbbf"), "utf-8", 1, false },
    };
    ReferenceOutput output;
    output.inputEncoding = encoding;
    QString inputEncoding = encoding;
    for (const Mark &mark : marks) {
        if (!input.startsWith(mark.bytes))
            continue;
        input.remove(0, mark.bytes.size());
        output.inputEncoding = QLatin1String(mark.name);
        inputEncoding = QStringLiteral("utf-8");
        if (mark.unitSize > 1)
            input = referenceReadUnits(input, mark.unitSize, mark.littleEndian, output.undecodable).toUtf8();
        break;
    }

    QVector<QByteArray> endings;
    const QVector<QByteArray> lines = referenceSplit(input, endings);
    for (int i = 0; i < lines.size(); ++i) {
        ReferenceOutputLine line;
        line.inputBytes = lines.at(i).size();
        line.text = referenceDecode(lines.at(i), inputEncoding);
        if (inputEncoding == QLatin1String("utf-8"))
            output.undecodable += line.text.count(QChar(QChar::ReplacementCharacter)) - lines.at(i).count("\xEF\xBF\xBD");
        line.result = encrypt ? referenceEncrypt(line.text, key) : referenceDecrypt(line.text, key);
        const QByteArray bytes = referenceEncode(line.result, encoding, &line.unencodable);
        output.unencodable += line.unencodable;
        if (i == 0 && encoding == QLatin1String("utf-8") && line.result.startsWith(QChar(QChar::ByteOrderMark)))
            line.output = "\xEF\xBB\xBF";
        line.output += bytes + endings.at(i);
        output.bytes += line.output;
        output.lines.append(line);
    }
    return output;
}
