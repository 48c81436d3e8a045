#include "tests/cli/clirun.h"

#include "tests/support/corpus.h"
#include "tests/support/libraryfixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

using libfix::readBytes;
using libfix::writeBytes;

namespace {

// P has one pin; D derives from P and has the only description. The header
// is laid out as KiCad 6 writes it, so a library written from these rows in
// their order gives these bytes back.
const QByteArray SymRowP = "  (symbol \"P\" (in_bom yes) (on_board yes)\n"
                           "    (property \"Reference\" \"U\" (id 0) (at 0 0 0)\n"
                           "      (effects (font (size 1.27 1.27)))\n"
                           "    )\n"
                           "    (property \"Value\" \"P\" (id 1) (at 0 0 0)\n"
                           "      (effects (font (size 1.27 1.27)))\n"
                           "    )\n"
                           "    (symbol \"P_1_1\"\n"
                           "      (pin input line (at 0 0 0) (length 2.54)\n"
                           "        (name \"A\" (effects (font (size 1.27 1.27))))\n"
                           "        (number \"1\" (effects (font (size 1.27 1.27))))\n"
                           "      )\n"
                           "    )\n"
                           "  )\n";
const QByteArray SymRowD = "  (symbol \"D\" (extends \"P\")\n"
                           "    (property \"Reference\" \"U\" (id 0) (at 0 0 0)\n"
                           "      (effects (font (size 1.27 1.27)))\n"
                           "    )\n"
                           "    (property \"Value\" \"D\" (id 1) (at 0 0 0)\n"
                           "      (effects (font (size 1.27 1.27)))\n"
                           "    )\n"
                           "    (property \"ki_description\" \"derived, \\\"one\\\"\" (id 5) "
                           "(at 0 0 0)\n"
                           "      (effects (font (size 1.27 1.27)) hide)\n"
                           "    )\n"
                           "  )\n";
const QByteArray SymHeader =
    "(kicad_symbol_lib (version 20211014) (generator kicad_symbol_editor)\n";
const QByteArray SymLib = SymHeader + SymRowP + SymRowD + ")\n";

QString corpusSym(const char *relative)
{
    return corpusDir() + QStringLiteral("/../") + QString::fromLatin1(relative);
}

// A top-level row of a KiCad 8+ file (tab-indented), from its line through
// the line closing it.
QByteArray tabRow(const QByteArray &file, const QByteArray &name)
{
    const qsizetype start = file.indexOf("\n\t(symbol \"" + name + "\"") + 1;
    const qsizetype end = file.indexOf("\n\t)\n", start) + 4;
    return start > 0 && end > start ? file.mid(start, end - start) : QByteArray();
}

class CliSym : public ::testing::Test
{
protected:
    QString put(const QString &name, const QByteArray &bytes) const
    {
        EXPECT_TRUE(writeBytes(tmp.filePath(name), bytes));
        return tmp.filePath(name);
    }
    QStringList args(std::initializer_list<const char *> list) const
    {
        QStringList out;
        for (const char *a : list)
            out << QString::fromUtf8(a).replace(QStringLiteral("{tmp}"), tmp.path());
        return out;
    }
    QTemporaryDir tmp;
};

// --- list ------------------------------------------------------------------------

struct SymListCase
{
    const char *what;
    const char *library; // beside the corpus folder
    qsizetype rows;      // top-level symbols, counted with grep
    const char *csvLine; // one of them
};

class CliSymList : public CliSym, public ::testing::WithParamInterface<SymListCase>
{
};

TEST_P(CliSymList, OneRowPerTopLevelSymbol)
{
    const SymListCase &c = GetParam();
    const QString lib = corpusSym(c.library);
    const CliRun json =
        runCli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json"), lib});
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(json.out).array().size(), c.rows);
    const CliRun csv =
        runCli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("csv"), lib});
    EXPECT_TRUE(csv.out.contains(QByteArray("\r\n") + c.csvLine + "\r\n"))
        << csv.out.left(400).data();
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CliSymList,
    ::testing::Values(SymListCase{"power6", "kicad-symbols-v6/power.kicad_sym", 101,
                                  "power,+5V,1,1,,\"Power symbol creates a global label with name "
                                  "\"\"+5V\"\"\",power-flag,,"},
                      // 74LS00: four gates of three pins in two body styles, and a power
                      // unit of two; the second style's pins are not counted.
                      SymListCase{"derived6", "kicad-symbols-v6/74xx.kicad_sym", 235,
                                  "74xx,74HCT00,5,14,,quad 2-input NAND gate,HCTMOS nand 2-input,"
                                  "http://www.ti.com/lit/gpn/sn74hct00,74LS00"},
                      SymListCase{"derived8", "kicad-sym-versions/8.0.0/74xx.kicad_sym", 261,
                                  "74xx,74HCT00,5,14,,quad 2-input NAND gate,HCTMOS nand 2-input,"
                                  "http://www.ti.com/lit/gpn/sn74hct00,74LS00"},
                      SymListCase{"folder10", "kicad-sym-versions/10.0.0/74xx.kicad_symdir", 2,
                                  "74xx,74HC00,5,14,,quad 2-input NAND gate,HCMOS nand 2-input,"
                                  "http://www.ti.com/lit/gpn/sn74hc00,74LS00"}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(CliSym, TextListMixesFormatsAndShowsTheParent)
{
    const QString sym = put(QStringLiteral("new.kicad_sym"), SymLib);
    const QString lib = put(QStringLiteral("old.lib"), "EESchema-LIBRARY Version 2.3\r\n"
                                                       "DEF R R 0 0 N Y 1 F N\r\nENDDEF\r\n");
    const CliRun r = runCli({QStringLiteral("list"), lib, sym});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              "BIBLIOTECA  NOME  PARTES  PINOS  ALIASES  DERIVA DE  DESCRI\xc3\x87\xc3\x83O\n"
              "old         R          1      0\n"
              "new         P          1      1\n"
              "new         D          1      1           P          derived, \"one\"\n");
}

