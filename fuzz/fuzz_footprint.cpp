// Fuzz target: the pad checker's walk and the four pad tools on arbitrary
// command texts.
//
// The input is split at NUL bytes into the command texts of an edit table
// (at most 16 components). The checker walks the whole table answering
// "go on" to every finding; each finding must name a line of the component
// it was found in (or, for a pad block cut short by the end of the text,
// one of the six lines where the block's commands were due), and the walk
// must end past the last component.
//
// Then every line goes through giraIlha and sobrepoeZero, and each
// component's line list through troca_tam and troca_zero:
// - the list tools rewrite exactly the lines the single-line tools accept,
//   with the same result, and leave every other line byte for byte;
// - for a valid Sh line (fields 3 on are plain words: no quotes, nothing
//   empty, and it fits the token table), a rotation swaps fields 4 and 5 and
//   keeps every other field, and a rotation applied twice restores the
//   line's sizes; the zero fill replaces exactly a size that reads "0".
#include "footprint/padchecker.h"
#include "footprint/padtools.h"
#include "fuzzcheck.h"
#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "library/linelist.h"
#include "meuparse/meuparse.h"

#include <optional>
#include <vector>

namespace {

struct Campos
{
    qint32 contagem = 0;
    std::vector<QByteArray> t; // t[i] = token i, for 1..count
};

Campos campos(const QByteArray &linha)
{
    Campos c;
    const Tokens t = separa_linha(linha);
    c.contagem = t.indiceFinal();
    c.t.push_back({});
    for (qint64 i = 1; i <= qMin<qint64>(c.contagem, MAX_TOKENS); ++i)
        c.t.push_back(t.token(i));
    return c;
}

// A Sh line whose rebuilt form keeps every field: at least five tokens, all
// in the table, and fields 3 on plain words that tokenize to themselves.
bool shValida(const QByteArray &linha, const Campos &c)
{
    if (c.contagem < 5 || c.contagem > MAX_TOKENS || c.t[1] != "Sh")
        return false;
    if (linha.contains('\r') || linha.contains('\n'))
        return false;
    // Token `contagem` is the word left open at the end of the line, or
    // empty when the line ended in a blank; the sizes may not be empty.
    for (qint64 i = 3; i <= c.contagem; ++i) {
        const QByteArray &f = c.t[size_t(i)];
        if (f.contains('"') || f.contains(' '))
            return false;
        if (f.isEmpty() && (i < c.contagem || i <= 5))
            return false;
    }
    return true;
}

void confereGiro(const QByteArray &linha)
{
    const Campos antes = campos(linha);
    const std::optional<QByteArray> uma = giraIlha(linha);
    if (!uma) {
        FUZZ_CHECK(!shValida(linha, antes));
        return;
    }
    if (!shValida(linha, antes))
        return;
    const Campos depois = campos(*uma);
    FUZZ_CHECK(depois.contagem == antes.contagem);
    for (qint64 i = 1; i <= antes.contagem; ++i) {
        const qint64 de = i == 4 ? 5 : i == 5 ? 4 : i;
        FUZZ_CHECK(depois.t[size_t(i)] == antes.t[size_t(de)]);
    }
    const std::optional<QByteArray> duas = giraIlha(*uma);
    FUZZ_CHECK(duas.has_value());
    const Campos volta = campos(*duas);
    FUZZ_CHECK(volta.contagem == antes.contagem);
    for (qint64 i = 1; i <= antes.contagem; ++i)
        FUZZ_CHECK(volta.t[size_t(i)] == antes.t[size_t(i)]);
    // Once rebuilt, the line's form is stable.
    FUZZ_CHECK(giraIlha(*duas) == uma);
}

void confereZero(const QByteArray &linha)
{
    const Campos antes = campos(linha);
    const std::optional<QByteArray> novo = sobrepoeZero(linha);
    if (!novo) {
        FUZZ_CHECK(!shValida(linha, antes));
        return;
    }
    if (!shValida(linha, antes))
        return;
    const Campos depois = campos(*novo);
    FUZZ_CHECK(depois.contagem == antes.contagem);
    QByteArray x = antes.t[4], y = antes.t[5];
    if (x == "0")
        x = y;
    if (y == "0")
        y = x;
    for (qint64 i = 1; i <= antes.contagem; ++i) {
        const QByteArray esperado = i == 4 ? x : i == 5 ? y : antes.t[size_t(i)];
        FUZZ_CHECK(depois.t[size_t(i)] == esperado);
    }
}

template <typename Uma, typename Todas>
void confereLista(const QList<QByteArray> &original, Uma uma, Todas todas)
{
    QList<QByteArray> lista = original;
    const QList<int> mudadas = todas(lista);
    FUZZ_CHECK(lista.size() == original.size());
    qsizetype k = 0;
    for (int i = 0; i < original.size(); ++i) {
        const std::optional<QByteArray> esperado = uma(original[i]);
        if (esperado) {
            FUZZ_CHECK(k < mudadas.size() && mudadas[k] == i);
            ++k;
            FUZZ_CHECK(lista[i] == *esperado);
        } else {
            FUZZ_CHECK(lista[i] == original[i]);
        }
    }
    FUZZ_CHECK(k == mudadas.size());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzBytes(data, size);
    QList<QByteArray> textos = input.split('\0');
    if (textos.size() > 16)
        textos.resize(16);

    LibraryDocument documento;
    ComponentTable &tabela = documento.table();
    std::vector<QList<QByteArray>> listas;
    for (qsizetype i = 0; i < textos.size(); ++i) {
        tabela.append();
        tabela.setField(ComponentTable::Field::Nome, "c" + QByteArray::number(i));
        tabela.setField(ComponentTable::Field::Comandos, textos[i]);
        tabela.post();
        listas.push_back(linhas(textos[i]));
    }
    tabela.first();

    int achados = 0;
    const bool fim = percorreIlhas(documento, [&](const QString &mensagem, int linha) {
        FUZZ_CHECK(!mensagem.isEmpty());
        const int atual = tabela.currentRow();
        FUZZ_CHECK(atual >= 0 && size_t(atual) < listas.size());
        // A pad block opened near the end reports its missing commands on
        // the lines where they should be, up to six past the last line.
        FUZZ_CHECK(linha >= 0 && linha < listas[size_t(atual)].size() + 6);
        ++achados;
        return Resposta::Continua;
    });
    FUZZ_CHECK(fim);
    // The walk leaves the bulk pass flag to its caller (checaIlhas clears it).
    FUZZ_CHECK(documento.passagemEmMassa() == !textos.isEmpty());
    FUZZ_CHECK(tabela.atEnd());
    (void)achados;

    for (const QList<QByteArray> &lista : listas) {
        for (const QByteArray &linha : lista) {
            confereGiro(linha);
            confereZero(linha);
        }
        confereLista(lista, giraIlha, [](QList<QByteArray> &l) { return troca_tam(l); });
        confereLista(lista, sobrepoeZero, [](QList<QByteArray> &l) { return troca_zero(l); });
    }
    return 0;
}
