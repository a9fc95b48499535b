// Runs the built homophonic tool as a process, as a user or a script would.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <initializer_list>

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

inline Run runProgram(const QString &program, const QStringList &arguments, const QByteArray &input,
                       const QString &workingDirectory)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    Run run;
    if (!process.waitForStarted()) {
        run.err = process.errorString();
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish normally");
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline Run runCli(const QStringList &arguments, const QByteArray &input = QByteArray(), const QString &workingDirectory = QString())
{
    return runProgram(QStringLiteral(HOMOPHONIC_CLI_PATH), arguments, input, workingDirectory);
}

// Runs the tool from bash, so that a test can set a limit first (before) or
// close or redirect a standard stream (redirections).
inline Run runCliFromShell(const QString &before, const QStringList &arguments, const QString &redirections,
                    const QString &workingDirectory = QString())
{
    const QString script = before + QStringLiteral(" exec \"$0\" \"$@\" ") + redirections;
    return runProgram(QStringLiteral("bash"),
                      QStringList { QStringLiteral("-c"), script, QStringLiteral(HOMOPHONIC_CLI_PATH) } + arguments,
                      QByteArray(), workingDirectory);
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Command-line arguments written as UTF-8 literals, for tables of cases.
inline QStringList arguments(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *argument : list)
        result << QString::fromUtf8(argument);
    return result;
}
