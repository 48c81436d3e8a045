#include "tests/cli/clirun.h"

#include "tests/support/libraryfixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using libfix::readBytes;
using libfix::writeBytes;

namespace {

// BAD: pin 1 at (-310, 100) mil, Value "IX", Footprint shown.
const QByteArray Lib = "EESchema-LIBRARY Version 2.4\n#encoding utf-8\n"
                       "DEF BAD U 0 20 Y Y 1 F N\n"
                       "F0 \"U\" 0 250 50 H V C CNN\n"
                       "F1 \"IX\" 0 -250 50 H V C CNN\n"
                       "F2 \"L:F\" 0 0 50 H V C CNN\n"
                       "F3 \"\" 0 0 50 H I C CNN\n"
                       "DRAW\n"
                       "S -200 200 200 -200 0 1 10 f\n"
                       "X A 1 -310 100 100 R 50 50 1 1 I\n"
                       "ENDDRAW\n"
                       "ENDDEF\n"
                       "#End Library\n";

const QByteArray Sym = "(kicad_symbol_lib (version 20211014) (generator kicad_symbol_editor)\n"
                       "  (symbol \"P\" (in_bom yes) (on_board yes)\n"
                       "    (property \"Reference\" \"U\" (id 0) (at 0 0 0))\n"
                       "    (property \"Value\" \"Q\" (id 1) (at 0 0 0))\n"
                       "    (property \"Footprint\" \"\" (id 2) (at 0 0 0)"
                       " (effects (font (size 1.27 1.27)) hide))\n"
                       "    (property \"Datasheet\" \"\" (id 3) (at 0 0 0)"
                       " (effects (font (size 1.27 1.27)) hide))\n"
                       "    (symbol \"P_1_1\" (pin input line (at 0 1.27 0) (length 2.54)"
                       " (name \"A\") (number \"1\")))\n"
                       "  )\n"
                       ")\n";

class CliChecks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("x.lib")), Lib));
        ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("s.kicad_sym")), Sym));
        ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("crlf.lib")),
                               QByteArray(Lib).replace("\n", "\r\n")));
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
};

struct CheckCase
{
    const char *name;
    QStringList arguments; // "{tmp}" is the test's folder
    int code;
    const char *out; // the whole of stdout
    const char *err; // a part of stderr
};

class CliCheckRuns : public CliChecks, public ::testing::WithParamInterface<CheckCase>
{
};

TEST_P(CliCheckRuns, ExitCodeAndOutput)
{
    QStringList arguments = GetParam().arguments;
    for (QString &a : arguments)
        a.replace(QStringLiteral("{tmp}"), dir.path());
    const CliRun r = runCli(arguments);
    EXPECT_EQ(r.code, GetParam().code) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), GetParam().out);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(GetParam().err))) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Check, CliCheckRuns,
    testing::Values(
        CheckCase{"one_rule",
                  {"check", "--rules", "S4.1", "{tmp}/x.lib"},
                  1,
                  "x:BAD:1: S4.1 pino 1 fora da grade de 100 mil (-310 mil, 100 mil)\n",
                  ""},
        CheckCase{"two_rules_csv",
                  {"check", "--rules", "s6.2,S4.1", "--format", "csv", "{tmp}/x.lib"},
                  1,
                  "biblioteca,regra,simbolo,unidade,x_mm,y_mm,mensagem\r\n"
                  "x,S4.1,BAD,1,-7.874,2.54,\"pino 1 fora da grade de 100 mil (-310 mil, 100 "
                  "mil)\"\r\n"
                  "x,S6.2,BAD,0,0,-6.35,\"Value \"\"IX\"\" diferente do nome\"\r\n"
                  "x,S6.2,BAD,0,0,0,campo Footprint visível\r\n",
                  ""},
        CheckCase{"kicad_sym",
                  {"check", "--rules", "S4.1,S3.6", "{tmp}/s.kicad_sym"},
                  1,
                  "s:P:1: S4.1 pino 1 fora da grade de 100 mil (0 mil, 50 mil)\n",
                  ""},
        CheckCase{
            "clean", {"check", "--rules", "S3.3", "{tmp}/x.lib", "{tmp}/s.kicad_sym"}, 0, "", ""},
        CheckCase{"legacy_file_line_ends",
                  {"check", "--rules", "G1.7", "{tmp}/crlf.lib", "{tmp}/x.lib"},
                  1,
                  "crlf::0: G1.7 arquivo com fins de linha que não são os do Unix (\\n)\n",
                  ""},
        CheckCase{"unknown_rule",
                  {"check", "--rules", "S4.1,S9.9", "{tmp}/x.lib"},
                  2,
                  "",
                  "regra desconhecida 'S9.9'"},
        CheckCase{"bad_format", {"check", "--format", "xml", "{tmp}/x.lib"}, 2, "", "--format"},
        CheckCase{"missing", {"check", "{tmp}/none.lib"}, 3, "", "none.lib"},
        CheckCase{"fix_two_libraries",
                  {"fix", "{tmp}/x.lib", "{tmp}/s.kicad_sym"},
                  2,
                  "",
                  "uma biblioteca só"},
        CheckCase{"fix_across_formats",
                  {"fix", "{tmp}/x.lib", "--to", "{tmp}/y.kicad_sym"},
                  2,
                  "",
                  "formato"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CliChecks, JsonCarriesThePlaceInMillimetres)
{
    const CliRun r =
        runCli({QStringLiteral("check"), QStringLiteral("--rules"), QStringLiteral("S4.1"),
                QStringLiteral("--format"), QStringLiteral("json"), path("x.lib")});
    ASSERT_EQ(r.code, 1);
    const QJsonArray all = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(all.size(), 1);
    const QJsonObject f = all[0].toObject();
    EXPECT_EQ(f[QStringLiteral("rule")].toString(), QStringLiteral("S4.1"));
    EXPECT_EQ(f[QStringLiteral("symbol")].toString(), QStringLiteral("BAD"));
    EXPECT_EQ(f[QStringLiteral("unit")].toInt(), 1);
    EXPECT_EQ(f[QStringLiteral("at")].toArray(), QJsonArray({-7.874, 2.54}));
}

TEST_F(CliChecks, FixListsEveryChangeAndLeavesNothingToFind)
{
    for (const char *lib : {"x.lib", "s.kicad_sym"}) {
        const QString out = path(lib)
                                .replace(QStringLiteral("/x."), QStringLiteral("/fixed."))
                                .replace(QStringLiteral("/s."), QStringLiteral("/fixed."));
        const CliRun r = runCli({QStringLiteral("fix"), path(lib), QStringLiteral("--to"), out});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(readBytes(path(lib)), QByteArray(lib[0] == 'x' ? Lib : Sym));
        const CliRun again = runCli({QStringLiteral("check"), QStringLiteral("--rules"),
                                     QStringLiteral("S4.1,S6.2,S3.3"), out});
        EXPECT_EQ(again.code, 0) << again.out.toStdString();
        if (lib[0] == 'x')
            EXPECT_EQ(r.out.toStdString(),
                      "BAD: S4.1 símbolo movido em (10 mil, 0 mil): pinos na grade de 100 mil\n"
                      "BAD: S6.2 Value \"IX\" trocado por \"BAD\"\n"
                      "BAD: S6.2 campo Footprint ocultado\n"
                      "3 mudanças\n");
        else
            EXPECT_EQ(r.out.toStdString(),
                      "P: S4.1 símbolo movido em (0 mil, -50 mil): pinos na grade de 100 mil\n"
                      "P: S6.2 Value \"Q\" trocado por \"P\"\n"
                      "2 mudanças\n");
    }
}

} // namespace
