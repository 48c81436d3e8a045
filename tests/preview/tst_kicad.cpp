// The KiCad view on the recording canvas: what is drawn, where, and how,
// written by hand from library lines. Positions name library points (mils,
// Y up) mapped at the pane's zoom; sizes are mils x zoom / 563.5 pixels.

#include "analysis/analise.h"
#include "platform/imagecanvas.h"
#include "preview/kicad.h"
#include "tests/support/recordingcanvas.h"

#include <gtest/gtest.h>

namespace {

using Kind = RecordingCanvas::Kind;
using Call = RecordingCanvas::Call;
using Points = std::vector<QPoint>;

class KiCad : public ::testing::Test
{
protected:
    Analise a{&RecordingCanvas::make};

    KiCad() { a.setVista(Vista::KiCad); }

    // The calls of one search pass over `lines`, clearing left out.
    std::vector<Call> draw(const QList<QByteArray> &lines, OpcoesKiCad opcoes = {})
    {
        a.setOpcoes(Painel::Pesquisa, opcoes);
        if (a.image1().hasCanvas())
            rec().calls.clear();
        a.redesenhaPesquisa(false, lines);
        std::vector<Call> out;
        for (const Call &c : rec().calls) {
            if (c.kind != Kind::Fill)
                out.push_back(c);
        }
        return out;
    }
    static std::vector<Call> of(const std::vector<Call> &calls, Kind kind)
    {
        std::vector<Call> out;
        for (const Call &c : calls) {
            if (c.kind == kind)
                out.push_back(c);
        }
        return out;
    }
    RecordingCanvas &rec() { return static_cast<RecordingCanvas &>(a.image1().canvas()); }
    QPoint at(qint64 x, qint64 y)
    {
        return {a.desenho().mapeia_x(x, false), a.desenho().mapeia_y(y, false)};
    }
    double px(double mils) { return mils * a.desenho().zoom_pesquisa / 563.5; }
};

TEST_F(KiCad, UnitsAndBodyStylesSelectTheItems)
{
    const QList<QByteArray> lines = {"DEF X U 0 40 Y Y 2 L N",    "S 0 0 10 10 0 0 0 N",
                                     "S 0 0 20 20 1 1 0 N",       "S 0 0 30 30 2 1 0 N",
                                     "S 0 0 40 40 2 2 0 N",       "S 0 0 50 50 0 2 0 N",
                                     "S 0 0 60 60 x 0 0 N",       "S 0 0 70 70 2 3 0 N",
                                     "C 0 0 80 2 0 0 N",          "T 0 0 0 50 0 2 2 t Normal 0 C C",
                                     "X A 1 0 0 90 R 50 50 2 2 P"};
    const auto drawn = [&](int unit, int style) {
        std::vector<int> sides;
        for (const Call &c : of(draw(lines, {unit, style, false}), Kind::Path)) {
            if (c.points.size() == 4)
                sides.push_back(c.points[2].x() - c.points[0].x());
        }
        // Drawn unit by unit, as the model holds them.
        std::sort(sides.begin(), sides.end());
        return sides;
    };
    // Sides of 10, 20, 30, 40, 50 mils are 1, 3, 5, 6, 8 pixels at zoom 100.
    EXPECT_EQ(drawn(1, 1), (std::vector<int>{1, 3}));
    EXPECT_EQ(drawn(2, 1), (std::vector<int>{1, 5}));
    EXPECT_EQ(drawn(2, 2), (std::vector<int>{1, 6, 8}));
    EXPECT_EQ(of(draw(lines, {2, 2, false}), Kind::SmoothEllipse).size(), 2u) << "circle, pin end";
    EXPECT_EQ(of(draw(lines, {2, 2, false}), Kind::Label).size(), 3u) << "text, pin name, number";
    EXPECT_EQ(a.desenho().qtd_partes, "2") << "information values as in the classic view";

    struct Case
    {
        QList<QByteArray> lines;
        int units;
        bool converted;
    };
    const Case cases[] = {
        {{"DEF X U 0 40 Y Y 4 L N", "S 0 0 1 1 4 1 0 N", "X A 1 0 0 1 R 1 1 2 2 P"}, 4, true},
        {{"DEF X U 0 40 Y Y 4 L N", "S 0 0 1 1 2 1 0 N"}, 2, false},
        {{"DEF X U 0 40 Y Y 2 L N", "S 0 0 1 1 5 1 0 N"}, 2, false},
        {{"DEF X U 0 40 Y Y 0 L N", "P 2 3 0 0 0 0 1 1 N"}, 3, false},
        {{"DEF X U 0 40 Y Y 1000000000 L N", "A 0 0 1 0 900 3 2 0 N 1 0 0 1"}, 3, true},
        {{"DEF X U 0 40 Y Y many L N", "C 0 0 1 2 0 0 N"}, 2, false},
        {{"DEF X U 0 40 Y Y 5 L N", "S 0 0 1 1 x 2 0 N", "T 0 0 0 5 0 999999999 1 t"}, 1, true},
        {{}, 1, false},
        {{"  (symbol \"G\"", "    (symbol \"G_3_2\"))"}, 3, true},
        {{"(symbol \"G\" (symbol \"G_0_1\"))"}, 1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lines.join(" | ").toStdString());
        EXPECT_EQ(unidadesDoSimbolo(c.lines), c.units);
        EXPECT_EQ(temConvertido(c.lines), c.converted);
    }
}

TEST_F(KiCad, HiddenPinsOnlyWithTheOptionAndInGrey)
{
    const QList<QByteArray> lines = {"DEF X U 0 40 Y Y 1 L N", "X VCC 14 0 400 100 D 50 50 1 0 W N",
                                     "X GND 7 0 -400 100 U 50 50 1 0 W NI"};
    EXPECT_TRUE(draw(lines).empty());
    const auto shown = draw(lines, {1, 1, true});
    ASSERT_FALSE(shown.empty());
    for (const Call &c : shown) {
        const Cor cor = c.kind == Kind::Label ? c.estilo.cor : c.traco.cor;
        EXPECT_EQ(cor, CoresKiCad::Oculto);
    }
    EXPECT_EQ(of(shown, Kind::SmoothEllipse).size(), 3u) << "two pin ends and GND's bubble";
    // The panel counts them as the classic view does.
    a.redesenhaEdicao(false, lines, "X");
    EXPECT_EQ(a.legendas().L_pinos, QStringLiteral("Descrições de Pinos: 2"));
}

TEST_F(KiCad, FillsAndWidthsOfOutlines)
{
    const auto calls = draw({"S -100 100 100 -100 0 1 10 F", "S -100 100 100 -100 0 1 0 f",
                             "S -100 100 100 -100 0 1 99999999 N", "C 0 0 50 0 1 -3 Q",
                             "P 3 0 1 20 0 0 100 0 100 100 f"});
    const Points box{at(-100, 100), at(100, 100), at(100, -100), at(-100, -100)};
    const Points triangle{at(0, 0), at(100, 0), at(100, 100)};
    // Backgrounds first, in line order, without outline.
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0].points, box);
    EXPECT_EQ(calls[0].traco, (Traco{CoresKiCad::Corpo, 0, true, CoresKiCad::Fundo}));
    EXPECT_EQ(calls[1].points, triangle);
    EXPECT_TRUE(calls[1].traco.preenche);
    // Then the outlines: F fills with the outline colour, f and the rest not.
    EXPECT_EQ(calls[2].points, box);
    EXPECT_TRUE(calls[2].closed);
    EXPECT_EQ(calls[2].traco, (Traco{CoresKiCad::Corpo, px(10), true, CoresKiCad::Corpo}));
    EXPECT_FALSE(calls[3].traco.preenche);
    EXPECT_DOUBLE_EQ(calls[3].traco.largura, px(6)) << "width 0 is 6 mils";
    EXPECT_DOUBLE_EQ(calls[4].traco.largura, px(1000)) << "huge widths stop at 1000 mils";
    EXPECT_EQ(calls[5].kind, Kind::SmoothEllipse);
    EXPECT_EQ(calls[5].points, (Points{at(-50, 50), at(50, -50)}));
    EXPECT_FALSE(calls[5].traco.preenche) << "unknown letter";
    EXPECT_DOUBLE_EQ(calls[5].traco.largura, px(6));
    EXPECT_EQ(calls[6].points, triangle);
    EXPECT_FALSE(calls[6].closed) << "a background-filled polyline's outline stays open";
    EXPECT_FALSE(calls[6].traco.preenche);

    // At zoom 40 a default width is thinner than a pixel: one pixel.
    a.desenho().zoom_pesquisa = 40;
    EXPECT_DOUBLE_EQ(draw({"S 0 0 100 100 0 1 0 N"})[0].traco.largura, 1.0);
}

