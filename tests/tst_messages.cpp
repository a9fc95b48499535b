#include "mainwindow.h"
#include "modalhelper.h"

#include <QAction>
#include <QMenu>
#include <QScopeGuard>
#include <QTextEdit>
#include <QtTest>

class MessagesTest : public QObject
{
    Q_OBJECT

private slots:
    void unimplementedCiphersWarn_data();
    void unimplementedCiphersWarn();
    void helpMenuBoxes_data();
    void helpMenuBoxes();
    void helpNeedsADocument();
};

static QAction *action(MainWindow &window, const QString &name)
{
    auto *found = window.findChild<QAction *>(name);
    if (!found)
        qFatal("no action %s", qPrintable(name));
    return found;
}

static QTextEdit *editor(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

// Checks the box the way a user reads it, then presses its only button.
static ModalAnswerer::Handler expectBox(QMessageBox::Icon icon)
{
    return [icon](QWidget *modal) {
        const auto closeAnyway = qScopeGuard([modal] { modal->close(); });
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QCOMPARE(box->icon(), icon);
        pressOk(modal);
    };
}

void MessagesTest::unimplementedCiphersWarn_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::newRow("Зашифровать: Моноалфавитная") << QStringLiteral("action_9");
    QTest::newRow("Зашифровать: Полиалфавитная") << QStringLiteral("action_11");
    QTest::newRow("Зашифровать: Полиграммная") << QStringLiteral("action_12");
    QTest::newRow("Расшифровать: Моноалфавитная") << QStringLiteral("action_13");
    QTest::newRow("Расшифровать: Полиалфавитная") << QStringLiteral("action_15");
    QTest::newRow("Расшифровать: Полиграммная") << QStringLiteral("action_16");
}

void MessagesTest::unimplementedCiphersWarn()
{
    QFETCH(QString, actionName);
    MainWindow window;
    action(window, QStringLiteral("action"))->trigger();
    const QString text = QStringLiteral("ПЕРВАЯ СТРОКА\nвторая строка");
    editor(window)->setPlainText(text);

    ModalAnswerer answerer;
    answerer.then(expectBox(QMessageBox::Warning));
    action(window, actionName)->trigger();

    QCOMPARE(answerer.seen, QStringList{QStringLiteral("Предупреждение|Указанный метод не реализован")});
    QCOMPARE(editor(window)->toPlainText(), text);
    QVERIFY(!action(window, QStringLiteral("action_3"))->isEnabled());
}

void MessagesTest::helpMenuBoxes_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("О программе") << QStringLiteral("action_7")
        << QStringLiteral("О программе|Программа реализует метод шифрования сообщения с помощью "
                          "гомофонической замены.\nРазработка: команда проекта, 2026 г.\n");
    QTest::newRow("Помощь, four lines, double space kept") << QStringLiteral("action_8")
        << QStringLiteral("Помощь|Гомофоническая замена.\n"
                          "В гомофонической замене одному символу открытого текста ставит в "
                          "соответствие несколько символов шифротекста, которые чередуются по мере "
                          "повторения.\n"
                          "Существует таблица, устанавливающая соответствие символов открытого "
                          "алфавита  и чисел закрытых алфавитов.\n"
                          "Вид таблицы гомофонической замены и количество закрытых алфавитов "
                          "являются ключом шифра гомофонической замены.\n");
}

void MessagesTest::helpMenuBoxes()
{
    QFETCH(QString, actionName);
    QFETCH(QString, expected);
    MainWindow window;
    action(window, QStringLiteral("action"))->trigger();
    editor(window)->setPlainText(QStringLiteral("текст"));

    ModalAnswerer answerer;
    answerer.then(expectBox(QMessageBox::Information));
    action(window, actionName)->trigger();

    QCOMPARE(answerer.seen, QStringList{expected});
    QCOMPARE(editor(window)->toPlainText(), QStringLiteral("текст"));
}

// Clicks an entry of the help menu as a user would; a disabled entry
// ignores the click.
static void clickHelpMenuEntry(MainWindow &window, QAction *entry)
{
    auto *helpMenu = window.findChild<QMenu *>(QStringLiteral("menu_4"));
    helpMenu->popup(window.mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(helpMenu));
    QTest::mouseClick(helpMenu, Qt::LeftButton, {}, helpMenu->actionGeometry(entry).center());
    helpMenu->close();
}

void MessagesTest::helpNeedsADocument()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QAction *help = action(window, QStringLiteral("action_8"));
    QAction *about = action(window, QStringLiteral("action_7"));
    ModalAnswerer answerer;
    answerer.then(pressOk).then(pressOk);

    clickHelpMenuEntry(window, help);
    clickHelpMenuEntry(window, about);
    QCOMPARE(answerer.seen.size(), 1);
    QVERIFY(answerer.seen.at(0).startsWith(QStringLiteral("О программе|")));

    action(window, QStringLiteral("action"))->trigger();
    clickHelpMenuEntry(window, help);
    QCOMPARE(answerer.seen.size(), 2);
    QVERIFY(answerer.seen.at(1).startsWith(QStringLiteral("Помощь|")));
}

QTEST_MAIN(MessagesTest)
#include "tst_messages.moc"
