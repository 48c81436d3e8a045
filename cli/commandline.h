#pragma once

#include "library/libraryfile.h"

// What the commands of copista-cli share: exit codes, the failure that ends a
// command, parsing of a command's options and reading libraries.

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

class ComponentTable;
struct KicadSymLibrary;
struct ConversionLoss;

namespace cli {

enum ExitCode : int {
    ExitOk = 0,
    ExitFindings = 1, // findings of the checker, clashes refused
    ExitUsage = 2,    // unknown command or option, missing or bad argument
    ExitFile = 3,     // a file could not be read or written
};

// Ends a command: the message (and the usage, for a usage error) goes to
// stderr and the code becomes the program's exit code.
struct Failure
{
    int code;
    QString message;
    QString usage;
};

[[noreturn]] void usageError(const QString &message, const QString &usage);
[[noreturn]] void fileError(const QString &path, const QString &reason);

// UTF-8 text streams on stdout and stderr.
QTextStream &out();
QTextStream &err();

// A command's parser with its own usage line ("copista-cli list [opções]
// LIB...") and description; -h/--help is added.
class CommandParser
{
public:
    CommandParser(const QString &command, const QString &syntax, const QString &description);

    QCommandLineParser &parser() { return m_parser; }
    void addOption(const QCommandLineOption &option) { m_parser.addOption(option); }

    // Parses the arguments after the command's name. False when --help was
    // asked for and shown (the command then ends with 0); a bad command line
    // is a usage failure. With `minimoPosicionais` the command needs at least
    // that many arguments besides its options.
    bool parse(const QStringList &arguments, qsizetype minimoPosicionais);

    QString usage() const;
    QString helpText() const;
    [[noreturn]] void fail(const QString &message) const { usageError(message, usage()); }

    // An option's value as a whole number, or a usage failure naming it.
    int intValue(const QCommandLineOption &option) const;

private:
    QString m_command;
    QString m_syntax;
    QCommandLineParser m_parser;
};

// Reads a library exactly as the window loads it (same reader, same mends,
// sorted by name). A path that is missing, a folder or unreadable is a file
// failure, and so is a file that yields no component and does not begin
// with the library header, which is no library at all; an empty file is
// accepted only with `vazioAceito` (a target about to be filled).
void loadLibrary(const QString &path, ComponentTable &table, bool vazioAceito = false,
                 const BlocoFechado &fechado = {});

// Whether the path names a KiCad 6+ library: a .kicad_sym file or a
// .kicad_symdir folder (by its name: it need not exist yet).
bool isKicadSym(const QString &path);
// Reads a .kicad_sym file or .kicad_symdir folder; a missing path or one
// that does not read is a file failure with the reader's message.
KicadSymLibrary readKicadSymLibrary(const QString &path);

// Whether a component is chosen by --names: with no pattern every one is;
// otherwise its name or one of its alias names matches a pattern by the
// search filter's rules (filtro.h casa).
bool chosen(const QStringList &patterns, const QByteArray &nome, const QByteArray &comandos);

// The losses of converting `input` to the legacy format, one line per
// symbol and loss, on stderr.
void printLosses(const QString &input, const QList<ConversionLoss> &losses);

// The library's name as the commands show it: the file name without its
// extension.
QString libraryName(const QString &path);

// The commands; each takes the arguments after its name and returns the
// exit code (or throws a Failure).
int runList(const QStringList &arguments);
int runCopy(const QStringList &arguments);
int runConvert(const QStringList &arguments);
int runRender(const QStringList &arguments);
int runCheck(const QStringList &arguments);
int runCheckPads(const QStringList &arguments);
int runFix(const QStringList &arguments);
int runBoard(const QStringList &arguments);
int runDiff(const QStringList &arguments);

} // namespace cli
