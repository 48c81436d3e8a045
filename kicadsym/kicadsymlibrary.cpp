#include "kicadsym/kicadsymlibrary.h"
#include "kicadsym/libraryscan.h"
#include "library/emparalelo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <algorithm>
#include <numeric>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

QString quoted(const QByteArray &name)
{
    return QStringLiteral("\"%1\"").arg(QString::fromUtf8(name));
}

// The error with its line counted from the file's start, not the row's.
SExprError shifted(SExprError e, int firstLine)
{
    if (!e.isNull())
        e.line += firstLine - 1;
    return e;
}

// Parents: present, and no chain that comes back to where it started.
void checkParents(KicadSymRead &r)
{
    const KicadSymLibrary &lib = r.library;
    QHash<QByteArray, qsizetype> index;
    index.reserve(lib.rows.size());
    for (qsizetype i = lib.rows.size() - 1; i >= 0; --i)
        index.insert(lib.rows[i].name, i); // the first of a name, as indexOf()
    for (const KicadSymRow &row : lib.rows) {
        if (row.extends.isEmpty())
            continue;
        auto fail = [&](const QString &message) {
            r.errors << KicadSymError{
                row.fileName,
                shifted(SExprError::at(row.text, row.extendsOffset, message), row.line)};
        };
        QList<QByteArray> chain{row.name};
        for (QByteArray p = row.extends; !p.isEmpty();) {
            if (chain.contains(p)) {
                chain << p;
                fail(QStringLiteral("derivação circular: %1")
                         .arg(QString::fromUtf8(chain.join(" → "))));
                break;
            }
            const qsizetype k = index.value(p, -1);
            if (k < 0) {
                fail(QStringLiteral("%1 deriva de %2, que não está na biblioteca")
                         .arg(quoted(chain.last()), quoted(p)));
                break;
            }
            chain << p;
            p = lib.rows[k].extends;
        }
    }
}

} // namespace

