// The editing and footprint commands as the user starts them from the window:
// the copy and delete buttons, the keys and pop-up menu of the command editor,
// and the hidden buttons of the pad checker, board writer and bulk renames.
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBlock>

using Dialogs::Button;
using Dialogs::Kind;

namespace {

const QByteArray Header = "EESchema-LIBRARY Version 2.4\n#encoding utf-8\n";

// Component P: two pad blocks (the first Dr line with a double blank, the
// second Sh line with extra blanks and a zero size X), then a Sh line too
// short to have a size Y.
const QByteArray ComponentP = "DEF P U 0 40 Y Y 1 F N\n"    // 0
                              "$PAD\n"                      // 1
                              "Sh \"1\" R 600 400 0 0 0\n"  // 2
                              "Dr  320 0 0\n"               // 3
                              "At STD N 00E0FFFF\n"         // 4
                              "Ne 0 \"\"\n"                 // 5
                              "Po -1000 0\n"                // 6
                              "$EndPAD\n"                   // 7
                              "$PAD\n"                      // 8
                              "Sh   \"2\"  R 0 500 0 0 0\n" // 9
                              "Dr 320 0 0\n"                // 10
                              "At STD N 00E0FFFF\n"         // 11
                              "Ne 0 \"\"\n"                 // 12
                              "Po 1000 0\n"                 // 13
                              "$EndPAD\n"                   // 14
                              "Sh \"3\" R 600\n"            // 15
                              "ENDDEF\n";                   // 16

QByteArray component(const QByteArray &name, const QByteArray &body = {})
{
    return "DEF " + name + " U 0 40 Y Y 1 F N\n" + body + "ENDDEF\n";
}

// A clean pad block.
QByteArray padBlock(const QByteArray &sh)
{
    return "$PAD\n" + sh + "\nDr 320 0 0\nAt STD N 00E0FFFF\nNe 0 \"\"\nPo -1000 0\n$EndPAD\n";
}

} // namespace

class EdicaoTest : public WindowTest
{
protected:
    // The command editor on its page with the caret in line `line`.
    void caretOn(int line, int column = 0)
    {
        TabControl1()->setCurrentIndex(1);
        textlistbox1()->setFocus();
        QTextCursor c(textlistbox1()->document()->findBlockByNumber(line));
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        textlistbox1()->setTextCursor(c);
    }

    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(textlistbox1(), key, mods);
    }

    QString line(int i) const { return textlistbox1()->document()->findBlockByNumber(i).text(); }

    static QStringList names(QTableView *grid)
    {
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, 0).data().toString();
        return out;
    }

    static QList<QByteArray> crlfLines(const QByteArray &bytes)
    {
        QList<QByteArray> out = bytes.split('\n');
        if (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        for (QByteArray &l : out) {
            EXPECT_TRUE(l.endsWith('\r')) << l.toStdString();
            l.chop(1);
        }
        return out;
    }

    // The edit pane as the user sees it agrees with the table: grid rows and
    // current row, editor text, row count label.
    void expectEditPaneOn(int row, const char *defLine)
    {
        EXPECT_EQ(edit.table().currentRow(), row);
        EXPECT_EQ(DBGrid1()->model()->rowCount(), edit.table().rowCount());
        EXPECT_EQ(DBGrid1()->currentIndex().row(), row);
        EXPECT_EQ(Label1()->text(), QString::number(edit.table().rowCount()));
        EXPECT_TRUE(editorText().startsWith(QLatin1String(defLine)))
            << editorText().left(40).toStdString();
    }

    // The information page names the component that the preview was last
    // drawn for.
    void expectInfoOn(const char *name) { EXPECT_EQ(l_nome()->text(), QLatin1String(name)); }

    void loadPads() { loadEdit(writeFile("pads.lib", Header + ComponentP + component("Q"))); }

    const Dialogs::Buttons ok{Button::Ok};
};

// ---- Copy and delete -------------------------------------------------------

