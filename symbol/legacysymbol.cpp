#include "symbol/legacysymbol.h"

#include "library/dcmfile.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <type_traits>

namespace {

// A legacy line's tokens: blanks separate them; a token opening with '"'
// runs to the next '"' (legacy files have no escapes) and keeps its quotes.
// Views into the line: a library has hundreds of thousands of tokens.
using Tokens = QVarLengthArray<QByteArrayView, 24>;

Tokens tokens(QByteArrayView line)
{
    Tokens out;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        qsizetype j = i + 1;
        if (line[i] == '"') {
            while (j < n && line[j] != '"')
                ++j;
            j = qMin(j + 1, n);
        } else {
            while (j < n && line[j] != ' ' && line[j] != '\t')
                ++j;
        }
        out.append(line.sliced(i, j - i));
        i = j;
    }
    return out;
}

QByteArrayView at(const Tokens &t, qsizetype i)
{
    return i < t.size() ? t[i] : QByteArrayView();
}

char firstChar(QByteArrayView t)
{
    return t.isEmpty() ? '\0' : t[0];
}

QByteArrayView unquoted(QByteArrayView t)
{
    if (t.size() >= 2 && t.startsWith('"') && t.endsWith('"'))
        return t.sliced(1, t.size() - 2);
    return t;
}

// A line's numbers. One that does not fit makes the whole line unreadable,
// and the line is skipped as KiCad skips it. Values stay within a quarter
// of int's range once in internal units, so that sums and differences of
// two coordinates (an arc's radius and middle) cannot overflow either.
struct Numbers
{
    static constexpr qint64 Limit = std::numeric_limits<int>::max() / 4;
    bool fit = true;

    // A missing token reads as 0, and so does any other non-number but in
    // a unit or body style (`strict`), where it would put the item in every
    // unit.
    int integer(QByteArrayView t, qint64 limit = Limit, bool strict = false)
    {
        bool ok = false;
        const qlonglong v = t.toLongLong(&ok);
        if (!ok) {
            // Digits too many for 64 bits still are a number that does not fit.
            const QByteArrayView digits = t.startsWith('-') || t.startsWith('+') ? t.sliced(1) : t;
            const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
            if (strict ? !t.isEmpty()
                       : !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), isDigit))
                fit = false;
            return 0;
        }
        if (v > limit || v < -limit) {
            fit = false;
            return 0;
        }
        return int(v);
    }
    int mils(QByteArrayView t) { return integer(t, Limit / Iu::perMil) * Iu::perMil; }
};

// Field text: "~" stands for an empty text.
QByteArray fieldText(QByteArrayView t)
{
    const QByteArrayView s = unquoted(t);
    return s == "~" ? QByteArray() : s.toByteArray();
}

// Unquoted legacy text (T lines): '~' is a blank and '' a double quote.
QByteArray drawnText(QByteArrayView t)
{
    if (t.startsWith('"'))
        return unquoted(t).toByteArray();
    QByteArray s = t.toByteArray();
    s.replace("''", "\"");
    s.replace('~', ' ');
    return s;
}

TextEffects effectsOf(int size, QByteArrayView hjust, QByteArrayView vjustEtc)
{
    TextEffects e;
    e.height = e.width = size;
    if (hjust == "L")
        e.justify << "left";
    else if (hjust == "R")
        e.justify << "right";
    const char v = vjustEtc.size() > 0 ? vjustEtc[0] : 'C';
    if (v == 'T')
        e.justify << "top";
    else if (v == 'B')
        e.justify << "bottom";
    e.italic = vjustEtc.size() > 1 && vjustEtc[1] == 'I';
    e.bold = vjustEtc.size() > 2 && vjustEtc[2] == 'B';
    return e;
}

GraphicItem::Fill fillOf(QByteArrayView t)
{
    if (t == "F")
        return GraphicItem::Fill::Outline;
    if (t == "f")
        return GraphicItem::Fill::Background;
    return GraphicItem::Fill::None;
}

QByteArray pinType(char c)
{
    switch (c) {
    case 'I':
        return QByteArrayLiteral("input");
    case 'O':
        return QByteArrayLiteral("output");
    case 'B':
        return QByteArrayLiteral("bidirectional");
    case 'T':
        return QByteArrayLiteral("tri_state");
    case 'P':
        return QByteArrayLiteral("passive");
    case 'W':
        return QByteArrayLiteral("power_in");
    case 'w':
        return QByteArrayLiteral("power_out");
    case 'C':
        return QByteArrayLiteral("open_collector");
    case 'E':
        return QByteArrayLiteral("open_emitter");
    case 'N':
        return QByteArrayLiteral("no_connect");
    default:
        return QByteArrayLiteral("unspecified");
    }
}

