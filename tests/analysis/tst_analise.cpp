#include "analysis/analise.h"
#include "tests/support/recordingcanvas.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using Kind = RecordingCanvas::Kind;
using Lines = QList<QByteArray>;

const Lines kGate = {
    "DEF 74LS00 U 0 30 Y Y 4 F N",
    "F0 \"U\" 0 100 50 H V C CNN",
    "ALIAS 7400 74HC00",
    "DRAW",
    "S -100 100 100 -100 1 1 10 f",
    "X A 1 -300 50 200 R 50 50 1 1 I I",
    "X B 2 -300 -50 200 R 50 50 1 1 I",
    "X Y 3 300 0 200 L 50 50 1 1 O",
    "X Y 6 300 0 200 L 50 50 2 1 O",
    "X Y 6 300 0 200 L 50 50 1 2 O",
    "ENDDEF",
};

RecordingCanvas &rec(PreviewImage &image)
{
    return static_cast<RecordingCanvas &>(image.canvas());
}

class AnaliseTest : public ::testing::Test
{
protected:
    Analise a{&RecordingCanvas::make};
};

TEST_F(AnaliseTest, EditPassFillsTheCaptions)
{
    EXPECT_EQ(a.legendas(), Legendas{});
    EXPECT_EQ(a.legendas().L_elementos, "Quantidade de  elementos (partes):");
    QSignalSpy spy(&a, &Analise::legendasChanged);
    a.redesenhaEdicao(false, kGate, "74LS00");
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(a.legendas().l_nome, "74LS00");
    EXPECT_EQ(a.legendas().L_alias, "ALIAS 7400 74HC00");
    EXPECT_EQ(a.legendas().L_pinos, "Descrições de Pinos: 4");
    EXPECT_EQ(a.legendas().L_elementos, "Quantidade de elementos(partes): 4");

    // The next component has neither DEF nor ALIAS: the values start over.
    a.redesenhaEdicao(false, {"X A 1 0 0 100 R 50 50 1 1"}, "bare");
    EXPECT_EQ(a.legendas().l_nome, "bare");
    EXPECT_EQ(a.legendas().L_alias, "ALIAS");
    EXPECT_EQ(a.legendas().L_pinos, "Descrições de Pinos: 1");
    EXPECT_EQ(a.legendas().L_elementos, "Quantidade de elementos(partes): 0");
}

TEST_F(AnaliseTest, AnEmptyTableLeavesEverythingAsItWas)
{
    a.redesenhaEdicao(false, kGate, "74LS00");
    const Legendas before = a.legendas();
    const QSize extent = a.image2().extent();
    rec(a.image1()).calls.clear();
    rec(a.image2()).calls.clear();
    QSignalSpy spy(&a, &Analise::legendasChanged);
    a.redesenhaEdicao(true, {"DEF other U 0 30 Y Y 9 F N"}, "other");
    a.redesenhaPesquisa(true, {"S 0 0 10 10"});
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(a.legendas(), before);
    EXPECT_EQ(a.image2().extent(), extent);
    EXPECT_TRUE(rec(a.image1()).calls.empty());
    EXPECT_TRUE(rec(a.image2()).calls.empty());
    EXPECT_FALSE(a.image3().hasCanvas());
    EXPECT_EQ(a.desenho().qtd_partes, "4");
}

TEST_F(AnaliseTest, SearchPassLeavesThePanelAndTheValues)
{
    a.redesenhaEdicao(false, kGate, "74LS00");
    const Legendas before = a.legendas();
    QSignalSpy spy(&a, &Analise::legendasChanged);
    a.redesenhaPesquisa(false, {"DEF R R 0 0 N N 1 F N", "X ~ 1 0 150 50 D 50 50 1 1 P"});
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(a.legendas(), before);
    EXPECT_EQ(a.desenho().qtd_pinos, 5) << "counted on top of the edit pass";
    EXPECT_EQ(a.desenho().qtd_partes, "1");
    EXPECT_EQ(a.desenho().texto_alias, "ALIAS 7400 74HC00");
}

