#include "componenttable.h"

#include "dcmfile.h"

#include <QLocale>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>

namespace {
// Up to this many rows appended since the last sort are put in place one by
// one; more are sorted with the rest.
constexpr int MaxInsertedRows = 16;
} // namespace

std::optional<ComponentTable::Field> ComponentTable::fieldByName(QStringView name)
{
    if (name.compare(u"nome_Componente", Qt::CaseInsensitive) == 0)
        return Field::Nome;
    if (name.compare(u"Comandos", Qt::CaseInsensitive) == 0)
        return Field::Comandos;
    if (name.compare(u"Ilhas", Qt::CaseInsensitive) == 0)
        return Field::Ilhas;
    return std::nullopt;
}

ComponentTable::ComponentTable(QObject *parent) : QObject(parent), m_collator(QLocale::system())
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_rows.reserve(InitialCapacity);
    const QCollatorSortKey a = m_collator.sortKey(QStringLiteral("a"));
    m_foldedKeys = m_collator.locale().language() == QLocale::C ||
                   a.compare(m_collator.sortKey(QStringLiteral("b"))) == 0;
}

int ComponentTable::NameKey::compare(const NameKey &other) const
{
    if (m_collated && other.m_collated)
        return m_collated->compare(*other.m_collated);
    const qsizetype n = qMin(m_folded.size(), other.m_folded.size());
    if (const int c =
            n ? std::memcmp(m_folded.constData(), other.m_folded.constData(), size_t(n)) : 0)
        return c;
    return m_folded.size() < other.m_folded.size() ? -1 : m_folded.size() > other.m_folded.size();
}

ComponentTable::NameKey ComponentTable::makeKey(const QByteArray &name) const
{
    if (!m_foldedKeys)
        return NameKey(m_collator.sortKey(QString::fromLatin1(name)));
    // Each character case-folded as the collator's case-insensitive compare
    // does, as big-endian 16-bit units, so that bytewise order is its order.
    QByteArray folded(name.size() * 2, Qt::Uninitialized);
    char *out = folded.data();
    for (char c : name) {
        const char16_t u = QChar(char16_t(uchar(c))).toCaseFolded().unicode();
        *out++ = char(u >> 8);
        *out++ = char(u & 0xFF);
    }
    return NameKey(std::move(folded));
}

const QList<QByteArray> &ComponentTable::aliasesAt(int row) const
{
    const Row &r = m_rows[size_t(row)];
    if (!r.aliases)
        r.aliases.emplace(aliasesDe(r.comandos));
    return *r.aliases;
}

const ComponentTable::NameKey &ComponentTable::keyOf(const Row &row) const
{
    if (!row.key)
        row.key.emplace(makeKey(row.nome));
    return *row.key;
}

bool ComponentTable::sortsBefore(const Row &a, const Row &b) const
{
    // An empty name sorts before every name.
    if (a.nome.isEmpty() != b.nome.isEmpty())
        return a.nome.isEmpty();
    if (!a.nome.isEmpty()) {
        if (const int c = keyOf(a).compare(keyOf(b)))
            return c < 0;
    }
    return a.creation < b.creation;
}

void ComponentTable::eraseRow(int row)
{
    if (notifying())
        emit rowsAboutToBeRemoved(row);
    m_rows.erase(m_rows.begin() + row);
    if (row < m_sortedRows)
        --m_sortedRows;
    if (notifying())
        emit rowsRemoved();
}

QByteArray ComponentTable::limitName(const QByteArray &text)
{
    // Storing stops at a NUL, and a name keeps its first 60 bytes.
    qsizetype n = text.indexOf('\0');
    if (n < 0)
        n = text.size();
    return text.left(qMin<qsizetype>(n, MaxNameBytes));
}

void ComponentTable::notifyDataChange()
{
    if (notifying())
        emit dataChange();
}

void ComponentTable::setCurrent(int row, bool notify)
{
    const bool moved = row != m_current;
    m_current = row;
    if (notifying()) {
        if (moved)
            emit currentRowChanged(row);
        if (notify)
            emit dataChange();
    }
}

void ComponentTable::endPending()
{
    if (m_state == State::Browse)
        return;
    emit aboutToEndPending();
    if (m_pendingChanged)
        post();
    else
        cancelPending();
}

