// The lab window driven as a user drives it: the key editor, ciphering, the
// chart, the attack's worker and closing with unsaved text.
#include "attackpage.h"
#include "cipherfamily.h"
#include "cipherpage.h"
#include "crackworker.h"
#include "familyattackworker.h"
#include "frequencychart.h"
#include "frequencycount.h"
#include "frequencypage.h"
#include "keypage.h"
#include "keytable.h"
#include "keytablemodel.h"
#include "labcipher.h"
#include "labwindow.h"
#include "modalhelper.h"
#include "periodicity.h"
#include "pairheatmap.h"
#include "periodpanel.h"
#include "polygramkeymodel.h"
#include "symbolattackpanel.h"
#include "symbolkeymodel.h"
#include "textpane.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
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

// More prose, so that each column of a keyword of four to six holds a few
// hundred symbols and reads as Russian.
const QString LongStory = Story + QStringLiteral(
    "\nВечером того же дня он разложил на столе листы с упражнениями. На каждом была короткая фраза, "
    "записанная чужим алфавитом, и под ней пустая строка для ответа. Сначала дети будут считать знаки, потом "
    "сравнивать их с частотами родного языка, а самые терпеливые догадаются, что одна и та же буква "
    "встречается под разными масками. Учитель знал, что к концу недели кто-нибудь обязательно принесёт "
    "решение, о котором он сам не подумал, и заранее радовался этому. За окном снова пошёл дождь, лампа "
    "светила ровно, и в тишине было слышно, как тикают старые часы на стене.");

// The start of text holding count alphabet symbols.
QString symbolsOfText(const QString &text, int count)
{
    int seen = 0;
    int cut = 0;
    while (cut < text.size() && seen < count)
        seen += Alphabet::indexOf(text.at(cut++).unicode()) >= 0;
    return text.left(cut);
}

QString decipherWith(const SymbolKey &key, const QString &cipher)
{
    LabCipherRequest request;
    request.direction = LabCipherRequest::Direction::Decrypt;
    request.symbolKey = key;
    return cipherWholeText(cipher, request);
}

// A text with no period to find: symbols at random.
QString symbolNoise(int length)
{
    QRandomGenerator source(11);
    QString noise;
    for (int i = 0; i < length; ++i)
        noise += Alphabet::symbol(int(source.bounded(Alphabet::Size)));
    return noise;
}

// The column header of the largest share in a row of the column profiles.
QString peakOfRow(const QTableWidget *table, int row)
{
    int best = -1;
    double bestShare = -1;
    for (int column = 0; column < Alphabet::Size; ++column) {
        const QTableWidgetItem *item = table->item(row, column);
        const double share = item ? item->text().replace(QLatin1Char(','), QLatin1Char('.')).toDouble() : 0;
        if (share > bestShare) {
            bestShare = share;
            best = column;
        }
    }
    return table->horizontalHeaderItem(best)->text();
}

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

// The family chosen as a user chooses it, in the window's list.
void chooseFamily(LabWindow &window, const QString &name)
{
    auto *box = window.findChild<QComboBox *>(QStringLiteral("cipherFamily"));
    QVERIFY(box);
    const int item = box->findData(name);
    QVERIFY2(item >= 0, qPrintable(name));
    box->setCurrentIndex(item);
    QCOMPARE(window.keyPage()->family().name(), name);
}

// The row of an inline key form on the key tab, by its radio button.
const char *formButton(KeyForm form)
{
    switch (form) {
    case KeyForm::Shift:
        return "formShift";
    case KeyForm::Affine:
        return "formAffine";
    case KeyForm::Keyword:
        return "formKeyword";
    case KeyForm::Digits:
        return "formDigits";
    case KeyForm::Matrix:
        return "formMatrix";
    case KeyForm::Atbash:
        break;
    }
    return "formAtbash";
}

// The two keywords of the block ciphers' tests, and their rectangles worked
// out by hand: the keyword's symbols, then the rest in the alphabet's order
// (the space first).
//   ШИФР:  Ш И Ф Р ␣ А Б В / Г Д Е Ж З К Л М / Н О П С Т У Х Ц / Ч Щ Ъ Ы Ь Э Ю Я
//   ЗАМОК: З А М О К ␣ Б В / Г Д Е Ж И Л Н П / Р С Т У Ф Х Ц Ч / Ш Щ Ъ Ы Ь Э Ю Я
const QString FirstKeyword = QStringLiteral("шифр");
const QString SecondKeyword = QStringLiteral("замок");

// The block family chosen with its keywords typed.
void typeBlockKeywords(LabWindow &window, const QString &family, const QString &first, const QString &second)
{
    chooseFamily(window, family);
    KeyPage *keys = window.keyPage();
    keys->findChild<QLineEdit *>(QStringLiteral("keyKeyword"))->setText(first);
    keys->findChild<QLineEdit *>(QStringLiteral("keySecondKeyword"))->setText(second);
    keys->findChild<QRadioButton *>(QStringLiteral("formKeyword"))->setChecked(true);
}

SymbolKey familyKey(const QString &familyName, KeyForm form, const QString &text)
{
    QString problem;
    const std::optional<SymbolKey> key = cipherFamily(familyName)->key(form, text, problem);
    if (!key)
        qFatal("no key: %s", qPrintable(problem));
    return *key;
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
    void choosingAFamilyShowsItsKeyForms_data();
    void choosingAFamilyShowsItsKeyForms();
    void symbolKeysCipherAsTheLibrary_data();
    void symbolKeysCipherAsTheLibrary();
    void badSymbolKeyChangesNothing_data();
    void badSymbolKeyChangesNothing();
    void stepNamesTheAlphabet_data();
    void stepNamesTheAlphabet();
    void stepFollowsEditsBeforeIt();
    void stepsInALongTextCountEverySymbolBefore();
    void symbolKeyFilesReadBack();
    void frequenciesCountTheFamilysCipherText_data();
    void frequenciesCountTheFamilysCipherText();
    void periodStatisticsFollowTheKeyword_data();
    void periodStatisticsFollowTheKeyword();
    void columnProfilesFollowThePeriod();
    void familyAttackBreaksAShortText();
    void badFamilyLocksRunNothing_data();
    void badFamilyLocksRunNothing();
    void stopEndsAFamilySearch();
    void rectangleShowsTheKeyword_data();
    void rectangleShowsTheKeyword();
    void dragSwapsTwoCells_data();
    void dragSwapsTwoCells();
    void ctrlArrowSwapsWithTheNeighbour();
    void blockStepNamesTheRule_data();
    void blockStepNamesTheRule();
    void hillShowsDeterminantAndInverse_data();
    void hillShowsDeterminantAndInverse();
    void evenDeterminantIsNoKey();
    void fillerChosenIsTheKeys();
    void rectangleCellsBecomeLocks_data();
    void rectangleCellsBecomeLocks();
    void pairHeatMapPutsTheFirstSymbolInTheRow();
    void foundBlockKeyIsDrawnOnTheKeyTab_data();
    void foundBlockKeyIsDrawnOnTheKeyTab();

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
    QTest::addColumn<QString>("family");

    const QString homophonic = homophonicFamily().name();
    QTest::newRow("nothing") << QString() << false << QStringLiteral("шифртекста нет") << homophonic;
    QTest::newRow("nothing, Ctrl+R from another tab") << QString() << true << QStringLiteral("шифртекста нет")
                                                      << homophonic;
    QTest::newRow("spaces and line ends") << QStringLiteral(" \n \n") << false << QStringLiteral("шифртекста нет")
                                          << homophonic;
    QTest::newRow("prose") << QStringLiteral("это просто слова, 12 и всё") << false
                           << QStringLiteral("это не шифртекст: двузначных кодов меньше 50 % слов (1 из 6)")
                           << homophonic;
    QTest::newRow("nothing while Vigenère is chosen") << QStringLiteral("\n  ") << false
                                                      << QStringLiteral("шифртекста нет") << QStringLiteral("vigenere");
    // Of codes only the spaces are symbols of the alphabet: too few to judge.
    QTest::newRow("codes while Vigenère is chosen")
        << QStringLiteral("15 16 09 03 06 18 15 16 09 03 06 18") << false
        << QStringLiteral("Вскрыть нельзя: шифртекст слишком короткий, чтобы судить о периоде: в нём 11 символов "
                          "алфавита, а нужно хотя бы 20.")
        << QStringLiteral("vigenere");
}

