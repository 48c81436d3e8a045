#include "libraryfile.h"

#include "componenttable.h"
#include "linelist.h"
#include "meuparse/meuparse.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

#include <bit>
#include <cstring>

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
    // Most lines give their answer at once: a first byte that no trimming
    // removes and that begins neither word.
    if (i < n && quint8(p[i]) > 32 && p[i] != 'D' && p[i] != 'd' && p[i] != 'E' && p[i] != 'e')
        return Word::Other;
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
    Reader(ComponentTable &table, const BlocoFechado &fechado) : m_table(table), m_fechado(fechado)
    {
    }

    void line(const char *p, qsizetype n)
    {
        const Word w = firstWord(p, n);
        if (w == Word::Def) {
            if (m_open)
                closeBlock();
            m_name = token_da_linha(QByteArrayView(p, n), 2);
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

    // The end of the file: a block still open is a component cut short,
    // left out; its name comes back.
    QByteArray finish()
    {
        if (!m_open)
            return {};
        m_open = false;
        m_used = 0;
        return m_name;
    }

private:
    // The open block's lines gather in one buffer reused for every block;
    // each block's text is then copied out at its exact size, so a library
    // of thousands of texts carries no spare room.
    void gather(const char *p, qsizetype n)
    {
        const qsizetype need = m_used + n + 1;
        if (need > m_text.size())
            m_text.resize(qMax(need, 2 * m_text.size()));
        char *out = m_text.data() + m_used;
        if (n > 0)
            std::memcpy(out, p, size_t(n));
        out[n] = '\r';
        m_used = need;
    }

    void closeBlock()
    {
        const QByteArray comandos(m_text.constData(), m_used);
        m_table.append();
        m_table.setField(ComponentTable::Field::Nome, m_name);
        m_table.setField(ComponentTable::Field::Comandos, comandos);
        m_table.post();
        if (m_fechado)
            m_fechado(comandos);
        m_used = 0;
        m_open = false;
    }

    ComponentTable &m_table;
    const BlocoFechado &m_fechado;
    QByteArray m_text;
    qsizetype m_used = 0;
    QByteArray m_name; // of the open block
    bool m_open = false;
};

} // namespace

namespace {

// Cuts a stream read in chunks into lines for `reader`: CR, CR LF and a lone
// LF end a line, also when a chunk ends between the CR and the LF; a Ctrl-Z
// ends the stream, and a line it cuts short is still a line.
class LineCutter
{
public:
    explicit LineCutter(Reader &reader) : m_reader(reader) {}

    // Returns false once a Ctrl-Z was met: nothing after it is read.
    bool feed(const char *p, qsizetype got)
    {
        qsizetype start = 0;
        qsizetype i = 0;
        if (m_skipLf && got > 0 && p[0] == '\n')
            start = i = 1;
        m_skipLf = false;
        for (; i < got; ++i) {
            i = procuraQuebra<true>(p + i, p + got) - p;
            if (i == got)
                break;
            const char c = p[i];
            // Nothing of a line standing before a Ctrl-Z makes no line.
            if (!(c == CtrlZ && m_carry.isEmpty() && i == start))
                line(p + start, i - start);
            if (c == CtrlZ)
                return false;
            if (c == '\r') {
                if (i + 1 < got) {
                    if (p[i + 1] == '\n')
                        ++i;
                } else {
                    m_skipLf = true;
                }
            }
            start = i + 1;
        }
        if (start < got)
            m_carry.append(p + start, got - start);
        return true;
    }

    // The last line needs no line end.
    void finish()
    {
        if (!m_carry.isEmpty())
            m_reader.line(m_carry.constData(), m_carry.size());
        m_carry.clear();
    }

private:
    void line(const char *p, qsizetype n)
    {
        if (m_carry.isEmpty()) {
            m_reader.line(p, n);
            return;
        }
        m_carry.append(p, n);
        m_reader.line(m_carry.constData(), m_carry.size());
        m_carry.clear();
    }

    Reader &m_reader;
    QByteArray m_carry;    // a line split across chunks
    bool m_skipLf = false; // the previous chunk ended with a CR
};

} // namespace

FileResult leBiblioteca(QIODevice &in, ComponentTable &table, const BlocoFechado &fechado)
{
    const bool recording = table.recording();
    table.setRecording(false);
    struct Restore
    {
        ComponentTable &t;
        bool on;
        ~Restore() { t.setRecording(on); }
    } restore{table, recording};
    Reader reader(table, fechado);
    LineCutter cutter(reader);
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(chunk.data(), ChunkSize);
        if (got < 0) {
            reader.finish();
            return FileResult::failure(in.errorString());
        }
        if (got == 0 || !cutter.feed(chunk.constData(), got))
            break;
    }
    cutter.finish();
    FileResult result;
    result.unfinished = reader.finish();
    return result;
}

