// encrypt and decrypt: the cipher over whole files, line by line.
#include "commandline.h"
#include "commands.h"
#include "filecipher.h"
#include "textencoding.h"

#include <QFile>

#include <unistd.h>

namespace {

int runCipher(const Invocation &invocation, CipherJob::Direction direction)
{
    const Options &options = invocation.options;
    CipherJob job;
    job.direction = direction;

    if (!invocation.isSet(options.key))
        return usageError(QStringLiteral("не указан ключ: --key 1, 2 или 3"));
    const QString key = invocation.value(options.key);
    bool isNumber = false;
    job.alphabetCount = key.toInt(&isNumber);
    if (!isNumber || job.alphabetCount < 1 || job.alphabetCount > 3)
        return usageError(QStringLiteral("ключ должен быть числом от 1 до 3, а не ") + quoted(key));

    int status = Success;
    job.encoding = chosenEncoding(invocation, status);
    if (!job.encoding)
        return status;

    const QString inputName = invocation.value(options.input);
    QFile input;
    if (inputName.isEmpty()) {
        if (invocation.closed.input) {
            reportError(QStringLiteral("не удалось прочитать ") + describeInput(inputName)
                        + QStringLiteral(": он закрыт"));
            return FileError;
        }
        input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    } else {
        input.setFileName(inputName);
        if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            reportError(QStringLiteral("не удалось открыть ") + describeInput(inputName) + QStringLiteral(": ")
                        + input.errorString());
            return FileError;
        }
    }

    OutputTarget output(invocation.value(options.output));
    if (!output.open(invocation.closed))
        return FileError;

    const CipherOutcome outcome = cipherLines(input, output.device(), job);
    switch (outcome.status) {
    case CipherOutcome::Status::ReadFailed:
        reportError(QStringLiteral("не удалось прочитать ") + describeInput(inputName) + QStringLiteral(": ")
                    + input.errorString());
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