void ComponentTable::cancelPending()
{
    if (m_state == State::Insert) {
        // The unposted new row is dropped; the row that was current before
        // the insert becomes current again.
        eraseRow(m_current);
        m_state = State::Browse;
        int back = m_rowBeforeInsert;
        if (back >= rowCount())
            back = rowCount() - 1;
        if (m_rows.empty()) {
            m_bof = m_eof = true;
            back = -1;
        }
        setCurrent(back, true);
    }
    m_state = State::Browse;
    m_pendingChanged = false;
}

void ComponentTable::append()
{
    endPending();
    m_rowBeforeInsert = m_current;
    const int row = rowCount();
    if (notifying())
        emit rowsAboutToBeInserted(row);
    Row r;
    r.creation = ++m_creationCounter;
    m_rows.push_back(std::move(r));
    if (notifying())
        emit rowsInserted();
    m_state = State::Insert;
    m_pendingChanged = false;
    m_bof = m_eof = false;
    setCurrent(row, true);
}

void ComponentTable::setField(Field field, const QByteArray &text)
{
    if (m_state == State::Browse || m_current < 0)
        return;
    Row &r = m_rows[size_t(m_current)];
    switch (field) {
    case Field::Nome:
        r.nome = limitName(text);
        r.key.reset();
        if (m_current < m_sortedRows)
            m_sortedRows = m_current;
        if (notifying())
            emit nameChanged(m_current);
        break;
    case Field::Comandos:
        r.comandos = text;
        r.aliases.reset();
        break;
    case Field::Ilhas:
        r.ilhas = text;
        break;
    }
    m_pendingChanged = true;
    notifyDataChange();
}

void ComponentTable::setField(QStringView fieldName, const QByteArray &text)
{
    if (auto f = fieldByName(fieldName))
        setField(*f, text);
}

QByteArray ComponentTable::field(Field field) const
{
    if (m_current < 0)
        return {};
    const Row &r = m_rows[size_t(m_current)];
    switch (field) {
    case Field::Nome:
        return r.nome;
    case Field::Comandos:
        return r.comandos;
    case Field::Ilhas:
        return r.ilhas;
    }
    return {};
}

QByteArray ComponentTable::field(QStringView fieldName) const
{
    if (auto f = fieldByName(fieldName))
        return field(*f);
    return {};
}

void ComponentTable::post()
{
    if (m_state == State::Browse)
        return;
    const bool inserted = m_state == State::Insert;
    m_state = State::Browse;
    m_pendingChanged = false;
    const Row &r = m_rows[size_t(m_current)];
    const bool same = !inserted && r.nome == m_beforeEdit.nome &&
                      r.comandos == m_beforeEdit.comandos && r.ilhas == m_beforeEdit.ilhas;
    if (!same && m_recording) {
        RowChange change{r.creation, m_current, std::nullopt, dataOf(r)};
        if (!inserted)
            change.before = m_beforeEdit;
        emit rowStored(change);
    }
}

std::optional<ComponentTable::RowChange> ComponentTable::pendingChange(bool typed) const
{
    if (m_state == State::Browse || m_current < 0 || !(m_pendingChanged || typed))
        return std::nullopt;
    const Row &r = m_rows[size_t(m_current)];
    RowChange change{r.creation, m_current, std::nullopt, dataOf(r)};
    if (m_state == State::Edit) {
        if (!typed && r.nome == m_beforeEdit.nome && r.comandos == m_beforeEdit.comandos &&
            r.ilhas == m_beforeEdit.ilhas)
            return std::nullopt;
        change.before = m_beforeEdit;
    }
    return change;
}

void ComponentTable::edit()
{
    if (m_state != State::Browse)
        return;
    if (m_rows.empty()) {
        // An edit of an empty table starts a new row instead; no after-edit.
        append();
        return;
    }
    m_state = State::Edit;
    m_pendingChanged = false;
    m_beforeEdit = dataOf(m_rows[size_t(m_current)]);
    emit afterEdit();
}

