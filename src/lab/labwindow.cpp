#include "labwindow.h"

#include "attackpage.h"
#include "cipherfamily.h"
#include "cipherpage.h"
#include "frequencypage.h"
#include "keypage.h"
#include "textencoding.h"
#include "textfile.h"
#include "textpane.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

namespace {

const QString TextFilter = QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*)");

} // namespace

LabWindow::LabWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_tabs(new QTabWidget(this))
    , m_keys(new KeyPage(this))
    , m_cipher(new CipherPage(m_keys, this))
    , m_frequencies(new FrequencyPage(m_cipher->plainPane()->editor(), m_cipher->cipherPane()->editor(), this))
    , m_attack(new AttackPage(m_keys, this))
{
    setWindowTitle(QStringLiteral("Лаборатория шифров подстановки"));
    m_tabs->setObjectName(QStringLiteral("tasks"));
    m_tabs->addTab(m_keys, QStringLiteral("Ключ"));
    m_tabs->addTab(m_cipher, QStringLiteral("Шифрование"));
    m_tabs->addTab(m_frequencies, QStringLiteral("Частоты"));
    m_tabs->addTab(m_attack, QStringLiteral("Вскрытие"));
    setCentralWidget(m_tabs);
    m_panes = { m_cipher->plainPane(), m_cipher->cipherPane(), m_attack->cipherPane() };
    m_active = m_cipher->plainPane();
    m_focusTracking = connect(qApp, &QApplication::focusChanged, this,
                              [this](QWidget *, QWidget *now) { trackFocus(now); });
    connect(m_keys, &KeyPage::keyFileOpened, this,
            [](const QString &path) { QSettings().setValue(QStringLiteral("lastKeyFile"), path); });
    createMenus();
    createFamilyBar();
    restoreSettings();
    statusBar()->showMessage(QStringLiteral("Откройте или наберите текст; ключ — на вкладке «Ключ»."));
}

// The panes go before QObject's destructor would drop the connection, and
// focus moves as they go.
LabWindow::~LabWindow()
{
    disconnect(m_focusTracking);
}

void LabWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&Файл"));
    QAction *open = file->addAction(QStringLiteral("&Открыть текст…"), this, &LabWindow::openText);
    open->setShortcut(QKeySequence::Open);
    open->setObjectName(QStringLiteral("openTextAction"));
    open->setToolTip(QStringLiteral("Открыть файл в текст, с которым вы работали последним"));
    QAction *save = file->addAction(QStringLiteral("&Сохранить текст"), this, &LabWindow::saveCurrentText);
    save->setShortcut(QKeySequence::Save);
    save->setObjectName(QStringLiteral("saveTextAction"));
    QAction *saveAs = file->addAction(QStringLiteral("Сохранить текст &как…"), this, &LabWindow::saveCurrentTextAs);
    saveAs->setShortcut(QKeySequence::SaveAs);
    saveAs->setObjectName(QStringLiteral("saveTextAsAction"));
    file->addSeparator();
    QMenu *encodings = file->addMenu(QStringLiteral("&Кодировка файлов"));
    encodings->setToolTip(QStringLiteral("Файл с меткой порядка байтов читается в кодировке метки"));
    encodings->setToolTipsVisible(true);
    m_encodings = new QActionGroup(this);
    for (const TextEncoding *encoding : { TextEncoding::windows1251(), TextEncoding::utf8() }) {
        if (!encoding)
            continue;
        QAction *action = encodings->addAction(encoding->kind() == TextEncoding::Kind::Utf8
                                                   ? QStringLiteral("UTF-8")
                                                   : QStringLiteral("Windows-1251"));
        action->setCheckable(true);
        action->setData(encoding->name());
        action->setObjectName(encoding->name());
        m_encodings->addAction(action);
    }
    m_encodings->actions().constFirst()->setChecked(true);
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("В&ыход"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu *key = menuBar()->addMenu(QStringLiteral("&Ключ"));
    key->addAction(QStringLiteral("Постоянная таблица"), m_keys, &KeyPage::useFixedTable);
    key->addAction(QStringLiteral("Открыть ключ…"), m_keys, &KeyPage::chooseKeyFile);
    key->addAction(QStringLiteral("Новый ключ"), m_keys, &KeyPage::makeNewKey);
    key->addAction(QStringLiteral("Сохранить ключ…"), m_keys, &KeyPage::saveKeyAs);

    QMenu *cipher = menuBar()->addMenu(QStringLiteral("&Шифр"));
    QAction *encrypt = cipher->addAction(QStringLiteral("&Зашифровать"), this, [this] {
        m_tabs->setCurrentWidget(m_cipher);
        m_cipher->encrypt();
    });
    encrypt->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    encrypt->setObjectName(QStringLiteral("encryptAction"));
    QAction *decrypt = cipher->addAction(QStringLiteral("&Расшифровать"), this, [this] {
        m_tabs->setCurrentWidget(m_cipher);
        m_cipher->decrypt();
    });
    decrypt->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    decrypt->setObjectName(QStringLiteral("decryptAction"));
    cipher->addAction(m_cipher->attackAction());
    connect(m_cipher->attackAction(), &QAction::triggered, this, &LabWindow::attackCipherText);
    cipher->addSeparator();
    cipher->addAction(QStringLiteral("Сохранить диаграмму частот SVG…"), m_frequencies, &FrequencyPage::exportChart);

    QMenu *attack = menuBar()->addMenu(QStringLiteral("&Вскрытие"));
    // The page's own actions, so that menu, shortcut and button are one.
    for (QAction *action : { m_attack->identifyAction(), m_attack->startAction(), m_attack->continueAction() })
        connect(action, &QAction::triggered, this, [this] { m_tabs->setCurrentWidget(m_attack); });
    attack->addAction(m_attack->identifyAction());
    attack->addAction(m_attack->startAction());
    attack->addAction(m_attack->continueAction());
    attack->addAction(m_attack->stopAction());
    attack->addSeparator();
    attack->addAction(m_attack->saveFoundKeyAction());
}

