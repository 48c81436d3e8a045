#include "footprint/padchecker.h"
#include "library/librarydocument.h"
#include "tests/footprint/tablelines.h"

#include <gtest/gtest.h>

namespace {

using Dialogs::Button;
using Dialogs::Kind;

const QString CR(QChar(13));

QByteArray bloco(const QByteArray &nome)
{
    return "$PAD\rSh \"" + nome +
           "\" R 600 600 0 0 0\rDr 320 0 0\rAt STD N 00E0FFFF\rNe 0 \"\"\r"
           "Po -1000 0\r$EndPAD\r";
}

QString naIlha(const char *nome, const char *falta)
{
    return QStringLiteral("Erro na ilha (pad) ") + nome + " !!!!" + CR + falta;
}

class Checker : public ::testing::Test
{
protected:
    // Records the bulk pass flag each time a box opens.
    struct Boxes : ScriptedDialogs
    {
        explicit Boxes(const LibraryDocument &doc) : doc(doc) {}
        Button message(Kind kind, const QString &text, Dialogs::Buttons buttons) override
        {
            flagWhenShown.append(doc.passagemEmMassa());
            return ScriptedDialogs::message(kind, text, buttons);
        }
        const LibraryDocument &doc;
        QList<bool> flagWhenShown;
    };

    void SetUp() override
    {
        hooks.showPage = [this](int page) { pages.append(page); };
        hooks.focusEditor = [this] { ++focused; };
        hooks.lineStart = [](int line) { return line * 100; };
        hooks.setCaret = [this](int offset) { caret = offset; };
    }
    void run() { checaIlhas(doc, dialogs, hooks); }
    bool bulkPass() const { return doc.passagemEmMassa(); }
    // Every finding of a walk, answered with go on.
    QStringList findings()
    {
        QStringList found;
        percorreIlhas(doc, [&](const QString &text, int line) {
            EXPECT_TRUE(bulkPass());
            found << QString::number(line) + ": " + text;
            return Resposta::Continua;
        });
        return found;
    }

    LibraryDocument doc;
    ComponentTable &table = doc.table();
    Boxes dialogs{doc};
    CheckerHooks hooks;
    QList<int> pages;
    int focused = 0;
    int caret = -1;
};

TEST_F(Checker, CleanBlocksPass)
{
    preenche(table,
             {{"A", "$MODULE X\r" + bloco("1") + "DS -300 -200 300 -200 120 21\r" + bloco("2")},
              {"B", "X\r" + bloco("3") + "DA 1 2 3 4 5 6 7 8\rEND"}});
    int edits = 0;
    QObject::connect(&table, &ComponentTable::afterEdit, [&] { ++edits; });
    run();
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"Final da pesquisa!"}));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Information);
    EXPECT_EQ(dialogs.flagWhenShown, QList<bool>({false}));
    EXPECT_EQ(pages, QList<int>({0}));
    EXPECT_TRUE(table.atEnd());
    EXPECT_EQ(table.currentRow(), 1);
    EXPECT_EQ(edits, 0);

    table.clear();
    dialogs.messages.clear();
    run();
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"Biblioteca vazia!"}));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
}

TEST_F(Checker, ZeroSizeAndDrawingLines)
{
    preenche(table,
             {{"A", "X\rY\r$PAD\rSh \"1\" R 0 600 0 0 0\rDr 3 0 0\rAt S N 0\rNe 0 \"\"\rPo 0 0\r"
                    "$EndPAD\r$PAD\rSh \"2\" O 0 0 0 0 0\rDr 3 0 0\rAt S N 0\rNe 0 \"\"\rPo 0 0\r"
                    "$EndPAD\r"
                    "DS 1 2 3 4 5 6 7 8\r"   // 9 tokens: reported
                    "DA 1 2 3 4 5 6 7 8 9\r" // 10 tokens: reported
                    "DC 1 2 3 4 5 6 7 \r"    // count 9 (trailing blank): reported
                    "DC 1 2 3 4 5 6 7\rEND"}});
    EXPECT_EQ(findings(),
              QStringList({"3: Erro na linha 3!!!!" + CR + "Ilha retangular com tamanho zero !",
                           "16: Erro na linha 16!!!!", "17: Erro na linha 17!!!!",
                           "18: Erro na linha 18!!!!"}));
}

