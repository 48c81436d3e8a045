#include "windowfixture.h"

#include <QAction>
#include <QApplication>
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
    // "[*]": Qt's mark for unsaved changes, shown only while there are some.
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Copista 0.10 (20071004z) - Criação/cópia de "
                                               "biblioteca de componentes p/KiCad[*]"));
    EXPECT_FALSE(w->isWindowModified());
    EXPECT_EQ(w->pos(), QPoint(195, 107));
    EXPECT_EQ(w->centralWidget()->size(), QSize(800, 582));

    EXPECT_TRUE(Panel5()->text().isEmpty());
    EXPECT_TRUE(panel6()->text().isEmpty());
    EXPECT_EQ(DBGrid1()->model()->rowCount(), 0);
    EXPECT_EQ(DBGrid2()->model()->rowCount(), 0);
    EXPECT_EQ(DBGrid1()->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("nome_Componente"));
    EXPECT_EQ(TabControl1()->tabText(TabControl1()->currentIndex()), QStringLiteral("Componentes"));
    EXPECT_EQ(PageControl1()->tabText(PageControl1()->currentIndex()),
              QStringLiteral("Componentes"));
    EXPECT_EQ(Label1()->text(), QStringLiteral("0"));
    EXPECT_EQ(Label2()->text(), QStringLiteral("0"));
    EXPECT_FALSE(edit.modificado());
    EXPECT_FALSE(edit.passagemEmMassa());

    EXPECT_EQ(l_nome()->text(), QStringLiteral("l_nome"));
    EXPECT_EQ(L_elementos()->text(), QStringLiteral("Quantidade de  elementos (partes):"));
    EXPECT_EQ(L_pinos()->text(), QStringLiteral("Descrições de Pinos: "));
    EXPECT_EQ(L_alias()->text(), QStringLiteral("ALIAS:"));
    EXPECT_TRUE(L_alias()->wordWrap());

    // Everything a user works with is on screen at the starting size.
    for (QWidget *shown : std::initializer_list<QWidget *>{
             TabControl1(), PageControl1(), ScrollBox1(), ScrollBox2(), Button2(), BitBtn1(),
             BitBtn6(), BitBtn7(), BitBtn10(), SB_salvar(), RxSB_copiar(), Label1(), Label2()}) {
        EXPECT_TRUE(shown->isVisible()) << shown->objectName().toStdString();
        const QRect onClient(shown->mapTo(w->centralWidget(), QPoint(0, 0)), shown->size());
        EXPECT_TRUE(w->centralWidget()->rect().contains(onClient))
            << shown->objectName().toStdString();
    }
    EXPECT_EQ(textlistbox1()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(DBRE_comp2()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(DBRE_comp2()->isReadOnly());
}

TEST_F(WindowTest, CaptionsOfButtonsMenusAndPages)
{
    EXPECT_EQ(Button2()->text(), QStringLiteral("Converter"));
    for (auto [b, caption] : {std::pair{BitBtn1(), "+ Zoom"},
                              {BitBtn2(), "- Zoom"},
                              {BitBtn3(), "Normal"},
                              {BitBtn4(), "+ Zoom"},
                              {BitBtn5(), "- Zoom"},
                              {BitBtn6(), "Normal"},
                              {BitBtn7(), "Primeiro"},
                              {BitBtn8(), "Proximo"},
                              {BitBtn9(), "Anterior"},
                              {BitBtn10(), "Último"}})
        EXPECT_EQ(b->text(), QString::fromUtf8(caption));
    EXPECT_EQ(SB_carregar()->toolTip(), QStringLiteral("Carregar biblioteca"));
    EXPECT_EQ(RxSB_limpar()->toolTip(), QStringLiteral("Nova biblioteca"));
    EXPECT_EQ(SB_salvar()->toolTip(), QStringLiteral("Salvar ..."));
    EXPECT_EQ(RxSB_apagar()->toolTip(), QStringLiteral("Apagar..."));
    EXPECT_EQ(RxSB_carregar2()->toolTip(), QStringLiteral("Carregar origem"));
    EXPECT_EQ(RxSB_copiar()->toolTip(), QStringLiteral("Copiar..."));

    const QList<QAction *> menus = w->menuBar()->actions();
    QStringList titles;
    // As shown: the mnemonic marks left out.
    for (QAction *m : menus)
        titles << m->text().remove(u'&');
    EXPECT_EQ(titles, (QStringList{"Arquivo", "Editar", "Exibir", "Ferramentas"}));
    auto items = [&](int menu) {
        QStringList texts;
        for (QAction *a : menus[menu]->menu()->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text().remove(u'&'));
        return texts;
    };
    EXPECT_EQ(items(0), (QStringList{QStringLiteral("Carregar biblioteca de pesquisa..."),
                                     QStringLiteral("Carregar pasta de pesquisa..."),
                                     QStringLiteral("Carregar biblioteca para edição..."),
                                     QStringLiteral("Salvar biblioteca em edição"),
                                     QStringLiteral("Salvar como..."),
                                     QStringLiteral("Criar nova biblioteca para edição"),
                                     QStringLiteral("Recentes"), QStringLiteral("-"),
                                     QStringLiteral("Sair")}));
    EXPECT_EQ(items(1),
              (QStringList{"Desfazer", "Refazer", "-", "Apagar componente", "Filtrar pesquisa"}));
    EXPECT_EQ(items(2), (QStringList{"Vista KiCad", "Mostrar pinos ocultos"}));
    EXPECT_EQ(
        items(3),
        (QStringList{QStringLiteral("Remover prefixo dos nomes"),
                     QStringLiteral("Copiar nome para os comandos"), QStringLiteral("Checar ilhas"),
                     QStringLiteral("Verificar biblioteca"),
                     QStringLiteral("Gerar placa (.brd)..."), QStringLiteral("Apresentar textos"),
                     QStringLiteral("Comparar com..."), QStringLiteral("Comparar com pasta..."),
                     QStringLiteral("Mostrar versão comparada")}));
    QStringList popup;
    for (QAction *a : PopupMenu1()->actions())
        popup << a->text();
    EXPECT_EQ(popup, (QStringList{QStringLiteral("Rotacionar ilha"),
                                  QStringLiteral("Sobrepor medida zero")}));

    QStringList editPages, searchPages;
    for (int i = 0; i < TabControl1()->count(); ++i)
        editPages << TabControl1()->tabText(i);
    for (int i = 0; i < PageControl1()->count(); ++i)
        searchPages << PageControl1()->tabText(i);
    EXPECT_EQ(editPages,
              (QStringList{"Componentes", "Comandos", "testes", QStringLiteral("Informações")}));
    EXPECT_EQ(searchPages, (QStringList{"Componentes", "Comandos", "testes"}));
}

TEST_F(WindowTest, HiddenControlsStayHidden)
{
    auto checkHidden = [&] {
        for (QWidget *c : std::initializer_list<QWidget *>{
                 RxSpeedButton2(), RxSpeedButton4(), Button1(), RxSwitch1(), Memo3(),
                 RxSpeedButton1(), RxSB_checar(), Image4()})
            EXPECT_FALSE(c->isVisible()) << c->objectName().toStdString();
        EXPECT_FALSE(TabControl1()->isTabVisible(2));
        EXPECT_FALSE(PageControl1()->isTabVisible(2));
        EXPECT_FALSE(RxSwitch1()->isChecked());
    };
    checkHidden();
    loadEdit(corpusDir() + "/power.lib");
    loadSearch(corpusDir() + "/Device.lib");
    click(BitBtn8());
    click(RxSB_limpar());
    checkHidden();
    EXPECT_EQ(RxSpeedButton2()->text(), QStringLiteral("XX----"));
    EXPECT_EQ(RxSpeedButton1()->text(), QStringLiteral("PCB"));
    EXPECT_EQ(RxSB_checar()->text(), QStringLiteral("Erros ?"));
    EXPECT_EQ(RxSwitch1()->toolTip(), QStringLiteral("Apresentar textos"));
}

TEST_F(WindowTest, LoadingFillsThePaneSortedWithItsPathAndCount)
{
    const QString path = writeFile("lib.lib", library({"b", "A", "c"}));
    loadEdit(path);
    ASSERT_EQ(dialogs.fileDialogs.size(), 1);
    const auto &opts = dialogs.fileDialogs[0].options;
    EXPECT_FALSE(dialogs.fileDialogs[0].save);
    EXPECT_EQ(opts.filter,
              QStringLiteral("Bibliotecas|*.lib;*.kicad_sym|KiCad 5 (*.lib)|*.lib|KiCad "
                             "6 e posteriores (*.kicad_sym)|*.kicad_sym|Todos "
                             "arquivos|*.*"));
    EXPECT_EQ(opts.defaultSuffix, QStringLiteral("lib"));
    EXPECT_TRUE(opts.presetName.isEmpty());

    EXPECT_EQ(Panel5()->text(), path);
    EXPECT_EQ(Label1()->text(), QStringLiteral("3"));
    ASSERT_EQ(DBGrid1()->model()->rowCount(), 3);
    EXPECT_EQ(DBGrid1()->model()->index(0, 0).data().toString(), QStringLiteral("A"));
    EXPECT_EQ(DBGrid1()->model()->index(2, 0).data().toString(), QStringLiteral("c"));
    EXPECT_EQ(DBGrid1()->currentIndex().row(), 0);
    EXPECT_TRUE(editorText().startsWith(QStringLiteral("DEF A U 0 40")));
    // The final break of the text shows as an empty last line.
    EXPECT_TRUE(editorText().endsWith(QStringLiteral("ENDDEF\n")));
    EXPECT_FALSE(edit.modificado());
    EXPECT_TRUE(panel6()->text().isEmpty());
    EXPECT_EQ(Label2()->text(), QStringLiteral("0"));

    // The next edit load presets the library last loaded.
    dialogs.files.enqueue(std::nullopt);
    click(SB_carregar());
    EXPECT_EQ(dialogs.fileDialogs.last().options.presetName, path);
}

TEST_F(WindowTest, MenuItemsDoWhatTheirButtonsDo)
{
    const QString path = writeFile("s.lib", library({"x", "y"}));
    dialogs.files.enqueue(path);
    Carregarbibliotecadepesquisa1()->trigger();
    EXPECT_EQ(panel6()->text(), path);
    EXPECT_EQ(Label2()->text(), QStringLiteral("2"));
    dialogs.files.enqueue(path);
    Carregarbibliotecaparaedio1()->trigger();
    EXPECT_EQ(Panel5()->text(), path);
    EXPECT_EQ(Label1()->text(), QStringLiteral("2"));

    const QString out = dir.filePath("out.lib");
    dialogs.files.enqueue(out);
    widget<QAction>("Salvarcomo1")->trigger();
    EXPECT_TRUE(QFile::exists(out));
    Criarnovabibliotecaparaedio1()->trigger();
    EXPECT_EQ(Panel5()->text(), QStringLiteral("nova"));
    EXPECT_EQ(Label1()->text(), QStringLiteral("0"));
}

TEST_F(WindowTest, CancelledLoadLeavesEverythingAsItWas)
{
    const QString path = writeFile("lib.lib", library({"a", "b"}));
    loadEdit(path);
    loadSearch(path);
    click(BitBtn8());
    const QString before = editorText();

    dialogs.files.enqueue(std::nullopt);
    click(SB_carregar());
    dialogs.files.enqueue(std::nullopt);
    click(RxSB_carregar2());

    EXPECT_EQ(edit.table().rowCount(), 2);
    EXPECT_EQ(edit.table().currentRow(), 1);
    EXPECT_EQ(search.table().currentRow(), 1);
    EXPECT_EQ(editorText(), before);
    EXPECT_EQ(Panel5()->text(), path);
    EXPECT_EQ(panel6()->text(), path);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(WindowTest, SearchDialogRemembersItsOwnLastChoice)
{
    const QString a = writeFile("a.lib", library({"a"}));
    const QString b = writeFile("b.lib", library({"b"}));
    loadSearch(a);
    loadEdit(b);
    dialogs.files.enqueue(std::nullopt);
    click(RxSB_carregar2());
    EXPECT_EQ(dialogs.fileDialogs.last().options.presetName, a);
}

TEST_F(WindowTest, LoadFailureShowsTheReasonAndLeavesThePaneAsItWas)
{
    loadEdit(writeFile("ok.lib", library({"a", "b"})));
    const QString missing = dir.filePath("does-not-exist.lib");
    loadEdit(missing);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_EQ(dialogs.messages[0].buttons, Dialogs::Buttons(Button::Ok));
    EXPECT_TRUE(dialogs.messages[0].text.contains(QDir::toNativeSeparators(missing)));
    EXPECT_EQ(edit.table().rowCount(), 2);
    EXPECT_TRUE(Panel5()->text().endsWith("ok.lib"));
    EXPECT_FALSE(edit.table().notificationsSuspended());
    EXPECT_EQ(Label1()->text(), QStringLiteral("2"));
    EXPECT_TRUE(editorText().startsWith(QStringLiteral("DEF a U")));

    // A folder chosen as a file.
    loadSearch(dir.path());
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].kind, Kind::Error);
    EXPECT_TRUE(panel6()->text().isEmpty());
    EXPECT_FALSE(search.table().notificationsSuspended());
}