TEST_F(EdicaoTest, CopyAppendsAtTheSortedPlaceAndShowsTheCopy)
{
    loadSearch(writeFile("s.lib", library({"x", "B", "R"})));
    // Into the empty edit library: the only row, current and shown.
    DBGrid2()->setCurrentIndex(DBGrid2()->model()->index(1, 0)); // R
    click(RxSB_copiar());
    EXPECT_EQ(names(DBGrid1()), QStringList{"R"});
    expectEditPaneOn(0, "DEF R ");
    expectInfoOn("R");
    EXPECT_EQ(edit.table().comandosAt(0), search.table().comandosAt(1));
    EXPECT_TRUE(edit.modificado());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Into a loaded library, with text typed into its current row: the typed
    // text is stored first, and each copy takes its sorted place.
    dialogs.answers.enqueue(Button::Yes); // discard the first copy
    loadEdit(writeFile("e.lib", library({"a", "c"})));
    EXPECT_FALSE(edit.modificado());
    DBGrid2()->setCurrentIndex(DBGrid2()->model()->index(0, 0)); // B
    caretOn(0);
    QTest::keyClicks(textlistbox1(), "#typed ");
    click(RxSB_copiar());
    EXPECT_EQ(names(DBGrid1()), (QStringList{"a", "B", "c"}));
    expectEditPaneOn(1, "DEF B ");
    expectInfoOn("B");
    EXPECT_TRUE(edit.modificado());
    EXPECT_TRUE(edit.table().comandosAt(0).startsWith("#typed DEF a "));
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Browse);

    DBGrid2()->setCurrentIndex(DBGrid2()->model()->index(2, 0)); // x
    click(RxSB_copiar());
    EXPECT_EQ(names(DBGrid1()), (QStringList{"a", "B", "c", "x"}));
    expectEditPaneOn(3, "DEF x ");
    EXPECT_EQ(dialogs.messages.size(), 1); // only the discard prompt
}

TEST_F(EdicaoTest, CopyOfANameThatExistsInAnotherCaseIsRefused)
{
    loadEdit(writeFile("e.lib", library({"a", "r", "z"})));
    loadSearch(writeFile("s.lib", library({"R"})));
    ASSERT_EQ(edit.table().currentRow(), 0);
    click(RxSB_copiar());

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Já existe um componente com este nome na biblioteca atual!"));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_EQ(dialogs.messages[0].buttons, ok);
    // The edit pane now shows the existing one; nothing was added.
    EXPECT_EQ(names(DBGrid1()), (QStringList{"a", "r", "z"}));
    expectEditPaneOn(1, "DEF r ");
    expectInfoOn("r");
    EXPECT_FALSE(edit.modificado());
}

TEST_F(EdicaoTest, CopyWithAnEmptySearchLibraryDoesNothing)
{
    loadEdit(writeFile("e.lib", library({"a", "b"})));
    click(BitBtn8());
    click(RxSB_copiar());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(names(DBGrid1()), (QStringList{"a", "b"}));
    expectEditPaneOn(1, "DEF b ");
    EXPECT_FALSE(edit.modificado());
}

TEST_F(EdicaoTest, DeleteKeepsGridEditorAndCountInStep)
{
    loadEdit(writeFile("e.lib", library({"a", "b", "c"})));
    click(BitBtn10());
    click(RxSB_apagar());
    EXPECT_EQ(names(DBGrid1()), (QStringList{"a", "b"}));
    expectEditPaneOn(1, "DEF b ");
    expectInfoOn("b");
    EXPECT_TRUE(edit.modificado());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // The first row, with text typed into it: the typed text goes with it
    // and the following row is shown.
    click(BitBtn7());
    caretOn(0);
    QTest::keyClicks(textlistbox1(), "#x ");
    click(RxSB_apagar());
    EXPECT_EQ(names(DBGrid1()), QStringList{"b"});
    expectEditPaneOn(0, "DEF b ");

    click(RxSB_apagar());
    EXPECT_EQ(DBGrid1()->model()->rowCount(), 0);
    EXPECT_EQ(Label1()->text(), QStringLiteral("0"));
    EXPECT_TRUE(editorText().isEmpty());
}

