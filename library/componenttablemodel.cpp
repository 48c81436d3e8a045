#include "componenttablemodel.h"

#include "componenttable.h"

ComponentTableModel::ComponentTableModel(ComponentTable &table, bool editable, QObject *parent)
    : QAbstractTableModel(parent), m_table(table), m_editable(editable),
      m_markedRow(table.currentRow())
{
    connect(&table, &ComponentTable::rowsAboutToBeInserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(&table, &ComponentTable::rowsInserted, this, [this] { endInsertRows(); });
    connect(&table, &ComponentTable::rowsAboutToBeRemoved, this, [this](int row) {
        if (m_markedRow >= row)
            m_markedRow = -1;
        beginRemoveRows({}, row, row);
    });
    connect(&table, &ComponentTable::rowsRemoved, this, [this] { endRemoveRows(); });
    connect(&table, &ComponentTable::aboutToReset, this, [this] { beginResetModel(); });
    connect(&table, &ComponentTable::reset, this, [this] {
        m_markedRow = -1;
        endResetModel();
    });
    connect(&table, &ComponentTable::nameChanged, this, [this](int row) {
        const QModelIndex i = index(row, 0);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    });
    connect(&table, &ComponentTable::currentRowChanged, this, [this](int row) {
        // Move the row indicator.
        const int old = m_markedRow;
        m_markedRow = row;
        if (old >= 0 && old < rowCount())
            emit headerDataChanged(Qt::Vertical, old, old);
        if (row >= 0 && row < rowCount())
            emit headerDataChanged(Qt::Vertical, row, row);
    });
}

int ComponentTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount();
}

int ComponentTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ComponentTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return QString::fromLatin1(m_table.nameAt(index.row()));
    return {};
}

QVariant ComponentTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section == 0 ? QStringLiteral("nome_Componente") : QVariant();
    return section == m_table.currentRow() ? QStringLiteral("▶") : QString();
}

Qt::ItemFlags ComponentTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_editable)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ComponentTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_editable || role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const QByteArray name = value.toString().toLatin1();
    if (name == m_table.nameAt(index.row()))
        return false;
    m_table.moveTo(index.row());
    m_table.edit();
    m_table.setField(ComponentTable::Field::Nome, name);
    return true;
}
