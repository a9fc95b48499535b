#include "attackpage.h"

#include "frequencyreport.h"
#include "identificationreport.h"
#include "keypage.h"
#include "keytable.h"
#include "keytablemodel.h"
#include "languagemodel.h"
#include "symbolattackpanel.h"
#include "textpane.h"

#include <QAction>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>
#include <QVBoxLayout>

using namespace Cryptanalysis;

namespace {

QString choiceText(ChoiceMode choice)
{
    switch (choice) {
    case ChoiceMode::Cyclic:
        return QStringLiteral("по очереди");
    case ChoiceMode::Random:
        return QStringLiteral("случайный");
    case ChoiceMode::NotShown:
        break;
    }
    return QStringLiteral("не виден");
}

// A family's reasons may be whole sentences: after the colon they go on in
// lower case, and keep their own full stop.
void warnRefused(QWidget *parent, QString reason)
{
    if (reason.size() > 1 && reason.at(0).isUpper() && reason.at(1).isLower())
        reason[0] = reason.at(0).toLower();
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    QMessageBox::warning(parent, QStringLiteral("Вскрытие"), QStringLiteral("Вскрыть нельзя: ") + reason);
}

// A button for an action, sharing its text (without the menu's longer
// wording), enabled state and tooltip.
QToolButton *actionButton(QAction *action, const QString &name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

} // namespace

AttackPage::AttackPage(KeyPage *keys, QWidget *parent)
    : QWidget(parent)
    , m_keys(keys)
    , m_model(std::make_shared<LanguageModel>())
    , m_worker(new CrackWorker(this, m_model))
    , m_familyWorker(new FamilyAttackWorker(m_model, this))
    , m_cipher(new TextPane(QStringLiteral("Шифртекст для вскрытия"), QStringLiteral("attackText"), this))
    , m_timeLimit(new QDoubleSpinBox(this))
    , m_seed(new QLineEdit(this))
    , m_startAction(addAction(QStringLiteral("&Вскрыть"), QKeySequence(Qt::CTRL | Qt::Key_R),
                              QStringLiteral("attackAction"),
                              QStringLiteral("Новый поиск таблицы по частотам русского текста, без закреплённых "
                                             "кодов (Ctrl+R)")))
    , m_continueAction(addAction(QStringLiteral("&Продолжить с закреплёнными кодами"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), QStringLiteral("continueAction"),
                                 QStringLiteral("Искать снова, не меняя закреплённых кодов (Ctrl+Shift+R). Код "
                                                "закрепляется щелчком в найденной таблице или двойным щелчком в "
                                                "шифртексте")))
    , m_stopAction(addAction(QStringLiteral("&Стоп"), QKeySequence(Qt::Key_Escape), QStringLiteral("stopAction"),
                             QStringLiteral("Остановить поиск и оставить лучший ключ (Esc)")))
    , m_saveKeyAction(addAction(QStringLiteral("Сохранить найденный ключ…"), QKeySequence(),
                                QStringLiteral("saveFoundKeyAction"),
                                QStringLiteral("Записать найденную таблицу файлом ключа")))
    , m_identifyAction(addAction(QStringLiteral("&Определить шифр"), QKeySequence(Qt::CTRL | Qt::Key_I),
                                 QStringLiteral("identifyAction"),
                                 QStringLiteral("Узнать по статистике шифртекста, каким шифром он зашифрован, и "
                                                "выбрать этот шифр (Ctrl+I)")))
    , m_crib(new QLineEdit(this))
    , m_lockList(new QLabel(this))
    , m_useKey(new QPushButton(QStringLiteral("Ключ — в редактор"), this))
    , m_progress(new QProgressBar(this))
    , m_plaintext(new QPlainTextEdit(this))
    , m_summary(new QLabel(this))
    , m_continueButton(actionButton(m_continueAction, QStringLiteral("continueButton"), this))
    , m_found(new QStackedWidget(this))
    , m_foundTable(new QWidget(this))
    , m_symbolPanel(new SymbolAttackPanel(this))
    , m_foundKey(new KeyTableModel(this))
    , m_identifyModel(std::make_shared<LanguageModel>())
{
    setObjectName(QStringLiteral("attackPage"));
    m_timeLimit->setObjectName(QStringLiteral("timeLimit"));
    m_timeLimit->setRange(0.1, 600);
    m_timeLimit->setDecimals(1);
    m_timeLimit->setValue(10);
    m_timeLimit->setSuffix(QStringLiteral(" с"));
    m_timeLimit->setToolTip(QStringLiteral("Сколько секунд искать ключ; результат — лучший найденный"));
    m_seed->setObjectName(QStringLiteral("attackSeed"));
    m_seed->setPlaceholderText(QStringLiteral("случайно"));
    m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,20}")), m_seed));
    m_seed->setToolTip(QStringLiteral("С одним зерном поиск повторяется"));
    m_crib->setObjectName(QStringLiteral("crib"));
    m_crib->setPlaceholderText(QStringLiteral("слово из текста"));
    m_crib->setToolTip(QStringLiteral("Слово, которое наверняка есть в открытом тексте (несколько — через "
                                      "запятую): ключи, в которых оно читается, ценятся выше; не всякий шифр "
                                      "их принимает"));
    m_lockList->setObjectName(QStringLiteral("lockList"));
    m_lockList->setWordWrap(true);
    m_useKey->setObjectName(QStringLiteral("useFoundKeyButton"));
    m_useKey->setToolTip(QStringLiteral("Открыть найденный ключ на вкладке «Ключ», чтобы править, шифровать и "
                                        "сохранять его"));
    m_progress->setObjectName(QStringLiteral("attackProgress"));
    m_progress->setRange(0, 1000);
    m_progress->reset();
    m_plaintext->setObjectName(QStringLiteral("bestPlaintext"));
    m_plaintext->setReadOnly(true);
    m_plaintext->setPlaceholderText(QStringLiteral("Здесь появится лучший открытый текст"));
    m_summary->setObjectName(QStringLiteral("attackSummary"));
    m_summary->setWordWrap(true);
    m_foundKey->setEditable(false);
    auto *keyView = new QTableView(m_foundTable);
    keyView->setObjectName(QStringLiteral("foundKeyTable"));
    keyView->setModel(m_foundKey);
    fitKeyColumns(keyView);

