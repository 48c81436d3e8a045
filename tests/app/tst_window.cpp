#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

using Dialogs::Button;
using Dialogs::Kind;

TEST_F(WindowTest, StartState)
{
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Copista 0.10 (20071004z) - Criação/cópia de "
                                               "biblioteca de componentes p/KiCad"));
    EXPECT_EQ(w->pos(), QPoint(195, 107));
    EXPECT_EQ(w->centralWidget()->height(), 582);
    EXPECT_EQ(w->centralWidget()->width(), 800);
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

    EXPECT_TRUE(w->Panel5->text().isEmpty());
    EXPECT_TRUE(w->panel6->text().isEmpty());
    EXPECT_EQ(w->DBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(w->DBGrid2->model()->rowCount(), 0);
    EXPECT_EQ(w->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("nome_Componente"));
    EXPECT_EQ(w->TabControl1->tabText(w->TabControl1->currentIndex()),
              QStringLiteral("Componentes"));
    EXPECT_EQ(w->PageControl1->tabText(w->PageControl1->currentIndex()),
              QStringLiteral("Componentes"));
    EXPECT_EQ(w->Label1->text(), QStringLiteral("0"));
    EXPECT_EQ(w->Label2->text(), QStringLiteral("0"));
    EXPECT_FALSE(w->modificado);
    EXPECT_FALSE(w->passagemEmMassa);

    EXPECT_EQ(w->l_nome->text(), QStringLiteral("l_nome"));
    EXPECT_EQ(w->L_elementos->text(), QStringLiteral("Quantidade de  elementos (partes):"));
    EXPECT_EQ(w->L_pinos->text(), QStringLiteral("Descrições de Pinos: "));
    EXPECT_EQ(w->L_alias->text(), QStringLiteral("ALIAS:"));
    EXPECT_EQ(w->L_alias->size(), QSize(254, 75));
    EXPECT_TRUE(w->L_alias->wordWrap());

    EXPECT_EQ(w->TabControl1->size(), QSize(297, 228));
    EXPECT_EQ(w->PageControl1->size(), QSize(297, 228));
    EXPECT_EQ(w->ScrollBox1->size(), QSize(321, 264));
    EXPECT_EQ(w->ScrollBox2->size(), QSize(321, 264));
    EXPECT_EQ(w->DBGrid1->columnWidth(0), 261);
    EXPECT_EQ(w->textlistbox1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(w->DBRE_comp2->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(w->DBRE_comp2->isReadOnly());
}

TEST_F(WindowTest, CaptionsOfButtonsMenusAndPages)
{
    EXPECT_EQ(w->Button2->text(), QStringLiteral("Converter"));
    for (auto [b, caption] : {std::pair{w->BitBtn1, "+ Zoom"},
                              {w->BitBtn2, "- Zoom"},
                              {w->BitBtn3, "Normal"},
                              {w->BitBtn4, "+ Zoom"},
                              {w->BitBtn5, "- Zoom"},
                              {w->BitBtn6, "Normal"},
                              {w->BitBtn7, "Primeiro"},
                              {w->BitBtn8, "Proximo"},
                              {w->BitBtn9, "Anterior"},
                              {w->BitBtn10, "Último"}})
        EXPECT_EQ(b->text(), QString::fromUtf8(caption));
    EXPECT_EQ(w->SB_carregar->toolTip(), QStringLiteral("Carregar biblioteca"));
    EXPECT_EQ(w->RxSB_limpar->toolTip(), QStringLiteral("Nova biblioteca"));
    EXPECT_EQ(w->SB_salvar->toolTip(), QStringLiteral("Salvar ..."));
    EXPECT_EQ(w->RxSB_apagar->toolTip(), QStringLiteral("Apagar..."));
    EXPECT_EQ(w->RxSB_carregar2->toolTip(), QStringLiteral("Carregar origem"));
    EXPECT_EQ(w->RxSB_copiar->toolTip(), QStringLiteral("Copiar..."));

    const QList<QAction *> menus = w->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("Arquivo"));
    QStringList items;
    for (QAction *a : menus[0]->menu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, (QStringList{QStringLiteral("Carregar biblioteca de pesquisa..."),
                                  QStringLiteral("Carregar biblioteca para edição..."),
                                  QStringLiteral("Salvar biblioteca em edição"),
                                  QStringLiteral("Criar nova biblioteca para edição"),
                                  QStringLiteral("-"), QStringLiteral("Sair")}));
    QStringList popup;
    for (QAction *a : w->PopupMenu1->actions())
        popup << a->text();
    EXPECT_EQ(popup, (QStringList{QStringLiteral("Rotacionar ilha"),
                                  QStringLiteral("Sobrepor medida zero")}));

    QStringList editPages, searchPages;
    for (int i = 0; i < w->TabControl1->count(); ++i)
        editPages << w->TabControl1->tabText(i);
    for (int i = 0; i < w->PageControl1->count(); ++i)
        searchPages << w->PageControl1->tabText(i);
    EXPECT_EQ(editPages,
              (QStringList{"Componentes", "Comandos", "testes", QStringLiteral("Informações")}));
    EXPECT_EQ(searchPages, (QStringList{"Componentes", "Comandos", "testes"}));
}

TEST_F(WindowTest, HiddenControlsStayHidden)
{
    auto checkHidden = [&] {
        for (QWidget *c : std::initializer_list<QWidget *>{
                 w->RxSpeedButton2, w->RxSpeedButton4, w->Button1, w->RxSwitch1, w->Memo3,
                 w->RxSpeedButton1, w->RxSB_checar, w->Image4})
            EXPECT_FALSE(c->isVisible()) << c->objectName().toStdString();
        EXPECT_FALSE(w->TabControl1->isTabVisible(2));
        EXPECT_FALSE(w->PageControl1->isTabVisible(2));
        EXPECT_FALSE(w->RxSwitch1->isChecked());
    };
    checkHidden();
    loadEdit(corpusDir() + "/power.lib");
    loadSearch(corpusDir() + "/Device.lib");
    click(w->BitBtn8);
    click(w->RxSB_limpar);
    checkHidden();
    EXPECT_EQ(w->RxSpeedButton2->text(), QStringLiteral("XX----"));
    EXPECT_EQ(w->RxSpeedButton1->text(), QStringLiteral("PCB"));
    EXPECT_EQ(w->RxSB_checar->text(), QStringLiteral("Erros ?"));
    EXPECT_EQ(w->RxSwitch1->toolTip(), QStringLiteral("Apresentar textos"));
}

TEST_F(WindowTest, LoadingFillsThePaneSortedWithItsPathAndCount)
{
    const QString path = writeFile("lib.lib", library({"b", "A", "c"}));
    loadEdit(path);
    ASSERT_EQ(dialogs.fileDialogs.size(), 1);
    const auto &opts = dialogs.fileDialogs[0].options;
    EXPECT_FALSE(dialogs.fileDialogs[0].save);
    EXPECT_EQ(opts.filter, QStringLiteral("Bibliotecas|*.lib|Todos arquivos|*.*"));
    EXPECT_EQ(opts.defaultSuffix, QStringLiteral("lib"));
    EXPECT_TRUE(opts.presetName.isEmpty());

    EXPECT_EQ(w->Panel5->text(), path);
    EXPECT_EQ(w->Label1->text(), QStringLiteral("3"));
    ASSERT_EQ(w->DBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(w->DBGrid1->model()->index(0, 0).data().toString(), QStringLiteral("A"));
    EXPECT_EQ(w->DBGrid1->model()->index(2, 0).data().toString(), QStringLiteral("c"));
    EXPECT_EQ(w->DBGrid1->currentIndex().row(), 0);
    EXPECT_TRUE(editorText().startsWith(QStringLiteral("DEF A U 0 40")));
    // The final break of the text shows as an empty last line.
    EXPECT_TRUE(editorText().endsWith(QStringLiteral("ENDDEF\n")));
    EXPECT_FALSE(w->modificado);
    EXPECT_TRUE(w->panel6->text().isEmpty());
    EXPECT_EQ(w->Label2->text(), QStringLiteral("0"));

    // The next edit load presets the library last loaded.
    dialogs.files.enqueue(std::nullopt);
    click(w->SB_carregar);
    EXPECT_EQ(dialogs.fileDialogs.last().options.presetName, path);
}

TEST_F(WindowTest, MenuItemsDoWhatTheirButtonsDo)
{
    const QString path = writeFile("s.lib", library({"x", "y"}));
    dialogs.files.enqueue(path);
    w->Carregarbibliotecadepesquisa1->trigger();
    EXPECT_EQ(w->panel6->text(), path);
    EXPECT_EQ(w->Label2->text(), QStringLiteral("2"));
    dialogs.files.enqueue(path);
    w->Carregarbibliotecaparaedio1->trigger();
    EXPECT_EQ(w->Panel5->text(), path);
    EXPECT_EQ(w->Label1->text(), QStringLiteral("2"));

    const QString out = dir.filePath("out.lib");
    dialogs.files.enqueue(out);
    w->Salvarbibliotecaemedio1->trigger();
    EXPECT_TRUE(QFile::exists(out));
    w->Criarnovabibliotecaparaedio1->trigger();
    EXPECT_EQ(w->Panel5->text(), QStringLiteral("nova"));
    EXPECT_EQ(w->Label1->text(), QStringLiteral("0"));
}

TEST_F(WindowTest, CancelledLoadLeavesEverythingAsItWas)
{
    const QString path = writeFile("lib.lib", library({"a", "b"}));
    loadEdit(path);
    loadSearch(path);
    click(w->BitBtn8);
    const QString before = editorText();

    dialogs.files.enqueue(std::nullopt);
    click(w->SB_carregar);
    dialogs.files.enqueue(std::nullopt);
    click(w->RxSB_carregar2);

    EXPECT_EQ(w->RxMD_comp.rowCount(), 2);
    EXPECT_EQ(w->RxMD_comp.currentRow(), 1);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 1);
    EXPECT_EQ(editorText(), before);
    EXPECT_EQ(w->Panel5->text(), path);
    EXPECT_EQ(w->panel6->text(), path);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(WindowTest, SearchDialogRemembersItsOwnLastChoice)
{
    const QString a = writeFile("a.lib", library({"a"}));
    const QString b = writeFile("b.lib", library({"b"}));
    loadSearch(a);
    loadEdit(b);
    dialogs.files.enqueue(std::nullopt);
    click(w->RxSB_carregar2);
    EXPECT_EQ(dialogs.fileDialogs.last().options.presetName, a);
}

TEST_F(WindowTest, LoadFailureShowsTheReasonAndLeavesAnEmptyResumedTable)
{
    loadEdit(writeFile("ok.lib", library({"a", "b"})));
    const QString missing = dir.filePath("does-not-exist.lib");
    loadEdit(missing);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_EQ(dialogs.messages[0].buttons, Dialogs::Buttons(Button::Ok));
    EXPECT_FALSE(dialogs.messages[0].text.isEmpty());
    EXPECT_EQ(w->RxMD_comp.rowCount(), 0);
    EXPECT_TRUE(w->Panel5->text().endsWith("ok.lib"));
    EXPECT_FALSE(w->RxMD_comp.notificationsSuspended());
    EXPECT_EQ(w->Label1->text(), QStringLiteral("0"));
    EXPECT_TRUE(editorText().isEmpty());

    // A folder chosen as a file.
    loadSearch(dir.path());
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].kind, Kind::Error);
    EXPECT_TRUE(w->panel6->text().isEmpty());
    EXPECT_FALSE(w->RxMD_comp2.notificationsSuspended());
}

