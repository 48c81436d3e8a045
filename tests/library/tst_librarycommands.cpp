// What the pane commands come to: done, cancelled (nothing reported as
// success) or failed with the message the user was shown.
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "tests/support/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Status = CommandResult::Status;

struct Case
{
    const char *name;
    std::optional<QString> chosen; // the open/save dialog's answer; relative to a temp folder
    bool modified;                 // the edit library holds changes before the command
    Dialogs::Button discard;       // the answer to the discard prompt, when asked
    Status load, save;
};

class Commands : public ::testing::TestWithParam<Case>
{
};

TEST_P(Commands, LoadAndSaveReportWhatHappened)
{
    const Case &c = GetParam();
    QTemporaryDir dir;
    QFile lib(dir.filePath("a.lib"));
    ASSERT_TRUE(lib.open(QIODevice::WriteOnly));
    lib.write("EESchema-LIBRARY Version 2.4\nDEF R R 0 0 N Y 1 F N\nENDDEF\n");
    lib.close();
    auto path = [&] { return c.chosen ? std::optional(dir.filePath(*c.chosen)) : std::nullopt; };

    LibraryDocument edit;
    edit.setModificado(c.modified);
    ScriptedDialogs dialogs;
    dialogs.answers.enqueue(c.discard);
    dialogs.files.enqueue(path());
    EXPECT_EQ(carregaEdicao(edit, dialogs).status, c.load);

    edit.table().append(); // something to save, whatever the load did
    edit.table().setField(ComponentTable::Field::Nome, "X");
    edit.table().post();
    dialogs.files.enqueue(path());
    const CommandResult saved = salvaEdicao(edit, dialogs);
    EXPECT_EQ(saved.status, c.save);
    if (saved.isFailed()) {
        EXPECT_EQ(dialogs.messageTexts().last(), saved.message);
    }
    EXPECT_FALSE(edit.passagemEmMassa());
}

INSTANTIATE_TEST_SUITE_P(
    Library, Commands,
    ::testing::Values(Case{"Loaded", QStringLiteral("a.lib"), false, Dialogs::Button::Ok,
                           Status::Done, Status::Done},
                      Case{"DialogCancelled", std::nullopt, false, Dialogs::Button::Ok,
                           Status::Cancelled, Status::Cancelled},
                      Case{"DiscardRefused", QStringLiteral("a.lib"), true, Dialogs::Button::Cancel,
                           Status::Cancelled, Status::Done},
                      Case{"MissingFileAndFolder", QStringLiteral("no/such.lib"), false,
                           Dialogs::Button::Ok, Status::Failed, Status::Failed}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

// ---------------------------------------------------------------------------
// Files that do not load, and files cut short.

namespace {

struct Refused
{
    const char *name;
    const char *file; // relative to a temporary folder; created from `bytes` unless null
    const char *bytes;
    qsizetype size; // of `bytes`, which may hold NULs
    const char *reason;
};

class RefusedLoad : public ::testing::TestWithParam<Refused>
{
};

TEST_P(RefusedLoad, LeavesThePaneAsItWasAndNamesFileAndReason)
{
    const Refused &c = GetParam();
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("pasta");
    QFile good(dir.filePath("good.lib"));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write("EESchema-LIBRARY Version 2.4\nDEF b U 0\nENDDEF\nDEF a U 0\nENDDEF\n");
    good.close();
    const QString bad = dir.filePath(c.file);
    if (c.bytes) {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes, c.size);
    }

    LibraryDocument edit;
    ScriptedDialogs dialogs;
    dialogs.files.enqueue(good.fileName());
    ASSERT_TRUE(carregaEdicao(edit, dialogs).isDone());
    edit.table().moveTo(1);
    edit.table().edit();
    edit.table().setField(ComponentTable::Field::Nome, "renamed");
    edit.table().post();
    const QString title = edit.titulo();
    ASSERT_TRUE(edit.modificado());
    ASSERT_EQ(edit.historico().count(), 1);

    dialogs.answers.enqueue(Dialogs::Button::Yes); // discard the changes
    dialogs.files.enqueue(bad);
    const CommandResult r = carregaEdicao(edit, dialogs);
    EXPECT_TRUE(r.isFailed());
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].kind, Dialogs::Kind::Error);
    EXPECT_EQ(dialogs.messages[1].text,
              QStringLiteral("Não foi possível carregar %1: %2.")
                  .arg(QDir::toNativeSeparators(bad), QString::fromUtf8(c.reason)));
    ASSERT_EQ(edit.table().rowCount(), 2);
    EXPECT_EQ(edit.table().nameAt(0), "a");
    EXPECT_EQ(edit.table().nameAt(1), "renamed");
    EXPECT_EQ(edit.titulo(), title);
    EXPECT_TRUE(edit.modificado());
    EXPECT_EQ(edit.historico().count(), 1);
    EXPECT_FALSE(edit.table().notificationsSuspended());
    EXPECT_EQ(edit.filePath(), good.fileName());
}