void LabTest::attackRefusesWhatIsNoCipherText()
{
    QFETCH(QString, text);
    QFETCH(bool, byShortcut);
    QFETCH(QString, problem);
    QFETCH(QString, family);
    LabWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    chooseFamily(window, family);
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
    QVERIFY(!page->isRunning());
    QVERIFY(!page->result());
    QVERIFY(!page->familyResult());
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

void LabTest::choosingAFamilyShowsItsKeyForms_data()
{
    QTest::addColumn<QString>("family");
    for (const CipherFamily *family : cipherFamilies())
        QTest::newRow(qPrintable(family->name())) << family->name();
}

// The key tab shows the forms the family takes and no others, the drawing
// of its key (or the homophonic table), and k only where there is a table.
void LabTest::choosingAFamilyShowsItsKeyForms()
{
    QFETCH(QString, family);
    const CipherFamily *chosen = cipherFamily(family);
    LabWindow window;
    window.show();
    // From another family first, so that the switch itself is what is seen.
    chooseFamily(window, chosen->isHomophonic() ? QStringLiteral("mono") : homophonicFamily().name());
    chooseFamily(window, family);
    KeyPage *keys = window.keyPage();

    for (const KeyForm form :
         {KeyForm::Shift, KeyForm::Affine, KeyForm::Keyword, KeyForm::Digits, KeyForm::Atbash, KeyForm::Matrix}) {
        auto *button = keys->findChild<QRadioButton *>(QLatin1String(formButton(form)));
        QVERIFY(button);
        QCOMPARE(button->isVisibleTo(keys), chosen->keyForms().contains(form));
    }
    const bool homophonic = chosen->isHomophonic();
    QCOMPARE(keys->findChild<QWidget *>(QStringLiteral("keyForms"))->isVisibleTo(keys), !homophonic);
    QCOMPARE(keys->findChild<QTableView *>(QStringLiteral("keyTable"))->isVisibleTo(keys), homophonic);
    QCOMPARE(keys->findChild<QWidget *>(QStringLiteral("fixedTableButton"))->isVisibleTo(keys), homophonic);
    CipherPage *cipher = window.cipherPage();
    QCOMPARE(cipher->findChild<QSpinBox *>(QStringLiteral("keyNumber"))->isVisibleTo(cipher), homophonic);
    QCOMPARE(cipher->findChild<QComboBox *>(QStringLiteral("codeChoice"))->isVisibleTo(cipher), homophonic);
    const bool blocks = chosen->takesFiller();
    QCOMPARE(cipher->findChild<QWidget *>(QStringLiteral("cipherKeyView"))->isVisibleTo(cipher), !homophonic && !blocks);
    QCOMPARE(cipher->findChild<QWidget *>(QStringLiteral("cipherBlockView"))->isVisibleTo(cipher), blocks);
    QCOMPARE(keys->findChild<QWidget *>(QStringLiteral("keyFiller"))->isVisibleTo(keys), blocks);
    QCOMPARE(keys->findChild<QWidget *>(QStringLiteral("keySecondKeyword"))->isVisibleTo(keys),
             chosen->valuesTaken(KeyForm::Keyword) > 1);
    if (homophonic)
        return;
    // A key at once, drawn as one alphabet under the plain one, as the
    // square, as the rectangles or as Hill's matrix.
    auto *drawing = keys->findChild<QTableView *>(QStringLiteral("keyDrawing"));
    auto *blockDrawing = keys->findChild<QTableView *>(QStringLiteral("polygramDrawing"));
    QCOMPARE(drawing->isVisibleTo(keys), !blocks);
    QCOMPARE(blockDrawing->isVisibleTo(keys), blocks);
    QCOMPARE(keys->findChild<QListWidget *>(QStringLiteral("keyProblems"))->count(), 0);
    QTableView *shown = blocks ? blockDrawing : drawing;
    int rows = 32, columns = 32;
    switch (chosen->keyFileForm()) {
    case SymbolKeys::KeyFileForm::Alphabet:
        rows = 2;
        break;
    case SymbolKeys::KeyFileForm::Rectangle:
        rows = 4;
        columns = 8;
        break;
    case SymbolKeys::KeyFileForm::TwoRectangles:
        rows = 4;
        columns = 8 + 1 + 8; // a blank column between the rectangles
        break;
    case SymbolKeys::KeyFileForm::Matrix:
        rows = columns = 2; // the form's own example, 3 5; 2 7
        break;
    case SymbolKeys::KeyFileForm::Keyword:
    case SymbolKeys::KeyFileForm::Digits:
        break;
    }
    QCOMPARE(shown->model()->rowCount(), rows);
    QCOMPARE(shown->model()->columnCount(), columns);
}

void LabTest::symbolKeysCipherAsTheLibrary_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("secondKey");
    QTest::addColumn<QString>("decipheredStart");

    const QString asTyped = QStringLiteral("ПРИВЕТ, МИР!\nАННА И АЛЛА\n\nёЖИК");
    for (const CipherFamily *family : cipherFamilies()) {
        if (!family->keyForms().contains(KeyForm::Keyword))
            continue;
        // Hill's matrix of ШИФР (24 9; 20 16) has the even determinant 12;
        // ДОМА's (5 14; 12 1) has 29.
        const QString keyword = family->name() == QLatin1String("hill") ? QStringLiteral("дома") : QStringLiteral("шифр");
        QString deciphered = asTyped;
        // The second line, А Н Н А ␣ И ␣ А Л Л А, has 11 symbols: the block
        // ciphers fill its last pair with Ъ; Playfair puts Ъ between the two
        // Л instead, which makes the pairs whole. Deciphering leaves it in.
        if (family->name() == QLatin1String("playfair"))
            deciphered.replace(QStringLiteral("АЛЛА"), QStringLiteral("АЛЪЛА"));
        else if (family->takesFiller())
            deciphered.replace(QStringLiteral("АЛЛА"), QStringLiteral("АЛЛАЪ"));
        QTest::newRow(qPrintable(family->name() + QStringLiteral(", keyword")))
            << family->name() << int(KeyForm::Keyword) << keyword
            << (family->valuesTaken(KeyForm::Keyword) > 1 ? QStringLiteral("замок") : QString()) << deciphered;
    }
    QTest::newRow("gronsfeld, digits") << QStringLiteral("gronsfeld") << int(KeyForm::Digits) << QStringLiteral("2718")
                                       << QString() << asTyped;
    QTest::newRow("mono, affine") << QStringLiteral("mono") << int(KeyForm::Affine) << QStringLiteral("7,3")
                                  << QString() << asTyped;
    QTest::newRow("hill, matrix") << QStringLiteral("hill") << int(KeyForm::Matrix) << QStringLiteral("3 5; 2 7")
                                  << QString() << QStringLiteral("ПРИВЕТ, МИР!\nАННА И АЛЛАЪ\n\nёЖИК");
}

