// The lab window driven as a user drives it: the key editor, ciphering, the
// chart, the attack's worker and closing with unsaved text.
#include "attackpage.h"
#include "cipherpage.h"
#include "crackworker.h"
#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencypage.h"
#include "keypage.h"
#include "keytable.h"
#include "keytablemodel.h"
#include "labwindow.h"
#include "modalhelper.h"
#include "textpane.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace Cryptanalysis;

namespace {

// QTest::keyClicks knows only ASCII keys.
void type(QWidget *widget, const QString &text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

const QString Lines = QStringLiteral("Привет, мир!\nАнна и Алла\n\nёжик в тумане 42\nпоследняя строка");

// About 700 letters of Russian prose, enough for the attack to read.
const QString Story = QStringLiteral(
    "Утром в городе шёл мелкий дождь, и на улицах было почти пусто. Старый учитель вышел из дома раньше "
    "обычного, потому что хотел до начала уроков зайти в библиотеку. Там его ждала книга о тайных письмах, "
    "которую он заказал ещё весной. В этой книге рассказывалось, как писцы прошлых веков прятали смысл "
    "донесений: каждую букву они заменяли числом, а для частых букв брали сразу несколько разных чисел. "
    "Учитель хотел показать ученикам, что такой шифр всё равно можно прочитать, если внимательно считать, "
    "какие числа стоят рядом и как часто они повторяются.");

KeyTable secretTable()
{
    QRandomGenerator source = seededGenerator(2026);
    return randomKeyTable(source);
}

// The library's own answer, line by line with fresh counters.
QString libraryEncryption(const KeyTable &table, const QString &text, int key, std::optional<quint64> seed)
{
    std::optional<QRandomGenerator> seeded;
    std::optional<RandomCodeChoice> choice;
    if (seed) {
        seeded.emplace(seededGenerator(*seed));
        choice.emplace(*seeded);
    }
    QStringList out;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (seed) {
            QString cipher;
            randomLineEncryption(table, key, *choice)(line, cipher);
            out << cipher;
        } else {
            out << encryptHomophonic(table, line, key);
        }
    }
    return out.join(QLatin1Char('\n'));
}

QString libraryDecryption(const KeyTable &table, const QString &text, int key)
{
    QStringList out;
    for (const QString &line : text.split(QLatin1Char('\n')))
        out << decryptHomophonic(table, line, key);
    return out.join(QLatin1Char('\n'));
}

} // namespace

class LabTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keyEditorRefusesAProblemUntilFixed_data();
    void keyEditorRefusesAProblemUntilFixed();
    void tableWithAProblemCiphersNothing();
    void cipheringEqualsTheLibrary_data();
    void cipheringEqualsTheLibrary();
    void badInputChangesNothing_data();
    void badInputChangesNothing();
    void chartFollowsTyping();
    void attackReportsProgressAndAKey();
    void attackStopsSoonWithTheBestKeySoFar();
    void attackKeepsLockedCodes();
    void attackRefusesLocksThatDoNotFit_data();
    void attackRefusesLocksThatDoNotFit();
    void attackShowsTheWholePlaintextWhenDone();
    void keyRowsGrowAndShrink();
    void newKeysOfEveryShape_data();
    void newKeysOfEveryShape();
    void proportionalKeyUsesEveryCode();
    void attackCipherTextCarriesItOver_data();
    void attackCipherTextCarriesItOver();
    void attackRefusesWhatIsNoCipherText_data();
    void attackRefusesWhatIsNoCipherText();
    void unsavedTextIsNotDroppedOnClose_data();
    void unsavedTextIsNotDroppedOnClose();
    void savedKeyReadsBack();

private:
    QTemporaryDir m_dir;
};

void LabTest::init()
{
    qRegisterMetaType<CrackProgress>();
    qRegisterMetaType<CrackResult>();
    // Each test starts from no settings: no remembered key or geometry.
    QCoreApplication::setOrganizationName(QStringLiteral("lab-test"));
    QSettings().clear();
}

