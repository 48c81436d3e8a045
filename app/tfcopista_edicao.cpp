// Editing the edit library and the footprint tools.
#include "tfcopista.h"

#include "edit/componentedit.h"
#include "editorlines.h"
#include "footprint/boardfile.h"
#include "footprint/padchecker.h"
#include "footprint/padtools.h"
#include "library/componenttablemodel.h"
#include "library/librarydocument.h"

#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>

namespace {
// The virtual-key codes of the keys that start the pad tools.
constexpr int KeyF7 = 118, KeyF8 = 119, KeyF9 = 120, KeyF10 = 121;
} // namespace

void Tfcopista::onDelete()
{
    // The selected rows; the current row when the selection leaves it out.
    const int current = m_editDoc.table().currentRow();
    QList<int> rows;
    for (const QModelIndex &i : m_edit.grid->selectionModel()->selectedRows(0))
        rows << m_edit.model->tableRow(i.row());
    if (!rows.contains(current))
        rows = {current};
    if (confirmaApagar(m_editDoc, rows, *m_dialogs))
        apagaComponentes(m_editDoc, rows);
}

void Tfcopista::onRemovePrefix()
{
    tiraPrefixo(m_editDoc);
}

void Tfcopista::onNameToCommands()
{
    poeNomeNosComandos(m_editDoc);
}

void Tfcopista::onMakeBoard()
{
    geraPlaca(m_editDoc, *m_dialogs);
}

void Tfcopista::onCheckPads()
{
    QPlainTextEdit *editor = m_edit.editor;
    EditorLines lines(editor);
    CheckerHooks hooks;
    hooks.showPage = [this](int page) { m_edit.pages->setCurrentIndex(page); };
    hooks.focusEditor = [editor] { editor->setFocus(); };
    hooks.lineStart = [&lines](int line) { return lines.lineStart(line); };
    hooks.setCaret = [editor](int offset) {
        QTextCursor c = editor->textCursor();
        c.setPosition(qBound(0, offset, editor->document()->characterCount() - 1));
        editor->setTextCursor(c);
    };
    hooks.lines = [this] { return editLines(); };
    checaIlhas(m_editDoc, *m_dialogs, hooks);
}

void Tfcopista::onRotatePad()
{
    EditorLines lines(m_edit.editor);
    giraIlhaDoCursor(m_editDoc, lines, *m_dialogs);
}

void Tfcopista::onFillZeroPad()
{
    EditorLines lines(m_edit.editor);
    sobrepoeZeroDoCursor(m_editDoc, lines, *m_dialogs);
}

void Tfcopista::onRotateAllPads()
{
    EditorLines lines(m_edit.editor);
    troca_tam(m_editDoc, lines, *m_dialogs);
}

void Tfcopista::onFillAllZeroPads()
{
    EditorLines lines(m_edit.editor);
    troca_zero(m_editDoc, lines, *m_dialogs);
}

void Tfcopista::onEditorKey(int key)
{
    // Every key puts the row into edit state first, so that whatever the
    // key or a pad tool then does to the text is stored like typing.
    // Modifiers are ignored: Shift+F8 rotates like F8.
    m_editDoc.table().edit();
    if (key == KeyF8)
        onRotatePad();
    else if (key == KeyF7)
        onFillZeroPad();
    else if (key == KeyF9)
        onFillAllZeroPads();
    else if (key == KeyF10)
        onRotateAllPads();
}
