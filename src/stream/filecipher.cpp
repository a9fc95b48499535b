#include "filecipher.h"

#include "homophonic.h"
#include "lineend.h"
#include "linereader.h"
#include "markedinput.h"
#include "singlebytecipher.h"
#include "symbolbytes.h"
#include "symbolcipher.h"
#include "textencoding.h"

#include <QByteArray>
#include <QIODevice>
#include <QSemaphore>
#include <QString>
#include <QThreadPool>

#include <cstring>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace {

bool writeAll(QIODevice &output, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 written = output.write(data, left);
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// Cuts the input into blocks of whole lines, each at least blockBytes long
// unless the input ends; a line longer than a block makes its block longer.
class BlockReader
{
public:
    BlockReader(QIODevice &device, qint64 blockBytes, qint64 maxLineBytes)
        : m_device(device)
        , m_blockBytes(qMax(blockBytes, qint64(1)))
        , m_maxLineBytes(maxLineBytes)
    {
    }

    // Replaces block with the next one; false when there is none: at the end
    // of the input, after a read error and once a line is too long.
    bool next(QByteArray &block);

    bool finished() const { return m_atEnd || m_readFailed || m_lineTooLong; }
    bool readFailed() const { return m_readFailed; }
    // A line longer than maxLineBytes follows the last block.
    bool lineTooLong() const { return m_lineTooLong; }

private:
    QIODevice &m_device;
    const qint64 m_blockBytes;
    const qint64 m_maxLineBytes;
    QByteArray m_carry; // the start of a line cut off by the end of a block
    bool m_atEnd = false;
    bool m_readFailed = false;
    bool m_lineTooLong = false;
};

bool BlockReader::next(QByteArray &block)
{
    block.resize(0);
    if (m_readFailed || m_lineTooLong)
        return false;
    block.append(m_carry.constData(), m_carry.size());
    m_carry.resize(0);
    int searched = block.size(); // no line end before this
    for (;;) {
        if (m_atEnd)
            return !block.isEmpty();
        if (block.size() >= m_blockBytes) {
            const char *const data = block.constData();
            if (const char *nextLine = afterLastLineEnd(data + searched, data + block.size())) {
                const int cut = int(nextLine - data);
                m_carry.append(block.constData() + cut, block.size() - cut);
                block.resize(cut);
                return true;
            }
            searched = block.size();
            // All of it one line so far: + 1 for a carriage return before
            // its line feed.
            if (block.size() > m_maxLineBytes + 1) {
                m_lineTooLong = true;
                return false;
            }
        }
        const int kept = block.size();
        const int wanted = int(kept < m_blockBytes ? m_blockBytes - kept : m_blockBytes);
        block.resize(kept + wanted);
        const qint64 count = m_device.read(block.data() + kept, wanted);
        block.resize(kept + int(qMax(count, qint64(0))));
        if (count < 0) {
            m_readFailed = true;
            return false;
        }
        if (count == 0)
            m_atEnd = true;
    }
}

// On cache lines of its own: the threads count into their blocks line by
// line, and two blocks sharing a line would slow each other down.
struct alignas(64) Block
{
    QByteArray input;
    QByteArray output;
    bool first = false;    // begins the text
    qint64 lines = 0;
    qint64 tooLongLine = 0; // counted from 1 in the block; 0 for none
    qint64 unencodable = 0;
    qint64 undecodable = 0;
    // The symbol ciphers' key stream: where the block starts, and once it is
    // ciphered, where it ends.
    KeyStreamPlace place;
    QSemaphore ciphered;
};

// Ciphers one block of lines; one object serves every thread at once.
class BlockCipher
{
public:
    BlockCipher(const CipherJob &job, const KeyTable &table, const TextEncoding &inputEncoding)
        : m_job(job)
        , m_table(table)
        , m_inputEncoding(inputEncoding)
        , m_utf8Output(job.encoding->kind() == TextEncoding::Kind::Utf8)
    {
        if (job.throughUtf16 || &inputEncoding != job.encoding)
            return;
        if (job.symbolCipher) {
            m_symbolBytes = SymbolBytes::make(*job.symbolCipher, inputEncoding);
            return;
        }
        if (job.byteCipher) {
            m_bytes = job.byteCipher;
        } else {
            m_ownBytes = SingleByteCipher::make(table, job.alphabetCount, inputEncoding);
            if (m_ownBytes)
                m_bytes = &*m_ownBytes;
        }
    }

    void cipher(Block &block) const;
    // Moves place over a block of input without ciphering it.
    void pass(const QByteArray &input, KeyStreamPlace &place) const;

private:
    void cipherSymbols(Block &block) const;
    void appendText(const QString &result, bool firstLine, Block &block) const;
    void cipherText(const char *data, int size, bool firstLine, QString &text, QString &result, Block &block) const;

    const CipherJob &m_job;
    const KeyTable &m_table;
    const TextEncoding &m_inputEncoding;
    const bool m_utf8Output;
    std::optional<SingleByteCipher> m_ownBytes;
    const SingleByteCipher *m_bytes = nullptr; // null: through UTF-16
    std::optional<SymbolBytes> m_symbolBytes;   // a symbol cipher's byte route
};

void BlockCipher::cipher(Block &block) const
{
    block.lines = 0;
    block.tooLongLine = 0;
    block.unencodable = 0;
    block.undecodable = 0;
    block.output.resize(0);
    if (m_job.symbolCipher) {
        cipherSymbols(block);
        return;
    }

    const bool encrypt = m_job.direction == CipherJob::Direction::Encrypt;
    const char *data = block.input.constData();
    const char *const end = data + block.input.size();
    char *out = nullptr;
    if (m_bytes) {
        const int perByte = encrypt ? m_bytes->encryptedBytesPerByte() : m_bytes->decryptedBytesPerByte();
        const qint64 room = qint64(block.input.size()) * perByte + SingleByteCipher::Slack;
        if (room < qint64(1) << 30) {
            block.output.resize(int(room));
            out = block.output.data();
        }
    }
    // Only the text route uses these.
    QString text;
    QString result;

    while (data < end) {
        const LineEnd<char> line = findLineEnd(data, end);
        const char *const lineEnd = line.contentEnd;
        const LineEnding ending = line.ending;
        ++block.lines;
        if (lineEnd - data > m_job.maxLineBytes) {
            block.tooLongLine = block.lines;
            break;
        }
        const int size = int(lineEnd - data);
        if (out) {
            out = encrypt ? m_bytes->encrypt(data, size, out, block.unencodable, m_job.randomChoice)
                          : m_bytes->decrypt(data, size, out, block.unencodable);
            if (ending == LineEnding::CrLf)
                *out++ = '\r';
            if (ending != LineEnding::None)
                *out++ = '\n';
        } else {
            cipherText(data, size, block.first && block.lines == 1, text, result, block);
            if (ending == LineEnding::CrLf)
                block.output.append("\r\n", 2);
            else if (ending == LineEnding::Lf)
                block.output.append('\n');
        }
        data = line.next;
    }
    if (out)
        block.output.resize(int(out - block.output.constData()));
}

void BlockCipher::cipherText(const char *data, int size, bool firstLine, QString &text, QString &result,
                             Block &block) const
{
    block.undecodable += m_inputEncoding.decode(data, size, text);
    result.resize(0); // keeps the capacity, unlike clear()
    if (m_job.direction == CipherJob::Direction::Encrypt) {
        if (m_job.randomChoice)
            appendEncryptedHomophonic(m_table, text, m_job.alphabetCount, result, *m_job.randomChoice);
        else
            appendEncryptedHomophonic(m_table, text, m_job.alphabetCount, result);
    } else {
        appendDecryptedHomophonic(m_table, text, m_job.alphabetCount, result);
    }
    appendText(result, firstLine, block);
}

void BlockCipher::appendText(const QString &result, bool firstLine, Block &block) const
{
    // A reader takes EF BB BF at the start for a byte-order mark and drops
    // it; a mark in front keeps a U+FEFF that begins the text.
    if (firstLine && m_utf8Output && result.startsWith(QChar(QChar::ByteOrderMark)))
        block.output.append("\xEF\xBB\xBF", 3);
    block.unencodable += m_job.encoding->encode(result, block.output);
}

// Each line's bytes become as many bytes on the byte route; the text route
// takes a line at a time through UTF-16.
void BlockCipher::cipherSymbols(Block &block) const
{
    const SymbolCipher &symbols = *m_job.symbolCipher;
    const bool encrypt = m_job.direction == CipherJob::Direction::Encrypt;
    const char *data = block.input.constData();
    const char *const end = data + block.input.size();
    char *out = nullptr;
    const bool blocks = symbols.blockSize() > 1;
    if (m_symbolBytes) {
        const qint64 room = qint64(block.input.size()) * (blocks && encrypt ? SymbolBytes::MaxGrowth : 1);
        if (room < qint64(1) << 30) {
            block.output.resize(int(room));
            out = block.output.data();
        }
    }
    QString text;
    QString result;
    while (data < end) {
        const LineEnd<char> line = findLineEnd(data, end);
        ++block.lines;
        if (line.contentEnd - data > m_job.maxLineBytes) {
            block.tooLongLine = block.lines;
            break;
        }
        const int size = int(line.contentEnd - data);
        if (out) {
            char *contentEnd = out + size;
            if (blocks && encrypt)
                contentEnd = m_symbolBytes->encryptBlocks(data, size, out);
            else if (blocks)
                m_symbolBytes->decryptBlocks(data, size, out);
            else if (encrypt)
                m_symbolBytes->encrypt(data, size, out, block.place);
            else
                m_symbolBytes->decrypt(data, size, out, block.place);
            // The line end as it was.
            const int ending = int(line.next - line.contentEnd);
            std::memcpy(contentEnd, line.contentEnd, std::size_t(ending));
            out = contentEnd + ending;
        } else {
            block.undecodable += m_inputEncoding.decode(data, size, text);
            result.resize(0);
            if (encrypt)
                symbols.appendEncrypted(text, block.place, result);
            else
                symbols.appendDecrypted(text, block.place, result);
            appendText(result, block.first && block.lines == 1, block);
            if (line.ending == LineEnding::CrLf)
                block.output.append("\r\n", 2);
            else if (line.ending == LineEnding::Lf)
                block.output.append('\n');
        }
        data = line.next;
    }
    if (out)
        block.output.resize(int(out - block.output.constData()));
}

void BlockCipher::pass(const QByteArray &input, KeyStreamPlace &place) const
{
    // One alphabet has no place to move, and a block cipher starts afresh on every line.
    if (m_job.symbolCipher->rule() == SymbolRule::Substitution || m_job.symbolCipher->blockSize() > 1)
        return;
    if (m_symbolBytes) {
        m_symbolBytes->pass(input.constData(), input.size(), place);
        return;
    }
    QString text;
    m_inputEncoding.decode(input.constData(), input.size(), text);
    m_job.symbolCipher->pass(text, place);
}

// Reads, ciphers and writes blocks in the order of the input until it ends or
// something fails; true when every block was written. Blocks handed to pool
// (null for one job) may still be queued or running when this returns.
bool cipherBlocks(BlockReader &reader, const BlockCipher &blockCipher, std::vector<std::unique_ptr<Block>> &blocks,
                  QThreadPool *pool, QIODevice &output, const CipherJob &job, CipherOutcome &outcome)
{
    std::deque<Block *> inFlight; // in the order of the input
    std::size_t nextBlock = 0;
    bool first = true;
    // Where the next block starts in a symbol cipher's key stream.
    KeyStreamPlace place;
    if (job.symbolCipher)
        place = job.symbolCipher->start();
    for (;;) {
        while (inFlight.size() < blocks.size() && !reader.finished()) {
            Block &block = *blocks[nextBlock];
            if (!reader.next(block.input))
                break;
            nextBlock = (nextBlock + 1) % blocks.size();
            block.first = first;
            first = false;
            if (job.symbolCipher)
                block.place = place;
            if (!pool) {
                blockCipher.cipher(block);
                if (job.symbolCipher)
                    place = block.place;
                block.ciphered.release();
            } else {
                if (job.symbolCipher)
                    blockCipher.pass(block.input, place);
                pool->start([&blockCipher, &block] {
                    blockCipher.cipher(block);
                    block.ciphered.release();
                });
            }
            inFlight.push_back(&block);
        }
        if (inFlight.empty())
            return true;

        Block &block = *inFlight.front();
        inFlight.pop_front();
        block.ciphered.acquire();
        outcome.unencodable += block.unencodable;
        outcome.undecodable += block.undecodable;
        if (block.tooLongLine > 0) {
            outcome.status = CipherOutcome::Status::LineTooLong;
            outcome.lineNumber += block.tooLongLine;
            return false;
        }
        outcome.lineNumber += block.lines;
        if (!writeAll(output, block.output)) {
            outcome.status = CipherOutcome::Status::WriteFailed;
            return false;
        }
        if (job.progress)
            job.progress();
    }
}

} // namespace