void LabTest::keyEditorRefusesAProblemUntilFixed_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("problem");

    // The fixed table: row 1 (А) has 01 33 65, row 0 (space) 00 32 64.
    QTest::newRow("a code already used by another symbol") << 1 << 1 << QStringLiteral("00")
                                                           << QStringLiteral("строка 2: код 00 уже использован в строке 1");
    QTest::newRow("a code twice in one row") << 1 << 2 << QStringLiteral("01")
                                             << QStringLiteral("строка 2: код 01 повторяется в этой строке");
    QTest::newRow("one digit") << 5 << 3 << QStringLiteral("7") << QStringLiteral("строка 6: код «7» — не две цифры");
    QTest::newRow("an emptied code") << 31 << 1 << QString() << QStringLiteral("строка 32: первый код пуст");
}

void LabTest::keyEditorRefusesAProblemUntilFixed()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, code);
    QFETCH(QString, problem);
    LabWindow window;
    KeyTableModel *model = window.keyPage()->model();
    QVERIFY(model->problems().isEmpty());
    QSignalSpy changes(model, &KeyTableModel::problemsChanged);

    const QModelIndex cell = model->index(row, column);
    const QString before = model->data(cell, Qt::EditRole).toString();
    QVERIFY(model->setData(cell, code, Qt::EditRole));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(model->problems().size(), 1);
    QVERIFY2(model->problems().first().contains(problem), qPrintable(model->problems().first()));
    QVERIFY(!model->validTable());
    // Shown beside the table as typed.
    auto *list = window.findChild<QListWidget *>(QStringLiteral("keyProblems"));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), model->problems().first());

    QVERIFY(model->setData(cell, before, Qt::EditRole));
    QVERIFY(model->problems().isEmpty());
    QCOMPARE(list->count(), 0);
    QVERIFY(model->validTable());
    QCOMPARE(keyTableText(*model->validTable()), keyTableText(fixedKeyTable()));
}

void LabTest::tableWithAProblemCiphersNothing()
{
    LabWindow window;
    window.show();
    KeyTableModel *model = window.keyPage()->model();
    QVERIFY(model->setData(model->index(2, 1), QStringLiteral("01"), Qt::EditRole));
    window.cipherPage()->plainPane()->setText(QStringLiteral("текст"));
    ModalAnswerer answerer;
    answerer.then(pressOk);
    window.cipherPage()->encrypt();
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(answerer.unexpected, 0);
    QCOMPARE(answerer.seen.size(), 1);
    QVERIFY2(answerer.seen.first().startsWith(QStringLiteral("Ключ с ошибками|")), qPrintable(answerer.seen.first()));
    QVERIFY(answerer.seen.first().contains(QStringLiteral("код 01 уже использован")));
    QTest::qWait(50);
    QVERIFY(!window.cipherPage()->isBusy());
    QCOMPARE(window.cipherPage()->cipherPane()->text(), QString());
}

void LabTest::cipheringEqualsTheLibrary_data()
{
    QTest::addColumn<bool>("secret");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("random");

    QTest::newRow("fixed table, k = 2, in turn") << false << 2 << false;
    QTest::newRow("secret table, k = 1, in turn") << true << 1 << false;
    QTest::newRow("secret table, k = 3, in turn") << true << 3 << false;
    QTest::newRow("secret table, k = 3, random from a seed") << true << 3 << true;
    QTest::newRow("fixed table, k = 2, random from a seed") << false << 2 << true;
}

