#include "convert/tolegacy.h"

#include "convert/comparison.h"
#include "library/emparalelo.h"
#include "symbol/legacysymbol.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <climits>

#include <cmath>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;

// Collects one symbol's losses, each said once.
class Losses
{
public:
    explicit Losses(QByteArray symbol) : m_symbol(std::move(symbol)) {}
    void add(const QString &what)
    {
        if (!m_seen.contains(what)) {
            m_seen.insert(what);
            m_list << ConversionLoss{m_symbol, what};
        }
    }
    QList<ConversionLoss> list() const { return m_list; }

private:
    QByteArray m_symbol;
    QSet<QString> m_seen;
    QList<ConversionLoss> m_list;
};

// Legacy lines split at blanks: a name or number that has any (or any
// control byte) takes underscores instead; true when it had.
bool blanksToUnderscores(QByteArray &s)
{
    bool changed = false;
    for (char &c : s)
        if (quint8(c) <= ' ') {
            c = '_';
            changed = true;
        }
    return changed;
}

// Legacy files count in mils; internal units off that grid are rounded.
class Writer
{
public:
    explicit Writer(Losses &losses) : m_losses(losses) {}

    int mil(qint64 iu)
    {
        const qint64 m =
            iu >= 0 ? (iu + Iu::perMil / 2) / Iu::perMil : -((-iu + Iu::perMil / 2) / Iu::perMil);
        if (m * Iu::perMil != iu)
            m_losses.add(QStringLiteral("medidas fora da grade de 1 mil arredondadas"));
        return int(m);
    }
    QByteArray num(qint64 iu) { return QByteArray::number(mil(iu)); }
    QByteArray xy(QPoint p) { return num(p.x()) + ' ' + num(p.y()); }

    Losses &losses() { return m_losses; }

private:
    Losses &m_losses;
};

QByteArray fillLetter(const GraphicItem &g, Losses &losses)
{
    switch (g.fill) {
    case GraphicItem::Fill::Outline:
        return "F";
    case GraphicItem::Fill::Background:
        return "f";
    case GraphicItem::Fill::Color:
        losses.add(QStringLiteral("preenchimento com cor própria (vira cor de fundo)"));
        return "f";
    case GraphicItem::Fill::None:
        break;
    }
    return "N";
}

void strokeLosses(const GraphicItem &g, Losses &losses)
{
    if (g.strokeType != "default")
        losses.add(QStringLiteral("estilo de traço \"%1\"").arg(QString::fromUtf8(g.strokeType)));
    if (g.strokeColor && *g.strokeColor != SymbolColor())
        losses.add(QStringLiteral("cor de traço"));
    if (g.fillColor && g.fill != GraphicItem::Fill::Color && *g.fillColor != SymbolColor())
        losses.add(QStringLiteral("cor de preenchimento"));
    if (!g.extra.isEmpty())
        losses.add(QStringLiteral("atributos de desenho desconhecidos"));
}

bool losesEffects(const TextEffects &e)
{
    return e.width != e.height || e.justify.contains("mirror") || !e.extra.isEmpty();
}

void effectsLosses(const TextEffects &e, const QString &of, Losses &losses)
{
    if (e.width != e.height)
        losses.add(QStringLiteral("largura de fonte diferente da altura (%1)").arg(of));
    if (e.justify.contains("mirror"))
        losses.add(QStringLiteral("texto espelhado (%1)").arg(of));
    if (!e.extra.isEmpty())
        losses.add(QStringLiteral("atributos de fonte desconhecidos (%1)").arg(of));
}

char hjust(const TextEffects &e)
{
    return e.justify.contains("left") ? 'L' : e.justify.contains("right") ? 'R' : 'C';
}

char vjust(const TextEffects &e)
{
    return e.justify.contains("top") ? 'T' : e.justify.contains("bottom") ? 'B' : 'C';
}

// Angles in tenths of a degree as legacy files give them, in (-1800, 1800].
int tenthsOf(QPointF v)
{
    int t = int(std::lround(std::atan2(v.y(), v.x()) * 1800 / pi));
    return t == -1800 ? 1800 : t;
}

