#include "attackpage.h"

#include "frequencyreport.h"
#include "keypage.h"
#include "keytable.h"
#include "keytablemodel.h"
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

void warnRefused(QWidget *parent, const QString &reason)
{
    QMessageBox::warning(parent, QStringLiteral("Вскрытие"), QStringLiteral("Вскрыть нельзя: ") + reason + QLatin1Char('.'));
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
    , m_worker(new CrackWorker(this))
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
    , m_crib(new QLineEdit(this))
    , m_lockList(new QLabel(this))
    , m_useKey(new QPushButton(QStringLiteral("Ключ — в редактор"), this))
    , m_progress(new QProgressBar(this))
    , m_plaintext(new QPlainTextEdit(this))
    , m_summary(new QLabel(this))
    , m_familyNote(new QLabel(this))
    , m_foundKey(new KeyTableModel(this))
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
                                      "запятую): ключи, в которых оно читается, ценятся выше"));
    m_lockList->setObjectName(QStringLiteral("lockList"));
    m_lockList->setWordWrap(true);
    m_useKey->setObjectName(QStringLiteral("useFoundKeyButton"));
    m_useKey->setToolTip(QStringLiteral("Открыть найденную таблицу на вкладке «Ключ», чтобы править и шифровать ею"));
    m_progress->setObjectName(QStringLiteral("attackProgress"));
    m_progress->setRange(0, 1000);
    m_progress->reset();
    m_plaintext->setObjectName(QStringLiteral("bestPlaintext"));
    m_plaintext->setReadOnly(true);
    m_plaintext->setPlaceholderText(QStringLiteral("Здесь появится лучший открытый текст"));
    m_summary->setObjectName(QStringLiteral("attackSummary"));
    m_summary->setWordWrap(true);
    m_familyNote->setObjectName(QStringLiteral("attackFamilyNote"));
    m_familyNote->setWordWrap(true);
    m_familyNote->setStyleSheet(QStringLiteral("color: #b00000"));
    m_foundKey->setEditable(false);
    auto *keyView = new QTableView(this);
    keyView->setObjectName(QStringLiteral("foundKeyTable"));
    keyView->setModel(m_foundKey);
    fitKeyColumns(keyView);

    connect(m_startAction, &QAction::triggered, this, &AttackPage::startAttack);
    connect(m_stopAction, &QAction::triggered, this, &AttackPage::stopAttack);
    connect(m_continueAction, &QAction::triggered, this, &AttackPage::continueAttack);
    connect(m_saveKeyAction, &QAction::triggered, this, &AttackPage::saveFoundKey);
    connect(keyView, &QTableView::clicked, this, [this](const QModelIndex &index) {
        const QString code = m_foundKey->data(index, Qt::DisplayRole).toString();
        if (index.column() > 0 && code.size() == 2)
            askLock(code.toInt());
    });
    m_cipher->editor()->viewport()->installEventFilter(this);
    connect(m_useKey, &QPushButton::clicked, this, [this] {
        if (m_result)
            m_keys->useTable(m_result->table, QStringLiteral("найденный ключ"));
    });
    connect(m_worker, &CrackWorker::progressed, this, &AttackPage::showProgress);
    connect(m_worker, &CrackWorker::finished, this, &AttackPage::showResult);
    connect(m_worker, &CrackWorker::refused, this, &AttackPage::refuse);
    connect(&m_plaintextLayout, &QFutureWatcher<QTextDocument *>::finished, this, &AttackPage::showFoundPlaintext);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Лимит:"), this));
    controls->addWidget(m_timeLimit);
    controls->addWidget(new QLabel(QStringLiteral("зерно:"), this));
    controls->addWidget(m_seed);
    controls->addWidget(new QLabel(QStringLiteral("подсказка:"), this));
    controls->addWidget(m_crib);
    controls->addWidget(actionButton(m_startAction, QStringLiteral("attackButton"), this));
    controls->addWidget(actionButton(m_continueAction, QStringLiteral("continueButton"), this));
    controls->addWidget(actionButton(m_stopAction, QStringLiteral("stopButton"), this));
    controls->addWidget(m_progress, 1);

    auto *found = new QWidget(this);
    auto *foundLayout = new QGridLayout(found);
    foundLayout->setContentsMargins(0, 0, 0, 0);
    foundLayout->addWidget(new QLabel(QStringLiteral("<b>Лучший открытый текст</b>"), found), 0, 0);
    foundLayout->addWidget(m_plaintext, 1, 0);
    foundLayout->addWidget(new QLabel(QStringLiteral("<b>Найденная таблица</b>"), found), 0, 1);
    foundLayout->addWidget(keyView, 1, 1);
    auto *keyButtons = new QHBoxLayout;
    keyButtons->addWidget(m_useKey);
    keyButtons->addWidget(actionButton(m_saveKeyAction, QStringLiteral("saveFoundKeyButton"), found));
    foundLayout->addLayout(keyButtons, 2, 1);
    auto *notes = new QVBoxLayout;
    notes->addWidget(m_summary);
    notes->addWidget(m_lockList);
    foundLayout->addLayout(notes, 2, 0);
    foundLayout->setColumnStretch(0, 3);
    foundLayout->setColumnStretch(1, 2);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_cipher);
    splitter->addWidget(found);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_familyNote);
    layout->addLayout(controls);
    layout->addWidget(splitter, 1);
    setRunning(false);
    showLocks();
    connect(keys, &KeyPage::familyChanged, this, &AttackPage::followFamily);
    followFamily();
}

