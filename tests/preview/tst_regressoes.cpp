// Regressions found by fuzzing the analysis pass (fuzz/fuzz_analise.cpp).
#include "desenhofixture.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int Longe = 1 << 30;

// fuzz/regressions/analise/pin_anchor_huge_font.txt: a pin whose number size
// is 2147483647 leaves a font of 450971568 points in force at zoom 210; the
// next pin measures its name with it, and its name anchor, left of the pin by
// the name's width, lay 1.35e9 pixels off (and a longer name wrapped the
// int). Anchors now stop at 2^30 pixels from the origin.
TEST_F(DesenhoTest, PinNameAnchorAfterAHugeFontStaysWithinRange)
{
    d.zoom_atual = 210;
    draw({"X p 1 7 8 7 R 2147483647 - 1 1", "X ib3 3 0 0 0 L 0 5 1 1"});
    const std::vector<Call> texts = calls(Kind::Text);
    const auto nome = std::find_if(texts.begin(), texts.end(),
                                   [](const Call &c) { return c.text == QStringLiteral("ib3"); });
    ASSERT_NE(nome, texts.end());
    EXPECT_EQ(nome->points[0].x(), -Longe);
    // The height keeps its exact value: 1826 - round(901943137 / 2).
    EXPECT_EQ(nome->points[0].y(), 1826 - 450971568);
}

// A pin number of 10 characters at that size is 4.5e9 pixels wide, more
// than an int holds: the anchor must neither wrap nor overflow.
TEST_F(DesenhoTest, PinNumberAnchorOfAWideNumberDoesNotWrap)
{
    d.zoom_atual = 210;
    draw({"X p 1 7 8 7 R 2147483647 - 1 1", "X nm 0123456789 0 0 100 R 50 50 1 1"});
    const std::vector<Call> texts = calls(Kind::Text);
    const auto numero = std::find_if(texts.begin(), texts.end(), [](const Call &c) {
        return c.text == QStringLiteral("0123456789");
    });
    ASSERT_NE(numero, texts.end());
    EXPECT_EQ(numero->points[0].x(), -Longe);
    for (const Call &c : canvas().calls) {
        for (const QPoint &p : c.points) {
            EXPECT_GE(p.x(), -Longe);
            EXPECT_LE(p.x(), Longe);
            EXPECT_GE(p.y(), -Longe);
            EXPECT_LE(p.y(), Longe);
        }
    }
}

// Down and up pins centre their number on the pin with half its width.
TEST_F(DesenhoTest, VerticalPinNumberAnchorOfAWideNumberStaysWithinRange)
{
    d.zoom_atual = 210;
    draw({"X p 1 7 8 7 R 2147483647 - 1 1", "X nm 0123456789 0 0 100 D 50 50 1 1",
          "X nm 9876543210 0 0 100 U 50 50 1 1"});
    int vistos = 0;
    for (const Call &c : calls(Kind::Text)) {
        if (c.text != QStringLiteral("0123456789") && c.text != QStringLiteral("9876543210"))
            continue;
        ++vistos;
        EXPECT_GE(c.points[0].y(), -Longe);
        EXPECT_LE(c.points[0].y(), Longe);
    }
    EXPECT_EQ(vistos, 2);
}

} // namespace
