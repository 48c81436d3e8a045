#include "windowfixture.h"

#include "app/imageview.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

const QByteArray Header = "EESchema-LIBRARY Version 2.4\n";

// A component with a known drawing: a 200 x 200 mil box, two counted pins
// (conversion 0 and 1) and one of the alternate body style, an alias line.
QByteArray boxComponent(const QByteArray &name, const QByteArray &parts)
{
    return "DEF " + name + " U 0 40 Y Y " + parts +
           " F N\n"
           "F0 \"U\" 0 150 50 H V C CNN\n"
           "ALIAS " +
           name + "A " + name +
           "B\n"
           "DRAW\n"
           "S -100 100 100 -100 0 1 0 N\n"
           "X A 1 -200 0 100 R 50 50 1 1 I\n"
           "X B 2 200 0 100 L 50 50 1 0 O\n"
           "X C 3 0 200 100 D 50 50 1 2 I\n"
           "ENDDRAW\nENDDEF\n";
}

// An arc whose end angle is not above its start: drawn "invertida".
QByteArray arcComponent(const QByteArray &name)
{
    return "DEF " + name +
           " U 0 40 Y Y 1 F N\nDRAW\n"
           "S -100 100 100 -100 0 1 0 N\n"
           "A 0 0 50 900 0 0 1 0 N 0 50 50 0\n"
           "ENDDRAW\nENDDEF\n";
}

bool hasBlackPixel(const QImage &image, QSize extent)
{
    for (int y = 0; y < qMin(extent.height(), image.height()); ++y)
        for (int x = 0; x < qMin(extent.width(), image.width()); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0)
                return true;
    return false;
}

} // namespace

TEST_F(WindowTest, InformationPanelDescribesTheEditComponent)
{
    loadEdit(writeFile("e.lib", Header + boxComponent("CAIXA", "4")));
    EXPECT_EQ(l_nome()->text(), QStringLiteral("CAIXA"));
    EXPECT_EQ(L_elementos()->text(), QStringLiteral("Quantidade de elementos(partes): 4"));
    // Pins of conversion 0 and 1 count; the alternate body style does not.
    EXPECT_EQ(L_pinos()->text(), QStringLiteral("Descrições de Pinos: 2"));
    EXPECT_EQ(L_alias()->text(), QStringLiteral("ALIAS CAIXAA CAIXAB"));
    EXPECT_EQ(Label1()->text(), QStringLiteral("1"));

    // The preview shows the drawing: the box plus its 50-pixel margins.
    const PreviewImage *image = Image2()->image();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Image2()->size(), image->extent());
    EXPECT_GT(image->extent().width(), 100);
    EXPECT_LT(image->extent().width(), 400);
    EXPECT_TRUE(hasBlackPixel(w->analise().image2().bitmap(), image->extent()));
}

TEST_F(WindowTest, SearchPaneNeverTouchesTheInformationPanel)
{
    loadEdit(writeFile("e.lib", Header + boxComponent("EDIT", "2")));
    const QString pinos = L_pinos()->text();
    loadSearch(
        writeFile("s.lib", Header + boxComponent("BUSCA1", "7") + boxComponent("BUSCA2", "9")));
    click(BitBtn8());
    EXPECT_EQ(search.table().currentRow(), 1);
    EXPECT_EQ(l_nome()->text(), QStringLiteral("EDIT"));
    EXPECT_EQ(L_elementos()->text(), QStringLiteral("Quantidade de elementos(partes): 2"));
    EXPECT_EQ(L_pinos()->text(), pinos);
    EXPECT_EQ(Label2()->text(), QStringLiteral("2"));
}

TEST_F(WindowTest, ArcWordStaysInLabel1UntilTheEditPaneCountsAgain)
{
    loadEdit(writeFile("e.lib", Header + boxComponent("A1", "1") + boxComponent("A2", "1")));
    EXPECT_EQ(Label1()->text(), QStringLiteral("2"));
    loadSearch(writeFile("s.lib", Header + arcComponent("ARCO")));
    // The search pane's pass drew an arc and left its word.
    EXPECT_EQ(Label1()->text(), QStringLiteral("invertida"));
    EXPECT_EQ(Label2()->text(), QStringLiteral("1"));
    click(BitBtn8()); // the edit pane moves and writes its count again
    EXPECT_EQ(Label1()->text(), QStringLiteral("2"));
}