    connect(m_startAction, &QAction::triggered, this, &AttackPage::startAttack);
    connect(m_stopAction, &QAction::triggered, this, &AttackPage::stopAttack);
    connect(m_continueAction, &QAction::triggered, this, &AttackPage::continueAttack);
    connect(m_saveKeyAction, &QAction::triggered, this, &AttackPage::saveFoundKey);
    connect(m_identifyAction, &QAction::triggered, this, &AttackPage::identifyCipher);
    connect(&m_identification, &QFutureWatcher<FamilyIdentification>::finished, this,
            &AttackPage::showIdentification);
    connect(keyView, &QTableView::clicked, this, [this](const QModelIndex &index) {
        const QString code = m_foundKey->data(index, Qt::DisplayRole).toString();
        if (index.column() > 0 && code.size() == 2)
            askLock(code.toInt());
    });
    m_cipher->editor()->viewport()->installEventFilter(this);
    connect(m_useKey, &QPushButton::clicked, this, &AttackPage::useFoundKey);
    connect(m_worker, &CrackWorker::progressed, this, &AttackPage::showProgress);
    connect(m_worker, &CrackWorker::finished, this, &AttackPage::showResult);
    connect(m_worker, &CrackWorker::refused, this, &AttackPage::refuse);
    connect(m_familyWorker, &FamilyAttackWorker::progressed, this, &AttackPage::showFamilyProgress);
    connect(m_familyWorker, &FamilyAttackWorker::finished, this, &AttackPage::showFamilyResult);
    connect(m_familyWorker, &FamilyAttackWorker::refused, this, &AttackPage::refuse);
    connect(&m_plaintextLayout, &QFutureWatcher<QTextDocument *>::finished, this, &AttackPage::showFoundPlaintext);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Лимит:"), this));
    controls->addWidget(m_timeLimit);
    controls->addWidget(new QLabel(QStringLiteral("зерно:"), this));
    controls->addWidget(m_seed);
    controls->addWidget(new QLabel(QStringLiteral("подсказка:"), this));
    controls->addWidget(m_crib);
    controls->addWidget(actionButton(m_identifyAction, QStringLiteral("identifyButton"), this));
    controls->addWidget(actionButton(m_startAction, QStringLiteral("attackButton"), this));
    controls->addWidget(m_continueButton);
    controls->addWidget(actionButton(m_stopAction, QStringLiteral("stopButton"), this));
    controls->addWidget(m_progress, 1);

