#include "checks/checks.h"

#include "kicadsym/symbolsexpr.h"
#include "library/emparalelo.h"
#include "symbol/legacysymbol.h"

#include <QHash>
#include <QRegularExpression>
#include <QVarLengthArray>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace Klc {

namespace {

constexpr int Mil = Iu::perMil;
constexpr int Grid = 100 * Mil;
constexpr int TextSize = 50 * Mil;

const char *const Names[RuleCount] = {"S3.1", "S3.2", "S3.3", "S3.5", "S3.6", "S3.8",
                                      "S3.9", "S4.1", "S4.3", "S4.6", "S5.1", "S5.2",
                                      "S6.2", "S6.3", "S7.1", "S7.2", "G1.1", "G1.7"};

QString mils(qint64 iu)
{
    if (iu % Mil == 0)
        return QString::number(iu / Mil) + QStringLiteral(" mil");
    return QString::number(double(iu) / Mil, 'g', 7) + QStringLiteral(" mil");
}

QString text(QByteArrayView b)
{
    return QString::fromUtf8(b.data(), b.size());
}

// The first body style: style 0 (both) and 1. Style 2 is the De Morgan copy,
// compared on its own by S3.9.
bool firstStyle(int style)
{
    return style <= 1;
}

bool shown(const QByteArray &name)
{
    return !name.isEmpty() && !(name.size() == 1 && name[0] == '~');
}

// The electrical types the rules single out.
enum PinKind : quint8 { OtherKind, Passive, Output, PowerOut, PowerIn, NoConnect };

PinKind kindOf(const QByteArray &type)
{
    const char *t = type.constData();
    switch (type.size()) {
    case 6:
        return std::memcmp(t, "output", 6) == 0 ? Output : OtherKind;
    case 7:
        return std::memcmp(t, "passive", 7) == 0 ? Passive : OtherKind;
    case 8:
        return std::memcmp(t, "power_in", 8) == 0 ? PowerIn : OtherKind;
    case 9:
        return std::memcmp(t, "power_out", 9) == 0 ? PowerOut : OtherKind;
    case 10:
        return std::memcmp(t, "no_connect", 10) == 0 ? NoConnect : OtherKind;
    }
    return OtherKind;
}

struct PinRef
{
    const SymbolPin *pin;
    int unit;
    int style;
    PinKind kind;
    bool nameShown;
    // A hidden not-connected pin: meant to end inside the body, no length.
    bool hiddenNc;
};

// The largest rectangle a unit draws (its own or a common one): the body
// S3.3 and S3.5 speak of. Symbols drawn without a rectangle (gates, op-amps,
// discretes) have no body these rules can read.
const GraphicItem *bodyOf(const Symbol &s, int unit)
{
    const GraphicItem *best = nullptr;
    qint64 bestArea = 0;
    for (const SymbolUnit &u : s.units) {
        if ((u.unit != unit && u.unit != 0) || !firstStyle(u.style))
            continue;
        for (const GraphicItem &g : u.graphics) {
            if (g.kind != GraphicItem::Kind::Rectangle || g.points.size() < 2)
                continue;
            const qint64 area = qAbs(qint64(g.points[1].x() - g.points[0].x()) *
                                     (g.points[1].y() - g.points[0].y()));
            if (area > bestArea) {
                bestArea = area;
                best = &g;
            }
        }
    }
    return best;
}

// Black-box symbols in KLC's sense: integrated circuits, told by their
// reference designator "U".
bool isIc(const Symbol &s)
{
    return s.propertyValue("Reference") == "U";
}

using Units = QVarLengthArray<int, 16>;

Units unitNumbers(const Symbol &s)
{
    Units units;
    for (const SymbolUnit &u : s.units)
        if (u.unit > 0 && !units.contains(u.unit))
            units << u.unit;
    std::sort(units.begin(), units.end());
    if (units.isEmpty())
        units << 0;
    return units;
}

class Checker
{
public:
    Checker(const Symbol &s, const RuleFilter &r, QList<Finding> &out) : s(s), rules(r), out(out)
    {
        pins.clear();
        otherStyle.clear();
        for (const SymbolUnit &u : s.units)
            for (const SymbolPin &p : u.pins) {
                const PinKind kind = kindOf(p.type);
                (firstStyle(u.style) ? pins : otherStyle)
                    .push_back(
                        {&p, u.unit, u.style, kind, shown(p.name), p.hidden && kind == NoConnect});
            }
        units = unitNumbers(s);
    }

    void run()
    {
        if (rules.wants(S3_1))
            s31();
        if (rules.wants(S3_2))
            s32();
        if (rules.wants(S3_3) && isIc(s))
            s33();
        if (rules.wants(S3_5))
            s35();
        if (rules.wants(S3_6))
            s36();
        if (rules.wants(S3_8))
            s38();
        if (rules.wants(S3_9))
            s39();
        if (rules.wants(S4_1))
            s41();
        if (rules.wants(S4_3) || rules.wants(S4_6))
            stacks();
        if (rules.wants(S5_1) || rules.wants(S5_2))
            s5();
        if (rules.wants(S6_2))
            s62();
        if (rules.wants(S6_3))
            s63();
        if (rules.wants(S7_1) && s.power)
            s71();
        if (rules.wants(S7_2) && pins.empty() && otherStyle.empty())
            s72();
        if (rules.wants(G1_1))
            g11();
    }

private:
    void add(Rule rule, int unit, const QString &message, QPoint at, bool located = true)
    {
        out.append(Finding{rule, s.name, unit, message, at, located});
    }
    void add(Rule rule, const QString &message)
    {
        out.append(Finding{rule, s.name, 0, message, {}, false});
    }

