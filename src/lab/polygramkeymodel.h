// The key of a block cipher drawn as a lesson draws it: Playfair's 4 × 8
// rectangle, the two-square's two rectangles side by side (a blank column
// between them), or Hill's matrix of numbers. A symbol dragged onto another
// cell of its rectangle swaps the two; a number of the matrix is edited in
// place. Either way the model only proposes the new key (keyEdited,
// matrixEdited): the key tab decides, and the drawing follows the key it
// keeps. A block's step, when one is shown, marks its cells and says in a
// sentence which rule took it.
#pragma once

#include "cipherfamily.h"

#include <QAbstractTableModel>

#include <optional>

class PolygramKeyModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Where the two-square's second rectangle starts.
    static constexpr int SecondRectangleColumn = Polygram::Columns + 1;

    explicit PolygramKeyModel(QObject *parent = nullptr);

    // The key to draw, of family, or the reason there is none. Hill's matrix
    // stays drawn as it was edited while it is no key, so that it can be
    // mended where it went wrong. The step goes.
    void setKey(const CipherFamily &family, const std::optional<SymbolKey> &key, const QString &problem = {});
    const std::optional<SymbolCipher> &cipher() const { return m_cipher; }
    bool drawsRectangles() const { return m_rule == SymbolRule::Playfair || m_rule == SymbolRule::TwoSquare; }
    bool drawsMatrix() const { return m_rule == SymbolRule::Hill; }
    QString caption() const;

    // Swaps the symbols of two cells of one rectangle: proposes the key with
    // them swapped. False (and nothing proposed) when the cells are not two
    // cells of one rectangle.
    bool swapCells(const QModelIndex &first, const QModelIndex &second);
    // Hill's matrix grown to 3 × 3 (the new row and column those of the unit
    // matrix, so that the determinant stays) or cut to its top left 2 × 2.
    void setMatrixSize(int size);
    int matrixSize() const { return Polygram::matrixSize(m_matrix); }
    const Polygram::Matrix &matrix() const { return m_matrix; }
    // What the matrix drawn gives: its determinant mod 32 and its inverse,
    // or why there is none.
    QString determinantText() const;
    QString inverseText() const;

    // Marks a block's cells and says how it was enciphered.
    void showStep(const BlockStep &step);
    void showNoStep(const QString &why);
    QString stepText() const { return m_stepText; }
    // The cells of the step's plaintext symbols, in order (a filler's too).
    QModelIndexList stepCells() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

signals:
    void keyChanged();
    void stepChanged();
    // The key as the user rearranged it.
    void keyEdited(const SymbolKey &key);
    // Hill's matrix as the user edited it, whether or not it is a key.
    void matrixEdited(const Polygram::Matrix &matrix);

private:
    enum class Mark { None, Region, Plain, Cipher };

    // Which rectangle a cell belongs to (0 or 1) and its place there; -1
    // for the blank column or when no rectangle is drawn.
    int rectangleOf(const QModelIndex &index) const;
    int cellOf(const QModelIndex &index) const;
    QModelIndex indexOf(int rectangle, int cell) const;
    const std::array<std::int8_t, Alphabet::Size> &symbols(int rectangle) const;
    Mark markOf(int rectangle, int cell) const;
    QString stepLine(const BlockStep &step) const;
    QString playfairLine(const BlockStep &step) const;
    QString twoSquareLine(const BlockStep &step) const;
    QString hillLine(const BlockStep &step) const;
    void remark();

    const CipherFamily *m_family = nullptr;
    SymbolRule m_rule = SymbolRule::Substitution;
    std::optional<SymbolCipher> m_cipher;
    QString m_problem;
    Polygram::Matrix m_matrix;
    std::optional<BlockStep> m_step;
    QString m_stepText;
};