FileResult readLibraryFile(const QString &path, ComponentTable &table)
{
    const QFileInfo info(path);
    if (!info.exists())
        return FileResult::failure(QStringLiteral("o arquivo não existe"));
    if (info.isDir())
        return FileResult::failure(QStringLiteral("é uma pasta, não um arquivo"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!info.isReadable())
            return FileResult::failure(QStringLiteral("sem permissão para ler o arquivo"));
        return FileResult::failure(
            QStringLiteral("o arquivo não pôde ser aberto (%1)").arg(file.errorString()));
    }
    // KiCad writes the header as the first line; anything else (an image, an
    // empty file) is not a library, however its name ends.
    const QByteArray head = file.peek(16);
    if (file.error() != QFileDevice::NoError)
        return FileResult::failure(QStringLiteral("erro de leitura (%1)").arg(file.errorString()));
    if (!head.startsWith("EESchema-LIBRARY"))
        return FileResult::failure(QStringLiteral("não é uma biblioteca de componentes (falta a "
                                                  "linha de cabeçalho EESchema-LIBRARY)"));
    FileResult result = leBiblioteca(file, table);
    if (!result.ok)
        result.error = QStringLiteral("erro de leitura (%1)").arg(result.error);
    return result;
}

FileResult carregaBiblioteca(const QString &path, ComponentTable &table,
                             const BlocoFechado &fechado)
{
    table.suspendNotifications();
    table.clear();
    FileResult result;
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        result =
            FileResult::failure(QStringLiteral("\"%1\" é uma pasta, não um arquivo.").arg(path));
    } else if (!file.open(QIODevice::ReadOnly)) {
        result = FileResult::failure(file.errorString());
    } else {
        result = leBiblioteca(file, table, fechado);
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
    // Each line of a row's line list followed by CR LF comes down to: every
    // break (CR LF, lone CR, lone LF) written as CR LF, and CR LF after a
    // last line that has no break. The bytes go through one buffer that is
    // written out whenever it fills.
    constexpr qsizetype Cap = ChunkSize;
    QByteArray buffer(Cap, Qt::Uninitialized);
    char *const buf = buffer.data();
    qsizetype used = 0;
    bool failed = false;
    auto flush = [&] {
        if (!failed && !escreveTudo(out, buf, used))
            failed = true;
        used = 0;
    };
    auto put = [&](const char *p, qsizetype n) {
        while (n > 0) {
            if (used == Cap)
                flush();
            const qsizetype k = qMin(n, Cap - used);
            std::memcpy(buf + used, p, size_t(k));
            used += k;
            p += k;
            n -= k;
        }
    };
    auto crlf = [&] {
        if (Cap - used < 2)
            flush();
        buf[used++] = '\r';
        buf[used++] = '\n';
    };

    const QByteArray header = cabecalhoBiblioteca(when);
    put(header.constData(), header.size());
    crlf();
    for (int row = 0; row < table.rowCount() && !failed; ++row) {
        paraCadaLinha(table.comandosAt(row), [&](const QByteArray &line) {
            put(line.constData(), line.size());
            crlf();
        });
    }
    flush();
    if (failed)
        return FileResult::failure(out.errorString());
    return {};
}

bool escreveTudo(QIODevice &out, const char *data, qint64 size)
{
    // A device may take only part of a block (a disk that fills up takes
    // what still fits, without an error): write the rest until it is all out
    // or the device fails and says why.
    qint64 done = 0;
    while (done < size) {
        const qint64 n = out.write(data + done, size - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

FileResult gravaComSeguranca(const QString &path,
                             const std::function<FileResult(QIODevice &)> &escreve)
{
    // Unbuffered: the writers gather their own blocks, and a write the disk
    // refuses must fail in write() with its reason, not later in commit()
    // with none.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileResult::failure(file.errorString());
    FileResult result = escreve(file);
    if (!result.ok) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return FileResult::failure(file.errorString());
    return {};
}

FileResult salvaBiblioteca(const QString &path, const ComponentTable &table, const QDateTime &when)
{
    return gravaComSeguranca(path,
                             [&](QIODevice &out) { return gravaBiblioteca(out, table, when); });
}
