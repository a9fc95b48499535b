// Every command that writes, run as a process with its output on a full
// device: it must say so, exit with 1 and never report success.
#include "clirunner.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QString prose = QStringLiteral(
    "Утром над рекой стоял туман, и рыбаки молча готовили лодки. Солнце поднималось медленно, "
    "вода светлела, а на том берегу уже кричали птицы. Старик проверил сети, посмотрел на небо "
    "и сказал, что сегодня будет хороший улов.\n");

// Stands for the full device in a row's arguments.
const QString full = QStringLiteral("FULL");

bool isCharacterDevice(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISCHR(status.st_mode);
}

} // namespace

class FullOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void everyWritingCommandReportsAFullDevice_data();
    void everyWritingCommandReportsAFullDevice();
};

void FullOutputTest::everyWritingCommandReportsAFullDevice_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<bool>("toStandardOutput"); // else FULL in the arguments

    const auto row = [](const char *name, std::initializer_list<const char *> command, bool toStandardOutput) {
        QTest::newRow(name) << arguments(command) << toStandardOutput;
    };
    row("encrypt to standard output", { "encrypt", "-k", "3", "-i", "plain.txt" }, true);
    row("encrypt on four threads to standard output", { "encrypt", "-k", "3", "-i", "plain.txt", "--jobs", "4" }, true);
    row("encrypt into the device", { "encrypt", "-k", "3", "-i", "plain.txt", "-o", "FULL" }, false);
    row("decrypt on four threads to standard output", { "decrypt", "-k", "2", "-i", "cipher.txt", "--jobs", "4" }, true);
    row("decrypt into the device", { "decrypt", "-k", "2", "-i", "cipher.txt", "-o", "FULL" }, false);
    row("table to standard output", { "table" }, true);
    row("table of a key file to standard output", { "table", "--table", "key.txt" }, true);
    row("keygen to standard output", { "keygen", "--seed", "1" }, true);
    row("keygen into the device", { "keygen", "-o", "FULL" }, false);
    row("analyze as text to standard output", { "analyze", "-i", "plain.txt" }, true);
    row("analyze as JSON to standard output", { "analyze", "-i", "cipher.txt", "--format", "json" }, true);
    row("analyze beside the ciphertext to standard output", { "analyze", "-k", "2", "-i", "plain.txt" }, true);
    row("analyze's chart into the device", { "analyze", "-i", "plain.txt", "--chart", "FULL" }, false);
    row("crack to standard output", { "crack", "-i", "cipher.txt", "--seed", "1" }, true);
    row("crack into the device", { "crack", "-i", "cipher.txt", "--seed", "1", "-o", "FULL" }, false);
    row("crack's key into the device", { "crack", "-i", "cipher.txt", "--seed", "1", "-o", "previous.txt", "--key-out", "FULL" }, false);
    row("model into the device", { "model", "--corpus", "corpus.txt", "--output", "FULL" }, false);
    row("help to standard output", { "--help" }, true);
    row("version to standard output", { "--version" }, true);
}

void FullOutputTest::everyWritingCommandReportsAFullDevice()
{
    QFETCH(QStringList, command);
    QFETCH(bool, toStandardOutput);

    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    const QByteArray plain = QTextCodec::codecForName("Windows-1251")->fromUnicode(prose);
    QVERIFY(writeFile(dir.filePath(QStringLiteral("plain.txt")), plain));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("corpus.txt")), prose.repeated(20).toUtf8()));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("previous.txt")), "previous output"));
    const Run encrypted = runCli(arguments({ "encrypt", "-k", "2", "-i", "plain.txt" }), QByteArray(), dir.path());
    QCOMPARE(encrypted.exitCode, 0);
    QVERIFY(writeFile(dir.filePath(QStringLiteral("cipher.txt")), encrypted.out));
    const Run table = runCli(arguments({ "table" }), QByteArray(), dir.path());
    QCOMPARE(table.exitCode, 0);
    QVERIFY(writeFile(dir.filePath(QStringLiteral("key.txt")), table.out));

    // A device of the test's own, so that a tool that renamed a file over the
    // device it was given would replace only that, never /dev/full.
    QString device = dir.filePath(QStringLiteral("full"));
    if (!toStandardOutput
        && ::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0600, makedev(1, 7)) != 0) {
        if (::geteuid() == 0)
            QSKIP("cannot make a device node here");
        device = QStringLiteral("/dev/full");
    }
    command.replaceInStrings(full, device);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);

    const Run run = runCliFromShell(QString(), command, toStandardOutput ? QStringLiteral(">/dev/full") : QString(),
                                    dir.path());
    QCOMPARE(run.exitCode, 1);
    const QString target = toStandardOutput ? QStringLiteral("стандартный вывод")
                                            : QStringLiteral("файл «") + device + QStringLiteral("»");
    QCOMPARE(run.err, QStringLiteral("homophonic: не удалось записать ") + target + QStringLiteral(": ")
                          + QString::fromLocal8Bit(std::strerror(ENOSPC)) + QLatin1Char('\n'));
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(readFile(dir.filePath(QStringLiteral("previous.txt"))), QByteArray("previous output"));
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), entries);
    if (!toStandardOutput)
        QVERIFY(isCharacterDevice(device));
}

QTEST_GUILESS_MAIN(FullOutputTest)
#include "tst_fulloutput.moc"