    auto *found = new QWidget(this);
    auto *foundLayout = new QGridLayout(found);
    foundLayout->setContentsMargins(0, 0, 0, 0);
    foundLayout->addWidget(new QLabel(QStringLiteral("<b>Лучший открытый текст</b>"), found), 0, 0);
    foundLayout->addWidget(m_plaintext, 1, 0);
    auto *tableLayout = new QVBoxLayout(m_foundTable);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addWidget(new QLabel(QStringLiteral("<b>Найденная таблица</b>"), m_foundTable));
    tableLayout->addWidget(keyView, 1);
    tableLayout->addWidget(m_lockList);
    m_found->addWidget(m_foundTable);
    m_found->addWidget(m_symbolPanel);
    foundLayout->addWidget(m_found, 0, 1, 2, 1);
    auto *keyButtons = new QHBoxLayout;
    keyButtons->addWidget(m_useKey);
    keyButtons->addWidget(actionButton(m_saveKeyAction, QStringLiteral("saveFoundKeyButton"), found));
    foundLayout->addLayout(keyButtons, 2, 1);
    foundLayout->addWidget(m_summary, 2, 0);
    foundLayout->setColumnStretch(0, 3);
    foundLayout->setColumnStretch(1, 2);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_cipher);
    splitter->addWidget(found);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(splitter, 1);
    setRunning(false);
    showLocks();
    connect(keys, &KeyPage::familyChanged, this, &AttackPage::followFamily);
    followFamily();
}

// Codes are fixed in the homophonic search's table; another family's locks
// are written as the family reads them.
void AttackPage::followFamily()
{
    const CipherFamily &family = m_keys->family();
    const bool homophonic = family.isHomophonic();
    m_found->setCurrentWidget(homophonic ? m_foundTable : static_cast<QWidget *>(m_symbolPanel));
    m_symbolPanel->setFamily(family);
    m_continueButton->setVisible(homophonic);
    m_startAction->setToolTip(homophonic ? QStringLiteral("Новый поиск таблицы по частотам русского текста, без "
                                                          "закреплённых кодов (Ctrl+R)")
                                         : QStringLiteral("Поиск ключа: %1; закреплённое соблюдается (Ctrl+R)")
                                               .arg(family.title()));
    m_saveKeyAction->setToolTip(homophonic ? QStringLiteral("Записать найденную таблицу файлом ключа")
                                           : QStringLiteral("Открыть найденный ключ на вкладке «Ключ» и записать "
                                                            "его файлом ключа"));
    setRunning(isRunning());
}

QAction *AttackPage::addAction(const QString &text, const QKeySequence &shortcut, const QString &name,
                               const QString &tip)
{
    auto *action = new QAction(text, this);
    action->setShortcut(shortcut);
    action->setObjectName(name);
    action->setToolTip(tip);
    return action;
}

// A plaintext not shown yet is nobody's but this page's.
AttackPage::~AttackPage()
{
    dropPlaintextLayout();
    m_identification.waitForFinished();
}

void AttackPage::identifyCipher()
{
    if (m_identification.isRunning())
        return;
    m_identifyAction->setEnabled(false);
    m_summary->setText(QStringLiteral("Определяю шифр…"));
    const std::shared_ptr<LanguageModel> model = m_identifyModel;
    const QString text = m_cipher->text();
    m_identification.setFuture(QtConcurrent::run([model, text] {
        QString error;
        if (!model->isValid() && !model->loadBuiltIn(&error)) {
            FamilyIdentification refused;
            refused.problem = QStringLiteral("модель языка не загружена: ") + error;
            return refused;
        }
        return identifyFamily(text, *model);
    }));
}

void AttackPage::showIdentification()
{
    m_identifyAction->setEnabled(true);
    const FamilyIdentification identification = m_identification.result();
    const CipherFamily *family = identifiedFamily(identification);
    if (!family) {
        m_summary->setText(QStringLiteral("Шифр не определён: ") + identification.problem);
        return;
    }
    QStringList lines = identificationReasons(identification);
    lines.first()[0] = lines.first().at(0).toUpper();
    for (std::size_t i = 2; i < identification.ranking.size(); ++i)
        lines << QStringLiteral("%1. ").arg(i + 1) + guessTitle(identification.ranking[i]);
    m_summary->setText(lines.join(QLatin1Char('\n')));
    m_summary->setToolTip(identificationRanking(identification).join(QLatin1Char('\n')));
    if (!isRunning())
        m_keys->setFamily(*family);
}