TEST_F(KiCad, ArcsTakeTheShorterWayBetweenTheirAngles)
{
    struct Case
    {
        const char *line;
        int start, span;
    };
    const Case cases[] = {
        {"A 0 0 150 -899 899 0 1 10 f 0 -150 0 150", 2701, 1798},
        {"A 0 0 150 899 -899 0 1 10 N 0 150 0 -150", 2701, 1798},
        {"A 0 0 150 0 900 0 1 10 N 150 0 0 150", 0, 900},
        {"A 0 0 150 1800 0 0 1 10 N -150 0 150 0", 1800, 1800},
        {"A 0 0 -150 4500 -900 0 1 10 N 0 0 0 0", 900, 1800},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        // A background-filled arc draws its pie first, the same way.
        const auto arcs = of(draw({c.line}), Kind::SmoothArc);
        ASSERT_EQ(arcs.size(), QByteArray(c.line).contains(" f ") ? 2u : 1u);
        for (const Call &arc : arcs) {
            EXPECT_EQ(arc.points, (Points{at(-150, 150), at(150, -150)}));
            EXPECT_EQ(arc.start, c.start);
            EXPECT_EQ(arc.span, c.span);
        }
    }
    // The box holds the arc's ends and the quadrant points it passes: the
    // right half reaches (150, 0) but not (-150, 0).
    draw({"A 0 0 150 -899 899 0 1 10 N 0 -150 0 150"});
    EXPECT_EQ(a.desenho().max_x, at(150, 0).x());
    EXPECT_EQ(a.desenho().min_x, at(0, 0).x());
}

