#include "filesizelimit.h"
#include "mainwindow.h"
#include "modalhelper.h"

#include <QAction>
#include <QDirIterator>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <memory>
#include <optional>

class FileCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openThenSave_data();
    void openThenSave();
    void saveWritesTheLastLine_data();
    void saveWritesTheLastLine();
    void saveAsLeavesTheOpenedFileTheTarget();
    void newAfterOpenStillSavesToTheFile();
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
    void openRefusesWhatItCannotShow_data();
    void openRefusesWhatItCannotShow();
    void fileOfExactlyTheLimitOpens();
    void failedSavesLoseNothing_data();
    void failedSavesLoseNothing();
    void saveAsFollowsASymbolicLink_data();
    void saveAsFollowsASymbolicLink();
    void charactersOutsideTheCodePageWarn_data();
    void charactersOutsideTheCodePageWarn();
    void binaryFilesOpenWithoutHarm_data();
    void binaryFilesOpenWithoutHarm();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

QAction *action(MainWindow &window, const char *name)
{
    auto *found = window.findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

QTextEdit *editor(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

// The editor's text as the user sees it, no-break spaces included.
QString shownText(MainWindow &window)
{
    return editor(window)->document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// Editor, both cipher menus, Save, Save As and Help.
QVector<bool> documentControls(MainWindow &window)
{
    return {editor(window)->isEnabled(),
            window.findChild<QMenu *>(QStringLiteral("menu_2"))->isEnabled(),
            window.findChild<QMenu *>(QStringLiteral("menu_3"))->isEnabled(),
            action(window, "action_3")->isEnabled(), action(window, "action_4")->isEnabled(),
            action(window, "action_8")->isEnabled()};
}

// Triggers a command, answers its modal windows in order and returns what
// they were.
QStringList run(QAction *command, const QList<ModalAnswerer::Handler> &answers = {})
{
    ModalAnswerer answerer;
    for (const ModalAnswerer::Handler &answer : answers)
        answerer.then(answer);
    command->trigger();
    return answerer.seen;
}

QStringList openFile(MainWindow &window, const QString &path)
{
    return run(action(window, "action_2"), {chooseFile(path)});
}

QByteArray cp1251(const QString &text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

QString replaceQuestion(const QString &name)
{
    return QStringLiteral("Save Dialog|%1 already exists.\nDo you want to replace it?").arg(name);
}

void confirmReplace(QWidget *modal)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    QVERIFY(box);
    QVERIFY(box->button(QMessageBox::Yes));
    box->button(QMessageBox::Yes)->click();
}

// Marks a file append-only for its lifetime, and always clears the mark, so
// that the test's folder can be removed whatever happened in between.
class AppendOnlyFlag
{
public:
    explicit AppendOnlyFlag(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
    {
        if (m_fd < 0 || ::ioctl(m_fd, FS_IOC_GETFLAGS, &m_saved) != 0)
            return;
        int marked = m_saved | FS_APPEND_FL;
        m_set = ::ioctl(m_fd, FS_IOC_SETFLAGS, &marked) == 0;
    }
    ~AppendOnlyFlag()
    {
        if (m_set)
            ::ioctl(m_fd, FS_IOC_SETFLAGS, &m_saved);
        if (m_fd >= 0)
            ::close(m_fd);
    }
    AppendOnlyFlag(const AppendOnlyFlag &) = delete;
    AppendOnlyFlag &operator=(const AppendOnlyFlag &) = delete;

    bool isSet() const { return m_set; }

private:
    int m_fd = -1;
    int m_saved = 0;
    bool m_set = false;
};

// Every file below dir with its content, to show that nothing was touched.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        files.insert(entry, it.fileInfo().isFile() ? readBytes(entry) : QByteArray("<dir>"));
    }
    return files;
}

const QString saveFailed = QStringLiteral("Ошибка|Не удалось сохранить файл:\n");
const QString openFailed = QStringLiteral("Ошибка|Не удалось открыть файл:\n");
const QString fileTooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
const QString notRegular = QStringLiteral("это не обычный файл");
const QString tooLarge = QStringLiteral("Ошибка|Файл слишком большой для редактора:\n");
const QString replaced = QStringLiteral(
    "Предупреждение|Некоторые символы нельзя записать в кодировке Windows-1251; они заменены знаком «?».");

} // namespace

void FileCommandsTest::initTestCase()
{
    // Keeps the file dialog's remembered state out of the real settings.
    QStandardPaths::setTestModeEnabled(true);
}

void FileCommandsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void FileCommandsTest::cleanup()
{
    m_dir.reset();
}

void FileCommandsTest::openThenSave_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("Windows-1251 Cyrillic")
        << QStringLiteral("text.txt") << QByteArray::fromHex("CFF0E8E2E5F22C20ECE8F0210AD8E8F4F0")
        << QStringLiteral("Привет, мир!\nШифр") << QByteArray::fromHex("D8E8F4F0");
    QTest::newRow("Cyrillic folder and file name")
        << QStringLiteral("Мои документы/шифровка.txt") << cp1251(QStringLiteral("текст\nКЛЮЧ 3"))
        << QStringLiteral("текст\nКЛЮЧ 3") << cp1251(QStringLiteral("КЛЮЧ 3"));
    QTest::newRow("Windows line ends, no carriage return saved")
        << QStringLiteral("crlf.txt") << cp1251(QStringLiteral("Первая\r\nВторая\r\nТретья"))
        << QStringLiteral("Первая\nВторая\nТретья") << cp1251(QStringLiteral("Третья"));
    QTest::newRow("Windows line end at the end, empty last line")
        << QStringLiteral("crlf-end.txt") << cp1251(QStringLiteral("Строка\r\n"))
        << QStringLiteral("Строка\n") << QByteArray();
    QTest::newRow("UTF-8 byte-order mark, saved in Windows-1251")
        << QStringLiteral("utf8.txt") << QByteArray("\xEF\xBB\xBF") + QStringLiteral("Ёлка\nёжик").toUtf8()
        << QStringLiteral("Ёлка\nёжик") << QByteArray::fromHex("B8E6E8EA");
    const QString markup = QStringLiteral("<html><b>жирный</b>\n<i>курсив</i> &amp; <br>");
    QTest::newRow("text that looks like HTML stays literal")
        << QStringLiteral("markup.txt") << cp1251(markup) << markup
        << cp1251(QStringLiteral("<i>курсив</i> &amp; <br>"));

    // One line with every byte from 0x20 up that the code page defines (all
    // but 0x98), written out by hand; 0xA0 is the no-break space.
    QByteArray everyByte;
    QString everyCharacter;
    for (int byte = 0x20; byte < 0x80; ++byte) {
        everyByte.append(char(byte));
        everyCharacter.append(QChar(byte));
    }
    for (int byte = 0x80; byte < 0xC0; ++byte) {
        if (byte != 0x98)
            everyByte.append(char(byte));
    }
    everyCharacter += QStringLiteral("ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—™љ›њќћџ"
                                     "\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕї");
    for (int byte = 0xC0; byte <= 0xFF; ++byte) {
        everyByte.append(char(byte));
        everyCharacter.append(QChar(0x0410 + byte - 0xC0));
    }
    QTest::newRow("every byte Windows-1251 defines")
        << QStringLiteral("bytes.txt") << everyByte << everyCharacter << everyByte;
}

