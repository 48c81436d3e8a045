#include "tests/cli/clirun.h"

#include "analysis/analise.h"
#include "edit/componentedit.h"
#include "footprint/boardfile.h"
#include "library/dcmfile.h"
#include "library/informacoes.h"
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "preview/kicad.h"
#include "tests/support/corpus.h"
#include "tests/support/hostilefiles.h"
#include "tests/support/libraryfixtures.h"
#include "tests/support/scripteddialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cctype>

using libfix::readBytes;
using libfix::writeBytes;

namespace {

// Three components, out of name order; "Q,x" needs CSV quoting, "Z\xe9" is a
// Latin-1 name. R has two counted pins (one written "x"), one pin of the
// other body style that is not counted, and two aliases.
const QByteArray SmallLib = "EESchema-LIBRARY Version 2.3\r\n"
                            "DEF R R 0 0 N Y 1 F N\r\n"
                            "ALIAS R_a R_b\r\n"
                            "DRAW\r\n"
                            "X ~ 1 0 150 50 D 50 50 1 1 P\r\n"
                            "x ~ 2 0 -150 50 U 50 50 1 1 P\r\n"
                            "X ~ 3 0 -150 50 U 50 50 1 2 P\r\n"
                            "ENDDRAW\r\n"
                            "ENDDEF\r\n"
                            "DEF Z\xe9 U 0 40 Y Y 3 L N\r\n"
                            "X A 1 0 0 100 R 50 50 2 0 I\r\n"
                            "ENDDEF\r\n"
                            "DEF Q,x Q 0 0 Y Y 2 F N\r\n"
                            "ENDDEF\r\n";
const QByteArray SmallDcm = "EESchema-DOCLIB  Version 2.0\r\n"
                            "#\r\n"
                            "$CMP R\r\n"
                            "D Resistor, \"small\" \xce\xa9\r\n"
                            "K res, R\r\n"
                            "F http://r\r\n"
                            "$ENDCMP\r\n"
                            "#\r\n"
                            "#End Doc Library\r\n";

QByteArray block(const QByteArray &name, const QByteArray &body = {})
{
    return "DEF " + name + " U 0 40 Y Y 1 F N\r\n" + body + "ENDDEF\r\n";
}

QByteArray library(const QList<QByteArray> &blocks)
{
    QByteArray out = "EESchema-LIBRARY Version 2.3\r\n";
    for (const QByteArray &b : blocks)
        out += b;
    return out;
}

QByteArray withoutFirstLine(const QByteArray &bytes)
{
    return bytes.mid(bytes.indexOf('\n') + 1);
}

class Cli : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return tmp.filePath(name); }
    QString put(const QString &name, const QByteArray &bytes) const
    {
        EXPECT_TRUE(writeBytes(path(name), bytes));
        return path(name);
    }
    QString corpus(const char *lib) const
    {
        return corpusDir() + u'/' + QString::fromLatin1(lib) + QStringLiteral(".lib");
    }

    QTemporaryDir tmp;
};

} // namespace

// A file cut off inside a component: the whole ones are listed, the cut
// one is left out and named.
TEST_F(Cli, CutOffFileNamesTheComponentLeftOut)
{
    const QString lib = put(QStringLiteral("cut.lib"),
                            library({block("WHOLE")}) + "DEF HALF U 0 40 Y Y 1 F N\r\nF0 \"U\"");
    const CliRun r = runCli({QStringLiteral("list"), lib});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("WHOLE"));
    EXPECT_FALSE(r.out.contains("HALF"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("termina dentro do componente HALF")))
        << r.err.toStdString();
}

// --- exit codes ----------------------------------------------------------------

struct ExitCase
{
    const char *what;
    QStringList args; // {small}, {tmp} and {corpus} are filled in
    int code;
    const char *err; // a piece of stderr (or of stdout for code 0)
};

class CliExit : public Cli, public ::testing::WithParamInterface<ExitCase>
{
};

