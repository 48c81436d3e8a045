#include "filtro.h"

#include "componenttable.h"
#include "dcmfile.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

constexpr char16_t Estrela = u'*';
constexpr char16_t Qualquer = u'?';
// Ends every field of the index; no folded text holds it (see dobra).
constexpr char16_t Separador = u'\0';

QString dobra(QString texto)
{
    texto = texto.toCaseFolded();
    texto.replace(QChar(Separador), QChar(QChar::ReplacementCharacter));
    return texto;
}

} // namespace

// A pattern made ready once per keystroke: case-folded, runs of '*' made
// one, and the parts a glob can check at once.
struct PadraoFiltro
{
    explicit PadraoFiltro(const QString &texto)
    {
        const QString f = texto.toCaseFolded();
        p.reserve(f.size());
        for (QChar c : f) {
            if (c == Estrela && !p.isEmpty() && p.back() == Estrela)
                continue;
            p.append(c);
            if (c == Estrela)
                temEstrela = true;
            else
                ++minimo;
            if (c == Estrela || c == Qualquer)
                curinga = true;
            if (c == Separador)
                impossivel = true;
        }
        // The longest run of characters that stand for themselves.
        for (qsizetype i = 0; i < p.size();) {
            qsizetype j = i;
            while (j < p.size() && p[j] != Estrela && p[j] != Qualquer)
                ++j;
            if (j - i > trechoTamanho) {
                trechoInicio = i;
                trechoTamanho = j - i;
            }
            i = j + 1;
        }
        if (!temEstrela)
            return;
        prefixo = p.indexOf(QChar(Estrela));
        sufixo = p.size() - 1 - p.lastIndexOf(QChar(Estrela));
        // The segments between the first and the last '*'.
        qsizetype i = prefixo + 1;
        const qsizetype fimMeio = p.size() - sufixo - 1;
        while (i < fimMeio) {
            const qsizetype j = p.indexOf(QChar(Estrela), i);
            segmentos.push_back({i, j - i});
            i = j + 1;
        }
    }

    struct Segmento
    {
        qsizetype inicio;
        qsizetype tamanho;
    };

    QString p;
    qsizetype minimo = 0; // characters a text needs at least
    qsizetype prefixo = 0;
    qsizetype sufixo = 0;
    qsizetype trechoInicio = 0;
    qsizetype trechoTamanho = 0;
    std::vector<Segmento> segmentos;
    bool temEstrela = false;
    bool curinga = false;
    bool impossivel = false;
};

namespace {

// Whether p[0..n) matches t[0..n), '?' matching any one character.
bool igual(const QChar *p, const QChar *t, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != t[i] && p[i] != Qualquer)
            return false;
    }
    return true;
}

// The whole of t[0..n) against a pattern with wildcards. Prefix and suffix
// are fixed in place; each segment between stars is then taken at its
// leftmost place after the previous one. Taking the leftmost place never
// loses a match (a later place leaves less text to the rest), so there is no
// backtracking: at most n positions are tried per segment.
bool glob(const PadraoFiltro &pd, const QChar *t, qsizetype n)
{
    const QChar *p = pd.p.constData();
    if (!pd.temEstrela)
        return n == pd.p.size() && igual(p, t, n);
    if (n < pd.minimo)
        return false;
    if (!igual(p, t, pd.prefixo) ||
        !igual(p + pd.p.size() - pd.sufixo, t + n - pd.sufixo, pd.sufixo))
        return false;
    qsizetype i = pd.prefixo;
    const qsizetype fim = n - pd.sufixo;
    for (const PadraoFiltro::Segmento &s : pd.segmentos) {
        const QChar *seg = p + s.inicio;
        for (;;) {
            if (fim - i < s.tamanho)
                return false;
            if (seg[0] == Qualquer || seg[0] == t[i]) {
                if (igual(seg, t + i, s.tamanho))
                    break;
            }
            ++i;
        }
        i += s.tamanho;
    }
    return true;
}

bool casaTexto(const PadraoFiltro &pd, const QString &dobrado)
{
    if (pd.impossivel)
        return false;
    if (!pd.curinga)
        return dobrado.contains(pd.p);
    return glob(pd, dobrado.constData(), dobrado.size());
}

} // namespace

bool casa(const QString &padrao, const QString &texto)
{
    return casaTexto(PadraoFiltro(padrao), dobra(texto));
}

