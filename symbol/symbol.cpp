#include "symbol/symbol.h"

#include <algorithm>

const SymbolProperty *Symbol::property(QByteArrayView n) const
{
    for (const SymbolProperty &p : properties)
        if (p.name == n)
            return &p;
    return nullptr;
}

QByteArray Symbol::propertyValue(QByteArrayView n) const
{
    const SymbolProperty *p = property(n);
    return p ? p->value : QByteArray();
}

QByteArray Symbol::description() const
{
    const SymbolProperty *p = property("ki_description");
    return p ? p->value : propertyValue("Description");
}

QByteArray Symbol::keywords() const
{
    return propertyValue("ki_keywords");
}

QByteArray Symbol::datasheet() const
{
    return propertyValue("Datasheet");
}

int Symbol::unitCount() const
{
    int n = 1;
    for (const SymbolUnit &u : units)
        n = std::max(n, u.unit);
    return n;
}

bool Symbol::hasBodyStyles() const
{
    return std::any_of(units.begin(), units.end(), [](const SymbolUnit &u) { return u.style > 1; });
}

namespace {

QByteArray num(int v)
{
    return QByteArray::number(v);
}

QByteArray describe(const TextEffects &e)
{
    QByteArray s = "size " + num(e.height) + " " + num(e.width);
    if (e.bold)
        s += " bold";
    if (e.italic)
        s += " italic";
    if (!e.justify.isEmpty())
        s += " justify " + e.justify.join(' ');
    if (e.hidden)
        s += " hide";
    for (const QByteArray &x : e.extra)
        s += " " + x;
    return s;
}

QByteArray describe(const std::optional<SymbolColor> &c)
{
    if (!c)
        return "-";
    return num(c->r) + "," + num(c->g) + "," + num(c->b) + "," + QByteArray::number(c->a);
}

template <typename T> QList<QByteArray> sortedDescriptions(const QList<T> &items)
{
    QList<QByteArray> d;
    d.reserve(items.size());
    for (const T &i : items)
        d << describe(i);
    std::sort(d.begin(), d.end());
    return d;
}

QList<QByteArray> sorted(QList<QByteArray> l)
{
    std::sort(l.begin(), l.end());
    return l;
}

} // namespace

QByteArray describe(const GraphicItem &g)
{
    static const char *kinds[] = {"rectangle", "circle", "arc",     "polyline",
                                  "bezier",    "text",   "text_box"};
    static const char *fills[] = {"none", "outline", "background", "color"};
    QByteArray s = kinds[int(g.kind)];
    for (const QPoint &p : g.points)
        s += " (" + num(p.x()) + " " + num(p.y()) + ")";
    if (g.kind == GraphicItem::Kind::Circle)
        s += " r " + num(g.radius);
    if (g.kind == GraphicItem::Kind::Text || g.kind == GraphicItem::Kind::TextBox)
        s += " \"" + g.text + "\" angle " + num(g.angle) + " " + describe(g.effects);
    if (g.hasStroke)
        s += " stroke " + num(g.strokeWidth) + " " + g.strokeType + " " + describe(g.strokeColor);
    if (g.hasFill)
        s += QByteArray(" fill ") + fills[int(g.fill)] + " " + describe(g.fillColor);
    for (const QByteArray &x : g.extra)
        s += " " + x;
    return s;
}

QByteArray describe(const SymbolPin &p)
{
    QByteArray s = "pin " + p.type + " " + p.shape + " (" + num(p.at.x()) + " " + num(p.at.y()) +
                   ") " + num(p.angle) + " len " + num(p.length) + (p.hidden ? " hide" : "") +
                   " name \"" + p.name + "\" " + describe(p.nameEffects) + " number \"" + p.number +
                   "\" " + describe(p.numberEffects);
    for (const PinAlternate &a : p.alternates)
        s += " alt " + a.name + " " + a.type + " " + a.shape;
    for (const QByteArray &x : p.extra)
        s += " " + x;
    return s;
}

QByteArray describe(const Symbol &sym)
{
    QByteArray s = "symbol \"" + sym.name + "\"";
    if (!sym.extends.isEmpty())
        s += " extends \"" + sym.extends + "\"";
    if (sym.power)
        s += " power " + sym.powerScope;
    if (sym.pinNumbersHidden)
        s += " pin_numbers hide";
    if (sym.pinNameOffset)
        s += " pin_names offset " + num(*sym.pinNameOffset);
    if (sym.pinNamesHidden)
        s += " pin_names hide";
    auto flag = [&](const char *n, const std::optional<bool> &f) {
        if (f)
            s += QByteArray(" ") + n + (*f ? " yes" : " no");
    };
    flag("exclude_from_sim", sym.excludeFromSim);
    flag("in_bom", sym.inBom);
    flag("on_board", sym.onBoard);
    s += "\n";
    for (const SymbolProperty &p : sym.properties)
        s += "  property \"" + p.name + "\" \"" + p.value + "\" id " + num(p.id) + " (" +
             num(p.at.x()) + " " + num(p.at.y()) + ") " + num(p.angle) + " " + describe(p.effects) +
             "\n";
    for (const SymbolUnit &u : sym.units) {
        s += "  unit " + num(u.unit) + " style " + num(u.style) + "\n";
        for (const QByteArray &d : sortedDescriptions(u.graphics))
            s += "    " + d + "\n";
        for (const QByteArray &d : sortedDescriptions(u.pins))
            s += "    " + d + "\n";
    }
    for (const QByteArray &x : sym.extra)
        s += "  " + x + "\n";
    return s;
}

bool operator==(const SymbolUnit &a, const SymbolUnit &b)
{
    return a.unit == b.unit && a.style == b.style && a.unitName == b.unitName &&
           a.graphics.size() == b.graphics.size() && a.pins.size() == b.pins.size() &&
           sortedDescriptions(a.graphics) == sortedDescriptions(b.graphics) &&
           sortedDescriptions(a.pins) == sortedDescriptions(b.pins) &&
           sorted(a.extra) == sorted(b.extra);
}

bool operator==(const Symbol &a, const Symbol &b)
{
    if (a.units.size() != b.units.size())
        return false;
    auto byKey = [](const SymbolUnit *x, const SymbolUnit *y) {
        return std::pair(x->unit, x->style) < std::pair(y->unit, y->style);
    };
    QList<const SymbolUnit *> ua, ub;
    for (const SymbolUnit &u : a.units)
        ua << &u;
    for (const SymbolUnit &u : b.units)
        ub << &u;
    std::sort(ua.begin(), ua.end(), byKey);
    std::sort(ub.begin(), ub.end(), byKey);
    for (qsizetype i = 0; i < ua.size(); ++i)
        if (!(*ua[i] == *ub[i]))
            return false;
    return a.name == b.name && a.extends == b.extends && a.power == b.power &&
           a.powerScope == b.powerScope && a.pinNumbersHidden == b.pinNumbersHidden &&
           a.pinNameOffset == b.pinNameOffset && a.pinNamesHidden == b.pinNamesHidden &&
           a.excludeFromSim == b.excludeFromSim && a.inBom == b.inBom && a.onBoard == b.onBoard &&
           a.properties == b.properties && sorted(a.extra) == sorted(b.extra);
}
