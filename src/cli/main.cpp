// homophonic: the homophonic cipher for whole files, from a terminal or a
// script. This file reads the command line and hands it to the command named;
// the commands call the libraries and report.
#include "commandline.h"
#include "commands.h"

#include <QCoreApplication>

namespace {

struct Command
{
    QString name;
    QString usage;   // the line of --help after "homophonic "
    QString summary; // what it does, for --help
    QList<const QCommandLineOption *> options;
    int (*run)(const Invocation &);
};

QList<Command> commands(const Options &options)
{
    const QList<const QCommandLineOption *> decryptOptions { &options.key, &options.input, &options.output,
                                                             &options.encoding, &options.table,
                                                             &options.jobs, &options.quiet };
    return {
        { QStringLiteral("encrypt"),
          QStringLiteral("encrypt --key K [--input ФАЙЛ] [--output ФАЙЛ] [--encoding КОДИРОВКА]\n"
                         "                     [--table ФАЙЛ] [--choice cyclic|random] [--seed N]\n"
                         "                     [--jobs N] [--quiet]"),
          QStringLiteral("зашифровать текст"), decryptOptions + QList<const QCommandLineOption *> { &options.choice, &options.seed },
          runEncrypt },
        { QStringLiteral("decrypt"),
          QStringLiteral("decrypt --key K [--input ФАЙЛ] [--output ФАЙЛ] [--encoding КОДИРОВКА]\n"
                         "                     [--table ФАЙЛ] [--jobs N] [--quiet]"),
          QStringLiteral("расшифровать текст"), decryptOptions, runDecrypt },
        { QStringLiteral("table"), QStringLiteral("table [--table ФАЙЛ]"),
          QStringLiteral("показать таблицу в формате файла ключа (постоянную или проверенную из файла)"),
          { &options.table }, runTable },
        { QStringLiteral("keygen"),
          QStringLiteral("keygen [--output ФАЙЛ] [--seed N] [--homophones N]\n"
                         "  homophonic keygen --homophones proportional [--codes M] [--corpus ФАЙЛ]\n"
                         "                     [--output ФАЙЛ] [--seed N]"),
          QStringLiteral("сделать новый файл ключа со случайной таблицей"),
          { &options.output, &options.seed, &options.homophones, &options.codes, &options.corpus }, runKeygen },
        { QStringLiteral("analyze"),
          QStringLiteral("analyze [--input ФАЙЛ] [--encoding КОДИРОВКА] [--as plain|cipher]\n"
                         "                     [--format text|json] [--chart ФАЙЛ.svg]\n"
                         "  homophonic analyze --key K [--table ФАЙЛ] [--choice cyclic|random] [--seed N]\n"
                         "                     [--input ФАЙЛ] [--encoding КОДИРОВКА] [--format text|json]\n"
                         "                     [--chart ФАЙЛ.svg]"),
          QStringLiteral("частоты символов открытого текста или кодов шифртекста; с --key — "
                         "открытый текст рядом со своим шифртекстом"),
          { &options.key, &options.input, &options.encoding, &options.as, &options.format, &options.chart,
            &options.table, &options.choice, &options.seed },
          runAnalyze },
        { QStringLiteral("crack"),
          QStringLiteral("crack [--input ФАЙЛ] [--output ФАЙЛ] [--key-out ФАЙЛ]\n"
                         "                     [--encoding КОДИРОВКА] [--seed N] [--time-limit СЕКУНДЫ]\n"
                         "                     [--lock КОД=СИМВОЛ]... [--crib СЛОВО]... [--jobs N]\n"
                         "                     [--model ФАЙЛ] [--quiet]"),
          QStringLiteral("вскрыть шифртекст без ключа: найти таблицу и k по частотам русского текста"),
          { &options.input, &options.output, &options.keyOut, &options.encoding, &options.seed, &options.timeLimit,
            &options.lock, &options.crib, &options.jobs, &options.model, &options.quiet },
          runCrack },
        { QStringLiteral("model"), QStringLiteral("model --corpus ФАЙЛ --output ФАЙЛ"),
          QStringLiteral("построить модель языка для crack по русскому тексту"),
          { &options.corpus, &options.output }, runModel },
    };
}

QString commandNames(const QList<Command> &all)
{
    QStringList names;
    for (const Command &command : all)
        names << command.name;
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" или ") + last;
}

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

