#include "desenhofixture.h"

namespace {

using Textos = DesenhoTest;

TEST_F(Textos, VisibleFieldsAreWrittenInTealAtTheirPosition)
{
    d.zeraLimites();
    draw({"F0 \"U\" 100 -50 50 H V L CNN", "F1 \"74 LS 00\" -100 200 60 H V C CNN"});
    const auto texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "U");
    EXPECT_EQ(texts[0].points[0], at(100, -50)) << "top-left corner at the position";
    EXPECT_EQ(texts[0].font.cor, Cores::Azulado);
    EXPECT_EQ(Cores::Azulado, 0x808000u);
    EXPECT_EQ(texts[0].font.tamanho, 6);
    EXPECT_EQ(texts[0].font.nome, "Arial");
    EXPECT_EQ(texts[0].font.rotacao, 0);
    EXPECT_EQ(texts[1].text, "74 LS 00");
    EXPECT_EQ(texts[1].font.tamanho, 7);
    // The box takes the texts whole: "U" 6 x 13 pixels from (1017, 877),
    // "74 LS 00" 56 x 15 from (983, 833).
    EXPECT_EQ(d.min_x, at(-100, 0).x());
    EXPECT_EQ(d.max_x, 983 + 56 - 1);
    EXPECT_EQ(d.min_y, at(0, 200).y());
    EXPECT_EQ(d.max_y, 877 + 13 - 1);
}

TEST_F(Textos, VerticalFieldsTurnBy90Degrees)
{
    draw({"F1 \"10k\" 50 0 50 V V C CNN"});
    ASSERT_EQ(calls(Kind::Text).size(), 1u);
    EXPECT_EQ(calls(Kind::Text)[0].font.rotacao, 900);
}

TEST_F(Textos, HiddenEmptyAndSizelessFieldsAreNotDrawn)
{
    d.zeraLimites();
    canvas().setFontSize(3);
    draw({"F2 \"Package:DIP-14\" 0 0 50 H I C CNN", "F3 \"\" 0 0 50 H V C CNN", "F1 \"R\" 0 0",
          "F1 \"R\" 0 0 50 H v C CNN", "F1 \"R\" 0 0 50 H"});
    EXPECT_TRUE(canvas().calls.empty());
    EXPECT_EQ(canvas().font().tamanho, 3);
    EXPECT_EQ(d.min_x, Desenho::VazioMin);
}

TEST_F(Textos, FieldSizeFollowsTheZoom)
{
    d.zoom_atual = 150;
    draw({"F0 \"U\" 0 0 50 H V C CNN"});
    EXPECT_EQ(calls(Kind::Text)[0].font.tamanho, 9);
    EXPECT_EQ(canvas().font().tamanho, 9) << "the field font stays for the pins";
}

TEST_F(Textos, FreeTextsAppearOnlyWithTheSwitchOn)
{
    d.zeraLimites();
    const auto lines = {"T 0 100 -100 50 0 1 1 Hello~world Normal 0 C C",
                        "T 900 0 0 50 0 2 1 other Normal 0 C C", "T 0 0 0 50 1 1 1 hidden"};
    for (int i = 0; i < 20; ++i)
        draw(lines);
    EXPECT_TRUE(canvas().calls.empty());
    EXPECT_EQ(d.min_x, Desenho::VazioMin);

    d.rxSwitch1 = true;
    draw(lines);
    const auto texts = calls(Kind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Hello world");
    EXPECT_EQ(texts[0].points[0], at(100, -100));
    EXPECT_EQ(texts[0].font.cor, Cores::Preto);
}

} // namespace
