// The key of a symbol family drawn as a lesson draws it: one cipher alphabet
// under the plain one (two rows of 32 cells), or several alphabets as rows of
// the Vigenère square (32 × 32: the row is the shift, the column the plain
// symbol), with the rows the keyword uses marked. A symbol's step, when one is
// shown, is marked too. Every cell comes from the cipher itself.
#pragma once

#include "cipherfamily.h"

#include <QAbstractTableModel>

#include <optional>

class SymbolKeyModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SymbolKeyModel(QObject *parent = nullptr);

    // The key to draw, of family; none draws nothing. The step goes.
    void setKey(const CipherFamily &family, const std::optional<SymbolKey> &key);
    const std::optional<SymbolCipher> &cipher() const { return m_cipher; }
    bool hasSeveralAlphabets() const;
    // What the drawing shows, in a sentence or two above it.
    QString caption() const { return m_caption; }

    // Marks how a symbol was enciphered, its number counted over the whole
    // text, and says it in a line.
    void showStep(const SymbolStep &step);
    // No step to mark; the line says why.
    void showNoStep(const QString &why);
    // The cell of the step shown, invalid without one.
    QModelIndex stepCell() const;
    QString stepText() const { return m_stepText; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void keyChanged();
    void stepChanged();

private:
    QString describe() const;
    QString shiftText(int shift) const;
    QString stepLine(const SymbolStep &step) const;
    void remark();
    // The key's alphabets (from 1) that a row of the square serves.
    QList<int> alphabetsOfRow(int row) const;

    const CipherFamily *m_family = nullptr;
    std::optional<SymbolCipher> m_cipher;
    QString m_caption;
    std::optional<SymbolStep> m_step;
    QString m_stepText;
};
