#include "commandline.h"

#include "keytable.h"
#include "options.h"
#include "savepath.h"
#include "textencoding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <limits>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString closedReason = QStringLiteral("он закрыт");

// At least one ASCII digit and nothing else; false beyond 2^64 - 1.
bool readDigits(QStringView text, quint64 &value)
{
    value = 0;
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        const quint64 digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<quint64>::max() - digit) / 10)
            return false;
        value = 10 * value + digit;
    }
    return true;
}

// Whole seconds, optionally a point and one to three decimals.
std::optional<qint64> readMilliseconds(QStringView text)
{
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    quint64 seconds = 0;
    if (!readDigits(point < 0 ? text : text.left(point), seconds)
        || seconds > quint64(std::numeric_limits<qint64>::max() / 1000))
        return std::nullopt;
    quint64 thousandths = 0;
    if (point >= 0) {
        const QStringView decimals = text.mid(point + 1);
        if (decimals.size() > 3 || !readDigits(decimals, thousandths))
            return std::nullopt;
        for (qsizetype i = decimals.size(); i < 3; ++i)
            thousandths *= 10;
    }
    return qint64(seconds * 1000 + thousandths);
}

QString secondsText(qint64 milliseconds)
{
    QString text = QString::number(milliseconds / 1000);
    if (milliseconds % 1000 != 0) {
        QString decimals = QStringLiteral("%1").arg(milliseconds % 1000, 3, 10, QLatin1Char('0'));
        while (decimals.endsWith(QLatin1Char('0')))
            decimals.chop(1);
        text += QLatin1Char('.') + decimals;
    }
    return text;
}

