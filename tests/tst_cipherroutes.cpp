// The fast routes of the streaming library against its reference: Windows-1251
// ciphered byte by byte against the same text through UTF-16, and blocks of
// lines on several threads against one block on one thread. Random inputs from
// fixed seeds; every route must write the same bytes and report the same.
#include "filecipher.h"
#include "keytable.h"
#include "scripteddevice.h"
#include "textencoding.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

#include <limits>
#include <optional>

namespace {

struct Route
{
    const char *name;
    bool throughUtf16;
    int jobs;
    qint64 blockBytes;
};

const Route reference { "UTF-16, one thread, one block", true, 1, qint64(1) << 20 };

const Route routes[] = {
    { "bytes, one thread, one block", false, 1, qint64(1) << 20 },
    { "bytes, one thread, blocks of 64 bytes", false, 1, 64 },
    { "bytes, four threads, blocks of 7 bytes", false, 4, 7 },
    { "bytes, four threads, blocks of 1 byte", false, 4, 1 },
    { "UTF-16, four threads, blocks of 13 bytes", true, 4, 13 },
};

struct Ciphered
{
    CipherOutcome outcome;
    QByteArray output;
};

struct Reading
{
    qint64 pieceSize = qint64(1) << 30;
    bool failAtEnd = false;
    qint64 outputCapacity = std::numeric_limits<qint64>::max();
};

Ciphered cipher(const QByteArray &input, CipherJob job, const Route &route, std::optional<quint64> seed,
                const Reading &reading = Reading())
{
    job.throughUtf16 = route.throughUtf16;
    job.jobs = route.jobs;
    job.blockBytes = route.blockBytes;
    QRandomGenerator source = seededGenerator(seed.value_or(0));
    RandomCodeChoice choice(source);
    if (seed)
        job.randomChoice = &choice;
    ScriptedDevice in(input, reading.pieceSize, reading.failAtEnd);
    FullDevice out(reading.outputCapacity);
    Ciphered result;
    result.outcome = cipherLines(in, out, job);
    result.output = out.written();
    return result;
}

QByteArray randomText(QRandomGenerator &random, int size)
{
    // Every byte value once, then pieces that make the cases: line ends of
    // each kind, empty lines, digit pairs, Cyrillic letters, codes.
    QByteArray text;
    for (int byte = 0; byte < 256; ++byte)
        text += char(byte);
    const QByteArray pieces[] = { "\n", "\r\n", "\r", "\n\n", " ", "12", "7", "01 32 ", "99",
                                  "\xe0", "\xc0", "\xff", "\xa8", "\xb8", "\x98", "\xb9", "?", "\t" };
    while (text.size() < size) {
        if (random.bounded(3) == 0)
            text += char(random.bounded(256));
        else
            text += pieces[random.bounded(int(std::size(pieces)))];
    }
    return text;
}

// Three codes a row, or for keys above 3 rows of 1 to 17 codes, a hundred
// in all, as a proportional key deals them.
KeyTable keyTable(int key)
{
    QRandomGenerator source = seededGenerator(5);
    if (key <= 3)
        return randomKeyTable(source);
    const std::array<int, 32> lengths = {17, 6, 2, 4, 2, 3, 8, 1, 2, 6, 3, 4, 3, 6, 9, 2,
                                         2, 3, 3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    return randomKeyTable(source, lengths);
}

const CipherJob::Direction Encrypt = CipherJob::Direction::Encrypt;
const CipherJob::Direction Decrypt = CipherJob::Direction::Decrypt;

} // namespace

Q_DECLARE_METATYPE(CipherJob::Direction)
Q_DECLARE_METATYPE(CipherOutcome::Status)
Q_DECLARE_METATYPE(std::optional<quint64>)

class CipherRoutesTest : public QObject
{
    Q_OBJECT

private slots:
    void everyRouteWritesTheSameBytes_data();
    void everyRouteWritesTheSameBytes();
    void failuresMidwayAreReportedAsOnOneThread_data();
    void failuresMidwayAreReportedAsOnOneThread();
};

void CipherRoutesTest::everyRouteWritesTheSameBytes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<CipherJob::Direction>("direction");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("ownTable");
    QTest::addColumn<std::optional<quint64>>("seed");
    QTest::addColumn<bool>("utf8");

