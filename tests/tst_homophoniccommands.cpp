#include "key.h"
#include "mainwindow.h"
#include "modalhelper.h"

#include <QAction>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QtTest>

// Drives "Гомофоническая" of both cipher menus through the window.
class HomophonicCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void onlyTheLastLineIsCiphered_data();
    void onlyTheLastLineIsCiphered();
    void cancelledDialogKeepsTheKey_data();
    void cancelledDialogKeepsTheKey();
    void badKeyReportsOnceAndAppendsEmptyLine_data();
    void badKeyReportsOnceAndAppendsEmptyLine();
    void encryptingTwiceGivesTheSameLine();
    void markupIsAppendedAsPlainText();
    void softLineBreakEndsTheLastLine();
    void keyDialogBlocksTheWindow();
    void keyCanBeTypedAndEntered_data();
    void keyCanBeTypedAndEntered();
    void emptyEditorGetsNoEmptyFirstLine_data();
    void emptyEditorGetsNoEmptyFirstLine();
    void oneCommandIsOneUndoStep_data();
    void oneCommandIsOneUndoStep();
    void resultIsScrolledIntoView_data();
    void resultIsScrolledIntoView();

private:
    QTextEdit *editor() const { return m_window->findChild<QTextEdit *>(QStringLiteral("textEdit")); }
    void trigger(const char *name) { m_window->findChild<QAction *>(QLatin1String(name))->trigger(); }
    void encrypt() { trigger("action_10"); }
    void decrypt() { trigger("action_14"); }

    MainWindow *m_window = nullptr;
};

void HomophonicCommandsTest::init()
{
    m_window = new MainWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    trigger("action"); // New
}

void HomophonicCommandsTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void HomophonicCommandsTest::onlyTheLastLineIsCiphered_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("result");

    QTest::newRow("encrypt, key 2") << true << QStringLiteral("первая строка\nПРИВЕТ МИР") << QStringLiteral("2")
                                    << QStringLiteral("15 16 09 03 06 18 00 12 41 48 ");
    QTest::newRow("encrypt an empty last line") << true << QStringLiteral("текст\n") << QStringLiteral("1") << QString();
    QTest::newRow("decrypt, key 3") << false << QStringLiteral("ААА\n01 33 65 ") << QStringLiteral("3")
                                    << QStringLiteral("ААА");
    QTest::newRow("decrypt, key 1") << false << QStringLiteral("ААА\n01 33 65 ") << QStringLiteral("1")
                                    << QStringLiteral("А3365");
}

void HomophonicCommandsTest::onlyTheLastLineIsCiphered()
{
    QFETCH(bool, encrypting);
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QString, result);

    editor()->setPlainText(text);
    const int paragraphs = editor()->document()->blockCount();
    ModalAnswerer answerer;
    answerer.then(enterKey(key));
    encrypting ? encrypt() : decrypt();

    QCOMPARE(answerer.seen, QStringList{QStringLiteral("Ключ")});
    QCOMPARE(editor()->document()->blockCount(), paragraphs + 1);
    QCOMPARE(editor()->toPlainText(), text + QLatin1Char('\n') + result);
}

void HomophonicCommandsTest::cancelledDialogKeepsTheKey_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::newRow("encryption") << true;
    QTest::newRow("decryption") << false;
}

void HomophonicCommandsTest::cancelledDialogKeepsTheKey()
{
    QFETCH(bool, encrypting);
    const QString input = encrypting ? QStringLiteral("ААА") : QStringLiteral("01 33 65 ");
    ModalAnswerer answerer;

    // Before any key was accepted, a cancelled dialog ciphers nothing.
    editor()->setPlainText(input);
    answerer.then(cancelKey());
    encrypting ? encrypt() : decrypt();
    QCOMPARE(lastLine(editor()->toPlainText()), QString());

    editor()->setPlainText(input);
    answerer.then(enterKey(QStringLiteral("3")));
    encrypting ? encrypt() : decrypt();
    const QString withThree = lastLine(editor()->toPlainText());
    QCOMPARE(withThree, encrypting ? QStringLiteral("01 33 65 ") : QStringLiteral("ААА"));

    // Neither a cancelled dialog nor New forgets the key.
    trigger("action");
    editor()->setPlainText(input);
    answerer.then(cancelKey());
    encrypting ? encrypt() : decrypt();
    QCOMPARE(lastLine(editor()->toPlainText()), withThree);
    QCOMPARE(answerer.unexpected, 0);
}