TEST_F(WindowTest, NewLibraryAsksBeforeDiscardingChanges)
{
    loadEdit(writeFile("lib.lib", library({"a", "b"})));
    // Any key in the command editor counts as a change.
    TabControl1()->setCurrentIndex(1);
    textlistbox1()->setFocus();
    QTest::keyClick(textlistbox1(), Qt::Key_Down);
    EXPECT_TRUE(edit.modificado());

    dialogs.answers.enqueue(Button::Cancel);
    click(RxSB_limpar());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Biblioteca atual modificada, descartar?"));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Warning);
    EXPECT_EQ(dialogs.messages[0].buttons, Button::Yes | Button::Cancel);
    EXPECT_EQ(edit.table().rowCount(), 2);
    EXPECT_TRUE(edit.modificado());
    EXPECT_NE(Panel5()->text(), QStringLiteral("nova"));

    dialogs.answers.enqueue(Button::Yes);
    click(RxSB_limpar());
    EXPECT_EQ(edit.table().rowCount(), 0);
    EXPECT_FALSE(edit.modificado());
    EXPECT_EQ(Panel5()->text(), QStringLiteral("nova"));
    EXPECT_EQ(Label1()->text(), QStringLiteral("0"));

    // Without changes there is no prompt.
    click(RxSB_limpar());
    EXPECT_EQ(dialogs.messages.size(), 2);
}

