// The KiCad view in the real window: the "Exibir" menu, each pane's unit and
// body style, the choice kept between runs, and image export.
#include "windowfixture.h"

#include <QImage>
#include <QScrollBar>
#include <QSpinBox>
#include <QWheelEvent>

namespace {

// Two units; unit 2 has a pin of its own, and one rectangle is drawn for the
// converted body style only.
const QByteArray TwoUnits = "EESchema-LIBRARY Version 2.4\n"
                            "DEF DUO U 0 40 Y Y 2 F N\n"
                            "F0 \"U\" 0 150 50 H V C CNN\n"
                            "DRAW\n"
                            "S -100 100 100 -100 0 1 10 f\n"
                            "S -50 50 50 -50 0 2 10 F\n"
                            "X A 1 -200 0 100 R 50 50 1 1 I\n"
                            "X B 2 -200 0 100 R 50 50 2 1 I\n"
                            "ENDDRAW\nENDDEF\n";

TEST_F(WindowTest, KiCadViewOffersUnitsAndConversionAndIsRemembered)
{
    loadEdit(writeFile("duo.lib", TwoUnits));
    auto *unit = widget<QSpinBox>("ParteEdicao");
    auto *converted = widget<QCheckBox>("ConvertidoEdicao");
    EXPECT_FALSE(unit->isVisible()); // the classic view has no units

    widget<QAction>("VistaKiCad1")->trigger();
    EXPECT_EQ(w->analise().vista(), Vista::KiCad);
    EXPECT_TRUE(unit->isVisible());
    EXPECT_EQ(unit->maximum(), 2);
    EXPECT_TRUE(converted->isEnabled());
    unit->setValue(2);
    converted->setChecked(true);
    EXPECT_EQ(w->analise().opcoes(Painel::Edicao).unidade, 2);
    EXPECT_EQ(w->analise().opcoes(Painel::Edicao).convertido, 2);
    EXPECT_EQ(w->analise().opcoes(Painel::Pesquisa).unidade, 1);

    // A new window (a new run) starts in the view chosen last.
    w.reset();
    w = std::make_unique<Tfcopista>(edit, search, &dialogs);
    EXPECT_EQ(w->analise().vista(), Vista::KiCad);
    widget<QAction>("VistaKiCad1")->trigger();
    EXPECT_EQ(w->analise().vista(), Vista::Classica);
}

TEST_F(WindowTest, ExportWritesThePanesDrawingAsPngOrSvg)
{
    loadSearch(writeFile("duo.lib", TwoUnits));
    auto *action = widget<QAction>("ExportarImagemPesquisa");
    EXPECT_EQ(action->text(), QStringLiteral("Exportar imagem..."));
    dialogs.files.enqueue(dir.filePath("duo.png"));
    action->trigger();
    EXPECT_EQ(dialogs.fileDialogs.last().options.filter,
              QStringLiteral("Imagem PNG|*.png|Imagem SVG|*.svg"));
    EXPECT_FALSE(QImage(dir.filePath("duo.png")).isNull());
    dialogs.files.enqueue(dir.filePath("duo.svg"));
    action->trigger();
    EXPECT_TRUE(readFile(dir.filePath("duo.svg")).contains("<svg"));

    // A folder that does not exist: the reason is shown, nothing is written.
    dialogs.files.enqueue(dir.filePath("missing/duo.png"));
    action->trigger();
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.messages.last().kind, Dialogs::Kind::Error);
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/duo.png")));
}

// The library point (mils) under viewport point `at` of a preview: the
// mapping puts library x at column 1000 + x zoom / 563.5 and y at row
// (1000 - y / 4.9) zoom / 115, from the drawing point the preview's
// top-left pixel shows.
QPointF libraryPointUnder(ImageView *view, QScrollArea *box, QPoint at)
{
    const PreviewImage &image = *view->image();
    const QPointF p = view->mapFrom(box->viewport(), at) + QPointF(image.origem());
    const double z = image.zoom();
    return {(p.x() - 1000) * 563.5 / z, (1000 * z / 115 - p.y()) * 563.5 / z};
}

