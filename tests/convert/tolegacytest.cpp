#include "convert/tolegacy.h"
#include "convert/comparison.h"
#include "kicadsym/kicadsymlibrary.h"
#include "symbol/legacysymbol.h"

#include "tests/support/corpus.h"

#include <gtest/gtest.h>

namespace {

// Every symbol KiCad 6 wrote, written as legacy components and read back as
// KiCad reads a .lib, is the symbol it was: the legacy format holds all of
// a KiCad 6 library converted from one.
class ToLegacy : public testing::TestWithParam<QString>
{
};

TEST_P(ToLegacy, ReadsBackAsKicadWroteIt)
{
    const KicadSymRead r = readKicadSymPath(corpusDir() + QStringLiteral("/../kicad-symbols-v6/") +
                                            GetParam() + QStringLiteral(".kicad_sym"));
    ASSERT_TRUE(r.ok());
    QList<Symbol> symbols;
    for (qsizetype i = 0; i < r.library.rows.size(); ++i)
        symbols << r.library.symbol(i).symbol;
    const LegacyConversion c = legacyLibrary(symbols);
    EXPECT_TRUE(c.losses.isEmpty()) << c.losses.value(0).what.toStdString();
    Descricoes docs;
    for (const LegacyComponent &comp : c.components)
        for (const Descricao &d : comp.descricoes)
            docs.acrescenta(d);
    QList<Symbol> back;
    for (const LegacyComponent &comp : c.components)
        back << symbolsFromLegacy(comp.comandos, &docs);
    ASSERT_EQ(back.size(), symbols.size());
    int differ = 0;
    for (const Symbol &s : back) {
        const qsizetype row = r.library.indexOf(s.name);
        ASSERT_GE(row, 0) << s.name.toStdString();
        const QByteArray d = symbolDifference(symbols[row], s);
        if (!d.isEmpty() && ++differ <= 3)
            ADD_FAILURE() << s.name.toStdString() << "\n" << d.toStdString();
    }
    EXPECT_EQ(differ, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, ToLegacy,
    testing::Values(QStringLiteral("74xx"), QStringLiteral("Amplifier_Operational"),
                    QStringLiteral("Connector_Generic"), QStringLiteral("Device"),
                    QStringLiteral("MCU_ST_STM32F4"), QStringLiteral("Relay"),
                    QStringLiteral("Sensor_Temperature"), QStringLiteral("Switch"),
                    QStringLiteral("Transistor_BJT"), QStringLiteral("power")),
    [](const testing::TestParamInfo<QString> &i) { return i.param.toStdString(); });

} // namespace
