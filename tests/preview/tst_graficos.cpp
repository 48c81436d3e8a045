#include "desenhofixture.h"
#include "meuparse/meuparse.h"

namespace {

using Graficos = DesenhoTest;
using Points = std::vector<QPoint>;

TEST_F(Graficos, DispatcherRecognisesCommandWordsInAnyCase)
{
    draw({"s 0 0 100 -100 0 1 0 N", "S 0 0 100 -100 0 1 0 N"});
    const auto rects = calls(Kind::Rectangle);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].points, rects[1].points);
    EXPECT_EQ(rects[0].points, (Points{at(0, 0), at(100, -100)}));

    draw({"alias 7400 74hc00", "DRAW", "ENDDEF", "# comment", "F10 \"x\" 0 0 50 H V C CNN",
          "SS 0 0 1 1"});
    EXPECT_EQ(d.texto_alias, "alias 7400 74hc00");
    EXPECT_EQ(canvas().calls.size(), 2u) << "unknown words draw nothing";

    draw({"f1 \"R\" 0 0 50 H V C CNN"});
    EXPECT_EQ(canvas().texts(), (std::vector<QString>{"R"}));
}

TEST_F(Graficos, AnEmptyLineLeavesTheLastTokensAlone)
{
    draw({"S 1 2 3 4"});
    EXPECT_EQ(d.indice_final, 5);
    d.interpreta_linha(QByteArray());
    EXPECT_EQ(d.indice_final, 5);
    EXPECT_EQ(d.linhaAtual().token(4), "3");
    EXPECT_EQ(canvas().calls.size(), 1u);
}

TEST_F(Graficos, DefinitionSetsPartsAndPinTextFlags)
{
    draw({"DEF 74LS00 U 0 30 Y Y 4 F N"});
    EXPECT_EQ(d.qtd_partes, "4");
    EXPECT_TRUE(d.mostra_nome_pino);
    EXPECT_TRUE(d.mostra_num_pino);
    draw({"DEF R R 0 0 y N 1 F N"});
    EXPECT_FALSE(d.mostra_num_pino);
    EXPECT_FALSE(d.mostra_nome_pino);
    draw({"DEF X U 0 30 N Y"});
    EXPECT_EQ(d.qtd_partes, "");
    EXPECT_FALSE(d.mostra_num_pino);
    EXPECT_TRUE(d.mostra_nome_pino);
}

TEST_F(Graficos, RectanglesIgnoreUnitAndConversionAndTrack)
{
    d.zeraLimites();
    draw({"S -100 200 100 -200 2 2 0 f"});
    const auto rects = calls(Kind::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].points, (Points{at(-100, 200), at(100, -200)}));
    EXPECT_EQ(d.min_x, at(-100, 0).x());
    EXPECT_EQ(d.max_x, at(100, 0).x());
    EXPECT_EQ(d.min_y, at(0, 200).y());
    EXPECT_EQ(d.max_y, at(0, -200).y());
}

TEST_F(Graficos, PolylineClosesOnlyWithCapitalF)
{
    const Points triangle{at(0, 0), at(100, 0), at(100, 100)};
    draw({"P 3 0 1 0 0 0 100 0 100 100 F"});
    draw({"P 3 0 1 0 0 0 100 0 100 100 f"});
    draw({"P 3 0 1 0 0 0 100 0 100 100 N"});
    draw({"P 3 0 1 0 0 0 100 0 100 100 F "});
    const auto lines = calls(Kind::Polyline);
    ASSERT_EQ(lines.size(), 4u);
    Points closed = triangle;
    closed.push_back(at(0, 0));
    EXPECT_EQ(lines[0].points, closed);
    EXPECT_EQ(lines[1].points, triangle);
    EXPECT_EQ(lines[2].points, triangle);
    EXPECT_EQ(lines[3].points, triangle) << "a blank after F leaves it open";
    EXPECT_EQ(lines[0].mode, PenMode::Copy) << "the current pen is used unchanged";
}

TEST_F(Graficos, PolylineConversionFilter)
{
    draw({"P 2 1 2 0 0 0 100 100 N", "P 2 3 0 0 0 0 100 100 N", "P 2 1 1 0 0 0 100 100 N"});
    const auto lines = calls(Kind::Polyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points, (Points{at(0, 0), at(100, 100)}));
}