int ccwSweep(int from, int to)
{
    return (((to - from) % 3600) + 3600) % 3600;
}

// The middle point symbolsFromLegacy() gives an arc of stored start `a`,
// end `b` about `c`, counter-clockwise from a.
QPoint readMid(QPoint c, QPoint a, QPoint b)
{
    auto angle = [&](QPoint p) { return std::atan2(double(p.y() - c.y()), double(p.x() - c.x())); };
    double span = angle(b) - angle(a);
    while (span <= 0)
        span += 2 * pi;
    const double r = std::hypot(double(a.x() - c.x()), double(a.y() - c.y()));
    const double m = angle(a) + span / 2;
    return {c.x() + int(std::lround(r * std::cos(m))), c.y() + int(std::lround(r * std::sin(m)))};
}

std::optional<QPointF> circumcentre(QPointF a, QPointF b, QPointF c)
{
    const double d =
        2 * (a.x() * (b.y() - c.y()) + b.x() * (c.y() - a.y()) + c.x() * (a.y() - b.y()));
    if (std::abs(d) < 1e-9)
        return std::nullopt;
    const double a2 = a.x() * a.x() + a.y() * a.y(), b2 = b.x() * b.x() + b.y() * b.y(),
                 c2 = c.x() * c.x() + c.y() * c.y();
    return QPointF((a2 * (b.y() - c.y()) + b2 * (c.y() - a.y()) + c2 * (a.y() - b.y())) / d,
                   (a2 * (c.x() - b.x()) + b2 * (a.x() - c.x()) + c2 * (b.x() - a.x())) / d);
}

QPoint snapToMil(QPointF p)
{
    return {int(std::lround(p.x() / Iu::perMil)) * Iu::perMil,
            int(std::lround(p.y() / Iu::perMil)) * Iu::perMil};
}

struct Placement
{
    int unit, style;
};

QByteArray tail(Placement at)
{
    return QByteArray::number(at.unit) + ' ' + QByteArray::number(at.style);
}

class ComponentWriter
{
public:
    ComponentWriter(Losses &losses) : w(losses) { comandos.reserve(1024); }

    QByteArray comandos; // each line followed by CR, as a row holds it

    void line(const QByteArray &l)
    {
        comandos += l;
        comandos += '\r';
    }

    void polyline(const QList<QPoint> &pts, Placement at, const GraphicItem &g)
    {
        QByteArray l =
            "P " + QByteArray::number(pts.size()) + ' ' + tail(at) + ' ' + w.num(g.strokeWidth);
        for (const QPoint &p : pts)
            l += ' ' + w.xy(p);
        line(l + ' ' + fillLetter(g, w.losses()));
    }

    // One legacy arc counter-clockwise from `a` to `b` about `c`, less than
    // half a turn (or exactly half, or a whole circle when a == b).
    void arcLine(QPoint c, QPoint a, QPoint b, Placement at, const GraphicItem &g)
    {
        const QPoint cm(w.mil(c.x()), w.mil(c.y())), am(w.mil(a.x()), w.mil(a.y())),
            bm(w.mil(b.x()), w.mil(b.y()));
        const int ta = tenthsOf(am - cm), tb = tenthsOf(bm - cm);
        const int r = int(std::lround(std::hypot(am.x() - cm.x(), am.y() - cm.y())));
        // KiCad reads the stored end as the start when the stored angles
        // sweep half a turn or more: a half circle is stored end first.
        const int sweep = ccwSweep(ta, tb);
        const bool endFirst = am != bm && sweep == 1800;
        const QPoint s = endFirst ? bm : am, e = endFirst ? am : bm;
        int ts = endFirst ? tb : ta, te = endFirst ? ta : tb;
        if (sweep > 1800) { // a hair over half a turn from rounding: as the angles allow
            te = ta + 1799;
            te = te > 1800 ? te - 3600 : te;
        }
        auto n = [](int v) { return QByteArray::number(v); };
        line("A " + n(cm.x()) + ' ' + n(cm.y()) + ' ' + n(r) + ' ' + n(ts) + ' ' + n(te) + ' ' +
             tail(at) + ' ' + w.num(g.strokeWidth) + ' ' + fillLetter(g, w.losses()) + ' ' +
             n(s.x()) + ' ' + n(s.y()) + ' ' + n(e.x()) + ' ' + n(e.y()));
    }

