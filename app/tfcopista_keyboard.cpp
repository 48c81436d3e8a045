// The keyboard: shortcuts, Alt mnemonics, the Delete key of the edit grid,
// and undo and redo named by what they would do.
#include "tfcopista.h"

#include "editorbinding.h"
#include "library/librarydocument.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTableView>

namespace {

// A text shown as it is in a menu item: '&' would mark a mnemonic.
QString escaped(QString text)
{
    return text.replace(u'&', QStringLiteral("&&"));
}

// Marks in each text without a mnemonic the first letter no text before it
// in the list took, preferring the first letter of a word.
void addMnemonics(const QList<QAction *> &actions)
{
    QSet<QChar> taken;
    auto mnemonicOf = [](const QString &text) -> std::optional<QChar> {
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != u'&')
                continue;
            if (text[i + 1] != u'&')
                return text[i + 1].toLower();
            ++i;
        }
        return std::nullopt;
    };
    for (const QAction *a : actions) {
        if (const std::optional<QChar> c = mnemonicOf(a->text()))
            taken.insert(*c);
    }
    for (QAction *a : actions) {
        QString text = a->text();
        if (a->isSeparator() || text.isEmpty() || mnemonicOf(text))
            continue;
        qsizetype at = -1;
        for (int pass = 0; pass < 2 && at < 0; ++pass) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const bool wordStart = i == 0 || text[i - 1] == u' ';
                if (text[i].isLetter() && (pass == 1 || wordStart) &&
                    !taken.contains(text[i].toLower())) {
                    at = i;
                    break;
                }
            }
        }
        if (at < 0)
            continue;
        taken.insert(text[at].toLower());
        a->setText(text.insert(at, u'&'));
    }
}

} // namespace

void Tfcopista::setUpKeyboard()
{
    const std::pair<const char *, QKeySequence> shortcuts[] = {
        {"Carregarbibliotecaparaedio1", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"Salvarbibliotecaemedio1", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"Criarnovabibliotecaparaedio1", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"Sair1", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto &[name, keys] : shortcuts) {
        if (auto *a = findChild<QAction *>(QString::fromLatin1(name)))
            a->setShortcut(keys);
    }
    m_findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    // Delete removes rows only from the edit grid: in an editor or the
    // filter it deletes a character.
    m_deleteAction->setShortcut(QKeySequence(Qt::Key_Delete));
    m_deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_edit.grid->addAction(m_deleteAction);
    // The pad tools' keys, shown in the editor's menu; the editor handles
    // them (the menu's shortcuts act only while it is open).
    if (auto *a = findChild<QAction *>(QStringLiteral("m_rot_ilha")))
        a->setShortcut(QKeySequence(Qt::Key_F8));
    if (auto *a = findChild<QAction *>(QStringLiteral("m_sob_zero")))
        a->setShortcut(QKeySequence(Qt::Key_F7));

    addMnemonics(menuBar()->actions());
    for (QAction *m : menuBar()->actions()) {
        if (QMenu *menu = m->menu()) {
            addMnemonics(menu->actions());
            for (QAction *a : menu->actions()) {
                if (a->menu() && a->menu() != m_recentMenu)
                    addMnemonics(a->menu()->actions());
            }
        }
    }
}

void Tfcopista::updateUndoActions()
{
    const bool typed = m_edit.binding && m_edit.binding->hasTypedChange();
    const std::optional<QString> undo = m_editDoc.undoText(typed);
    const std::optional<QString> redo = m_editDoc.redoText(typed);
    auto show = [](QAction *a, const QString &verb, const std::optional<QString> &step) {
        a->setEnabled(step.has_value());
        a->setText(step && !step->isEmpty() ? verb + u' ' + escaped(*step) : verb);
    };
    show(m_undoAction, QStringLiteral("&Desfazer"), undo);
    show(m_redoAction, QStringLiteral("&Refazer"), redo);
}
