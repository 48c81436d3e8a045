#include "kicadsym/versionlimits.h"
#include "kicadsym/symbolsexpr.h"

#include <gtest/gtest.h>

namespace {

struct LossCase
{
    const char *name;
    const char *inside; // lists inside (symbol "S" ...), before the unit
    const char *unit;   // lists inside (symbol "S_1_1" ...)
    int version;
    QStringList losses;
};

QByteArray symbolWith(const LossCase &c)
{
    return QByteArray("(symbol \"S\" ") + c.inside +
           " (property \"Reference\" \"U\" (at 0 0 0) (effects (font (size 1.27 1.27))))"
           " (symbol \"S_1_1\" " +
           c.unit + "))";
}

class VersionLosses : public testing::TestWithParam<LossCase>
{
};

TEST_P(VersionLosses, NamesWhatTheVersionCannotHold)
{
    const SymbolBuild b = buildSymbol(symbolWith(GetParam()));
    ASSERT_TRUE(b.ok()) << b.error.text().toStdString();
    EXPECT_EQ(versionLosses(b.symbol, GetParam().version), GetParam().losses);
}

const char *const textBox = "(text_box \"Nota\" (at 0 0 0) (size 5 2) (stroke (width 0) (type "
                            "default)) (fill (type none)) (effects (font (size 1.27 1.27))))";
const char *const line = "(polyline (pts (xy 0 0) (xy 1 1)) (stroke (width 0) (type default)) "
                         "(fill (type none)))";

INSTANTIATE_TEST_SUITE_P(
    Table, VersionLosses,
    testing::Values(
        LossCase{"TextBoxToKicad6", "", textBox, 20211014, {"caixa de texto (KiCad 7)"}},
        LossCase{"TextBoxToKicad7", "", textBox, 20220914, {}},
        LossCase{
            "UnitNameToKicad6", "", "(unit_name \"A\")", 20211014, {"nome de unidade (KiCad 7)"}},
        LossCase{"BothToKicad6",
                 "",
                 "(unit_name \"A\") (text_box \"N\" (at 0 0 0) (size 5 2))",
                 20211014,
                 {"caixa de texto (KiCad 7)", "nome de unidade (KiCad 7)"}},
        LossCase{"ExcludedFromSimToKicad7",
                 "(exclude_from_sim yes)",
                 line,
                 20220914,
                 {"excluído da simulação (KiCad 8)"}},
        LossCase{"ExcludedFromSimToKicad8", "(exclude_from_sim yes)", line, 20231120, {}},
        LossCase{"SimulatedToKicad6", "(exclude_from_sim no)", line, 20211014, {}},
        LossCase{"LocalPowerToKicad9",
                 "(power local)",
                 line,
                 20241209,
                 {"alimentação local (KiCad 10)"}},
        LossCase{"GlobalPowerToKicad6", "(power)", line, 20211014, {}},
        // The writer renames the property: converted, not lost.
        LossCase{"DescriptionToKicad6",
                 "(property \"Description\" \"d\" (at 0 0 0) (effects (font (size 1 1))))",
                 line,
                 20211014,
                 {}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