    // A centre on the mil grid from which KiCad reads back `a`, `m`, `b`
    // (legacy arcs need not have their end points at one distance from the
    // centre: KiCad takes the radius from the start).
    std::optional<QPoint> exactCentre(QPoint a, QPoint m, QPoint b, QPointF guess)
    {
        auto fits = [&](QPoint c) {
            if (c == a || readMid(c, a, b) != m)
                return false;
            const QPoint cm = c / Iu::perMil;
            return ccwSweep(tenthsOf(a / Iu::perMil - cm), tenthsOf(b / Iu::perMil - cm)) <= 1820;
        };
        const QPoint near = snapToMil(guess);
        for (int ring = 0; ring <= 2; ++ring)
            for (int dx = -ring; dx <= ring; ++dx)
                for (int dy = -ring; dy <= ring; ++dy)
                    if (qMax(qAbs(dx), qAbs(dy)) == ring &&
                        fits(near + QPoint(dx, dy) * Iu::perMil))
                        return near + QPoint(dx, dy) * Iu::perMil;
        // Along the line of points as far from the start as from the middle.
        const QPointF half = (QPointF(a) + QPointF(m)) / 2;
        QPointF dir(-(m.y() - a.y()), m.x() - a.x());
        const double len = std::hypot(dir.x(), dir.y());
        if (len == 0)
            return std::nullopt;
        dir /= len;
        const double reach =
            4 * std::hypot(double(b.x() - a.x()), double(b.y() - a.y())) + 50 * Iu::perMil;
        QPoint last(INT_MIN, INT_MIN);
        for (double t = 0; t <= reach; t += Iu::perMil / 2.0)
            for (const double sign : {1.0, -1.0}) {
                const QPoint c = snapToMil(half + dir * (sign * t));
                if (c != last && fits(c))
                    return c;
                last = c;
            }
        return std::nullopt;
    }

    void arc(const GraphicItem &g, Placement at)
    {
        QPoint a = g.points.value(0), m = g.points.value(1), b = g.points.value(2);
        if (a == b) { // a whole circle: the centre halfway to the middle
            const QPointF c = (QPointF(a) + QPointF(m)) / 2;
            arcLine(snapToMil(c), a, b, at, g);
            return;
        }
        const std::optional<QPointF> cf = circumcentre(a, m, b);
        if (!cf) {
            w.losses().add(QStringLiteral("arco sem curvatura (vira linha)"));
            polyline({a, b}, at, g);
            return;
        }
        const QPointF c = *cf;
        auto angle = [&](QPoint p) { return std::atan2(p.y() - c.y(), p.x() - c.x()); };
        auto ccw = [](double from, double to) {
            double d = to - from;
            while (d < 0)
                d += 2 * pi;
            while (d >= 2 * pi)
                d -= 2 * pi;
            return d;
        };
        if (ccw(angle(a), angle(m)) > ccw(angle(a), angle(b)))
            std::swap(a, b); // drawn clockwise: the same arc the other way
        if (const std::optional<QPoint> centre = exactCentre(a, m, b, c)) {
            arcLine(*centre, a, b, at, g);
            return;
        }
        const double span = ccw(angle(a), angle(b));
        if (span > pi + 1e-9) {
            // Legacy arcs are at most half a turn: two halves draw the same.
            w.losses().add(QStringLiteral("arco de mais de 180° dividido em dois"));
            const double mid = angle(a) + span / 2;
            const double r = std::hypot(a.x() - c.x(), a.y() - c.y());
            const QPoint half = snapToMil(c + QPointF(r * std::cos(mid), r * std::sin(mid)));
            const QPoint cm = snapToMil(c);
            arcLine(cm, a, half, at, g);
            arcLine(cm, half, b, at, g);
            return;
        }
        w.losses().add(QStringLiteral("ponto médio de arco refeito pelo centro na grade de 1 mil"));
        arcLine(snapToMil(c), a, b, at, g);
    }

