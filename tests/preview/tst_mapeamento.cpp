#include "preview/desenho.h"
#include "preview/numeros.h"
#include "tests/support/recordingcanvas.h"

#include <gtest/gtest.h>

namespace {

using Kind = RecordingCanvas::Kind;

TEST(LeInteiro, WholeNumbersGiveTheirValue)
{
    EXPECT_EQ(leInteiro("0"), 0);
    EXPECT_EQ(leInteiro("150"), 150);
    EXPECT_EQ(leInteiro("-200"), -200);
    EXPECT_EQ(leInteiro("+35"), 35);
    EXPECT_EQ(leInteiro("   -7"), -7);
    EXPECT_EQ(leInteiro("2147483647"), 2147483647);
    EXPECT_EQ(leInteiro("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(leInteiro("$1F"), 31);
    EXPECT_EQ(leInteiro("x10"), 16);
    EXPECT_EQ(leInteiro("0XfF"), 255);
    EXPECT_EQ(leInteiro("-$10"), -16);
    EXPECT_EQ(leInteiro("$FFFFFFFF"), -1);
}

TEST(LeInteiro, MalformedTextsGiveTheMagnitudeOfTheirLeadingDigits)
{
    EXPECT_EQ(leInteiro(""), 0);
    EXPECT_EQ(leInteiro("-"), 0);
    EXPECT_EQ(leInteiro("+"), 0);
    EXPECT_EQ(leInteiro("0x"), 0);
    EXPECT_EQ(leInteiro("$"), 0);
    EXPECT_EQ(leInteiro("F"), 0);
    EXPECT_EQ(leInteiro("12ab"), 12);
    EXPECT_EQ(leInteiro("-12ab"), 12);
    EXPECT_EQ(leInteiro("-150.5"), 150);
    EXPECT_EQ(leInteiro("$1G"), 1);
    EXPECT_EQ(leInteiro("--5"), 0);
    // A digit that would leave the 32-bit range stops the reading.
    EXPECT_EQ(leInteiro("99999999999"), 999999999);
    EXPECT_EQ(leInteiro("-99999999999"), 999999999);
    EXPECT_EQ(leInteiro("2147483648"), 214748364);
    EXPECT_EQ(leInteiro("$100000000"), 0x10000000);
}

TEST(LeInteiro, ComputedValuesReadAsTheirDecimalText)
{
    EXPECT_EQ(leInteiro(qint64(-300)), -300);
    EXPECT_EQ(leInteiro(qint64(4294967295)), 429496729);
    EXPECT_EQ(leInteiro(qint64(-2147483649)), 214748364);
}

TEST(Arredonda, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(arredonda(75, 10), 8); // 7.5
    EXPECT_EQ(arredonda(65, 10), 6); // 6.5
    EXPECT_EQ(arredonda(51, 10), 5);
    EXPECT_EQ(arredonda(57, 10), 6);
    EXPECT_EQ(arredonda(-75, 10), -8);
    EXPECT_EQ(arredonda(-65, 10), -6);
    EXPECT_EQ(arredonda(-57, 10), -6);
}

class Mapeamento : public ::testing::Test
{
protected:
    PreviewImage image{&RecordingCanvas::make};
    Desenho d{image};
    RecordingCanvas &canvas() { return static_cast<RecordingCanvas &>(image.canvas()); }
};

TEST_F(Mapeamento, WorkedValuesAtThreeZooms)
{
    struct Row
    {
        const char *v;
        int x40, y40, x100, y100, x210, y210;
    };
    const Row rows[] = {
        {"0", 1000, 347, 1000, 869, 1000, 1826},   {"3", 1000, 347, 1000, 868, 1001, 1824},
        {"-8", 999, 348, 999, 870, 998, 1827},     {"100", 1006, 340, 1017, 852, 1036, 1789},
        {"-200", 986, 361, 965, 904, 926, 1899},   {"1000", 1070, 276, 1177, 692, 1372, 1453},
        {"-1000", 929, 418, 823, 1046, 629, 2196}, {"5000", 1354, -6, 1886, -17, 2862, -36},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.v);
        d.zoom_atual = 40;
        EXPECT_EQ(d.mapeia_x(r.v, false), r.x40);
        EXPECT_EQ(d.mapeia_y(r.v, false), r.y40);
        d.zoom_atual = 100;
        EXPECT_EQ(d.mapeia_x(r.v, false), r.x100);
        EXPECT_EQ(d.mapeia_y(r.v, false), r.y100);
        d.zoom_atual = 210;
        EXPECT_EQ(d.mapeia_x(r.v, false), r.x210);
        EXPECT_EQ(d.mapeia_y(r.v, false), r.y210);
    }
}

TEST_F(Mapeamento, SmallValuesRoundToTheOrigin)
{
    for (int zoom = 40; zoom <= 210; zoom += 10) {
        d.zoom_atual = zoom;
        const qint32 x0 = d.mapeia_x("0", false), y0 = d.mapeia_y("0", false);
        for (int v = -7; v <= 2; ++v) {
            const QByteArray text = QByteArray::number(v);
            EXPECT_EQ(d.mapeia_x(text, false), x0) << v << " at " << zoom;
            EXPECT_EQ(d.mapeia_y(text, false), y0) << v << " at " << zoom;
        }
    }
    // Extreme texts stay within 32 bits.
    d.zoom_atual = 210;
    EXPECT_EQ(d.mapeia_x("2147483647", false), 800305465);
    EXPECT_EQ(d.mapeia_y("-2147483648", false), 800306289);
}

TEST_F(Mapeamento, TrackingWidensTheBoxOnEverySideAndTheDrawingImageFollows)
{
    d.zoomNormal(Painel::Edicao);
    d.zeraLimites();
    EXPECT_EQ(d.min_x, 2147483647);
    EXPECT_EQ(d.max_y, -2147483647 - 1);

    d.mapeia_x("100", false);
    d.mapeia_y("100", false);
    EXPECT_EQ(d.min_x, Desenho::VazioMin) << "untracked mapping must not widen";
    EXPECT_EQ(d.max_y, Desenho::VazioMax);

    // A column of -5 is the minimum and the maximum.
    const qint32 left = d.mapeia_x("-5670", true);
    ASSERT_EQ(left, -5);
    EXPECT_EQ(d.min_x, left);
    EXPECT_EQ(d.max_x, left);
    d.mapeia_x("0", true);
    d.mapeia_x("-1000", true);
    EXPECT_EQ(d.min_x, -5);
    EXPECT_EQ(d.max_x, 1000);

    d.mapeia_y("1000", true);
    d.mapeia_y("-1000", true);
    EXPECT_EQ(d.min_y, 692);
    EXPECT_EQ(d.max_y, 1046);
    d.mapeia_y("5000", true); // row -17: above the top edge
    EXPECT_EQ(d.min_y, -17);
    EXPECT_EQ(d.max_y, 1046);
    // The drawing image reaches 50 pixels past -5 and -17, rounded out to
    // 256, and keeps its 2000 pixels on the other side.
    EXPECT_EQ(image.area(), QRect(QPoint(-256, -256), QPoint(1999, 1999)));
    EXPECT_EQ(canvas().area(), image.area());
}

TEST_F(Mapeamento, PublishingCopiesTheBoxWithItsMarginToTheTopLeft)
{
    PreviewImage destino{&RecordingCanvas::make};
    d.imagem_destino = &destino;
    d.min_x = 950, d.max_x = 1050, d.min_y = 800, d.max_y = 900;
    d.publica();

    EXPECT_EQ(destino.extent(), QSize(200, 200));
    const auto &calls = static_cast<RecordingCanvas &>(destino.canvas()).calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, Kind::Fill);
    EXPECT_EQ(calls[0].points, (std::vector<QPoint>{{0, 0}, {2000, 2000}}));
    EXPECT_EQ(calls[0].brush, Cores::Branco);
    EXPECT_EQ(calls[1].kind, Kind::Copy);
    EXPECT_EQ(calls[1].points, (std::vector<QPoint>{{0, 0}, {200, 200}, {900, 750}}));
    EXPECT_EQ(calls[1].source, &image.canvas());
}

TEST_F(Mapeamento, AnEmptyBoxPublishesASmallBlankPreview)
{
    PreviewImage destino{&RecordingCanvas::make};
    destino.setExtent(QSize(5, 5));
    QList<QSize> extents;
    QObject::connect(&destino, &PreviewImage::extentChanged, [&](QSize s) { extents << s; });
    d.imagem_destino = &destino;
    d.zeraLimites();
    d.publica();
    EXPECT_EQ(destino.extent(), QSize(Desenho::LadoVazio, Desenho::LadoVazio));
    EXPECT_TRUE(static_cast<RecordingCanvas &>(destino.canvas()).callsOf(Kind::Copy).empty());

    // A box wholly left of column 0 is no empty box: -9000 maps to column
    // (-1836 x 100 + 115000) / 115 = -596, and 0 to row 869.
    d.zeraLimites();
    d.mapeia_x("-9000", true);
    d.mapeia_y("0", true);
    d.publica();
    EXPECT_EQ(destino.extent(), QSize(100, 100));
    const auto copies = static_cast<RecordingCanvas &>(destino.canvas()).callsOf(Kind::Copy);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].points[2], QPoint(-646, 819));
    // Publishing shows the whole bitmap while it fills it, then the result.
    EXPECT_EQ(extents.first(), QSize(2000, 2000));
}