// The whole text through the tool's stream: the key runs on across lines, Ё,
// digits and punctuation stay, and deciphering gives the capitals back.
void LabTest::symbolKeysCipherAsTheLibrary()
{
    QFETCH(QString, family);
    QFETCH(int, form);
    QFETCH(QString, key);
    QFETCH(QString, secondKey);
    QFETCH(QString, decipheredStart);
    LabWindow window;
    window.show();
    chooseFamily(window, family);
    KeyPage *keys = window.keyPage();
    switch (KeyForm(form)) {
    case KeyForm::Keyword:
        keys->findChild<QLineEdit *>(QStringLiteral("keyKeyword"))->setText(key);
        if (!secondKey.isEmpty())
            keys->findChild<QLineEdit *>(QStringLiteral("keySecondKeyword"))->setText(secondKey);
        break;
    case KeyForm::Matrix:
        keys->findChild<QLineEdit *>(QStringLiteral("keyMatrix"))->setText(QStringLiteral("0 0; 0 0"));
        keys->findChild<QLineEdit *>(QStringLiteral("keyMatrix"))->setText(key);
        break;
    case KeyForm::Digits:
        keys->findChild<QLineEdit *>(QStringLiteral("keyDigits"))->setText(key);
        break;
    default:
        keys->findChild<QSpinBox *>(QStringLiteral("keyAffineA"))->setValue(key.section(QLatin1Char(','), 0, 0).toInt());
        keys->findChild<QSpinBox *>(QStringLiteral("keyAffineB"))->setValue(key.section(QLatin1Char(','), 1, 1).toInt());
        break;
    }
    QVERIFY(keys->findChild<QRadioButton *>(QLatin1String(formButton(KeyForm(form))))->isChecked());
    QStringList values {key};
    if (!secondKey.isEmpty())
        values << secondKey;
    QString problem;
    const std::optional<SymbolKey> libraryKey = cipherFamily(family)->keyFromValues(KeyForm(form), values, problem);
    QVERIFY2(libraryKey, qPrintable(problem));
    const SymbolCipher library(*libraryKey);

    CipherPage *page = window.cipherPage();
    page->plainPane()->setText(Lines);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    const QString cipher = page->cipherPane()->text();
    QCOMPARE(cipher, library.encrypt(Lines));

    page->plainPane()->setText(QString());
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("decryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    QCOMPARE(page->plainPane()->text(), library.decrypt(cipher));
    QVERIFY2(page->plainPane()->text().startsWith(decipheredStart), qPrintable(page->plainPane()->text()));
}

void LabTest::badSymbolKeyChangesNothing_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason");

    QTest::newRow("an even affine A") << QStringLiteral("mono") << QStringLiteral("keyAffineA") << QStringLiteral("4")
                                      << QStringLiteral("множитель A = 4 чётный");
    QTest::newRow("a keyword of Й, Ё and digits") << QStringLiteral("mono") << QStringLiteral("keyKeyword")
                                                  << QStringLiteral("ЙЁ123")
                                                  << QStringLiteral("в ключевом слове «ЙЁ123» нет ни одного символа");
    QTest::newRow("a Latin Vigenère keyword") << QStringLiteral("vigenere") << QStringLiteral("keyKeyword")
                                              << QStringLiteral("key")
                                              << QStringLiteral("в ключевом слове «key» нет ни одного символа");
    QTest::newRow("a letter among Gronsfeld's digits") << QStringLiteral("gronsfeld") << QStringLiteral("keyDigits")
                                                       << QStringLiteral("31А5")
                                                       << QStringLiteral("только цифры от 0 до 9, а не «А»");
}

// The reason shows beside the key as it is typed; ciphering then refuses
// with it rather than use the key before.
void LabTest::badSymbolKeyChangesNothing()
{
    QFETCH(QString, family);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    LabWindow window;
    window.show();
    chooseFamily(window, family);
    KeyPage *keys = window.keyPage();
    if (auto *box = keys->findChild<QSpinBox *>(field))
        box->setValue(value.toInt());
    else
        keys->findChild<QLineEdit *>(field)->setText(value);
    auto *problems = keys->findChild<QListWidget *>(QStringLiteral("keyProblems"));
    QCOMPARE(problems->count(), 1);
    QVERIFY2(problems->item(0)->text().contains(reason), qPrintable(problems->item(0)->text()));
    QCOMPARE(keys->symbolModel()->rowCount(), 0);

    CipherPage *page = window.cipherPage();
    for (const bool encrypting : {true, false}) {
        page->plainPane()->setText(QStringLiteral("открытый текст"));
        page->cipherPane()->setText(QStringLiteral("ПРЕЖНИЙ ШИФРТЕКСТ"));
        ModalAnswerer answerer;
        answerer.then(pressOk);
        QTest::mouseClick(page->findChild<QPushButton *>(encrypting ? QStringLiteral("encryptButton")
                                                                    : QStringLiteral("decryptButton")),
                          Qt::LeftButton);
        QTRY_VERIFY(answerer.allAnswered());
        QCOMPARE(answerer.unexpected, 0);
        QVERIFY2(answerer.seen.first().startsWith(QStringLiteral("Ключ с ошибкой|")), qPrintable(answerer.seen.first()));
        QVERIFY2(answerer.seen.first().contains(reason), qPrintable(answerer.seen.first()));
        QTest::qWait(50);
        QVERIFY(!page->isBusy());
        QCOMPARE(page->plainPane()->text(), QStringLiteral("открытый текст"));
        QCOMPARE(page->cipherPane()->text(), QStringLiteral("ПРЕЖНИЙ ШИФРТЕКСТ"));
    }
}

void LabTest::stepNamesTheAlphabet_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("row"); // the cell marked in the drawing, -1 for none
    QTest::addColumn<int>("column");

    const int keyword = int(KeyForm::Keyword);
    // Indices: space 0, А 1, ..., И 9, К 10, ..., Ч 23, ..., Я 31.
    QTest::newRow("the first symbol after a line break")
        << "vigenere" << keyword << "КЛЮЧ" << "ПРИ\nВЕТ" << 4 << 0
        << QStringLiteral("символ 4 «В»: алфавит 4 (сдвиг «Ч» = 23) → «Ъ»") << 23 << 3;
    QTest::newRow("after Й and digits, which take no step")
        << "vigenere" << keyword << "КЛЮЧ" << "ЙОД 42 и" << 7 << 0
        << QStringLiteral("символ 5 «И»: алфавит 1 (сдвиг «К» = 10) → «У»") << 10 << 9;
    QTest::newRow("a selection, from its first character")
        << "vigenere" << keyword << "КЛЮЧ" << "ПРИ\nВЕТ" << 4 << 2
        << QStringLiteral("символ 4 «В»: алфавит 4 (сдвиг «Ч» = 23) → «Ъ»") << 23 << 3;
    QTest::newRow("the end of a line, after the symbol just typed")
        << "vigenere" << keyword << "КЛЮЧ" << "ПР\nИ" << 2 << 0
        << QStringLiteral("символ 2 «Р»: алфавит 2 (сдвиг «Л» = 11) → «Ы»") << 11 << 16;
    QTest::newRow("Й itself") << "vigenere" << keyword << "КЛЮЧ" << "ЙОД" << 0 << 0
                              << QStringLiteral("Знак «Й» не шифруется и шага ключа не занимает.") << -1 << -1;
    QTest::newRow("autokey, the plaintext as the key after the keyword")
        << "autokey" << keyword << "КОТ" << "ДОМ ДОМ" << 3 << 0
        << QStringLiteral("символ 4 «␣»: алфавит 1 (сдвиг «Д» = 5 — открытый символ 1) → «Д»") << 5 << 0;
    QTest::newRow("Gronsfeld's digits") << "gronsfeld" << int(KeyForm::Digits) << "31415" << "а-б-в" << 4 << 0
                                        << QStringLiteral("символ 3 «В»: алфавит 3 (сдвиг 4) → «Ж»") << 4 << 3;
    QTest::newRow("one alphabet: the column pair") << "mono" << int(KeyForm::Shift) << "3" << "\nЯ" << 1 << 0
                                                   << QStringLiteral("символ 1 «Я» → «Б» (столбец «Я» алфавита замены)")
                                                   << 1 << 31;
}

void LabTest::stepNamesTheAlphabet()
{
    QFETCH(QString, family);
    QFETCH(int, form);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(int, selected);
    QFETCH(QString, line);
    QFETCH(int, row);
    QFETCH(int, column);
    LabWindow window;
    window.show();
    chooseFamily(window, family);
    KeyPage *keys = window.keyPage();
    if (KeyForm(form) == KeyForm::Shift)
        keys->findChild<QSpinBox *>(QStringLiteral("keyShift"))->setValue(key.toInt());
    else
        keys->findChild<QLineEdit *>(KeyForm(form) == KeyForm::Digits ? QStringLiteral("keyDigits")
                                                                     : QStringLiteral("keyKeyword"))->setText(key);
    keys->findChild<QRadioButton *>(QLatin1String(formButton(KeyForm(form))))->setChecked(true);

    CipherPage *page = window.cipherPage();
    page->plainPane()->setText(text);
    QPlainTextEdit *editor = page->plainPane()->editor();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(position);
    cursor.setPosition(position + selected, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);

    // Said beside the key on both tabs, and marked in the drawing.
    for (QWidget *tab : {static_cast<QWidget *>(page), static_cast<QWidget *>(keys)})
        QCOMPARE(tab->findChild<QLabel *>(QStringLiteral("keyStep"))->text(), line);
    auto *drawing = page->findChild<QTableView *>(QStringLiteral("keyDrawing"));
    QCOMPARE(keys->symbolModel()->stepCell().row(), row);
    QCOMPARE(keys->symbolModel()->stepCell().column(), column);
    if (row >= 0) {
        QCOMPARE(drawing->currentIndex(), keys->symbolModel()->stepCell());
        // What the step says is what the pane's encryption wrote there.
        QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
        QTRY_VERIFY(!page->isBusy());
        const QString cipherSymbol = line.section(QStringLiteral("→ «"), 1).left(1);
        const int at = selected > 0 || position == 0 || text.at(position) != QLatin1Char('\n') ? position : position - 1;
        QCOMPARE(page->cipherPane()->text().at(at), cipherSymbol == QStringLiteral("␣") ? QChar(u' ')
                                                                                        : cipherSymbol.at(0));
    }
}