TEST_P(CliExit, CodeMessageAndNothingLost)
{
    const ExitCase &c = GetParam();
    put(QStringLiteral("small.lib"), SmallLib);
    put(QStringLiteral("out.lib"), library({block("KEEP")}));
    put(QStringLiteral("empty.lib"), {});
    put(QStringLiteral("picture.png"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    QDir(tmp.path()).mkdir(QStringLiteral("folder.lib"));
    QDir(tmp.path()).mkdir(QStringLiteral("trap.dcm"));
    put(QStringLiteral("trap.lib"), library({block("KEEP")}));
    put(QStringLiteral("bad.kicad_sym"), "(kicad_symbol_lib (version 20211014)\n  (symbol \"A\"\n");
    QStringList args;
    for (QString a : c.args) {
        a.replace(QStringLiteral("{tmp}"), tmp.path());
        a.replace(QStringLiteral("{small}"), path(QStringLiteral("small.lib")));
        a.replace(QStringLiteral("{corpus}"), corpusDir());
        args << a;
    }
    const auto before = hostis::snapshot(tmp.path());
    const CliRun r = runCli(args);
    EXPECT_EQ(r.code, c.code) << r.err.toStdString();
    const QString where = c.code == 0 ? QString::fromUtf8(r.out) : r.err;
    EXPECT_TRUE(where.contains(QString::fromUtf8(c.err))) << where.toStdString();
    if (c.code == 2) {
        EXPECT_TRUE(r.err.contains(QStringLiteral("Uso: copista-cli"))) << r.err.toStdString();
    }
    if (c.code != 0) {
        EXPECT_EQ(hostis::snapshot(tmp.path()), before) << "a failed command changed files";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliExit,
    ::testing::Values(
        ExitCase{"version", {"--version"}, 0, "copista-cli 0."},
        ExitCase{"help", {"copy", "--help"}, 0, "--on-duplicate <regra>"},
        ExitCase{"no command", {}, 2, "falta o comando"},
        ExitCase{"unknown command", {"frob"}, 2, "comando desconhecido 'frob'"},
        ExitCase{"unknown option", {"list", "--frob", "{small}"}, 2, "opção desconhecida 'frob'"},
        ExitCase{"no library", {"list"}, 2, "faltam argumentos"},
        ExitCase{"bad format", {"list", "--format", "xml", "{small}"}, 2, "\"xml\""},
        ExitCase{"missing value", {"render", "{small}", "--out"}, 2, "falta o valor"},
        ExitCase{"zoom 0", {"render", "{small}", "--out", "{tmp}/i", "--zoom", "0"}, 2, "--zoom"},
        ExitCase{"zoom huge",
                 {"render", "{small}", "--out", "{tmp}/i", "--zoom", "99999"},
                 2,
                 "40..210"},
        ExitCase{"zoom off step",
                 {"render", "{small}", "--out", "{tmp}/i", "--zoom", "45"},
                 2,
                 "40..210"},
        ExitCase{"zoom text",
                 {"render", "{small}", "--out", "{tmp}/i", "--zoom", "x"},
                 2,
                 "não é um número"},
        ExitCase{"unit -1", {"render", "{small}", "--out", "{tmp}/i", "--unit", "-1"}, 2, "--unit"},
        ExitCase{"unit in the classic view",
                 {"render", "{small}", "--out", "{tmp}/i", "--unit", "2"},
                 2,
                 "--view kicad"},
        ExitCase{"svg",
                 {"render", "{small}", "--out", "{tmp}/i", "--format", "svg", "--view", "kicad"},
                 0,
                 "3 imagens em"},
        ExitCase{"no target", {"copy", "{small}"}, 2, "--to"},
        ExitCase{"bad policy",
                 {"copy", "--to", "{tmp}/n.lib", "--on-duplicate", "x", "{small}"},
                 2,
                 "skip, replace, rename"},
        ExitCase{"board without out", {"board", "{small}"}, 2, "--out"},
        ExitCase{"missing file", {"list", "{tmp}/none.lib"}, 3, "none.lib: arquivo não encontrado"},
        ExitCase{"folder", {"list", "{tmp}/folder.lib"}, 3, "folder.lib: é uma pasta"},
        ExitCase{"empty file", {"check", "{tmp}/empty.lib"}, 3, "empty.lib: arquivo vazio"},
        ExitCase{"not a library", {"list", "{tmp}/picture.png"}, 3, "não é uma biblioteca"},
        ExitCase{
            "kicad_sym unreadable", {"list", "{tmp}/bad.kicad_sym"}, 3, "bad.kicad_sym: linha "},
        ExitCase{
            "convert without output", {"convert", "{small}"}, 2, "use --to SAIDA ou --out-dir"},
        ExitCase{"convert missing file",
                 {"convert", "{tmp}/none.lib", "--to", "{tmp}/n.kicad_sym"},
                 3,
                 "none.lib: arquivo não encontrado"},
        ExitCase{"second library unreadable", {"list", "{small}", "{tmp}/none.lib"}, 3, "none.lib"},
        ExitCase{"first failing source named",
                 {"copy", "--to", "{tmp}/n.lib", "{small}", "{tmp}/none.lib", "{tmp}/folder.lib"},
                 3,
                 "none.lib: arquivo não encontrado"},
        ExitCase{"target in missing folder",
                 {"copy", "--to", "{tmp}/no/out.lib", "{small}"},
                 3,
                 "out.lib"},
        ExitCase{"target not a library",
                 {"copy", "--to", "{tmp}/picture.png", "{small}"},
                 3,
                 "picture.png"},
        ExitCase{"target's .dcm unreadable",
                 {"copy", "--to", "{tmp}/trap.lib", "{small}"},
                 3,
                 "trap.dcm"},
        ExitCase{"render into missing folder",
                 {"render", "{small}", "--out", "{tmp}/no/i"},
                 3,
                 "não existe"},
        ExitCase{"board into missing folder",
                 {"board", "{small}", "--out", "{tmp}/no/b.brd"},
                 3,
                 "b.brd"},
        ExitCase{
            "clash refused",
            {"copy", "--to", "{tmp}/out.lib", "--on-duplicate", "fail", "{tmp}/out.lib", "{small}"},
            1,
            "nada foi copiado: KEEP"},
        ExitCase{"nothing matches",
                 {"copy", "--to", "{tmp}/n.lib", "--names", "zz*", "{small}"},
                 0,
                 "0 componentes"},
        ExitCase{"alias chosen",
                 {"copy", "--to", "{tmp}/n.lib", "--names", "r_?", "{small}"},
                 0,
                 "1 copiado\n"},
        ExitCase{"pads clean", {"check-pads", "{small}"}, 0, ""},
        ExitCase{"many libraries",
                 QStringList{"list", "--format", "csv"} + QStringList(3000, "{small}"), 0,
                 "small,Z\xc3\xa9,3,1,,,,,\r\n"}),
    [](const auto &info) {
        std::string name;
        for (const char *p = info.param.what; *p; ++p)
            name += std::isalnum(uchar(*p)) ? *p : '_';
        return name;
    });

// --- list ------------------------------------------------------------------------

TEST_F(Cli, ListGivesThePanelFiguresAndDescriptionsInEveryFormat)
{
    const QString lib = put(QStringLiteral("small.lib"), SmallLib);
    put(QStringLiteral("small.dcm"), SmallDcm);

    const CliRun csv =
        runCli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("csv"), lib});
    EXPECT_EQ(csv.code, 0);
    EXPECT_EQ(csv.out,
              "library,name,units,pins,aliases,description,keywords,datasheet,parent\r\n"
              "small,\"Q,x\",2,0,,,,,\r\n"
              "small,R,1,2,R_a R_b,\"Resistor, \"\"small\"\" \xce\xa9\",\"res, R\",http://r,\r\n"
              "small,Z\xc3\xa9,3,1,,,,,\r\n");

    const CliRun json =
        runCli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json"), lib});
    const QJsonArray rows = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1].toObject(),
              (QJsonObject{{"library", "small"},
                           {"name", "R"},
                           {"units", 1},
                           {"pins", 2},
                           {"aliases", "R_a R_b"},
                           {"description", QString::fromUtf8("Resistor, \"small\" \xce\xa9")},
                           {"keywords", "res, R"},
                           {"datasheet", "http://r"},
                           {"parent", ""}}));

    const CliRun text = runCli({QStringLiteral("list"), lib});
    const QList<QByteArray> lines = text.out.split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0],
              "BIBLIOTECA  NOME  PARTES  PINOS  ALIASES  DERIVA DE  DESCRI\xc3\x87\xc3\x83O");
    EXPECT_EQ(lines[2],
              "small       R          1      2  R_a R_b             Resistor, \"small\" \xce\xa9");
}

