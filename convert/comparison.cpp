#include "convert/comparison.h"

#include <algorithm>

bool isDefaultExtra(const QByteArray &x)
{
    static const QList<QByteArray> defaults = {"(embedded_fonts no)", "(in_pos_files yes)",
                                               "(show_name no)", "(do_not_autoplace no)",
                                               "(duplicate_pin_numbers_are_jumpers no)",
                                               // what the sub-symbols of body style 2 already say
                                               "(body_styles demorgan)"};
    return defaults.contains(x);
}

Symbol comparableSymbol(Symbol s)
{
    s.extra.removeIf(isDefaultExtra);
    QList<SymbolProperty> props;
    for (SymbolProperty p : s.properties) {
        if (p.name == "Description")
            p.name = "ki_description";
        const bool doc =
            p.name == "ki_description" || p.name == "ki_keywords" || p.name == "ki_fp_filters";
        if (doc && p.value.isEmpty())
            continue;
        if (doc) {
            p.at = {};
            p.angle = 0;
            p.effects = TextEffects();
            p.effects.hidden = true;
        }
        p.id = -1;
        p.extra.removeIf(isDefaultExtra);
        props << p;
    }
    std::stable_sort(
        props.begin(), props.end(),
        [](const SymbolProperty &a, const SymbolProperty &b) { return a.name < b.name; });
    s.properties = props;
    s.inBom.reset();
    s.onBoard.reset();
    s.excludeFromSim.reset();
    return s;
}

QByteArray symbolDifference(const Symbol &a, const Symbol &b)
{
    const Symbol ca = comparableSymbol(a), cb = comparableSymbol(b);
    if (ca == cb)
        return {};
    const QList<QByteArray> la = describe(ca).split('\n'), lb = describe(cb).split('\n');
    for (qsizetype i = 0; i < qMax(la.size(), lb.size()); ++i)
        if (la.value(i) != lb.value(i))
            return "  - " + la.value(i).trimmed() + "\n  + " + lb.value(i).trimmed() + '\n';
    return "  (ordem dos itens)\n";
}
