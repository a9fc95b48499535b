#include "mainwindow.h"
#include "modalhelper.h"

#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void windowAndMenuBar();
    void menuEntries_data();
    void menuEntries();
    void fonts();
    void editorKeepsGeometryOnResize();
    void enabledStates_data();
    void enabledStates();
    void newClearsTheEditor();
    void typingAfterNewGoesIntoTheEditor();
    void exitCommandsCloseTheWindow_data();
    void exitCommandsCloseTheWindow();
    void slotsInDeclarationOrder();
    void fullTableHRIsInvokableAndQuiet();
};

static QAction *action(MainWindow &window, const char *name)
{
    auto *found = window.findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

static QMenu *menu(MainWindow &window, const char *name)
{
    auto *found = window.findChild<QMenu *>(QLatin1String(name));
    if (!found)
        qFatal("no menu %s", name);
    return found;
}

static QTextEdit *editor(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

// The top-level "Выход" that the window adds to the menu bar itself.
static QAction *menuBarExit(MainWindow &window)
{
    return window.menuBar()->actions().value(4);
}

void MainWindowTest::windowAndMenuBar()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.size(), QSize(823, 551));
    QCOMPARE(window.windowTitle(), QStringLiteral("Шифрование методами подстановки"));

    QStringList entries;
    for (QAction *entry : window.menuBar()->actions())
        entries << entry->text();
    QCOMPARE(entries, (QStringList{QStringLiteral("Файл"), QStringLiteral("Зашифровать"),
                                   QStringLiteral("Расшифровать"), QStringLiteral("Справка"),
                                   QStringLiteral("Выход")}));
    QVERIFY(!menuBarExit(window)->menu());
    QCOMPARE(window.menuBar()->geometry(), QRect(0, 0, 823, 29));
    QVERIFY(window.findChild<QToolBar *>(QStringLiteral("mainToolBar"))->actions().isEmpty());
    QVERIFY(window.findChild<QStatusBar *>(QStringLiteral("statusBar")));
}

void MainWindowTest::menuEntries_data()
{
    QTest::addColumn<QString>("menuName");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");

    const QString separator = QStringLiteral("-");
    QTest::newRow("file menu") << QStringLiteral("menu")
        << QStringList{QStringLiteral("action"), QStringLiteral("action_2"), QStringLiteral("action_3"),
                       QStringLiteral("action_4"), separator, QStringLiteral("action_6")}
        << QStringList{QStringLiteral("Создать"), QStringLiteral("Открыть"), QStringLiteral("Сохранить"),
                       QStringLiteral("Сохранить как"), separator, QStringLiteral("Выход")};
    const QStringList cipherTexts{QStringLiteral("Моноалфавитная"), QStringLiteral("Гомофоническая"),
                                  QStringLiteral("Полиалфавитная"), QStringLiteral("Полиграммная")};
    QTest::newRow("encryption menu") << QStringLiteral("menu_2")
        << QStringList{QStringLiteral("action_9"), QStringLiteral("action_10"), QStringLiteral("action_11"),
                       QStringLiteral("action_12")}
        << cipherTexts;
    QTest::newRow("decryption menu") << QStringLiteral("menu_3")
        << QStringList{QStringLiteral("action_13"), QStringLiteral("action_14"), QStringLiteral("action_15"),
                       QStringLiteral("action_16")}
        << cipherTexts;
    QTest::newRow("help menu") << QStringLiteral("menu_4")
        << QStringList{QStringLiteral("action_7"), QStringLiteral("action_8")}
        << QStringList{QStringLiteral("О программе"), QStringLiteral("Помощь")};
}

void MainWindowTest::menuEntries()
{
    QFETCH(QString, menuName);
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts);

    MainWindow window;
    QStringList actualNames;
    QStringList actualTexts;
    for (QAction *entry : menu(window, qPrintable(menuName))->actions()) {
        actualNames << (entry->isSeparator() ? QStringLiteral("-") : entry->objectName());
        actualTexts << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
        QVERIFY(entry->shortcut().isEmpty());
        QVERIFY(entry->icon().isNull());
        QVERIFY(!entry->isCheckable());
    }
    QCOMPARE(actualNames, names);
    QCOMPARE(actualTexts, texts);
}

void MainWindowTest::fonts()
{
    MainWindow window;
    const QFont editorFont = editor(window)->font();
    QCOMPARE(editorFont.family(), QStringLiteral("Times New Roman"));
    QCOMPARE(editorFont.pointSize(), 14);
    QCOMPARE(editorFont.bold(), false);

    const QFont barFont = window.menuBar()->font();
    QCOMPARE(barFont.family(), QStringLiteral("Times New Roman"));
    QCOMPARE(barFont.pointSize(), 12);
    QCOMPARE(barFont.weight(), 75);

    for (const char *name : {"menu", "menu_2", "menu_3", "menu_4"}) {
        const QFont menuFont = menu(window, name)->font();
        QCOMPARE(menuFont.family(), QStringLiteral("Times New Roman"));
        QCOMPARE(menuFont.pointSize(), 12);
        QCOMPARE(menuFont.weight(), int(QFont::Normal));
    }
}

