// The four mends of the default view, one test each, on the recording
// canvas. Expected pixels are worked out by hand from the library lines with
// the preview's mapping: t = (20 v + 49) / 98 truncated, column = (t z +
// 115000) / 115, row = (1000 - t) z / 115.

#include "analysis/analise.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "platform/imagecanvas.h"
#include "tests/support/corpus.h"
#include "tests/support/recordingcanvas.h"

#include <QList>
#include <gtest/gtest.h>

namespace {

using Kind = RecordingCanvas::Kind;
using Call = RecordingCanvas::Call;
using Points = std::vector<QPoint>;

RecordingCanvas &rec(PreviewImage &image)
{
    return static_cast<RecordingCanvas &>(image.canvas());
}

// 1. The XOR gate 74LS86 draws its input curves with arcs of conversion 0;
// they were left out. Unit 1's two curves and its two output arcs, from the
// corpus library, at zoom 100.
TEST(Reparos, ArcsOfConversionZeroAreDrawn)
{
    Analise a{&RecordingCanvas::make};
    QStringList words;
    QObject::connect(&a, &Analise::label1Changed, [&](const QString &w) { words << w; });
    a.redesenhaPesquisa(false,
                        {"DEF 74LS86 U 0 40 Y Y 5 L N", "DRAW",
                         "A -385 0 258 354 -354 1 0 10 N -174 150 -174 -150",
                         "A -360 0 258 354 -354 1 0 10 N -150 150 -150 -150",
                         "A -47 -52 204 150 837 1 0 10 f 150 0 -24 150",
                         "A -47 52 204 -150 -837 1 0 10 f 150 0 -24 -150",
                         "A -360 0 258 354 -354 1 2 10 N -150 150 -150 -150", "ENDDRAW", "ENDDEF"});
    const auto arcs = rec(a.image1()).callsOf(Kind::Arc);
    ASSERT_EQ(arcs.size(), 4u) << "conversion 0 drawn, conversion 2 not";
    // A -385 0 258 354 -354: square (-643, -258)-(-127, 258); start 354 and
    // end -354 (taken as 3246) differ by 2892, so the arc is inverted and
    // runs from (-174, -150) to (-174, 150).
    // -643: t = -12811 / 98 = -130, column 102000 / 115 = 886.
    // -258: t = -5111 / 98 = -52, row 105200 / 115 = 914.
    // -127: t = -2491 / 98 = -25, column 112500 / 115 = 978.
    //  258: t = 5209 / 98 = 53, row 94700 / 115 = 823.
    // -174: t = -3431 / 98 = -35, column 111500 / 115 = 969.
    // -150: t = -2951 / 98 = -30, row 895; 150: t = 31, row 842.
    EXPECT_EQ(arcs[0].points, (Points{{886, 914}, {978, 823}, {969, 895}, {969, 842}}));
    EXPECT_EQ(arcs[0].pen, Cores::Preto);
    EXPECT_EQ(words.first(), QStringLiteral("invertida"));
}

// 2. The drawing image and the previews grow to hold the whole box: a body
// 6000 mils tall at zoom 210 reaches row 2941, past the old 2000 rows.
TEST(Reparos, NothingIsCutTheSurfacesGrowToTheBox)
{
    Analise a{&RecordingCanvas::make};
    for (int i = 0; i < 11; ++i)
        a.zoomMais(Painel::Pesquisa);
    ASSERT_EQ(a.desenho().zoom_pesquisa, 210);
    a.redesenhaPesquisa(false, {"DEF TALL U 0 40 Y Y 1 F N", "S -200 3000 200 -3000 0 1 10 f",
                                "X A 1 -400 -2900 200 R 50 50 1 1 P"});
    const Desenho &d = a.desenho();
    // -3000: t = -59951 / 98 = -611, row 1611 x 210 / 115 = 2941.
    //  3000: t = 60049 / 98 = 612, row 388 x 210 / 115 = 708.
    EXPECT_EQ(d.max_y, 2941);
    EXPECT_EQ(d.min_y, 708);
    // The drawing image covers the box and its margin (2992 rows) in steps of 256.
    EXPECT_EQ(a.image1().lado(), QSize(2000, 3072));
    EXPECT_EQ(rec(a.image1()).size(), QSize(2000, 3072));
    // The preview shows 2941 - 708 + 100 = 2333 rows, all of them its own.
    EXPECT_EQ(a.image3().extent().height(), 2333);
    EXPECT_EQ(a.image3().lado(), QSize(2000, 2560));
    const auto copies = rec(a.image3()).callsOf(Kind::Copy);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].points[1].y(), 2333);

    // The next, small symbol starts again from 2000 x 2000.
    a.redesenhaPesquisa(false, {"S -200 200 200 -200 0 1 10 f"});
    EXPECT_EQ(a.image1().lado(), QSize(2000, 2000));
    EXPECT_EQ(a.image3().lado(), QSize(2000, 2000));

    // Every corpus component at every zoom in both views: the drawing image
    // holds the box with its margin on all four sides (tall symbols reach
    // above row 0 at high zooms), the preview holds its extent.
    int passes = 0;
    for (const QString &path : corpusLibraries()) {
        ComponentTable table;
        ASSERT_TRUE(carregaBiblioteca(path, table).ok);
        for (int row = 0; row < table.rowCount(); ++row) {
            const QList<QByteArray> lines = linhas(table.comandosAt(row));
            for (const Vista vista : {Vista::Classica, Vista::KiCad}) {
                a.setVista(vista);
                for (int z = 40; z <= 210; z += 10) {
                    a.desenho().zoom_pesquisa = z;
                    a.redesenhaPesquisa(false, lines);
                    rec(a.image1()).calls.clear();
                    rec(a.image3()).calls.clear();
                    if (d.max_x < d.min_x || d.max_y < d.min_y)
                        continue;
                    const QRect box(QPoint(d.min_x, d.min_y), QPoint(d.max_x, d.max_y));
                    const int m = Desenho::Margem;
                    ASSERT_TRUE(a.image1().area().contains(box.adjusted(-m, -m, m, m)))
                        << table.nameAt(row).data() << " at " << z << " in view " << int(vista);
                    ASSERT_GE(a.image3().lado().width(), a.image3().extent().width());
                    ASSERT_GE(a.image3().lado().height(), a.image3().extent().height());
                    ++passes;
                }
            }
        }
    }
    EXPECT_GT(passes, 2 * 18 * 1600);
}

