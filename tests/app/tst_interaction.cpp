// Driving the window with the keyboard and the mouse: undo and redo with a
// pending edit, drag and drop, the rows a copy takes, the search pane's
// description, shortcuts and mnemonics.
#include "windowfixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QSet>
#include <QSignalSpy>
#include <QTextCursor>

namespace {

class Interaction : public WindowTest
{
protected:
    // An item's text as shown, without its mnemonic marks.
    static QString shown(const QAction *a) { return a->iconText(); }
    QAction *undo() const { return widget<QAction>("Desfazer1"); }
    QAction *redo() const { return widget<QAction>("Refazer1"); }
    QStringList editNames() const
    {
        QStringList names;
        for (int r = 0; r < edit.table().rowCount(); ++r)
            names << QString::fromLatin1(edit.table().nameAt(r));
        return names;
    }
};

TEST_F(Interaction, UndoAndRedoNameWhatAPendingEditMakesThemDo)
{
    loadEdit(writeFile("e.lib", library({"A", "B"})));
    QTest::keyClicks(textlistbox1(), "#1 ");
    click(BitBtn8()); // stores "Editar A"
    undo()->trigger();
    EXPECT_EQ(shown(redo()), "Refazer Editar A");

    // Typing after undo: storing it would drop the redo step, so redo has
    // nothing to offer, and undo takes the typing back.
    QTest::keyClicks(textlistbox1(), "#2 ");
    EXPECT_FALSE(redo()->isEnabled());
    EXPECT_EQ(shown(redo()), "Refazer");
    EXPECT_EQ(shown(undo()), "Desfazer Editar A");
    undo()->trigger();
    EXPECT_TRUE(editorText().startsWith("DEF A "));
    EXPECT_EQ(shown(redo()), "Refazer Editar A");

    // After a copy: typing is what undo names and takes back first.
    loadSearch(writeFile("s.lib", library({"C&D"})));
    click(RxSB_copiar());
    EXPECT_EQ(shown(undo()), "Desfazer Copiar 1 componente");
    QTest::keyClicks(textlistbox1(), "#3 ");
    EXPECT_EQ(shown(undo()), "Desfazer Editar C&D");
    undo()->trigger();
    EXPECT_TRUE(editorText().startsWith("DEF C&D "));
    EXPECT_EQ(shown(undo()), "Desfazer Copiar 1 componente");
}

TEST_F(Interaction, RowsDroppedOnTheEditGridAreCopied)
{
    loadSearch(writeFile("s.lib", library({"P", "Q", "R"})));
    click(RxSB_limpar());
    QTableView *target = DBGrid1();
    auto dropAt = [&](const QList<int> &rows, QPoint at) {
        QModelIndexList dragged;
        for (int r : rows)
            dragged << DBGrid2()->model()->index(r, 0);
        std::unique_ptr<QMimeData> data(DBGrid2()->model()->mimeData(dragged));
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target->viewport(), &move);
        // The drag ends in a drop only where the view took the move.
        ASSERT_TRUE(move.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target->viewport(), &drop);
    };
    dropAt({0, 2}, target->viewport()->rect().center()); // the empty area
    EXPECT_EQ(editNames(), (QStringList{"P", "R"}));
    dropAt({1}, target->visualRect(target->model()->index(0, 0)).center()); // onto a row
    EXPECT_EQ(editNames(), (QStringList{"P", "Q", "R"}));
}