void reportBadNumber(const char *longName, const QString &what, const QString &expected, const QString &given)
{
    badValue(QLatin1String(longName), what + QStringLiteral(" быть ") + expected + QStringLiteral(", а не ")
                                          + quoted(given));
}

} // namespace

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
    const QByteArray bytes
        = (QCoreApplication::applicationName() + QStringLiteral(": ") + message + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int usageError(const QString &message)
{
    reportError(message + QStringLiteral(" (справка: %1 --help)").arg(QCoreApplication::applicationName()));
    return UsageError;
}

int badValue(const QString &longName, const QString &complaint)
{
    return usageError(dashed(longName) + QStringLiteral(": ") + complaint);
}

QString quoted(const QString &text)
{
    return QStringLiteral("«") + text + QStringLiteral("»");
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

// An option that the command does not take is a mistake in the command's
// code, not in the command line: every test run would find it.
static const OptionDeclaration &takenOption(const Invocation &invocation, const char *longName)
{
    const OptionDeclaration &option = declaredOption(QLatin1String(longName));
    Q_UNUSED(invocation)
    Q_ASSERT_X(option.commands.contains(invocation.command), "Invocation", longName);
    return option;
}

bool Invocation::takes(const char *longName) const
{
    return declaredOption(QLatin1String(longName)).commands.contains(command);
}

bool Invocation::isSet(const char *longName) const
{
    return parser.isSet(takenOption(*this, longName).longName());
}

QString Invocation::value(const char *longName) const
{
    return parser.value(takenOption(*this, longName).longName());
}

QStringList Invocation::values(const char *longName) const
{
    return parser.values(takenOption(*this, longName).longName());
}

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

std::optional<TextEncoding::Kind> chosenEncoding(const Invocation &invocation)
{
    const QString given = invocation.value("encoding");
    const QString name = given.toLower();
    const QString expected = listed(declaredOption(QStringLiteral("encoding")).values, QStringLiteral("или"));
    if (invocation.isSet("encoding") && name.isEmpty()) {
        usageError(QStringLiteral("не указана кодировка: ") + expected);
        return std::nullopt;
    }
    if (name.isEmpty() || name == QLatin1String("windows-1251") || name == QLatin1String("cp1251"))
        return TextEncoding::Kind::Windows1251;
    if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
        return TextEncoding::Kind::Utf8;
    usageError(QStringLiteral("неизвестная кодировка ") + quoted(given) + QStringLiteral(": ожидается ") + expected);
    return std::nullopt;
}

const TextEncoding *loadedEncoding(TextEncoding::Kind kind)
{
    if (kind == TextEncoding::Kind::Utf8)
        return TextEncoding::utf8();
    const TextEncoding *encoding = TextEncoding::windows1251();
    if (!encoding)
        reportError(QStringLiteral("в этой сборке Qt нет кодировки windows-1251"));
    return encoding;
}

std::optional<QString> chosenWord(const Invocation &invocation, const char *longName, const QString &unknown)
{
    const QString given = invocation.value(longName);
    const QStringList &values = takenOption(invocation, longName).values;
    if (invocation.isSet(longName) && !values.contains(given)) {
        usageError(QStringLiteral("неизвестный ") + unknown + QLatin1Char(' ') + quoted(given)
                   + QStringLiteral(": ожидается ") + listed(values, QStringLiteral("или")));
        return std::nullopt;
    }
    return given;
}

std::optional<quint64> chosenWholeNumber(const Invocation &invocation, const char *longName, const QString &what,
                                         quint64 min, quint64 max)
{
    const QString text = invocation.value(longName);
    quint64 value = 0;
    if (!readDigits(text, value) || value < min || value > max) {
        reportBadNumber(longName, what, QStringLiteral("целым числом от %1 до %2").arg(min).arg(max), text);
        return std::nullopt;
    }
    return value;
}

std::optional<qint64> chosenMilliseconds(const Invocation &invocation, const char *longName, const QString &what,
                                         qint64 minMs, qint64 maxMs)
{
    const QString text = invocation.value(longName);
    const std::optional<qint64> value = readMilliseconds(text);
    if (!value || *value < minMs || *value > maxMs) {
        reportBadNumber(longName, what,
                        QStringLiteral("числом секунд от %1 до %2, не больше трёх знаков после точки")
                            .arg(secondsText(minMs), secondsText(maxMs)),
                        text);
        return std::nullopt;
    }
    return value;
}

std::optional<int> chosenKey(const Invocation &invocation, const KeyTable &table)
{
    int longest = 1;
    for (const KeyRow &row : table)
        longest = qMax(longest, int(row.codes.size()));
    if (!invocation.isSet("key")) {
        if (givesOwnTable(invocation))
            return longest;
        usageError(QStringLiteral("не указан ключ: --key 1, 2 или 3"));
        return std::nullopt;
    }
    const std::optional<quint64> key
        = chosenWholeNumber(invocation, "key", QStringLiteral("ключ должен"), 1, quint64(longest));
    if (!key)
        return std::nullopt;
    return int(*key);
}

bool givesOwnTable(const Invocation &invocation)
{
    return invocation.isSet("table") || invocation.isSet("key-file");
}

std::optional<KeyTable> chosenTable(const Invocation &invocation)
{
    // --key-file names a key file for every family, --table the homophonic one.
    const bool keyFile = invocation.isSet("key-file");
    if (keyFile && invocation.isSet("table")) {
        usageError(QStringLiteral("--table и --key-file здесь одно и то же: укажите что-то одно"));
        return std::nullopt;
    }
    if (!keyFile && !invocation.isSet("table"))
        return fixedKeyTable();
    const KeyFileReading reading = readKeyFile(invocation.value(keyFile ? "key-file" : "table"));
    if (!reading.table) {
        for (const QString &problem : reading.problems)
            reportError(problem);
        reportError(QStringLiteral("файл ключа не принят, ничего не сделано"));
        return std::nullopt;
    }
    return reading.table;
}

std::optional<int> chosenJobs(const Invocation &invocation)
{
    constexpr int MaxJobs = 1024;
    if (!invocation.isSet("jobs"))
        return qMax(QThread::idealThreadCount(), 1);
    const std::optional<quint64> jobs
        = chosenWholeNumber(invocation, "jobs", QStringLiteral("число потоков должно"), 1, MaxJobs);
    if (!jobs)
        return std::nullopt;
    return int(*jobs);
}

std::optional<quint64> chosenSeed(const Invocation &invocation)
{
    return chosenWholeNumber(invocation, "seed", QStringLiteral("зерно должно"), 0,
                             std::numeric_limits<quint64>::max());
}

std::optional<CodeChoiceOptions> chosenCodeChoice(const Invocation &invocation)
{
    const std::optional<QString> choice = chosenWord(invocation, "choice", QStringLiteral("выбор кодов"));
    if (!choice)
        return std::nullopt;
    CodeChoiceOptions options;
    options.random = *choice == QLatin1String("random");
    if (invocation.isSet("seed")) {
        options.seed = chosenSeed(invocation);
        if (!options.seed)
            return std::nullopt;
        if (!options.random) {
            usageError(QStringLiteral("зерно нужно только случайному выбору кодов: --choice random"));
            return std::nullopt;
        }
    }
    return options;
}

CodeChoice::CodeChoice(const CodeChoiceOptions &options)
{
    if (!options.random)
        return;
    if (options.seed) {
        m_seeded.emplace(seededGenerator(*options.seed));
        m_choice.emplace(*m_seeded);
    } else {
        m_choice.emplace(*QRandomGenerator::system());
    }
}

bool openInput(const QString &fileName, const ClosedStreams &closed, QFile &input)
{
    if (fileName.isEmpty()) {
        if (closed.input) {
            reportError(QStringLiteral("не удалось прочитать ") + describeInput(fileName) + QStringLiteral(": ")
                        + closedReason);
            return false;
        }
        return input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    input.setFileName(fileName);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        reportError(QStringLiteral("не удалось открыть ") + describeInput(fileName) + QStringLiteral(": ")
                    + input.errorString());
        return false;
    }
    return true;
}

void reportReadFailure(const QString &fileName, const QFile &input)
{
    reportError(QStringLiteral("не удалось прочитать ") + describeInput(fileName) + QStringLiteral(": ")
                + input.errorString());
}

void TerminalLine::show(const QString &text)
{
    const QByteArray bytes = (QStringLiteral("\r\033[K") + text).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_shown = true;
}

void TerminalLine::clear()
{
    if (!m_shown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_shown = false;
}

OutputTarget::OutputTarget(const QString &fileName, Readers readers)
    : m_fileName(fileName)
    , m_readers(readers)
{
}

// An uncommitted QSaveFile removes its temporary file when destroyed, so an
// early return leaves the previous output as it was.
OutputTarget::~OutputTarget() = default;

bool OutputTarget::open(const ClosedStreams &closed)
{
    if (m_fileName.isEmpty()) {
        if (closed.output) {
            reportError(QStringLiteral("не удалось записать ") + description() + QStringLiteral(": ") + closedReason);
            return false;
        }
        auto out = std::make_unique<QFile>();
        out->open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
        m_device = std::move(out);
        return true;
    }
    // Renaming a temporary file over a device or a pipe given by name
    // (/dev/stdout, a FIFO) would replace the node itself: those are written
    // to as they are.
    const QFileInfo info(m_fileName);
    if (info.exists() && !info.isFile() && !info.isDir())
        m_device = std::make_unique<QFile>(m_fileName);
    else
        m_device = std::make_unique<QSaveFile>(resolvedSavePath(m_fileName));
    if (!m_device->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reportError(QStringLiteral("не удалось создать ") + description() + QStringLiteral(": ")
                    + m_device->errorString());
        return false;
    }
    auto *saveFile = qobject_cast<QSaveFile *>(m_device.get());
    if (saveFile && m_readers == Readers::OwnerOnly && !restrictNewFileToOwner(*saveFile)) {
        reportError(QStringLiteral("не удалось закрыть ") + description()
                    + QStringLiteral(" от других пользователей: ") + saveFile->errorString());
        return false;
    }
    return true;
}

bool OutputTarget::write(const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 count = m_device->write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0) {
            reportWriteFailure();
            return false;
        }
        written += count;
    }
    return true;
}

bool OutputTarget::finish()
{
    return flush() && commit();
}

bool OutputTarget::flush()
{
    // The device is unbuffered, so this writes nothing; but were anything
    // left in a buffer, commit() would write it without reporting a failure.
    if (!m_device->flush()) {
        reportWriteFailure();
        return false;
    }
    return true;
}

bool OutputTarget::commit()
{
    if (auto *saveFile = qobject_cast<QSaveFile *>(m_device.get()); saveFile && !saveFile->commit()) {
        reportError(QStringLiteral("не удалось сохранить ") + description() + QStringLiteral(": ")
                    + saveFile->errorString());
        return false;
    }
    return true;
}

void OutputTarget::reportWriteFailure() const
{
    reportError(QStringLiteral("не удалось записать ") + description() + QStringLiteral(": ")
                + m_device->errorString());
}
