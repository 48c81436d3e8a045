#include "desenhofixture.h"

namespace {

using Pino = DesenhoTest;
using Points = std::vector<QPoint>;

TEST_F(Pino, CountedOnlyForConversionZeroOrOneAndDrawnOnlyForUnitZeroOrOne)
{
    draw({"X A 1 0 0 100 R 50 50 2 1 P", "X B 2 0 0 100 R 50 50 1 2 P",
          "X C 3 0 0 100 R 50 50 0 0 P", "X D 4 0 0 100 R 50 50 1 01 P"});
    EXPECT_EQ(d.qtd_pinos, 2);
    EXPECT_EQ(calls(Kind::Line).size(), 1u);
    EXPECT_EQ(canvas().texts(), (std::vector<QString>{"C", "3"}));
}

TEST_F(Pino, HorizontalPinAnchorsUseTheFontInForceBeforeThePin)
{
    canvas().setFontSize(10); // W = 10 per character, H = 21
    draw({"X VCC 14 500 100 200 L 50 60 1 1 W"});
    const QPoint x1 = at(300, 100);
    auto texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "VCC");
    EXPECT_EQ(texts[0].points[0], x1 + QPoint(-30 - 10, -10)) << "half of 21 rounds to even 10";
    EXPECT_EQ(texts[0].font.tamanho, 7);
    EXPECT_EQ(texts[1].text, "14");
    EXPECT_EQ(texts[1].points[0], x1 + QPoint(20, -21 - 2));
    EXPECT_EQ(texts[1].font.tamanho, 6);
    EXPECT_EQ(texts[1].font.rotacao, 0);
    EXPECT_EQ(texts[1].font.nome, "Arial");
    EXPECT_EQ(calls(Kind::Line)[0].points, (Points{at(500, 100), x1}));

    // The next pin measures with the number font just left behind (size 6).
    canvas().calls.clear();
    draw({"X IN 2 -500 0 200 R 50 50 1 1 P"});
    const QPoint r1 = at(-300, 0);
    texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].points[0], r1 + QPoint(10, -6)) << "half of 13 rounds to even 6";
    EXPECT_EQ(texts[1].points[0], r1 + QPoint(-6 - 20, -13 - 2));
}

TEST_F(Pino, VerticalPinNumbersSitBesideTheStrokeMidpoint)
{
    canvas().setFontSize(6); // the numbers' own size: W("7") = 6, H = 13
    draw({"X A 7 0 -300 300 U 50 50 1 1 P"});
    auto texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    // Stroke from row 921 up to row 869 in column 1000.
    EXPECT_EQ(calls(Kind::Line)[0].points, (Points{{1000, 921}, {1000, 869}}));
    EXPECT_EQ(texts[0].points[0], QPoint(995, 864));
    EXPECT_EQ(texts[0].font.rotacao, 900);
    EXPECT_EQ(texts[1].points[0], QPoint(1000 - 13 - 2, 869 + 3 + 26));
    EXPECT_EQ(texts[1].font.rotacao, 900);
    // Turned to read upwards, the number spans rows 892..898: centred on 895,
    // columns 985..997: left of the stroke.

    canvas().calls.clear();
    draw({"X B 8 0 300 300 D 50 50 1 1 P"});
    texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(calls(Kind::Line)[0].points, (Points{{1000, 816}, {1000, 869}}));
    EXPECT_EQ(texts[0].points[0], QPoint(1005, 874));
    EXPECT_EQ(texts[1].points[0], QPoint(1000 + 13 + 4, 869 - 3 - 26))
        << "half of -53 rounds to even -26";
    EXPECT_EQ(texts[1].font.rotacao, -900);
}

TEST_F(Pino, NamesSkippedForTildeOrWhenEqualToTheNumber)
{
    canvas().setFontSize(20);
    draw({"X ~ 1 0 0 100 R 50 80 1 1 P", "X 2 2 0 0 100 R 50 80 1 1 P"});
    const auto texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "1");
    EXPECT_EQ(texts[1].text, "2");
}

