#include "convert/tolegacy.h"
#include "convert/comparison.h"
#include "kicadsym/kicadsymlibrary.h"
#include "kicadsym/symbolsexpr.h"
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

Symbol symbolWith(const QByteArray &items, const QByteArray &name = "S",
                  const QByteArray &extends = {}, const QByteArray &more = {})
{
    const QByteArray props =
        "(property \"Reference\" \"U\" (at 0 0 0) (effects (font (size 1.27 1.27))))"
        "(property \"Value\" \"" +
        name +
        "\" (at 0 0 0) (effects (font (size 1.27 1.27))))"
        "(property \"Footprint\" \"\" (at 0 0 0) (effects (font (size 1.27 1.27)) hide))"
        "(property \"Datasheet\" \"\" (at 0 0 0) (effects (font (size 1.27 1.27)) hide))" +
        more;
    const QByteArray text =
        extends.isEmpty() ? "(symbol \"" + name + "\" (in_bom yes) (on_board yes) " + props +
                                " (symbol \"" + name + "_1_1\" " + items + "))"
                          : "(symbol \"" + name + "\" (extends \"" + extends + "\") " + props + ")";
    const SymbolBuild b = buildSymbol(text);
    EXPECT_TRUE(b.ok()) << b.error.text().toStdString();
    return b.symbol;
}

struct Loss
{
    const char *item;
    const char *loss; // empty: nothing lost
    int drawLines;    // between DRAW and ENDDRAW
};

void PrintTo(const Loss &l, std::ostream *os)
{
    *os << l.item;
}

class LegacyLoss : public testing::TestWithParam<Loss>
{
};

TEST_P(LegacyLoss, IsListedForItsSymbol)
{
    const LegacyConversion c = legacyLibrary({symbolWith(GetParam().item)});
    ASSERT_EQ(c.components.size(), 1);
    const QString loss = QString::fromUtf8(GetParam().loss);
    if (loss.isEmpty()) { // nothing lost: read back, the symbol itself
        EXPECT_TRUE(c.losses.isEmpty()) << c.losses.value(0).what.toStdString();
        const QList<Symbol> back = symbolsFromLegacy(c.components[0].comandos, nullptr);
        EXPECT_EQ(symbolDifference(back.value(0), symbolWith(GetParam().item)), "");
    } else
        EXPECT_EQ(c.losses, QList<ConversionLoss>({{"S", loss}}));
    const QList<QByteArray> lines = c.components[0].comandos.split('\r');
    EXPECT_EQ(lines.indexOf("ENDDRAW") - lines.indexOf("DRAW") - 1, GetParam().drawLines);
}

const char stroke[] = "(stroke (width 0) (type default)) (fill (type none))";

INSTANTIATE_TEST_SUITE_P(
    Items, LegacyLoss,
    testing::Values(
        Loss{"(polyline (pts (xy 0 0) (xy 2.54 0)) (stroke (width 0) (type default)) (fill (type "
             "none)))",
             "", 1},
        Loss{"(polyline (pts (xy 0 0) (xy 1 0)) (stroke (width 0) (type default)) (fill (type "
             "none)))",
             "medidas fora da grade de 1 mil arredondadas", 1},
        Loss{"(polyline (pts (xy 0 0) (xy 2.54 0)) (stroke (width 0) (type dash)) (fill (type "
             "none)))",
             "estilo de traço \"dash\"", 1},
        Loss{"(polyline (pts (xy 0 0) (xy 2.54 0)) (stroke (width 0) (type default) (color 255 "
             "0 0 1)) (fill (type none)))",
             "cor de traço", 1},
        Loss{"(bezier (pts (xy 0 0) (xy 2.54 5.08) (xy 5.08 5.08) (xy 7.62 0)) (stroke (width 0) "
             "(type default)) (fill (type none)))",
             "curva de Bézier (vira polilinha)", 1},
        Loss{"(text_box \"t\" (at 0 0 0) (size 2.54 2.54) (stroke (width 0) (type default)) "
             "(fill (type none)) (effects (font (size 1.27 1.27))))",
             "caixa de texto (vira retângulo e texto)", 2},
        Loss{"(pin input line (at 0 0 0) (length 2.54) (name \"A\" (effects (font (size 1.27 "
             "1.27)))) (number \"1\" (effects (font (size 1.27 1.27)))) (alternate \"B\" output "
             "line))",
             "funções alternativas de pino", 1},
        Loss{"(text \"a ~{b}\" (at 2.54 0 900) (effects (font (size 1.27 1.27) italic) "
             "(justify left) hide))",
             "", 1},
        // three quarters of a circle, clockwise from (2.54, 0) through the
        // bottom to (0, 2.54): two legacy arcs
        Loss{"(arc (start 2.54 0) (mid 0 -2.54) (end 0 2.54) (stroke (width 0) (type default)) "
             "(fill (type none)))",
             "arco de mais de 180° dividido em dois", 2},
        // a quarter: one arc, read back with the same three points
        Loss{"(arc (start 2.54 0) (mid 1.7961 1.7961) (end 0 2.54) (stroke (width 0) (type "
             "default)) (fill (type none)))",
             "", 1}));