TEST_F(Mapeamento, ClearingFillsTheDrawingImageAndTheTargetAtItsExtent)
{
    PreviewImage destino{&RecordingCanvas::make};
    destino.setExtent(QSize(321, 120));
    d.imagem_destino = &destino;
    canvas().setPenColor(Cores::Preto);
    canvas().setBrushColor(Cores::Azulado);
    d.apagarimage1();

    ASSERT_EQ(canvas().calls.size(), 1u);
    EXPECT_EQ(canvas().calls[0].points, (std::vector<QPoint>{{0, 0}, {2000, 2000}}));
    EXPECT_EQ(canvas().calls[0].brush, Cores::Branco);
    EXPECT_EQ(canvas().penColor(), Cores::Branco);
    const auto &target = static_cast<RecordingCanvas &>(destino.canvas()).calls;
    ASSERT_EQ(target.size(), 1u);
    EXPECT_EQ(target[0].points, (std::vector<QPoint>{{0, 0}, {321, 120}}));
}

TEST_F(Mapeamento, ZoomButtonsStayWithinFortyAndTwoHundredTen)
{
    int acted = 0;
    for (int i = 0; i < 12; ++i)
        acted += d.zoomMais(Painel::Edicao);
    EXPECT_EQ(d.zoom_edicao, 210);
    EXPECT_EQ(acted, 11);
    EXPECT_EQ(d.zoom_pesquisa, 100) << "one pane's zoom never moves the other's";

    EXPECT_TRUE(d.zoomNormal(Painel::Edicao));
    EXPECT_EQ(d.zoom_edicao, 100);
    acted = 0;
    for (int i = 0; i < 7; ++i)
        acted += d.zoomMenos(Painel::Pesquisa);
    EXPECT_EQ(d.zoom_pesquisa, 40);
    EXPECT_EQ(acted, 6);
    EXPECT_FALSE(d.zoomMenos(Painel::Pesquisa));
    EXPECT_EQ(d.zoom_edicao, 100);

    // The edges: 200 still acts, 50 still acts.
    d.zoom_edicao = 200;
    EXPECT_TRUE(d.zoomMais(Painel::Edicao));
    EXPECT_FALSE(d.zoomMais(Painel::Edicao));
    d.zoom_edicao = 50;
    EXPECT_TRUE(d.zoomMenos(Painel::Edicao));
    EXPECT_EQ(d.zoom_edicao, 40);
}

} // namespace