TEST_F(AnaliseTest, PassesClearThenDrawWithABlackMaskPenThenPublish)
{
    a.redesenhaEdicao(false, kGate, "74LS00");
    const auto &drawing = rec(a.image1()).calls;
    ASSERT_FALSE(drawing.empty());
    EXPECT_EQ(drawing[0].kind, Kind::Fill);
    EXPECT_EQ(drawing[0].points, (std::vector<QPoint>{{0, 0}, {2000, 2000}}));
    const auto rect = rec(a.image1()).callsOf(Kind::Rectangle);
    ASSERT_EQ(rect.size(), 1u);
    EXPECT_EQ(rect[0].pen, Cores::Preto);
    EXPECT_EQ(rect[0].mode, PenMode::Mask);
    EXPECT_EQ(rect[0].brush, Cores::Branco);

    const auto &shown = rec(a.image2()).calls;
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].points, (std::vector<QPoint>{{0, 0}, {2000, 2000}})) << "clear at extent";
    EXPECT_EQ(shown[1].points, (std::vector<QPoint>{{0, 0}, {2000, 2000}}));
    EXPECT_EQ(shown[2].kind, Kind::Copy);
    // At zoom 100 the pins' connection points reach columns 947 and 1053,
    // the rectangle rows 852 to 886, and the first pin's number, written
    // from row 860 - 13 - 2 (its line less the 6-point height and 2), row
    // 845: that box plus 50 on every side.
    EXPECT_EQ(a.image2().extent(), QSize(206, 141));
    EXPECT_EQ(shown[2].points[2], QPoint(897, 795));

    // The bubble of the first pin left copy mode; the next pass starts in mask again.
    EXPECT_EQ(rec(a.image1()).penMode(), PenMode::Copy);
    rec(a.image1()).calls.clear();
    a.redesenhaEdicao(false, {"S 0 0 10 10"}, "x");
    EXPECT_EQ(rec(a.image1()).callsOf(Kind::Rectangle)[0].mode, PenMode::Mask);
}

TEST_F(AnaliseTest, OnlyTheSearchPassSetsTheFontNameBeforeDrawing)
{
    rec(a.image1()).setFontName("Tahoma");
    a.redesenhaEdicao(false, {"S 0 0 10 10"}, "x");
    EXPECT_EQ(rec(a.image1()).font().nome, "Tahoma");
    a.redesenhaPesquisa(false, {"S 0 0 10 10"});
    EXPECT_EQ(rec(a.image1()).font().nome, "Arial");
}

TEST_F(AnaliseTest, EachPaneUsesItsOwnImageAndZoom)
{
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(a.zoomMais(Painel::Edicao));
    ASSERT_TRUE(a.zoomMenos(Painel::Pesquisa));
    QSignalSpy shown2(&a.image2(), &PreviewImage::changed);
    QSignalSpy shown3(&a.image3(), &PreviewImage::changed);

    a.redesenhaPesquisa(false, {"S 0 0 1000 1000"});
    EXPECT_EQ(a.desenho().zoom_atual, 90);
    EXPECT_EQ(shown2.count(), 0);
    EXPECT_GT(shown3.count(), 0);
    const QSize searchExtent = a.image3().extent();
    // At zoom 90 library 1000 is column 1159 and row 622, the origin row 782.
    EXPECT_EQ(searchExtent, QSize(159 + 100, 160 + 100));

    // "Converter" after a search redraw: edit image, edit zoom.
    a.redesenhaEdicao(false, {"S 0 0 1000 1000"}, "x");
    EXPECT_EQ(a.desenho().zoom_atual, 150);
    EXPECT_GT(shown2.count(), 0);
    EXPECT_EQ(a.image3().extent(), searchExtent);
    // At zoom 150: column 1266, rows 1038 to 1304.
    EXPECT_EQ(a.image2().extent(), QSize(266 + 100, 266 + 100));
    EXPECT_TRUE(a.zoomNormal(Painel::Edicao));
    EXPECT_EQ(a.desenho().zoom_edicao, 100);
    EXPECT_EQ(a.desenho().zoom_pesquisa, 90);
}

TEST_F(AnaliseTest, ArcsReportTheirDirectionForLabel1)
{
    QSignalSpy spy(&a, &Analise::label1Changed);
    a.redesenhaPesquisa(
        false, {"A 0 0 100 900 0 1 1 0 N 0 100 100 0", "A 0 0 100 0 900 1 1 0 N 100 0 0 100"});
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toString(), "invertida");
    EXPECT_EQ(spy.at(1).at(0).toString(), "não invert");
    // Arcs alone track nothing: the preview is blank and small.
    EXPECT_EQ(a.image3().extent(), QSize(Desenho::LadoVazio, Desenho::LadoVazio));
}

// --- on real bitmaps -------------------------------------------------------------

constexpr QRgb White = 0xFFFFFFFF, Black = 0xFF000000;

TEST(AnalisePixels, OutlineBlackInteriorWhiteAtTheTopLeftOfThePreview)
{
    Analise a;
    a.redesenhaPesquisa(false, {"S -200 200 200 -200 0 1 0 N", "P 2 0 1 0 -200 0 200 0 N"});
    const QImage &img = a.image3().bitmap();
    // The square's corners map to (965, 833) and (1035, 904) at zoom 100; the
    // preview starts at (915, 783).
    EXPECT_EQ(a.image3().extent(), QSize(70 + 100, 71 + 100));
    EXPECT_EQ(img.pixel(50, 50), Black);
    EXPECT_EQ(img.pixel(50 + 69, 50 + 70), Black);
    EXPECT_EQ(img.pixel(50 + 70, 50 + 70), White) << "right edge excluded";
    EXPECT_EQ(img.pixel(50 + 69, 50 + 71), White) << "bottom edge excluded";
    EXPECT_EQ(img.pixel(70, 60), White) << "interior";
    EXPECT_EQ(img.pixel(70, 869 - 783), Black) << "the polyline through the middle";
    EXPECT_EQ(img.pixel(49, 49), White);
    EXPECT_EQ(img.pixel(5, 5), White);
}