// Every tab works with the family chosen here; the key tab keeps it.
void LabWindow::createFamilyBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Шифр"));
    bar->setObjectName(QStringLiteral("familyBar"));
    bar->setMovable(false);
    bar->addWidget(new QLabel(QStringLiteral("Шифр: "), bar));
    m_family = new QComboBox(bar);
    m_family->setObjectName(QStringLiteral("cipherFamily"));
    m_family->setToolTip(QStringLiteral("Шифр, с которым работают все вкладки: его ключ, шифрование, частоты и "
                                        "вскрытие"));
    for (const CipherFamily *family : cipherFamilies()) {
        QString title = family->title();
        title[0] = title.at(0).toUpper();
        m_family->addItem(title, family->name());
        m_family->setItemData(m_family->count() - 1, family->group(), Qt::ToolTipRole);
    }
    m_family->setCurrentIndex(m_family->findData(m_keys->family().name()));
    bar->addWidget(m_family);
    connect(m_family, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        if (const CipherFamily *family = cipherFamily(m_family->currentData().toString()))
            m_keys->setFamily(*family);
    });
    connect(m_keys, &KeyPage::familyChanged, this, &LabWindow::followFamily);
}

void LabWindow::followFamily()
{
    const CipherFamily &family = m_keys->family();
    m_family->setCurrentIndex(m_family->findData(family.name()));
    m_frequencies->setFamily(family);
    QSettings().setValue(QStringLiteral("family"), family.name());
}

void LabWindow::attackCipherText()
{
    const QString text = m_cipher->cipherPane()->text();
    if (text.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Вскрыть этот шифртекст"),
                             QStringLiteral("Шифртекст пуст: сначала зашифруйте открытый текст."));
        return;
    }
    m_attack->cipherPane()->setText(text);
    m_tabs->setCurrentWidget(m_attack);
}

TextPane *LabWindow::activePane() const
{
    return m_active ? m_active.data() : m_cipher->plainPane();
}

void LabWindow::trackFocus(QWidget *now)
{
    for (TextPane *pane : qAsConst(m_panes)) {
        if (now && (now == pane->editor() || pane->isAncestorOf(now)))
            m_active = pane;
    }
}

const TextEncoding *LabWindow::fileEncoding() const
{
    const QAction *checked = m_encodings->checkedAction();
    const bool utf8 = checked && checked->data().toString() == TextEncoding::utf8()->name();
    return utf8 || !TextEncoding::windows1251() ? TextEncoding::utf8() : TextEncoding::windows1251();
}