TEST_F(WindowTest, ConverterPreviewsTypedTextBeforeItIsStored)
{
    loadEdit(writeFile("e.lib", Header + boxComponent("CAIXA", "1")));
    const QSize before = Image2()->size();
    TabControl1()->setCurrentIndex(1);
    textlistbox1()->setFocus();
    QTextCursor c = textlistbox1()->textCursor();
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::Down);
    textlistbox1()->setTextCursor(c);
    QTest::keyClicks(textlistbox1(), "S -1000 1000 1000 -1000 0 1 0 N");
    QTest::keyClick(textlistbox1(), Qt::Key_Return);
    EXPECT_EQ(Image2()->size(), before); // no redraw per keystroke
    click(Button2());
    EXPECT_GT(Image2()->width(), before.width() + 200);
    EXPECT_GT(Image2()->height(), before.height() + 200);
    EXPECT_EQ(edit.table().state(), ComponentTable::State::Edit);
    EXPECT_FALSE(edit.table().comandosAt(0).contains("S -1000"));
}

TEST_F(WindowTest, EachPaneZoomsOnItsOwn)
{
    const QString path = writeFile("e.lib", Header + boxComponent("CAIXA", "1"));
    loadEdit(path);
    loadSearch(path);
    const QSize normal = Image2()->size();
    const QSize search = Image3()->size();
    for (int i = 0; i < 12; ++i)
        click(BitBtn1());
    EXPECT_EQ(w->analise().desenho().zoom_edicao, 210);
    EXPECT_EQ(w->analise().desenho().zoom_pesquisa, 100);
    EXPECT_GT(Image2()->width(), normal.width());
    EXPECT_EQ(Image3()->size(), search);
    click(BitBtn3());
    EXPECT_EQ(w->analise().desenho().zoom_edicao, 100);
    EXPECT_EQ(Image2()->size(), normal);
    for (int i = 0; i < 7; ++i)
        click(BitBtn5());
    EXPECT_EQ(w->analise().desenho().zoom_pesquisa, 40);
    EXPECT_LT(Image3()->width(), search.width());
    click(BitBtn6());
    EXPECT_EQ(Image3()->size(), search);
}

TEST_F(WindowTest, SaveShowsTheRowThenCurrent)
{
    loadEdit(writeFile("e.lib", Header + boxComponent("A", "1") + arcComponent("B")));
    click(BitBtn8());
    EXPECT_EQ(l_nome()->text(), QStringLiteral("B"));
    dialogs.files.enqueue(dir.filePath("out.lib"));
    click(SB_salvar());
    EXPECT_EQ(edit.table().currentRow(), 0);
    EXPECT_TRUE(editorText().startsWith("DEF A "));
    EXPECT_EQ(l_nome()->text(), QStringLiteral("A"));
    EXPECT_EQ(L_alias()->text(), QStringLiteral("ALIAS AA AB"));
}

// No component to show: a new library, a filter that matches nothing.
TEST_F(WindowTest, PaneWithoutARowShowsAnEmptyPreview)
{
    loadEdit(writeFile("e.lib", Header + boxComponent("CAIXA", "3")));
    loadSearch(writeFile("s.lib", Header + boxComponent("CAIXA", "3")));
    click(RxSB_limpar());
    EXPECT_EQ(Label1()->text(), QStringLiteral("0"));
    EXPECT_FALSE(hasBlackPixel(w->analise().image2().bitmap(), Image2()->size()));
    // Zooming an empty pane changes its zoom; it stays empty.
    click(BitBtn1());
    EXPECT_EQ(w->analise().desenho().zoom_edicao, 110);
    EXPECT_FALSE(hasBlackPixel(w->analise().image2().bitmap(), Image2()->size()));

    auto *filter = w->findChild<QLineEdit *>(QStringLiteral("Filtro"));
    filter->setText("nada");
    EXPECT_FALSE(hasBlackPixel(w->analise().image3().bitmap(), Image3()->size()));
    filter->clear();
    EXPECT_TRUE(hasBlackPixel(w->analise().image3().bitmap(), Image3()->size()));
}

TEST_F(WindowTest, EveryCorpusComponentIsPreviewedInBothPanes)
{
    for (const QString &lib : corpusLibraries()) {
        loadEdit(lib);
        loadSearch(lib);
        const int rows = edit.table().rowCount();
        ASSERT_GT(rows, 0) << lib.toStdString();
        for (int i = 1; i < rows; ++i)
            click(BitBtn8());
        EXPECT_EQ(edit.table().currentRow(), rows - 1);
        EXPECT_EQ(search.table().currentRow(), rows - 1);
        EXPECT_EQ(l_nome()->text().toLatin1(), edit.table().nameAt(rows - 1));
        EXPECT_EQ(Image2()->size(), w->analise().image2().extent());
    }
}
