// The streaming library under the command-line tool, driven directly: what
// a process test cannot reach cheaply (a read error at a chosen place, the
// line length limit, input that arrives a byte at a time).
#include "filecipher.h"
#include "scripteddevice.h"
#include "homophonic.h"
#include "referencecipher.h"
#include "textencoding.h"

#include <QBuffer>
#include <QTextCodec>
#include <QTextStream>
#include <QtTest>

#include <cstring>

namespace {

struct Ciphered
{
    CipherOutcome outcome;
    QByteArray output;
};

Ciphered cipher(const QByteArray &input, const CipherJob &job, qint64 pieceSize = qint64(1) << 30, bool failAtEnd = false)
{
    ScriptedDevice in(input, pieceSize, failAtEnd);
    Ciphered result;
    QBuffer out(&result.output);
    out.open(QIODevice::WriteOnly);
    result.outcome = cipherLines(in, out, job);
    return result;
}

CipherJob job(CipherJob::Direction direction, int key, const TextEncoding *encoding)
{
    CipherJob job;
    job.direction = direction;
    job.alphabetCount = key;
    job.encoding = encoding;
    return job;
}

const CipherJob::Direction Encrypt = CipherJob::Direction::Encrypt;
const CipherJob::Direction Decrypt = CipherJob::Direction::Decrypt;

// Written out by hand: Qt 5's UTF-32 encoder writes stray bytes after a
// character beyond the basic plane.
QByteArray bytesOf(const char *encoding, const QString &text)
{
    const QByteArray name(encoding);
    if (name == "UTF-8")
        return text.toUtf8();
    const bool littleEndian = name.endsWith("LE");
    QByteArray bytes;
    const auto append = [&](quint32 value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (littleEndian ? i : size - 1 - i);
            bytes += char((value >> shift) & 0xFF);
        }
    };
    if (name.startsWith("UTF-32")) {
        for (const uint character : text.toUcs4())
            append(character, 4);
    } else {
        for (const QChar unit : text)
            append(unit.unicode(), 2);
    }
    return bytes;
}

QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

// Each line of text encrypted with a fresh table, as UTF-8, ends kept.
QByteArray encryptedLinesAsUtf8(const QString &text, int key)
{
    QByteArray output;
    for (const ReferenceLine &line : referenceLines(text, true, key))
        output += line.result.toUtf8() + line.ending;
    return output;
}

} // namespace

Q_DECLARE_METATYPE(CipherOutcome::Status)

class FileCipherTest : public QObject
{
    Q_OBJECT

private slots:
    void lineTooLongIsReportedWithItsNumber_data();
    void lineTooLongIsReportedWithItsNumber();
    void readErrorIsNotTakenForTheEnd_data();
    void readErrorIsNotTakenForTheEnd();
    void markedInputIsReadAsTheWindowReadsIt_data();
    void markedInputIsReadAsTheWindowReadsIt();
    void undecodableBytesAreCounted_data();
    void undecodableBytesAreCounted();
    void leadingZeroWidthNoBreakSpaceSurvives_data();
    void leadingZeroWidthNoBreakSpaceSurvives();
    void failureMidStreamStopsEveryWorker_data();
    void failureMidStreamStopsEveryWorker();
};

