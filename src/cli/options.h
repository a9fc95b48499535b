// The options of the tool, each declared once: the parser, each command's
// list of accepted options, the checks that every command line passes,
// --help and the bash completion all read them from here.
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

struct OptionDeclaration
{
    // The short name first, if there is one; the last (long) name is the one
    // that messages and usage lines show.
    QStringList names;
    // What the value is, as --help shows it; empty for an option without a
    // value.
    QString valueName;
    QString description;
    // The commands that take the option; empty for --help and --version,
    // which stand without a command.
    QStringList commands;
    // Of those, the commands whose usage line shows it as needed rather
    // than in brackets.
    QStringList neededBy;
    // The values that completion offers.
    QStringList values;
    // The values above are all the option takes, so usage lines show them
    // instead of the value name.
    bool onlyListedValues = false;
    // Given more than once, each value adds one; otherwise a second value
    // is a usage error.
    bool repeats = false;
    // The value names a file, which may not be empty.
    bool fileName = false;

    QString longName() const { return names.constLast(); }
    bool takesValue() const { return !valueName.isEmpty(); }
    bool standsAlone() const { return commands.isEmpty(); }
    QCommandLineOption parserOption() const;
};

// Every option of every command, in the order --help lists them.
const QList<OptionDeclaration> &optionDeclarations();

// The option of that long name, which must be declared.
const OptionDeclaration &declaredOption(const QString &longName);

// "-k" or "--key".
QString dashed(const QString &name);

// "a, b или c" with conjunction "или": the values a message expects, the
// options help names.
QString listed(const QStringList &items, const QString &conjunction);
