#pragma once

// What changed between two versions of a library, told symbol by symbol.
//
// Either side may be a legacy .lib (with its .dcm), a .kicad_sym file, a
// .kicad_symdir folder, or a folder holding any of these, taken as the union
// of its libraries. Two symbols are equal when their models are
// (Symbol::operator==): the format, the order of the symbols, how a number
// is spelled and the line ends do not count.

#include "symbol/symbol.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Descricoes;

// One side of a comparison: the symbols of its libraries, each kept as the
// text it is read from; a model is built only when the texts of both sides
// do not already tell that two symbols are equal.
class LibrarySnapshot
{
public:
    struct Entry
    {
        QString library; // the file's name without its extension
        QByteArray name;
        int source = 0;
    };
    // What one or more symbols are built from: a .kicad_sym row, or a legacy
    // component (its aliases give more symbols) with its .dcm entries.
    struct Source
    {
        QByteArray text;
        QByteArray notes; // legacy: the .dcm entries of its names, as read
        bool kicad = false;
        const Descricoes *descricoes = nullptr;
    };

    // A library file, a .kicad_symdir or a folder of libraries; the error is
    // empty when everything read.
    static LibrarySnapshot read(const QString &path, QString *error);

    // Adds a window row: legacy text (DEF ... ENDDEF) or a .kicad_sym row,
    // told apart by its first non-blank byte. `descricoes` must outlive the
    // snapshot.
    void addRow(const QString &library, const QByteArray &nome, const QByteArray &comandos,
                const Descricoes *descricoes);

    const QList<Entry> &entries() const { return m_entries; }
    const Source &source(qsizetype entry) const { return m_sources[m_entries[entry].source]; }
    const QList<Source> &sources() const { return m_sources; }
    // Whether the symbols came from a folder of libraries: two folders
    // match symbols by library and name, anything else by name alone.
    bool isFolder() const { return m_folder; }
    // The first entry of that name (any library), or -1.
    qsizetype indexOf(QByteArrayView name) const;

    // The entry's model; nullopt with `error` set when its text does not
    // read. Models are built once per source and kept.
    std::optional<Symbol> model(qsizetype entry, QString *error = nullptr) const;
    // Builds the models of these sources on every core.
    void buildModels(const QList<int> &sources) const;

private:
    struct Built
    {
        bool done = false;
        QList<Symbol> symbols;
        QString error;
    };
    static LibrarySnapshot readFile(const QString &path, QString *error);
    void take(LibrarySnapshot &&part);
    void build(int source) const;
    void addLegacy(const QString &library, const QByteArray &nome, const QByteArray &comandos,
                   const Descricoes *descricoes);
    void addKicad(const QString &library, const QByteArray &name, const QByteArray &text);

    QList<Entry> m_entries;
    QList<Source> m_sources;
    std::vector<std::shared_ptr<const Descricoes>> m_ownDescricoes;
    mutable std::vector<Built> m_built;
    // The first entry of each name, made when first asked.
    mutable QHash<QByteArray, qsizetype> m_byName;
    mutable qsizetype m_indexed = -1;
    bool m_folder = false;
};

// One thing that changed in a symbol present on both sides.
struct SymbolChange
{
    enum class Kind {
        PinAdded,
        PinRemoved,
        PinMoved,
        PinChanged,
        GraphicsAdded,
        GraphicsRemoved,
        PropertyAdded,
        PropertyRemoved,
        PropertyChanged, // its value
        PropertyLooks,   // position, angle or text effects, same value
        PropertyOrder,
        SubSymbolAdded, // a unit or body style
        SubSymbolRemoved,
        FlagChanged, // a symbol-wide setting, or a unit's name
        Other,       // tokens the model keeps as text
    };
    Kind kind = Kind::Other;
    int unit = -1; // -1: the whole symbol
    int style = 0;
    QByteArray subject; // pin number, property or flag name
    QByteArray before, after;
    int count = 0; // graphics added or removed
};

// What differs between two models of one symbol; empty when equal.
QList<SymbolChange> symbolChanges(const Symbol &before, const Symbol &after);
// One change in Portuguese, for the listing and the window.
QString describeChange(const SymbolChange &change);
// A short name of the kind for machine output ("pin-added", ...).
const char *changeKindName(SymbolChange::Kind kind);

struct SymbolRef
{
    QString library;
    QByteArray name;
};

struct ChangedSymbol
{
    SymbolRef symbol;
    QList<SymbolChange> changes;
};

struct LibraryDiff
{
    QList<SymbolRef> added;
    QList<SymbolRef> removed;
    // Removed and added with the same drawing, pins and properties but for
    // the name and Value: old, new.
    QList<std::pair<SymbolRef, SymbolRef>> renamed;
    QList<ChangedSymbol> changed;
    qsizetype unchanged = 0;
    // Folders compared library by library show the library with each name.
    bool byLibrary = false;
    bool equal() const
    {
        return added.isEmpty() && removed.isEmpty() && renamed.isEmpty() && changed.isEmpty();
    }
};

LibraryDiff diffLibraries(const LibrarySnapshot &before, const LibrarySnapshot &after);

// The comparison as a librarian reads it, in Portuguese, one line per
// symbol and one per change.
QString diffText(const LibraryDiff &diff);

// How a symbol of the window compares with the other library.
enum class RowStatus { New, Changed, Unchanged };
struct RowComparison
{
    RowStatus status = RowStatus::New;
    // The lines that say what changed, one per symbol of the row that did.
    QStringList notes;
};
// A window row (a legacy component with its aliases, or a .kicad_sym row)
// against `other`, matched by name: new when its own name is not there.
RowComparison compareRow(const LibrarySnapshot &other, const QByteArray &nome,
                         const QByteArray &comandos, const Descricoes *descricoes);
