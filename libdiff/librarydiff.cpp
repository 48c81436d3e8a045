#include "libdiff/librarydiff.h"

#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/emparalelo.h"
#include "library/libraryfile.h"
#include "symbol/legacysymbol.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <unordered_map>

namespace {

bool isKicadPath(const QString &path)
{
    return path.endsWith(QLatin1String(".kicad_sym"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".kicad_symdir"), Qt::CaseInsensitive);
}

bool isLibraryPath(const QString &path)
{
    return isKicadPath(path) || path.endsWith(QLatin1String(".lib"), Qt::CaseInsensitive);
}

QString libraryNameOf(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

bool startsWithParen(const QByteArray &text)
{
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c == '(';
    }
    return false;
}

QByteArray point(QPoint p)
{
    return '(' + formatIu(p.x()) + ", " + formatIu(p.y()) + ')';
}

QByteArray yesNo(bool b)
{
    return b ? "sim" : "não";
}

QByteArray optionalText(const std::optional<bool> &b)
{
    return b ? yesNo(*b) : QByteArray("-");
}

// Where a pin is drawn: a pin that kept its number but not its place moved.
bool samePlace(const SymbolPin &a, const SymbolPin &b)
{
    return a.at == b.at && a.angle == b.angle && a.length == b.length;
}

// What else differs in a pin that kept its place, as "field=value" words.
std::pair<QByteArray, QByteArray> pinFields(const SymbolPin &a, const SymbolPin &b)
{
    QList<QByteArray> before, after;
    auto field = [&](const char *name, const QByteArray &x, const QByteArray &y) {
        if (x != y) {
            before << QByteArray(name) + '=' + x;
            after << QByteArray(name) + '=' + y;
        }
    };
    field("nome", a.name, b.name);
    field("tipo", a.type, b.type);
    field("forma", a.shape, b.shape);
    field("oculto", yesNo(a.hidden), yesNo(b.hidden));
    if (before.isEmpty()) {
        before << "texto";
        after << "texto";
    }
    return {before.join(' '), after.join(' ')};
}

void pinChanges(const SymbolUnit &a, const SymbolUnit &b, QList<SymbolChange> &out)
{
    // Pins equal on both sides go first; what is left of each number is
    // paired in order.
    QList<const SymbolPin *> left, right;
    for (const SymbolPin &p : a.pins)
        left << &p;
    for (const SymbolPin &p : b.pins)
        right << &p;
    for (qsizetype i = 0; i < left.size();) {
        const auto same = std::find_if(right.begin(), right.end(),
                                       [&](const SymbolPin *p) { return *p == *left[i]; });
        if (same != right.end()) {
            right.erase(same);
            left.remove(i);
        } else {
            ++i;
        }
    }
    auto byNumber = [](const SymbolPin *x, const SymbolPin *y) { return x->number < y->number; };
    std::stable_sort(left.begin(), left.end(), byNumber);
    std::stable_sort(right.begin(), right.end(), byNumber);
    auto change = [&](SymbolChange::Kind k, const SymbolPin &p) {
        SymbolChange c;
        c.kind = k;
        c.unit = a.unit;
        c.style = a.style;
        c.subject = p.number;
        return c;
    };
    qsizetype i = 0, j = 0;
    while (i < left.size() || j < right.size()) {
        if (j == right.size() || (i < left.size() && left[i]->number < right[j]->number)) {
            out << change(SymbolChange::Kind::PinRemoved, *left[i++]);
        } else if (i == left.size() || right[j]->number < left[i]->number) {
            out << change(SymbolChange::Kind::PinAdded, *right[j++]);
        } else {
            const SymbolPin &x = *left[i++], &y = *right[j++];
            SymbolChange c = change(
                samePlace(x, y) ? SymbolChange::Kind::PinChanged : SymbolChange::Kind::PinMoved, x);
            if (c.kind == SymbolChange::Kind::PinMoved) {
                c.before = point(x.at);
                c.after = point(y.at);
            } else {
                std::tie(c.before, c.after) = pinFields(x, y);
            }
            out << c;
        }
    }
}

void graphicChanges(const SymbolUnit &a, const SymbolUnit &b, QList<SymbolChange> &out)
{
    QList<QByteArray> left, right;
    for (const GraphicItem &g : a.graphics)
        left << describe(g);
    for (const GraphicItem &g : b.graphics)
        right << describe(g);
    std::sort(left.begin(), left.end());
    std::sort(right.begin(), right.end());
    int removed = 0, added = 0;
    for (qsizetype i = 0, j = 0; i < left.size() || j < right.size();) {
        if (j == right.size() || (i < left.size() && left[i] < right[j])) {
            ++removed;
            ++i;
        } else if (i == left.size() || right[j] < left[i]) {
            ++added;
            ++j;
        } else {
            ++i;
            ++j;
        }
    }
    for (auto [kind, n] : {std::pair(SymbolChange::Kind::GraphicsAdded, added),
                           std::pair(SymbolChange::Kind::GraphicsRemoved, removed)}) {
        if (n > 0) {
            SymbolChange c;
            c.kind = kind;
            c.unit = a.unit;
            c.style = a.style;
            c.count = n;
            out << c;
        }
    }
}

void propertyChanges(const Symbol &a, const Symbol &b, QList<SymbolChange> &out)
{
    const qsizetype first = out.size();
    auto change = [](SymbolChange::Kind k, const QByteArray &name) {
        SymbolChange c;
        c.kind = k;
        c.subject = name;
        return c;
    };
    for (const SymbolProperty &p : a.properties) {
        const SymbolProperty *q = b.property(p.name);
        if (!q) {
            SymbolChange c = change(SymbolChange::Kind::PropertyRemoved, p.name);
            c.before = p.value;
            out << c;
        } else if (q->value != p.value) {
            SymbolChange c = change(SymbolChange::Kind::PropertyChanged, p.name);
            c.before = p.value;
            c.after = q->value;
            out << c;
        } else if (!(*q == p)) {
            out << change(SymbolChange::Kind::PropertyLooks, p.name);
        }
    }
    for (const SymbolProperty &q : b.properties) {
        if (!a.property(q.name)) {
            SymbolChange c = change(SymbolChange::Kind::PropertyAdded, q.name);
            c.after = q.value;
            out << c;
        }
    }
    if (out.size() == first && a.properties != b.properties)
        out << change(SymbolChange::Kind::PropertyOrder, {});
}

void flagChanges(const Symbol &a, const Symbol &b, QList<SymbolChange> &out)
{
    auto flag = [&](const char *name, const QByteArray &x, const QByteArray &y) {
        if (x != y) {
            SymbolChange c;
            c.kind = SymbolChange::Kind::FlagChanged;
            c.subject = name;
            c.before = x;
            c.after = y;
            out << c;
        }
    };
    auto offset = [](const std::optional<int> &o) { return o ? formatIu(*o) : QByteArray("-"); };
    flag("extends", a.extends, b.extends);
    flag("power", yesNo(a.power) + ' ' + a.powerScope, yesNo(b.power) + ' ' + b.powerScope);
    flag("pin_numbers hide", yesNo(a.pinNumbersHidden), yesNo(b.pinNumbersHidden));
    flag("pin_names hide", yesNo(a.pinNamesHidden), yesNo(b.pinNamesHidden));
    flag("pin_names offset", offset(a.pinNameOffset), offset(b.pinNameOffset));
    flag("exclude_from_sim", optionalText(a.excludeFromSim), optionalText(b.excludeFromSim));
    flag("in_bom", optionalText(a.inBom), optionalText(b.inBom));
    flag("on_board", optionalText(a.onBoard), optionalText(b.onBoard));
}

// The model a rename keeps: everything but the name and the Value.
Symbol withoutName(Symbol s)
{
    s.name.clear();
    for (SymbolProperty &p : s.properties) {
        if (p.name == "Value")
            p.value.clear();
    }
    return s;
}

// A cheap fingerprint of a model without its name: symbols with different
// fingerprints cannot be a rename of each other.
QByteArray fingerprint(const Symbol &s)
{
    QList<QByteArray> numbers;
    qsizetype graphics = 0;
    for (const SymbolUnit &u : s.units) {
        graphics += u.graphics.size();
        for (const SymbolPin &p : u.pins)
            numbers << p.number;
    }
    std::sort(numbers.begin(), numbers.end());
    return QByteArray::number(s.units.size()) + ' ' + QByteArray::number(graphics) + ' ' +
           s.extends + ' ' + numbers.join(',');
}

QString refText(const SymbolRef &r, bool byLibrary)
{
    const QString name = QString::fromUtf8(r.name);
    return byLibrary ? r.library + u':' + name : name;
}

QString subSymbol(int unit, int style)
{
    QString s =
        unit == 0 ? QStringLiteral("comum às unidades") : QStringLiteral("unidade %1").arg(unit);
    if (style != 0)
        s += QStringLiteral(", estilo %1").arg(style);
    return s;
}

} // namespace