    // S3.1: the origin in the middle of the body. The body is the box around
    // every graphic item of a unit (or its pins when it draws nothing); the
    // rule asks the origin "as close as possible" to its centre while pins
    // stay on the 100 mil grid, so up to half a grid step off is kept.
    // Power symbols sit on their pin, as S7.1's drawing shows: not checked.
    void s31()
    {
        if (s.power)
            return;
        for (int unit : std::as_const(units)) {
            int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
            auto take = [&](QPoint p) {
                x0 = qMin(x0, p.x());
                x1 = qMax(x1, p.x());
                y0 = qMin(y0, p.y());
                y1 = qMax(y1, p.y());
            };
            for (const SymbolUnit &u : s.units) {
                if ((u.unit != unit && u.unit != 0) || !firstStyle(u.style))
                    continue;
                for (const GraphicItem &g : u.graphics) {
                    if (g.kind == GraphicItem::Kind::Text)
                        continue;
                    if (g.kind == GraphicItem::Kind::Circle && !g.points.isEmpty()) {
                        const QPoint c = g.points[0];
                        take(c - QPoint(g.radius, g.radius));
                        take(c + QPoint(g.radius, g.radius));
                        continue;
                    }
                    for (QPoint p : g.points)
                        take(p);
                }
            }
            if (x0 > x1)
                for (const PinRef &p : pins)
                    if (p.unit == unit || p.unit == 0)
                        take(p.pin->at);
            if (x0 > x1)
                continue;
            const qint64 cx = (qint64(x0) + x1) / 2;
            const qint64 cy = (qint64(y0) + y1) / 2;
            if (qAbs(cx) > Grid / 2 || qAbs(cy) > Grid / 2)
                add(S3_1, unit,
                    QStringLiteral("origem longe do centro do corpo (centro em %1, %2)")
                        .arg(mils(cx), mils(cy)),
                    QPoint(int(cx), int(cy)));
        }
    }

    // S3.2: shown texts 50 mil high and wide: the fields shown, and the pin
    // names and numbers shown (one finding per unit for its pins, at the
    // first, with how many).
    void s32()
    {
        for (const SymbolProperty &p : s.properties) {
            if (p.effects.hidden || p.name.startsWith("ki_") || p.value.isEmpty())
                continue;
            if (p.effects.height != TextSize || p.effects.width != TextSize)
                add(S3_2, 0,
                    QStringLiteral("texto do campo %1 com %2 (deve ser 50 mil)")
                        .arg(text(p.name), mils(p.effects.height)),
                    p.at);
        }
        const bool names = !s.pinNamesHidden, numbers = !s.pinNumbersHidden;
        for (int unit : std::as_const(units)) {
            int count = 0;
            QPoint first;
            for (const PinRef &p : pins) {
                if (p.unit != unit || p.pin->hidden)
                    continue;
                const bool bad = (names && p.nameShown &&
                                  (p.pin->nameEffects.height != TextSize ||
                                   p.pin->nameEffects.width != TextSize)) ||
                                 (numbers && shown(p.pin->number) &&
                                  (p.pin->numberEffects.height != TextSize ||
                                   p.pin->numberEffects.width != TextSize));
                if (bad && count++ == 0)
                    first = p.pin->at;
            }
            if (count)
                add(S3_2, unit,
                    QStringLiteral("%1 pino(s) com nome ou número fora de 50 mil").arg(count),
                    first);
        }
    }

    // S3.3: an IC's body filled with the background colour.
    void s33()
    {
        for (int unit : std::as_const(units)) {
            const GraphicItem *body = bodyOf(s, unit);
            if (body && body->fill != GraphicItem::Fill::Background)
                add(S3_3, unit, QStringLiteral("corpo sem preenchimento de fundo"),
                    (body->points[0] + body->points[1]) / 2);
        }
    }

    // S3.5: no pin's connection point strictly inside the body. Hidden
    // not-connected pins are meant to end inside it (S4.6), and are left out.
    void s35()
    {
        for (int unit : std::as_const(units)) {
            const GraphicItem *body = bodyOf(s, unit);
            if (!body)
                continue;
            const QPoint a = body->points[0], b = body->points[1];
            const int x0 = qMin(a.x(), b.x()), x1 = qMax(a.x(), b.x());
            const int y0 = qMin(a.y(), b.y()), y1 = qMax(a.y(), b.y());
            for (const PinRef &p : pins) {
                if ((p.unit != unit && p.unit != 0) || p.hiddenNc)
                    continue;
                const QPoint at = p.pin->at;
                if (at.x() > x0 && at.x() < x1 && at.y() > y0 && at.y() < y1)
                    add(S3_5, unit,
                        QStringLiteral("ponto de conexão do pino %1 dentro do corpo")
                            .arg(text(p.pin->number)),
                        at);
            }
        }
    }

    // S3.6: with the names shown inside the body (an offset above zero), the
    // offset is 20 mil, and at most 50 mil where the names need the room.
    // Names drawn outside (offset 0) or hidden have no offset to check.
    void s36()
    {
        if (s.pinNamesHidden || pins.empty())
            return;
        const int offset = s.pinNameOffset.value_or(20 * Mil);
        if (offset > 0 && (offset < 20 * Mil || offset > 50 * Mil))
            add(S3_6, QStringLiteral("deslocamento do nome dos pinos de %1 (deve ficar "
                                     "entre 20 e 50 mil)")
                          .arg(mils(offset)));
    }

