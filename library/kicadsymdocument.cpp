#include "library/kicadsymdocument.h"

#include "kicadsym/versionlimits.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/librarydocument.h"
#include "symbol/legacysymbol.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The quoted string starting at `at` (its opening quote), escapes undone;
// nothing when there is no string there or it does not end.
std::optional<QByteArray> quotedAt(QByteArrayView t, qsizetype at)
{
    while (at < t.size() && isBlank(t[at]))
        ++at;
    if (at >= t.size() || t[at] != '"')
        return std::nullopt;
    for (qsizetype i = at + 1; i < t.size(); ++i) {
        if (t[i] == '\\')
            ++i;
        else if (t[i] == '"')
            return sexprUnescaped(t.sliced(at + 1, i - at - 1));
    }
    return std::nullopt;
}

// The value after `(KEYWORD "NAME"`, or after `(KEYWORD` when `name` is null.
QByteArray valueAfter(QByteArrayView t, const QByteArray &opening)
{
    const qsizetype at = t.indexOf(opening);
    if (at < 0)
        return {};
    return quotedAt(t, at + opening.size()).value_or(QByteArray());
}

QByteArray propertyValue(QByteArrayView t, const char *name)
{
    return valueAfter(t, QByteArray("(property \"") + name + "\" ");
}

struct Replacement
{
    qsizetype begin, end;
    QByteArray bytes;
};

QByteArray applied(const QByteArray &text, QList<Replacement> r)
{
    std::sort(r.begin(), r.end(), [](auto &a, auto &b) { return a.begin > b.begin; });
    QByteArray out = text;
    for (const Replacement &x : r)
        out.replace(x.begin, x.end - x.begin, x.bytes);
    return out;
}

// The row's (symbol ...) list, or -1.
int symbolRoot(const SExprDocument &doc)
{
    const int root = doc.firstRoot();
    if (!doc.ok() || root < 0 || doc.node(root).next >= 0 || doc.head(root) != "symbol" ||
        !doc.isAtom(doc.child(root, 1)))
        return -1;
    return root;
}

} // namespace

bool isKicadSymText(QByteArrayView comandos)
{
    for (char c : comandos)
        if (!isBlank(c))
            return c == '(';
    return false;
}

bool isKicadSymPath(const QString &path)
{
    QString p = path;
    while (p.endsWith(u'/') || p.endsWith(u'\\'))
        p.chop(1);
    return p.endsWith(QLatin1String(".kicad_sym"), Qt::CaseInsensitive) ||
           p.endsWith(QLatin1String(".kicad_symdir"), Qt::CaseInsensitive);
}

void appendKicadSymRows(ComponentTable &table, const KicadSymLibrary &library)
{
    for (const KicadSymRow &row : library.rows) {
        table.append();
        table.setField(ComponentTable::Field::Nome, row.name);
        table.setField(ComponentTable::Field::Comandos, row.text);
        table.post();
    }
}

LibraryFileInfo kicadSymFileInfo(const QString &path, KicadSymLibrary library)
{
    LibraryFileInfo info;
    info.caminho = path;
    info.nome = QFileInfo(path).completeBaseName();
    info.kicad = std::move(library);
    return info;
}

LibraryFormat formatOf(const LibraryDocument &document)
{
    const QList<LibraryFileInfo> &files = document.bibliotecas();
    if (!files.isEmpty() && files.first().kicad)
        return LibraryFormat::KicadSym;
    if (!files.isEmpty() && !files.first().caminho.isEmpty())
        return LibraryFormat::Legacy;
    const ComponentTable &table = document.table();
    if (table.rowCount() == 0)
        return LibraryFormat::None;
    return isKicadSymText(table.comandosAt(0)) ? LibraryFormat::KicadSym : LibraryFormat::Legacy;
}

int kicadVersionOf(const LibraryDocument &document)
{
    const QList<LibraryFileInfo> &files = document.bibliotecas();
    return !files.isEmpty() && files.first().kicad ? files.first().kicad->version
                                                   : KicadSymVersion::v6;
}

Descricao kicadSymDescricao(const QByteArray &nome, const QByteArray &texto)
{
    QByteArray description = propertyValue(texto, "ki_description");
    if (description.isEmpty())
        description = propertyValue(texto, "Description");
    QByteArray datasheet = propertyValue(texto, "Datasheet");
    // KiCad writes "~" for a symbol without one.
    if (datasheet == "~")
        datasheet.clear();
    return Descricao::nova(nome, description, propertyValue(texto, "ki_keywords"), datasheet);
}

QByteArray kicadSymParent(const QByteArray &texto)
{
    return valueAfter(texto, "(extends ");
}