QByteArray pinShape(QByteArrayView view)
{
    QByteArray s = view.toByteArray();
    s.replace('N', "");
    if (s == "I")
        return QByteArrayLiteral("inverted");
    if (s == "C")
        return QByteArrayLiteral("clock");
    if (s == "IC" || s == "CI")
        return QByteArrayLiteral("inverted_clock");
    if (s == "L")
        return QByteArrayLiteral("input_low");
    if (s == "CL" || s == "LC")
        return QByteArrayLiteral("clock_low");
    if (s == "V")
        return QByteArrayLiteral("output_low");
    if (s == "F")
        return QByteArrayLiteral("edge_clock_high");
    if (s == "X")
        return QByteArrayLiteral("non_logic");
    return QByteArrayLiteral("line");
}

// F0, F1, ...: 'F' and a number.
bool isField(QByteArrayView k)
{
    if (k.size() < 2 || k.size() > 4 || k[0] != 'F')
        return false;
    for (qsizetype i = 1; i < k.size(); ++i)
        if (k[i] < '0' || k[i] > '9')
            return false;
    return true;
}

SymbolUnit &unitOf(Symbol &s, int unit, int style)
{
    for (SymbolUnit &u : s.units)
        if (u.unit == unit && u.style == style)
            return u;
    SymbolUnit u;
    u.unit = unit;
    u.style = style;
    // units then styles, as KiCad writes the sub-symbols
    qsizetype at = 0;
    while (at < s.units.size() &&
           std::pair(s.units[at].unit, s.units[at].style) < std::pair(unit, style))
        ++at;
    s.units.insert(at, u);
    return s.units[at];
}

GraphicItem stroked(Numbers &num, GraphicItem::Kind kind, QByteArrayView width, QByteArrayView fill)
{
    GraphicItem g;
    g.kind = kind;
    g.strokeWidth = num.mils(width);
    g.fill = fillOf(fill);
    return g;
}

// The arc from its centre and stored end points, counter-clockwise from
// start to end. Which stored point starts it follows the stored angles, as
// KiCad maps them: the stored start when the angles sweep less than 180°
// counter-clockwise, the stored end otherwise (a stored 180° included),
// whatever the points say. The middle is rounded to the internal unit.
GraphicItem arcOf(Numbers &num, const Tokens &t)
{
    constexpr double pi = std::numbers::pi;
    GraphicItem g = stroked(num, GraphicItem::Kind::Arc, at(t, 8), at(t, 9));
    const QPoint c(num.mils(at(t, 1)), num.mils(at(t, 2)));
    const int t1 = num.integer(at(t, 4)), t2 = num.integer(at(t, 5));
    QPoint a(num.mils(at(t, 10)), num.mils(at(t, 11)));
    QPoint b(num.mils(at(t, 12)), num.mils(at(t, 13)));
    const double radius = num.mils(at(t, 3));
    if (!num.fit)
        return g;
    if (t.size() < 14) { // no stored end points: from the angles
        const double r = radius;
        const double a1 = t1 / 10.0 * pi / 180, a2 = t2 / 10.0 * pi / 180;
        a = c + QPoint(int(std::lround(r * std::cos(a1))), int(std::lround(r * std::sin(a1))));
        b = c + QPoint(int(std::lround(r * std::cos(a2))), int(std::lround(r * std::sin(a2))));
    }
    const int sweep = (((t2 - t1) % 3600) + 3600) % 3600;
    if (sweep >= 1800)
        std::swap(a, b);
    auto angle = [&](QPoint p) { return std::atan2(double(p.y() - c.y()), double(p.x() - c.x())); };
    double span = angle(b) - angle(a);
    while (span <= 0)
        span += 2 * pi; // equal points: the whole circle
    const double r = std::hypot(double(a.x() - c.x()), double(a.y() - c.y()));
    const double m = angle(a) + span / 2;
    const QPoint mid(c.x() + int(std::lround(r * std::cos(m))),
                     c.y() + int(std::lround(r * std::sin(m))));
    g.points = {a, mid, b};
    return g;
}

SymbolProperty hiddenProperty(const QByteArray &name, const QByteArray &value)
{
    SymbolProperty p;
    p.name = name;
    p.value = value;
    p.effects.hidden = true;
    return p;
}

} // namespace

