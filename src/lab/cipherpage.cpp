#include "cipherpage.h"

#include "frequencycount.h"
#include "keypage.h"
#include "keytablemodel.h"
#include "labcipher.h"
#include "polygramkeymodel.h"
#include "polygramkeyview.h"
#include "symbolkeymodel.h"
#include "symbolkeyview.h"
#include "textpane.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>

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
    , m_homophonicControls(new QWidget(this))
    , m_keyView(new SymbolKeyView(keys->symbolModel(), this))
    , m_blockView(new PolygramKeyView(keys->polygramModel(), PolygramKeyView::Use::Show, this))
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
    m_keyView->setObjectName(QStringLiteral("cipherKeyView"));
    m_keyView->setToolTip(QStringLiteral("Поставьте курсор на символ открытого текста или выделите его: ключ "
                                         "покажет алфавит и сдвиг, которыми он зашифрован"));
    m_blockView->setObjectName(QStringLiteral("cipherBlockView"));
    m_encrypt->setToolTip(QStringLiteral("Зашифровать открытый текст ключом со вкладки «Ключ» (Ctrl+E)"));
    m_decrypt->setToolTip(QStringLiteral("Расшифровать шифртекст ключом со вкладки «Ключ» (Ctrl+D)"));
    m_state->setObjectName(QStringLiteral("cipherState"));
    // It names the key, which may be a long keyword.
    m_state->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
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

    m_homophonicControls->setObjectName(QStringLiteral("homophonicControls"));
    auto *homophonic = new QHBoxLayout(m_homophonicControls);
    homophonic->setContentsMargins(0, 0, 0, 0);
    homophonic->addWidget(new QLabel(QStringLiteral("Ключ k:"), m_homophonicControls));
    homophonic->addWidget(m_key);
    homophonic->addWidget(new QLabel(QStringLiteral("выбор кодов:"), m_homophonicControls));
    homophonic->addWidget(m_choice);
    homophonic->addWidget(new QLabel(QStringLiteral("зерно:"), m_homophonicControls));
    homophonic->addWidget(m_seed);

    auto *controls = new QHBoxLayout;
    controls->addWidget(m_homophonicControls);
    controls->addStretch(1);
    controls->addWidget(m_encrypt);
    controls->addWidget(m_decrypt);
    controls->addWidget(attack);

    auto *texts = new QSplitter(this);
    texts->addWidget(m_plain);
    texts->addWidget(m_cipher);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(texts);
    auto *keyViews = new QWidget(this);
    auto *keyViewsLayout = new QVBoxLayout(keyViews);
    keyViewsLayout->setContentsMargins(0, 0, 0, 0);
    keyViewsLayout->addWidget(m_keyView);
    keyViewsLayout->addWidget(m_blockView);
    splitter->addWidget(keyViews);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_state);

    QPlainTextEdit *plain = m_plain->editor();
    for (const auto changed : {&QPlainTextEdit::cursorPositionChanged, &QPlainTextEdit::selectionChanged,
                               &QPlainTextEdit::textChanged})
        connect(plain, changed, this, &CipherPage::showStep);
    connect(keys, &KeyPage::familyChanged, this, &CipherPage::followFamily);
    connect(keys, &KeyPage::symbolKeyChanged, this, &CipherPage::followSymbolKey);
    followFamily();
}

void CipherPage::followFamily()
{
    const bool homophonic = m_keys->family().isHomophonic();
    m_homophonicControls->setVisible(homophonic);
    const bool blocks = m_keys->family().takesFiller();
    m_keyView->setVisible(!homophonic && !blocks);
    m_blockView->setVisible(blocks);
    followSymbolKey();
}

void CipherPage::followSymbolKey()
{
    m_steps.setCipher(m_keys->family().isHomophonic() ? std::nullopt : m_keys->symbolModel()->cipher());
    showStep();
}

// The symbol at the cursor: the first one selected, or the one after the
// cursor; at the end of a line, the one just typed.
void CipherPage::showStep()
{
    SymbolKeyModel *model = m_keys->symbolModel();
    if (m_keys->family().isHomophonic() || !model->cipher()) {
        markBlock(std::nullopt, 0, 0);
        return;
    }
    const QTextCursor cursor = m_plain->editor()->textCursor();
    int at = cursor.hasSelection() ? cursor.selectionStart() : cursor.position();
    if (!cursor.hasSelection() && cursor.atBlockEnd() && !cursor.atBlockStart())
        --at;
    if (model->cipher()->blockSize() > 1) {
        showBlockStep(at);
        return;
    }
    markBlock(std::nullopt, 0, 0);
    QTextDocument *document = m_plain->editor()->document();
    if (const std::optional<SymbolStep> step = m_steps.stepAt(document, at)) {
        model->showStep(*step);
        return;
    }
    const QChar character = document->characterAt(at);
    if (character.isNull() || character == QChar::ParagraphSeparator) {
        model->showNoStep(QStringLiteral("Поставьте курсор на символ открытого текста: здесь появится, каким "
                                         "алфавитом и сдвигом он зашифрован."));
    } else {
        model->showNoStep(QStringLiteral("Знак «%1» не шифруется и шага ключа не занимает.").arg(character));
    }
}

