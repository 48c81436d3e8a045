#pragma once

// A symbol's S-expression and its model, both ways: the (symbol ...) list of a
// .kicad_sym file read into a Symbol, and a Symbol written back in the layout
// of a chosen file version.

#include "sexpr/sexpr.h"
#include "symbol/symbol.h"

namespace KicadSymVersion {
constexpr int v6 = 20211014;
constexpr int v7 = 20220914;
constexpr int v8 = 20231120;
constexpr int v9 = 20241209;
constexpr int v10 = 20251024;
} // namespace KicadSymVersion

// An unknown token read inside a symbol's stroke, fill or font list is kept
// in the extras of the item (or effects) with this prefix, so that it goes
// back where it was; no token read can start with a NUL byte.
inline QByteArray innerExtra(const char *list)
{
    return QByteArray(1, '\0') + list + ':';
}

struct SymbolBuild
{
    Symbol symbol;
    SExprError error; // null when the symbol was read
    bool ok() const { return error.isNull(); }
};

// The (symbol ...) list `node` of `doc`.
SymbolBuild buildSymbol(const SExprDocument &doc, int node);
// A row's text: one (symbol ...) list and nothing else but blanks.
SymbolBuild buildSymbol(const QByteArray &text);

// The symbol as a top-level row of a library of `version`: from the start of
// its line through its closing parenthesis and the line end. For KiCad 8 and
// later the property holding the description is "Description", before that
// "ki_description"; the model is converted when it holds the other one.
QByteArray symbolText(const Symbol &symbol, int version);

// A number of internal units as KiCad prints millimetres: at most four
// decimals, no trailing zeros, no exponent.
QByteArray formatIu(qint64 iu);
// Tenths of a degree as degrees.
QByteArray formatTenths(qint64 tenths);
