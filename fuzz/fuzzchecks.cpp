#include "fuzzchecks.h"

#include "filecipher.h"
#include "homophonic.h"
#include "textencoding.h"

#include <QByteArray>
#include <QChar>
#include <QIODevice>
#include <QTextCodec>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

const HomophoneTable &filledTable()
{
    static const HomophoneTable table = [] {
        HomophoneTable filled;
        fillHomophoneTable(filled);
        return filled;
    }();
    return table;
}

bool isDigitUnit(QChar c)
{
    return (c.unicode() >= u'0' && c.unicode() <= u'9')
        || (c.unicode() >= 0x80 && c.category() == QChar::Number_DecimalDigit);
}

bool isDigitFree(const QString &text)
{
    return std::none_of(text.cbegin(), text.cend(), isDigitUnit);
}

// What decryption gives back for each UTF-16 unit of a digit-free text: the
// upper-case form where that is a symbol of the table, else the unit itself.
// Worked out once from the table's strings; asking them for every character
// would cost 32 string allocations each.
const std::array<char16_t, 0x10000> &roundTripUnits()
{
    static std::array<char16_t, 0x10000> units;
    static const bool filled = [] {
        std::array<bool, 0x10000> isSymbol {};
        for (const RowHR &row : filledTable()) {
            if (row.symbol.size() == 1)
                isSymbol[row.symbol.at(0).unicode()] = true;
        }
        for (int unit = 0; unit < 0x10000; ++unit) {
            const char16_t upper = QChar(char16_t(unit)).toUpper().unicode();
            units[unit] = isSymbol[upper] ? upper : char16_t(unit);
        }
        return true;
    }();
    Q_UNUSED(filled)
    return units;
}

QString afterRoundTrip(const QString &digitFree)
{
    const std::array<char16_t, 0x10000> &units = roundTripUnits();
    QString result(digitFree.size(), Qt::Uninitialized);
    for (int i = 0; i < digitFree.size(); ++i)
        result[i] = QChar(units[digitFree.at(i).unicode()]);
    return result;
}

QString hexUnits(const QString &text)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(text.utf16()), 2 * text.size()).toHex(' '));
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QString cipher(CipherJob::Direction direction, const QString &text, int alphabetCount)
{
    // Copying the table for every line costs 128 reference counts each way;
    // a fresh fill differs from a used table only in the counters.
    static HomophoneTable table = filledTable();
    for (RowHR &row : table)
        row.counter = 0;
    return direction == CipherJob::Direction::Encrypt ? encryptHomophonic(table, text, alphabetCount)
                                                      : decryptHomophonic(table, text, alphabetCount);
}

// Decoding by Qt itself, the reference for the tool's own tables.
QString decode(const QByteArray &bytes, const TextEncoding *encoding)
{
    if (encoding->kind() == TextEncoding::Kind::Windows1251) {
        static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
        return codec->toUnicode(bytes);
    }
    // fromUtf8 drops a byte-order mark at the start, where a line keeps it as
    // a character; one ASCII byte in front changes nothing else. Given a
    // QByteArray, fromUtf8 would stop at the first zero byte.
    const QByteArray prefixed = QByteArray(1, ' ') + bytes;
    return QString::fromUtf8(prefixed.constData(), prefixed.size()).mid(1);
}

// An in-memory device that moves at most a few bytes per call, so that chunk
// and line-end boundaries fall inside small inputs, and that fails from a
// given offset on.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray &input, qint64 step, qint64 failAt)
        : m_data(input)
        , m_step(step)
        , m_failAt(failAt)
    {
    }

    bool isSequential() const override { return true; }

    const QByteArray &written() const { return m_data; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 limit = m_data.size();
        if (m_failAt >= 0 && m_failAt < limit) {
            if (m_position == m_failAt)
                return -1;
            limit = m_failAt;
        }
        const qint64 count = std::min({ maxSize, m_step, limit - m_position });
        std::memcpy(data, m_data.constData() + m_position, size_t(count));
        m_position += count;
        return count;
    }

    qint64 writeData(const char *data, qint64 size) override
    {
        qint64 count = std::min(size, m_step);
        if (m_failAt >= 0) {
            if (m_data.size() >= m_failAt)
                return -1;
            count = std::min(count, m_failAt - m_data.size());
        }
        m_data.append(data, int(count));
        return count;
    }

private:
    QByteArray m_data;
    qint64 m_position = 0;
    qint64 m_step;
    qint64 m_failAt;
};

// The whole text ciphered line by line, split and decoded here, as the
// stream must give it.
struct Expected
{
    QByteArray output;
    qint64 lines = 0;
    qint64 unencodable = 0;
    qint64 undecodable = 0;
    QString inputEncoding;
    qint64 tooLongLine = 0; // the first line longer than the job allows
    QString failure;
};

// UTF-16 and UTF-32 input is transcoded by the tool before it is split, so
// its lines are not the input's bytes between line feeds.
bool hasUtf16Or32Mark(const QByteArray &input)
{
    return input.startsWith("\xFF\xFE") || input.startsWith("\xFE\xFF") || input.startsWith(QByteArray("\0\0\xFE\xFF", 4));
}

