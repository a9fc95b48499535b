#include "commandline.h"

#include "keytable.h"
#include "textencoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString closedReason = QStringLiteral("он закрыт");

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
    const QByteArray bytes = (QStringLiteral("homophonic: ") + message + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
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

Options::Options()
    : key({ QStringLiteral("k"), QStringLiteral("key") },
          QStringLiteral("ключ: число закрытых алфавитов, от 1 до 3"), QStringLiteral("K"))
    , input({ QStringLiteral("i"), QStringLiteral("input") },
            QStringLiteral("читать текст из файла, а не со стандартного ввода"), QStringLiteral("ФАЙЛ"))
    , output({ QStringLiteral("o"), QStringLiteral("output") },
             QStringLiteral("записать результат в файл, а не на стандартный вывод; "
                            "прежний файл заменяется только после успешной записи"),
             QStringLiteral("ФАЙЛ"))
    , encoding({ QStringLiteral("e"), QStringLiteral("encoding") },
               QStringLiteral("кодировка входа и выхода: windows-1251 (по умолчанию, как "
                              "в окне программы) или utf-8; файл с меткой порядка байтов "
                              "(UTF-8, UTF-16, UTF-32) читается в кодировке метки"),
               QStringLiteral("КОДИРОВКА"))
    , table(QStringLiteral("table"),
            QStringLiteral("своя таблица замены из файла ключа (его делает keygen) вместо постоянной"),
            QStringLiteral("ФАЙЛ"))
    , choice(QStringLiteral("choice"),
             QStringLiteral("encrypt, analyze: как выбирать код символа — cyclic (по очереди, как в окне; по "
                            "умолчанию) или random (случайно из первых K)"),
             QStringLiteral("ВЫБОР"))
    , seed(QStringLiteral("seed"),
           QStringLiteral("keygen, --choice random: зерно случайных чисел, целое от 0; одно зерно — одна "
                          "и та же таблица или один и тот же шифр"),
           QStringLiteral("N"))
    , keyOut(QStringLiteral("key-out"),
             QStringLiteral("crack: записать найденную таблицу в файл ключа"), QStringLiteral("ФАЙЛ"))
    , timeLimit(QStringLiteral("time-limit"),
                QStringLiteral("crack: искать не дольше стольких секунд (по умолчанию 10)"), QStringLiteral("СЕКУНДЫ"))
    , quiet({ QStringLiteral("q"), QStringLiteral("quiet") },
            QStringLiteral("не показывать ход работы в терминале"))
    , jobs(QStringLiteral("jobs"),
           QStringLiteral("encrypt, decrypt: во сколько потоков шифровать (по умолчанию по числу ядер "
                          "процессора; 1 — в один поток); результат от числа потоков не зависит. С "
                          "--choice random шифрование всегда идёт в один поток: так одно зерно даёт один "
                          "и тот же шифр"),
           QStringLiteral("N"))
    , model(QStringLiteral("model"),
            QStringLiteral("crack: модель языка из файла (её делает команда model) вместо встроенной"),
            QStringLiteral("ФАЙЛ"))
    , corpus(QStringLiteral("corpus"),
             QStringLiteral("model: русский текст в UTF-8, по которому считаются частоты"), QStringLiteral("ФАЙЛ"))
    , as(QStringLiteral("as"),
         QStringLiteral("analyze: читать текст как открытый (plain) или как шифртекст (cipher); без "
                        "параметра — догадка: шифртекст, если не меньше 90 % слов — двузначные коды"),
         QStringLiteral("ВИД"))
    , format(QStringLiteral("format"),
             QStringLiteral("analyze: text (таблица для человека, по умолчанию) или json (для программ)"),
             QStringLiteral("ФОРМАТ"))
    , chart(QStringLiteral("chart"), QStringLiteral("analyze: нарисовать частоты в файл SVG"),
            QStringLiteral("ФАЙЛ.svg"))
    , help({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("показать эту справку"))
    , version({ QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("показать версию программы"))
{
}

QList<const QCommandLineOption *> Options::all() const
{
    return { &key,    &input,     &output, &encoding, &table,  &choice, &seed,   &keyOut,
             &timeLimit, &quiet, &jobs, &model,  &corpus,   &as,     &format, &chart, &help, &version };
}

QList<const QCommandLineOption *> Options::fileNames() const
{
    return { &input, &output, &table, &keyOut, &model, &corpus, &chart };
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

const TextEncoding *chosenEncoding(const Invocation &invocation, int &status)
{
    const QString given = invocation.value(invocation.options.encoding);
    const QString name = given.toLower();
    if (invocation.isSet(invocation.options.encoding) && name.isEmpty()) {
        status = usageError(QStringLiteral("не указана кодировка: windows-1251 или utf-8"));
        return nullptr;
    }
    if (name.isEmpty() || name == QLatin1String("windows-1251") || name == QLatin1String("cp1251")) {
        const TextEncoding *encoding = TextEncoding::windows1251();
        if (!encoding) {
            reportError(QStringLiteral("в этой сборке Qt нет кодировки windows-1251"));
            status = FileError;
        }
        return encoding;
    }
    if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
        return TextEncoding::utf8();
    status = usageError(QStringLiteral("неизвестная кодировка ") + quoted(given)
                        + QStringLiteral(": ожидается windows-1251 или utf-8"));
    return nullptr;
}

int chosenKey(const Invocation &invocation)
{
    const QString key = invocation.value(invocation.options.key);
    bool isNumber = false;
    const int alphabetCount = key.toInt(&isNumber);
    if (!isNumber || alphabetCount < 1 || alphabetCount > 3) {
        usageError(QStringLiteral("ключ должен быть числом от 1 до 3, а не ") + quoted(key));
        return 0;
    }
    return alphabetCount;
}

std::optional<HomophoneTable> chosenTable(const Invocation &invocation, int &status)
{
    if (!invocation.isSet(invocation.options.table))
        return fixedHomophoneTable();
    const KeyFileReading reading = readKeyFile(invocation.value(invocation.options.table));
    if (!reading.table) {
        for (const QString &problem : reading.problems)
            reportError(problem);
        reportError(QStringLiteral("файл ключа не принят, ничего не сделано"));
        status = UsageError;
        return std::nullopt;
    }
    return reading.table;
}

int chosenJobs(const Invocation &invocation)
{
    constexpr int MaxJobs = 1024;
    if (!invocation.isSet(invocation.options.jobs))
        return qMax(QThread::idealThreadCount(), 1);
    const QString text = invocation.value(invocation.options.jobs);
    bool isNumber = !text.isEmpty();
    for (const QChar c : text)
        isNumber = isNumber && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int jobs = isNumber ? text.toInt(&isNumber) : 0;
    if (!isNumber || jobs < 1 || jobs > MaxJobs) {
        usageError(QStringLiteral("число потоков должно быть целым от 1 до %1, а не ").arg(MaxJobs) + quoted(text));
        return 0;
    }
    return jobs;
}

std::optional<quint64> chosenSeed(const Invocation &invocation, bool &ok)
{
    ok = true;
    if (!invocation.isSet(invocation.options.seed))
        return std::nullopt;
    const QString text = invocation.value(invocation.options.seed);
    bool isNumber = !text.isEmpty();
    for (const QChar c : text)
        isNumber = isNumber && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const quint64 seed = isNumber ? text.toULongLong(&isNumber) : 0;
    if (!isNumber) {
        usageError(QStringLiteral("зерно должно быть целым числом от 0 до 18446744073709551615, а не ")
                   + quoted(text));
        ok = false;
        return std::nullopt;
    }
    return seed;
}

bool CodeChoice::parse(const Invocation &invocation)
{
    const Options &options = invocation.options;
    const QString choice = invocation.isSet(options.choice) ? invocation.value(options.choice)
                                                            : QStringLiteral("cyclic");
    if (choice != QLatin1String("cyclic") && choice != QLatin1String("random")) {
        usageError(QStringLiteral("неизвестный выбор кодов ") + quoted(choice)
                   + QStringLiteral(": ожидается cyclic или random"));
        return false;
    }
    bool ok = true;
    const std::optional<quint64> seed = chosenSeed(invocation, ok);
    if (!ok)
        return false;
    if (choice == QLatin1String("cyclic")) {
        if (seed) {
            usageError(QStringLiteral("зерно нужно только случайному выбору кодов: --choice random"));
            return false;
        }
        return true;
    }
    if (seed) {
        m_seeded.emplace(seededGenerator(*seed));
        m_choice.emplace(*m_seeded);
    } else {
        m_choice.emplace(*QRandomGenerator::system());
    }
    return true;
}

bool openInput(const Invocation &invocation, QFile &input)
{
    const QString inputName = invocation.value(invocation.options.input);
    if (inputName.isEmpty()) {
        if (invocation.closed.input) {
            reportError(QStringLiteral("не удалось прочитать ") + describeInput(inputName) + QStringLiteral(": ")
                        + closedReason);
            return false;
        }
        return input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    input.setFileName(inputName);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        reportError(QStringLiteral("не удалось открыть ") + describeInput(inputName) + QStringLiteral(": ")
                    + input.errorString());
        return false;
    }
    return true;
}

void reportReadFailure(const Invocation &invocation, const QFile &input)
{
    reportError(QStringLiteral("не удалось прочитать ") + describeInput(invocation.value(invocation.options.input))
                + QStringLiteral(": ") + input.errorString());
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

OutputTarget::OutputTarget(const QString &fileName)
    : m_fileName(fileName)
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
        m_device = std::make_unique<QSaveFile>(m_fileName);
    if (!m_device->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reportError(QStringLiteral("не удалось создать ") + description() + QStringLiteral(": ")
                    + m_device->errorString());
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
    // The device is unbuffered, so this writes nothing; but were anything
    // left in a buffer, commit() would write it without reporting a failure.
    if (!m_device->flush()) {
        reportWriteFailure();
        return false;
    }
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
