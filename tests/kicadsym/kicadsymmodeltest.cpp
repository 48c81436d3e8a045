#include "kicadsym/kicadsymlibrary.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A two-unit symbol with a body style, written by hand in KiCad 6's layout.
const QByteArray gate = R"((symbol "G" (pin_names (offset 0.508) hide) (in_bom yes) (on_board no)
    (property "Reference" "U" (id 0) (at -2.54 1.27 90)
      (effects (font (size 1.524 1.27) bold italic) (justify left bottom) hide)
    )
    (property "ki_description" "a \"gate\"" (id 1) (at 0 0 0)
      (effects (font (size 1.27 1.27)))
    )
    (symbol "G_0_1"
      (rectangle (start -5.08 5.08) (end 5.08 -5.08)
        (stroke (width 0.254) (type dash) (color 255 0 0 0.5))
        (fill (type background))
      )
      (arc (start 0 1) (mid 1 0) (end 0 -1)
        (stroke (width 0) (type default) (color 0 0 0 0))
        (fill (type none))
      )
      (text "Hi" (at 1 2 900)
        (effects (font (size 1 1)))
      )
      (future_shape (size 3))
    )
    (symbol "G_2_1"
      (pin input inverted (at 2.54 0 180) (length 3.81) hide
        (name "~{RST}" (effects (font (size 1.27 1.27))))
        (number "7" (effects (font (size 1 1))))
        (alternate "CLK" input clock)
      )
    )
    (symbol "G_2_2"
      (circle (center 0.0001 -0.0001) (radius 0.0001)
        (stroke (width 0) (type default) (color 0 0 0 0))
        (fill (type outline))
      )
    )
  )
)";

TEST(KicadSymModel, ReadsEveryFieldInInternalUnits)
{
    const SymbolBuild b = buildSymbol(gate);
    ASSERT_TRUE(b.ok()) << b.error.text().toStdString();
    const Symbol &s = b.symbol;
    EXPECT_EQ(s.name, "G");
    EXPECT_EQ(s.pinNameOffset, 5080);
    EXPECT_TRUE(s.pinNamesHidden);
    EXPECT_FALSE(s.pinNumbersHidden);
    EXPECT_EQ(s.inBom, true);
    EXPECT_EQ(s.onBoard, false);
    EXPECT_EQ(s.excludeFromSim, std::nullopt);
    EXPECT_EQ(s.description(), "a \"gate\"");
    EXPECT_EQ(s.unitCount(), 2);
    EXPECT_TRUE(s.hasBodyStyles());

    ASSERT_EQ(s.properties.size(), 2);
    const SymbolProperty &ref = s.properties[0];
    EXPECT_EQ(ref.at, QPoint(-25400, 12700));
    EXPECT_EQ(ref.angle, 900);
    EXPECT_EQ(ref.effects.height, 15240);
    EXPECT_EQ(ref.effects.width, 12700);
    EXPECT_TRUE(ref.effects.bold && ref.effects.italic && ref.effects.hidden);
    EXPECT_EQ(ref.effects.justify, QList<QByteArray>({"left", "bottom"}));

    ASSERT_EQ(s.units.size(), 3);
    const SymbolUnit &common = s.units[0];
    EXPECT_EQ(std::pair(common.unit, common.style), std::pair(0, 1));
    ASSERT_EQ(common.graphics.size(), 3);
    const GraphicItem &rect = common.graphics[0];
    EXPECT_EQ(rect.points, QList<QPoint>({{-50800, 50800}, {50800, -50800}}));
    EXPECT_EQ(rect.strokeWidth, 2540);
    EXPECT_EQ(rect.strokeType, "dash");
    EXPECT_EQ(rect.strokeColor, (SymbolColor{255, 0, 0, 0.5}));
    EXPECT_EQ(rect.fill, GraphicItem::Fill::Background);
    const GraphicItem &arc = common.graphics[1];
    EXPECT_EQ(arc.points, QList<QPoint>({{0, 10000}, {10000, 0}, {0, -10000}}));
    EXPECT_EQ(arc.strokeColor, std::nullopt); // KiCad 6's way of saying "default"
    const GraphicItem &text = common.graphics[2];
    EXPECT_EQ(text.text, "Hi");
    EXPECT_EQ(text.angle, 900); // texts keep tenths in every version
    EXPECT_FALSE(text.hasStroke || text.hasFill);
    EXPECT_EQ(common.extra, QList<QByteArray>({"(future_shape (size 3))"}));

    const SymbolUnit &second = s.units[1];
    EXPECT_EQ(std::pair(second.unit, second.style), std::pair(2, 1));
    ASSERT_EQ(second.pins.size(), 1);
    const SymbolPin &pin = second.pins[0];
    EXPECT_EQ(pin.type, "input");
    EXPECT_EQ(pin.shape, "inverted");
    EXPECT_EQ(pin.at, QPoint(25400, 0));
    EXPECT_EQ(pin.angle, 1800);
    EXPECT_EQ(pin.length, 38100);
    EXPECT_TRUE(pin.hidden);
    EXPECT_EQ(pin.name, "~{RST}");
    EXPECT_EQ(pin.number, "7");
    EXPECT_EQ(pin.numberEffects.height, 10000);
    EXPECT_EQ(pin.alternates, QList<PinAlternate>({{"CLK", "input", "clock"}}));

    const GraphicItem &dot = s.units[2].graphics.value(0);
    EXPECT_EQ(dot.points, QList<QPoint>({{1, -1}}));
    EXPECT_EQ(dot.radius, 1);
    EXPECT_EQ(dot.fill, GraphicItem::Fill::Outline);
}

