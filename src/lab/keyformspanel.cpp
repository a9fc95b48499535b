#include "keyformspanel.h"

#include "keyfile.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox *symbolNumberBox(int value, const QString &name, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, Alphabet::Size - 1);
    box->setValue(value);
    return box;
}

QLineEdit *lineEdit(const QString &text, const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

KeyFormsPanel::KeyFormsPanel(QWidget *parent)
    : QWidget(parent)
    , m_choices(new QButtonGroup(this))
    , m_shift(symbolNumberBox(3, QStringLiteral("keyShift"), this))
    , m_affineA(symbolNumberBox(5, QStringLiteral("keyAffineA"), this))
    , m_affineB(symbolNumberBox(7, QStringLiteral("keyAffineB"), this))
    , m_keyword(lineEdit(QStringLiteral("КЛЮЧ"), QStringLiteral("keyKeyword"), this))
    , m_digits(lineEdit(QStringLiteral("31415"), QStringLiteral("keyDigits"), this))
    , m_secondKeyword(lineEdit(QStringLiteral("ЗАМОК"), QStringLiteral("keySecondKeyword"), this))
    , m_matrix(lineEdit(QStringLiteral("3 5; 2 7"), QStringLiteral("keyMatrix"), this))
    , m_wholeName(new QLabel(this))
    , m_fillerRow(new QWidget(this))
    , m_filler(new QComboBox(m_fillerRow))
{
    setObjectName(QStringLiteral("keyForms"));
    m_shift->setToolTip(QStringLiteral("Каждый символ сдвигается на столько мест по алфавиту (␣ — 0, А — 1, …, Я — 31)"));
    m_affineA->setToolTip(QStringLiteral("Множитель A: нечётный, иначе у разных символов совпала бы замена"));
    m_affineB->setToolTip(QStringLiteral("Слагаемое B: сдвиг после умножения"));
    m_keyword->setToolTip(QStringLiteral("Буквы от А до Я без Ё и Й и пробел; прочие знаки пропускаются"));
    m_digits->setToolTip(QStringLiteral("Цифры от 0 до 9 — сдвиги символов по очереди"));
    m_matrix->setToolTip(QStringLiteral("Матрица 2 × 2 или 3 × 3 по строкам, строки через точку с запятой; "
                                        "определитель по модулю 32 нечётный"));
    m_secondKeyword->setToolTip(QStringLiteral("Ключевое слово второго (правого) прямоугольника двойного квадрата"));
    m_secondKeyword->setAccessibleName(QStringLiteral("Второе ключевое слово"));
    m_filler->setObjectName(QStringLiteral("keyFiller"));
    for (int symbol = 0; symbol < Alphabet::Size; ++symbol)
        m_filler->addItem(keyFileSymbolText(symbol), symbol);
    m_filler->setCurrentIndex(Polygram::DefaultFiller);
    m_filler->setToolTip(QStringLiteral("Символ, которым дополняется неполный последний блок строки (у шифра "
                                        "Плейфера он же разделяет два одинаковых символа пары)"));
    m_filler->setAccessibleName(QStringLiteral("Заполнитель"));
    for (QLineEdit *edit : {m_keyword, m_secondKeyword, m_digits, m_matrix})
        edit->setMinimumWidth(16 * edit->fontMetrics().horizontalAdvance(QLatin1Char('0')));
    m_wholeName->setObjectName(QStringLiteral("wholeKeyName"));
    // A keyword from a file may be as long as a line: it is cut, not the window widened.
    m_wholeName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const auto add = [this, layout](KeyForm form, const QString &text, const QString &name,
                                    const QList<QWidget *> &fields) {
        QRadioButton *choice = addRow(text, name, fields);
        layout->addWidget(choice->parentWidget());
        m_forms.push_back({form, choice, choice->parentWidget()});
    };
    add(KeyForm::Shift, QStringLiteral("Сдвиг (шифр Цезаря):"), QStringLiteral("formShift"), {m_shift});
    add(KeyForm::Affine, QStringLiteral("Аффинная замена c = A·p + B:"), QStringLiteral("formAffine"),
        {new QLabel(QStringLiteral("A"), this), m_affineA, new QLabel(QStringLiteral("B"), this), m_affineB});
    add(KeyForm::Keyword, QStringLiteral("Ключевое слово:"), QStringLiteral("formKeyword"), {m_keyword, m_secondKeyword});
    add(KeyForm::Digits, QStringLiteral("Цифры ключа:"), QStringLiteral("formDigits"), {m_digits});
    add(KeyForm::Atbash, QStringLiteral("Атбаш: алфавит, прочитанный с конца"), QStringLiteral("formAtbash"), {});
    add(KeyForm::Matrix, QStringLiteral("Матрица:"), QStringLiteral("formMatrix"), {m_matrix});
    m_whole = addRow(QStringLiteral("Новый или из файла:"), QStringLiteral("formWhole"), {m_wholeName});
    QWidget *wholeRow = m_whole->parentWidget();
    static_cast<QHBoxLayout *>(wholeRow->layout())->setStretchFactor(m_wholeName, 4);
    layout->addWidget(wholeRow);
    auto *fillerLayout = new QHBoxLayout(m_fillerRow);
    fillerLayout->setContentsMargins(0, 0, 0, 0);
    auto *fillerLabel = new QLabel(QStringLiteral("&Заполнитель:"), m_fillerRow);
    fillerLabel->setBuddy(m_filler);
    fillerLayout->addWidget(fillerLabel);
    fillerLayout->addWidget(m_filler);
    fillerLayout->addStretch(1);
    layout->addWidget(m_fillerRow);

    // Typing into a row chooses it.
    const auto choose = [this](QRadioButton *choice) {
        if (choice->isChecked())
            emit changed();
        else
            choice->setChecked(true);
    };
    const auto chooseForm = [this, choose](KeyForm form) {
        for (const FormRow &row : qAsConst(m_forms)) {
            if (row.form == form)
                choose(row.choice);
        }
    };
    connect(m_shift, QOverload<int>::of(&QSpinBox::valueChanged), this, [chooseForm] { chooseForm(KeyForm::Shift); });
    for (QSpinBox *box : {m_affineA, m_affineB})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, [chooseForm] { chooseForm(KeyForm::Affine); });
    connect(m_keyword, &QLineEdit::textChanged, this, [chooseForm] { chooseForm(KeyForm::Keyword); });
    connect(m_secondKeyword, &QLineEdit::textChanged, this, [chooseForm] { chooseForm(KeyForm::Keyword); });
    connect(m_digits, &QLineEdit::textChanged, this, [chooseForm] { chooseForm(KeyForm::Digits); });
    connect(m_matrix, &QLineEdit::textChanged, this, [chooseForm] { chooseForm(KeyForm::Matrix); });
    connect(m_filler, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &KeyFormsPanel::changed);
    connect(m_choices, QOverload<QAbstractButton *, bool>::of(&QButtonGroup::buttonToggled), this,
            [this](QAbstractButton *, bool checked) {
                if (checked)
                    emit changed();
            });
}