void FileCommandsTest::openThenSave()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);
    const QString file = path(name);
    writeBytes(file, bytes);

    MainWindow window;
    QCOMPARE(documentControls(window), QVector<bool>(6, false));
    QCOMPARE(openFile(window, file), QStringList{QStringLiteral("Open Dialog")});
    QCOMPARE(shownText(window), shown);
    QCOMPARE(documentControls(window), QVector<bool>(6, true));
    QCOMPARE(run(action(window, "action_3")), QStringList());
    QCOMPARE(readBytes(file), saved);
}

void FileCommandsTest::saveWritesTheLastLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pastedHtml");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("abc and def") << QStringLiteral("abc\ndef") << false << QByteArray("def");
    QTest::newRow("trailing line feed: empty file") << QStringLiteral("abc\n") << false << QByteArray();
    QTest::newRow("empty editor: empty file") << QString() << false << QByteArray();
    QTest::newRow("soft line break ends the line")
        << QStringLiteral("abc\nx\u2028y") << false << QByteArray("y");
    QTest::newRow("no-break space kept")
        << QStringLiteral("первая\nа\u00A0б") << false << QByteArray("\xE0\xA0\xE1");
    QTest::newRow("text after a pasted table")
        << QStringLiteral("<p>до</p><table><tr><td>ячейка</td><td>два</td></tr></table><p>после</p>")
        << true << cp1251(QStringLiteral("после"));
    QTest::newRow("pasted table at the end: empty file")
        << QStringLiteral("<p>до</p><table><tr><td>ячейка</td><td>два</td></tr></table>") << true
        << QByteArray();
}

