// What the pane commands come to: done, cancelled (nothing reported as
// success) or failed with the message the user was shown.
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "tests/support/scripteddialogs.h"

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
