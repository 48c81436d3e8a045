#pragma once

// A schematic symbol as one value, whichever file it came from.
//
// Lengths and coordinates are integers in KiCad's schematic internal units
// (1 mm = 10,000, so 1 mil = 254), angles in tenths of a degree: both file
// formats convert to them exactly, and equal symbols compare equal without a
// tolerance. Y grows upwards, as in both formats.
//
// Whatever the reader does not know is kept as its source text in `extra`
// of the object that held it, so that nothing read is lost when the symbol
// is written again.

#include <QByteArray>
#include <QList>
#include <QPoint>

#include <optional>

namespace Iu {
constexpr int perMm = 10000;
constexpr int perMil = 254;
} // namespace Iu

struct SymbolColor
{
    int r = 0, g = 0, b = 0;
    double a = 0;
    bool operator==(const SymbolColor &) const = default;
};

struct TextEffects
{
    int height = 12700; // (size height width)
    int width = 12700;
    bool bold = false;
    bool italic = false;
    QList<QByteArray> justify; // left/right, top/bottom, mirror, as written
    bool hidden = false;
    QList<QByteArray> extra; // unknown tokens of effects and of font
    bool operator==(const TextEffects &) const = default;
};

struct SymbolProperty
{
    QByteArray name;
    QByteArray value;
    int id = -1; // KiCad 6 numbers properties; later versions do not
    QPoint at;
    int angle = 0;
    TextEffects effects; // effects.hidden: hidden however the file said so
    QList<QByteArray> extra;
    bool operator==(const SymbolProperty &) const = default;
};

struct GraphicItem
{
    enum class Kind { Rectangle, Circle, Arc, Polyline, Bezier, Text, TextBox };
    enum class Fill { None, Outline, Background, Color };

    Kind kind = Kind::Polyline;
    // rectangle and text box: start, end; circle: centre; arc: start, mid,
    // end; polyline and bezier: the points; text: its position
    QList<QPoint> points;
    int radius = 0;
    int angle = 0; // text and text box, tenths of a degree
    QByteArray text;
    int strokeWidth = 0;
    QByteArray strokeType = "default";
    std::optional<SymbolColor> strokeColor;
    Fill fill = Fill::None;
    std::optional<SymbolColor> fillColor;
    bool hasStroke = true; // texts have neither stroke nor fill
    bool hasFill = true;
    TextEffects effects; // text and text box
    QList<QByteArray> extra;
    bool operator==(const GraphicItem &) const = default;
};

struct PinAlternate
{
    QByteArray name, type, shape;
    bool operator==(const PinAlternate &) const = default;
};

struct SymbolPin
{
    QByteArray type = "passive"; // electrical type, as KiCad names it
    QByteArray shape = "line";   // graphic shape
    QPoint at;
    int angle = 0; // 0 right, 900 up, 1800 left, 2700 down
    int length = 0;
    bool hidden = false;
    QByteArray name, number;
    TextEffects nameEffects, numberEffects;
    QList<PinAlternate> alternates;
    QList<QByteArray> extra;
    bool operator==(const SymbolPin &) const = default;
};

// One sub-symbol NAME_U_C: unit U (0: common to every unit), body style C
// (0: both styles).
struct SymbolUnit
{
    int unit = 0;
    int style = 0;
    std::optional<QByteArray> unitName; // (unit_name ...), KiCad 7 and later
    QList<GraphicItem> graphics;
    QList<SymbolPin> pins;
    QList<QByteArray> extra;
};

struct Symbol
{
    QByteArray name;
    QByteArray extends; // the parent's name, empty for a root symbol
    bool power = false;
    QByteArray powerScope; // "global" or "local" after (power, KiCad 10
    bool pinNumbersHidden = false;
    std::optional<int> pinNameOffset;
    bool pinNamesHidden = false;
    std::optional<bool> excludeFromSim, inBom, onBoard;
    QList<SymbolProperty> properties;
    QList<SymbolUnit> units;
    QList<QByteArray> extra;

    const SymbolProperty *property(QByteArrayView name) const;
    QByteArray propertyValue(QByteArrayView name) const;
    // From the properties, under KiCad 6's or KiCad 8's name.
    QByteArray description() const;
    QByteArray keywords() const;
    QByteArray datasheet() const;
    int unitCount() const;
    bool hasBodyStyles() const;
};

// Symbols compare as KiCad compares them: the items of each sub-symbol as a
// set (their order does not matter), every number exact.
bool operator==(const SymbolUnit &a, const SymbolUnit &b);
bool operator==(const Symbol &a, const Symbol &b);

// One line per item, for reading a difference in a failed comparison.
QByteArray describe(const GraphicItem &g);
QByteArray describe(const SymbolPin &p);
QByteArray describe(const Symbol &s);

// A symbol with its parent's units and flags in place of its own, as a
// derived symbol is drawn: its own properties stay. `parentOf` finds a
// symbol by name (nullptr when missing); a chain is followed to its root,
// a cycle or a missing parent leaves the symbol as it is and answers false.
template <typename Find> bool resolveParent(Symbol &s, Find parentOf)
{
    const Symbol *root = nullptr;
    QList<QByteArray> seen{s.name};
    for (QByteArray p = s.extends; !p.isEmpty();) {
        if (seen.contains(p))
            return false;
        seen << p;
        root = parentOf(p);
        if (!root)
            return false;
        p = root->extends;
    }
    if (!root)
        return true;
    s.units = root->units;
    s.power = root->power;
    s.powerScope = root->powerScope;
    s.pinNumbersHidden = root->pinNumbersHidden;
    s.pinNameOffset = root->pinNameOffset;
    s.pinNamesHidden = root->pinNamesHidden;
    return true;
}