TEST_F(WindowTest, EditLoadAsksWhenModifiedButSearchLoadNever)
{
    const QString path = writeFile("lib.lib", library({"a"}));
    loadEdit(path);
    edit.setModificado(true);
    loadSearch(path);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(edit.modificado());

    dialogs.answers.enqueue(Button::Cancel);
    click(SB_carregar());
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.fileDialogs.size(), 2); // no dialog after Cancel
    EXPECT_TRUE(edit.modificado());

    dialogs.answers.enqueue(Button::Yes);
    loadEdit(path);
    EXPECT_FALSE(edit.modificado());
    EXPECT_EQ(edit.table().rowCount(), 1);
}

TEST_F(WindowTest, NavigationMovesBothTablesIndependently)
{
    loadEdit(writeFile("e.lib", library({"e1", "e2"})));
    loadSearch(writeFile("s.lib", library({"s1", "s2", "s3", "s4"})));

    click(BitBtn8());
    EXPECT_EQ(edit.table().currentRow(), 1);
    EXPECT_EQ(search.table().currentRow(), 1);
    click(BitBtn8()); // the edit table is at its end; only the search table moves
    EXPECT_EQ(edit.table().currentRow(), 1);
    EXPECT_EQ(search.table().currentRow(), 2);
    EXPECT_TRUE(searchText().startsWith("DEF s3 "));
    EXPECT_TRUE(editorText().startsWith("DEF e2 "));
    EXPECT_EQ(DBGrid2()->currentIndex().row(), 2);

    click(BitBtn10());
    EXPECT_EQ(search.table().currentRow(), 3);
    click(BitBtn8()); // no wrap
    EXPECT_EQ(search.table().currentRow(), 3);
    click(BitBtn9());
    EXPECT_EQ(edit.table().currentRow(), 0);
    EXPECT_EQ(search.table().currentRow(), 2);
    click(BitBtn7());
    EXPECT_EQ(edit.table().currentRow(), 0);
    EXPECT_EQ(search.table().currentRow(), 0);
    click(BitBtn9());
    EXPECT_EQ(search.table().currentRow(), 0);

    // With an empty edit library the search table still moves.
    click(RxSB_limpar());
    click(BitBtn8());
    EXPECT_EQ(search.table().currentRow(), 1);
    EXPECT_EQ(edit.table().rowCount(), 0);
}

