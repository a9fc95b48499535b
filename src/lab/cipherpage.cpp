#include "cipherpage.h"

#include "frequencycount.h"
#include "keypage.h"
#include "keytablemodel.h"
#include "labcipher.h"
#include "textpane.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QSplitter>
#include <QTextDocument>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

// k with its largest value, every code of every row, named as such: a key
// dealt in proportion is meant to be used whole.
class KeyNumberBox : public QSpinBox
{
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int value) const override
    {
        return value == maximum() && maximum() > 3 ? QStringLiteral("%1 — все коды").arg(value)
                                                   : QSpinBox::textFromValue(value);
    }
    int valueFromText(const QString &text) const override
    {
        return text == textFromValue(maximum()) ? maximum() : QSpinBox::valueFromText(text);
    }
    QValidator::State validate(QString &text, int &position) const override
    {
        return text == textFromValue(maximum()) ? QValidator::Acceptable : QSpinBox::validate(text, position);
    }
};

} // namespace

CipherPage::CipherPage(KeyPage *keys, QWidget *parent)
    : QWidget(parent)
    , m_keys(keys)
    , m_plain(new TextPane(QStringLiteral("Открытый текст"), QStringLiteral("plainText"), this))
    , m_cipher(new TextPane(QStringLiteral("Шифртекст"), QStringLiteral("cipherText"), this))
    , m_key(new KeyNumberBox(this))
    , m_choice(new QComboBox(this))
    , m_seed(new QLineEdit(this))
    , m_encrypt(new QPushButton(QStringLiteral("Зашифровать →"), this))
    , m_decrypt(new QPushButton(QStringLiteral("← Расшифровать"), this))
    , m_attack(new QAction(QStringLiteral("Вс&крыть этот шифртекст"), this))
    , m_state(new QLabel(this))
{
    setObjectName(QStringLiteral("cipherPage"));
    m_key->setObjectName(QStringLiteral("keyNumber"));
    m_key->setRange(1, 3);
    m_key->setValue(3);
    m_key->setToolTip(QStringLiteral("k — сколько первых кодов каждой строки таблицы использовать (у короткой "
                                     "строки — все её коды)"));
    m_choice->setObjectName(QStringLiteral("codeChoice"));
    m_choice->addItem(QStringLiteral("по очереди"));
    m_choice->addItem(QStringLiteral("случайный"));
    m_choice->setToolTip(QStringLiteral("По очереди коды символа идут по кругу (как в окне программы); "
                                        "случайно — каждый раз любой из k кодов"));
    m_seed->setObjectName(QStringLiteral("choiceSeed"));
    m_seed->setPlaceholderText(QStringLiteral("случайно"));
    m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,20}")), m_seed));
    m_seed->setToolTip(QStringLiteral("Зерно случайного выбора: с одним зерном шифр повторяется"));
    m_seed->setEnabled(false);
    connect(m_choice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { m_seed->setEnabled(index == 1); });
    m_encrypt->setObjectName(QStringLiteral("encryptButton"));
    m_decrypt->setObjectName(QStringLiteral("decryptButton"));
    m_encrypt->setToolTip(QStringLiteral("Зашифровать открытый текст ключом со вкладки «Ключ» (Ctrl+E)"));
    m_decrypt->setToolTip(QStringLiteral("Расшифровать шифртекст ключом со вкладки «Ключ» (Ctrl+D)"));
    m_state->setObjectName(QStringLiteral("cipherState"));
    connect(m_encrypt, &QPushButton::clicked, this, &CipherPage::encrypt);
    connect(m_decrypt, &QPushButton::clicked, this, &CipherPage::decrypt);
    m_attack->setObjectName(QStringLiteral("attackCipherTextAction"));
    m_attack->setToolTip(QStringLiteral("Перенести шифртекст на вкладку «Вскрытие», чтобы найти его ключ"));
    auto *attack = new QToolButton(this);
    attack->setObjectName(QStringLiteral("attackCipherTextButton"));
    attack->setDefaultAction(m_attack);
    attack->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(keys->model(), &KeyTableModel::problemsChanged, this, &CipherPage::followKeyWidth);
    followKeyWidth();
    connect(&m_watcher, &QFutureWatcher<QTextDocument *>::finished, this, &CipherPage::showResult);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Ключ k:"), this));
    controls->addWidget(m_key);
    controls->addWidget(new QLabel(QStringLiteral("выбор кодов:"), this));
    controls->addWidget(m_choice);
    controls->addWidget(new QLabel(QStringLiteral("зерно:"), this));
    controls->addWidget(m_seed);
    controls->addStretch(1);
    controls->addWidget(m_encrypt);
    controls->addWidget(m_decrypt);
    controls->addWidget(attack);

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_plain);
    splitter->addWidget(m_cipher);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_state);
}

