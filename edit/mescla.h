#pragma once

// Copying many components at once into a library that may already hold some
// of their names, by a policy fixed beforehand instead of a question per
// clash (copiaComponentes asks). Names are compared as the component table
// compares them (without regard to case), against the target and between
// the offered components, the first offered first; a new name is found as
// proximoNomeLivre finds it, among the target's names and those already
// given in the same copy.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

class Descricoes;
class LibraryDocument;

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

// The command text with the name of its first DEF line (the DEF line's second
// field) replaced by `nome`, quoted when it holds a blank; unchanged when the
// text has no DEF line.
QByteArray renomeiaDef(const QByteArray &comandos, const QByteArray &nome);

// Copies the offers into `destino` by `politica` as one undo step, carrying
// their .dcm entries into the document's descriptions as copiaComponentes
// does (a renamed component's own entry takes the new name; a replaced
// component's entries go). A renamed component's DEF line takes the new name
// too, so that the name survives a save. Rows replaced are removed, new rows
// are appended in offer order and the table is sorted once, as one copy
// after another would leave it; the last copied row ends current and the
// modified flag is set when anything changed. With Falhar and any clash
// nothing changes. Offers are planned before the table changes, so a large
// copy costs O(n log n) name comparisons.
ResultadoMescla mescla(LibraryDocument &destino, const QList<Oferta> &ofertas, Duplicados politica);