void LabTest::cipheringEqualsTheLibrary()
{
    QFETCH(bool, secret);
    QFETCH(int, key);
    QFETCH(bool, random);
    const KeyTable table = secret ? secretTable() : fixedKeyTable();
    const quint64 seed = 99;
    LabWindow window;
    window.show();
    if (secret)
        window.keyPage()->useTable(table, QStringLiteral("секретный"));
    CipherPage *page = window.cipherPage();
    page->findChild<QSpinBox *>(QStringLiteral("keyNumber"))->setValue(key);
    page->findChild<QComboBox *>(QStringLiteral("codeChoice"))->setCurrentIndex(random ? 1 : 0);
    if (random)
        page->findChild<QLineEdit *>(QStringLiteral("choiceSeed"))->setText(QString::number(seed));
    page->plainPane()->setText(Lines);

    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    const QString cipher = page->cipherPane()->text();
    QCOMPARE(cipher, libraryEncryption(table, Lines, key, random ? std::optional<quint64>(seed) : std::nullopt));
    QCOMPARE(cipher.count(QLatin1Char('\n')), Lines.count(QLatin1Char('\n')));

    page->plainPane()->setText(QString());
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("decryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    QCOMPARE(page->plainPane()->text(), libraryDecryption(table, cipher, key));
    QVERIFY(page->plainPane()->text().startsWith(QStringLiteral("ПРИВЕТ, МИР!\nАННА И АЛЛА\n\n")));
}

void LabTest::badInputChangesNothing_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("encrypting an empty text") << true << QString() << QStringLiteral("Открытый текст пуст");
    QTest::newRow("decrypting an empty text") << false << QString() << QStringLiteral("Шифртекст пуст");
    QTest::newRow("decrypting a text without codes") << false << QStringLiteral("просто слова")
                                                     << QStringLiteral("нет ни одного двузначного кода");
}

void LabTest::badInputChangesNothing()
{
    QFETCH(bool, encrypting);
    QFETCH(QString, text);
    QFETCH(QString, message);
    LabWindow window;
    window.show();
    CipherPage *page = window.cipherPage();
    TextPane *source = encrypting ? page->plainPane() : page->cipherPane();
    TextPane *target = encrypting ? page->cipherPane() : page->plainPane();
    source->setText(text);
    target->setText(QStringLiteral("прежний результат"));
    ModalAnswerer answerer;
    answerer.then(pressOk);
    if (encrypting)
        page->encrypt();
    else
        page->decrypt();
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(answerer.unexpected, 0);
    QVERIFY2(answerer.seen.first().contains(message), qPrintable(answerer.seen.first()));
    QVERIFY(!page->isBusy());
    QCOMPARE(target->text(), QStringLiteral("прежний результат"));
}

void LabTest::chartFollowsTyping()
{
    LabWindow window;
    window.show();
    FrequencyPage *chart = window.frequencyPage();
    QTRY_COMPARE(chart->redrawCount(), 1);
    const QByteArray empty = chart->chartSvg();

    QPlainTextEdit *plain = window.cipherPage()->plainPane()->editor();
    plain->setFocus();
    type(plain, QStringLiteral("ооо ао"));
    // Typing itself never counts: the count waits for a pause.
    QCOMPARE(chart->redrawCount(), 1);
    QTRY_COMPARE(chart->redrawCount(), 2);

    SymbolCounter symbols(fixedKeyTable());
    symbols.addLine(QStringLiteral("ооо ао"));
    CodeCounter codes;
    const FrequencyCounts plainCounts = symbols.counts();
    const FrequencyCounts cipherCounts = codes.counts();
    QVERIFY(chart->chartSvg() != empty);
    QCOMPARE(chart->chartSvg(), frequencyChartSvg(&plainCounts, &cipherCounts));
    const QString measures = window.findChild<QLabel *>(QStringLiteral("plainMeasures"))->text();
    QVERIFY2(measures.contains(QStringLiteral("посчитано: 6")), qPrintable(measures));
    QVERIFY2(measures.contains(QStringLiteral("пик: 66,7 % (О)")), qPrintable(measures));
}