// A pin on the left of a body at (-300, 0), 100 long, sizes 50: the inner
// end is (-200, 0), outside decorations 25 mils, inside ones 25.
TEST_F(KiCad, PinShapes)
{
    struct Case
    {
        const char *shape;
        std::vector<Points> paths; // the pin's strokes after its line
        bool bubble;
    };
    const Points line{at(-200, 0), at(-300, 0)};
    const Points clock{at(-200, -25), at(-150, 0), at(-200, 25)};
    const Points lowIn{at(-250, 0), at(-250, 50), at(-200, 0)};
    const Case cases[] = {
        {"", {line}, false},
        {"I", {{at(-250, 0), at(-300, 0)}}, true},
        {"C", {line, clock}, false},
        {"IC", {{at(-250, 0), at(-300, 0)}, clock}, true},
        {"L", {line, lowIn}, false},
        {"CL", {line, clock, lowIn}, false},
        {"V", {line, {at(-200, 50), at(-250, 0)}}, false},
        {"F", {{at(-250, 0), at(-300, 0)}, {at(-200, -25), at(-250, 0), at(-200, 25)}}, false},
        {"X", {line, {at(-225, -25), at(-175, 25)}, {at(-225, 25), at(-175, -25)}}, false},
        {"c", {line}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shape);
        const auto calls = draw(
            {"DEF X U 0 40 N N 1 L N", QByteArray("X A 1 -300 0 100 R 50 50 1 1 I ") + c.shape});
        std::vector<Points> paths;
        for (const Call &p : of(calls, Kind::Path)) {
            paths.push_back(p.points);
            EXPECT_EQ(p.traco.cor, CoresKiCad::Corpo);
        }
        EXPECT_EQ(paths, c.paths);
        const auto ellipses = of(calls, Kind::SmoothEllipse);
        ASSERT_EQ(ellipses.size(), c.bubble ? 2u : 1u);
        if (c.bubble) {
            EXPECT_EQ(ellipses[0].points, (Points{at(-250, 25), at(-200, -25)}));
        }
        // The pin end's target circle, 12 mils, one pixel wide.
        EXPECT_EQ(ellipses.back().points, (Points{at(-312, 12), at(-288, -12)}));
        EXPECT_EQ(ellipses.back().traco.largura, 1.0);
    }
    // An upright pin's clock points up into the body; a pin not to be
    // connected ends in a cross.
    const auto up = of(draw({"X A 1 0 -300 100 U 50 50 1 1 N C"}), Kind::Path);
    ASSERT_EQ(up.size(), 4u);
    EXPECT_EQ(up[1].points, (Points{at(25, -200), at(0, -150), at(-25, -200)}));
    EXPECT_EQ(up[2].points, (Points{at(-12, -312), at(12, -288)}));
}

