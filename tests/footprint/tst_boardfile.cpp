#include "footprint/boardfile.h"
#include "library/librarydocument.h"
#include "tests/footprint/tablelines.h"
#include "tests/support/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Dialogs::Button;
using Dialogs::Kind;

const QDateTime When(QDate(2024, 3, 7), QTime(9, 5, 3));
const QLocale English(QLocale::English, QLocale::UnitedStates);

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(BoardNameAndDates, Forms)
{
    EXPECT_EQ(nomePlaca(QStringLiteral("C:\\lib\\conn.lib")), QStringLiteral("C:\\lib\\conn.brd"));
    EXPECT_EQ(nomePlaca(QStringLiteral("/u/a.b/dev")), QStringLiteral("/u/a.b/dev.brd"));
    EXPECT_EQ(nomePlaca(QStringLiteral("nova")), QStringLiteral("nova.brd"));
    EXPECT_EQ(nomePlaca(QString()), QStringLiteral(".brd"));
    EXPECT_EQ(dataHoraPlaca(QDateTime(QDate(2031, 12, 25), QTime(23, 59, 58))),
              "25/12/2031-23:59:58");
    EXPECT_EQ(dataPlaca(QDate(2024, 11, 30), English), "30 Nov 2024");
    EXPECT_EQ(dataPlaca(When.date(), QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("7 März 2024").toLocal8Bit());
}

class BoardWriter : public ::testing::Test
{
protected:
    CommandResult run(const QString &caption = QStringLiteral("/libs/footprints.lib"))
    {
        doc.setTitulo(caption);
        return geraPlaca(doc, dialogs, When, English);
    }
    bool bulkPass() const { return doc.passagemEmMassa(); }

    QTemporaryDir dir;
    LibraryDocument doc;
    ComponentTable &table = doc.table();
    ScriptedDialogs dialogs;
};

TEST_F(BoardWriter, SeventyTwoLineExample)
{
    preenche(table, {{"A", "line one\rline  two\r"}, {"B", ""}});
    table.moveTo(1);
    const QString path = dir.filePath(QStringLiteral("guia.brd"));
    dialogs.files.enqueue(path);
    ASSERT_TRUE(run().isDone());

    ASSERT_EQ(dialogs.fileDialogs.size(), 1);
    const auto &options = dialogs.fileDialogs[0].options;
    EXPECT_TRUE(dialogs.fileDialogs[0].save);
    EXPECT_EQ(options.title, QStringLiteral("Salvar Placa Footprints"));
    EXPECT_EQ(options.presetName, QStringLiteral("/libs/footprints.brd"));
    EXPECT_EQ(options.initialFolder, QStringLiteral("."));
    EXPECT_EQ(options.defaultSuffix, QStringLiteral("brd"));
    EXPECT_TRUE(options.overwritePrompt);
    EXPECT_TRUE(options.filter.isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    const QList<QByteArray> expected = {
        "PCBNEW-BOARD Version 1 date 07/03/2024-09:05:03",
        "$GENERAL",
        "LayerCount 2",
        "Ly 1FFF8001",
        "Links 19",
        "NoConn 0",
        "Di 41690 27374 68060 41226",
        "Ndraw 0",
        "Ntrack 0",
        "Nzone 0",
        "Nmodule 0",
        "Nnets 0",
        "$EndGENERAL",
        "$SHEETDESCR",
        "Sheet A2 11700 8267",
        "Title \"Teste copista gerando guia de footprints\"",
        "Date \"7 Mar 2024\"",
        "Rev \"0.1\"",
        "Comp \"Ardevan\"",
        "Comment1 \"\"",
        "Comment2 \"\"",
        "Comment3 \"" + path.toLocal8Bit() + "\"",
        "Comment4 \"Gerado por copista.exe v 0.81 beta-teste\"",
        "$EndSHEETDESCR",
        "$SETUP",
        "InternalUnit 0.000100 INCH",
        "GridSize 50 50",
        "ZoneGridSize 100",
        "Layers 2",
        "TrackWidth 250",
        "TrackWidthHistory 250",
        "TrackClearence 60",
        "ZoneClearence 150",
        "DrawSegmWidth 150",
        "EdgeSegmWidth 150",
        "ViaSize 450",
        "ViaDrill 250",
        "ViaSizeHistory 450",
        "TextPcbWidth 170",
        "TextPcbSize 600 800",
        "EdgeModWidth 150",
        "TextModSize 600 600",
        "TextModWidth 120",
        "PadSize 600 600",
        "PadDrill 200",
        "AuxiliaryAxisOrg 0 0",
        "$EndSETUP",
        "$MODULE A",
        "line one",
        "line  two",
        "$EndMODULE A",
        "$MODULE B",
        "$EndMODULE B",
        "$DRAWSEGMENT",
        "Po 0 7800 5900 6100 5900 150",
        "De 28 0 900 0 0",
        "$EndDRAWSEGMENT",
        "$DRAWSEGMENT",
        "Po 0 7800 7850 7800 5900 150",
        "De 28 0 900 0 0",
        "$EndDRAWSEGMENT",
        "$DRAWSEGMENT",
        "Po 0 6100 7850 7800 7850 150",
        "De 28 0 900 0 0",
        "$EndDRAWSEGMENT",
        "$DRAWSEGMENT",
        "Po 0 6100 5900 6100 7850 150",
        "De 28 0 900 0 0",
        "$EndDRAWSEGMENT",
        "$TRACK",
        "$EndTRACK",
        "$EndBoard",
    };
    ASSERT_EQ(expected.size(), 72);

    const QByteArray file = readAll(path);
    ASSERT_TRUE(file.endsWith("\r\n"));
    const QList<QByteArray> lines = file.chopped(1).split('\n');
    ASSERT_EQ(lines.size(), expected.size());
    for (int i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(lines[i].endsWith('\r')) << "line " << i + 1;
        EXPECT_EQ(lines[i].chopped(1), expected[i]) << "line " << i + 1;
    }

    // The first row is current, the bulk pass over.
    EXPECT_EQ(table.currentRow(), 0);
    EXPECT_FALSE(bulkPass());
}

TEST_F(BoardWriter, NamesWithBlanksAndNoEdit)
{
    preenche(table, {{"MY CHIP 2", "DEF\r\nENDDEF"}});
    int edits = 0;
    QObject::connect(&table, &ComponentTable::afterEdit, [&] { ++edits; });
    const QString path = dir.filePath(QStringLiteral("with blank.brd"));
    dialogs.files.enqueue(path);
    ASSERT_TRUE(run().isDone());
    EXPECT_TRUE(readAll(path).contains(
        "\r\n$MODULE MY CHIP 2\r\nDEF\r\nENDDEF\r\n$EndMODULE MY CHIP 2\r\n"));
    EXPECT_EQ(edits, 0);
}

TEST_F(BoardWriter, EmptyLibraryAndCancelledDialog)
{
    EXPECT_TRUE(run().isFailed());
    EXPECT_EQ(dialogs.messageTexts(), QStringList({QStringLiteral("Biblioteca vazia!")}));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_TRUE(dialogs.fileDialogs.isEmpty());

    dialogs.messages.clear();
    preenche(table, {{"A", "x"}, {"B", "y"}});
    table.moveTo(1);
    EXPECT_TRUE(run(QStringLiteral("nova")).isCancelled());
    ASSERT_EQ(dialogs.fileDialogs.size(), 1);
    EXPECT_EQ(dialogs.fileDialogs[0].options.presetName, QStringLiteral("nova.brd"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(table.currentRow(), 0);
    EXPECT_FALSE(bulkPass());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(BoardWriter, FolderThatDoesNotExist)
{
    preenche(table, {{"A", "x"}, {"B", "y"}});
    table.moveTo(1);
    const QString path = dir.filePath(QStringLiteral("missing/guia.brd"));
    dialogs.files.enqueue(path);
    const CommandResult result = run();
    EXPECT_TRUE(result.isFailed());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(dialogs.messages[0].text, result.message);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(table.currentRow(), 0);
    EXPECT_FALSE(bulkPass());
}

} // namespace
