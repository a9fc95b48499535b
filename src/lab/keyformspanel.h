// The inline forms of a symbol family's key (a shift, an affine map, a
// keyword, digits, Atbash), each with a radio button, and a row for a key
// given whole (a new one, or one from a file). The key is what the chosen
// row says, read by the family itself at every edit; typing into a row
// chooses it.
#pragma once

#include "cipherfamily.h"

#include <QWidget>

#include <map>
#include <optional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

class KeyFormsPanel : public QWidget
{
    Q_OBJECT

public:
    explicit KeyFormsPanel(QWidget *parent = nullptr);

    // Shows the rows of the forms family takes and the whole key it was last
    // given, if any.
    void setFamily(const CipherFamily &family);
    // A key given whole, named for the user ("новый ключ (зерно 5)",
    // "ключ.txt"), and the seed it was made from; chosen at once.
    void setWholeKey(const SymbolKey &key, const QString &name, std::optional<quint64> seed = std::nullopt);
    // Hill's matrix as the drawing edited it, written into the matrix row,
    // which is chosen.
    void setMatrixText(const QString &text);

    // The key of the chosen row; empty with the family's reason when the
    // row's text is no key.
    std::optional<SymbolKey> key(QString &problem) const;
    // The seed of the key, when it is a new key made from one.
    std::optional<quint64> seed() const;

signals:
    void changed();

private:
    struct WholeKey
    {
        SymbolKey key;
        QString name;
        std::optional<quint64> seed;
    };
    struct FormRow
    {
        KeyForm form;
        QRadioButton *choice;
        QWidget *row;
    };

    QRadioButton *addRow(const QString &text, const QString &name, const QList<QWidget *> &fields);
    QString formText(KeyForm form) const;
    const WholeKey *wholeKey() const;
    // The chosen row's key, before the filler chosen is put in.
    std::optional<SymbolKey> chosenKey(QString &problem) const;

    const CipherFamily *m_family = nullptr;
    QButtonGroup *m_choices;
    QSpinBox *m_shift;
    QSpinBox *m_affineA;
    QSpinBox *m_affineB;
    QLineEdit *m_keyword;
    QLineEdit *m_digits;
    // The two-square's second rectangle's keyword.
    QLineEdit *m_secondKeyword;
    QLineEdit *m_matrix;
    QLabel *m_wholeName;
    QWidget *m_fillerRow;
    QComboBox *m_filler;
    QRadioButton *m_whole;
    QList<FormRow> m_forms;
    // Each family's key given whole: a Vigenère key is no Beaufort key.
    std::map<QString, WholeKey> m_wholeKeys;
};
