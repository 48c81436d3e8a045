#include "tests/cli/clirun.h"

#include "tests/support/corpus.h"
#include "tests/support/libraryfixtures.h"

#include <QFileInfo>
#include <QTemporaryDir>

using libfix::readBytes;
using libfix::writeBytes;

namespace {

// P draws a dashed line, which a .lib cannot; D derives from P with a
// description of its own.
const QByteArray DashedLib =
    "(kicad_symbol_lib (version 20211014) (generator kicad_symbol_editor)\n"
    "  (symbol \"P\" (in_bom yes) (on_board yes)\n"
    "    (property \"Reference\" \"U\" (id 0) (at 0 0 0)\n"
    "      (effects (font (size 1.27 1.27)))\n"
    "    )\n"
    "    (property \"Value\" \"P\" (id 1) (at 0 0 0)\n"
    "      (effects (font (size 1.27 1.27)))\n"
    "    )\n"
    "    (symbol \"P_1_1\"\n"
    "      (polyline\n"
    "        (pts\n"
    "          (xy 0 0)\n"
    "          (xy 2.54 0)\n"
    "        )\n"
    "        (stroke (width 0) (type dash) (color 0 0 0 0))\n"
    "        (fill (type none))\n"
    "      )\n"
    "    )\n"
    "  )\n"
    "  (symbol \"D\" (extends \"P\")\n"
    "    (property \"Reference\" \"U\" (id 0) (at 0 0 0)\n"
    "      (effects (font (size 1.27 1.27)))\n"
    "    )\n"
    "    (property \"Value\" \"D\" (id 1) (at 0 0 0)\n"
    "      (effects (font (size 1.27 1.27)))\n"
    "    )\n"
    "    (property \"ki_description\" \"derived\" (id 2) (at 0 0 0)\n"
    "      (effects (font (size 1.27 1.27)) hide)\n"
    "    )\n"
    "  )\n"
    ")\n";

class CliConvert : public ::testing::Test
{
protected:
    QString path(const char *name) const { return tmp.filePath(QString::fromUtf8(name)); }
    QString corpus(const char *name) const
    {
        return corpusDir() + QStringLiteral("/../") + QString::fromUtf8(name);
    }
    QTemporaryDir tmp;
};

// A .lib with its .dcm becomes the very file KiCad 6 made of it, and reads
// back as the same symbols.
TEST_F(CliConvert, LegacyBecomesKicad6sOwnFile)
{
    const CliRun r =
        runCli({QStringLiteral("convert"), corpus("kicad-symbols/power.lib"),
                QStringLiteral("--to"), path("power.kicad_sym"), QStringLiteral("--verify")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("power.kicad_sym: 101 símbolos\n")) << r.out.data();
    EXPECT_EQ(readBytes(path("power.kicad_sym")),
              readBytes(corpus("kicad-symbols-v6/power.kicad_sym")));
}

// The way back lists what it loses and writes nothing unless told to; the
// check then names the symbols that came out different.
TEST_F(CliConvert, LossesRefuseUnlessAccepted)
{
    ASSERT_TRUE(writeBytes(path("dashed.kicad_sym"), DashedLib));
    const QStringList base = {QStringLiteral("convert"), path("dashed.kicad_sym"),
                              QStringLiteral("--to"), path("out.lib")};
    const CliRun refused = runCli(base);
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("  P: estilo de traço \"dash\"\n")))
        << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("out.lib")));

    const CliRun written =
        runCli(base + QStringList{QStringLiteral("--accept-losses"), QStringLiteral("--verify")});
    EXPECT_EQ(written.code, 1);
    EXPECT_TRUE(written.err.contains(QStringLiteral("P: difere"))) << written.err.toStdString();
    EXPECT_TRUE(written.err.contains(QStringLiteral("D: difere"))) << written.err.toStdString();
    const QByteArray lib = readBytes(path("out.lib"));
    EXPECT_TRUE(lib.contains("\r\nDEF P U 0 20 Y Y 1 F N\r\n")) << lib.data();
    EXPECT_TRUE(lib.contains("\r\nALIAS D\r\n")) << lib.data();
    EXPECT_TRUE(readBytes(path("out.dcm")).contains("$CMP D\r\nD derived\r\n"));
}