KicadSymRead readKicadSymDocument(const QByteArray &bytes)
{
    KicadSymRead r;
    KicadSymLibrary &lib = r.library;
    const SExprDocument doc = SExprDocument::parse(bytes);
    auto fail = [&](qsizetype at, const QString &message) {
        r.errors << KicadSymError{{}, doc.errorAt(at, message)};
    };
    if (!doc.ok()) {
        r.errors << KicadSymError{{}, doc.error()};
        return r;
    }
    const int root = doc.firstRoot();
    if (root < 0 || doc.head(root) != "kicad_symbol_lib") {
        fail(root < 0 ? bytes.size() : doc.node(root).begin,
             QStringLiteral("esperava (kicad_symbol_lib ...)"));
        return r;
    }
    if (doc.node(root).next >= 0) {
        fail(doc.node(doc.node(root).next).begin, QStringLiteral("texto depois da biblioteca"));
        return r;
    }

    // Checking the rows is most of the work: done on every core first, the
    // results then taken in the file's order.
    std::vector<int> symbols;
    for (int c = doc.node(doc.node(root).firstChild).next; c >= 0; c = doc.node(c).next)
        if (doc.head(c) == "symbol")
            symbols.push_back(c);
    std::vector<SExprError> checks(symbols.size());
    emParalelo(qsizetype(symbols.size()), [&](qsizetype i) {
        checks[size_t(i)] = buildSymbol(doc, symbols[size_t(i)]).error;
    });
    size_t checked = 0;

    const char *s = bytes.constData();
    qsizetype previousEnd = -1; // end of the previous row
    QHash<QByteArray, int> lineOf;
    qsizetype counted = 0; // lines counted up to here, incrementally
    int line = 1;
    for (int c = doc.node(doc.node(root).firstChild).next; c >= 0; c = doc.node(c).next) {
        const QByteArrayView h = doc.head(c);
        if (h == "version") {
            const std::optional<double> v = doc.number(doc.child(c, 1));
            if (!v || *v < 0 || *v > 99999999) {
                fail(doc.node(c).begin, QStringLiteral("versão inválida"));
                return r;
            }
            lib.version = int(*v);
        } else if (h == "generator" && doc.isAtom(doc.child(c, 1))) {
            lib.generator = doc.text(doc.child(c, 1));
        } else if (h == "generator_version" && doc.isAtom(doc.child(c, 1))) {
            lib.generatorVersion = doc.text(doc.child(c, 1));
        } else if (h != "symbol") {
            lib.headerExtra << doc.raw(c).toByteArray();
        } else {
            const SExprError &check = checks[checked++];
            const SExprDocument::Node &n = doc.node(c);
            // From the line start when only blanks come before it there.
            qsizetype start = n.begin;
            while (start > qMax<qsizetype>(previousEnd, 0) && isBlank(s[start - 1]))
                --start;
            if (!(start == 0 || s[start - 1] == '\n'))
                start = n.begin;
            qsizetype end = n.end, e = end;
            while (e < bytes.size() && isBlank(s[e]))
                ++e;
            if (e < bytes.size() && s[e] == '\n')
                end = e + 1;
            KicadSymRow row;
            line += int(std::count(s + counted, s + n.begin, '\n'));
            counted = n.begin;
            row.line = line;
            const int nameNode = doc.child(c, 1);
            if (!doc.isAtom(nameNode) || doc.text(nameNode).isEmpty()) {
                fail(nameNode < 0 ? n.begin : doc.node(nameNode).begin,
                     QStringLiteral("símbolo sem nome"));
                continue;
            }
            row.name = doc.text(nameNode);
            const int ext = doc.find(c, "extends");
            if (ext >= 0) {
                if (!doc.isAtom(doc.child(ext, 1)) || doc.text(doc.child(ext, 1)).isEmpty()) {
                    fail(doc.node(ext).begin, QStringLiteral("(extends ...) sem nome"));
                    continue;
                }
                row.extends = doc.text(doc.child(ext, 1));
                row.extendsOffset = int(doc.node(ext).begin - start);
            }
            if (lineOf.contains(row.name)) {
                fail(doc.node(nameNode).begin,
                     QStringLiteral("símbolo %1 repetido (já na linha %2)")
                         .arg(quoted(row.name))
                         .arg(lineOf.value(row.name)));
                continue;
            }
            lineOf.insert(row.name, row.line);
            if (!check.isNull()) {
                r.errors << KicadSymError{{}, check};
                continue;
            }
            if (previousEnd < 0)
                lib.head = bytes.left(start);
            else
                row.leading = bytes.mid(previousEnd, start - previousEnd);
            row.text = bytes.mid(start, end - start);
            row.version = lib.version;
            row.checked = true;
            lib.rows << std::move(row);
            previousEnd = end;
        }
    }
    if (previousEnd < 0)
        lib.head = bytes;
    else
        lib.tail = bytes.mid(previousEnd);
    for (KicadSymRow &row : lib.rows)
        row.version = lib.version; // the version token may follow the rows

    return r;
}

namespace {

// The scan when it vouches for the file, else the document reader.
KicadSymRead readBytes(const QByteArray &bytes)
{
    KicadSymRead r;
    if (std::optional<KicadSymLibrary> lib = scanKicadSym(bytes)) {
        r.library = std::move(*lib);
        return r;
    }
    return readKicadSymDocument(bytes);
}

// KiCad 6 and 7 write the generator bare; one that is not a plain word
// keeps its quotes.
QByteArray bareOrQuoted(const QByteArray &word)
{
    const bool plain = !word.isEmpty() && std::none_of(word.begin(), word.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '(' || c == ')' || c == '"';
    });
    return plain ? word : sexprQuoted(word);
}

QByteArray headerFor(const KicadSymLibrary &lib, int version)
{
    if (version < KicadSymVersion::v8) {
        QByteArray h = "(kicad_symbol_lib (version " + QByteArray::number(version) +
                       ") (generator " + bareOrQuoted(lib.generator) + ')';
        for (const QByteArray &x : lib.headerExtra)
            h += ' ' + x;
        return h + '\n';
    }
    const QByteArray kicad = version >= KicadSymVersion::v10  ? "10.0"
                             : version >= KicadSymVersion::v9 ? "9.0"
                                                              : "8.0";
    QByteArray h = "(kicad_symbol_lib\n\t(version " + QByteArray::number(version) +
                   ")\n\t(generator " + sexprQuoted(lib.generator) + ")\n\t(generator_version " +
                   sexprQuoted(kicad) + ")\n";
    for (const QByteArray &x : lib.headerExtra)
        h += '\t' + x + '\n';
    return h;
}

// KiCad 8 ends its files without a line end.
QByteArray closing(int version)
{
    return version == KicadSymVersion::v8 ? QByteArray(")") : QByteArray(")\n");
}