TEST_F(EdicaoTest, DeleteInAnEmptyEditLibraryDoesNothing)
{
    click(RxSB_apagar());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(edit.modificado());
    EXPECT_EQ(Label1()->text(), QStringLiteral("0"));
    EXPECT_TRUE(edit.table().isEmpty());
}

// ---- Pad tools from the editor's keys and pop-up menu -----------------------

TEST_F(EdicaoTest, F8RotatesTheCaretPadAndTwiceRestoresIt)
{
    loadPads();
    caretOn(2, 5);
    press(Qt::Key_F8);
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 400 600 0 0 0"));
    EXPECT_TRUE(edit.modificado());
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Edit);
    EXPECT_EQ(line(3), QStringLiteral("Dr  320 0 0"));
    // The caret stays on the line, so the next key acts on it again.
    press(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 600 400 0 0 0"));

    // The line of the end of a selection is the caret line; the spacing is
    // normalised.
    QTextCursor c(textlistbox1()->document()->findBlockByNumber(2));
    c.setPosition(textlistbox1()->document()->findBlockByNumber(9).position() + 3,
                  QTextCursor::KeepAnchor);
    textlistbox1()->setTextCursor(c);
    press(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(line(9), QStringLiteral("Sh \"2\" R 500 0 0 0 0"));
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 600 400 0 0 0"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.beeps, 0);
}

TEST_F(EdicaoTest, F7FillsTheZeroSizeOfTheCaretPad)
{
    loadPads();
    caretOn(9);
    press(Qt::Key_F7);
    EXPECT_EQ(line(9), QStringLiteral("Sh \"2\" R 500 500 0 0 0"));
    EXPECT_TRUE(edit.modificado());
    // Without a zero the line is only rebuilt.
    caretOn(2);
    press(Qt::Key_F7);
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 600 400 0 0 0"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(EdicaoTest, F10AndF9RewriteEveryPadAfterYes)
{
    loadPads();
    const QString before = editorText();
    caretOn(0);
    press(Qt::Key_F10);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Girar todas as ilhas? !!!"));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Information);
    EXPECT_EQ(dialogs.messages[0].buttons, Button::Yes | Button::No);
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Terminado o acerto!!!"));
    EXPECT_EQ(dialogs.messages[1].kind, Kind::Information);
    EXPECT_EQ(dialogs.messages[1].buttons, ok);
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 400 600 0 0 0"));
    EXPECT_EQ(line(9), QStringLiteral("Sh \"2\" R 500 0 0 0 0"));
    EXPECT_TRUE(edit.modificado());

    press(Qt::Key_F9);
    ASSERT_EQ(dialogs.messages.size(), 4);
    EXPECT_EQ(dialogs.messages[2].text, QStringLiteral("Trocar todos os tamanhos Zero? !!!"));
    EXPECT_EQ(dialogs.messages[2].kind, Kind::Information);
    EXPECT_EQ(dialogs.messages[2].buttons, Button::Yes | Button::No);
    EXPECT_EQ(dialogs.messages[3].text, QStringLiteral("Terminado o acerto!!!"));
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 400 600 0 0 0"));
    EXPECT_EQ(line(9), QStringLiteral("Sh \"2\" R 500 500 0 0 0"));

    // Every other line is as it was, the short Sh line included.
    QStringList was = before.split(u'\n'), now = editorText().split(u'\n');
    ASSERT_EQ(now.size(), was.size());
    for (int i = 0; i < was.size(); ++i) {
        if (i != 2 && i != 9) {
            EXPECT_EQ(now[i], was[i]) << i;
        }
    }
    EXPECT_EQ(line(15), QStringLiteral("Sh \"3\" R 600"));
}

TEST_F(EdicaoTest, F9AnsweredNoChangesNothingButLeavesTheRowInEdit)
{
    loadPads();
    const QString before = editorText();
    caretOn(9);
    dialogs.answers.enqueue(Button::No);
    press(Qt::Key_F9);
    dialogs.answers.enqueue(Button::No);
    press(Qt::Key_F10);
    EXPECT_EQ(dialogs.messageTexts(),
              (QStringList{"Trocar todos os tamanhos Zero? !!!", "Girar todas as ilhas? !!!"}));
    EXPECT_EQ(editorText(), before);
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Edit);
    EXPECT_TRUE(edit.modificado());
}

TEST_F(EdicaoTest, CaretOffAPadLineIsRefused)
{
    loadPads();
    const QString before = editorText();
    for (int l : {1, 3, 15, 16}) { // $PAD, Dr, a Sh line without size Y, ENDDEF
        for (Qt::Key key : {Qt::Key_F8, Qt::Key_F7}) {
            dialogs.messages.clear();
            caretOn(l, 2);
            press(key);
            ASSERT_EQ(dialogs.messages.size(), 1) << l;
            EXPECT_EQ(dialogs.messages[0].text,
                      QStringLiteral("Cursor não está em uma definição de ilha !!!"));
            EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
            EXPECT_EQ(dialogs.messages[0].buttons, ok);
        }
    }
    EXPECT_EQ(editorText(), before);
    // The empty line the final break opens.
    dialogs.messages.clear();
    caretOn(17);
    press(Qt::Key_F8);
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(editorText(), before);
    EXPECT_TRUE(edit.modificado()); // the key put the row into the edit state
}

TEST_F(EdicaoTest, PopupItemsDoWhatF8AndF7DoAndSetTheFlagThemselves)
{
    loadPads();
    QTextCursor c(textlistbox1()->document()->findBlockByNumber(2));
    textlistbox1()->setTextCursor(c);
    ASSERT_FALSE(edit.modificado());
    m_rot_ilha()->trigger();
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 400 600 0 0 0"));
    EXPECT_TRUE(edit.modificado());
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Edit);

    // Stored into the row when the table moves; the second row is untouched.
    click(BitBtn8());
    EXPECT_TRUE(edit.table().comandosAt(0).contains("\nSh \"1\" R 400 600 0 0 0\r\n"));
    EXPECT_FALSE(edit.table().comandosAt(0).contains("600 400"));
    click(BitBtn7());
    EXPECT_EQ(line(2), QStringLiteral("Sh \"1\" R 400 600 0 0 0"));

    edit.setModificado(false);
    textlistbox1()->setTextCursor(QTextCursor(textlistbox1()->document()->findBlockByNumber(9)));
    m_sob_zero()->trigger();
    EXPECT_EQ(line(9), QStringLiteral("Sh \"2\" R 500 500 0 0 0"));
    EXPECT_TRUE(edit.modificado());

    textlistbox1()->setTextCursor(QTextCursor(textlistbox1()->document()->findBlockByNumber(3)));
    m_rot_ilha()->trigger();
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList{QStringLiteral("Cursor não está em uma definição de ilha !!!")});
    // A right click in the editor opens the menu that holds the two items.
    TabControl1()->setCurrentIndex(1);
    const QPoint at(5, 5);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at,
                                textlistbox1()->viewport()->mapToGlobal(at));
    ASSERT_FALSE(PopupMenu1()->isVisible());
    QApplication::sendEvent(textlistbox1()->viewport(), &menuEvent);
    EXPECT_TRUE(PopupMenu1()->isVisible());
    EXPECT_EQ(PopupMenu1()->actions(), (QList<QAction *>{m_rot_ilha(), m_sob_zero()}));
    PopupMenu1()->hide();
}

