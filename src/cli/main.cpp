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

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

enum ExitStatus { Success = 0, FileError = 1, UsageError = 2 };

void writeTo(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

void reportError(const QString &message)
{
    writeTo(stderr, QStringLiteral("homophonic: ") + message + QLatin1Char('\n'));
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
                                                 "UTF-8 читается как UTF-8"),
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
        "Код завершения: 0 — готово, 1 — файл не удалось прочитать или записать,\n"
        "2 — ошибка в командной строке.\n"
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

int runCipher(const CipherJob &job, const QString &inputName, const QString &outputName)
{
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
                        .arg(LineReader::MaxLineBytes >> 20));
        return FileError;
    case CipherOutcome::Status::Done:
        break;
    }
    if (auto *saveFile = qobject_cast<QSaveFile *>(output.get()); saveFile && !saveFile->commit()) {
        reportError(QStringLiteral("не удалось сохранить ") + describeOutput(outputName) + QStringLiteral(": ")
                    + saveFile->errorString());
        return FileError;
    }
    if (outcome.unencodable > 0) {
        reportError(QStringLiteral("символов, которых нет в кодировке %1: %2; вместо них записан знак «?»")
                        .arg(job.encoding->name())
                        .arg(outcome.unencodable));
    }
    return Success;
}

int printTable()
{
    HomophoneTable table;
    fillHomophoneTable(table);
    QString text;
    for (const RowHR &row : table)
        text += row.symbol + QLatin1Char('\t') + row.codes[0] + QLatin1Char('\t') + row.codes[1]
            + QLatin1Char('\t') + row.codes[2] + QLatin1Char('\n');
    writeTo(stdout, text);
    if (std::ferror(stdout)) {
        reportError(QStringLiteral("не удалось записать стандартный вывод"));
        return FileError;
    }
    return Success;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("homophonic"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HOMOPHONIC_VERSION));

    const Options options;
    QCommandLineParser parser;
    parser.addOptions(options.all());
    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments))
        return usageError(parseError(parser, arguments, options));
    if (parser.isSet(options.help)) {
        writeTo(stdout, helpText(options));
        return Success;
    }
    if (parser.isSet(options.version)) {
        writeTo(stdout, QStringLiteral("homophonic %1\n").arg(QCoreApplication::applicationVersion()));
        return Success;
    }

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
        return printTable();
    }

    CipherJob job;
    if (command == QLatin1String("encrypt"))
        job.direction = CipherJob::Direction::Encrypt;
    else if (command == QLatin1String("decrypt"))
        job.direction = CipherJob::Direction::Decrypt;
    else
        return usageError(QStringLiteral("неизвестная команда ") + quoted(command)
                          + QStringLiteral(": ожидается encrypt, decrypt или table"));

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

    return runCipher(job, parser.value(options.input), parser.value(options.output));
}
