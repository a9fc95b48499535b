// What every command of the homophonic tool shares: its options, the
// standard streams, how errors are reported and how output is written.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

#include "homophonic.h"

class QFile;
class QFileDevice;
class TextEncoding;

enum ExitStatus { Success = 0, FileError = 1, UsageError = 2 };

struct ClosedStreams
{
    bool input = false;
    bool output = false;
};

// Run with a standard stream closed, the process would hand that descriptor
// number to the next file it opens and read or write that as the stream.
// /dev/null holds the place instead; the commands report a closed stream that
// they need. Call before anything opens a file.
ClosedStreams reopenClosedStandardStreams();

// "homophonic: message" on standard error.
void reportError(const QString &message);
// The same with a pointer to --help; returns UsageError.
int usageError(const QString &message);
QString quoted(const QString &text);
// "-k" or "--key".
QString dashed(const QString &name);
QString describeInput(const QString &fileName);
QString describeOutput(const QString &fileName);

// Every option of every command. Each command says which it takes.
struct Options
{
    Options();

    QCommandLineOption key;
    QCommandLineOption input;
    QCommandLineOption output;
    QCommandLineOption encoding;
    QCommandLineOption table;
    QCommandLineOption choice;
    QCommandLineOption seed;
    QCommandLineOption keyOut;
    QCommandLineOption timeLimit;
    QCommandLineOption quiet;
    QCommandLineOption jobs;
    QCommandLineOption lock;
    QCommandLineOption crib;
    QCommandLineOption model;
    QCommandLineOption corpus;
    QCommandLineOption homophones;
    QCommandLineOption codes;
    QCommandLineOption as;
    QCommandLineOption format;
    QCommandLineOption chart;
    QCommandLineOption help;
    QCommandLineOption version;

    QList<const QCommandLineOption *> all() const;
    // The options whose value names a file.
    QList<const QCommandLineOption *> fileNames() const;
    // The options that may be given more than once, each value adding one.
    QList<const QCommandLineOption *> repeatable() const;
};

// One run of the tool: the parsed command line and the state of the
// standard streams.
struct Invocation
{
    const QCommandLineParser &parser;
    const Options &options;
    ClosedStreams closed;

    bool isSet(const QCommandLineOption &option) const { return parser.isSet(option); }
    QString value(const QCommandLineOption &option) const { return parser.value(option); }
};

// Every numeric option is written one way: ASCII digits only, read as
// decimal (leading zeros change nothing), with no sign, spaces or exponent;
// seconds may add a point and up to three decimals, the search's resolution.
// A value written otherwise or out of range is a usage error that names the
// option and its range, with `what` saying what the number is ("ключ
// должен" in "ключ должен быть целым числом от 1 до 3"). Empty after such an
// error, which has been reported.
std::optional<quint64> chosenWholeNumber(const Invocation &invocation, const QCommandLineOption &option,
                                         const QString &what, quint64 min, quint64 max);
std::optional<qint64> chosenMilliseconds(const Invocation &invocation, const QCommandLineOption &option,
                                         const QString &what, qint64 minMs, qint64 maxMs);

// The key of --key: the first K codes of each row of table, K from 1 to its
// longest row (1 to 3 for the fixed table). Without --key, a table of
// --table uses all its codes (K is its longest row), and the fixed table is a
// usage error. 0 after a usage error, which has been reported.
int chosenKey(const Invocation &invocation, const KeyTable &table);

// The number of --jobs, from 1; the number of cores when not given. 0 after a
// usage error, which has been reported.
int chosenJobs(const Invocation &invocation);

// The table of --table, or the fixed table. Null after a bad key file,
// whose problems have been reported; status then holds the exit status.
std::optional<KeyTable> chosenTable(const Invocation &invocation, int &status);

// How encryption picks among a symbol's codes, from --choice and --seed.
// The random source lives as long as the object.
class CodeChoice
{
public:
    CodeChoice() = default;
    CodeChoice(const CodeChoice &) = delete;
    CodeChoice &operator=(const CodeChoice &) = delete;

    // False after a usage error, which has been reported.
    bool parse(const Invocation &invocation);
    bool isRandom() const { return bool(m_choice); }
    RandomCodeChoice *random() { return m_choice ? &*m_choice : nullptr; }

private:
    std::optional<QRandomGenerator> m_seeded;
    std::optional<RandomCodeChoice> m_choice;
};

// The seed of --seed: a whole number from 0 to 2^64 - 1. Empty when not
// given; ok is false after a usage error, which has been reported.
std::optional<quint64> chosenSeed(const Invocation &invocation, bool &ok);

// Opens the input: the file of --input, or standard input. On failure
// reports it and returns false.
bool openInput(const Invocation &invocation, QFile &input);
void reportReadFailure(const Invocation &invocation, const QFile &input);

// Writes text to standard output; a failure is reported and is a FileError.
int printText(const QString &text, const ClosedStreams &closed);

// The value of --encoding (Windows-1251 when not given). Null after a usage
// or file error, which has been reported; status then holds the exit status.
const TextEncoding *chosenEncoding(const Invocation &invocation, int &status);

// One line of progress on standard error, rewritten in place and cleared at
// the end, so that only messages stay. Callers show it only on a terminal.
class TerminalLine
{
public:
    TerminalLine() = default;
    TerminalLine(const TerminalLine &) = delete;
    TerminalLine &operator=(const TerminalLine &) = delete;
    ~TerminalLine() { clear(); }

    void show(const QString &text);
    void clear();

private:
    bool m_shown = false;
};

// Where a command writes its result: standard output, a device or pipe named
// by the user, or a regular file that is replaced only once the whole new
// content is written, so a failure at any point leaves the old file as it was.
class OutputTarget
{
public:
    // Who may read a file that the target creates: anyone the umask lets,
    // or, for a key, its owner only.
    enum class Readers { AsUmask, OwnerOnly };

    explicit OutputTarget(const QString &fileName, Readers readers = Readers::AsUmask);
    ~OutputTarget();

    // Opens the target; on failure reports it and returns false.
    bool open(const ClosedStreams &closed);
    QFileDevice &device() { return *m_device; }
    // Writes all of bytes; on failure reports it and returns false.
    bool write(const QByteArray &bytes);
    // Makes the written content the target's; on failure reports it and
    // returns false, and a replaced file keeps its old content.
    bool finish();
    // The two halves of finish, for targets that must change together:
    // flush checks that everything reached the file, commit then replaces
    // the old file with it.
    bool flush();
    bool commit();
    void reportWriteFailure() const;
    QString description() const { return describeOutput(m_fileName); }

private:
    QString m_fileName;
    Readers m_readers;
    std::unique_ptr<QFileDevice> m_device;
};