void FileCommandsTest::saveWritesTheLastLine()
{
    QFETCH(QString, text);
    QFETCH(bool, pastedHtml);
    QFETCH(QByteArray, saved);
    const QString file = path(QStringLiteral("old.txt"));
    writeBytes(file, cp1251(QStringLiteral("старое содержимое")));

    MainWindow window;
    openFile(window, file);
    if (pastedHtml) {
        editor(window)->selectAll();
        editor(window)->insertHtml(text);
    }
    else
        editor(window)->setPlainText(text);
    QCOMPARE(run(action(window, "action_3")), QStringList());
    QCOMPARE(readBytes(file), saved);
}

void FileCommandsTest::saveAsLeavesTheOpenedFileTheTarget()
{
    const QString opened = path(QStringLiteral("исходный.txt"));
    const QString copy = path(QStringLiteral("копия"));
    writeBytes(opened, cp1251(QStringLiteral("первая\nвторая")));
    MainWindow window;
    openFile(window, opened);

    editor(window)->setPlainText(QStringLiteral("первая\nдля копии"));
    QCOMPARE(run(action(window, "action_4"), {chooseFile(copy)}), QStringList{QStringLiteral("Save Dialog")});
    QCOMPARE(readBytes(copy), cp1251(QStringLiteral("для копии")));
    QCOMPARE(readBytes(opened), cp1251(QStringLiteral("первая\nвторая")));

    editor(window)->setPlainText(QStringLiteral("первая\nитог"));
    QCOMPARE(run(action(window, "action_3")), QStringList());
    QCOMPARE(readBytes(opened), cp1251(QStringLiteral("итог")));
    QCOMPARE(readBytes(copy), cp1251(QStringLiteral("для копии")));
}

void FileCommandsTest::newAfterOpenStillSavesToTheFile()
{
    const QString file = path(QStringLiteral("a.txt"));
    writeBytes(file, cp1251(QStringLiteral("прежний текст")));
    MainWindow window;
    openFile(window, file);

    action(window, "action")->trigger();
    QCOMPARE(shownText(window), QString());
    QCOMPARE(documentControls(window), QVector<bool>(6, true));
    for (const QChar typed : QStringLiteral("новый текст"))
        QTest::sendKeyEvent(QTest::Click, editor(window), Qt::Key_unknown, QString(typed), Qt::NoModifier);
    QCOMPARE(run(action(window, "action_3")), QStringList());
    QCOMPARE(readBytes(file), cp1251(QStringLiteral("новый текст")));
}

void FileCommandsTest::cancelledDialogsChangeNothing_data()
{
    QTest::addColumn<bool>("withDocument");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Open cancelled at start") << false << QByteArray("action_2") << QStringLiteral("Open Dialog");
    QTest::newRow("Open cancelled over a document")
        << true << QByteArray("action_2") << QStringLiteral("Open Dialog");
    QTest::newRow("Save As cancelled") << true << QByteArray("action_4") << QStringLiteral("Save Dialog");
}