TEST(AnalisePixels, BubbleInteriorIsWhiteOverTheStroke)
{
    Analise a;
    // A pin running left from x 300 to 0: the stroke crosses the bubble centre.
    a.redesenhaPesquisa(false, {"X ~ ~ 300 0 300 L 50 50 1 1 P I"});
    const QImage &img = a.image3().bitmap();
    const Desenho &d = a.desenho();
    // Inner end at column 1000; the bubble centre lies 7 to its right.
    const int cx = 1000 + 7 - (d.min_x - 50), cy = 869 - (d.min_y - 50);
    EXPECT_EQ(img.pixel(cx, cy), White);
    EXPECT_EQ(img.pixel(cx - 3, cy), White);
    EXPECT_EQ(img.pixel(cx + 20, cy), Black) << "the stroke beyond the bubble";
}

TEST(AnalisePixels, ABigDrawingFollowedByASmallOneLeavesNoTrace)
{
    const Lines big = {"S -5000 5000 5000 -5000 0 1 0 N", "C 0 0 3000 0 1 0 N",
                       "X VERYLONGPINNAME 1 -5000 0 300 R 60 60 1 1 I IC",
                       "F0 \"BIGFIELD\" 3000 4000 300 H V C CNN"};
    const Lines small = {"S -50 50 50 -50 0 1 0 N", "F0 \"R\" 0 100 50 H V C CNN"};

    Analise reused, fresh;
    reused.redesenhaEdicao(false, big, "big");
    reused.redesenhaPesquisa(false, big);
    reused.redesenhaEdicao(false, small, "small");
    reused.redesenhaPesquisa(false, small);
    fresh.redesenhaEdicao(false, small, "small");
    fresh.redesenhaPesquisa(false, small);

    EXPECT_EQ(reused.image2().extent(), fresh.image2().extent());
    EXPECT_TRUE(reused.image1().bitmap() == fresh.image1().bitmap());
    EXPECT_TRUE(reused.image2().bitmap() == fresh.image2().bitmap());
    EXPECT_TRUE(reused.image3().bitmap() == fresh.image3().bitmap());

    reused.apagar();
    const QImage &cleared = reused.image2().bitmap();
    QImage white(cleared.size(), cleared.format());
    white.fill(White);
    EXPECT_TRUE(cleared == white);
    EXPECT_TRUE(reused.image1().bitmap() == white);
    EXPECT_FALSE(reused.image3().bitmap() == white);
}

// Two units, the second with a converted style, and a drawing common to all.
const Lines kSymRow = {
    "(symbol \"G\" (property \"Reference\" \"U\" (at 0 0 0))",
    "  (symbol \"G_0_1\" (rectangle (start 0 0) (end 2.54 2.54)))",
    "  (symbol \"G_1_1\" (pin input line (at 0 0 0) (length 2.54) (name \"A\") (number \"1\")))",
    "  (symbol \"G_2_1\" (pin input line (at 0 0 0) (length 2.54) (name \"B\") (number \"2\"))",
    "    (pin input line (at 0 5.08 0) (length 2.54) (name \"C\") (number \"3\")))",
    "  (symbol \"G_2_2\" (pin input line (at 0 0 0) (length 2.54) (name \"B\") (number \"2\"))))",
};

TEST_F(AnaliseTest, KicadSymRowsAnswerFromTheirModelAndTheirParent)
{
    const Lines derived = {"(symbol \"D\" (extends \"G\"))"};
    EXPECT_EQ(a.unitCount(Painel::Edicao, kSymRow), 2);
    EXPECT_TRUE(a.hasBodyStyles(Painel::Edicao, kSymRow));
    EXPECT_EQ(a.unitCount(Painel::Edicao, derived), 1);
    EXPECT_FALSE(a.hasBodyStyles(Painel::Edicao, derived));
    a.setSymbolLookup(Painel::Edicao, [](const QByteArray &name) {
        return name == "G" ? kSymRow.join('\n') : QByteArray();
    });
    EXPECT_EQ(a.unitCount(Painel::Edicao, derived), 2);
    EXPECT_TRUE(a.hasBodyStyles(Painel::Edicao, derived));
    EXPECT_EQ(a.unitCount(Painel::Pesquisa, derived), 1) << "each pane has its own library";

    // The captions count the pins of the normal style: one in unit 1, two in unit 2.
    a.redesenhaEdicao(false, derived, "D");
    EXPECT_EQ(a.legendas().L_pinos, "Descrições de Pinos: 3");
    EXPECT_EQ(a.legendas().L_elementos, "Quantidade de elementos(partes): 2");
    EXPECT_EQ(a.legendas().erro, QString());
}

} // namespace
