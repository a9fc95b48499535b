// A user's first minute with the window, for the README's screenshot: New,
// a Russian sentence typed in, encrypted with key 2 and decrypted again, all
// through the menus' own actions and the key dialog, answered from the
// keyboard. Saves a picture of the window to the path given.
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

void type(QWidget *widget, const QString &text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

// Answers every key dialog that opens with the key, typed and entered.
void answerKeyDialogs(const QString &key)
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [key] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->focusWidget() || modal->property("answered").toBool())
            return;
        modal->setProperty("answered", true);
        type(modal->focusWidget(), key);
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
    });
    timer->start(20);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: windowtour OUTPUT.png\n");
        return 2;
    }
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    const auto trigger = [&window](const char *name) {
        window.findChild<QAction *>(QLatin1String(name))->trigger();
    };
    answerKeyDialogs(QStringLiteral("2"));
    trigger("action"); // New
    type(window.focusWidget(), QStringLiteral("Частые буквы прячутся за разными кодами"));
    trigger("action_10"); // encrypt
    trigger("action_14"); // decrypt the line just encrypted
    QTest::qWait(500); // the last paint

    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