void AttackPage::dropPlaintextLayout()
{
    if (m_layingOut) {
        m_plaintextLayout.waitForFinished();
        delete m_plaintextLayout.result();
        m_layingOut = false;
    }
}

void AttackPage::startAttack()
{
    if (!isRunning())
        run({});
}

void AttackPage::continueAttack()
{
    if (!isRunning() && m_keys->family().isHomophonic())
        run(m_locks);
}

QStringList AttackPage::cribs() const
{
    QStringList cribs;
    for (const QString &crib : m_crib->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!crib.trimmed().isEmpty())
            cribs << crib.trimmed();
    }
    return cribs;
}

// The seed typed, or a random one; empty (after a message) when it is no number.
std::optional<quint64> AttackPage::seed()
{
    if (m_seed->text().isEmpty())
        return QRandomGenerator::system()->generate64();
    bool ok = false;
    const quint64 seed = m_seed->text().toULongLong(&ok);
    if (!ok) {
        warnRefused(this, QStringLiteral("зерно — целое число от 0 до 18446744073709551615"));
        return std::nullopt;
    }
    return seed;
}

void AttackPage::run(const std::map<int, int> &locks)
{
    const std::optional<quint64> seed = this->seed();
    if (!seed)
        return;
    if (!m_keys->family().isHomophonic()) {
        runFamily(*seed);
        return;
    }
    CrackRequest request;
    for (const auto &[code, row] : locks)
        request.locks.push_back({ code, row });
    request.cribs = cribs();
    request.cipherText = m_cipher->text();
    request.timeLimitSeconds = m_timeLimit->value();
    request.seed = *seed;
    QString error;
    if (!m_worker->start(request, &error)) {
        warnRefused(this, error);
        return;
    }
    beginRun();
    m_locks = locks;
    showLocks();
}

void AttackPage::runFamily(quint64 seed)
{
    FamilyAttackRequest request;
    request.cipherText = m_cipher->text();
    request.seed = seed;
    request.timeLimitSeconds = m_timeLimit->value();
    request.locks = m_symbolPanel->locks();
    request.cribs = cribs();
    QString error;
    if (!m_familyWorker->start(m_keys->family(), request, &error)) {
        warnRefused(this, error);
        return;
    }
    beginRun();
}

// What a refused search puts back is kept first.
void AttackPage::beginRun()
{
    m_beforeRun = { m_locks, m_summary->text(), m_progress->value(), m_progress->format() };
    m_progress->setValue(0);
    m_progress->setFormat(QStringLiteral("чтение шифртекста…"));
    m_summary->setText(QStringLiteral("Идёт поиск…"));
    setRunning(true);
}

// The search's thread found the text or a lock unfit: a search that never
// ran leaves the page as it was.
void AttackPage::refuse(const QString &reason)
{
    m_locks = m_beforeRun.locks;
    showLocks();
    m_summary->setText(m_beforeRun.summary);
    m_progress->setFormat(m_beforeRun.progressFormat);
    if (m_beforeRun.progress < m_progress->minimum())
        m_progress->reset();
    else
        m_progress->setValue(m_beforeRun.progress);
    setRunning(false);
    warnRefused(this, reason);
}

void AttackPage::stopAttack()
{
    m_worker->stop();
    m_familyWorker->stop();
}

void AttackPage::showProgress(const CrackProgress &progress)
{
    m_progress->setValue(int(qBound(0.0, progress.elapsedSeconds / m_timeLimit->value(), 1.0) * 1000));
    m_progress->setFormat(QStringLiteral("прошло %1 из %2 с")
                              .arg(decimalText(progress.elapsedSeconds, 1), decimalText(m_timeLimit->value(), 1)));
    if (progress.plaintextChanged)
        m_plaintext->setPlainText(progress.bestPlaintext);
    m_summary->setText(QStringLiteral("%1 с, перезапусков %2, оценка %3 нат на символ")
                           .arg(decimalText(progress.elapsedSeconds, 1))
                           .arg(progress.restarts)
                           .arg(decimalText(progress.bestScore, 3)));
}

