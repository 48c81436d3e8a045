#include "library/linelist.h"

#include <gtest/gtest.h>

using Lines = QList<QByteArray>;

namespace {

Lines viaCallback(const QByteArray &text)
{
    Lines out;
    paraCadaLinha(text, [&](const QByteArray &line) {
        out.append(QByteArray(line.constData(), line.size()));
    });
    return out;
}

struct Case
{
    QByteArray text;
    Lines lines;
};

} // namespace

TEST(LineList, EachBreakKindEndsOneLine)
{
    const QList<Case> cases{
        {"a\r\nb\r\nc", {"a", "b", "c"}},
        {"a\rb\rc", {"a", "b", "c"}},
        {"a\nb\nc", {"a", "b", "c"}},
        // Mixed: every kind counts once; LF CR is two breaks, CR CR LF too.
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\r\n\nb", {"a", "", "b"}},
        {"\r\nx", {"", "x"}},
        // Blanks and tabs are part of a line.
        {" a \t\r b ", {" a \t", " b "}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toPercentEncoding().toStdString());
        EXPECT_EQ(linhas(c.text), c.lines);
        EXPECT_EQ(viaCallback(c.text), c.lines);
    }
}

TEST(LineList, FinalBreakOpensNoEmptyLine)
{
    const QList<Case> cases{
        {"", {}},
        {"a\r", {"a"}},
        {"a\n", {"a"}},
        {"a\r\n", {"a"}},
        {"\r", {""}},
        {"\r\n", {""}},
        {"\n", {""}},
        // Two final breaks: one empty line after the last.
        {"a\r\n\r\n", {"a", ""}},
        {"a\r\r", {"a", ""}},
        {"DEF x\rENDDEF\r", {"DEF x", "ENDDEF"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toPercentEncoding().toStdString());
        EXPECT_EQ(linhas(c.text), c.lines);
        EXPECT_EQ(viaCallback(c.text), c.lines);
    }
}

TEST(LineList, LongLinesAndOddBytesAreKeptWhole)
{
    QByteArray longLine(100000, 'p');
    longLine[4095] = 'X';
    longLine[4096] = 'Y';
    const QByteArray withNul("x\0y", 3);
    const QByteArray high("\x80\xff\xe9");
    const QByteArray text = "first\r" + longLine + "\r\n" + withNul + "\n" + high;
    const Lines got = linhas(text);
    ASSERT_EQ(got.size(), 4);
    EXPECT_EQ(got[0], "first");
    EXPECT_EQ(got[1].size(), longLine.size());
    EXPECT_EQ(got[1], longLine);
    EXPECT_EQ(got[2], withNul);
    EXPECT_EQ(got[3], high);
}

TEST(LineList, LinesAreOwnedCopies)
{
    // The list outlives the text it was made from.
    Lines got;
    {
        QByteArray text = "abc\rdef\r";
        got = linhas(text);
        text.fill('z');
    }
    EXPECT_EQ(got, (Lines{"abc", "def"}));
}

TEST(LineList, JoiningWithCrLfGivesTheSameLines)
{
    const QList<Lines> cases{
        {"DEF x", "F0 \"U\"", "ENDDEF"},
        {"", "a", "", "b"},
        {"single"},
    };
    for (const Lines &lines : cases) {
        const QByteArray joined = juntaCrLf(lines);
        EXPECT_FALSE(joined.endsWith("\r\n"));
        EXPECT_EQ(joined.count("\r\n"), lines.size() - 1);
        EXPECT_EQ(linhas(joined), lines);
    }
    EXPECT_EQ(juntaCrLf({"a", "b"}), "a\r\nb");
    EXPECT_TRUE(juntaCrLf({}).isEmpty());
}