void ComponentTable::remove()
{
    if (m_rows.empty())
        return;
    // A pending insert or edit of the row being removed is dropped with it.
    const int row = m_current;
    std::optional<RowData> stored;
    if (m_state == State::Edit)
        stored = m_beforeEdit;
    else if (m_state == State::Browse)
        stored = dataOf(m_rows[size_t(row)]);
    const quint64 id = m_rows[size_t(row)].creation;
    m_state = State::Browse;
    m_pendingChanged = false;
    eraseRow(row);
    int now = row;
    if (now >= rowCount())
        now = rowCount() - 1;
    if (m_rows.empty())
        m_bof = m_eof = true;
    else
        m_bof = m_eof = false;
    // The index may stay the same while the row under it changed.
    m_current = -2;
    setCurrent(now, true);
    if (stored && m_recording)
        emit rowStored(RowChange{id, row, stored, std::nullopt});
}

int ComponentTable::indexOfName(const QByteArray &name) const
{
    const QByteArray limited = limitName(name);
    const NameKey key = makeKey(limited);
    auto same = [&](const Row &r) {
        return r.nome.isEmpty() == limited.isEmpty() && keyOf(r).compare(key) == 0;
    };
    // The sorted rows by halving (empty names come first), the rest one by one.
    const auto first = m_rows.begin();
    const auto sortedEnd = first + m_sortedRows;
    const auto at =
        std::lower_bound(first, sortedEnd, limited, [&](const Row &r, const QByteArray &) {
            if (r.nome.isEmpty() != limited.isEmpty())
                return r.nome.isEmpty();
            return !limited.isEmpty() && keyOf(r).compare(key) < 0;
        });
    if (at != sortedEnd && same(*at))
        return int(at - first);
    for (int i = m_sortedRows; i < rowCount(); ++i) {
        if (same(m_rows[size_t(i)]))
            return i;
    }
    return -1;
}

int ComponentTable::rowOfId(quint64 id) const
{
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[size_t(i)].creation == id)
            return i;
    }
    return -1;
}

void ComponentTable::setBiblioteca(int from, int biblioteca)
{
    for (int i = qMax(0, from); i < rowCount(); ++i)
        m_rows[size_t(i)].biblioteca = biblioteca;
}

void ComponentTable::replay(const RowChange &change, bool backwards)
{
    endPending();
    const std::optional<RowData> &from = backwards ? change.after : change.before;
    const std::optional<RowData> &to = backwards ? change.before : change.after;
    int row = rowOfId(change.id);
    if (!to) {
        if (row < 0)
            return;
        eraseRow(row);
        if (m_rows.empty()) {
            m_bof = m_eof = true;
            m_current = -2;
            setCurrent(-1, true);
            return;
        }
        row = qMin(row, rowCount() - 1);
    } else if (!from || row < 0) {
        row = std::clamp(change.index, 0, rowCount());
        if (notifying())
            emit rowsAboutToBeInserted(row);
        Row r;
        r.nome = to->nome;
        r.comandos = to->comandos;
        r.ilhas = to->ilhas;
        r.biblioteca = to->biblioteca;
        r.creation = change.id;
        m_rows.insert(m_rows.begin() + row, std::move(r));
        m_creationCounter = qMax(m_creationCounter, change.id);
        m_sortedRows = qMin(m_sortedRows, row);
        if (notifying())
            emit rowsInserted();
    } else {
        Row &r = m_rows[size_t(row)];
        const bool renamed = r.nome != to->nome;
        r.nome = to->nome;
        r.comandos = to->comandos;
        r.aliases.reset();
        r.ilhas = to->ilhas;
        r.biblioteca = to->biblioteca;
        if (renamed) {
            r.key.reset();
            m_sortedRows = qMin(m_sortedRows, row);
            if (notifying())
                emit nameChanged(row);
        }
    }
    m_bof = m_eof = false;
    m_current = -2; // the data under the current index may have changed
    setCurrent(row, true);
}

ComponentTable::Lote ComponentTable::tiraLote()
{
    endPending();
    Lote lote;
    lote.m_rows.swap(m_rows);
    m_current = -1;
    m_sortedRows = 0;
    return lote;
}