TEST_F(Graficos, PolylineWithAMismatchedCountEndsAtThePixelOrigin)
{
    draw({"P 4 0 1 0 0 0 100 0 100 100 F"});
    const auto lines = calls(Kind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    // Point 4 reads the letter and an empty token; the extra entry stays (0, 0).
    EXPECT_EQ(lines[0].points,
              (Points{at(0, 0), at(100, 0), at(100, 100), at(0, 0), QPoint(0, 0)}));
}

TEST_F(Graficos, PolylineCountsThatTheLineCannotHoldReadOnlyTheTable)
{
    // Counts far beyond what a line of 300 tokens can carry: the points come
    // from the table only, so the array stays within its 148 entries.
    for (const char *count : {"4000000000", "99999999999999999999999999", "1Z", "-5"}) {
        SCOPED_TRACE(count);
        canvas().calls.clear();
        d.zeraLimites();
        d.interpreta_linha(QByteArray("P ") + count + " 0 1 0 10 20 30 40 F");
        const auto lines = calls(Kind::Polyline);
        ASSERT_EQ(lines.size(), 1u);
        ASSERT_LE(lines[0].points.size(), 148u);
        EXPECT_EQ(lines[0].points.back(), QPoint(0, 0));
        if (lines[0].points.size() > 2) {
            EXPECT_EQ(lines[0].points[0], at(10, 20));
            EXPECT_EQ(lines[0].points[1], at(30, 40));
        }
    }

    // A full line of 147 points closes, a longer count reads 147 points.
    QByteArray line = "P 147 0 1 0";
    for (int i = 0; i < 147; ++i)
        line += " " + QByteArray::number(i * 10) + " " + QByteArray::number(-i * 10);
    canvas().calls.clear();
    d.interpreta_linha(line + " F");
    ASSERT_EQ(calls(Kind::Polyline).size(), 1u);
    const Points closed = calls(Kind::Polyline)[0].points;
    ASSERT_EQ(closed.size(), 148u);
    EXPECT_EQ(closed.back(), closed.front());
    EXPECT_EQ(closed[146], at(1460, -1460));

    // A count of 400 on the same line: 147 points, and the extra entry stays
    // at the origin since the letter after point 400 lies beyond the table.
    line.replace("P 147", "P 400");
    canvas().calls.clear();
    d.interpreta_linha(line + " F");
    const Points capped = calls(Kind::Polyline)[0].points;
    ASSERT_EQ(capped.size(), 148u);
    EXPECT_EQ(capped[146], at(1460, -1460));
    EXPECT_EQ(capped.back(), QPoint(0, 0));

    // Tokens past entry 300 are never read: the final F is out of reach.
    canvas().calls.clear();
    d.interpreta_linha(line + " 1 2 3 4 5 6 7 F");
    const Points open = calls(Kind::Polyline)[0].points;
    ASSERT_EQ(open.size(), 147u);
    EXPECT_EQ(open[146], at(1460, -1460));
}

TEST_F(Graficos, PolylineOfNoPointsDrawsNothingVisible)
{
    draw({"P 0 0 1 0 N"});
    const auto lines = calls(Kind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].points.empty());
}

TEST_F(Graficos, ArcDirectionTable)
{
    struct Case
    {
        int start, end;
        bool inverted;
    };
    const Case cases[] = {{0, 900, false},  {900, 0, true},     {0, 1800, false}, {1800, 0, false},
                          {1801, 0, true},  {0, 1801, true},    {-900, 0, false}, {0, -900, true},
                          {1802, 0, false}, {-899, 899, false}, {899, -899, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " -> " << c.end);
        canvas().calls.clear();
        label1.clear();
        d.interpreta_linha(QByteArray("A 0 0 150 ") + QByteArray::number(c.start) + " " +
                           QByteArray::number(c.end) + " 1 1 10 N 10 20 30 40");
        const auto arcs = calls(Kind::Arc);
        ASSERT_EQ(arcs.size(), 1u);
        EXPECT_EQ(label1, QStringList{c.inverted ? "invertida" : "não invert"});
        const QPoint first = c.inverted ? at(30, 40) : at(10, 20);
        const QPoint second = c.inverted ? at(10, 20) : at(30, 40);
        EXPECT_EQ(arcs[0].points, (Points{at(-150, -150), at(150, 150), first, second}));
    }
}

// Mended: conversion 0 (common to both body styles) is drawn like 1, the
// rule of the other outlines; only conversion 2 (or anything else) is not.
TEST_F(Graficos, ArcsNeedConversionZeroOrOneSetBlackAndDoNotTrack)
{
    d.zeraLimites();
    canvas().setPenColor(Cores::Azulado);
    draw({"A 0 0 150 0 900 1 2 10 N 150 0 0 150", "A 0 0 150 0 900 1 x 10 N 150 0 0 150"});
    EXPECT_TRUE(calls(Kind::Arc).empty());
    EXPECT_TRUE(label1.isEmpty());

    draw({"A 0 0 150 0 900 3 1 10 N 150 0 0 150"});
    ASSERT_EQ(calls(Kind::Arc).size(), 1u);
    EXPECT_EQ(calls(Kind::Arc)[0].pen, Cores::Preto);
    draw({"A 0 0 150 0 900 1 0 10 N 150 0 0 150"});
    ASSERT_EQ(calls(Kind::Arc).size(), 2u);
    EXPECT_EQ(calls(Kind::Arc)[1].points,
              (Points{at(-150, -150), at(150, 150), at(150, 0), at(0, 150)}));
    EXPECT_EQ(d.min_x, Desenho::VazioMin);
    EXPECT_EQ(d.max_y, Desenho::VazioMax);
}

TEST_F(Graficos, CirclesFilterOnUnitAndTrackTheirSquare)
{
    d.zeraLimites();
    canvas().setPenColor(Cores::Oliva);
    draw({"C 0 0 100 2 1 0 N", "C 0 0 100 1 2 0 N", "C 50 -50 100 0 0 0 N"});
    const auto circles = calls(Kind::Ellipse);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0].points, (Points{at(-100, -100), at(100, 100)}));
    EXPECT_EQ(circles[0].pen, Cores::Preto);
    EXPECT_EQ(circles[1].points, (Points{at(-50, -150), at(150, 50)}));
    EXPECT_EQ(d.min_x, at(-100, 0).x());
    EXPECT_EQ(d.max_x, at(150, 0).x());
    EXPECT_EQ(d.min_y, at(0, 100).y());
    EXPECT_EQ(d.max_y, at(0, -150).y());
}

TEST_F(Graficos, ComputedCoordinatesReadAsDecimalText)
{
    // cx - r = 4294967295 does not fit in 32 bits; its text reads as 429496729.
    draw({"C 2147483647 0 -2147483648 1 1 0 N"});
    const auto circles = calls(Kind::Ellipse);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].points[0].x(), d.mapeia_x("429496729", false));
    EXPECT_EQ(circles[0].points[1].x(), d.mapeia_x("-1", false));
}

} // namespace
