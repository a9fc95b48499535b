#include "keytablemodel.h"

#include "keytable.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace {

int widestRow(const HomophoneTable &table)
{
    int widest = 0;
    for (const RowHR &row : table)
        widest = qMax(widest, int(row.codes.size()));
    return widest;
}

} // namespace

KeyTableModel::KeyTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(fixedHomophoneTable())
{
    check();
}

void KeyTableModel::setTable(const HomophoneTable &table, const QString &name)
{
    beginResetModel();
    m_table = table;
    m_name = name;
    endResetModel();
    check();
}

std::optional<HomophoneTable> KeyTableModel::validTable() const
{
    if (!m_problems.isEmpty())
        return std::nullopt;
    return m_table;
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

int KeyTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1 + widestRow(m_table);
}

QVariant KeyTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const RowHR &row = m_table[size_t(index.row())];
    if (index.column() == 0) {
        if (role == Qt::DisplayRole)
            return row.symbol == QLatin1String(" ") ? QString(QChar(KeyFileSpace)) : row.symbol;
        if (role == Qt::ToolTipRole && row.symbol == QLatin1String(" "))
            return QStringLiteral("пробел");
        return {};
    }
    const int column = index.column() - 1;
    if (column >= int(row.codes.size()))
        return {};
    const QString &code = row.codes[size_t(column)];
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

QVariant KeyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section == 0 ? QStringLiteral("Символ") : QStringLiteral("Код %1").arg(section);
}

Qt::ItemFlags KeyTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (m_editable && index.column() > 0
        && index.column() - 1 < int(m_table[size_t(index.row())].codes.size()))
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
    m_table[size_t(index.row())].codes[size_t(index.column() - 1)] = code;
    emit dataChanged(index, index);
    check();
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
