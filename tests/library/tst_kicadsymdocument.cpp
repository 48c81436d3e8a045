// .kicad_sym libraries as documents: symbol texts renamed in place, the
// properties as descriptions, and the load and save commands writing the
// rows back in their version.
#include "kicadsym/kicadsymlibrary.h"
#include "library/dcmfile.h"
#include "library/kicadsymdocument.h"
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "tests/support/corpus.h"
#include "tests/support/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray sample = "  (symbol \"OLD\" (extends \"BASE\") (in_bom yes)\n"
                          "    (property \"Value\" \"OLD\" (id 1) (at 0 0 0))\n"
                          "    (property \"Footprint\" \"OLD\" (id 2) (at 0 0 0))\n"
                          "    (property \"ki_description\" \"Porta \\\"E\\\"\" (id 5))\n"
                          "    (property \"ki_keywords\" \"nand ttl\" (id 4))\n"
                          "    (property \"Datasheet\" \"~\" (id 3))\n"
                          "    (symbol \"OLD_1_1\" (pin input line (at 0 0 0) (length 1)))\n"
                          "    (symbol \"OLDER_1_1\")\n"
                          "  )\n";

TEST(KicadSymText, RenamesSymbolUnitsAndValueKeepingTheLayout)
{
    EXPECT_EQ(renameKicadSymText(sample, "N\"1"),
              "  (symbol \"N\\\"1\" (extends \"BASE\") (in_bom yes)\n"
              "    (property \"Value\" \"N\\\"1\" (id 1) (at 0 0 0))\n"
              "    (property \"Footprint\" \"OLD\" (id 2) (at 0 0 0))\n"
              "    (property \"ki_description\" \"Porta \\\"E\\\"\" (id 5))\n"
              "    (property \"ki_keywords\" \"nand ttl\" (id 4))\n"
              "    (property \"Datasheet\" \"~\" (id 3))\n"
              "    (symbol \"N\\\"1_1_1\" (pin input line (at 0 0 0) (length 1)))\n"
              "    (symbol \"OLDER_1_1\")\n"
              "  )\n");
    EXPECT_EQ(kicadSymParent(setKicadSymParent(sample, "NEW")), "NEW");
    // Text that does not read is left as typed.
    EXPECT_EQ(renameKicadSymText("(symbol \"A\"", "B"), "(symbol \"A\"");
}

