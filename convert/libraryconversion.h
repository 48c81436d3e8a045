#pragma once

// Whole libraries from one format into the other: a .lib with the .dcm
// beside it, a .kicad_sym file or a .kicad_symdir folder read as symbols,
// converted (with the losses the legacy format imposes listed before anything
// is written) and saved; and the check that reads an output back and compares
// it with its input.

#include "convert/tolegacy.h"
#include "kicadsym/kicadsymlibrary.h"
#include "library/dcmfile.h"

#include <QList>
#include <QString>
#include <QStringList>

enum class SymbolFormat { Legacy, KicadSym, KicadSymFolder };

// By the name: .kicad_sym, .kicad_symdir, anything else a legacy .lib.
SymbolFormat symbolFormatOf(const QString &path);

struct SymbolLibrary
{
    SymbolFormat format = SymbolFormat::Legacy;
    // Legacy: the components (DEF ... ENDDEF) in name order and the .dcm.
    QList<QByteArray> components;
    Descricoes descricoes;
    // KiCad 6 and later: the rows as read.
    KicadSymLibrary kicad;
    QString error; // why it could not be read; empty when read

    // Every symbol, derived ones as they are (a legacy ALIAS a derived symbol).
    QList<Symbol> symbols() const;
};

SymbolLibrary readSymbolLibrary(const QString &path);

struct ConvertedLibrary
{
    SymbolFormat format = SymbolFormat::KicadSym;
    int version = 0;              // a .kicad_sym output's layout
    KicadSymLibrary kicad;        // .kicad_sym or .kicad_symdir output
    LegacyConversion legacy;      // .lib output (with the losses)
    QList<ConversionLoss> losses; // empty when nothing is lost
};

// `version`: the .kicad_sym layout (20211014 ... 20241209); 0 keeps a
// .kicad_sym input's version (KiCad 9's at most) and gives a legacy input
// KiCad 6's, whose conversion this is. `flatten`: every derived symbol
// written as a standalone one, with its parent's drawing.
ConvertedLibrary convertLibrary(const SymbolLibrary &in, SymbolFormat to, int version,
                                bool flatten);

// Writes the output (a .lib with its .dcm beside it, or the .kicad_sym file
// or folder) atomically, each file with QSaveFile; the failure's reason, or
// empty.
QString saveConvertedLibrary(const ConvertedLibrary &c, const QString &path);

// Reads `output` back and compares each symbol, with its parent's drawing,
// with the input's of the same name: one line per symbol that differs, is
// missing or is new.
QStringList conversionDifferences(const SymbolLibrary &input, const SymbolLibrary &output);

// The symbols with each derived one made standalone (resolveParent()); one
// whose parent is missing is left as it is.
QList<Symbol> flattened(const QList<Symbol> &symbols);