TEST_F(Interaction, CopyTakesTheRowTheKeyboardMovedTo)
{
    loadSearch(writeFile("s.lib", library({"P", "Q", "R"})));
    click(RxSB_limpar());
    QTest::mouseClick(DBGrid2()->viewport(), Qt::LeftButton, {},
                      DBGrid2()->visualRect(DBGrid2()->model()->index(0, 0)).center());
    QTest::keyClick(DBGrid2(), Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(DBGrid2(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_TRUE(searchText().startsWith("DEF R "));
    EXPECT_EQ(DBGrid2()->selectionModel()->selectedRows(),
              QModelIndexList{DBGrid2()->model()->index(2, 0)});

    // Ctrl+Space leaves the current row out of the selection: still the
    // row shown is copied.
    QTest::keyClick(DBGrid2(), Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(DBGrid2(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(searchText().startsWith("DEF Q "));
    click(RxSB_copiar());
    EXPECT_EQ(editNames(), (QStringList{"Q"}));
}

TEST_F(Interaction, SearchPaneDescribesTheComponentShown)
{
    QByteArray lib = library({"OPAMP", "R"});
    lib.replace("DEF OPAMP U 0 40 Y Y 1 F N\n", "DEF OPAMP U 0 40 Y Y 1 F N\nALIAS LM358\n");
    writeFile("s.dcm", "EESchema-DOCLIB  Version 2.0\n#\n$CMP OPAMP\nD dual op amp\nK amplifier\n"
                       "$ENDCMP\n#\n#End Doc Library\n");
    loadSearch(writeFile("s.lib", lib));
    auto *description = widget<QLabel>("searchDescription");
    ASSERT_NE(description, nullptr);
    click(BitBtn10()); // R: no description
    EXPECT_EQ(description->text(), QStringLiteral("Descrição: \nPalavras-chave: "));
    widget<QLineEdit>("Filtro")->setText("lm358"); // OPAMP, found by its alias
    EXPECT_EQ(description->text(),
              QStringLiteral("Descrição: dual op amp\nPalavras-chave: amplifier"));
}

TEST_F(Interaction, ShortcutsAreInTheMenusAndWork)
{
    // Every shortcut on a menu item; every menu and item with an Alt
    // mnemonic, none twice in a menu.
    QMap<QString, QString> keys; // shortcut -> item
    QList<QAction *> menus = w->menuBar()->actions();
    for (QList<QAction *> items : {menus, menus[0]->menu()->actions(), menus[1]->menu()->actions(),
                                   menus[2]->menu()->actions(), menus[3]->menu()->actions()}) {
        QSet<QChar> letters;
        for (QAction *a : items) {
            keys[a->shortcut().toString()] = a->objectName();
            const qsizetype at = a->text().indexOf(u'&');
            if (a->isSeparator())
                continue;
            ASSERT_GE(at, 0) << a->text().toStdString();
            EXPECT_FALSE(letters.contains(a->text()[at + 1].toLower())) << a->text().toStdString();
            letters.insert(a->text()[at + 1].toLower());
        }
    }
    EXPECT_EQ(keys.value("Ctrl+O"), "Carregarbibliotecaparaedio1");
    EXPECT_EQ(keys.value("Ctrl+S"), "Salvarbibliotecaemedio1");
    EXPECT_EQ(keys.value("Ctrl+N"), "Criarnovabibliotecaparaedio1");
    EXPECT_EQ(keys.value("Ctrl+Q"), "Sair1");
    EXPECT_EQ(keys.value("Ctrl+F"), "Filtrarpesquisa1");
    EXPECT_EQ(keys.value("Del"), "Apagarcomponente1");

    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    const QString path = writeFile("e.lib", library({"A", "B", "C"}));
    dialogs.files.enqueue(path);
    QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(editNames(), (QStringList{"A", "B", "C"}));
    QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(widget<QLineEdit>("Filtro")->hasFocus());

    // Delete takes the edit grid's selected rows, undoably; in an editor it
    // is a key.
    DBGrid1()->setFocus();
    QTest::keyClick(DBGrid1(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(DBGrid1(), Qt::Key_Delete);
    EXPECT_EQ(editNames(), (QStringList{"C"}));
    EXPECT_EQ(shown(undo()), "Desfazer Apagar 2 componentes");
    textlistbox1()->setFocus();
    textlistbox1()->moveCursor(QTextCursor::End);
    QTest::keyClick(textlistbox1(), Qt::Key_Delete);
    EXPECT_EQ(editNames(), (QStringList{"C"}));
    DBGrid1()->setFocus();
    QTest::keyClick(DBGrid1(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editNames(), (QStringList{"A", "B", "C"}));

    // Tab leaves the grid instead of moving along its rows.
    const int row = edit.table().currentRow();
    QTest::keyClick(DBGrid1(), Qt::Key_Tab);
    EXPECT_EQ(edit.table().currentRow(), row);
    EXPECT_FALSE(DBGrid1()->hasFocus());

    QSignalSpy saved(widget<QAction>("Salvarbibliotecaemedio1"), &QAction::triggered);
    QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(saved.size(), 1);
    QTest::keyClick(w.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(editNames().isEmpty());
    QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(widget<QMenu>("Editar1")->isVisible());
    QTest::keyClick(widget<QMenu>("Editar1"), Qt::Key_Escape);
    QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w->isVisible());
}

} // namespace
