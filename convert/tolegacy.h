#pragma once

// Symbols of a .kicad_sym library written back as legacy components (the
// DEF ... ENDDEF text of a .lib and the entries of its .dcm), by the inverse
// of the rules KiCad 6 follows when it reads a .lib: read back with
// symbolsFromLegacy(), a component gives the symbols it was made from,
// except for what the legacy format cannot hold, which is listed.

#include "library/dcmfile.h"
#include "symbol/symbol.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Something of one symbol that the legacy format could not hold as it was.
struct ConversionLoss
{
    QByteArray symbol;
    QString what; // in Portuguese, for the user
    bool operator==(const ConversionLoss &) const = default;
};

struct LegacyComponent
{
    QByteArray nome; // as a row names it: the DEF line's name ("~" for a hidden value)
    // DEF through ENDDEF, each line followed by CR, as a row holds it.
    QByteArray comandos;
    QList<Descricao> descricoes; // its own .dcm entry and its aliases'
};

struct LegacyConversion
{
    QList<LegacyComponent> components;
    QList<ConversionLoss> losses;
};

// A root symbol and the symbols derived from it (directly or through other
// derived ones). Each derived symbol becomes an ALIAS when the alias reads
// back as that very symbol (it only changes fields the alias takes from its
// .dcm entry), else a component of its own with the root's drawing.
LegacyConversion legacyComponents(const Symbol &root, const QList<Symbol> &derived);

// A whole library: each root with its derived symbols, in the order of the
// roots; a derived symbol whose root is missing (or a cycle) becomes a
// component of its own, as drawn without a parent, and is listed as a loss.
LegacyConversion legacyLibrary(const QList<Symbol> &symbols);

// The inverse of newOverbars(): "~{RST}" becomes "~RST", a tilde "~~".
QByteArray oldOverbars(const QByteArray &text);

// The losses one line per symbol, in the order met ("74LS00: caixa de
// texto, curva de Bézier"), as the window lists them before converting.
QStringList lossLines(const QList<ConversionLoss> &losses);
