#pragma once

// Helpers for the library tests: byte-level file access, a plain model of how
// a library file reads (written from the file format's rules, independent of
// the reader), an order oracle built on QCollator, and devices that deliver
// or accept data in small pieces or fail on purpose.

#include "library/componenttable.h"
#include "meuparse/meuparse.h"

#include <QByteArray>
#include <QCollator>
#include <QFile>
#include <QIODevice>
#include <QList>
#include <QLocale>
#include <QString>

#include <algorithm>

namespace libfix {

struct Component
{
    QByteArray name;
    QByteArray text;
    bool operator==(const Component &o) const { return name == o.name && text == o.text; }
};

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool writeBytes(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

// Every row of the table in table order.
inline QList<Component> rowsOf(const ComponentTable &table)
{
    QList<Component> out;
    for (int i = 0; i < table.rowCount(); ++i)
        out.append({table.nameAt(i), table.comandosAt(i)});
    return out;
}

inline QList<QByteArray> namesOf(const ComponentTable &table)
{
    QList<QByteArray> out;
    for (int i = 0; i < table.rowCount(); ++i)
        out.append(table.nameAt(i));
    return out;
}

// Adds one posted row with the given name and text.
inline void addRow(ComponentTable &table, const QByteArray &name, const QByteArray &text = {})
{
    table.append();
    table.setField(ComponentTable::Field::Nome, name);
    table.setField(ComponentTable::Field::Comandos, text);
    table.post();
}

// Replaces every LF of an LF-only text with `end`.
inline QByteArray withLineEnds(const QByteArray &lfText, const QByteArray &end)
{
    QByteArray out = lfText;
    out.replace('\n', end);
    return out;
}

// The word that decides whether a line opens or closes a block: after leading
// spaces, up to the next space, bytes 0..32 stripped from both ends, a-z made
// capitals.
inline QByteArray blockWord(const QByteArray &line)
{
    qsizetype b = 0;
    while (b < line.size() && line[b] == ' ')
        ++b;
    qsizetype e = line.indexOf(' ', b);
    if (e < 0)
        e = line.size();
    QByteArray w = line.mid(b, e - b);
    while (!w.isEmpty() && quint8(w.front()) <= 32)
        w.remove(0, 1);
    while (!w.isEmpty() && quint8(w.back()) <= 32)
        w.chop(1);
    for (char &c : w)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return w;
}

// How a name is stored: up to the first NUL, at most 60 bytes.
inline QByteArray storedName(const QByteArray &raw)
{
    const qsizetype nul = raw.indexOf('\0');
    return raw.left(nul < 0 ? raw.size() : nul).left(60);
}

// The components a file holds, in file order, from the format's rules: the
// data ends at the first Ctrl-Z; CR LF, CR and LF each end a line; a DEF line
// opens a block (closing any open one with what it gathered), ENDDEF closes
// it, a block open at the end keeps its lines; each line of a block is kept
// followed by one CR. The name is field 2 of the DEF line as the tokenizer
// splits it.
inline QList<Component> expectedComponents(QByteArray data)
{
    const qsizetype z = data.indexOf('\x1a');
    if (z >= 0)
        data.truncate(z);
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] != '\r' && data[i] != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < data.size())
        lines.append(data.mid(start));

    QList<Component> out;
    Component cur;
    bool open = false;
    for (const QByteArray &line : lines) {
        const QByteArray w = blockWord(line);
        if (w == "DEF") {
            if (open)
                out.append(cur);
            cur = {storedName(separa_linha(line).token(2)), {}};
            open = true;
        }
        if (open)
            cur.text += line + '\r';
        if (w == "ENDDEF" && open) {
            out.append(cur);
            open = false;
        }
    }
    // A block the file ends inside is no component.
    return out;
}

// The name order a loaded or sorted table must show: empty names first, then
// case-insensitive collation for the system locale; ties keep their order.
class NameOrder
{
public:
    NameOrder() : m_collator(QLocale::system())
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    // <0, 0, >0 like a comparison.
    int compare(const QByteArray &a, const QByteArray &b) const
    {
        if (a.isEmpty() || b.isEmpty())
            return int(!a.isEmpty()) - int(!b.isEmpty());
        return m_collator.compare(QString::fromLatin1(a), QString::fromLatin1(b));
    }

    QList<Component> sorted(QList<Component> list) const
    {
        std::stable_sort(list.begin(), list.end(), [&](const Component &x, const Component &y) {
            return compare(x.name, y.name) < 0;
        });
        return list;
    }

private:
    QCollator m_collator;
};

// A sequential device that hands out its data at most `piece` bytes per read,
// and optionally fails once `failAfter` bytes have been delivered.
class TricklingDevice : public QIODevice
{
public:
    TricklingDevice(QByteArray data, qint64 piece, qint64 failAfter = -1)
        : m_data(std::move(data)), m_piece(piece), m_failAfter(failAfter)
    {
    }
    bool isSequential() const override { return true; }
    qint64 readCalls() const { return m_calls; }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        ++m_calls;
        if (m_failAfter >= 0 && m_pos >= m_failAfter) {
            setErrorString(QStringLiteral("simulated read failure"));
            return -1;
        }
        qint64 n = std::min({max, m_piece, qint64(m_data.size()) - m_pos});
        if (m_failAfter >= 0)
            n = std::min(n, m_failAfter - m_pos);
        std::copy_n(m_data.constData() + m_pos, n, out);
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_piece;
    qint64 m_failAfter;
    qint64 m_pos = 0;
    qint64 m_calls = 0;
};

// A write-only device that accepts `capacity` bytes and then fails.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 capacity) : m_capacity(capacity) {}
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        if (written.size() + len > m_capacity) {
            setErrorString(QStringLiteral("simulated device full"));
            return -1;
        }
        written.append(data, len);
        return len;
    }

private:
    qint64 m_capacity;
};

} // namespace libfix