void FileCommandsTest::cancelledDialogsChangeNothing()
{
    QFETCH(bool, withDocument);
    QFETCH(QByteArray, command);
    QFETCH(QString, caption);
    const QString file = path(QStringLiteral("a.txt"));
    writeBytes(file, cp1251(QStringLiteral("в файле")));
    MainWindow window;
    if (withDocument) {
        openFile(window, file);
        editor(window)->setPlainText(QStringLiteral("правка\nпоследняя"));
    }
    const QString text = shownText(window);
    const QVector<bool> controls = documentControls(window);
    const QMap<QString, QByteArray> files = snapshot(m_dir->path());

    QCOMPARE(run(action(window, command.constData()), {cancelFileDialog}), QStringList{caption});
    QCOMPARE(shownText(window), text);
    QCOMPARE(documentControls(window), controls);
    QCOMPARE(snapshot(m_dir->path()), files);
    if (withDocument) { // and Save still knows the opened file
        QCOMPARE(run(action(window, "action_3")), QStringList());
        QCOMPARE(readBytes(file), cp1251(QStringLiteral("последняя")));
    }
}

void FileCommandsTest::openRefusesWhatItCannotShow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::newRow("named pipe") << QStringLiteral("pipe") << openFailed << notRegular;
    QTest::newRow("endless device") << QStringLiteral("/dev/zero") << openFailed << notRegular;
    QTest::newRow("file that opens but cannot be read")
        << QStringLiteral("/proc/self/mem") << openFailed << QStringLiteral("Input/output error");
    QTest::newRow("one byte over the 16 MiB limit") << QStringLiteral("over limit") << tooLarge << QString();
    QTest::newRow("four gigabytes") << QStringLiteral("huge") << tooLarge << QString();
}

void FileCommandsTest::openRefusesWhatItCannotShow()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QString target = kind;
    qint64 size = -1;
    if (kind == QLatin1String("pipe")) {
        target = path(QStringLiteral("канал.txt"));
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    } else if (kind == QLatin1String("over limit") || kind == QLatin1String("huge")) {
        // Sparse: the disk holds nothing of it.
        target = path(QStringLiteral("большой.txt"));
        size = kind == QLatin1String("huge") ? 4LL << 30 : (16 << 20) + 1;
        QFile big(target);
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(size));
    } else if (!QFileInfo::exists(target)) {
        QSKIP("not on this system");
    }
    const QString opened = path(QStringLiteral("прежний.txt"));
    writeBytes(opened, cp1251(QStringLiteral("прежний\nтекст")));
    MainWindow window;
    openFile(window, opened);

    QString box = message + QDir::toNativeSeparators(target);
    if (!reason.isEmpty())
        box += QLatin1Char('\n') + reason;
    QCOMPARE(run(action(window, "action_2"), {chooseFile(target), pressOk}),
             (QStringList{QStringLiteral("Open Dialog"), box}));
    QCOMPARE(shownText(window), QStringLiteral("прежний\nтекст"));
    QCOMPARE(documentControls(window), QVector<bool>(6, true));
    if (size >= 0)
        QCOMPARE(QFileInfo(target).size(), size);
    QCOMPARE(run(action(window, "action_3")), QStringList());
    QCOMPARE(readBytes(opened), cp1251(QStringLiteral("текст")));
}

