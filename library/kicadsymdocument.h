#pragma once

// .kicad_sym libraries in the panes. A row of such a library holds one
// top-level (symbol ...) as its command text, exactly as read, so that rows
// nobody changed are written back byte for byte; what else writing the file
// again needs (version, header, the bytes between rows, a folder's files)
// stays with the document's library file (LibraryFileInfo::kicad).

#include "kicadsym/kicadsymlibrary.h"
#include "library/commandresult.h"

#include <QByteArray>
#include <QList>
#include <QString>

class ComponentTable;
class Descricao;
class Descricoes;
class LibraryDocument;
struct LibraryFileInfo;

// A row's format, by the first byte that is not blank: '(' is a .kicad_sym
// symbol, anything else legacy text.
bool isKicadSymText(QByteArrayView comandos);
// A .kicad_sym file or a KiCad 10 .kicad_symdir folder, by its name.
bool isKicadSymPath(const QString &path);

// Appends a row per symbol, in file order, each holding the symbol's text.
void appendKicadSymRows(ComponentTable &table, const KicadSymLibrary &library);
// The library file a document's rows came from: the library as read (the
// rows' texts shared with the table, not copied).
LibraryFileInfo kicadSymFileInfo(const QString &path, KicadSymLibrary library);

enum class LibraryFormat { None, Legacy, KicadSym };
// The edit library's format: that of its file, else that of its first row;
// None for a new, empty library.
LibraryFormat formatOf(const LibraryDocument &document);
// The version a .kicad_sym document is written in: its file's, KiCad 6 for a
// new library.
int kicadVersionOf(const LibraryDocument &document);

// The description, keywords and datasheet a symbol's properties hold, as a
// .dcm entry of the name given; read from the text without building the
// model (the filter reads every row of a folder).
Descricao kicadSymDescricao(const QByteArray &nome, const QByteArray &texto);

// The parent a symbol's text names in (extends ...); empty when none, or
// when the text does not read.
QByteArray kicadSymParent(const QByteArray &texto);
// The text with the symbol, its units and a Value equal to the old name
// renamed (the layout stays); unchanged when the text does not read.
QByteArray renameKicadSymText(const QByteArray &texto, const QByteArray &novo);
// The text with (extends ...) naming `parent`; unchanged when it has none or
// does not read.
QByteArray setKicadSymParent(const QByteArray &texto, const QByteArray &parent);

// The rows of the table that extend `nome`, by index.
QList<int> derivedRows(const ComponentTable &table, const QByteArray &nome);

// A legacy component (and its .dcm entries) as .kicad_sym rows in
// `version`: the component, then a derived row per alias. Empty when the
// component gives no symbol.
struct KicadSymRowText
{
    QByteArray name;
    QByteArray text;
};
QList<KicadSymRowText> legacyAsKicadSym(const QByteArray &comandos, const Descricoes &descricoes,
                                        int version);
// A .kicad_sym row in another version's layout (from its model); unchanged
// when it does not read.
QByteArray kicadSymInVersion(const QByteArray &texto, int version);

// The library the document's rows make, ready for saveKicadSym: rows read
// from its file keep their file order and the bytes around them, others
// follow in table order (a parent before what derives from it). `version`
// is what the rows' texts are in.
KicadSymLibrary kicadSymForSave(const LibraryDocument &document);

// The symbols holding what `version` cannot, each with what it holds, one
// per line ("74LS00: caixa de texto (KiCad 7)"); rows that do not read are
// not listed (saving names them).
QStringList versionLossesOf(const LibraryDocument &document, int version);
