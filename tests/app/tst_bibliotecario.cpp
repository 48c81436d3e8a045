// The librarian's workflow in the real window: a folder as the search
// library, the filter, copying many rows, undo, descriptions, the tools menu.
#include "windowfixture.h"

#include "library/librarycommands.h"

#include <QDir>
#include <QLineEdit>
#include <QMenuBar>

namespace {

using Dialogs::Clash;

class Bibliotecario : public WindowTest
{
protected:
    // a.lib: R1 R2 U1, with R1 described; b.lib: R1 C1; junk.lib is no library.
    void loadFolder()
    {
        QDir(dir.path()).mkdir("pasta");
        writeFile("pasta/a.lib", library({"R2", "R1", "U1"}));
        writeFile("pasta/a.dcm", "EESchema-DOCLIB  Version 2.0\n#\n$CMP R1\nD resistor one\n"
                                 "K passive\n$ENDCMP\n#\n#End Doc Library\n");
        writeFile("pasta/b.lib", library({"R1", "C1"}));
        writeFile("pasta/junk.lib", "not a library\n");
        dialogs.files.enqueue(dir.filePath("pasta"));
        widget<QAction>("Carregarpastadepesquisa1")->trigger();
    }
    QStringList searchRows() const
    {
        QStringList rows;
        QAbstractItemModel *m = DBGrid2()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            rows << m->index(r, 0).data().toString() + "/" + m->index(r, 1).data().toString();
        return rows;
    }
    QStringList editNames() const
    {
        QStringList names;
        for (int r = 0; r < edit.table().rowCount(); ++r)
            names << QString::fromLatin1(edit.table().nameAt(r));
        return names;
    }
    void selectSearchRows(std::initializer_list<int> rows)
    {
        DBGrid2()->clearSelection();
        for (int r : rows)
            DBGrid2()->selectionModel()->select(DBGrid2()->model()->index(r, 0),
                                                QItemSelectionModel::Select |
                                                    QItemSelectionModel::Rows);
    }
};

TEST_F(Bibliotecario, FolderLoadsEveryLibrarySortedByNameThenLibrary)
{
    loadFolder();
    EXPECT_EQ(searchRows(), (QStringList{"C1/b", "R1/a", "R1/b", "R2/a", "U1/a"}));
    EXPECT_EQ(DBGrid2()->model()->headerData(1, Qt::Horizontal).toString(), "Biblioteca");
    EXPECT_EQ(panel6()->text(), QDir::toNativeSeparators(dir.filePath("pasta")));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains("junk.lib: não é uma biblioteca"));

    // A single library afterwards hides the column again.
    loadSearch(dir.filePath("pasta/b.lib"));
    EXPECT_EQ(DBGrid2()->model()->columnCount(), 1);
}

TEST_F(Bibliotecario, CancelledFolderLoadKeepsThePaneAsItWas)
{
    loadSearch(writeFile("one.lib", library({"X"})));
    QDir(dir.path()).mkdir("p");
    writeFile("p/a.lib", library({"A"}));
    QStringList skipped;
    const CommandResult r = carregaPasta(
        search, dir.filePath("p"), [](int, int) { return false; }, &skipped);
    EXPECT_TRUE(r.isCancelled());
    EXPECT_EQ(search.table().rowCount(), 1);
    EXPECT_EQ(search.table().nameAt(0), "X");
}

TEST_F(Bibliotecario, FilterShowsMatchingRowsAndCounts)
{
    loadFolder();
    auto *filter = widget<QLineEdit>("Filtro");
    struct
    {
        const char *pattern;
        int shown;
    } cases[] = {{"r", 3}, {"R?", 3}, {"*1", 4}, {"passive", 1}, {"[R]", 0}, {"*", 5}};
    for (const auto &c : cases) {
        filter->setText(QString::fromLatin1(c.pattern));
        EXPECT_EQ(DBGrid2()->model()->rowCount(), c.shown) << c.pattern;
        EXPECT_EQ(Label2()->text(), QStringLiteral("%1/5").arg(c.shown)) << c.pattern;
    }
    filter->setText("u1");
    EXPECT_EQ(search.table().nameAt(search.table().currentRow()), "U1");
    QTest::keyClick(filter, Qt::Key_Escape);
    EXPECT_TRUE(filter->text().isEmpty());
    EXPECT_EQ(Label2()->text(), "5");
    EXPECT_EQ(search.table().nameAt(search.table().currentRow()), "U1");
}