QRadioButton *KeyFormsPanel::addRow(const QString &text, const QString &name, const QList<QWidget *> &fields)
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *choice = new QRadioButton(text, row);
    choice->setObjectName(name);
    m_choices->addButton(choice);
    layout->addWidget(choice);
    for (QWidget *field : fields) {
        field->setParent(row);
        layout->addWidget(field);
    }
    layout->addStretch(1);
    return choice;
}

void KeyFormsPanel::setFamily(const CipherFamily &family)
{
    m_family = &family;
    const QList<KeyForm> forms = family.keyForms();
    // The family's first form is its usual one: Hill's matrix before its keyword.
    QRadioButton *first = nullptr;
    for (const FormRow &row : qAsConst(m_forms)) {
        const bool taken = forms.contains(row.form);
        row.row->setVisible(taken);
        if (taken && row.form == forms.first())
            first = row.choice;
    }
    m_secondKeyword->setVisible(family.valuesTaken(KeyForm::Keyword) > 1);
    m_fillerRow->setVisible(family.takesFiller());
    const WholeKey *whole = wholeKey();
    m_whole->setEnabled(whole);
    m_wholeName->setText(whole ? QStringLiteral("%1 — %2").arg(whole->name, family.keyText(whole->key))
                               : QStringLiteral("нет: «Новый ключ» или «Открыть ключ…»"));
    // The row chosen before stays chosen when this family has it too.
    QAbstractButton *chosen = m_choices->checkedButton();
    const bool keeps = chosen && chosen->isEnabled() && !chosen->parentWidget()->isHidden();
    if (!keeps && first) {
        const QSignalBlocker quiet(m_choices);
        first->setChecked(true);
    }
    emit changed();
}