// The place the key stood at the start of a line is kept for the next step
// there; a symbol typed on a line before moves every step after it.
void LabTest::stepFollowsEditsBeforeIt()
{
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("vigenere"));
    window.keyPage()->findChild<QLineEdit *>(QStringLiteral("keyKeyword"))->setText(QStringLiteral("КЛЮЧ"));
    CipherPage *page = window.cipherPage();
    page->plainPane()->setText(QStringLiteral("ПРИ\nВЕТ"));
    QPlainTextEdit *editor = page->plainPane()->editor();
    auto *step = page->findChild<QLabel *>(QStringLiteral("keyStep"));
    const auto cursorOn = [editor](int position) {
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(position);
        editor->setTextCursor(cursor);
    };
    cursorOn(6);
    QCOMPARE(step->text(), QStringLiteral("символ 6 «Т»: алфавит 2 (сдвиг «Л» = 11) → «Э»"));
    cursorOn(5);
    QCOMPARE(step->text(), QStringLiteral("символ 5 «Е»: алфавит 1 (сдвиг «К» = 10) → «Р»"));

    QTextCursor start = editor->textCursor();
    start.setPosition(0);
    start.insertText(QStringLiteral("А"));
    cursorOn(7);
    QCOMPARE(step->text(), QStringLiteral("символ 7 «Т»: алфавит 3 (сдвиг «Ю» = 30) → «Р»"));
    // A new key starts the stream afresh.
    window.keyPage()->findChild<QLineEdit *>(QStringLiteral("keyKeyword"))->setText(QStringLiteral("Б"));
    QCOMPARE(step->text(), QStringLiteral("символ 7 «Т»: алфавит 1 (сдвиг «Б» = 2) → «Ф»"));
}

// Thousands of lines, the cursor moving down, up and back after an edit in
// the middle: each step counts the symbols before it as the text has them.
void LabTest::stepsInALongTextCountEverySymbolBefore()
{
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("vigenere"));
    window.keyPage()->findChild<QLineEdit *>(QStringLiteral("keyKeyword"))->setText(QStringLiteral("КОТ"));
    CipherPage *page = window.cipherPage();
    QStringList lines;
    for (int i = 1; i <= 3000; ++i)
        lines << QStringLiteral("Строка %1 из трёх тысяч").arg(i);
    page->plainPane()->setText(lines.join(QLatin1Char('\n')));
    QPlainTextEdit *editor = page->plainPane()->editor();
    auto *step = page->findChild<QLabel *>(QStringLiteral("keyStep"));
    const auto checkLine = [&](int line) {
        QTextCursor cursor(editor->document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::NextCharacter);
        editor->setTextCursor(cursor);
        const qsizetype before = qsizetype(Alphabet::indicesOf(editor->toPlainText().left(cursor.position())).size());
        QCOMPARE(step->text().section(QLatin1Char(' '), 0, 4),
                 QStringLiteral("символ %1 «Т»: алфавит %2").arg(before + 1).arg(before % 3 + 1));
    };
    for (const int line : {2500, 2501, 1500, 10, 2999})
        checkLine(line);
    QTextCursor middle(editor->document()->findBlockByNumber(1100));
    middle.insertText(QStringLiteral("АБ"));
    for (const int line : {2500, 1099, 1101, 1024})
        checkLine(line);
}

// A key saved on the key tab reads back through the family's reader, and the
// window opens it again at the next start; another family's file is refused
// in the problems list, and the key stays.
void LabTest::symbolKeyFilesReadBack()
{
    const QString path = m_dir.filePath(QStringLiteral("виженер.txt"));
    QFile::remove(path);
    const CipherFamily &vigenere = *cipherFamily(QStringLiteral("vigenere"));
    QRandomGenerator source = seededGenerator(5);
    const SymbolCipher fromSeed(vigenere.randomKey(source));
    const QString sample = QStringLiteral("СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ БУЛОК");
    {
        LabWindow window;
        window.show();
        chooseFamily(window, vigenere.name());
        KeyPage *keys = window.keyPage();
        keys->findChild<QLineEdit *>(QStringLiteral("keySeed"))->setText(QStringLiteral("5"));
        QTest::mouseClick(keys->findChild<QPushButton *>(QStringLiteral("newKeyButton")), Qt::LeftButton);
        QVERIFY(keys->findChild<QRadioButton *>(QStringLiteral("formWhole"))->isChecked());
        QCOMPARE(keys->symbolModel()->cipher()->encrypt(sample), fromSeed.encrypt(sample));

        ModalAnswerer answerer;
        answerer.then(chooseFile(path, {QStringLiteral("Файлы ключа (*.txt *.key)"), QStringLiteral("Все файлы (*)")}));
        QTest::mouseClick(keys->findChild<QPushButton *>(QStringLiteral("saveKeyButton")), Qt::LeftButton);
        QTRY_VERIFY(answerer.allAnswered());
        QCOMPARE(answerer.unexpected, 0);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
        const SymbolKeys::Reading reading = vigenere.readKeyFile(file.readAll(), path);
        QVERIFY2(reading.key, qPrintable(reading.problems.join(QLatin1Char('\n'))));
        QCOMPARE(SymbolCipher(*reading.key).encrypt(sample), fromSeed.encrypt(sample));

        // Another key typed, then the file opened again.
        keys->findChild<QLineEdit *>(QStringLiteral("keyKeyword"))->setText(QStringLiteral("КОТ"));
        QVERIFY(keys->openKeyFile(path));
        QCOMPARE(keys->symbolModel()->cipher()->encrypt(sample), fromSeed.encrypt(sample));

        const QString mono = m_dir.filePath(QStringLiteral("простая.txt"));
        QFile monoFile(mono);
        QVERIFY(monoFile.open(QIODevice::WriteOnly));
        monoFile.write(cipherFamily(QStringLiteral("mono"))->keyFileText(SymbolKeys::atbash(), QDateTime::currentDateTime()).toUtf8());
        monoFile.close();
        QVERIFY(!keys->openKeyFile(mono));
        auto *problems = keys->findChild<QListWidget *>(QStringLiteral("keyProblems"));
        QCOMPARE(problems->count(), 1);
        QVERIFY2(problems->item(0)->text().contains(QStringLiteral("это ключ шифра «mono», а нужен ключ шифра «vigenere»")),
                 qPrintable(problems->item(0)->text()));
        QCOMPARE(keys->symbolModel()->cipher()->encrypt(sample), fromSeed.encrypt(sample));
    }
    LabWindow next;
    QCOMPARE(next.keyPage()->family().name(), vigenere.name());
    QCOMPARE(next.keyPage()->keyFilePath(), path);
    QCOMPARE(next.keyPage()->symbolModel()->cipher()->encrypt(sample), fromSeed.encrypt(sample));
}

void LabTest::frequenciesCountTheFamilysCipherText_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("cipher");
    QTest::addColumn<QString>("measures");

    const QString homophonic = homophonicFamily().name();
    QTest::newRow("homophonic codes") << homophonic << QStringLiteral("15 16 09 15") << QStringLiteral("посчитано: 4");
    QTest::newRow("Vigenère symbols") << QStringLiteral("vigenere") << QStringLiteral("ЩЫЖ Щ")
                                      << QStringLiteral("посчитано: 5<br>индекс совпадений: 0,1000");
    QTest::newRow("codes are no Vigenère ciphertext") << QStringLiteral("vigenere") << QStringLiteral("15 16 09 15")
                                                       << QStringLiteral("посчитано: 3");
}

void LabTest::frequenciesCountTheFamilysCipherText()
{
    QFETCH(QString, family);
    QFETCH(QString, cipher);
    QFETCH(QString, measures);
    LabWindow window;
    window.show();
    chooseFamily(window, family);
    FrequencyPage *chart = window.frequencyPage();
    const int redraws = chart->redrawCount();
    window.cipherPage()->cipherPane()->setText(cipher);
    QTRY_VERIFY(chart->redrawCount() > redraws);
    const QString shown = window.findChild<QLabel *>(QStringLiteral("cipherMeasures"))->text();
    QVERIFY2(shown.contains(measures), qPrintable(shown));
}

