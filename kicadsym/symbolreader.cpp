#include "kicadsym/symbolsexpr.h"

#include <cmath>

namespace {

// Raised inside the builder; buildSymbol() turns it into its error value.
struct BuildFailure
{
    SExprError error;
};

class Builder
{
public:
    explicit Builder(const SExprDocument &doc) : d(doc) {}

    Symbol symbol(int node)
    {
        Symbol s;
        if (d.head(node) != "symbol")
            fail(node, QStringLiteral("esperava (symbol ...)"));
        const int nameNode = d.child(node, 1);
        if (!d.isAtom(nameNode) || d.text(nameNode).isEmpty())
            fail(nameNode < 0 ? node : nameNode, QStringLiteral("símbolo sem nome"));
        s.name = d.text(nameNode);
        for (int c = d.node(nameNode).next; c >= 0; c = d.node(c).next) {
            const QByteArrayView h = d.head(c);
            if (h == "extends") {
                s.extends = string(need(d.child(c, 1), c));
            } else if (h == "power") {
                s.power = true;
                const int scope = d.child(c, 1);
                if (scope >= 0)
                    s.powerScope = word(scope);
            } else if (h == "pin_numbers") {
                s.pinNumbersHidden = hidden(c);
            } else if (h == "pin_names") {
                if (const int o = d.find(c, "offset"); o >= 0)
                    s.pinNameOffset = length(need(d.child(o, 1), o));
                s.pinNamesHidden = hidden(c);
            } else if (h == "exclude_from_sim") {
                s.excludeFromSim = yesNo(d.child(c, 1));
            } else if (h == "in_bom") {
                s.inBom = yesNo(d.child(c, 1));
            } else if (h == "on_board") {
                s.onBoard = yesNo(d.child(c, 1));
            } else if (h == "property") {
                s.properties << property(c);
            } else if (h == "symbol") {
                s.units << unit(c, s.name);
            } else {
                s.extra << sexprCompacted(d.raw(c));
            }
        }
        return s;
    }

private:
    const SExprDocument &d;

    [[noreturn]] void fail(int node, const QString &message) const
    {
        const qsizetype at = node >= 0 ? d.node(node).begin : 0;
        throw BuildFailure{d.errorAt(at, message)};
    }

    int need(int node, int parent) const
    {
        if (node < 0)
            fail(parent, QStringLiteral("faltam valores em (%1 ...)")
                             .arg(QString::fromUtf8(d.head(parent))));
        return node;
    }

    double number(int node) const
    {
        const std::optional<double> v = d.number(node);
        if (node < 0) // callers name the list through need(); this is a last guard
            fail(node, QStringLiteral("número esperado"));
        if (!v)
            fail(node, QStringLiteral("número esperado em vez de '%1'")
                           .arg(QString::fromUtf8(
                               d.raw(node).first(qMin<qsizetype>(d.raw(node).size(), 40)))));
        return *v;
    }

    int scaled(int node, double scale) const
    {
        const double v = std::round(number(node) * scale);
        if (std::fabs(v) > 2e9)
            fail(node, QStringLiteral("número fora do intervalo"));
        return int(v);
    }
    int length(int node) const { return scaled(node, Iu::perMm); }
    int tenths(int node) const { return scaled(node, 10); }

    QByteArray string(int node) const
    {
        if (!d.isAtom(node))
            fail(node, QStringLiteral("texto esperado"));
        return d.text(node);
    }

    // A bare token, as keywords are: written back unquoted, it must be one.
    QByteArray word(int node) const
    {
        if (node < 0 || d.node(node).kind == SExprDocument::Kind::List ||
            d.node(node).kind == SExprDocument::Kind::String)
            fail(node, QStringLiteral("palavra esperada"));
        return d.text(node);
    }

    bool yesNo(int node) const
    {
        const QByteArrayView t = d.isAtom(node) ? d.raw(node) : QByteArrayView();
        if (t != "yes" && t != "no")
            fail(node, QStringLiteral("esperava yes ou no"));
        return t == "yes";
    }

    // `hide` as a bare word (KiCad 6 to 8) or (hide yes) (KiCad 8 and later).
    bool hidden(int list) const
    {
        bool h = false;
        for (int c = d.node(list).firstChild; c >= 0; c = d.node(c).next) {
            if (d.isAtom(c) && d.raw(c) == "hide")
                h = true;
            else if (d.head(c) == "hide")
                h = d.child(c, 1) < 0 || yesNo(d.child(c, 1));
        }
        return h;
    }

    QPoint point(int list) const
    {
        return {length(need(d.child(list, 1), list)), length(need(d.child(list, 2), list))};
    }

    SymbolColor color(int list) const
    {
        return {scaled(need(d.child(list, 1), list), 1), scaled(need(d.child(list, 2), list), 1),
                scaled(need(d.child(list, 3), list), 1), number(need(d.child(list, 4), list))};
    }

    // KiCad 6 writes the default colour (0 0 0 0) where KiCad 7 writes none.
    static std::optional<SymbolColor> nonDefault(const SymbolColor &c)
    {
        if (c == SymbolColor())
            return std::nullopt;
        return c;
    }

