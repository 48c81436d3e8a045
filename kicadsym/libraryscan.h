#pragma once

// Two ways of reading a .kicad_sym file's bytes that must agree.
//
// The scan is what loading takes: one pass over the bytes, no node per
// token, each row checked against what buildSymbol() refuses. It vouches
// only for files it finds wholly good; for anything else (every error among
// them) it gives nothing, and the document reader, which names each error
// with its line and column, reads the file instead.

#include "kicadsym/kicadsymlibrary.h"

#include <optional>

// The library, parents not yet checked; nullopt when the scan does not vouch
// for the file. A row the scan doubts (a number it does not read itself, an
// escaped unit name) is built to decide.
std::optional<KicadSymLibrary> scanKicadSym(const QByteArray &bytes);

// The document reader: the whole file as S-expression nodes, each row built.
KicadSymRead readKicadSymDocument(const QByteArray &bytes);
