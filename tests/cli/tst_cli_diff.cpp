#include "tests/cli/clirun.h"
#include "tests/support/corpus.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

// Switch.lib against KiCad 6's conversion of it, as it is and with one
// description edited; then the command lines that are refused.
TEST(CliDiff, ExitCodesAndListing)
{
    const QString lib = corpusDir() + QStringLiteral("/Switch.lib");
    const QString sym = corpusDir() + QStringLiteral("/../kicad-symbols-v6/Switch.kicad_sym");
    QFile in(sym);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QTemporaryDir dir;
    const QString edited = dir.filePath(QStringLiteral("Switch.kicad_sym"));
    QFile out(edited);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(in.readAll().replace("\"Push button switch, generic, two pins\"", "\"Botão\""));
    out.close();

    const CliRun same = runCli(
        {QStringLiteral("diff"), QStringLiteral("--format"), QStringLiteral("json"), lib, sym});
    EXPECT_EQ(same.code, 0) << same.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(same.out).object();
    EXPECT_TRUE(o.value(QStringLiteral("equal")).toBool());
    EXPECT_EQ(o.value(QStringLiteral("unchanged")).toInt(), 58);

    const CliRun changed = runCli({QStringLiteral("diff"), lib, edited});
    EXPECT_EQ(changed.code, 1) << changed.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(changed.out),
              QStringLiteral("Alterados: 1\n"
                             "  ~ SW_Push\n"
                             "      propriedade Description: \"Push button switch, generic, "
                             "two pins\" -> \"Botão\"\n"
                             "Iguais: 57\n"));

    EXPECT_EQ(runCli({QStringLiteral("diff"), lib}).code, 2);
    EXPECT_EQ(runCli({QStringLiteral("diff"), QStringLiteral("--format"), QStringLiteral("xml"),
                      lib, sym})
                  .code,
              2);
    const CliRun missing = runCli({QStringLiteral("diff"), lib, dir.filePath("nada.lib")});
    EXPECT_EQ(missing.code, 3);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("nada.lib"))) << missing.err.toStdString();
}

} // namespace