void LabTest::attackReportsProgressAndAKey()
{
    const KeyTable table = secretTable();
    CrackRequest request;
    request.cipherText = encryptHomophonic(table, Story, 2);
    request.seed = 3;
    request.timeLimitSeconds = 30;

    CrackWorker worker;
    QSignalSpy progressed(&worker, &CrackWorker::progressed);
    QSignalSpy finished(&worker, &CrackWorker::finished);
    QString error;
    QVERIFY2(worker.start(request, &error), qPrintable(error));
    QVERIFY(worker.isRunning());
    QVERIFY(!worker.start(request, &error)); // one search at a time
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    QVERIFY(progressed.count() >= 1);
    const auto result = finished.first().at(0).value<CrackResult>();
    QCOMPARE(finished.first().at(2).toBool(), false);
    QCOMPARE(finished.first().at(3).toString(), QString());
    QVERIFY(result.restarts >= 1);
    QVERIFY(keyTableProblems(result.table).isEmpty());
    // The whole text as the key reads it, not the start that progress shows.
    const QString plain = finished.first().at(1).toString();
    QCOMPARE(plain, readCipherText(request.cipherText).plaintext(result.symbolOfCode));
    // Most of the text reads back; the exact share is the benchmark's business.
    const QString expected = Story.toUpper();
    int same = 0;
    for (int i = 0; i < qMin(plain.size(), expected.size()); ++i)
        same += plain.at(i) == expected.at(i);
    QVERIFY2(same * 10 > expected.size() * 8, qPrintable(plain));
}

