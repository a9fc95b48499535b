#include "polygramkeymodel.h"

#include "keyfile.h"

#include <QBrush>
#include <QColor>
#include <QMimeData>

namespace {

const QColor RegionCell(0xff, 0xf1, 0xc1);
const QColor PlainCell(0xf2, 0x9e, 0x4c);
const QColor CipherCell(0x9f, 0xd3, 0x8f);
const QLatin1String CellMimeType("application/x-lab-rectangle-cell");

QString quoted(int symbol)
{
    return QStringLiteral("«%1»").arg(keyFileSymbolText(symbol));
}

// Row and column from 1, as a lesson counts them.
QString placeText(int cell)
{
    return QStringLiteral("строка %1, столбец %2").arg(Polygram::rowOf(cell) + 1).arg(Polygram::columnOf(cell) + 1);
}

QString symbolsText(const BlockStep &step, const std::array<int, 3> &symbols)
{
    QStringList quotedSymbols;
    for (int i = 0; i < step.size; ++i)
        quotedSymbols << quoted(symbols[std::size_t(i)]);
    return quotedSymbols.join(QLatin1Char(' '));
}

} // namespace

PolygramKeyModel::PolygramKeyModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void PolygramKeyModel::setKey(const CipherFamily &family, const std::optional<SymbolKey> &key, const QString &problem)
{
    beginResetModel();
    if (&family != m_family)
        m_matrix.clear();
    m_family = &family;
    m_cipher.reset();
    m_problem = problem;
    m_rule = SymbolRule::Substitution;
    if (key) {
        m_cipher.emplace(*key);
        m_rule = key->rule;
        if (m_rule == SymbolRule::Hill)
            m_matrix = key->matrix;
    } else if (!m_matrix.empty()) {
        m_rule = SymbolRule::Hill;
    }
    m_step.reset();
    m_stepText.clear();
    endResetModel();
    emit keyChanged();
    emit stepChanged();
}

QString PolygramKeyModel::caption() const
{
    if (!m_family)
        return QString();
    if (!m_cipher) {
        return drawsMatrix() ? QStringLiteral("Эта матрица — не ключ: %1.").arg(m_problem)
                             : QStringLiteral("Ключ с ошибкой: исправьте его, и он появится здесь.");
    }
    QString text = m_family->title() + QStringLiteral(", ") + m_family->keyText(m_cipher->key());
    text[0] = text.at(0).toUpper();
    switch (m_rule) {
    case SymbolRule::Playfair:
        return text + QStringLiteral(". Перетащите символ на другую клетку — они поменяются местами.");
    case SymbolRule::TwoSquare:
        return text + QStringLiteral(". Слева первый прямоугольник, справа второй; перетащите символ на другую "
                                     "клетку того же прямоугольника — они поменяются местами.");
    case SymbolRule::Hill:
        return text + QStringLiteral(". Блок открытого текста — вектор-столбец p, шифр — K·p по модулю 32; "
                                     "дважды щёлкните число, чтобы изменить его.");
    default:
        return text + QLatin1Char('.');
    }
}

int PolygramKeyModel::rectangleOf(const QModelIndex &index) const
{
    if (!index.isValid() || !drawsRectangles() || !m_cipher)
        return -1;
    if (index.column() < Polygram::Columns)
        return 0;
    return m_rule == SymbolRule::TwoSquare && index.column() >= SecondRectangleColumn ? 1 : -1;
}

int PolygramKeyModel::cellOf(const QModelIndex &index) const
{
    const int rectangle = rectangleOf(index);
    if (rectangle < 0)
        return -1;
    return Polygram::cellAt(index.row(), index.column() - rectangle * SecondRectangleColumn);
}

QModelIndex PolygramKeyModel::indexOf(int rectangle, int cell) const
{
    return index(Polygram::rowOf(cell), Polygram::columnOf(cell) + rectangle * SecondRectangleColumn);
}

const std::array<std::int8_t, Alphabet::Size> &PolygramKeyModel::symbols(int rectangle) const
{
    return rectangle == 0 ? m_cipher->key().alphabet : m_cipher->key().second;
}

bool PolygramKeyModel::swapCells(const QModelIndex &first, const QModelIndex &second)
{
    const int rectangle = rectangleOf(first);
    if (rectangle < 0 || rectangleOf(second) != rectangle || first == second)
        return false;
    SymbolKey key = m_cipher->key();
    auto &cells = rectangle == 0 ? key.alphabet : key.second;
    std::swap(cells[std::size_t(cellOf(first))], cells[std::size_t(cellOf(second))]);
    emit keyEdited(key);
    return true;
}