TEST(LegacyLoss, PropertiesBeyondFields)
{
    const LegacyConversion c = legacyLibrary({symbolWith(
        {}, "S", {},
        "(property \"ki_foo\" \"x\" (at 0 0 0) (effects (font (size 1.27 1.27)) hide))")});
    EXPECT_EQ(c.losses, QList<ConversionLoss>({{"S", QStringLiteral("propriedade ki_foo")}}));
}

// A blank cannot stand in a legacy name: the component and its .dcm entry
// both take the name written.
TEST(LegacyLoss, BlankInTheName)
{
    const LegacyConversion c = legacyLibrary({symbolWith(
        {}, "A B", {},
        "(property \"ki_description\" \"d\" (at 0 0 0) (effects (font (size 1.27 1.27)) hide))")});
    ASSERT_EQ(c.components.size(), 1);
    EXPECT_EQ(c.components[0].nome, "A_B");
    ASSERT_EQ(c.components[0].descricoes.size(), 1);
    EXPECT_EQ(c.components[0].descricoes[0].nome(), "A_B");
    EXPECT_EQ(c.losses,
              QList<ConversionLoss>({{"A B", QStringLiteral("espaço no nome (vira _)")}}));
}

// A derived symbol that only changes what an alias takes from its .dcm
// entry is an ALIAS; one with a footprint of its own is a component.
TEST(LegacyAlias, OnlyForFieldsTheDcmHolds)
{
    const QByteArray pin = "(pin input line (at 0 0 0) (length 2.54) (name \"A\" (effects (font "
                           "(size 1.27 1.27)))) (number \"1\" (effects (font (size 1.27 1.27)))))";
    const Symbol root = symbolWith(pin, "R");
    const Symbol alias = symbolWith(
        {}, "A", "R",
        "(property \"ki_description\" \"other\" (at 0 0 0) (effects (font (size 1.27 1.27)) "
        "hide))");
    Symbol own = symbolWith({}, "F", "R");
    const_cast<SymbolProperty *>(own.property("Footprint"))->value = "Pkg:SO8";
    const LegacyConversion c = legacyComponents(root, {alias, own});
    ASSERT_EQ(c.components.size(), 2);
    EXPECT_TRUE(c.components[0].comandos.contains("\rALIAS A\r"));
    ASSERT_EQ(c.components[0].descricoes.size(), 1);
    EXPECT_EQ(c.components[0].descricoes[0].descricao(), "other");
    EXPECT_TRUE(c.components[1].comandos.startsWith("DEF F U 0 20 Y Y 1 F N\r"));
    EXPECT_TRUE(c.components[1].comandos.contains("\rF2 \"Pkg:SO8\" 0 0 50 H I C CNN\r"));
    EXPECT_TRUE(c.components[1].comandos.contains("\rX A 1 0 0 100 R 50 50 1 1 I\r"));
}

// A symbol deriving from a derived one, or from one the library lacks, is
// written whole: with its root's drawing, or as it stands (and said so).
TEST(LegacyLibrary, ChainsAndOrphansBecomeComponents)
{
    const QByteArray pin = "(pin input line (at 0 0 0) (length 2.54) (name \"A\" (effects (font "
                           "(size 1.27 1.27)))) (number \"1\" (effects (font (size 1.27 1.27)))))";
    const LegacyConversion c =
        legacyLibrary({symbolWith(pin, "R"), symbolWith({}, "A", "R"), symbolWith({}, "B", "A"),
                       symbolWith({}, "O", "Gone")});
    QList<QByteArray> defs;
    for (const LegacyComponent &comp : c.components)
        defs << comp.comandos.left(comp.comandos.indexOf('\r'));
    EXPECT_EQ(defs, QList<QByteArray>({"DEF R U 0 20 Y Y 1 F N", "DEF B U 0 20 Y Y 1 F N",
                                       "DEF O U 0 20 Y Y 1 F N"}));
    EXPECT_TRUE(c.components[0].comandos.contains("\rALIAS A\r"));
    EXPECT_TRUE(c.components[1].comandos.contains("\rX A 1 0 0 100 R 50 50 1 1 I\r"));
    EXPECT_FALSE(c.components[2].comandos.contains("DRAW"));
    EXPECT_EQ(c.losses,
              QList<ConversionLoss>({{"O", QStringLiteral("deriva de um símbolo que falta")}}));
}

struct Overbar
{
    const char *in, *out;
};

class LegacyOverbarBack : public testing::TestWithParam<Overbar>
{
};

TEST_P(LegacyOverbarBack, BecomesLegacyNotation)
{
    EXPECT_EQ(oldOverbars(GetParam().in), QByteArray(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(Texts, LegacyOverbarBack,
                         testing::Values(Overbar{"~{RST}", "~RST"}, Overbar{"~", "~"},
                                         Overbar{"A~B", "A~~B"}, Overbar{"~{CS}/WR", "~CS~/WR"},
                                         Overbar{"~{OE} x", "~OE x"}, Overbar{"D", "D"}));

} // namespace
