#include "mescla.h"

#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/librarydocument.h"
#include "library/linelist.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

std::optional<Duplicados> duplicadosPorNome(const QString &nome)
{
    if (nome == u"skip")
        return Duplicados::Pular;
    if (nome == u"replace")
        return Duplicados::Substituir;
    if (nome == u"rename")
        return Duplicados::Renomear;
    if (nome == u"fail")
        return Duplicados::Falhar;
    return std::nullopt;
}

namespace {

// The first of NAME_1, NAME_2, ... that `livre` accepts, cut to fit the name
// length: the rule of proximoNomeLivre, over names not all in a table yet.
template <typename Livre> QByteArray nomeLivre(const QByteArray &nome, Livre &&livre)
{
    for (qint64 n = 1;; ++n) {
        const QByteArray sufixo = '_' + QByteArray::number(n);
        const qsizetype cabe = qMax<qsizetype>(0, ComponentTable::MaxNameBytes - sufixo.size());
        const QByteArray candidato = nome.left(cabe) + sufixo;
        if (livre(candidato))
            return candidato;
    }
}

// A DEF line as the library reader tells it: the first word after leading
// blanks, bytes 0..32 trimmed from both its ends, is DEF in any letter case.
bool eLinhaDef(const char *p, const char *end)
{
    while (p < end && *p == ' ')
        ++p;
    const char *fim = p;
    while (fim < end && *fim != ' ')
        ++fim;
    while (p < fim && quint8(*p) <= 32)
        ++p;
    while (fim > p && quint8(fim[-1]) <= 32)
        --fim;
    return fim - p == 3 && qstrnicmp(p, "DEF", 3) == 0;
}

// The end of the token starting at p, as the tokenizer splits: a quoted
// string runs through its closing quote, a word up to a blank or a quote.
const char *fimDoToken(const char *p, const char *end)
{
    if (p < end && *p == '"') {
        const void *q = std::memchr(p + 1, '"', size_t(end - p - 1));
        return q ? static_cast<const char *>(q) + 1 : end;
    }
    while (p < end && *p != ' ' && *p != '"')
        ++p;
    return p;
}

} // namespace

QByteArray renomeiaDef(const QByteArray &comandos, const QByteArray &nome)
{
    const char *const inicio = comandos.constData();
    const char *const end = inicio + comandos.size();
    for (const char *p = inicio; p < end;) {
        const char *q = procuraQuebra(p, end);
        if (eLinhaDef(p, q)) {
            const char *s = p;
            while (s < q && *s == ' ')
                ++s;
            s = fimDoToken(s, q);
            while (s < q && *s == ' ')
                ++s;
            const char *e = fimDoToken(s, q);
            QByteArray out(inicio, s - inicio);
            if (nome.contains(' ') || nome.isEmpty())
                out += '"' + nome + '"';
            else
                out += nome;
            out.append(e, end - e);
            return out;
        }
        if (q == end)
            break;
        p = q + 1;
        if (*q == '\r' && p < end && *p == '\n')
            ++p;
    }
    return comandos;
}

ResultadoMescla mescla(LibraryDocument &destino, const QList<Oferta> &ofertas, Duplicados politica)
{
    ComponentTable &tabela = destino.table();
    ResultadoMescla r;

    // Who holds each name: a row of the target (>= 0) or an offer (-1 - k).
    // The table's own comparison orders the map, so "equal" means what a
    // lookup in the table means.
    auto antes = [](const ComponentTable::NameKey &a, const ComponentTable::NameKey &b) {
        return a.compare(b) < 0;
    };
    std::map<ComponentTable::NameKey, qsizetype, decltype(antes)> donos(antes);
    for (int linha = 0; linha < tabela.rowCount(); ++linha)
        donos.emplace(tabela.nameKey(tabela.nameAt(linha)), linha);

    const qsizetype n = ofertas.size();
    std::vector<bool> aceita(size_t(n), false);
    std::vector<QByteArray> nomeFinal(static_cast<size_t>(n));
    QList<int> removidas;
    for (qsizetype k = 0; k < n; ++k) {
        const QByteArray &nome = ofertas[k].nome;
        ComponentTable::NameKey chave = tabela.nameKey(nome);
        const auto it = donos.find(chave);
        if (it == donos.end()) {
            donos.emplace(std::move(chave), -1 - k);
            aceita[size_t(k)] = true;
            nomeFinal[size_t(k)] = nome;
            continue;
        }
        switch (politica) {
        case Duplicados::Pular:
            r.pulados << nome;
            break;
        case Duplicados::Falhar:
            if (!r.conflitos.contains(nome))
                r.conflitos << nome;
            break;
        case Duplicados::Substituir:
            if (it->second >= 0)
                removidas << int(it->second);
            else
                aceita[size_t(-1 - it->second)] = false;
            // The newcomer's spelling of the name is the one kept.
            donos.erase(it);
            donos.emplace(std::move(chave), -1 - k);
            aceita[size_t(k)] = true;
            nomeFinal[size_t(k)] = nome;
            r.substituidos << nome;
            break;
        case Duplicados::Renomear: {
            const QByteArray novo = nomeLivre(
                nome, [&](const QByteArray &c) { return !donos.contains(tabela.nameKey(c)); });
            donos.emplace(tabela.nameKey(novo), -1 - k);
            aceita[size_t(k)] = true;
            nomeFinal[size_t(k)] = novo;
            r.renomeados.append({nome, novo});
            break;
        }
        }
    }
    if (r.recusada())
        return r;
    const auto aceitas = std::count(aceita.begin(), aceita.end(), true);
    if (aceitas == 0 && removidas.isEmpty())
        return r;

    destino.beginStep(aceitas == 1 ? QStringLiteral("Copiar 1 componente")
                                   : QStringLiteral("Copiar %1 componentes").arg(aceitas));
    std::sort(removidas.begin(), removidas.end(), std::greater<>());
    for (int linha : removidas) {
        QList<QByteArray> nomes{tabela.nameAt(linha)};
        nomes += aliasesDe(tabela.comandosAt(linha));
        destino.mudaDescricoes(nomes, {});
        tabela.moveTo(linha);
        tabela.remove();
    }
    std::optional<quint64> ultima;
    for (qsizetype k = 0; k < n; ++k) {
        if (!aceita[size_t(k)])
            continue;
        const Oferta &o = ofertas[k];
        const QByteArray &nome = nomeFinal[size_t(k)];
        const bool renomeada = nome != o.nome;
        tabela.append();
        tabela.setField(ComponentTable::Field::Nome, nome);
        tabela.setField(ComponentTable::Field::Comandos,
                        renomeada ? renomeiaDef(o.comandos, nome) : o.comandos);
        tabela.post();
        ultima = tabela.idAt(tabela.currentRow());
        r.copiados << nome;
        if (!o.descricoes)
            continue;
        QList<Descricao> entradas = entradasDoComponente(*o.descricoes, o.nome, o.comandos);
        if (entradas.isEmpty())
            continue;
        QList<QByteArray> nomes;
        for (Descricao &e : entradas) {
            if (renomeada && e.nome() == o.nome)
                e = e.renomeada(nome);
            nomes << e.nome().toByteArray();
        }
        destino.mudaDescricoes(nomes, entradas);
    }
    destino.setModificado(true);
    tabela.sortByName();
    if (ultima)
        tabela.moveTo(tabela.rowOfId(*ultima));
    destino.endStep(true);
    return r;
}
