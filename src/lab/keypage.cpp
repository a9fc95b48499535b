#include "keypage.h"

#include "keytable.h"
#include "languagemodel.h"
#include "keytablemodel.h"
#include "textfile.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *button(const QString &text, const QString &name, const QString &tip, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(name);
    result->setToolTip(tip);
    return result;
}

} // namespace

bool saveKeyFile(const QString &path, const KeyTable &table, const QString &comment, QString *error,
                 std::optional<quint64> seed, const QString &dealing)
{
    const QString text = comment + keyFileText(table, QDateTime::currentDateTime(), seed, dealing);
    // A key is a secret: a new file is the owner's alone.
    return writeWholeFile(path, text.toUtf8(), error, FileReaders::OwnerOnly);
}

void fitKeyColumns(QTableView *view)
{
    QHeaderView *header = view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    // A reset of the model (a row grown longer) forgets each section's mode.
    const auto fitSymbol = [header] {
        if (header->count() > 0)
            header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    };
    fitSymbol();
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, header, fitSymbol);
}

KeyPage::KeyPage(QWidget *parent)
    : QWidget(parent)
    , m_model(new KeyTableModel(this))
    , m_view(new QTableView(this))
    , m_problems(new QListWidget(this))
    , m_state(new QLabel(this))
    , m_seed(new QLineEdit(this))
    , m_shape(new QComboBox(this))
    , m_codes(new QSpinBox(this))
{
    setObjectName(QStringLiteral("keyPage"));
    m_view->setObjectName(QStringLiteral("keyTable"));
    m_view->setModel(m_model);
    fitKeyColumns(m_view);
    m_view->setToolTip(QStringLiteral("Дважды щёлкните код, чтобы изменить его: две цифры от 0 до 9"));
    m_problems->setObjectName(QStringLiteral("keyProblems"));
    m_problems->setWordWrap(true);
    m_state->setObjectName(QStringLiteral("keyState"));
    m_state->setWordWrap(true);
    m_seed->setObjectName(QStringLiteral("keySeed"));
    m_seed->setPlaceholderText(QStringLiteral("случайно"));
    m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,20}")), m_seed));
    m_seed->setToolTip(QStringLiteral("Одно и то же зерно всегда даёт одну и ту же таблицу, как keygen --seed"));

    m_shape->setObjectName(QStringLiteral("keyShape"));
    m_shape->addItem(QStringLiteral("по 1 коду"), 1);
    m_shape->addItem(QStringLiteral("по 2 кода"), 2);
    m_shape->addItem(QStringLiteral("по 3 кода"), 3);
    m_shape->addItem(QStringLiteral("пропорционально"), 0);
    m_shape->setCurrentIndex(2);
    m_shape->setToolTip(QStringLiteral("Сколько кодов получает каждый символ нового ключа: поровну или "
                                       "пропорционально частоте символа в русском тексте"));
    m_codes->setObjectName(QStringLiteral("keyCodes"));
    m_codes->setRange(32, 100);
    m_codes->setValue(100);
    m_codes->setSuffix(QStringLiteral(" кодов"));
    m_codes->setToolTip(QStringLiteral("Сколько кодов раздать пропорционально частотам (от 32 до 100)"));
    m_codes->setEnabled(false);
    connect(m_shape, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this] { m_codes->setEnabled(m_shape->currentData().toInt() == 0); });
    auto *fixed = button(QStringLiteral("Постоянная таблица"), QStringLiteral("fixedTableButton"),
                         QStringLiteral("Таблица окна: у строки i коды i, i+32 и i+64"), this);
    auto *open = button(QStringLiteral("Открыть ключ…"), QStringLiteral("openKeyButton"),
                        QStringLiteral("Загрузить файл ключа (как у homophonic keygen)"), this);
    auto *generate = button(QStringLiteral("Новый ключ"), QStringLiteral("newKeyButton"),
                            QStringLiteral("Случайная таблица: коды 00–99 перемешаны и розданы символам"), this);
    auto *save = button(QStringLiteral("Сохранить ключ…"), QStringLiteral("saveKeyButton"),
                        QStringLiteral("Записать таблицу файлом ключа; новый файл доступен только владельцу"), this);
    connect(fixed, &QPushButton::clicked, this, &KeyPage::useFixedTable);
    connect(open, &QPushButton::clicked, this, &KeyPage::chooseKeyFile);
    connect(generate, &QPushButton::clicked, this, &KeyPage::makeNewKey);
    connect(save, &QPushButton::clicked, this, &KeyPage::saveKeyAs);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(fixed);
    buttons->addWidget(open);
    buttons->addWidget(generate);
    buttons->addWidget(m_shape);
    buttons->addWidget(m_codes);
    buttons->addWidget(new QLabel(QStringLiteral("зерно:"), this));
    buttons->addWidget(m_seed);
    buttons->addStretch(1);
    buttons->addWidget(save);

    auto *side = new QWidget(this);
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(m_state);
    sideLayout->addWidget(m_problems, 1);

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_view);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    connect(m_model, &KeyTableModel::problemsChanged, this, &KeyPage::showProblems);
    // An edited key was no longer made from its seed, nor dealt as it was.
    connect(m_model, &KeyTableModel::edited, this, [this] {
        m_madeFromSeed.reset();
        m_dealing.clear();
    });
    useFixedTable();
}

