// Whole text files for an editor: read with the tool's rules, written whole
// or not at all.
#include "filesizelimit.h"
#include "textencoding.h"
#include "textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TextFileTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAsTheToolReads_data();
    void readsAsTheToolReads();
    void refusesWhatIsNoTextFile_data();
    void refusesWhatIsNoTextFile();
    void writesInTheChosenEncoding_data();
    void writesInTheChosenEncoding();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void newFilePermissionsOnlyForNewFiles();

private:
    QTemporaryDir m_dir;
};

void TextFileTest::readsAsTheToolReads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("undecodable");
    QTest::addColumn<QString>("encodingName");

    const QString privet = QStringLiteral("Привет\r\nмир");
    QTest::newRow("Windows-1251 without a mark")
        << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xEC\xE8\xF0") << false << privet << qint64(0)
        << QStringLiteral("windows-1251");
    QTest::newRow("a UTF-8 mark wins over Windows-1251")
        << QByteArray("\xEF\xBB\xBF") + privet.toUtf8() << false << privet << qint64(0) << QStringLiteral("utf-8");
    QTest::newRow("a UTF-16 little-endian mark")
        << QByteArray("\xFF\xFE" "\x41\x04\x0A\x00", 6) << true << QStringLiteral("с\n") << qint64(0)
        << QStringLiteral("utf-16le");
    QTest::newRow("bytes that are no UTF-8 are counted, each one")
        << QByteArray("\xD0\x90\xFF\xFE\xD0\x91") << true << QStringLiteral("А\uFFFD\uFFFDБ") << qint64(2)
        << QStringLiteral("utf-8");
    QTest::newRow("an empty file is an empty text") << QByteArray() << true << QString() << qint64(0)
                                                  << QStringLiteral("utf-8");
}

void TextFileTest::readsAsTheToolReads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    QFETCH(QString, text);
    QFETCH(qint64, undecodable);
    QFETCH(QString, encodingName);
    const QString path = m_dir.filePath(QStringLiteral("текст.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
    file.close();

    const TextFileReading reading
        = readTextFile(path, utf8 ? *TextEncoding::utf8() : *TextEncoding::windows1251());
    QVERIFY2(reading.ok, qPrintable(reading.error));
    QCOMPARE(reading.text, text);
    QCOMPARE(reading.undecodable, undecodable);
    QCOMPARE(reading.encodingName, encodingName);
}

void TextFileTest::refusesWhatIsNoTextFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("a folder") << m_dir.path() << QStringLiteral("это не обычный файл");
    QTest::newRow("a device") << QStringLiteral("/dev/null") << QStringLiteral("это не обычный файл");
    QTest::newRow("a file that is not there") << m_dir.filePath(QStringLiteral("нет.txt"))
                                              << QStringLiteral("No such file or directory");
    QTest::newRow("a file one byte over 16 MiB") << m_dir.filePath(QStringLiteral("большой.txt"))
                                                 << QStringLiteral("файл больше 16 МиБ");
}

void TextFileTest::refusesWhatIsNoTextFile()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    if (path.endsWith(QStringLiteral("большой.txt"))) {
        // Sparse: no disk space is taken.
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(MaxTextFileBytes + 1));
    }
    const TextFileReading reading = readTextFile(path, *TextEncoding::utf8());
    QVERIFY(!reading.ok);
    QVERIFY2(reading.error.contains(reason), qPrintable(reading.error));
    QVERIFY(reading.text.isEmpty());
}

void TextFileTest::writesInTheChosenEncoding_data()
{
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("unencodable");

    QTest::newRow("Windows-1251, line ends kept") << false << QStringLiteral("Щи\nда\r\n")
                                                  << QByteArray("\xD9\xE8\n\xE4\xE0\r\n") << qint64(0);
    QTest::newRow("Windows-1251 writes '?' for what it lacks, and counts it")
        << false << QStringLiteral("ā😀б") << QByteArray("??\xE1") << qint64(2);
    QTest::newRow("UTF-8 holds everything, without a mark") << true << QStringLiteral("ā😀б")
                                                            << QStringLiteral("ā😀б").toUtf8() << qint64(0);
}

void TextFileTest::writesInTheChosenEncoding()
{
    QFETCH(bool, utf8);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, unencodable);
    const QString path = m_dir.filePath(QStringLiteral("записано.txt"));
    const TextFileWriting writing
        = writeTextFile(path, text, utf8 ? *TextEncoding::utf8() : *TextEncoding::windows1251());
    QVERIFY2(writing.ok, qPrintable(writing.error));
    QCOMPARE(writing.unencodable, unencodable);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void TextFileTest::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("limited");
    QTest::addColumn<QString>("reason");

    QTest::newRow("over the file-size limit") << QStringLiteral("старый.txt") << true << QStringLiteral("File too large");
    QTest::newRow("below a regular file") << QStringLiteral("старый.txt/новый.txt") << false << QStringLiteral("Not a directory");
}

void TextFileTest::failedWriteKeepsTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(bool, limited);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("старый.txt"));
    {
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("old text");
    }
    const QString path = dir.filePath(name);
    TextFileWriting writing;
    {
        FileSizeLimit limit(limited ? 4096 : rlim_t(-1));
        writing = writeTextFile(path, QString(8192, QLatin1Char('x')), *TextEncoding::utf8());
    }
    QVERIFY(!writing.ok);
    QVERIFY(!writing.error.isEmpty());
    QVERIFY2(writing.error.contains(reason), qPrintable(writing.error));
    QFile file(old);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("old text"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("старый.txt")});
}

void TextFileTest::newFilePermissionsOnlyForNewFiles()
{
    const mode_t oldMask = ::umask(0);
    const QString fresh = m_dir.filePath(QStringLiteral("ключ.txt"));
    const QString existing = m_dir.filePath(QStringLiteral("общий.txt"));
    QFile::remove(fresh);
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                    | QFileDevice::ReadOther));
    }
    QString error;
    const bool wroteFresh = writeWholeFile(fresh, "x", &error, FileReaders::OwnerOnly);
    const bool wroteExisting = writeWholeFile(existing, "y", &error, FileReaders::OwnerOnly);
    ::umask(oldMask);
    QVERIFY2(wroteFresh && wroteExisting, qPrintable(error));
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, mode_t(0600));
    QCOMPARE(::stat(QFile::encodeName(existing).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, mode_t(0644));
}

QTEST_GUILESS_MAIN(TextFileTest)
#include "tst_textfile.moc"
