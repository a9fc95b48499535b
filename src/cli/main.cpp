// homophonic: the homophonic cipher for whole files, from a terminal or a
// script. The cipher is the window's own library; this file only reads the
// command line, opens the files and reports.
#include "filecipher.h"
#include "homophonic.h"
#include "linereader.h"
#include "textencoding.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

enum ExitStatus { Success = 0, FileError = 1, UsageError = 2 };

struct ClosedStreams
{
    bool input = false;
    bool output = false;
};

// Run with a standard stream closed, the process would hand that descriptor
// number to the next file it opens, such as the event loop's eventfd, and
// read or write that as the stream. /dev/null holds the place instead, and
// the tool reports a closed stream that it needs.
ClosedStreams reopenClosedStandardStreams()
{
    bool closed[3] = {};
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        closed[descriptor] = true;
        const int null = open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != descriptor) {
            dup2(null, descriptor);
            close(null);
        }
    }
    ClosedStreams streams;
    streams.input = closed[STDIN_FILENO];
    streams.output = closed[STDOUT_FILENO];
    return streams;
}

void reportError(const QString &message)
{
    const QByteArray bytes = (QStringLiteral("homophonic: ") + message + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

const QString closedReason = QStringLiteral("он закрыт");

// Help, version and table go to standard output; a failure to write them is
// a file error like any other.
int printText(const QString &text, const ClosedStreams &closed)
{
    const QString failed = QStringLiteral("не удалось записать стандартный вывод: ");
    if (closed.output) {
        reportError(failed + closedReason);
        return FileError;
    }
    QFile out;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray bytes = text.toLocal8Bit();
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 count = out.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0) {
            reportError(failed + out.errorString());
            return FileError;
        }
        written += count;
    }
    return Success;
}

int usageError(const QString &message)
{
    reportError(message + QStringLiteral(" (справка: homophonic --help)"));
    return UsageError;
}

QString quoted(const QString &text)
{
    return QStringLiteral("«") + text + QStringLiteral("»");
}

QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

struct Options
{
    QCommandLineOption key { { QStringLiteral("k"), QStringLiteral("key") },
                             QStringLiteral("ключ: число закрытых алфавитов, от 1 до 3"),
                             QStringLiteral("K") };
    QCommandLineOption input { { QStringLiteral("i"), QStringLiteral("input") },
                               QStringLiteral("читать текст из файла, а не со стандартного ввода"),
                               QStringLiteral("ФАЙЛ") };
    QCommandLineOption output { { QStringLiteral("o"), QStringLiteral("output") },
                                QStringLiteral("записать результат в файл, а не на стандартный вывод; "
                                               "прежний файл заменяется только после успешной записи"),
                                QStringLiteral("ФАЙЛ") };
    QCommandLineOption encoding { { QStringLiteral("e"), QStringLiteral("encoding") },
                                  QStringLiteral("кодировка входа и выхода: windows-1251 (по умолчанию, как "
                                                 "в окне программы) или utf-8; файл с меткой порядка байтов "
                                                 "(UTF-8, UTF-16, UTF-32) читается в кодировке метки"),
                                  QStringLiteral("КОДИРОВКА") };
    QCommandLineOption help { { QStringLiteral("h"), QStringLiteral("help") },
                              QStringLiteral("показать эту справку") };
    QCommandLineOption version { { QStringLiteral("v"), QStringLiteral("version") },
                                 QStringLiteral("показать версию программы") };

    QList<QCommandLineOption> all() const { return { key, input, output, encoding, help, version }; }
    QList<QCommandLineOption> ofCipher() const { return { key, input, output, encoding }; }
};

// Breaks text into lines of at most width columns, all but the first
// indented by indent spaces.
QString wrapped(const QString &text, int indent, int width)
{
    QString result;
    int column = indent;
    for (const QString &word : text.split(QLatin1Char(' '))) {
        if (column > indent && column + 1 + word.size() > width) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
        } else if (column > indent) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result;
}

