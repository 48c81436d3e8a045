#include "kicadsym/kicadsymlibrary.h"
#include "kicadsym/libraryscan.h"

#include "tests/support/corpus.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class KicadSymCorpus : public testing::TestWithParam<QString>
{
};

// Read and written again unchanged, a library gives back its very bytes.
TEST_P(KicadSymCorpus, WritesBackTheSameBytes)
{
    const KicadSymRead r = readKicadSymPath(GetParam());
    ASSERT_TRUE(r.ok()) << r.message().toStdString();
    ASSERT_FALSE(r.library.rows.isEmpty());
    if (!r.library.folder) {
        const KicadSymWrite w = writeKicadSym(r.library, r.library.version);
        ASSERT_TRUE(w.error.isEmpty()) << w.error.toStdString();
        EXPECT_TRUE(w.bytes == fileBytes(GetParam()));
        return;
    }
    const KicadSymFolderWrite w = writeKicadSymFolder(r.library, KicadSymVersion::v9);
    ASSERT_TRUE(w.error.isEmpty());
    const QDir dir(GetParam());
    ASSERT_EQ(w.files.size(), qsizetype(dir.entryList(QDir::Files).size()));
    for (const auto &[name, bytes] : w.files)
        EXPECT_TRUE(bytes == fileBytes(dir.filePath(name))) << name.toStdString();
}

// Each symbol's model, written in the layout of the version it was read
// in, is the symbol's text again.
TEST_P(KicadSymCorpus, ModelWritesTheRowText)
{
    const KicadSymRead r = readKicadSymPath(GetParam());
    ASSERT_TRUE(r.ok());
    if (r.library.version > KicadSymVersion::v9)
        GTEST_SKIP() << "KiCad 10's layout is read, not written";
    int differ = 0;
    for (qsizetype i = 0; i < r.library.rows.size(); ++i) {
        const KicadSymRow &row = r.library.rows[i];
        const SymbolBuild b = r.library.symbol(i);
        ASSERT_TRUE(b.ok()) << b.error.text().toStdString();
        const QByteArray text = symbolText(b.symbol, row.version);
        if (text != row.text && ++differ <= 2)
            ADD_FAILURE() << row.name.toStdString() << "\n--- read\n"
                          << row.text.toStdString() << "--- written\n"
                          << text.toStdString();
    }
    EXPECT_EQ(differ, 0);
}

// Through every other version and back, a symbol keeps its model (bar the
// name of the description's property, which moved in KiCad 8).
TEST_P(KicadSymCorpus, ModelSurvivesEveryVersion)
{
    const KicadSymRead r = readKicadSymPath(GetParam());
    ASSERT_TRUE(r.ok());
    using namespace KicadSymVersion;
    for (qsizetype i = 0; i < r.library.rows.size(); ++i) {
        const SymbolBuild b = r.library.symbol(i);
        ASSERT_TRUE(b.ok());
        const int own = r.library.rows[i].version;
        for (const int v : {v6, v7, v8, v9}) {
            const SymbolBuild there = buildSymbol(symbolText(b.symbol, v));
            ASSERT_TRUE(there.ok()) << there.error.text().toStdString();
            const QByteArray back = symbolText(there.symbol, own);
            ASSERT_EQ(back, symbolText(b.symbol, own))
                << r.library.rows[i].name.toStdString() << " through " << v;
        }
    }
}

// The scan's library against the document reader's, cut alike.
void expectSameCut(const QByteArray &bytes)
{
    const std::optional<KicadSymLibrary> scan = scanKicadSym(bytes);
    const KicadSymRead doc = readKicadSymDocument(bytes);
    ASSERT_TRUE(scan && doc.ok()) << doc.message().toStdString();
    const KicadSymLibrary &a = *scan, &b = doc.library;
    EXPECT_EQ(std::tie(a.version, a.generator, a.generatorVersion, a.headerExtra, a.head, a.tail),
              std::tie(b.version, b.generator, b.generatorVersion, b.headerExtra, b.head, b.tail));
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (qsizetype i = 0; i < a.rows.size(); ++i) {
        const KicadSymRow &x = a.rows[i], &y = b.rows[i];
        ASSERT_EQ(std::tie(x.name, x.extends, x.text, x.leading, x.line, x.extendsOffset),
                  std::tie(y.name, y.extends, y.text, y.leading, y.line, y.extendsOffset))
            << y.name.toStdString();
    }
}

// The scan vouches for every real library and cuts it as the document
// reader does, row by row.
TEST_P(KicadSymCorpus, ScanAgreesWithTheDocumentReader)
{
    QStringList files{GetParam()};
    if (QFileInfo(GetParam()).isDir()) {
        files.clear();
        for (const QFileInfo &f : QDir(GetParam()).entryInfoList({QStringLiteral("*.kicad_sym")}))
            files << f.filePath();
    }
    for (const QString &file : files) {
        SCOPED_TRACE(file.toStdString());
        expectSameCut(fileBytes(file));
    }
}

// Layouts no corpus file has, cut alike by both readers.
class KicadSymLayout : public testing::TestWithParam<const char *>
{
};

TEST_P(KicadSymLayout, ScanAgreesWithTheDocumentReader)
{
    expectSameCut(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Hand, KicadSymLayout,
    testing::Values(
        // the version after the rows, another header list, no final line end
        "(kicad_symbol_lib (generator \"x y\") (symbol \"A\") (future (a b))\n"
        "  (symbol \"B\") (version 20220914))",
        // CR LF and tabs; two rows on a line; a spaced (extends)
        "(kicad_symbol_lib (version 20211014) (generator e)\r\n\t(symbol \"P\")\r\n"
        "\t (symbol \"Q\" ( extends \"P\")) (symbol \"R\" (extends P))  \r\n)\r\n",
        // line ends inside strings, one escaped, before a later row's line
        "(kicad_symbol_lib (version 20211014) (generator e)\n  (symbol \"A\" (property \"D\" "
        "\"x\\\ny\nz\"))\n  (symbol \"B\")\n)\n",
        // a list spread over lines, repeated, then a row whose line must count them
        "(kicad_symbol_lib (version 20211014) (generator e)\n  (symbol \"A\"\n"
        "    (property \"R\" \"U\" (effects\n (font (size 1 1))\n hide))\n"
        "    (property \"V\" \"A\" (effects\n (font (size 1 1))\n hide))\n  )\n"
        "  (symbol \"B\" (property \"R\" \"U\" (effects\n (font (size 1 1))\n hide)))\n)\n"));

INSTANTIATE_TEST_SUITE_P(Corpus, KicadSymCorpus, testing::ValuesIn(kicadSymCorpus()),
                         [](const testing::TestParamInfo<QString> &i) {
                             QString n = i.param.section(u'/', -2);
                             n.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), "_");
                             return n.toStdString();
                         });

} // namespace
