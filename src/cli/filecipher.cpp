#include "filecipher.h"

#include "homophonic.h"
#include "linereader.h"
#include "markedinput.h"
#include "textencoding.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace {

constexpr int WriteSize = 1 << 20;

bool writeAll(QIODevice &output, QByteArray &pending)
{
    const char *data = pending.constData();
    qint64 left = pending.size();
    while (left > 0) {
        const qint64 written = output.write(data, left);
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    pending.resize(0);
    return true;
}

// A fill leaves a filled table as it was but for the counters; refilling for
// every line would cost 128 string allocations per line.
void resetCounters(HomophoneTable &table)
{
    for (RowHR &row : table)
        row.counter = 0;
}

} // namespace

CipherOutcome cipherLines(QIODevice &input, QIODevice &output, const CipherJob &job)
{
    CipherOutcome outcome;
    MarkedInput marked(input);
    const TextEncoding *inputEncoding = marked.mark() == MarkedInput::Mark::None ? job.encoding : TextEncoding::utf8();
    outcome.inputEncoding = marked.mark() == MarkedInput::Mark::None ? job.encoding->name() : marked.markedEncodingName();
    LineReader reader(marked, job.maxLineBytes);
    const bool utf8Output = job.encoding->kind() == TextEncoding::Kind::Utf8;

    HomophoneTable table;
    if (job.table)
        table = *job.table;
    else
        fillHomophoneTable(table);

    QString text;
    QString result; // reused for every line, like text
    QByteArray pending;
    pending.reserve(2 * WriteSize);
    Line line;
    while (reader.next(line)) {
        ++outcome.lineNumber;
        outcome.undecodable += inputEncoding->decode(line.data, line.size, text);
        result.resize(0); // keeps the capacity, unlike clear()
        if (job.direction == CipherJob::Direction::Encrypt) {
            if (job.randomChoice) {
                appendEncryptedHomophonic(table, text, job.alphabetCount, result, *job.randomChoice);
            } else {
                resetCounters(table);
                appendEncryptedHomophonic(table, text, job.alphabetCount, result);
            }
        } else {
            appendDecryptedHomophonic(table, text, job.alphabetCount, result);
        }
        // A reader takes EF BB BF at the start for a byte-order mark and drops
        // it; a mark in front keeps a U+FEFF that begins the text.
        if (outcome.lineNumber == 1 && utf8Output && result.startsWith(QChar(QChar::ByteOrderMark)))
            pending.append("\xEF\xBB\xBF", 3);
        outcome.unencodable += job.encoding->encode(result, pending);
        if (line.ending == LineEnding::CrLf)
            pending.append("\r\n", 2);
        else if (line.ending == LineEnding::Lf)
            pending.append('\n');

        if (pending.size() >= WriteSize && !writeAll(output, pending)) {
            outcome.status = CipherOutcome::Status::WriteFailed;
            return outcome;
        }
    }
    outcome.undecodable += marked.undecodableBytes();
    if (reader.readFailed()) {
        outcome.status = CipherOutcome::Status::ReadFailed;
    } else if (reader.lineTooLong()) {
        outcome.status = CipherOutcome::Status::LineTooLong;
        ++outcome.lineNumber;
    } else if (!writeAll(output, pending)) {
        outcome.status = CipherOutcome::Status::WriteFailed;
    }
    return outcome;
}
