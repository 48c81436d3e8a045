#define QT_USE_QSTRINGBUILDER

#include "kicadsym/symbolsexpr.h"

#include <cstdlib>

namespace {

// Writes the number backwards from `p`, KiCad's way (see formatIu()), and
// answers where it begins: symbols write many thousands of numbers, each
// without a temporary.
char *iuDigits(char *p, qint64 iu)
{
    const bool negative = iu < 0;
    const quint64 a = quint64(negative ? -iu : iu);
    quint64 frac = a % Iu::perMm;
    if (frac) {
        int digits = 4;
        while (frac % 10 == 0) {
            frac /= 10;
            --digits;
        }
        for (int i = 0; i < digits; ++i) {
            *--p = char('0' + frac % 10);
            frac /= 10;
        }
        *--p = '.';
    }
    quint64 whole = a / Iu::perMm;
    do {
        *--p = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (negative)
        *--p = '-';
    return p;
}

} // namespace

QByteArray formatIu(qint64 iu)
{
    char buf[32];
    char *end = buf + sizeof buf;
    const char *p = iuDigits(end, iu);
    return QByteArray(p, end - p);
}

QByteArray formatTenths(qint64 tenths)
{
    const bool negative = tenths < 0;
    const quint64 a = quint64(negative ? -tenths : tenths);
    QByteArray s = QByteArray::number(a / 10);
    if (a % 10)
        s += '.' + QByteArray::number(a % 10);
    return negative ? '-' + s : s;
}

namespace {

using K = GraphicItem::Kind;

QByteArray xy(QPoint p)
{
    char buf[64];
    char *end = buf + sizeof buf;
    char *y = iuDigits(end, p.y());
    *--y = ' ';
    const char *x = iuDigits(y, p.x());
    return QByteArray(x, end - x);
}

QByteArray colorText(const std::optional<SymbolColor> &c)
{
    if (!c || *c == SymbolColor())
        return QByteArrayLiteral("(color 0 0 0 0)");
    const SymbolColor v = *c;
    return "(color " + QByteArray::number(v.r) + ' ' + QByteArray::number(v.g) + ' ' +
           QByteArray::number(v.b) + ' ' + QByteArray::number(v.a) + ')';
}

const char *fillName(GraphicItem::Fill f)
{
    static const char *names[] = {"none", "outline", "background", "color"};
    return names[int(f)];
}

const char *kindName(K k)
{
    static const char *names[] = {"rectangle", "circle", "arc",     "polyline",
                                  "bezier",    "text",   "text_box"};
    return names[int(k)];
}

// Extras that belong inside a sub-list carry its name as a prefix.
QByteArray extrasOf(const QList<QByteArray> &extra, QByteArrayView prefix)
{
    QByteArray s;
    for (const QByteArray &x : extra) {
        if (prefix.isEmpty() ? !x.startsWith('\0') : x.startsWith(prefix))
            s += ' ' + x.sliced(prefix.size());
    }
    return s;
}

// Everything but the layout differs between versions in these few places.
struct Dialect
{
    int version;
    bool ids() const { return version < KicadSymVersion::v7; }
    bool defaultColor() const { return version < KicadSymVersion::v7; }
    bool yesFlags() const { return version >= KicadSymVersion::v8; }  // (hide yes), (bold yes)
    bool hideLists() const { return version >= KicadSymVersion::v9; } // pin_names, pins
    bool simFlag() const { return version >= KicadSymVersion::v8; }

    QByteArray flag(const char *name) const
    {
        return yesFlags() ? QByteArray("(") + name + " yes)" : QByteArray(name);
    }

    QByteArray font(const TextEffects &e) const
    {
        if (!e.bold && !e.italic && e.extra.isEmpty() && e.height == 12700 && e.width == 12700)
            return QByteArrayLiteral("(font (size 1.27 1.27))"); // nearly every text
        QByteArray s = "(font (size " + xy(QPoint(e.height, e.width)) + ')';
        if (e.bold)
            s += ' ' + flag("bold");
        if (e.italic)
            s += ' ' + flag("italic");
        return s + extrasOf(e.extra, innerExtra("font")) + ')';
    }

    QByteArray effects(const TextEffects &e) const
    {
        QByteArray s = "(effects " + font(e);
        if (!e.justify.isEmpty())
            s += " (justify " + e.justify.join(' ') + ')';
        if (e.hidden)
            s += ' ' + flag("hide");
        return s + extrasOf(e.extra, {}) + ')';
    }

    QByteArray stroke(const GraphicItem &g) const
    {
        QByteArray s =
            "(stroke (width " + formatIu(g.strokeWidth) + ") (type " + g.strokeType + ')';
        if (g.strokeColor || defaultColor())
            s += ' ' + colorText(g.strokeColor);
        return s + extrasOf(g.extra, innerExtra("stroke")) + ')';
    }

    QByteArray fill(const GraphicItem &g) const
    {
        QByteArray s = QByteArray("(fill (type ") + fillName(g.fill) + ')';
        if (g.fillColor)
            s += ' ' + colorText(g.fillColor);
        return s + extrasOf(g.extra, innerExtra("fill")) + ')';
    }

