// The key of the family chosen: for homophonic substitution the fixed table,
// a key file or a new key, edited in place; for a symbol family its inline
// forms, a new key or a key file, drawn as a lesson draws it. The problems of
// the key or its file are listed beside it.
#pragma once

#include "cipherfamily.h"
#include "homophonic.h"

#include <QWidget>

#include <functional>
#include <optional>

class KeyFormsPanel;
class KeyTableModel;
class PolygramKeyModel;
class PolygramKeyView;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QListWidget;
class QPushButton;
class QSplitter;
class QTableView;
class SymbolKeyModel;
class SymbolKeyView;

class KeyPage : public QWidget
{
    Q_OBJECT

public:
    explicit KeyPage(QWidget *parent = nullptr);

    const CipherFamily &family() const { return *m_family; }
    // Shows family's key; each family keeps its own while another is shown.
    void setFamily(const CipherFamily &family);

    KeyTableModel *model() const { return m_model; }
    SymbolKeyModel *symbolModel() const { return m_symbolModel; }
    // The block ciphers' rectangles or matrix.
    PolygramKeyModel *polygramModel() const { return m_polygramModel; }
    // The table to cipher with; empty (after a message) while it has a problem.
    std::optional<KeyTable> usableTable(QWidget *messageParent);
    // The symbol family's key to cipher with; empty (after a message) while
    // it has a problem.
    std::optional<SymbolKey> usableSymbolKey(QWidget *messageParent);
    QString keyFilePath() const { return m_keyFilePath; }

    // Loads the key file with the family's reader; on failure says why and
    // leaves the key as it was.
    bool openKeyFile(const QString &path, bool quiet = false);
    // Takes a table found by the attack into the editor: homophonic again.
    void useTable(const KeyTable &table, const QString &name);
    // Takes a symbol family's key found by the attack, that family chosen.
    void useSymbolKey(const CipherFamily &family, const SymbolKey &key, const QString &name);

public slots:
    void useFixedTable();
    void makeNewKey();
    void chooseKeyFile();
    void saveKeyAs();

signals:
    void keyFileOpened(const QString &path);
    void familyChanged();
    // The symbol family's key became another (or none, while it has a problem).
    void symbolKeyChanged();

private:
    void showProblems(const QStringList &problems);
    void showSymbolKey();
    bool readSeed(std::optional<quint64> &seed);
    bool openSymbolKeyFile(const QString &path, bool quiet);
    // Asks where, writes the key there with write, and says if it failed.
    void saveKeyWith(const std::function<bool(const QString &, QString *)> &write);

    const CipherFamily *m_family;
    KeyTableModel *m_model;
    QTableView *m_view;
    SymbolKeyModel *m_symbolModel;
    SymbolKeyView *m_symbolView;
    PolygramKeyModel *m_polygramModel;
    PolygramKeyView *m_polygramView;
    KeyFormsPanel *m_forms;
    QSplitter *m_splitter;
    QPushButton *m_fixed;
    QPushButton *m_open;
    QPushButton *m_generate;
    QPushButton *m_save;
    QListWidget *m_problems;
    QLabel *m_state;
    QLineEdit *m_seed;
    QComboBox *m_shape;
    QSpinBox *m_codes;
    QString m_keyFilePath;
    // How the table in the editor was made, for the saved file's comment.
    std::optional<quint64> m_madeFromSeed;
    QString m_dealing;
};

// Code columns share the width; the symbol column keeps its caption readable.
void fitKeyColumns(QTableView *view);

// Writes table as a key file (as keygen writes one: UTF-8, readable and
// writable by its owner only when the file is new) after the comment lines;
// false with the reason.
bool saveKeyFile(const QString &path, const KeyTable &table, const QString &comment, QString *error,
                 std::optional<quint64> seed = std::nullopt, const QString &dealing = QString());
