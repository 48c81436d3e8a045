#include "convert/libraryconversion.h"

#include "convert/comparison.h"
#include "convert/tokicadsym.h"
#include "library/componenttable.h"
#include "library/emparalelo.h"
#include "library/libraryfile.h"
#include "symbol/legacysymbol.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>

SymbolFormat symbolFormatOf(const QString &path)
{
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    if (name.endsWith(QStringLiteral(".kicad_symdir"), Qt::CaseInsensitive))
        return SymbolFormat::KicadSymFolder;
    if (name.endsWith(QStringLiteral(".kicad_sym"), Qt::CaseInsensitive))
        return SymbolFormat::KicadSym;
    return SymbolFormat::Legacy;
}

QList<Symbol> SymbolLibrary::symbols() const
{
    if (format == SymbolFormat::Legacy)
        return symbolsOfLegacyLibrary(components, &descricoes);
    QList<Symbol> out(kicad.rows.size());
    Symbol *o = out.data();
    emParalelo(kicad.rows.size(), [&](qsizetype i) { o[i] = kicad.symbol(i).symbol; });
    return out;
}

SymbolLibrary readSymbolLibrary(const QString &path)
{
    SymbolLibrary lib;
    lib.format = symbolFormatOf(path);
    if (!QFileInfo::exists(path)) {
        lib.error = QStringLiteral("arquivo não encontrado.");
        return lib;
    }
    if (lib.format != SymbolFormat::Legacy) {
        KicadSymRead r = readKicadSymPath(path);
        if (!r.ok())
            lib.error = r.message();
        lib.kicad = std::move(r.library);
        return lib;
    }
    ComponentTable table;
    const FileResult r = readLibraryFile(path, table);
    if (!r.ok) {
        lib.error = r.error;
        return lib;
    }
    table.sortByName();
    for (int row = 0; row < table.rowCount(); ++row)
        lib.components << table.comandosAt(row);
    LeituraDcm dcm = carregaDescricoes(caminhoDcm(path));
    if (!dcm.resultado.ok)
        lib.error = dcm.resultado.error;
    lib.descricoes = dcm.descricoes;
    return lib;
}

QList<Symbol> flattened(const QList<Symbol> &symbols)
{
    QHash<QByteArray, const Symbol *> byName;
    for (const Symbol &s : symbols)
        byName.insert(s.name, &s);
    QList<Symbol> out = symbols;
    for (Symbol &s : out) {
        if (s.extends.isEmpty())
            continue;
        if (resolveParent(s, [&](const QByteArray &n) { return byName.value(n); }))
            s.extends.clear();
    }
    return out;
}

namespace {

KicadSymLibrary kicadSymOf(const QList<Symbol> &symbols, int version)
{
    KicadSymLibrary lib = kicadSymFromLegacy({}, nullptr, version);
    lib.rows.resize(symbols.size());
    KicadSymRow *rows = lib.rows.data();
    emParalelo(symbols.size(), [&](qsizetype i) {
        rows[i].name = symbols[i].name;
        rows[i].extends = symbols[i].extends;
        rows[i].text = symbolText(symbols[i], version);
        rows[i].version = version;
        rows[i].checked = true;
    });
    return lib;
}

} // namespace

ConvertedLibrary convertLibrary(const SymbolLibrary &in, SymbolFormat to, int version, bool flatten)
{
    ConvertedLibrary c;
    c.format = to;
    if (to == SymbolFormat::Legacy) {
        c.legacy = legacyLibrary(flatten ? flattened(in.symbols()) : in.symbols());
        c.losses = c.legacy.losses;
        return c;
    }
    const bool legacyIn = in.format == SymbolFormat::Legacy;
    c.version = version    ? version
                : legacyIn ? KicadSymVersion::v6
                           : qMin(in.kicad.version, KicadSymVersion::v9);
    if (legacyIn && !flatten)
        c.kicad = kicadSymFromLegacy(in.components, &in.descricoes, c.version);
    else if (flatten)
        c.kicad = kicadSymOf(flattened(in.symbols()), c.version);
    else
        c.kicad = in.kicad;
    c.kicad.folder = to == SymbolFormat::KicadSymFolder;
    return c;
}

QString saveConvertedLibrary(const ConvertedLibrary &c, const QString &path)
{
    if (c.format != SymbolFormat::Legacy) {
        const CommandResult r = saveKicadSym(c.kicad, path, c.version);
        return r.isDone() ? QString() : r.message;
    }
    ComponentTable table;
    table.setRecording(false);
    Descricoes docs;
    for (const LegacyComponent &comp : c.legacy.components) {
        table.append();
        table.setField(ComponentTable::Field::Nome, comp.nome);
        table.setField(ComponentTable::Field::Comandos, comp.comandos);
        table.post();
        for (const Descricao &d : comp.descricoes)
            docs.acrescenta(d);
    }
    const FileResult lib = salvaBiblioteca(path, table, QDateTime::currentDateTime());
    if (!lib.ok)
        return lib.error;
    const FileResult dcm = salvaDescricoes(caminhoDcm(path), componentesDe(table), docs);
    return dcm.ok ? QString() : dcm.error;
}

QStringList conversionDifferences(const SymbolLibrary &input, const SymbolLibrary &output)
{
    const QList<Symbol> a = flattened(input.symbols()), b = flattened(output.symbols());
    QHash<QByteArray, const Symbol *> inB;
    for (const Symbol &s : b)
        inB.insert(s.name, &s);
    QStringList out;
    QSet<QByteArray> seen;
    for (const Symbol &s : a) {
        seen.insert(s.name);
        const Symbol *o = inB.value(s.name);
        if (!o) {
            out << QStringLiteral("%1: falta na saída").arg(QString::fromUtf8(s.name));
            continue;
        }
        Symbol x = s, y = *o;
        x.extends.clear();
        y.extends.clear();
        const QByteArray d = symbolDifference(x, y);
        if (!d.isEmpty())
            out << QStringLiteral("%1: difere\n%2")
                       .arg(QString::fromUtf8(s.name), QString::fromUtf8(d.trimmed()));
    }
    for (const Symbol &s : b)
        if (!seen.contains(s.name))
            out << QStringLiteral("%1: só na saída").arg(QString::fromUtf8(s.name));
    return out;
}
