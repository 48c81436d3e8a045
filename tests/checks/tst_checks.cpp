#include "checks/checks.h"

#include "kicadsym/symbolsexpr.h"
#include "library/dcmfile.h"

#include <gtest/gtest.h>

namespace {

using namespace Klc;

// An IC that keeps every rule (but S6.3: it has no .dcm entry).
const char *const Ic = "DEF IC U 0 20 Y Y 1 F N\n"
                       "F0 \"U\" 0 250 50 H V C CNN\n"
                       "F1 \"IC\" 0 -250 50 H V C CNN\n"
                       "F2 \"Package_SO:SOIC-8\" 0 0 50 H I C CNN\n"
                       "F3 \"\" 0 0 50 H I C CNN\n"
                       "$FPLIST\n SOIC*\n$ENDFPLIST\n"
                       "DRAW\n"
                       "S -200 200 200 -200 0 1 10 f\n"
                       "X A 1 -300 100 100 R 50 50 1 1 I\n"
                       "X B 2 -300 -100 100 R 50 50 1 1 I\n"
                       "X Y 3 300 0 100 L 50 50 1 1 O\n"
                       "X VCC 4 0 300 100 D 50 50 1 1 W\n"
                       "X GND 5 0 -300 100 U 50 50 1 1 W\n"
                       "ENDDRAW\n"
                       "ENDDEF\n";

const char *const Power = "DEF GND #PWR 0 0 Y Y 1 F P\n"
                          "F0 \"#PWR\" 0 -250 50 H I C CNN\n"
                          "F1 \"GND\" 0 -150 50 H V C CNN\n"
                          "F2 \"\" 0 0 50 H I C CNN\n"
                          "F3 \"\" 0 0 50 H I C CNN\n"
                          "DRAW\n"
                          "P 2 0 1 0 0 0 0 -100 N\n"
                          "X GND 1 0 0 0 D 50 50 1 1 W N\n"
                          "ENDDRAW\n"
                          "ENDDEF\n";

// Two gates drawn alike, and a De Morgan body.
const char *const Gates = "DEF G U 0 40 Y Y 2 L N\n"
                          "F0 \"U\" 0 200 50 H V C CNN\n"
                          "F1 \"G\" 0 -200 50 H V C CNN\n"
                          "DRAW\n"
                          "S -100 100 100 -100 1 1 10 f\n"
                          "S -100 100 100 -100 2 1 10 f\n"
                          "X A 1 -200 0 100 R 50 50 1 1 I\n"
                          "X Y 2 200 0 100 L 50 50 1 1 O\n"
                          "X A 3 -200 0 100 R 50 50 2 1 I\n"
                          "X Y 4 200 0 100 L 50 50 2 1 O\n"
                          "X A 1 -200 0 100 R 50 50 1 2 I\n"
                          "X Y 2 200 0 100 L 50 50 1 2 O\n"
                          "ENDDRAW\n"
                          "ENDDEF\n";

const char *const Resistor = "DEF R R 0 0 N N 1 F N\n"
                             "F0 \"R\" 80 0 50 V V C CNN\n"
                             "F1 \"R\" 0 0 50 V V C CNN\n"
                             "F2 \"\" 0 0 50 V I C CNN\n"
                             "F3 \"\" 0 0 50 H I C CNN\n"
                             "DRAW\n"
                             "S -40 -50 40 50 0 1 10 N\n"
                             "X ~ 1 0 100 50 D 50 50 1 1 P\n"
                             "X ~ 2 0 -100 50 U 50 50 1 1 P\n"
                             "ENDDRAW\n"
                             "ENDDEF\n";

const char *const Logo = "DEF LOGO #SYM 0 40 Y Y 1 F N\n"
                         "F0 \"#SYM\" 0 0 50 H I C CNN\n"
                         "F1 \"LOGO\" 0 0 50 H I C CNN\n"
                         "DRAW\n"
                         "C 0 0 100 0 1 10 N\n"
                         "ENDDRAW\n"
                         "ENDDEF\n";

const char *const Described = "(symbol \"IC\" (in_bom yes) (on_board yes)\n"
                              "  (property \"Reference\" \"U\" (id 0) (at 0 0 0))\n"
                              "  (property \"Value\" \"IC\" (id 1) (at 0 0 0))\n"
                              "  (property \"ki_description\" \"A gate\" (id 4) (at 0 0 0))\n"
                              "  (property \"ki_keywords\" \"logic\" (id 5) (at 0 0 0))\n"
                              ")\n";

struct RuleCase
{
    const char *name;
    Rule rule;
    const char *base;
    // Up to two edits of the base text (first occurrence each).
    const char *from1, *to1, *from2, *to2;
    int findings;
};

QByteArray edited(const RuleCase &c)
{
    QByteArray t = c.base;
    for (auto [from, to] : {std::pair{c.from1, c.to1}, std::pair{c.from2, c.to2}}) {
        if (!from)
            continue;
        const qsizetype at = t.indexOf(from);
        EXPECT_GE(at, 0) << c.name << ": no " << from;
        if (at >= 0)
            t.replace(at, qstrlen(from), to);
    }
    return t;
}

class RuleTable : public testing::TestWithParam<RuleCase>
{
};

TEST_P(RuleTable, FindsWhatBreaksTheRuleAndOnlyThat)
{
    const RuleCase &c = GetParam();
    const QList<Finding> found =
        checkRows({{"x", edited(c), nullptr}}, RuleFilter::parse(QLatin1String(ruleName(c.rule))));
    QString said;
    for (const Finding &f : found) {
        EXPECT_EQ(f.rule, c.rule);
        said += QLatin1String(ruleName(f.rule)) + QLatin1Char(' ') + f.message + QLatin1Char('\n');
    }
    EXPECT_EQ(found.size(), c.findings) << said.toStdString();
}

#define NO nullptr, nullptr
INSTANTIATE_TEST_SUITE_P(
    Klc, RuleTable,
    testing::Values(
        RuleCase{"S31_kept", S3_1, Ic, NO, NO, 0},
        RuleCase{"S31_body_high", S3_1, Ic, "S -200 200", "S -200 400", NO, 1},
        RuleCase{"S31_power_sits_on_its_pin", S3_1, Power, NO, NO, 0},
        RuleCase{"S32_kept", S3_2, Ic, NO, NO, 0},
        RuleCase{"S32_value_40", S3_2, Ic, "0 -250 50", "0 -250 40", NO, 1},
        RuleCase{"S32_two_pin_names_one_finding", S3_2, Ic, "R 50 50", "R 40 50", "R 50 50",
                 "R 50 60", 1},
        RuleCase{"S32_hidden_names_not_read", S3_2, Ic, "R 50 50", "R 50 40", "Y Y 1", "Y N 1", 0},
        RuleCase{"S33_kept", S3_3, Ic, NO, NO, 0},
        RuleCase{"S33_ic_unfilled", S3_3, Ic, "10 f", "10 N", NO, 1},
        RuleCase{"S33_resistor_unfilled", S3_3, Resistor, NO, NO, 0},
        RuleCase{"S35_kept", S3_5, Ic, NO, NO, 0},
        RuleCase{"S35_pin_end_inside", S3_5, Ic, "3 300 0", "3 100 0", NO, 1},
        RuleCase{"S35_pin_end_on_edge", S3_5, Ic, "3 300 0", "3 200 0", NO, 0},
        RuleCase{"S36_kept", S3_6, Ic, NO, NO, 0},
        RuleCase{"S36_offset_5", S3_6, Ic, "U 0 20", "U 0 5", NO, 1},
        RuleCase{"S36_offset_60", S3_6, Ic, "U 0 20", "U 0 60", NO, 1},
        RuleCase{"S36_names_outside", S3_6, Ic, "U 0 20", "U 0 0", NO, 0},
        RuleCase{"S36_names_hidden", S3_6, Ic, "U 0 20 Y Y", "U 0 5 Y N", NO, 0},
        RuleCase{"S38_kept", S3_8, Gates, NO, NO, 0},
        RuleCase{"S38_pin_moved", S3_8, Gates, "Y 4 200 0", "Y 4 200 100", NO, 1},
        RuleCase{"S38_pin_renamed", S3_8, Gates, "X A 3", "X B 3", NO, 0},
        RuleCase{"S38_pin_retyped", S3_8, Gates, "Y 4 200 0 100 L 50 50 2 1 O",
                 "Y 4 200 0 100 L 50 50 2 1 B", NO, 1},
        RuleCase{"S39_kept", S3_9, Gates, NO, NO, 0},
        RuleCase{"S39_pin_moved", S3_9, Gates, "2 200 0 100 L 50 50 1 2",
                 "2 200 100 100 L 50 50 1 2", NO, 1},
        RuleCase{"S41_kept", S4_1, Ic, NO, NO, 0},
        RuleCase{"S41_off_grid", S4_1, Ic, "1 -300 100", "1 -310 100", NO, 1},
        RuleCase{"S41_short_and_unequal", S4_1, Ic, "100 100 R", "100 25 R", NO, 2},
        RuleCase{"S41_unequal", S4_1, Ic, "100 100 R", "100 150 R", NO, 1},
        RuleCase{"S41_long", S4_1, Ic, "100 100 R", "100 350 R", NO, 2},
        RuleCase{"S41_off_step", S4_1, Ic, "100 100 R", "100 120 R", "-100 100 R", "-100 120 R", 3},
        RuleCase{"S41_number_twice", S4_1, Ic, "X B 2", "X B 1", NO, 1},
        RuleCase{"S41_discrete_short_pins", S4_1, Resistor, NO, NO, 0},
        RuleCase{"S41_discrete_on_the_50_mil_grid", S4_1, Resistor, "0 -100 50", "0 -150 50", NO,
                 0},
        RuleCase{"S41_discrete_off_the_50_mil_grid", S4_1, Resistor, "0 -100 50", "0 -120 50", NO,
                 1},
        RuleCase{"S41_short_pins_with_names", S4_1, Resistor, "X ~ 1", "X A 1", "N N 1", "N Y 1",
                 2},
        RuleCase{"S43_kept", S4_3, Ic, "X B 2 -300 -100 100 R 50 50 1 1 I",
                 "X A 2 -300 100 100 R 50 50 1 1 I N", NO, 0},
        RuleCase{"S43_names_differ", S4_3, Ic, "X B 2 -300 -100 100 R 50 50 1 1 I",
                 "X B 2 -300 100 100 R 50 50 1 1 I N", NO, 1},
        RuleCase{"S43_two_visible_types_differ", S4_3, Ic, "X B 2 -300 -100 100 R 50 50 1 1 I",
                 "X A 2 -300 100 100 R 50 50 1 1 B", NO, 1},
        RuleCase{"S43_hidden_output_not_passive", S4_3, Ic, "X B 2 -300 -100 100 R 50 50 1 1 I",
                 "X Y 2 300 0 100 L 50 50 1 1 O N", NO, 1},
        RuleCase{"S43_hidden_output_passive", S4_3, Ic, "X B 2 -300 -100 100 R 50 50 1 1 I",
                 "X Y 2 300 0 100 L 50 50 1 1 P N", NO, 0},
        RuleCase{"S43_no_connect", S4_3, Ic, "X B 2 -300 -100 100 R 50 50 1 1 I",
                 "X A 2 -300 100 100 R 50 50 1 1 N N", NO, 1},
        RuleCase{"S46_kept", S4_6, Ic, NO, NO, 0},
        RuleCase{"S46_hidden_power_in", S4_6, Ic, "1 1 W\n", "1 1 W N\n", NO, 1},
        RuleCase{"S46_power_symbol_pin_not_power_in", S4_6, Power, "1 1 W N", "1 1 w N", NO, 1},
        RuleCase{"S46_power_symbol_kept", S4_6, Power, NO, NO, 0},
        RuleCase{"S51_kept", S5_1, Ic, NO, NO, 0},
        RuleCase{"S51_no_library", S5_1, Ic, "\"Package_SO:SOIC-8\"", "\"SOIC-8\"", NO, 1},
        RuleCase{"S52_kept", S5_2, Ic, NO, NO, 0},
        RuleCase{"S52_filter_misses", S5_2, Ic, " SOIC*", " DIP*", NO, 1},
        RuleCase{"S52_filter_with_library", S5_2, Ic, " SOIC*", " Package_SO:SO?C*", NO, 0},
        RuleCase{"S52_nothing_to_choose_by", S5_2, Ic, "\"Package_SO:SOIC-8\"", "\"\"",
                 "$FPLIST\n SOIC*\n$ENDFPLIST\n", "", 1},
        RuleCase{"S62_kept", S6_2, Ic, NO, NO, 0},
        RuleCase{"S62_value_not_name", S6_2, Ic, "\"IC\" 0", "\"IX\" 0", NO, 1},
        RuleCase{"S62_value_hidden", S6_2, Ic, "-250 50 H V", "-250 50 H I", NO, 1},
        RuleCase{"S62_footprint_shown", S6_2, Ic, "SOIC-8\" 0 0 50 H I", "SOIC-8\" 0 0 50 H V", NO,
                 1},
        RuleCase{"S63_no_dcm", S6_3, Ic, NO, NO, 2},
        RuleCase{"S63_kept", S6_3, Described, NO, NO, 0},
        RuleCase{"S63_no_keywords", S6_3, Described, "\"logic\"", "\"\"", NO, 1},
        RuleCase{"S71_kept", S7_1, Power, NO, NO, 0},
        RuleCase{"S71_pin_shown", S7_1, Power, "1 1 W N", "1 1 W", NO, 1},
        RuleCase{"S71_reference", S7_1, Power, "F0 \"#PWR\"", "F0 \"#FLG\"", NO, 1},
        RuleCase{"S71_two_pins", S7_1, Power, "ENDDRAW", "X GND 2 0 0 0 D 50 50 1 1 W N\nENDDRAW",
                 NO, 1},
        RuleCase{"S72_kept", S7_2, Logo, NO, NO, 0},
        RuleCase{"S72_annotated", S7_2, Logo, "F0 \"#SYM\"", "F0 \"SYM\"", NO, 1},
        RuleCase{"S72_not_for_symbols_with_pins", S7_2, Ic, "F0 \"U\"", "F0 \"X\"", NO, 0},
        RuleCase{"G11_kept", G1_1, Ic, NO, NO, 0},
        RuleCase{"G11_slash_and_blank_once_each", G1_1,
                 "(symbol \"A/B C/D\" (property \"Value\" \"x\" (id 1) (at 0 0 0)))", NO, NO, 1},
        RuleCase{"G17_kept", G1_7, Ic, NO, NO, 0},
        RuleCase{"G17_carriage_return", G1_7, Described, "yes)\n", "yes)\r\n", NO, 1},
        RuleCase{"G17_legacy_rows_end_lines_in_cr", G1_7, Ic, "CNN\n", "CNN\r", NO, 0}),
    [](const auto &info) { return std::string(info.param.name); });
#undef NO

TEST(Checks, LegacyDescriptionsAndAliasesAreChecked)
{
    // The alias is drawn as its component: the off-grid pin is found twice.
    QByteArray ic = Ic;
    ic.replace("F3 \"\" 0 0 50 H I C CNN\n", "F3 \"\" 0 0 50 H I C CNN\nALIAS IC2\n");
    ic.replace("1 -300 100", "1 -310 100");
    const LeituraDcm dcm = leDescricoes("EESchema-DOCLIB  Version 2.0\n$CMP IC\nD A gate\n"
                                        "K logic\n$ENDCMP\n");
    const QList<Finding> found =
        checkRows({{"IC", ic, &dcm.descricoes}}, RuleFilter::parse(QStringLiteral("S4.1 S6.3")));
    QStringList said;
    for (const Finding &f : found)
        said << QString::fromLatin1(f.symbol) + QLatin1Char(' ') + QLatin1String(ruleName(f.rule));
    // IC2 has no .dcm entry of its own: it takes its component's, as KiCad 6
    // converts it.
    EXPECT_EQ(said, QStringList({"IC S4.1", "IC2 S4.1"}));
    EXPECT_EQ(found[0].at, QPoint(-310 * 254, 100 * 254));
}

TEST(Checks, DerivedKicadSymbolIsDrawnAsItsParent)
{
    const QByteArray parent = "(symbol \"P\" (symbol \"P_1_1\" (pin input line (at 1 0 0)"
                              " (length 2.54) (name \"A\") (number \"1\"))))\n";
    const QByteArray child = "(symbol \"C\" (extends \"P\"))\n";
    const QList<Finding> found = checkRows({{"C", child, nullptr}, {"P", parent, nullptr}},
                                           RuleFilter::parse(QStringLiteral("S4.1")));
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].symbol, "C");
    EXPECT_EQ(found[1].symbol, "P");
}