// --- copy ------------------------------------------------------------------------

// The output is a copy of the rows: a derived symbol brings its parent
// first, byte for byte, in a new library of the first source's version.
TEST_F(CliSym, DerivedSymbolBringsItsParent)
{
    const QString source = put(QStringLiteral("src.kicad_sym"), SymLib);
    const CliRun r =
        runCli(args({"copy", "--to", "{tmp}/out.kicad_sym", "--names", "d"}) + QStringList{source});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 copiados\n");
    EXPECT_TRUE(r.err.contains(QStringLiteral("D deriva de P, copiado junto")))
        << r.err.toStdString();
    EXPECT_EQ(readBytes(tmp.filePath(QStringLiteral("out.kicad_sym"))), SymLib);
}

struct SymDuplicateCase
{
    const char *policy;
    int code;
    QByteArray out;
    QList<QByteArray> present, absent; // pieces of OUT.kicad_sym afterwards
};

class CliSymDuplicates : public CliSym, public ::testing::WithParamInterface<SymDuplicateCase>
{
};

// OUT holds P alone; the source offers P and D (deriving from P).
TEST_P(CliSymDuplicates, PolicyDecidesAndRenamesFollow)
{
    const SymDuplicateCase &c = GetParam();
    const QByteArray target = SymHeader + SymRowP + ")\n";
    const QString out = put(QStringLiteral("out.kicad_sym"), target);
    const QString source = put(QStringLiteral("src.kicad_sym"), SymLib);
    const CliRun r = runCli(args({"copy", "--to", "{tmp}/out.kicad_sym", "--on-duplicate"}) +
                            QStringList{QString::fromLatin1(c.policy), source});
    EXPECT_EQ(r.code, c.code) << r.err.toStdString();
    EXPECT_EQ(r.out, c.out);
    const QByteArray after = readBytes(out);
    EXPECT_TRUE(after.startsWith(SymHeader + SymRowP)) << after.data();
    for (const QByteArray &p : c.present)
        EXPECT_TRUE(after.contains(p)) << p.data() << "\nnot in\n" << after.data();
    for (const QByteArray &p : c.absent)
        EXPECT_FALSE(after.contains(p)) << p.data() << "\nin\n" << after.data();
}

INSTANTIATE_TEST_SUITE_P(
    Policies, CliSymDuplicates,
    ::testing::Values(
        SymDuplicateCase{"skip", 0, "1 copiado, 1 pulado: P\n", {SymRowD}, {"(symbol \"P_1\""}},
        SymDuplicateCase{"fail", 1, "", {}, {"\"D\""}},
        // The copy, its unit and its Value take the new name; D, copied
        // along, now derives from it.
        SymDuplicateCase{"rename",
                         0,
                         "2 copiados, 1 renomeado: P → P_1\n",
                         {"(symbol \"P_1\"", "(symbol \"P_1_1_1\"", "\"Value\" \"P_1\"",
                          "(symbol \"D\" (extends \"P_1\")"},
                         {"(symbol \"D\" (extends \"P\")"}}),
    [](const auto &info) { return std::string(info.param.policy); });