void LabTest::attackStopsSoonWithTheBestKeySoFar()
{
    // Codes at random: no key reads as Russian, so only the limit or Stop ends it.
    QRandomGenerator source(7);
    QString noise;
    for (int i = 0; i < 3000; ++i)
        noise += QStringLiteral("%1 ").arg(source.bounded(100), 2, 10, QLatin1Char('0'));
    CrackRequest request;
    request.cipherText = noise;
    request.timeLimitSeconds = 120;

    CrackWorker worker;
    QSignalSpy progressed(&worker, &CrackWorker::progressed);
    QSignalSpy finished(&worker, &CrackWorker::finished);
    QString error;
    QVERIFY2(worker.start(request, &error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(progressed.count() >= 1, 60000);
    QElapsedTimer sinceStop;
    sinceStop.start();
    worker.stop();
    // The search looks at Stop as often as at its clock; the margin is for a
    // machine busy with other builds.
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 2000);
    qInfo("stopped after %lld ms", sinceStop.elapsed());
    QCOMPARE(finished.first().at(2).toBool(), true);
    const auto result = finished.first().at(0).value<CrackResult>();
    QVERIFY(result.restarts >= 1);
    QVERIFY(keyTableProblems(result.table).isEmpty());
}

void LabTest::attackKeepsLockedCodes()
{
    // Locks that no search would choose: the most frequent code of the text
    // (a space's or an О's) fixed to Щ and another to Ф.
    const KeyTable table = secretTable();
    CrackRequest request;
    request.cipherText = encryptHomophonic(table, Story, 3);
    request.seed = 5;
    request.timeLimitSeconds = 30;
    const int spaceCode = table[0].codes.at(0).toInt();
    const int codeOfA = table[1].codes.at(0).toInt();
    const int rowOfShcha = 25; // Щ in the table's order
    const int rowOfEf = 20;    // Ф
    QCOMPARE(fixedKeyTable()[rowOfShcha].symbol, QStringLiteral("Щ"));
    QCOMPARE(fixedKeyTable()[rowOfEf].symbol, QStringLiteral("Ф"));
    request.locks = { { spaceCode, rowOfShcha }, { codeOfA, rowOfEf } };

    CrackWorker worker;
    QSignalSpy finished(&worker, &CrackWorker::finished);
    QString error;
    QVERIFY2(worker.start(request, &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    const auto result = finished.first().at(0).value<CrackResult>();
    QCOMPARE(result.symbolOfCode[size_t(spaceCode)], rowOfShcha);
    QCOMPARE(result.symbolOfCode[size_t(codeOfA)], rowOfEf);
    QVERIFY(keyTableProblems(result.table).isEmpty());
    QVERIFY(result.table[size_t(rowOfShcha)].codes.contains(QStringLiteral("%1").arg(spaceCode, 2, 10, QLatin1Char('0'))));
}

void LabTest::attackRefusesLocksThatDoNotFit_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("crib");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("problem");

    QTest::newRow("Continue with a code not in the ciphertext")
        << 99 << QString() << QStringLiteral("continueButton")
        << QStringLiteral("Вскрытие|Вскрыть нельзя: закреплённый код 99: кода 99 нет");
    // A new search forgets the locks, unless it never runs.
    QTest::newRow("a new search with a crib outside the table")
        << 1 << QStringLiteral("WORD") << QStringLiteral("attackButton")
        << QStringLiteral("Вскрытие|Вскрыть нельзя: подсказка «WORD»");
}

void LabTest::attackRefusesLocksThatDoNotFit()
{
    QFETCH(int, code);
    QFETCH(QString, crib);
    QFETCH(QString, button);
    QFETCH(QString, problem);
    LabWindow window;
    window.show();
    AttackPage *page = window.attackPage();
    page->cipherPane()->setText(QStringLiteral("01 02 03 01 02 03 04 "));
    page->findChild<QLineEdit *>(QStringLiteral("crib"))->setText(crib);
    page->setLock(code, 1);
    const QString summary = page->findChild<QLabel *>(QStringLiteral("attackSummary"))->text();
    const QString lockList = page->findChild<QLabel *>(QStringLiteral("lockList"))->text();
    QSignalSpy finished(page->worker(), &CrackWorker::finished);

    ModalAnswerer answerer;
    answerer.then(pressOk);
    QTest::mouseClick(page->findChild<QAbstractButton *>(button), Qt::LeftButton);
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(answerer.unexpected, 0);
    QVERIFY2(answerer.seen.first().startsWith(problem), qPrintable(answerer.seen.first()));
    QVERIFY(!page->worker()->isRunning());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(page->locks(), (std::map<int, int>{ { code, 1 } }));
    QCOMPARE(page->findChild<QLabel *>(QStringLiteral("lockList"))->text(), lockList);
    QCOMPARE(page->findChild<QLabel *>(QStringLiteral("attackSummary"))->text(), summary);
    QCOMPARE(page->findChild<QProgressBar *>(QStringLiteral("attackProgress"))->text(), QString());
    QVERIFY(page->startAction()->isEnabled());
    QVERIFY(page->continueAction()->isEnabled());
    QVERIFY(!page->stopAction()->isEnabled());
    QVERIFY(!page->result());
}

void LabTest::attackShowsTheWholePlaintextWhenDone()
{
    // Longer than the start of the plaintext that progress carries.
    const QString story = QString(Story + QLatin1Char(' ')).repeated(6);
    const QString cipher = encryptHomophonic(secretTable(), story, 3);
    LabWindow window;
    window.show();
    AttackPage *page = window.attackPage();
    page->cipherPane()->setText(cipher);
    page->findChild<QDoubleSpinBox *>(QStringLiteral("timeLimit"))->setValue(1);
    page->findChild<QLineEdit *>(QStringLiteral("attackSeed"))->setText(QStringLiteral("4"));
    auto *progress = page->findChild<QProgressBar *>(QStringLiteral("attackProgress"));

    page->startAction()->trigger();
    QVERIFY(page->worker()->isRunning());
    QVERIFY(!progress->text().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(page->result().has_value(), 120000);
    auto *plain = page->findChild<QPlainTextEdit *>(QStringLiteral("bestPlaintext"));
    QTRY_COMPARE(plain->toPlainText(), readCipherText(cipher).plaintext(page->result()->symbolOfCode));
    QVERIFY2(progress->text().startsWith(QStringLiteral("готово: ")), qPrintable(progress->text()));
    QVERIFY(page->startAction()->isEnabled());
    QVERIFY(!page->stopAction()->isEnabled());
}

void LabTest::keyRowsGrowAndShrink()
{
    LabWindow window;
    KeyTableModel *model = window.keyPage()->model();
    QCOMPARE(model->columnCount(), 1 + 3 + 1); // symbol, three codes, a place for a new one
    // The fourth code of А, one of the four that the fixed table leaves free:
    // the row grows, and the key file's reader takes it.
    QVERIFY(model->setData(model->index(1, 4), QStringLiteral("96"), Qt::EditRole));
    QCOMPARE(model->columnCount(), 1 + 4 + 1);
    QCOMPARE(model->editedTable().at(1).codes, (QStringList{QStringLiteral("01"), QStringLiteral("33"),
                                                             QStringLiteral("65"), QStringLiteral("96")}));
    QVERIFY2(model->problems().isEmpty(), qPrintable(model->problems().join(QLatin1Char('\n'))));
    QCOMPARE(model->validTable().has_value(), model->problems().isEmpty());
    // k follows the longest row.
    QCOMPARE(window.cipherPage()->findChild<QSpinBox *>(QStringLiteral("keyNumber"))->maximum(), 4);
    // The last code emptied: the row is short again.
    QVERIFY(model->setData(model->index(1, 4), QString(), Qt::EditRole));
    QCOMPARE(model->columnCount(), 1 + 3 + 1);
    QCOMPARE(keyTableText(*model->validTable()), keyTableText(fixedKeyTable()));
    // Nothing is typed into the place after a row's next one.
    QVERIFY(!model->setData(model->index(2, 4), QString(), Qt::EditRole));
    QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
}

void LabTest::newKeysOfEveryShape_data()
{
    QTest::addColumn<int>("shape"); // the item of the shape box
    QTest::addColumn<int>("codes");

    QTest::newRow("one code each") << 0 << 0;
    QTest::newRow("two codes each") << 1 << 0;
    QTest::newRow("three codes each, as keygen --seed makes them") << 2 << 0;
    QTest::newRow("100 codes in proportion") << 3 << 100;
    QTest::newRow("40 codes in proportion") << 3 << 40;
}

void LabTest::newKeysOfEveryShape()
{
    QFETCH(int, shape);
    QFETCH(int, codes);
    LabWindow window;
    window.keyPage()->findChild<QComboBox *>(QStringLiteral("keyShape"))->setCurrentIndex(shape);
    if (codes > 0)
        window.keyPage()->findChild<QSpinBox *>(QStringLiteral("keyCodes"))->setValue(codes);
    window.keyPage()->findChild<QLineEdit *>(QStringLiteral("keySeed"))->setText(QStringLiteral("2026"));
    QTest::mouseClick(window.keyPage()->findChild<QPushButton *>(QStringLiteral("newKeyButton")), Qt::LeftButton);

    KeyTableModel *model = window.keyPage()->model();
    QVERIFY2(model->problems().isEmpty(), qPrintable(model->problems().join(QLatin1Char('\n'))));
    const KeyTable table = *model->validTable();
    int total = 0;
    for (const KeyRow &row : table) {
        QVERIFY(!row.codes.isEmpty());
        if (codes == 0)
            QCOMPARE(row.codes.size(), shape + 1);
        else
            QVERIFY(row.codes.size() <= table[0].codes.size()); // the space is the most frequent
        total += row.codes.size();
    }
    QCOMPARE(total, codes > 0 ? codes : 32 * (shape + 1));
    if (shape == 2) {
        // The README's example of keygen --seed 2026.
        QCOMPARE(table[0].codes, (QStringList{QStringLiteral("30"), QStringLiteral("34"), QStringLiteral("96")}));
        QCOMPARE(table[1].codes, (QStringList{QStringLiteral("65"), QStringLiteral("60"), QStringLiteral("78")}));
    }
    if (codes == 100)
        QVERIFY(table[0].codes.size() >= 15); // the space's share of Russian text
}

void LabTest::proportionalKeyUsesEveryCode()
{
    LabWindow window;
    window.show();
    KeyPage *keys = window.keyPage();
    auto *k = window.cipherPage()->findChild<QSpinBox *>(QStringLiteral("keyNumber"));
    QCOMPARE(k->value(), 3);
    keys->findChild<QComboBox *>(QStringLiteral("keyShape"))->setCurrentIndex(3);
    keys->findChild<QLineEdit *>(QStringLiteral("keySeed"))->setText(QStringLiteral("2026"));
    QTest::mouseClick(keys->findChild<QPushButton *>(QStringLiteral("newKeyButton")), Qt::LeftButton);

    const int longest = int(keys->model()->editedTable()[0].codes.size());
    QVERIFY(longest > 3);
    QCOMPARE(k->maximum(), longest);
    QCOMPARE(k->value(), longest);
    QVERIFY2(k->text().contains(QStringLiteral("все коды")), qPrintable(k->text()));
    // The columns are narrow now: numbers, and the symbol's caption whole.
    KeyTableModel *model = keys->model();
    QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("1"));
    QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(), QStringLiteral("Код 1"));
    auto *view = keys->findChild<QTableView *>(QStringLiteral("keyTable"));
    QVERIFY(view->columnWidth(0) >= view->horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("Символ")));

    // Back to three codes a row: k in range again.
    keys->useFixedTable();
    QCOMPARE(k->maximum(), 3);
    QCOMPARE(k->value(), 3);
    QCOMPARE(k->text(), QStringLiteral("3"));
}