TEST_F(Checker, MissingDrCascadesAndIgnoreReachesAllFive)
{
    preenche(table, {{"A", "X\r$PAD\rSh \"7\" R 600 600 0 0 0\rAt STD N 0\rNe 0 \"\"\rPo 0 0\r"
                           "$EndPAD\rDS 1 2 3 4 5 6 7 8 9 10\rEND\r"}});
    setAnswers(dialogs,
               {Button::Ignore, Button::Ignore, Button::Ignore, Button::Ignore, Button::Ignore});
    run();
    // The DS line stands where $EndPAD belongs and is not examined again.
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList({naIlha("7", "Faltou comando Dr !"), naIlha("7", "Faltou comando At !"),
                           naIlha("7", "Faltou comando Ne !"), naIlha("7", "Faltou comando Po!"),
                           naIlha("7", "Faltou comando $EndPAD !"), "Final da pesquisa!"}));
    EXPECT_EQ(dialogs.messages[0].buttons, Button::Ok | Button::Abort | Button::Ignore);
    EXPECT_EQ(dialogs.flagWhenShown, QList<bool>(6, false));
}

TEST_F(Checker, ShortCommandsNameThePadBefore)
{
    preenche(
        table,
        {{"A", "X\r" + bloco("9")},
         {"B", "X\r$PAD\rSh \"1\" R 600 600 0 0\rDr 320 0\rAt STD N\rNe 0\rPo 0\r$EndPAD 1\rEND"}});
    EXPECT_EQ(findings(), QStringList({"2: Erro na linha 2!!!!" + CR + "Faltou comando Sh !",
                                       "3: " + naIlha("9", "Faltou comando Dr !"),
                                       "4: " + naIlha("9", "Faltou comando At !"),
                                       "5: " + naIlha("9", "Faltou comando Ne !"),
                                       "6: " + naIlha("9", "Faltou comando Po!")}));
}

TEST_F(Checker, LastLinesAndOneLineTexts)
{
    preenche(table, {{"A", "X\r$PAD\rSh \"5\" R 600 600 0 0 0\rDr 1 2 3"}, // lines past the end
                     {"B", "X\rY\r$PAD\r"}, // $PAD last: never examined
                     {"C", "DS 1 2 3 4 5 6 7 8 9 10\r"},
                     {"D", ""}});
    EXPECT_EQ(findings(), QStringList({"4: " + naIlha("5", "Faltou comando At !"),
                                       "5: " + naIlha("5", "Faltou comando Ne !"),
                                       "6: " + naIlha("5", "Faltou comando Po!"),
                                       "7: " + naIlha("5", "Faltou comando $EndPAD !")}));
}

TEST_F(Checker, AnswersAndResumption)
{
    preenche(
        table,
        {{"A", "X\rDS 1 2 3 4 5 6 7 8 9\rEND"},
         {"B", "X\r$PAD\rSh \"1\" R 600 600 0 0 0\rDr 3 0 0\rAt S N 0\rNe 0\rPo 0 0\r$EndPAD\r"},
         {"C", "X\rDC 1 2 3 4 5 6 7 8\rEND"}});
    const QString ne = naIlha("1", "Faltou comando Ne !");
    table.moveTo(1); // starts at the current component
    setAnswers(dialogs, {Button::Ok});
    run();
    EXPECT_EQ(dialogs.messageTexts(), QStringList({ne}));
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(pages, QList<int>({0, 1}));
    EXPECT_EQ(focused, 1);
    EXPECT_EQ(caret, 501); // behind the first character of line 5
    EXPECT_EQ(table.currentRow(), 1);
    EXPECT_FALSE(bulkPass());

    // Abort stops without touching the editor; the next run checks the
    // same component again from its line 0.
    dialogs.messages.clear();
    setAnswers(dialogs, {Button::Abort, Button::Ignore, Button::Ignore});
    run();
    run();
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList({ne, ne, "Erro na linha 1!!!!", "Final da pesquisa!"}));
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(pages, QList<int>({0, 1, 0, 0}));

    // After a run to the end the next one starts from the first component.
    dialogs.messages.clear();
    setAnswers(dialogs, {Button::Abort});
    run();
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"Erro na linha 1!!!!"}));
    EXPECT_EQ(table.currentRow(), 0);
}

TEST_F(Checker, ReadsTheLinesTheEditorShows)
{
    preenche(table, {{"A", "X\rY\r"}, {"B", "X\rY\r"}});
    hooks.lines = [this]() -> QList<QByteArray> {
        if (table.currentRow() == 0) // typed, not yet stored
            return {"X", "DA 1 2 3 4 5 6 7 8 9", "Y"};
        return linhas(table.field(ComponentTable::Field::Comandos));
    };
    setAnswers(dialogs, {Button::Abort});
    run();
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"Erro na linha 1!!!!"}));
}

} // namespace
