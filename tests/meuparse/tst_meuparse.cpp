#include "meuparse/meuparse.h"

#include <gtest/gtest.h>

namespace {

struct Expected
{
    const char *text;
    quint8 kind;
};

void expectTokens(const QByteArray &line, std::initializer_list<Expected> expected, int count,
                  int result)
{
    SCOPED_TRACE(line.toStdString());
    const Tokens t = separa_linha(line);
    EXPECT_EQ(t.indiceFinal(), result);
    EXPECT_EQ(t.qtd(), count);
    int i = 1;
    for (const Expected &e : expected) {
        EXPECT_EQ(t.token(i), QByteArray(e.text)) << "entry " << i;
        EXPECT_EQ(t.tipo(i), e.kind) << "entry " << i;
        // The one-token scan the library reader uses gives the same text.
        EXPECT_EQ(token_da_linha(line, i), QByteArray(e.text)) << "entry " << i;
        ++i;
    }
    for (; i <= MAX_TOKENS + 1; ++i) {
        ASSERT_TRUE(t.token(i).isEmpty()) << "entry " << i;
        ASSERT_EQ(t.tipo(i), TK_VAZIO) << "entry " << i;
        ASSERT_TRUE(token_da_linha(line, i).isEmpty()) << "entry " << i;
    }
}

constexpr quint8 T = TK_TEXTO, N = TK_NUMERO, Q = TK_ASPAS;

TEST(SeparaLinha, WorkedExamples)
{
    expectTokens("DEF 74LS00 U 0 30 Y Y 4 F N",
                 {{"DEF", T},
                  {"74LS00", T},
                  {"U", T},
                  {"0", N},
                  {"30", N},
                  {"Y", T},
                  {"Y", T},
                  {"4", N},
                  {"F", T},
                  {"N", T}},
                 9, 10);
    expectTokens("X GND 7 -200 -200 0 U 40 40 0 0 W N",
                 {{"X", T},
                  {"GND", T},
                  {"7", N},
                  {"-200", N},
                  {"-200", N},
                  {"0", N},
                  {"U", T},
                  {"40", N},
                  {"40", N},
                  {"0", N},
                  {"0", N},
                  {"W", T},
                  {"N", T}},
                 12, 13);
    expectTokens("F0 \"U\" 0 50 50 H V C CNN",
                 {{"F0", T},
                  {"U", T},
                  {"0", N},
                  {"50", N},
                  {"50", N},
                  {"H", T},
                  {"V", T},
                  {"C", T},
                  {"CNN", T}},
                 8, 9);
    expectTokens("ALIAS 7400 74HC00", {{"ALIAS", T}, {"7400", N}, {"74HC00", T}}, 2, 3);
    expectTokens("P 2 0 1 0 -50 0 50 0 N",
                 {{"P", T},
                  {"2", N},
                  {"0", N},
                  {"1", N},
                  {"0", N},
                  {"-50", N},
                  {"0", N},
                  {"50", N},
                  {"0", N},
                  {"N", T}},
                 9, 10);
    expectTokens(
        "Sh \"1\" R 600 600 0 0 900",
        {{"Sh", T}, {"1", T}, {"R", T}, {"600", N}, {"600", N}, {"0", N}, {"0", N}, {"900", T}}, 7,
        8);
    expectTokens("Ne 0 \"\"", {{"Ne", T}, {"0", N}, {"", T}}, 3, 4);
    expectTokens("  S 0 0 100 100 ", {{"S", T}, {"0", N}, {"0", N}, {"100", N}, {"100", N}}, 5, 6);
    expectTokens("", {}, 0, 1);
    expectTokens("1.2.3 +- x+1 ", {{"1.2.3", N}, {"+-", N}, {"x+1", T}}, 3, 4);
    expectTokens("A \"abc def", {{"A", T}, {"abc def", Q}}, 1, 2);
    expectTokens("AB\"CD\" EF", {{"AB", T}, {"ABCD", T}, {"EF", T}}, 2, 3);
    expectTokens("AB\rCD", {{"AB", T}, {"ABCD", T}}, 1, 2);
}

TEST(SeparaLinha, TabIsAnOrdinaryCharacter)
{
    expectTokens("A\tB", {{"A\tB", T}}, 0, 1);
}

TEST(SeparaLinha, ResultsAreIndependentValues)
{
    const Tokens longer = separa_linha("a b c d e f g h i j k l m n o p");
    expectTokens("x y", {{"x", T}, {"y", T}}, 1, 2);
    EXPECT_EQ(longer.token(16), "p");
    EXPECT_EQ(longer.qtd(), 15);
}

TEST(SeparaLinha, LineBreakAtStartBeginsAWord)
{
    expectTokens("\nAB C", {{"\nAB", T}, {"C", T}}, 1, 2);
}

TEST(SeparaLinha, EveryByteValueIsKeptInsideAWord)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != ' ' && b != '"' && b != '\r' && b != '\n')
            all.append(char(b));
    const Tokens t = separa_linha(all);
    EXPECT_EQ(t.qtd(), 0);
    EXPECT_EQ(t.token(1), all);
}

TEST(SeparaLinha, NeverWritesPastEntry300)
{
    QByteArray line;
    for (int i = 1; i <= 400; ++i)
        line += "t" + QByteArray::number(i) + " ";
    // Tokens past entry 300 are dropped but still counted.
    const Tokens t = separa_linha(line);
    EXPECT_EQ(t.indiceFinal(), 401);
    EXPECT_EQ(t.qtd(), 400);
    EXPECT_EQ(t.token(300), "t300");
    EXPECT_TRUE(t.token(301).isEmpty());
    EXPECT_TRUE(t.token(0).isEmpty());
    EXPECT_TRUE(t.token(-5).isEmpty());
}

TEST(SeparaLinha, OpenWordAtEntry301IsNotStored)
{
    QByteArray line;
    for (int i = 1; i <= 300; ++i)
        line += "w ";
    line += "tail";
    const Tokens t = separa_linha(line);
    EXPECT_EQ(t.indiceFinal(), 301);
    EXPECT_EQ(t.token(300), "w");
    EXPECT_TRUE(t.token(301).isEmpty());
}

} // namespace
