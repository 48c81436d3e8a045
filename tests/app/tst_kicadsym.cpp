// KiCad 6 and later libraries in the window, through Qt's own dialogs.
#include "realdialogs.h"

#include "convert/libraryconversion.h"

#include <QDir>
#include <QInputDialog>
#include <QLineEdit>

namespace {

// A library of `version` holding the rows given.
QByteArray kicadLib(int version, const QByteArray &rows)
{
    return "(kicad_symbol_lib (version " + QByteArray::number(version) +
           ") (generator kicad_symbol_editor)\n" + rows + ")\n";
}

QByteArray symbolRow(const QByteArray &name, const QByteArray &inside = {})
{
    return "  (symbol \"" + name + "\"" + inside + " (in_bom yes) (on_board yes)\n" +
           "    (property \"Reference\" \"U\" (id 0) (at 0 0 0)\n"
           "      (effects (font (size 1.27 1.27)))\n"
           "    )\n"
           "    (property \"Value\" \"" +
           name +
           "\" (id 1) (at 0 0 0)\n"
           "      (effects (font (size 1.27 1.27)))\n"
           "    )\n"
           "    (symbol \"" +
           name +
           "_1_1\"\n"
           "      (rectangle (start -1 1) (end 1 -1)\n"
           "        (stroke (width 0) (type default) (color 0 0 0 0))\n"
           "        (fill (type none))\n"
           "      )\n"
           "    )\n"
           "  )\n";
}

QByteArray derivedRow(const QByteArray &name, const QByteArray &parent)
{
    return "  (symbol \"" + name + "\" (extends \"" + parent +
           "\")\n"
           "    (property \"Value\" \"" +
           name +
           "\" (id 1) (at 0 0 0)\n"
           "      (effects (font (size 1.27 1.27)))\n"
           "    )\n"
           "  )\n";
}

ModalAnswers::Answer chooseItem(const QString &item, QString *offered = nullptr)
{
    return [item, offered](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        ASSERT_NE(dialog, nullptr) << modal->metaObject()->className();
        if (offered)
            *offered = dialog->textValue();
        dialog->setTextValue(item);
        dialog->accept();
    };
}

class KicadSymWindow : public RealDialogs
{
protected:
    QStringList names(QTableView *grid) const
    {
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, 0).data().toString();
        return out;
    }
    int rowOf(QTableView *grid, const QString &name) const
    {
        return int(names(grid).indexOf(name));
    }
    QByteArray editText(const char *name) const
    {
        const int r = edit.table().indexOfName(name);
        return r < 0 ? QByteArray() : edit.table().comandosAt(r);
    }
};

