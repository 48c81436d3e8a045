#pragma once

// Copying many components at once into a library that may already hold some
// of their names, by a policy fixed beforehand instead of a question per
// clash (copiaComponentes asks). Names are compared as the component table
// compares them (without regard to case), against the target and between
// the offered components, the first offered first; a new name is found as
// proximoNomeLivre finds it, among the target's names and those already
// given in the same copy.

#include "library/componentrename.h"
#include "library/componenttable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <set>
#include <utility>

class Descricao;
class Descricoes;
class LibraryDocument;

// The names a library's components are known by, own names (without "~")
// and aliases, compared as the component table compares names.
class TakenNames
{
public:
    // Every row's names.
    explicit TakenNames(const ComponentTable &table);
    bool contains(const QByteArray &nome) const;
    // A component's names, as it will stand in the table.
    void add(const QByteArray &nome, const QByteArray &comandos);

private:
    struct Less
    {
        bool operator()(const ComponentTable::NameKey &a, const ComponentTable::NameKey &b) const
        {
            return a.compare(b) < 0;
        }
    };
    const ComponentTable &m_table;
    std::set<ComponentTable::NameKey, Less> m_keys;
};

// A copy renamed to `nome` (the original name with a suffix "_N"): its
// command text with the DEF and F1 lines renamed (renameComponent), and each
// alias that `taken` knows already given the same suffix, so that the target
// holds no name twice. `aliases` maps each alias renamed to its new name.
struct RenamedCopy
{
    QByteArray comandos;
    QHash<QByteArray, QByteArray> aliases;
};
RenamedCopy renameCopy(const QByteArray &comandos, const QByteArray &nome, const TakenNames &taken);

// The .dcm entries a copy carries from `de`: those of the component (named
// `original`, with the text `comandos` as offered), each under the name it
// has in the copy: its own under `nome`, its aliases' as `aliases` renames
// them.
QList<Descricao> copiedEntries(const Descricoes &de, const QByteArray &original,
                               const QByteArray &comandos, const QByteArray &nome,
                               const QHash<QByteArray, QByteArray> &aliases);

enum class Duplicados {
    Pular,      // the component already there (or offered first) stays
    Substituir, // the one offered last wins
    Renomear,   // the newcomer takes the first free name NAME_1, NAME_2, ...
    Falhar,     // any clash refuses the whole copy
};

// "skip", "replace", "rename", "fail".
std::optional<Duplicados> duplicadosPorNome(const QString &nome);

// One component offered for copying, with the descriptions its entries come
// from (none: it carries no entries).
struct Oferta
{
    QByteArray nome;
    QByteArray comandos;
    const Descricoes *descricoes = nullptr;
};

struct ResultadoMescla
{
    // The names copied in, as they now stand in the target.
    QList<QByteArray> copiados;
    QList<QByteArray> pulados;
    // Names whose earlier holder (in the target or offered before) gave way.
    QList<QByteArray> substituidos;
    // Offered name -> name given.
    QList<std::pair<QByteArray, QByteArray>> renomeados;
    // Falhar: every name that clashed, once each; nothing was changed.
    QList<QByteArray> conflitos;

    bool recusada() const { return !conflitos.isEmpty(); }
};

// Copies the offers into `destino` by `politica` as one undo step, carrying
// their .dcm entries into the document's descriptions as copiaComponentes
// does (a renamed component's entries take its new names; a replaced
// component's entries go; entries of other components stay). A renamed
// component is renamed in its text too (renameCopy), so that the name
// survives a save. Rows replaced are removed, new rows
// are appended in offer order and the table is sorted once, as one copy
// after another would leave it; the last copied row ends current and the
// modified flag is set when anything changed. With Falhar and any clash
// nothing changes. Offers are planned before the table changes, so a large
// copy costs O(n log n) name comparisons.
ResultadoMescla mescla(LibraryDocument &destino, const QList<Oferta> &ofertas, Duplicados politica);