// The row's text in `version`, or the reason it has none.
QByteArray rowText(const KicadSymLibrary &lib, qsizetype i, int version, QString *error)
{
    const KicadSymRow &row = lib.rows[i];
    if (row.version == version && row.checked)
        return row.text;
    const SymbolBuild b = lib.symbol(i);
    if (!b.ok()) {
        *error = QStringLiteral("%1 (%2)").arg(QString::fromUtf8(row.name), b.error.text());
        return {};
    }
    return row.version == version ? row.text : symbolText(b.symbol, version);
}

QString unreadable(const QStringList &rows)
{
    return QStringLiteral("Símbolos que não puderam ser lidos, nada foi gravado: %1")
        .arg(rows.join(QStringLiteral("; ")));
}

bool knownVersion(int v)
{
    using namespace KicadSymVersion;
    return v == v6 || v == v7 || v == v8 || v == v9;
}

} // namespace

qsizetype KicadSymLibrary::indexOf(QByteArrayView name) const
{
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].name == name)
            return i;
    return -1;
}

SymbolBuild KicadSymLibrary::symbol(qsizetype row) const
{
    SymbolBuild b = buildSymbol(rows[row].text);
    b.error = shifted(b.error, rows[row].line);
    return b;
}

SymbolBuild KicadSymLibrary::resolvedSymbol(qsizetype row) const
{
    SymbolBuild b = symbol(row);
    if (!b.ok())
        return b;
    QList<Symbol> parents; // kept alive while resolving
    parents.reserve(rows.size());
    const bool resolved = resolveParent(b.symbol, [&](const QByteArray &name) -> const Symbol * {
        const qsizetype k = indexOf(name);
        if (k < 0)
            return nullptr;
        SymbolBuild p = symbol(k);
        if (!p.ok())
            return nullptr;
        parents << p.symbol;
        return &parents.last();
    });
    if (!resolved)
        b.error = SExprError::at(rows[row].text, 0,
                                 QStringLiteral("%1 deriva de %2, que não pôde ser lido")
                                     .arg(quoted(rows[row].name), quoted(rows[row].extends)));
    return b;
}

QString KicadSymRead::message() const
{
    QStringList lines;
    for (const KicadSymError &e : errors)
        lines << (e.file.isEmpty() ? e.error.text()
                                   : e.file + QStringLiteral(": ") + e.error.text());
    return lines.join(u'\n');
}

KicadSymRead readKicadSym(const QByteArray &bytes)
{
    KicadSymRead r = readBytes(bytes);
    if (r.ok())
        checkParents(r);
    return r;
}

KicadSymRead readKicadSymPath(const QString &path)
{
    KicadSymRead r;
    const QFileInfo info(path);
    if (!info.isDir()) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            r.errors << KicadSymError{path, SExprError::at({}, 0, f.errorString())};
            return r;
        }
        return readKicadSym(f.readAll());
    }
    // One file per symbol; the library takes its header from the first.
    r.library.folder = true;
    const QDir dir(path);
    const QStringList names =
        dir.entryList({QStringLiteral("*.kicad_sym")}, QDir::Files, QDir::Name);
    bool first = true;
    for (const QString &name : names) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            r.errors << KicadSymError{name, SExprError::at({}, 0, f.errorString())};
            continue;
        }
        const QByteArray bytes = f.readAll();
        KicadSymRead one = readBytes(bytes);
        for (KicadSymError e : one.errors) {
            e.file = name;
            r.errors << e;
        }
        if (!one.ok())
            continue;
        KicadSymLibrary &lib = one.library;
        if (first) {
            r.library.version = lib.version;
            r.library.generator = lib.generator;
            r.library.generatorVersion = lib.generatorVersion;
            r.library.headerExtra = lib.headerExtra;
            first = false;
        }
        qsizetype at = lib.head.size();
        for (qsizetype i = 0; i < lib.rows.size(); ++i) {
            KicadSymRow row = lib.rows[i];
            at += row.leading.size();
            row.fileName = name;
            row.fileHead = bytes.left(at);
            row.fileTail = bytes.mid(at + row.text.size());
            at += row.text.size();
            if (r.library.indexOf(row.name) >= 0) {
                r.errors << KicadSymError{
                    name,
                    SExprError::at(
                        bytes, row.fileHead.size(),
                        QStringLiteral("símbolo %1 repetido na pasta").arg(quoted(row.name)))};
                continue;
            }
            row.leading.clear();
            r.library.rows << row;
        }
    }
    if (r.ok())
        checkParents(r);
    if (names.isEmpty())
        r.errors << KicadSymError{path,
                                  SExprError::at({}, 0, QStringLiteral("pasta sem símbolos"))};
    return r;
}