    void bezier(const GraphicItem &g, Placement at)
    {
        w.losses().add(QStringLiteral("curva de Bézier (vira polilinha)"));
        QList<QPoint> pts;
        const QList<QPoint> &c = g.points;
        if (c.size() != 4) {
            polyline(c, at, g);
            return;
        }
        for (int i = 0; i <= 8; ++i) {
            const double t = i / 8.0, u = 1 - t;
            const QPointF p = u * u * u * QPointF(c[0]) + 3 * u * u * t * QPointF(c[1]) +
                              3 * u * t * t * QPointF(c[2]) + t * t * t * QPointF(c[3]);
            const QPoint q = snapToMil(p);
            if (pts.isEmpty() || pts.last() != q)
                pts << q;
        }
        polyline(pts, at, g);
    }

    void text(const QByteArray &t, QPoint pos, int angle, const TextEffects &e, Placement at)
    {
        QByteArray old = oldOverbars(t);
        if (newOverbars(old) != t)
            w.losses().add(QStringLiteral("sobrelinha que o formato antigo não escreve"));
        QByteArray token;
        if (old.contains('~') || old.contains('"')) {
            if (old.contains('"')) {
                w.losses().add(QStringLiteral("aspas em texto com sobrelinha"));
                old.replace('"', '\'');
            }
            token = '"' + old + '"';
        } else {
            token = old;
            token.replace('"', "''").replace(' ', '~');
            if (token.isEmpty())
                token = "\"\"";
        }
        line("T " + QByteArray::number(angle) + ' ' + w.xy(pos) + ' ' + w.num(e.height) + ' ' +
             (e.hidden ? "1 " : "0 ") + tail(at) + ' ' + token + ' ' +
             (e.italic ? "Italic " : "Normal ") + (e.bold ? "1 " : "0 ") + hjust(e) + ' ' +
             vjust(e));
    }

    void graphic(const GraphicItem &g, Placement at)
    {
        using K = GraphicItem::Kind;
        if (g.kind != K::Text)
            strokeLosses(g, w.losses());
        switch (g.kind) {
        case K::Rectangle:
            line("S " + w.xy(g.points.value(0)) + ' ' + w.xy(g.points.value(1)) + ' ' + tail(at) +
                 ' ' + w.num(g.strokeWidth) + ' ' + fillLetter(g, w.losses()));
            break;
        case K::Circle:
            line("C " + w.xy(g.points.value(0)) + ' ' + (g.radius == 1 ? "0" : w.num(g.radius)) +
                 ' ' + tail(at) + ' ' + w.num(g.strokeWidth) + ' ' + fillLetter(g, w.losses()));
            break;
        case K::Arc:
            arc(g, at);
            break;
        case K::Polyline:
            polyline(g.points, at, g);
            break;
        case K::Bezier:
            bezier(g, at);
            break;
        case K::Text:
            effectsLosses(g.effects, QStringLiteral("texto"), w.losses());
            if (!g.extra.isEmpty())
                w.losses().add(QStringLiteral("atributos de texto desconhecidos"));
            text(g.text, g.points.value(0), g.angle, g.effects, at);
            break;
        case K::TextBox: {
            w.losses().add(QStringLiteral("caixa de texto (vira retângulo e texto)"));
            const QPoint a = g.points.value(0), size = g.points.value(1);
            line("S " + w.xy(a) + ' ' + w.xy(a + size) + ' ' + tail(at) + ' ' +
                 w.num(g.strokeWidth) + ' ' + fillLetter(g, w.losses()));
            TextEffects e = g.effects;
            e.justify = {"left", "top"};
            text(g.text, a, g.angle, e, at);
            break;
        }
        }
    }