void FileCipherTest::lineTooLongIsReportedWithItsNumber_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qint64>("pieceSize");
    QTest::addColumn<CipherOutcome::Status>("status");
    QTest::addColumn<qint64>("lineNumber"); // the line too long, or the number of lines

    const qint64 whole = qint64(1) << 30;
    const auto done = CipherOutcome::Status::Done;
    const auto tooLong = CipherOutcome::Status::LineTooLong;
    // The limit is 8 bytes.
    QTest::newRow("every line within the limit") << QByteArray("12345678\nab\n") << whole << done << qint64(2);
    QTest::newRow("a line of the limit and its CRLF") << QByteArray("12345678\r\nx") << whole << done << qint64(2);
    QTest::newRow("the first line one byte over") << QByteArray("123456789\nab\n") << whole << tooLong << qint64(1);
    QTest::newRow("the third line one byte over") << QByteArray("a\nbb\n123456789\nc\n") << whole << tooLong << qint64(3);
    QTest::newRow("the last line, without its end, one byte over") << QByteArray("a\n123456789") << whole << tooLong << qint64(2);
    QTest::newRow("a carriage return without a line feed is part of the line") << QByteArray("a\n12345678\r") << whole << tooLong << qint64(2);
    QTest::newRow("a long line arriving a byte at a time") << QByteArray("a\nb\n1234567890123\nc\n") << qint64(1) << tooLong << qint64(3);
    QTest::newRow("a line of the limit arriving a byte at a time") << QByteArray("a\n12345678\r\nc") << qint64(1) << done << qint64(3);
    QTest::newRow("UTF-16 input counts the same lines")
        << hex("fffe") + bytesOf("UTF-16LE", QStringLiteral("a\nb\n123456789\n")) << whole << tooLong << qint64(3);
}

void FileCipherTest::lineTooLongIsReportedWithItsNumber()
{
    QFETCH(QByteArray, input);
    QFETCH(qint64, pieceSize);
    QFETCH(CipherOutcome::Status, status);
    QFETCH(qint64, lineNumber);

    CipherJob limited = job(Encrypt, 1, TextEncoding::utf8());
    limited.maxLineBytes = 8;
    const Ciphered result = cipher(input, limited, pieceSize);
    QCOMPARE(result.outcome.status, status);
    QCOMPARE(result.outcome.lineNumber, lineNumber);
}

void FileCipherTest::readErrorIsNotTakenForTheEnd_data()
{
    QTest::addColumn<QByteArray>("input"); // all that arrives before the error
    QTest::addColumn<qint64>("pieceSize");

    QTest::newRow("before the first byte") << QByteArray() << (qint64(1) << 20);
    QTest::newRow("while the byte-order mark is looked for") << hex("fffe") << qint64(1);
    QTest::newRow("in the middle of a line") << QByteArray("\xcf\xf0\xe8\r\n\xcc\xe8") << (qint64(1) << 20);
    QTest::newRow("after more than a write block of output") << QByteArray(3 << 20, 'a').replace(1000, 1, "\n") << (qint64(1) << 20);
    QTest::newRow("in the middle of UTF-16 input") << hex("fffe") + bytesOf("UTF-16LE", QStringLiteral("мир\nмир")) << qint64(3);
}

void FileCipherTest::readErrorIsNotTakenForTheEnd()
{
    QFETCH(QByteArray, input);
    QFETCH(qint64, pieceSize);

    const Ciphered result = cipher(input, job(Encrypt, 2, TextEncoding::windows1251()), pieceSize, true);
    QCOMPARE(result.outcome.status, CipherOutcome::Status::ReadFailed);
}

void FileCipherTest::markedInputIsReadAsTheWindowReadsIt_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("encodingName");

    const QString text = QStringLiteral("Привет, мир 😀\r\nвторая строка 𝄞\n\nпоследняя без конца");
    const struct
    {
        const char *mark;
        const char *codec;
        const char *name;
    } marks[] = {
        { "efbbbf", "UTF-8", "utf-8" },
        { "fffe", "UTF-16LE", "utf-16le" },
        { "feff", "UTF-16BE", "utf-16be" },
        { "fffe0000", "UTF-32LE", "utf-32le" },
        { "0000feff", "UTF-32BE", "utf-32be" },
    };
    for (const auto &mark : marks) {
        const QByteArray bytes = hex(mark.mark) + bytesOf(mark.codec, text);
        QTest::addRow("%s", mark.codec) << bytes << QString::fromLatin1(mark.name);
        QTest::addRow("%s with a final line end", mark.codec) << bytes + bytesOf(mark.codec, QStringLiteral("\n"))
                                                             << QString::fromLatin1(mark.name);
    }
    QTest::newRow("a UTF-16 mark and the character U+0000 read as UTF-32")
        << hex("fffe0000") + bytesOf("UTF-32LE", QStringLiteral("ЯЯ\r\n")) << QStringLiteral("utf-32le");
}

