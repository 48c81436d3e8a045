#include "componenttable.h"

#include <QLocale>
#include <algorithm>
#include <numeric>

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
}

QByteArray ComponentTable::limitName(const QByteArray &text)
{
    // Storing stops at a NUL, and a name keeps its first 60 bytes.
    qsizetype n = text.indexOf('\0');
    if (n < 0)
        n = text.size();
    return text.left(qMin<qsizetype>(n, MaxNameBytes));
}

int ComponentTable::compareNames(const QByteArray &a, const QByteArray &b) const
{
    return m_collator.compare(QString::fromLatin1(a), QString::fromLatin1(b));
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
        const int row = m_current;
        if (notifying())
            emit rowsAboutToBeRemoved(row);
        m_rows.erase(m_rows.begin() + row);
        if (notifying())
            emit rowsRemoved();
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
        if (notifying())
            emit nameChanged(m_current);
        break;
    case Field::Comandos:
        r.comandos = text;
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
    m_state = State::Browse;
    m_pendingChanged = false;
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
    emit afterEdit();
}

void ComponentTable::remove()
{
    if (m_rows.empty())
        return;
    // A pending insert or edit of the row being removed is dropped with it.
    m_state = State::Browse;
    m_pendingChanged = false;
    const int row = m_current;
    if (notifying())
        emit rowsAboutToBeRemoved(row);
    m_rows.erase(m_rows.begin() + row);
    if (notifying())
        emit rowsRemoved();
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

    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_rows.size());
    for (const Row &r : m_rows)
        keys.push_back(m_collator.sortKey(QString::fromLatin1(r.nome)));
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Row &ra = m_rows[size_t(a)];
        const Row &rb = m_rows[size_t(b)];
        // An empty name sorts before every name.
        if (ra.nome.isEmpty() != rb.nome.isEmpty())
            return ra.nome.isEmpty();
        const int c = keys[size_t(a)].compare(keys[size_t(b)]);
        if (c != 0)
            return c < 0;
        return ra.creation < rb.creation;
    });

    if (notifying())
        emit aboutToReset();
    std::vector<Row> sorted;
    sorted.reserve(qMax<size_t>(m_rows.capacity(), m_rows.size()));
    int newCurrent = -1;
    for (int i : order) {
        if (m_rows[size_t(i)].creation == currentCreation)
            newCurrent = int(sorted.size());
        sorted.push_back(std::move(m_rows[size_t(i)]));
    }
    m_rows = std::move(sorted);
    m_current = newCurrent;
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
    const QString wanted = QString::fromLatin1(text);
    auto matches = [&](const Row &r) {
        const QByteArray &value = *f == Field::Nome ? r.nome
                                  : *f == Field::Comandos ? r.comandos
                                                          : r.ilhas;
        return m_collator.compare(QString::fromLatin1(value), wanted) == 0;
    };
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
