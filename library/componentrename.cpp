#include "componentrename.h"

#include "library/linelist.h"

#include <cstring>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The first word of a line as the library reader tells it: after leading
// blanks, up to a blank, with bytes 0..32 trimmed from both its ends.
QByteArrayView firstWord(const char *p, const char *end)
{
    while (p < end && *p == ' ')
        ++p;
    const char *e = p;
    while (e < end && *e != ' ')
        ++e;
    while (p < e && quint8(*p) <= 32)
        ++p;
    while (e > p && quint8(e[-1]) <= 32)
        --e;
    return {p, e - p};
}

// The end of the token starting at p, as the tokenizer splits: a quoted
// string runs through its closing quote, a word up to a blank or a quote.
const char *tokenEnd(const char *p, const char *end)
{
    if (p < end && *p == '"') {
        const void *q = std::memchr(p + 1, '"', size_t(end - p - 1));
        return q ? static_cast<const char *>(q) + 1 : end;
    }
    while (p < end && *p != ' ' && *p != '"')
        ++p;
    return p;
}

const char *skipSpaces(const char *p, const char *end)
{
    while (p < end && *p == ' ')
        ++p;
    return p;
}

// The second token of the line [p, end): where it begins and ends.
std::pair<const char *, const char *> secondToken(const char *p, const char *end)
{
    const char *s = skipSpaces(tokenEnd(skipSpaces(p, end), end), end);
    return {s, tokenEnd(s, end)};
}

QByteArrayView unquoted(const char *b, const char *e)
{
    if (e - b >= 2 && *b == '"' && e[-1] == '"')
        return {b + 1, e - b - 2};
    return {b, e - b};
}

// Calls f(begin, end) for each line of the text, without its line end;
// stops when f returns true.
template <typename F> void eachLine(const QByteArray &text, F &&f)
{
    const char *p = text.constData();
    const char *const end = p + text.size();
    while (p < end) {
        const char *q = procuraQuebra(p, end);
        if (f(p, q) || q == end)
            return;
        p = q + 1;
        if (*q == '\r' && p < end && *p == '\n')
            ++p;
    }
}

QByteArray quotedIfNeeded(const QByteArray &nome)
{
    if (nome.contains(' ') || nome.isEmpty())
        return '"' + nome + '"';
    return nome;
}

} // namespace

QByteArray dcmName(const QByteArray &nome)
{
    return nome.startsWith('~') ? nome.mid(1) : nome;
}

QByteArray keepHiddenMark(const QByteArray &antigo, const QByteArray &novo)
{
    return antigo.startsWith('~') && !novo.startsWith('~') ? '~' + novo : novo;
}

QByteArray renomeiaDef(const QByteArray &comandos, const QByteArray &nome)
{
    QByteArray out = comandos;
    eachLine(comandos, [&](const char *p, const char *q) {
        if (firstWord(p, q).compare("DEF", Qt::CaseInsensitive) != 0)
            return false;
        const auto [s, e] = secondToken(p, q);
        const qsizetype at = s - comandos.constData();
        out = comandos.left(at) + quotedIfNeeded(nome) + comandos.mid(e - comandos.constData());
        return true;
    });
    return out;
}

QByteArray renameComponent(const QByteArray &comandos, const QByteArray &nome)
{
    QByteArray antigo;
    bool hasDef = false;
    eachLine(comandos, [&](const char *p, const char *q) {
        if (firstWord(p, q).compare("DEF", Qt::CaseInsensitive) != 0)
            return false;
        const auto [s, e] = secondToken(p, q);
        antigo = unquoted(s, e).toByteArray();
        hasDef = true;
        return true;
    });
    if (!hasDef)
        return comandos;
    QByteArray out = renomeiaDef(comandos, nome);
    const QByteArray valorAntigo = dcmName(antigo);
    const QByteArray base = out;
    eachLine(base, [&](const char *p, const char *q) {
        if (firstWord(p, q) != "F1")
            return false;
        const auto [s, e] = secondToken(p, q);
        if (unquoted(s, e) == valorAntigo) {
            const qsizetype at = s - base.constData();
            out = base.left(at) + '"' + dcmName(nome) + '"' + base.mid(e - base.constData());
        }
        return true;
    });
    return out;
}

QByteArray renameAliases(const QByteArray &comandos, const QHash<QByteArray, QByteArray> &novos)
{
    if (novos.isEmpty())
        return comandos;
    QByteArray out;
    out.reserve(comandos.size() + 64);
    const char *const base = comandos.constData();
    qsizetype copied = 0;
    eachLine(comandos, [&](const char *p, const char *q) {
        const char *w = p;
        while (w < q && isBlank(*w))
            ++w;
        const char *we = w;
        while (we < q && !isBlank(*we))
            ++we;
        if (we - w != 5 || qstrnicmp(w, "ALIAS", 5) != 0)
            return false;
        for (const char *t = we; t < q;) {
            while (t < q && isBlank(*t))
                ++t;
            const char *te = t;
            while (te < q && !isBlank(*te))
                ++te;
            const auto it = novos.constFind(QByteArray(t, te - t));
            if (te > t && it != novos.cend()) {
                out.append(base + copied, t - base - copied);
                out += *it;
                copied = te - base;
            }
            t = te;
        }
        return false;
    });
    out.append(base + copied, comandos.size() - copied);
    return out;
}