FiltroIndice FiltroIndice::daTabela(const ComponentTable &table, const Descricoes &d)
{
    FiltroIndice f;
    f.m_inicioLinha.reserve(size_t(table.rowCount()) + 1);
    f.m_primeiroCampo.reserve(size_t(table.rowCount()) + 1);
    for (int r = 0; r < table.rowCount(); ++r) {
        const QByteArray nome = table.nameAt(r);
        const QByteArray comandos = table.comandosAt(r);
        f.acrescenta(nome, comandos, entradasDoComponente(d, nome, comandos));
    }
    return f;
}

void FiltroIndice::poeCampo(const QString &texto)
{
    const QString dobrado = dobra(texto);
    for (QChar c : dobrado)
        ++m_frequencia[c.unicode()];
    m_texto += dobrado;
    m_texto += QChar(Separador);
    m_campo.push_back(m_texto.size());
}

void FiltroIndice::fechaLinha()
{
    m_primeiroCampo.push_back(qsizetype(m_campo.size()) - 1);
    m_inicioLinha.push_back(m_texto.size());
}

void FiltroIndice::acrescenta(const QByteArray &nome, const QByteArray &comandos,
                              const QByteArray &descricao, const QByteArray &palavras)
{
    poeCampo(QString::fromLatin1(nome));
    for (const QByteArray &a : aliasesDe(comandos))
        poeCampo(QString::fromLatin1(a));
    if (!descricao.isEmpty())
        poeCampo(QString::fromUtf8(descricao));
    if (!palavras.isEmpty())
        poeCampo(QString::fromUtf8(palavras));
    fechaLinha();
}

void FiltroIndice::acrescenta(const QByteArray &nome, const QByteArray &comandos,
                              const QList<Descricao> &entradas)
{
    poeCampo(QString::fromLatin1(nome));
    for (const QByteArray &a : aliasesDe(comandos))
        poeCampo(QString::fromLatin1(a));
    for (const Descricao &e : entradas) {
        if (!e.descricao().isEmpty())
            poeCampo(QString::fromUtf8(e.descricao()));
        if (!e.palavras().isEmpty())
            poeCampo(QString::fromUtf8(e.palavras()));
    }
    fechaLinha();
}

template <typename F> void FiltroIndice::linhasComTrecho(QStringView trecho, F &&linha) const
{
    // The trecho's rarest character in the index is looked for first, with
    // the library's vectorised character search; only where it stands is
    // the whole trecho compared. A hit names its row, and the search goes on
    // at the next row. The separators keep a hit inside one field.
    qsizetype k = 0;
    for (qsizetype i = 1; i < trecho.size(); ++i) {
        if (m_frequencia[trecho[i].unicode()] < m_frequencia[trecho[k].unicode()])
            k = i;
    }
    const QStringView texto(m_texto);
    const qsizetype m = trecho.size();
    qsizetype de = 0; // where the next hit may begin
    for (;;) {
        const qsizetype at = texto.indexOf(trecho[k], de + k);
        if (at < 0)
            return;
        const qsizetype inicio = at - k;
        if (inicio + m <= texto.size() &&
            std::memcmp(texto.data() + inicio, trecho.data(), size_t(m) * sizeof(QChar)) == 0) {
            const auto it = std::upper_bound(m_inicioLinha.begin(), m_inicioLinha.end(), inicio);
            linha(int(it - m_inicioLinha.begin()) - 1);
            de = *it;
        } else {
            de = inicio + 1;
        }
    }
}

bool FiltroIndice::linhaCasa(const PadraoFiltro &pd, int r) const
{
    const QChar *base = m_texto.constData();
    for (size_t c = size_t(m_primeiroCampo[size_t(r)]); c < size_t(m_primeiroCampo[size_t(r) + 1]);
         ++c) {
        const qsizetype inicio = m_campo[c];
        if (glob(pd, base + inicio, m_campo[c + 1] - 1 - inicio))
            return true;
    }
    return false;
}

QList<int> FiltroIndice::linhasQueCasam(const QString &padrao) const
{
    const PadraoFiltro pd(padrao);
    QList<int> out;
    const int n = linhas();
    if (pd.impossivel)
        return out;
    if (pd.p.isEmpty()) {
        out.resize(n);
        std::iota(out.begin(), out.end(), 0);
        return out;
    }
    if (pd.trechoTamanho == 0) {
        for (int r = 0; r < n; ++r) {
            if (linhaCasa(pd, r))
                out.append(r);
        }
        return out;
    }
    // A row whose field matches holds the pattern's longest literal run in
    // that field: only the rows that hold it are tried.
    linhasComTrecho(QStringView(pd.p).mid(pd.trechoInicio, pd.trechoTamanho), [&](int r) {
        if (!pd.curinga || linhaCasa(pd, r))
            out.append(r);
    });
    return out;
}