    TextEffects effects(int list) const
    {
        TextEffects e;
        for (int c = d.node(list).firstChild; c >= 0; c = d.node(c).next) {
            const QByteArrayView h = d.head(c);
            if (c == d.node(list).firstChild)
                continue;
            if (h == "font") {
                for (int f = d.node(c).firstChild; f >= 0; f = d.node(f).next) {
                    const QByteArrayView fh = d.head(f);
                    if (f == d.node(c).firstChild)
                        continue;
                    if (fh == "size") {
                        e.height = length(need(d.child(f, 1), f));
                        e.width = length(need(d.child(f, 2), f));
                    } else if (d.isAtom(f) && d.raw(f) == "bold") {
                        e.bold = true;
                    } else if (d.isAtom(f) && d.raw(f) == "italic") {
                        e.italic = true;
                    } else if (fh == "bold") {
                        e.bold = yesNo(d.child(f, 1));
                    } else if (fh == "italic") {
                        e.italic = yesNo(d.child(f, 1));
                    } else {
                        e.extra << innerExtra("font") + sexprCompacted(d.raw(f));
                    }
                }
            } else if (h == "justify") {
                for (int j = d.node(d.node(c).firstChild).next; j >= 0; j = d.node(j).next)
                    e.justify << word(j);
            } else if ((d.isAtom(c) && d.raw(c) == "hide") || h == "hide") {
                e.hidden = d.isAtom(c) || d.child(c, 1) < 0 || yesNo(d.child(c, 1));
            } else {
                e.extra << sexprCompacted(d.raw(c));
            }
        }
        return e;
    }

    SymbolProperty property(int list) const
    {
        SymbolProperty p;
        p.name = string(need(d.child(list, 1), list));
        p.value = string(need(d.child(list, 2), list));
        for (int c = d.node(d.child(list, 2)).next; c >= 0; c = d.node(c).next) {
            const QByteArrayView h = d.head(c);
            if (h == "id") {
                p.id = scaled(need(d.child(c, 1), c), 1);
            } else if (h == "at") {
                p.at = point(c);
                p.angle = tenths(need(d.child(c, 3), c));
            } else if (h == "effects") {
                const bool hide = p.effects.hidden;
                p.effects = effects(c);
                p.effects.hidden = p.effects.hidden || hide;
            } else if (h == "hide") { // KiCad 10 hides the property, not its effects
                p.effects.hidden = d.child(c, 1) < 0 || yesNo(d.child(c, 1));
            } else {
                p.extra << sexprCompacted(d.raw(c));
            }
        }
        return p;
    }

    void strokeAndFill(GraphicItem &g, int c, QByteArrayView h) const
    {
        if (h == "stroke") {
            g.hasStroke = true;
            for (int s = d.node(d.node(c).firstChild).next; s >= 0; s = d.node(s).next) {
                const QByteArrayView sh = d.head(s);
                if (sh == "width")
                    g.strokeWidth = length(need(d.child(s, 1), s));
                else if (sh == "type")
                    g.strokeType = word(need(d.child(s, 1), s));
                else if (sh == "color")
                    g.strokeColor = nonDefault(color(s));
                else
                    g.extra << innerExtra("stroke") + sexprCompacted(d.raw(s));
            }
        } else {
            g.hasFill = true;
            for (int f = d.node(d.node(c).firstChild).next; f >= 0; f = d.node(f).next) {
                const QByteArrayView fh = d.head(f);
                if (fh == "type") {
                    const QByteArrayView t = d.raw(need(d.child(f, 1), f));
                    if (t == "none")
                        g.fill = GraphicItem::Fill::None;
                    else if (t == "outline")
                        g.fill = GraphicItem::Fill::Outline;
                    else if (t == "background")
                        g.fill = GraphicItem::Fill::Background;
                    else if (t == "color")
                        g.fill = GraphicItem::Fill::Color;
                    else
                        fail(f, QStringLiteral("preenchimento desconhecido"));
                } else if (fh == "color") {
                    g.fillColor = nonDefault(color(f));
                } else {
                    g.extra << innerExtra("fill") + sexprCompacted(d.raw(f));
                }
            }
        }
    }