LibrarySnapshot LibrarySnapshot::read(const QString &path, QString *error)
{
    LibrarySnapshot s;
    QStringList files;
    const QFileInfo info(path);
    if (info.isDir() && !isKicadPath(path)) {
        s.m_folder = true;
        const QDir dir(path);
        for (const QFileInfo &f :
             dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            if (isLibraryPath(f.fileName()) &&
                (f.isDir() ==
                 f.fileName().endsWith(QLatin1String(".kicad_symdir"), Qt::CaseInsensitive)))
                files << f.filePath();
        }
    } else if (!info.exists()) {
        if (error)
            *error = path + QStringLiteral(": não existe.");
        return s;
    } else if (!isLibraryPath(path)) {
        if (error)
            *error = path + QStringLiteral(": não é uma biblioteca (.lib, .kicad_sym ou pasta).");
        return s;
    } else {
        files << path;
    }
    // Each library on its own core; then joined in the folder's order.
    std::vector<LibrarySnapshot> parts(size_t(files.size()));
    std::vector<QString> errors(size_t(files.size()));
    emParalelo(files.size(),
               [&](qsizetype i) { parts[size_t(i)] = readFile(files[i], &errors[size_t(i)]); });
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!errors[i].isEmpty()) {
            if (error)
                *error = errors[i];
            return {};
        }
        s.take(std::move(parts[i]));
    }
    if (error)
        error->clear();
    return s;
}