TEST_F(WindowTest, NewLibraryAsksBeforeDiscardingChanges)
{
    loadEdit(writeFile("lib.lib", library({"a", "b"})));
    // Any key in the command editor counts as a change.
    w->TabControl1->setCurrentIndex(1);
    w->textlistbox1->setFocus();
    QTest::keyClick(w->textlistbox1, Qt::Key_Down);
    EXPECT_TRUE(w->modificado);

    dialogs.answers.enqueue(Button::Cancel);
    click(w->RxSB_limpar);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Biblioteca atual modificada, descartar?"));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Warning);
    EXPECT_EQ(dialogs.messages[0].buttons, Button::Yes | Button::Cancel);
    EXPECT_EQ(w->RxMD_comp.rowCount(), 2);
    EXPECT_TRUE(w->modificado);
    EXPECT_NE(w->Panel5->text(), QStringLiteral("nova"));

    dialogs.answers.enqueue(Button::Yes);
    click(w->RxSB_limpar);
    EXPECT_EQ(w->RxMD_comp.rowCount(), 0);
    EXPECT_FALSE(w->modificado);
    EXPECT_EQ(w->Panel5->text(), QStringLiteral("nova"));
    EXPECT_EQ(w->Label1->text(), QStringLiteral("0"));

    // Without changes there is no prompt.
    click(w->RxSB_limpar);
    EXPECT_EQ(dialogs.messages.size(), 2);
}

