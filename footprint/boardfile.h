#pragma once

#include "library/commandresult.h"
#include "library/libraryfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

class ComponentTable;
class DialogService;
class LibraryDocument;
class QIODevice;

// The board file proposed for a library: the edit pane's caption (the
// library's path) with its extension replaced by ".brd"; a caption without
// extension gets ".brd" appended ("nova" gives "nova.brd", "" gives ".brd").
QString nomePlaca(const QString &titulo);

// The two dates of the board header: "dd/mm/yyyy-hh:nn:ss" with "/" and ":",
// and "d mmm yyyy" with the locale's abbreviated month name.
QByteArray dataHoraPlaca(const QDateTime &when);
QByteArray dataPlaca(const QDate &date, const QLocale &locale);

// Writes the board file of the edit table: 47 header lines (the full path in
// line 22), one module block per row in table order ("$MODULE NAME", the
// row's lines unchanged, "$EndMODULE NAME"), the frame and the closing
// lines; every line ended by CR LF. Reads the rows directly; the table's
// position and state are not touched.
FileResult gravaPlaca(QIODevice &out, const ComponentTable &table, const QString &caminho,
                      const QDateTime &when, const QLocale &locale);
// The same into a file through QSaveFile: on failure a file that was there
// before is left untouched.
FileResult salvaPlaca(const QString &caminho, const ComponentTable &table, const QDateTime &when,
                      const QLocale &locale);

// The whole command ("Gerar placa"): "Biblioteca vazia!" on an empty table
// (failed); otherwise sets the edit library's bulk pass flag, asks for the
// file in the save dialog ("Salvar Placa Footprints", proposed name from the
// document's title), writes it, and in every case makes the first row
// current before clearing the flag. A failed write shows the platform's
// reason in an error box. The modified flag is not touched.
CommandResult geraPlaca(LibraryDocument &edicao, DialogService &dialogs,
                        const QDateTime &when = QDateTime::currentDateTime(),
                        const QLocale &locale = QLocale::system());