void AttackPage::showResult(const CrackResult &result, const QString &plaintext, bool stopped, const QString &error)
{
    setRunning(false);
    if (!error.isEmpty()) {
        m_progress->reset();
        m_summary->setText(error);
        QMessageBox::critical(this, QStringLiteral("Вскрытие"), QStringLiteral("Вскрыть не удалось: ") + error);
        return;
    }
    m_result = result;
    showFinishedProgress(result.seconds, stopped);
    layOutPlaintext(plaintext);
    m_foundKey->setTable(result.table, QStringLiteral("найденный ключ"));
    QString summary = QStringLiteral("%1Таблица: %2; k = %3; выбор кодов: %4; оценка %5 нат на символ; %6 с.")
                          .arg(stopped ? QStringLiteral("Остановлено, показан лучший ключ. ") : QString(),
                               result.fixedTable ? QStringLiteral("постоянная") : QStringLiteral("восстановлена"))
                          .arg(result.alphabetCount)
                          .arg(choiceText(result.choice), decimalText(result.score, 3), decimalText(result.seconds, 2));
    m_summary->setText(summary);
    setRunning(false);
}

void AttackPage::showFinishedProgress(double seconds, bool stopped)
{
    m_progress->setValue(m_progress->maximum());
    m_progress->setFormat((stopped ? QStringLiteral("остановлено: %1 с") : QStringLiteral("готово: %1 с"))
                              .arg(decimalText(seconds, 1)));
}

// A whole long plaintext takes as long to lay out as to open a file.
void AttackPage::layOutPlaintext(const QString &plaintext)
{
    QThread *const pageThread = thread();
    const QFont font = m_plaintext->font();
    dropPlaintextLayout();
    m_layingOut = true;
    m_plaintextLayout.setFuture(
        QtConcurrent::run([plaintext, pageThread, font] { return textDocument(plaintext, pageThread, font); }));
}

void AttackPage::showFamilyProgress(double seconds, double score, const QString &plaintextStart)
{
    m_progress->setValue(int(qBound(0.0, seconds / m_timeLimit->value(), 1.0) * 1000));
    m_progress->setFormat(QStringLiteral("прошло %1 из %2 с")
                              .arg(decimalText(seconds, 1), decimalText(m_timeLimit->value(), 1)));
    m_plaintext->setPlainText(plaintextStart);
    m_summary->setText(QStringLiteral("%1 с, лучшая оценка %2 нат на символ")
                           .arg(decimalText(seconds, 1), decimalText(score, 3)));
}

void AttackPage::showFamilyResult(const FamilyAttackResult &result, const QString &plaintext, bool stopped,
                                  const QString &error)
{
    setRunning(false);
    if (!error.isEmpty()) {
        m_progress->reset();
        m_summary->setText(error);
        QMessageBox::critical(this, QStringLiteral("Вскрытие"), QStringLiteral("Вскрыть не удалось: ") + error);
        return;
    }
    m_familyResult = result;
    showFinishedProgress(result.seconds, stopped);
    layOutPlaintext(plaintext);
    m_symbolPanel->showFound(result);
    m_summary->setText(QStringLiteral("%1%2; оценка %3 нат на символ: %4; %5 с.")
                           .arg(stopped ? QStringLiteral("Остановлено, показан лучший ключ. ")
                                        : result.cutShort ? QStringLiteral("Время вышло, показан лучший ключ. ")
                                                          : QString(),
                                result.family->keyText(result.key), decimalText(result.score, 3),
                                result.readsAsRussian ? QStringLiteral("читается как русский текст")
                                                      : QStringLiteral("на русский текст не похоже"),
                                decimalText(result.seconds, 2)));
    setRunning(false);
}

bool AttackPage::hasFoundKey() const
{
    return m_keys->family().isHomophonic() ? m_result.has_value() : m_familyResult.has_value();
}

void AttackPage::useFoundKey()
{
    if (m_keys->family().isHomophonic()) {
        if (m_result)
            m_keys->useTable(m_result->table, QStringLiteral("найденный ключ"));
    } else if (m_familyResult) {
        m_keys->useSymbolKey(*m_familyResult->family, m_familyResult->key, QStringLiteral("найденный ключ"));
    }
}