    // S3.8: units of a multi-unit symbol drawn alike (the same graphics) are
    // interchangeable, so they carry the same pins: same places, directions
    // and types (their numbers differ, and so may their names: R1.2, R2.2).
    void s38()
    {
        if (units.size() < 2)
            return;
        // Alike: the same items in the same order (a cheap test: the
        // library's copies of one gate keep their items' order).
        auto graphicsOf = [&](int unit) {
            const SymbolUnit *found = nullptr;
            for (const SymbolUnit &u : s.units)
                if (u.unit == unit && firstStyle(u.style))
                    found = &u;
            return found;
        };
        auto alike = [](const SymbolUnit *a, const SymbolUnit *b) {
            return a && b && a->graphics == b->graphics;
        };
        auto pinsOf = [&](int unit) {
            std::vector<std::tuple<int, int, int, QByteArray>> v;
            for (const PinRef &p : pins)
                if (p.unit == unit)
                    v.emplace_back(p.pin->at.x(), p.pin->at.y(), p.pin->angle, p.pin->type);
            std::sort(v.begin(), v.end());
            return v;
        };
        QList<int> seen;
        for (int a : units) {
            if (seen.contains(a))
                continue;
            const SymbolUnit *ga = graphicsOf(a);
            if (!ga || ga->graphics.isEmpty())
                continue;
            const auto pa = pinsOf(a);
            for (int b : units) {
                if (b <= a || seen.contains(b) || !alike(graphicsOf(b), ga))
                    continue;
                seen << b;
                const auto pb = pinsOf(b);
                if (pa == pb)
                    continue;
                QPoint at;
                for (size_t i = 0; i < pb.size(); ++i)
                    if (i >= pa.size() || pb[i] != pa[i]) {
                        at = QPoint(std::get<0>(pb[i]), std::get<1>(pb[i]));
                        break;
                    }
                add(S3_8, b,
                    QStringLiteral("unidade desenhada como a unidade %1 com outros pinos").arg(a),
                    at);
            }
        }
    }

    // S3.9: a De Morgan body has the same pins, at the same places, as the
    // first body of its unit.
    void s39()
    {
        if (!s.hasBodyStyles())
            return;
        using Key = std::tuple<int, QByteArray, int, int>;
        QList<int> drawnTwice;
        for (const SymbolUnit &u : s.units)
            if (u.style == 2 && !drawnTwice.contains(u.unit))
                drawnTwice << u.unit;
        std::vector<Key> first, second;
        for (const PinRef &p : pins)
            if (p.style == 1 && drawnTwice.contains(p.unit))
                first.emplace_back(p.unit, p.pin->number, p.pin->at.x(), p.pin->at.y());
        for (const PinRef &p : otherStyle)
            second.emplace_back(p.unit, p.pin->number, p.pin->at.x(), p.pin->at.y());
        std::sort(first.begin(), first.end());
        std::sort(second.begin(), second.end());
        std::vector<Key> diff;
        std::set_symmetric_difference(first.begin(), first.end(), second.begin(), second.end(),
                                      std::back_inserter(diff));
        QList<int> reported;
        for (const Key &k : diff) {
            const int unit = std::get<0>(k);
            if (reported.contains(unit))
                continue;
            reported << unit;
            add(S3_9, unit,
                QStringLiteral("corpo De Morgan com pinos diferentes (pino %1)")
                    .arg(text(std::get<1>(k))),
                QPoint(std::get<2>(k), std::get<3>(k)));
        }
    }