void LabTest::attackCipherTextCarriesItOver_data()
{
    QTest::addColumn<QString>("cipher");
    QTest::addColumn<QString>("attacked");
    QTest::addColumn<int>("boxes");

    QTest::newRow("a ciphertext goes to the attack, whose tab opens")
        << QStringLiteral("15 16 09\n03 06 ") << QStringLiteral("15 16 09\n03 06 ") << 0;
    QTest::newRow("no ciphertext leaves the attack's text as it was")
        << QString() << QStringLiteral("прежний шифртекст") << 1;
}

void LabTest::attackCipherTextCarriesItOver()
{
    QFETCH(QString, cipher);
    QFETCH(QString, attacked);
    QFETCH(int, boxes);
    LabWindow window;
    window.show();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tasks"));
    tabs->setCurrentWidget(window.cipherPage());
    window.cipherPage()->cipherPane()->setText(cipher);
    window.attackPage()->cipherPane()->setText(QStringLiteral("прежний шифртекст"));
    ModalAnswerer answerer;
    if (boxes > 0)
        answerer.then(pressOk);
    QTest::mouseClick(window.cipherPage()->findChild<QAbstractButton *>(QStringLiteral("attackCipherTextButton")),
                      Qt::LeftButton);
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(answerer.unexpected, 0);
    QCOMPARE(answerer.seen.size(), boxes);
    QCOMPARE(window.attackPage()->cipherPane()->text(), attacked);
    QCOMPARE(tabs->currentWidget(), boxes > 0 ? static_cast<QWidget *>(window.cipherPage()) : window.attackPage());
    QVERIFY(!window.attackPage()->worker()->isRunning());
}