TEST_F(Cli, TextListCutsALongAliasList)
{
    QByteArray aliases = "ALIAS";
    for (int i = 0; i < 300; ++i)
        aliases += " AL" + QByteArray::number(i);
    const QString lib =
        put(QStringLiteral("long.lib"), library({block("L", aliases + "\r\n"), block("S")}));
    const CliRun text = runCli({QStringLiteral("list"), lib});
    const QList<QByteArray> lines = text.out.split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1],
              "long        L          1      0  AL0 AL1 AL2 AL3 AL4 AL5 AL6 AL7 AL8 A...");
    EXPECT_EQ(lines[2], "long        S          1      0");
}

// "DEF ~X" is the component X with its value hidden; the .dcm keys it as X.
TEST_F(Cli, HiddenValueComponentsKeepTheirDescriptions)
{
    const QString lib =
        put(QStringLiteral("graphic.lib"),
            library({block("~Logo", "F1 \"Logo\" 0 0 50 H I C CNN\r\n"), block("~Arrow")}));
    put(QStringLiteral("graphic.dcm"),
        "EESchema-DOCLIB  Version 2.0\r\n#\r\n$CMP Arrow\r\nD an arrow\r\n$ENDCMP\r\n"
        "#\r\n$CMP Logo\r\nD a logo\r\n$ENDCMP\r\n#\r\n#End Doc Library\r\n");
    const CliRun csv =
        runCli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("csv"), lib});
    EXPECT_EQ(csv.out, "library,name,units,pins,aliases,description,keywords,datasheet,parent\r\n"
                       "graphic,~Arrow,1,0,,an arrow,,,\r\ngraphic,~Logo,1,0,,a logo,,,\r\n");
    const QString target = path(QStringLiteral("g.lib"));
    ASSERT_EQ(runCli({QStringLiteral("copy"), QStringLiteral("--to"), target, lib}).code, 0);
    EXPECT_EQ(readBytes(path(QStringLiteral("g.dcm"))),
              readBytes(path(QStringLiteral("graphic.dcm"))));
}