    // The opening of an item up to its first line break in KiCad 6's layout
    // (the whole item on one line for the compact form).
    QByteArray itemHead(const GraphicItem &g) const
    {
        QByteArray s = QByteArray("(") + kindName(g.kind);
        switch (g.kind) {
        case K::Rectangle:
            s += " (start " + xy(g.points.value(0)) + ") (end " + xy(g.points.value(1)) + ')';
            break;
        case K::Circle:
            s += " (center " + xy(g.points.value(0)) + ") (radius " + formatIu(g.radius) + ')';
            break;
        case K::Arc:
            s += " (start " + xy(g.points.value(0)) + ") (mid " + xy(g.points.value(1)) +
                 ") (end " + xy(g.points.value(2)) + ')';
            break;
        case K::Text:
            s += ' ' + sexprQuoted(g.text) + " (at " + xy(g.points.value(0)) + ' ' +
                 QByteArray::number(g.angle) + ')';
            break;
        case K::TextBox:
            s += ' ' + sexprQuoted(g.text) + " (at " + xy(g.points.value(0)) + ' ' +
                 QByteArray::number(g.angle) + ") (size " + xy(g.points.value(1)) + ')';
            break;
        case K::Polyline:
        case K::Bezier:
            break;
        }
        return s;
    }

    QByteArray points(const GraphicItem &g, const QByteArray &indent) const
    {
        QByteArray s = "(pts";
        for (const QPoint &p : g.points)
            s += indent.isNull() ? QByteArray(" (xy " + xy(p) + ')')
                                 : QByteArray('\n' + indent + "  (xy " + xy(p) + ')');
        return s + (indent.isNull() ? QByteArray(")") : '\n' + indent + ')');
    }

    QByteArray pinHead(const SymbolPin &p) const
    {
        QByteArray s = "(pin " + p.type + ' ' + p.shape + " (at " + xy(p.at) + ' ' +
                       formatTenths(p.angle) + ") (length " + formatIu(p.length) + ')';
        if (p.hidden)
            s += ' ' + QByteArray(hideLists() ? "(hide yes)" : "hide");
        return s;
    }

    QByteArray pinText(const char *what, const QByteArray &text, const TextEffects &e) const
    {
        return QByteArray("(") + what + ' ' + sexprQuoted(text) + ' ' + effects(e) + ')';
    }

    QByteArray alternate(const PinAlternate &a) const
    {
        return "(alternate " + sexprQuoted(a.name) + ' ' + a.type + ' ' + a.shape + ')';
    }

    QByteArray propertyHead(const SymbolProperty &p, int index) const
    {
        QByteArray s = "(property " + sexprQuoted(p.name) + ' ' + sexprQuoted(p.value);
        if (ids())
            s += " (id " + QByteArray::number(p.id >= 0 ? p.id : index) + ')';
        return s + " (at " + xy(p.at) + ' ' + formatTenths(p.angle) + ')';
    }