TEST(KicadSymText, PropertiesAreTheDescription)
{
    const Descricao d = kicadSymDescricao("OLD", sample);
    EXPECT_EQ(d.descricao(), "Porta \"E\"");
    EXPECT_EQ(d.palavras(), "nand ttl");
    EXPECT_EQ(d.datasheet(), ""); // "~" is KiCad's none
    // KiCad 8 names it Description; the filter finds it through the usual entry.
    const QByteArray v8 = "(symbol \"X\" (property \"Description\" \"Relé\")\n"
                          "  (property \"Datasheet\" \"http://x\"))";
    const QList<Descricao> e = entradasDoComponente({}, "X", v8);
    ASSERT_EQ(e.size(), 1);
    EXPECT_EQ(e[0].descricao(), "Relé");
    EXPECT_EQ(e[0].datasheet(), "http://x");
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Copies a library (file or folder) into `dir`.
QString copyInto(const QString &from, const QTemporaryDir &dir)
{
    const QFileInfo info(from);
    const QString to = dir.filePath(info.fileName());
    if (info.isDir()) {
        QDir().mkpath(to);
        for (const QString &n : QDir(from).entryList(QDir::Files))
            QFile::copy(QDir(from).filePath(n), QDir(to).filePath(n));
    } else {
        QFile::copy(from, to);
    }
    for (const QFileInfo &f : QDir(to).entryInfoList(QDir::Files) + QList<QFileInfo>{QFileInfo(to)})
        if (f.isFile())
            QFile(f.filePath()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return to;
}

class KicadSymDocumentCorpus : public testing::TestWithParam<QString>
{
};

// Loaded into the edit pane and saved in place, a library is the same bytes;
// with a row renamed, only that row's symbol and file change.
TEST_P(KicadSymDocumentCorpus, SavesInPlaceByteForByte)
{
    QTemporaryDir dir;
    const QString path = copyInto(GetParam(), dir);
    const QByteArray before = QFileInfo(path).isDir() ? QByteArray() : bytesOf(path);
    LibraryDocument edit;
    ScriptedDialogs dialogs;
    dialogs.files.enqueue(path);
    ASSERT_TRUE(carregaEdicao(edit, dialogs).isDone())
        << dialogs.messageTexts().join(' ').toStdString();
    ASSERT_GT(edit.table().rowCount(), 0);
    ASSERT_TRUE(saveEditToItsFile(edit, dialogs).isDone())
        << dialogs.messageTexts().join(' ').toStdString();
    EXPECT_TRUE(dialogs.choices.isEmpty()); // in place: its own version, no question
    if (!QFileInfo(path).isDir())
        EXPECT_TRUE(bytesOf(path) == before);
    else
        for (const QString &n : QDir(path).entryList(QDir::Files))
            EXPECT_EQ(bytesOf(QDir(path).filePath(n)), bytesOf(QDir(GetParam()).filePath(n)))
                << n.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Corpus, KicadSymDocumentCorpus, testing::ValuesIn(kicadSymCorpus()),
                         [](const auto &info) {
                             QString n = QDir(info.param).dirName() +
                                         QFileInfo(info.param).absolutePath().section('/', -1);
                             n.replace(QRegularExpression("[^A-Za-z0-9]"), "_");
                             return n.toStdString();
                         });

const QByteArray smallV6 = "(kicad_symbol_lib (version 20211014) (generator kicad_symbol_editor)\n"
                           "  (symbol \"A\" (in_bom yes) (on_board yes)\n"
                           "    (property \"Reference\" \"U\" (id 0) (at 0 0 0)\n"
                           "      (effects (font (size 1.27 1.27)))\n"
                           "    )\n"
                           "  )\n"
                           ")\n";

// A row that does not read stops the save and is named; the file stays.
TEST(KicadSymDocument, RowThatDoesNotReadIsNotSaved)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.kicad_sym");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(smallV6);
    f.close();
    LibraryDocument edit;
    ScriptedDialogs dialogs;
    dialogs.files.enqueue(path);
    ASSERT_TRUE(carregaEdicao(edit, dialogs).isDone());
    edit.table().edit();
    edit.table().setField(ComponentTable::Field::Comandos, "  (symbol \"A\" (in_bom yes)\n");
    edit.table().post();
    const CommandResult r = saveEditToItsFile(edit, dialogs);
    ASSERT_TRUE(r.isFailed());
    EXPECT_TRUE(r.message.contains("A (linha 3, coluna 1: falta ')')")) << r.message.toStdString();
    EXPECT_EQ(bytesOf(path), smallV6);
}

// Saved as another version, the file reads back in it, and saving it again
// in place writes the same bytes.
TEST(KicadSymDocument, SaveAsAnotherVersionThenInPlace)
{
    QTemporaryDir dir;
    const QString path = copyInto(corpusDir() + "/../kicad-symbols-v6/power.kicad_sym", dir);
    LibraryDocument edit;
    ScriptedDialogs dialogs;
    dialogs.files.enqueue(path);
    ASSERT_TRUE(carregaEdicao(edit, dialogs).isDone());
    const QString v8 = dir.filePath("novo.kicad_sym");
    dialogs.files.enqueue(v8);
    dialogs.chosen.enqueue(2); // KiCad 8
    ASSERT_TRUE(salvaEdicao(edit, dialogs).isDone())
        << dialogs.messageTexts().join(' ').toStdString();
    ASSERT_EQ(dialogs.choices.size(), 1);
    EXPECT_EQ(dialogs.choices[0], "Salvar para qual versão do KiCad?: KiCad 6 (20211014) | KiCad 7 "
                                  "(20220914) | KiCad 8 (20231120) | KiCad 9 (20241209)");
    const QByteArray first = bytesOf(v8);
    const KicadSymRead read = readKicadSym(first);
    ASSERT_TRUE(read.ok()) << read.message().toStdString();
    EXPECT_EQ(read.library.version, 20231120);
    EXPECT_EQ(read.library.rows.size(), edit.table().rowCount());
    ASSERT_TRUE(saveEditToItsFile(edit, dialogs).isDone());
    EXPECT_TRUE(bytesOf(v8) == first);
}

} // namespace
