#include "kicadsym/kicadsymlibrary.h"
#include "library/dcmfile.h"
#include "symbol/legacysymbol.h"

#include "tests/support/corpus.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(LegacySymbol, ConvertsAComponentInInternalUnits)
{
    const QByteArray lib = "DEF ~NAND ~ 0 30 N Y 2 L P\n"
                           "F0 \"U\" -100 150 60 V V R BIB\n"
                           "F1 \"NAND\" 0 0 50 H I C CNN\n"
                           "F4 \"x\" 0 0 50 H I C CNN \"Spice\"\n"
                           "ALIAS NOR\n"
                           "$FPLIST\n SO*\n DIP*\n$ENDFPLIST\n"
                           "DRAW\n"
                           "A 0 0 100 0 900 2 1 10 f 100 0 0 100\n"
                           "C 0 0 0 0 2 0 N\n"
                           "T 900 10 20 40 0 2 1 \"~RST~ A~~B\" Italic 1 L T\n"
                           "T 0 0 0 50 0 2 1 a~b''c Normal 0 C C\n"
                           "X ~CLR 7 100 -200 150 L 40 50 1 1 I ICN\n"
                           "ENDDRAW\n"
                           "ENDDEF\n";
    const QList<Symbol> symbols = symbolsFromLegacy(lib, nullptr);
    ASSERT_EQ(symbols.size(), 2);
    const Symbol &s = symbols[0];
    EXPECT_EQ(s.name, "NAND");
    EXPECT_EQ(s.pinNameOffset, 7620);
    EXPECT_TRUE(s.pinNumbersHidden);
    EXPECT_FALSE(s.pinNamesHidden);
    EXPECT_TRUE(s.power);

    ASSERT_EQ(s.properties.size(), 5);
    const SymbolProperty &ref = s.properties[0];
    EXPECT_EQ(ref.value, "");
    EXPECT_TRUE(ref.effects.hidden);
    EXPECT_EQ(ref.at, QPoint(-25400, 38100));
    EXPECT_EQ(ref.angle, 900);
    EXPECT_EQ(ref.effects.height, 15240);
    EXPECT_EQ(ref.effects.justify, QList<QByteArray>({"right", "bottom"}));
    EXPECT_TRUE(ref.effects.italic && ref.effects.bold);
    EXPECT_TRUE(s.properties[1].effects.hidden);
    EXPECT_EQ(s.properties[2].name, "Spice");
    EXPECT_EQ(s.properties[2].id, 4);
    EXPECT_EQ(s.properties[3].name, "ki_locked");
    EXPECT_FALSE(s.properties[3].effects.hidden);
    EXPECT_EQ(s.properties[4].name, "ki_fp_filters");
    EXPECT_EQ(s.properties[4].value, "SO* DIP*");
    EXPECT_EQ(s.properties[4].id, 6);

    ASSERT_EQ(s.units.size(), 3);
    EXPECT_EQ(std::pair(s.units[0].unit, s.units[0].style), std::pair(0, 2));
    const GraphicItem &dot = s.units[0].graphics.value(0);
    EXPECT_EQ(dot.radius, 1); // KiCad writes a zero radius as 0.0001
    const SymbolUnit &u2 = s.units[2];
    EXPECT_EQ(std::pair(u2.unit, u2.style), std::pair(2, 1));
    ASSERT_EQ(u2.graphics.size(), 3);
    const GraphicItem &arc = u2.graphics[0];
    // a quarter circle of radius 100 mil from (100, 0) to (0, 100)
    EXPECT_EQ(arc.points, QList<QPoint>({{25400, 0}, {17961, 17961}, {0, 25400}}));
    EXPECT_EQ(arc.strokeWidth, 2540);
    EXPECT_EQ(arc.fill, GraphicItem::Fill::Background);
    const GraphicItem &text = u2.graphics[1];
    EXPECT_EQ(text.text, "~{RST} A~B");
    EXPECT_EQ(text.angle, 900);
    EXPECT_EQ(text.effects.justify, QList<QByteArray>({"left", "top"}));
    EXPECT_TRUE(text.effects.italic && text.effects.bold);
    const GraphicItem &plain = u2.graphics[2];
    EXPECT_EQ(plain.text, "a b\"c");
    EXPECT_TRUE(plain.effects.justify.isEmpty());
    EXPECT_FALSE(plain.effects.italic || plain.effects.bold);

    const SymbolPin &pin = s.units[1].pins.value(0);
    EXPECT_EQ(pin.name, "~{CLR}");
    EXPECT_EQ(pin.at, QPoint(25400, -50800));
    EXPECT_EQ(pin.angle, 1800);
    EXPECT_EQ(pin.length, 38100);
    EXPECT_EQ(pin.type, "input");
    EXPECT_EQ(pin.shape, "inverted_clock");
    EXPECT_TRUE(pin.hidden);
    EXPECT_EQ(pin.numberEffects.height, 10160);
    EXPECT_EQ(pin.nameEffects.height, 12700);

    const Symbol &alias = symbols[1];
    EXPECT_EQ(alias.extends, "NAND");
    EXPECT_EQ(alias.propertyValue("Value"), "NOR");
    EXPECT_TRUE(alias.units.isEmpty());
}

struct Overbar
{
    const char *in, *out;
};

class LegacyOverbar : public testing::TestWithParam<Overbar>
{
};

