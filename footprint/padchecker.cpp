#include "padchecker.h"

#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "library/linelist.h"
#include "meuparse/meuparse.h"
#include "platform/dialogs.h"

#include <vector>

namespace {

constexpr QChar CR(13);

QString erroNaLinha(int linha)
{
    return QStringLiteral("Erro na linha ") + QString::number(linha) + QStringLiteral("!!!!");
}

QString erroNaIlha(const QByteArray &nome, const char *comando)
{
    return QStringLiteral("Erro na ilha (pad) ") + QString::fromLatin1(nome) +
           QStringLiteral(" !!!!") + CR + QString::fromLatin1(comando);
}

// The line list of one component.
class Linhas
{
public:
    // The lines of a text, as views into that text.
    void le(const QByteArray &texto)
    {
        m_texto = texto;
        m_linhas.clear();
        paraCadaLinha(m_texto, [&](const QByteArray &l) { m_linhas.push_back(l); });
    }
    void le(const QList<QByteArray> &linhas)
    {
        m_texto.clear();
        m_linhas.assign(linhas.begin(), linhas.end());
    }
    int count() const { return int(m_linhas.size()); }
    // Lines past the last read as empty.
    const QByteArray &operator[](int i) const
    {
        return i < count() ? m_linhas[size_t(i)] : m_vazia;
    }

private:
    QByteArray m_texto;
    std::vector<QByteArray> m_linhas;
    const QByteArray m_vazia;
};

bool continua(Resposta r)
{
    return r == Resposta::Continua;
}

// The pad block opened at line `i` - 1 ($PAD): its Sh line at i, then Dr, At,
// Ne, Po and $EndPAD on the following lines; `i` ends on the $EndPAD line.
// The pad's name, once read from a Sh line, names it in later messages.
// Returns false when a report answered stop.
bool checaIlha(const Linhas &linhas, int &i, QByteArray &nomeIlha, const Relator &relata)
{
    const Tokens sh = separa_linha(linhas[i]);
    if (!(sh.token(1) == "Sh" && sh.indiceFinal() >= 8)) {
        if (!continua(relata(erroNaLinha(i) + CR + QStringLiteral("Faltou comando Sh !"), i)))
            return false;
    } else {
        const bool zero = sh.token(3) == "R" && (sh.token(4) == "0" || sh.token(5) == "0");
        if (zero &&
            !continua(relata(
                erroNaLinha(i) + CR + QStringLiteral("Ilha retangular com tamanho zero !"), i)))
            return false;
        nomeIlha = sh.token(2);
    }
    // Each later command: its first token and the least count it needs.
    static constexpr struct
    {
        const char *comando;
        qint32 minimo;
        const char *falta;
    } seguintes[] = {{"Dr", 4, "Faltou comando Dr !"},
                     {"At", 4, "Faltou comando At !"},
                     {"Ne", 3, "Faltou comando Ne !"},
                     {"Po", 3, "Faltou comando Po!"},
                     {"$EndPAD", 0, "Faltou comando $EndPAD !"}};
    for (const auto &c : seguintes) {
        ++i;
        const Tokens t = separa_linha(linhas[i]);
        if (!(t.token(1) == c.comando && t.indiceFinal() >= c.minimo) &&
            !continua(relata(erroNaIlha(nomeIlha, c.falta), i)))
            return false;
    }
    return true;
}

// One component from its line 0: drawing lines with too many fields, and
// every pad block. Returns false when a report answered stop.
bool checaComponente(const Linhas &linhas, QByteArray &nomeIlha, const Relator &relata)
{
    for (int i = 0; i < linhas.count() - 1; ++i) {
        const Tokens t = separa_linha(linhas[i]);
        const qint32 count = t.indiceFinal();
        const QByteArray &primeiro = t.token(1);
        const bool desenhoLongo = (primeiro == "DA" && count > 9) ||
                                  ((primeiro == "DS" || primeiro == "DC") && count > 8);
        if (desenhoLongo && !continua(relata(erroNaLinha(i), i)))
            return false;
        if (primeiro.contains("$PAD")) {
            ++i;
            if (!checaIlha(linhas, i, nomeIlha, relata))
                return false;
        }
    }
    return true;
}

} // namespace

Resposta mostra_erro(const QString &mensagem, int linha, LibraryDocument &edicao,
                     DialogService &dialogs, const CheckerHooks &hooks)
{
    edicao.setPassagemEmMassa(false);
    const Dialogs::Button answer =
        dialogs.message(Dialogs::Kind::Warning, mensagem,
                        Dialogs::Button::Ok | Dialogs::Button::Abort | Dialogs::Button::Ignore);
    if (answer == Dialogs::Button::Ignore)
        return Resposta::Continua;
    if (answer == Dialogs::Button::Abort)
        return Resposta::Para;
    dialogs.beep();
    if (hooks.showPage)
        hooks.showPage(1);
    if (hooks.focusEditor)
        hooks.focusEditor();
    if (hooks.setCaret)
        hooks.setCaret((hooks.lineStart ? hooks.lineStart(linha) : 0) + 1);
    return Resposta::Para;
}

bool percorreIlhas(LibraryDocument &documento, const Relator &relata,
                   const LinhasAtuais &linhasAtuais)
{
    ComponentTable &edicao = documento.table();
    if (edicao.isEmpty())
        return true;
    if (edicao.atEnd())
        edicao.first();
    QByteArray nomeIlha;
    Linhas linhas;
    while (!edicao.atEnd()) {
        documento.setPassagemEmMassa(true);
        if (linhasAtuais)
            linhas.le(linhasAtuais());
        else
            linhas.le(edicao.field(ComponentTable::Field::Comandos));
        if (!checaComponente(linhas, nomeIlha, relata))
            return false;
        edicao.next();
    }
    return true;
}

void checaIlhas(LibraryDocument &edicao, DialogService &dialogs, const CheckerHooks &hooks)
{
    if (edicao.table().isEmpty()) {
        dialogs.message(Dialogs::Kind::Error, QStringLiteral("Biblioteca vazia!"),
                        Dialogs::Button::Ok);
        return;
    }
    edicao.setPassagemEmMassa(true);
    if (hooks.showPage)
        hooks.showPage(0);
    const bool chegouAoFim = percorreIlhas(
        edicao,
        [&](const QString &mensagem, int linha) {
            return mostra_erro(mensagem, linha, edicao, dialogs, hooks);
        },
        hooks.lines);
    edicao.setPassagemEmMassa(false);
    if (chegouAoFim)
        dialogs.message(Dialogs::Kind::Information, QStringLiteral("Final da pesquisa!"),
                        Dialogs::Button::Ok);
}
