// The attack tab's «Определить шифр»: run through its action, as the menu
// and Ctrl+I run it, on the tab's ciphertext.
#include "attackpage.h"
#include "cipherfamily.h"
#include "keypage.h"
#include "labwindow.h"
#include "symbolcipher.h"
#include "textpane.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QtTest>

namespace {

const char prose[] =
    "Поезд пришёл на маленькую станцию поздно вечером, когда фонари уже горели, а на платформе не было никого, "
    "кроме сторожа с фонарём и собаки, спавшей у скамейки. Мы вышли с тяжёлыми чемоданами и долго искали "
    "дорогу к гостинице, о которой нам рассказывал знакомый инженер.";

} // namespace

class LabIdentifyTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void identifyChoosesTheFamily_data();
    void identifyChoosesTheFamily();
};

void LabIdentifyTest::init()
{
    QCoreApplication::setOrganizationName(QStringLiteral("lab-identify-test"));
    QSettings().clear();
}

void LabIdentifyTest::identifyChoosesTheFamily_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a Beaufort text switches the selector to Beaufort")
        << QStringLiteral("beaufort") << QStringLiteral("ЗИМА") << QStringLiteral("период 4");
    QTest::newRow("a one-alphabet text switches it to simple substitution")
        << QStringLiteral("mono") << QStringLiteral("ЗАМОК") << QStringLiteral("один алфавит");
}

void LabIdentifyTest::identifyChoosesTheFamily()
{
    QFETCH(QString, family);
    QFETCH(QString, keyword);
    QFETCH(QString, shown);
    QString problem;
    const std::optional<SymbolKey> key = cipherFamily(family)->key(KeyForm::Keyword, keyword, problem);
    QVERIFY2(key, qPrintable(problem));

    LabWindow window;
    AttackPage *page = window.attackPage();
    QVERIFY(window.keyPage()->family().isHomophonic());
    page->cipherPane()->setText(SymbolCipher(*key).encrypt(QString::fromUtf8(prose)));
    QAction *identify = page->findChild<QAction *>(QStringLiteral("identifyAction"));
    QVERIFY(identify);
    QCOMPARE(identify->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    identify->trigger();
    QVERIFY(!identify->isEnabled()); // while the identification runs
    QTRY_VERIFY_WITH_TIMEOUT(identify->isEnabled(), 30000);

    QCOMPARE(window.keyPage()->family().name(), family);
    auto *selector = window.findChild<QComboBox *>(QStringLiteral("cipherFamily"));
    QCOMPARE(selector->currentData().toString(), family);
    const QString summary = page->findChild<QLabel *>(QStringLiteral("attackSummary"))->text();
    QVERIFY2(summary.startsWith(QStringLiteral("Определён шифр: ") + cipherFamily(family)->title()),
             qPrintable(summary));
    QVERIFY2(summary.contains(shown), qPrintable(summary));
}

QTEST_MAIN(LabIdentifyTest)
#include "tst_labidentify.moc"