void PolygramKeyModel::setMatrixSize(int size)
{
    if (!drawsMatrix() || (size != 2 && size != 3) || size == matrixSize() || m_matrix.empty())
        return;
    const int from = matrixSize();
    Polygram::Matrix resized(std::size_t(size * size), 0);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const bool kept = row < from && column < from;
            resized[std::size_t(row * size + column)] = kept ? m_matrix[std::size_t(row * from + column)]
                                                             : std::int8_t(row == column);
        }
    }
    beginResetModel();
    m_matrix = resized;
    endResetModel();
    emit matrixEdited(m_matrix);
}

QString PolygramKeyModel::determinantText() const
{
    if (!drawsMatrix() || m_matrix.empty())
        return QString();
    const int value = Polygram::determinant(m_matrix);
    return value % 2 == 1
        ? QStringLiteral("Определитель по модулю %1: %2 — нечётный, у матрицы есть обратная.")
              .arg(Alphabet::Size)
              .arg(value)
        : QStringLiteral("Определитель по модулю %1: %2 — чётный: обратной матрицы нет, и такая матрица не "
                         "ключ (разные блоки дали бы один шифр). Измените числа так, чтобы определитель стал "
                         "нечётным.")
              .arg(Alphabet::Size)
              .arg(value);
}

QString PolygramKeyModel::inverseText() const
{
    if (!drawsMatrix() || !Polygram::isInvertible(m_matrix))
        return QString();
    return QStringLiteral("Обратная матрица по модулю %1 (ею расшифровывают): %2")
        .arg(Alphabet::Size)
        .arg(Polygram::matrixText(Polygram::inverse(m_matrix)));
}

QString PolygramKeyModel::playfairLine(const BlockStep &step) const
{
    const Polygram::Rectangle rectangle = Polygram::Rectangle::of(m_cipher->key().alphabet);
    const int first = rectangle.cellOf[std::size_t(step.plain[0])];
    const int second = rectangle.cellOf[std::size_t(step.plain[1])];
    const QString replaced = QStringLiteral("%1 → %2, %3 → %4")
                                 .arg(quoted(step.plain[0]), quoted(step.cipher[0]), quoted(step.plain[1]),
                                      quoted(step.cipher[1]));
    switch (Polygram::playfairRule(first, second)) {
    case Polygram::PairRule::Row:
        return QStringLiteral("Одна строка: каждый символ заменён соседом справа (за последним в строке идёт "
                              "первый): %1.")
            .arg(replaced);
    case Polygram::PairRule::Column:
        return QStringLiteral("Один столбец: каждый символ заменён соседом снизу (под нижним — верхний): %1.")
            .arg(replaced);
    case Polygram::PairRule::Rectangle:
        break;
    }
    return QStringLiteral("Прямоугольник: каждый символ заменён противоположным углом в своей строке — символом "
                          "из столбца другого: %1.")
        .arg(replaced);
}

QString PolygramKeyModel::twoSquareLine(const BlockStep &step) const
{
    const Polygram::Rectangle first = Polygram::Rectangle::of(m_cipher->key().alphabet);
    const Polygram::Rectangle second = Polygram::Rectangle::of(m_cipher->key().second);
    return QStringLiteral("Два прямоугольника: %1 взят из левого (%2), %3 — из правого (%4). Первый символ шифра "
                          "%5 — из правого прямоугольника, в строке первого и столбце второго; второй %6 — из "
                          "левого, в строке второго и столбце первого.")
        .arg(quoted(step.plain[0]), placeText(first.cellOf[std::size_t(step.plain[0])]), quoted(step.plain[1]),
             placeText(second.cellOf[std::size_t(step.plain[1])]), quoted(step.cipher[0]), quoted(step.cipher[1]));
}

// The product written out before it is reduced, so that a learner can check
// each row; the reduced numbers are the cipher's own.
QString PolygramKeyModel::hillLine(const BlockStep &step) const
{
    const Polygram::Matrix &matrix = m_cipher->key().matrix;
    const int n = step.size;
    QStringList vector, terms, sums, reduced;
    for (int row = 0; row < n; ++row) {
        vector << QString::number(step.plain[std::size_t(row)]);
        QStringList products;
        int sum = 0;
        for (int column = 0; column < n; ++column) {
            const int entry = matrix[std::size_t(row * n + column)];
            products << QStringLiteral("%1·%2").arg(entry).arg(step.plain[std::size_t(column)]);
            sum += entry * step.plain[std::size_t(column)];
        }
        terms << products.join(QStringLiteral(" + "));
        sums << QString::number(sum);
        reduced << QString::number(step.cipher[std::size_t(row)]);
    }
    const QString joiner = QStringLiteral(", ");
    return QStringLiteral("Вектор-столбец p = (%1); K·p mod 32 = (%2) mod 32 = (%3) mod 32 = (%4) → %5.")
        .arg(vector.join(joiner), terms.join(joiner), sums.join(joiner), reduced.join(joiner),
             symbolsText(step, step.cipher));
}

