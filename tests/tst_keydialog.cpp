#include "key.h"
#include "modalhelper.h"

#include <QLabel>
#include <QtTest>

class KeyDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void keyValue_data();
    void keyValue();
};

void KeyDialogTest::form()
{
    key dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("key"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Ключ"));
    QCOMPARE(dialog.size(), QSize(306, 215));

    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"));
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("label"));
    QVERIFY(buttons && edit && label);
    QCOMPARE(buttons->geometry(), QRect(-100, 110, 351, 51));
    QCOMPARE(edit->geometry(), QRect(50, 70, 221, 31));
    QCOMPARE(label->geometry(), QRect(10, 30, 291, 41));
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons->orientation(), Qt::Horizontal);
    QCOMPARE(label->text(), QStringLiteral("Количество закрытых алфавитов:"));
    QVERIFY(edit->text().isEmpty());
    QVERIFY(!edit->validator());
    QCOMPARE(edit->inputMask(), QString());

    for (QWidget *widget : QList<QWidget *>{buttons, edit, label}) {
        QCOMPARE(widget->font().family(), QStringLiteral("Times New Roman"));
        QCOMPARE(widget->font().pointSize(), 12);
    }
    // Creation order is the tab order: buttons, line edit, label.
    const QList<QWidget *> children = dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(children.indexOf(buttons) < children.indexOf(edit), true);
    QCOMPARE(children.indexOf(edit) < children.indexOf(label), true);
}

void KeyDialogTest::keyValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("errorShown");

    QTest::newRow("2 is a valid key") << QStringLiteral("2") << 2 << false;
    QTest::newRow("1 is a valid key") << QStringLiteral("1") << 1 << false;
    QTest::newRow("empty text is 0 and an error") << QString() << 0 << true;
    QTest::newRow("4 is returned but is an error") << QStringLiteral("4") << 4 << true;
    QTest::newRow("letters are 0 and an error") << QStringLiteral("abc") << 0 << true;
    QTest::newRow("0 is an error") << QStringLiteral("0") << 0 << true;
    QTest::newRow("-1 is an error") << QStringLiteral("-1") << -1 << true;
    QTest::newRow("spaces around 3 are ignored") << QStringLiteral(" 3 ") << 3 << false;
}

void KeyDialogTest::keyValue()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(bool, errorShown);

    key dialog;
    dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(text);
    ModalAnswerer answerer;
    if (errorShown)
        answerer.then(pressOk);

    QCOMPARE(dialog.keyValue(), expected);
    QCOMPARE(answerer.unexpected, 0);
    QVERIFY(answerer.allAnswered());
    const QStringList boxes = errorShown ? QStringList{QStringLiteral("Ошибка|Значение ключа неправильное")}
                                         : QStringList{};
    QCOMPARE(answerer.seen, boxes);
}

QTEST_MAIN(KeyDialogTest)
#include "tst_keydialog.moc"