    // S4.1: pins on the 100 mil grid; lengths of at least 100 mil, in 50 mil
    // steps, at most 300 mil and one length in the symbol; numbers unique.
    // Simple discrete symbols (two pins, no pin names shown) may have
    // shorter pins, and sit on the 50 mil grid; a power symbol's zero-length pin is S7.1's matter,
    // and a hidden not-connected pin has no length to keep.
    void s41()
    {
        bool namesShown = false;
        for (const PinRef &p : pins)
            namesShown = namesShown || p.nameShown;
        const bool discrete = pins.size() == 2 && (s.pinNamesHidden || !namesShown);
        // The library draws its simple discretes (R, C, LED) with their pins
        // 300 mil apart about the origin: on the 50 mil grid, which is how
        // they are read here.
        const int grid = discrete ? Grid / 2 : Grid;
        for (const PinRef &p : pins) {
            const QPoint at = p.pin->at;
            if (at.x() % grid || at.y() % grid)
                add(S4_1, p.unit,
                    QStringLiteral("pino %1 fora da grade de %2 (%3, %4)")
                        .arg(text(p.pin->number), mils(grid), mils(at.x()), mils(at.y())),
                    at);
        }
        // (length, how many): a symbol has few lengths.
        QVarLengthArray<std::pair<int, int>, 8> lengths;
        if (!s.power) {
            for (const PinRef &p : pins) {
                if (p.hiddenNc)
                    continue;
                const int len = p.pin->length;
                auto l = std::find_if(lengths.begin(), lengths.end(),
                                      [len](const auto &e) { return e.first == len; });
                if (l == lengths.end())
                    lengths.append({len, 1});
                else
                    ++l->second;
                if (len >= Grid && len <= 300 * Mil && len % (50 * Mil) == 0)
                    continue;
                QString why;
                if (len < Grid && !discrete)
                    why = QStringLiteral("menor que 100 mil");
                else if (len > 300 * Mil)
                    why = QStringLiteral("maior que 300 mil");
                else if (len % (50 * Mil) && !discrete)
                    why = QStringLiteral("não múltiplo de 50 mil");
                if (!why.isEmpty())
                    add(S4_1, p.unit,
                        QStringLiteral("pino %1 com comprimento %2: %3")
                            .arg(text(p.pin->number), mils(len), why),
                        p.pin->at);
            }
        }
        if (lengths.size() > 1) {
            int common = 0, most = -1;
            for (const auto &[len, n] : lengths)
                if (n > most || (n == most && len < common)) {
                    most = n;
                    common = len;
                }
            for (const PinRef &p : pins)
                if (p.pin->length != common && !p.hiddenNc) {
                    add(S4_1, p.unit,
                        QStringLiteral("pinos de comprimentos diferentes (%1 pino(s) fora de %2)")
                            .arg(pins.size() - size_t(most))
                            .arg(mils(common)),
                        p.pin->at);
                    break;
                }
        }
        // Same number twice, unless both sit at one place (a stack).
        // Sorted by the number's first eight bytes, then the whole number.
        auto head = [](const QByteArray &n) {
            quint64 h = 0;
            for (qsizetype i = 0; i < 8; ++i)
                h = h << 8 | (i < n.size() ? uchar(n[i]) : 0);
            return h;
        };
        static thread_local std::vector<std::pair<quint64, const PinRef *>> keyed;
        keyed.clear();
        for (const PinRef &p : pins)
            if (!p.pin->number.isEmpty())
                keyed.emplace_back(head(p.pin->number), &p);
        std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
            return a.first != b.first ? a.first < b.first
                                      : a.second->pin->number < b.second->pin->number;
        });
        std::vector<const PinRef *> &byNumber = order;
        byNumber.clear();
        for (const auto &k : keyed)
            byNumber.push_back(k.second);
        for (size_t i = 1; i < byNumber.size(); ++i) {
            const PinRef &a = *byNumber[i - 1], &b = *byNumber[i];
            if (a.pin->number != b.pin->number)
                continue;
            if (a.unit == b.unit && a.pin->at == b.pin->at)
                continue;
            add(S4_1, b.unit, QStringLiteral("número de pino %1 repetido").arg(text(b.pin->number)),
                b.pin->at);
            while (i + 1 < byNumber.size() && byNumber[i + 1]->pin->number == b.pin->number)
                ++i;
        }
    }

    // S4.3 on pins sharing one place in one unit and body (the stacks drawn
    // before KiCad 10); S4.6 on hidden pins, a stacked hidden pin being
    // S4.3's matter.
    void stacks()
    {
        std::vector<const PinRef *> &v = order;
        v.clear();
        for (const PinRef &p : pins)
            v.push_back(&p);
        std::sort(v.begin(), v.end(), [](const PinRef *a, const PinRef *b) {
            return std::make_tuple(a->unit, a->style, a->pin->at.x(), a->pin->at.y()) <
                   std::make_tuple(b->unit, b->style, b->pin->at.x(), b->pin->at.y());
        });
        for (size_t i = 0; i < v.size();) {
            size_t j = i + 1;
            while (j < v.size() && v[j]->unit == v[i]->unit && v[j]->style == v[i]->style &&
                   v[j]->pin->at == v[i]->pin->at)
                ++j;
            if (j - i > 1) {
                if (rules.wants(S4_3))
                    stack(v.data() + i, v.data() + j);
            } else if (rules.wants(S4_6)) {
                hidden(*v[i]);
            }
            i = j;
        }
    }

    void stack(const PinRef *const *begin, const PinRef *const *end)
    {
        const PinRef &first = **begin;
        const PinRef *visible = nullptr;
        int visibleCount = 0;
        QStringList why;
        for (auto p = begin; p != end; ++p) {
            if (!(*p)->pin->hidden) {
                ++visibleCount;
                visible = *p;
            }
            if ((*p)->kind == NoConnect && !why.contains(QStringLiteral("pino não conectado")))
                why << QStringLiteral("pino não conectado");
            if ((*p)->pin->name != first.pin->name &&
                !why.contains(QStringLiteral("nomes diferentes")))
                why << QStringLiteral("nomes diferentes");
        }
        if (visibleCount != 1)
            why << QStringLiteral("%1 pinos visíveis (deve ser um)").arg(visibleCount);
        const PinRef &lead = visible ? *visible : first;
        const QByteArray &type = lead.pin->type;
        const bool special = lead.kind == Output || lead.kind == PowerOut || lead.kind == PowerIn;
        for (auto p = begin; p != end; ++p) {
            if (*p == &lead)
                continue;
            const QByteArray &t = (*p)->pin->type;
            if (special && (*p)->pin->hidden && (*p)->kind != Passive) {
                why << QStringLiteral("pinos ocultos de uma pilha %1 devem ser passive")
                           .arg(text(type));
                break;
            }
            if (!special && t != type) {
                why << QStringLiteral("tipos elétricos diferentes");
                break;
            }
        }
        if (!why.isEmpty()) {
            QStringList numbers;
            for (auto p = begin; p != end; ++p)
                numbers << text((*p)->pin->number);
            add(S4_3, first.unit,
                QStringLiteral("pilha de pinos %1: %2")
                    .arg(numbers.join(QLatin1Char(',')), why.join(QStringLiteral("; "))),
                first.pin->at);
        }
    }

    void hidden(const PinRef &p)
    {
        if (!p.pin->hidden)
            return;
        if (s.power && p.kind != PowerIn)
            add(S4_6, p.unit,
                QStringLiteral("pino oculto %1 de tipo %2 num símbolo de alimentação")
                    .arg(text(p.pin->number), text(p.pin->type)),
                p.pin->at);
        else if (!s.power && p.kind == PowerIn)
            add(S4_6, p.unit,
                QStringLiteral("pino power_in oculto %1 (%2) fora de símbolo de alimentação")
                    .arg(text(p.pin->number), text(p.pin->name)),
                p.pin->at);
    }

    // S5.1: a Footprint given as Library:Footprint. S5.2: a symbol with pins
    // and no default footprint has filters; with both, a filter matches the
    // footprint's name (the whole Library:Footprint when the filter names a
    // library), '*' any run of characters and '?' one or none, without
    // regard to case, as KiCad's chooser matches them.
    void s5()
    {
        const SymbolProperty *fp = s.property("Footprint");
        const QByteArray footprint = fp ? fp->value : QByteArray();
        if (rules.wants(S5_1) && !footprint.isEmpty()) {
            const int colon = footprint.indexOf(':');
            if (colon <= 0 || colon == footprint.size() - 1 ||
                footprint.indexOf(':', colon + 1) >= 0)
                add(S5_1, 0,
                    QStringLiteral("footprint \"%1\" fora da forma Biblioteca:Footprint")
                        .arg(text(footprint)),
                    fp->at);
        }
        if (!rules.wants(S5_2) || s.power || (pins.empty() && otherStyle.empty()))
            return;
        const SymbolProperty *fpf = s.property("ki_fp_filters");
        const QByteArray filters = fpf ? fpf->value : QByteArray();
        const bool none = filters.trimmed().isEmpty();
        if (footprint.isEmpty()) {
            if (none)
                add(S5_2, QStringLiteral("sem footprint padrão e sem filtros de footprint"));
            return;
        }
        if (none)
            return;
        const QByteArrayView name = QByteArrayView(footprint).sliced(footprint.indexOf(':') + 1);
        for (qsizetype i = 0; i < filters.size();) {
            while (i < filters.size() && (filters[i] == ' ' || filters[i] == '\t'))
                ++i;
            qsizetype j = i;
            while (j < filters.size() && filters[j] != ' ' && filters[j] != '\t')
                ++j;
            const QByteArrayView f = QByteArrayView(filters).sliced(i, j - i);
            if (!f.isEmpty() && globMatch(f, f.contains(':') ? QByteArrayView(footprint) : name))
                return;
            i = j;
        }
        add(S5_2, 0, QStringLiteral("nenhum filtro de footprint casa com \"%1\"").arg(text(name)),
            fp->at);
    }

    static char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

    static bool globMatch(QByteArrayView pattern, QByteArrayView s)
    {
        if (pattern.isEmpty())
            return s.isEmpty();
        const char c = pattern[0];
        const QByteArrayView rest = pattern.sliced(1);
        if (c == '*') {
            for (qsizetype i = 0; i <= s.size(); ++i)
                if (globMatch(rest, s.sliced(i)))
                    return true;
            return false;
        }
        if (c == '?')
            return globMatch(rest, s) || (!s.isEmpty() && globMatch(rest, s.sliced(1)));
        return !s.isEmpty() && lower(c) == lower(s[0]) && globMatch(rest, s.sliced(1));
    }

    // S6.2: the four fields there; Value shown and equal to the name;
    // Footprint and Datasheet hidden.
    void s62()
    {
        for (const char *name : {"Reference", "Value", "Footprint", "Datasheet"})
            if (!s.property(name))
                add(S6_2, QStringLiteral("falta o campo %1").arg(QLatin1String(name)));
        if (const SymbolProperty *v = s.property("Value")) {
            if (v->value != s.name)
                add(S6_2, 0, QStringLiteral("Value \"%1\" diferente do nome").arg(text(v->value)),
                    v->at);
            if (v->effects.hidden)
                add(S6_2, 0, QStringLiteral("Value oculto"), v->at);
        }
        for (const char *name : {"Footprint", "Datasheet"})
            if (const SymbolProperty *p = s.property(name); p && !p->effects.hidden)
                add(S6_2, 0, QStringLiteral("campo %1 visível").arg(QLatin1String(name)), p->at);
    }

    void s63()
    {
        if (s.description().trimmed().isEmpty())
            add(S6_3, QStringLiteral("sem descrição"));
        if (s.keywords().trimmed().isEmpty())
            add(S6_3, QStringLiteral("sem palavras-chave"));
    }

    // S7.1 as KiCad 6 and 7 libraries follow it: one hidden power_in pin,
    // reference #PWR, Value the symbol's name.
    void s71()
    {
        const size_t count = pins.size() + otherStyle.size();
        if (count != 1) {
            add(S7_1,
                QStringLiteral("símbolo de alimentação com %1 pinos (deve ter um)").arg(count));
        } else {
            const SymbolPin &p = pins.empty() ? *otherStyle[0].pin : *pins[0].pin;
            if (p.type != "power_in" || !p.hidden)
                add(S7_1, 0,
                    QStringLiteral("o pino deve ser power_in e oculto (é %1%2)")
                        .arg(text(p.type),
                             p.hidden ? QStringLiteral(", oculto") : QStringLiteral(", visível")),
                    p.at);
        }
        if (s.propertyValue("Reference") != "#PWR")
            add(S7_1, QStringLiteral("referência \"%1\" (deve ser #PWR)")
                          .arg(text(s.propertyValue("Reference"))));
        if (s.propertyValue("Value") != s.name)
            add(S7_1, QStringLiteral("Value diferente do nome"));
    }

    // S7.2: a symbol without pins is a drawing: its reference starts with
    // '#' (kept out of annotation) and it has no footprint. (Whether it is
    // kept out of the bill of materials is not read: KiCad 6 converts every
    // legacy symbol into the bill of materials.)
    void s72()
    {
        if (!s.propertyValue("Reference").startsWith('#'))
            add(S7_2, QStringLiteral("símbolo gráfico com referência sem '#'"));
        if (!s.propertyValue("Footprint").isEmpty())
            add(S7_2, QStringLiteral("símbolo gráfico com footprint"));
    }

    // G1.1: A-Z a-z 0-9 _ - . , + and nothing else.
    void g11()
    {
        QByteArray bad;
        for (char c : s.name) {
            const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' ||
                            c == ',' || c == '+';
            if (!ok && !bad.contains(c))
                bad += c;
        }
        if (!bad.isEmpty())
            add(G1_1, QStringLiteral("nome com caracteres não permitidos: \"%1\"").arg(text(bad)));
    }

    const Symbol &s;
    const RuleFilter &rules;
    QList<Finding> &out;
    Units units;
    // Reused from symbol to symbol: a library's check allocates them once.
    static thread_local std::vector<PinRef> pins, otherStyle;
    static thread_local std::vector<const PinRef *> order;
};

