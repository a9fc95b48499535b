// The commands of the tool. Each gathers its input from the command line,
// calls the libraries and reports; it returns the exit status.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct ClosedStreams;
struct Invocation;

int runEncrypt(const Invocation &invocation);
int runDecrypt(const Invocation &invocation);
int runTable(const Invocation &invocation);
int runKeygen(const Invocation &invocation);
int runAnalyze(const Invocation &invocation);
int runCrack(const Invocation &invocation);
int runModel(const Invocation &invocation);

struct Command
{
    QString name;
    QString summary; // what it does, for --help
    int (*run)(const Invocation &);
};

// Every command, in the order --help lists them. The options each takes are
// declared with the options.
const QList<Command> &commands();

// The text of --help, for the tool invoked as program.
QString helpText(const QString &program);

// What bash completes the last of words to (the words after the program's
// name up to the cursor): a line "words" and the words, one a line, or the
// line "files" for a file name.
QString completionText(const QStringList &words);