void LabTest::periodStatisticsFollowTheKeyword_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("period");
    QTest::newRow("Vigenère under a keyword of four") << QStringLiteral("vigenere") << QStringLiteral("КЛЮЧ") << 4;
    QTest::newRow("Vigenère under a keyword of five") << QStringLiteral("vigenere") << QStringLiteral("ЗАМОК") << 5;
    QTest::newRow("Beaufort under a keyword of six") << QStringLiteral("beaufort") << QStringLiteral("ПРИЧАЛ") << 6;
}

// The index chart and the period chosen for the columns follow the
// ciphertext; a family without a period has no such tab.
void LabTest::periodStatisticsFollowTheKeyword()
{
    QFETCH(QString, family);
    QFETCH(QString, keyword);
    QFETCH(int, period);
    LabWindow window;
    window.show();
    chooseFamily(window, family);
    auto *views = window.frequencyPage()->findChild<QTabWidget *>(QStringLiteral("frequencyViews"));
    PeriodPanel *panel = window.frequencyPage()->periodPanel();
    QCOMPARE(views->currentWidget(), panel);
    QSignalSpy examined(panel, &PeriodPanel::examined);
    const QString cipher = SymbolCipher(familyKey(family, KeyForm::Keyword, keyword)).encrypt(LongStory);
    window.cipherPage()->cipherPane()->setText(cipher);
    QTRY_VERIFY(examined.count() >= 1);
    QTRY_VERIFY(panel->findChild<QTableWidget *>(QStringLiteral("columnProfiles"))->rowCount() > 0);

    const SymbolSequence symbols = Alphabet::indicesOf(cipher);
    QCOMPARE(panel->findChild<QSpinBox *>(QStringLiteral("columnPeriod"))->value(), period);
    QCOMPARE(panel->chartSvg(), coincidenceChartSvg(coincidenceByPeriod(symbols), period));
    const QString summary = panel->findChild<QLabel *>(QStringLiteral("periodSummary"))->text();
    QVERIFY2(summary.contains(QStringLiteral("Символов алфавита: %1.").arg(symbols.size())), qPrintable(summary));
    auto *repeats = panel->findChild<QTableWidget *>(QStringLiteral("kasiskiTable"));
    QCOMPARE(repeats->rowCount(), int(qMin(examineKasiski(symbols).repeats.size(), size_t(PeriodPanel::ShownRepeats))));

    chooseFamily(window, QStringLiteral("mono"));
    QVERIFY(!views->isTabVisible(views->indexOf(panel)));
    QCOMPARE(views->currentIndex(), 0);
}

// At the keyword's length each column is Russian shifted by its key symbol,
// so the space, the commonest symbol, lands on the key symbol itself and the
// columns' peaks spell the keyword; at another period they do not.
void LabTest::columnProfilesFollowThePeriod()
{
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("vigenere"));
    PeriodPanel *panel = window.frequencyPage()->periodPanel();
    QSignalSpy shown(panel, &PeriodPanel::columnsShown);
    const QString keyword = QStringLiteral("КЛЮЧ");
    window.cipherPage()->plainPane()->setText(LongStory);
    window.cipherPage()->cipherPane()->setText(
        SymbolCipher(familyKey(QStringLiteral("vigenere"), KeyForm::Keyword, keyword)).encrypt(LongStory));
    QTRY_VERIFY(shown.count() >= 1);
    auto *table = panel->findChild<QTableWidget *>(QStringLiteral("columnProfiles"));
    auto *period = panel->findChild<QSpinBox *>(QStringLiteral("columnPeriod"));
    QCOMPARE(period->value(), 4);
    // The plaintext's row first, then one a column.
    QCOMPARE(table->rowCount(), 5);
    QCOMPARE(peakOfRow(table, 0), QStringLiteral("␣"));
    QString peaks;
    for (int row = 1; row < table->rowCount(); ++row)
        peaks += peakOfRow(table, row);
    QCOMPARE(peaks, keyword);

    shown.clear();
    period->setValue(3);
    QTRY_VERIFY(shown.count() >= 1);
    QCOMPARE(table->rowCount(), 4);
    peaks.clear();
    for (int row = 1; row < table->rowCount(); ++row)
        peaks += peakOfRow(table, row);
    QVERIFY2(peaks != keyword.left(3), qPrintable(peaks));
    QVERIFY(panel->chartSvg().contains("период 3"));
}

// A short Vigenère text falls to the attack tab; its plaintext is the text
// as the true key deciphers it, and the key goes to the key tab.
void LabTest::familyAttackBreaksAShortText()
{
    const QString plain = symbolsOfText(Story, 300);
    const SymbolKey key = familyKey(QStringLiteral("vigenere"), KeyForm::Keyword, QStringLiteral("КЛЮЧ"));
    const QString cipher = SymbolCipher(key).encrypt(plain);
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("vigenere"));
    window.cipherPage()->cipherPane()->setText(cipher);
    QTest::mouseClick(window.cipherPage()->findChild<QAbstractButton *>(QStringLiteral("attackCipherTextButton")),
                      Qt::LeftButton);
    AttackPage *page = window.attackPage();
    QCOMPARE(page->cipherPane()->text(), cipher);
    QCOMPARE(page->findChild<QLineEdit *>(QStringLiteral("attackLocks"))->placeholderText(),
             QStringLiteral("НОМЕР=БУКВА, через запятую"));
    page->findChild<QDoubleSpinBox *>(QStringLiteral("timeLimit"))->setValue(20);
    page->findChild<QLineEdit *>(QStringLiteral("attackSeed"))->setText(QStringLiteral("1"));
    QSignalSpy progressed(page->familyWorker(), &FamilyAttackWorker::progressed);
    QTest::mouseClick(page->findChild<QAbstractButton *>(QStringLiteral("attackButton")), Qt::LeftButton);
    QVERIFY(page->familyWorker()->isRunning());
    QVERIFY(!page->startAction()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(page->familyResult().has_value(), 120000);
    QVERIFY(progressed.count() >= 1);

    auto *found = page->findChild<QPlainTextEdit *>(QStringLiteral("bestPlaintext"));
    QTRY_COMPARE(found->toPlainText(), decipherWith(key, cipher));
    const QString summary = page->findChild<QLabel *>(QStringLiteral("attackSummary"))->text();
    QVERIFY2(summary.contains(QStringLiteral("«КЛЮЧ»")), qPrintable(summary));
    QVERIFY(page->findChild<QListWidget *>(QStringLiteral("attackReasons"))->count() > 0);
    // Each free cell shows the found symbol as its hint.
    QCOMPARE(page->findChild<QSpinBox *>(QStringLiteral("keywordLength"))->value(), 4);
    QCOMPARE(page->findChild<QLineEdit *>(QStringLiteral("keywordCell2"))->placeholderText(), QStringLiteral("Л"));

    const QString sample = QStringLiteral("СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ БУЛОК");
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("useFoundKeyButton")), Qt::LeftButton);
    QCOMPARE(window.keyPage()->family().name(), QStringLiteral("vigenere"));
    QVERIFY(window.keyPage()->symbolModel()->cipher());
    QCOMPARE(window.keyPage()->symbolModel()->cipher()->encrypt(sample), SymbolCipher(key).encrypt(sample));
}

void LabTest::badFamilyLocksRunNothing_data()
{
    QTest::addColumn<QString>("locks");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("crib");
    QTest::addColumn<QString>("problem");
    QTest::newRow("a position from 0 in the locks field")
        << QStringLiteral("0=К") << QString() << QString()
        << QStringLiteral("0=К: ожидается НОМЕР=БУКВА, номер буквы ключевого слова от 1");
    QTest::newRow("a Latin letter in a keyword cell")
        << QString() << QStringLiteral("Q") << QString() << QStringLiteral("2=Q: «Q» — не символ алфавита");
    QTest::newRow("a crib the keyword attack takes none of")
        << QString() << QString() << QStringLiteral("СЛОВО") << QStringLiteral("СЛОВО: подсказка-слово");
}