void HomophonicCommandsTest::badKeyReportsOnceAndAppendsEmptyLine_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<QString>("key");
    QTest::newRow("encrypt with 4") << true << QStringLiteral("4");
    QTest::newRow("encrypt with 0") << true << QStringLiteral("0");
    QTest::newRow("decrypt with letters") << false << QStringLiteral("abc");
    QTest::newRow("decrypt with nothing") << false << QString();
}

void HomophonicCommandsTest::badKeyReportsOnceAndAppendsEmptyLine()
{
    QFETCH(bool, encrypting);
    QFETCH(QString, key);

    editor()->setPlainText(QStringLiteral("АБ\n01 02 "));
    ModalAnswerer answerer;
    answerer.then(enterKey(key)).then(pressOk);
    encrypting ? encrypt() : decrypt();

    QCOMPARE(answerer.seen, (QStringList{QStringLiteral("Ключ"), QStringLiteral("Ошибка|Значение ключа неправильное")}));
    QCOMPARE(answerer.unexpected, 0);
    QCOMPARE(editor()->toPlainText(), QStringLiteral("АБ\n01 02 \n"));
}

void HomophonicCommandsTest::encryptingTwiceGivesTheSameLine()
{
    const QString line = QStringLiteral("ОБОРОНОСПОСОБНОСТЬ");
    ModalAnswerer answerer;
    QStringList results;
    for (int run = 0; run < 2; ++run) {
        editor()->setPlainText(line);
        answerer.then(enterKey(QStringLiteral("3")));
        encrypt();
        results << lastLine(editor()->toPlainText());
    }
    QCOMPARE(results.at(0), results.at(1));
    QVERIFY(results.at(0).startsWith(QStringLiteral("14 02 46 16 78 ")));
}

void HomophonicCommandsTest::markupIsAppendedAsPlainText()
{
    const QString markup = QStringLiteral("<b>ДА</b>");
    editor()->setPlainText(markup);
    ModalAnswerer answerer;
    answerer.then(enterKey(QStringLiteral("1"))).then(enterKey(QStringLiteral("1")));
    encrypt();
    decrypt();
    QCOMPARE(lastLine(editor()->toPlainText()), markup);
    QVERIFY(!editor()->document()->lastBlock().charFormat().font().bold());
}

void HomophonicCommandsTest::softLineBreakEndsTheLastLine()
{
    editor()->setPlainText(QStringLiteral("первый абзац\n"));
    QTextCursor cursor(editor()->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("А"));
    cursor.insertText(QString(QChar(QChar::LineSeparator)));
    cursor.insertText(QStringLiteral("Б"));

    ModalAnswerer answerer;
    answerer.then(enterKey(QStringLiteral("1")));
    encrypt();
    QCOMPARE(lastLine(editor()->toPlainText()), QStringLiteral("02 "));
}

void HomophonicCommandsTest::keyDialogBlocksTheWindow()
{
    editor()->setPlainText(QStringLiteral("А"));
    ModalAnswerer answerer;
    bool checked = false;
    answerer.then([&](QWidget *modal) {
        checked = true;
        QVERIFY(qobject_cast<key *>(modal));
        QCOMPARE(QApplication::activeModalWidget(), modal);
        QCOMPARE(modal->windowModality(), Qt::ApplicationModal);
        QVERIFY(!modal->parentWidget());
        enterKey(QStringLiteral("1"))(modal);
    });
    encrypt();
    QVERIFY(checked);
    QCOMPARE(lastLine(editor()->toPlainText()), QStringLiteral("01 "));
}

void HomophonicCommandsTest::keyCanBeTypedAndEntered_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<QString>("result");
    QTest::newRow("encryption") << true << QStringLiteral("01 33 ");
    QTest::newRow("decryption") << false << QStringLiteral("АА65");
}