TEST_F(WindowTest, PickingARowInTheGridMakesItCurrent)
{
    loadSearch(writeFile("s.lib", library({"s1", "s2", "s3"})));
    DBGrid2()->setCurrentIndex(DBGrid2()->model()->index(2, 0));
    EXPECT_EQ(search.table().currentRow(), 2);
    EXPECT_TRUE(searchText().startsWith("DEF s3 "));
}

TEST_F(WindowTest, SaveWritesTheLibraryAndClearsTheFlag)
{
    const QString src = writeFile("src.lib", library({"b", "a"}));
    loadEdit(src);
    click(BitBtn8());
    edit.setModificado(true);
    const QString out = dir.filePath("saved.lib");
    dialogs.files.enqueue(out);
    click(SB_salvar());

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
    EXPECT_FALSE(edit.modificado());
    EXPECT_EQ(Panel5()->text(), out);
    EXPECT_FALSE(edit.passagemEmMassa());
    EXPECT_EQ(edit.table().currentRow(), 0);

    // A saved library is discarded without asking.
    click(RxSB_limpar());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // And the next save offers "nova".
    edit.table().append();
    edit.table().setField(ComponentTable::Field::Comandos, "DEF x\rENDDEF\r");
    edit.table().post();
    dialogs.files.enqueue(std::nullopt);
    click(SB_salvar());
    EXPECT_EQ(dialogs.fileDialogs.last().options.presetName, QStringLiteral("nova"));
}