    GraphicItem graphic(int list, GraphicItem::Kind kind) const
    {
        using K = GraphicItem::Kind;
        GraphicItem g;
        g.kind = kind;
        g.hasStroke = g.hasFill = false;
        int c = d.node(d.node(list).firstChild).next;
        if (kind == K::Text || kind == K::TextBox) {
            g.text = string(need(c, list));
            c = d.node(c).next;
        }
        for (; c >= 0; c = d.node(c).next) {
            const QByteArrayView h = d.head(c);
            if (h == "start" || h == "mid" || h == "end" || h == "center") {
                g.points << point(c);
            } else if (h == "radius" && d.isAtom(d.child(c, 1))) {
                g.radius = length(d.child(c, 1));
            } else if (h == "pts") {
                for (int p = d.node(d.node(c).firstChild).next; p >= 0; p = d.node(p).next) {
                    if (d.head(p) != "xy")
                        fail(p, QStringLiteral("esperava (xy ...)"));
                    g.points << point(p);
                }
            } else if (h == "at") {
                g.points << point(c);
                g.angle = scaled(need(d.child(c, 3), c), 1); // texts: tenths already
            } else if (h == "size" && kind == K::TextBox) {
                g.points << point(c);
            } else if (h == "stroke" || h == "fill") {
                strokeAndFill(g, c, h);
            } else if (h == "effects") {
                g.effects = effects(c);
            } else {
                g.extra << sexprCompacted(d.raw(c));
            }
        }
        const qsizetype needed = kind == K::Arc                               ? 3
                                 : kind == K::Rectangle || kind == K::TextBox ? 2
                                 : kind == K::Circle || kind == K::Text       ? 1
                                                                              : 0;
        if (g.points.size() < needed)
            fail(list,
                 QStringLiteral("faltam pontos em (%1 ...)").arg(QString::fromUtf8(d.head(list))));
        return g;
    }

    SymbolPin pin(int list) const
    {
        SymbolPin p;
        p.type = word(need(d.child(list, 1), list));
        p.shape = word(need(d.child(list, 2), list));
        for (int c = d.node(d.child(list, 2)).next; c >= 0; c = d.node(c).next) {
            const QByteArrayView h = d.head(c);
            if (h == "at") {
                p.at = point(c);
                p.angle = tenths(need(d.child(c, 3), c));
            } else if (h == "length") {
                p.length = length(need(d.child(c, 1), c));
            } else if ((d.isAtom(c) && d.raw(c) == "hide") || h == "hide") {
                p.hidden = d.isAtom(c) || d.child(c, 1) < 0 || yesNo(d.child(c, 1));
            } else if (h == "name" || h == "number") {
                const QByteArray text = string(need(d.child(c, 1), c));
                const int e = d.find(c, "effects");
                const TextEffects fx = e >= 0 ? effects(e) : TextEffects();
                (h == "name" ? p.name : p.number) = text;
                (h == "name" ? p.nameEffects : p.numberEffects) = fx;
            } else if (h == "alternate") {
                p.alternates << PinAlternate{string(need(d.child(c, 1), c)),
                                             word(need(d.child(c, 2), c)),
                                             word(need(d.child(c, 3), c))};
            } else {
                p.extra << sexprCompacted(d.raw(c));
            }
        }
        return p;
    }

    SymbolUnit unit(int list, const QByteArray &parentName) const
    {
        using K = GraphicItem::Kind;
        SymbolUnit u;
        const int nameNode = need(d.child(list, 1), list);
        const QByteArray name = string(nameNode);
        // NAME_U_C: the parent's name, then unit and body style
        const qsizetype second = name.lastIndexOf('_');
        const qsizetype first = second > 0 ? name.lastIndexOf('_', second - 1) : -1;
        bool okUnit = false, okStyle = false;
        if (first >= 0) {
            u.unit = name.mid(first + 1, second - first - 1).toInt(&okUnit);
            u.style = name.mid(second + 1).toInt(&okStyle);
        }
        if (!okUnit || !okStyle || u.unit < 0 || u.style < 0 || name.left(first) != parentName)
            fail(nameNode, QStringLiteral("nome de unidade inválido: \"%1\"")
                               .arg(QString::fromUtf8(name.left(80))));
        for (int c = d.node(nameNode).next; c >= 0; c = d.node(c).next) {
            const QByteArrayView h = d.head(c);
            if (h == "rectangle")
                u.graphics << graphic(c, K::Rectangle);
            else if (h == "circle")
                u.graphics << graphic(c, K::Circle);
            else if (h == "arc")
                u.graphics << graphic(c, K::Arc);
            else if (h == "polyline")
                u.graphics << graphic(c, K::Polyline);
            else if (h == "bezier")
                u.graphics << graphic(c, K::Bezier);
            else if (h == "text")
                u.graphics << graphic(c, K::Text);
            else if (h == "text_box")
                u.graphics << graphic(c, K::TextBox);
            else if (h == "pin")
                u.pins << pin(c);
            else if (h == "unit_name")
                u.unitName = string(need(d.child(c, 1), c));
            else
                u.extra << sexprCompacted(d.raw(c));
        }
        return u;
    }
};

} // namespace

SymbolBuild buildSymbol(const SExprDocument &doc, int node)
{
    SymbolBuild b;
    try {
        b.symbol = Builder(doc).symbol(node);
    } catch (const BuildFailure &f) {
        b.error = f.error;
    }
    return b;
}

SymbolBuild buildSymbol(const QByteArray &text)
{
    const SExprDocument doc = SExprDocument::parse(text);
    if (!doc.ok())
        return {{}, doc.error()};
    const int root = doc.firstRoot();
    if (root < 0)
        return {{}, doc.errorAt(text.size(), QStringLiteral("nenhum símbolo"))};
    if (doc.node(root).next >= 0)
        return {{},
                doc.errorAt(doc.node(doc.node(root).next).begin,
                            QStringLiteral("texto depois do símbolo"))};
    return buildSymbol(doc, root);
}