LibrarySnapshot LibrarySnapshot::readFile(const QString &path, QString *error)
{
    LibrarySnapshot s;
    const QString library = libraryNameOf(path);
    if (isKicadPath(path)) {
        const KicadSymRead read = readKicadSymPath(path);
        if (!read.ok())
            *error = path + QStringLiteral(": ") + read.message();
        for (const KicadSymRow &row : read.library.rows)
            s.addKicad(library, row.name, row.text);
        return s;
    }
    // One table per thread: making one opens a collator, which costs more
    // than reading a small library.
    thread_local ComponentTable table;
    table.clear();
    const FileResult f = readLibraryFile(path, table);
    if (!f.ok) {
        *error = path + QStringLiteral(": ") + f.error;
        return s;
    }
    const QString dcmPath = caminhoDcm(path);
    LeituraDcm dcm = carregaDescricoes(dcmPath);
    if (!dcm.resultado.ok)
        *error = dcmPath + QStringLiteral(": ") + dcm.resultado.error;
    auto descricoes = std::make_shared<const Descricoes>(std::move(dcm.descricoes));
    s.m_ownDescricoes.push_back(descricoes);
    s.m_entries.reserve(table.rowCount());
    s.m_sources.reserve(table.rowCount());
    for (int i = 0; i < table.rowCount(); ++i)
        s.addLegacy(library, table.nameAt(i), table.comandosAt(i), descricoes.get());
    table.clear();
    return s;
}

