#include "convert/tokicadsym.h"

#include "library/emparalelo.h"
#include "symbol/legacysymbol.h"

#include <algorithm>
#include <cmath>

namespace {

using K = GraphicItem::Kind;

// KiCad 6 keeps a symbol's items sorted (shapes, then texts, then pins) and
// writes them in that order: shapes by start and end point, a small
// tolerance allowed, then by kind and points; texts by their text (letter
// case aside) and position; pins by number, name and position.
struct ShapeKey
{
    QPoint start, end;
    int kind;
};

ShapeKey shapeKey(const GraphicItem &g)
{
    switch (g.kind) {
    case K::Rectangle:
        return {g.points.value(0), g.points.value(1), 1};
    case K::Arc:
        return {g.points.value(0), g.points.value(2), 2};
    case K::Circle:
        return {g.points.value(0), g.points.value(0) + QPoint(g.radius, 0), 3};
    case K::Bezier:
        return {g.points.value(0), g.points.value(3), 5};
    default:
        return {{}, {}, 4};
    }
}

int near(int a, int b)
{
    return std::abs(a - b) > 2 ? (a < b ? -1 : 1) : 0;
}

int comparePoints(QPoint a, QPoint b)
{
    if (int c = near(a.x(), b.x()))
        return c;
    return near(a.y(), b.y());
}

int compareShapes(const GraphicItem &a, const GraphicItem &b)
{
    const ShapeKey ka = shapeKey(a), kb = shapeKey(b);
    if (int c = comparePoints(ka.start, kb.start))
        return c;
    if (int c = comparePoints(ka.end, kb.end))
        return c;
    if (ka.kind != kb.kind)
        return ka.kind < kb.kind ? -1 : 1;
    if (a.kind == K::Polyline) {
        if (a.points.size() != b.points.size())
            return a.points.size() < b.points.size() ? -1 : 1;
        for (qsizetype i = 0; i < a.points.size(); ++i)
            if (int c = comparePoints(a.points[i], b.points[i]))
                return c;
    }
    if (int c = near(a.strokeWidth, b.strokeWidth))
        return c;
    return 0;
}

// As QString compares them letter case aside, without converting when both
// are ASCII (nearly always; a sort compares each text many times).
int compareCaseless(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const uchar x = uchar(a[i]), y = uchar(b[i]);
        if ((x | y) & 0x80)
            return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive);
        const uchar lx = x >= 'A' && x <= 'Z' ? x + 32 : x, ly = y >= 'A' && y <= 'Z' ? y + 32 : y;
        if (lx != ly)
            return lx < ly ? -1 : 1;
    }
    for (qsizetype i = n; i < qMax(a.size(), b.size()); ++i)
        if (uchar(i < a.size() ? a[i] : b[i]) & 0x80)
            return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive);
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int compareTexts(const GraphicItem &a, const GraphicItem &b)
{
    if (int c = compareCaseless(a.text, b.text))
        return c;
    if (a.points.value(0).x() != b.points.value(0).x())
        return a.points.value(0).x() < b.points.value(0).x() ? -1 : 1;
    if (a.points.value(0).y() != b.points.value(0).y())
        return a.points.value(0).y() < b.points.value(0).y() ? -1 : 1;
    return 0;
}

bool itemBefore(const GraphicItem &a, const GraphicItem &b)
{
    const bool ta = a.kind == K::Text, tb = b.kind == K::Text;
    if (ta != tb)
        return tb;
    return (ta ? compareTexts(a, b) : compareShapes(a, b)) < 0;
}

bool pinBefore(const SymbolPin &a, const SymbolPin &b)
{
    if (a.number != b.number)
        return a.number < b.number;
    if (int c = compareCaseless(a.name, b.name))
        return c < 0;
    if (a.at.x() != b.at.x())
        return a.at.x() < b.at.x();
    return a.at.y() < b.at.y();
}

} // namespace

void sortAsKicad(Symbol &s)
{
    for (SymbolUnit &u : s.units) {
        std::stable_sort(u.graphics.begin(), u.graphics.end(), itemBefore);
        std::stable_sort(u.pins.begin(), u.pins.end(), pinBefore);
    }
}

QList<Symbol> symbolsOfLegacyLibrary(const QList<QByteArray> &components,
                                     const Descricoes *descricoes)
{
    QList<QList<Symbol>> each(components.size());
    QList<Symbol> *out = each.data();
    emParalelo(components.size(), [&](qsizetype i) {
        out[i] = symbolsFromLegacy(components[i], descricoes);
        for (Symbol &s : out[i])
            sortAsKicad(s);
    });
    // KiCad keeps its symbols in a map by name and writes each root with the
    // symbols derived from it right after.
    static const QByteArray none;
    auto nameOf = [](const QList<Symbol> &g) -> const QByteArray & {
        return g.isEmpty() ? none : g.first().name;
    };
    auto byName = [&](const QList<Symbol> &a, const QList<Symbol> &b) {
        return nameOf(a) < nameOf(b);
    };
    std::stable_sort(each.begin(), each.end(), byName);
    QList<Symbol> symbols;
    for (QList<Symbol> &group : each) {
        if (group.isEmpty())
            continue;
        std::stable_sort(group.begin() + 1, group.end(),
                         [](const Symbol &a, const Symbol &b) { return a.name < b.name; });
        symbols << group;
    }
    return symbols;
}

KicadSymLibrary kicadSymFromLegacy(const QList<QByteArray> &components,
                                   const Descricoes *descricoes, int version)
{
    const QList<Symbol> symbols = symbolsOfLegacyLibrary(components, descricoes);
    KicadSymLibrary lib;
    // The header and closing a new file of that version has: those of an
    // empty library written in it.
    lib.version = 0;
    const QByteArray empty = writeKicadSym(lib, version).bytes;
    const qsizetype close = empty.lastIndexOf(')');
    lib.head = empty.left(qMax(qsizetype(0), close));
    lib.tail = empty.mid(qMax(qsizetype(0), close));
    lib.version = version;
    lib.rows.resize(symbols.size());
    KicadSymRow *rows = lib.rows.data();
    emParalelo(symbols.size(), [&](qsizetype i) {
        KicadSymRow &row = rows[i];
        row.name = symbols[i].name;
        row.extends = symbols[i].extends;
        row.text = symbolText(symbols[i], version);
        row.version = version;
        row.extendsOffset = int(qMax(qsizetype(0), row.text.indexOf("(extends ")));
        row.checked = true; // written from the model just now
    });
    return lib;
}
