#pragma once

// Copying many components at once into a library that may already hold some
// of their names. Names are compared as the component table compares them
// (without regard to case), against the target and between the offered
// components, the first offered first.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class ComponentTable;
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

// The first of NAME_1, NAME_2, ... that `livre` accepts; the name is cut so
// that name and suffix stay within the table's name length.
QByteArray proximoNomeLivre(const QByteArray &nome,
                            const std::function<bool(const QByteArray &)> &livre);

// The command text with the name of its first DEF line (the DEF line's second
// field) replaced by `nome`, quoted when it holds a blank; unchanged when the
// text has no DEF line.
QByteArray renomeiaDef(const QByteArray &comandos, const QByteArray &nome);

// Copies the offers into `destino` by `politica`, carrying their .dcm entries
// into `descricoes` (a renamed component's own entry takes the new name; a
// replaced component's entries go). Rows replaced are removed, new rows are
// appended in offer order and the table is sorted once, as one copy after
// another would leave it; the modified flag is set when anything changed.
// With Falhar and any clash nothing changes.
ResultadoMescla mescla(LibraryDocument &destino, Descricoes &descricoes,
                       const QList<Oferta> &ofertas, Duplicados politica);