QByteArray renameKicadSymText(const QByteArray &texto, const QByteArray &novo)
{
    const SExprDocument doc = SExprDocument::parse(texto);
    const int root = symbolRoot(doc);
    if (root < 0)
        return texto;
    const int nameNode = doc.child(root, 1);
    const QByteArray old = doc.text(nameNode);
    auto replace = [&](int node, const QByteArray &value) {
        return Replacement{doc.node(node).begin, doc.node(node).end, sexprQuoted(value)};
    };
    QList<Replacement> r{replace(nameNode, novo)};
    for (int c = doc.child(root, 2); c >= 0; c = doc.node(c).next) {
        const QByteArrayView head = doc.head(c);
        const int first = doc.child(c, 1);
        if (!doc.isAtom(first))
            continue;
        const QByteArray value = doc.text(first);
        // Units are NAME_U_C.
        if (head == "symbol" && value.startsWith(old + '_'))
            r << replace(first, novo + value.sliced(old.size()));
        else if (head == "property" && value == "Value" && doc.isAtom(doc.child(c, 2)) &&
                 doc.text(doc.child(c, 2)) == old)
            r << replace(doc.child(c, 2), novo);
    }
    return applied(texto, r);
}

QByteArray setKicadSymParent(const QByteArray &texto, const QByteArray &parent)
{
    const SExprDocument doc = SExprDocument::parse(texto);
    const int root = symbolRoot(doc);
    const int extends = root < 0 ? -1 : doc.find(root, "extends");
    const int name = doc.child(extends, 1);
    if (!doc.isAtom(name))
        return texto;
    return applied(texto, {{doc.node(name).begin, doc.node(name).end, sexprQuoted(parent)}});
}

QList<int> derivedRows(const ComponentTable &table, const QByteArray &nome)
{
    QList<int> out;
    for (int r = 0; r < table.rowCount(); ++r) {
        const QByteArray t = table.comandosAt(r);
        if (isKicadSymText(t) && kicadSymParent(t) == nome)
            out << r;
    }
    return out;
}

QList<KicadSymRowText> legacyAsKicadSym(const QByteArray &comandos, const Descricoes &descricoes,
                                        int version)
{
    QList<KicadSymRowText> out;
    for (const Symbol &s : symbolsFromLegacy(comandos, &descricoes))
        out.append({s.name, symbolText(s, version)});
    return out;
}

QByteArray kicadSymInVersion(const QByteArray &texto, int version)
{
    const SymbolBuild b = buildSymbol(texto);
    return b.ok() ? symbolText(b.symbol, version) : texto;
}

KicadSymLibrary kicadSymForSave(const LibraryDocument &document)
{
    const QList<LibraryFileInfo> &files = document.bibliotecas();
    const KicadSymLibrary *read =
        !files.isEmpty() && files.first().kicad ? &*files.first().kicad : nullptr;
    KicadSymLibrary lib;
    if (read) {
        lib = *read;
        lib.rows.clear();
    }
    const ComponentTable &table = document.table();
    QHash<QByteArray, int> byName;
    for (int r = 0; r < table.rowCount(); ++r)
        byName.insert(table.nameAt(r), r);
    QSet<int> placed;
    // Rows of the file, in its order, with the bytes around them.
    if (read) {
        for (const KicadSymRow &o : read->rows) {
            const auto it = byName.constFind(o.name);
            if (it == byName.constEnd() || placed.contains(*it))
                continue;
            KicadSymRow row = o;
            row.text = table.comandosAt(*it);
            if (row.text != o.text) {
                // Typed in the row's own layout; read again before it is written.
                row.checked = false;
                row.extends = kicadSymParent(row.text);
            }
            placed.insert(*it);
            lib.rows << row;
        }
    }
    // The others, a parent before the symbols deriving from it.
    QList<KicadSymRow> added;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (placed.contains(r))
            continue;
        const QByteArray t = table.comandosAt(r);
        if (!isKicadSymText(t)) {
            // A legacy component goes over with its aliases as derived rows.
            for (const KicadSymRowText &x :
                 legacyAsKicadSym(t, document.descricoesDaLinha(r), lib.version)) {
                KicadSymRow row;
                row.name = x.name;
                row.text = x.text;
                row.version = lib.version;
                row.line = 1;
                row.extends = kicadSymParent(x.text);
                added << row;
            }
            continue;
        }
        KicadSymRow row;
        row.name = table.nameAt(r);
        row.text = t;
        row.version = lib.version;
        row.line = 1;
        row.extends = kicadSymParent(t);
        added << row;
    }
    QSet<QByteArray> done;
    std::function<void(qsizetype, int)> place = [&](qsizetype i, int depth) {
        const KicadSymRow &row = added[i];
        if (done.contains(row.name))
            return;
        done.insert(row.name);
        if (!row.extends.isEmpty() && depth < 64)
            for (qsizetype k = 0; k < added.size(); ++k)
                if (added[k].name == row.extends)
                    place(k, depth + 1);
        lib.rows << row;
    };
    for (qsizetype i = 0; i < added.size(); ++i)
        place(i, 0);
    return lib;
}

QStringList versionLossesOf(const LibraryDocument &document, int version)
{
    QStringList out;
    const ComponentTable &table = document.table();
    for (int r = 0; r < table.rowCount(); ++r) {
        const QByteArray t = table.comandosAt(r);
        if (!isKicadSymText(t))
            continue;
        const SymbolBuild b = buildSymbol(t);
        if (!b.ok())
            continue;
        const QStringList losses = versionLosses(b.symbol, version);
        if (!losses.isEmpty())
            out << QString::fromUtf8(table.nameAt(r)) + QStringLiteral(": ") +
                       losses.join(QStringLiteral(", "));
    }
    return out;
}