// A renamed copy takes its new name in DEF and F1, and an alias the target
// holds already takes the same suffix, with its own entry.
TEST_F(Cli, RenamedCopyRenamesValueAndClashingAliases)
{
    const QByteArray part = block("A", "F1 \"A\" 0 0 50 H V C CNN\r\nALIAS B C\r\n");
    const QByteArray dcm = "EESchema-DOCLIB  Version 2.0\r\n#\r\n$CMP A\r\nD a\r\n$ENDCMP\r\n"
                           "#\r\n$CMP B\r\nD b\r\n$ENDCMP\r\n#\r\n#End Doc Library\r\n";
    const QString lib = put(QStringLiteral("one.lib"), library({part}));
    put(QStringLiteral("one.dcm"), dcm);
    const QString target = put(QStringLiteral("out.lib"), library({part}));
    put(QStringLiteral("out.dcm"), dcm);
    const CliRun r = runCli({QStringLiteral("copy"), QStringLiteral("--to"), target,
                             QStringLiteral("--on-duplicate"), QStringLiteral("rename"), lib});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(withoutFirstLine(readBytes(target)),
              part + block("A_1", "F1 \"A_1\" 0 0 50 H V C CNN\r\nALIAS B_1 C_1\r\n"));
    QList<QByteArray> entries;
    for (const Descricao &e : carregaDescricoes(caminhoDcm(target)).descricoes.entradas())
        entries << e.nome().toByteArray() + "=" + e.descricao().toByteArray();
    EXPECT_EQ(entries, (QList<QByteArray>{"A=a", "B=b", "A_1=a", "B_1=b"}));
}

