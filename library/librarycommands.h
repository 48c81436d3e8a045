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
// title), then the file. Once a file was chosen the modified flag is clear;
// the title becomes the file's full native path only when it loaded. Rows
// read before a read error stay.
CommandResult carregaEdicao(LibraryDocument &edicao, DialogService &dialogs);

// Loads the search library: open dialog proposing the last file chosen in
// it, then the file; the title as for the edit library.
CommandResult carregaPesquisa(LibraryDocument &pesquisa, DialogService &dialogs);

// Loads every *.lib directly in `pasta` (in name order) into the search
// library, each with the .dcm beside it; rows sort by name, then library.
// Files that cannot be read or are not libraries are skipped and named in
// `ignorados` ("name: reason"). `progresso(feitos, total)` is asked before
// each file; false cancels: nothing read is kept and the document stays as
// it was.
CommandResult carregaPasta(LibraryDocument &pesquisa, const QString &pasta,
                           const std::function<bool(int, int)> &progresso, QStringList *ignorados);
// The command: folder dialog, the load, one message listing skipped files.
CommandResult carregaPastaPesquisa(LibraryDocument &pesquisa, DialogService &dialogs,
                                   const std::function<bool(int, int)> &progresso = {});

// Saves the edit library: "Biblioteca vazia!" for an empty one; otherwise
// the save dialog, then the file written safely (the old file stays whole on
// failure). A save clears the modified flag and titles the pane with the
// path. In every case but the empty library the first row ends current;
// the bulk-pass flag holds the preview still meanwhile.
CommandResult salvaEdicao(LibraryDocument &edicao, DialogService &dialogs,
                          const QDateTime &when = QDateTime::currentDateTime());