TEST_F(WindowTest, EditLoadAsksWhenModifiedButSearchLoadNever)
{
    const QString path = writeFile("lib.lib", library({"a"}));
    loadEdit(path);
    w->modificado = true;
    loadSearch(path);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(w->modificado);

    dialogs.answers.enqueue(Button::Cancel);
    click(w->SB_carregar);
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.fileDialogs.size(), 2); // no dialog after Cancel
    EXPECT_TRUE(w->modificado);

    dialogs.answers.enqueue(Button::Yes);
    loadEdit(path);
    EXPECT_FALSE(w->modificado);
    EXPECT_EQ(w->RxMD_comp.rowCount(), 1);
}

TEST_F(WindowTest, NavigationMovesBothTablesIndependently)
{
    loadEdit(writeFile("e.lib", library({"e1", "e2"})));
    loadSearch(writeFile("s.lib", library({"s1", "s2", "s3", "s4"})));

    click(w->BitBtn8);
    EXPECT_EQ(w->RxMD_comp.currentRow(), 1);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 1);
    click(w->BitBtn8); // the edit table is at its end; only the search table moves
    EXPECT_EQ(w->RxMD_comp.currentRow(), 1);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 2);
    EXPECT_TRUE(searchText().startsWith("DEF s3 "));
    EXPECT_TRUE(editorText().startsWith("DEF e2 "));
    EXPECT_EQ(w->DBGrid2->currentIndex().row(), 2);

    click(w->BitBtn10);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 3);
    click(w->BitBtn8); // no wrap
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 3);
    click(w->BitBtn9);
    EXPECT_EQ(w->RxMD_comp.currentRow(), 0);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 2);
    click(w->BitBtn7);
    EXPECT_EQ(w->RxMD_comp.currentRow(), 0);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 0);
    click(w->BitBtn9);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 0);

    // With an empty edit library the search table still moves.
    click(w->RxSB_limpar);
    click(w->BitBtn8);
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 1);
    EXPECT_EQ(w->RxMD_comp.rowCount(), 0);
}