TEST_F(EdicaoTest, TheRewrittenTextIsWhatGetsSaved)
{
    loadPads();
    caretOn(2);
    press(Qt::Key_F8);
    caretOn(9);
    press(Qt::Key_F7);
    const QString out = dir.filePath("out.lib");
    dialogs.files.enqueue(out);
    click(SB_salvar());
    const QList<QByteArray> lines = crlfLines(readFile(out));
    EXPECT_TRUE(lines.contains("Sh \"1\" R 400 600 0 0 0"));
    EXPECT_TRUE(lines.contains("Sh \"2\" R 500 500 0 0 0"));
    EXPECT_FALSE(lines.contains("Sh \"1\" R 600 400 0 0 0"));
    EXPECT_TRUE(lines.contains("Dr  320 0 0"));
    EXPECT_TRUE(lines.contains("Sh \"3\" R 600"));
    EXPECT_FALSE(edit.modificado());
}

TEST_F(EdicaoTest, KeysInAnEmptyEditLibraryStartAnInsertDroppedWhenNothingTyped)
{
    caretOn(0);
    press(Qt::Key_F8);
    EXPECT_EQ(edit.table().rowCount(), 1);
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Insert);
    EXPECT_FALSE(edit.modificado());
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList{QStringLiteral("Cursor não está em uma definição de ilha !!!")});
    press(Qt::Key_F10); // asks, rewrites nothing, ends
    EXPECT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Insert);
    click(BitBtn8());
    EXPECT_TRUE(edit.table().isEmpty());
    EXPECT_EQ(DBGrid1()->model()->rowCount(), 0);
    EXPECT_FALSE(edit.modificado());

    // A pad line typed into the empty library, then F8: the new row holds
    // the rotated line.
    caretOn(0);
    QTest::keyClicks(textlistbox1(), "Sh \"1\" R 10 20 0 0 0");
    press(Qt::Key_F8);
    EXPECT_EQ(line(0), QStringLiteral("Sh \"1\" R 20 10 0 0 0"));
    click(BitBtn7());
    ASSERT_EQ(edit.table().rowCount(), 1);
    EXPECT_EQ(edit.table().comandosAt(0), QByteArray("Sh \"1\" R 20 10 0 0 0"));
    EXPECT_EQ(Label1()->text(), QStringLiteral("1"));
}

