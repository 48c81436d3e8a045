#include "componentedit.h"

#include "edit/mescla.h"
#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "platform/dialogs.h"

#include <algorithm>
#include <functional>
#include <optional>

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
    documento.beginStep(QStringLiteral("Remover prefixo dos nomes"));
    percorreEditando(edicao, [&] {
        QByteArray nome = edicao.field(ComponentTable::Field::Nome);
        nome = substituiTodas(nome, comoNoArquivo, {});
        nome = substituiTodas(nome, maiusculo, {});
        edicao.setField(ComponentTable::Field::Nome, nome);
    });
    documento.endStep();
}

void poeNomeNosComandos(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    documento.beginStep(QStringLiteral("Copiar nome para os comandos"));
    percorreEditando(edicao, [&] {
        const QByteArray nome = edicao.field(ComponentTable::Field::Nome);
        QByteArray texto = edicao.field(ComponentTable::Field::Comandos);
        texto = substituiTodas(texto, ">NAME", nome);
        texto = substituiTodas(texto, ">name", nome);
        texto = substituiTodas(texto, ">Name", nome);
        edicao.setField(ComponentTable::Field::Comandos, texto);
    });
    documento.endStep();
}

namespace {

const QString MensagemJaExiste =
    QStringLiteral("Já existe um componente com este nome na biblioteca atual!");

QString textoDaCopia(int n)
{
    return n == 1 ? QStringLiteral("Copiar 1 componente")
                  : QStringLiteral("Copiar %1 componentes").arg(n);
}

// Appends row `row` of the search library to the edit library under `nome`,
// with its descriptions (its own and its aliases', under the names they take
// in the copy). A copy under a new name is renamed in its text too, its
// aliases as `ocupados` requires, so the saved library reads back with it.
// Returns the new row's identity.
quint64 copiaLinha(const LibraryDocument &origem, int row, LibraryDocument &destino,
                   const QByteArray &nome, TakenNames *ocupados)
{
    const ComponentTable &pesquisa = origem.table();
    ComponentTable &edicao = destino.table();
    const QByteArray original = pesquisa.nameAt(row);
    const QByteArray comandos = pesquisa.comandosAt(row);
    RenamedCopy copia;
    copia.comandos = comandos;
    if (nome != original)
        copia = renameCopy(comandos, nome, *ocupados);
    edicao.append();
    edicao.setField(ComponentTable::Field::Nome, nome);
    edicao.setField(ComponentTable::Field::Comandos, copia.comandos);
    edicao.post();
    if (ocupados)
        ocupados->add(nome, copia.comandos);
    destino.addDescriptions(
        copiedEntries(origem.descricoesDaLinha(row), original, comandos, nome, copia.aliases));
    return edicao.idAt(edicao.currentRow());
}

// Drops the edit library's current row with its descriptions.
void apagaLinha(LibraryDocument &destino)
{
    ComponentTable &edicao = destino.table();
    const QByteArray nome = edicao.field(ComponentTable::Field::Nome);
    const QByteArray comandos = edicao.field(ComponentTable::Field::Comandos);
    edicao.remove();
    destino.dropDescriptions(nome, comandos);
}

} // namespace

QByteArray proximoNomeLivre(const ComponentTable &edicao, const QByteArray &nome)
{
    for (int k = 1;; ++k) {
        const QByteArray sufixo = '_' + QByteArray::number(k);
        // The suffix must survive the name's length limit.
        const QByteArray candidato =
            nome.left(ComponentTable::MaxNameBytes - sufixo.size()) + sufixo;
        if (edicao.indexOfName(candidato) < 0)
            return candidato;
    }
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
        dialogs.message(Dialogs::Kind::Error, MensagemJaExiste, Dialogs::Button::Ok);
        return CopyResult::Refused;
    }
    destino.beginStep(textoDaCopia(1));
    copiaLinha(origem, pesquisa.currentRow(), destino, nome, nullptr);
    destino.setModificado(true);
    edicao.sortByName();
    destino.endStep(true);
    return CopyResult::Copied;
}

CopiaVarias copiaComponentes(const LibraryDocument &origem, const QList<int> &linhas,
                             LibraryDocument &destino, DialogService &dialogs)
{
    const ComponentTable &pesquisa = origem.table();
    ComponentTable &edicao = destino.table();
    CopiaVarias r;
    std::optional<Dialogs::Clash> paraTodos;
    // The edit library's names and aliases, gathered at the first rename.
    std::optional<TakenNames> ocupados;
    quint64 ultima = 0;
    destino.beginStep(textoDaCopia(int(linhas.size())));
    for (int row : linhas) {
        if (row < 0 || row >= pesquisa.rowCount())
            continue;
        QByteArray nome = pesquisa.nameAt(row);
        if (const int existente = edicao.indexOfName(nome); existente >= 0) {
            Dialogs::Clash escolha;
            if (paraTodos) {
                escolha = *paraTodos;
            } else {
                const Dialogs::ClashAnswer a = dialogs.clash(QString::fromLatin1(nome));
                escolha = a.choice;
                if (a.applyToAll)
                    paraTodos = escolha;
            }
            if (escolha == Dialogs::Clash::Cancel) {
                destino.abortStep();
                return CopiaVarias{0, 0, true};
            }
            if (escolha == Dialogs::Clash::Skip) {
                ++r.pulados;
                continue;
            }
            if (escolha == Dialogs::Clash::Replace) {
                edicao.moveTo(existente);
                apagaLinha(destino);
                ocupados.reset();
            } else {
                nome = proximoNomeLivre(edicao, nome);
                if (!ocupados)
                    ocupados.emplace(edicao);
            }
        }
        ultima = copiaLinha(origem, row, destino, nome, ocupados ? &*ocupados : nullptr);
        ++r.copiados;
    }
    if (r.copiados > 0) {
        destino.setModificado(true);
        edicao.sortByName();
        edicao.moveTo(edicao.rowOfId(ultima));
    }
    destino.endStep(true);
    return r;
}

bool apagaComponente(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    if (edicao.isEmpty())
        return false;
    documento.setModificado(true);
    documento.beginStep(QStringLiteral("Apagar %1")
                            .arg(QString::fromLatin1(edicao.field(ComponentTable::Field::Nome))));
    apagaLinha(documento);
    documento.endStep();
    return true;
}

bool apagaComponentes(LibraryDocument &documento, QList<int> linhas)
{
    ComponentTable &edicao = documento.table();
    linhas.removeIf([&](int linha) { return linha < 0 || linha >= edicao.rowCount(); });
    // From the last row up, so that each index still names its row.
    std::sort(linhas.begin(), linhas.end(), std::greater<>());
    linhas.erase(std::unique(linhas.begin(), linhas.end()), linhas.end());
    if (linhas.size() <= 1) {
        if (linhas.isEmpty())
            return false;
        edicao.moveTo(linhas.first());
        return apagaComponente(documento);
    }
    documento.setModificado(true);
    PassagemEmMassa passagem(documento);
    documento.beginStep(QStringLiteral("Apagar %1 componentes").arg(linhas.size()));
    for (int linha : linhas) {
        edicao.moveTo(linha);
        apagaLinha(documento);
    }
    documento.endStep();
    return true;
}
