#pragma once

// A .kicad_sym library (KiCad 6 and later) or a KiCad 10 NAME.kicad_symdir
// folder of one-symbol files, as rows of text.
//
// Each top-level symbol is a row holding its original text exactly, so that a
// library read and written again in its own version gives back its bytes; a
// row is read into a Symbol only when something needs the model.

#include "kicadsym/symbolsexpr.h"
#include "library/commandresult.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct KicadSymRow
{
    QByteArray name;
    QByteArray extends;
    // From the start of its line through its closing parenthesis and the
    // line end (the line end missing only at the end of a file without one).
    QByteArray text;
    int version = 0;       // the layout `text` is in
    int line = 0;          // where it starts in the file read, from 1
    int extendsOffset = 0; // of (extends ...) in `text`
    // Bytes between the previous row (or the header) and this row's line.
    QByteArray leading;
    // In a .kicad_symdir: its file's name and the bytes around the row.
    QString fileName;
    QByteArray fileHead, fileTail;
    // Set by the reader, whose check the row passed; text changed since
    // then must be checked again before it is written.
    bool checked = false;
};

struct KicadSymLibrary
{
    int version = KicadSymVersion::v6;
    QByteArray generator = "kicad_symbol_editor";
    QByteArray generatorVersion;   // KiCad 8 and later
    QList<QByteArray> headerExtra; // other header tokens, as their text
    // The file's bytes before the first row and after the last one.
    QByteArray head, tail;
    QList<KicadSymRow> rows;
    bool folder = false; // read from a .kicad_symdir

    qsizetype indexOf(QByteArrayView name) const;
    // The row's model; a derived symbol's parent is left unresolved.
    SymbolBuild symbol(qsizetype row) const;
    // The row's model with its parent's drawing (see resolveParent()).
    SymbolBuild resolvedSymbol(qsizetype row) const;
};

struct KicadSymError
{
    QString file; // in a .kicad_symdir, the symbol file; else empty
    SExprError error;
};

struct KicadSymRead
{
    KicadSymLibrary library;
    QList<KicadSymError> errors; // empty when read
    bool ok() const { return errors.isEmpty(); }
    // Every error, one per line, with its file when it came from a folder.
    QString message() const;
};

// The bytes of a .kicad_sym file.
KicadSymRead readKicadSym(const QByteArray &bytes);
// A .kicad_sym file or a .kicad_symdir folder.
KicadSymRead readKicadSymPath(const QString &path);
// Several, one result per path in its order.
QList<KicadSymRead> readKicadSymPaths(const QStringList &paths);

// The whole file in `version` (one of 20211014, 20220914, 20231120,
// 20241209): rows already in it byte for byte, the others from their model.
// Fails, naming them, when rows do not read.
struct KicadSymWrite
{
    QByteArray bytes;
    QString error;
};
KicadSymWrite writeKicadSym(const KicadSymLibrary &library, int version);
// A folder library's files: name and bytes, one per symbol. Rows read from a
// symbol file come back as that file was; others are written in `version`.
struct KicadSymFolderWrite
{
    QList<std::pair<QString, QByteArray>> files;
    QString error;
};
KicadSymFolderWrite writeKicadSymFolder(const KicadSymLibrary &library, int version);

// Atomic: nothing on disk changes unless every byte was written. A folder
// library writes one NAME.kicad_sym per symbol into `path` (a .kicad_symdir)
// and removes the symbol files it no longer holds.
CommandResult saveKicadSym(const KicadSymLibrary &library, const QString &path, int version);
