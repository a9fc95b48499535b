// How long the lab's event loop goes unanswered while it works: a timer asks
// every 5 ms, and the longest gap between its calls is printed for each
// phase (showing a 16 MiB text, ciphering it, showing the result, the chart,
// an attack on a 16 MiB ciphertext). Build in Release mode; run with
// QT_QPA_PLATFORM=offscreen.
//
//   lab_responsiveness [MIB]
#include "attackpage.h"
#include "cipherpage.h"
#include "crackworker.h"
#include "frequencypage.h"
#include "keytable.h"
#include "labcipher.h"
#include "labwindow.h"
#include "textpane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

class GapMeter
{
public:
    GapMeter()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, m_since.restart());
        });
        m_timer.start(5);
        m_since.start();
    }
    void reset()
    {
        m_longest = 0;
        m_since.restart();
    }
    qint64 longest() const { return qMax(m_longest, m_since.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

QString russianText(qint64 bytes)
{
    const QString sentence = QStringLiteral("Учитель показал ученикам, как частые буквы прячутся за разными кодами. ");
    QString text;
    text.reserve(int(bytes));
    int column = 0;
    while (text.size() < bytes) {
        text += sentence;
        column += sentence.size();
        if (column > 70) {
            text += QLatin1Char('\n');
            column = 0;
        }
    }
    return text;
}

// Under a key of its own, so that the search answers and not the fixed
// table; cut at a line end to about bytes.
QString secretCipherText(qint64 bytes)
{
    QRandomGenerator source = seededGenerator(1);
    LabCipherRequest request;
    request.table = randomKeyTable(source);
    request.alphabetCount = 3;
    // A letter or a space becomes a code and a space.
    QString cipher = cipherWholeText(russianText(bytes / 3 + bytes / 50), request);
    if (cipher.size() > bytes)
        cipher.truncate(cipher.lastIndexOf(QLatin1Char('\n'), int(bytes)) + 1);
    return cipher;
}

void report(const char *phase, qint64 wallMs, qint64 gapMs)
{
    std::printf("%-40s %7lld ms   longest pause %5lld ms\n", phase, wallMs, gapMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("lab-responsiveness"));
    const qint64 mib = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 16;
    LabWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    GapMeter meter;
    QElapsedTimer clock;

    // Counted in UTF-16 units: Cyrillic is one unit and two bytes of UTF-8,
    // one byte of Windows-1251, as the file would be.
    const QString text = russianText(mib << 20);
    clock.start();
    meter.reset();
    window.cipherPage()->plainPane()->setFileText(text, QString());
    QTest::qWait(50);
    report("show the plaintext", clock.elapsed(), meter.longest());

    clock.restart();
    meter.reset();
    window.cipherPage()->encrypt();
    if (!QTest::qWaitFor([&] { return !window.cipherPage()->isBusy(); }, 600000))
        return 1;
    report("encrypt, k = 3, and show the ciphertext", clock.elapsed(), meter.longest());

    const int redraws = window.frequencyPage()->redrawCount();
    clock.restart();
    meter.reset();
    if (!QTest::qWaitFor([&] { return window.frequencyPage()->redrawCount() > redraws; }, 600000))
        return 1;
    report("count and draw the chart", clock.elapsed(), meter.longest());

    window.cipherPage()->plainPane()->setFileText(QString(), QString());
    window.cipherPage()->cipherPane()->setFileText(QString(), QString());
    const QString cipher = secretCipherText(mib << 20);
    clock.restart();
    meter.reset();
    window.attackPage()->cipherPane()->setFileText(cipher, QString());
    QTest::qWait(50);
    report("show the ciphertext to attack", clock.elapsed(), meter.longest());
    std::printf("%-40s %7.1f MiB, %lld characters\n", "  its size", double(cipher.size()) / (1 << 20),
                qint64(cipher.size()));
    QTest::qWait(1000);

    // Taking the text out of the editor is all that happens before the
    // search's own thread takes over.
    clock.restart();
    meter.reset();
    window.attackPage()->startAttack();
    report("start: take the text from the editor", clock.elapsed(), clock.elapsed());
    clock.restart();
    meter.reset();
    QTest::qWait(3000);
    report("attack for 3 s", clock.elapsed(), meter.longest());
    clock.restart();
    meter.reset();
    window.attackPage()->stopAttack();
    // Shown in full: more than the few screens that progress carries.
    const QPlainTextEdit *found = window.attackPage()->findChild<QPlainTextEdit *>(QStringLiteral("bestPlaintext"));
    if (!QTest::qWaitFor([&] { return found->document()->characterCount() > cipher.size() / 4; }, 60000))
        return 1;
    report("Stop, then show the key and plaintext", clock.elapsed(), meter.longest());
    return 0;
}
