#include "textanalysis.h"

#include "lineend.h"
#include "linereader.h"
#include "markedinput.h"
#include "textencoding.h"

#include <QIODevice>

#include <functional>
#include <memory>

namespace {

// The start of a file that decides how it is read first.
constexpr qint64 GuessBytes = 64 * 1024;

using LineHandler = std::function<void(const Line &, const TextEncoding &)>;

// Hands every line of input to onLine, with the encoding its bytes are in.
AnalysisOutcome::Status readLines(QIODevice &input, const TextEncoding *chosen, qint64 &lineNumber,
                                  const LineHandler &onLine)
{
    MarkedInput marked(input);
    const TextEncoding &encoding = marked.mark() == MarkedInput::Mark::None ? *chosen : *TextEncoding::utf8();
    LineReader reader(marked);
    Line line;
    lineNumber = 0;
    while (reader.next(line)) {
        ++lineNumber;
        onLine(line, encoding);
    }
    if (reader.readFailed())
        return AnalysisOutcome::Status::ReadFailed;
    if (reader.lineTooLong()) {
        ++lineNumber;
        return AnalysisOutcome::Status::LineTooLong;
    }
    return AnalysisOutcome::Status::Done;
}

// The reading that the start of a file suggests; nothing after a read error
// or when the file cannot be read again from its start.
std::optional<FrequencyAnalysis::Reading> readingOfStart(QIODevice &input)
{
    QByteArray head(int(GuessBytes), Qt::Uninitialized);
    const qint64 count = input.read(head.data(), GuessBytes);
    if (count < 0 || !input.seek(0))
        return std::nullopt;
    CodeTokenTally tally;
    forEachLine(head.constData(), head.constData() + count, [&tally](const char *begin, const char *end, LineEnding) {
        tally.addBytes(begin, int(end - begin));
    });
    return tally.looksLikeCipher() ? FrequencyAnalysis::Reading::Cipher : FrequencyAnalysis::Reading::Plain;
}

// Counts lines as the job says, building its counters at the first line,
// when the encoding of the input is known.
class LineCounter
{
public:
    explicit LineCounter(const AnalysisJob &job)
        : m_job(job)
    {
    }

    void restart(FrequencyAnalysis::Reading reading)
    {
        m_reading = reading;
        m_analysis.reset();
    }

    void count(const Line &line, const TextEncoding &encoding);
    void takeCounts(AnalysisOutcome &outcome) const;
    const FrequencyAnalysis *analysis() const { return m_analysis.get(); }

private:
    const AnalysisJob &m_job;
    FrequencyAnalysis::Reading m_reading = FrequencyAnalysis::Reading::Guess;
    std::unique_ptr<FrequencyAnalysis> m_analysis;
    std::unique_ptr<SideBySideAnalysis> m_sideBySide;
    QString m_text;
};

void LineCounter::count(const Line &line, const TextEncoding &encoding)
{
    if (!m_analysis && !m_sideBySide) {
        if (m_job.alphabetCount > 0) {
            m_sideBySide = std::make_unique<SideBySideAnalysis>(
                *m_job.table, m_job.randomChoice
                    ? randomLineEncryption(*m_job.table, m_job.alphabetCount, *m_job.randomChoice)
                    : homophonicLineEncryption(*m_job.table, m_job.alphabetCount));
        } else {
            m_analysis = std::make_unique<FrequencyAnalysis>(m_reading, *m_job.table, encoding.byteDecoding());
        }
    }
    if (m_analysis && encoding.byteDecoding()) {
        m_analysis->addBytes(line.data, line.size);
        return;
    }
    encoding.decode(line.data, line.size, m_text);
    if (m_analysis)
        m_analysis->addLine(m_text);
    else
        m_sideBySide->addLine(m_text);
}

void LineCounter::takeCounts(AnalysisOutcome &outcome) const
{
    if (m_sideBySide) {
        outcome.plain = m_sideBySide->plainCounts();
        outcome.cipher = m_sideBySide->cipherCounts();
    } else if (m_analysis) {
        (m_analysis->kind() == TextKind::Plain ? outcome.plain : outcome.cipher) = m_analysis->counts();
        if (m_analysis->guessed())
            outcome.guess = m_analysis->tally();
    }
}

} // namespace

AnalysisOutcome analyzeText(QIODevice &input, const AnalysisJob &job)
{
    AnalysisOutcome outcome;
    LineCounter counter(job);
    FrequencyAnalysis::Reading reading = job.reading;
    // A file guessed from its start is tallied whole on the way.
    std::optional<CodeTokenTally> wholeTally;
    if (job.alphabetCount == 0 && reading == FrequencyAnalysis::Reading::Guess && !input.isSequential()) {
        const std::optional<FrequencyAnalysis::Reading> start = readingOfStart(input);
        if (!start) {
            outcome.status = AnalysisOutcome::Status::ReadFailed;
            return outcome;
        }
        reading = *start;
        wholeTally.emplace();
    }
    counter.restart(reading);

    QString text;
    outcome.status = readLines(input, job.encoding, outcome.lineNumber, [&](const Line &line, const TextEncoding &encoding) {
        if (wholeTally)
            wholeTally->addBytes(line.data, line.size);
        counter.count(line, encoding);
        if (outcome.periodSymbols.isFull())
            return;
        if (const ByteDecoding *decoding = encoding.byteDecoding()) {
            outcome.periodSymbols.addBytes(line.data, line.size, *decoding);
        } else {
            encoding.decode(line.data, line.size, text);
            outcome.periodSymbols.addText(text);
        }
    });
    if (outcome.status != AnalysisOutcome::Status::Done)
        return outcome;
    if (wholeTally && wholeTally->looksLikeCipher() != (reading == FrequencyAnalysis::Reading::Cipher)) {
        counter.restart(wholeTally->looksLikeCipher() ? FrequencyAnalysis::Reading::Cipher
                                                      : FrequencyAnalysis::Reading::Plain);
        if (!input.seek(0)) {
            outcome.status = AnalysisOutcome::Status::ReadFailed;
            return outcome;
        }
        outcome.status = readLines(input, job.encoding, outcome.lineNumber,
                                   [&counter](const Line &line, const TextEncoding &encoding) {
                                       counter.count(line, encoding);
                                   });
        if (outcome.status != AnalysisOutcome::Status::Done)
            return outcome;
    }
    counter.takeCounts(outcome);
    if (wholeTally)
        outcome.guess = wholeTally;
    return outcome;
}
