#include "footprint/padtools.h"
#include "library/librarydocument.h"
#include "tests/footprint/tablelines.h"

#include <gtest/gtest.h>

namespace {

using Dialogs::Button;

std::string str(const std::optional<QByteArray> &line)
{
    return line ? line->toStdString() : std::string("<refused>");
}

TEST(PadLine, RotationAndZeroFill)
{
    const auto once = giraIlha("Sh \"1\" R 600 400 0 0 0");
    EXPECT_EQ(str(once), "Sh \"1\" R 400 600 0 0 0");
    EXPECT_EQ(str(giraIlha(*once)), "Sh \"1\" R 600 400 0 0 0");

    EXPECT_EQ(str(sobrepoeZero("Sh \"1\" R 0 600 0 0 0")), "Sh \"1\" R 600 600 0 0 0");
    EXPECT_EQ(str(sobrepoeZero("Sh \"1\" R 600 0 0 0 0")), "Sh \"1\" R 600 600 0 0 0");
    EXPECT_EQ(str(sobrepoeZero("Sh \"1\" R 0 0 0 0 0")), "Sh \"1\" R 0 0 0 0 0");
    EXPECT_EQ(str(sobrepoeZero("Sh \"1\" R 0.0 500 0 0 0")), "Sh \"1\" R 0.0 500 0 0 0");
}

TEST(PadLine, RebuildSpacingAndQuotes)
{
    EXPECT_EQ(str(sobrepoeZero("  Sh   \"1 A\"  C 0 500 0 0 0")), "Sh \"1 A\" C 500 500 0 0 0");
    EXPECT_EQ(str(giraIlha("Sh 1 R 600 400 0 0 0")), "Sh \"1\" R 400 600 0 0 0");
    EXPECT_EQ(str(giraIlha("Sh \"1\" R 6 4 0 0 \"9 0\"")), "Sh \"1\" R 4 6 0 0 9 0 ");
    EXPECT_EQ(str(giraIlha("Sh \"1\" R 6 4 0 0 0   ")), "Sh \"1\" R 4 6 0 0 0 ");
    EXPECT_EQ(str(giraIlha("Sh \"\" O 10 20 a b c d")), "Sh \"\" O 20 10 a b c d");
}

TEST(PadLine, RefusedLines)
{
    QByteArray tooLong = "Sh \"1\" R 600 400";
    for (int i = 0; i < 300; ++i)
        tooLong += " 7";
    for (const QByteArray &line : {QByteArray("$PAD"), QByteArray("Dr 320 0 0"),
                                   QByteArray("sh \"1\" R 6 4 0 0 0"), QByteArray(),
                                   // Fewer than five tokens: no size Y.
                                   QByteArray("Sh \"1\" R 0"), QByteArray("Sh \"1\" R 600 "),
                                   QByteArray("Sh \"1\" R \"600\""), tooLong}) {
        EXPECT_FALSE(giraIlha(line)) << line.left(40).toStdString();
        EXPECT_FALSE(sobrepoeZero(line)) << line.left(40).toStdString();
    }
    EXPECT_EQ(str(sobrepoeZero("Sh \"1\" R 0 5")), "Sh \"1\" R 5 5");
}

class PadTools : public ::testing::Test
{
protected:
    void SetUp() override
    {
        preenche(table, {{"P", "$PAD\rSh \"1\" R 600 400 0 0 0\rDr 320 0 0\rSh 2 R 0 500 0 0 0\r"
                               " Dr  1  2 \rSh \"3\" R 0\r"}});
    }
    QByteArray text() const { return table.field(ComponentTable::Field::Comandos); }

    LibraryDocument doc;
    ComponentTable &table = doc.table();
    TableLines editor{table};
    ScriptedDialogs dialogs;
};

TEST_F(PadTools, CaretLine)
{
    editor.caret = 1;
    giraIlhaDoCursor(doc, editor, dialogs);
    EXPECT_TRUE(doc.modificado());
    editor.caret = 3;
    sobrepoeZeroDoCursor(doc, editor, dialogs);
    table.post();
    EXPECT_EQ(text(),
              "$PAD\r\nSh \"1\" R 400 600 0 0 0\r\nDr 320 0 0\r\nSh \"2\" R 500 500 0 0 0\r\n"
              " Dr  1  2 \r\nSh \"3\" R 0");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    const QByteArray before = text();
    doc.setModificado(false);
    for (int caret : {0, 2, 5, 9}) {
        editor.caret = caret;
        giraIlhaDoCursor(doc, editor, dialogs);
        sobrepoeZeroDoCursor(doc, editor, dialogs);
    }
    EXPECT_EQ(text(), before);
    EXPECT_TRUE(doc.modificado()); // the row was put into the edit state all the same
    ASSERT_EQ(dialogs.messages.size(), 8);
    for (const auto &m : dialogs.messages) {
        EXPECT_EQ(m.kind, Dialogs::Kind::Error);
        EXPECT_EQ(m.text, QStringLiteral("Cursor não está em uma definição de ilha !!!"));
        EXPECT_EQ(m.buttons, Dialogs::Buttons(Button::Ok));
    }
}

TEST_F(PadTools, BulkToolsAskFirst)
{
    const QByteArray before = text();
    setAnswers(dialogs, {Button::No, Button::No});
    EXPECT_FALSE(troca_tam(doc, editor, dialogs));
    EXPECT_FALSE(troca_zero(doc, editor, dialogs));
    EXPECT_EQ(text(), before);
    EXPECT_EQ(table.state(), ComponentTable::State::Edit);
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList({"Girar todas as ilhas? !!!", "Trocar todos os tamanhos Zero? !!!"}));
    EXPECT_EQ(dialogs.messages[0].kind, Dialogs::Kind::Information);
    EXPECT_EQ(dialogs.messages[0].buttons, Button::Yes | Button::No);

    dialogs.messages.clear();
    setAnswers(dialogs, {Button::Yes, Button::Ok, Button::Yes, Button::Ok});
    EXPECT_TRUE(troca_tam(doc, editor, dialogs));
    EXPECT_TRUE(troca_zero(doc, editor, dialogs));
    // Only Sh lines with both sizes are rewritten.
    EXPECT_EQ(editor.lines(),
              QList<QByteArray>({"$PAD", "Sh \"1\" R 400 600 0 0 0", "Dr 320 0 0",
                                 "Sh \"2\" R 500 500 0 0 0", " Dr  1  2 ", "Sh \"3\" R 0"}));
    EXPECT_EQ(dialogs.messageTexts()[1], QStringLiteral("Terminado o acerto!!!"));
    EXPECT_EQ(dialogs.messageTexts()[3], QStringLiteral("Terminado o acerto!!!"));
}

} // namespace