    QRandomGenerator random(1251);
    const QByteArray mixed = randomText(random, 6000);
    QByteArray lastLineLong = randomText(random, 500);
    lastLineLong += QByteArray(700, '\xe5').replace(100, 2, "34").replace(300, 1, " ");
    // A plaintext turned into ciphertext, with a few bytes spoilt.
    QByteArray cipherText;
    {
        CipherJob job;
        job.alphabetCount = 3;
        job.encoding = TextEncoding::windows1251();
        cipherText = cipher(randomText(random, 3000), job, reference, std::nullopt).output;
        for (int i = 0; i < 40; ++i)
            cipherText[int(random.bounded(cipherText.size()))] = char(random.bounded(256));
    }
    const struct
    {
        const char *name;
        QByteArray bytes;
    } inputs[] = { { "mixed lines", mixed }, { "a long last line without an end", lastLineLong },
                   { "spoilt ciphertext", cipherText } };

    for (const auto &input : inputs) {
        for (int key = 1; key <= 3; ++key) {
            for (const bool ownTable : { false, true }) {
                const char *table = ownTable ? "a key table" : "the fixed table";
                QTest::addRow("%s encrypted with key %d and %s", input.name, key, table)
                    << input.bytes << Encrypt << key << ownTable << std::optional<quint64>() << false;
                QTest::addRow("%s encrypted with key %d, %s and random codes", input.name, key, table)
                    << input.bytes << Encrypt << key << ownTable << std::optional<quint64>(key * 1000) << false;
                QTest::addRow("%s decrypted with key %d and %s", input.name, key, table)
                    << input.bytes << Decrypt << key << ownTable << std::optional<quint64>() << false;
            }
        }
        for (const int key : {7, 100}) {
            QTest::addRow("%s encrypted with key %d and rows of up to 17 codes", input.name, key)
                << input.bytes << Encrypt << key << true << std::optional<quint64>() << false;
            QTest::addRow("%s encrypted with key %d, rows of up to 17 codes and random codes", input.name, key)
                << input.bytes << Encrypt << key << true << std::optional<quint64>(key * 1000) << false;
            QTest::addRow("%s decrypted with key %d and rows of up to 17 codes", input.name, key)
                << input.bytes << Decrypt << key << true << std::optional<quint64>() << false;
        }
    }
    // UTF-8 has no byte route, but its blocks go to the threads all the same;
    // the U+FEFF that begins the text must keep its mark in front.
    const QByteArray marked = QByteArray("\xef\xbb\xbf\xef\xbb\xbf") + mixed;
    QTest::newRow("UTF-8 with a mark and U+FEFF encrypted") << marked << Encrypt << 2 << false << std::optional<quint64>() << true;
    QTest::newRow("UTF-8 with a mark and U+FEFF decrypted") << marked << Decrypt << 2 << false << std::optional<quint64>() << true;
    QTest::newRow("bytes that are no UTF-8 encrypted") << mixed << Encrypt << 3 << true << std::optional<quint64>() << true;
    QTest::newRow("UTF-16 input encrypted") << QByteArray("\xff\xfe", 2) + mixed
                                             << Encrypt << 3 << false << std::optional<quint64>() << false;
}

void CipherRoutesTest::everyRouteWritesTheSameBytes()
{
    QFETCH(QByteArray, input);
    QFETCH(CipherJob::Direction, direction);
    QFETCH(int, key);
    QFETCH(bool, ownTable);
    QFETCH(std::optional<quint64>, seed);
    QFETCH(bool, utf8);

    const KeyTable table = ownTable ? keyTable(key) : fixedKeyTable();
    CipherJob job;
    job.direction = direction;
    job.alphabetCount = key;
    job.encoding = utf8 ? TextEncoding::utf8() : TextEncoding::windows1251();
    job.table = &table;

    const Ciphered expected = cipher(input, job, reference, seed);
    QCOMPARE(expected.outcome.status, CipherOutcome::Status::Done);
    QVERIFY2(expected.output.size() > input.size() / 4, qPrintable(QStringLiteral("%1 bytes from %2").arg(expected.output.size()).arg(input.size())));
    for (const Route &route : routes) {
        const Ciphered actual = cipher(input, job, route, seed);
        QVERIFY2(actual.outcome.status == CipherOutcome::Status::Done, route.name);
        if (actual.output != expected.output) {
            int at = 0;
            while (at < actual.output.size() && at < expected.output.size() && actual.output[at] == expected.output[at])
                ++at;
            QFAIL(qPrintable(QStringLiteral("%1: first difference at byte %2: %3 instead of %4")
                                 .arg(QLatin1String(route.name)).arg(at)
                                 .arg(QString::fromLatin1(actual.output.mid(at, 12).toHex(' ')),
                                      QString::fromLatin1(expected.output.mid(at, 12).toHex(' ')))));
        }
        QVERIFY2(actual.outcome.lineNumber == expected.outcome.lineNumber, route.name);
        QVERIFY2(actual.outcome.unencodable == expected.outcome.unencodable, route.name);
        QVERIFY2(actual.outcome.undecodable == expected.outcome.undecodable, route.name);
        QVERIFY2(actual.outcome.inputEncoding == expected.outcome.inputEncoding, route.name);
    }
}