// The window reads a file through QTextStream with Unicode detection on top
// of Windows-1251; the tool must see the same text, whole or a byte at a time.
void FileCipherTest::markedInputIsReadAsTheWindowReadsIt()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, encodingName);

    QTextStream stream(input);
    stream.setCodec("Windows-1251");
    stream.setAutoDetectUnicode(true);
    const QByteArray expected = encryptedLinesAsUtf8(stream.readAll(), 3);

    for (const qint64 pieceSize : { qint64(1) << 30, qint64(1), qint64(3) }) {
        const Ciphered result = cipher(input, job(Encrypt, 3, TextEncoding::utf8()), pieceSize);
        QCOMPARE(result.outcome.status, CipherOutcome::Status::Done);
        QCOMPARE(result.outcome.inputEncoding, encodingName);
        QCOMPARE(result.outcome.undecodable, qint64(0));
        QCOMPARE(result.output, expected);
    }
}

void FileCipherTest::undecodableBytesAreCounted_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("encoding"); // of the job
    QTest::addColumn<QString>("text");     // as it must be read
    QTest::addColumn<qint64>("count");

    const QString utf8 = QStringLiteral("utf-8");
    const QString cp1251 = QStringLiteral("windows-1251");
    const QString replacement(QChar::ReplacementCharacter);
    QTest::newRow("UTF-8: a byte that never starts a character") << QByteArray("a\xff" "b\n") << utf8 << QStringLiteral("a\uFFFDb\n") << qint64(1);
    QTest::newRow("UTF-8: a sequence cut off by the line end") << QByteArray("a\xe2\x82\nb") << utf8 << QStringLiteral("a\uFFFD\uFFFD\nb") << qint64(2);
    QTest::newRow("UTF-8: a sequence cut off by the end of the input") << QByteArray("ab\xf0\x9f\x98") << utf8 << QStringLiteral("ab\uFFFD\uFFFD\uFFFD") << qint64(3);
    QTest::newRow("UTF-8: an overlong form") << QByteArray("\xc0\x80 \n") << utf8 << QStringLiteral("\uFFFD\uFFFD \n") << qint64(2);
    QTest::newRow("UTF-8: an encoded surrogate") << QByteArray("\xed\xa0\x80") << utf8 << replacement.repeated(3) << qint64(3);
    QTest::newRow("UTF-8: bad bytes on two lines add up") << QByteArray("\xff\n\xfe\xfe\n") << utf8 << QStringLiteral("\uFFFD\n\uFFFD\uFFFD\n") << qint64(3);
    QTest::newRow("UTF-8: a U+FFFD in the input is not counted") << QByteArray("\xef\xbf\xbd") << utf8 << replacement << qint64(0);
    QTest::newRow("UTF-8: a byte-order mark inside a line is a character") << QByteArray("a\xef\xbb\xbf") << utf8 << QStringLiteral("a\uFEFF") << qint64(0);
    QTest::newRow("UTF-8 after a mark, job in Windows-1251") << QByteArray("\xef\xbb\xbf\xd0\xff") << cp1251 << QStringLiteral("\uFFFD\uFFFD") << qint64(2);
    QTest::newRow("Windows-1251 has no bad bytes") << QByteArray("\x98\xff\x80") << cp1251 << QStringLiteral("\u0098яЂ") << qint64(0);
    QTest::newRow("UTF-16: a lone low surrogate") << hex("fffe00dc4100") << utf8 << QStringLiteral("\uFFFDA") << qint64(2);
    QTest::newRow("UTF-16: a high surrogate before a letter") << hex("feffd8000041") << utf8 << QStringLiteral("\uFFFDA") << qint64(2);
    QTest::newRow("UTF-16: a high surrogate at the end") << hex("fffe410000d8") << utf8 << QStringLiteral("A\uFFFD") << qint64(2);
    QTest::newRow("UTF-16: an odd byte at the end") << hex("fffe410042") << utf8 << QStringLiteral("A\uFFFD") << qint64(1);
    QTest::newRow("UTF-16: a surrogate pair is one character") << hex("feffd83dde00") << utf8 << QStringLiteral("😀") << qint64(0);
    QTest::newRow("UTF-32: a value beyond U+10FFFF") << hex("fffe00000000110041000000") << utf8 << QStringLiteral("\uFFFDA") << qint64(4);
    QTest::newRow("UTF-32: U+10FFFF itself") << hex("0000feff0010ffff") << utf8 << QString::fromUcs4(U"\U0010FFFF") << qint64(0);
    QTest::newRow("UTF-32: a surrogate value") << hex("0000feff0000d800") << utf8 << replacement << qint64(4);
    QTest::newRow("UTF-32: three bytes at the end") << hex("0000feff00000041000000") << utf8 << QStringLiteral("A\uFFFD") << qint64(3);
}