void LibrarySnapshot::take(LibrarySnapshot &&part)
{
    const int offset = int(m_sources.size());
    m_sources.append(std::move(part.m_sources));
    for (Entry &e : part.m_entries) {
        e.source += offset;
        m_entries.append(std::move(e));
    }
    for (auto &d : part.m_ownDescricoes)
        m_ownDescricoes.push_back(std::move(d));
}

void LibrarySnapshot::addRow(const QString &library, const QByteArray &nome,
                             const QByteArray &comandos, const Descricoes *descricoes)
{
    if (startsWithParen(comandos))
        addKicad(library, nome, comandos);
    else
        addLegacy(library, nome, comandos, descricoes);
}

void LibrarySnapshot::addLegacy(const QString &library, const QByteArray &nome,
                                const QByteArray &comandos, const Descricoes *descricoes)
{
    Source src{comandos, {}, false, descricoes};
    const int index = int(m_sources.size());
    // Its .dcm entries, one per name as entradasDoComponente finds them.
    for (const QByteArray &name : nomesDoComponente(nome, comandos)) {
        if (descricoes) {
            if (const Descricao *d = descricoes->procura(name))
                src.notes += d->texto();
        }
        m_entries << Entry{library, name, index};
    }
    m_sources << std::move(src);
}

void LibrarySnapshot::addKicad(const QString &library, const QByteArray &name,
                               const QByteArray &text)
{
    m_entries << Entry{library, name, int(m_sources.size())};
    m_sources << Source{text, {}, true, nullptr};
}

qsizetype LibrarySnapshot::indexOf(QByteArrayView name) const
{
    if (m_indexed != m_entries.size()) {
        m_indexed = m_entries.size();
        m_byName.clear();
        for (qsizetype i = m_entries.size() - 1; i >= 0; --i)
            m_byName.insert(m_entries[i].name, i);
    }
    return m_byName.value(name.toByteArray(), -1);
}

namespace {
// What only tells which KiCad wrote the file, not what the symbol is: KiCad 8
// renamed ki_description to Description, dropped the property ids and writes
// the flags older versions left at their defaults.
void forgetFileVersion(Symbol &s)
{
    for (SymbolProperty &p : s.properties) {
        p.id = -1;
        if (p.name == "ki_description")
            p.name = "Description";
    }
    // ... and puts Description elsewhere: the order of properties is not
    // what a librarian changes.
    std::stable_sort(
        s.properties.begin(), s.properties.end(),
        [](const SymbolProperty &a, const SymbolProperty &b) { return a.name < b.name; });
    if (!s.excludeFromSim)
        s.excludeFromSim = false;
    if (!s.inBom)
        s.inBom = true;
    if (!s.onBoard)
        s.onBoard = true;
}
} // namespace

void LibrarySnapshot::build(int source) const
{
    if (m_built.size() < size_t(m_sources.size()))
        m_built.resize(size_t(m_sources.size()));
    Built &b = m_built[size_t(source)];
    if (b.done)
        return;
    const Source &src = m_sources[source];
    if (src.kicad) {
        SymbolBuild sb = buildSymbol(src.text);
        if (sb.ok())
            b.symbols << std::move(sb.symbol);
        else
            b.error = sb.error.text();
    } else {
        b.symbols = symbolsFromLegacy(src.text, src.descricoes);
    }
    for (Symbol &s : b.symbols)
        forgetFileVersion(s);
    b.done = true;
}

void LibrarySnapshot::buildModels(const QList<int> &sources) const
{
    if (m_built.size() < size_t(m_sources.size()))
        m_built.resize(size_t(m_sources.size()));
    emParalelo(sources.size(), [&](qsizetype i) { build(sources[i]); });
}