void MainWindowTest::editorKeepsGeometryOnResize()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect expected(30, 20, 761, 451);
    QCOMPARE(editor(window)->geometry(), expected);
    for (const QSize &size : {QSize(1200, 900), QSize(400, 300), QSize(823, 551)}) {
        window.resize(size);
        QCoreApplication::processEvents();
        QCOMPARE(editor(window)->geometry(), expected);
    }
}

void MainWindowTest::enabledStates_data()
{
    QTest::addColumn<int>("newCount");
    QTest::newRow("at start") << 0;
    QTest::newRow("after New") << 1;
    QTest::newRow("after New twice") << 2;
}

void MainWindowTest::enabledStates()
{
    QFETCH(int, newCount);
    MainWindow window;
    for (int i = 0; i < newCount; ++i)
        action(window, "action")->trigger();

    const bool document = newCount > 0;
    QCOMPARE(editor(window)->isEnabled(), document);
    QCOMPARE(menu(window, "menu_2")->isEnabled(), document);
    QCOMPARE(menu(window, "menu_3")->isEnabled(), document);
    QCOMPARE(action(window, "action_4")->isEnabled(), document);
    QCOMPARE(action(window, "action_8")->isEnabled(), document);
    // Save needs an opened file; New alone never enables it.
    QCOMPARE(action(window, "action_3")->isEnabled(), false);

    for (const char *name : {"menu", "menu_4"})
        QVERIFY2(menu(window, name)->isEnabled(), name);
    for (const char *name : {"action", "action_2", "action_6", "action_7"})
        QVERIFY2(action(window, name)->isEnabled(), name);
    QVERIFY(menuBarExit(window)->isEnabled());
}

void MainWindowTest::newClearsTheEditor()
{
    MainWindow window;
    action(window, "action")->trigger();
    editor(window)->setPlainText(QStringLiteral("первая\nвторая"));
    action(window, "action")->trigger();
    QCOMPARE(editor(window)->toPlainText(), QString());
    QVERIFY(editor(window)->isEnabled());
}

// After New the user types at once, without clicking into the editor first.
void MainWindowTest::typingAfterNewGoesIntoTheEditor()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    action(window, "action")->trigger();
    QWidget *focused = window.focusWidget();
    QVERIFY(focused);
    for (const QChar typed : QStringLiteral("Привет"))
        QTest::sendKeyEvent(QTest::Click, focused, Qt::Key_unknown, QString(typed), Qt::NoModifier);
    QCOMPARE(editor(window)->toPlainText(), QStringLiteral("Привет"));
}

void MainWindowTest::exitCommandsCloseTheWindow_data()
{
    QTest::addColumn<bool>("fromMenuBar");
    QTest::newRow("Выход in the file menu") << false;
    QTest::newRow("Выход on the menu bar") << true;
}

void MainWindowTest::exitCommandsCloseTheWindow()
{
    QFETCH(bool, fromMenuBar);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    action(window, "action")->trigger();
    editor(window)->setPlainText(QStringLiteral("несохранённый текст"));

    ModalAnswerer answerer; // closing must not ask anything
    QAction *exit = fromMenuBar ? menuBarExit(window) : action(window, "action_6");
    QCOMPARE(exit->text(), QStringLiteral("Выход"));
    exit->trigger();
    QVERIFY(!window.isVisible());
    QCOMPARE(answerer.seen, QStringList());
}

void MainWindowTest::slotsInDeclarationOrder()
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.className(), "MainWindow");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    const QStringList expected{
        QStringLiteral("actionTriggered()"), QStringLiteral("on_action_triggered()"),
        QStringLiteral("on_action_2_triggered()"), QStringLiteral("on_action_3_triggered()"),
        QStringLiteral("on_action_4_triggered()"), QStringLiteral("on_action_6_triggered()"),
        QStringLiteral("on_action_9_triggered()"), QStringLiteral("on_action_10_triggered()"),
        QStringLiteral("on_action_11_triggered()"), QStringLiteral("on_action_12_triggered()"),
        QStringLiteral("on_action_13_triggered()"), QStringLiteral("on_action_14_triggered()"),
        QStringLiteral("on_action_15_triggered()"), QStringLiteral("on_action_16_triggered()"),
        QStringLiteral("on_action_7_triggered()"), QStringLiteral("on_action_8_triggered()"),
        QStringLiteral("fullTableHR()")};
    QStringList actual;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        actual << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(actual, expected);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
}

void MainWindowTest::fullTableHRIsInvokableAndQuiet()
{
    MainWindow window;
    action(window, "action")->trigger();
    editor(window)->setPlainText(QStringLiteral("текст"));
    ModalAnswerer answerer;
    QVERIFY(QMetaObject::invokeMethod(&window, "fullTableHR"));
    QCOMPARE(editor(window)->toPlainText(), QStringLiteral("текст"));
    QCOMPARE(answerer.seen, QStringList());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
