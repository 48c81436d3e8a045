#pragma once

// The window with Qt's own dialogs, each found as the active modal widget and
// answered as a person would.
#include "windowfixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QQueue>
#include <QTimer>

#include <functional>

// Hands each new active modal widget to the next answer, in order; progress
// boxes close by themselves and are only watched. A modal widget with no
// answer left is noted and closed.
class ModalAnswers : public QObject
{
public:
    using Answer = std::function<void(QWidget *)>;

    ModalAnswers()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswers::look);
        m_timer.start(0); // also runs inside a progress box's event processing
    }
    void then(Answer answer) { m_answers.enqueue(std::move(answer)); }
    int left() const { return int(m_answers.size()); }

    std::function<void(QWidget *)> watch; // sees the active modal widget each time
    QStringList unexpected;

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (watch)
            watch(modal);
        if (modal == m_last || qobject_cast<QProgressDialog *>(modal))
            return;
        m_last = modal;
        if (m_answers.isEmpty()) {
            unexpected << QString::fromLatin1(modal->metaObject()->className());
            modal->close();
            return;
        }
        m_answers.dequeue()(modal);
    }

    QTimer m_timer;
    QQueue<Answer> m_answers;
    QPointer<QWidget> m_last;
};

inline ModalAnswers::Answer chooseFile(const QString &path)
{
    return [path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr) << modal->metaObject()->className();
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    };
}

inline ModalAnswers::Answer press(QMessageBox::StandardButton which, QString *text = nullptr)
{
    return [which, text](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr) << modal->metaObject()->className();
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Copista"));
        if (text)
            *text = box->text();
        ASSERT_NE(box->button(which), nullptr);
        box->button(which)->click();
    };
}

class RealDialogs : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        w = std::make_unique<Tfcopista>(edit, search); // Qt's own dialogs
        w->show();
    }
    void TearDown() override
    {
        EXPECT_EQ(answers.left(), 0) << "a dialog did not come up";
        EXPECT_TRUE(answers.unexpected.isEmpty()) << answers.unexpected.join(' ').toStdString();
    }
    // Leaves the edit library with an unsaved change.
    void change()
    {
        TabControl1()->setCurrentIndex(1);
        textlistbox1()->setFocus();
        QTest::keyClick(textlistbox1(), Qt::Key_Down);
        TabControl1()->setCurrentIndex(0);
    }

    ModalAnswers answers;
};