Expected expectedOutput(QByteArray input, const CipherJob &job)
{
    Expected expected;
    const TextEncoding *inputEncoding = job.encoding;
    if (input.startsWith("\xEF\xBB\xBF")) {
        input.remove(0, 3);
        inputEncoding = TextEncoding::utf8();
    }
    expected.inputEncoding = inputEncoding->name();
    const bool utf8Input = inputEncoding->kind() == TextEncoding::Kind::Utf8;
    const QList<QByteArray> lines = input.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        const bool last = i == lines.size() - 1;
        if (last && line.isEmpty())
            break;
        QByteArray ending = last ? QByteArray() : QByteArrayLiteral("\n");
        if (!last && line.endsWith('\r')) {
            line.chop(1);
            ending = QByteArrayLiteral("\r\n");
        }
        ++expected.lines;
        if (line.size() > job.maxLineBytes) {
            expected.tooLongLine = expected.lines;
            return expected;
        }

        const QString text = decode(line, inputEncoding);
        // Every byte that is not UTF-8 becomes one U+FFFD; a U+FFFD that the
        // input spells out is a character.
        if (utf8Input)
            expected.undecodable += text.count(QChar(QChar::ReplacementCharacter)) - line.count("\xEF\xBF\xBD");
        const QString result = cipher(job.direction, text, job.alphabetCount);
        QByteArray bytes;
        const int unencodable = job.encoding->encode(result, bytes);
        expected.unencodable += unencodable;
        // A U+FEFF at the very start of UTF-8 output would read back as a
        // byte-order mark; one in front keeps it.
        if (expected.lines == 1 && job.encoding->kind() == TextEncoding::Kind::Utf8
            && result.startsWith(QChar(QChar::ByteOrderMark)))
            expected.output += "\xEF\xBB\xBF";
        expected.output += bytes + ending;

        // Every character that the encoding cannot hold is one '?', counted.
        if (bytes.count('?') != result.count(QLatin1Char('?')) + unencodable) {
            expected.failure = QStringLiteral("line %1: %2 written as %3 with %4 counted unencodable")
                                   .arg(expected.lines).arg(hexUnits(result), hexBytes(bytes)).arg(unencodable);
            return expected;
        }
        if (unencodable == 0 && decode(bytes, job.encoding) != result) {
            expected.failure = QStringLiteral("line %1: %2 written as %3 reads back otherwise")
                                   .arg(expected.lines).arg(hexUnits(result), hexBytes(bytes));
            return expected;
        }

        if (job.direction == CipherJob::Direction::Encrypt && isDigitFree(text)) {
            QByteArray plain;
            if (job.encoding->encode(text, plain) != 0 || decode(plain, job.encoding) != text)
                continue; // the encoding cannot carry this line both ways
            const QString back = cipher(CipherJob::Direction::Decrypt, decode(bytes, job.encoding), job.alphabetCount);
            if (back != afterRoundTrip(text)) {
                expected.failure = QStringLiteral("line %1: %2 came back from %3 as %4")
                                       .arg(expected.lines).arg(hexUnits(text), hexBytes(bytes), hexUnits(back));
                return expected;
            }
        }
    }
    return expected;
}

struct Run
{
    CipherOutcome outcome;
    QByteArray written;
};

Run runCipherLines(const QByteArray &input, const CipherJob &job, qint64 readStep, qint64 writeStep, qint64 readFailsAt,
                   qint64 writeFailsAt)
{
    TrickleDevice source(input, readStep, readFailsAt);
    TrickleDevice sink(QByteArray(), writeStep, writeFailsAt);
    source.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    sink.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    Run run;
    run.outcome = cipherLines(source, sink, job);
    run.written = sink.written();
    return run;
}

QString describeOutcome(const CipherOutcome &outcome)
{
    static const char *const names[] = { "done", "read failed", "write failed", "line too long" };
    return QStringLiteral("%1 after line %2, %3 unencodable, %4 undecodable, input in %5")
        .arg(QLatin1String(names[int(outcome.status)]))
        .arg(outcome.lineNumber)
        .arg(outcome.unencodable)
        .arg(outcome.undecodable)
        .arg(outcome.inputEncoding);
}

bool sameOutcome(const CipherOutcome &a, const CipherOutcome &b)
{
    return a.status == b.status && a.lineNumber == b.lineNumber && a.unencodable == b.unencodable
        && a.undecodable == b.undecodable && a.inputEncoding == b.inputEncoding;
}

} // namespace