TEST(KicadSymModel, ComparesItemsAsASetAndNumbersExactly)
{
    const Symbol a = buildSymbol(gate).symbol;
    Symbol b = a;
    std::reverse(b.units[0].graphics.begin(), b.units[0].graphics.end());
    std::reverse(b.units.begin(), b.units.end());
    EXPECT_TRUE(a == b);
    b.units[2].graphics[2].points[0].rx() += 1; // one internal unit: 0.1 µm
    EXPECT_FALSE(a == b);
    Symbol c = a;
    c.units[0].extra.clear();
    EXPECT_FALSE(a == c);
}

// Hiding as each version writes it.
class KicadSymHidden : public testing::TestWithParam<const char *>
{
};

TEST_P(KicadSymHidden, PropertyIsHidden)
{
    const QByteArray text =
        QByteArray("(symbol \"H\" (property \"Footprint\" \"F\" (at 0 0 0) ") + GetParam() + "))";
    const SymbolBuild b = buildSymbol(text);
    ASSERT_TRUE(b.ok()) << b.error.text().toStdString();
    EXPECT_TRUE(b.symbol.properties.value(0).effects.hidden);
    EXPECT_TRUE(b.symbol.properties.value(0).extra.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Versions, KicadSymHidden,
                         testing::Values("(effects (font (size 1.27 1.27)) hide)",
                                         "(effects (font (size 1.27 1.27)) (hide yes))",
                                         "(hide yes) (effects (font (size 1.27 1.27)))"));

TEST(KicadSymModel, UnknownTokensAreWrittenBack)
{
    const SymbolBuild b = buildSymbol(gate);
    ASSERT_TRUE(b.ok());
    for (const int v : {KicadSymVersion::v6, KicadSymVersion::v9}) {
        const SymbolBuild again = buildSymbol(symbolText(b.symbol, v));
        ASSERT_TRUE(again.ok()) << again.error.text().toStdString();
        EXPECT_EQ(again.symbol.units.value(0).extra, b.symbol.units[0].extra) << v;
    }
}

struct NumberText
{
    qint64 iu;
    const char *mm;
};

class KicadSymNumber : public testing::TestWithParam<NumberText>
{
};

TEST_P(KicadSymNumber, PrintsMillimetresAsKicadDoes)
{
    EXPECT_EQ(formatIu(GetParam().iu), QByteArray(GetParam().mm));
}

INSTANTIATE_TEST_SUITE_P(Values, KicadSymNumber,
                         testing::Values(NumberText{0, "0"}, NumberText{25400, "2.54"},
                                         NumberText{-12700, "-1.27"}, NumberText{1, "0.0001"},
                                         NumberText{-5, "-0.0005"}, NumberText{10000, "1"},
                                         NumberText{1234560, "123.456"}));

struct BadLibrary
{
    const char *name;
    QByteArray text;
    int line, column;
    const char *message;
};

class KicadSymBadLibrary : public testing::TestWithParam<BadLibrary>
{
};

TEST_P(KicadSymBadLibrary, IsRefusedWithLineAndColumn)
{
    const KicadSymRead r = readKicadSym(GetParam().text);
    ASSERT_FALSE(r.ok());
    const SExprError &e = r.errors.first().error;
    EXPECT_EQ(std::pair(e.line, e.column), std::pair(GetParam().line, GetParam().column));
    EXPECT_TRUE(e.message.contains(QString::fromUtf8(GetParam().message)))
        << e.text().toStdString();
}

const QByteArray head = "(kicad_symbol_lib (version 20211014) (generator kicad_symbol_editor)\n";

INSTANTIATE_TEST_SUITE_P(
    Hostile, KicadSymBadLibrary,
    testing::Values(
        BadLibrary{"NotALibrary", "(kicad_sch (version 1))\n", 1, 1, "kicad_symbol_lib"},
        BadLibrary{"NoName", head + "  (symbol (in_bom yes))\n)\n", 2, 11, "sem nome"},
        BadLibrary{"EmptyName", head + "  (symbol \"\")\n)\n", 2, 11, "sem nome"},
        BadLibrary{"Duplicate", head + "  (symbol \"A\")\n  (symbol \"A\")\n)\n", 3, 11,
                   "repetido (já na linha 2)"},
        BadLibrary{"OffsetWithoutValue", head + "  (symbol \"A\" (pin_names (offset)))\n)\n", 2, 26,
                   "faltam valores em (offset"},
        BadLibrary{"ExtendsWithoutName", head + "  (symbol \"A\" (extends))\n)\n", 2, 15,
                   "(extends ...) sem nome"},
        BadLibrary{"MissingParent", head + "  (symbol \"A\" (extends \"B\"))\n)\n", 2, 15,
                   "\"B\", que não está"},
        BadLibrary{"Circular",
                   head + "  (symbol \"A\" (extends \"B\"))\n  (symbol \"B\" (extends \"A\"))\n)\n",
                   2, 15, "circular: A → B → A"},
        BadLibrary{"InfiniteNumber",
                   head + "  (symbol \"A\"\n    (property \"R\" \"U\" (at 1e999 0 0))\n  )\n)\n", 3,
                   27, "número esperado"},
        BadLibrary{"NanLength",
                   head + "  (symbol \"A\"\n    (symbol \"A_1_1\"\n      (pin input line (at 0 0 "
                          "0) (length nan))\n    )\n  )\n)\n",
                   4, 42, "número esperado"},
        // A pin read as the last good one wherever only their values differ.
        BadLibrary{"PinLikeTheLastButNanLength",
                   head + "  (symbol \"A\"\n    (symbol \"A_1_1\"\n      (pin input line (at 0 0 "
                          "0) (length 2.54))\n      (pin input line (at 0 0 0) (length nan))\n    "
                          ")\n  )\n)\n",
                   5, 42, "número esperado"},
        BadLibrary{"PinLikeTheLastButQuotedType",
                   head +
                       "  (symbol \"A\"\n    (symbol \"A_1_1\"\n      (pin input line (at 0 0 "
                       "0) (length 2.54))\n      (pin \"input\" line (at 0 0 0) (length 2.54))\n "
                       "   )\n  )\n)\n",
                   5, 12, "palavra esperada"},
        BadLibrary{"WrongUnitName", head + "  (symbol \"A\" (symbol \"B_1_1\"))\n)\n", 2, 23,
                   "unidade"},
        BadLibrary{"Unbalanced", head + "  (symbol \"A\"\n", 3, 1, "falta ')'"},
        // What the quick scan must not let through, each refused by the builder.
        BadLibrary{
            "PtsHoldsOnlyXy",
            head + "  (symbol \"A\" (symbol \"A_1_1\" (polyline (pts (xy 0 0) (at 1 1)))))\n)\n", 2,
            55, "esperava (xy"},
        BadLibrary{"ArcWithTwoPoints",
                   head + "  (symbol \"A\" (symbol \"A_1_1\" (arc (start 0 0) (end 1 1))))\n)\n", 2,
                   31, "faltam pontos em (arc"},
        BadLibrary{"UnknownFill",
                   head + "  (symbol \"A\" (symbol \"A_1_1\" (circle (center 0 0) (radius 1) (fill "
                          "(type solid)))))\n)\n",
                   2, 69, "preenchimento desconhecido"},
        BadLibrary{"QuotedJustify",
                   head +
                       "  (symbol \"A\" (property \"R\" \"U\" (effects (justify \"left\"))))\n)\n",
                   2, 51, "palavra esperada"},
        BadLibrary{"ColorWithoutAlpha",
                   head + "  (symbol \"A\" (symbol \"A_1_1\" (rectangle (start 0 0) (end 1 1) "
                          "(stroke (color 1 2 3)))))\n)\n",
                   2, 72, "faltam valores em (color"},
        BadLibrary{"HideNeitherYesNorNo", head + "  (symbol \"A\" (pin_numbers (hide maybe)))\n)\n",
                   2, 34, "esperava yes ou no"},
        BadLibrary{"ListForANumber",
                   head + "  (symbol \"A\" (symbol \"A_1_1\" (pin input line (at 0 (1) 0))))\n)\n",
                   2, 53, "número esperado"},
        BadLibrary{"LengthOutOfRange",
                   head + "  (symbol \"A\" (property \"R\" \"U\" (at 300000 0 0)))\n)\n", 2, 37,
                   "fora do intervalo"}),
    [](const testing::TestParamInfo<BadLibrary> &i) { return std::string(i.param.name); });

// Rows the quick scan leaves to the builder, which reads them.
struct UnusualRow
{
    const char *name;
    QByteArray text;
    int x; // of the property's position, in internal units
};

class KicadSymUnusualRow : public testing::TestWithParam<UnusualRow>
{
};

TEST_P(KicadSymUnusualRow, IsRead)
{
    const KicadSymRead r = readKicadSym(head + "  " + GetParam().text + "\n)\n");
    ASSERT_TRUE(r.ok()) << r.message().toStdString();
    const SymbolBuild b = r.library.symbol(0);
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(b.symbol.properties.value(0).at.x(), GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(
    Doubted, KicadSymUnusualRow,
    testing::Values(
        UnusualRow{"Exponent", R"((symbol "A" (property "R" "U" (at 1e1 0 0))))", 100000},
        UnusualRow{"SixDigits", R"((symbol "A" (property "R" "U" (at 120000 0 0))))", 1200000000},
        UnusualRow{"LeadingZeros", R"((symbol "A" (property "R" "U" (at +000001.5 0 0))))", 15000},
        UnusualRow{"EscapedUnitName",
                   R"((symbol "A\"B" (property "R" "U" (at 1 0 0)) (symbol "A\"B_1_1")))", 10000}),
    [](const testing::TestParamInfo<UnusualRow> &i) { return std::string(i.param.name); });

TEST(KicadSymLibrary, DerivedSymbolTakesItsParentsDrawing)
{
    const QByteArray text = head + "  (symbol \"P\" (power)\n    (symbol \"P_1_1\"\n      (pin "
                                   "input line (at 0 0 0) (length 2.54)\n      )\n    )\n  )\n"
                                   "  (symbol \"C\" (extends \"P\")\n    (property \"Value\" \"C\" "
                                   "(id 1) (at 0 0 0)\n      (effects (font (size 1 1)))\n    "
                                   ")\n  )\n)\n";
    const KicadSymRead r = readKicadSym(text);
    ASSERT_TRUE(r.ok()) << r.message().toStdString();
    ASSERT_EQ(r.library.rows.size(), 2);
    EXPECT_EQ(r.library.rows[1].extends, "P");
    EXPECT_EQ(r.library.rows[1].line, 8);
    EXPECT_TRUE(r.library.symbol(1).symbol.units.isEmpty());
    const SymbolBuild c = r.library.resolvedSymbol(1);
    ASSERT_TRUE(c.ok());
    EXPECT_TRUE(c.symbol.power);
    ASSERT_EQ(c.symbol.units.size(), 1);
    EXPECT_EQ(c.symbol.units[0].pins.value(0).length, 25400);
    EXPECT_EQ(c.symbol.propertyValue("Value"), "C");
}

TEST(KicadSymLibrary, SavingRefusesARowThatDoesNotReadAndLeavesTheFile)
{
    KicadSymRead r = readKicadSym(head + "  (symbol \"A\")\n  (symbol \"B\")\n)\n");
    ASSERT_TRUE(r.ok());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.kicad_sym"));
    ASSERT_TRUE(saveKicadSym(r.library, path, KicadSymVersion::v6).isDone());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    f.close();

    r.library.rows[1].text = "  (symbol \"B\" (at 1 2\n";
    r.library.rows[1].checked = false;
    const CommandResult result = saveKicadSym(r.library, path, KicadSymVersion::v6);
    ASSERT_TRUE(result.isFailed());
    EXPECT_TRUE(result.message.contains(QStringLiteral("B (linha 4, coluna 1: falta ')')")))
        << result.message.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), saved);
}

TEST(KicadSymLibrary, WritesAnotherVersionFromTheModel)
{
    const KicadSymRead r = readKicadSym(head + "  (symbol \"A\" (in_bom yes) (on_board yes)\n"
                                               "    (property \"ki_description\" \"d\" (id 0) (at "
                                               "0 0 0)\n      (effects (font (size 1.27 1.27)) "
                                               "hide)\n    )\n  )\n)\n");
    ASSERT_TRUE(r.ok());
    const KicadSymWrite w = writeKicadSym(r.library, KicadSymVersion::v9);
    ASSERT_TRUE(w.error.isEmpty());
    EXPECT_EQ(w.bytes, QByteArray("(kicad_symbol_lib\n"
                                  "\t(version 20241209)\n"
                                  "\t(generator \"kicad_symbol_editor\")\n"
                                  "\t(generator_version \"9.0\")\n"
                                  "\t(symbol \"A\"\n"
                                  "\t\t(exclude_from_sim no)\n"
                                  "\t\t(in_bom yes)\n"
                                  "\t\t(on_board yes)\n"
                                  "\t\t(property \"Description\" \"d\"\n"
                                  "\t\t\t(at 0 0 0)\n"
                                  "\t\t\t(effects\n"
                                  "\t\t\t\t(font\n"
                                  "\t\t\t\t\t(size 1.27 1.27)\n"
                                  "\t\t\t\t)\n"
                                  "\t\t\t\t(hide yes)\n"
                                  "\t\t\t)\n"
                                  "\t\t)\n"
                                  "\t)\n"
                                  ")\n"));
}

TEST(KicadSymLibrary, FolderSavesOneFilePerSymbol)
{
    KicadSymRead r = readKicadSym(head + "  (symbol \"A\")\n  (symbol \"B\")\n)\n");
    ASSERT_TRUE(r.ok());
    r.library.folder = true;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("L.kicad_symdir"));
    ASSERT_TRUE(saveKicadSym(r.library, path, KicadSymVersion::v6).isDone());
    EXPECT_EQ(QDir(path).entryList(QDir::Files, QDir::Name),
              QStringList({QStringLiteral("A.kicad_sym"), QStringLiteral("B.kicad_sym")}));
    const KicadSymRead back = readKicadSymPath(path);
    ASSERT_TRUE(back.ok()) << back.message().toStdString();
    EXPECT_EQ(back.library.rows.size(), 2);
    EXPECT_EQ(back.library.rows[1].text, "  (symbol \"B\")\n");
}

