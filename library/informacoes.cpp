#include "informacoes.h"

#include "library/linelist.h"
#include "meuparse/meuparse.h"

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

// Tokens 1 to `ate` of a line without quotes, as the tokenizer gives them:
// the runs of bytes between blanks (a run that the line's end closes is a
// token too; missing tokens are empty). Without quotes the tokenizer does
// nothing else, so plain lines, the rule, are read here in one pass without
// building every token.
void tokensSimples(const char *p, const char *end, QByteArrayView *tokens, int ate)
{
    for (int i = 1; i <= ate; ++i) {
        while (p < end && *p == ' ')
            ++p;
        const char *fim = p;
        while (fim < end && *fim != ' ')
            ++fim;
        tokens[i] = QByteArrayView(p, fim - p);
        p = fim;
    }
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

Informacoes informacoesDe(const QByteArray &comandos)
{
    Informacoes info;
    paraCadaLinha(comandos, [&](const QByteArray &linha) {
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
            QByteArrayView t[12];
            tokensSimples(p, end, t, 1);
            const Tipo tipo = tipoDe(t[1]);
            if (tipo == Tipo::Outra)
                return;
            const int k = tipo == Tipo::Pino ? 11 : 8;
            // Tokens 2 to k, right after the first.
            tokensSimples(t[1].data() + t[1].size(), end, t + 1, k - 1);
            guarda(tipo, t[k]);
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