std::optional<KeyTable> KeyPage::usableTable(QWidget *messageParent)
{
    const std::optional<KeyTable> table = m_model->validTable();
    if (!table) {
        QMessageBox::warning(messageParent, QStringLiteral("Ключ с ошибками"),
                             QStringLiteral("Таблицей с ошибками шифровать нельзя. Исправьте её на вкладке "
                                            "«Ключ»:\n")
                                 + m_model->problems().join(QLatin1Char('\n')));
    }
    return table;
}

void KeyPage::useFixedTable()
{
    m_keyFilePath.clear();
    m_madeFromSeed.reset();
    m_dealing.clear();
    m_model->setTable(fixedKeyTable(), QStringLiteral("постоянная таблица"));
}

void KeyPage::makeNewKey()
{
    std::optional<quint64> seed;
    if (!m_seed->text().isEmpty()) {
        bool ok = false;
        seed = m_seed->text().toULongLong(&ok);
        if (!ok) {
            QMessageBox::warning(this, QStringLiteral("Новый ключ"),
                                 QStringLiteral("Зерно — целое число от 0 до 18446744073709551615."));
            return;
        }
    }
    std::array<int, 32> rowLengths;
    QString dealing;
    const int each = m_shape->currentData().toInt();
    if (each > 0) {
        rowLengths.fill(each);
        dealing = equalDealing(each);
    } else {
        // The symbols' shares in the built-in model's corpus, as keygen deals them.
        Cryptanalysis::LanguageModel model;
        QString error;
        if (!model.loadBuiltIn(&error)) {
            QMessageBox::critical(this, QStringLiteral("Новый ключ"),
                                  QStringLiteral("Модель языка не загружена: ") + error);
            return;
        }
        rowLengths = proportionalRowLengths(model.symbolCounts(), m_codes->value());
        dealing = proportionalDealing(m_codes->value(), QStringLiteral("во встроенной модели русского языка"));
    }
    QRandomGenerator source = seed ? seededGenerator(*seed) : QRandomGenerator::securelySeeded();
    const QString name = seed ? QStringLiteral("новый ключ (зерно %1)").arg(*seed) : QStringLiteral("новый ключ");
    m_model->setTable(randomKeyTable(source, rowLengths), name);
    m_keyFilePath.clear();
    m_madeFromSeed = seed;
    m_dealing = dealing;
}

void KeyPage::chooseKeyFile()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Открыть ключ"), QString(),
                                                      QStringLiteral("Файлы ключа (*.txt *.key);;Все файлы (*)"));
    if (!path.isEmpty())
        openKeyFile(path);
}

bool KeyPage::openKeyFile(const QString &path, bool quiet)
{
    const KeyFileReading reading = readKeyFile(path);
    if (!reading.table) {
        if (!quiet) {
            QMessageBox::warning(this, QStringLiteral("Ключ не открыт"),
                                 QStringLiteral("Файл ключа не прочитан, таблица прежняя:\n")
                                     + reading.problems.join(QLatin1Char('\n')));
        }
        return false;
    }
    m_keyFilePath = path;
    m_madeFromSeed.reset();
    m_dealing.clear();
    m_model->setTable(*reading.table, QFileInfo(path).fileName());
    emit keyFileOpened(path);
    return true;
}

void KeyPage::useTable(const KeyTable &table, const QString &name)
{
    m_keyFilePath.clear();
    m_madeFromSeed.reset();
    m_dealing.clear();
    m_model->setTable(table, name);
}

void KeyPage::saveKeyAs()
{
    const std::optional<KeyTable> table = usableTable(this);
    if (!table)
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить ключ"), m_keyFilePath,
                                                      QStringLiteral("Файлы ключа (*.txt *.key);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!saveKeyFile(path, *table, QString(), &error, m_madeFromSeed, m_dealing)) {
        QMessageBox::critical(this, QStringLiteral("Ключ не сохранён"),
                              QStringLiteral("Не удалось сохранить файл ключа:\n%1\n%2")
                                  .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_keyFilePath = path;
    emit keyFileOpened(path);
}

void KeyPage::showProblems(const QStringList &problems)
{
    m_problems->clear();
    m_problems->addItems(problems);
    if (problems.isEmpty()) {
        m_state->setText(QStringLiteral("Ключ «%1» проверен: им можно шифровать.").arg(m_model->name()));
    } else {
        m_state->setText(QStringLiteral("<span style='color:#b00000'>В таблице ошибок: %1. Пока они не "
                                        "исправлены, таблицей шифровать нельзя.</span>")
                             .arg(problems.size()));
    }
}
