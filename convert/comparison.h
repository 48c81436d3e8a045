#pragma once

// Symbols compared across file formats and versions: what differs only in
// how a version names or numbers things is made the same first.

#include "symbol/symbol.h"

// Tokens later versions write that only state a default ("(embedded_fonts
// no)", "(in_pos_files yes)", ...): a symbol without them is the same.
bool isDefaultExtra(const QByteArray &extra);

// The symbol with its properties unnumbered and in name order, KiCad 8's
// "Description" named as KiCad 6 names it, empty description, keywords and
// footprint filters left out (the legacy reader leaves them out), those
// three placed and shown as KiCad 6 places them (hidden at the origin), and
// the flags that only later versions write (in_bom, on_board,
// exclude_from_sim) and the extras that state defaults dropped.
Symbol comparableSymbol(Symbol s);

// The first difference between two symbols after comparableSymbol(), one
// line each side; empty when they are equal.
QByteArray symbolDifference(const Symbol &a, const Symbol &b);