    void pin(const SymbolPin &p, Placement at)
    {
        static const QHash<QByteArray, char> types = {
            {"input", 'I'},        {"output", 'O'},    {"bidirectional", 'B'},
            {"tri_state", 'T'},    {"passive", 'P'},   {"unspecified", 'U'},
            {"power_in", 'W'},     {"power_out", 'w'}, {"open_collector", 'C'},
            {"open_emitter", 'E'}, {"no_connect", 'N'}};
        static const QHash<QByteArray, QByteArray> shapes = {
            {"line", ""},       {"inverted", "I"},   {"clock", "C"},      {"inverted_clock", "IC"},
            {"input_low", "L"}, {"clock_low", "CL"}, {"output_low", "V"}, {"edge_clock_high", "F"},
            {"non_logic", "X"}};
        Losses &losses = w.losses();
        char type = types.value(p.type, 0);
        if (!type) {
            losses.add(QStringLiteral("tipo de pino \"%1\" (vira não especificado)")
                           .arg(QString::fromUtf8(p.type)));
            type = 'U';
        }
        QByteArray shape = shapes.value(p.shape, "?");
        if (shape == "?") {
            losses.add(QStringLiteral("forma de pino \"%1\"").arg(QString::fromUtf8(p.shape)));
            shape.clear();
        }
        if (p.hidden)
            shape.prepend('N');
        if (!p.alternates.isEmpty())
            losses.add(QStringLiteral("funções alternativas de pino"));
        if (!p.extra.isEmpty())
            losses.add(QStringLiteral("atributos de pino desconhecidos"));
        effectsLosses(p.nameEffects, QStringLiteral("nome de pino"), losses);
        effectsLosses(p.numberEffects, QStringLiteral("número de pino"), losses);
        char orientation = 'R';
        switch (p.angle) {
        case 0:
            break;
        case 900:
            orientation = 'U';
            break;
        case 1800:
            orientation = 'L';
            break;
        case 2700:
            orientation = 'D';
            break;
        default:
            losses.add(QStringLiteral("pino em ângulo que não é múltiplo de 90°"));
        }
        auto word = [&](QByteArray s) {
            if (s.isEmpty())
                return QByteArray("~");
            if (blanksToUnderscores(s))
                losses.add(QStringLiteral("espaço em nome ou número de pino (vira _)"));
            return s;
        };
        QByteArray name = oldOverbars(p.name);
        if (newOverbars(name) != p.name && !p.name.isEmpty())
            losses.add(QStringLiteral("sobrelinha que o formato antigo não escreve"));
        line("X " + word(name) + ' ' + word(p.number) + ' ' + w.xy(p.at) + ' ' + w.num(p.length) +
             ' ' + orientation + ' ' + w.num(p.numberEffects.height) + ' ' +
             w.num(p.nameEffects.height) + ' ' + tail(at) + ' ' + type +
             (shape.isEmpty() ? QByteArray() : ' ' + shape));
    }

    Writer w;
};

const char *const fieldNames[] = {"Reference", "Value", "Footprint", "Datasheet"};

bool isDocProperty(const QByteArray &n)
{
    return n == "ki_keywords" || n == "ki_description" || n == "Description" ||
           n == "ki_fp_filters" || n == "ki_locked";
}

QByteArray fieldLine(int n, const SymbolProperty &p, const QByteArray &value, Writer &w)
{
    QByteArray v = value;
    if (v.contains('"')) {
        w.losses().add(
            QStringLiteral("aspas no campo %1 (viram ')").arg(QString::fromUtf8(p.name)));
        v.replace('"', '\'');
    }
    if (v.contains('\n') || v.contains('\r')) {
        w.losses().add(
            QStringLiteral("quebra de linha no campo %1").arg(QString::fromUtf8(p.name)));
        v.replace('\n', ' ').replace('\r', ' ');
    }
    if (p.angle != 0 && p.angle != 900)
        w.losses().add(
            QStringLiteral("campo %1 em ângulo que não é 0 ou 90°").arg(QString::fromUtf8(p.name)));
    if (losesEffects(p.effects))
        effectsLosses(p.effects, QStringLiteral("campo %1").arg(QString::fromUtf8(p.name)),
                      w.losses());
    for (const QByteArray &x : p.extra)
        if (!isDefaultExtra(x))
            w.losses().add(QStringLiteral("campo %1: %2")
                               .arg(QString::fromUtf8(p.name), QString::fromUtf8(x)));
    const TextEffects &e = p.effects;
    QByteArray l = 'F' + QByteArray::number(n) + " \"" + v + "\" " + w.xy(p.at) + ' ' +
                   w.num(e.height) + ' ' + (p.angle == 900 ? 'V' : 'H') + ' ' +
                   (e.hidden ? 'I' : 'V') + ' ' + hjust(e) + ' ' + vjust(e) +
                   (e.italic ? 'I' : 'N') + (e.bold ? 'B' : 'N');
    if (n >= 4)
        l += " \"" + p.name + '"';
    return l;
}

