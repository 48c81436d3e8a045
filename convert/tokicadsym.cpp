#include "convert/tokicadsym.h"

#include "library/emparalelo.h"
#include "symbol/legacysymbol.h"

#include <algorithm>

QList<Symbol> symbolsOfLegacyLibrary(const QList<QByteArray> &components,
                                     const Descricoes *descricoes)
{
    QList<QList<Symbol>> each(components.size());
    QList<Symbol> *out = each.data();
    emParalelo(components.size(),
               [&](qsizetype i) { out[i] = symbolsFromLegacy(components[i], descricoes); });
    // KiCad keeps its symbols in a map by name and writes each root with the
    // symbols derived from it right after.
    auto byName = [](const QList<Symbol> &a, const QList<Symbol> &b) {
        return a.value(0).name < b.value(0).name;
    };
    std::stable_sort(each.begin(), each.end(), byName);
    QList<Symbol> symbols;
    for (QList<Symbol> &group : each) {
        if (group.isEmpty())
            continue;
        std::stable_sort(group.begin() + 1, group.end(),
                         [](const Symbol &a, const Symbol &b) { return a.name < b.name; });
        symbols << group;
    }
    return symbols;
}

KicadSymLibrary kicadSymFromLegacy(const QList<QByteArray> &components,
                                   const Descricoes *descricoes, int version)
{
    const QList<Symbol> symbols = symbolsOfLegacyLibrary(components, descricoes);
    KicadSymLibrary lib;
    lib.version = version;
    lib.rows.resize(symbols.size());
    KicadSymRow *rows = lib.rows.data();
    emParalelo(symbols.size(), [&](qsizetype i) {
        KicadSymRow &row = rows[i];
        row.name = symbols[i].name;
        row.extends = symbols[i].extends;
        row.text = symbolText(symbols[i], version);
        row.version = version;
        row.extendsOffset = int(qMax(qsizetype(0), row.text.indexOf("(extends ")));
        row.checked = true; // written from the model just now
    });
    return lib;
}