// The editor's limit is inclusive: a file of exactly 16 MiB is shown whole.
void FileCommandsTest::fileOfExactlyTheLimitOpens()
{
    const QByteArray line = cp1251(QStringLiteral("Шестнадцать мебибайт текста, строка за строкой.\r\n"));
    QByteArray bytes;
    bytes.reserve(16 << 20);
    while (bytes.size() + line.size() <= (16 << 20))
        bytes += line;
    const QByteArray last = cp1251(QStringLiteral("конец"));
    bytes += QByteArray((16 << 20) - bytes.size() - last.size(), 'x') + last;
    QCOMPARE(bytes.size(), 16 << 20);
    const QString file = path(QStringLiteral("ровно.txt"));
    writeBytes(file, bytes);

    MainWindow window;
    QCOMPARE(openFile(window, file), QStringList{QStringLiteral("Open Dialog")});
    QCOMPARE(editor(window)->document()->characterCount() - 1, bytes.size() - bytes.count('\r'));
    QVERIFY(editor(window)->document()->lastBlock().text().endsWith(QStringLiteral("конец")));
}

void FileCommandsTest::failedSavesLoseNothing_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("lineLength");
    QTest::addColumn<QString>("reason");

    // Paths below a regular file cannot be written even by root, nor can a
    // process that is over its file-size limit.
    QTest::newRow("Save As into a missing folder")
        << QByteArray("action_4") << QStringLiteral("нет такой папки/копия.txt") << QString() << 20
        << QStringLiteral("No such file or directory");
    QTest::newRow("Save As below a regular file")
        << QByteArray("action_4") << QStringLiteral("папка/исходный.txt/копия.txt") << QString() << 20
        << QStringLiteral("Not a directory");
    QTest::newRow("Save after the folder was replaced by a file")
        << QByteArray("action_3") << QStringLiteral("папка/исходный.txt") << QStringLiteral("folder becomes file")
        << 20 << QStringLiteral("Not a directory");
    QTest::newRow("Save over the file-size limit, line within the write buffer")
        << QByteArray("action_3") << QStringLiteral("папка/исходный.txt") << QStringLiteral("size limit") << 4000
        << fileTooLarge;
    QTest::newRow("Save over the file-size limit, line beyond the write buffer")
        << QByteArray("action_3") << QStringLiteral("папка/исходный.txt") << QStringLiteral("size limit") << 60000
        << fileTooLarge;
    QTest::newRow("Save As onto a named pipe")
        << QByteArray("action_4") << QStringLiteral("канал") << QStringLiteral("pipe") << 20 << notRegular;
    QTest::newRow("Save As onto a device node")
        << QByteArray("action_4") << QStringLiteral("устройство") << QStringLiteral("device") << 20 << notRegular;
    // An append-only file may be written to but not replaced, by root too:
    // the new text is written in full beside it and only the final rename
    // fails. (QSaveFile refuses an immutable file already when it opens.)
    QTest::newRow("Save As where only the final rename fails")
        << QByteArray("action_4") << QStringLiteral("письмо.txt") << QStringLiteral("append-only") << 20
        << QString::fromLocal8Bit(std::strerror(EPERM));
}