TEST_F(Pino, HiddenNumbersStillSetTheNumberFont)
{
    draw({"DEF U U 0 30 N Y 1 F N", "X CLK 3 0 0 100 R 40 60 1 1 I"});
    EXPECT_EQ(canvas().texts(), (std::vector<QString>{"CLK"}));
    EXPECT_EQ(canvas().font().tamanho, 5);
    draw({"DEF U U 0 30 Y N 1 F N", "X CLK 3 0 0 100 R 40 60 1 1 I"});
    EXPECT_EQ(canvas().texts(), (std::vector<QString>{"CLK", "3"}));
}

TEST_F(Pino, LengthZeroWritesOliveTextsAnythingElseBlack)
{
    draw({"X A 1 0 0 0 R 50 50 1 1 P", "X B 2 0 0 00 R 50 50 1 1 P"});
    const auto texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].font.cor, Cores::Oliva);
    EXPECT_EQ(texts[1].font.cor, Cores::Oliva);
    EXPECT_EQ(texts[2].font.cor, Cores::Preto);
    EXPECT_EQ(texts[3].font.cor, Cores::Preto);
    EXPECT_EQ(Cores::Oliva, 0x008080u);
}

TEST_F(Pino, FontSizesFollowTheZoomWithHalvesToEven)
{
    draw({"X A 1 0 0 100 R 50 50 1 1 P"});
    EXPECT_EQ(calls(Kind::Text)[0].font.tamanho, 6);
    d.zoom_atual = 150;
    canvas().calls.clear();
    draw({"X A 1 0 0 100 R 50 70 1 1 P"});
    EXPECT_EQ(calls(Kind::Text)[0].font.tamanho, 11) << "70 at 150: 10.5 -> 10, plus 1";
    EXPECT_EQ(calls(Kind::Text)[1].font.tamanho, 9) << "50 at 150: 7.5 -> 8, plus 1";
    canvas().calls.clear();
    draw({"X A 1 0 0 100 R x y 1 1 P"});
    EXPECT_EQ(calls(Kind::Text)[1].font.tamanho, 1);
}

TEST_F(Pino, BubbleAndConnectionMarkExamples)
{
    // Inner end at column 1100 (library x 563 at zoom 100).
    draw({"X A 1 0 0 563 R 50 50 1 1 I I"});
    auto ellipses = calls(Kind::Ellipse);
    ASSERT_EQ(ellipses.size(), 2u);
    EXPECT_EQ(ellipses[1].points, (Points{{1093 - 6, 869 - 6}, {1093 + 6, 869 + 6}}));

    // Connection point at pixel (1000, 1000): library (0, -740).
    canvas().calls.clear();
    draw({"X A 1 0 -740 100 R 50 50 1 1 P"});
    ellipses = calls(Kind::Ellipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].points, (Points{{997, 998}, {1002, 1002}}));
}

TEST_F(Pino, BubbleSwitchesToCopyModeForTheRestOfTheRedraw)
{
    canvas().setPenMode(PenMode::Mask);
    draw({"X A 1 0 0 100 L 50 50 1 1 I I", "S 0 0 100 100 0 1 0 N", "C 0 0 50 0 1 0 N"});
    const auto ellipses = calls(Kind::Ellipse);
    ASSERT_EQ(ellipses.size(), 3u);
    EXPECT_EQ(ellipses[0].mode, PenMode::Mask) << "connection mark comes before the bubble";
    EXPECT_EQ(ellipses[1].mode, PenMode::Copy);
    EXPECT_EQ(ellipses[2].mode, PenMode::Copy);
    EXPECT_EQ(calls(Kind::Rectangle)[0].mode, PenMode::Copy);
    // The bubble centre for "L" lies a step of 8 to the right of the inner end.
    const QPoint x1 = at(-100, 0);
    EXPECT_EQ(ellipses[1].points, (Points{x1 + QPoint(7 - 6, -6), x1 + QPoint(7 + 6, 6)}));
}