// A user types the number and presses Enter, without reaching for the mouse:
// the keys go to whatever the dialog focuses first.
void HomophonicCommandsTest::keyCanBeTypedAndEntered()
{
    QFETCH(bool, encrypting);
    QFETCH(QString, result);
    editor()->setPlainText(encrypting ? QStringLiteral("АА") : QStringLiteral("01 33 65 "));
    ModalAnswerer answerer;
    answerer.then([](QWidget *modal) {
        QWidget *focused = modal->focusWidget();
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), QStringLiteral("lineEdit"));
        QTest::keyClicks(focused, QStringLiteral("2"));
        QTest::keyClick(focused, Qt::Key_Return);
    });
    encrypting ? encrypt() : decrypt();
    QCOMPARE(answerer.seen, QStringList{QStringLiteral("Ключ")});
    QCOMPARE(answerer.unexpected, 0);
    QCOMPARE(lastLine(editor()->toPlainText()), result);
}

void HomophonicCommandsTest::emptyEditorGetsNoEmptyFirstLine_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::newRow("encryption") << true;
    QTest::newRow("decryption") << false;
}

void HomophonicCommandsTest::emptyEditorGetsNoEmptyFirstLine()
{
    QFETCH(bool, encrypting);
    ModalAnswerer answerer;
    answerer.then(enterKey(QStringLiteral("1")));
    encrypting ? encrypt() : decrypt();
    QCOMPARE(answerer.seen, QStringList{QStringLiteral("Ключ")});
    QCOMPARE(editor()->toPlainText(), QString());
    QCOMPARE(editor()->document()->blockCount(), 1);
}

void HomophonicCommandsTest::oneCommandIsOneUndoStep_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<QString>("text");
    QTest::newRow("encryption") << true << QStringLiteral("первая\nПРИВЕТ");
    QTest::newRow("decryption") << false << QStringLiteral("ПРИВЕТ\n15 16 09 ");
    QTest::newRow("empty result") << true << QStringLiteral("текст\n");
}

void HomophonicCommandsTest::oneCommandIsOneUndoStep()
{
    QFETCH(bool, encrypting);
    QFETCH(QString, text);
    editor()->setPlainText(text);
    ModalAnswerer answerer;
    answerer.then(enterKey(QStringLiteral("2")));
    encrypting ? encrypt() : decrypt();
    QVERIFY(editor()->toPlainText() != text);

    editor()->undo();
    QCOMPARE(editor()->toPlainText(), text);
    QVERIFY(!editor()->document()->isUndoAvailable());
    editor()->redo();
    QCOMPARE(editor()->document()->blockCount(), text.count(QLatin1Char('\n')) + 2);
}

void HomophonicCommandsTest::resultIsScrolledIntoView_data()
{
    QTest::addColumn<QString>("cursorAt");
    QTest::addColumn<int>("lastLineLength");
    QTest::newRow("cursor at the start, as after Open") << QStringLiteral("start") << 10;
    QTest::newRow("cursor in the middle") << QStringLiteral("middle") << 10;
    QTest::newRow("cursor at the end") << QStringLiteral("end") << 10;
    QTest::newRow("result taller than the view: its start is shown") << QStringLiteral("start") << 4000;
}

void HomophonicCommandsTest::resultIsScrolledIntoView()
{
    QFETCH(QString, cursorAt);
    QFETCH(int, lastLineLength);
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("строка %1").arg(i);
    lines << QString(lastLineLength, QChar(u'Ж'));
    editor()->setPlainText(lines.join(QLatin1Char('\n')));
    QTextCursor cursor(editor()->document());
    if (cursorAt == QLatin1String("middle"))
        cursor = QTextCursor(editor()->document()->findBlockByNumber(150));
    else if (cursorAt == QLatin1String("end"))
        cursor.movePosition(QTextCursor::End);
    editor()->setTextCursor(cursor);
    editor()->ensureCursorVisible();

    ModalAnswerer answerer;
    answerer.then(enterKey(QStringLiteral("1")));
    encrypt();
    QCOMPARE(editor()->document()->blockCount(), 302);

    const QTextBlock appended = editor()->document()->lastBlock();
    QVERIFY(appended.text().startsWith(QStringLiteral("07 07 ")));
    const QRect start = editor()->cursorRect(QTextCursor(appended));
    QVERIFY2(editor()->viewport()->rect().contains(start),
             qPrintable(QStringLiteral("start of the result at y %1, view height %2")
                            .arg(start.y())
                            .arg(editor()->viewport()->height())));
    // The user's cursor stays where it was.
    QCOMPARE(editor()->textCursor().position(), cursor.position());
}

QTEST_MAIN(HomophonicCommandsTest)
#include "tst_homophoniccommands.moc"
