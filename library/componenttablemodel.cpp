#include "componenttablemodel.h"

#include "componentrename.h"
#include "componenttable.h"
#include "library/kicadsymdocument.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <algorithm>

ComponentTableModel::ComponentTableModel(ComponentTable &table, bool editable, QObject *parent)
    : QAbstractTableModel(parent), m_table(table), m_editable(editable),
      m_markedRow(table.currentRow())
{
    // A filtered model has no cheap way to follow one inserted or removed
    // row: it shows every row again, inside a reset.
    connect(&table, &ComponentTable::rowsAboutToBeInserted, this, [this](int row) {
        if (filtered())
            beginResetModel();
        else
            beginInsertRows({}, row, row);
    });
    connect(&table, &ComponentTable::rowsInserted, this, [this] {
        if (filtered())
            dropFilter();
        else
            endInsertRows();
    });
    connect(&table, &ComponentTable::rowsAboutToBeRemoved, this, [this](int row) {
        if (m_markedRow >= row)
            m_markedRow = -1;
        if (filtered())
            beginResetModel();
        else
            beginRemoveRows({}, row, row);
    });
    connect(&table, &ComponentTable::rowsRemoved, this, [this] {
        if (filtered())
            dropFilter();
        else
            endRemoveRows();
    });
    connect(&table, &ComponentTable::aboutToReset, this, [this] { beginResetModel(); });
    connect(&table, &ComponentTable::reset, this, [this] {
        m_markedRow = -1;
        if (filtered())
            dropFilter();
        else
            endResetModel();
    });
    connect(&table, &ComponentTable::nameChanged, this, [this](int row) {
        const int r = modelRow(row);
        if (r < 0)
            return;
        const QModelIndex i = index(r, 0);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    });
    connect(&table, &ComponentTable::currentRowChanged, this, [this](int row) {
        // Move the row indicator.
        const int old = modelRow(m_markedRow);
        m_markedRow = row;
        const int now = modelRow(row);
        if (old >= 0 && old < rowCount())
            emit headerDataChanged(Qt::Vertical, old, old);
        if (now >= 0 && now < rowCount())
            emit headerDataChanged(Qt::Vertical, now, now);
    });
}

int ComponentTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_visible ? int(m_visible->size()) : m_table.rowCount();
}

int ComponentTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (m_libraryName ? 2 : 1);
}

QVariant ComponentTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const int row = tableRow(index.row());
    if (index.column() == 1)
        return m_libraryName ? m_libraryName(row) : QVariant();
    return QString::fromLatin1(m_table.nameAt(row));
    return {};
}

QVariant ComponentTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section == 0   ? QVariant(QStringLiteral("nome_Componente"))
               : section == 1 ? QVariant(QStringLiteral("Biblioteca"))
                              : QVariant();
    return tableRow(section) == m_table.currentRow() ? QStringLiteral("▶") : QString();
}

Qt::ItemFlags ComponentTableModel::flags(const QModelIndex &index) const
{
    // An editable model takes drops anywhere: on the grid's empty area (the
    // root) and on any row.
    if (!index.isValid())
        return m_editable ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_editable)
        f |= Qt::ItemIsDropEnabled;
    if (m_editable && index.column() == 0)
        f |= Qt::ItemIsEditable;
    if (!m_editable)
        f |= Qt::ItemIsDragEnabled;
    return f;
}

bool ComponentTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_editable || role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const int row = tableRow(index.row());
    const QByteArray typed = value.toString().toLatin1();
    if (index.column() != 0 || typed == m_table.nameAt(row))
        return false;
    if (m_renameSymbol && isKicadSymText(m_table.comandosAt(row))) {
        m_renameSymbol(row, typed);
        return true;
    }
    m_table.moveTo(row);
    // Text typed into a bound editor is stored before the rename rewrites
    // the command text.
    m_table.storePending();
    m_table.edit();
    // The name lives in the command text too: renamed only in the grid, the
    // component would read back under its old name.
    const QByteArray name = keepHiddenMark(m_table.nameAt(row), typed);
    m_table.setField(ComponentTable::Field::Nome, name);
    m_table.setField(ComponentTable::Field::Comandos,
                     renameComponent(m_table.field(ComponentTable::Field::Comandos),
                                     m_table.field(ComponentTable::Field::Nome)));
    return true;
}

namespace {
const QString RowsMime = QStringLiteral("application/x-copista-linhas");
} // namespace

QStringList ComponentTableModel::mimeTypes() const
{
    return {RowsMime};
}

QMimeData *ComponentTableModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &i : indexes) {
        if (i.isValid() && i.column() == 0)
            rows << tableRow(i.row());
    }
    std::sort(rows.begin(), rows.end());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << rows;
    auto *data = new QMimeData;
    data->setData(RowsMime, bytes);
    return data;
}

bool ComponentTableModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int,
                                          const QModelIndex &) const
{
    return m_editable && action == Qt::CopyAction && data && data->hasFormat(RowsMime);
}

bool ComponentTableModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row,
                                       int column, const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    QList<int> rows;
    QDataStream in(data->data(RowsMime));
    in >> rows;
    if (in.status() != QDataStream::Ok)
        return false;
    emit rowsDropped(rows);
    // The copy puts the rows in place itself; the view inserts nothing.
    return false;
}

void ComponentTableModel::setLibraryName(std::function<QString(int)> name)
{
    beginResetModel();
    m_libraryName = std::move(name);
    endResetModel();
}

void ComponentTableModel::setVisibleRows(std::optional<QList<int>> rows)
{
    beginResetModel();
    m_visible = std::move(rows);
    endResetModel();
}

void ComponentTableModel::dropFilter()
{
    m_visible.reset();
    endResetModel();
    emit filterDropped();
}

int ComponentTableModel::tableRow(int modelRow) const
{
    if (!m_visible)
        return modelRow;
    return modelRow >= 0 && modelRow < m_visible->size() ? m_visible->at(modelRow) : -1;
}

int ComponentTableModel::modelRow(int tableRow) const
{
    if (!m_visible || tableRow < 0)
        return tableRow;
    const auto at = std::lower_bound(m_visible->begin(), m_visible->end(), tableRow);
    return at != m_visible->end() && *at == tableRow ? int(at - m_visible->begin()) : -1;
}
