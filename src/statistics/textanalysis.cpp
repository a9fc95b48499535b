#include "textanalysis.h"

#include "frequencyreport.h"
#include "lineend.h"
#include "linereader.h"
#include "markedinput.h"
#include "pairreport.h"
#include "textencoding.h"

#include <QIODevice>

#include <functional>
#include <memory>

namespace {

// The start of a file that decides how it is read first.
constexpr qint64 GuessBytes = 64 * 1024;

using LineHandler = std::function<void(const Line &, const TextEncoding &)>;

template <typename T>
const T *given(const std::optional<T> &value)
{
    return value ? &*value : nullptr;
}

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
// when the encoding of the input is known. The first reading of a text takes
// its pairs and its symbols for the period statistics too; a second reading,
// when the guess changed its mind, only counts the frequencies again.
class LineCounter
{
public:
    LineCounter(const AnalysisJob &job, FrequencyAnalysis::Reading reading)
        : m_job(job)
        , m_reading(reading)
    {
    }

    void readAgain(FrequencyAnalysis::Reading reading)
    {
        m_reading = reading;
        m_analysis.reset();
        m_firstReading = false;
    }

    void count(const Line &line, const TextEncoding &encoding);
    void takeCounts(AnalysisOutcome &outcome);

private:
    void start(const TextEncoding &encoding);
    void countSymbols(const ByteDecoding *bytes, const Line &line);

    const AnalysisJob &m_job;
    FrequencyAnalysis::Reading m_reading;
    bool m_firstReading = true;
    std::unique_ptr<FrequencyAnalysis> m_analysis;
    std::unique_ptr<SideBySideAnalysis> m_sideBySide;
    std::unique_ptr<PairCounter> m_pairs; // of the text as read
    PairCounter m_cipherPairs;            // of a symbol cipher's ciphertext
    PeriodSymbols m_periodSymbols;
    QString m_text;
};

void LineCounter::start(const TextEncoding &encoding)
{
    if (m_job.symbolCipher) {
        m_sideBySide = std::make_unique<SideBySideAnalysis>(fixedKeyTable(), symbolLineEncryption(*m_job.symbolCipher),
                                                            FrequencyCounts::Kind::Symbols);
    } else if (m_job.alphabetCount > 0) {
        m_sideBySide = std::make_unique<SideBySideAnalysis>(
            *m_job.table, m_job.randomChoice
                ? randomLineEncryption(*m_job.table, m_job.alphabetCount, *m_job.randomChoice)
                : homophonicLineEncryption(*m_job.table, m_job.alphabetCount));
    } else {
        m_analysis = std::make_unique<FrequencyAnalysis>(m_reading, *m_job.table, encoding.byteDecoding());
    }
    if (!m_pairs)
        m_pairs = std::make_unique<PairCounter>(encoding.byteDecoding());
}

void LineCounter::count(const Line &line, const TextEncoding &encoding)
{
    if (!m_analysis && !m_sideBySide)
        start(encoding);
    if (m_analysis && encoding.byteDecoding()) {
        m_analysis->addBytes(line.data, line.size);
        if (m_firstReading)
            countSymbols(encoding.byteDecoding(), line);
        return;
    }
    encoding.decode(line.data, line.size, m_text);
    if (m_analysis)
        m_analysis->addLine(m_text);
    else
        m_sideBySide->addLine(m_text);
    if (m_firstReading)
        countSymbols(nullptr, line);
}

// From the line's bytes when they are given, else from its decoded text and
// what it was encrypted to.
void LineCounter::countSymbols(const ByteDecoding *bytes, const Line &line)
{
    if (bytes) {
        m_pairs->addBytes(line.data, line.size);
        if (!m_periodSymbols.isFull())
            m_periodSymbols.addBytes(line.data, line.size, *bytes);
        return;
    }
    m_pairs->addLine(m_text);
    if (m_job.symbolCipher) {
        m_cipherPairs.addLine(m_sideBySide->cipherLine());
        if (!m_periodSymbols.isFull())
            m_periodSymbols.addText(m_sideBySide->cipherLine());
    } else if (!m_periodSymbols.isFull()) {
        m_periodSymbols.addText(m_text);
    }
}

void LineCounter::takeCounts(AnalysisOutcome &outcome)
{
    if (m_sideBySide) {
        outcome.plain = m_sideBySide->plainCounts();
        outcome.cipher = m_sideBySide->cipherCounts();
        outcome.plainPairs = m_pairs->counts();
        if (m_job.symbolCipher)
            outcome.cipherPairs = m_cipherPairs.counts();
    } else if (m_analysis) {
        const bool plain = m_analysis->kind() == TextKind::Plain;
        (plain ? outcome.plain : outcome.cipher) = m_analysis->counts();
        if (plain)
            outcome.plainPairs = m_pairs->counts();
        if (m_analysis->guessed())
            outcome.guess = m_analysis->tally();
    }
    outcome.periodSymbols = std::move(m_periodSymbols);
}

} // namespace

AnalysisOutcome analyzeText(QIODevice &input, const AnalysisJob &job)
{
    AnalysisOutcome outcome;
    FrequencyAnalysis::Reading reading = job.reading;
    const bool encrypting = job.alphabetCount > 0 || job.symbolCipher;
    // A file guessed from its start is tallied whole on the way.
    std::optional<CodeTokenTally> wholeTally;
    if (!encrypting && reading == FrequencyAnalysis::Reading::Guess && !input.isSequential()) {
        const std::optional<FrequencyAnalysis::Reading> start = readingOfStart(input);
        if (!start) {
            outcome.status = AnalysisOutcome::Status::ReadFailed;
            return outcome;
        }
        reading = *start;
        wholeTally.emplace();
    }
    LineCounter counter(job, reading);

    outcome.status = readLines(input, job.encoding, outcome.lineNumber, [&](const Line &line, const TextEncoding &encoding) {
        if (wholeTally)
            wholeTally->addBytes(line.data, line.size);
        counter.count(line, encoding);
    });
    if (outcome.status != AnalysisOutcome::Status::Done)
        return outcome;
    if (wholeTally && wholeTally->looksLikeCipher() != (reading == FrequencyAnalysis::Reading::Cipher)) {
        counter.readAgain(wholeTally->looksLikeCipher() ? FrequencyAnalysis::Reading::Cipher
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

QString analysisTextReport(const AnalysisOutcome &outcome, const PeriodReport &periods)
{
    QString text;
    if (outcome.guess)
        text = guessStatement(*outcome.guess) + QStringLiteral("\n\n");
    text += outcome.plain && outcome.cipher ? sideBySideTextReport(*outcome.plain, *outcome.cipher)
                                            : frequencyTextReport(outcome.plain ? *outcome.plain : *outcome.cipher);
    if (periods.symbols > 0)
        text += QLatin1Char('\n') + periodTextReport(periods);
    if (outcome.plainPairs)
        text += QLatin1Char('\n') + pairTextReport(given(outcome.plainPairs), given(outcome.cipherPairs));
    return text;
}

QByteArray analysisJson(const AnalysisOutcome &outcome, const PeriodReport &periods)
{
    return frequencyJson(given(outcome.plain), given(outcome.cipher),
                         periods.symbols > 0 ? periodJson(periods) : QJsonObject(), given(outcome.plainPairs),
                         given(outcome.cipherPairs));
}