// Rows of another version than the output's are written from their model; the
// first source's rows stay byte for byte.
TEST_F(CliSym, OutputTakesTheFirstSourcesVersion)
{
    const QString v8 = corpusSym("kicad-sym-versions/8.0.0/74xx.kicad_sym");
    const QString out = tmp.filePath(QStringLiteral("out.kicad_sym"));
    const CliRun r =
        runCli({QStringLiteral("copy"), QStringLiteral("--to"), out, QStringLiteral("--names"),
                QStringLiteral("74HCT00"), QStringLiteral("--names"), QStringLiteral("PWR_FLAG"),
                v8, corpusSym("kicad-symbols-v6/power.kicad_sym")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "3 copiados\n");
    const QByteArray bytes = readBytes(out);
    const QByteArray source = readBytes(v8);
    EXPECT_TRUE(bytes.startsWith("(kicad_symbol_lib\n\t(version 20231120)\n"));
    ASSERT_FALSE(tabRow(source, "74LS00").isEmpty());
    EXPECT_TRUE(bytes.contains(tabRow(source, "74LS00") + tabRow(source, "74HCT00")));
    // KiCad 8 writes no property ids and names the description "Description".
    EXPECT_TRUE(bytes.contains("\n\t(symbol \"PWR_FLAG\"\n"));
    EXPECT_FALSE(bytes.contains("(id "));
    EXPECT_FALSE(bytes.contains("ki_description"));
}

TEST_F(CliSym, FolderSymbolsCopyByFileAndParentsFirst)
{
    const QString dir = corpusSym("kicad-sym-versions/10.0.0/74xx.kicad_symdir");
    const QString out = tmp.filePath(QStringLiteral("out.kicad_symdir"));
    const CliRun r = runCli({QStringLiteral("copy"), QStringLiteral("--to"), out,
                             QStringLiteral("--names"), QStringLiteral("74HC00"), dir});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files), (QStringList{QStringLiteral("74HC00.kicad_sym"),
                                                             QStringLiteral("74LS00.kicad_sym")}));
    for (const QString &f : QDir(out).entryList(QDir::Files))
        EXPECT_EQ(readBytes(out + u'/' + f), readBytes(dir + u'/' + f)) << f.toStdString();

    // In one file KiCad wants the parent first, though its file comes second.
    const QString file = tmp.filePath(QStringLiteral("out.kicad_sym"));
    ASSERT_EQ(runCli({QStringLiteral("copy"), QStringLiteral("--to"), file, dir}).code, 0);
    const QByteArray bytes = readBytes(file);
    EXPECT_TRUE(bytes.startsWith("(kicad_symbol_lib\n\t(version 20241209)\n"));
    const qsizetype parent = bytes.indexOf("\t(symbol \"74LS00\"\n");
    EXPECT_GT(parent, 0);
    EXPECT_LT(parent, bytes.indexOf("\t(symbol \"74HC00\"\n"));
}

} // namespace

// --- render ----------------------------------------------------------------------

#include "analysis/analise.h"
#include "kicadsym/kicadsymlibrary.h"
#include "library/linelist.h"

#include <QImage>

namespace {

struct SymRenderCase
{
    const char *what;
    const char *library; // beside the corpus folder
    const char *symbol;
    const char *view;
    int unidade;
};

class CliSymRender : public CliSym, public ::testing::WithParamInterface<SymRenderCase>
{
};

// Drawn as the edit pane draws the row, its library at hand for `extends`.
TEST_P(CliSymRender, DrawsWhatThePreviewShows)
{
    const SymRenderCase &c = GetParam();
    const QString lib = corpusSym(c.library);
    const QString out = tmp.filePath(QStringLiteral("img"));
    const bool kicad = QByteArray(c.view) == "kicad";
    QStringList args{QStringLiteral("render"),  lib,
                     QStringLiteral("--out"),   out,
                     QStringLiteral("--names"), QString::fromLatin1(c.symbol),
                     QStringLiteral("--view"),  QString::fromLatin1(c.view)};
    if (kicad)
        args << QStringLiteral("--unit") << QString::number(c.unidade);
    const CliRun r = runCli(args);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "1 imagem em " + QFile::encodeName(out) + "\n");

    const KicadSymRead read = readKicadSymPath(lib);
    ASSERT_TRUE(read.ok());
    QByteArray text;
    for (const KicadSymRow &row : read.library.rows) {
        if (row.name == c.symbol)
            text = row.text;
    }
    Analise analise;
    analise.setVista(kicad ? Vista::KiCad : Vista::Classica);
    analise.setOpcoes(Painel::Edicao, OpcoesKiCad{c.unidade, 1, false});
    analise.setSymbolLookup(Painel::Edicao, [&](const QByteArray &name) {
        for (const KicadSymRow &row : read.library.rows) {
            if (row.name == name)
                return row.text;
        }
        return QByteArray();
    });
    analise.redesenhaEdicao(false, linhas(text), c.symbol);
    const QImage preview =
        analise.image2().bitmap().copy(QRect(QPoint(0, 0), analise.image2().extent()));
    const QImage png(out + u'/' + QFileInfo(lib).completeBaseName() + u'/' +
                     QString::fromLatin1(c.symbol) + QStringLiteral(".png"));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), preview);
    // The body outline is there: the parent's units were found.
    bool body = false;
    for (int y = 0; y < png.height() && !body; ++y) {
        for (int x = 0; x < png.width() && !body; ++x)
            body = png.pixelColor(x, y) == QColor(0x84, 0, 0);
    }
    EXPECT_TRUE(body);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CliSymRender,
    ::testing::Values(
        SymRenderCase{"v6_unit_2", "kicad-symbols-v6/74xx.kicad_sym", "74LS00", "kicad", 2},
        // Classic asked, drawn as KiCad draws it: the classic drawing knows legacy lines only.
        SymRenderCase{"v6_derived", "kicad-symbols-v6/74xx.kicad_sym", "74HCT00", "classic", 1},
        SymRenderCase{"symdir_derived", "kicad-sym-versions/10.0.0/74xx.kicad_symdir", "74HC00",
                      "kicad", 3}),
    [](const auto &info) { return std::string(info.param.what); });

} // namespace