// The pin count and parts without drawing agree with the window's analysis
// pass on every corpus component and on lines made to trip a shortcut.
TEST(Informacoes, AgreeWithTheAnalysisPass)
{
    QList<QByteArray> texts;
    for (const hostis::Block &b : hostis::corpusBlocks())
        texts << b.lines.join('\r') + '\r';
    texts
        << "DEF \"q\" U 0 40 Y Y\r\"X\" a 1 0 0 100 R 50 50 1 1 P\r"
        << "  x a 1 0 0 100 R 50 50 1 0\r\tX a 1 0 0 100 R 50 50 1 1\rXX a 1 0 0 1 R 5 5 1 1\r"
        << "X \"a b\" 1 0 0 100 R 50 50 1 1 P\rALIAS x\rdef a b c d e f 7\r\"DEF\"x U 0 0 Y Y 4\r"
        << "X  a   1  0 0 100   R 50 50   1   0  \rDEF  n  U 0 40 Y Y       3\rX 1 2 3 4 5 6 7 8 9 "
           "10 1\rX a b c d e f g h i j 12345678 z\rX a b c d e f g h i j\r";
    Analise analise;
    for (const QByteArray &t : texts) {
        analise.converter(false, linhas(t), "n");
        const Informacoes info = informacoesDe(t);
        ASSERT_EQ(analise.legendas().L_pinos,
                  QStringLiteral("Descrições de Pinos: ") + QString::number(info.pinos))
            << t.left(200).toStdString();
        ASSERT_EQ(analise.legendas().L_elementos,
                  QStringLiteral("Quantidade de elementos(partes): ") +
                      QString::fromLatin1(info.partes));
        ASSERT_EQ(analise.legendas().L_alias, QString::fromLatin1(info.alias));
    }
}

// --- copy ------------------------------------------------------------------------

struct WindowCase
{
    const char *policy;
    Dialogs::Clash answer; // the window's answer, for every clash
};

class CliMatchesWindow : public Cli, public ::testing::WithParamInterface<WindowCase>
{
};

// The same copies made with the window's commands (load, copy all rows of
// each search library answering every clash alike, save) give the same
// library but for the header's date, and the same descriptions.
TEST_P(CliMatchesWindow, CopyWritesWhatTheWindowWrites)
{
    const WindowCase &c = GetParam();
    const QByteArray powerDcm = readBytes(corpusDir() + QStringLiteral("/power.dcm"));
    const QString target = put(QStringLiteral("out.lib"), readBytes(corpus("power")));
    put(QStringLiteral("out.dcm"), powerDcm);
    const QString window = put(QStringLiteral("window.lib"), readBytes(corpus("power")));
    put(QStringLiteral("window.dcm"), powerDcm);
    const QStringList sources{corpus("Device"), corpus("Switch"), corpus("power")};
    const CliRun r =
        runCli(QStringList{QStringLiteral("copy"), QStringLiteral("--to"), target,
                           QStringLiteral("--on-duplicate"), QString::fromLatin1(c.policy)} +
               sources);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_GT(readBytes(target).size(), readBytes(corpus("power")).size() * 2);

    ScriptedDialogs dialogs;
    LibraryDocument edicao;
    dialogs.files.enqueue(window);
    ASSERT_TRUE(carregaEdicao(edicao, dialogs).isDone());
    for (const QString &s : sources) {
        LibraryDocument pesquisa;
        dialogs.files.enqueue(s);
        ASSERT_TRUE(carregaPesquisa(pesquisa, dialogs).isDone());
        QList<int> rows;
        for (int row = 0; row < pesquisa.table().rowCount(); ++row)
            rows << row;
        dialogs.clashAnswers.enqueue({c.answer, true});
        copiaComponentes(pesquisa, rows, edicao, dialogs);
    }
    dialogs.files.enqueue(window);
    ASSERT_TRUE(salvaEdicao(edicao, dialogs).isDone());
    EXPECT_EQ(withoutFirstLine(readBytes(target)), withoutFirstLine(readBytes(window)));
    EXPECT_TRUE(readBytes(target).startsWith("EESchema-LIBRARY Version 2.3  Date:   "));
    EXPECT_EQ(readBytes(path(QStringLiteral("out.dcm"))),
              readBytes(path(QStringLiteral("window.dcm"))));
}

INSTANTIATE_TEST_SUITE_P(Policies, CliMatchesWindow,
                         ::testing::Values(WindowCase{"skip", Dialogs::Clash::Skip},
                                           WindowCase{"replace", Dialogs::Clash::Replace}),
                         [](const auto &info) { return std::string(info.param.policy); });

struct DuplicateCase
{
    const char *policy;
    QByteArray out;     // stdout
    QByteArray library; // OUT.lib after the header
    QList<QByteArray> dcmNames;
};

