#pragma once

#include <QAbstractTableModel>

class ComponentTable;

// Presents a component table to a grid: one column, "nome_Componente", with
// the current row marked in the vertical header. Every change of the table
// arrives here as a matching begin/end pair; while the table's notifications
// are suspended the model is inside a reset, so views ask it nothing.
class ComponentTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ComponentTableModel(ComponentTable &table, bool editable, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Renaming in the grid: the row becomes current, enters edit state and
    // gets the new name (kept as Latin-1 bytes, so any byte survives).
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    // The table belongs to a document that outlives the model.
    ComponentTable &m_table;
    bool m_editable;
    int m_markedRow = -1;
};
