// What every command of the tool shares: reading its options, the
// standard streams, how errors are reported and how output is written.
#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

#include "homophonic.h"
#include "textencoding.h"

class QFile;
class QFileDevice;

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

// "homophonic: message" on standard error, with the name the tool was
// invoked as.
void reportError(const QString &message);
// Every usage error goes through here: the message with a pointer to
// --help. Returns UsageError.
int usageError(const QString &message);
// A value that its option does not take, named by the option: "--key: ключ
// должен быть …". Returns UsageError.
int badValue(const QString &longName, const QString &complaint);
QString quoted(const QString &text);
QString describeInput(const QString &fileName);
QString describeOutput(const QString &fileName);

// One run of the tool: the parsed command line, the command it names and the
// state of the standard streams. Options are asked for by their long name,
// which must be one that the command takes.
struct Invocation
{
    const QCommandLineParser &parser;
    QString command;
    ClosedStreams closed;

    // Whether the command takes the option at all.
    bool takes(const char *longName) const;
    bool isSet(const char *longName) const;
    QString value(const char *longName) const;
    QStringList values(const char *longName) const;
};

// The readers of option values. Each returns the value the command line
// gives, or the default; empty after a usage error, which has been reported
// (the exit status is then UsageError).

// Every numeric option is written one way: ASCII digits only, read as
// decimal (leading zeros change nothing), with no sign, spaces or exponent;
// seconds may add a point and up to three decimals, the search's resolution.
// A value written otherwise or out of range is refused with the option's
// name and range, with `what` saying what the number is ("ключ должен" in
// "ключ должен быть целым числом от 1 до 3").
std::optional<quint64> chosenWholeNumber(const Invocation &invocation, const char *longName, const QString &what,
                                         quint64 min, quint64 max);
std::optional<qint64> chosenMilliseconds(const Invocation &invocation, const char *longName, const QString &what,
                                         qint64 minMs, qint64 maxMs);

// The value of an option that takes only the values it declares; empty when
// not given. Another value is refused as "неизвестный <unknown> «x»:
// ожидается a или b".
std::optional<QString> chosenWord(const Invocation &invocation, const char *longName, const QString &unknown);

// The key of --key: the first K codes of each row of table, K from 1 to its
// longest row (1 to 3 for the fixed table). Without --key, a table of
// --table uses all its codes (K is its longest row), and the fixed table is
// refused.
std::optional<int> chosenKey(const Invocation &invocation, const KeyTable &table);

// The number of --jobs, from 1; the number of cores when not given.
std::optional<int> chosenJobs(const Invocation &invocation);

// Whether the homophonic table comes from a key file: --table or --key-file.
bool givesOwnTable(const Invocation &invocation);

// The table of --table (or --key-file), or the fixed table. A key file with faults is
// refused with all its problems.
std::optional<KeyTable> chosenTable(const Invocation &invocation);

// The seed of a given --seed: a whole number from 0 to 2^64 - 1.
std::optional<quint64> chosenSeed(const Invocation &invocation);

// The encoding of --encoding, Windows-1251 when not given.
std::optional<TextEncoding::Kind> chosenEncoding(const Invocation &invocation);
// The encoding itself; null, with the failure reported, when this Qt build
// cannot provide it (a FileError).
const TextEncoding *loadedEncoding(TextEncoding::Kind kind);

// How encryption picks among a symbol's codes, from --choice and --seed.
struct CodeChoiceOptions
{
    bool random = false;
    std::optional<quint64> seed;
};
std::optional<CodeChoiceOptions> chosenCodeChoice(const Invocation &invocation);

// The random source of a random choice of codes; it lives as long as the
// object.
class CodeChoice
{
public:
    explicit CodeChoice(const CodeChoiceOptions &options);
    CodeChoice(const CodeChoice &) = delete;
    CodeChoice &operator=(const CodeChoice &) = delete;

    RandomCodeChoice *random() { return m_choice ? &*m_choice : nullptr; }

private:
    std::optional<QRandomGenerator> m_seeded;
    std::optional<RandomCodeChoice> m_choice;
};

// Opens the input: the file fileName, or standard input when it is empty.
// On failure reports it and returns false.
bool openInput(const QString &fileName, const ClosedStreams &closed, QFile &input);
void reportReadFailure(const QString &fileName, const QFile &input);

// Writes text to standard output; a failure is reported and is a FileError.
int printText(const QString &text, const ClosedStreams &closed);

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