TEST_F(KicadSymWindow, FolderOfEveryFormatIsSearchedByProperties)
{
    QDir(dir.path()).mkpath("pasta/power.kicad_symdir");
    writeFile("pasta/a.lib", library({"R1"}));
    writeFile("pasta/b.kicad_sym",
              kicadLib(20211014, symbolRow("OPA", " (property \"ki_description\" \"amplificador "
                                                  "rápido\" (id 5) (at 0 0 0))")));
    const QString gnd =
        corpusDir() + "/../kicad-sym-versions/10.0.0/power.kicad_symdir/GND.kicad_sym";
    QFile::copy(gnd, dir.filePath("pasta/power.kicad_symdir/GND.kicad_sym"));
    writeFile("pasta/c.kicad_sym", kicadLib(20211014, "  (symbol \"X\"\n"));
    answers.then([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(dir.filePath("pasta"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QString skipped;
    answers.then(press(QMessageBox::Ok, &skipped));
    widget<QAction>("Carregarpastadepesquisa1")->trigger();

    EXPECT_EQ(names(DBGrid2()), (QStringList{"GND", "OPA", "R1"}));
    QStringList libraries;
    for (int r = 0; r < 3; ++r)
        libraries << DBGrid2()->model()->index(r, 1).data().toString();
    EXPECT_EQ(libraries, (QStringList{"power", "b", "a"}));
    // The broken file is left out, named with where it stops reading.
    EXPECT_TRUE(skipped.contains(QStringLiteral("c.kicad_sym: linha 4, coluna 1: falta ')'")))
        << skipped.toStdString();

    auto *filter = w->findChild<QLineEdit *>(QStringLiteral("Filtro"));
    ASSERT_NE(filter, nullptr);
    QTest::keyClicks(filter, "amplif");
    EXPECT_EQ(names(DBGrid2()), (QStringList{"OPA"}));
    EXPECT_TRUE(widget<QLabel>("searchDescription")->text().contains("amplificador rápido"));
    EXPECT_TRUE(searchText().startsWith("  (symbol \"OPA\""));
}

TEST_F(KicadSymWindow, EditedTextIsStoredAsTypedAndSavedOnlyWhenItReads)
{
    const QByteArray original =
        kicadLib(20211014, symbolRow("A") + "\n  ; kept\n" + symbolRow("B"));
    const QString path = writeFile("mine.kicad_sym", original);
    answers.then(chooseFile(path));
    click(SB_carregar());
    ASSERT_EQ(names(DBGrid1()), (QStringList{"A", "B"}));
    EXPECT_EQ(Panel5()->text(), QDir::toNativeSeparators(path));

    // Saved unchanged: the very bytes, the comment between rows included.
    widget<QAction>("Salvarbibliotecaemedio1")->trigger();
    EXPECT_EQ(readFile(path), original);

    // A parenthesis taken away: the information page says where reading stops.
    TabControl1()->setCurrentIndex(1);
    textlistbox1()->setFocus();
    QTest::keyClick(textlistbox1(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(textlistbox1(), Qt::Key_Backspace);
    QTest::keyClick(textlistbox1(), Qt::Key_Backspace); // the last line end, then ')'
    QTest::qWait(300);                                  // the redraw after typing
    auto *error = widget<QLabel>("L_erro");
    EXPECT_FALSE(error->isHidden());
    EXPECT_TRUE(error->text().contains(QStringLiteral("linha 14, coluna 3")))
        << error->text().toStdString();
    click(BitBtn8()); // next row: the text is stored as typed
    EXPECT_TRUE(error->isHidden());
    EXPECT_FALSE(editText("A").endsWith(")\n"));

    QString refused;
    answers.then(press(QMessageBox::Ok, &refused));
    widget<QAction>("Salvarbibliotecaemedio1")->trigger();
    EXPECT_TRUE(refused.contains(QStringLiteral("A (linha"))) << refused.toStdString();
    EXPECT_EQ(readFile(path), original);
}

TEST_F(KicadSymWindow, SaveAsAsksTheVersionAndWhatItCannotHold)
{
    const QByteArray box = "(text_box \"Nota\" (at 0 0 0) (size 5 2) (stroke (width 0) (type "
                           "default)) (fill (type none)) (effects (font (size 1.27 1.27))))";
    QByteArray tb = symbolRow("TB");
    tb.replace("      (rectangle", "      " + box + "\n      (rectangle");
    tb.replace("(color 0 0 0 0)", "");
    const QString path = writeFile("v7.kicad_sym", kicadLib(20220914, tb + symbolRow("P")));
    answers.then(chooseFile(path));
    click(SB_carregar());
    ASSERT_EQ(names(DBGrid1()), (QStringList{"P", "TB"}));

    const QString out = dir.filePath("v6.kicad_sym");
    QString offered, losses;
    answers.then(chooseFile(out));
    answers.then(chooseItem("KiCad 6 (20211014)", &offered));
    answers.then(press(QMessageBox::Cancel, &losses));
    widget<QAction>("Salvarcomo1")->trigger();
    EXPECT_EQ(offered, QStringLiteral("KiCad 7 (20220914)")); // its own version first
    EXPECT_TRUE(losses.contains(QStringLiteral("KiCad 6")) &&
                losses.contains(QStringLiteral("TB: caixa de texto (KiCad 7)")) &&
                !losses.contains(QStringLiteral("P:")))
        << losses.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    answers.then(chooseFile(out));
    answers.then(chooseItem("KiCad 6 (20211014)"));
    answers.then(press(QMessageBox::Yes));
    widget<QAction>("Salvarcomo1")->trigger();
    EXPECT_TRUE(readFile(out).startsWith("(kicad_symbol_lib (version 20211014)"));
    EXPECT_EQ(Panel5()->text(), QDir::toNativeSeparators(out));
}

TEST_F(KicadSymWindow, DerivedSymbolsTravelWithTheirBase)
{
    const QString searchPath = writeFile(
        "base.kicad_sym", kicadLib(20211014, symbolRow("BASE") + derivedRow("D1", "BASE") +
                                                 derivedRow("D2", "BASE")));
    answers.then(chooseFile(searchPath));
    click(RxSB_carregar2());
    const QString editPath = writeFile("mine.kicad_sym", kicadLib(20211014, symbolRow("A")));
    answers.then(chooseFile(editPath));
    click(SB_carregar());

    // D1 copied alone brings BASE, and says so; one undo takes both back.
    DBGrid2()->setCurrentIndex(DBGrid2()->model()->index(rowOf(DBGrid2(), "D1"), 0));
    QString told;
    answers.then(press(QMessageBox::Ok, &told));
    click(RxSB_copiar());
    EXPECT_TRUE(told.contains("BASE")) << told.toStdString();
    EXPECT_EQ(names(DBGrid1()), (QStringList{"A", "BASE", "D1"}));
    widget<QAction>("Desfazer1")->trigger();
    EXPECT_EQ(names(DBGrid1()), (QStringList{"A"}));
    widget<QAction>("Refazer1")->trigger();

    // Renamed in the grid, the base takes its derived symbol along.
    const QModelIndex base = DBGrid1()->model()->index(rowOf(DBGrid1(), "BASE"), 0);
    DBGrid1()->setCurrentIndex(base);
    DBGrid1()->edit(base);
    auto *cell = DBGrid1()->viewport()->findChild<QLineEdit *>();
    ASSERT_NE(cell, nullptr);
    cell->selectAll();
    QTest::keyClicks(cell, "NOVA");
    // A click on another row ends the edit.
    const QRect other = DBGrid1()->visualRect(DBGrid1()->model()->index(0, 0));
    QTest::mouseClick(DBGrid1()->viewport(), Qt::LeftButton, {}, other.center());
    EXPECT_TRUE(editText("NOVA").startsWith("  (symbol \"NOVA\""));
    EXPECT_TRUE(editText("NOVA").contains("(symbol \"NOVA_1_1\""));
    EXPECT_TRUE(editText("D1").contains("(extends \"NOVA\")"))
        << names(DBGrid1()).join(',').toStdString() << editText("D1").toStdString();
    widget<QAction>("Desfazer1")->trigger();
    EXPECT_TRUE(editText("D1").contains("(extends \"BASE\")"));
    EXPECT_TRUE(editText("BASE").startsWith("  (symbol \"BASE\""));

    // Deleting the base asks first, naming what derives from it.
    DBGrid1()->setCurrentIndex(DBGrid1()->model()->index(rowOf(DBGrid1(), "BASE"), 0));
    QString asked;
    answers.then(press(QMessageBox::Cancel, &asked));
    click(RxSB_apagar());
    EXPECT_EQ(asked, QStringLiteral("BASE é a base de D1. Excluir mesmo assim?"));
    EXPECT_EQ(names(DBGrid1()), (QStringList{"A", "BASE", "D1"}));
    answers.then(press(QMessageBox::Yes));
    click(RxSB_apagar());
    EXPECT_EQ(names(DBGrid1()), (QStringList{"A", "D1"}));
}

TEST_F(KicadSymWindow, LegacyComponentsBecomeSymbolsOfTheEditLibrary)
{
    QByteArray lib = library({"74LS00"});
    lib.replace("F0 \"U\"", "ALIAS 74HC00\nF0 \"U\"");
    answers.then(chooseFile(writeFile("ttl.lib", lib)));
    click(RxSB_carregar2());
    answers.then(chooseFile(writeFile("mine.kicad_sym", kicadLib(20211014, symbolRow("A")))));
    click(SB_carregar());
    click(RxSB_copiar());
    EXPECT_EQ(names(DBGrid1()), (QStringList{"74HC00", "74LS00", "A"}));
    EXPECT_TRUE(editText("74LS00").startsWith("  (symbol \"74LS00\""));
    EXPECT_TRUE(editText("74HC00").contains("(extends \"74LS00\")"));
}

// The symbols a library file reads back as, a derived one as "NAME<ROOT".
QStringList readBack(const QString &path)
{
    const SymbolLibrary back = readSymbolLibrary(path);
    EXPECT_TRUE(back.error.isEmpty()) << back.error.toStdString();
    QStringList out;
    for (const Symbol &s : back.symbols())
        out << QString::fromUtf8(s.name + (s.extends.isEmpty() ? "" : "<" + s.extends));
    return out;
}

// Rows of a KiCad 7 library for the way back to a .lib: on the 50 mil grid,
// TB holding a text box, D1 only renaming BASE.
QByteArray toLegacyRows()
{
    QByteArray tb = symbolRow("TB");
    tb.replace("      (rectangle",
               "      (text_box \"Nota\" (at 0 0 0) (size 5.08 2.54) (stroke (width 0) (type "
               "default)) (fill (type none)) (effects (font (size 1.27 1.27))))\n      (rectangle");
    QByteArray d1 = derivedRow("D1", "BASE");
    d1.replace("    (property \"Value\"", "    (property \"Reference\" \"U\" (id 0) (at 0 0 0)\n"
                                          "      (effects (font (size 1.27 1.27))))\n"
                                          "    (property \"Value\"");
    QByteArray rows = symbolRow("BASE") + d1 + tb;
    rows.replace("(start -1 1) (end 1 -1)", "(start -1.27 1.27) (end 1.27 -1.27)");
    return kicadLib(20220914, rows);
}

TEST_F(KicadSymWindow, KicadSymbolsCopiedIntoALegacyLibraryAreConverted)
{
    answers.then(chooseFile(writeFile("v7.kicad_sym", toLegacyRows())));
    click(RxSB_carregar2());
    answers.then(chooseFile(writeFile("other.lib", library({"R1"}))));
    click(SB_carregar());

    // What the .lib cannot hold is told first; cancelled, nothing changes.
    DBGrid2()->setCurrentIndex(DBGrid2()->model()->index(rowOf(DBGrid2(), "TB"), 0));
    QString losses;
    answers.then(press(QMessageBox::Cancel, &losses));
    click(RxSB_copiar());
    EXPECT_TRUE(losses.contains(QStringLiteral("TB: caixa de texto")) && !losses.contains("BASE"))
        << losses.toStdString();
    EXPECT_EQ(names(DBGrid1()), (QStringList{"R1"}));
    answers.then(press(QMessageBox::Yes));
    click(RxSB_copiar());
    EXPECT_TRUE(editText("TB").startsWith("DEF TB U 0 "));

    // D1 brings BASE and goes into it as an ALIAS, in one undo step.
    DBGrid2()->setCurrentIndex(DBGrid2()->model()->index(rowOf(DBGrid2(), "D1"), 0));
    answers.then(press(QMessageBox::Ok));
    click(RxSB_copiar());
    EXPECT_EQ(names(DBGrid1()), (QStringList{"BASE", "R1", "TB"}));
    EXPECT_TRUE(editText("BASE").contains("\rALIAS D1\r")) << editText("BASE").toStdString();
    widget<QAction>("Desfazer1")->trigger();
    EXPECT_EQ(names(DBGrid1()), (QStringList{"R1", "TB"}));
}

TEST_F(KicadSymWindow, SaveAsLibConvertsTheWholeLibrary)
{
    answers.then(chooseFile(writeFile("v7.kicad_sym", toLegacyRows())));
    click(SB_carregar());
    const QString out = dir.filePath("old.lib");
    QString losses;
    answers.then(chooseFile(out));
    answers.then(press(QMessageBox::Cancel, &losses));
    widget<QAction>("Salvarcomo1")->trigger();
    EXPECT_TRUE(losses.contains(QStringLiteral("TB: caixa de texto"))) << losses.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    answers.then(chooseFile(out));
    answers.then(press(QMessageBox::Yes));
    widget<QAction>("Salvarcomo1")->trigger();
    EXPECT_EQ(Panel5()->text(), QDir::toNativeSeparators(out));
    EXPECT_EQ(names(DBGrid1()), (QStringList{"BASE", "TB"}));
    EXPECT_EQ(readBack(out), (QStringList{"BASE", "D1<BASE", "TB"}));
}

TEST_F(KicadSymWindow, LegacyLibrarySavedAsKicadSymStaysOneOnTheNextSave)
{
    QByteArray lib = library({"74LS00"});
    lib.replace("F0 \"U\"", "ALIAS 74HC00\nF0 \"U\"");
    answers.then(chooseFile(writeFile("ttl.lib", lib)));
    click(SB_carregar());
    const QString out = dir.filePath("ttl.kicad_sym");
    answers.then(chooseFile(out));
    answers.then(chooseItem("KiCad 6 (20211014)"));
    widget<QAction>("Salvarcomo1")->trigger();
    EXPECT_EQ(readBack(out), (QStringList{"74LS00", "74HC00<74LS00"}));
    widget<QAction>("Salvarbibliotecaemedio1")->trigger();
    EXPECT_EQ(readBack(out), (QStringList{"74LS00", "74HC00<74LS00"}));
    EXPECT_EQ(names(DBGrid1()), (QStringList{"74HC00", "74LS00"}));
}

} // namespace