void FileCommandsTest::failedSavesLoseNothing()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, target);
    QFETCH(QString, before);
    QFETCH(int, lineLength);
    QFETCH(QString, reason);
    const QString opened = path(QStringLiteral("папка/исходный.txt"));
    writeBytes(opened, cp1251(QStringLiteral("исходный\nтекст")));
    MainWindow window;
    openFile(window, opened);
    const QString text = QStringLiteral("правка\n") + QString(lineLength, QChar(u'ж'));
    editor(window)->setPlainText(text);
    const QByteArray targetName = QFile::encodeName(path(target));
    std::optional<AppendOnlyFlag> appendOnly;
    if (before == QLatin1String("folder becomes file")) {
        QVERIFY(QDir(path(QStringLiteral("папка"))).removeRecursively());
        writeBytes(path(QStringLiteral("папка")), "чужой файл");
    } else if (before == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(targetName.constData(), 0600), 0);
    } else if (before == QLatin1String("device") && ::mknod(targetName.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
        QSKIP("cannot make a device node here");
    } else if (before == QLatin1String("append-only")) {
        writeBytes(path(target), "старое письмо");
        appendOnly.emplace(path(target));
        if (!appendOnly->isSet())
            QSKIP("cannot mark a file append-only here: it takes CAP_LINUX_IMMUTABLE and a file "
                  "system with file flags, such as ext4");
    }
    const QMap<QString, QByteArray> files = snapshot(m_dir->path());

    const bool saveAs = command == "action_4";
    QStringList expected{saveFailed + QDir::toNativeSeparators(path(target)) + QLatin1Char('\n') + reason};
    if (saveAs)
        expected.prepend(QStringLiteral("Save Dialog"));
    QList<ModalAnswerer::Handler> answers{pressOk};
    if (before == QLatin1String("pipe") || before == QLatin1String("device")
        || before == QLatin1String("append-only")) {
        // The file dialog asks before replacing anything that exists.
        expected.insert(1, replaceQuestion(target));
        answers.prepend(confirmReplace);
    }
    if (saveAs)
        answers.prepend(chooseFile(path(target)));
    QStringList seen;
    {
        const FileSizeLimit limit(before == QLatin1String("size limit") ? 1024 : -1);
        seen = run(action(window, command.constData()), answers);
    }
    QCOMPARE(seen, expected);
    QCOMPARE(snapshot(m_dir->path()), files);
    QCOMPARE(shownText(window), text);
    QCOMPARE(documentControls(window), QVector<bool>(6, true));
    if (before == QLatin1String("pipe"))
        QVERIFY(QFileInfo(path(target)).exists() && !QFileInfo(path(target)).isFile());
}

void FileCommandsTest::saveAsFollowsASymbolicLink_data()
{
    QTest::addColumn<QString>("linkTarget");
    QTest::addColumn<QString>("reached");
    QTest::addColumn<bool>("exists");

    // ярлык leads to дом/комната, so "ярлык/.." is дом, not the folder of the
    // link, where files of the same names lie.
    QTest::newRow("link to a file beside it") << QStringLiteral("настоящий.txt") << QStringLiteral("настоящий.txt") << true;
    QTest::newRow("link that leaves another link by ..")
        << QStringLiteral("ярлык/../письмо.txt") << QStringLiteral("дом/письмо.txt") << true;
    QTest::newRow("link to a link that leaves another link by ..")
        << QStringLiteral("вторая ссылка.txt") << QStringLiteral("дом/письмо.txt") << true;
    QTest::newRow("dangling link that leaves another link by ..")
        << QStringLiteral("ярлык/../новое.txt") << QStringLiteral("дом/новое.txt") << false;
}

// A symbolic link is a fine target: the file the system finds through it
// gets the line, and the link and every other file stay as they were.
void FileCommandsTest::saveAsFollowsASymbolicLink()
{
    QFETCH(QString, linkTarget);
    QFETCH(QString, reached);
    QFETCH(bool, exists);
    writeBytes(path(QStringLiteral("настоящий.txt")), "old");
    writeBytes(path(QStringLiteral("дом/письмо.txt")), "старое письмо");
    writeBytes(path(QStringLiteral("письмо.txt")), "чужое письмо");
    writeBytes(path(QStringLiteral("новое.txt")), "чужой файл");
    QVERIFY(QDir().mkpath(path(QStringLiteral("дом/комната"))));
    QVERIFY(QFile::link(QStringLiteral("дом/комната"), path(QStringLiteral("ярлык"))));
    QVERIFY(QFile::link(QStringLiteral("ярлык/../письмо.txt"), path(QStringLiteral("вторая ссылка.txt"))));
    const QString link = path(QStringLiteral("ссылка.txt"));
    QVERIFY(QFile::link(linkTarget, link));
    QMap<QString, QByteArray> expected = snapshot(m_dir->path());
    MainWindow window;
    action(window, "action")->trigger();
    editor(window)->setPlainText(QStringLiteral("первая\nчерез ссылку"));

    QStringList asked{QStringLiteral("Save Dialog")};
    QList<ModalAnswerer::Handler> answers{chooseFile(link)};
    if (exists) {
        asked << replaceQuestion(QStringLiteral("ссылка.txt"));
        answers << confirmReplace;
    }
    QCOMPARE(run(action(window, "action_4"), answers), asked);

    const QByteArray saved = cp1251(QStringLiteral("через ссылку"));
    QCOMPARE(readBytes(path(reached)), saved);
    QCOMPARE(readBytes(path(QStringLiteral("письмо.txt"))), QByteArray("чужое письмо"));
    QCOMPARE(readBytes(path(QStringLiteral("новое.txt"))), QByteArray("чужой файл"));
    // Links show the file they lead to, so those that lead to it now show
    // the new line too.
    const QString reachedFile = QFileInfo(path(reached)).canonicalFilePath();
    expected.insert(path(reached), saved);
    for (auto entry = expected.begin(); entry != expected.end(); ++entry) {
        if (QFileInfo(entry.key()).canonicalFilePath() == reachedFile)
            entry.value() = saved;
    }
    QCOMPARE(snapshot(m_dir->path()), expected);
    QCOMPARE(QFile::symLinkTarget(link), QFileInfo(path(linkTarget)).absoluteFilePath());
}