// A lock or crib the family cannot read is named before anything runs, and
// the page keeps what it showed.
void LabTest::badFamilyLocksRunNothing()
{
    QFETCH(QString, locks);
    QFETCH(QString, cell);
    QFETCH(QString, crib);
    QFETCH(QString, problem);
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("vigenere"));
    AttackPage *page = window.attackPage();
    page->cipherPane()->setText(SymbolCipher(familyKey(QStringLiteral("vigenere"), KeyForm::Keyword,
                                                       QStringLiteral("КЛЮЧ")))
                                    .encrypt(Story));
    page->findChild<QLineEdit *>(QStringLiteral("attackLocks"))->setText(locks);
    page->findChild<QLineEdit *>(QStringLiteral("keywordCell2"))->setText(cell);
    page->findChild<QLineEdit *>(QStringLiteral("crib"))->setText(crib);
    const QString summary = page->findChild<QLabel *>(QStringLiteral("attackSummary"))->text();
    QSignalSpy finished(page->familyWorker(), &FamilyAttackWorker::finished);

    ModalAnswerer answerer;
    answerer.then(pressOk);
    QTest::mouseClick(page->findChild<QAbstractButton *>(QStringLiteral("attackButton")), Qt::LeftButton);
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(answerer.unexpected, 0);
    QVERIFY2(answerer.seen.first().startsWith(QStringLiteral("Вскрытие|Вскрыть нельзя: ") + problem),
             qPrintable(answerer.seen.first()));
    QVERIFY(!page->isRunning());
    QCOMPARE(finished.count(), 0);
    QVERIFY(!page->familyResult());
    QCOMPARE(page->findChild<QLabel *>(QStringLiteral("attackSummary"))->text(), summary);
    QCOMPARE(page->findChild<QProgressBar *>(QStringLiteral("attackProgress"))->text(), QString());
    QVERIFY(page->startAction()->isEnabled());
    QVERIFY(!page->stopAction()->isEnabled());
}

// Stop pressed as the search starts: it ends at its first look at the clock,
// well before the limit, and still gives a key the tabs can use.
void LabTest::stopEndsAFamilySearch()
{
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("autokey"));
    AttackPage *page = window.attackPage();
    page->cipherPane()->setText(symbolNoise(3000));
    page->findChild<QDoubleSpinBox *>(QStringLiteral("timeLimit"))->setValue(600);
    page->startAction()->trigger();
    QVERIFY(page->isRunning());
    QTest::mouseClick(page->findChild<QAbstractButton *>(QStringLiteral("stopButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(page->familyResult().has_value(), 60000);
    const QString progress = page->findChild<QProgressBar *>(QStringLiteral("attackProgress"))->text();
    QVERIFY2(progress.startsWith(QStringLiteral("остановлено: ")), qPrintable(progress));
    QVERIFY(page->familyResult()->cutShort);
    QVERIFY(!page->familyResult()->key.shifts.empty());
    QVERIFY(page->startAction()->isEnabled());
    QVERIFY(page->findChild<QPushButton *>(QStringLiteral("useFoundKeyButton"))->isEnabled());
    QTRY_VERIFY(!page->findChild<QPlainTextEdit *>(QStringLiteral("bestPlaintext"))->toPlainText().isEmpty());
}

void LabTest::rectangleShowsTheKeyword_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("symbols");

    QTest::newRow("Playfair: the keyword, then the space and А") << "playfair" << 0 << "ШИФР␣АБВ";
    QTest::newRow("Playfair: the keyword's letters left out below") << "playfair" << 1 << "ГДЕЖЗКЛМ";
    QTest::newRow("Playfair: the last row") << "playfair" << 3 << "ЧЩЪЫЬЭЮЯ";
    QTest::newRow("two-square: the first rectangle, left") << "two-square" << 2 << "НОПСТУХЦ|РСТУФХЦЧ";
    QTest::newRow("two-square: the second keyword, right") << "two-square" << 0 << "ШИФР␣АБВ|ЗАМОК␣БВ";
}

// The rectangles are drawn row by row as the keywords fill them.
void LabTest::rectangleShowsTheKeyword()
{
    QFETCH(QString, family);
    QFETCH(int, row);
    QFETCH(QString, symbols);
    LabWindow window;
    window.show();
    typeBlockKeywords(window, family, FirstKeyword, SecondKeyword);
    auto *drawing = window.keyPage()->findChild<QTableView *>(QStringLiteral("polygramDrawing"));
    QVERIFY(drawing->isVisible());
    QAbstractItemModel *model = drawing->model();
    QString shown;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString cell = model->index(row, column).data().toString();
        shown += column == Polygram::Columns ? QStringLiteral("|") : cell;
    }
    QCOMPARE(shown, symbols);
}

void LabTest::dragSwapsTwoCells_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QPoint>("from"); // column, row of the drawing
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("first"); // keywords giving the swapped rectangles; empty: refused
    QTest::addColumn<QString>("second");

    QTest::newRow("Playfair: Ш onto И, as the keyword ИШФР would have it")
        << "playfair" << QPoint(0, 0) << QPoint(1, 0) << "ишфр" << QString();
    QTest::newRow("Playfair: Р onto Ф, as the keyword ШИРФ would have it")
        << "playfair" << QPoint(3, 0) << QPoint(2, 0) << "ширф" << QString();
    QTest::newRow("two-square: within the second rectangle, З onto А")
        << "two-square" << QPoint(9, 0) << QPoint(10, 0) << "шифр" << "азмок";
    QTest::newRow("two-square: from one rectangle to the other is refused")
        << "two-square" << QPoint(0, 0) << QPoint(9, 0) << QString() << QString();
}

// A symbol dropped on another cell swaps the two; the key is the swapped
// rectangle, and ciphering uses it as the library does.
void LabTest::dragSwapsTwoCells()
{
    QFETCH(QString, family);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, first);
    QFETCH(QString, second);
    LabWindow window;
    window.show();
    typeBlockKeywords(window, family, FirstKeyword, SecondKeyword);
    CipherPage *page = window.cipherPage();
    page->plainPane()->setText(Lines);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    const QString before = page->cipherPane()->text();

    PolygramKeyModel *model = window.keyPage()->polygramModel();
    const QModelIndex source = model->index(from.y(), from.x());
    const QModelIndex target = model->index(to.y(), to.x());
    const QString sourceSymbol = source.data().toString();
    const QString targetSymbol = target.data().toString();
    std::unique_ptr<QMimeData> dragged(model->mimeData({source}));
    QVERIFY(dragged);
    const bool dropped = model->dropMimeData(dragged.get(), Qt::CopyAction, -1, -1, target);
    QCOMPARE(dropped, !first.isEmpty());
    if (first.isEmpty()) {
        QCOMPARE(model->index(from.y(), from.x()).data().toString(), sourceSymbol);
        QCOMPARE(model->index(to.y(), to.x()).data().toString(), targetSymbol);
        return;
    }
    QCOMPARE(model->index(from.y(), from.x()).data().toString(), targetSymbol);
    QCOMPARE(model->index(to.y(), to.x()).data().toString(), sourceSymbol);

    QStringList keywords {first};
    if (!second.isEmpty())
        keywords << second;
    QString problem;
    const std::optional<SymbolKey> swapped = cipherFamily(family)->keyFromValues(KeyForm::Keyword, keywords, problem);
    QVERIFY2(swapped, qPrintable(problem));
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    QCOMPARE(page->cipherPane()->text(), SymbolCipher(*swapped).encrypt(Lines));
    QVERIFY(page->cipherPane()->text() != before);
}