void FileCipherTest::undecodableBytesAreCounted()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, encoding);
    QFETCH(QString, text);
    QFETCH(qint64, count);

    const TextEncoding *jobEncoding = encoding == QLatin1String("utf-8") ? TextEncoding::utf8() : TextEncoding::windows1251();
    for (const qint64 pieceSize : { qint64(1) << 30, qint64(1) }) {
        const Ciphered result = cipher(input, job(Encrypt, 1, jobEncoding), pieceSize);
        QCOMPARE(result.outcome.status, CipherOutcome::Status::Done);
        QCOMPARE(result.outcome.undecodable, count);
        if (jobEncoding == TextEncoding::utf8())
            QCOMPARE(QString::fromUtf8(result.output), QString::fromUtf8(encryptedLinesAsUtf8(text, 1)));
    }
}

void FileCipherTest::leadingZeroWidthNoBreakSpaceSurvives_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("marked"); // whether the output must start with a mark

    const QByteArray mark = hex("efbbbf");
    const QString privet = QStringLiteral("\uFEFFПРИВЕТ\r\nМИР\n");
    QTest::newRow("U+FEFF after a UTF-8 mark") << mark + privet.toUtf8() << 2 << true;
    QTest::newRow("U+FEFF after a UTF-16 mark") << hex("feff") + bytesOf("UTF-16BE", privet) << 1 << true;
    QTest::newRow("two U+FEFF after a UTF-8 mark") << mark + QStringLiteral("\uFEFF\uFEFFАБВ").toUtf8() << 3 << true;
    QTest::newRow("a mark alone before the text") << mark + QStringLiteral("ПРИВЕТ\n").toUtf8() << 2 << false;
    QTest::newRow("U+FEFF on the second line") << mark + QStringLiteral("А\n\uFEFFБ\n").toUtf8() << 2 << false;
    QTest::newRow("U+FEFF after an empty first line") << mark + QStringLiteral("\n\uFEFFБ\n").toUtf8() << 2 << false;
}

void FileCipherTest::leadingZeroWidthNoBreakSpaceSurvives()
{
    QFETCH(QByteArray, input);
    QFETCH(int, key);
    QFETCH(bool, marked);

    const Ciphered encrypted = cipher(input, job(Encrypt, key, TextEncoding::utf8()));
    QCOMPARE(encrypted.outcome.status, CipherOutcome::Status::Done);
    QCOMPARE(encrypted.output.startsWith(hex("efbbbf")), marked);

    // Decryption reads the mark off again and hands back the text, which
    // is in capitals already, with the U+FEFF where it was.
    QTextStream stream(input);
    stream.setAutoDetectUnicode(true);
    const QString text = stream.readAll();
    const Ciphered decrypted = cipher(encrypted.output, job(Decrypt, key, TextEncoding::utf8()));
    QCOMPARE(decrypted.outcome.status, CipherOutcome::Status::Done);
    const QByteArray expected = (marked ? hex("efbbbf") : QByteArray()) + text.toUtf8();
    QCOMPARE(decrypted.output.toHex(' '), expected.toHex(' '));

    // Windows-1251 has no U+FEFF: it is written as '?' and there is no mark.
    const Ciphered narrow = cipher(input, job(Encrypt, key, TextEncoding::windows1251()));
    QVERIFY(!narrow.output.startsWith(hex("efbbbf")));
    QCOMPARE(narrow.outcome.unencodable, qint64(text.count(QChar(QChar::ByteOrderMark))));
}