QByteArray oneLine(QByteArray s, Losses &losses, const char *what)
{
    if (s.contains('\n') || s.contains('\r')) {
        losses.add(QStringLiteral("quebra de linha em %1").arg(QString::fromUtf8(what)));
        s.replace("\r\n", " ").replace('\n', ' ').replace('\r', ' ');
    }
    return s;
}

// The .dcm entry that gives the symbol its description, keywords and
// datasheet; `inherits` when, without an entry, it would take its root's.
std::optional<Descricao> docEntry(const Symbol &s, const QByteArray &name, bool inherits,
                                  Losses &losses)
{
    const QByteArray d = oneLine(s.description(), losses, "descrição");
    const QByteArray k = oneLine(s.keywords(), losses, "palavras-chave");
    const QByteArray f = oneLine(s.datasheet(), losses, "datasheet");
    if (d.isEmpty() && k.isEmpty() && f.isEmpty() && !inherits)
        return std::nullopt;
    return Descricao::nova(name, d, k, f);
}

struct Built
{
    LegacyComponent component;
    QList<Symbol> aliases; // those written as ALIAS lines
};

// The component of `s` (a root, or a derived symbol already given its
// root's drawing) with `aliases` on its ALIAS line.
Built buildComponent(const Symbol &s, const QList<Symbol> &aliases, Losses &losses)
{
    ComponentWriter cw(losses);
    Writer &w = cw.w;

    QByteArray name = s.name;
    if (blanksToUnderscores(name))
        losses.add(QStringLiteral("espaço no nome (vira _)"));
    if (name.isEmpty())
        name = "_";
    const SymbolProperty *ref = s.property("Reference");
    const SymbolProperty *value = s.property("Value");
    const bool valueHidden = value && value->effects.hidden;
    QByteArray refText = ref ? ref->value : QByteArray();
    if (refText.isEmpty())
        refText = "~";
    else
        blanksToUnderscores(refText);

    if (s.powerScope == "local")
        losses.add(QStringLiteral("símbolo de alimentação local"));
    if (s.excludeFromSim.value_or(false))
        losses.add(QStringLiteral("excluído da simulação"));
    if (!s.inBom.value_or(true) || !s.onBoard.value_or(true))
        losses.add(QStringLiteral("fora da lista de materiais ou da placa"));
    for (const QByteArray &x : s.extra)
        if (!isDefaultExtra(x))
            losses.add(QStringLiteral("atributo do símbolo %1").arg(QString::fromUtf8(x)));

    const int offset = s.pinNameOffset.value_or(20 * Iu::perMil);
    const bool locked = s.property("ki_locked") != nullptr;
    cw.line("DEF " + (valueHidden ? "~" + name : name) + ' ' + refText + " 0 " + w.num(offset) +
            ' ' + (s.pinNumbersHidden ? 'N' : 'Y') + ' ' + (s.pinNamesHidden ? 'N' : 'Y') + ' ' +
            QByteArray::number(s.unitCount()) + ' ' + (locked ? 'L' : 'F') + ' ' +
            (s.power ? 'P' : 'N'));

    for (int n = 0; n < 4; ++n)
        if (const SymbolProperty *p = s.property(fieldNames[n])) {
            QByteArray v = p->value;
            if (n == 3)
                v.clear(); // the datasheet goes to the .dcm, where aliases have their own
            else if (n != 1)
                v = oldOverbars(v);
            cw.line(fieldLine(n, *p, v, w));
        }
    int next = 4;
    for (const SymbolProperty &p : s.properties) {
        if (isDocProperty(p.name) ||
            std::find(std::begin(fieldNames), std::end(fieldNames), p.name) != std::end(fieldNames))
            continue;
        if (p.name.startsWith("ki_")) {
            losses.add(QStringLiteral("propriedade %1").arg(QString::fromUtf8(p.name)));
            continue;
        }
        SymbolProperty field = p;
        if (field.name.contains('"')) {
            losses.add(QStringLiteral("aspas no nome de um campo"));
            field.name.replace('"', '\'');
        }
        cw.line(fieldLine(next++, field, oldOverbars(p.value), w));
    }

    if (!aliases.isEmpty()) {
        QByteArray l = "ALIAS";
        for (const Symbol &a : aliases)
            l += ' ' + a.name;
        cw.line(l);
    }
    const QByteArray filters = s.propertyValue("ki_fp_filters");
    if (!filters.isEmpty()) {
        cw.line("$FPLIST");
        for (const QByteArray &f : filters.split(' '))
            if (!f.isEmpty())
                cw.line(' ' + f);
        cw.line("$ENDFPLIST");
    }

    bool drawing = false;
    for (const SymbolUnit &u : s.units)
        drawing = drawing || !u.graphics.isEmpty() || !u.pins.isEmpty();
    if (drawing) {
        cw.line("DRAW");
        for (const SymbolUnit &u : s.units) {
            if (u.unitName)
                losses.add(QStringLiteral("nome de unidade"));
            if (!u.extra.isEmpty())
                losses.add(QStringLiteral("atributos de unidade desconhecidos"));
            const Placement at{u.unit, u.style};
            for (const GraphicItem &g : u.graphics)
                cw.graphic(g, at);
        }
        // Pins after the drawing, unit by unit, as KiCad 5 saved them.
        for (const SymbolUnit &u : s.units)
            for (const SymbolPin &p : u.pins)
                cw.pin(p, {u.unit, u.style});
        cw.line("ENDDRAW");
    }
    cw.line("ENDDEF");

    Built b;
    b.component.nome = valueHidden ? "~" + name : name;
    b.component.comandos = cw.comandos;
    if (const std::optional<Descricao> d = docEntry(s, name, false, losses))
        b.component.descricoes << *d;
    const bool rootDocs = !s.description().isEmpty() || !s.keywords().isEmpty();
    for (const Symbol &a : aliases) {
        Losses aliasLosses(a.name);
        if (const std::optional<Descricao> d = docEntry(a, a.name, rootDocs, aliasLosses))
            b.component.descricoes << *d;
    }
    b.aliases = aliases;
    return b;
}

} // namespace

