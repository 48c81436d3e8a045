#pragma once

// The symbol model of a legacy component: its text from DEF through ENDDEF
// (as a component row holds it) and its .dcm entries, converted as KiCad 6
// converts a .lib and its .dcm into a .kicad_sym.

#include "symbol/symbol.h"

#include <QByteArray>
#include <QList>

class Descricoes;

// The component first, then one derived symbol per ALIAS, in the order of
// the ALIAS lines. `descricoes` may be null (no .dcm beside the library).
QList<Symbol> symbolsFromLegacy(const QByteArray &component, const Descricoes *descricoes);

// KiCad 6's overbar notation: "~RST" becomes "~{RST}", "~~" a tilde; a lone
// "~" stays as it is.
QByteArray newOverbars(const QByteArray &text);