thread_local std::vector<PinRef> Checker::pins, Checker::otherStyle;
thread_local std::vector<const PinRef *> Checker::order;

// f(i, findings) for every i in [0, n), in blocks on every core; the
// findings come back in the order of i.
template <typename F> QList<Finding> inParallel(qsizetype n, F f)
{
    constexpr qsizetype Block = 64;
    const qsizetype blocks = (n + Block - 1) / Block;
    std::vector<QList<Finding>> found(static_cast<size_t>(blocks));
    emParalelo(blocks, [&](qsizetype b) {
        for (qsizetype i = b * Block; i < qMin(n, (b + 1) * Block); ++i)
            f(i, found[size_t(b)]);
    });
    QList<Finding> out;
    qsizetype total = 0;
    for (const QList<Finding> &l : found)
        total += l.size();
    out.reserve(total);
    for (QList<Finding> &l : found)
        out.append(std::move(l));
    return out;
}

} // namespace

const char *ruleName(Rule rule)
{
    return Names[rule];
}

RuleFilter RuleFilter::parse(const QString &list, bool *ok, QString *error)
{
    RuleFilter f;
    f.m_mask = 0;
    bool good = true;
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString &name : list.split(separators, Qt::SkipEmptyParts)) {
        int i = 0;
        while (i < RuleCount && name.compare(QLatin1String(Names[i]), Qt::CaseInsensitive) != 0)
            ++i;
        if (i == RuleCount) {
            if (good && error)
                *error = name;
            good = false;
            continue;
        }
        f.m_mask |= 1u << i;
    }
    if (ok)
        *ok = good;
    return f;
}