CipherOutcome cipherLines(QIODevice &input, QIODevice &output, const CipherJob &job)
{
    CipherOutcome outcome;
    MarkedInput marked(input);
    const TextEncoding *inputEncoding = marked.mark() == MarkedInput::Mark::None ? job.encoding : TextEncoding::utf8();
    outcome.inputEncoding = marked.mark() == MarkedInput::Mark::None ? job.encoding->name() : marked.markedEncodingName();

    const KeyTable &table = job.table ? *job.table : fixedKeyTable();

    BlockReader reader(marked, job.blockBytes, job.maxLineBytes);
    const BlockCipher blockCipher(job, table, *inputEncoding);
    // Random choices are drawn in the order of the text, and the autokey's
    // key is the plaintext before.
    const bool sequential = job.symbolCipher
        ? job.direction == CipherJob::Direction::Decrypt && job.symbolCipher->decryptionIsSequential()
        : job.randomChoice != nullptr;
    const int jobs = sequential ? 1 : qMax(job.jobs, 1);
    // Two blocks beyond those being ciphered: one being read, one written.
    std::vector<std::unique_ptr<Block>> blocks(jobs == 1 ? 1 : std::size_t(jobs) + 2);
    for (auto &block : blocks) {
        block = std::make_unique<Block>();
        // Reserved, so that emptying them keeps their memory for the next block.
        block->input.reserve(int(qMin(job.blockBytes, qint64(16) << 20)));
        block->output.reserve(int(qMin(3 * job.blockBytes, qint64(48) << 20)));
    }
    // Made only for more than one job: a pool asks the system how many
    // cores there are, which costs a file read.
    std::optional<QThreadPool> pool;
    if (jobs > 1) {
        pool.emplace();
        pool->setMaxThreadCount(jobs);
    }

    const bool allWritten = cipherBlocks(reader, blockCipher, blocks, pool ? &*pool : nullptr, output, job, outcome);
    // After a failure, blocks may still be queued or being ciphered, and they
    // refer to the blocks and to blockCipher: none may outlive this line.
    if (pool) {
        pool->clear();
        pool->waitForDone();
    }
    if (!allWritten)
        return outcome;

    outcome.undecodable += marked.undecodableBytes();
    if (reader.readFailed()) {
        outcome.status = CipherOutcome::Status::ReadFailed;
    } else if (reader.lineTooLong()) {
        outcome.status = CipherOutcome::Status::LineTooLong;
        ++outcome.lineNumber;
    }
    return outcome;
}
