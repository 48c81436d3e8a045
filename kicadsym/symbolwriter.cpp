#include "kicadsym/symbolsexpr.h"

#include <cstdlib>
#include <cstring>

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

char *intDigits(char *p, qint64 n)
{
    const bool negative = n < 0;
    quint64 a = quint64(negative ? -n : n);
    do {
        *--p = char('0' + a % 10);
        a /= 10;
    } while (a);
    if (negative)
        *--p = '-';
    return p;
}

char *tenthsDigits(char *p, qint64 tenths)
{
    const bool negative = tenths < 0;
    const quint64 a = quint64(negative ? -tenths : tenths);
    if (a % 10) {
        *--p = char('0' + a % 10);
        *--p = '.';
    }
    p = intDigits(p, qint64(a / 10));
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
    char buf[32];
    char *end = buf + sizeof buf;
    const char *p = tenthsDigits(end, tenths);
    return QByteArray(p, end - p);
}

namespace {

using K = GraphicItem::Kind;

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

bool needsEscape(QByteArrayView v)
{
    for (const char c : v)
        if (c == '"' || c == '\\' || c == '\n' || c == '\r' || c == '\0')
            return true;
    return false;
}

// Extras that belong inside a sub-list carry its name as a prefix.
bool belongs(const QByteArray &x, QByteArrayView prefix)
{
    return prefix.isEmpty() ? !x.startsWith('\0') : x.startsWith(prefix);
}

bool hasExtras(const QList<QByteArray> &extra)
{
    for (const QByteArray &x : extra)
        if (belongs(x, {}))
            return true;
    return false;
}

// A symbol's text is appended piece by piece to one buffer, in the layout
// and with the tokens of one version: a library holds tens of thousands of
// items, and a temporary for each number or list would cost more than the
// writing.
class Writer
{
public:
    // Writes through a pointer into room made ahead; finish() trims the
    // buffer to what was written.
    Writer(QByteArray &out, int version) : o(out), version(version)
    {
        const qsizetype used = o.size();
        o.resize(qMax(o.capacity(), used + 256));
        p = o.data() + used;
        end = o.data() + o.size();
    }
    void finish() { o.resize(p - o.data()); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    QByteArray &o;
    const int version;
    char *p;
    char *end;

    bool ids() const { return version < KicadSymVersion::v7; }
    bool defaultColor() const { return version < KicadSymVersion::v7; }
    bool yesFlags() const { return version >= KicadSymVersion::v8; }  // (hide yes), (bold yes)
    bool hideLists() const { return version >= KicadSymVersion::v9; } // pin_names, pins
    bool simFlag() const { return version >= KicadSymVersion::v8; }

    void room(qsizetype n)
    {
        if (end - p >= n)
            return;
        const qsizetype used = p - o.data();
        o.resize(qMax(2 * o.size(), used + n + 256));
        p = o.data() + used;
        end = o.data() + o.size();
    }
    void put(const char *s, qsizetype n)
    {
        if (n <= 0) // an empty text may have no data at all: memcpy takes no null
            return;
        room(n);
        std::memcpy(p, s, size_t(n));
        p += n;
    }

    Writer &operator<<(char c)
    {
        room(1);
        *p++ = c;
        return *this;
    }
    Writer &operator<<(const char *s)
    {
        put(s, qsizetype(std::strlen(s)));
        return *this;
    }
    Writer &operator<<(QByteArrayView s)
    {
        put(s.data(), s.size());
        return *this;
    }
    Writer &operator<<(const QByteArray &s)
    {
        put(s.constData(), s.size());
        return *this;
    }

    Writer &iu(qint64 v)
    {
        char buf[32];
        char *end = buf + sizeof buf;
        const char *p = iuDigits(end, v);
        put(p, end - p);
        return *this;
    }
    Writer &xy(QPoint p)
    {
        char buf[64];
        char *end = buf + sizeof buf;
        char *y = iuDigits(end, p.y());
        *--y = ' ';
        const char *x = iuDigits(y, p.x());
        put(x, end - x);
        return *this;
    }
    Writer &number(qint64 v)
    {
        char buf[32];
        char *end = buf + sizeof buf;
        const char *p = intDigits(end, v);
        put(p, end - p);
        return *this;
    }
    Writer &tenths(qint64 v)
    {
        char buf[32];
        char *end = buf + sizeof buf;
        const char *p = tenthsDigits(end, v);
        put(p, end - p);
        return *this;
    }
    Writer &quoted(QByteArrayView v)
    {
        if (needsEscape(v))
            return *this << sexprQuoted(v);
        return *this << '"' << v << '"';
    }

    void extras(const QList<QByteArray> &extra, QByteArrayView prefix)
    {
        for (const QByteArray &x : extra)
            if (belongs(x, prefix))
                *this << ' ' << QByteArrayView(x).sliced(prefix.size());
    }

    void color(const std::optional<SymbolColor> &c)
    {
        if (!c || *c == SymbolColor()) {
            *this << "(color 0 0 0 0)";
            return;
        }
        const SymbolColor v = *c;
        *this << "(color ";
        number(v.r) << ' ';
        number(v.g) << ' ';
        number(v.b) << ' ' << QByteArray::number(v.a) << ')';
    }

    void flag(const char *name)
    {
        if (yesFlags())
            *this << '(' << name << " yes)";
        else
            *this << name;
    }

    void font(const TextEffects &e)
    {
        if (!e.bold && !e.italic && e.extra.isEmpty() && e.height == 12700 && e.width == 12700) {
            *this << "(font (size 1.27 1.27))"; // nearly every text
            return;
        }
        *this << "(font (size ";
        xy(QPoint(e.height, e.width)) << ')';
        if (e.bold) {
            *this << ' ';
            flag("bold");
        }
        if (e.italic) {
            *this << ' ';
            flag("italic");
        }
        static const QByteArray prefix = innerExtra("font");
        extras(e.extra, prefix);
        *this << ')';
    }

    void effects(const TextEffects &e)
    {
        *this << "(effects ";
        font(e);
        if (!e.justify.isEmpty()) {
            *this << " (justify ";
            for (qsizetype i = 0; i < e.justify.size(); ++i) {
                if (i)
                    *this << ' ';
                *this << e.justify[i];
            }
            *this << ')';
        }
        if (e.hidden) {
            *this << ' ';
            flag("hide");
        }
        extras(e.extra, {});
        *this << ')';
    }

    void stroke(const GraphicItem &g)
    {
        *this << "(stroke (width ";
        iu(g.strokeWidth) << ") (type " << g.strokeType << ')';
        if (g.strokeColor || defaultColor()) {
            *this << ' ';
            color(g.strokeColor);
        }
        static const QByteArray prefix = innerExtra("stroke");
        extras(g.extra, prefix);
        *this << ')';
    }

    void fill(const GraphicItem &g)
    {
        *this << "(fill (type " << fillName(g.fill) << ')';
        if (g.fillColor) {
            *this << ' ';
            color(g.fillColor);
        }
        static const QByteArray prefix = innerExtra("fill");
        extras(g.extra, prefix);
        *this << ')';
    }

    // The opening of an item up to its first line break in KiCad 6's layout
    // (the whole item on one line for the compact form).
    void itemHead(const GraphicItem &g)
    {
        *this << '(' << kindName(g.kind);
        switch (g.kind) {
        case K::Rectangle:
            *this << " (start ";
            xy(g.points.value(0)) << ") (end ";
            xy(g.points.value(1)) << ')';
            break;
        case K::Circle:
            *this << " (center ";
            xy(g.points.value(0)) << ") (radius ";
            iu(g.radius) << ')';
            break;
        case K::Arc:
            *this << " (start ";
            xy(g.points.value(0)) << ") (mid ";
            xy(g.points.value(1)) << ") (end ";
            xy(g.points.value(2)) << ')';
            break;
        case K::Text:
            *this << ' ';
            quoted(g.text) << " (at ";
            xy(g.points.value(0)) << ' ';
            number(g.angle) << ')';
            break;
        case K::TextBox:
            *this << ' ';
            quoted(g.text) << " (at ";
            xy(g.points.value(0)) << ' ';
            number(g.angle) << ") (size ";
            xy(g.points.value(1)) << ')';
            break;
        case K::Polyline:
        case K::Bezier:
            break;
        }
    }

    // One point a line below `indent`, or all on one line without it.
    void points(const GraphicItem &g, const char *indent)
    {
        *this << "(pts";
        for (const QPoint &p : g.points) {
            if (indent)
                *this << '\n' << indent << "  (xy ";
            else
                *this << " (xy ";
            xy(p) << ')';
        }
        if (indent)
            *this << '\n' << indent;
        *this << ')';
    }

    void pinHead(const SymbolPin &p)
    {
        *this << "(pin " << p.type << ' ' << p.shape << " (at ";
        xy(p.at) << ' ';
        tenths(p.angle) << ") (length ";
        iu(p.length) << ')';
        if (p.hidden)
            *this << ' ' << (hideLists() ? "(hide yes)" : "hide");
    }

    void pinText(const char *what, const QByteArray &text, const TextEffects &e)
    {
        *this << '(' << what << ' ';
        quoted(text) << ' ';
        effects(e);
        *this << ')';
    }

    void alternate(const PinAlternate &a)
    {
        *this << "(alternate ";
        quoted(a.name) << ' ' << a.type << ' ' << a.shape << ')';
    }

    void propertyHead(const SymbolProperty &p, int index)
    {
        *this << "(property ";
        quoted(p.name) << ' ';
        quoted(p.value);
        if (ids()) {
            *this << " (id ";
            number(p.id >= 0 ? p.id : index) << ')';
        }
        *this << " (at ";
        xy(p.at) << ' ';
        tenths(p.angle) << ')';
    }

    void symbolFlags(const Symbol &s)
    {
        if (!s.extends.isEmpty()) {
            *this << " (extends ";
            quoted(s.extends) << ')';
        }
        if (s.power) {
            if (s.powerScope.isEmpty())
                *this << " (power)";
            else
                *this << " (power " << s.powerScope << ')';
        }
        if (s.pinNumbersHidden)
            *this << (hideLists() ? " (pin_numbers (hide yes))" : " (pin_numbers hide)");
        if (s.pinNameOffset || s.pinNamesHidden) {
            *this << " (pin_names";
            if (s.pinNameOffset) {
                *this << " (offset ";
                iu(*s.pinNameOffset) << ')';
            }
            if (s.pinNamesHidden)
                *this << (hideLists() ? " (hide yes)" : " hide");
            *this << ')';
        }
        const bool root = s.extends.isEmpty();
        auto yesNo = [](bool b) { return b ? "yes" : "no"; };
        if (simFlag() && (s.excludeFromSim || root))
            *this << " (exclude_from_sim " << yesNo(s.excludeFromSim.value_or(false)) << ')';
        if (s.inBom || root)
            *this << " (in_bom " << yesNo(s.inBom.value_or(true)) << ')';
        if (s.onBoard || root)
            *this << " (on_board " << yesNo(s.onBoard.value_or(true)) << ')';
    }

    void unitName(const Symbol &s, const SymbolUnit &u)
    {
        // The digits and the underscores never need escaping.
        if (needsEscape(s.name)) {
            *this << sexprQuoted(QByteArray(s.name + '_' + QByteArray::number(u.unit) + '_' +
                                            QByteArray::number(u.style)));
            return;
        }
        *this << '"' << s.name << '_';
        number(u.unit) << '_';
        number(u.style) << '"';
    }
};

// KiCad 8 moved the description from ki_description to Description, placed
// after Datasheet; KiCad 6 and 7 keep it after ki_keywords.
QList<SymbolProperty> propertiesFor(const Symbol &s, int version)
{
    QList<SymbolProperty> props = s.properties;
    const bool modern = version >= KicadSymVersion::v8;
    const QByteArrayView from = modern ? "ki_description" : "Description";
    const QByteArrayView to = modern ? "Description" : "ki_description";
    const QByteArrayView after = modern ? "Datasheet" : "ki_keywords";
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
    p.name = to.toByteArray();
    qsizetype at = props.size();
    for (qsizetype k = 0; k < props.size(); ++k)
        if (props[k].name == after)
            at = k + 1;
    props.insert(at, p);
    return props;
}

// KiCad 6 and 7: two blanks per level, several lists on one line.
QByteArray classicText(const Symbol &s, int version)
{
    // Room for the whole text at once: items run to about 200 bytes each.
    qsizetype items = s.properties.size();
    for (const SymbolUnit &u : s.units)
        items += 1 + u.graphics.size() + u.pins.size();
    QByteArray o;
    o.reserve(256 + 240 * items);
    Writer w(o, version);
    w << "  (symbol ";
    w.quoted(s.name);
    w.symbolFlags(s);
    w.extras(s.extra, {});
    w << '\n';
    const QList<SymbolProperty> props = propertiesFor(s, version);
    for (qsizetype i = 0; i < props.size(); ++i) {
        const SymbolProperty &p = props[i];
        w << "    ";
        w.propertyHead(p, int(i));
        w.extras(p.extra, {});
        w << "\n      ";
        w.effects(p.effects);
        w << "\n    )\n";
    }
    for (const SymbolUnit &u : s.units) {
        w << "    (symbol ";
        w.unitName(s, u);
        w << '\n';
        if (u.unitName) {
            w << "      (unit_name ";
            w.quoted(*u.unitName) << ")\n";
        }
        for (const GraphicItem &g : u.graphics) {
            w << "      ";
            w.itemHead(g);
            if (g.kind == K::Polyline || g.kind == K::Bezier) {
                w << "\n        ";
                w.points(g, "        ");
            }
            if (g.hasStroke) {
                w << "\n        ";
                w.stroke(g);
            }
            if (g.hasFill) {
                w << "\n        ";
                w.fill(g);
            }
            if (g.kind == K::Text || g.kind == K::TextBox) {
                w << "\n        ";
                w.effects(g.effects);
            }
            if (hasExtras(g.extra)) {
                w << "\n       ";
                w.extras(g.extra, {});
            }
            w << "\n      )\n";
        }
        for (const SymbolPin &p : u.pins) {
            w << "      ";
            w.pinHead(p);
            w << "\n        ";
            w.pinText("name", p.name, p.nameEffects);
            w << "\n        ";
            w.pinText("number", p.number, p.numberEffects);
            w << '\n';
            for (const PinAlternate &a : p.alternates) {
                w << "        ";
                w.alternate(a);
                w << '\n';
            }
            for (const QByteArray &x : p.extra)
                w << "        " << x << '\n';
            w << "      )\n";
        }
        for (const QByteArray &x : u.extra)
            w << "      " << x << '\n';
        w << "    )\n";
    }
    w << "  )\n";
    w.finish();
    return o;
}

// KiCad 8 and later: written on one line, then laid out by the prettifier.
QByteArray compactText(const Symbol &s, int version)
{
    QByteArray o;
    o.reserve(4096);
    Writer w(o, version);
    w << "(symbol ";
    w.quoted(s.name);
    w.symbolFlags(s);
    const QList<SymbolProperty> props = propertiesFor(s, version);
    for (qsizetype i = 0; i < props.size(); ++i) {
        const SymbolProperty &p = props[i];
        w << ' ';
        w.propertyHead(p, int(i));
        w << ' ';
        w.effects(p.effects);
        w.extras(p.extra, {});
        w << ')';
    }
    for (const SymbolUnit &u : s.units) {
        w << " (symbol ";
        w.unitName(s, u);
        if (u.unitName) {
            w << " (unit_name ";
            w.quoted(*u.unitName) << ')';
        }
        for (const GraphicItem &g : u.graphics) {
            w << ' ';
            w.itemHead(g);
            if (g.kind == K::Polyline || g.kind == K::Bezier) {
                w << ' ';
                w.points(g, nullptr);
            }
            if (g.hasStroke) {
                w << ' ';
                w.stroke(g);
            }
            if (g.hasFill) {
                w << ' ';
                w.fill(g);
            }
            if (g.kind == K::Text || g.kind == K::TextBox) {
                w << ' ';
                w.effects(g.effects);
            }
            w.extras(g.extra, {});
            w << ')';
        }
        for (const SymbolPin &p : u.pins) {
            w << ' ';
            w.pinHead(p);
            w << ' ';
            w.pinText("name", p.name, p.nameEffects);
            w << ' ';
            w.pinText("number", p.number, p.numberEffects);
            for (const PinAlternate &a : p.alternates) {
                w << ' ';
                w.alternate(a);
            }
            for (const QByteArray &x : p.extra)
                w << ' ' << x;
            w << ')';
        }
        for (const QByteArray &x : u.extra)
            w << ' ' << x;
        w << ')';
    }
    w.extras(s.extra, {});
    w << ')';
    w.finish();
    QByteArray pretty = sexprPrettified(o, 1);
    pretty += '\n';
    return pretty;
}

} // namespace

QByteArray symbolText(const Symbol &symbol, int version)
{
    return version >= KicadSymVersion::v8 ? compactText(symbol, version)
                                          : classicText(symbol, version);
}