QByteArray oldOverbars(const QByteArray &text)
{
    if (text == "~")
        return text;
    QByteArray out;
    out.reserve(text.size());
    bool over = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '~' && !over && i + 1 < text.size() && text[i + 1] == '{') {
            out += '~';
            over = true;
            ++i;
        } else if (c == '~') {
            out += "~~";
        } else if (c == '}' && over) {
            over = false;
            const char n = i + 1 < text.size() ? text[i + 1] : ' ';
            // newOverbars() closes an overbar by itself before these
            if (n != ' ' && n != '}' && n != ')')
                out += '~';
        } else {
            out += c;
        }
    }
    return out;
}

LegacyConversion legacyComponents(const Symbol &root, const QList<Symbol> &derived)
{
    LegacyConversion out;
    Losses losses(root.name);
    // Aliases read back only as KiCad reads them: each candidate is checked
    // by reading the component written with it.
    QList<Symbol> candidates;
    for (const Symbol &d : derived)
        if (QByteArray n = d.name;
            d.extends == root.name && d.units.isEmpty() && !blanksToUnderscores(n))
            candidates << d;
    Built b = buildComponent(root, candidates, losses);
    QList<Symbol> standalone;
    if (!candidates.isEmpty()) {
        Descricoes docs;
        for (const Descricao &d : b.component.descricoes)
            docs.acrescenta(d);
        // Aliases take nothing from the drawing: the lines before it are
        // read back, not the pins of a large part once per candidate.
        const QByteArray &text = b.component.comandos;
        const qsizetype draw = text.indexOf("\rDRAW\r");
        const QList<Symbol> back = symbolsFromLegacy(draw < 0 ? text : text.left(draw + 1), &docs);
        QList<Symbol> kept;
        for (qsizetype i = 0; i < candidates.size(); ++i) {
            if (back.size() == candidates.size() + 1 &&
                comparableSymbol(back[i + 1]) == comparableSymbol(candidates[i]))
                kept << candidates[i];
            else
                standalone << candidates[i];
        }
        if (kept.size() != candidates.size()) {
            Losses again(root.name);
            b = buildComponent(root, kept, again);
        }
    }
    for (const Symbol &d : derived)
        if (!candidates.contains(d))
            standalone << d;
    out.components << b.component;
    out.losses << losses.list();
    for (const Symbol &d : standalone) {
        Symbol flat = d;
        resolveParent(flat, [&](const QByteArray &n) -> const Symbol * {
            if (n == root.name)
                return &root;
            for (const Symbol &o : derived)
                if (o.name == n)
                    return &o;
            return nullptr;
        });
        flat.extends.clear();
        Losses own(d.name);
        out.components << buildComponent(flat, {}, own).component;
        out.losses << own.list();
    }
    return out;
}

