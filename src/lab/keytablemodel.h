// The key table behind the lab's key editor: one row a symbol, its codes in
// the columns after it. Every edit is checked by the key-file reader itself,
// so the problems beside the table are those `homophonic` would report for
// the same file, and a table with a problem is never handed out.
#pragma once

#include "homophonic.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <optional>

class KeyTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit KeyTableModel(QObject *parent = nullptr);

    // A table to edit; name stands for it in the problems ("ключ.txt").
    void setTable(const KeyTable &table, const QString &name);
    // As the editor shows it, problems or not.
    const KeyTable &editedTable() const { return m_table; }
    // Empty while the table has a problem.
    std::optional<KeyTable> validTable() const;
    const QStringList &problems() const { return m_problems; }
    QString name() const { return m_name; }

    // Codes shown marked (locked by the user in the attack).
    void setMarkedCodes(const QStringList &codes);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // A read-only table (the attack's result) has no column for new codes.
    void setEditable(bool editable);

signals:
    // After every edit and every new table.
    void problemsChanged(const QStringList &problems);
    // After the user changed a code (not after setTable).
    void edited();

private:
    void check();

    KeyTable m_table {};
    QString m_name;
    QStringList m_problems;
    QStringList m_marked;
    bool m_editable = true;
};