QList<KicadSymRead> readKicadSymPaths(const QStringList &paths)
{
    // Files on every core, the largest first so that none is left to one
    // core at the end; a file's parse is the part its own read cannot share.
    QList<qsizetype> order(paths.size());
    std::iota(order.begin(), order.end(), 0);
    QList<qint64> sizes;
    for (const QString &path : paths)
        sizes << QFileInfo(path).size();
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return sizes[a] > sizes[b]; });
    QList<KicadSymRead> reads(paths.size());
    KicadSymRead *out = reads.data();
    emParalelo(paths.size(),
               [&](qsizetype k) { out[order[k]] = readKicadSymPath(paths[order[k]]); });
    return reads;
}

KicadSymWrite writeKicadSym(const KicadSymLibrary &lib, int version)
{
    KicadSymWrite w;
    if (!knownVersion(version)) {
        w.error = QStringLiteral("versão %1 não é gravada").arg(version);
        return w;
    }
    const bool same = version == lib.version && !lib.folder;
    QStringList failed;
    QByteArray out = same ? lib.head : headerFor(lib, version);
    for (qsizetype i = 0; i < lib.rows.size(); ++i) {
        QString error;
        const QByteArray text = rowText(lib, i, version, &error);
        if (!error.isEmpty())
            failed << error;
        else if (same && lib.rows[i].version == version)
            out += lib.rows[i].leading + text;
        else
            out += text;
    }
    if (!failed.isEmpty()) {
        w.error = unreadable(failed);
        return w;
    }
    out += same ? lib.tail : closing(version);
    w.bytes = out;
    return w;
}

KicadSymFolderWrite writeKicadSymFolder(const KicadSymLibrary &lib, int version)
{
    KicadSymFolderWrite w;
    QStringList failed;
    for (qsizetype i = 0; i < lib.rows.size(); ++i) {
        const KicadSymRow &row = lib.rows[i];
        const QString name = row.fileName.isEmpty()
                                 ? QString::fromUtf8(row.name) + QStringLiteral(".kicad_sym")
                                 : row.fileName;
        const int v = row.fileHead.isEmpty() ? version : row.version;
        QString error;
        const QByteArray text = rowText(lib, i, v, &error);
        if (!error.isEmpty()) {
            failed << error;
            continue;
        }
        if (!row.fileHead.isEmpty() && v == row.version)
            w.files.append({name, row.fileHead + text + row.fileTail});
        else
            w.files.append({name, headerFor(lib, v) + text + closing(v)});
    }
    if (!failed.isEmpty())
        w.error = unreadable(failed);
    return w;
}

CommandResult saveKicadSym(const KicadSymLibrary &lib, const QString &path, int version)
{
    auto writeFile = [](const QString &file, const QByteArray &bytes) -> QString {
        QSaveFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
            return QStringLiteral("Erro ao gravar %1: %2").arg(file, f.errorString());
        return {};
    };
    if (!lib.folder) {
        const KicadSymWrite w = writeKicadSym(lib, version);
        if (!w.error.isEmpty())
            return CommandResult::failed(w.error);
        const QString error = writeFile(path, w.bytes);
        return error.isEmpty() ? CommandResult::done() : CommandResult::failed(error);
    }
    const KicadSymFolderWrite w = writeKicadSymFolder(lib, version);
    if (!w.error.isEmpty())
        return CommandResult::failed(w.error);
    QDir dir(path);
    if (!dir.exists() && !QDir().mkpath(path))
        return CommandResult::failed(QStringLiteral("Erro ao criar a pasta %1").arg(path));
    QStringList kept;
    for (const auto &[name, bytes] : w.files) {
        const QString error = writeFile(dir.filePath(name), bytes);
        if (!error.isEmpty())
            return CommandResult::failed(error);
        kept << name;
    }
    // Symbols the library no longer holds.
    for (const QString &name :
         dir.entryList({QStringLiteral("*.kicad_sym")}, QDir::Files, QDir::Name))
        if (!kept.contains(name))
            dir.remove(name);
    return CommandResult::done();
}