std::optional<Symbol> LibrarySnapshot::model(qsizetype entry, QString *error) const
{
    const Entry &e = m_entries[entry];
    build(e.source);
    const Built &b = m_built[size_t(e.source)];
    for (const Symbol &s : b.symbols) {
        if (s.name == e.name)
            return s;
    }
    if (error)
        *error = b.error.isEmpty() ? QStringLiteral("símbolo não lido") : b.error;
    return std::nullopt;
}

QList<SymbolChange> symbolChanges(const Symbol &a, const Symbol &b)
{
    QList<SymbolChange> out;
    if (a == b)
        return out;
    flagChanges(a, b, out);
    auto find = [](const Symbol &s, int unit, int style) -> const SymbolUnit * {
        for (const SymbolUnit &u : s.units) {
            if (u.unit == unit && u.style == style)
                return &u;
        }
        return nullptr;
    };
    for (const SymbolUnit &u : a.units) {
        const SymbolUnit *v = find(b, u.unit, u.style);
        if (!v) {
            out << SymbolChange{
                SymbolChange::Kind::SubSymbolRemoved, u.unit, u.style, {}, {}, {}, 0};
            continue;
        }
        if (u.unitName != v->unitName)
            out << SymbolChange{SymbolChange::Kind::FlagChanged,
                                u.unit,
                                u.style,
                                "unit_name",
                                u.unitName.value_or("-"),
                                v->unitName.value_or("-"),
                                0};
        pinChanges(u, *v, out);
        graphicChanges(u, *v, out);
    }
    for (const SymbolUnit &v : b.units) {
        if (!find(a, v.unit, v.style))
            out << SymbolChange{SymbolChange::Kind::SubSymbolAdded, v.unit, v.style, {}, {}, {}, 0};
    }
    propertyChanges(a, b, out);
    if (out.isEmpty())
        out << SymbolChange{};
    return out;
}

const char *changeKindName(SymbolChange::Kind kind)
{
    using K = SymbolChange::Kind;
    switch (kind) {
    case K::PinAdded:
        return "pin-added";
    case K::PinRemoved:
        return "pin-removed";
    case K::PinMoved:
        return "pin-moved";
    case K::PinChanged:
        return "pin-changed";
    case K::GraphicsAdded:
        return "graphics-added";
    case K::GraphicsRemoved:
        return "graphics-removed";
    case K::PropertyAdded:
        return "property-added";
    case K::PropertyRemoved:
        return "property-removed";
    case K::PropertyChanged:
        return "property-changed";
    case K::PropertyLooks:
        return "property-looks";
    case K::PropertyOrder:
        return "property-order";
    case K::SubSymbolAdded:
        return "unit-added";
    case K::SubSymbolRemoved:
        return "unit-removed";
    case K::FlagChanged:
        return "flag-changed";
    case K::Other:
        return "other";
    }
    return "other";
}

