// encrypt and decrypt: the cipher over whole files, line by line.
#include "commandline.h"
#include "commands.h"
#include "filecipher.h"
#include "textencoding.h"

#include <QFile>

namespace {

int runCipher(const Invocation &invocation, CipherJob::Direction direction)
{
    const Options &options = invocation.options;
    CipherJob job;
    job.direction = direction;

    if (!invocation.isSet(options.key))
        return usageError(QStringLiteral("не указан ключ: --key 1, 2 или 3"));
    job.alphabetCount = chosenKey(invocation);
    if (job.alphabetCount == 0)
        return UsageError;

    int status = Success;
    job.encoding = chosenEncoding(invocation, status);
    if (!job.encoding)
        return status;
    CodeChoice choice;
    if (!choice.parse(invocation))
        return UsageError;
    job.randomChoice = choice.random();
    // A bad key file is found before any output file is touched.
    const std::optional<HomophoneTable> table = chosenTable(invocation, status);
    if (!table)
        return status;
    job.table = &*table;

    const QString inputName = invocation.value(options.input);
    QFile input;
    if (!openInput(invocation, input))
        return FileError;

    OutputTarget output(invocation.value(options.output));
    if (!output.open(invocation.closed))
        return FileError;

    const CipherOutcome outcome = cipherLines(input, output.device(), job);
    switch (outcome.status) {
    case CipherOutcome::Status::ReadFailed:
        reportReadFailure(invocation, input);
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

} // namespace

int runEncrypt(const Invocation &invocation)
{
    return runCipher(invocation, CipherJob::Direction::Encrypt);
}

int runDecrypt(const Invocation &invocation)
{
    return runCipher(invocation, CipherJob::Direction::Decrypt);
}