QString PolygramKeyModel::stepLine(const BlockStep &step) const
{
    QString line = QStringLiteral("Блок %1 → %2").arg(symbolsText(step, step.plain), symbolsText(step, step.cipher));
    QStringList fillers;
    for (int i = 0; i < step.size; ++i) {
        if (step.position[std::size_t(i)] < 0)
            fillers << quoted(step.plain[std::size_t(i)]);
    }
    if (!fillers.isEmpty())
        line += QStringLiteral(" (%1 — заполнитель, в открытом тексте его нет)").arg(fillers.join(QStringLiteral(", ")));
    line += QStringLiteral(". ");
    switch (m_rule) {
    case SymbolRule::Playfair:
        return line + playfairLine(step);
    case SymbolRule::TwoSquare:
        return line + twoSquareLine(step);
    case SymbolRule::Hill:
        return line + hillLine(step);
    default:
        return line;
    }
}

void PolygramKeyModel::showStep(const BlockStep &step)
{
    if (!m_cipher)
        return;
    m_step = step;
    m_stepText = stepLine(step);
    remark();
}

void PolygramKeyModel::showNoStep(const QString &why)
{
    m_step.reset();
    m_stepText = why;
    remark();
}

void PolygramKeyModel::remark()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
    emit stepChanged();
}

QModelIndexList PolygramKeyModel::stepCells() const
{
    QModelIndexList cells;
    if (!m_step || !drawsRectangles() || !m_cipher)
        return cells;
    for (int i = 0; i < m_step->size; ++i) {
        // The two-square finds the second symbol in the second rectangle.
        const int rectangle = m_rule == SymbolRule::TwoSquare ? i : 0;
        const Polygram::Rectangle drawn = Polygram::Rectangle::of(symbols(rectangle));
        cells << indexOf(rectangle, drawn.cellOf[std::size_t(m_step->plain[std::size_t(i)])]);
    }
    return cells;
}

PolygramKeyModel::Mark PolygramKeyModel::markOf(int rectangle, int cell) const
{
    if (!m_step || rectangle < 0)
        return Mark::None;
    const Polygram::Rectangle drawn = Polygram::Rectangle::of(symbols(rectangle));
    const int symbol = symbols(rectangle)[std::size_t(cell)];
    const BlockStep &step = *m_step;
    if (m_rule == SymbolRule::TwoSquare) {
        // Left: the first plain symbol and the second cipher symbol; right:
        // the second plain symbol and the first cipher symbol.
        if (symbol == step.plain[std::size_t(rectangle)])
            return Mark::Plain;
        if (symbol == step.cipher[std::size_t(1 - rectangle)])
            return Mark::Cipher;
        const int row = Polygram::rowOf(cell);
        const auto rowOfSymbol = [&drawn](int s) { return Polygram::rowOf(drawn.cellOf[std::size_t(s)]); };
        return row == rowOfSymbol(step.plain[std::size_t(rectangle)])
                || row == rowOfSymbol(step.cipher[std::size_t(1 - rectangle)])
            ? Mark::Region
            : Mark::None;
    }
    if (symbol == step.plain[0] || symbol == step.plain[1])
        return Mark::Plain;
    if (symbol == step.cipher[0] || symbol == step.cipher[1])
        return Mark::Cipher;
    const int first = drawn.cellOf[std::size_t(step.plain[0])];
    const int second = drawn.cellOf[std::size_t(step.plain[1])];
    const int row = Polygram::rowOf(cell), column = Polygram::columnOf(cell);
    switch (Polygram::playfairRule(first, second)) {
    case Polygram::PairRule::Row:
        return row == Polygram::rowOf(first) ? Mark::Region : Mark::None;
    case Polygram::PairRule::Column:
        return column == Polygram::columnOf(first) ? Mark::Region : Mark::None;
    case Polygram::PairRule::Rectangle:
        break;
    }
    const int top = qMin(Polygram::rowOf(first), Polygram::rowOf(second));
    const int bottom = qMax(Polygram::rowOf(first), Polygram::rowOf(second));
    const int left = qMin(Polygram::columnOf(first), Polygram::columnOf(second));
    const int right = qMax(Polygram::columnOf(first), Polygram::columnOf(second));
    return row >= top && row <= bottom && column >= left && column <= right ? Mark::Region : Mark::None;
}

int PolygramKeyModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (drawsMatrix())
        return m_matrix.empty() ? 0 : matrixSize();
    return drawsRectangles() && m_cipher ? Polygram::Rows : 0;
}

int PolygramKeyModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || rowCount() == 0)
        return 0;
    if (drawsMatrix())
        return matrixSize();
    return m_rule == SymbolRule::TwoSquare ? SecondRectangleColumn + Polygram::Columns : Polygram::Columns;
}

QVariant PolygramKeyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (drawsMatrix()) {
        const int entry = m_matrix[std::size_t(index.row() * matrixSize() + index.column())];
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return entry;
        case Qt::TextAlignmentRole:
            return Qt::AlignCenter;
        case Qt::ToolTipRole:
            return QStringLiteral("Строка %1, столбец %2 матрицы: %3 (по модулю 32; дважды щёлкните, чтобы "
                                  "изменить)")
                .arg(index.row() + 1)
                .arg(index.column() + 1)
                .arg(entry);
        default:
            return {};
        }
    }
    const int rectangle = rectangleOf(index);
    if (rectangle < 0)
        return {};
    const int cell = cellOf(index);
    const int symbol = symbols(rectangle)[std::size_t(cell)];
    switch (role) {
    case Qt::DisplayRole:
        return keyFileSymbolText(symbol);
    case Qt::TextAlignmentRole:
        return Qt::AlignCenter;
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return QStringLiteral("%1: %2%3")
            .arg(quoted(symbol), placeText(cell),
                 m_rule == SymbolRule::TwoSquare
                     ? (rectangle == 0 ? QStringLiteral(" левого прямоугольника") : QStringLiteral(" правого прямоугольника"))
                     : QString());
    case Qt::BackgroundRole:
        switch (markOf(rectangle, cell)) {
        case Mark::Plain:
            return QBrush(PlainCell);
        case Mark::Cipher:
            return QBrush(CipherCell);
        case Mark::Region:
            return QBrush(RegionCell);
        case Mark::None:
            break;
        }
        return {};
    default:
        return {};
    }
}

bool PolygramKeyModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || !drawsMatrix() || role != Qt::EditRole)
        return false;
    bool ok = false;
    const int entry = value.toInt(&ok);
    if (!ok)
        return false;
    auto &cell = m_matrix[std::size_t(index.row() * matrixSize() + index.column())];
    const auto reduced = std::int8_t(entry & (Alphabet::Size - 1));
    if (cell == reduced)
        return true;
    cell = reduced;
    emit dataChanged(index, index);
    emit matrixEdited(m_matrix);
    return true;
}

Qt::ItemFlags PolygramKeyModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (drawsMatrix())
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    if (rectangleOf(index) < 0)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QVariant PolygramKeyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || rowCount() == 0)
        return {};
    if (orientation == Qt::Vertical || drawsMatrix())
        return section + 1;
    if (section == Polygram::Columns)
        return QString();
    return section % SecondRectangleColumn + 1;
}

QStringList PolygramKeyModel::mimeTypes() const
{
    return {CellMimeType};
}

QMimeData *PolygramKeyModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty() || rectangleOf(indexes.first()) < 0)
        return nullptr;
    auto *data = new QMimeData;
    data->setData(CellMimeType,
                  QByteArray::number(indexes.first().row()) + ' ' + QByteArray::number(indexes.first().column()));
    return data;
}

bool PolygramKeyModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                    const QModelIndex &parent)
{
    if (!data || !data->hasFormat(CellMimeType))
        return false;
    if (action == Qt::IgnoreAction)
        return true;
    const QList<QByteArray> from = data->data(CellMimeType).split(' ');
    if (from.size() != 2)
        return false;
    const QModelIndex source = index(from.at(0).toInt(), from.at(1).toInt());
    const QModelIndex target = parent.isValid() ? parent : index(row, column);
    return swapCells(source, target);
}

// A swap copies nothing away: the view must not clear the cell it dragged from.
Qt::DropActions PolygramKeyModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

Qt::DropActions PolygramKeyModel::supportedDropActions() const
{
    return Qt::CopyAction;
}
