// A symbol family's key as drawn by SymbolKeyModel: what it shows in a
// sentence above, the alphabets or the square, and the line of the step shown.
// The key tab and the encryption tab each have one over the same model.
#pragma once

#include <QWidget>

class QLabel;
class QTableView;
class SymbolKeyModel;

class SymbolKeyView : public QWidget
{
    Q_OBJECT

public:
    explicit SymbolKeyView(SymbolKeyModel *model, QWidget *parent = nullptr);

    QTableView *table() const { return m_table; }

private:
    void showKey();
    void showStep();

    SymbolKeyModel *m_model;
    QLabel *m_caption;
    QTableView *m_table;
    QLabel *m_step;
};