void LabTest::attackRefusesWhatIsNoCipherText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("byShortcut");
    QTest::addColumn<QString>("problem");

    QTest::newRow("nothing") << QString() << false << QStringLiteral("шифртекста нет");
    QTest::newRow("nothing, Ctrl+R from another tab") << QString() << true << QStringLiteral("шифртекста нет");
    QTest::newRow("spaces and line ends") << QStringLiteral(" \n \n") << false << QStringLiteral("шифртекста нет");
    QTest::newRow("prose") << QStringLiteral("это просто слова, 12 и всё") << false
                           << QStringLiteral("это не шифртекст: двузначных кодов меньше 50 % слов (1 из 6)");
}

void LabTest::attackRefusesWhatIsNoCipherText()
{
    QFETCH(QString, text);
    QFETCH(bool, byShortcut);
    QFETCH(QString, problem);
    LabWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    AttackPage *page = window.attackPage();
    page->cipherPane()->setText(text);
    ModalAnswerer answerer;
    answerer.then(pressOk);
    if (byShortcut)
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
    else
        QTest::mouseClick(page->findChild<QAbstractButton *>(QStringLiteral("attackButton")), Qt::LeftButton);
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(window.findChild<QTabWidget *>(QStringLiteral("tasks"))->currentWidget(), page);
    QCOMPARE(answerer.unexpected, 0);
    QVERIFY2(answerer.seen.first().contains(problem), qPrintable(answerer.seen.first()));
    QVERIFY(!page->worker()->isRunning());
    QVERIFY(!page->result());
}