// A result not shown yet is nobody's but this page's.
CipherPage::~CipherPage()
{
    if (m_busy) {
        m_watcher.waitForFinished();
        delete m_watcher.result();
    }
}

// k runs up to the longest row of the key. A key that grows rows longer
// than three is used whole at first; one that shrinks keeps k in range.
void CipherPage::followKeyWidth()
{
    int widest = 1;
    for (const KeyRow &row : m_keys->model()->editedTable())
        widest = qMax(widest, int(row.codes.size()));
    if (widest == m_widestRow)
        return;
    m_widestRow = widest;
    m_key->setMaximum(widest);
    if (widest > 3)
        m_key->setValue(widest);
}

void CipherPage::encrypt()
{
    run(true);
}

void CipherPage::decrypt()
{
    run(false);
}

void CipherPage::run(bool encrypting)
{
    if (isBusy())
        return;
    const QString text = (encrypting ? m_plain : m_cipher)->text();
    if (text.isEmpty()) {
        QMessageBox::warning(this, encrypting ? QStringLiteral("Зашифровать") : QStringLiteral("Расшифровать"),
                             encrypting ? QStringLiteral("Открытый текст пуст: шифровать нечего.")
                                        : QStringLiteral("Шифртекст пуст: расшифровывать нечего."));
        return;
    }
    if (!encrypting) {
        CodeTokenTally tally;
        tally.addText(text);
        if (tally.codeTokens() == 0) {
            QMessageBox::warning(this, QStringLiteral("Расшифровать"),
                                 QStringLiteral("В шифртексте нет ни одного двузначного кода: расшифровывать "
                                                "нечего."));
            return;
        }
    }
    const std::optional<KeyTable> table = m_keys->usableTable(this);
    if (!table)
        return;

    LabCipherRequest request;
    request.direction = encrypting ? LabCipherRequest::Direction::Encrypt : LabCipherRequest::Direction::Decrypt;
    request.table = *table;
    request.alphabetCount = m_key->value();
    if (encrypting && m_choice->currentIndex() == 1) {
        bool ok = true;
        request.randomSeed = m_seed->text().isEmpty() ? QRandomGenerator::system()->generate64()
                                                      : m_seed->text().toULongLong(&ok);
        if (!ok) {
            QMessageBox::warning(this, QStringLiteral("Зашифровать"),
                                 QStringLiteral("Зерно — целое число от 0 до 18446744073709551615."));
            return;
        }
    }
    m_encrypting = encrypting;
    m_busy = true;
    m_encrypt->setEnabled(false);
    m_decrypt->setEnabled(false);
    m_state->setText(encrypting ? QStringLiteral("Шифрование…") : QStringLiteral("Расшифровка…"));
    QThread *const windowThread = thread();
    const QFont font = (encrypting ? m_cipher : m_plain)->editor()->font();
    m_watcher.setFuture(QtConcurrent::run([text, request, windowThread, font] {
        return textDocument(cipherWholeText(text, request), windowThread, font);
    }));
}

void CipherPage::showResult()
{
    (m_encrypting ? m_cipher : m_plain)->adoptDocument(m_watcher.result());
    m_busy = false;
    m_encrypt->setEnabled(true);
    m_decrypt->setEnabled(true);
    m_state->setText(m_encrypting ? QStringLiteral("Зашифровано ключом k = %1.").arg(m_key->value())
                                  : QStringLiteral("Расшифровано ключом k = %1.").arg(m_key->value()));
    emit ciphered();
}