void LabTest::blockStepNamesTheRule_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("rule");   // the sentence's start
    QTest::addColumn<QString>("detail"); // a part of it
    QTest::addColumn<QString>("plain");  // the block's symbols marked in the plaintext
    QTest::addColumn<QString>("cipher"); // the block's cipher symbols marked in the ciphertext
    QTest::addColumn<QList<QPoint>>("cells"); // the plain symbols' cells, column and row

    // Under ШИФР (see FirstKeyword): Г and Д share row 2; Д and О column 2;
    // Г and О span a rectangle, each going to its own row's corner.
    QTest::newRow("Playfair, one row: each takes its right neighbour")
        << "playfair" << "ёж, гд" << 4 << "Блок «Г» «Д» → «Д» «Е». Одна строка"
        << "«Г» → «Д», «Д» → «Е»" << "гд" << "ДЕ" << QList<QPoint> {{0, 1}, {1, 1}};
    QTest::newRow("Playfair, one column: each takes the one below")
        << "playfair" << "до" << 1 << "Блок «Д» «О» → «О» «Щ». Один столбец"
        << "«Д» → «О», «О» → «Щ»" << "до" << "ОЩ" << QList<QPoint> {{1, 1}, {1, 2}};
    QTest::newRow("Playfair, a rectangle: each takes its row's corner")
        << "playfair" << "го" << 0 << "Блок «Г» «О» → «Д» «Н». Прямоугольник"
        << "«Г» → «Д», «О» → «Н»" << "го" << "ДН" << QList<QPoint> {{0, 1}, {1, 2}};
    // Л Л: Ъ goes between them; Л (row 2, column 7) and Ъ (row 4, column 3).
    QTest::newRow("Playfair, a filler between two equal symbols")
        << "playfair" << "лл" << 0 << "Блок «Л» «Ъ» → «Е» «Ю» («Ъ» — заполнитель"
        << "Прямоугольник" << "л" << "ЕЮ" << QList<QPoint> {{6, 1}, {2, 3}};
    // Г in the left rectangle (row 2, column 1), С in the right one (row 3,
    // column 2): the right's row 2 column 2 is Д, the left's row 3 column 1 Н.
    QTest::newRow("two-square: which rectangle each came from")
        << "two-square" << "гс" << 1 << "Блок «Г» «С» → «Д» «Н». Два прямоугольника"
        << "«Г» взят из левого (строка 2, столбец 1), «С» — из правого (строка 3, столбец 2)" << "гс" << "ДН"
        << QList<QPoint> {{0, 1}, {10, 2}};
    // P and Р are 15 and 16: 3·15 + 5·16 = 125 = 29 (Э), 2·15 + 7·16 = 142 = 14 (О).
    QTest::newRow("Hill: the column vector and the product mod 32")
        << "hill" << "пр" << 0 << "Блок «П» «Р» → «Э» «О». Вектор-столбец p = (15, 16)"
        << "K·p mod 32 = (3·15 + 5·16, 2·15 + 7·16) mod 32 = (125, 142) mod 32 = (29, 14)" << "пр" << "ЭО"
        << QList<QPoint> {};
}

// The cursor on a plaintext symbol marks its block in both texts and in the
// drawing, and says which rule took it.
void LabTest::blockStepNamesTheRule()
{
    QFETCH(QString, family);
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, rule);
    QFETCH(QString, detail);
    QFETCH(QString, plain);
    QFETCH(QString, cipher);
    QFETCH(QList<QPoint>, cells);
    LabWindow window;
    window.show();
    if (family == QLatin1String("hill"))
        chooseFamily(window, family); // its own example, 3 5; 2 7
    else
        typeBlockKeywords(window, family, FirstKeyword, SecondKeyword);
    KeyPage *keys = window.keyPage();
    CipherPage *page = window.cipherPage();
    page->plainPane()->setText(text);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    QPlainTextEdit *editor = page->plainPane()->editor();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(position);
    editor->setTextCursor(cursor);

    for (QWidget *tab : {static_cast<QWidget *>(page), static_cast<QWidget *>(keys)}) {
        const QString line = tab->findChild<QLabel *>(QStringLiteral("blockStep"))->text();
        QVERIFY2(line.startsWith(rule), qPrintable(line));
        QVERIFY2(line.contains(detail), qPrintable(line));
    }
    QList<QPoint> marked;
    for (const QModelIndex &cell : keys->polygramModel()->stepCells())
        marked << QPoint(cell.column(), cell.row());
    QCOMPARE(marked, cells);

    // The plaintext's symbols of the block (a filler has none) and the
    // ciphertext's symbols it became.
    QString plainMarked;
    for (const QTextEdit::ExtraSelection &selection : editor->extraSelections())
        plainMarked += selection.cursor.selectedText();
    QCOMPARE(plainMarked, plain);
    QString cipherMarked;
    for (const QTextEdit::ExtraSelection &selection : page->cipherPane()->editor()->extraSelections())
        cipherMarked += selection.cursor.selectedText();
    QCOMPARE(cipherMarked, cipher);
}

void LabTest::hillShowsDeterminantAndInverse_data()
{
    QTest::addColumn<QString>("matrix");
    QTest::addColumn<QString>("determinant");
    QTest::addColumn<QString>("inverse");

    // det = 3·7 − 5·2 = 11; 11·3 = 33 = 1 mod 32, so the inverse is
    // 3·(7 −5; −2 3) = (21 −15; −6 9) = (21 17; 26 9) mod 32.
    QTest::newRow("2 × 2, determinant 11") << "3 5; 2 7" << "Определитель по модулю 32: 11 — нечётный"
                                           << "21 17; 26 9";
    // det = 1·1·3 = 3, and 3·11 = 33 = 1 mod 32: the 2 above the diagonal goes
    // to −2 = 30, the 3 to 11.
    QTest::newRow("3 × 3, determinant 3") << "1 2 0; 0 1 0; 0 0 3" << "Определитель по модулю 32: 3 — нечётный"
                                          << "1 30 0; 0 1 0; 0 0 11";
    // Numbers are taken mod 32: 35 is 3.
    QTest::newRow("numbers past 31") << "35 5; 2 7" << "Определитель по модулю 32: 11 — нечётный" << "21 17; 26 9";
}

void LabTest::hillShowsDeterminantAndInverse()
{
    QFETCH(QString, matrix);
    QFETCH(QString, determinant);
    QFETCH(QString, inverse);
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("hill"));
    KeyPage *keys = window.keyPage();
    keys->findChild<QLineEdit *>(QStringLiteral("keyMatrix"))->setText(matrix);
    const QString shownDeterminant = keys->findChild<QLabel *>(QStringLiteral("matrixDeterminant"))->text();
    QVERIFY2(shownDeterminant.startsWith(determinant), qPrintable(shownDeterminant));
    const QString shownInverse = keys->findChild<QLabel *>(QStringLiteral("matrixInverse"))->text();
    QVERIFY2(shownInverse.endsWith(QStringLiteral(": ") + inverse), qPrintable(shownInverse));
    const int n = matrix.count(QLatin1Char(';')) + 1;
    auto *drawing = keys->findChild<QTableView *>(QStringLiteral("polygramDrawing"));
    QCOMPARE(drawing->model()->rowCount(), n);
    QCOMPARE(drawing->model()->columnCount(), n);
}

// A number edited in the drawing that makes the determinant even leaves no
// key: the reason is shown, ciphering refuses, the texts stay; the number
// mended, the key is back.
void LabTest::evenDeterminantIsNoKey()
{
    LabWindow window;
    window.show();
    chooseFamily(window, QStringLiteral("hill"));
    KeyPage *keys = window.keyPage();
    PolygramKeyModel *model = keys->polygramModel();
    QVERIFY(model->setData(model->index(0, 0), 4, Qt::EditRole));
    // (4 5; 2 7): 28 − 10 = 18.
    const QString shown = keys->findChild<QLabel *>(QStringLiteral("matrixDeterminant"))->text();
    QVERIFY2(shown.startsWith(QStringLiteral("Определитель по модулю 32: 18 — чётный")), qPrintable(shown));
    QVERIFY(keys->findChild<QLabel *>(QStringLiteral("matrixInverse"))->text().isEmpty());
    auto *problems = keys->findChild<QListWidget *>(QStringLiteral("keyProblems"));
    QCOMPARE(problems->count(), 1);
    QVERIFY2(problems->item(0)->text().contains(QStringLiteral("равен 18, чётное число")),
             qPrintable(problems->item(0)->text()));
    QCOMPARE(model->rowCount(), 2); // still there to be mended

    CipherPage *page = window.cipherPage();
    page->plainPane()->setText(QStringLiteral("открытый текст"));
    page->cipherPane()->setText(QStringLiteral("ПРЕЖНИЙ ШИФРТЕКСТ"));
    ModalAnswerer answerer;
    answerer.then(pressOk);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
    QTRY_VERIFY(answerer.allAnswered());
    QCOMPARE(answerer.unexpected, 0);
    QVERIFY2(answerer.seen.first().startsWith(QStringLiteral("Ключ с ошибкой|")), qPrintable(answerer.seen.first()));
    QTest::qWait(50);
    QVERIFY(!page->isBusy());
    QCOMPARE(page->plainPane()->text(), QStringLiteral("открытый текст"));
    QCOMPARE(page->cipherPane()->text(), QStringLiteral("ПРЕЖНИЙ ШИФРТЕКСТ"));

    QVERIFY(model->setData(model->index(0, 0), 3, Qt::EditRole));
    QCOMPARE(problems->count(), 0);
    QCOMPARE(keys->findChild<QLineEdit *>(QStringLiteral("keyMatrix"))->text(), QStringLiteral("3 5; 2 7"));
    QVERIFY(keys->findChild<QLabel *>(QStringLiteral("matrixInverse"))->text().endsWith(QStringLiteral("21 17; 26 9")));
}

