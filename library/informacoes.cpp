#include "informacoes.h"

#include "library/linelist.h"
#include "meuparse/meuparse.h"

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool eComando(const QByteArray &word, QByteArrayView command)
{
    if (word.size() != command.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (upper(word[i]) != command[i])
            return false;
    }
    return true;
}

// Whether the tokenizer's first token of the line may be X, DEF or ALIAS: it
// starts at the first byte that is not a blank, unless that byte opens a
// quoted string. Every other line is skipped without being tokenized.
bool podeInteressar(const QByteArray &linha)
{
    for (char c : linha) {
        if (c == ' ')
            continue;
        const char u = upper(c);
        return u == 'X' || u == 'D' || u == 'A' || c == '"';
    }
    return false;
}

} // namespace

Informacoes informacoesDe(const QByteArray &comandos)
{
    Informacoes info;
    paraCadaLinha(comandos, [&](const QByteArray &linha) {
        if (!podeInteressar(linha))
            return;
        const Tokens t = separa_linha(linha);
        const QByteArray &word = t.token(1);
        if (eComando(word, "X")) {
            const QByteArray &convert = t.token(11);
            if (convert == "0" || convert == "1")
                ++info.pinos;
        } else if (eComando(word, "DEF")) {
            info.partes = t.token(8);
        } else if (eComando(word, "ALIAS")) {
            info.alias = QByteArray(linha.constData(), linha.size());
        }
    });
    return info;
}