void ComponentTable::juntaLotesOrdenados(std::vector<std::pair<Lote, int>> &&lotes)
{
    Q_ASSERT(m_rows.empty());
    size_t total = 0;
    for (auto &[lote, biblioteca] : lotes) {
        total += lote.m_rows.size();
        for (Row &r : lote.m_rows) {
            r.creation = ++m_creationCounter;
            r.biblioteca = biblioteca;
        }
    }
    // A k-way merge: a heap holds the next row of each batch, the row that
    // sorts first on top. The creation numbers follow the batches' order, so
    // the total order of sortsBefore puts the earlier batch first.
    struct Cabeca
    {
        Row *row;
        Row *end;
    };
    std::vector<Cabeca> heap;
    for (auto &[lote, biblioteca] : lotes) {
        if (!lote.m_rows.empty())
            heap.push_back({lote.m_rows.data(), lote.m_rows.data() + lote.m_rows.size()});
    }
    auto depois = [&](const Cabeca &a, const Cabeca &b) { return sortsBefore(*b.row, *a.row); };
    std::make_heap(heap.begin(), heap.end(), depois);
    m_rows.reserve(total);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), depois);
        Cabeca &c = heap.back();
        m_rows.push_back(std::move(*c.row));
        if (++c.row == c.end)
            heap.pop_back();
        else
            std::push_heap(heap.begin(), heap.end(), depois);
    }
    for (auto &lote : lotes)
        lote.first.m_rows.clear();
    m_sortedRows = rowCount();
    m_current = m_rows.empty() ? -1 : 0;
}

void ComponentTable::replayAll(const QList<RowChange> &changes, bool backwards)
{
    const bool onlyRemovals = std::all_of(changes.begin(), changes.end(), [&](const RowChange &c) {
        return !(backwards ? c.before : c.after);
    });
    if (!onlyRemovals || changes.size() < 2) {
        const qsizetype n = changes.size();
        for (qsizetype k = 0; k < n; ++k)
            replay(changes[backwards ? n - 1 - k : k], backwards);
        return;
    }
    endPending();
    QSet<quint64> ids;
    for (const RowChange &c : changes)
        ids.insert(c.id);
    int first = -1;
    if (notifying())
        emit aboutToReset();
    // Removing rows keeps the others in order, so the sorted rows that stay
    // are still sorted.
    int kept = 0;
    int keptSorted = 0;
    for (int i = 0; i < rowCount(); ++i) {
        if (ids.contains(m_rows[size_t(i)].creation)) {
            if (first < 0)
                first = i;
            continue;
        }
        if (i < m_sortedRows)
            ++keptSorted;
        if (kept != i)
            m_rows[size_t(kept)] = std::move(m_rows[size_t(i)]);
        ++kept;
    }
    m_rows.erase(m_rows.begin() + kept, m_rows.end());
    m_sortedRows = keptSorted;
    m_current = m_rows.empty() ? -1 : qBound(0, first, rowCount() - 1);
    m_bof = m_eof = m_rows.empty();
    if (notifying()) {
        emit reset();
        emit currentRowChanged(m_current);
    }
    notifyDataChange();
}

void ComponentTable::takeRowsFrom(ComponentTable &other)
{
    endPending();
    other.endPending();
    if (notifying())
        emit aboutToReset();
    m_rows.swap(other.m_rows);
    m_sortedRows = other.m_sortedRows;
    m_creationCounter = other.m_creationCounter;
    m_foldedKeys = other.m_foldedKeys;
    m_collator = other.m_collator;
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    m_state = State::Browse;
    other.m_rows.clear();
    other.m_current = -1;
    other.m_sortedRows = 0;
    if (notifying()) {
        emit reset();
        emit currentRowChanged(m_current);
    }
    notifyDataChange();
}

void ComponentTable::first()
{
    endPending();
    m_bof = true;
    m_eof = m_rows.empty();
    if (!m_rows.empty())
        setCurrent(0, true);
}

void ComponentTable::last()
{
    endPending();
    m_eof = true;
    m_bof = m_rows.empty();
    if (!m_rows.empty())
        setCurrent(rowCount() - 1, true);
}

void ComponentTable::next()
{
    endPending();
    if (m_rows.empty()) {
        m_bof = m_eof = true;
        return;
    }
    if (m_current < rowCount() - 1) {
        m_bof = m_eof = false;
        setCurrent(m_current + 1, true);
    } else {
        m_eof = true;
    }
}