const char Png[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";

INSTANTIATE_TEST_SUITE_P(
    Library, RefusedLoad,
    ::testing::Values(Refused{"Missing", "no.lib", nullptr, 0, "o arquivo não existe"},
                      Refused{"Folder", "pasta", nullptr, 0, "é uma pasta, não um arquivo"},
                      Refused{"Empty", "empty.lib", "", 0,
                              "não é uma biblioteca de componentes (falta a linha de cabeçalho "
                              "EESchema-LIBRARY)"},
                      Refused{"PngRenamed", "image.lib", Png, sizeof Png - 1,
                              "não é uma biblioteca de componentes (falta a linha de cabeçalho "
                              "EESchema-LIBRARY)"},
                      Refused{"DefsWithoutHeader", "bare.lib", "DEF x U 0\nENDDEF\n", 17,
                              "não é uma biblioteca de componentes (falta a linha de cabeçalho "
                              "EESchema-LIBRARY)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TruncatedLoad, TheComponentCutShortIsLeftOutAndNamed)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("p");
    const QByteArray cut = "EESchema-LIBRARY Version 2.4\nDEF A U 0\nX 1\nENDDEF\n"
                           "DEF Half U 0\nF0 \"U\" 0 0\nX 1 2";
    for (const char *name : {"p/cut.lib", "p/whole.lib", "p/image.lib"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(name).endsWith("cut.lib")     ? cut
                : QByteArray(name).endsWith("whole.lib") ? cut + "\nENDDEF\n"
                                                         : QByteArray(Png, sizeof Png - 1));
    }

    // One file: the rest loads, a warning says which component was cut.
    LibraryDocument edit;
    ScriptedDialogs dialogs;
    dialogs.files.enqueue(dir.filePath("p/cut.lib"));
    EXPECT_TRUE(carregaEdicao(edit, dialogs).isDone());
    ASSERT_EQ(edit.table().rowCount(), 1);
    EXPECT_EQ(edit.table().nameAt(0), "A");
    EXPECT_EQ(edit.table().comandosAt(0), "DEF A U 0\rX 1\rENDDEF\r");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Dialogs::Kind::Warning);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("O arquivo %1 termina dentro do componente Half (falta o ENDDEF); "
                             "esse componente ficou de fora.")
                  .arg(QDir::toNativeSeparators(dir.filePath("p/cut.lib"))));

    // A folder: the image is skipped and named, the cut component named,
    // the other files load.
    LibraryDocument search;
    dialogs.files.enqueue(dir.filePath("p"));
    EXPECT_TRUE(carregaPastaPesquisa(search, dialogs).isDone());
    QList<QByteArray> names;
    for (int r = 0; r < search.table().rowCount(); ++r)
        names << search.table().nameAt(r);
    EXPECT_EQ(names, (QList<QByteArray>{"A", "A", "Half"}));
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].text,
              QStringLiteral("Arquivos ignorados:\nimage.lib: não é uma biblioteca de componentes "
                             "(falta a linha de cabeçalho EESchema-LIBRARY)\n\n"
                             "Componentes incompletos (sem ENDDEF), deixados de fora:\n"
                             "cut.lib: Half"));
}

} // namespace