QByteArray newOverbars(const QByteArray &text)
{
    if (text == "~")
        return text;
    QByteArray out;
    bool over = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '~') {
            if (i + 1 < text.size() && text[i + 1] == '~') {
                out += '~';
                ++i;
            } else {
                out += over ? "}" : "~{";
                over = !over;
            }
            continue;
        }
        if (over && (c == ' ' || c == '}' || c == ')')) {
            out += '}';
            over = false;
        }
        out += c;
    }
    if (over)
        out += '}';
    return out;
}

QList<Symbol> symbolsFromLegacy(const QByteArray &component, const Descricoes *descricoes)
{
    Symbol s;
    s.inBom = s.onBoard = true;
    QList<QByteArray> aliases, filters;
    QList<SymbolProperty> fields; // F0..F3, then the named ones
    bool locked = false, hiddenValue = false, emptyReference = false;
    bool inFilters = false, inDraw = false;

    // Lines end at CR, LF or CR LF (an empty line between is no line).
    const QByteArrayView text(component);
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = from;
        while (to < text.size() && text[to] != '\r' && text[to] != '\n')
            ++to;
        const QByteArrayView line = text.sliced(from, to - from);
        from = to + 1;
        const Tokens t = tokens(line);
        if (t.isEmpty())
            continue;
        const QByteArrayView k = t[0];
        if (inFilters) {
            if (k == "$ENDFPLIST")
                inFilters = false;
            else
                filters << line.trimmed().toByteArray();
            continue;
        }
        Numbers num;
        if (k == "DEF") {
            const int offset = num.mils(at(t, 4));
            if (!num.fit)
                continue;
            s.name = at(t, 1).toByteArray();
            if (s.name.startsWith('~')) {
                s.name.remove(0, 1);
                hiddenValue = true;
            }
            emptyReference = at(t, 2) == "~";
            if (offset != 20 * Iu::perMil)
                s.pinNameOffset = offset;
            s.pinNumbersHidden = at(t, 5) == "N";
            s.pinNamesHidden = at(t, 6) == "N";
            locked = at(t, 8) == "L";
            s.power = at(t, 9) == "P";
        } else if (isField(k)) {
            const int n = k.sliced(1).toInt();
            SymbolProperty p;
            static const char *names[] = {"Reference", "Value", "Footprint", "Datasheet"};
            p.name = n < 4 ? QByteArray(names[n]) : unquoted(at(t, 9)).toByteArray();
            p.id = n < 4 ? n : -1;
            p.value = fieldText(at(t, 1));
            if (n != 1)
                p.value = newOverbars(p.value);
            p.at = QPoint(num.mils(at(t, 2)), num.mils(at(t, 3)));
            p.angle = at(t, 5) == "V" ? 900 : 0;
            p.effects = effectsOf(num.mils(at(t, 4)), at(t, 7), at(t, 8));
            p.effects.hidden = at(t, 6) == "I";
            if (!num.fit)
                continue;
            if (n == 0 && emptyReference) {
                p.value.clear();
                p.effects.hidden = true;
            }
            if (n == 1 && hiddenValue)
                p.effects.hidden = true;
            fields << p;
        } else if (k == "ALIAS") {
            for (qsizetype i = 1; i < t.size(); ++i)
                aliases << t[i].toByteArray();
        } else if (k == "$FPLIST") {
            inFilters = true;
        } else if (k == "DRAW") {
            inDraw = true;
        } else if (k == "ENDDRAW") {
            inDraw = false;
        } else if (inDraw) {
            using K = GraphicItem::Kind;
            // Unit and body style: token `i` and the next.
            const auto add = [&](qsizetype i, const auto &item) {
                const int unit = num.integer(at(t, i), Numbers::Limit, true);
                const int style = num.integer(at(t, i + 1), Numbers::Limit, true);
                if (!num.fit)
                    return;
                SymbolUnit &u = unitOf(s, unit, style);
                if constexpr (std::is_same_v<std::decay_t<decltype(item)>, SymbolPin>)
                    u.pins << item;
                else
                    u.graphics << item;
            };
            if (k == "S") {
                GraphicItem g = stroked(num, K::Rectangle, at(t, 7), at(t, 8));
                g.points = {{num.mils(at(t, 1)), num.mils(at(t, 2))},
                            {num.mils(at(t, 3)), num.mils(at(t, 4))}};
                add(5, g);
            } else if (k == "C") {
                GraphicItem g = stroked(num, K::Circle, at(t, 6), at(t, 7));
                g.points = {{num.mils(at(t, 1)), num.mils(at(t, 2))}};
                g.radius = qMax(1, num.mils(at(t, 3)));
                add(4, g);
            } else if (k == "P") {
                // A count beyond the points the line holds is no polyline.
                const int n = num.integer(at(t, 1));
                if (n < 0 || 5 + 2 * qsizetype(n) > t.size())
                    continue;
                GraphicItem g = stroked(num, K::Polyline, at(t, 4), at(t, 5 + 2 * n));
                for (int i = 0; i < n; ++i)
                    g.points << QPoint(num.mils(at(t, 5 + 2 * i)), num.mils(at(t, 6 + 2 * i)));
                add(2, g);
            } else if (k == "A") {
                add(6, arcOf(num, t));
            } else if (k == "T") {
                GraphicItem g;
                g.kind = K::Text;
                g.hasStroke = g.hasFill = false;
                g.angle = num.integer(at(t, 1));
                g.points = {{num.mils(at(t, 2)), num.mils(at(t, 3))}};
                g.text = newOverbars(drawnText(at(t, 8)));
                const QByteArray italic = at(t, 9) == "Italic" ? "I" : "N";
                const QByteArray bold = at(t, 10) == "1" ? "B" : "N";
                g.effects = effectsOf(num.mils(at(t, 4)), at(t, 11),
                                      at(t, 12).toByteArray() + italic + bold);
                g.effects.hidden = !at(t, 5).isEmpty() && at(t, 5) != "0";
                add(6, g);
            } else if (k == "X") {
                SymbolPin p;
                p.name = newOverbars(at(t, 1).toByteArray());
                p.number = at(t, 2).toByteArray();
                p.at = QPoint(num.mils(at(t, 3)), num.mils(at(t, 4)));
                p.length = num.mils(at(t, 5));
                const char o = firstChar(at(t, 6));
                p.angle = o == 'U' ? 900 : o == 'L' ? 1800 : o == 'D' ? 2700 : 0;
                p.numberEffects.height = p.numberEffects.width = num.mils(at(t, 7));
                p.nameEffects.height = p.nameEffects.width = num.mils(at(t, 8));
                p.type = pinType(firstChar(at(t, 11)));
                p.shape = pinShape(at(t, 12));
                p.hidden = at(t, 12).contains('N');
                add(9, p);
            }
        }
    }

    const Descricao *own = descricoes ? descricoes->procura(s.name) : nullptr;
    auto withDocs = [&](Symbol &sym, const Descricao *doc, const Descricao *fallback) {
        int id = 0;
        for (const SymbolProperty &p : sym.properties)
            id = qMax(id, p.id + 1);
        if (doc && !doc->datasheet().isEmpty())
            if (SymbolProperty *d = const_cast<SymbolProperty *>(sym.property("Datasheet")))
                d->value = doc->datasheet().toByteArray();
        const Descricao *dk = doc ? doc : fallback;
        const QByteArray keywords = dk ? dk->palavras().toByteArray() : QByteArray();
        const QByteArray description = dk ? dk->descricao().toByteArray() : QByteArray();
        QList<SymbolProperty> extra;
        if (locked && &sym == &s)
            extra << SymbolProperty{"ki_locked", "", -1, {}, 0, {}, {}};
        if (!keywords.isEmpty())
            extra << hiddenProperty("ki_keywords", keywords);
        if (!description.isEmpty())
            extra << hiddenProperty("ki_description", description);
        if (!filters.isEmpty())
            extra << hiddenProperty("ki_fp_filters", filters.join(' '));
        for (SymbolProperty &p : extra) {
            p.id = id++;
            sym.properties << p;
        }
    };

    int id = 4;
    for (SymbolProperty &p : fields)
        if (p.id < 0)
            p.id = id++;
    s.properties = fields;
    QList<SymbolProperty> rootFields = fields.mid(0, 4);
    withDocs(s, own, nullptr);

    QList<Symbol> out{s};
    for (const QByteArray &alias : aliases) {
        Symbol a;
        a.name = alias;
        a.extends = s.name;
        a.properties = rootFields;
        for (SymbolProperty &p : a.properties)
            if (p.name == "Value")
                p.value = alias;
        withDocs(a, descricoes ? descricoes->procura(alias) : nullptr, own);
        out << a;
    }
    return out;
}