// Rows are checked side by side; their errors still come in the file's order.
// The second pin is read as the first but for its name, which there holds
// no line end: the rows after it keep their lines.
TEST(KicadSymLibrary, RowLinesCountALineEndInAValueOfARepeatedList)
{
    const KicadSymRead r =
        readKicadSym(head + "  (symbol \"A\"\n    (symbol \"A_1_1\"\n"
                            "      (pin input line (at 0 0 0) (length 2.54) (name \"x\ny\"))\n"
                            "      (pin input line (at 0 0 0) (length 2.54) (name \"z\"))\n"
                            "    )\n  )\n  (symbol \"B\")\n)\n");
    ASSERT_TRUE(r.ok()) << r.message().toStdString();
    EXPECT_EQ(r.library.rows.value(1).line, 9);
}

TEST(KicadSymLibrary, ErrorsOfSeveralRowsComeInFileOrder)
{
    const KicadSymRead r = readKicadSym(head + "  (symbol \"A\" (pin_names (offset)))\n" +
                                        "  (symbol \"B\")\n  (symbol \"B\")\n" +
                                        "  (symbol \"C\" (symbol \"X_1_1\"))\n)\n");
    ASSERT_EQ(r.errors.size(), 3);
    EXPECT_EQ(r.errors[0].error.line, 2);
    EXPECT_EQ(r.errors[1].error.line, 4);
    EXPECT_TRUE(r.errors[1].error.message.contains(QStringLiteral("já na linha 3")));
    EXPECT_EQ(r.errors[2].error.line, 5);
}

// Files are read side by side, the largest first; each result stays with its path.
TEST(KicadSymLibrary, SeveralPathsGiveOneResultEachInTheirOrder)
{
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("s.kicad_sym"));
    const QString large = dir.filePath(QStringLiteral("l.kicad_sym"));
    QByteArray many = head;
    for (int i = 0; i < 50; ++i)
        many += "  (symbol \"L" + QByteArray::number(i) + "\")\n";
    for (const auto &[path, bytes] :
         {std::pair(small, head + "  (symbol \"S\")\n)\n"), std::pair(large, many + ")\n")}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const QList<KicadSymRead> reads =
        readKicadSymPaths({small, dir.filePath(QStringLiteral("none.kicad_sym")), large});
    ASSERT_EQ(reads.size(), 3);
    EXPECT_EQ(reads[0].library.rows.value(0).name, "S");
    EXPECT_FALSE(reads[1].ok());
    EXPECT_EQ(reads[2].library.rows.size(), 50);
    EXPECT_EQ(reads[2].library.rows.value(49).name, "L49");
}

} // namespace