QString describeChange(const SymbolChange &c)
{
    using K = SymbolChange::Kind;
    const QString where =
        c.unit >= 0 ? subSymbol(c.unit, c.style) + QStringLiteral(": ") : QString();
    const QString subject = QString::fromUtf8(c.subject);
    const QString before = QString::fromUtf8(c.before), after = QString::fromUtf8(c.after);
    switch (c.kind) {
    case K::PinAdded:
        return where + QStringLiteral("pino %1 adicionado").arg(subject);
    case K::PinRemoved:
        return where + QStringLiteral("pino %1 removido").arg(subject);
    case K::PinMoved:
        return where + QStringLiteral("pino %1 movido de %2 para %3").arg(subject, before, after);
    case K::PinChanged:
        return where + QStringLiteral("pino %1 alterado: %2 -> %3").arg(subject, before, after);
    case K::GraphicsAdded:
        return where + (c.count == 1 ? QStringLiteral("1 gráfico adicionado")
                                     : QStringLiteral("%1 gráficos adicionados").arg(c.count));
    case K::GraphicsRemoved:
        return where + (c.count == 1 ? QStringLiteral("1 gráfico removido")
                                     : QStringLiteral("%1 gráficos removidos").arg(c.count));
    case K::PropertyAdded:
        return QStringLiteral("propriedade %1 adicionada: \"%2\"").arg(subject, after);
    case K::PropertyRemoved:
        return QStringLiteral("propriedade %1 removida (era \"%2\")").arg(subject, before);
    case K::PropertyChanged:
        return QStringLiteral("propriedade %1: \"%2\" -> \"%3\"").arg(subject, before, after);
    case K::PropertyLooks:
        return QStringLiteral("propriedade %1: posição ou aparência alterada").arg(subject);
    case K::PropertyOrder:
        return QStringLiteral("ordem das propriedades alterada");
    case K::SubSymbolAdded:
        return subSymbol(c.unit, c.style) + QStringLiteral(" adicionada");
    case K::SubSymbolRemoved:
        return subSymbol(c.unit, c.style) + QStringLiteral(" removida");
    case K::FlagChanged:
        return where + QStringLiteral("%1: %2 -> %3").arg(subject, before, after);
    case K::Other:
        return QStringLiteral("outros dados alterados");
    }
    return {};
}

