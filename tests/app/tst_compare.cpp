// "Ferramentas" -> "Comparar com...": the edit grid against another version,
// chosen in Qt's own file dialog.
#include "windowfixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QHelpEvent>
#include <QSet>
#include <QTimer>
#include <QToolTip>

namespace {

class Compare : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        w = std::make_unique<Tfcopista>(edit, search); // Qt's own dialogs
        w->show();
    }
    // Opens the file dialog the action brings up and picks `path` in it.
    void choose(QAction *action, const QString &path)
    {
        bool seen = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || seen)
                return;
            seen = true;
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        timer.start(0);
        action->trigger();
        EXPECT_TRUE(seen) << "no file dialog";
    }
    QColor rowColour(int row)
    {
        const QRect r = DBGrid1()->visualRect(DBGrid1()->model()->index(row, 0));
        return DBGrid1()->viewport()->grab().toImage().pixelColor(r.right() - 2, r.center().y());
    }
    QString toolTip(int row)
    {
        const QRect r = DBGrid1()->visualRect(DBGrid1()->model()->index(row, 0));
        QHelpEvent e(QEvent::ToolTip, r.center(), DBGrid1()->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(DBGrid1()->viewport(), &e);
        return QToolTip::text();
    }
    static int colours(const QImage &image)
    {
        QSet<QRgb> seen;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                seen.insert(image.pixel(x, y));
        return int(seen.size());
    }
};

TEST_F(Compare, MarksRowsAndShowsTheComparedVersion)
{
    // B's body is wider in the old version; C is new, D went.
    QByteArray old = library({"A", "B", "D"});
    old.replace("DEF B U 0 40 Y Y 1 F N\nF0 \"U\" 0 50 50 H V C CNN\nDRAW\nS -100",
                "DEF B U 0 40 Y Y 1 F N\nF0 \"U\" 0 50 50 H V C CNN\nDRAW\nS -300");
    const QString oldPath = writeFile("old.lib", old);
    // The edit library as CR LF: line ends do not count.
    choose(Carregarbibliotecaparaedio1(),
           writeFile("mine.lib", library({"C", "B", "A"}).replace("\n", "\r\n")));
    ASSERT_EQ(edit.table().rowCount(), 3);

    choose(widget<QAction>("Compararcom1"), oldPath);
    DBGrid1()->selectRow(2); // C: no selection colour on A and B
    EXPECT_EQ(rowColour(0), DBGrid1()->palette().color(QPalette::Base)) << "A is unchanged";
    EXPECT_EQ(rowColour(1), QColor(255, 222, 160)) << "B changed";
    EXPECT_TRUE(toolTip(1).startsWith(QStringLiteral("Alterado:\nB: ")));
    EXPECT_TRUE(toolTip(1).contains(QStringLiteral("1 gráfico removido")));
    EXPECT_EQ(toolTip(0), QStringLiteral("Igual na biblioteca comparada"));

    // The search preview draws the old B beside the new one, and nothing
    // for C, which the old version lacks.
    QAction *showOther = widget<QAction>("Mostrarversaocomparada1");
    DBGrid1()->selectRow(1);
    EXPECT_EQ(colours(Image3()->grab().toImage()), 1);
    showOther->setChecked(true);
    EXPECT_GT(colours(Image3()->grab().toImage()), 1);
    DBGrid1()->selectRow(2);
    EXPECT_EQ(colours(Image3()->grab().toImage()), 1);
    EXPECT_EQ(rowColour(1), QColor(255, 222, 160));
    EXPECT_EQ(toolTip(2), QStringLiteral("Novo: não está na biblioteca comparada"));
}

} // namespace
