#include "commandline.h"

#include "keytable.h"
#include "savepath.h"
#include "textencoding.h"

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

void reportBadNumber(const QCommandLineOption &option, const QString &what, const QString &expected,
                     const QString &given)
{
    usageError(dashed(option.names().constLast()) + QStringLiteral(": ") + what + QStringLiteral(" быть ")
               + expected + QStringLiteral(", а не ") + quoted(given));
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
          QStringLiteral("ключ: число закрытых алфавитов, от 1 до 3; с --table — сколько первых кодов каждой "
                         "строки брать, от 1 до длины самой длинной строки (без --key — все коды)"),
          QStringLiteral("K"))
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
           QStringLiteral("keygen, --choice random, crack: зерно случайных чисел, целое от 0 до "
                          "18446744073709551615; одно зерно — одна и та же таблица, один и тот же шифр "
                          "или один и тот же ход поиска"),
           QStringLiteral("N"))
    , keyOut(QStringLiteral("key-out"),
             QStringLiteral("crack: записать найденную таблицу в файл ключа"), QStringLiteral("ФАЙЛ"))
    , timeLimit(QStringLiteral("time-limit"),
                QStringLiteral("crack: искать не дольше стольких секунд, от 0.001 до 86400 (по "
                               "умолчанию 10)"), QStringLiteral("СЕКУНДЫ"))
    , quiet({ QStringLiteral("q"), QStringLiteral("quiet") },
            QStringLiteral("не показывать ход работы в терминале"))
    , jobs(QStringLiteral("jobs"),
           QStringLiteral("encrypt, decrypt: во сколько потоков шифровать, от 1 до 1024 (по умолчанию по "
                          "числу ядер процессора; 1 — в один поток); результат от числа потоков не зависит. С "
                          "--choice random шифрование всегда идёт в один поток: так одно зерно даёт один "
                          "и тот же шифр. crack: во сколько потоков вести перезапуски поиска; одно зерно "
                          "с одним числом потоков даёт один результат, пока поиск не упрётся в лимит "
                          "времени"),
           QStringLiteral("N"))
    , lock(QStringLiteral("lock"),
           QStringLiteral("crack: закрепить код за символом, например 17=О (␣ или пробел в кавычках — "
                          "пробел); поиск его не меняет; можно указать несколько раз"),
           QStringLiteral("КОД=СИМВОЛ"))
    , crib(QStringLiteral("crib"),
           QStringLiteral("crack: слово, которое наверняка есть в тексте; ключи, в которых оно читается, "
                          "получают прибавку к оценке; можно указать несколько раз"),
           QStringLiteral("СЛОВО"))
    , model(QStringLiteral("model"),
            QStringLiteral("crack: модель языка из файла (её делает команда model) вместо встроенной"),
            QStringLiteral("ФАЙЛ"))
    , corpus(QStringLiteral("corpus"),
             QStringLiteral("model, keygen --homophones proportional: русский текст в UTF-8, по которому "
                            "считаются частоты"),
             QStringLiteral("ФАЙЛ"))
    , homophones(QStringLiteral("homophones"),
                 QStringLiteral("keygen: сколько кодов у каждого символа, от 1 до 3 (по умолчанию 3), или "
                                "proportional — по частоте символа в русском тексте"),
                 QStringLiteral("N"))
    , codes(QStringLiteral("codes"),
            QStringLiteral("keygen --homophones proportional: сколько кодов раздать, от 32 до 100 (по умолчанию "
                           "100)"),
            QStringLiteral("M"))
    , as(QStringLiteral("as"),
         QStringLiteral("analyze: читать текст как открытый (plain) или как шифртекст (cipher); без "
                        "параметра — догадка: шифртекст, если не меньше половины слов — двузначные коды"),
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
    return { &key,   &input, &output,     &encoding, &table, &choice, &seed,  &keyOut, &timeLimit, &quiet, &jobs,
             &lock,  &crib,  &model,      &corpus,   &homophones, &codes, &as, &format, &chart, &help,   &version };
}

QList<const QCommandLineOption *> Options::fileNames() const
{
    return { &input, &output, &table, &keyOut, &model, &corpus, &chart };
}

QList<const QCommandLineOption *> Options::repeatable() const
{
    return { &lock, &crib };
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

std::optional<quint64> chosenWholeNumber(const Invocation &invocation, const QCommandLineOption &option,
                                         const QString &what, quint64 min, quint64 max)
{
    const QString text = invocation.value(option);
    quint64 value = 0;
    if (!readDigits(text, value) || value < min || value > max) {
        reportBadNumber(option, what, QStringLiteral("целым числом от %1 до %2").arg(min).arg(max), text);
        return std::nullopt;
    }
    return value;
}

std::optional<qint64> chosenMilliseconds(const Invocation &invocation, const QCommandLineOption &option,
                                         const QString &what, qint64 minMs, qint64 maxMs)
{
    const QString text = invocation.value(option);
    const std::optional<qint64> value = readMilliseconds(text);
    if (!value || *value < minMs || *value > maxMs) {
        reportBadNumber(option, what,
                        QStringLiteral("числом секунд от %1 до %2, не больше трёх знаков после точки")
                            .arg(secondsText(minMs), secondsText(maxMs)),
                        text);
        return std::nullopt;
    }
    return value;
}

int chosenKey(const Invocation &invocation, const KeyTable &table)
{
    int longest = 1;
    for (const KeyRow &row : table)
        longest = qMax(longest, int(row.codes.size()));
    if (!invocation.isSet(invocation.options.key)) {
        if (invocation.isSet(invocation.options.table))
            return longest;
        usageError(QStringLiteral("не указан ключ: --key 1, 2 или 3"));
        return 0;
    }
    const std::optional<quint64> key
        = chosenWholeNumber(invocation, invocation.options.key, QStringLiteral("ключ должен"), 1, quint64(longest));
    return key ? int(*key) : 0;
}

std::optional<KeyTable> chosenTable(const Invocation &invocation, int &status)
{
    if (!invocation.isSet(invocation.options.table))
        return fixedKeyTable();
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
    const std::optional<quint64> jobs
        = chosenWholeNumber(invocation, invocation.options.jobs, QStringLiteral("число потоков должно"), 1, MaxJobs);
    return jobs ? int(*jobs) : 0;
}

std::optional<quint64> chosenSeed(const Invocation &invocation, bool &ok)
{
    ok = true;
    if (!invocation.isSet(invocation.options.seed))
        return std::nullopt;
    const std::optional<quint64> seed = chosenWholeNumber(invocation, invocation.options.seed,
                                                          QStringLiteral("зерно должно"), 0,
                                                          std::numeric_limits<quint64>::max());
    ok = bool(seed);
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