class CliDuplicates : public Cli, public ::testing::WithParamInterface<DuplicateCase>
{
};

// OUT holds A (with a .dcm entry); one.lib offers a and B, two.lib B and C,
// each with an entry of its own.
TEST_P(CliDuplicates, PolicyDecidesWhichComponentStays)
{
    const DuplicateCase &c = GetParam();
    auto dcm = [](const QList<QByteArray> &entries) {
        QByteArray out = "EESchema-DOCLIB  Version 2.0\r\n";
        for (const QByteArray &e : entries)
            out += "#\r\n$CMP " + e + "\r\nD " + e + "\r\n$ENDCMP\r\n";
        return out + "#\r\n#End Doc Library\r\n";
    };
    const QString target = put(QStringLiteral("out.lib"), library({block("A", "T 0\r\n")}));
    put(QStringLiteral("out.dcm"), dcm({"A"}));
    const QString one =
        put(QStringLiteral("one.lib"), library({block("a", "T 1\r\n"), block("B", "T 1\r\n")}));
    put(QStringLiteral("one.dcm"), dcm({"a", "B"}));
    const QString two =
        put(QStringLiteral("two.lib"), library({block("B", "T 2\r\n"), block("C", "T 2\r\n")}));
    const CliRun r =
        runCli({QStringLiteral("copy"), QStringLiteral("--to"), target,
                QStringLiteral("--on-duplicate"), QString::fromLatin1(c.policy), one, two});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(withoutFirstLine(readBytes(target)), c.library);
    QList<QByteArray> names;
    for (const Descricao &e : carregaDescricoes(caminhoDcm(target)).descricoes.entradas())
        names << e.nome().toByteArray() + "=" + e.descricao().toByteArray();
    EXPECT_EQ(names, c.dcmNames);
}

INSTANTIATE_TEST_SUITE_P(
    Policies, CliDuplicates,
    ::testing::Values(
        DuplicateCase{"skip",
                      "2 copiados, 2 pulados: a, B\n",
                      block("A", "T 0\r\n") + block("B", "T 1\r\n") + block("C", "T 2\r\n"),
                      {"A=A", "B=B"}},
        DuplicateCase{"replace",
                      "3 copiados, 2 substituídos: a, B\n",
                      block("a", "T 1\r\n") + block("B", "T 2\r\n") + block("C", "T 2\r\n"),
                      {"a=a"}},
        DuplicateCase{"rename",
                      "4 copiados, 2 renomeados: a → a_1, B → B_1\n",
                      block("A", "T 0\r\n") + block("a_1", "T 1\r\n") + block("B", "T 1\r\n") +
                          block("B_1", "T 2\r\n") + block("C", "T 2\r\n"),
                      {"A=A", "a_1=a", "B=B"}}),
    [](const auto &info) { return std::string(info.param.policy); });

TEST_F(Cli, CopyIntoReadOnlyFolderKeepsTheTarget)
{
    const QString dir = path(QStringLiteral("ro"));
    QDir().mkdir(dir);
    const QByteArray before = library({block("KEEP")});
    ASSERT_TRUE(writeBytes(dir + QStringLiteral("/out.lib"), before));
    hostis::MountGuard guard;
    QString why;
    if (!guard.bindReadOnly(dir, &why))
        GTEST_SKIP() << why.toStdString();
    const CliRun r =
        runCli({QStringLiteral("copy"), QStringLiteral("--to"), dir + QStringLiteral("/out.lib"),
                put(QStringLiteral("small.lib"), SmallLib)});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("out.lib: "))) << r.err.toStdString();
    EXPECT_EQ(readBytes(dir + QStringLiteral("/out.lib")), before);
}

// --- render ----------------------------------------------------------------------

struct RenderCase
{
    const char *what;
    QStringList args;
    Vista vista;
    int zoom;
    int unidade;
};

class CliRender : public Cli, public ::testing::WithParamInterface<RenderCase>
{
};