QString helpText(const Options &options)
{
    QString text = QStringLiteral(
        "Использование:\n"
        "  homophonic encrypt --key K [--input ФАЙЛ] [--output ФАЙЛ] [--encoding КОДИРОВКА]\n"
        "  homophonic decrypt --key K [--input ФАЙЛ] [--output ФАЙЛ] [--encoding КОДИРОВКА]\n"
        "  homophonic table\n"
        "\n"
        "Гомофоническая замена для целых файлов. Каждая строка шифруется или\n"
        "расшифровывается отдельно, так же как последняя строка в окне программы\n"
        "«Шифрование методами подстановки»; концы строк (LF или CRLF) сохраняются.\n"
        "\n"
        "Команды:\n"
        "  encrypt  зашифровать текст\n"
        "  decrypt  расшифровать текст\n"
        "  table    показать таблицу: символ и три его кода\n"
        "\n"
        "Параметры:\n");
    for (const QCommandLineOption &option : options.all()) {
        QStringList names;
        for (const QString &name : option.names())
            names << dashed(name);
        QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            left += QLatin1Char(' ') + option.valueName();
        const int indent = 29;
        text += left.leftJustified(indent - 1) + QLatin1Char(' ') + wrapped(option.description(), indent, 79)
            + QLatin1Char('\n');
    }
    text += QStringLiteral(
        "\n"
        "Каждый параметр указывается не больше одного раза; пустое имя файла —\n"
        "ошибка, а не стандартный поток.\n"
        "\n"
        "Код завершения: 0 — готово, 1 — файл или стандартный поток не удалось\n"
        "прочитать или записать (или поток закрыт), 2 — ошибка в командной строке.\n"
        "\n"
        "Пример:\n"
        "  homophonic encrypt --key 2 --input задание.txt --output шифр.txt\n"
        "  homophonic decrypt --key 2 --input шифр.txt\n");
    return text;
}

QString parseError(const QCommandLineParser &parser, const QStringList &arguments, const Options &options)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("неизвестный параметр ") + quoted(dashed(unknown.first()));
    // QCommandLineParser takes the next argument as the value, so a value
    // can only be missing after the last argument.
    const QString last = arguments.last();
    for (const QCommandLineOption &option : options.ofCipher()) {
        for (const QString &name : option.names()) {
            if (last == dashed(name))
                return QStringLiteral("у параметра ") + quoted(last) + QStringLiteral(" нет значения");
        }
    }
    return QStringLiteral("ошибка в командной строке: ") + parser.errorText();
}

QString describeInput(const QString &fileName)
{
    return fileName.isEmpty() ? QStringLiteral("стандартный ввод")
                              : QStringLiteral("файл ") + quoted(QDir::toNativeSeparators(fileName));
}

QString describeOutput(const QString &fileName)
{
    return fileName.isEmpty() ? QStringLiteral("стандартный вывод")
                              : QStringLiteral("файл ") + quoted(QDir::toNativeSeparators(fileName));
}

// A regular file is replaced atomically through QSaveFile. A device or a pipe
// given by name (/dev/stdout, a FIFO) is written to as it is: renaming a
// temporary file over it would replace the device node itself.
std::unique_ptr<QFileDevice> openOutput(const QString &fileName)
{
    if (fileName.isEmpty()) {
        auto out = std::make_unique<QFile>();
        out->open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
        return out;
    }
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        auto out = std::make_unique<QFile>(fileName);
        out->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        return out;
    }
    auto out = std::make_unique<QSaveFile>(fileName);
    out->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return out;
}

int runCipher(const CipherJob &job, const QString &inputName, const QString &outputName, const ClosedStreams &closed)
{
    if (inputName.isEmpty() && closed.input) {
        reportError(QStringLiteral("не удалось прочитать ") + describeInput(inputName) + QStringLiteral(": ") + closedReason);
        return FileError;
    }
    if (outputName.isEmpty() && closed.output) {
        reportError(QStringLiteral("не удалось записать ") + describeOutput(outputName) + QStringLiteral(": ") + closedReason);
        return FileError;
    }

    QFile input;
    if (inputName.isEmpty()) {
        input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    } else {
        input.setFileName(inputName);
        if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            reportError(QStringLiteral("не удалось открыть ") + describeInput(inputName) + QStringLiteral(": ")
                        + input.errorString());
            return FileError;
        }
    }

    const std::unique_ptr<QFileDevice> output = openOutput(outputName);
    if (!output->isOpen()) {
        reportError(QStringLiteral("не удалось создать ") + describeOutput(outputName) + QStringLiteral(": ")
                    + output->errorString());
        return FileError;
    }

    // An uncommitted QSaveFile removes its temporary file when destroyed, so
    // every early return below leaves the previous output as it was.
    const CipherOutcome outcome = cipherLines(input, *output, job);
    switch (outcome.status) {
    case CipherOutcome::Status::ReadFailed:
        reportError(QStringLiteral("не удалось прочитать ") + describeInput(inputName) + QStringLiteral(": ")
                    + input.errorString());
        return FileError;
    case CipherOutcome::Status::WriteFailed:
        reportError(QStringLiteral("не удалось записать ") + describeOutput(outputName) + QStringLiteral(": ")
                    + output->errorString());
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
    // The output is unbuffered, so this writes nothing; but were anything
    // left in a buffer, commit() would write it without reporting a failure.
    if (!output->flush()) {
        reportError(QStringLiteral("не удалось записать ") + describeOutput(outputName) + QStringLiteral(": ")
                    + output->errorString());
        return FileError;
    }
    if (auto *saveFile = qobject_cast<QSaveFile *>(output.get()); saveFile && !saveFile->commit()) {
        reportError(QStringLiteral("не удалось сохранить ") + describeOutput(outputName) + QStringLiteral(": ")
                    + saveFile->errorString());
        return FileError;
    }
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

int printTable(const ClosedStreams &closed)
{
    HomophoneTable table;
    fillHomophoneTable(table);
    QString text;
    for (const RowHR &row : table)
        text += row.symbol + QLatin1Char('\t') + row.codes[0] + QLatin1Char('\t') + row.codes[1]
            + QLatin1Char('\t') + row.codes[2] + QLatin1Char('\n');
    return printText(text, closed);
}

} // namespace