TEST_F(Bibliotecario, ManyRowsCopyAsOneStepAskingOnClashes)
{
    loadEdit(writeFile("edit.lib", library({"R1"})));
    loadFolder();
    dialogs.messages.clear();
    selectSearchRows({0, 1, 2, 4}); // C1, R1 (a), R1 (b), U1
    dialogs.clashAnswers.enqueue({Clash::Rename, false});
    dialogs.clashAnswers.enqueue({Clash::Skip, false});
    click(RxSB_copiar());
    EXPECT_EQ(dialogs.clashes, (QStringList{"R1", "R1"}));
    EXPECT_EQ(editNames(), (QStringList{"C1", "R1", "R1_1", "U1"}));
    EXPECT_TRUE(edit.table().comandosAt(2).startsWith("DEF R1_1 U 0 40"));
    EXPECT_EQ(edit.table().nameAt(edit.table().currentRow()), "U1");
    EXPECT_TRUE(edit.modificado());
    EXPECT_EQ(widget<QAction>("Desfazer1")->text(), "&Desfazer Copiar 4 componentes");

    widget<QAction>("Desfazer1")->trigger();
    EXPECT_EQ(editNames(), (QStringList{"R1"}));
    EXPECT_FALSE(edit.modificado()); // back to the loaded state
    widget<QAction>("Refazer1")->trigger();
    EXPECT_EQ(editNames(), (QStringList{"C1", "R1", "R1_1", "U1"}));

    // Cancel keeps nothing of that copy.
    selectSearchRows({0, 3});
    dialogs.clashAnswers.enqueue({Clash::Cancel, false});
    click(RxSB_copiar());
    EXPECT_EQ(editNames(), (QStringList{"C1", "R1", "R1_1", "U1"}));
}

TEST_F(Bibliotecario, DescriptionsTravelWithCopiesAndAreSaved)
{
    loadFolder();
    click(RxSB_limpar());
    search.table().moveTo(1); // R1 of a.lib
    click(RxSB_copiar());
    EXPECT_EQ(widget<QLabel>("L_descricao")->text(), QStringLiteral("Descrição: resistor one"));
    EXPECT_EQ(widget<QLabel>("L_palavras")->text(), QStringLiteral("Palavras-chave: passive"));

    const QString out = dir.filePath("novo.lib");
    dialogs.files.enqueue(out);
    click(SB_salvar());
    EXPECT_EQ(readFile(dir.filePath("novo.dcm")),
              "EESchema-DOCLIB  Version 2.0\r\n#\r\n$CMP R1\r\nD resistor one\r\nK passive\r\n"
              "$ENDCMP\r\n#\r\n#End Doc Library\r\n");
    EXPECT_FALSE(edit.modificado());

    // Deleting drops the description; undo brings both back.
    click(RxSB_apagar());
    EXPECT_TRUE(edit.descricoes().semEntradas());
    widget<QAction>("Desfazer1")->trigger();
    EXPECT_EQ(editNames(), (QStringList{"R1"}));
    ASSERT_NE(edit.descricoes().procura("R1"), nullptr);
    EXPECT_FALSE(edit.modificado()); // the saved state again
}

TEST_F(Bibliotecario, EditsAndRenamesAreStepsOfTheirOwn)
{
    loadEdit(writeFile("edit.lib", library({"A", "B"})));
    DBGrid1()->model()->setData(DBGrid1()->model()->index(1, 0), "Z");
    click(BitBtn7()); // stores the rename
    EXPECT_EQ(widget<QAction>("Desfazer1")->text(), "&Desfazer Renomear B");
    widget<QAction>("Desfazer1")->trigger();
    EXPECT_EQ(editNames(), (QStringList{"A", "B"}));
    EXPECT_FALSE(edit.modificado());
}

TEST_F(Bibliotecario, ToolsMenuRunsTheHiddenCommands)
{
    loadEdit(writeFile("dev.lib", library({"dev-R1"})));
    widget<QAction>("Removerprefixo1")->trigger();
    EXPECT_EQ(editNames(), (QStringList{"R1"}));
    widget<QAction>("Apresentartextos1")->trigger();
    EXPECT_TRUE(RxSwitch1()->isChecked());
    EXPECT_FALSE(RxSwitch1()->isVisible());
    widget<QAction>("Checarilhas1")->trigger();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("Final da pesquisa!"));
}

TEST_F(Bibliotecario, RecentLibrariesReopen)
{
    const QString path = writeFile("r.lib", library({"Q"}));
    loadSearch(path);
    auto *recent = widget<QMenu>("Recentes1");
    ASSERT_FALSE(recent->actions().isEmpty());
    EXPECT_EQ(recent->actions().first()->text(),
              QStringLiteral("Pesquisa: ") + QDir::toNativeSeparators(path));
    click(RxSB_carregar2()); // cancelled dialog: nothing changes
    search.table().clear();
    recent->actions().first()->trigger();
    EXPECT_EQ(search.table().rowCount(), 1);
}

} // namespace
