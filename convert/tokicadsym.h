#pragma once

// A legacy library (.lib components and the .dcm beside them) as a
// .kicad_sym library, as KiCad 6 converts it: every component and each of
// its aliases a top-level symbol, roots in name order, each followed by its
// aliases in name order.

#include "kicadsym/kicadsymlibrary.h"

#include <QByteArray>
#include <QList>

class Descricoes;

// `components`: DEF ... ENDDEF texts (as rows hold them); `descricoes` may be
// null. Rows are written in `version`'s layout (20211014 ... 20241209).
KicadSymLibrary kicadSymFromLegacy(const QList<QByteArray> &components,
                                   const Descricoes *descricoes, int version);

// The same symbols as models, in that order.
QList<Symbol> symbolsOfLegacyLibrary(const QList<QByteArray> &components,
                                     const Descricoes *descricoes);

// Each sub-symbol's items in the order KiCad 6 writes them.
void sortAsKicad(Symbol &symbol);