void LabTest::unsavedTextIsNotDroppedOnClose_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");

    QTest::newRow("Cancel keeps the window and the text") << int(QMessageBox::Cancel) << false;
    QTest::newRow("Discard closes") << int(QMessageBox::Discard) << true;
    QTest::newRow("Save asks for a name, writes, then closes") << int(QMessageBox::Save) << true;
}

void LabTest::unsavedTextIsNotDroppedOnClose()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    const QString path = m_dir.filePath(QStringLiteral("несохранённый.txt"));
    QFile::remove(path);
    LabWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QPlainTextEdit *plain = window.cipherPage()->plainPane()->editor();
    plain->setFocus();
    type(plain, QStringLiteral("Щука"));

    ModalAnswerer answerer;
    answerer.then([answer](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QVERIFY(box->button(QMessageBox::Save) && box->button(QMessageBox::Discard) && box->button(QMessageBox::Cancel));
        box->button(QMessageBox::StandardButton(answer))->click();
    });
    if (answer == QMessageBox::Save)
        answerer.then(chooseFile(path, {QStringLiteral("Текстовые файлы (*.txt)"), QStringLiteral("Все файлы (*)")}));
    const bool closed = window.close();
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(answerer.unexpected, 0);
    QVERIFY2(answerer.seen.first().startsWith(QStringLiteral("Несохранённый текст|")), qPrintable(answerer.seen.first()));
    QCOMPARE(closed, closes);
    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(plain->toPlainText(), QStringLiteral("Щука"));
    if (answer == QMessageBox::Save) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QTextCodec::codecForName("Windows-1251")->fromUnicode(QStringLiteral("Щука")));
    } else {
        QVERIFY(!QFile::exists(path));
    }
}

void LabTest::savedKeyReadsBack()
{
    const KeyTable table = secretTable();
    const QString path = m_dir.filePath(QStringLiteral("ключ.txt"));
    QString error;
    QVERIFY2(saveKeyFile(path, table, QStringLiteral("# найден\n"), &error), qPrintable(error));
    const KeyFileReading reading = readKeyFile(path);
    QVERIFY(reading.problems.isEmpty());
    QCOMPARE(keyTableText(*reading.table), keyTableText(table));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readLine().startsWith("# найден"));
    QCOMPARE(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());

    // Through the window: the key remembered for the next start.
    LabWindow window;
    QVERIFY(window.keyPage()->openKeyFile(path));
    QCOMPARE(QSettings().value(QStringLiteral("lastKeyFile")).toString(), path);
    LabWindow next;
    QCOMPARE(next.keyPage()->keyFilePath(), path);
    QCOMPARE(keyTableText(next.keyPage()->model()->editedTable()), keyTableText(table));
}

QTEST_MAIN(LabTest)
#include "tst_lab.moc"
