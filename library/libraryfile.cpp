#include "libraryfile.h"

#include "componenttable.h"
#include "linelist.h"
#include "meuparse/meuparse.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr char CtrlZ = 26;
constexpr qint64 ChunkSize = 1 << 20;

enum class Word { Other, Def, EndDef };

// The line's first word as the reader sees it: after leading spaces, up to
// the next space, with bytes 0..32 trimmed from both ends, upper-cased.
Word firstWord(const char *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    qsizetype end = i;
    while (end < n && p[end] != ' ')
        ++end;
    while (i < end && quint8(p[i]) <= 32)
        ++i;
    while (end > i && quint8(p[end - 1]) <= 32)
        --end;
    auto is = [&](const char *word, qsizetype len) {
        if (end - i != len)
            return false;
        for (qsizetype k = 0; k < len; ++k) {
            char c = p[i + k];
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
            if (c != word[k])
                return false;
        }
        return true;
    };
    if (is("DEF", 3))
        return Word::Def;
    if (is("ENDDEF", 6))
        return Word::EndDef;
    return Word::Other;
}

class Reader
{
public:
    explicit Reader(ComponentTable &table) : m_table(table) {}

    void line(const char *p, qsizetype n)
    {
        const Word w = firstWord(p, n);
        if (w == Word::Def) {
            if (m_open)
                closeBlock();
            separa_linha(QByteArray::fromRawData(p, n));
            m_table.append();
            m_table.setField(ComponentTable::Field::Nome, QByteArray(token(2)));
            m_open = true;
        }
        if (w == Word::EndDef && m_open) {
            gather(p, n);
            closeBlock();
            return;
        }
        if (m_open)
            gather(p, n);
    }

    void finish()
    {
        if (m_open)
            closeBlock();
    }

private:
    void gather(const char *p, qsizetype n)
    {
        m_text.append(p, n);
        m_text.append('\r');
    }

    void closeBlock()
    {
        m_table.setField(ComponentTable::Field::Comandos, m_text);
        m_table.post();
        m_text = QByteArray();
        m_open = false;
    }

    ComponentTable &m_table;
    QByteArray m_text;
    bool m_open = false;
};

} // namespace

FileResult leBiblioteca(QIODevice &in, ComponentTable &table)
{
    Reader reader(table);
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    QByteArray carry;         // a line split across chunks
    bool skipLf = false;      // the previous chunk ended with a CR
    bool ended = false;       // a Ctrl-Z was met
    while (!ended) {
        const qint64 got = in.read(chunk.data(), ChunkSize);
        if (got < 0) {
            reader.finish();
            return FileResult::failure(in.errorString());
        }
        if (got == 0)
            break;
        const char *p = chunk.constData();
        qsizetype start = 0;
        qsizetype i = 0;
        if (skipLf && p[0] == '\n')
            start = i = 1;
        skipLf = false;
        for (; i < got; ++i) {
            const char c = p[i];
            if (c != '\r' && c != '\n' && c != CtrlZ)
                continue;
            if (c == CtrlZ && carry.isEmpty() && i == start) {
                // Nothing of a line stands before the Ctrl-Z.
            } else if (carry.isEmpty()) {
                reader.line(p + start, i - start);
            } else {
                carry.append(p + start, i - start);
                reader.line(carry.constData(), carry.size());
                carry.clear();
            }
            if (c == CtrlZ) {
                ended = true;
                start = got;
                break;
            }
            if (c == '\r') {
                if (i + 1 < got) {
                    if (p[i + 1] == '\n')
                        ++i;
                } else {
                    skipLf = true;
                }
            }
            start = i + 1;
        }
        if (start < got)
            carry.append(p + start, got - start);
    }
    // The last line needs no line end.
    if (!carry.isEmpty())
        reader.line(carry.constData(), carry.size());
    reader.finish();
    return {};
}

FileResult carregaBiblioteca(const QString &path, ComponentTable &table)
{
    table.suspendNotifications();
    table.clear();
    FileResult result;
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        result = FileResult::failure(QStringLiteral("\"%1\" é uma pasta, não um arquivo.").arg(path));
    } else if (!file.open(QIODevice::ReadOnly)) {
        result = FileResult::failure(file.errorString());
    } else {
        result = leBiblioteca(file, table);
        file.close();
    }
    table.sortByName();
    table.first();
    table.resumeNotifications();
    return result;
}

QByteArray cabecalhoBiblioteca(const QDateTime &when)
{
    return "EESchema-LIBRARY Version 2.3  Date:   " +
           when.toString(QStringLiteral("dd/MM/yyyy-hh:mm:ss")).toLatin1();
}

FileResult gravaBiblioteca(QIODevice &out, const ComponentTable &table, const QDateTime &when)
{
    QByteArray buffer;
    buffer.reserve(ChunkSize + 4096);
    bool failed = false;
    auto flush = [&] {
        if (!failed && !buffer.isEmpty() && out.write(buffer) != buffer.size())
            failed = true;
        buffer.clear();
    };
    buffer.append(cabecalhoBiblioteca(when));
    buffer.append("\r\n");
    for (int row = 0; row < table.rowCount() && !failed; ++row) {
        paraCadaLinha(table.comandosAt(row), [&](const QByteArray &line) {
            buffer.append(line);
            buffer.append("\r\n");
            if (buffer.size() >= ChunkSize)
                flush();
        });
    }
    flush();
    if (failed)
        return FileResult::failure(out.errorString());
    return {};
}

FileResult salvaBiblioteca(const QString &path, const ComponentTable &table,
                           const QDateTime &when)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::failure(file.errorString());
    FileResult result = gravaBiblioteca(file, table, when);
    if (!result.ok) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return FileResult::failure(file.errorString());
    return {};
}
