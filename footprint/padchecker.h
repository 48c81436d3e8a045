#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class DialogService;
class LibraryDocument;

// The pad checker searches the edit library's command texts for pad blocks
// with missing or short commands, rectangular pads with a zero size and
// drawing lines with too many fields. A pad block is seven lines at fixed
// offsets from the line whose first token contains "$PAD":
//
//   +0 $PAD     +1 Sh (count >= 8)   +2 Dr (>= 4)   +3 At (>= 4)
//   +4 Ne (>= 3)   +5 Po (>= 3)   +6 $EndPAD
//
// where the count is what separa_linha returns. A rectangular pad ("R") with
// a size that is exactly "0" is a finding; `DS` and `DC` lines may have a
// count of at most 8, `DA` lines at most 9.

// The answer to a finding: go on with the next check, or stop the search.
enum class Resposta { Continua, Para };

// The lines of the edit table's current component as its editor shows them.
using LinhasAtuais = std::function<QList<QByteArray>()>;

// What the checker needs of the window. Every member may be left empty.
struct CheckerHooks
{
    std::function<void(int pagina)> showPage; // TabControl1: 0 the grid, 1 the editor
    std::function<void()> focusEditor;        // input focus to textlistbox1
    std::function<int(int linha)> lineStart;  // character offset at which line i starts
    std::function<void(int offset)> setCaret; // caret at offset, empty selection
    // The editor's lines, typed changes included. Without it the checker
    // reads each row's stored text, which is the same once typing is stored.
    LinhasAtuais lines;
};

// Shows one finding about line `linha` of the current component in a warning
// box with OK, Abort and Ignore. Ignore: go on. Abort: stop. OK (or any other
// answer): beep, show the editor page, focus the editor, put the caret behind
// the first character of the line, stop. The edit library's bulk pass flag
// is clear while the box is open and afterwards.
Resposta mostra_erro(const QString &mensagem, int linha, LibraryDocument &edicao,
                     DialogService &dialogs, const CheckerHooks &hooks);

// Reports one finding; the line is the index in the current component.
using Relator = std::function<Resposta(const QString &mensagem, int linha)>;

// The walk alone: from the current row (from the first when the table stands
// past its last row) to the last, each component checked from its line 0,
// with the bulk pass flag set while a component is walked. Returns true when
// it went through the last component (the table is then at its end), false
// when `relata` answered stop (the table stays on that component). The pad
// name of the messages carries over from pad to pad and component to
// component within one walk. Lines come from `linhas` when given, else from
// the rows' stored texts.
bool percorreIlhas(LibraryDocument &edicao, const Relator &relata, const LinhasAtuais &linhas = {});

// The whole search (RxSB_checarClick): "Biblioteca vazia!" on an empty table;
// otherwise shows page 0, walks reporting through mostra_erro, and ends with
// "Final da pesquisa!" when the walk went through the last component.
void checaIlhas(LibraryDocument &edicao, DialogService &dialogs, const CheckerHooks &hooks);