// The search here is the homophonic one: run on another family's ciphertext
// it would find a table that means nothing.
void AttackPage::followFamily()
{
    const CipherFamily &family = m_keys->family();
    m_familyNote->setVisible(!family.isHomophonic());
    m_familyNote->setText(QStringLiteral("Выбран шифр: %1. Его вскрытие появится здесь позже; сейчас эта вкладка "
                                         "вскрывает только гомофоническую замену.")
                              .arg(family.title()));
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
    if (!m_worker->isRunning())
        run({});
}

void AttackPage::continueAttack()
{
    if (!m_worker->isRunning())
        run(m_locks);
}

void AttackPage::run(const std::map<int, int> &locks)
{
    if (!m_keys->family().isHomophonic()) {
        warnRefused(this, QStringLiteral("здесь пока вскрывается только гомофоническая замена, а в списке шифров "
                                         "выбрано: %1")
                              .arg(m_keys->family().title()));
        return;
    }
    CrackRequest request;
    for (const auto &[code, row] : locks)
        request.locks.push_back({ code, row });
    for (const QString &crib : m_crib->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!crib.trimmed().isEmpty())
            request.cribs << crib.trimmed();
    }
    request.cipherText = m_cipher->text();
    request.timeLimitSeconds = m_timeLimit->value();
    bool ok = true;
    request.seed = m_seed->text().isEmpty() ? QRandomGenerator::system()->generate64() : m_seed->text().toULongLong(&ok);
    QString error;
    if (!ok)
        error = QStringLiteral("зерно — целое число от 0 до 18446744073709551615");
    if (!error.isEmpty() || !m_worker->start(request, &error)) {
        warnRefused(this, error);
        return;
    }
    m_beforeRun = { m_locks, m_summary->text(), m_progress->value(), m_progress->format() };
    m_locks = locks;
    showLocks();
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
    m_progress->setValue(m_progress->maximum());
    m_progress->setFormat((stopped ? QStringLiteral("остановлено: %1 с") : QStringLiteral("готово: %1 с"))
                              .arg(decimalText(result.seconds, 1)));
    // A whole long plaintext takes as long to lay out as to open a file.
    QThread *const pageThread = thread();
    const QFont font = m_plaintext->font();
    dropPlaintextLayout();
    m_layingOut = true;
    m_plaintextLayout.setFuture(
        QtConcurrent::run([plaintext, pageThread, font] { return textDocument(plaintext, pageThread, font); }));
    m_foundKey->setTable(result.table, QStringLiteral("найденный ключ"));
    QString summary = QStringLiteral("%1Таблица: %2; k = %3; выбор кодов: %4; оценка %5 нат на символ; %6 с.")
                          .arg(stopped ? QStringLiteral("Остановлено, показан лучший ключ. ") : QString(),
                               result.fixedTable ? QStringLiteral("постоянная") : QStringLiteral("восстановлена"))
                          .arg(result.alphabetCount)
                          .arg(choiceText(result.choice), decimalText(result.score, 3), decimalText(result.seconds, 2));
    m_summary->setText(summary);
    m_saveKeyAction->setEnabled(true);
    m_useKey->setEnabled(true);
}

void AttackPage::showFoundPlaintext()
{
    QTextDocument *const document = m_plaintextLayout.result();
    m_layingOut = false;
    // A search started since shows its own progress.
    if (m_worker->isRunning())
        delete document;
    else
        showDocument(m_plaintext, document);
}

void AttackPage::saveFoundKey()
{
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
    if (m_worker->isRunning())
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
    m_continueAction->setEnabled(!m_worker->isRunning() && !m_locks.empty());
}

void AttackPage::setRunning(bool running)
{
    m_startAction->setEnabled(!running);
    m_continueAction->setEnabled(!running && !m_locks.empty());
    m_crib->setEnabled(!running);
    m_stopAction->setEnabled(running);
    m_timeLimit->setEnabled(!running);
    m_saveKeyAction->setEnabled(!running && m_result.has_value());
    m_useKey->setEnabled(!running && m_result.has_value());
}