void LabWindow::openText()
{
    TextPane *pane = activePane();
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Открыть: ") + pane->title(),
                                                      QString(), TextFilter);
    if (!path.isEmpty())
        loadText(pane, path);
}

bool LabWindow::loadText(TextPane *pane, const QString &path)
{
    const TextFileReading reading = readTextFile(path, *fileEncoding());
    if (!reading.ok) {
        QMessageBox::critical(this, QStringLiteral("Файл не открыт"),
                              QStringLiteral("Не удалось открыть файл:\n%1\n%2")
                                  .arg(QDir::toNativeSeparators(path), reading.error));
        return false;
    }
    pane->setFileText(reading.text, path);
    statusBar()->showMessage(QStringLiteral("Открыт %1 (%2)").arg(QDir::toNativeSeparators(path), reading.encodingName));
    if (reading.undecodable > 0) {
        QMessageBox::warning(this, QStringLiteral("Файл открыт с заменами"),
                             QStringLiteral("Байтов, которые не читаются в кодировке %1: %2. Они показаны "
                                            "знаком замены �.")
                                 .arg(reading.encodingName)
                                 .arg(reading.undecodable));
    }
    return true;
}

bool LabWindow::saveText(TextPane *pane, const QString &path)
{
    const TextFileWriting writing = writeTextFile(path, pane->text(), *fileEncoding());
    if (!writing.ok) {
        QMessageBox::critical(this, QStringLiteral("Файл не сохранён"),
                              QStringLiteral("Не удалось сохранить файл:\n%1\n%2")
                                  .arg(QDir::toNativeSeparators(path), writing.error));
        return false;
    }
    pane->markSaved(path);
    statusBar()->showMessage(QStringLiteral("Сохранён %1").arg(QDir::toNativeSeparators(path)));
    if (writing.unencodable > 0) {
        QMessageBox::warning(this, QStringLiteral("Файл сохранён с заменами"),
                             QStringLiteral("Символов, которых нет в кодировке %1: %2. Они записаны знаком «?».")
                                 .arg(fileEncoding()->name())
                                 .arg(writing.unencodable));
    }
    return true;
}

bool LabWindow::saveCurrentText()
{
    return saveTextInteractively(activePane(), false);
}

bool LabWindow::saveCurrentTextAs()
{
    return saveTextInteractively(activePane(), true);
}

bool LabWindow::saveTextInteractively(TextPane *pane, bool askName)
{
    QString path = pane->filePath();
    if (askName || path.isEmpty()) {
        path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить: ") + pane->title(), path, TextFilter);
        if (path.isEmpty())
            return false;
    }
    return saveText(pane, path);
}

void LabWindow::closeEvent(QCloseEvent *event)
{
    QList<TextPane *> unsaved;
    QStringList titles;
    for (TextPane *pane : qAsConst(m_panes)) {
        if (pane->isModified()) {
            unsaved << pane;
            titles << QStringLiteral("«%1»").arg(pane->title());
        }
    }
    if (!unsaved.isEmpty()) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QStringLiteral("Несохранённый текст"),
            QStringLiteral("Не сохранено: %1. Сохранить перед выходом?").arg(titles.join(QStringLiteral(", "))),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Cancel || answer == QMessageBox::NoButton) {
            event->ignore();
            return;
        }
        if (answer == QMessageBox::Save) {
            for (TextPane *pane : qAsConst(unsaved)) {
                if (!saveTextInteractively(pane, false)) {
                    event->ignore();
                    return;
                }
            }
        }
    }
    m_attack->stopAttack();
    QSettings().setValue(QStringLiteral("geometry"), saveGeometry());
    event->accept();
}

void LabWindow::restoreSettings()
{
    QSettings settings;
    if (!restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray()))
        resize(1000, 680);
    if (const CipherFamily *family = cipherFamily(settings.value(QStringLiteral("family")).toString()))
        m_keys->setFamily(*family);
    const QString lastKey = settings.value(QStringLiteral("lastKeyFile")).toString();
    // A key file that has gone or changed since is not worth a message at start.
    if (!lastKey.isEmpty() && m_keys->openKeyFile(lastKey, true))
        statusBar()->showMessage(QStringLiteral("Ключ из %1").arg(QDir::toNativeSeparators(lastKey)));
}
