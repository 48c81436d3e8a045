#pragma once

#include "app/tfcopista.h"
#include "tests/support/corpus.h"
#include "tests/support/scripteddialogs.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
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
        w = std::make_unique<Tfcopista>(&dialogs);
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
        QTest::mouseClick(w->SB_carregar, Qt::LeftButton);
    }

    void loadSearch(const QString &path)
    {
        dialogs.files.enqueue(path);
        QTest::mouseClick(w->RxSB_carregar2, Qt::LeftButton);
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

    QString editorText() const { return w->textlistbox1->toPlainText(); }
    QString searchText() const { return w->DBRE_comp2->toPlainText(); }

    void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<Tfcopista> w;
};
