#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "tests/support/corpus.h"
#include "tests/support/libraryfixtures.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Lines = QList<QByteArray>;

namespace {

// name, D, K, F and the number of lines of one entry.
struct Entry
{
    QByteArray nome, d, k, f;
    qsizetype linhas;
    bool operator==(const Entry &) const = default;
};

QList<Entry> entriesOf(const Descricoes &set)
{
    QList<Entry> out;
    for (const Descricao &e : set.entradas())
        out.append({e.nome().toByteArray(), e.descricao().toByteArray(), e.palavras().toByteArray(),
                    e.datasheet().toByteArray(), e.linhas().size()});
    return out;
}

Lines keptLines(const Descricoes &set)
{
    Lines out;
    for (const Descricoes::Parte &p : set.partes())
        if (const QByteArray *l = std::get_if<QByteArray>(&p))
            out.append(*l);
    return out;
}

QByteArray write(const Descricoes &set, const QList<ComponenteDcm> &comps)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    EXPECT_TRUE(gravaDescricoes(out, comps, set).ok);
    return bytes;
}

struct ReadCase
{
    const char *what;
    QByteArray file;
    QList<Entry> entries;
    Lines kept;
};

} // namespace

TEST(DcmReader, EntriesValuesAndKeptLines)
{
    const QByteArray kicad =
        "EESchema-DOCLIB  Version 2.0\n#\n$CMP a\nD desc a\nK key\nF http://x\n"
        "$ENDCMP\n#\n$CMP b\nD desc b\n$ENDCMP\n#\n#End Doc Library\n";
    const QList<Entry> ab{{"a", "desc a", "key", "http://x", 5}, {"b", "desc b", "", "", 3}};
    QByteArray crlf = kicad, cr = kicad;
    crlf.replace("\n", "\r\n");
    cr.replace('\n', '\r');
    const QList<ReadCase> cases{
        {"KiCad layout", kicad, ab, {}},
        {"CR LF", crlf, ab, {}},
        {"lone CR", cr, ab, {}},
        {"empty file", "", {}, {}},
        {"comments, empty and unknown lines outside and inside",
         "# note\n\nX 1\n$CMP a\n# inner\nQ odd\nD d\n$ENDCMP\n$ENDCMP\n",
         {{"a", "d", "", "", 5}},
         {"# note", "", "X 1", "$ENDCMP"}},
        {"$ENDCMP missing: next $CMP and end of data close",
         "$CMP a\nD x\n#\n$CMP b\nK y",
         {{"a", "x", "", "", 3}, {"b", "", "y", "", 2}},
         {}},
        {"$CMP without a name, names trimmed, $CMPX no entry",
         "$CMP\nD x\n$ENDCMP\n$CMP \t n1 \n$ENDCMP\n$CMPX\n",
         {{"", "x", "", "", 3}, {"n1", "", "", "", 2}},
         {"$CMPX"}},
        {"bare letters, later lines win, DX is no D line",
         "$CMP a\nD first\nD\nDX y\nK\tz\nF\n$ENDCMP\n",
         {{"a", "", "", "", 7}},
         {}},
        {"repeated # before $CMP, header only as first line, last closing line dropped",
         "#\n#\n$CMP a\n$ENDCMP\nEESchema-DOCLIB  Version 2.0\n#End Doc Library\n#\n#End Doc "
         "Library\n#\n",
         {{"a", "", "", "", 2}},
         {"#", "EESchema-DOCLIB  Version 2.0", "#End Doc Library", "#"}},
    };
    for (const ReadCase &c : cases) {
        const LeituraDcm r = leDescricoes(c.file);
        EXPECT_TRUE(r.resultado.ok) << c.what;
        EXPECT_EQ(entriesOf(r.descricoes), c.entries) << c.what;
        EXPECT_EQ(keptLines(r.descricoes), c.kept) << c.what;
    }
}

