// Editing the edit library and the footprint tools.
#include "tfcopista.h"

#include "edit/componentedit.h"
#include "editorlines.h"
#include "footprint/boardfile.h"
#include "footprint/padchecker.h"
#include "footprint/padtools.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextCursor>

void Tfcopista::RxSB_copiarClick()
{
    copiaComponente(RxMD_comp2, RxMD_comp, modificado, *m_dialogs);
}

void Tfcopista::RxSB_apagarClick()
{
    apagaComponente(RxMD_comp, modificado);
}

void Tfcopista::RxSpeedButton2Click()
{
    tiraPrefixo(RxMD_comp, Panel5->text());
}

void Tfcopista::RxSpeedButton4Click()
{
    poeNomeNosComandos(RxMD_comp);
}

void Tfcopista::RxSpeedButton1Click()
{
    geraPlaca(RxMD_comp, passagemEmMassa, *m_dialogs, Panel5->text());
}

void Tfcopista::RxSB_checarClick()
{
    EditorLines editor(textlistbox1);
    CheckerHooks hooks;
    hooks.showPage = [this](int page) { TabControl1->setCurrentIndex(page); };
    hooks.focusEditor = [this] { textlistbox1->setFocus(); };
    hooks.lineStart = [&editor](int line) { return editor.lineStart(line); };
    hooks.setCaret = [this](int offset) {
        QTextCursor c = textlistbox1->textCursor();
        c.setPosition(qBound(0, offset, textlistbox1->document()->characterCount() - 1));
        textlistbox1->setTextCursor(c);
    };
    hooks.lines = [this] { return linhasEdicao(); };
    checaIlhas(RxMD_comp, passagemEmMassa, *m_dialogs, hooks);
}

void Tfcopista::m_rot_ilhaClick()
{
    EditorLines editor(textlistbox1);
    giraIlhaDoCursor(RxMD_comp, editor, *m_dialogs);
}

void Tfcopista::m_sob_zeroClick()
{
    EditorLines editor(textlistbox1);
    sobrepoeZeroDoCursor(RxMD_comp, editor, *m_dialogs);
}

void Tfcopista::troca_tam()
{
    EditorLines editor(textlistbox1);
    ::troca_tam(RxMD_comp, editor, *m_dialogs);
}

void Tfcopista::troca_zero()
{
    EditorLines editor(textlistbox1);
    ::troca_zero(RxMD_comp, editor, *m_dialogs);
}

void Tfcopista::textlistbox1KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(shift); // Shift+F8 rotates like F8
    // Every key puts the row into edit state first, so that whatever the
    // key or a pad tool then does to the text is stored like typing.
    RxMD_comp.edit();
    if (key == 119)
        m_rot_ilhaClick();
    else if (key == 118)
        m_sob_zeroClick();
    else if (key == 120)
        troca_zero();
    else if (key == 121)
        troca_tam();
}

// Neither hook has work to do: the preview follows the table's data changes,
// not each keystroke.
void Tfcopista::textlistbox1Enter() {}
void Tfcopista::textlistbox1Change() {}