void FileCipherTest::failureMidStreamStopsEveryWorker_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<qint64>("capacity"); // of the output; -1 for no limit
    QTest::addColumn<int>("tooLongLine"); // counted from 1; 0 for none
    QTest::addColumn<bool>("throughUtf16");

    QTest::newRow("the first write fails") << 4 << qint64(0) << 0 << false;
    QTest::newRow("a write fails mid-stream") << 4 << qint64(4000) << 0 << false;
    QTest::newRow("a write fails mid-stream, text route") << 3 << qint64(4000) << 0 << true;
    QTest::newRow("the last byte does not fit") << 4 << qint64(-2) << 0 << false;
    QTest::newRow("a line too long mid-stream") << 4 << qint64(-1) << 150 << false;
    QTest::newRow("a line too long mid-stream, text route") << 3 << qint64(-1) << 150 << true;
    QTest::newRow("a write fails mid-stream, one job") << 1 << qint64(4000) << 0 << false;
}

// Many tiny blocks are queued or being ciphered when the loop gives up: the
// pipeline must stop them before its blocks go (the sanitizers see it when
// it does not), write nothing after the failure and keep what it wrote whole.
void FileCipherTest::failureMidStreamStopsEveryWorker()
{
    QFETCH(int, jobs);
    QFETCH(qint64, capacity);
    QFETCH(int, tooLongLine);
    QFETCH(bool, throughUtf16);

    QString text;
    for (int line = 1; line <= 400; ++line) {
        text += line == tooLongLine ? QString(50, QChar(u'Ж'))
                                    : QStringLiteral("Строка %1 из четырехсот").arg(line);
        text += line % 3 ? QStringLiteral("\n") : QStringLiteral("\r\n");
    }
    const QByteArray input = QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
    QByteArray expected;
    int beforeTooLong = 0; // the output's bytes before the line too long
    int lineNumber = 0;
    for (const ReferenceLine &line : referenceLines(text, true, 3)) {
        expected += line.result.toLatin1() + line.ending;
        if (++lineNumber < tooLongLine)
            beforeTooLong = expected.size();
    }
    const QByteArray expectedBefore = expected.left(beforeTooLong);
    if (capacity == -2)
        capacity = expected.size() - 1;

    CipherJob pipeline = job(Encrypt, 3, TextEncoding::windows1251());
    pipeline.jobs = jobs;
    pipeline.blockBytes = 64;
    pipeline.throughUtf16 = throughUtf16;
    pipeline.maxLineBytes = 40;
    for (int round = 0; round < 10; ++round) {
        ScriptedDevice in(input, qint64(1) << 20, false);
        FullDevice out(capacity < 0 ? qint64(1) << 30 : capacity);
        const CipherOutcome outcome = cipherLines(in, out, pipeline);
        if (tooLongLine > 0) {
            QCOMPARE(outcome.status, CipherOutcome::Status::LineTooLong);
            QCOMPARE(outcome.lineNumber, qint64(tooLongLine));
            // Whole lines from before the long one: its block is not written.
            QVERIFY(expectedBefore.startsWith(out.written()));
            QVERIFY(out.written().isEmpty() || out.written().endsWith('\n'));
        } else {
            QCOMPARE(outcome.status, CipherOutcome::Status::WriteFailed);
            QCOMPARE(out.written().size(), int(capacity));
            QVERIFY(expected.startsWith(out.written()));
        }
    }
}

QTEST_GUILESS_MAIN(FileCipherTest)
#include "tst_filecipher.moc"
