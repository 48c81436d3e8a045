#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

class CommandLines;
class LibraryDocument;
class DialogService;

// The pad tools rewrite `Sh` lines of pad blocks:
//   Sh "name" shape sizeX sizeY further fields...
// A rewritten line is rebuilt from its tokens as: token 1, ` "`, token 2,
// `"`, then a blank and the token for every token from 3 up to the count that
// separa_linha returned. So fields are separated by single blanks, token 2 is
// always quoted, other quoted fields lose their quotes, and a line that ended
// in blanks keeps one trailing blank.
//
// A `Sh` line with fewer than five tokens has no size Y, and one with more
// tokens than the token table holds cannot be rebuilt whole: both are refused
// by the single-pad tools and left unchanged by the bulk tools, so no field is
// ever lost.

// The line with size X and size Y exchanged, or nothing when the line is not
// a `Sh` line the tools can rewrite.
std::optional<QByteArray> giraIlha(const QByteArray &linha);
// The line with a size that is exactly "0" set to the other size (size X
// first, then size Y), rebuilt also when nothing changed; or nothing, as for
// giraIlha.
std::optional<QByteArray> sobrepoeZero(const QByteArray &linha);

// giraIlha / sobrepoeZero applied to every line that they accept; the other
// lines are left exactly as they were. Returns the indices of the lines
// rewritten, in increasing order.
QList<int> troca_tam(QList<QByteArray> &linhas);
QList<int> troca_zero(QList<QByteArray> &linhas);

// The text of the refusal of the single-pad tools.
inline constexpr char16_t MensagemForaDaIlha[] = u"Cursor não está em uma definição de ilha !!!";

// The tools as the editor's menu and keys start them. Each first puts the
// edit table's current row into the edit state (afterEdit fires when it was
// browsing), then rewrites lines of the editor in place.
//
// Caret line (m_rot_ilhaClick, m_sob_zeroClick): a line the tool refuses
// gives the refusal message in an error box and changes nothing.
void giraIlhaDoCursor(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs);
void sobrepoeZeroDoCursor(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs);
// Every line (F10, F9): asks first ("Girar todas as ilhas? !!!" /
// "Trocar todos os tamanhos Zero? !!!", Yes and No); on Yes rewrites the
// lines and ends with "Terminado o acerto!!!". Returns false when answered No.
bool troca_tam(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs);
bool troca_zero(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs);
