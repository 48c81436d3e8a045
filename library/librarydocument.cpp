#include "librarydocument.h"

#include "library/componentrename.h"

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
            for (const Descricao &e : atras ? m.antes : m.depois)
                d.acrescenta(e);
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

// The name of the step a stored row change makes on its own.
QString textoDoPasso(const ComponentTable::RowChange &change)
{
    if (!change.before)
        return QStringLiteral("Inserir %1").arg(nomeVisto(change.after->nome));
    if (!change.after)
        return QStringLiteral("Apagar %1").arg(nomeVisto(change.before->nome));
    if (change.before->nome != change.after->nome)
        return QStringLiteral("Renomear %1").arg(nomeVisto(change.before->nome));
    return QStringLiteral("Editar %1").arg(nomeVisto(change.after->nome));
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

void LibraryDocument::setPassagemEmMassa(bool on)
{
    const bool ended = m_passagemEmMassa && !on;
    m_passagemEmMassa = on;
    if (ended)
        emit bulkPassEnded();
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
    beginStep(textoDoPasso(change));
    m_aberto->linhas.append(change);
    renomeiaDescricoes(change);
    endStep();
}

void LibraryDocument::renomeiaDescricoes(const ComponentTable::RowChange &change)
{
    // A renamed component takes its description to its new name.
    if (!change.before || !change.after)
        return;
    const QByteArray antigo = dcmName(change.before->nome);
    const QByteArray novo = dcmName(change.after->nome);
    if (antigo == novo || antigo.isEmpty())
        return;
    const QList<Descricao> entradas = descricoes().todas(antigo);
    if (entradas.isEmpty())
        return;
    const qsizetype c = entradas.size();
    const qsizetype ficam = qMin<qsizetype>(c, holdersOf(antigo));
    // With as many holders left as entries, the name keeps them all and the
    // renamed component takes a copy of the first.
    const QList<Descricao> levadas = ficam == c ? entradas.first(1) : entradas.first(c - ficam);
    QList<Descricao> depois = entradas.last(ficam);
    for (const Descricao &e : levadas)
        depois.append(e.renomeada(novo));
    depois += descricoes().todas(novo);
    mudaDescricoes({antigo, novo}, depois);
}

int LibraryDocument::holdersOf(const QByteArray &nome) const
{
    if (nome.isEmpty())
        return 0;
    int n = 0;
    for (int r = 0; r < m_table.rowCount(); ++r) {
        if (dcmName(m_table.nameAt(r)) == nome) {
            ++n;
            continue;
        }
        if (m_table.aliasesAt(r).contains(nome))
            ++n;
    }
    return n;
}

void LibraryDocument::addDescriptions(const QList<Descricao> &entradas)
{
    if (entradas.isEmpty())
        return;
    QList<QByteArray> nomes;
    QList<Descricao> depois;
    for (const Descricao &e : entradas) {
        const QByteArray nome = e.nome().toByteArray();
        if (nomes.contains(nome))
            continue;
        nomes.append(nome);
        for (const Descricao &x : entradas) {
            if (x.nome() == nome)
                depois.append(x);
        }
        depois += descricoes().todas(nome);
    }
    mudaDescricoes(nomes, depois);
}

void LibraryDocument::dropDescriptions(const QByteArray &nome, const QByteArray &comandos)
{
    QList<QByteArray> nomes;
    QList<Descricao> depois;
    for (const QByteArray &n : nomesDoComponente(nome, comandos)) {
        const QList<Descricao> entradas = descricoes().todas(n);
        if (entradas.isEmpty())
            continue;
        const qsizetype ficam = qMin<qsizetype>(entradas.size(), holdersOf(n));
        if (ficam == entradas.size())
            continue;
        nomes.append(n);
        depois += entradas.last(ficam);
    }
    if (!nomes.isEmpty())
        mudaDescricoes(nomes, depois);
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
    for (const QByteArray &nome : nomes)
        m.antes += d.todas(nome);
    d.remove(nomes);
    for (const Descricao &e : depois)
        d.acrescenta(e);
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

std::optional<QString> LibraryDocument::undoText(bool typed) const
{
    if (const std::optional<ComponentTable::RowChange> pending = m_table.pendingChange(typed))
        return textoDoPasso(*pending);
    if (!m_historico.canUndo())
        return std::nullopt;
    return m_historico.undoText();
}

std::optional<QString> LibraryDocument::redoText(bool typed) const
{
    if (m_table.pendingChange(typed) || !m_historico.canRedo())
        return std::nullopt;
    return m_historico.redoText();
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
