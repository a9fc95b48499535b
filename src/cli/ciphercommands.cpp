// encrypt and decrypt: the cipher over whole files, line by line.
#include "commandline.h"
#include "commands.h"
#include "familyoptions.h"
#include "filecipher.h"
#include "textencoding.h"

#include <QElapsedTimer>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// One line on a terminal's standard error while a regular file is ciphered
// for more than a second: how far, how fast, how long still. Cleared at the
// end, so that only messages stay.
class CipherProgress
{
public:
    CipherProgress(const QFile &input, bool quiet)
        : m_input(input)
    {
        struct stat status;
        m_enabled = !quiet && isatty(STDERR_FILENO) && fstat(input.handle(), &status) == 0
            && S_ISREG(status.st_mode) && status.st_size > 0;
        m_total = m_enabled ? qint64(status.st_size) : 0;
        m_timer.start();
    }

    void show()
    {
        const qint64 elapsed = m_timer.elapsed();
        if (!m_enabled || elapsed < 1000 || elapsed - m_shownAt < 250)
            return;
        m_shownAt = elapsed;
        const qint64 done = qMin(m_input.pos(), m_total);
        const double seconds = elapsed / 1000.0;
        const double rate = done / seconds;
        m_line.show(QStringLiteral("%1 %, %2 МиБ/с, осталось %3 с")
                        .arg(100 * done / m_total)
                        .arg(qRound64(rate / (1 << 20)))
                        .arg(rate > 0 ? qRound64((m_total - done) / rate) : 0));
    }

    void clear() { m_line.clear(); }

private:
    const QFile &m_input;
    bool m_enabled = false;
    qint64 m_total = 0;
    QElapsedTimer m_timer;
    qint64 m_shownAt = 0;
    TerminalLine m_line;
};

// Runs a job whose key is set, from the input to the output that the
// command line names.
int runJob(const Invocation &invocation, CipherJob &job)
{
    const QString inputName = invocation.value("input");
    QFile input;
    if (!openInput(inputName, invocation.closed, input))
        return FileError;

    OutputTarget output(invocation.value("output"));
    if (!output.open(invocation.closed))
        return FileError;

    CipherProgress progress(input, invocation.isSet("quiet"));
    job.progress = [&progress] { progress.show(); };
    const CipherOutcome outcome = cipherLines(input, output.device(), job);
    progress.clear();
    switch (outcome.status) {
    case CipherOutcome::Status::ReadFailed:
        reportReadFailure(inputName, input);
        return FileError;
    case CipherOutcome::Status::WriteFailed:
        output.reportWriteFailure();
        return FileError;
    case CipherOutcome::Status::LineTooLong:
        reportError(QStringLiteral("строка %1 (%2) длиннее %3 МиБ, такие строки не поддерживаются")
                        .arg(outcome.lineNumber)
                        .arg(describeInput(inputName))
                        .arg(job.maxLineBytes >> 20));
        return FileError;
    case CipherOutcome::Status::Done:
        break;
    }
    if (!output.finish())
        return FileError;

    if (outcome.undecodable > 0) {
        reportError(QStringLiteral("байтов, которые не удалось прочитать в кодировке %1: %2; вместо каждого "
                                   "взят знак замены U+FFFD")
                        .arg(outcome.inputEncoding)
                        .arg(outcome.undecodable));
    }
    if (outcome.unencodable > 0) {
        reportError(QStringLiteral("символов, которых нет в кодировке %1: %2; вместо них записан знак «?»")
                        .arg(job.encoding->name())
                        .arg(outcome.unencodable));
    }
    return Success;
}

int runHomophonic(const Invocation &invocation, CipherJob::Direction direction)
{
    CipherJob job;
    job.direction = direction;

    // The fixed table's key is checked first, as it always was; a key file's
    // once the file is read, since its rows give the key's range.
    const bool ownTable = givesOwnTable(invocation);
    std::optional<int> key;
    if (!ownTable) {
        key = chosenKey(invocation, fixedKeyTable());
        if (!key)
            return UsageError;
    }

    const std::optional<TextEncoding::Kind> encoding = chosenEncoding(invocation);
    if (!encoding)
        return UsageError;
    job.encoding = loadedEncoding(*encoding);
    if (!job.encoding)
        return FileError;
    // decrypt takes no --choice: its codes are read, not chosen.
    std::optional<CodeChoiceOptions> choiceOptions = CodeChoiceOptions();
    if (direction == CipherJob::Direction::Encrypt) {
        choiceOptions = chosenCodeChoice(invocation);
        if (!choiceOptions)
            return UsageError;
    }
    CodeChoice choice(*choiceOptions);
    job.randomChoice = choice.random();
    const std::optional<int> jobs = chosenJobs(invocation);
    if (!jobs)
        return UsageError;
    job.jobs = *jobs;
    // A bad key file is found before any output file is touched.
    const std::optional<KeyTable> table = chosenTable(invocation);
    if (!table)
        return UsageError;
    job.table = &*table;
    if (ownTable) {
        key = chosenKey(invocation, *table);
        if (!key)
            return UsageError;
    }
    job.alphabetCount = *key;
    return runJob(invocation, job);
}

int runSymbols(const Invocation &invocation, const CipherFamily &family, CipherJob::Direction direction)
{
    const std::optional<SymbolKey> key = chosenSymbolKey(invocation, family);
    if (!key)
        return UsageError;
    const std::optional<TextEncoding::Kind> encoding = chosenEncoding(invocation);
    if (!encoding)
        return UsageError;
    const std::optional<int> jobs = chosenJobs(invocation);
    if (!jobs)
        return UsageError;
    CipherJob job;
    job.direction = direction;
    job.encoding = loadedEncoding(*encoding);
    if (!job.encoding)
        return FileError;
    job.jobs = *jobs;
    const SymbolCipher cipher(*key);
    job.symbolCipher = &cipher;
    return runJob(invocation, job);
}

int runCipher(const Invocation &invocation, CipherJob::Direction direction)
{
    const std::optional<const CipherFamily *> family = chosenFamily(invocation);
    if (!family)
        return UsageError;
    return (*family)->isHomophonic() ? runHomophonic(invocation, direction)
                                     : runSymbols(invocation, **family, direction);
}

} // namespace

int runEncrypt(const Invocation &invocation)
{
    return runCipher(invocation, CipherJob::Direction::Encrypt);
}

int runDecrypt(const Invocation &invocation)
{
    return runCipher(invocation, CipherJob::Direction::Decrypt);
}