TEST_P(LegacyOverbar, BecomesKicad6Notation)
{
    EXPECT_EQ(newOverbars(GetParam().in), QByteArray(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(Texts, LegacyOverbar,
                         testing::Values(Overbar{"~RST", "~{RST}"}, Overbar{"~", "~"},
                                         Overbar{"A~~B", "A~B"}, Overbar{"~CS~/WR", "~{CS}/WR"},
                                         Overbar{"~OE x", "~{OE} x"}, Overbar{"D", "D"}));

QList<QByteArray> components(const QByteArray &lib)
{
    QList<QByteArray> out;
    qsizetype at = 0;
    while ((at = lib.indexOf("\nDEF ", at)) >= 0) {
        const qsizetype end = lib.indexOf("\nENDDEF", at);
        out << lib.mid(at + 1, end - at);
        at = end;
    }
    return out;
}

// KiCad 6 converted these libraries and their .dcm files into the
// .kicad_sym files of the corpus without later edits: both readers give the
// same model for every symbol.
class LegacyConversion : public testing::TestWithParam<QString>
{
};

TEST_P(LegacyConversion, EqualsKicadsOwn)
{
    const QString base = corpusDir() + u'/' + GetParam();
    QFile lib(base + QStringLiteral(".lib"));
    ASSERT_TRUE(lib.open(QIODevice::ReadOnly));
    const LeituraDcm dcm = carregaDescricoes(base + QStringLiteral(".dcm"));
    ASSERT_TRUE(dcm.resultado.ok);
    QList<Symbol> legacy;
    for (const QByteArray &c : components(lib.readAll()))
        legacy << symbolsFromLegacy(c, &dcm.descricoes);

    const KicadSymRead r = readKicadSymPath(corpusDir() + QStringLiteral("/../kicad-symbols-v6/") +
                                            GetParam() + QStringLiteral(".kicad_sym"));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(legacy.size(), r.library.rows.size());
    int differ = 0;
    for (const Symbol &s : legacy) {
        const qsizetype row = r.library.indexOf(s.name);
        ASSERT_GE(row, 0) << s.name.toStdString();
        const Symbol kicad = r.library.symbol(row).symbol;
        if (!(kicad == s) && ++differ <= 2)
            ADD_FAILURE() << "--- KiCad\n"
                          << describe(kicad).toStdString() << "--- legacy\n"
                          << describe(s).toStdString();
    }
    EXPECT_EQ(differ, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, LegacyConversion,
    testing::Values(QStringLiteral("74xx"), QStringLiteral("Connector_Generic"),
                    QStringLiteral("MCU_ST_STM32F4"), QStringLiteral("Relay"),
                    QStringLiteral("Sensor_Temperature"), QStringLiteral("Switch"),
                    QStringLiteral("Transistor_BJT"), QStringLiteral("power")),
    [](const testing::TestParamInfo<QString> &i) { return i.param.toStdString(); });

// A line with a number that cannot be in internal units is skipped whole;
// the rest of the component stays.
struct HostileLine
{
    const char *line;
    bool kept;
};

class LegacyHostileNumbers : public ::testing::TestWithParam<HostileLine>
{
};

TEST_P(LegacyHostileNumbers, SkipTheirLine)
{
    const QByteArray lib = QByteArray("DEF X U 0 40 Y Y 1 F N\n"
                                      "F0 \"U\" 0 0 50 H V C CNN\n"
                                      "DRAW\n"
                                      "S 0 0 100 -100 1 1 0 N\n") +
                           GetParam().line + "\nENDDRAW\nENDDEF\n";
    const QList<Symbol> symbols = symbolsFromLegacy(lib, nullptr);
    ASSERT_EQ(symbols.size(), 1);
    const Symbol &s = symbols[0];
    EXPECT_EQ(s.name, "X");
    ASSERT_EQ(s.units.size(), 1);
    const SymbolUnit &u = s.units[0];
    EXPECT_EQ(std::pair(u.unit, u.style), std::pair(1, 1));
    ASSERT_FALSE(u.graphics.isEmpty());
    EXPECT_EQ(u.graphics[0].points, QList<QPoint>({{0, 0}, {25400, -25400}}));
    // The rectangle and F0, and the line under test when it is kept.
    EXPECT_EQ(u.graphics.size() + u.pins.size() + s.properties.size(), GetParam().kept ? 3 : 2);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LegacyHostileNumbers,
    ::testing::Values(HostileLine{"S -2000000 0 2000000 100 1 1 0 N", true},
                      HostileLine{"S 10000000 0 100 100 1 1 0 N", false},
                      HostileLine{"S 0 0 100 100 1 1 -9000000 N", false},
                      HostileLine{"C 0 0 99999999999999999999 1 1 0 N", false},
                      HostileLine{"P 2 1 1 0 0 0 -8500000 0 N", false},
                      HostileLine{"P 2000000000 1 1 0 0 0 100 100 N", false},
                      HostileLine{"A 0 0 100 2147483647 -2147483647 1 1 0 N 100 0 0 100", false},
                      HostileLine{"A 9000000 0 100 0 900 1 1 0 N", false},
                      HostileLine{"T 0 0 0 8500000 0 1 1 t Normal 0 C C", false},
                      HostileLine{"X A 1 0 0 -9000000 R 50 50 1 1 I", false},
                      HostileLine{"X A 1 0 0 100 R 50 50 4294967297 1 I", false},
                      HostileLine{"F2 \"fp\" 9000000 0 50 H I C CNN", false},
                      HostileLine{"F2 \"fp\" 2000000 0 50 H I C CNN", true}));

} // namespace
