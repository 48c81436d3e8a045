#include "windowfixture.h"

#include "library/componenttable.h"
#include "preview/desenho.h"
#include "preview/previewimage.h"

#include <QDockWidget>
#include <QTableWidget>

namespace {

class ChecksWindow : public WindowTest
{
protected:
    // "GOOD" keeps the pin rules; "BAD" has pin 1 at (-310, 100) mil and
    // its Value says "IX"; "ZED" has its pin off the grid too.
    void loadTwo()
    {
        auto component = [](const char *name, const char *value, int x) {
            return QByteArray("DEF ") + name + " U 0 20 Y Y 1 F N\nF0 \"U\" 0 250 50 H V C CNN\n" +
                   "F1 \"" + value + "\" 0 -250 50 H V C CNN\nF2 \"\" 0 0 50 H I C CNN\n" +
                   "F3 \"\" 0 0 50 H I C CNN\nDRAW\nS -200 200 200 -200 0 1 10 f\nX A 1 " +
                   QByteArray::number(x) + " 100 100 R 50 50 1 1 I\nENDDRAW\nENDDEF\n";
        };
        loadEdit(writeFile(QStringLiteral("c.lib"),
                           "EESchema-LIBRARY Version 2.4\n#encoding utf-8\n" +
                               component("BAD", "IX", -310) + component("GOOD", "GOOD", -300) +
                               component("ZED", "ZED", -310) + "#End Library\n"));
        widget<QAction>("Verificarbiblioteca1")->trigger();
    }

    QTableWidget *findings() const { return widget<QTableWidget>("achados"); }

    int line(const QString &rule, const QString &symbol) const
    {
        for (int r = 0; r < findings()->rowCount(); ++r)
            if (findings()->item(r, 0)->text() == rule && findings()->item(r, 1)->text() == symbol)
                return r;
        return -1;
    }

    void clickLine(int r)
    {
        QTableWidget *t = findings();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {},
                          t->visualItemRect(t->item(r, 3)).center());
    }
};

TEST_F(ChecksWindow, FindingSelectsItsSymbolAndMarksThePlace)
{
    loadTwo();
    ASSERT_TRUE(widget<QDockWidget>("Verificacao")->isVisible());
    EXPECT_EQ(line(QStringLiteral("S4.1"), QStringLiteral("GOOD")), -1);
    const int r = line(QStringLiteral("S4.1"), QStringLiteral("BAD"));
    ASSERT_GE(r, 0);
    edit.table().moveTo(1);
    clickLine(r);
    EXPECT_EQ(edit.table().field(ComponentTable::Field::Nome), "BAD");
    EXPECT_TRUE(widget<QLabel>("L_verificacao")->text().contains(QStringLiteral("S4.1")));

    // The ring is drawn 9 pixels around the pin's end, over the preview.
    const PreviewImage &image = w->analise().image2();
    const QPointF at = Desenho::pontoDe(QPointF(-310, 100), image.zoom()) - QPointF(image.origem());
    const QImage shown = Image2()->grab().toImage();
    const QColor ring = shown.pixelColor((at + QPointF(0, -9)).toPoint());
    EXPECT_GT(ring.red(), 150);
    EXPECT_LT(ring.green(), 100);

    // Another row current: no ring.
    edit.table().moveTo(1);
    QApplication::processEvents();
    const QColor after = Image2()->grab().toImage().pixelColor((at + QPointF(0, -9)).toPoint());
    EXPECT_FALSE(after.red() > 150 && after.green() < 100);
}

TEST_F(ChecksWindow, FixIsOneUndoableStepSayingWhatChanged)
{
    loadTwo();
    const int r = line(QStringLiteral("S6.2"), QStringLiteral("BAD"));
    ASSERT_GE(r, 0);
    clickLine(r);
    click(widget<QPushButton>("Corrigir"));
    const QString said = widget<QLabel>("l_verificacao")->text();
    EXPECT_TRUE(said.contains(QStringLiteral("BAD: S4.1 símbolo movido em (10 mil, 0 mil)")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Value \"IX\" trocado por \"BAD\"")));
    const int bad = edit.table().indexOfName("BAD");
    EXPECT_TRUE(edit.table().comandosAt(bad).contains("F1 \"BAD\" 10 -250"));
    EXPECT_TRUE(edit.table().comandosAt(bad).contains("X A 1 -300 100"));
    EXPECT_EQ(line(QStringLiteral("S4.1"), QStringLiteral("BAD")), -1);

    widget<QAction>("Desfazer1")->trigger();
    EXPECT_TRUE(edit.table().comandosAt(bad).contains("F1 \"IX\" 0 -250"));
    EXPECT_TRUE(edit.table().comandosAt(bad).contains("X A 1 -310 100"));
}

TEST_F(ChecksWindow, SeveralRowsSelectedAreTheOnesChecked)
{
    loadTwo();
    EXPECT_GE(line(QStringLiteral("S4.1"), QStringLiteral("ZED")), 0);
    QTableView *grid = DBGrid1();
    auto clickRow = [grid](int row, Qt::KeyboardModifiers keys) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys,
                          grid->visualRect(grid->model()->index(row, 0)).center());
    };
    clickRow(0, {});
    clickRow(1, Qt::ControlModifier);
    ASSERT_EQ(grid->selectionModel()->selectedRows().size(), 2);
    widget<QAction>("Verificarbiblioteca1")->trigger();
    EXPECT_GE(line(QStringLiteral("S4.1"), QStringLiteral("BAD")), 0);
    EXPECT_EQ(line(QStringLiteral("S4.1"), QStringLiteral("ZED")), -1);
    EXPECT_TRUE(widget<QLabel>("l_verificacao")->text().endsWith(QStringLiteral("em 2 linha(s).")))
        << widget<QLabel>("l_verificacao")->text().toStdString();
}

} // namespace
