#pragma once

#include <QByteArray>
#include <QCollator>
#include <QList>
#include <QObject>
#include <QStringView>
#include <optional>
#include <utility>
#include <vector>

// One library held in memory: an ordered list of component records with a
// current row, a browse/insert/edit state, begin and end flags, and
// notifications to whatever is bound to it (grid model, command editor,
// the pane's data-change handler).
//
// Names and command texts are byte strings: they are never converted, so
// every byte of a file survives a load and a save.
class ComponentTable : public QObject
{
    Q_OBJECT
    struct Row;

public:
    enum class State { Browse, Insert, Edit };
    enum class Field { Nome, Comandos, Ilhas };

    static constexpr int MaxNameBytes = 60;
    static constexpr int InitialCapacity = 5000;

    // A row's stored values.
    struct RowData
    {
        QByteArray nome;
        QByteArray comandos;
        QByteArray ilhas;
        int biblioteca = 0; // which of the document's libraries the row came from
    };
    // One stored change of a row: its identity (creation number), its index
    // when the change was stored, and its values before (none for a new row)
    // and after (none for a removed row).
    struct RowChange
    {
        quint64 id = 0;
        int index = -1;
        std::optional<RowData> before;
        std::optional<RowData> after;
    };

    // Field names are matched without regard to case ("nome_componente").
    static std::optional<Field> fieldByName(QStringView name);

    explicit ComponentTable(QObject *parent = nullptr);

    // Adds a new, empty row at the end, makes it current, enters insert state.
    void append();
    // Stores text into a field of the current row (insert or edit state only).
    void setField(Field field, const QByteArray &text);
    void setField(QStringView fieldName, const QByteArray &text);
    // A field of the current row; empty for an empty field or an empty table.
    QByteArray field(Field field) const;
    QByteArray field(QStringView fieldName) const;
    // Stores the pending row.
    void post();
    // Puts the current row into edit state and notifies afterEdit; does
    // nothing in insert or edit state; on an empty table starts a new row.
    void edit();
    // Removes the current row; the following row (or the new last) is current.
    void remove();
    // While off, stored changes are not announced (rowStored): a file being
    // read is not a list of user changes.
    void setRecording(bool on) { m_recording = on; }
    bool recording() const { return m_recording; }
    // Stores a pending insert or edit (bound editors store their text first).
    void storePending() { endPending(); }
    // What storing the pending insert or edit would record (its values as
    // far as the table has them), or none when it would record nothing.
    // `typed`: a bound control holds changed text not stored yet.
    std::optional<RowChange> pendingChange(bool typed = false) const;

    void first();
    void last();
    void next();
    void prior();
    // Makes `row` current (used by the grid when the user picks a row).
    void moveTo(int row);

    bool atEnd() const { return m_rows.empty() || m_eof; }
    bool atBegin() const { return m_rows.empty() || m_bof; }
    bool isEmpty() const { return m_rows.empty(); }
    int rowCount() const { return int(m_rows.size()); }
    int currentRow() const { return m_current; }
    State state() const { return m_state; }

    // Drops every row and restarts the creation counter.
    void clear();
    // Stable, case-insensitive, locale-aware sort on the name; empty names
    // first; the current row stays current.
    void sortByName();
    // Whole-value, case-insensitive match on the name; tries the current row
    // first, then every row from the first. Leaves the current row alone when
    // nothing matches.
    bool locate(QStringView fieldName, const QByteArray &text);

    // Nested; while suspended nothing bound to the table is told anything.
    void suspendNotifications();
    void resumeNotifications();
    bool notificationsSuspended() const { return m_suspended > 0; }

    // Direct reads of any row, for the grid model and the writers.
    QByteArray nameAt(int row) const { return m_rows[size_t(row)].nome; }
    QByteArray comandosAt(int row) const { return m_rows[size_t(row)].comandos; }
    int bibliotecaAt(int row) const { return m_rows[size_t(row)].biblioteca; }
    quint64 idAt(int row) const { return m_rows[size_t(row)].creation; }
    // The names of a row's ALIAS lines (aliasesDe), kept until its text
    // changes: finding who holds a name must not parse every text each time.
    const QList<QByteArray> &aliasesAt(int row) const;
    // A row whose name equals `name` as locate compares names, or -1; the
    // current row is not moved.
    int indexOfName(const QByteArray &name) const;
    // The row of an identity, or -1.
    int rowOfId(quint64 id) const;
    // Tags the rows [from, rowCount()) with a library number.
    void setBiblioteca(int from, int biblioteca);

