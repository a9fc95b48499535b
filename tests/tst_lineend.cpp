// The one rule for where a line ends, as every reader of whole texts applies
// it: bytes and UTF-16 alike, and the stream's reader however its input
// arrives.
#include "lineend.h"
#include "linereader.h"
#include "scripteddevice.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

struct SplitLine
{
    QByteArray text;
    LineEnding ending;
    bool operator==(const SplitLine &other) const { return text == other.text && ending == other.ending; }
};

using SplitLines = QVector<SplitLine>;

SplitLines bytesSplit(const QByteArray &text)
{
    SplitLines lines;
    forEachLine(text.constData(), text.constData() + text.size(), [&](const char *begin, const char *end, LineEnding ending) {
        lines.append({ QByteArray(begin, int(end - begin)), ending });
    });
    return lines;
}

SplitLines unitsSplit(const QByteArray &text)
{
    const QString wide = QString::fromLatin1(text);
    const char16_t *const units = QStringView(wide).utf16();
    SplitLines lines;
    forEachLine(units, units + wide.size(), [&](const char16_t *begin, const char16_t *end, LineEnding ending) {
        lines.append({ QString::fromUtf16(begin, int(end - begin)).toLatin1(), ending });
    });
    return lines;
}

SplitLines readerSplit(const QByteArray &text, qint64 pieceSize)
{
    ScriptedDevice device(text, pieceSize, false);
    LineReader reader(device);
    SplitLines lines;
    Line line;
    while (reader.next(line))
        lines.append({ QByteArray(line.data, line.size), line.ending });
    return lines;
}

QByteArray joined(const SplitLines &lines)
{
    QByteArray text;
    for (const SplitLine &line : lines)
        text += line.text + (line.ending == LineEnding::CrLf ? "\r\n" : line.ending == LineEnding::Lf ? "\n" : "");
    return text;
}

char *toString(const SplitLines &lines)
{
    QByteArray shown;
    for (const SplitLine &line : lines)
        shown += '[' + line.text.toPercentEncoding() + ' ' + QByteArray::number(int(line.ending)) + ']';
    return qstrdup(shown.constData());
}

} // namespace

Q_DECLARE_METATYPE(SplitLines)

class LineEndTest : public QObject
{
    Q_OBJECT

private slots:
    void everyReaderSplitsAlike_data();
    void everyReaderSplitsAlike();
    void randomTextsSplitAndJoinBack();
    void blocksAreCutAfterTheLastLineFeed_data();
    void blocksAreCutAfterTheLastLineFeed();
};

void LineEndTest::everyReaderSplitsAlike_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<SplitLines>("lines");
    const LineEnding none = LineEnding::None;
    const LineEnding lf = LineEnding::Lf;
    const LineEnding crLf = LineEnding::CrLf;

    QTest::newRow("a line feed ends a line") << QByteArray("ab\ncd") << SplitLines { { "ab", lf }, { "cd", none } };
    QTest::newRow("CR LF is one ending") << QByteArray("ab\r\ncd\r\n") << SplitLines { { "ab", crLf }, { "cd", crLf } };
    QTest::newRow("a lone CR stays in its line") << QByteArray("ab\rcd\n") << SplitLines { { "ab\rcd", lf } };
    QTest::newRow("of two CRs before a line feed the first is in the line")
        << QByteArray("a\r\r\n") << SplitLines { { "a\r", crLf } };
    QTest::newRow("a CR that ends the text is in the last line") << QByteArray("a\nb\r") << SplitLines { { "a", lf }, { "b\r", none } };
    QTest::newRow("a CR after a line feed starts the next line") << QByteArray("a\n\rb") << SplitLines { { "a", lf }, { "\rb", none } };
    QTest::newRow("empty lines keep their endings")
        << QByteArray("\n\r\n\n") << SplitLines { { "", lf }, { "", crLf }, { "", lf } };
    QTest::newRow("a CR alone is a line of one character")
        << QByteArray("\r") << SplitLines { { "\r", none } };
    QTest::newRow("an empty text has no line") << QByteArray() << SplitLines();
}

void LineEndTest::everyReaderSplitsAlike()
{
    QFETCH(QByteArray, text);
    QFETCH(SplitLines, lines);

    QCOMPARE(bytesSplit(text), lines);
    QCOMPARE(unitsSplit(text), lines);
    QCOMPARE(readerSplit(text, qint64(1) << 20), lines);
    QCOMPARE(readerSplit(text, 1), lines);
}

// Lines and their endings give back the text, whatever the pieces the
// stream's reader gets it in (a CR LF may be cut between two reads).
void LineEndTest::randomTextsSplitAndJoinBack()
{
    QRandomGenerator random(1937);
    const char alphabet[] = { 'a', 'b', '\r', '\n' };
    for (int trial = 0; trial < 500; ++trial) {
        QByteArray text;
        const int length = int(random.bounded(40));
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(4)];
        const SplitLines lines = bytesSplit(text);
        QCOMPARE(joined(lines), text);
        QCOMPARE(lines.size(), text.count('\n') + int(!text.isEmpty() && !text.endsWith('\n')));
        for (int i = 0; i < lines.size(); ++i) {
            QVERIFY(!lines[i].text.contains('\n'));
            QCOMPARE(lines[i].ending == LineEnding::None, i == lines.size() - 1 && !text.endsWith('\n'));
        }
        QCOMPARE(unitsSplit(text), lines);
        QCOMPARE(readerSplit(text, 1 + qint64(random.bounded(4))), lines);
    }
}

void LineEndTest::blocksAreCutAfterTheLastLineFeed_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("cut"); // -1: no line ends in the text

    QTest::newRow("after the last of several line feeds") << QByteArray("a\nb\r\nc") << 5;
    QTest::newRow("a CR LF stays whole in the block") << QByteArray("a\r\n") << 3;
    QTest::newRow("a lone CR is no place to cut") << QByteArray("a\rb") << -1;
    QTest::newRow("a line feed first") << QByteArray("\nab") << 1;
    QTest::newRow("nothing to cut in an empty text") << QByteArray() << -1;
}

void LineEndTest::blocksAreCutAfterTheLastLineFeed()
{
    QFETCH(QByteArray, text);
    QFETCH(int, cut);

    const char *bytes = text.constData();
    const char *found = afterLastLineEnd(bytes, bytes + text.size());
    QCOMPARE(found ? int(found - bytes) : -1, cut);
    const QString wide = QString::fromLatin1(text);
    const char16_t *units = QStringView(wide).utf16();
    const char16_t *foundUnit = afterLastLineEnd(units, units + wide.size());
    QCOMPARE(foundUnit ? int(foundUnit - units) : -1, cut);
}

QTEST_GUILESS_MAIN(LineEndTest)
#include "tst_lineend.moc"
