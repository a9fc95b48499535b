// The key: the fixed table, a key file or a new key, edited in place, with
// the key-file reader's problems beside it.
#pragma once

#include "homophonic.h"

#include <QWidget>

#include <optional>

class KeyTableModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QListWidget;
class QTableView;

class KeyPage : public QWidget
{
    Q_OBJECT

public:
    explicit KeyPage(QWidget *parent = nullptr);

    KeyTableModel *model() const { return m_model; }
    // The table to cipher with; empty (after a message) while it has a problem.
    std::optional<KeyTable> usableTable(QWidget *messageParent);
    QString keyFilePath() const { return m_keyFilePath; }

    // Loads the key file; on failure says why and leaves the table as it was.
    bool openKeyFile(const QString &path, bool quiet = false);
    // Takes a table found by the attack into the editor.
    void useTable(const KeyTable &table, const QString &name);

public slots:
    void useFixedTable();
    void makeNewKey();
    void chooseKeyFile();
    void saveKeyAs();

signals:
    void keyFileOpened(const QString &path);

private:
    void showProblems(const QStringList &problems);

    KeyTableModel *m_model;
    QTableView *m_view;
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
