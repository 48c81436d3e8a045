#include "kicadsym/versionlimits.h"

#include "kicadsym/symbolsexpr.h"

#include <algorithm>

QString kicadRelease(int version)
{
    using namespace KicadSymVersion;
    switch (version) {
    case v6:
        return QStringLiteral("KiCad 6");
    case v7:
        return QStringLiteral("KiCad 7");
    case v8:
        return QStringLiteral("KiCad 8");
    case v9:
        return QStringLiteral("KiCad 9");
    case v10:
        return QStringLiteral("KiCad 10");
    default:
        return QString::number(version);
    }
}

QStringList versionLosses(const Symbol &s, int version)
{
    using namespace KicadSymVersion;
    auto anyItem = [&](auto &&test) {
        return std::any_of(s.units.begin(), s.units.end(), [&](const SymbolUnit &u) {
            return std::any_of(u.graphics.begin(), u.graphics.end(), test);
        });
    };
    QStringList out;
    if (version < v7 &&
        anyItem([](const GraphicItem &g) { return g.kind == GraphicItem::Kind::TextBox; }))
        out << QStringLiteral("caixa de texto (KiCad 7)");
    if (version < v7 && std::any_of(s.units.begin(), s.units.end(),
                                    [](const SymbolUnit &u) { return u.unitName.has_value(); }))
        out << QStringLiteral("nome de unidade (KiCad 7)");
    // Before KiCad 8 the flag has no token: the writer leaves it out.
    if (version < v8 && s.excludeFromSim.value_or(false))
        out << QStringLiteral("excluído da simulação (KiCad 8)");
    if (version < v10 && s.power && s.powerScope == "local")
        out << QStringLiteral("alimentação local (KiCad 10)");
    return out;
}