TEST_F(KiCad, PinNamesAndNumbersWhereKiCadPutsThem)
{
    struct Expected
    {
        const char *text;
        QPoint at;
        int rotation;
        AlinhaH h;
        AlinhaV v;
        Cor cor;
    };
    const auto labels = [&](const QList<QByteArray> &lines) {
        return of(draw(lines), Kind::Label);
    };
    const Cor name = CoresKiCad::NomePino, number = CoresKiCad::NumeroPino;
    const auto check = [&](const std::vector<Call> &got, const std::vector<Expected> &want) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE(want[i].text);
            EXPECT_EQ(got[i].text, QString::fromUtf8(want[i].text));
            EXPECT_EQ(got[i].points[0], want[i].at);
            EXPECT_EQ(got[i].estilo.rotacao, want[i].rotation);
            EXPECT_EQ(got[i].estilo.h, want[i].h);
            EXPECT_EQ(got[i].estilo.v, want[i].v);
            EXPECT_EQ(got[i].estilo.cor, want[i].cor);
        }
    };
    using H = AlinhaH;
    using V = AlinhaV;
    // Offset 40: names 40 mils inside from the inner end, numbers 10 mils
    // (4 + (6 + 6) / 2) above the line's middle, or left of it when upright.
    const QList<QByteArray> pins = {
        "X D 2 -300 100 100 R 50 50 1 0 I", "X Q 5 300 100 100 L 50 50 1 0 O",
        "X ~S 4 0 300 100 D 50 50 1 0 I", "X ~R~ 1 0 -300 100 U 30 30 1 0 I",
        "X ~ 9 0 0 0 R 50 50 1 0 I"};
    check(labels(QList<QByteArray>{"DEF 74LS74 U 0 40 Y Y 1 L N"} + pins),
          {{"D", at(-160, 100), 0, H::Esquerda, V::Centro, name},
           {"2", at(-250, 110), 0, H::Centro, V::Base, number},
           {"Q", at(160, 100), 0, H::Direita, V::Centro, name},
           {"5", at(250, 110), 0, H::Centro, V::Base, number},
           {"S", at(0, 160), 900, H::Direita, V::Centro, name},
           {"4", at(-10, 250), 900, H::Centro, V::Base, number},
           {"R", at(0, -160), 900, H::Esquerda, V::Centro, name},
           {"1", at(-9, -250), 900, H::Centro, V::Base, number},
           {"9", at(0, 10), 0, H::Centro, V::Base, number}});
    const auto bars =
        of(draw(QList<QByteArray>{"DEF 74LS74 U 0 40 Y Y 1 L N"} + pins), Kind::Label);
    EXPECT_EQ(bars[4].barras, (std::vector<Barra>{{0, 1}}));
    EXPECT_EQ(bars[6].barras, (std::vector<Barra>{{0, 1}}));
    EXPECT_DOUBLE_EQ(bars[6].estilo.altura, px(30));

    // Offset 0: name above and number below the line, left and right of an
    // upright one, centred on its middle.
    check(labels({"DEF Q Q 0 0 Y Y 1 L N", pins[0], pins[3]}),
          {{"D", at(-250, 110), 0, H::Centro, V::Base, name},
           {"2", at(-250, 90), 0, H::Centro, V::Topo, number},
           {"R", at(-9, -250), 900, H::Centro, V::Base, name},
           {"1", at(9, -250), 900, H::Centro, V::Topo, number}});
    // DEF's number and name flags "N" hide them all.
    check(labels({"DEF Q Q 0 0 N Y 1 L N", pins[0]}),
          {{"D", at(-250, 110), 0, H::Centro, V::Base, name}});
    check(labels({"DEF Q Q 0 0 Y N 1 L N", pins[0]}),
          {{"2", at(-250, 90), 0, H::Centro, V::Topo, number}});
}