TEST(DcmReader, MissingFileIsEmptyFolderAndReadFailureAreErrors)
{
    QTemporaryDir dir;
    const LeituraDcm missing = carregaDescricoes(dir.filePath(QStringLiteral("none.dcm")));
    EXPECT_TRUE(missing.resultado.ok);
    EXPECT_TRUE(missing.descricoes.partes().isEmpty());
    EXPECT_FALSE(carregaDescricoes(dir.path()).resultado.ok);

    libfix::TricklingDevice dev("$CMP a\nD x\n$ENDCMP\n$CMP b\n", 4, 20);
    dev.open(QIODevice::ReadOnly);
    const LeituraDcm r = leDescricoes(dev);
    EXPECT_EQ(r.resultado.error, QStringLiteral("simulated read failure"));
    EXPECT_EQ(entriesOf(r.descricoes), (QList<Entry>{{"a", "x", "", "", 3}}));
}

TEST(DcmWriter, ComponentOrderAliasesThenTheRestInFileOrder)
{
    const QByteArray file = "EESchema-DOCLIB  Version 2.0\n# top\n#\n$CMP z\nD orphan\n$ENDCMP\n"
                            "#\n$CMP a\nD A\n$ENDCMP\n#\n$CMP c\nD C1\n$ENDCMP\n#\n$CMP b\nQ\n"
                            "#\n$CMP c\nD C2\n$ENDCMP\nX tail\n#\n#End Doc Library\n";
    // b has no $ENDCMP: the "#" before the next $CMP is one of its lines.
    const Descricoes set = leDescricoes(file).descricoes;
    EXPECT_EQ(set.procura("c")->descricao(), "C2");
    const QList<ComponenteDcm> comps{{"b", "DEF b U\rALIAS c  a\rENDDEF\r"}, {"a", "DEF a U\r"}};
    const QByteArray expected =
        "EESchema-DOCLIB  Version 2.0\r\n#\r\n$CMP b\r\nQ\r\n#\r\n$ENDCMP\r\n"
        "#\r\n$CMP c\r\nD C1\r\n$ENDCMP\r\n#\r\n$CMP c\r\nD C2\r\n$ENDCMP\r\n"
        "#\r\n$CMP a\r\nD A\r\n$ENDCMP\r\n# top\r\n#\r\n$CMP z\r\nD "
        "orphan\r\n$ENDCMP\r\nX tail\r\n#\r\n#End Doc Library\r\n";
    const QByteArray written = write(set, comps);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(write(leDescricoes(written).descricoes, comps), expected);
}

TEST(DcmWriter, SetWithoutEntriesLeavesTheOldFileAlone)
{
    QTemporaryDir dir;
    const QString path = caminhoDcm(dir.filePath(QStringLiteral("lib.v2.lib")));
    EXPECT_EQ(path, dir.filePath(QStringLiteral("lib.v2.dcm")));
    ASSERT_TRUE(libfix::writeBytes(path, "old"));
    Descricoes onlyComments;
    onlyComments.acrescentaLinha("# c");
    EXPECT_TRUE(salvaDescricoes(path, {}, onlyComments).ok);
    EXPECT_EQ(libfix::readBytes(path), "old");
    onlyComments.acrescenta(Descricao::nova("r\n1", "res", "", "ds"));
    EXPECT_TRUE(salvaDescricoes(path, {}, onlyComments).ok);
    EXPECT_EQ(libfix::readBytes(path), "EESchema-DOCLIB  Version 2.0\r\n# c\r\n#\r\n$CMP r 1\r\n"
                                       "D res\r\nF ds\r\n$ENDCMP\r\n#\r\n#End Doc Library\r\n");
}

