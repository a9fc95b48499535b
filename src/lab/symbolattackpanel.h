// What a symbol family's attack takes and gives beside the common controls:
// the locks as the family writes them, for a keyword a row of cells over its
// positions (each free, or fixed to a symbol), and the found key with the
// reasons the search gives for it.
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
    // family reads them: "2=Л".
    QStringList locks() const;
    // The key found, with a cell for each of its symbols, shown as the
    // free cells' hint.
    void showFound(const FamilyAttackResult &result);
    void setEditable(bool editable);

private:
    void setCellCount(int count);

    QLineEdit *m_locks;
    QWidget *m_keyword;
    QSpinBox *m_cellCount;
    QHBoxLayout *m_cellRow;
    QList<QLineEdit *> m_cells;
    QStringList m_foundSymbols;
    QLabel *m_key;
    QListWidget *m_reasons;
    bool m_cellsShown = false;
};