TEST_P(CliRender, DrawsWhatThePreviewShows)
{
    const RenderCase &c = GetParam();
    const QString out = path(QStringLiteral("img"));
    const CliRun r =
        runCli(QStringList{QStringLiteral("render"), corpus("74xx"), QStringLiteral("--out"), out,
                           QStringLiteral("--names"), QStringLiteral("74LS00")} +
               c.args);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString()) << "no progress line when stderr is no terminal";

    LibraryDocument doc;
    ASSERT_TRUE(carregaBiblioteca(corpus("74xx"), doc.table()).ok);
    ASSERT_TRUE(doc.table().locate(u"nome_Componente", "74LS00"));
    Analise analise;
    analise.setVista(c.vista);
    analise.setOpcoes(Painel::Edicao, OpcoesKiCad{c.unidade, 1, false});
    analise.desenho().zoom_edicao = c.zoom;
    analise.redesenhaEdicao(false, linhas(doc.table().field(ComponentTable::Field::Comandos)),
                            "74LS00");
    const QImage preview =
        analise.image2().bitmap().copy(QRect(QPoint(0, 0), analise.image2().extent()));
    const QImage png(out + QStringLiteral("/74xx/74LS00.png"));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), preview);
}

INSTANTIATE_TEST_SUITE_P(
    Views, CliRender,
    ::testing::Values(
        RenderCase{"classic_zoom_150", {"--zoom", "150"}, Vista::Classica, 150, 1},
        RenderCase{"kicad_unit_3", {"--view", "kicad", "--unit", "3"}, Vista::KiCad, 100, 3}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(Cli, RenderMakesSafeFileNamesAndASheet)
{
    const QString lib =
        put(QStringLiteral("odd.lib"), library({block("a/b"), block(".."), block("x:y*"),
                                                block("k"), block("k"), block("..\\up")}));
    const QString out = path(QStringLiteral("img"));
    const QString sheet = path(QStringLiteral("sheet.png"));
    const CliRun r = runCli({QStringLiteral("render"), lib, QStringLiteral("--out"), out,
                             QStringLiteral("--sheet"), sheet});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "6 imagens em " + QFile::encodeName(out) + "\n");
    QStringList files = QDir(out + QStringLiteral("/odd")).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files,
              (QStringList{".._up.png", "__.png", "a_b.png", "k.png", "k_2.png", "x_y_.png"}));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"img", "odd.lib", "sheet.png"}));
    // Six thumbnails: three columns of 104 pixels, two rows of 118.
    EXPECT_EQ(QImage(sheet).size(), QSize(312, 236));
}

// --- check and board -------------------------------------------------------------

TEST_F(Cli, CheckPadsReportsEveryFindingWithItsPlace)
{
    const QString lib = put(QStringLiteral("pads.lib"),
                            library({block("P", "$PAD\r\nSh \"1\" R 0 600 0 0 0\r\nDr 320 0 0\r\n"
                                                "At STD N 00E0FFFF\r\nNe 0 \"\"\r\nPo -1000 0\r\n"
                                                "$EndPAD\r\nDS 1 2 3 4 5 6 7 8 9\r\n"),
                                     block("Q", "DA 1 2 3 4 5 6 7 8 9 10\r\n")}));
    const CliRun r = runCli({QStringLiteral("check-pads"), lib});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(QString::fromUtf8(r.out),
              lib +
                  QStringLiteral(":P:2: Erro na linha 2!!!! Ilha retangular com tamanho zero !\n") +
                  lib + QStringLiteral(":P:8: Erro na linha 8!!!!\n") + lib +
                  QStringLiteral(":Q:1: Erro na linha 1!!!!\n"));
}

TEST_F(Cli, BoardIsTheWindowsBoardFile)
{
    const QString board = path(QStringLiteral("b.brd"));
    const CliRun r =
        runCli({QStringLiteral("board"), corpus("Switch"), QStringLiteral("--out"), board});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ComponentTable table;
    ASSERT_TRUE(carregaBiblioteca(corpus("Switch"), table).ok);
    const QString expected = path(QStringLiteral("e.brd"));
    ASSERT_TRUE(salvaPlaca(expected, table, QDateTime::currentDateTime(), QLocale::system()).ok);
    // Lines 1 and 17 carry the date, line 22 the file's path.
    QList<QByteArray> got = readBytes(board).split('\n');
    QList<QByteArray> want = readBytes(expected).split('\n');
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(got[21], "Comment3 \"" + QFile::encodeName(board) + "\"\r");
    for (int i : {21, 16, 0})
        got.removeAt(i), want.removeAt(i);
    EXPECT_EQ(got, want);
}
