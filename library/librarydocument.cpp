#include "librarydocument.h"

#include <QFileInfo>
#include <QUndoCommand>

// A descriptions change of a step: the entries of some names before and
// after.
struct MudancaDescricoes
{
    QList<QByteArray> nomes;
    QList<Descricao> antes;
    QList<Descricao> depois;
};

// One user action: the row changes it stored and the description changes it
// made, replayed backwards on undo and forwards on redo. Row values are
// implicitly shared byte arrays, so a step costs only what it changed.
class LibraryStep : public QUndoCommand
{
public:
    LibraryStep(LibraryDocument &doc, const QString &texto) : QUndoCommand(texto), m_doc(doc) {}

    QList<ComponentTable::RowChange> linhas;
    QList<MudancaDescricoes> descricoes;
    bool ordena = false; // the action sorted the table after its changes

    void undo() override { aplica(true); }
    void redo() override
    {
        // Pushing a step that already happened must not do it again.
        if (m_feito) {
            m_feito = false;
            return;
        }
        aplica(false);
    }
    void jaFeito() { m_feito = true; }

private:
    void aplica(bool atras)
    {
        ComponentTable &table = m_doc.table();
        m_doc.m_replaying = true;
        const qsizetype n = linhas.size();
        if (n > 1)
            table.suspendNotifications();
        table.replayAll(linhas, atras);
        if (ordena && !atras)
            table.sortByName();
        if (n > 1)
            table.resumeNotifications();
        for (qsizetype k = 0; k < descricoes.size(); ++k) {
            const MudancaDescricoes &m = descricoes[atras ? descricoes.size() - 1 - k : k];
            Descricoes &d = m_doc.descricoes();
            d.remove(m.nomes);
            d.poe(atras ? m.antes : m.depois);
        }
        m_doc.m_replaying = false;
    }

    LibraryDocument &m_doc;
    bool m_feito = false;
};

namespace {
const Descricoes semDescricoes;

QString nomeVisto(const QByteArray &nome)
{
    return QString::fromLatin1(nome);
}
} // namespace

LibraryDocument::LibraryDocument(QObject *parent) : QObject(parent)
{
    connect(&m_table, &ComponentTable::afterEdit, this, [this] { setModificado(true); });
    connect(&m_table, &ComponentTable::rowStored, this, &LibraryDocument::rowStored);
    connect(&m_historico, &QUndoStack::cleanChanged, this,
            [this](bool clean) { setModificado(!clean); });
}

LibraryDocument::~LibraryDocument() = default;

void LibraryDocument::setTitulo(const QString &titulo)
{
    if (titulo == m_titulo)
        return;
    m_titulo = titulo;
    emit tituloChanged(m_titulo);
}

void LibraryDocument::setModificado(bool on)
{
    if (on == m_modificado)
        return;
    m_modificado = on;
    emit modificadoChanged(m_modificado);
}

void LibraryDocument::setBibliotecas(QList<LibraryFileInfo> bibliotecas)
{
    m_bibliotecas = std::move(bibliotecas);
}

QString LibraryDocument::filePath() const
{
    if (m_variasBibliotecas || m_bibliotecas.size() != 1)
        return {};
    return m_bibliotecas.first().caminho;
}

void LibraryDocument::setFilePath(const QString &path)
{
    descricoes(); // makes the one library file of a new library
    m_bibliotecas.first().caminho = path;
    m_bibliotecas.first().nome = QFileInfo(path).completeBaseName();
}

const Descricoes &LibraryDocument::descricoesDaLinha(int row) const
{
    const int b = row >= 0 && row < m_table.rowCount() ? m_table.bibliotecaAt(row) : -1;
    return b >= 0 && b < m_bibliotecas.size() ? m_bibliotecas[b].descricoes : semDescricoes;
}

Descricoes &LibraryDocument::descricoes()
{
    if (m_bibliotecas.isEmpty())
        m_bibliotecas.append(LibraryFileInfo{});
    return m_bibliotecas.first().descricoes;
}

void LibraryDocument::rowStored(const ComponentTable::RowChange &change)
{
    if (m_replaying)
        return;
    if (m_aberto) {
        m_aberto->linhas.append(change);
        renomeiaDescricoes(change);
        return;
    }
    QString texto;
    if (!change.before)
        texto = QStringLiteral("Inserir %1").arg(nomeVisto(change.after->nome));
    else if (!change.after)
        texto = QStringLiteral("Apagar %1").arg(nomeVisto(change.before->nome));
    else if (change.before->nome != change.after->nome)
        texto = QStringLiteral("Renomear %1").arg(nomeVisto(change.before->nome));
    else
        texto = QStringLiteral("Editar %1").arg(nomeVisto(change.after->nome));
    beginStep(texto);
    m_aberto->linhas.append(change);
    renomeiaDescricoes(change);
    endStep();
}

void LibraryDocument::renomeiaDescricoes(const ComponentTable::RowChange &change)
{
    // A renamed component takes its description to its new name.
    if (!change.before || !change.after || change.before->nome == change.after->nome)
        return;
    const Descricao *e = descricoes().procura(change.before->nome);
    if (!e)
        return;
    const QByteArray novo = change.after->nome;
    mudaDescricoes({change.before->nome, novo}, {e->renomeada(novo)});
}

void LibraryDocument::beginStep(const QString &texto)
{
    if (m_profundidade++ == 0)
        m_aberto = new LibraryStep(*this, texto);
}

void LibraryDocument::endStep(bool ordenou)
{
    if (m_profundidade == 0 || --m_profundidade > 0)
        return;
    LibraryStep *step = m_aberto;
    m_aberto = nullptr;
    if (step->linhas.isEmpty() && step->descricoes.isEmpty()) {
        delete step;
        return;
    }
    step->ordena = ordenou;
    step->jaFeito();
    m_historico.push(step);
}

void LibraryDocument::abortStep()
{
    if (m_profundidade == 0)
        return;
    m_profundidade = 0;
    std::unique_ptr<LibraryStep> step(m_aberto);
    m_aberto = nullptr;
    step->undo();
}

void LibraryDocument::mudaDescricoes(const QList<QByteArray> &nomes, const QList<Descricao> &depois)
{
    MudancaDescricoes m{nomes, {}, depois};
    Descricoes &d = descricoes();
    for (const QByteArray &nome : nomes) {
        if (const Descricao *e = d.procura(nome))
            m.antes.append(*e);
    }
    d.remove(nomes);
    d.poe(depois);
    if (m_aberto)
        m_aberto->descricoes.append(std::move(m));
}

void LibraryDocument::desfaz()
{
    m_table.storePending();
    m_historico.undo();
}

void LibraryDocument::refaz()
{
    m_table.storePending();
    m_historico.redo();
}

void LibraryDocument::limpaHistorico()
{
    m_historico.clear();
    setModificado(false);
}

void LibraryDocument::marcaSalvo()
{
    m_historico.setClean();
    setModificado(false);
}
