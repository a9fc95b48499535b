#include "fuzzchecks.h"

#include "filecipher.h"
#include "homophonic.h"
#include "referencecipher.h"
#include "singlebytecipher.h"
#include "textencoding.h"

#include <QByteArray>
#include <QChar>
#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace {

bool isDigitUnit(QChar c)
{
    return (c.unicode() >= u'0' && c.unicode() <= u'9')
        || (c.unicode() >= 0x80 && c.category() == QChar::Number_DecimalDigit);
}

bool isDigitFree(const QString &text)
{
    return std::none_of(text.cbegin(), text.cend(), isDigitUnit);
}

QString hexUnits(const QString &text)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(text.utf16()), 2 * text.size()).toHex(' '));
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

// The byte route's tables for each key, built once: building them for every
// input took most of the target's time.
const SingleByteCipher *byteCipher(int alphabetCount)
{
    static const std::array<std::optional<SingleByteCipher>, 3> ciphers = [] {
        std::array<std::optional<SingleByteCipher>, 3> made;
        for (int key = 1; key <= 3; ++key)
            made[key - 1] = SingleByteCipher::make(fixedKeyTable(), key, *TextEncoding::windows1251());
        return made;
    }();
    const std::optional<SingleByteCipher> &cipher = ciphers[alphabetCount - 1];
    return cipher ? &*cipher : nullptr;
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

// Digit-free lines that the encoding carries both ways must come back from
// decryption as the text was, but for the table's letters in upper case.
// Every encrypted line ends at the end of a token, so the lines are
// decrypted together: one call instead of one a line.
QString checkRoundTrips(const ReferenceOutput &expected, int alphabetCount, const QString &encoding)
{
    QString texts;
    QString results;
    for (const ReferenceOutputLine &line : expected.lines) {
        if (!isDigitFree(line.text) || referenceDecode(referenceEncode(line.text, encoding), encoding) != line.text)
            continue;
        texts += line.text;
        results += line.result;
    }
    const QString back = decryptHomophonic(fixedKeyTable(), results, alphabetCount);
    if (back != referenceRoundTrip(texts))
        return QStringLiteral("%1 came back from %2 as %3").arg(hexUnits(texts), hexUnits(results), hexUnits(back));
    return QString();
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

} // namespace

QString checkDecryptInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return QString();
    const int alphabetCount = int(std::int8_t(data[0])) % 5;
    QString text(int((size - 1) / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data + 1, size_t(text.size()) * 2);

    // The window's decryption, which takes keys 1 to 3 only.
    const QString decrypted = decryptHomophonic(fixedHomophoneTable(), text, alphabetCount);
    if (alphabetCount < 1 || alphabetCount > 3) {
        if (!decrypted.isEmpty())
            return QStringLiteral("key %1 decrypted to %2").arg(alphabetCount).arg(hexUnits(decrypted));
        return QString();
    }
    const QString expected = referenceDecrypt(text, alphabetCount);
    if (decrypted != expected)
        return QStringLiteral("%1 decrypted to %2, expected %3").arg(hexUnits(text), hexUnits(decrypted), hexUnits(expected));

    QString line;
    line.reserve(text.size());
    for (const QChar c : qAsConst(text)) {
        if (!isDigitUnit(c))
            line += c;
    }
    HomophoneTable table = fixedHomophoneTable();
    const QString encrypted = encryptHomophonic(table, line, alphabetCount);
    if (encrypted != referenceEncrypt(line, alphabetCount))
        return QStringLiteral("%1 encrypted to %2").arg(hexUnits(line), hexUnits(encrypted));
    const QString back = decryptHomophonic(table, encrypted, alphabetCount);
    if (back != referenceRoundTrip(line))
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
    job.table = &fixedKeyTable();
    if (job.encoding->kind() == TextEncoding::Kind::Windows1251)
        job.byteCipher = byteCipher(job.alphabetCount);
    const qint64 failAt = data[4];
    if (failure == LineLimit)
        job.maxLineBytes = failAt;
    const qint64 readFailsAt = failure == ReadFails ? failAt : -1;
    const qint64 writeFailsAt = failure == WriteFails ? failAt : -1;
    const QByteArray input(reinterpret_cast<const char *>(data) + HeaderSize, int(size - HeaderSize));

    const Run run = runCipherLines(input, job, readStep, writeStep, readFailsAt, writeFailsAt);
    const CipherOutcome &outcome = run.outcome;

    const ReferenceOutput expected = referenceOutput(input, job.direction == CipherJob::Direction::Encrypt,
                                                     job.alphabetCount, job.encoding->name());
    if (job.direction == CipherJob::Direction::Encrypt) {
        const QString broken = checkRoundTrips(expected, job.alphabetCount, job.encoding->name());
        if (!broken.isEmpty())
            return broken;
    }
    // What comes before the first line that is too long.
    qint64 tooLongLine = 0;
    QByteArray beforeTooLong;
    for (const ReferenceOutputLine &line : expected.lines) {
        if (line.inputBytes > job.maxLineBytes) {
            tooLongLine = &line - expected.lines.constData() + 1;
            break;
        }
        beforeTooLong += line.output;
    }

    CipherOutcome::Status status = CipherOutcome::Status::Done;
    if (failure == ReadFails && failAt < input.size())
        status = CipherOutcome::Status::ReadFailed;
    else if (tooLongLine > 0)
        status = CipherOutcome::Status::LineTooLong;
    else if (failure == WriteFails && failAt < expected.bytes.size())
        status = CipherOutcome::Status::WriteFailed;
    if (outcome.status != status || (status == CipherOutcome::Status::LineTooLong && outcome.lineNumber != tooLongLine)) {
        CipherOutcome wanted;
        wanted.status = status;
        wanted.lineNumber = tooLongLine;
        return QStringLiteral("%1, expected %2").arg(describeOutcome(outcome), describeOutcome(wanted));
    }

    if (status != CipherOutcome::Status::Done) {
        if (!beforeTooLong.startsWith(run.written))
            return QStringLiteral("after the failure wrote %1, which does not begin %2")
                .arg(hexBytes(run.written), hexBytes(beforeTooLong));
        return QString();
    }
    if (outcome.lineNumber != expected.lines.size() || outcome.unencodable != expected.unencodable
        || outcome.undecodable != expected.undecodable || outcome.inputEncoding != expected.inputEncoding)
        return QStringLiteral("%1, expected %2 lines, %3 unencodable, %4 undecodable, input in %5")
            .arg(describeOutcome(outcome))
            .arg(expected.lines.size())
            .arg(expected.unencodable)
            .arg(expected.undecodable)
            .arg(expected.inputEncoding);
    if (run.written != expected.bytes)
        return QStringLiteral("wrote %1, expected %2").arg(hexBytes(run.written), hexBytes(expected.bytes));
    return QString();
}
