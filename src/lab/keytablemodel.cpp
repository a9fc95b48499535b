#include "keytablemodel.h"

#include "keytable.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace {

int widestRow(const KeyTable &table)
{
    int widest = 0;
    for (const KeyRow &row : table)
        widest = qMax(widest, int(row.codes.size()));
    return widest;
}

} // namespace

KeyTableModel::KeyTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(fixedKeyTable())
{
    check();
}

void KeyTableModel::setTable(const KeyTable &table, const QString &name)
{
    beginResetModel();
    m_table = table;
    m_name = name;
    endResetModel();
    check();
}

std::optional<KeyTable> KeyTableModel::validTable() const
{
    if (!m_problems.isEmpty())
        return std::nullopt;
    return m_table;
}

void KeyTableModel::setEditable(bool editable)
{
    beginResetModel();
    m_editable = editable;
    endResetModel();
}

void KeyTableModel::setMarkedCodes(const QStringList &codes)
{
    m_marked = codes;
    if (rowCount() > 0)
        emit dataChanged(index(0, 1), index(rowCount() - 1, columnCount() - 1));
}

int KeyTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_table.size());
}

// An editor has one more column, where a row takes a new code.
int KeyTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1 + widestRow(m_table) + (m_editable ? 1 : 0);
}

QVariant KeyTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const KeyRow &row = m_table[size_t(index.row())];
    if (index.column() == 0) {
        if (role == Qt::DisplayRole)
            return row.symbol == QLatin1String(" ") ? QString(QChar(KeyFileSpace)) : row.symbol;
        if (role == Qt::ToolTipRole && row.symbol == QLatin1String(" "))
            return QStringLiteral("пробел");
        return {};
    }
    const int column = index.column() - 1;
    if (column >= int(row.codes.size())) {
        if (role == Qt::ToolTipRole && m_editable && column == row.codes.size())
            return QStringLiteral("Впишите код, чтобы добавить его символу; сотрите последний код, чтобы убрать его");
        return {};
    }
    const QString &code = row.codes[column];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return code;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::FontRole:
        if (m_marked.contains(code)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::BackgroundRole:
        if (m_marked.contains(code))
            return QBrush(QColor(255, 236, 160));
        return {};
    case Qt::ToolTipRole:
        return m_marked.contains(code) ? QStringLiteral("код закреплён за символом") : QVariant();
    default:
        return {};
    }
}

// Rows of more than three codes leave each column too narrow for «Код 1»:
// the number alone, the caption in the tooltip.
QVariant KeyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section == 0)
        return QStringLiteral("Символ");
    const int widest = widestRow(m_table);
    const bool narrow = role == Qt::DisplayRole && widest > 3;
    if (section > widest)
        return narrow ? QStringLiteral("+") : QStringLiteral("+ код");
    return narrow ? QString::number(section) : QStringLiteral("Код %1").arg(section);
}

Qt::ItemFlags KeyTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (m_editable && index.column() > 0
        && index.column() - 1 <= int(m_table[size_t(index.row())].codes.size()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool KeyTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString code = value.toString().trimmed();
    // A tab or a line end would cut the row in the key file's text.
    if (code.contains(QLatin1Char('\t')) || code.contains(QLatin1Char('\n')) || code.contains(QLatin1Char('\r')))
        return false;
    QStringList &codes = m_table[size_t(index.row())].codes;
    const int column = index.column() - 1;
    const int widest = widestRow(m_table);
    // A code typed after the last lengthens the row; the last code emptied
    // shortens it. An empty code inside the row stays, for the reader to
    // name.
    if (column == codes.size()) {
        if (code.isEmpty())
            return false;
        codes << code;
    } else if (code.isEmpty() && column == codes.size() - 1) {
        codes.removeLast();
    } else {
        codes[column] = code;
    }
    if (widestRow(m_table) != widest) {
        beginResetModel();
        endResetModel();
    } else {
        emit dataChanged(this->index(index.row(), 1), this->index(index.row(), columnCount() - 1));
    }
    check();
    emit edited();
    return true;
}

// The table goes through the key file's own reader, one row a line, so that
// the line numbers of its problems are the editor's row numbers.
void KeyTableModel::check()
{
    const QString name = m_name.isEmpty() ? QStringLiteral("таблица") : m_name;
    m_problems = readKeyTable(keyTableText(m_table).toUtf8(), name).problems;
    emit problemsChanged(m_problems);
}