    // Replays a stored change forwards (redo) or backwards (undo) without
    // storing it again: a row comes back with its identity at its index, a
    // row goes, or a row takes its other values. The row replayed becomes
    // current (when it went, the row now at its index).
    void replay(const RowChange &change, bool backwards);
    // Replays a list of changes (backwards: last first). A list whose
    // replays only remove rows removes them in one pass.
    void replayAll(const QList<RowChange> &changes, bool backwards);
    // Takes every row of `other` (which ends empty) in place of this table's
    // rows; the first row becomes current.
    void takeRowsFrom(ComponentTable &other);
    // Rows taken out of a table, held apart (from a table on another thread,
    // say) until another table takes them in.
    class Lote
    {
        friend class ComponentTable;
        std::vector<Row> m_rows;
    };
    // Takes every row out (a pending edit is stored first); the table ends
    // empty. Name keys already made travel with the rows.
    Lote tiraLote();
    // Batches each sorted by name (as sortByName leaves a table), with their
    // library numbers, merged into this empty table: it ends as appending
    // them in order and sorting would leave it (between equal names, the
    // earlier batch first), without sorting again what is sorted already.
    // Nothing is notified.
    void juntaLotesOrdenados(std::vector<std::pair<Lote, int>> &&lotes);

    // A name's sort key. Equal keys mean names that compare equal; the
    // order of keys is the collator's order (case ignored) for names that
    // are not empty.
    class NameKey
    {
    public:
        explicit NameKey(QCollatorSortKey collated) : m_collated(std::move(collated)) {}
        explicit NameKey(QByteArray folded) : m_folded(std::move(folded)) {}
        // A collator key has no move of its own, only a copy that shares its
        // data and cannot fail: saying so lets the rows' vector move rows
        // when it grows instead of copying them.
        NameKey(const NameKey &) = default;
        NameKey(NameKey &&) noexcept = default;
        NameKey &operator=(const NameKey &) = default;
        NameKey &operator=(NameKey &&) noexcept = default;
        int compare(const NameKey &other) const;

    private:
        std::optional<QCollatorSortKey> m_collated;
        QByteArray m_folded;
    };
    // The key of a name: comparing keys is comparing names, without
    // converting them again at every comparison.
    NameKey nameKey(const QByteArray &name) const { return makeKey(name); }

signals:
    // Asked before a pending insert or edit is ended: bound controls holding
    // text the user typed store it into the row now, with setField.
    void aboutToEndPending();
    // The current row went from browse into edit state.
    void afterEdit();
    // The data-change notification: the current row moved, the table was
    // refreshed or emptied, or a field of the current row changed.
    void dataChange();

    // Structural notifications for the grid model. While notifications are
    // suspended none of these is sent: suspending sends aboutToReset and
    // resuming sends reset.
    void rowsAboutToBeInserted(int row);
    void rowsInserted();
    void rowsAboutToBeRemoved(int row);
    void rowsRemoved();
    void aboutToReset();
    void reset();
    void nameChanged(int row);
    void currentRowChanged(int row);
    // A change of a row was stored: a posted insert or edit that changed
    // something, or a removal of a stored row. Not sent for replays.
    void rowStored(const ComponentTable::RowChange &change);

private:
    struct Row
    {
        QByteArray nome;
        QByteArray comandos;
        QByteArray ilhas;
        int biblioteca = 0;
        quint64 creation = 0;
        // Computed when first needed; dropped when the name changes.
        mutable std::optional<NameKey> key;
        // Computed when first needed; dropped when the text changes.
        mutable std::optional<QList<QByteArray>> aliases;
    };

    void endPending();
    void cancelPending();
    void setCurrent(int row, bool notify);
    void notifyDataChange();
    bool notifying() const { return m_suspended == 0; }
    static QByteArray limitName(const QByteArray &text);
    NameKey makeKey(const QByteArray &name) const;
    const NameKey &keyOf(const Row &row) const;
    // The order of the name sort: empty names first, then the collation,
    // then the creation number; a total order, so its result is unique.
    bool sortsBefore(const Row &a, const Row &b) const;
    void eraseRow(int row);
    static RowData dataOf(const Row &r) { return {r.nome, r.comandos, r.ilhas, r.biblioteca}; }

    std::vector<Row> m_rows;
    int m_current = -1;
    State m_state = State::Browse;
    bool m_bof = true;
    bool m_eof = true;
    bool m_pendingChanged = false;
    int m_rowBeforeInsert = -1;
    // The current row's values when its edit began.
    RowData m_beforeEdit;
    quint64 m_creationCounter = 0;
    int m_suspended = 0;
    bool m_recording = true;
    // Rows [0, m_sortedRows) are in name-sort order. Appending leaves them
    // so; renaming a row of that range cuts it short before the row.
    int m_sortedRows = 0;
    QCollator m_collator;
    // Sort keys made by the collator do not ignore case in the C locale (nor
    // order anything when no collator could be opened); the table then keys
    // names by their case-folded characters, which is how the collator
    // compares there.
    bool m_foldedKeys = false;
};
