// The KiCad view in the real window: the "Exibir" menu, each pane's unit and
// body style, the choice kept between runs, and image export.
#include "windowfixture.h"

#include <QImage>
#include <QSpinBox>

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

} // namespace