// Each line is a text of its own for a block cipher: its blocks are found in
// the line alone.
void CipherPage::showBlockStep(int position)
{
    PolygramKeyModel *model = m_keys->polygramModel();
    QTextDocument *document = m_plain->editor()->document();
    const QTextBlock line = document->findBlock(position);
    std::optional<BlockStep> step;
    if (line.isValid())
        step = m_keys->symbolModel()->cipher()->blockStep(line.text(), position - line.position());
    markBlock(step, line.blockNumber(), line.position());
    if (step) {
        model->showStep(*step);
        return;
    }
    const QChar character = document->characterAt(position);
    if (character.isNull() || character == QChar::ParagraphSeparator) {
        model->showNoStep(QStringLiteral("Поставьте курсор на символ открытого текста: здесь появится его блок и "
                                         "правило, по которому блок зашифрован."));
    } else {
        model->showNoStep(QStringLiteral("Знак «%1» не шифруется и в блоки не входит.").arg(character));
    }
}

// The block's symbols in the plaintext, and its cipher symbols in the
// ciphertext when that is the plaintext's: the line of the same number, its
// alphabet symbols from the block's number times its size.
void CipherPage::markBlock(const std::optional<BlockStep> &step, int lineNumber, int linePosition)
{
    QList<QTextEdit::ExtraSelection> plainMarks;
    QList<QTextEdit::ExtraSelection> cipherMarks;
    const auto mark = [](QPlainTextEdit *editor, int at, const QColor &color) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(editor->document());
        selection.cursor.setPosition(at);
        selection.cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        selection.format.setBackground(color);
        return selection;
    };
    if (step) {
        const QColor plainColor(0xf2, 0x9e, 0x4c);
        const QColor cipherColor(0x9f, 0xd3, 0x8f);
        for (int i = 0; i < step->size; ++i) {
            const qsizetype at = step->position[std::size_t(i)];
            if (at >= 0)
                plainMarks << mark(m_plain->editor(), linePosition + int(at), plainColor);
        }
        const QTextBlock cipherLine = m_cipher->editor()->document()->findBlockByNumber(lineNumber);
        const QString text = cipherLine.isValid() ? cipherLine.text() : QString();
        const qsizetype first = step->number * step->size;
        qsizetype symbols = 0;
        for (int i = 0; i < text.size() && symbols < first + step->size; ++i) {
            const int symbol = Alphabet::indexOf(text.at(i).unicode());
            if (symbol < 0)
                continue;
            if (symbols >= first) {
                if (symbol != step->cipher[std::size_t(symbols - first)])
                    break;
                cipherMarks << mark(m_cipher->editor(), cipherLine.position() + i, cipherColor);
            }
            ++symbols;
        }
        // A ciphertext of another key or text has no block to mark.
        if (cipherMarks.size() != step->size)
            cipherMarks.clear();
    }
    m_plain->editor()->setExtraSelections(plainMarks);
    m_cipher->editor()->setExtraSelections(cipherMarks);
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
    if (!encrypting && !hasCipherText(text))
        return;
    LabCipherRequest request;
    request.direction = encrypting ? LabCipherRequest::Direction::Encrypt : LabCipherRequest::Direction::Decrypt;
    const bool ready = m_keys->family().isHomophonic() ? takeTable(encrypting, request)
                                                       : takeSymbolKey(encrypting, request);
    if (ready)
        start(encrypting, text, request);
}

bool CipherPage::hasCipherText(const QString &text)
{
    if (!m_keys->family().isHomophonic()) {
        const bool anySymbol = std::any_of(text.cbegin(), text.cend(),
                                           [](QChar c) { return Alphabet::indexOf(c.unicode()) >= 0; });
        if (!anySymbol) {
            QMessageBox::warning(this, QStringLiteral("Расшифровать"),
                                 QStringLiteral("В шифртексте нет ни одного символа алфавита: расшифровывать "
                                                "нечего."));
        }
        return anySymbol;
    }
    CodeTokenTally tally;
    tally.addText(text);
    if (tally.codeTokens() == 0) {
        QMessageBox::warning(this, QStringLiteral("Расшифровать"),
                             QStringLiteral("В шифртексте нет ни одного двузначного кода: расшифровывать нечего."));
        return false;
    }
    return true;
}

bool CipherPage::takeSymbolKey(bool encrypting, LabCipherRequest &request)
{
    request.symbolKey = m_keys->usableSymbolKey(this);
    if (!request.symbolKey)
        return false;
    const CipherFamily &family = m_keys->family();
    m_doneText = (encrypting ? QStringLiteral("Зашифровано: %1, %2.") : QStringLiteral("Расшифровано: %1, %2."))
                     .arg(family.title(), family.keyText(*request.symbolKey));
    return true;
}

bool CipherPage::takeTable(bool encrypting, LabCipherRequest &request)
{
    const std::optional<KeyTable> table = m_keys->usableTable(this);
    if (!table)
        return false;
    request.table = *table;
    request.alphabetCount = m_key->value();
    if (encrypting && m_choice->currentIndex() == 1) {
        bool ok = true;
        request.randomSeed = m_seed->text().isEmpty() ? QRandomGenerator::system()->generate64()
                                                      : m_seed->text().toULongLong(&ok);
        if (!ok) {
            QMessageBox::warning(this, QStringLiteral("Зашифровать"),
                                 QStringLiteral("Зерно — целое число от 0 до 18446744073709551615."));
            return false;
        }
    }
    m_doneText = (encrypting ? QStringLiteral("Зашифровано ключом k = %1.") : QStringLiteral("Расшифровано ключом k = %1."))
                     .arg(m_key->value());
    return true;
}

void CipherPage::start(bool encrypting, const QString &text, const LabCipherRequest &request)
{
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
    m_state->setText(m_doneText);
    showStep();
    emit ciphered();
}