void RuleFilter::set(Rule rule, bool on)
{
    if (on)
        m_mask |= 1u << rule;
    else
        m_mask &= ~(1u << rule);
}

void checkSymbol(const Symbol &symbol, const RuleFilter &rules, QList<Finding> &out)
{
    Checker(symbol, rules, out).run();
}

void checkRowText(const QByteArray &text, const QByteArray &symbol, const RuleFilter &rules,
                  QList<Finding> &out)
{
    // A legacy row's lines end as the library table keeps them, not as its
    // file ended them: only .kicad_sym rows carry their file's line ends.
    if (rules.wants(G1_7) && isKicadSymText(text) && text.contains('\r'))
        out.append(Finding{
            G1_7, symbol, 0, QStringLiteral("fim de linha que não é o do Unix (\\n)"), {}, false});
}

void checkFileText(const QByteArray &bytes, const RuleFilter &rules, QList<Finding> &out)
{
    if (rules.wants(G1_7) && bytes.contains('\r'))
        out.append(Finding{G1_7,
                           {},
                           0,
                           QStringLiteral("arquivo com fins de linha que não são os do Unix (\\n)"),
                           {},
                           false});
}

bool isKicadSymText(const QByteArray &text)
{
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c == '(';
    return false;
}

QList<Symbol> rowSymbols(const QByteArray &text, const Descricoes *descricoes, QString *error)
{
    if (isKicadSymText(text)) {
        SymbolBuild b = buildSymbol(text);
        if (!b.ok()) {
            if (error)
                *error = b.error.text();
            return {};
        }
        return {std::move(b.symbol)};
    }
    QList<Symbol> symbols = symbolsFromLegacy(text, descricoes);
    if (symbols.isEmpty() || symbols[0].name.isEmpty()) {
        if (error)
            *error = QStringLiteral("componente sem linha DEF");
        return {};
    }
    for (qsizetype i = 1; i < symbols.size(); ++i) {
        symbols[i].units = symbols[0].units;
        symbols[i].power = symbols[0].power;
        symbols[i].pinNumbersHidden = symbols[0].pinNumbersHidden;
        symbols[i].pinNameOffset = symbols[0].pinNameOffset;
        symbols[i].pinNamesHidden = symbols[0].pinNamesHidden;
    }
    return symbols;
}

