#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/filtro.h"
#include "tests/support/libraryfixtures.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace {

struct MatchCase
{
    QString pattern;
    QString text;
    bool matches;
};

} // namespace

TEST(Filtro, PatternRules)
{
    const QString tenThousandStars(10000, u'*');
    const QString longLiteral = QString(9999, u'a') + u'*';
    const QList<MatchCase> cases{
        // Without wildcards: anywhere, any case.
        {"ls00", "74LS00", true},
        {"LS00", "74ls00", true},
        {"", "x", true},
        {"74ls01", "74LS00", false},
        // Wildcards: the whole text.
        {"74*00", "74LS00", true},
        {"74*00", "74LS000x", false},
        {"74*", "x74LS00", false},
        {"74?S00", "74LS00", true},
        {"74?00", "74LS00", false},
        {"*a*b*c*", "xaybzc", true},
        {"*a*b*c", "xaybzcd", false},
        {"a**b", "ab", true},
        {"*ab*ab", "abxab", true},
        {"?", "", false},
        {"*", "", true},
        // Regular-expression characters stand for themselves.
        {"a.b", "axb", false},
        {"a.b", "xa.bx", true},
        {"[ab]+", "a", false},
        {"(x|y)*", "(x|y)z", true},
        {"^a$", "^a$", true},
        // Case folding beyond ASCII.
        {"ÉCRAN", "écran", true},
        {"µa", "ΜA", true},
        // Hostile lengths.
        {tenThousandStars, "anything", true},
        {tenThousandStars + "b", "aaaaaab", true},
        {longLiteral, QString(9998, u'a'), false},
        {longLiteral, QString(20000, u'a'), true},
    };
    for (const MatchCase &c : cases)
        EXPECT_EQ(casa(c.pattern, c.text), c.matches)
            << c.pattern.left(20).toStdString() << " / " << c.text.left(20).toStdString();
}

TEST(Filtro, NoCatastrophicBacktracking)
{
    // A matcher that tries every way to share the text among the stars takes
    // forever here; the answer is no, since no b follows.
    QString pattern = QStringLiteral("*");
    for (int i = 0; i < 2000; ++i)
        pattern += QStringLiteral("a*");
    pattern += QStringLiteral("b*");
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(casa(pattern, QString(10000, u'a')));
    EXPECT_LT(t.elapsed(), 2000);
}

TEST(FiltroIndice, RowsMatchOnNameAliasDescriptionOrKeywordsField)
{
    Descricoes d;
    d.acrescenta(Descricao::nova("7400", "quad NAND", "TTL nand", "http://ti"));
    d.acrescenta(Descricao::nova("74HCT00", "alias gate µ", "", ""));
    d.acrescenta(Descricao::nova("R", "Resistor", "R res", ""));
    ComponentTable table;
    libfix::addRow(table, "7400", "DEF 7400 U\rALIAS 74HCT00 74LS00\rENDDEF\r");
    libfix::addRow(table, "R", "DEF R R\rENDDEF\r");
    libfix::addRow(table, "\xC9tat", "DEF x\r"); // Latin-1 É
    libfix::addRow(table, "ab", "DEF ab\r");
    const FiltroIndice index = FiltroIndice::daTabela(table, d);
    ASSERT_EQ(index.linhas(), 4);

    // Folded fields: row 0 "7400", "74hct00", "74ls00", "quad nand", "ttl nand",
    // "alias gate μ"; row 1 "r", "resistor", "r res"; row 2 "état"; row 3 "ab".
    const QList<std::pair<QString, QList<int>>> cases{
        {"", {0, 1, 2, 3}},
        {"*", {0, 1, 2, 3}},
        {"a", {0, 2, 3}},
        {"ls00", {0}},
        {"NAND", {0}},
        {"µ", {0}},
        {"MICRO", {}},
        {"r", {1}},
        {"74???00", {0}},
        {"74*", {0}},
        {"r?res", {1}},
        {"res*", {1}},
        {"É*", {2}},
        {"*nand*", {0}},
        // A hit never spans two fields or two rows.
        {"nandttl", {}},
        {"*nand*ttl*", {}},
        {"tatab", {}},
        {QString(1, QChar(0)), {}},
    };
    for (const auto &[pattern, rows] : cases)
        EXPECT_EQ(index.linhasQueCasam(pattern), rows) << pattern.toStdString();
}