void AttackPage::showFoundPlaintext()
{
    QTextDocument *const document = m_plaintextLayout.result();
    m_layingOut = false;
    // A search started since shows its own progress.
    if (isRunning())
        delete document;
    else
        showDocument(m_plaintext, document);
}

void AttackPage::saveFoundKey()
{
    // A symbol family's key is saved where every such key is, after it is
    // handed to the key tab.
    if (!m_keys->family().isHomophonic()) {
        if (m_familyResult) {
            useFoundKey();
            m_keys->saveKeyAs();
        }
        return;
    }
    if (!m_result)
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить найденный ключ"), QString(),
                                                      QStringLiteral("Файлы ключа (*.txt *.key);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    QString comment = QStringLiteral("# Таблица восстановлена в лаборатории по шифртексту.\n");
    comment += Cryptanalysis::unseenCodesComment(*m_result);
    QString error;
    if (!saveKeyFile(path, m_result->table, comment, &error)) {
        QMessageBox::critical(this, QStringLiteral("Ключ не сохранён"),
                              QStringLiteral("Не удалось сохранить файл ключа:\n%1\n%2")
                                  .arg(QDir::toNativeSeparators(path), error));
    }
}

void AttackPage::setLock(int code, int row)
{
    if (row < 0)
        m_locks.erase(code);
    else
        m_locks[code] = row;
    showLocks();
}

// A double click selects the word under the mouse; when it is a code, it is
// the code to fix.
bool AttackPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cipher->editor()->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        QTimer::singleShot(0, this, [this] {
            const QString word = m_cipher->editor()->textCursor().selectedText();
            if (word.size() == 2 && word.at(0).isDigit() && word.at(1).isDigit() && word.at(0).unicode() < 0x80
                && word.at(1).unicode() < 0x80)
                askLock(word.toInt());
        });
    }
    return QWidget::eventFilter(watched, event);
}

void AttackPage::askLock(int code)
{
    if (isRunning() || !m_keys->family().isHomophonic())
        return;
    const KeyTable &fixed = fixedKeyTable();
    QStringList items;
    for (const KeyRow &row : fixed)
        items << (row.symbol == QLatin1String(" ") ? QStringLiteral("␣ (пробел)") : row.symbol);
    const QString free = QStringLiteral("— не закреплять —");
    items << free;
    int current = int(items.size()) - 1;
    if (const auto locked = m_locks.find(code); locked != m_locks.end())
        current = locked->second;
    else if (m_result && m_result->symbolOfCode[size_t(code)] >= 0)
        current = m_result->symbolOfCode[size_t(code)];
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, QStringLiteral("Закрепить код"),
                                                 QStringLiteral("Символ кода %1:").arg(codeText(code)),
                                                 items, current, false, &ok);
    if (ok)
        setLock(code, chosen == free ? -1 : int(items.indexOf(chosen)));
}

void AttackPage::showLocks()
{
    QStringList marked;
    QStringList shown;
    for (const auto &[code, row] : m_locks) {
        const QString codeDigits = codeText(code);
        const QString symbol = fixedKeyTable()[size_t(row)].symbol;
        marked << codeDigits;
        shown << codeDigits + QStringLiteral(" = ") + (symbol == QLatin1String(" ") ? QStringLiteral("␣") : symbol);
    }
    m_foundKey->setMarkedCodes(marked);
    m_lockList->setText(shown.isEmpty()
                            ? QStringLiteral("Закреплённых кодов нет: щёлкните код в найденной таблице или дважды "
                                             "щёлкните его в шифртексте.")
                            : QStringLiteral("Закреплены: ") + shown.join(QStringLiteral(", ")));
    m_continueAction->setEnabled(!isRunning() && !m_locks.empty() && m_keys->family().isHomophonic());
}

void AttackPage::setRunning(bool running)
{
    m_startAction->setEnabled(!running);
    m_continueAction->setEnabled(!running && !m_locks.empty() && m_keys->family().isHomophonic());
    m_crib->setEnabled(!running);
    m_stopAction->setEnabled(running);
    m_timeLimit->setEnabled(!running);
    m_symbolPanel->setEditable(!running);
    m_saveKeyAction->setEnabled(!running && hasFoundKey());
    m_useKey->setEnabled(!running && hasFoundKey());
}