// The filler chosen is the key's: a line of one symbol is filled with it.
void LabTest::fillerChosenIsTheKeys()
{
    LabWindow window;
    window.show();
    typeBlockKeywords(window, QStringLiteral("playfair"), FirstKeyword, SecondKeyword);
    auto *filler = window.keyPage()->findChild<QComboBox *>(QStringLiteral("keyFiller"));
    QCOMPARE(filler->currentText(), QStringLiteral("Ъ"));
    filler->setCurrentIndex(filler->findText(QStringLiteral("Х")));
    CipherPage *page = window.cipherPage();
    page->plainPane()->setText(QStringLiteral("г"));
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("encryptButton")), Qt::LeftButton);
    QTRY_VERIFY(!page->isBusy());
    // Г (row 2, column 1) and Х (row 3, column 7) span a rectangle: Г goes to
    // row 2, column 7, Л; Х to row 3, column 1, Н.
    QCOMPARE(page->cipherPane()->text(), QStringLiteral("ЛН"));
}

void LabTest::rectangleCellsBecomeLocks_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("rectangles");

    QTest::newRow("Playfair: one rectangle") << "playfair" << 1;
    QTest::newRow("two-square: two rectangles") << "two-square" << 2;
    QTest::newRow("Hill: no rectangle") << "hill" << 0;
}

// A symbol in a cell of the attack's rectangle is a lock on that cell,
// written as the family reads its locks, where the attack takes any.
void LabTest::rectangleCellsBecomeLocks()
{
    QFETCH(QString, family);
    QFETCH(int, rectangles);
    LabWindow window;
    window.show();
    chooseFamily(window, family);
    auto *panel = window.attackPage()->findChild<SymbolAttackPanel *>(QStringLiteral("symbolAttackPanel"));
    QVERIFY(panel);
    QCOMPARE(panel->findChild<QWidget *>(QStringLiteral("rectangleCells"))->isVisibleTo(panel), rectangles > 0);
    for (int rectangle = 0; rectangle < 2; ++rectangle)
        QCOMPARE(panel->rectangleCell(rectangle, 0, 0) != nullptr, rectangle < rectangles);
    if (rectangles == 0)
        return;
    QLineEdit *cell = panel->rectangleCell(rectangles - 1, 1, 2);
    const bool takesLocks = !cipherFamily(family)->lockForm().isEmpty();
    QCOMPARE(cell->isEnabled(), takesLocks);
    if (!takesLocks)
        return;
    type(cell, QStringLiteral("о"));
    QCOMPARE(cell->text(), QStringLiteral("О"));
    const QString lock = rectangles > 1 ? QStringLiteral("2:О=2,3") : QStringLiteral("О=2,3");
    QCOMPARE(panel->locks(), QStringList {lock});
}

// The row is a pair's first symbol and the column its second: АБ five times
// darkens row А, column Б, and leaves БА white; every cell can be pointed at.
void LabTest::pairHeatMapPutsTheFirstSymbolInTheRow()
{
    PairHeatMap map(QStringLiteral("Открытый текст"));
    map.resize(420, 440);
    map.show();
    PairHeatMap::Table counts {};
    counts[1 * 32 + 2] = 5; // А then Б
    counts[14 * 32 + 0] = 1; // О then the space
    map.setCounts(counts);
    QCOMPARE(map.total(), qint64(6));
    QCOMPARE(map.countAt(1, 2), qint64(5));
    QCOMPARE(map.countAt(2, 1), qint64(0));
    QVERIFY2(map.pairText(14, 0).startsWith(QStringLiteral("Пара «О␣»: 1 из 6")), qPrintable(map.pairText(14, 0)));

    const QImage image = map.grab().toImage();
    std::map<std::pair<int, int>, QPoint> inside;
    for (int y = 0; y < map.height(); ++y) {
        for (int x = 0; x < map.width(); ++x) {
            // A point well inside its cell, away from the borders.
            const auto pair = map.pairAt(QPoint(x, y));
            if (pair && map.pairAt(QPoint(x - 2, y - 2)) == pair && !inside.count(*pair))
                inside[*pair] = QPoint(x, y);
        }
    }
    QCOMPARE(int(inside.size()), 32 * 32);
    QVERIFY(inside.at({1, 2}).y() < inside.at({2, 1}).y());
    QVERIFY(inside.at({1, 2}).x() > inside.at({2, 1}).x());
    const QColor seen = image.pixelColor(inside.at({1, 2}));
    const QColor unseen = image.pixelColor(inside.at({2, 1}));
    QCOMPARE(unseen, QColor(Qt::white));
    QVERIFY(seen.lightness() < unseen.lightness());
    // The most frequent pair is darker than a rarer one.
    QVERIFY(seen.lightness() < image.pixelColor(inside.at({14, 0})).lightness());
}

void LabTest::foundBlockKeyIsDrawnOnTheKeyTab_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QPoint>("cell"); // column, row
    QTest::addColumn<QString>("shown");

    QTest::newRow("a Playfair rectangle: ШИРФ's Р third") << "playfair" << int(KeyForm::Keyword) << "ширф"
                                                          << QPoint(2, 0) << "Р";
    QTest::newRow("a Hill matrix 3 × 3: its last number") << "hill" << int(KeyForm::Matrix) << "1 2 0; 0 1 0; 0 0 3"
                                                          << QPoint(2, 2) << "3";
}

// A key the attack found goes to the key tab as a key given whole, drawn
// as the family draws it, the family chosen.
void LabTest::foundBlockKeyIsDrawnOnTheKeyTab()
{
    QFETCH(QString, family);
    QFETCH(int, form);
    QFETCH(QString, key);
    QFETCH(QPoint, cell);
    QFETCH(QString, shown);
    LabWindow window;
    window.show();
    KeyPage *keys = window.keyPage();
    keys->useSymbolKey(*cipherFamily(family), familyKey(family, KeyForm(form), key), QStringLiteral("найденный ключ"));
    QCOMPARE(keys->family().name(), family);
    QVERIFY(keys->findChild<QRadioButton *>(QStringLiteral("formWhole"))->isChecked());
    auto *drawing = keys->findChild<QTableView *>(QStringLiteral("polygramDrawing"));
    QVERIFY(drawing->isVisible());
    QCOMPARE(drawing->model()->index(cell.y(), cell.x()).data().toString(), shown);
    QCOMPARE(keys->findChild<QListWidget *>(QStringLiteral("keyProblems"))->count(), 0);
}

// The keyboard's drag: Ctrl+→ on Ш swaps it with И, as the keyword ИШФР
// would have them; Ctrl+← at the left edge has no neighbour and changes nothing.
void LabTest::ctrlArrowSwapsWithTheNeighbour()
{
    LabWindow window;
    window.show();
    typeBlockKeywords(window, QStringLiteral("playfair"), FirstKeyword, SecondKeyword);
    KeyPage *keys = window.keyPage();
    auto *drawing = keys->findChild<QTableView *>(QStringLiteral("polygramDrawing"));
    drawing->setCurrentIndex(drawing->model()->index(0, 0));
    QTest::keyClick(drawing, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(drawing->model()->index(0, 0).data().toString(), QStringLiteral("Ш"));
    QVERIFY(keys->findChild<QRadioButton *>(QStringLiteral("formKeyword"))->isChecked());
    QTest::keyClick(drawing, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(drawing->model()->index(0, 0).data().toString(), QStringLiteral("И"));
    QCOMPARE(drawing->model()->index(0, 1).data().toString(), QStringLiteral("Ш"));
    QCOMPARE(drawing->currentIndex(), drawing->model()->index(0, 1));
    QVERIFY(keys->findChild<QRadioButton *>(QStringLiteral("formWhole"))->isChecked());
    QCOMPARE(keys->symbolModel()->cipher()->key().alphabet, familyKey(QStringLiteral("playfair"), KeyForm::Keyword,
                                                                      QStringLiteral("ишфр")).alphabet);
}

QTEST_MAIN(LabTest)
#include "tst_lab.moc"