TEST(Checks, RuleListsAreReadWithoutRegardToCase)
{
    bool ok = true;
    QString bad;
    const RuleFilter f = RuleFilter::parse(QStringLiteral("s4.1, G1.7"), &ok, &bad);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(f.wants(S4_1) && f.wants(G1_7) && !f.wants(S6_2));
    RuleFilter::parse(QStringLiteral("S4.1,S9.9"), &ok, &bad);
    EXPECT_FALSE(ok);
    EXPECT_EQ(bad, QStringLiteral("S9.9"));
}

// --- fixes ------------------------------------------------------------------

struct FixCase
{
    const char *name;
    const char *rules;
    QByteArray before, after; // legacy texts as the library table holds them (CR ends)
    int changes;
};

class FixTable : public testing::TestWithParam<FixCase>
{
};

TEST_P(FixTable, EditsOnlyTheLinesTheFixTouches)
{
    const FixCase &c = GetParam();
    const RuleFilter rules = RuleFilter::parse(QLatin1String(c.rules));
    const RowFix fix = fixRow(c.before, rules, 0);
    EXPECT_EQ(fix.changes.size(), c.changes);
    EXPECT_EQ(fix.text.toStdString(), c.after.toStdString());
    EXPECT_TRUE(checkRows({{"x", fix.text, nullptr}}, rules).isEmpty());
}

