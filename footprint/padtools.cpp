#include "padtools.h"

#include "edit/commandlines.h"
#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "meuparse/meuparse.h"
#include "platform/dialogs.h"

namespace {

// The tokens of a `Sh` line the tools can rewrite.
struct LinhaSh
{
    QList<QByteArray> campos; // tokens 1..count; index 0 is token 1
};

std::optional<LinhaSh> leLinhaSh(const QByteArray &linha)
{
    const Tokens t = separa_linha(linha);
    const qint32 count = t.indiceFinal();
    if (t.token(1) != "Sh" || count > MAX_TOKENS)
        return std::nullopt;
    // The token at the count's index is a real one only when the line does
    // not end in a blank or a closing quote.
    const int reais = t.qtd() + (t.tipo(count) != TK_VAZIO ? 1 : 0);
    if (reais < 5)
        return std::nullopt;
    LinhaSh sh;
    sh.campos.reserve(count);
    for (int i = 1; i <= count; ++i)
        sh.campos.append(t.token(i));
    return sh;
}

QByteArray refazLinha(const LinhaSh &sh)
{
    const QList<QByteArray> &t = sh.campos;
    QByteArray out;
    out.reserve(64);
    out.append(t[0]).append(" \"").append(t[1]).append('"');
    for (qsizetype i = 2; i < t.size(); ++i)
        out.append(' ').append(t[i]);
    return out;
}

void girarTamanhos(LinhaSh &sh)
{
    sh.campos[3].swap(sh.campos[4]);
}

void preencherZero(LinhaSh &sh)
{
    QByteArray &x = sh.campos[3];
    QByteArray &y = sh.campos[4];
    if (x == "0")
        x = y;
    if (y == "0")
        y = x;
}

template <typename Change>
std::optional<QByteArray> reescreve(const QByteArray &linha, Change change)
{
    auto sh = leLinhaSh(linha);
    if (!sh)
        return std::nullopt;
    change(*sh);
    return refazLinha(*sh);
}

template <typename Tool> QList<int> reescreveTodas(QList<QByteArray> &linhas, Tool tool)
{
    QList<int> changed;
    for (qsizetype i = 0; i < linhas.size(); ++i) {
        if (auto nova = tool(linhas[i])) {
            linhas[i] = *nova;
            changed.append(int(i));
        }
    }
    return changed;
}

template <typename Tool>
void reescreveCursor(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs,
                     Tool tool)
{
    edicao.table().edit();
    const int i = editor.caretLine();
    if (auto nova = tool(editor.line(i))) {
        editor.replaceLine(i, *nova);
        return;
    }
    dialogs.message(Dialogs::Kind::Error, QString::fromUtf16(MensagemForaDaIlha),
                    Dialogs::Button::Ok);
}

template <typename Bulk>
bool reescreveTodasNoEditor(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs,
                            const QString &pergunta, Bulk bulk)
{
    edicao.table().edit();
    if (dialogs.message(Dialogs::Kind::Information, pergunta,
                        Dialogs::Button::Yes | Dialogs::Button::No) != Dialogs::Button::Yes)
        return false;
    const int count = editor.lineCount();
    QList<QByteArray> linhas;
    linhas.reserve(count);
    for (int i = 0; i < count; ++i)
        linhas.append(editor.line(i));
    for (int i : bulk(linhas))
        editor.replaceLine(i, linhas[i]);
    dialogs.message(Dialogs::Kind::Information, QStringLiteral("Terminado o acerto!!!"),
                    Dialogs::Button::Ok);
    return true;
}

} // namespace

std::optional<QByteArray> giraIlha(const QByteArray &linha)
{
    return reescreve(linha, girarTamanhos);
}

std::optional<QByteArray> sobrepoeZero(const QByteArray &linha)
{
    return reescreve(linha, preencherZero);
}

QList<int> troca_tam(QList<QByteArray> &linhas)
{
    return reescreveTodas(linhas, giraIlha);
}

QList<int> troca_zero(QList<QByteArray> &linhas)
{
    return reescreveTodas(linhas, sobrepoeZero);
}

void giraIlhaDoCursor(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs)
{
    reescreveCursor(edicao, editor, dialogs, giraIlha);
}

void sobrepoeZeroDoCursor(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs)
{
    reescreveCursor(edicao, editor, dialogs, sobrepoeZero);
}

bool troca_tam(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs)
{
    return reescreveTodasNoEditor(edicao, editor, dialogs,
                                  QStringLiteral("Girar todas as ilhas? !!!"),
                                  [](QList<QByteArray> &l) { return troca_tam(l); });
}

bool troca_zero(LibraryDocument &edicao, CommandLines &editor, DialogService &dialogs)
{
    return reescreveTodasNoEditor(edicao, editor, dialogs,
                                  QStringLiteral("Trocar todos os tamanhos Zero? !!!"),
                                  [](QList<QByteArray> &l) { return troca_zero(l); });
}