TEST(DcmCarry, CopyDropRenameWithAliasesAndUndoByValue)
{
    Descricoes search;
    for (const char *n : {"u", "v", "w", "x"})
        search.acrescenta(Descricao::nova(n, QByteArray("from ") + n, "", ""));
    Descricoes edit;
    edit.acrescenta(Descricao::nova("v", "old v", "", ""));
    edit.acrescenta(Descricao::nova("k", "keep", "", ""));
    const Descricoes before = edit;

    copiaEntradas(search, edit, "u", "DEF u\rALIAS v w\r");
    // v's entry belongs to the component there: the newcomer's goes before
    // it, and it stays the one found.
    EXPECT_EQ(entriesOf(edit), (QList<Entry>{{"k", "keep", "", "", 3},
                                             {"u", "from u", "", "", 3},
                                             {"v", "from v", "", "", 3},
                                             {"v", "old v", "", "", 3},
                                             {"w", "from w", "", "", 3}}));
    EXPECT_EQ(edit.procura("v")->descricao(), "old v");
    edit.renomeia("u", "k");
    EXPECT_EQ(edit.procura("k")->descricao(), "keep");
    EXPECT_EQ(edit.procura("u"), nullptr);
    EXPECT_EQ(edit.quantasEntradas(), 5);
    removeEntradas(edit, "k", "DEF k\rALIAS w\r");
    EXPECT_EQ(entriesOf(edit),
              (QList<Entry>{{"v", "from v", "", "", 3}, {"v", "old v", "", "", 3}}));
    // "~x" is x with its value hidden.
    EXPECT_EQ(entradasDoComponente(search, "~x", "DEF ~x\r").value(0).descricao(), "from x");
    EXPECT_EQ(entriesOf(before),
              (QList<Entry>{{"v", "old v", "", "", 3}, {"k", "keep", "", "", 3}}));
}

TEST(DcmCarry, EntriesKeepTheirBytesAndTheIndexFollowsEveryChange)
{
    Descricao kept;
    {
        const Descricoes read = leDescricoes("$CMP a\r\nD from file\r\n$ENDCMP\r\n").descricoes;
        kept = *read.procura("a");
    }
    // The file's bytes live on in an entry taken out of its set.
    EXPECT_EQ(kept.descricao(), "from file");
    Descricoes set;
    set.acrescenta(Descricao::nova("a", "one", "", ""));
    set.acrescenta(Descricao::nova("b", "two", "", ""));
    // Each change drops the only copy of the entry it replaces.
    set.poe({kept});
    set.renomeia("b", "c");
    set.poe({Descricao::nova("c", "three", "", "")});
    EXPECT_EQ(set.procura("a")->descricao(), "from file");
    EXPECT_EQ(set.procura("b"), nullptr);
    EXPECT_EQ(set.procura("c")->descricao(), "three");
    EXPECT_EQ(set.quantasEntradas(), 2);
}

TEST(DcmCarry, ManyRemovalsOneByOneKeepOrderAndIndex)
{
    Descricoes set;
    set.acrescentaLinha("# head");
    for (int i = 0; i < 200; ++i)
        set.acrescenta(Descricao::nova("e" + QByteArray::number(i), QByteArray::number(i), "", ""));
    // One name per call, as a copy that replaces many rows removes them.
    for (int i = 0; i < 200; ++i) {
        if (i % 4 != 0)
            set.remove({"e" + QByteArray::number(i)});
    }
    set.renomeia("e8", "e0");
    set.poe({Descricao::nova("e4", "four", "", ""), Descricao::nova("n", "new", "", "")});
    EXPECT_EQ(set.quantasEntradas(), 51);
    EXPECT_EQ(set.procura("e0")->descricao(), "0");
    EXPECT_EQ(set.procura("e4")->descricao(), "four");
    EXPECT_EQ(set.procura("e196")->descricao(), "196");
    EXPECT_EQ(set.procura("e5"), nullptr);
    EXPECT_EQ(set.procura("e8"), nullptr);
    const QList<Entry> entries = entriesOf(set);
    ASSERT_EQ(entries.size(), 51);
    EXPECT_EQ(entries[0].nome, "e4");
    EXPECT_EQ(entries[1].nome, "e12");
    EXPECT_EQ(entries[48], (Entry{"e0", "8", "", "", 3}));
    EXPECT_EQ(entries[49], (Entry{"e0", "0", "", "", 3}));
    EXPECT_EQ(entries[50].nome, "n");
    EXPECT_EQ(keptLines(set), Lines{"# head"});
}

