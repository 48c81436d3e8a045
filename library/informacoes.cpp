#include "informacoes.h"

#include "library/dcmfile.h"
#include "library/linelist.h"
#include "meuparse/meuparse.h"

#include <QSysInfo>

#include <bit>
#include <cstring>

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool eComando(const char *p, qsizetype n, QByteArrayView command)
{
    if (n != command.size())
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        if (upper(p[i]) != command[i])
            return false;
    }
    return true;
}

// Token k of a line without quotes, as the tokenizer gives it: the k-th run
// of bytes between blanks (a run that the line's end closes is a token too;
// a missing token is empty). Without quotes the tokenizer does nothing else,
// so plain lines, the rule, are read here without building every token:
// eight bytes at a time, counting where runs begin.
QByteArrayView tokenSimples(const char *p, const char *end, int k)
{
    int contados = 0;
    bool antesBranco = true; // the byte before p is a blank (or the line's start)
    auto fimDoToken = [end](const char *q) {
        while (q < end && *q != ' ')
            ++q;
        return q;
    };
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        constexpr quint64 low7 = 0x7f7f7f7f7f7f7f7fULL;
        constexpr quint64 ones = 0x0101010101010101ULL;
        for (; end - p >= 8; p += 8) {
            quint64 w;
            std::memcpy(&w, p, 8);
            const quint64 x = w ^ (ones * ' ');
            // The high bit of each byte that is a blank, exactly.
            const quint64 brancos = ~(((x & low7) + low7) | x) & ~low7;
            // Bytes that are not blanks and follow one: where runs begin.
            quint64 inicios = ~brancos & ~low7 & ((brancos << 8) | (antesBranco ? 0x80u : 0u));
            // A few runs per word at most: walked one by one (std::popcount
            // is a library call without a POPCNT target).
            for (; inicios; inicios &= inicios - 1) {
                if (++contados == k) {
                    const char *q = p + std::countr_zero(inicios) / 8;
                    return QByteArrayView(q, fimDoToken(q) - q);
                }
            }
            antesBranco = (brancos >> 63) != 0;
        }
    }
    for (; p < end; ++p) {
        const bool branco = *p == ' ';
        if (!branco && antesBranco && ++contados == k)
            return QByteArrayView(p, fimDoToken(p) - p);
        antesBranco = branco;
    }
    return {};
}

enum class Tipo { Outra, Pino, Def, Alias };

Tipo tipoDe(QByteArrayView palavra)
{
    if (eComando(palavra.data(), palavra.size(), "X"))
        return Tipo::Pino;
    if (eComando(palavra.data(), palavra.size(), "DEF"))
        return Tipo::Def;
    if (eComando(palavra.data(), palavra.size(), "ALIAS"))
        return Tipo::Alias;
    return Tipo::Outra;
}

} // namespace

Informacoes informacoesDe(const QByteArray &comandos, QList<QByteArray> *aliases)
{
    Informacoes info;
    QSet<QByteArray> vistos;
    paraCadaLinha(comandos, [&](const QByteArray &linha) {
        if (aliases)
            aliasesDaLinha(linha, *aliases, vistos);
        // The tokenizer's first token starts at the first byte that is not a
        // blank, unless that byte opens a quoted string: any other line
        // cannot be X, DEF or ALIAS.
        const char *p = linha.constData();
        const char *const end = p + linha.size();
        while (p < end && *p == ' ')
            ++p;
        if (p == end)
            return;
        const char u = upper(*p);
        if (u != 'X' && u != 'D' && u != 'A' && *p != '"')
            return;
        auto guarda = [&](Tipo tipo, QByteArrayView pinoOuPartes) {
            if (tipo == Tipo::Pino && (pinoOuPartes == "0" || pinoOuPartes == "1"))
                ++info.pinos;
            else if (tipo == Tipo::Def)
                info.partes = pinoOuPartes.toByteArray();
            else if (tipo == Tipo::Alias)
                info.alias = QByteArray(linha.constData(), linha.size());
        };
        if (!std::memchr(p, '"', size_t(end - p))) {
            const Tipo tipo = tipoDe(tokenSimples(p, end, 1));
            if (tipo != Tipo::Outra)
                guarda(tipo, tokenSimples(p, end, tipo == Tipo::Pino ? 11 : 8));
            return;
        }
        // Quotes: the tokenizer's own rules.
        const Tokens t = separa_linha(linha);
        const Tipo tipo = tipoDe(t.token(1));
        if (tipo != Tipo::Outra)
            guarda(tipo, t.token(tipo == Tipo::Pino ? 11 : 8));
    });
    return info;
}