TEST_F(WindowTest, PickingARowInTheGridMakesItCurrent)
{
    loadSearch(writeFile("s.lib", library({"s1", "s2", "s3"})));
    w->DBGrid2->setCurrentIndex(w->DBGrid2->model()->index(2, 0));
    EXPECT_EQ(w->RxMD_comp2.currentRow(), 2);
    EXPECT_TRUE(searchText().startsWith("DEF s3 "));
}

TEST_F(WindowTest, SaveWritesTheLibraryAndClearsTheFlag)
{
    const QString src = writeFile("src.lib", library({"b", "a"}));
    loadEdit(src);
    click(w->BitBtn8);
    w->modificado = true;
    const QString out = dir.filePath("saved.lib");
    dialogs.files.enqueue(out);
    click(w->SB_salvar);

    const auto &opts = dialogs.fileDialogs.last();
    EXPECT_TRUE(opts.save);
    EXPECT_EQ(opts.options.title, QStringLiteral("Salvar Biblioteca"));
    EXPECT_EQ(opts.options.defaultSuffix, QStringLiteral("lib"));
    EXPECT_EQ(opts.options.presetName, src);
    EXPECT_TRUE(opts.options.overwritePrompt);

    const QByteArray bytes = readFile(out);
    const QList<QByteArray> lines = bytes.split('\n');
    EXPECT_TRUE(lines[0].startsWith("EESchema-LIBRARY Version 2.3  Date:   "));
    EXPECT_TRUE(bytes.endsWith("ENDDEF\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
    EXPECT_LT(bytes.indexOf("DEF a "), bytes.indexOf("DEF b "));
    EXPECT_FALSE(w->modificado);
    EXPECT_EQ(w->Panel5->text(), out);
    EXPECT_FALSE(w->passagemEmMassa);
    EXPECT_EQ(w->RxMD_comp.currentRow(), 0);

    // A saved library is discarded without asking.
    click(w->RxSB_limpar);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // And the next save offers "nova".
    w->RxMD_comp.append();
    w->RxMD_comp.setField(ComponentTable::Field::Comandos, "DEF x\rENDDEF\r");
    w->RxMD_comp.post();
    dialogs.files.enqueue(std::nullopt);
    click(w->SB_salvar);
    EXPECT_EQ(dialogs.fileDialogs.last().options.presetName, QStringLiteral("nova"));
}

TEST_F(WindowTest, SavingAnEmptyLibraryIsRefusedWithoutADialog)
{
    click(w->SB_salvar);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Biblioteca vazia!"));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_TRUE(dialogs.fileDialogs.isEmpty());
}

TEST_F(WindowTest, CancelledSaveLeavesTheFirstRowCurrentAndTheFlagSet)
{
    loadEdit(writeFile("src.lib", library({"a", "b", "c"})));
    click(w->BitBtn10);
    w->modificado = true;
    dialogs.files.enqueue(std::nullopt);
    click(w->SB_salvar);
    EXPECT_EQ(w->RxMD_comp.currentRow(), 0);
    EXPECT_TRUE(w->modificado);
    EXPECT_FALSE(w->passagemEmMassa);
    EXPECT_TRUE(editorText().startsWith("DEF a "));
}

TEST_F(WindowTest, FailedSaveKeepsFlagCaptionAndOldFile)
{
    const QString src = writeFile("src.lib", library({"a"}));
    loadEdit(src);
    w->modificado = true;
    dialogs.files.enqueue(dir.filePath("no/such/folder/x.lib"));
    click(w->SB_salvar);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_FALSE(dialogs.messages[0].text.isEmpty());
    EXPECT_TRUE(w->modificado);
    EXPECT_EQ(w->Panel5->text(), src);
    EXPECT_FALSE(w->passagemEmMassa);
    EXPECT_FALSE(QFile::exists(dir.filePath("no")));
}

TEST_F(WindowTest, TextEditedInTheEditorIsSavedWithItsLines)
{
    loadEdit(writeFile("src.lib", library({"a"})));
    w->TabControl1->setCurrentIndex(1);
    w->textlistbox1->setFocus();
    QTextCursor c = w->textlistbox1->textCursor();
    c.movePosition(QTextCursor::End);
    w->textlistbox1->setTextCursor(c);
    // The caret is on the empty line after ENDDEF that the final break opens.
    QTest::keyClicks(w->textlistbox1, "# nota");
    EXPECT_TRUE(w->modificado);
    EXPECT_EQ(w->RxMD_comp.state(), ComponentTable::State::Edit);

    const QString out = dir.filePath("out.lib");
    dialogs.files.enqueue(out);
    click(w->SB_salvar);
    const QByteArray bytes = readFile(out);
    EXPECT_TRUE(bytes.endsWith("ENDDEF\r\n# nota\r\n")) << bytes.right(40).toStdString();
    EXPECT_EQ(w->RxMD_comp.state(), ComponentTable::State::Browse);
    EXPECT_TRUE(w->RxMD_comp.comandosAt(0).contains("ENDDEF\r\n# nota"));
}

TEST_F(WindowTest, EveryByteSurvivesTheEditor)
{
    QByteArray name = "X";
    QByteArray body;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != 26)
            body.append(char(b));
    const QByteArray lib = "DEF " + name + " U 0 40 Y Y 1 F N\n# " + body + "\nENDDEF\n";
    loadEdit(writeFile("bytes.lib", lib));
    ASSERT_EQ(w->RxMD_comp.rowCount(), 1);
    // Type a character and delete it again: the row is stored from the editor.
    w->TabControl1->setCurrentIndex(1);
    w->textlistbox1->setFocus();
    QTest::keyClick(w->textlistbox1, Qt::Key_A);
    QTest::keyClick(w->textlistbox1, Qt::Key_Backspace);
    click(w->BitBtn7);
    EXPECT_TRUE(w->RxMD_comp.comandosAt(0).contains("# " + body))
        << w->RxMD_comp.comandosAt(0).toHex().toStdString();
}

TEST_F(WindowTest, KeyInEmptyEditLibraryStartsARowDroppedWhenNothingTyped)
{
    w->TabControl1->setCurrentIndex(1);
    w->textlistbox1->setFocus();
    QTest::keyClick(w->textlistbox1, Qt::Key_Right);
    EXPECT_EQ(w->RxMD_comp.rowCount(), 1);
    EXPECT_EQ(w->RxMD_comp.state(), ComponentTable::State::Insert);
    EXPECT_FALSE(w->modificado);
    click(w->BitBtn7);
    EXPECT_EQ(w->RxMD_comp.rowCount(), 0);

    // Text typed then becomes the new row's command text.
    QTest::keyClicks(w->textlistbox1, "DEF");
    click(w->BitBtn7);
    ASSERT_EQ(w->RxMD_comp.rowCount(), 1);
    EXPECT_EQ(w->RxMD_comp.comandosAt(0), QByteArray("DEF"));
    EXPECT_TRUE(w->RxMD_comp.nameAt(0).isEmpty());
}

TEST_F(WindowTest, TypingInTheSearchViewerDoesNotSetTheFlag)
{
    loadSearch(writeFile("s.lib", library({"a"})));
    w->PageControl1->setCurrentIndex(1);
    w->DBRE_comp2->setFocus();
    QTest::keyClicks(w->DBRE_comp2, "zz");
    click(w->BitBtn7);
    EXPECT_FALSE(w->modificado);
    EXPECT_TRUE(w->RxMD_comp2.comandosAt(0).startsWith("zz"));
}

TEST_F(WindowTest, RenamingInTheGridSetsTheFlag)
{
    loadEdit(writeFile("e.lib", library({"a", "b"})));
    auto *model = w->DBGrid1->model();
    EXPECT_TRUE(model->flags(model->index(1, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(w->DBGrid2->model() &&
                 w->DBGrid2->editTriggers() != QAbstractItemView::NoEditTriggers);
    model->setData(model->index(1, 0), QStringLiteral("novo"));
    EXPECT_TRUE(w->modificado);
    click(w->BitBtn7);
    EXPECT_EQ(w->RxMD_comp.nameAt(1), QByteArray("novo"));
    // The DEF line still carries the old name: that is what a save writes.
    EXPECT_TRUE(w->RxMD_comp.comandosAt(1).startsWith("DEF b "));
}

TEST_F(WindowTest, ClosingAsksOnlyWithUnsavedChanges)
{
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    w->show();
    w->modificado = true;
    dialogs.answers.enqueue(Button::Cancel);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Biblioteca atual modificada, descartar?"));

    dialogs.answers.enqueue(Button::Yes);
    w->Sair1->trigger();
    EXPECT_FALSE(w->isVisible());
}
