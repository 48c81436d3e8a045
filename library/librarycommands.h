#pragma once

#include "library/commandresult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

class DialogService;
class LibraryDocument;

// The file commands of the two panes, with their dialogs. Each returns what
// it came to; a failure's message has already been shown in an error box.

// "Biblioteca atual modificada, descartar?" when the edit library holds
// unsaved changes; true when there are none or the answer is Yes.
bool confirmaDescarte(const LibraryDocument &edicao, DialogService &dialogs);
extern const QString MensagemDescarte;

// New edit library: after the discard prompt, empties the table, clears the
// modified flag and titles the pane "nova".
CommandResult novaBiblioteca(LibraryDocument &edicao, DialogService &dialogs);

// Loads the edit library: discard prompt, open dialog (proposing the pane's
// title), then the file. A file that does not load (missing, unreadable, no
// "EESchema-LIBRARY" header) leaves the pane as it was (rows, title, modified
// flag, history) and its message names the file and the reason. A loaded
// file clears the flag and the history and titles the pane with its full
// native path; a component the file ends inside is left out and named in a
// warning.
CommandResult carregaEdicao(LibraryDocument &edicao, DialogService &dialogs);

// Loads the search library: open dialog proposing the last file chosen in
// it, then the file; the title as for the edit library.
CommandResult carregaPesquisa(LibraryDocument &pesquisa, DialogService &dialogs);

// Loads every *.lib directly in `pasta` (in name order) into the search
// library, each with the .dcm beside it; rows sort by name, then library.
// Files that cannot be read or are not libraries are skipped and named in
// `ignorados` ("name: reason"); a component a file ends inside is left out
// and named in `incompletos` ("name: component"). `progresso(feitos, total)`
// is asked before each file; false cancels: nothing read is kept and the
// document stays as it was.
CommandResult carregaPasta(LibraryDocument &pesquisa, const QString &pasta,
                           const std::function<bool(int, int)> &progresso, QStringList *ignorados,
                           QStringList *incompletos = nullptr);
// The command: folder dialog, then the load (`progresso` is first asked once
// a folder was chosen), then one message listing skipped files and cut
// components.
CommandResult carregaPastaPesquisa(LibraryDocument &pesquisa, DialogService &dialogs,
                                   const std::function<bool(int, int)> &progresso = {});

// Saves the edit library: "Biblioteca vazia!" for an empty one; otherwise
// the save dialog, then the file written safely (the old file stays whole on
// failure). A save clears the modified flag, makes the path the library's
// file and titles the pane with it. In every case but the empty library the
// first row ends current; the bulk-pass flag holds the preview still
// meanwhile.
CommandResult salvaEdicao(LibraryDocument &edicao, DialogService &dialogs,
                          const QDateTime &when = QDateTime::currentDateTime());
// The same save without the dialog when the library has a file of its own
// (LibraryDocument::filePath): it is written in place. A library without one
// asks, as salvaEdicao.
CommandResult saveEditToItsFile(LibraryDocument &edicao, DialogService &dialogs,
                                const QDateTime &when = QDateTime::currentDateTime());
