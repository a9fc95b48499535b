#include "symbolkeymodel.h"

#include "keyfile.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace {

const QColor KeywordRow(0xff, 0xf1, 0xc1);
const QColor StepRow(0xff, 0xd9, 0xa0);
const QColor StepCell(0xf2, 0x9e, 0x4c);

QString quoted(int symbol)
{
    return QStringLiteral("«%1»").arg(keyFileSymbolText(symbol));
}

// A list cut short: a long keyword would stretch a header across the screen.
QString shortList(const QStringList &items, int most)
{
    if (items.size() <= most)
        return items.join(QStringLiteral(", "));
    return QStringList(items.mid(0, most)).join(QStringLiteral(", ")) + QStringLiteral(", …");
}

} // namespace

SymbolKeyModel::SymbolKeyModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void SymbolKeyModel::setKey(const CipherFamily &family, const std::optional<SymbolKey> &key)
{
    beginResetModel();
    m_family = &family;
    m_cipher.reset();
    if (key)
        m_cipher.emplace(*key);
    m_step.reset();
    m_stepText.clear();
    m_caption = describe();
    endResetModel();
    emit keyChanged();
    emit stepChanged();
}

bool SymbolKeyModel::hasSeveralAlphabets() const
{
    return m_cipher && m_cipher->rule() != SymbolRule::Substitution;
}

QString SymbolKeyModel::shiftText(int shift) const
{
    if (m_family && m_family->keyFileForm() == SymbolKeys::KeyFileForm::Digits)
        return QString::number(shift);
    return QStringLiteral("%1 = %2").arg(quoted(shift)).arg(shift);
}

QString SymbolKeyModel::describe() const
{
    if (!m_cipher)
        return QStringLiteral("Ключ с ошибкой: исправьте его, и он появится здесь.");
    QString key = m_family->title() + QStringLiteral(", ") + m_family->keyText(m_cipher->key());
    key[0] = key.at(0).toUpper();
    if (!hasSeveralAlphabets()) {
        return key + QStringLiteral(". Верхняя строка — символы открытого текста, под каждым — его замена.");
    }
    const int period = m_cipher->period();
    QStringList rows;
    for (const std::int8_t shift : m_cipher->key().shifts)
        rows << (m_family->keyFileForm() == SymbolKeys::KeyFileForm::Digits ? QString::number(shift)
                                                                             : keyFileSymbolText(shift));
    const QString rowList = shortList(rows, 16);
    QString text = key
        + (period == 1 ? QStringLiteral(": один алфавит — отмеченная строка квадрата (%1).").arg(rowList)
                       : QStringLiteral(": алфавиты 1–%1 — отмеченные строки квадрата (%2).").arg(period).arg(rowList));
    switch (m_cipher->rule()) {
    case SymbolRule::Beaufort:
        text += QStringLiteral(" Строка — символ ключа k, столбец — символ открытого текста p, на пересечении "
                               "k − p; расшифровывает тот же квадрат.");
        break;
    case SymbolRule::Autokey:
        text += QStringLiteral(" Столбец — символ открытого текста, строка — сдвиг, на пересечении — символ "
                               "шифртекста. Ключевое слово служит только первым %1 символам: дальше сдвигом "
                               "каждого алфавита становится открытый текст — символ, стоящий на %1 раньше.")
                    .arg(period);
        break;
    case SymbolRule::Substitution:
    case SymbolRule::Vigenere:
    case SymbolRule::Playfair:
    case SymbolRule::TwoSquare:
    case SymbolRule::Hill:
        text += QStringLiteral(" Столбец — символ открытого текста, строка — сдвиг, на пересечении — символ "
                               "шифртекста.");
        break;
    }
    return text;
}

QList<int> SymbolKeyModel::alphabetsOfRow(int row) const
{
    QList<int> alphabets;
    if (!hasSeveralAlphabets())
        return alphabets;
    const std::vector<std::int8_t> &shifts = m_cipher->key().shifts;
    for (std::size_t i = 0; i < shifts.size(); ++i) {
        if (shifts[i] == row)
            alphabets << int(i) + 1;
    }
    return alphabets;
}