QString checkDecryptInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return QString();
    const int alphabetCount = int(std::int8_t(data[0])) % 5;
    QString text(int((size - 1) / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data + 1, size_t(text.size()) * 2);

    const QString decrypted = decryptHomophonic(filledTable(), text, alphabetCount);
    if (alphabetCount < 1 || alphabetCount > 3) {
        if (!decrypted.isEmpty())
            return QStringLiteral("key %1 decrypted to %2").arg(alphabetCount).arg(hexUnits(decrypted));
        return QString();
    }

    QString line;
    line.reserve(text.size());
    for (const QChar c : qAsConst(text)) {
        if (!isDigitUnit(c))
            line += c;
    }
    const QString back = cipher(CipherJob::Direction::Decrypt, cipher(CipherJob::Direction::Encrypt, line, alphabetCount),
                                alphabetCount);
    if (back != afterRoundTrip(line))
        return QStringLiteral("%1 came back as %2").arg(hexUnits(line), hexUnits(back));
    return QString();
}

QString checkCipherLinesInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t HeaderSize = 5;
    if (size < HeaderSize)
        return QString();
    enum Failure { NoFailure, ReadFails, WriteFails, LineLimit };
    CipherJob job;
    job.alphabetCount = 1 + data[0] % 3;
    job.direction = data[1] & 1 ? CipherJob::Direction::Decrypt : CipherJob::Direction::Encrypt;
    job.encoding = data[1] & 2 ? TextEncoding::utf8() : TextEncoding::windows1251();
    const Failure failure = Failure((data[1] >> 2) & 3);
    const qint64 readStep = 1 + data[2] % 32;
    const qint64 writeStep = 1 + data[3] % 32;
    // Small blocks put block boundaries inside small inputs and keep the
    // buffers small, which is what makes the target fast under the
    // sanitizers; both routes, bytes and UTF-16, must write the same.
    static constexpr qint64 blockSizes[8] = { 1, 2, 3, 7, 16, 64, 256, 4096 };
    job.blockBytes = blockSizes[data[2] >> 5];
    job.throughUtf16 = data[3] & 0x20;
    job.jobs = 1;
    const qint64 failAt = data[4];
    if (failure == LineLimit)
        job.maxLineBytes = failAt;
    const qint64 readFailsAt = failure == ReadFails ? failAt : -1;
    const qint64 writeFailsAt = failure == WriteFails ? failAt : -1;
    const QByteArray input(reinterpret_cast<const char *>(data) + HeaderSize, int(size - HeaderSize));

    const Run run = runCipherLines(input, job, readStep, writeStep, readFailsAt, writeFailsAt);
    const CipherOutcome &outcome = run.outcome;

    if (hasUtf16Or32Mark(input)) {
        // Whatever the tool makes of such input must not depend on how the
        // reads and writes fall. Only a finished run has read everything,
        // so only then are the counts complete.
        constexpr qint64 Whole = qint64(1) << 30;
        const Run whole = runCipherLines(input, job, Whole, Whole, readFailsAt, writeFailsAt);
        const bool same = outcome.status == CipherOutcome::Status::Done
            ? sameOutcome(outcome, whole.outcome)
            : outcome.status == whole.outcome.status
                && (outcome.status != CipherOutcome::Status::LineTooLong || outcome.lineNumber == whole.outcome.lineNumber);
        if (!same)
            return QStringLiteral("%1, read whole %2").arg(describeOutcome(outcome), describeOutcome(whole.outcome));
        if (outcome.status == CipherOutcome::Status::Done ? run.written != whole.written
                                                          : !whole.written.startsWith(run.written))
            return QStringLiteral("wrote %1, read whole %2").arg(hexBytes(run.written), hexBytes(whole.written));
        return QString();
    }

    const Expected expected = expectedOutput(input, job);
    if (!expected.failure.isEmpty())
        return expected.failure;

    CipherOutcome::Status status = CipherOutcome::Status::Done;
    if (failure == ReadFails && failAt < input.size())
        status = CipherOutcome::Status::ReadFailed;
    else if (expected.tooLongLine > 0)
        status = CipherOutcome::Status::LineTooLong;
    else if (failure == WriteFails && failAt < expected.output.size())
        status = CipherOutcome::Status::WriteFailed;
    if (outcome.status != status || (status == CipherOutcome::Status::LineTooLong && outcome.lineNumber != expected.tooLongLine)) {
        CipherOutcome wanted;
        wanted.status = status;
        wanted.lineNumber = expected.tooLongLine;
        return QStringLiteral("%1, expected %2").arg(describeOutcome(outcome), describeOutcome(wanted));
    }

    if (status != CipherOutcome::Status::Done) {
        if (!expected.output.startsWith(run.written))
            return QStringLiteral("after the failure wrote %1, which does not begin %2")
                .arg(hexBytes(run.written), hexBytes(expected.output));
        return QString();
    }
    if (outcome.lineNumber != expected.lines || outcome.unencodable != expected.unencodable
        || outcome.undecodable != expected.undecodable || outcome.inputEncoding != expected.inputEncoding)
        return QStringLiteral("%1, expected %2 lines, %3 unencodable, %4 undecodable, input in %5")
            .arg(describeOutcome(outcome))
            .arg(expected.lines)
            .arg(expected.unencodable)
            .arg(expected.undecodable)
            .arg(expected.inputEncoding);
    if (run.written != expected.output)
        return QStringLiteral("wrote %1, expected %2").arg(hexBytes(run.written), hexBytes(expected.output));
    return QString();
}