// ---- Pad checker -----------------------------------------------------------

class CheckerTest : public EdicaoTest
{
protected:
    // A: a zero-size pad at line 3. B: clean. C: a DS line with 9 tokens at
    // line 1, then a pad block without its Po line (reports at 7 and 8).
    void loadChecked()
    {
        const QByteArray a =
            component("A", "DS 0 0 100 0 120 21\n" + padBlock("Sh \"1\" R 0 600 0 0 0"));
        const QByteArray b = component("B", padBlock("Sh \"5\" R 600 600 0 0 0"));
        const QByteArray c = component("C", "DS 0 0 100 0 120 21 7 8\n$PAD\n"
                                            "Sh \"9\" R 600 600 0 0 0\nDr 320 0 0\n"
                                            "At STD N 00E0FFFF\nNe 0 \"\"\n$EndPAD\n");
        loadEdit(writeFile("chk.lib", Header + c + a + b));
    }

    static QString zeroA()
    {
        return QStringLiteral("Erro na linha 3!!!!\rIlha retangular com tamanho zero !");
    }
    static QString dsC() { return QStringLiteral("Erro na linha 1!!!!"); }
    static QString poC() { return QStringLiteral("Erro na ilha (pad) 9 !!!!\rFaltou comando Po!"); }
    static QString endC()
    {
        return QStringLiteral("Erro na ilha (pad) 9 !!!!\rFaltou comando $EndPAD !");
    }
    static QString fim() { return QStringLiteral("Final da pesquisa!"); }

    void check(std::initializer_list<Button> answers)
    {
        dialogs.messages.clear();
        for (Button b : answers)
            dialogs.answers.enqueue(b);
        RxSB_checar()->click();
        EXPECT_TRUE(dialogs.answers.isEmpty());
        EXPECT_FALSE(edit.passagemEmMassa());
    }
};

