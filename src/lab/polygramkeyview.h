// A block cipher's key as PolygramKeyModel draws it: what it shows in a
// sentence above, the rectangles or the matrix, for Hill its determinant and
// inverse, and the line of the step shown. The key tab's view lets the user
// rearrange the key (drag a symbol, edit a number, change the matrix's size);
// the encryption tab's only shows it.
#pragma once

#include <QWidget>

class PolygramKeyModel;
class QComboBox;
class QLabel;
class QTableView;

class PolygramKeyView : public QWidget
{
    Q_OBJECT

public:
    enum class Use { Edit, Show };

    PolygramKeyView(PolygramKeyModel *model, Use use, QWidget *parent = nullptr);

    QTableView *table() const { return m_table; }

protected:
    // Ctrl with an arrow swaps the current cell with its neighbour: a drag
    // for the keyboard.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showKey();
    void showStep();

    PolygramKeyModel *m_model;
    bool m_editing;
    QLabel *m_caption;
    QTableView *m_table;
    QComboBox *m_size;
    QWidget *m_matrixSize;
    QLabel *m_determinant;
    QLabel *m_inverse;
    QLabel *m_step;
};