QList<Finding> checkRows(const QList<RowRef> &rows, const RuleFilter &rules, QStringList *errors)
{
    // The models are built on every core, each row's on its own.
    std::vector<QList<Symbol>> built(size_t(rows.size()));
    std::vector<QString> failed(size_t(rows.size()));
    emParalelo(rows.size(), [&](qsizetype r) {
        built[size_t(r)] = rowSymbols(rows[r].text, rows[r].descricoes, &failed[size_t(r)]);
    });
    QList<Symbol> all;
    QList<qsizetype> rowOf;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (built[size_t(r)].isEmpty() && errors)
            *errors << QStringLiteral("%1: %2").arg(text(rows[r].name), failed[size_t(r)]);
        for (Symbol &s : built[size_t(r)]) {
            all << std::move(s);
            rowOf << r;
        }
    }
    QHash<QByteArray, qsizetype> byName;
    for (qsizetype i = 0; i < all.size(); ++i)
        byName.insert(all[i].name, i);
    for (qsizetype i = 0; i < all.size(); ++i)
        if (!all[i].extends.isEmpty() && isKicadSymText(rows[rowOf[i]].text))
            resolveParent(all[i], [&](const QByteArray &n) -> const Symbol * {
                const qsizetype j = byName.value(n, -1);
                return j < 0 ? nullptr : &all[j];
            });
    return inParallel(all.size(), [&](qsizetype i, QList<Finding> &out) {
        const qsizetype first = out.size();
        if (i == 0 || rowOf[i] != rowOf[i - 1])
            checkRowText(rows[rowOf[i]].text, all[i].name, rules, out);
        checkSymbol(all[i], rules, out);
        for (qsizetype f = first; f < out.size(); ++f)
            out[f].row = rowOf[i];
    });
}

QList<Finding> checkSymbols(const QList<Symbol> &symbols, const RuleFilter &rules)
{
    return inParallel(symbols.size(), [&](qsizetype i, QList<Finding> &out) {
        checkSymbol(symbols[i], rules, out);
    });
}

} // namespace Klc

namespace Klc {

namespace {

// What the fixes of one symbol do, so that a legacy component can have the
// same done to its lines.
struct FixPlan
{
    QPoint move;
    bool value = false;
    QList<QByteArray> hide; // field names
    struct Fill
    {
        int unit, style;
        QPoint a, b;
    };
    QList<Fill> fills;
};

int gridOffset(int v)
{
    int d = ((v % Grid) + Grid) % Grid;
    return d > Grid / 2 ? d - Grid : d;
}

void moveSymbol(Symbol &s, QPoint by)
{
    for (SymbolUnit &u : s.units) {
        for (SymbolPin &p : u.pins)
            p.at += by;
        for (GraphicItem &g : u.graphics)
            for (QPoint &p : g.points)
                p += by;
    }
    for (SymbolProperty &p : s.properties)
        p.at += by;
}

QList<Change> plan(Symbol &s, const RuleFilter &rules, FixPlan &fp)
{
    QList<Change> changes;
    if (rules.wants(S4_1)) {
        std::optional<QPoint> off;
        bool same = true;
        for (const SymbolUnit &u : s.units)
            for (const SymbolPin &p : u.pins) {
                const QPoint o(gridOffset(p.at.x()), gridOffset(p.at.y()));
                if (!off)
                    off = o;
                else if (*off != o)
                    same = false;
            }
        if (off && same && !off->isNull()) {
            fp.move = -*off;
            moveSymbol(s, fp.move);
            changes << Change{
                S4_1, s.name,
                QStringLiteral("símbolo movido em (%1, %2): pinos na grade de 100 mil")
                    .arg(mils(fp.move.x()), mils(fp.move.y()))};
        }
    }
    if (rules.wants(S6_2)) {
        for (SymbolProperty &p : s.properties) {
            if (p.name == "Value" && p.value != s.name) {
                changes << Change{S6_2, s.name,
                                  QStringLiteral("Value \"%1\" trocado por \"%2\"")
                                      .arg(text(p.value), text(s.name))};
                p.value = s.name;
                fp.value = true;
            }
            if ((p.name == "Footprint" || p.name == "Datasheet") && !p.effects.hidden) {
                p.effects.hidden = true;
                fp.hide << p.name;
                changes << Change{S6_2, s.name,
                                  QStringLiteral("campo %1 ocultado").arg(text(p.name))};
            }
        }
    }
    if (rules.wants(S3_3) && isIc(s)) {
        for (int unit : unitNumbers(s)) {
            auto *body = const_cast<GraphicItem *>(bodyOf(s, unit));
            if (!body || body->fill == GraphicItem::Fill::Background)
                continue;
            body->fill = GraphicItem::Fill::Background;
            body->fillColor.reset();
            for (const SymbolUnit &u : s.units)
                for (const GraphicItem &g : u.graphics)
                    if (&g == body)
                        fp.fills << FixPlan::Fill{u.unit, u.style, g.points[0], g.points[1]};
            changes << Change{
                S3_3, s.name,
                unit ? QStringLiteral("corpo da unidade %1 preenchido com o fundo").arg(unit)
                     : QStringLiteral("corpo preenchido com o fundo")};
        }
    }
    return changes;
}

// A legacy line as tokens, a quoted token (with its blanks) as one.
struct Tokens
{
    QByteArray line;
    QList<std::pair<int, int>> spans; // start, length

