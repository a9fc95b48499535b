// substitute (also answering as homophonic): the substitution ciphers for
// whole files, from a terminal or a script. This file reads the command line
// and hands it to the command named; the commands call the libraries and
// report.
#include "commandline.h"
#include "commands.h"
#include "options.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

QString commandNames()
{
    QStringList names;
    for (const Command &command : commands())
        names << command.name;
    return listed(names, QStringLiteral("или"));
}

QString parseError(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("неизвестный параметр ") + quoted(dashed(unknown.first()));
    // QCommandLineParser takes the next argument as the value, so a value
    // can only be missing after the last argument.
    const QString last = arguments.last();
    for (const OptionDeclaration &option : optionDeclarations()) {
        if (!option.takesValue())
            continue;
        for (const QString &name : option.names) {
            if (last == dashed(name))
                return QStringLiteral("у параметра ") + quoted(last) + QStringLiteral(" нет значения");
        }
    }
    return QStringLiteral("ошибка в командной строке: ") + parser.errorText();
}

// The options that the command does not take, values given twice (but for
// the options that add up) and empty file names are usage errors: the last
// of several values is not necessarily the one meant, and an empty file name
// is most often a variable that was never set. Returns an empty string when
// all is well.
QString optionError(const QCommandLineParser &parser, const QString &command)
{
    for (const OptionDeclaration &option : optionDeclarations()) {
        if (option.standsAlone() || !parser.isSet(option.longName()))
            continue;
        const QString name = quoted(dashed(option.longName()));
        if (!option.commands.contains(command))
            return QStringLiteral("команда %1 не принимает параметр %2").arg(command, name);
        if (!option.repeats && parser.values(option.longName()).size() > 1)
            return QStringLiteral("параметр ") + name + QStringLiteral(" указан больше одного раза");
        if (option.fileName && parser.value(option.longName()).isEmpty())
            return QStringLiteral("пустое имя файла у параметра ") + name
                + QStringLiteral(": без параметра используется стандартный поток");
    }
    return QString();
}

// The name the tool was run by, so that its messages and help speak of the
// command the user typed: substitute, or homophonic, the name it was first
// published under.
QString invokedName(const char *argv0)
{
    const QString name = argv0 ? QFileInfo(QFile::decodeName(argv0)).fileName() : QString();
    return name.isEmpty() ? QStringLiteral("substitute") : name;
}

} // namespace

const QList<Command> &commands()
{
    static const QList<Command> all {
        { QStringLiteral("encrypt"), QStringLiteral("зашифровать текст"), runEncrypt },
        { QStringLiteral("decrypt"), QStringLiteral("расшифровать текст"), runDecrypt },
        { QStringLiteral("table"),
          QStringLiteral("показать таблицу в формате файла ключа (постоянную или проверенную из файла)"), runTable },
        { QStringLiteral("keygen"), QStringLiteral("сделать новый файл ключа со случайной таблицей"), runKeygen },
        { QStringLiteral("analyze"),
          QStringLiteral("частоты символов открытого текста или кодов шифртекста и пары символов; с ключом "
                         "(--key или --cipher с ключом) — открытый текст рядом со своим шифртекстом"),
          runAnalyze },
        { QStringLiteral("crack"),
          QStringLiteral("вскрыть шифртекст без ключа: найти таблицу и k по частотам русского текста"), runCrack },
        { QStringLiteral("model"), QStringLiteral("построить модель языка для crack по русскому тексту"), runModel },
    };
    return all;
}

int main(int argc, char *argv[])
{
    const ClosedStreams closed = reopenClosedStandardStreams();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(invokedName(argc > 0 ? argv[0] : nullptr));
    QCoreApplication::setApplicationVersion(QStringLiteral(SUBSTITUTE_VERSION));
    // The reasons Qt gives for a failed open or read are quoted inside the
    // tool's Russian messages; its own Russian translation makes them read so.
    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_ru"), QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslation);

    const QStringList arguments = QCoreApplication::arguments();
    // The bash completion asks the tool itself, so that it offers exactly
    // the commands and options declared here.
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("--complete"))
        return printText(completionText(arguments.mid(2)), closed);

    QCommandLineParser parser;
    for (const OptionDeclaration &option : optionDeclarations())
        parser.addOption(option.parserOption());
    if (!parser.parse(arguments))
        return usageError(parseError(parser, arguments));
    if (parser.isSet(QStringLiteral("help")))
        return printText(helpText(QCoreApplication::applicationName()), closed);
    if (parser.isSet(QStringLiteral("version"))) {
        return printText(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                      QCoreApplication::applicationVersion()),
                         closed);
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("не указана команда: ") + commandNames());
    if (positional.size() > 1)
        return usageError(QStringLiteral("лишний аргумент ") + quoted(positional.at(1)));
    const QString name = positional.first();
    for (const Command &command : commands()) {
        if (command.name != name)
            continue;
        const QString error = optionError(parser, command.name);
        if (!error.isEmpty())
            return usageError(error);
        return command.run(Invocation { parser, command.name, closed });
    }
    return usageError(QStringLiteral("неизвестная команда ") + quoted(name) + QStringLiteral(": ожидается ")
                      + commandNames());
}