TEST(DcmHostile, TenMegabyteLinesSurviveARoundTrip)
{
    const QByteArray big(10 * 1024 * 1024, 'm');
    const QByteArray file = "# " + big + "\n$CMP a\nD " + big + "\n$ENDCMP\n";
    const Descricoes set = leDescricoes(file).descricoes;
    EXPECT_EQ(set.procura("a")->descricao(), big);
    EXPECT_EQ(keptLines(set), Lines{"# " + big});
    const QByteArray written = write(set, {{"a", {}}});
    EXPECT_EQ(written.size(), 2 * big.size() + 79);
    EXPECT_EQ(write(leDescricoes(written).descricoes, {{"a", {}}}), written);
}

TEST(DcmCorpus, EveryFileKeepsEveryEntryAndLineThroughARoundTrip)
{
    const QDir dir(corpusDir());
    const QStringList files = dir.entryList({QStringLiteral("*.dcm")}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 10);
    for (const QString &name : files) {
        const QByteArray bytes = libfix::readBytes(dir.filePath(name));
        const LeituraDcm r = carregaDescricoes(dir.filePath(name));
        ASSERT_TRUE(r.resultado.ok && r.cabecalho) << name.toStdString();
        // Every line is "$CMP ", part of a block, or the KiCad layout.
        EXPECT_EQ(r.descricoes.quantasEntradas(), bytes.count("\n$CMP ")) << name.toStdString();
        EXPECT_TRUE(keptLines(r.descricoes).isEmpty()) << name.toStdString();

        ComponentTable lib;
        ASSERT_TRUE(carregaBiblioteca(dir.filePath(name).chopped(3) + "lib", lib).ok);
        const QByteArray written = write(r.descricoes, componentesDe(lib));
        const Descricoes again = leDescricoes(written).descricoes;
        QList<Entry> a = entriesOf(r.descricoes), b = entriesOf(again);
        std::sort(a.begin(), a.end(), [](auto &x, auto &y) { return x.nome < y.nome; });
        std::sort(b.begin(), b.end(), [](auto &x, auto &y) { return x.nome < y.nome; });
        EXPECT_EQ(a, b) << name.toStdString();
        EXPECT_EQ(write(again, componentesDe(lib)), written) << name.toStdString();
    }
    // A known entry, and a component whose three aliases have entries of their own.
    const Descricoes ttl = carregaDescricoes(dir.filePath(QStringLiteral("74xx.dcm"))).descricoes;
    const Descricao *ls00 = ttl.procura("74LS00");
    ASSERT_NE(ls00, nullptr);
    EXPECT_EQ(ls00->descricao(), "quad 2-input NAND gate");
    EXPECT_EQ(ls00->datasheet(), "http://www.ti.com/lit/gpn/sn74ls00");
    Descricoes one;
    one.poe(
        entradasDoComponente(ttl, "74HC240", "DEF 74HC240 U\rALIAS 74HCT240 74AHC240 74AHCT240\r"));
    Lines names;
    for (const Descricao &e : one.entradas())
        names << e.nome().toByteArray() + ": " + e.palavras().toByteArray();
    EXPECT_EQ(
        names,
        (Lines{"74HC240: HCMOS BUFFER 3State inv", "74HCT240: HCTMOS BUFFER 3State inv",
               "74AHC240: AHCMOS BUFFER 3State inv", "74AHCT240: AHCTMOS BUFFER 3State inv"}));
}
