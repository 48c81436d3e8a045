#include "sexpr/sexpr.h"

#include "tests/support/corpus.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct BadText
{
    const char *name;
    QByteArray text;
    int line, column;
    const char *message;
};

class SExprBadText : public testing::TestWithParam<BadText>
{
};

TEST_P(SExprBadText, StopsWithLineAndColumn)
{
    const BadText &b = GetParam();
    const SExprDocument doc = SExprDocument::parse(b.text);
    ASSERT_FALSE(doc.ok());
    EXPECT_EQ(doc.error().line, b.line);
    EXPECT_EQ(doc.error().column, b.column);
    EXPECT_TRUE(doc.error().message.contains(QString::fromUtf8(b.message)))
        << doc.error().text().toStdString();
}

QByteArray withNul(const char *before, const char *after)
{
    return QByteArray(before) + '\0' + after;
}

const QByteArray huge(SExprDocument::maxTokenSize + 1, 'x');

INSTANTIATE_TEST_SUITE_P(
    Hostile, SExprBadText,
    testing::Values(BadText{"MissingClose", "(a\n  (b c)\n", 3, 1, "falta ')'"},
                    BadText{"ExtraClose", "(a)\n)", 2, 1, "')' sem '('"},
                    // columns count characters, not bytes
                    BadText{"ExtraCloseAfterUtf8", "(é)\n(ü))", 2, 4, "')' sem '('"},
                    BadText{"UnterminatedString", "(a\n \"abc)\n", 2, 2, "falta '\"'"},
                    BadText{"EscapedQuoteDoesNotClose", "(a \"abc\\\")", 1, 4, "falta '\"'"},
                    BadText{"NulBetweenTokens", withNul("(a b", ")"), 1, 5, "nulo"},
                    BadText{"NulInString", withNul("(a \"b", "\")"), 1, 6, "nulo"},
                    BadText{"DeepNesting", QByteArray(100000, '('), 1, SExprDocument::maxDepth + 1,
                            "profundo"},
                    BadText{"HugeToken", "(a\n" + huge + ")", 2, 1, "grande demais"},
                    BadText{"HugeString", "(a \"" + huge + "\")", 1, 4, "grande demais"}),
    [](const testing::TestParamInfo<BadText> &i) { return std::string(i.param.name); });

TEST(SExprDocument, NodesKeepTheirBytesAndEscapesAreUndone)
{
    const QByteArray text = "  (a \"x \\\"y\\\" \\\\ \\n\\x41\\101\" (b 1.5)\t)\n";
    const SExprDocument doc = SExprDocument::parse(text);
    ASSERT_TRUE(doc.ok()) << doc.error().text().toStdString();
    const int a = doc.firstRoot();
    EXPECT_EQ(doc.raw(a), text.mid(2, text.size() - 3));
    EXPECT_EQ(doc.head(a), "a");
    EXPECT_EQ(doc.childCount(a), 3);
    const int s = doc.child(a, 1);
    EXPECT_EQ(doc.node(s).kind, SExprDocument::Kind::String);
    EXPECT_EQ(doc.text(s), QByteArray("x \"y\" \\ \nAA"));
    const int b = doc.find(a, "b");
    EXPECT_EQ(doc.raw(b), "(b 1.5)");
    EXPECT_EQ(doc.number(doc.child(b, 1)), 1.5);
    EXPECT_EQ(sexprQuoted("x \"y\" \\ \n"), QByteArray("\"x \\\"y\\\" \\\\ \\n\""));
}

struct NumberCase
{
    const char *token;
    std::optional<double> value;
};

class SExprNumber : public testing::TestWithParam<NumberCase>
{
};

TEST_P(SExprNumber, IsReadStrictly)
{
    const SExprDocument doc = SExprDocument::parse(QByteArray("(n ") + GetParam().token + ")");
    ASSERT_TRUE(doc.ok());
    EXPECT_EQ(doc.number(doc.child(doc.firstRoot(), 1)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Tokens, SExprNumber,
                         testing::Values(NumberCase{"2.54", 2.54}, NumberCase{"-0.0254", -0.0254},
                                         NumberCase{"+3", 3.0}, NumberCase{".5", 0.5},
                                         NumberCase{"1e3", 1000.0}, NumberCase{"1e999", {}},
                                         NumberCase{"-1e999", {}}, NumberCase{"nan", {}},
                                         NumberCase{"inf", {}}, NumberCase{"1e", {}},
                                         NumberCase{"0x10", {}}, NumberCase{"1.2.3", {}},
                                         NumberCase{"\"1\"", {}}, NumberCase{"5.", 5.0},
                                         NumberCase{"0.00000000000001", 1e-14},
                                         NumberCase{"-99999999999999.9", -99999999999999.9},
                                         NumberCase{"1234567890123456.7", 1234567890123456.7}));

// KiCad 8 and later lay their files out with the prettifier: the layout of
// each such corpus file is rebuilt from the file with its layout removed.
class SExprKicadLayout : public testing::TestWithParam<QString>
{
};

TEST_P(SExprKicadLayout, IsRebuiltFromTheCompactText)
{
    QFile f(GetParam());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const QList<QByteArray> want = bytes.split('\n');
    const QByteArray end = bytes.endsWith('\n') ? "\n" : "";
    const QList<QByteArray> got = (sexprPrettified(sexprCompacted(bytes)) + end).split('\n');
    for (qsizetype i = 0; i < qMin(want.size(), got.size()); ++i)
        ASSERT_EQ(got[i].toStdString(), want[i].toStdString()) << "line " << i + 1;
    ASSERT_EQ(got.size(), want.size());
}

QStringList tabbedFiles()
{
    QStringList files;
    for (const QString &path : kicadSymCorpus()) {
        if (path.contains(QStringLiteral("/8.0.0/")) || path.contains(QStringLiteral("/9.0.0/")))
            files << path;
        else if (path.endsWith(QStringLiteral(".kicad_symdir")))
            for (const QString &name : QDir(path).entryList(QDir::Files, QDir::Name))
                files << path + u'/' + name;
    }
    return files;
}

INSTANTIATE_TEST_SUITE_P(Corpus, SExprKicadLayout, testing::ValuesIn(tabbedFiles()),
                         [](const testing::TestParamInfo<QString> &i) {
                             QString n = i.param.section(u'/', -3);
                             n.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), "_");
                             return n.toStdString();
                         });

} // namespace
