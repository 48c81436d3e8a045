#include "componentedit.h"

#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "platform/dialogs.h"

QByteArray substituiTodas(const QByteArray &texto, const QByteArray &procura,
                          const QByteArray &novo)
{
    if (procura.isEmpty())
        return texto;
    qsizetype at = texto.indexOf(procura);
    if (at < 0)
        return texto;
    QByteArray result;
    result.reserve(texto.size());
    qsizetype from = 0;
    while (at >= 0) {
        result.append(texto.constData() + from, at - from);
        result.append(novo);
        from = at + procura.size();
        at = texto.indexOf(procura, from);
    }
    result.append(texto.constData() + from, texto.size() - from);
    return result;
}

QByteArray prefixoDoTitulo(const QString &titulo)
{
    qsizetype start = 0;
    for (qsizetype i = titulo.size() - 1; i >= 0; --i) {
        const QChar c = titulo.at(i);
        if (c == u'\\' || c == u'/' || c == u':') {
            start = i + 1;
            break;
        }
    }
    QString nome = titulo.mid(start);
    const qsizetype dot = nome.lastIndexOf(u'.');
    if (dot >= 0)
        nome.truncate(dot);
    return nome.toLatin1();
}

namespace {

QByteArray asciiUpper(QByteArray text)
{
    for (char &c : text) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return text;
}

// Edits every row of the edit table from the first to the last with its
// notifications suspended; `change` rewrites the row in the edit state.
template <typename F> void percorreEditando(ComponentTable &edicao, F &&change)
{
    if (edicao.isEmpty())
        return;
    edicao.first();
    edicao.suspendNotifications();
    while (!edicao.atEnd()) {
        edicao.edit();
        change();
        edicao.post();
        edicao.next();
    }
    edicao.resumeNotifications();
}

} // namespace

void tiraPrefixo(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    const QByteArray prefixo = prefixoDoTitulo(documento.titulo());
    const QByteArray comoNoArquivo = prefixo + '-';
    const QByteArray maiusculo = asciiUpper(prefixo) + '-';
    percorreEditando(edicao, [&] {
        QByteArray nome = edicao.field(ComponentTable::Field::Nome);
        nome = substituiTodas(nome, comoNoArquivo, {});
        nome = substituiTodas(nome, maiusculo, {});
        edicao.setField(ComponentTable::Field::Nome, nome);
    });
}

void poeNomeNosComandos(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    percorreEditando(edicao, [&] {
        const QByteArray nome = edicao.field(ComponentTable::Field::Nome);
        QByteArray texto = edicao.field(ComponentTable::Field::Comandos);
        texto = substituiTodas(texto, ">NAME", nome);
        texto = substituiTodas(texto, ">name", nome);
        texto = substituiTodas(texto, ">Name", nome);
        edicao.setField(ComponentTable::Field::Comandos, texto);
    });
}

CopyResult copiaComponente(const LibraryDocument &origem, LibraryDocument &destino,
                           DialogService &dialogs)
{
    const ComponentTable &pesquisa = origem.table();
    ComponentTable &edicao = destino.table();
    if (pesquisa.isEmpty())
        return CopyResult::Nothing;
    const QByteArray nome = pesquisa.field(ComponentTable::Field::Nome);
    if (edicao.locate(u"nome_Componente", nome)) {
        dialogs.message(
            Dialogs::Kind::Error,
            QStringLiteral("Já existe um componente com este nome na biblioteca atual!"),
            Dialogs::Button::Ok);
        return CopyResult::Refused;
    }
    edicao.append();
    edicao.setField(ComponentTable::Field::Nome, nome);
    edicao.setField(ComponentTable::Field::Comandos,
                    pesquisa.field(ComponentTable::Field::Comandos));
    edicao.post();
    destino.setModificado(true);
    edicao.sortByName();
    return CopyResult::Copied;
}

bool apagaComponente(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    if (edicao.isEmpty())
        return false;
    documento.setModificado(true);
    edicao.remove();
    return true;
}