// Many inputs, one output each under the same base name; every corpus
// library of KiCad 6 comes back as .lib and reads as it was.
TEST_F(CliConvert, OutDirConvertsEachAndVerifies)
{
    const CliRun r = runCli({QStringLiteral("convert"), corpus("kicad-symbols-v6/74xx.kicad_sym"),
                             corpus("kicad-symbols-v6/Device.kicad_sym"),
                             QStringLiteral("--out-dir"), path("out"), QStringLiteral("--format"),
                             QStringLiteral("lib"), QStringLiteral("--verify")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    for (const char *f : {"out/74xx.lib", "out/74xx.dcm", "out/Device.lib", "out/Device.dcm"})
        EXPECT_TRUE(QFileInfo::exists(path(f))) << f;
}

// copy takes sources of both formats into the output's; --flatten writes
// each derived symbol as a whole one.
TEST_F(CliConvert, CopyConvertsMixedSourcesAndFlattens)
{
    ASSERT_TRUE(writeBytes(path("dashed.kicad_sym"), DashedLib));
    const CliRun mixed = runCli(
        {QStringLiteral("copy"), QStringLiteral("--to"), path("mixed.kicad_sym"),
         corpus("kicad-symbols/power.lib"), path("dashed.kicad_sym"), QStringLiteral("--names"),
         QStringLiteral("+5V"), QStringLiteral("--names"), QStringLiteral("D")});
    ASSERT_EQ(mixed.code, 0) << mixed.err.toStdString();
    const QByteArray sym = readBytes(path("mixed.kicad_sym"));
    EXPECT_TRUE(sym.contains("\n  (symbol \"+5V\" (power)")) << sym.data();
    EXPECT_TRUE(sym.contains("\n  (symbol \"D\" (extends \"P\")")) << sym.data();

    const CliRun lossy = runCli({QStringLiteral("copy"), QStringLiteral("--to"), path("flat.lib"),
                                 path("dashed.kicad_sym")});
    EXPECT_EQ(lossy.code, 1);
    EXPECT_TRUE(lossy.err.contains(QStringLiteral("nada foi copiado"))) << lossy.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("flat.lib")));

    const CliRun flat =
        runCli({QStringLiteral("copy"), QStringLiteral("--flatten"), QStringLiteral("--to"),
                path("flat.lib"), QStringLiteral("--accept-losses"), path("dashed.kicad_sym")});
    ASSERT_EQ(flat.code, 0) << flat.err.toStdString();
    const QByteArray lib = readBytes(path("flat.lib"));
    EXPECT_TRUE(lib.contains("\r\nDEF D U 0 20 Y Y 1 F N\r\n")) << lib.data();
    EXPECT_FALSE(lib.contains("ALIAS")) << lib.data();
}

struct LayoutCase
{
    const char *what;
    QStringList extra;
    const char *output;  // under the temporary folder
    const char *written; // a file of the output
    QByteArray head;     // how it begins
    const char *said;    // on stderr
};

class CliConvertLayout : public CliConvert, public ::testing::WithParamInterface<LayoutCase>
{
};

// --version chooses the layout; a folder takes KiCad 9's unless told, and
// the command says that KiCad 10's is not written.
TEST_P(CliConvertLayout, VersionAndFolder)
{
    const LayoutCase &c = GetParam();
    const CliRun r =
        runCli(QStringList{QStringLiteral("convert"), corpus("kicad-symbols/power.lib"),
                           QStringLiteral("--to"), path(c.output), QStringLiteral("--verify")} +
               c.extra);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.said))) << r.err.toStdString();
    EXPECT_TRUE(readBytes(path(c.written)).startsWith(c.head)) << c.written;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, CliConvertLayout,
    ::testing::Values(
        LayoutCase{"v7",
                   {QStringLiteral("--version"), QStringLiteral("7")},
                   "p.kicad_sym",
                   "p.kicad_sym",
                   "(kicad_symbol_lib (version 20220914) (generator kicad_symbol_editor)\n"
                   "  (symbol \"+10V\" (power) (pin_names (offset 0)) (in_bom yes) (on_board "
                   "yes)\n",
                   ""},
        LayoutCase{"folder",
                   {},
                   "p.kicad_symdir",
                   "p.kicad_symdir/GND.kicad_sym",
                   "(kicad_symbol_lib\n\t(version 20241209)\n",
                   "formato da versão 9 (o formato da versão 10 não é gravado)"}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(CliConvert, BadCommandLinesAreUsageErrors)
{
    const QString in = corpus("kicad-symbols/power.lib");
    for (const QStringList &extra :
         {QStringList{QStringLiteral("--to"), path("a.kicad_sym"), QStringLiteral("--out-dir"),
                      path("d")},
          QStringList{QStringLiteral("--to"), path("a.kicad_sym"), QStringLiteral("--version"),
                      QStringLiteral("5")},
          QStringList{QStringLiteral("--to"), path("a.lib"), QStringLiteral("--version"),
                      QStringLiteral("6")},
          QStringList{QStringLiteral("--out-dir"), path("d"), QStringLiteral("--format"),
                      QStringLiteral("sch")}}) {
        const CliRun r = runCli(QStringList{QStringLiteral("convert"), in} + extra);
        EXPECT_EQ(r.code, 2) << extra.join(u' ').toStdString();
    }
}

} // namespace