// The same on the real canvas: every edge of a large symbol at zoom 210
// shows in the preview, below row 2000 and above row 0 and left of column 0
// of the drawing, and what was drawn before the drawing image moved stays.
TEST(Reparos, EveryEdgeOfALargeSymbolShowsOnTheRealCanvas)
{
    Analise a;
    a.desenho().zoom_pesquisa = 210;
    a.redesenhaPesquisa(false,
                        {"S -200 3000 200 -3000 0 1 10 f", "S -3000 6000 -2900 5900 0 1 10 f"});
    // The second rectangle: -3000: t = -611, column -13310 / 115 = -115;
    // 6000: t = 1224, row -224 x 210 / 115 = -409. The box runs from column
    // -115, row -409 to column 1074, row 2941: the preview shows drawing
    // point (x, y) at (x + 165, y + 459).
    const QImage &shown = a.image3().bitmap();
    ASSERT_GE(shown.height(), 2941 + 459 + 50);
    EXPECT_EQ(shown.pixel(60, 50), 0xFF000000u) << "top side of the second rectangle";
    EXPECT_EQ(shown.pixel(50, 60), 0xFF000000u) << "its left side";
    // The first one: its top side on row 708, its bottom side on row 2940
    // (a rectangle stops short of its second corner, 2941), from column 926.
    EXPECT_EQ(shown.pixel(926 + 175, 708 + 459), 0xFF000000u);
    EXPECT_EQ(shown.pixel(926 + 175, 2940 + 459), 0xFF000000u);
}