void CipherRoutesTest::failuresMidwayAreReportedAsOnOneThread_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<bool>("failAtEnd");
    QTest::addColumn<int>("outputCapacity");
    QTest::addColumn<CipherOutcome::Status>("status");
    QTest::addColumn<int>("lineNumber"); // of the line too long

    const int any = std::numeric_limits<int>::max();
    const QByteArray lines = QByteArray("\xcf\xf0\xe8\n").repeated(40);
    const QByteArray tenBytes("0123456789");
    // The limit is ten bytes a line.
    QTest::newRow("line 41 one byte too long") << lines + tenBytes + "x\n" << any << false << any
                                               << CipherOutcome::Status::LineTooLong << 41;
    QTest::newRow("ten bytes and CRLF are allowed") << lines + tenBytes + "\r\n" + lines << any << false << any
                                                     << CipherOutcome::Status::Done << 0;
    QTest::newRow("ten bytes without an end are allowed") << lines + tenBytes << 3 << false << any
                                                           << CipherOutcome::Status::Done << 0;
    QTest::newRow("a carriage return without a line feed counts") << lines + tenBytes + "\r" << any << false << any
                                                                   << CipherOutcome::Status::LineTooLong << 41;
    QTest::newRow("a line of many blocks on line 42") << lines + "\n" + QByteArray(500, '\xe0') + "\n" + lines << 5 << false << any
                                                      << CipherOutcome::Status::LineTooLong << 42;
    QTest::newRow("a read error after many blocks") << lines << 9 << true << any << CipherOutcome::Status::ReadFailed << 0;
    QTest::newRow("a read error after a line without an end") << lines + "\xe0" << 9 << true << any
                                                                << CipherOutcome::Status::ReadFailed << 0;
    QTest::newRow("the output full after a few blocks") << lines << any << false << 50
                                                        << CipherOutcome::Status::WriteFailed << 0;
    QTest::newRow("the output full at its last byte") << lines << any << false << 40 * 10 - 1
                                                      << CipherOutcome::Status::WriteFailed << 0;
    QTest::newRow("the output just large enough") << lines << any << false << 40 * 10
                                                  << CipherOutcome::Status::Done << 0;
}

// One thread and four, bytes and UTF-16, blocks smaller than a line: the
// failure is the one a single thread meets, at the same line.
void CipherRoutesTest::failuresMidwayAreReportedAsOnOneThread()
{
    QFETCH(QByteArray, input);
    QFETCH(int, pieceSize);
    QFETCH(bool, failAtEnd);
    QFETCH(int, outputCapacity);
    QFETCH(CipherOutcome::Status, status);
    QFETCH(int, lineNumber);

    CipherJob job;
    job.alphabetCount = 2;
    job.encoding = TextEncoding::windows1251();
    job.maxLineBytes = 10;
    Reading reading;
    reading.pieceSize = pieceSize;
    reading.failAtEnd = failAtEnd;
    reading.outputCapacity = outputCapacity;
    for (const Route &route : routes) {
        const Ciphered actual = cipher(input, job, route, std::nullopt, reading);
        QVERIFY2(actual.outcome.status == status, route.name);
        if (status == CipherOutcome::Status::LineTooLong)
            QVERIFY2(actual.outcome.lineNumber == lineNumber, route.name);
        if (status == CipherOutcome::Status::WriteFailed)
            QVERIFY2(actual.output.size() == outputCapacity, route.name);
    }
}

QTEST_GUILESS_MAIN(CipherRoutesTest)
#include "tst_cipherroutes.moc"
