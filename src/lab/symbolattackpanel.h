// What a symbol family's attack takes and gives beside the common controls:
// the locks as the family writes them, for a keyword a row of cells over its
// positions (each free, or fixed to a symbol), for a rectangle a cell for
// each of its places, and the found key with the reasons the search gives
// for it.
#pragma once

#include "cipherfamily.h"

#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QHBoxLayout;

class SymbolAttackPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int DefaultCells = 5;

    explicit SymbolAttackPanel(QWidget *parent = nullptr);

    // Shows the lock form of family's attack, and the cells when its key is
    // a repeating keyword.
    void setFamily(const CipherFamily &family);
    // The locks field's entries and a lock for each fixed cell, as the
    // family reads them: "2=Л" for a keyword, "А=1,3" for a rectangle's
    // row and column ("2:А=1,3" in the two-square's second rectangle).
    QStringList locks() const;
    // The cell of a rectangle (0 or 1, for the two-square's second), row
    // and column from 0; null when none is shown there.
    QLineEdit *rectangleCell(int rectangle, int row, int column) const;
    // The key found, with a cell for each of its symbols, shown as the
    // free cells' hint.
    void showFound(const FamilyAttackResult &result);
    void setEditable(bool editable);

private:
    void setCellCount(int count);
    void setRectangleCount(int count);

    QLineEdit *m_locks;
    QWidget *m_keyword;
    QSpinBox *m_cellCount;
    QHBoxLayout *m_cellRow;
    QList<QLineEdit *> m_cells;
    QWidget *m_rectangles;
    // Polygram::Rows × Polygram::Columns cells a rectangle, row by row.
    QList<QList<QLineEdit *>> m_rectangleCells;
    // A lock holds a comma ("А=1,3"): the field's locks are separated by
    // semicolons then.
    QChar m_lockSeparator = QLatin1Char(',');
    QStringList m_foundSymbols;
    QLabel *m_key;
    QListWidget *m_reasons;
    bool m_cellsShown = false;
};