const QByteArray Shifted = "DEF IC U 0 20 Y Y 1 F N\r"
                           "F0 \"U\" 10 250 50 H V C CNN\r"
                           "F1 \"IX\" 10 -250 50 H V C CNN\r"
                           "F2 \"L:F\" 10 0 50 H V C CNN\r"
                           "F3 \"\" 10 0 50 H I C CNN\r"
                           "$FPLIST\r F*\r$ENDFPLIST\r"
                           "DRAW\r"
                           "S -190 200 210 -200 0 1 10 N\r"
                           "A 10 0 50 0 900 0 1 10 N 60 0 10 50\r"
                           "P 2 0 1 10 -90 0 110 0 N\r"
                           "T 0 10 0 50 0 1 1 \"a b\" Normal 0 C C\r"
                           "X A 1 -290 0 100 R 50 50 1 1 I\r"
                           "X Y 2 310 0 100 L 50 50 1 1 O\r"
                           "ENDDRAW\r"
                           "ENDDEF\r";

INSTANTIATE_TEST_SUITE_P(
    Klc, FixTable,
    testing::Values(FixCase{"snap", "S4.1", Shifted,
                            QByteArray(Shifted)
                                .replace("\" 10 ", "\" 0 ")
                                .replace("S -190 200 210", "S -200 200 200")
                                .replace("A 10 0 50 0 900 0 1 10 N 60 0 10 50",
                                         "A 0 0 50 0 900 0 1 10 N 50 0 0 50")
                                .replace("-90 0 110 0", "-100 0 100 0")
                                .replace("T 0 10 0", "T 0 0 0")
                                .replace("-290 0", "-300 0")
                                .replace("310 0", "300 0"),
                            1},
                    FixCase{"value_and_hidden_fields", "S6.2", Shifted,
                            QByteArray(Shifted)
                                .replace("\"IX\"", "\"IC\"")
                                .replace("\"L:F\" 10 0 50 H V", "\"L:F\" 10 0 50 H I"),
                            2},
                    FixCase{"fill", "S3.3", Shifted,
                            QByteArray(Shifted).replace("10 N\rA", "10 f\rA"), 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Fixes, KicadSymRowIsWrittenAgainFromTheFixedModel)
{
    const QByteArray row = "(symbol \"IC\" (in_bom yes) (on_board yes)\n"
                           "  (property \"Reference\" \"U\" (id 0) (at 0 0 0))\n"
                           "  (property \"Value\" \"X\" (id 1) (at 0 0 0))\n"
                           "  (property \"Datasheet\" \"d\" (id 3) (at 0 0 0))\n"
                           "  (symbol \"IC_1_1\" (rectangle (start -2.54 2.54) (end 2.54 -2.54)"
                           " (stroke (width 0.254)) (fill (type none)))\n"
                           "    (pin input line (at -5.08 1.27 0) (length 2.54)"
                           " (name \"A\") (number \"1\"))))\n";
    const RowFix fix = fixRow(row, {}, KicadSymVersion::v6);
    ASSERT_EQ(fix.changes.size(), 4) << fix.text.toStdString();
    const SymbolBuild b = buildSymbol(fix.text);
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(b.symbol.propertyValue("Value"), "IC");
    EXPECT_TRUE(b.symbol.property("Datasheet")->effects.hidden);
    EXPECT_EQ(b.symbol.units[0].graphics[0].fill, GraphicItem::Fill::Background);
    EXPECT_EQ(b.symbol.units[0].graphics[0].points[0], QPoint(-25400, 12700));
    EXPECT_EQ(b.symbol.units[0].pins[0].at, QPoint(-50800, 0));
}

} // namespace