    explicit Tokens(const QByteArray &l) : line(l)
    {
        int i = 0;
        const int n = int(l.size());
        while (i < n) {
            while (i < n && (l[i] == ' ' || l[i] == '\t'))
                ++i;
            if (i >= n)
                break;
            const int start = i;
            if (l[i] == '"') {
                ++i;
                while (i < n && l[i] != '"')
                    i += l[i] == '\\' ? 2 : 1;
                i = qMin(i + 1, n);
            } else {
                while (i < n && l[i] != ' ' && l[i] != '\t')
                    ++i;
            }
            spans.append({start, i - start});
        }
    }
    QByteArray at(int i) const
    {
        return i < spans.size() ? line.mid(spans[i].first, spans[i].second) : QByteArray();
    }
    int number(int i) const { return at(i).toInt(); }
    // Replaces tokens from the last so that earlier spans stay valid.
    void set(QList<std::pair<int, QByteArray>> edits)
    {
        std::sort(edits.begin(), edits.end(),
                  [](const auto &a, const auto &b) { return a.first > b.first; });
        for (const auto &[i, v] : edits)
            if (i < spans.size())
                line.replace(spans[i].first, spans[i].second, v);
    }
};

QByteArray editLegacyLine(const QByteArray &line, const FixPlan &fp, const QByteArray &name)
{
    Tokens t(line);
    if (t.spans.isEmpty())
        return line;
    const QByteArray k = t.at(0);
    QList<std::pair<int, QByteArray>> edits;
    const int dx = fp.move.x() / Mil, dy = fp.move.y() / Mil;
    auto moveXY = [&](int xi) {
        if (dx)
            edits.append({xi, QByteArray::number(t.number(xi) + dx)});
        if (dy)
            edits.append({xi + 1, QByteArray::number(t.number(xi + 1) + dy)});
    };
    const bool move = dx || dy;
    if (k.size() > 1 && k[0] == 'F' && k.mid(1).toInt() >= 0 &&
        std::all_of(k.begin() + 1, k.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int n = k.mid(1).toInt();
        if (move)
            moveXY(2);
        if (n == 1 && fp.value)
            edits.append({1, '"' + name + '"'});
        if ((n == 2 && fp.hide.contains("Footprint")) || (n == 3 && fp.hide.contains("Datasheet")))
            edits.append({6, "I"});
    } else if (k == "S") {
        if (move)
            for (int i : {1, 3})
                moveXY(i);
        for (const FixPlan::Fill &f : fp.fills) {
            const QPoint a(t.number(1) * Mil, t.number(2) * Mil);
            const QPoint b(t.number(3) * Mil, t.number(4) * Mil);
            // The plan holds the rectangle as it was before any move.
            if (t.number(5) == f.unit && t.number(6) == f.style &&
                ((a == f.a && b == f.b) || (a == f.b && b == f.a)))
                edits.append({int(t.spans.size()) - 1, "f"});
        }
    } else if (move) {
        if (k == "A") {
            moveXY(1);
            moveXY(10);
            moveXY(12);
        } else if (k == "C") {
            moveXY(1);
        } else if (k == "P" || k == "B") {
            const int n = t.number(1);
            for (int i = 0; i < n; ++i)
                moveXY(5 + 2 * i);
        } else if (k == "T") {
            moveXY(2);
        } else if (k == "X") {
            moveXY(3);
        }
    }
    if (edits.isEmpty())
        return line;
    t.set(edits);
    return t.line;
}

} // namespace

QList<Change> fixSymbol(Symbol &symbol, const RuleFilter &rules)
{
    FixPlan fp;
    return plan(symbol, rules, fp);
}

RowFix fixRow(const QByteArray &rowText, const RuleFilter &rules, int version)
{
    RowFix r;
    r.text = rowText;
    QList<Symbol> symbols = rowSymbols(rowText, nullptr, &r.error);
    if (symbols.isEmpty())
        return r;
    Symbol &s = symbols[0];
    if (!s.extends.isEmpty())
        return r;
    FixPlan fp;
    if (isKicadSymText(rowText)) {
        r.changes = plan(s, rules, fp);
        if (!r.changes.isEmpty())
            r.text = symbolText(s, version);
        return r;
    }
    // The fill is matched against the rectangle's place before the move: plan
    // the fill first, then the rest.
    RuleFilter fillOnly = RuleFilter::parse(QStringLiteral("S3.3"));
    fillOnly.set(S3_3, rules.wants(S3_3));
    FixPlan fills;
    Symbol copy = s;
    const QList<Change> fillChanges = plan(copy, fillOnly, fills);
    RuleFilter rest = rules;
    rest.set(S3_3, false);
    r.changes = plan(s, rest, fp);
    r.changes += fillChanges;
    fp.fills = fills.fills;
    if (r.changes.isEmpty())
        return r;
    // A row's lines end in CR (as the library table holds them), LF or CR LF;
    // each keeps its own end.
    QByteArray out;
    out.reserve(rowText.size() + 64);
    bool inDraw = false;
    for (qsizetype start = 0; start < rowText.size();) {
        qsizetype end = start;
        while (end < rowText.size() && rowText[end] != '\r' && rowText[end] != '\n')
            ++end;
        qsizetype next = end;
        if (next < rowText.size() && rowText[next] == '\r')
            ++next;
        if (next < rowText.size() && rowText[next] == '\n')
            ++next;
        QByteArray body = rowText.mid(start, end - start);
        const QByteArray head = body.trimmed();
        if (head.startsWith("DRAW"))
            inDraw = true;
        else if (head.startsWith("ENDDRAW"))
            inDraw = false;
        const bool field = head.size() > 1 && head[0] == 'F' && head[1] >= '0' && head[1] <= '9';
        if (inDraw || field)
            body = editLegacyLine(body, fp, s.name);
        out += body;
        out += rowText.mid(end, next - end);
        start = next;
    }
    r.text = out;
    return r;
}

} // namespace Klc