TEST_F(CheckerTest, OkPutsTheCaretOnTheFaultyLineInTheEditor)
{
    loadChecked();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    DBGrid2()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), DBGrid2());
    check({Button::Ignore, Button::Ok});

    EXPECT_EQ(dialogs.messageTexts(), (QStringList{zeroA(), dsC()}));
    for (const auto &m : dialogs.messages) {
        EXPECT_EQ(m.kind, Kind::Warning);
        EXPECT_EQ(m.buttons, Button::Ok | Button::Abort | Button::Ignore);
    }
    EXPECT_EQ(dialogs.beeps, 1);
    // The table, grid and editor are on C; the caret after the first
    // character of its line 1, on the "Comandos" page, with the focus.
    expectEditPaneOn(2, "DEF C ");
    EXPECT_EQ(TabControl1()->currentIndex(), 1);
    EXPECT_EQ(TabControl1()->tabText(1), QStringLiteral("Comandos"));
    const QTextCursor c = textlistbox1()->textCursor();
    EXPECT_FALSE(c.hasSelection());
    EXPECT_EQ(c.position(), textlistbox1()->document()->findBlockByNumber(1).position() + 1);
    EXPECT_EQ(QApplication::focusWidget(), textlistbox1());
    EXPECT_FALSE(edit.modificado());
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Browse);

    // Run again: C is checked again from its line 0, to the end.
    check({Button::Ignore, Button::Ignore, Button::Ignore});
    EXPECT_EQ(dialogs.messageTexts(), (QStringList{dsC(), poC(), endC(), fim()}));
    EXPECT_EQ(dialogs.messages.last().kind, Kind::Information);
    EXPECT_EQ(dialogs.messages.last().buttons, ok);
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(edit.table().currentRow(), 2);
    EXPECT_EQ(TabControl1()->currentIndex(), 0);
}

TEST_F(CheckerTest, AbortStopsIgnoreGoesOnAndARunResumesAtTheCurrentComponent)
{
    loadChecked();
    TabControl1()->setCurrentIndex(1);
    check({Button::Abort});
    EXPECT_EQ(dialogs.messageTexts(), QStringList{zeroA()});
    expectEditPaneOn(0, "DEF A ");
    EXPECT_EQ(TabControl1()->currentIndex(), 0);
    EXPECT_EQ(dialogs.beeps, 0);

    // From B: A is not checked; every finding of C, then the end.
    click(BitBtn8());
    check({Button::Ignore, Button::Ignore, Button::Ignore});
    EXPECT_EQ(dialogs.messageTexts(), (QStringList{dsC(), poC(), endC(), fim()}));
    EXPECT_EQ(edit.table().currentRow(), 2);
    EXPECT_TRUE(edit.table().atEnd());

    // After a run to the end the next starts from the first component.
    check({Button::Abort});
    EXPECT_EQ(dialogs.messageTexts(), QStringList{zeroA()});
    expectEditPaneOn(0, "DEF A ");
    EXPECT_FALSE(edit.modificado());
}

TEST_F(CheckerTest, AFixMadeWithF7AtTheCaretIsSeenByTheNextRun)
{
    loadChecked();
    check({Button::Ok});
    EXPECT_EQ(dialogs.messageTexts(), QStringList{zeroA()});
    // The caret is on A's line 3: fill the zero and run again.
    press(Qt::Key_F7);
    EXPECT_EQ(line(3), QStringLiteral("Sh \"1\" R 600 600 0 0 0"));
    check({Button::Abort});
    EXPECT_EQ(dialogs.messageTexts(), QStringList{dsC()});
    EXPECT_TRUE(edit.modificado());
    // The walk stored the fix into A's row.
    EXPECT_TRUE(edit.table().comandosAt(0).contains("Sh \"1\" R 600 600 0 0 0"));
}

