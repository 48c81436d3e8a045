#pragma once

#include "app/imageview.h"
#include "app/tfcopista.h"
#include "library/librarydocument.h"
#include "tests/support/corpus.h"
#include "tests/support/scripteddialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

// The real window, offscreen, with scripted dialogs and a temporary folder.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings().clear(); // every test starts from no remembered choice
        w = std::make_unique<Tfcopista>(edit, search, &dialogs);
        w->show();
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    void loadEdit(const QString &path)
    {
        dialogs.files.enqueue(path);
        QTest::mouseClick(SB_carregar(), Qt::LeftButton);
    }

    void loadSearch(const QString &path)
    {
        dialogs.files.enqueue(path);
        QTest::mouseClick(RxSB_carregar2(), Qt::LeftButton);
    }

    // A small library of components named as given (in that file order).
    static QByteArray library(std::initializer_list<const char *> names)
    {
        QByteArray out = "EESchema-LIBRARY Version 2.4\n#encoding utf-8\n";
        for (const char *n : names) {
            out += QByteArray("#\n# ") + n + "\n#\nDEF " + n + " U 0 40 Y Y 1 F N\n";
            out += QByteArray("F0 \"U\" 0 50 50 H V C CNN\nDRAW\nS -100 100 100 -100 0 1 0 N\n");
            out += "ENDDRAW\nENDDEF\n";
        }
        out += "#\n#End Library\n";
        return out;
    }

    QString editorText() const { return textlistbox1()->toPlainText(); }
    QString searchText() const { return DBRE_comp2()->toPlainText(); }

    void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

    // The window's widgets, found by their historical object names.
    template <typename T> T *widget(const char *name) const
    {
        T *found = w->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no " << name;
        return found;
    }
#define WIDGET(Type, name)                                                                         \
    Type *name() const                                                                             \
    {                                                                                              \
        return widget<Type>(#name);                                                                \
    }
    WIDGET(QPushButton, BitBtn1)
    WIDGET(QPushButton, BitBtn2)
    WIDGET(QPushButton, BitBtn3)
    WIDGET(QPushButton, BitBtn4)
    WIDGET(QPushButton, BitBtn5)
    WIDGET(QPushButton, BitBtn6)
    WIDGET(QPushButton, BitBtn7)
    WIDGET(QPushButton, BitBtn8)
    WIDGET(QPushButton, BitBtn9)
    WIDGET(QPushButton, BitBtn10)
    WIDGET(QPushButton, Button1)
    WIDGET(QPushButton, Button2)
    WIDGET(QAction, Carregarbibliotecadepesquisa1)
    WIDGET(QAction, Carregarbibliotecaparaedio1)
    WIDGET(QAction, Criarnovabibliotecaparaedio1)
    WIDGET(QAction, Sair1)
    WIDGET(QAction, Salvarbibliotecaemedio1)
    WIDGET(QAction, m_rot_ilha)
    WIDGET(QAction, m_sob_zero)
    WIDGET(QTableView, DBGrid1)
    WIDGET(QTableView, DBGrid2)
    WIDGET(QPlainTextEdit, DBRE_comp2)
    WIDGET(QPlainTextEdit, textlistbox1)
    WIDGET(QPlainTextEdit, Memo3)
    WIDGET(ImageView, Image2)
    WIDGET(ImageView, Image3)
    WIDGET(QWidget, Image4)
    WIDGET(QLabel, L_alias)
    WIDGET(QLabel, L_elementos)
    WIDGET(QLabel, L_pinos)
    WIDGET(QLabel, Label1)
    WIDGET(QLabel, Label2)
    WIDGET(QLabel, l_nome)
    WIDGET(QLabel, Panel5)
    WIDGET(QLabel, panel6)
    WIDGET(QTabWidget, PageControl1)
    WIDGET(QTabWidget, TabControl1)
    WIDGET(QMenu, PopupMenu1)
    WIDGET(QToolButton, RxSB_apagar)
    WIDGET(QToolButton, RxSB_carregar2)
    WIDGET(QToolButton, RxSB_checar)
    WIDGET(QToolButton, RxSB_copiar)
    WIDGET(QToolButton, RxSB_limpar)
    WIDGET(QToolButton, RxSpeedButton1)
    WIDGET(QToolButton, RxSpeedButton2)
    WIDGET(QToolButton, RxSpeedButton4)
    WIDGET(QToolButton, SB_carregar)
    WIDGET(QToolButton, SB_salvar)
    WIDGET(QCheckBox, RxSwitch1)
    WIDGET(QScrollArea, ScrollBox1)
    WIDGET(QScrollArea, ScrollBox2)
#undef WIDGET

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    // The documents outlive the window, as in the program.
    LibraryDocument edit;
    LibraryDocument search;
    std::unique_ptr<Tfcopista> w;
};