void ComponentTable::prior()
{
    endPending();
    if (m_rows.empty()) {
        m_bof = m_eof = true;
        return;
    }
    if (m_current > 0) {
        m_bof = m_eof = false;
        setCurrent(m_current - 1, true);
    } else {
        m_bof = true;
    }
}

void ComponentTable::moveTo(int row)
{
    if (row < 0 || row >= rowCount() || row == m_current)
        return;
    endPending();
    if (row >= rowCount()) // the pending row may have been dropped
        row = rowCount() - 1;
    if (row < 0)
        return;
    m_bof = m_eof = false;
    setCurrent(row, true);
}

void ComponentTable::clear()
{
    endPending();
    if (notifying())
        emit aboutToReset();
    m_rows.clear();
    m_sortedRows = 0;
    m_creationCounter = 0;
    m_current = -1;
    m_bof = m_eof = true;
    m_state = State::Browse;
    if (notifying()) {
        emit reset();
        emit currentRowChanged(-1);
    }
    notifyDataChange();
}

void ComponentTable::sortByName()
{
    endPending();
    if (m_rows.empty())
        return;
    const quint64 currentCreation = m_current >= 0 ? m_rows[size_t(m_current)].creation : 0;
    const int unsorted = rowCount() - m_sortedRows;

    if (notifying())
        emit aboutToReset();
    if (unsorted > MaxInsertedRows) {
        std::vector<int> order(m_rows.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&](int a, int b) { return sortsBefore(m_rows[size_t(a)], m_rows[size_t(b)]); });
        std::vector<Row> sorted;
        sorted.reserve(qMax<size_t>(m_rows.capacity(), m_rows.size()));
        for (int i : order)
            sorted.push_back(std::move(m_rows[size_t(i)]));
        m_rows = std::move(sorted);
    } else {
        // The rows before m_sortedRows are in order: each later row moves
        // to its place among them. The order is total, so this gives what
        // sorting all rows gives.
        for (int i = m_sortedRows; i < rowCount(); ++i) {
            const auto first = m_rows.begin();
            const auto place =
                std::upper_bound(first, first + i, m_rows[size_t(i)],
                                 [&](const Row &a, const Row &b) { return sortsBefore(a, b); });
            std::rotate(place, first + i, first + i + 1);
        }
    }
    m_sortedRows = rowCount();

    m_current = -1;
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[size_t(i)].creation == currentCreation) {
            m_current = i;
            break;
        }
    }
    if (notifying()) {
        emit reset();
        emit currentRowChanged(m_current);
    }
    notifyDataChange();
}

bool ComponentTable::locate(QStringView fieldName, const QByteArray &text)
{
    endPending();
    const auto f = fieldByName(fieldName);
    if (m_rows.empty() || !f)
        return false;
    std::function<bool(const Row &)> matches;
    std::optional<NameKey> wantedKey;
    QString wanted;
    if (*f == Field::Nome) {
        // Names are matched on their sort keys: equal keys are names that
        // the collator finds equal, and an empty name equals only itself.
        wantedKey.emplace(makeKey(text));
        matches = [&](const Row &r) {
            return r.nome.isEmpty() == text.isEmpty() && keyOf(r).compare(*wantedKey) == 0;
        };
    } else {
        wanted = QString::fromLatin1(text);
        matches = [&](const Row &r) {
            const QByteArray &value = *f == Field::Comandos ? r.comandos : r.ilhas;
            return m_collator.compare(QString::fromLatin1(value), wanted) == 0;
        };
    }
    if (matches(m_rows[size_t(m_current)]))
        return true;
    for (int i = 0; i < rowCount(); ++i) {
        if (matches(m_rows[size_t(i)])) {
            m_bof = m_eof = false;
            setCurrent(i, true);
            return true;
        }
    }
    return false;
}

void ComponentTable::suspendNotifications()
{
    if (m_suspended++ == 0)
        emit aboutToReset();
}

void ComponentTable::resumeNotifications()
{
    if (m_suspended == 0)
        return;
    if (--m_suspended == 0) {
        emit reset();
        emit currentRowChanged(m_current);
        emit dataChange();
    }
}

static_assert(std::is_nothrow_move_constructible_v<ComponentTable::NameKey>);