TEST_F(KiCad, FieldsAndFreeTexts)
{
    const auto calls = of(
        draw({"DEF 74LS74 U 0 40 Y Y 2 L N", "F0 \"U\" -300 350 50 H V C CNN",
              "F1 \"74LS74\" -300 -350 60 V V L TIB", "F2 \"pkg\" 0 0 50 H I C CNN",
              "F3 \"~\" 0 0 50 H V C CNN", "F4 \"x~y~\" 10 20 40 H V Q ZNN \"Note\"",
              "T 0 100 -100 50 0 1 1 Hello~world Normal 0 C C",
              "T 900 0 0 60 0 0 0 \"a~b~c\" Italic 1 L T", "T 0 0 0 50 1 0 0 hidden Normal 0 C C",
              "T 0 0 0 50 0 2 0 other Normal 0 C C", "S 0 0 1 1 2 1 0 N"},
             {1, 1, false}),
        Kind::Label);
    ASSERT_EQ(calls.size(), 5u);
    // Free texts come with the outlines, those common to all units first;
    // fields last.
    EXPECT_EQ(calls[0].text, "abc") << "quoted: ~ marks an overbar";
    EXPECT_EQ(calls[0].barras, (std::vector<Barra>{{1, 2}}));
    EXPECT_EQ(calls[0].estilo, (EstiloTexto{px(60), 900, AlinhaH::Esquerda, AlinhaV::Topo, true,
                                            true, CoresKiCad::Texto, px(6)}));
    EXPECT_EQ(calls[1].text, "Hello world") << "unquoted: ~ is a blank";
    EXPECT_EQ(calls[1].points[0], at(100, -100));
    EXPECT_EQ(calls[1].estilo, (EstiloTexto{px(50), 0, AlinhaH::Centro, AlinhaV::Centro, false,
                                            false, CoresKiCad::Texto, px(6)}));
    EXPECT_EQ(calls[2].text, "U?A") << "a reference reads as in KiCad's editor";
    EXPECT_EQ(calls[2].points[0], at(-300, 350));
    EXPECT_EQ(calls[2].estilo, (EstiloTexto{px(50), 0, AlinhaH::Centro, AlinhaV::Centro, false,
                                            false, CoresKiCad::Campo, px(6)}));
    EXPECT_EQ(calls[3].text, "74LS74");
    EXPECT_EQ(calls[3].estilo, (EstiloTexto{px(60), 900, AlinhaH::Esquerda, AlinhaV::Topo, true,
                                            true, CoresKiCad::Campo, px(6)}));
    EXPECT_EQ(calls[4].text, "xy");
    EXPECT_EQ(calls[4].barras, (std::vector<Barra>{{1, 2}}));
    EXPECT_EQ(calls[4].estilo.h, AlinhaH::Centro) << "unknown justification";
    EXPECT_EQ(calls[4].estilo.v, AlinhaV::Centro);
    // The second unit names its reference B; the field anchors widen the box.
    EXPECT_EQ(of(draw({"DEF X U 0 40 Y Y 2 L N", "S 0 0 1 1 2 1 0 N", "F0 \"U\" 0 0 50 H V C CNN"},
                      {2, 1, false}),
                 Kind::Label)[0]
                  .text,
              "U?B");
}

