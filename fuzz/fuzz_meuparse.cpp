// Fuzz target: the line tokenizer separa_linha on arbitrary lines.
//
// The input is one line, split at its first NUL byte into a line A and a
// line B (B absent without a NUL). Each split is checked on its own; B split
// after A, after a line of more than 300 tokens and twice in a row must give
// the same result, whatever was split before.
#include "fuzzcheck.h"
#include "meuparse/meuparse.h"

#include <array>

namespace {

struct Copia
{
    qint32 resultado;
    qint32 qtd;
    std::array<Token, MAX_TOKENS + 1> tabela;
};

Copia divide(const QByteArray &linha)
{
    Copia c;
    const Tokens t = separa_linha(linha);
    c.resultado = t.indiceFinal();
    c.qtd = t.qtd();
    for (int i = 0; i <= MAX_TOKENS; ++i)
        c.tabela[size_t(i)] = Token{t.token(i), t.tipo(i)};
    // Reads outside 1..300 give nothing.
    FUZZ_CHECK(t.token(0).isEmpty() && t.token(MAX_TOKENS + 1).isEmpty() && t.token(-1).isEmpty());
    FUZZ_CHECK(t.token(qint64(c.qtd) + MAX_TOKENS + 2).isEmpty());
    // One token alone, as the library reader asks for a DEF line's name.
    for (qint64 i : {qint64(0), qint64(1), qint64(2), qint64(3), qint64(c.qtd), qint64(c.resultado),
                     qint64(MAX_TOKENS), qint64(MAX_TOKENS + 1)})
        FUZZ_CHECK(token_da_linha(linha, i) == t.token(i));
    return c;
}

bool numerico(const QByteArray &t)
{
    for (char ch : t) {
        if (!(ch == '+' || ch == '-' || ch == '.' || (ch >= '0' && ch <= '9')))
            return false;
    }
    return true;
}

void confere(const Copia &c, const QByteArray &linha)
{
    FUZZ_CHECK(c.qtd >= 0);
    FUZZ_CHECK(c.resultado == c.qtd + 1);
    // A token takes at least one byte of the line, or two quotes.
    FUZZ_CHECK(c.qtd <= linha.size());
    // Entry 0 does not exist.
    FUZZ_CHECK(c.tabela[0].texto.isEmpty() && c.tabela[0].tipo == TK_VAZIO);
    const qint64 fechados = qMin<qint64>(c.qtd, MAX_TOKENS);
    for (qint64 i = 1; i <= fechados; ++i) {
        const Token &t = c.tabela[size_t(i)];
        FUZZ_CHECK(t.tipo == TK_TEXTO || t.tipo == TK_NUMERO);
        if (t.tipo == TK_NUMERO)
            FUZZ_CHECK(!t.texto.isEmpty() && numerico(t.texto));
        FUZZ_CHECK(!t.texto.contains('"'));
        FUZZ_CHECK(t.texto.size() <= linha.size());
    }
    // At most one open token just above the closed ones, then empty entries.
    for (qint64 i = fechados + 1; i <= MAX_TOKENS; ++i) {
        const Token &t = c.tabela[size_t(i)];
        if (i == qint64(c.qtd) + 1 && (t.tipo == TK_TEXTO || t.tipo == TK_ASPAS))
            continue;
        FUZZ_CHECK(t.texto.isEmpty());
        FUZZ_CHECK(t.tipo == TK_VAZIO);
    }
}

bool igual(const Copia &a, const Copia &b)
{
    if (a.resultado != b.resultado || a.qtd != b.qtd)
        return false;
    for (int i = 0; i <= MAX_TOKENS; ++i) {
        if (a.tabela[size_t(i)].texto != b.tabela[size_t(i)].texto ||
            a.tabela[size_t(i)].tipo != b.tabela[size_t(i)].tipo)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzBytes(data, size);
    const qsizetype nul = input.indexOf('\0');
    const QByteArray a = nul < 0 ? QByteArray() : input.left(nul);
    const QByteArray b = nul < 0 ? input : input.mid(nul + 1);

    const Copia ca = divide(a);
    confere(ca, a);
    const Copia depoisDeA = divide(b);
    confere(depoisDeA, b);

    // A line of 301 tokens writes every entry; B split after it must match.
    QByteArray cheia;
    for (int i = 0; i < MAX_TOKENS + 1; ++i)
        cheia += "t ";
    const Copia c = divide(cheia);
    FUZZ_CHECK(c.qtd == MAX_TOKENS + 1);
    const Copia depoisDeCheia = divide(b);
    FUZZ_CHECK(igual(depoisDeA, depoisDeCheia));
    // The same line twice in a row gives the same table.
    FUZZ_CHECK(igual(depoisDeCheia, divide(b)));
    return 0;
}