void KeyFormsPanel::setWholeKey(const SymbolKey &key, const QString &name, std::optional<quint64> seed)
{
    if (!m_family)
        return;
    m_wholeKeys[m_family->name()] = {key, name, seed};
    {
        const QSignalBlocker quiet(m_choices);
        m_whole->setChecked(true);
        const QSignalBlocker sameFiller(m_filler);
        if (m_family->takesFiller())
            m_filler->setCurrentIndex(key.filler);
    }
    setFamily(*m_family);
}

const KeyFormsPanel::WholeKey *KeyFormsPanel::wholeKey() const
{
    if (!m_family)
        return nullptr;
    const auto found = m_wholeKeys.find(m_family->name());
    return found == m_wholeKeys.end() ? nullptr : &found->second;
}

QString KeyFormsPanel::formText(KeyForm form) const
{
    switch (form) {
    case KeyForm::Shift:
        return QString::number(m_shift->value());
    case KeyForm::Affine:
        return QStringLiteral("%1,%2").arg(m_affineA->value()).arg(m_affineB->value());
    case KeyForm::Keyword:
        return m_keyword->text();
    case KeyForm::Digits:
        return m_digits->text();
    case KeyForm::Matrix:
        return m_matrix->text();
    case KeyForm::Atbash:
        break;
    }
    return QString();
}

void KeyFormsPanel::setMatrixText(const QString &text)
{
    if (m_matrix->text() == text) {
        for (const FormRow &row : qAsConst(m_forms)) {
            if (row.form == KeyForm::Matrix)
                row.choice->setChecked(true);
        }
        return;
    }
    m_matrix->setText(text);
}

std::optional<SymbolKey> KeyFormsPanel::key(QString &problem) const
{
    std::optional<SymbolKey> key = chosenKey(problem);
    if (key && m_family->takesFiller())
        key->filler = std::int8_t(m_filler->currentData().toInt());
    return key;
}

std::optional<SymbolKey> KeyFormsPanel::chosenKey(QString &problem) const
{
    if (!m_family)
        return std::nullopt;
    if (m_whole->isChecked()) {
        if (const WholeKey *whole = wholeKey())
            return whole->key;
    }
    for (const FormRow &row : m_forms) {
        if (!row.choice->isChecked())
            continue;
        QStringList values {formText(row.form)};
        if (row.form == KeyForm::Keyword && m_family->valuesTaken(row.form) > 1)
            values << m_secondKeyword->text();
        return m_family->keyFromValues(row.form, values, problem);
    }
    problem = QStringLiteral("выберите вид ключа");
    return std::nullopt;
}

std::optional<quint64> KeyFormsPanel::seed() const
{
    const WholeKey *whole = wholeKey();
    return whole && m_whole->isChecked() ? whole->seed : std::nullopt;
}