// A component draws what KiCad reads from it: "~" as its reference and a
// "~" before its name hide those fields. Lines without a DEF draw as typed.
TEST_F(KiCad, AComponentDrawsItsModel)
{
    const QList<QByteArray> body = {"F0 \"U\" 0 100 50 H V C CNN",
                                    "F1 \"NAND\" 0 -100 50 H V C CNN", "DRAW",
                                    "X ~RST 1 0 0 100 R 50 50 1 1 I", "ENDDRAW"};
    const auto texts = [&](const QList<QByteArray> &lines) {
        std::vector<QString> out;
        for (const Call &c : of(draw(lines), Kind::Label))
            out.push_back(c.text);
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(
        texts(QList<QByteArray>{"DEF ~NAND ~ 0 40 Y Y 1 F N"} + body + QList<QByteArray>{"ENDDEF"}),
        (std::vector<QString>{"1", "RST"}));
    EXPECT_EQ(texts(body), (std::vector<QString>{"1", "NAND", "RST", "U?"}));
}

TEST_F(KiCad, TextsAreUtf8WhenTheyAreValidUtf8ElseLatin1)
{
    struct Case
    {
        QByteArray bytes;
        QString shown;
    };
    const Case cases[] = {
        {"I\xC2\xB2"
         "C",
         QStringLiteral("I²C")},
        {"10\xCE\xA9", QStringLiteral("10Ω")},
        {"\xB5"
         "A",
         QStringLiteral("µA")},
        {"\xC3(", QStringLiteral("Ã(")},
        {"plain", QStringLiteral("plain")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(textoDeBiblioteca(c.bytes), c.shown);
        const auto labels = of(draw({"X " + c.bytes + " 1 0 0 100 R 50 50 1 1 P"}), Kind::Label);
        ASSERT_EQ(labels.size(), 2u);
        EXPECT_EQ(labels[0].text, c.shown);
    }
    // Overbar marks: "~~" is a tilde, an open bar runs to the end.
    EXPECT_EQ(comBarras("~~A~B").texto, "~AB");
    EXPECT_EQ(comBarras("~~A~B").barras, (std::vector<Barra>{{2, 3}}));
    EXPECT_TRUE(comBarras("~").texto.isEmpty());
}

// The view keeps the classic mapping, box and extent: a body alone publishes
// the same extent in both views, at any zoom.
TEST_F(KiCad, SameMappingBoxAndExtentAsTheClassicView)
{
    const QList<QByteArray> body = {"S -200 300 200 -300 0 1 10 f", "C 400 0 50 0 1 0 N"};
    for (int z : {40, 150, 210}) {
        // Each view has its own zoom: both set alike.
        a.setVista(Vista::Classica);
        a.desenho().zoom_pesquisa = z;
        a.redesenhaPesquisa(false, body);
        const QSize classic = a.image3().extent();
        a.setVista(Vista::KiCad);
        a.desenho().zoom_pesquisa = z;
        const auto calls = draw(body);
        EXPECT_EQ(a.image3().extent(), classic) << z;
        EXPECT_EQ(calls[0].points[0], at(-200, 300));
    }
}

// On the real canvas: the body background is KiCad's pale yellow, the
// outline dark red, anti-aliased.
TEST(KiCadImagem, BackgroundAndOutlineColours)
{
    Analise a;
    a.setVista(Vista::KiCad);
    a.redesenhaPesquisa(false, {"S -200 200 200 -200 0 1 10 f"});
    const QImage &shown = a.image3().bitmap();
    // The box (965, 833)-(1035, 904) lands at (50, 50) of the preview.
    EXPECT_EQ(shown.pixel(85, 85), 0xFFFFFFC2u);
    const QRgb edge = shown.pixel(85, 50);
    EXPECT_GT(qRed(edge), 0x60);
    EXPECT_LT(qGreen(edge), 0x60);
}

} // namespace