void FileCommandsTest::charactersOutsideTheCodePageWarn_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<bool>("warns");

    QTest::newRow("Polish letters") << QStringLiteral("Łódź") << QByteArray("??d?") << true;
    QTest::newRow("emoji") << QStringLiteral("ключ 🔑") << cp1251(QStringLiteral("ключ ?")) << true;
    QTest::newRow("question marks of the text itself")
        << QStringLiteral("Кто? Что?") << QByteArray::fromHex("CAF2EE3F20D7F2EE3F") << false;
    QTest::newRow("euro sign and no-break space")
        << QStringLiteral("10\u00A0€") << QByteArray("10\xA0\x88") << false;
}

void FileCommandsTest::charactersOutsideTheCodePageWarn()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, saved);
    QFETCH(bool, warns);
    const QString file = path(QStringLiteral("a.txt"));
    writeBytes(file, "abc");
    MainWindow window;
    openFile(window, file);
    editor(window)->setPlainText(QStringLiteral("первая\n") + line);

    QCOMPARE(run(action(window, "action_3"), {pressOk}), warns ? QStringList{replaced} : QStringList());
    QCOMPARE(readBytes(file), saved);
}

void FileCommandsTest::binaryFilesOpenWithoutHarm_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QByteArray allBytes;
    for (int round = 0; round < 2; ++round) {
        for (int byte = 0; byte < 256; ++byte)
            allBytes.append(char(byte));
    }
    QTest::newRow("every byte value, NULs included") << allBytes;
    QTest::newRow("UTF-16 byte-order mark, broken pair, odd length")
        << QByteArray("\xFF\xFE\x00\xD8" "A\x00\x01", 7);
    QTest::newRow("UTF-8 byte-order mark, invalid sequences")
        << QByteArray("\xEF\xBB\xBF\xC3\x28\xFF\xFE\x80\n\xED\xA0\x80");
}

void FileCommandsTest::binaryFilesOpenWithoutHarm()
{
    QFETCH(QByteArray, bytes);
    const QString file = path(QStringLiteral("binary.txt"));
    writeBytes(file, bytes);
    MainWindow window;
    QCOMPARE(openFile(window, file), QStringList{QStringLiteral("Open Dialog")});
    QVERIFY(!shownText(window).isEmpty());
    QCOMPARE(documentControls(window), QVector<bool>(6, true));

    const QStringList seen = run(action(window, "action_3"), {pressOk});
    QVERIFY2(seen.isEmpty() || seen == QStringList{replaced}, qPrintable(seen.join(QLatin1Char(';'))));
    QVERIFY(QFileInfo(file).isFile());
}

QTEST_MAIN(FileCommandsTest)
#include "tst_filecommands.moc"