TEST_F(CheckerTest, EmptyLibraryAndCleanLibrary)
{
    RxSB_checar()->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Biblioteca vazia!"));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_EQ(dialogs.messages[0].buttons, ok);
    EXPECT_FALSE(edit.passagemEmMassa());

    loadEdit(writeFile("clean.lib", Header + component("A", padBlock("Sh \"1\" R 600 600 0 0 0")) +
                                        component("B", "DS 0 0 100 0 120 21\n")));
    check({});
    EXPECT_EQ(dialogs.messageTexts(), QStringList{fim()});
    expectEditPaneOn(1, "DEF B ");
    EXPECT_EQ(dialogs.beeps, 0);
}

// ---- Board writer ----------------------------------------------------------

TEST_F(EdicaoTest, BoardFileAfterALoadLeavesTheFlagClear)
{
    const QString path = writeFile("guia.lib", Header + component("b", "F0 \"U\" 0 50\n") +
                                                   component("a", "DRAW\nENDDRAW\n"));
    loadEdit(path);
    click(BitBtn10());
    const QString out = dir.filePath("guia-out.brd");
    dialogs.files.enqueue(out);
    RxSpeedButton1()->click();

    ASSERT_EQ(dialogs.fileDialogs.size(), 2);
    const auto &d = dialogs.fileDialogs.last();
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.options.title, QStringLiteral("Salvar Placa Footprints"));
    EXPECT_EQ(d.options.presetName, dir.filePath("guia.brd"));
    EXPECT_EQ(d.options.defaultSuffix, QStringLiteral("brd"));
    EXPECT_TRUE(d.options.overwritePrompt);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    const QList<QByteArray> lines = crlfLines(readFile(out));
    ASSERT_EQ(lines.size(), 47 + 6 + 5 + 19);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^PCBNEW-BOARD Version 1 date \\d\\d/\\d\\d/\\d{4}-"
                                          "\\d\\d:\\d\\d:\\d\\d$"))
            .match(QString::fromLatin1(lines[0]))
            .hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines[21], "Comment3 \"" + out.toLocal8Bit() + "\"");
    EXPECT_EQ(lines.mid(47, 10),
              (QList<QByteArray>{"$MODULE a", "DEF a U 0 40 Y Y 1 F N", "DRAW", "ENDDRAW", "ENDDEF",
                                 "$EndMODULE a", "$MODULE b", "DEF b U 0 40 Y Y 1 F N",
                                 "F0 \"U\" 0 50", "ENDDEF"}));
    EXPECT_EQ(lines[57], "$EndMODULE b");
    EXPECT_EQ(lines[58], "$DRAWSEGMENT");
    EXPECT_EQ(lines.last(), "$EndBoard");

    EXPECT_FALSE(edit.modificado());
    EXPECT_FALSE(edit.passagemEmMassa());
    // Grid, editor and preview on the first row.
    expectEditPaneOn(0, "DEF a ");
    expectInfoOn("a");
}

TEST_F(EdicaoTest, BoardFileAfterAnEditHoldsTheEditAndLeavesTheFlagSet)
{
    loadPads();
    caretOn(2);
    press(Qt::Key_F8);
    click(BitBtn8()); // stored into P; Q is current
    caretOn(0, 3);
    QTest::keyClicks(textlistbox1(), "X"); // Q's DEF line, typed, not yet stored
    const QString out = dir.filePath("p.brd");
    dialogs.files.enqueue(out);
    RxSpeedButton1()->click();
    const QList<QByteArray> lines = crlfLines(readFile(out));
    EXPECT_TRUE(lines.contains("Sh \"1\" R 400 600 0 0 0"));
    EXPECT_TRUE(lines.contains("DEFX Q U 0 40 Y Y 1 F N"));
    EXPECT_TRUE(edit.modificado());
    EXPECT_FALSE(edit.passagemEmMassa());
    expectEditPaneOn(0, "DEF P ");
}

