// The file commands through Qt's own dialogs, as a person meets them: each
// modal dialog is found as the active modal widget and answered.
#include "realdialogs.h"

#include "app/qtdialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QQueue>
#include <QTimer>
#include <QTranslator>

#include <functional>

namespace {

TEST_F(RealDialogs, FolderChooserComesUpAloneThenProgressCountsLibraries)
{
    QDir(dir.path()).mkdir("pasta");
    writeFile("pasta/a.lib", library({"A1", "A2"}));
    writeFile("pasta/b.lib", library({"B1"}));
    writeFile("pasta/c.lib", library({"C1"}));
    writeFile("pasta/d.lib", "\x89PNG\r\n");
    const QString folder = dir.filePath("pasta");

    int progressBoxesWhileChoosing = -1;
    answers.then([&](QWidget *modal) {
        // However long the chooser stays open, no progress box is there.
        QTest::qWait(700);
        progressBoxesWhileChoosing = int(w->findChildren<QProgressDialog *>().size());
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr) << modal->metaObject()->className();
        dialog->setDirectory(folder); // a folder chooser accepts the folder it shows
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QStringList counts;
    answers.watch = [&](QWidget *modal) {
        if (auto *p = qobject_cast<QProgressDialog *>(modal); p && !counts.contains(p->labelText()))
            counts << p->labelText();
    };
    QString skipped;
    answers.then(press(QMessageBox::Ok, &skipped));
    widget<QAction>("Carregarpastadepesquisa1")->trigger();

    EXPECT_EQ(progressBoxesWhileChoosing, 0);
    // Seen while it counts, up to the last library.
    EXPECT_TRUE(counts.contains(QStringLiteral("3/4 bibliotecas")) &&
                counts.endsWith(QStringLiteral("4/4 bibliotecas")))
        << counts.join(',').toStdString();
    EXPECT_TRUE(skipped.contains(QStringLiteral("d.lib: não é uma biblioteca")))
        << skipped.toStdString();
    EXPECT_EQ(search.table().rowCount(), 4);
    EXPECT_EQ(panel6()->text(), QDir::toNativeSeparators(folder));
}

TEST_F(RealDialogs, LoadsThatFailLeaveThePaneAndTruncatedOnesNameTheCutComponent)
{
    const QString good = writeFile("good.lib", library({"a", "b"}));
    answers.then(chooseFile(good));
    click(SB_carregar());
    change();
    ASSERT_TRUE(w->isWindowModified());

    const QString missing = dir.filePath("missing.lib");
    const QString png = writeFile("image.lib", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const QString cut =
        writeFile("cut.lib", library({"c"}) + "DEF Half U 0 40 Y Y 1 F N\nF0 \"U\" 0 50 50");
    QString missingText, pngText, cutText;
    for (const auto &[path, text] : {std::pair{missing, &missingText}, std::pair{png, &pngText}}) {
        answers.then(press(QMessageBox::Yes)); // discard the change
        answers.then(chooseFile(path));
        answers.then(press(QMessageBox::Ok, text));
        click(SB_carregar());
        EXPECT_EQ(Panel5()->text(), QDir::toNativeSeparators(good));
        EXPECT_EQ(DBGrid1()->model()->rowCount(), 2);
        EXPECT_EQ(Label1()->text(), QStringLiteral("2"));
        EXPECT_TRUE(edit.modificado());
        EXPECT_TRUE(w->isWindowModified());
    }
    EXPECT_EQ(missingText, QStringLiteral("Não foi possível carregar %1: o arquivo não existe.")
                               .arg(QDir::toNativeSeparators(missing)));
    EXPECT_TRUE(pngText.startsWith(
        QStringLiteral("Não foi possível carregar %1: ").arg(QDir::toNativeSeparators(png))));
    EXPECT_TRUE(pngText.contains(QStringLiteral("EESchema-LIBRARY")));

    answers.then(press(QMessageBox::Yes));
    answers.then(chooseFile(cut));
    answers.then(press(QMessageBox::Ok, &cutText));
    click(SB_carregar());
    EXPECT_EQ(Panel5()->text(), QDir::toNativeSeparators(cut));
    EXPECT_EQ(DBGrid1()->model()->rowCount(), 1);
    EXPECT_TRUE(cutText.contains(QStringLiteral("componente Half"))) << cutText.toStdString();
    EXPECT_FALSE(w->isWindowModified());
}

TEST_F(RealDialogs, SaveWritesItsOwnFileSaveAsAsksAndTheTitleMarksChanges)
{
    const QString path = writeFile("mine.lib", library({"a", "b"}));
    answers.then(chooseFile(path));
    click(SB_carregar());
    EXPECT_EQ(w->windowTitle(), Tfcopista::Caption + QStringLiteral("[*]"));
    EXPECT_FALSE(w->isWindowModified());
    change();
    EXPECT_TRUE(w->isWindowModified());

    // "Salvar": no dialog, the file itself is written (the writer's header).
    widget<QAction>("Salvarbibliotecaemedio1")->trigger();
    EXPECT_TRUE(readFile(path).startsWith("EESchema-LIBRARY Version 2.3"));
    EXPECT_FALSE(w->isWindowModified());

    // "Salvar como...": asks; the new name is the library's and a recent one.
    const QString other = dir.filePath("other.lib");
    answers.then(chooseFile(other));
    widget<QAction>("Salvarcomo1")->trigger();
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_EQ(Panel5()->text(), QDir::toNativeSeparators(other));
    const QList<QAction *> recent = widget<QMenu>("Recentes1")->actions();
    ASSERT_FALSE(recent.isEmpty());
    EXPECT_EQ(recent.first()->text(), QStringLiteral("Edição: ") + QDir::toNativeSeparators(other));

    // The toolbar's button still asks.
    bool asked = false;
    answers.then([&](QWidget *modal) {
        asked = qobject_cast<QFileDialog *>(modal) != nullptr;
        modal->close();
    });
    click(SB_salvar());
    EXPECT_TRUE(asked);
}

TEST_F(RealDialogs, QtsOwnButtonsSpeakPortuguese)
{
    QTranslator *translator = installQtTranslations();
    ASSERT_NE(translator, nullptr) << "Qt's translations (qt6-translations-l10n) not installed";
    QtDialogs dialogs(w.get());
    QString yes, cancel;
    answers.then([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Copista"));
        yes = box->button(QMessageBox::Yes)->text();
        cancel = box->button(QMessageBox::Cancel)->text();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(dialogs.message(Dialogs::Kind::Confirmation, QStringLiteral("?"),
                              Dialogs::Button::Yes | Dialogs::Button::Cancel),
              Dialogs::Button::Cancel);
    QCoreApplication::removeTranslator(translator);
    delete translator;
    EXPECT_EQ(yes, QStringLiteral("&Sim"));
    EXPECT_EQ(cancel, QStringLiteral("Cancelar"));
}

} // namespace