LegacyConversion legacyLibrary(const QList<Symbol> &symbols)
{
    QHash<QByteArray, qsizetype> byName;
    for (qsizetype i = 0; i < symbols.size(); ++i)
        byName.insert(symbols[i].name, i);
    // Each derived symbol's root, following the chain; -1 when it breaks.
    auto rootOf = [&](qsizetype i) -> qsizetype {
        QSet<qsizetype> seen;
        while (!symbols[i].extends.isEmpty()) {
            if (seen.contains(i))
                return -1;
            seen.insert(i);
            const auto it = byName.constFind(symbols[i].extends);
            if (it == byName.cend())
                return -1;
            i = *it;
        }
        return i;
    };
    QHash<qsizetype, QList<Symbol>> derivedOf;
    QList<qsizetype> order; // roots and orphans, in library order
    for (qsizetype i = 0; i < symbols.size(); ++i) {
        if (symbols[i].extends.isEmpty()) {
            order << i;
            continue;
        }
        const qsizetype r = rootOf(i);
        if (r >= 0)
            derivedOf[r] << symbols[i];
        else
            order << i;
    }
    // Each root with its derived symbols on its own, on every core.
    QList<LegacyConversion> each(order.size());
    LegacyConversion *done = each.data();
    emParalelo(order.size(), [&](qsizetype k) {
        const qsizetype i = order[k];
        if (symbols[i].extends.isEmpty()) {
            done[k] = legacyComponents(symbols[i], derivedOf.value(i));
            return;
        }
        Symbol orphan = symbols[i];
        orphan.extends.clear();
        done[k] = legacyComponents(orphan, {});
        done[k].losses.prepend({orphan.name, QStringLiteral("deriva de um símbolo que falta")});
    });
    LegacyConversion out;
    for (const LegacyConversion &c : each) {
        out.components << c.components;
        out.losses << c.losses;
    }
    return out;
}

QStringList lossLines(const QList<ConversionLoss> &losses)
{
    QList<QByteArray> order;
    QHash<QByteArray, QStringList> what;
    for (const ConversionLoss &l : losses) {
        if (!what.contains(l.symbol))
            order << l.symbol;
        QStringList &w = what[l.symbol];
        if (!w.contains(l.what))
            w << l.what;
    }
    QStringList out;
    for (const QByteArray &s : order)
        out << QString::fromUtf8(s) + QStringLiteral(": ") +
                   what.value(s).join(QStringLiteral(", "));
    return out;
}
