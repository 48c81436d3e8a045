#pragma once

#include "convert/tolegacy.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class ComponentTable;
class DialogService;
class LibraryDocument;

// Replaces every occurrence of `procura` in `texto` by `novo`: the text is
// scanned left to right, case-sensitively, and the scan resumes behind each
// occurrence, so inserted text is never scanned again. An empty `procura`
// changes nothing.
QByteArray substituiTodas(const QByteArray &texto, const QByteArray &procura,
                          const QByteArray &novo);

// The library prefix named by the edit pane's caption (the library's path):
// the file-name part (after the last backslash, slash or colon) without its
// extension (from its last full stop). "C:\\lib\\conn.lib" gives "conn",
// "nova" gives "nova", an empty caption an empty prefix. Names are 8-bit
// texts, so the prefix is taken as Latin-1 like the table's names.
QByteArray prefixoDoTitulo(const QString &titulo);

// Removes the library prefix (named by the document's title) from every name
// of the edit table: for each row
// from the first, the row is edited (afterEdit fires), every "prefix-" and
// every "PREFIX-" (only a..z upper-cased) is removed from its name and the
// row is posted. Notifications are suspended for the walk; the rows keep
// their order and the last row ends current. An empty table is left alone.
void tiraPrefixo(LibraryDocument &edicao);

// Writes each row's name into its command text in place of every ">NAME",
// then ">name", then ">Name", walking the edit table as tiraPrefixo does.
void poeNomeNosComandos(LibraryDocument &edicao);

// The edit library's rows a copy of the search library's `linhas` needs
// before them: the parents (and theirs) of .kicad_sym symbols that the edit
// library lacks and the copy does not bring, each once, parents first.
QList<int> parentsToBring(const LibraryDocument &pesquisa, const QList<int> &linhas,
                          const LibraryDocument &edicao);

// What copying rows of the search library into a .lib edit library makes
// of its .kicad_sym rows (`linhas` with the parents they bring): each root
// with the derived symbols copied along becomes a component, a derived
// symbol an ALIAS of it when it only changes fields, else a component of its
// own; one whose parent stays behind takes the parent's drawing.
struct LegacyCopyPlan
{
    QHash<int, LegacyComponent> components; // by search row
    QHash<int, QByteArray> heldBy;          // a row that became an ALIAS: its component's name
    QList<ConversionLoss> losses;
};
LegacyCopyPlan legacyCopyPlan(const LibraryDocument &pesquisa, const QList<int> &linhas);

enum class CopyResult {
    Nothing, // the search table is empty
    Refused, // the edit table already holds the name; it is now current there
    Copied,  // appended, posted and sorted; the new row is current
};

// Copies the search table's current component into the edit table, with its
// descriptions. A name already present in any letter case is refused with an
// error message and the existing component becomes current. A copy sets the
// edit library's modified flag before the table is sorted; it is one undo
// step.
CopyResult copiaComponente(const LibraryDocument &pesquisa, LibraryDocument &edicao,
                           DialogService &dialogs);

// The name with the first suffix "_1", "_2", ... that no row of the table
// has (cut to fit the name length).
QByteArray proximoNomeLivre(const ComponentTable &edicao, const QByteArray &nome);

struct CopiaVarias
{
    int copiados = 0;
    int pulados = 0;
    bool cancelada = false; // nothing of the copy was kept
};

// Copies rows of the search table, in the order given, as one undo step.
// A name the edit library already holds (or that an earlier row of this copy
// brought) asks what to do: replace the row there, skip, rename to the next
// free name, or cancel the whole copy; an answer can stand for every later
// clash. The last copied row ends current.
CopiaVarias copiaComponentes(const LibraryDocument &pesquisa, const QList<int> &linhas,
                             LibraryDocument &edicao, DialogService &dialogs);

// Renames a .kicad_sym symbol of the edit library (its text: name, units,
// a Value that showed the old name) and points the symbols deriving from it
// at the new name, as one undo step. The renamed row ends current.
void renomeiaSimbolo(LibraryDocument &edicao, int linha, const QByteArray &novo);

// Before deleting rows: when other symbols derive from them, asks "X é a
// base de Y, Z. Excluir mesmo assim?"; true when none does or the answer is
// Yes.
bool confirmaApagar(const LibraryDocument &edicao, const QList<int> &linhas,
                    DialogService &dialogs);

// Deletes the edit table's current component and its descriptions, without
// confirmation, after setting the modified flag. Returns false (and does
// nothing) on an empty table.
bool apagaComponente(LibraryDocument &edicao);
// Deletes the edit table's rows given (indexes) as one undo step, as
// apagaComponente deletes one; the row after the first deleted ends current.
// Returns false (and does nothing) when no row given is in the table.
bool apagaComponentes(LibraryDocument &edicao, QList<int> linhas);