LibraryDiff diffLibraries(const LibrarySnapshot &before, const LibrarySnapshot &after)
{
    LibraryDiff diff;
    diff.byLibrary = before.isFolder() && after.isFolder();
    // Symbols are matched by name, within the same library for two folders:
    // each pair of libraries on its own core, each with a small name table.
    struct Range
    {
        qsizetype begin = 0, end = 0;
    };
    auto ranges = [&](const LibrarySnapshot &s) {
        QList<std::pair<QString, Range>> r;
        const QList<LibrarySnapshot::Entry> &e = s.entries();
        for (qsizetype i = 0; i < e.size(); ++i) {
            if (!diff.byLibrary && !r.isEmpty())
                continue;
            // Apart from two folders every library is one.
            const QString library = diff.byLibrary ? e[i].library : QString();
            if (r.isEmpty() || r.last().first != library)
                r.append({library, {i, i}});
        }
        for (qsizetype k = 0; k < r.size(); ++k)
            r[k].second.end = k + 1 < r.size() ? r[k + 1].second.begin : e.size();
        return r;
    };
    const QList<std::pair<QString, Range>> oldRanges = ranges(before), newRanges = ranges(after);
    // A library a folder holds twice (NAME.lib and NAME.kicad_sym) counts
    // as its first.
    QHash<QString, qsizetype> newRangeOf;
    for (qsizetype k = newRanges.size() - 1; k >= 0; --k)
        newRangeOf.insert(newRanges[k].first, k);
    struct Work
    {
        Range a, b;
        QList<std::pair<qsizetype, qsizetype>> changed; // texts differ
        QList<qsizetype> gone, came;
        qsizetype same = 0;
    };
    std::vector<Work> work;
    QList<bool> newRangeUsed(newRanges.size(), false);
    for (const auto &[library, range] : oldRanges) {
        const qsizetype k = newRangeOf.value(library, -1);
        Work w;
        w.a = range;
        if (k >= 0 && !newRangeUsed[k]) {
            newRangeUsed[k] = true;
            w.b = newRanges[k].second;
        }
        work.push_back(w);
    }
    for (qsizetype k = 0; k < newRanges.size(); ++k) {
        if (!newRangeUsed[k])
            work.push_back(Work{{}, newRanges[k].second, {}, {}, {}, 0});
    }
    emParalelo(qsizetype(work.size()), [&](qsizetype n) {
        Work &w = work[size_t(n)];
        const QList<LibrarySnapshot::Entry> &oe = before.entries(), &ne = after.entries();
        // A name a library holds twice counts once, as its first.
        QHash<QByteArrayView, qsizetype> newOf, oldOf;
        newOf.reserve(w.b.end - w.b.begin);
        for (qsizetype j = w.b.end - 1; j >= w.b.begin; --j)
            newOf.insert(ne[j].name, j);
        oldOf.reserve(w.a.end - w.a.begin);
        for (qsizetype i = w.a.end - 1; i >= w.a.begin; --i)
            oldOf.insert(oe[i].name, i);
        std::pair<int, int> lastSources(-1, -1);
        bool lastSame = false;
        for (qsizetype i = w.a.begin; i < w.a.end; ++i) {
            if (oldOf.value(oe[i].name) != i)
                continue;
            const qsizetype j = newOf.value(oe[i].name, -1);
            if (j < 0) {
                w.gone << i;
                continue;
            }
            // A component's aliases share its texts: compared once.
            const std::pair<int, int> sources(oe[i].source, ne[j].source);
            if (sources != lastSources) {
                const LibrarySnapshot::Source &x = before.sources()[sources.first];
                const LibrarySnapshot::Source &y = after.sources()[sources.second];
                lastSame = x.kicad == y.kicad && x.text == y.text && x.notes == y.notes;
                lastSources = sources;
            }
            if (lastSame)
                ++w.same;
            else
                w.changed << std::pair(i, j);
        }
        for (qsizetype j = w.b.begin; j < w.b.end; ++j) {
            if (newOf.value(ne[j].name) == j && !oldOf.contains(ne[j].name))
                w.came << j;
        }
    });
    QList<std::pair<qsizetype, qsizetype>> pairs;
    QList<qsizetype> gone, came;
    for (const Work &w : work) {
        pairs << w.changed;
        gone << w.gone;
        came << w.came;
        diff.unchanged += w.same;
    }
    QList<int> oldSources, newSources;
    for (auto [i, j] : pairs) {
        oldSources << before.entries()[i].source;
        newSources << after.entries()[j].source;
    }
    for (qsizetype i : gone)
        oldSources << before.entries()[i].source;
    for (qsizetype j : came)
        newSources << after.entries()[j].source;
    auto unique = [](QList<int> &l) {
        std::sort(l.begin(), l.end());
        l.erase(std::unique(l.begin(), l.end()), l.end());
    };
    unique(oldSources);
    unique(newSources);
    before.buildModels(oldSources);
    after.buildModels(newSources);

    std::vector<QList<SymbolChange>> changes(size_t(pairs.size()));
    emParalelo(pairs.size(), [&](qsizetype k) {
        QString errA, errB;
        const std::optional<Symbol> a = before.model(pairs[k].first, &errA);
        const std::optional<Symbol> b = after.model(pairs[k].second, &errB);
        if (a && b) {
            changes[size_t(k)] = symbolChanges(*a, *b);
        } else if (a || b || errA != errB) {
            SymbolChange c;
            c.before = errA.toUtf8();
            c.after = errB.toUtf8();
            changes[size_t(k)] << c;
        }
    });
    auto ref = [](const LibrarySnapshot::Entry &e) { return SymbolRef{e.library, e.name}; };
    for (qsizetype k = 0; k < pairs.size(); ++k) {
        if (changes[size_t(k)].isEmpty())
            ++diff.unchanged;
        else
            diff.changed << ChangedSymbol{ref(before.entries()[pairs[k].first]),
                                          std::move(changes[size_t(k)])};
    }

    // Renames: a symbol that went and one that came, equal but for the name.
    QMultiHash<QByteArray, qsizetype> arrivals;
    QHash<qsizetype, Symbol> arrivalModels;
    for (qsizetype j : came) {
        if (std::optional<Symbol> m = after.model(j)) {
            Symbol stripped = withoutName(std::move(*m));
            arrivals.insert(fingerprint(stripped), j);
            arrivalModels.insert(j, std::move(stripped));
        }
    }
    QSet<qsizetype> taken;
    for (qsizetype i : gone) {
        std::optional<Symbol> m = before.model(i);
        bool renamed = false;
        if (m) {
            const Symbol stripped = withoutName(std::move(*m));
            const QList<qsizetype> candidates = arrivals.values(fingerprint(stripped));
            // values() lists the last inserted first: the first arrival wins.
            for (auto it = candidates.crbegin(); it != candidates.crend() && !renamed; ++it) {
                if (!taken.contains(*it) && arrivalModels.value(*it) == stripped) {
                    taken.insert(*it);
                    diff.renamed << std::pair(ref(before.entries()[i]), ref(after.entries()[*it]));
                    renamed = true;
                }
            }
        }
        if (!renamed)
            diff.removed << ref(before.entries()[i]);
    }
    for (qsizetype j : came) {
        if (!taken.contains(j))
            diff.added << ref(after.entries()[j]);
    }
    return diff;
}