QString SymbolKeyModel::stepLine(const SymbolStep &step) const
{
    const QString symbol = QStringLiteral("символ %1 %2").arg(step.number + 1).arg(quoted(step.plain));
    if (!hasSeveralAlphabets()) {
        return QStringLiteral("%1 → %2 (столбец %3 алфавита замены)")
            .arg(symbol, quoted(step.cipher), quoted(step.plain));
    }
    QString shift = shiftText(step.shift);
    if (m_cipher->shiftIsPlaintext(step.number))
        shift += QStringLiteral(" — открытый символ %1").arg(step.number - m_cipher->period() + 1);
    const QString word = m_cipher->rule() == SymbolRule::Beaufort ? QStringLiteral("ключ") : QStringLiteral("сдвиг");
    return QStringLiteral("%1: алфавит %2 (%3 %4) → %5")
        .arg(symbol)
        .arg(step.column + 1)
        .arg(word, shift, quoted(step.cipher));
}

void SymbolKeyModel::showStep(const SymbolStep &step)
{
    m_step = step;
    m_stepText = stepLine(step);
    remark();
}

void SymbolKeyModel::showNoStep(const QString &why)
{
    m_step.reset();
    m_stepText = why;
    remark();
}

// The marks of the step before go with those of this one.
void SymbolKeyModel::remark()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
    emit stepChanged();
}

QModelIndex SymbolKeyModel::stepCell() const
{
    if (!m_step || !m_cipher)
        return {};
    return hasSeveralAlphabets() ? index(m_step->shift, m_step->plain) : index(1, m_step->plain);
}

int SymbolKeyModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_cipher)
        return 0;
    return hasSeveralAlphabets() ? Alphabet::Size : 2;
}

int SymbolKeyModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_cipher ? 0 : Alphabet::Size;
}

QVariant SymbolKeyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_cipher)
        return {};
    const int row = index.row();
    const int plain = index.column();
    const bool several = hasSeveralAlphabets();
    const int cipher = m_cipher->cipherSymbolUnder(plain, several ? row : 0);
    switch (role) {
    case Qt::DisplayRole:
        return keyFileSymbolText(!several && row == 0 ? plain : cipher);
    case Qt::TextAlignmentRole:
        return Qt::AlignCenter;
    case Qt::ToolTipRole:
        if (several)
            return QStringLiteral("%1, %2 → %3").arg(quoted(plain), shiftText(row), quoted(cipher));
        return QStringLiteral("%1 → %2").arg(quoted(plain), quoted(cipher));
    case Qt::BackgroundRole:
        if (m_step && m_step->plain == plain && (!several || m_step->shift == row))
            return QBrush(StepCell);
        if (m_step && several && m_step->shift == row)
            return QBrush(StepRow);
        if (!alphabetsOfRow(row).isEmpty())
            return QBrush(KeywordRow);
        return {};
    default:
        return {};
    }
}

QVariant SymbolKeyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_cipher)
        return {};
    const bool several = hasSeveralAlphabets();
    if (orientation == Qt::Horizontal) {
        if (!several)
            return {};
        if (role == Qt::DisplayRole)
            return keyFileSymbolText(section);
        if (role == Qt::ToolTipRole)
            return QStringLiteral("Символ открытого текста %1").arg(quoted(section));
        return {};
    }
    if (!several) {
        if (role == Qt::DisplayRole)
            return section == 0 ? QStringLiteral("открытый") : QStringLiteral("замена");
        return {};
    }
    const QList<int> alphabets = alphabetsOfRow(section);
    switch (role) {
    case Qt::DisplayRole: {
        QString text = QStringLiteral("%1 %2").arg(keyFileSymbolText(section)).arg(section);
        if (!alphabets.isEmpty()) {
            QStringList numbers;
            for (const int alphabet : alphabets)
                numbers << QString::number(alphabet);
            text += QStringLiteral(" ← ") + shortList(numbers, 3);
        }
        return text;
    }
    case Qt::ToolTipRole:
        return alphabets.isEmpty() ? QStringLiteral("Сдвиг %1").arg(shiftText(section))
                                   : QStringLiteral("Сдвиг %1: строка ключевого слова").arg(shiftText(section));
    case Qt::FontRole:
        if (!alphabets.isEmpty()) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}