TEST_F(WindowTest, SavingAnEmptyLibraryIsRefusedWithoutADialog)
{
    click(SB_salvar());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Biblioteca vazia!"));
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_TRUE(dialogs.fileDialogs.isEmpty());
}

TEST_F(WindowTest, CancelledSaveLeavesTheFirstRowCurrentAndTheFlagSet)
{
    loadEdit(writeFile("src.lib", library({"a", "b", "c"})));
    click(BitBtn10());
    edit.setModificado(true);
    dialogs.files.enqueue(std::nullopt);
    click(SB_salvar());
    EXPECT_EQ(edit.table().currentRow(), 0);
    EXPECT_TRUE(edit.modificado());
    EXPECT_FALSE(edit.passagemEmMassa());
    EXPECT_TRUE(editorText().startsWith("DEF a "));
}

TEST_F(WindowTest, FailedSaveKeepsFlagCaptionAndOldFile)
{
    const QString src = writeFile("src.lib", library({"a"}));
    loadEdit(src);
    edit.setModificado(true);
    dialogs.files.enqueue(dir.filePath("no/such/folder/x.lib"));
    click(SB_salvar());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
    EXPECT_FALSE(dialogs.messages[0].text.isEmpty());
    EXPECT_TRUE(edit.modificado());
    EXPECT_EQ(Panel5()->text(), src);
    EXPECT_FALSE(edit.passagemEmMassa());
    EXPECT_FALSE(QFile::exists(dir.filePath("no")));
}

TEST_F(WindowTest, TextEditedInTheEditorIsSavedWithItsLines)
{
    loadEdit(writeFile("src.lib", library({"a"})));
    TabControl1()->setCurrentIndex(1);
    textlistbox1()->setFocus();
    QTextCursor c = textlistbox1()->textCursor();
    c.movePosition(QTextCursor::End);
    textlistbox1()->setTextCursor(c);
    // The caret is on the empty line after ENDDEF that the final break opens.
    QTest::keyClicks(textlistbox1(), "# nota");
    EXPECT_TRUE(edit.modificado());
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Edit);

    const QString out = dir.filePath("out.lib");
    dialogs.files.enqueue(out);
    click(SB_salvar());
    const QByteArray bytes = readFile(out);
    EXPECT_TRUE(bytes.endsWith("ENDDEF\r\n# nota\r\n")) << bytes.right(40).toStdString();
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Browse);
    EXPECT_TRUE(edit.table().comandosAt(0).contains("ENDDEF\r\n# nota"));
}