QString helpText(const Options &options, const QList<Command> &all)
{
    QString text = QStringLiteral("Использование:\n");
    for (const Command &command : all)
        text += QStringLiteral("  homophonic ") + command.usage + QLatin1Char('\n');
    text += QStringLiteral(
        "\n"
        "Гомофоническая замена для целых файлов. Каждая строка шифруется или\n"
        "расшифровывается отдельно, так же как последняя строка в окне программы\n"
        "«Шифрование методами подстановки»; концы строк (LF или CRLF) сохраняются.\n"
        "\n"
        "Команды:\n");
    for (const Command &command : all)
        text += QStringLiteral("  ") + command.name.leftJustified(9) + wrapped(command.summary, 11, 79)
            + QLatin1Char('\n');
    text += QStringLiteral("\nПараметры:\n");
    for (const QCommandLineOption *option : options.all()) {
        QStringList names;
        for (const QString &name : option->names())
            names << dashed(name);
        QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option->valueName().isEmpty())
            left += QLatin1Char(' ') + option->valueName();
        const int indent = 29;
        text += left.leftJustified(indent - 1) + QLatin1Char(' ') + wrapped(option->description(), indent, 79)
            + QLatin1Char('\n');
    }
    text += QStringLiteral(
        "\n"
        "Каждый параметр, кроме --lock и --crib, указывается не больше одного раза;\n"
        "пустое имя файла — ошибка, а не стандартный поток. Числа пишутся цифрами\n"
        "0–9, без знака и пробелов; в секундах дробная часть отделяется точкой (0.5).\n"
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
    for (const QCommandLineOption *option : options.all()) {
        if (option->valueName().isEmpty())
            continue;
        for (const QString &name : option->names()) {
            if (last == dashed(name))
                return QStringLiteral("у параметра ") + quoted(last) + QStringLiteral(" нет значения");
        }
    }
    return QStringLiteral("ошибка в командной строке: ") + parser.errorText();
}

// The options that the command does not take, values given twice (but for
// the few that add up) and empty file names are usage errors: the last of several values is not necessarily
// the one meant, and an empty file name is most often a variable that was
// never set. Returns an empty string when all is well.
QString optionError(const QCommandLineParser &parser, const Options &options, const Command &command)
{
    for (const QCommandLineOption *option : options.all()) {
        if (option == &options.help || option == &options.version || !parser.isSet(*option))
            continue;
        const QString name = quoted(dashed(option->names().constLast()));
        if (!command.options.contains(option))
            return QStringLiteral("команда %1 не принимает параметр %2").arg(command.name, name);
        if (parser.values(*option).size() > 1 && !options.repeatable().contains(option))
            return QStringLiteral("параметр ") + name + QStringLiteral(" указан больше одного раза");
        if (options.fileNames().contains(option) && parser.value(*option).isEmpty())
            return QStringLiteral("пустое имя файла у параметра ") + name
                + QStringLiteral(": без параметра используется стандартный поток");
    }
    return QString();
}

} // namespace

int main(int argc, char *argv[])
{
    const ClosedStreams closed = reopenClosedStandardStreams();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("homophonic"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HOMOPHONIC_VERSION));

    const Options options;
    const QList<Command> all = commands(options);
    QCommandLineParser parser;
    for (const QCommandLineOption *option : options.all())
        parser.addOption(*option);
    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments))
        return usageError(parseError(parser, arguments, options));
    if (parser.isSet(options.help))
        return printText(helpText(options, all), closed);
    if (parser.isSet(options.version))
        return printText(QStringLiteral("homophonic %1\n").arg(QCoreApplication::applicationVersion()), closed);

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("не указана команда: ") + commandNames(all));
    if (positional.size() > 1)
        return usageError(QStringLiteral("лишний аргумент ") + quoted(positional.at(1)));
    const QString name = positional.first();
    for (const Command &command : all) {
        if (command.name != name)
            continue;
        const QString error = optionError(parser, options, command);
        if (!error.isEmpty())
            return usageError(error);
        return command.run(Invocation { parser, options, closed });
    }
    return usageError(QStringLiteral("неизвестная команда ") + quoted(name) + QStringLiteral(": ожидается ")
                      + commandNames(all));
}