// 3. Texts leave what lies under them: nothing draws a text's cell. Lines in
// the manner of 74LVC2G00, whose value field lies where the name of pin 7
// later writes; before, the pin's cell erased the "7" of "74LVC2G00".
TEST(Reparos, TextsHaveNoBackground)
{
    const QList<QByteArray> lines = {"DEF 74LVC2G00 U 0 30 Y Y 1 F N",
                                     "F0 \"U\" 0 200 50 H V C CNN",
                                     "F1 \"74LVC2G00\" -150 -100 50 H V C CNN",
                                     "DRAW",
                                     "S -200 150 200 -150 0 1 10 f",
                                     "X VCC 8 -400 -100 200 R 50 50 1 1 W",
                                     "ENDDRAW",
                                     "ENDDEF"};
    Analise a{&RecordingCanvas::make};
    a.redesenhaPesquisa(false, lines);
    const auto texts = rec(a.image1()).callsOf(Kind::Text);
    ASSERT_EQ(texts.size(), 4u);
    for (const Call &t : texts)
        EXPECT_FALSE(t.textBackground) << t.text.toStdString();
    EXPECT_EQ(texts[0].text, "U");
    EXPECT_EQ(texts[1].text, "74LVC2G00");
    EXPECT_EQ(texts[2].text, "VCC");

    // On the real canvas the value keeps every pixel it painted: its first
    // character survives the pin's name written over it.
    Analise real;
    real.redesenhaPesquisa(false, {lines[0], lines[1], lines[2]});
    const QImage before = real.image1().bitmap().copy();
    real.redesenhaPesquisa(false, lines);
    const QImage &after = real.image1().bitmap();
    // -150: t = -30, column 112000 / 115 = 973; -100: t = -1951 / 98 = -19, row 1019 x 100 / 115 =
    // 886.
    int lost = 0;
    for (int y = 886; y < 886 + 20; ++y) {
        for (int x = 973; x < 973 + 60; ++x)
            lost += before.pixel(x, y) != 0xFFFFFFFFu && after.pixel(x, y) == 0xFFFFFFFFu;
    }
    EXPECT_EQ(lost, 0);
}

// 4. A hidden pin on the connection point of a visible pin is not drawn:
// the USB-C receptacle's VBUS stack shows A4, not the last hidden one, B9.
// A hidden pin alone at its point is drawn as before; the count is unchanged.
TEST(Reparos, HiddenPinsStackedOnAVisiblePinAreNotDrawn)
{
    Analise a{&RecordingCanvas::make};
    a.redesenhaEdicao(
        false,
        {"DEF USB_C_Receptacle J 0 20 Y Y 1 F N", "DRAW", "X VBUS B9 1000 1000 100 L 50 50 1 1 P N",
         "X VBUS A4 1000 1000 100 L 50 50 1 1 W", "X VBUS A9 1000 1000 100 L 50 50 1 1 P N",
         "X VBUS B4 1000 1000 100 L 50 50 1 1 P N", "X GND A12 0 -1000 100 U 50 50 1 1 P N",
         "ENDDRAW", "ENDDEF"},
        "USB_C_Receptacle");
    const RecordingCanvas &c = rec(a.image1());
    EXPECT_EQ(c.texts(), (std::vector<QString>{"VBUS", "A4", "GND", "A12"}));
    // Two strokes: A4 from (1000, 1000) to (900, 1000) and A12.
    // 1000: column 1177, row 692; 900: t = 184, column 1160.
    const auto strokes = c.callsOf(Kind::Line);
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(strokes[0].points, (Points{{1177, 692}, {1160, 692}}));
    EXPECT_EQ(c.callsOf(Kind::Ellipse).size(), 2u);
    EXPECT_EQ(a.legendas().L_pinos, QStringLiteral("Descrições de Pinos: 5"));
}

} // namespace
