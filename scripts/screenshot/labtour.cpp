// The lab's three tasks for the README's screenshots, driven through the
// window's own buttons as a user would: a key made from a seed, a text typed
// in and encrypted, its frequencies, and an attack on a longer ciphertext.
// Saves one picture per task, frame included, into the folder given.
#include "attackpage.h"
#include "cipherpage.h"
#include "crackworker.h"
#include "frequencypage.h"
#include "keypage.h"
#include "keytablemodel.h"
#include "labwindow.h"
#include "textpane.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

#include <cstdio>

namespace {

const QString Sentence = QStringLiteral("Частые буквы прячутся за разными кодами, и пики частот становятся ниже");

// For the attack: about 700 letters of plain Russian prose.
const QString Story = QStringLiteral(
    "Утром в городе шёл мелкий дождь, и на улицах было почти пусто. Старый учитель вышел из дома раньше "
    "обычного, потому что хотел до начала уроков зайти в библиотеку. Там его ждала книга о тайных письмах, "
    "которую он заказал ещё весной. В этой книге рассказывалось, как писцы прошлых веков прятали смысл "
    "донесений: каждую букву они заменяли числом, а для частых букв брали сразу несколько разных чисел. "
    "Учитель хотел показать ученикам, что такой шифр всё равно можно прочитать, если внимательно считать, "
    "какие числа стоят рядом и как часто они повторяются. Он решил, что на следующем занятии каждый "
    "получит короткое письмо и попробует найти ключ сам, а потом сравнит свою догадку с ответом машины.");

// Types text as key presses; QTest::keyClicks knows only ASCII keys.
void type(QWidget *widget, const QString &text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

bool grabWindow(QWidget &window, const QString &path)
{
    QTest::qWait(400); // the last paint, and the frame drawn by the window manager
    QScreen *screen = window.windowHandle() ? window.windowHandle()->screen() : QGuiApplication::primaryScreen();
    const QRect frame = window.frameGeometry();
    const QPixmap picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "labtour: could not save %s\n", qPrintable(path));
        return false;
    }
    return true;
}

template <typename T>
T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        std::fprintf(stderr, "labtour: no %s\n", name);
    return found;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: labtour OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QCoreApplication::setOrganizationName(QStringLiteral("substitution-ciphers-tour"));
    LabWindow window;
    window.resize(1000, 640);
    window.move(12, 12);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *tabs = child<QTabWidget>(window, "tasks");

    // The key: a table from seed 2026, as keygen --seed 2026 makes it, with
    // a slip of the hand.
    tabs->setCurrentWidget(window.keyPage());
    QTest::keyClicks(child<QLineEdit>(window, "keySeed"), QStringLiteral("2026"));
    QTest::mouseClick(child<QPushButton>(window, "newKeyButton"), Qt::LeftButton);
    // A code typed twice: the reader's problem shows beside the table.
    KeyTableModel *keys = window.keyPage()->model();
    const QModelIndex firstCodeOfA = keys->index(1, 1);
    const QVariant code = keys->data(firstCodeOfA, Qt::EditRole);
    keys->setData(firstCodeOfA, keys->data(keys->index(0, 1), Qt::EditRole), Qt::EditRole);
    if (!grabWindow(window, output.filePath(QStringLiteral("lab-key.png"))))
        return 1;
    keys->setData(firstCodeOfA, code, Qt::EditRole);

    // Encrypt: k = 3, random choice from seed 7.
    tabs->setCurrentWidget(window.cipherPage());
    QPlainTextEdit *plain = window.cipherPage()->plainPane()->editor();
    plain->setFocus();
    type(plain, Sentence);
    child<QSpinBox>(window, "keyNumber")->setValue(3);
    child<QComboBox>(window, "codeChoice")->setCurrentIndex(1);
    QTest::keyClicks(child<QLineEdit>(window, "choiceSeed"), QStringLiteral("7"));
    QTest::mouseClick(child<QPushButton>(window, "encryptButton"), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return !window.cipherPage()->isBusy(); }, 10000))
        return 1;
    if (!grabWindow(window, output.filePath(QStringLiteral("lab-cipher.png"))))
        return 1;

    // Frequencies of the longer text and its ciphertext.
    plain->setPlainText(Story);
    QTest::mouseClick(child<QPushButton>(window, "encryptButton"), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return !window.cipherPage()->isBusy(); }, 10000))
        return 1;
    tabs->setCurrentWidget(window.frequencyPage());
    const int redraws = window.frequencyPage()->redrawCount();
    if (!QTest::qWaitFor([&] { return window.frequencyPage()->redrawCount() > redraws; }, 10000))
        return 1;
    if (!grabWindow(window, output.filePath(QStringLiteral("lab-frequencies.png"))))
        return 1;

    // The attack on that ciphertext, seed 1, and a code locked afterwards.
    tabs->setCurrentWidget(window.attackPage());
    window.attackPage()->cipherPane()->setText(window.cipherPage()->cipherPane()->text());
    QTest::keyClicks(child<QLineEdit>(window, "attackSeed"), QStringLiteral("1"));
    QTest::mouseClick(child<QAbstractButton>(window, "attackButton"), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return !window.attackPage()->worker()->isRunning(); }, 60000))
        return 1;
    // The space's first code fixed by hand, as before "Продолжить".
    window.attackPage()->setLock(30, 0);
    if (!grabWindow(window, output.filePath(QStringLiteral("lab-attack.png"))))
        return 1;

    // Nothing of the tour is worth keeping.
    for (TextPane *pane : { window.cipherPage()->plainPane(), window.cipherPage()->cipherPane(),
                            window.attackPage()->cipherPane() })
        pane->markSaved(QString());
    return 0;
}
