#include "polygram.h"

#include <QRegularExpression>
#include <QStringList>

namespace Polygram {

namespace {

constexpr int Mask = Alphabet::Size - 1;

int at(const Matrix &matrix, int n, int row, int column)
{
    return matrix[std::size_t(row * n + column)];
}

// The inverse of an odd number mod 32, by Newton's iteration: x = a is right
// in the lowest three bits, and each step doubles them.
int oddInverse(int value)
{
    int x = value;
    for (int i = 0; i < 3; ++i)
        x = (x * (2 - value * x)) & Mask;
    return x & Mask;
}

} // namespace

int determinant(const Matrix &matrix)
{
    if (matrix.size() == 4)
        return (matrix[0] * matrix[3] - matrix[1] * matrix[2]) & Mask;
    if (matrix.size() != 9)
        return 0;
    const auto m = [&](int row, int column) { return at(matrix, 3, row, column); };
    const int value = m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1))
        - m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) + m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
    return value & Mask;
}

Matrix inverse(const Matrix &matrix)
{
    const int n = matrixSize(matrix);
    const int scale = oddInverse(determinant(matrix));
    Matrix result(matrix.size());
    if (n == 2) {
        const int adjugate[4] = { matrix[3], -matrix[1], -matrix[2], matrix[0] };
        for (int i = 0; i < 4; ++i)
            result[std::size_t(i)] = std::int8_t((adjugate[i] * scale) & Mask);
        return result;
    }
    // The adjugate: the cofactor of (column, row) at (row, column).
    const auto m = [&](int row, int column) { return at(matrix, 3, (row + 3) % 3, (column + 3) % 3); };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int cofactor = m(column + 1, row + 1) * m(column + 2, row + 2)
                - m(column + 1, row + 2) * m(column + 2, row + 1);
            result[std::size_t(row * 3 + column)] = std::int8_t((cofactor * scale) & Mask);
        }
    }
    return result;
}

QString matrixProblem(const Matrix &matrix)
{
    if (matrix.size() != 4 && matrix.size() != 9)
        return QStringLiteral("матрица шифра Хилла должна быть 2 × 2 или 3 × 3");
    const int value = determinant(matrix);
    if (value % 2 == 0) {
        return QStringLiteral("определитель матрицы %1 по модулю %2 равен %3, чётное число: у такой матрицы нет "
                              "обратной, и разные блоки совпали бы; нужен нечётный определитель")
            .arg(matrixText(matrix))
            .arg(Alphabet::Size)
            .arg(value);
    }
    return QString();
}

std::optional<Matrix> matrixFromText(QStringView text, QString &problem)
{
    const QStringList rows = text.toString().split(QLatin1Char(';'));
    const int n = int(rows.size());
    if (n != 2 && n != 3) {
        problem = QStringLiteral("нужна матрица 2 × 2 или 3 × 3, строки через точку с запятой, например «3 5; 2 7», "
                                 "а не «%1»")
                      .arg(text);
        return std::nullopt;
    }
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    Matrix matrix;
    for (int row = 0; row < n; ++row) {
        const QStringList numbers = rows.at(row).trimmed().split(separators, Qt::SkipEmptyParts);
        if (numbers.size() != n) {
            problem = QStringLiteral("в строке %1 матрицы %2 чисел, а нужно %3: «%4»")
                          .arg(row + 1)
                          .arg(numbers.size())
                          .arg(n)
                          .arg(rows.at(row).trimmed());
            return std::nullopt;
        }
        for (const QString &number : numbers) {
            bool ok = false;
            const qlonglong value = number.toLongLong(&ok);
            if (!ok || number.startsWith(QLatin1Char('+'))) {
                problem = QStringLiteral("«%1» — не целое число").arg(number);
                return std::nullopt;
            }
            matrix.push_back(std::int8_t(((value % Alphabet::Size) + Alphabet::Size) % Alphabet::Size));
        }
    }
    problem = matrixProblem(matrix);
    if (!problem.isEmpty())
        return std::nullopt;
    return matrix;
}

QString matrixText(const Matrix &matrix)
{
    const int n = matrixSize(matrix);
    QStringList rows;
    for (int row = 0; row < n && std::size_t(row * n + n) <= matrix.size(); ++row) {
        QStringList numbers;
        for (int column = 0; column < n; ++column)
            numbers << QString::number(at(matrix, n, row, column));
        rows << numbers.join(QLatin1Char(' '));
    }
    return rows.join(QStringLiteral("; "));
}

} // namespace Polygram
