// Fuzz target: component descriptions (.dcm) and the search filter.
//
// The bytes are read as a .dcm file, written for a library made of some of
// the names it holds (each with an ALIAS line naming another, in reverse
// order, so that the writer reorders), and read again. What must hold:
// - the second reading has the same entries, as many times each: the same
//   lines, but for a $ENDCMP line that the writer adds to an entry without
//   one, hence the same name and values;
// - the lines kept outside entries come back in the same order;
// - a name finds the same entry (the last of its name) in both readings;
// - writing the second reading gives the very bytes of the first writing.
//
// The filter: the first line of the input is a pattern, the next bytes a
// text. casa() must agree with a plain dynamic-programming glob (and with a
// substring search for a pattern without wildcards), and the index must
// give a row exactly when casa() accepts one of its fields.
#include "fuzzcheck.h"
#include "library/dcmfile.h"
#include "library/filtro.h"

#include <QBuffer>

#include <algorithm>
#include <vector>

namespace {

QByteArray grava(const Descricoes &d, const QList<ComponenteDcm> &comps)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    FUZZ_CHECK(gravaDescricoes(out, comps, d).ok);
    return bytes;
}

QList<QByteArray> fechada(const Descricao &e)
{
    QList<QByteArray> l = e.linhas();
    if (!e.fechada())
        l.append("$ENDCMP");
    return l;
}

QList<QByteArray> linhasSoltas(const Descricoes &d)
{
    QList<QByteArray> out;
    for (const Descricoes::Parte &p : d.partes())
        if (const QByteArray *l = std::get_if<QByteArray>(&p))
            out.append(*l);
    return out;
}

void checaDcm(const QByteArray &arquivo)
{
    const LeituraDcm r1 = leDescricoes(arquivo);
    FUZZ_CHECK(r1.resultado.ok);
    const QList<Descricao> antes = r1.descricoes.entradas();
    FUZZ_CHECK(antes.size() == r1.descricoes.quantasEntradas());

    QList<ComponenteDcm> comps;
    for (qsizetype i = 0; i < antes.size(); i += 2) {
        const QByteArray nome = antes[i].nome().toByteArray();
        QByteArray texto = "DEF " + nome + "\r";
        if (i + 1 < antes.size())
            texto += "ALIAS " + antes[i + 1].nome().toByteArray() + "\r";
        comps.prepend({nome, texto});
    }

    const QByteArray w1 = grava(r1.descricoes, comps);
    const LeituraDcm r2 = leDescricoes(w1);
    FUZZ_CHECK(r2.resultado.ok && r2.cabecalho);
    const QList<Descricao> depois = r2.descricoes.entradas();
    FUZZ_CHECK(depois.size() == antes.size());

    std::vector<std::pair<QList<QByteArray>, const Descricao *>> a, b;
    for (const Descricao &e : antes)
        a.push_back({fechada(e), &e});
    for (const Descricao &e : depois) {
        FUZZ_CHECK(e.fechada());
        b.push_back({e.linhas(), &e});
    }
    auto porLinhas = [](const auto &x, const auto &y) { return x.first < y.first; };
    std::sort(a.begin(), a.end(), porLinhas);
    std::sort(b.begin(), b.end(), porLinhas);
    for (size_t i = 0; i < a.size(); ++i) {
        FUZZ_CHECK(a[i].first == b[i].first);
        const Descricao &x = *a[i].second, &y = *b[i].second;
        FUZZ_CHECK(x.nome() == y.nome() && x.descricao() == y.descricao() &&
                   x.palavras() == y.palavras() && x.datasheet() == y.datasheet());
    }
    FUZZ_CHECK(linhasSoltas(r2.descricoes) == linhasSoltas(r1.descricoes));
    for (const Descricao &e : antes) {
        const Descricao *p1 = r1.descricoes.procura(e.nome());
        const Descricao *p2 = r2.descricoes.procura(e.nome());
        FUZZ_CHECK((p1 == nullptr) == e.nome().isEmpty() && (p1 == nullptr) == (p2 == nullptr));
        if (p1)
            FUZZ_CHECK(fechada(*p1) == p2->linhas());
    }
    FUZZ_CHECK(grava(r2.descricoes, comps) == w1);

    // Carrying every component's entries into a fresh set and dropping them
    // again leaves it without entries.
    Descricoes edicao;
    for (const ComponenteDcm &c : comps)
        copiaEntradas(r1.descricoes, edicao, c.nome, c.comandos);
    for (const ComponenteDcm &c : comps)
        removeEntradas(edicao, c.nome, c.comandos);
    FUZZ_CHECK(edicao.semEntradas());
}

// The glob by the book: d[i][j] says whether p[0..i) matches t[0..j).
bool globReferencia(const QString &p, const QString &t)
{
    const qsizetype m = p.size(), n = t.size();
    std::vector<std::vector<char>> d(size_t(m) + 1, std::vector<char>(size_t(n) + 1, 0));
    d[0][0] = 1;
    for (qsizetype i = 1; i <= m; ++i) {
        const QChar c = p[i - 1];
        for (qsizetype j = 0; j <= n; ++j) {
            if (c == u'*')
                d[i][j] = d[i - 1][j] || (j > 0 && d[i][j - 1]);
            else
                d[i][j] = j > 0 && d[i - 1][j - 1] && (c == u'?' || c == t[j - 1]);
        }
    }
    return d[m][n];
}

bool casaReferencia(const QString &padrao, const QString &texto)
{
    if (padrao.contains(QChar(0)))
        return false;
    const QString p = padrao.toCaseFolded();
    const QString t = QString(texto).replace(QChar(0), QChar::ReplacementCharacter).toCaseFolded();
    if (!p.contains(u'*') && !p.contains(u'?'))
        return t.contains(p);
    return globReferencia(p, t);
}

void checaFiltro(const QByteArray &dados)
{
    const qsizetype quebra = dados.indexOf('\n');
    if (quebra < 0)
        return;
    const QByteArray padrao = dados.left(qMin<qsizetype>(quebra, 200));
    const QByteArray texto = dados.mid(quebra + 1, 300);
    for (const QString &p : {QString::fromLatin1(padrao), QString::fromUtf8(padrao)}) {
        const QString t = QString::fromLatin1(texto);
        FUZZ_CHECK(casa(p, t) == casaReferencia(p, t));

        // Rows: the text as a name, as a description, and split in two.
        FiltroIndice indice;
        indice.acrescenta(texto, {}, {}, {});
        indice.acrescenta("x", {}, texto, {});
        const qsizetype meio = texto.size() / 2;
        indice.acrescenta(texto.left(meio), "ALIAS " + texto.mid(meio), {}, {});
        QList<int> esperadas;
        if (casa(p, t))
            esperadas << 0;
        if (casa(p, QStringLiteral("x")) || (!texto.isEmpty() && casa(p, QString::fromUtf8(texto))))
            esperadas << 1;
        bool terceira = casa(p, QString::fromLatin1(texto.left(meio)));
        for (const QByteArray &a : aliasesDe("ALIAS " + texto.mid(meio)))
            terceira = terceira || casa(p, QString::fromLatin1(a));
        if (terceira)
            esperadas << 2;
        FUZZ_CHECK(indice.linhasQueCasam(p) == esperadas);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    checaDcm(bytes);
    checaFiltro(bytes);
    return 0;
}
