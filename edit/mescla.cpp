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

} // namespace

TakenNames::TakenNames(const ComponentTable &table) : m_table(table)
{
    for (int r = 0; r < table.rowCount(); ++r)
        add(table.nameAt(r), table.comandosAt(r));
}

bool TakenNames::contains(const QByteArray &nome) const
{
    return m_keys.count(m_table.nameKey(nome)) > 0;
}

void TakenNames::add(const QByteArray &nome, const QByteArray &comandos)
{
    for (const QByteArray &n : nomesDoComponente(nome, comandos))
        m_keys.insert(m_table.nameKey(n));
}

RenamedCopy renameCopy(const QByteArray &comandos, const QByteArray &nome, const TakenNames &taken)
{
    RenamedCopy out;
    const qsizetype marca = nome.lastIndexOf('_');
    const QByteArray sufixo = marca >= 0 ? nome.mid(marca) : QByteArray();
    for (const QByteArray &a : aliasesDe(comandos)) {
        if (!sufixo.isEmpty() && taken.contains(a))
            out.aliases.insert(a, a.left(ComponentTable::MaxNameBytes - sufixo.size()) + sufixo);
    }
    out.comandos = renameAliases(renameComponent(comandos, nome), out.aliases);
    return out;
}

QList<Descricao> copiedEntries(const Descricoes &de, const QByteArray &original,
                               const QByteArray &comandos, const QByteArray &nome,
                               const QHash<QByteArray, QByteArray> &aliases)
{
    QList<Descricao> entradas = entradasDoComponente(de, original, comandos);
    const QByteArray proprio = dcmName(original);
    const QByteArray novo = dcmName(nome);
    for (Descricao &e : entradas) {
        if (proprio != novo && e.nome() == proprio)
            e = e.renomeada(novo);
        else if (const auto it = aliases.constFind(e.nome().toByteArray()); it != aliases.cend())
            e = e.renomeada(*it);
    }
    return entradas;
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
    std::vector<RenamedCopy> renomeadas(static_cast<size_t>(n));
    // Names and aliases the target will hold, for the aliases of renamed
    // copies.
    std::optional<TakenNames> ocupados;
    if (politica == Duplicados::Renomear)
        ocupados.emplace(tabela);
    QList<int> removidas;
    for (qsizetype k = 0; k < n; ++k) {
        const QByteArray &nome = ofertas[k].nome;
        ComponentTable::NameKey chave = tabela.nameKey(nome);
        const auto it = donos.find(chave);
        if (it == donos.end()) {
            donos.emplace(std::move(chave), -1 - k);
            aceita[size_t(k)] = true;
            nomeFinal[size_t(k)] = nome;
            if (ocupados)
                ocupados->add(nome, ofertas[k].comandos);
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
            renomeadas[size_t(k)] = renameCopy(ofertas[k].comandos, novo, *ocupados);
            ocupados->add(novo, renomeadas[size_t(k)].comandos);
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
        const QByteArray nome = tabela.nameAt(linha);
        const QByteArray comandos = tabela.comandosAt(linha);
        tabela.moveTo(linha);
        tabela.remove();
        destino.dropDescriptions(nome, comandos);
    }
    std::optional<quint64> ultima;
    for (qsizetype k = 0; k < n; ++k) {
        if (!aceita[size_t(k)])
            continue;
        const Oferta &o = ofertas[k];
        const QByteArray &nome = nomeFinal[size_t(k)];
        const bool renomeada = nome != o.nome;
        const RenamedCopy &rc = renomeadas[size_t(k)];
        tabela.append();
        tabela.setField(ComponentTable::Field::Nome, nome);
        tabela.setField(ComponentTable::Field::Comandos, renomeada ? rc.comandos : o.comandos);
        tabela.post();
        ultima = tabela.idAt(tabela.currentRow());
        r.copiados << nome;
        if (o.descricoes)
            destino.addDescriptions(
                copiedEntries(*o.descricoes, o.nome, o.comandos, nome, rc.aliases));
    }
    destino.setModificado(true);
    tabela.sortByName();
    if (ultima)
        tabela.moveTo(tabela.rowOfId(*ultima));
    destino.endStep(true);
    return r;
}
