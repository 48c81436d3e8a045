#include "padchecker.h"

#include "library/componenttable.h"
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

// One component from its line 0. Returns false when a report answered stop.
bool checaComponente(const Linhas &linhas, QByteArray &nomeIlha, const Relator &relata)
{
    int i = 0;
    // Splits line i and tells whether its first token is `comando` and its
    // count at least `minimo`.
    auto aceita = [&](const char *comando, qint32 minimo) {
        const Tokens t = separa_linha(linhas[i]);
        return t.token(1) == comando && t.indiceFinal() >= minimo;
    };
    auto falta = [&](const char *mensagem) {
        return relata(erroNaIlha(nomeIlha, mensagem), i) == Resposta::Continua;
    };

    while (i < linhas.count() - 1) {
        const Tokens t = separa_linha(linhas[i]);
        const qint32 count = t.indiceFinal();
        const QByteArray &primeiro = t.token(1);
        const bool desenhoLongo = (primeiro == "DA" && count > 9) ||
                                  ((primeiro == "DS" || primeiro == "DC") && count > 8);
        const bool abreIlha = primeiro.contains("$PAD");
        if (desenhoLongo && relata(erroNaLinha(i), i) == Resposta::Para)
            return false;

        if (abreIlha) {
            ++i;
            const Tokens sh = separa_linha(linhas[i]);
            if (!(sh.token(1) == "Sh" && sh.indiceFinal() >= 8)) {
                if (relata(erroNaLinha(i) + CR + QStringLiteral("Faltou comando Sh !"), i) ==
                    Resposta::Para)
                    return false;
            } else {
                const QByteArray &nome = sh.token(2);
                const bool zero = sh.token(3) == "R" && (sh.token(4) == "0" || sh.token(5) == "0");
                if (zero && relata(erroNaLinha(i) + CR +
                                       QStringLiteral("Ilha retangular com tamanho zero !"),
                                   i) == Resposta::Para)
                    return false;
                nomeIlha = nome;
            }
            ++i;
            if (!aceita("Dr", 4) && !falta("Faltou comando Dr !"))
                return false;
            ++i;
            if (!aceita("At", 4) && !falta("Faltou comando At !"))
                return false;
            ++i;
            if (!aceita("Ne", 3) && !falta("Faltou comando Ne !"))
                return false;
            ++i;
            if (!aceita("Po", 3) && !falta("Faltou comando Po!"))
                return false;
            ++i;
            if (!aceita("$EndPAD", 0) && !falta("Faltou comando $EndPAD !"))
                return false;
        }
        ++i;
    }
    return true;
}

} // namespace

Resposta mostra_erro(const QString &mensagem, int linha, bool &passagemEmMassa,
                     DialogService &dialogs, const CheckerHooks &hooks)
{
    passagemEmMassa = false;
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

bool percorreIlhas(ComponentTable &edicao, bool &passagemEmMassa, const Relator &relata,
                   const LinhasAtuais &linhasAtuais)
{
    if (edicao.isEmpty())
        return true;
    if (edicao.atEnd())
        edicao.first();
    QByteArray nomeIlha;
    Linhas linhas;
    while (!edicao.atEnd()) {
        passagemEmMassa = true;
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

void checaIlhas(ComponentTable &edicao, bool &passagemEmMassa, DialogService &dialogs,
                const CheckerHooks &hooks)
{
    if (edicao.isEmpty()) {
        dialogs.message(Dialogs::Kind::Error, QStringLiteral("Biblioteca vazia!"),
                        Dialogs::Button::Ok);
        return;
    }
    passagemEmMassa = true;
    if (hooks.showPage)
        hooks.showPage(0);
    const bool chegouAoFim = percorreIlhas(
        edicao, passagemEmMassa,
        [&](const QString &mensagem, int linha) {
            return mostra_erro(mensagem, linha, passagemEmMassa, dialogs, hooks);
        },
        hooks.lines);
    passagemEmMassa = false;
    if (chegouAoFim)
        dialogs.message(Dialogs::Kind::Information, QStringLiteral("Final da pesquisa!"),
                        Dialogs::Button::Ok);
}
