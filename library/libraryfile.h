#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

class ComponentTable;
class QIODevice;

// Outcome of a file command: ok, or the platform's message for the failure.
struct FileResult
{
    bool ok = true;
    QString error;
    // A read that met the end of the file inside a component: its name (the
    // component was left out).
    QByteArray unfinished;
    static FileResult failure(const QString &message) { return {false, message, {}}; }
};

// Reads a library file into `table`: suspends its notifications, empties it,
// gathers each DEF ... ENDDEF block as one component (name from the DEF line's
// second field, command text = the block's lines each followed by CR), sorts
// by name, makes the first row current and resumes notifications, also when
// the file cannot be opened or read (rows read before a failure stay).
//
// Lines end at CR, CR LF or a lone LF; a Ctrl-Z ends the file. A DEF line met
// while a block is open closes that block with the lines gathered so far. A
// component is stored at its ENDDEF: a block still open at the end of the
// file (a truncated file) is left out, and named in the result's
// `unfinished`.
//
// `fechado`, when given, is handed each component's command text as its
// block closes, in file order, while the rest is still being read: a caller
// can work on the components meanwhile (on another thread).
using BlocoFechado = std::function<void(const QByteArray &comandos)>;
FileResult carregaBiblioteca(const QString &path, ComponentTable &table,
                             const BlocoFechado &fechado = {});
// The same reading from an open device (no suspend, clear, sort or resume).
FileResult leBiblioteca(QIODevice &in, ComponentTable &table, const BlocoFechado &fechado = {});

// Reads a library file as the panes load it: into `table` as leBiblioteca
// does (no clear, sort or resume), after checking that its first line is the
// "EESchema-LIBRARY" header; a file without it is refused. Every failure's
// reason is in Portuguese, for the message that names the file.
FileResult readLibraryFile(const QString &path, ComponentTable &table);

// "EESchema-LIBRARY Version 2.3  Date:   dd/mm/yyyy-hh:nn:ss", no line end.
QByteArray cabecalhoBiblioteca(const QDateTime &when);

// Writes the header and every row's lines, each ended by CR LF, in table
// order. Reads the rows directly; the table's state is not touched.
FileResult gravaBiblioteca(QIODevice &out, const ComponentTable &table, const QDateTime &when);
// Writes all of `data`, going on after a partial write; false when the device
// refuses (its errorString() says why).
bool escreveTudo(QIODevice &out, const char *data, qint64 size);

// Writes a file through QSaveFile: `escreve` fills it, and only a complete
// write replaces the file; on any failure the file that was there before is
// left untouched and the reason comes back.
FileResult gravaComSeguranca(const QString &path,
                             const std::function<FileResult(QIODevice &)> &escreve);
// The library into a file through QSaveFile: on failure the file that was there
// before is left untouched.
FileResult salvaBiblioteca(const QString &path, const ComponentTable &table, const QDateTime &when);