TEST_F(EdicaoTest, BoardFileCancelledFailedOrEmpty)
{
    RxSpeedButton1()->click();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Biblioteca vazia!")});
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_TRUE(dialogs.fileDialogs.isEmpty());

    // After "nova" the proposed name is nova.brd; a cancelled dialog leaves
    // the first row current.
    click(RxSB_limpar());
    loadSearch(writeFile("s.lib", library({"a", "b", "c"})));
    for (int i = 0; i < 3; ++i) {
        click(RxSB_copiar());
        click(BitBtn8());
    }
    ASSERT_EQ(edit.table().currentRow(), 2);
    dialogs.messages.clear();
    RxSpeedButton1()->click();
    EXPECT_EQ(dialogs.fileDialogs.last().options.presetName, QStringLiteral("nova.brd"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    expectEditPaneOn(0, "DEF a ");
    EXPECT_TRUE(edit.modificado());
    EXPECT_FALSE(edit.passagemEmMassa());

    // A folder that does not exist: an error box, no file.
    click(BitBtn10());
    const QString bad = dir.filePath("no/such/folder/x.brd");
    dialogs.files.enqueue(bad);
    RxSpeedButton1()->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_EQ(dialogs.messages[0].buttons, ok);
    EXPECT_FALSE(dialogs.messages[0].text.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("no")));
    expectEditPaneOn(0, "DEF a ");
    EXPECT_FALSE(edit.passagemEmMassa());
}

// ---- Bulk renames ----------------------------------------------------------

TEST_F(EdicaoTest, PrefixRemovalUsesTheLoadedFileName)
{
    loadEdit(writeFile("dev.lib", library({"dev-R1", "DEV-R2", "Dev-R3", "x-dev-y"})));
    RxSpeedButton2()->click();
    EXPECT_EQ(names(DBGrid1()), (QStringList{"R1", "R2", "Dev-R3", "x-y"}));
    EXPECT_TRUE(edit.modificado());
    expectEditPaneOn(3, "DEF x-dev-y ");
    expectInfoOn("x-y");
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Browse);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(EdicaoTest, PrefixRemovalWithoutACaptionRemovesEveryHyphen)
{
    loadSearch(writeFile("s.lib", library({"A-B-C"})));
    click(RxSB_copiar());
    edit.setModificado(false);
    RxSpeedButton2()->click();
    EXPECT_EQ(names(DBGrid1()), QStringList{"ABC"});
    EXPECT_TRUE(edit.modificado());
}

TEST_F(EdicaoTest, NameCopyFillsThePlaceholdersOfEveryRow)
{
    const QByteArray body = "F1 \">NAME\" 0 0\nT 0 0 0 >name\nT 0 0 0 >Name >NaMe >NAME1\n";
    loadEdit(writeFile("n.lib",
                       Header + component("U7", body) + component("V8", body) + component("W9")));
    // A placeholder typed into the current row is stored first and filled.
    click(BitBtn10());
    caretOn(1);
    QTest::keyClicks(textlistbox1(), ">Name ");
    edit.setModificado(false);
    RxSpeedButton4()->click();

    EXPECT_TRUE(edit.modificado());
    expectEditPaneOn(2, "DEF W9 ");
    EXPECT_EQ(line(1), QStringLiteral("W9 ENDDEF"));
    const QList<QByteArray> u7 = edit.table().comandosAt(0).split('\r');
    EXPECT_EQ(u7.mid(1, 3),
              (QList<QByteArray>{"F1 \"U7\" 0 0", "T 0 0 0 U7", "T 0 0 0 U7 >NaMe U71"}));
    EXPECT_TRUE(edit.table().comandosAt(1).contains("F1 \"V8\" 0 0\rT 0 0 0 V8\r"));
    EXPECT_EQ(names(DBGrid1()), (QStringList{"U7", "V8", "W9"}));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(EdicaoTest, BulkRenamesOnAnEmptyLibraryChangeNothing)
{
    RxSpeedButton2()->click();
    RxSpeedButton4()->click();
    EXPECT_FALSE(edit.modificado());
    EXPECT_TRUE(edit.table().isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(Label1()->text(), QStringLiteral("0"));
}
