#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <functional>
#include <optional>

class ComponentTable;
class QMimeData;

// Presents a component table to a grid: one column, "nome_Componente", with
// the current row marked in the vertical header, and a second, "Biblioteca",
// when a library name is given for the rows. Every change of the table
// arrives here as a matching begin/end pair; while the table's notifications
// are suspended the model is inside a reset, so views ask it nothing.
//
// A filter shows only some of the table's rows (in table order); model rows
// and table rows then differ, and tableRow/modelRow convert. A structural
// change of the table drops the filter (filterDropped tells).
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
    // Renaming in the grid: a pending edit is stored, the row becomes
    // current, enters edit state and gets the new name (kept as Latin-1
    // bytes, so any byte survives; a leading "~" of the old name kept), and
    // its command text is renamed along (renameComponent).
    // A .kicad_sym row goes to `renameSymbol` instead, when set (its
    // text and the symbols deriving from it change together).
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    void setSymbolRenamer(std::function<void(int tableRow, const QByteArray &name)> rename)
    {
        m_renameSymbol = std::move(rename);
    }

    // Drag and drop: a read-only model's rows drag out as their table rows;
    // an editable model takes such a drop and hands the rows to `dropped`.
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

    // The name of the library of a table row, shown in a second column;
    // none for one column.
    void setLibraryName(std::function<QString(int tableRow)> name);
    // Only these table rows (ascending), or all rows.
    void setVisibleRows(std::optional<QList<int>> rows);
    bool filtered() const { return m_visible.has_value(); }
    int tableRow(int modelRow) const;
    int modelRow(int tableRow) const; // -1 when filtered out

signals:
    void rowsDropped(const QList<int> &tableRows);
    void filterDropped();

private:
    // The table belongs to a document that outlives the model.
    ComponentTable &m_table;
    void dropFilter();

    bool m_editable;
    int m_markedRow = -1;
    std::optional<QList<int>> m_visible;
    std::function<QString(int)> m_libraryName;
    std::function<void(int, const QByteArray &)> m_renameSymbol;
};