int main(int argc, char *argv[])
{
    const ClosedStreams closed = reopenClosedStandardStreams();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("homophonic"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HOMOPHONIC_VERSION));

    const Options options;
    QCommandLineParser parser;
    parser.addOptions(options.all());
    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments))
        return usageError(parseError(parser, arguments, options));
    if (parser.isSet(options.help))
        return printText(helpText(options), closed);
    if (parser.isSet(options.version))
        return printText(QStringLiteral("homophonic %1\n").arg(QCoreApplication::applicationVersion()), closed);

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("не указана команда: encrypt, decrypt или table"));
    if (positional.size() > 1)
        return usageError(QStringLiteral("лишний аргумент ") + quoted(positional.at(1)));
    const QString command = positional.first();

    if (command == QLatin1String("table")) {
        for (const QCommandLineOption &option : options.ofCipher()) {
            if (parser.isSet(option))
                return usageError(QStringLiteral("команда table не принимает параметр ")
                                  + quoted(dashed(option.names().constLast())));
        }
        return printTable(closed);
    }

    CipherJob job;
    if (command == QLatin1String("encrypt"))
        job.direction = CipherJob::Direction::Encrypt;
    else if (command == QLatin1String("decrypt"))
        job.direction = CipherJob::Direction::Decrypt;
    else
        return usageError(QStringLiteral("неизвестная команда ") + quoted(command)
                          + QStringLiteral(": ожидается encrypt, decrypt или table"));

    // The last of several values is not necessarily the one meant, and an
    // empty file name is most often a variable that was never set: neither
    // is guessed at.
    for (const QCommandLineOption &option : options.ofCipher()) {
        if (parser.values(option).size() > 1)
            return usageError(QStringLiteral("параметр ") + quoted(dashed(option.names().constLast()))
                              + QStringLiteral(" указан больше одного раза"));
    }
    for (const QCommandLineOption &option : { options.input, options.output }) {
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return usageError(QStringLiteral("пустое имя файла у параметра ") + quoted(dashed(option.names().constLast()))
                              + QStringLiteral(": без параметра используется стандартный поток"));
    }

    if (!parser.isSet(options.key))
        return usageError(QStringLiteral("не указан ключ: --key 1, 2 или 3"));
    const QString key = parser.value(options.key);
    bool isNumber = false;
    job.alphabetCount = key.toInt(&isNumber);
    if (!isNumber || job.alphabetCount < 1 || job.alphabetCount > 3)
        return usageError(QStringLiteral("ключ должен быть числом от 1 до 3, а не ") + quoted(key));

    const QString encoding = parser.value(options.encoding).toLower();
    if (encoding.isEmpty() || encoding == QLatin1String("windows-1251") || encoding == QLatin1String("cp1251")) {
        if (parser.isSet(options.encoding) && encoding.isEmpty())
            return usageError(QStringLiteral("не указана кодировка: windows-1251 или utf-8"));
        job.encoding = TextEncoding::windows1251();
        if (!job.encoding) {
            reportError(QStringLiteral("в этой сборке Qt нет кодировки windows-1251"));
            return FileError;
        }
    } else if (encoding == QLatin1String("utf-8") || encoding == QLatin1String("utf8")) {
        job.encoding = TextEncoding::utf8();
    } else {
        return usageError(QStringLiteral("неизвестная кодировка ") + quoted(parser.value(options.encoding))
                          + QStringLiteral(": ожидается windows-1251 или utf-8"));
    }

    return runCipher(job, parser.value(options.input), parser.value(options.output), closed);
}