    QByteArray symbolFlags(const Symbol &s) const
    {
        QByteArray out;
        if (!s.extends.isEmpty())
            out += " (extends " + sexprQuoted(s.extends) + ')';
        if (s.power)
            out +=
                s.powerScope.isEmpty() ? QByteArray(" (power)") : " (power " + s.powerScope + ')';
        if (s.pinNumbersHidden)
            out += hideLists() ? " (pin_numbers (hide yes))" : " (pin_numbers hide)";
        if (s.pinNameOffset || s.pinNamesHidden) {
            out += " (pin_names";
            if (s.pinNameOffset)
                out += " (offset " + formatIu(*s.pinNameOffset) + ')';
            if (s.pinNamesHidden)
                out += hideLists() ? " (hide yes)" : " hide";
            out += ')';
        }
        const bool root = s.extends.isEmpty();
        auto yesNo = [](bool b) { return b ? QByteArray("yes") : QByteArray("no"); };
        if (simFlag() && (s.excludeFromSim || root))
            out += " (exclude_from_sim " + yesNo(s.excludeFromSim.value_or(false)) + ')';
        if (s.inBom || root)
            out += " (in_bom " + yesNo(s.inBom.value_or(true)) + ')';
        if (s.onBoard || root)
            out += " (on_board " + yesNo(s.onBoard.value_or(true)) + ')';
        return out;
    }
};

QByteArray unitName(const Symbol &s, const SymbolUnit &u)
{
    return sexprQuoted(
        QByteArray(s.name + '_' + QByteArray::number(u.unit) + '_' + QByteArray::number(u.style)));
}

// KiCad 8 moved the description from ki_description to Description, placed
// after Datasheet; KiCad 6 and 7 keep it after ki_keywords.
QList<SymbolProperty> propertiesFor(const Symbol &s, int version)
{
    QList<SymbolProperty> props = s.properties;
    const bool modern = version >= KicadSymVersion::v8;
    const QByteArray from = modern ? "ki_description" : "Description";
    const QByteArray to = modern ? "Description" : "ki_description";
    const QByteArray after = modern ? "Datasheet" : "ki_keywords";
    qsizetype i = -1;
    for (qsizetype k = 0; k < props.size(); ++k) {
        if (props[k].name == to)
            return props;
        if (props[k].name == from)
            i = k;
    }
    if (i < 0)
        return props;
    SymbolProperty p = props.takeAt(i);
    p.name = to;
    qsizetype at = props.size();
    for (qsizetype k = 0; k < props.size(); ++k)
        if (props[k].name == after)
            at = k + 1;
    props.insert(at, p);
    return props;
}

// KiCad 6 and 7: two blanks per level, several lists on one line.
QByteArray classicText(const Symbol &s, const Dialect &d)
{
    // Room for the whole text at once: items run to about 200 bytes each.
    qsizetype items = s.properties.size();
    for (const SymbolUnit &u : s.units)
        items += 1 + u.graphics.size() + u.pins.size();
    QByteArray o;
    o.reserve(256 + 240 * items);
    o += "  (symbol " + sexprQuoted(s.name) + d.symbolFlags(s) + extrasOf(s.extra, {}) + '\n';
    const QList<SymbolProperty> props = propertiesFor(s, d.version);
    for (qsizetype i = 0; i < props.size(); ++i) {
        const SymbolProperty &p = props[i];
        o += "    " + d.propertyHead(p, int(i)) + extrasOf(p.extra, {}) + '\n';
        o += "      " + d.effects(p.effects) + "\n    )\n";
    }
    for (const SymbolUnit &u : s.units) {
        o += "    (symbol " + unitName(s, u) + '\n';
        if (u.unitName)
            o += "      (unit_name " + sexprQuoted(*u.unitName) + ")\n";
        for (const GraphicItem &g : u.graphics) {
            o += "      " + d.itemHead(g);
            const QByteArray extra = extrasOf(g.extra, {});
            if (g.kind == K::Polyline || g.kind == K::Bezier)
                o += "\n        " + d.points(g, "        ");
            if (g.hasStroke)
                o += "\n        " + d.stroke(g);
            if (g.hasFill)
                o += "\n        " + d.fill(g);
            if (g.kind == K::Text || g.kind == K::TextBox)
                o += "\n        " + d.effects(g.effects);
            if (!extra.isEmpty())
                o += "\n       " + extra;
            o += "\n      )\n";
        }
        for (const SymbolPin &p : u.pins) {
            o += "      " + d.pinHead(p) + '\n';
            o += "        " + d.pinText("name", p.name, p.nameEffects) + '\n';
            o += "        " + d.pinText("number", p.number, p.numberEffects) + '\n';
            for (const PinAlternate &a : p.alternates)
                o += "        " + d.alternate(a) + '\n';
            for (const QByteArray &x : p.extra)
                o += "        " + x + '\n';
            o += "      )\n";
        }
        for (const QByteArray &x : u.extra)
            o += "      " + x + '\n';
        o += "    )\n";
    }
    return o + "  )\n";
}

// KiCad 8 and later: written on one line, then laid out by the prettifier.
QByteArray compactText(const Symbol &s, const Dialect &d)
{
    QByteArray o = "(symbol " + sexprQuoted(s.name) + d.symbolFlags(s);
    const QList<SymbolProperty> props = propertiesFor(s, d.version);
    for (qsizetype i = 0; i < props.size(); ++i) {
        const SymbolProperty &p = props[i];
        o += ' ' + d.propertyHead(p, int(i)) + ' ' + d.effects(p.effects) + extrasOf(p.extra, {}) +
             ')';
    }
    for (const SymbolUnit &u : s.units) {
        o += " (symbol " + unitName(s, u);
        if (u.unitName)
            o += " (unit_name " + sexprQuoted(*u.unitName) + ')';
        for (const GraphicItem &g : u.graphics) {
            o += ' ' + d.itemHead(g);
            if (g.kind == K::Polyline || g.kind == K::Bezier)
                o += ' ' + d.points(g, QByteArray());
            if (g.hasStroke)
                o += ' ' + d.stroke(g);
            if (g.hasFill)
                o += ' ' + d.fill(g);
            if (g.kind == K::Text || g.kind == K::TextBox)
                o += ' ' + d.effects(g.effects);
            o += extrasOf(g.extra, {}) + ')';
        }
        for (const SymbolPin &p : u.pins) {
            o += ' ' + d.pinHead(p) + ' ' + d.pinText("name", p.name, p.nameEffects) + ' ' +
                 d.pinText("number", p.number, p.numberEffects);
            for (const PinAlternate &a : p.alternates)
                o += ' ' + d.alternate(a);
            for (const QByteArray &x : p.extra)
                o += ' ' + x;
            o += ')';
        }
        for (const QByteArray &x : u.extra)
            o += ' ' + x;
        o += ')';
    }
    o += extrasOf(s.extra, {}) + ')';
    return sexprPrettified(o, 1) + '\n';
}

} // namespace

QByteArray symbolText(const Symbol &symbol, int version)
{
    const Dialect d{version};
    return version >= KicadSymVersion::v8 ? compactText(symbol, d) : classicText(symbol, d);
}