QString diffText(const LibraryDiff &diff)
{
    QString t;
    const bool lib = diff.byLibrary;
    if (!diff.removed.isEmpty()) {
        t += QStringLiteral("Removidos: %1\n").arg(diff.removed.size());
        for (const SymbolRef &r : diff.removed)
            t += QStringLiteral("  - ") + refText(r, lib) + u'\n';
    }
    if (!diff.added.isEmpty()) {
        t += QStringLiteral("Adicionados: %1\n").arg(diff.added.size());
        for (const SymbolRef &r : diff.added)
            t += QStringLiteral("  + ") + refText(r, lib) + u'\n';
    }
    if (!diff.renamed.isEmpty()) {
        t += QStringLiteral("Renomeados: %1\n").arg(diff.renamed.size());
        for (const auto &[from, to] : diff.renamed)
            t += QStringLiteral("  ") + refText(from, lib) + QStringLiteral(" -> ") +
                 refText(to, lib) + u'\n';
    }
    if (!diff.changed.isEmpty()) {
        t += QStringLiteral("Alterados: %1\n").arg(diff.changed.size());
        for (const ChangedSymbol &c : diff.changed) {
            t += QStringLiteral("  ~ ") + refText(c.symbol, lib) + u'\n';
            for (const SymbolChange &ch : c.changes)
                t += QStringLiteral("      ") + describeChange(ch) + u'\n';
        }
    }
    t += QStringLiteral("Iguais: %1\n").arg(diff.unchanged);
    if (diff.equal())
        t += QStringLiteral("As bibliotecas são iguais.\n");
    return t;
}

RowComparison compareRow(const LibrarySnapshot &other, const QByteArray &nome,
                         const QByteArray &comandos, const Descricoes *descricoes)
{
    LibrarySnapshot row;
    row.addRow({}, nome, comandos, descricoes);
    RowComparison r;
    if (row.entries().isEmpty() || other.indexOf(row.entries().first().name) < 0)
        return r;
    r.status = RowStatus::Unchanged;
    for (qsizetype i = 0; i < row.entries().size(); ++i) {
        const QByteArray &name = row.entries()[i].name;
        const qsizetype j = other.indexOf(name);
        QStringList lines;
        if (j < 0) {
            lines << QStringLiteral("ausente na outra biblioteca");
        } else {
            const LibrarySnapshot::Source &a = other.source(j), &b = row.source(i);
            if (a.kicad == b.kicad && a.text == b.text && a.notes == b.notes)
                continue;
            QString errA, errB;
            const std::optional<Symbol> ma = other.model(j, &errA), mb = row.model(i, &errB);
            if (ma && mb) {
                for (const SymbolChange &c : symbolChanges(*ma, *mb))
                    lines << describeChange(c);
            } else if (ma || mb || errA != errB) {
                lines << (mb ? errA : errB);
            }
        }
        if (!lines.isEmpty()) {
            r.status = RowStatus::Changed;
            r.notes << QString::fromUtf8(name) + QStringLiteral(": ") +
                           lines.join(QStringLiteral("; "));
        }
    }
    return r;
}