TEST_F(WindowTest, KiCadViewCentresThePreviewAndAjustarFillsIt)
{
    loadSearch(writeFile("duo.lib", TwoUnits));
    QWidget *port = ScrollBox2()->viewport();
    auto *fit = widget<QPushButton>("fitButtonSearch");
    EXPECT_FALSE(fit->isVisible()) << "the classic view keeps its zoom steps";
    EXPECT_EQ(Image3()->pos(), QPoint(0, 0));

    widget<QAction>("VistaKiCad1")->trigger();
    QCoreApplication::processEvents(); // the box shows or hides its scroll bars
    ASSERT_TRUE(fit->isVisible());
    EXPECT_EQ(fit->text(), QStringLiteral("Ajustar"));
    const QPoint offCentre = Image3()->geometry().center() - port->rect().center();
    EXPECT_LE(offCentre.manhattanLength(), 2) << "a small drawing sits in the middle";

    click(fit);
    QCoreApplication::processEvents();
    const QSize shown = Image3()->size(), room = port->size();
    const int fitted = w->analise().desenho().zoom_pesquisa;
    EXPECT_GT(fitted, 200);
    EXPECT_LE(shown.width(), room.width());
    EXPECT_LE(shown.height(), room.height());
    EXPECT_GE(
        std::max(double(shown.width()) / room.width(), double(shown.height()) / room.height()),
        0.97)
        << shown.width() << " x " << shown.height() << " in " << room.width() << " x "
        << room.height();

    // Back in the classic view the preview goes back to the top-left corner,
    // at the classic view's own zoom; the KiCad view keeps the fitted one.
    widget<QAction>("VistaKiCad1")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(Image3()->pos(), QPoint(0, 0));
    EXPECT_FALSE(fit->isVisible());
    EXPECT_EQ(w->analise().desenho().zoom_pesquisa, 100);
    widget<QAction>("VistaKiCad1")->trigger();
    EXPECT_EQ(w->analise().desenho().zoom_pesquisa, fitted);
}

TEST_F(WindowTest, CtrlWheelZoomsAboutThePointer)
{
    loadSearch(writeFile("duo.lib", TwoUnits));
    widget<QAction>("VistaKiCad1")->trigger();
    click(widget<QPushButton>("fitButtonSearch"));
    QCoreApplication::processEvents();
    QScrollArea *box = ScrollBox2();
    const int before = w->analise().desenho().zoom_pesquisa;
    // Over the drawing, up and left of its middle, where the grown drawing
    // can be scrolled to (a scroll box cannot show past its edges).
    const QPoint at(box->viewport()->width() * 2 / 5, box->viewport()->height() * 2 / 5);
    const QPointF under = libraryPointUnder(Image3(), box, at);
    const QPoint onView = Image3()->mapFrom(box->viewport(), at);
    QWheelEvent wheel(onView, Image3()->mapToGlobal(onView), QPoint(), QPoint(0, 360), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Image3(), &wheel);
    QCoreApplication::processEvents();

    // Three notches: a quarter up each. The drawing now overflows the box
    // both ways, so it can be scrolled to keep the point.
    const int after = w->analise().desenho().zoom_pesquisa;
    EXPECT_EQ(after, std::lround(before * 1.25 * 1.25 * 1.25));
    ASSERT_GT(box->horizontalScrollBar()->maximum(), 0);
    ASSERT_GT(box->verticalScrollBar()->maximum(), 0);
    const QPointF now = libraryPointUnder(Image3(), box, at);
    // Within two pixels at the new zoom.
    const double tolerance = 2 * 563.5 / after;
    EXPECT_NEAR(now.x(), under.x(), tolerance);
    EXPECT_NEAR(now.y(), under.y(), tolerance);
}

} // namespace