TEST_F(WindowTest, EveryByteSurvivesTheEditor)
{
    QByteArray name = "X";
    QByteArray body;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != 26)
            body.append(char(b));
    const QByteArray lib =
        "EESchema-LIBRARY Version 2.4\nDEF " + name + " U 0 40 Y Y 1 F N\n# " + body + "\nENDDEF\n";
    loadEdit(writeFile("bytes.lib", lib));
    ASSERT_EQ(edit.table().rowCount(), 1);
    // Type a character and delete it again: the row is stored from the editor.
    TabControl1()->setCurrentIndex(1);
    textlistbox1()->setFocus();
    QTest::keyClick(textlistbox1(), Qt::Key_A);
    QTest::keyClick(textlistbox1(), Qt::Key_Backspace);
    click(BitBtn7());
    EXPECT_TRUE(edit.table().comandosAt(0).contains("# " + body))
        << edit.table().comandosAt(0).toHex().toStdString();
}

TEST_F(WindowTest, KeyInEmptyEditLibraryStartsARowDroppedWhenNothingTyped)
{
    TabControl1()->setCurrentIndex(1);
    textlistbox1()->setFocus();
    QTest::keyClick(textlistbox1(), Qt::Key_Right);
    EXPECT_EQ(edit.table().rowCount(), 1);
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Insert);
    EXPECT_FALSE(edit.modificado());
    click(BitBtn7());
    EXPECT_EQ(edit.table().rowCount(), 0);

    // Text typed then becomes the new row's command text.
    QTest::keyClicks(textlistbox1(), "DEF");
    click(BitBtn7());
    ASSERT_EQ(edit.table().rowCount(), 1);
    EXPECT_EQ(edit.table().comandosAt(0), QByteArray("DEF"));
    EXPECT_TRUE(edit.table().nameAt(0).isEmpty());
}

TEST_F(WindowTest, TypingInTheSearchViewerDoesNotSetTheFlag)
{
    loadSearch(writeFile("s.lib", library({"a"})));
    PageControl1()->setCurrentIndex(1);
    DBRE_comp2()->setFocus();
    QTest::keyClicks(DBRE_comp2(), "zz");
    click(BitBtn7());
    EXPECT_FALSE(edit.modificado());
    EXPECT_TRUE(search.table().comandosAt(0).startsWith("zz"));
}

TEST_F(WindowTest, RenamingInTheGridSetsTheFlag)
{
    loadEdit(writeFile("e.lib", library({"a", "b"})));
    auto *model = DBGrid1()->model();
    EXPECT_TRUE(model->flags(model->index(1, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(DBGrid2()->model() &&
                 DBGrid2()->editTriggers() != QAbstractItemView::NoEditTriggers);
    model->setData(model->index(1, 0), QStringLiteral("novo"));
    EXPECT_TRUE(edit.modificado());
    click(BitBtn7());
    EXPECT_EQ(edit.table().nameAt(1), QByteArray("novo"));
    // The DEF line takes the new name too: that is what a save writes.
    EXPECT_TRUE(edit.table().comandosAt(1).startsWith("DEF novo "));
}

TEST_F(WindowTest, ClosingAsksOnlyWithUnsavedChanges)
{
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    w->show();
    edit.setModificado(true);
    dialogs.answers.enqueue(Button::Cancel);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Biblioteca atual modificada, descartar?"));

    dialogs.answers.enqueue(Button::Yes);
    Sair1()->trigger();
    EXPECT_FALSE(w->isVisible());
}

TEST_F(WindowTest, PanesGrowWithTheWindowAndNeverShrinkBelowTheStartingSize)
{
    const QSize start = w->size();
    EXPECT_EQ(w->minimumSize(), start);
    auto sizes = [&] {
        return QList<QSize>{ScrollBox1()->size(), ScrollBox2()->size(), DBGrid1()->size(),
                            DBGrid2()->size()};
    };
    const QList<QSize> before = sizes();
    const int navigation = BitBtn8()->x();

    w->resize(1280, 900);
    QApplication::processEvents();
    const QList<QSize> after = sizes();
    for (qsizetype i = 0; i < before.size(); ++i) {
        EXPECT_GT(after[i].width(), before[i].width()) << i;
        EXPECT_GT(after[i].height(), before[i].height()) << i;
    }
    // The previews take more of the new height than the pages do.
    EXPECT_GT(after[0].height() - before[0].height(), after[2].height() - before[2].height());
    EXPECT_EQ(BitBtn8()->x(), navigation); // the navigation column keeps its width

    w->resize(400, 300);
    EXPECT_EQ(w->size(), start);
    w->showMaximized();
    QApplication::processEvents();
    EXPECT_TRUE(w->isMaximized());
}
