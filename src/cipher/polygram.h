// The rules of the ciphers that replace symbols a block at a time: Playfair
// and the two-square on the 4 × 8 rectangle that the 32 symbols fill
// exactly, and Hill's matrix mod 32. Inline where the attacks call them for
// every pair of a trial.
#pragma once

#include "alphabet.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace Polygram {

constexpr int Rows = 4;
constexpr int Columns = 8;
static_assert(Rows * Columns == Alphabet::Size, "the rectangle holds every symbol once");

// Ъ: it never stands twice in Russian and hardly ever ends a word, so a
// reader spots it in a deciphered text at once.
constexpr int DefaultFiller = 26;
// What goes between two fillers that would make a pair: the symbol after
// the filler in the alphabet (Ы after Ъ).
inline int secondFiller(int filler)
{
    return (filler + 1) & (Alphabet::Size - 1);
}

// A rectangle: its symbols row by row, and each symbol's cell.
struct Rectangle
{
    std::array<std::int8_t, Alphabet::Size> symbolAt {};
    std::array<std::int8_t, Alphabet::Size> cellOf {};

    static Rectangle of(const std::array<std::int8_t, Alphabet::Size> &symbols)
    {
        Rectangle rectangle;
        rectangle.symbolAt = symbols;
        for (int cell = 0; cell < Alphabet::Size; ++cell)
            rectangle.cellOf[std::size_t(symbols[std::size_t(cell)] & (Alphabet::Size - 1))] = std::int8_t(cell);
        return rectangle;
    }
};

inline int rowOf(int cell) { return cell / Columns; }
inline int columnOf(int cell) { return cell % Columns; }
inline int cellAt(int row, int column) { return row * Columns + column; }

// Which Playfair rule takes a pair.
enum class PairRule { Row, Column, Rectangle };

inline PairRule playfairRule(int firstCell, int secondCell)
{
    if (rowOf(firstCell) == rowOf(secondCell))
        return PairRule::Row;
    if (columnOf(firstCell) == columnOf(secondCell))
        return PairRule::Column;
    return PairRule::Rectangle;
}

// Playfair on cells: in one row each moves right (left to decipher), with
// wrap; in one column each moves down (up); otherwise each takes the
// rectangle's corner in its own row. Encrypt is +1, decrypt -1.
inline void playfairCells(int &first, int &second, int direction)
{
    const int r1 = rowOf(first), c1 = columnOf(first);
    const int r2 = rowOf(second), c2 = columnOf(second);
    if (r1 == r2) {
        first = cellAt(r1, (c1 + direction + Columns) % Columns);
        second = cellAt(r2, (c2 + direction + Columns) % Columns);
    } else if (c1 == c2) {
        first = cellAt((r1 + direction + Rows) % Rows, c1);
        second = cellAt((r2 + direction + Rows) % Rows, c2);
    } else {
        first = cellAt(r1, c2);
        second = cellAt(r2, c1);
    }
}

// The two-square, pairs read across the rectangles: the first symbol is
// found in the first rectangle and the second in the second; the first
// cipher symbol is the second rectangle's in the first's row and the
// second's column, the second cipher symbol the first rectangle's in the
// second's row and the first's column. Deciphering reads them back the
// same way with the rectangles' parts swapped.
inline void twoSquareEncrypt(const Rectangle &first, const Rectangle &second, int &a, int &b)
{
    const int cellA = first.cellOf[std::size_t(a)];
    const int cellB = second.cellOf[std::size_t(b)];
    a = second.symbolAt[std::size_t(cellAt(rowOf(cellA), columnOf(cellB)))];
    b = first.symbolAt[std::size_t(cellAt(rowOf(cellB), columnOf(cellA)))];
}

inline void twoSquareDecrypt(const Rectangle &first, const Rectangle &second, int &a, int &b)
{
    const int cellA = second.cellOf[std::size_t(a)]; // row of the first plain symbol, column of the second
    const int cellB = first.cellOf[std::size_t(b)];  // row of the second, column of the first
    a = first.symbolAt[std::size_t(cellAt(rowOf(cellA), columnOf(cellB)))];
    b = second.symbolAt[std::size_t(cellAt(rowOf(cellB), columnOf(cellA)))];
}

// Hill's matrices, n × n row by row, n = 2 or 3, numbers 0 to 31.
using Matrix = std::vector<std::int8_t>;

inline int matrixSize(const Matrix &matrix)
{
    return matrix.size() == 9 ? 3 : 2;
}

int determinant(const Matrix &matrix); // mod 32, 0 to 31
// A matrix is a key only when its determinant is odd: only then does it
// have an inverse mod 32.
inline bool isInvertible(const Matrix &matrix)
{
    return (matrix.size() == 4 || matrix.size() == 9) && determinant(matrix) % 2 == 1;
}
// The inverse mod 32 of an invertible matrix.
Matrix inverse(const Matrix &matrix);

// A matrix written as "3 5; 2 7": rows separated by semicolons, numbers by
// spaces or commas; any whole numbers, taken mod 32. Empty with the reason,
// in Russian, when it is not a 2 × 2 or 3 × 3 matrix with an odd determinant.
std::optional<Matrix> matrixFromText(QStringView text, QString &problem);
// A matrix as matrixFromText reads it.
QString matrixText(const Matrix &matrix);
// Why a matrix is no key, or empty when it is one.
QString matrixProblem(const Matrix &matrix);

} // namespace Polygram