TEST_F(Pino, DecorationsByShapeAndOrientation)
{
    // Length 0: the inner end is the connection point, (1000, 869); at zoom
    // 100 the wedge size is 6, the flag 12 long and 6 high.
    using Lines = std::vector<Points>;
    struct Case
    {
        const char *shape;
        char orientation;
        Lines lines;
        int ellipses;
    };
    const int X = 1000, Y = 869;
    const Case cases[] = {
        {"C", 'L', {{{X, Y - 6}, {X - 6, Y}}, {{X, Y + 6}, {X - 6, Y}}}, 1},
        {"C", 'R', {{{X, Y + 6}, {X + 6, Y}}, {{X, Y - 6}, {X + 6, Y}}}, 1},
        {"C", 'U', {{{X + 6, Y}, {X, Y - 6}}, {{X, Y - 6}, {X - 6, Y}}}, 1},
        {"C", 'D', {{{X + 6, Y}, {X, Y + 6}}, {{X - 6, Y}, {X, Y + 6}}}, 1},
        {"IC", 'R', {{{X, Y + 6}, {X + 6, Y}}, {{X, Y - 6}, {X + 6, Y}}}, 2},
        {"L", 'L', {{{X, Y}, {X + 12, Y - 6}}, {{X + 12, Y - 6}, {X + 12, Y}}}, 1},
        {"L", 'R', {{{X, Y}, {X - 12, Y - 6}}, {{X - 12, Y - 6}, {X - 12, Y}}}, 1},
        {"L", 'U', {{{X, Y}, {X - 6, Y + 12}}, {{X - 6, Y + 12}, {X, Y + 12}}}, 1},
        {"L", 'D', {{{X, Y}, {X - 6, Y - 12}}, {{X - 6, Y - 12}, {X, Y - 12}}}, 1},
        {"CL",
         'L',
         {{{X, Y - 6}, {X - 6, Y}},
          {{X, Y + 6}, {X - 6, Y}},
          {{X, Y}, {X + 12, Y - 6}},
          {{X + 12, Y - 6}, {X + 12, Y}}},
         1},
        {"V", 'L', {{{X, Y - 6}, {X + 12, Y}}}, 1},
        {"V", 'R', {{{X, Y - 6}, {X - 12, Y}}}, 1},
        {"V", 'U', {{{X - 6, Y}, {X, Y + 12}}}, 1},
        {"V", 'D', {{{X - 6, Y}, {X, Y - 12}}}, 1},
        {"i", 'R', {}, 1},
        {"c", 'R', {}, 1},
        {"N", 'R', {}, 1},
        {"", 'R', {}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.shape << " " << c.orientation);
        canvas().calls.clear();
        d.interpreta_linha(QByteArray("X A 1 0 0 0 ") + c.orientation + " 50 50 1 1 P " + c.shape);
        auto lines = calls(Kind::Line);
        ASSERT_FALSE(lines.empty());
        lines.erase(lines.begin()); // the stroke
        Lines got;
        for (const Call &l : lines)
            got.push_back(l.points);
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(int(calls(Kind::Ellipse).size()), c.ellipses);
    }
}

TEST_F(Pino, UnknownOrientationGetsOnlyItsConnectionMark)
{
    canvas().setPenMode(PenMode::Mask);
    const Fonte before = canvas().font();
    d.zeraLimites();
    draw({"X A 1 0 0 100 Q 50 50 1 1 P IC", "X B 2 0 0 100 u 50 50 1 1 P I"});
    EXPECT_EQ(d.qtd_pinos, 2);
    ASSERT_EQ(canvas().calls.size(), 2u);
    EXPECT_EQ(calls(Kind::Ellipse).size(), 2u);
    EXPECT_EQ(canvas().penMode(), PenMode::Mask);
    EXPECT_EQ(canvas().font().tamanho, before.tamanho);
    EXPECT_EQ(d.min_x, 1000);
    EXPECT_EQ(d.max_x, 1000);
}

TEST_F(Pino, ConnectionPointInnerEndAndWholeTextsTrack)
{
    d.zeraLimites();
    draw({"X LONGNAME 1 0 0 300 R 50 50 1 1 I IC"});
    // Inner end column 1053 (300: t = 61, 121100 / 115). Anchors measured in
    // the starting 8-point font (height 17): the name at (1063, 861), the
    // number at (1053 - 8 - 20, 869 - 17 - 2) = (1025, 850); both written in
    // 6 points (13 rows), the name 48 columns wide.
    EXPECT_EQ(d.min_x, 1000);
    EXPECT_EQ(d.max_x, 1063 + 48 - 1);
    EXPECT_EQ(d.min_y, 850);
    EXPECT_EQ(d.max_y, 861 + 13 - 1);
}

} // namespace
