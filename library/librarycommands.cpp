#include "librarycommands.h"

#include "library/librarydocument.h"
#include "library/libraryfile.h"
#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

const QString MensagemDescarte = QStringLiteral("Biblioteca atual modificada, descartar?");

namespace {

const QString LibraryFilter = QStringLiteral("Bibliotecas|*.lib|Todos arquivos|*.*");

// The "drive" of a path: a drive letter and colon, or the server and share of
// a network path; empty for an ordinary path on this platform.
QString drivePart(const QString &path)
{
    if (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter())
        return path.left(2);
    if (path.startsWith(QLatin1String("//")) || path.startsWith(QLatin1String("\\\\"))) {
        const QString rest = path.mid(2);
        const QStringList parts = rest.split(QRegularExpression(QStringLiteral("[/\\\\]")));
        if (parts.size() >= 2)
            return path.left(2) + parts[0] + QLatin1Char('/') + parts[1];
    }
    return {};
}

// The load dialogs start in the default library folder when it exists and
// no name is preset.
QString initialFolder(const QString &presetName)
{
    const QString folder =
        drivePart(QCoreApplication::applicationFilePath()) + QStringLiteral("/kicad/library");
    if (presetName.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return {};
}

QString caminhoMostrado(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The library file a document's rows came from, with the .dcm beside it (a
// .dcm that cannot be read leaves the library without descriptions).
LibraryFileInfo arquivo(const QString &path)
{
    return LibraryFileInfo{path, QFileInfo(path).completeBaseName(),
                           carregaDescricoes(caminhoDcm(path)).descricoes};
}

CommandResult falha(DialogService &dialogs, const QString &message)
{
    dialogs.message(Dialogs::Kind::Error, message, Dialogs::Button::Ok);
    return CommandResult::failed(message);
}

QString naoCarregou(const QString &path, const QString &reason)
{
    return QStringLiteral("Não foi possível carregar %1: %2.").arg(caminhoMostrado(path), reason);
}

QString componenteIncompleto(const QString &path, const QByteArray &name)
{
    return QStringLiteral("O arquivo %1 termina dentro do componente %2 (falta o ENDDEF); esse "
                          "componente ficou de fora.")
        .arg(caminhoMostrado(path), QString::fromLatin1(name));
}

// The open dialog and the load, common to both panes. A loaded file clears
// the modified flag with the history, whatever the file holds.
CommandResult carrega(LibraryDocument &doc, DialogService &dialogs, const QString &presetName,
                      const QString &key)
{
    Dialogs::FileOptions options;
    options.key = key;
    options.presetName = presetName;
    options.initialFolder = initialFolder(presetName);
    options.filter = LibraryFilter;
    options.defaultSuffix = QStringLiteral("lib");
    const std::optional<QString> path = dialogs.openFile(options);
    if (!path || path->isEmpty())
        return CommandResult::cancelled();
    doc.setUltimaEscolha(*path);
    // Read aside: a file that does not load leaves the pane as it was (rows,
    // title, flag and history).
    ComponentTable lida;
    lida.suspendNotifications();
    const FileResult result = readLibraryFile(*path, lida);
    if (!result.ok)
        return falha(dialogs, naoCarregou(*path, result.error));
    lida.sortByName();
    // The file's descriptions are there before its rows are shown.
    doc.setVariasBibliotecas(false);
    doc.setBibliotecas({arquivo(*path)});
    doc.table().takeRowsFrom(lida);
    doc.limpaHistorico();
    doc.setTitulo(caminhoMostrado(*path));
    if (!result.unfinished.isEmpty())
        dialogs.message(Dialogs::Kind::Warning, componenteIncompleto(*path, result.unfinished),
                        Dialogs::Button::Ok);
    return CommandResult::done();
}

} // namespace

bool confirmaDescarte(const LibraryDocument &edicao, DialogService &dialogs)
{
    if (!edicao.modificado())
        return true;
    return dialogs.message(Dialogs::Kind::Warning, MensagemDescarte,
                           Dialogs::Button::Yes | Dialogs::Button::Cancel) == Dialogs::Button::Yes;
}

CommandResult novaBiblioteca(LibraryDocument &edicao, DialogService &dialogs)
{
    if (!confirmaDescarte(edicao, dialogs))
        return CommandResult::cancelled();
    edicao.table().clear();
    edicao.setBibliotecas({});
    edicao.limpaHistorico();
    edicao.setModificado(false);
    edicao.setTitulo(QStringLiteral("nova"));
    return CommandResult::done();
}

CommandResult carregaEdicao(LibraryDocument &edicao, DialogService &dialogs)
{
    if (!confirmaDescarte(edicao, dialogs))
        return CommandResult::cancelled();
    return carrega(edicao, dialogs, edicao.titulo(), QStringLiteral("edicao"));
}

CommandResult carregaPesquisa(LibraryDocument &pesquisa, DialogService &dialogs)
{
    return carrega(pesquisa, dialogs, pesquisa.ultimaEscolha(), QStringLiteral("pesquisa"));
}

namespace {

// One library file of a folder as a worker read it: its rows and its
// descriptions, or why it was skipped.
struct Lida
{
    ComponentTable::Lote lote;
    Descricoes descricoes;
    QString motivo;
    QByteArray incompleto; // a component the file ended inside, left out
    bool pronta = false;
};

// Reads the folder's files on every core while the caller takes them in
// order: each worker has a table of its own (making one opens a collator,
// which costs more than reading a small library) and sorts what it read, so
// the name keys are made in parallel and travel with the rows.
class LeitoresDePasta
{
public:
    LeitoresDePasta(const QDir &dir, const QStringList &nomes) : m_dir(dir), m_nomes(nomes)
    {
        m_lidas.resize(size_t(nomes.size()));
        const int n =
            int(qBound(qsizetype(1), qsizetype(QThread::idealThreadCount()), nomes.size()));
        m_tabelas.resize(size_t(n));
        for (auto &t : m_tabelas) {
            t = std::make_unique<ComponentTable>();
            t->suspendNotifications();
        }
        for (int k = 0; k < n; ++k)
            m_workers.emplace_back([this, k] { trabalha(*m_tabelas[size_t(k)]); });
    }

    ~LeitoresDePasta()
    {
        m_parar = true;
        for (std::thread &w : m_workers)
            w.join();
    }

    // File i, once a worker has read it.
    Lida &espera(qsizetype i)
    {
        std::unique_lock lock(m_mutex);
        m_pronta.wait(lock, [&] { return m_lidas[size_t(i)].pronta; });
        return m_lidas[size_t(i)];
    }

private:
    void trabalha(ComponentTable &uma)
    {
        for (;;) {
            const qsizetype i = m_proxima++;
            if (i >= m_nomes.size() || m_parar)
                return;
            Lida lida = le(m_dir.filePath(m_nomes[i]), uma);
            std::lock_guard lock(m_mutex);
            m_lidas[size_t(i)] = std::move(lida);
            m_lidas[size_t(i)].pronta = true;
            m_pronta.notify_all();
        }
    }

    static Lida le(const QString &path, ComponentTable &uma)
    {
        Lida lida;
        const FileResult lido = readLibraryFile(path, uma);
        if (!lido.ok) {
            uma.clear();
            lida.motivo = lido.error;
        } else {
            uma.sortByName();
            lida.lote = uma.tiraLote();
            lida.descricoes = carregaDescricoes(caminhoDcm(path)).descricoes;
            lida.incompleto = lido.unfinished;
        }
        return lida;
    }

    const QDir m_dir;
    const QStringList m_nomes;
    std::vector<Lida> m_lidas;
    std::vector<std::unique_ptr<ComponentTable>> m_tabelas;
    std::atomic<qsizetype> m_proxima = 0;
    std::atomic<bool> m_parar = false;
    std::mutex m_mutex;
    std::condition_variable m_pronta;
    std::vector<std::thread> m_workers;
};

} // namespace

CommandResult carregaPasta(LibraryDocument &pesquisa, const QString &pasta,
                           const std::function<bool(int, int)> &progresso, QStringList *ignorados,
                           QStringList *incompletos)
{
    const QDir dir(pasta);
    if (!dir.exists())
        return CommandResult::failed(
            QStringLiteral("Pasta não encontrada: %1").arg(QDir::toNativeSeparators(pasta)));
    const QStringList nomes =
        dir.entryList({QStringLiteral("*.lib")}, QDir::Files | QDir::Hidden, QDir::Name);
    ComponentTable todas;
    todas.suspendNotifications();
    QList<LibraryFileInfo> bibliotecas;
    std::vector<std::pair<ComponentTable::Lote, int>> lotes;
    {
        std::optional<LeitoresDePasta> leitores;
        if (!nomes.isEmpty())
            leitores.emplace(dir, nomes);
        for (qsizetype i = 0; i < nomes.size(); ++i) {
            if (progresso && !progresso(int(i), int(nomes.size())))
                return CommandResult::cancelled();
            Lida &lida = leitores->espera(i);
            if (lida.motivo.isEmpty()) {
                lotes.emplace_back(std::move(lida.lote), int(bibliotecas.size()));
                const QString path = dir.filePath(nomes[i]);
                bibliotecas.append(LibraryFileInfo{path, QFileInfo(path).completeBaseName(),
                                                   std::move(lida.descricoes)});
                if (!lida.incompleto.isEmpty() && incompletos)
                    *incompletos << nomes[i] + QStringLiteral(": ") +
                                        QString::fromLatin1(lida.incompleto);
            } else if (ignorados) {
                *ignorados << nomes[i] + QStringLiteral(": ") + lida.motivo;
            }
        }
    }
    if (progresso && !progresso(int(nomes.size()), int(nomes.size())))
        return CommandResult::cancelled();
    todas.juntaLotesOrdenados(std::move(lotes));
    pesquisa.setBibliotecas(std::move(bibliotecas));
    pesquisa.setVariasBibliotecas(true);
    pesquisa.limpaHistorico();
    pesquisa.table().takeRowsFrom(todas);
    pesquisa.setTitulo(QDir::toNativeSeparators(dir.absolutePath()));
    return CommandResult::done();
}

CommandResult carregaPastaPesquisa(LibraryDocument &pesquisa, DialogService &dialogs,
                                   const std::function<bool(int, int)> &progresso)
{
    Dialogs::FileOptions options;
    options.title = QStringLiteral("Carregar pasta de pesquisa");
    options.key = QStringLiteral("pasta");
    options.initialFolder = pesquisa.ultimaEscolha();
    const std::optional<QString> pasta = dialogs.openFolder(options);
    if (!pasta || pasta->isEmpty())
        return CommandResult::cancelled();
    pesquisa.setUltimaEscolha(*pasta);
    QStringList ignorados;
    QStringList incompletos;
    const CommandResult r = carregaPasta(pesquisa, *pasta, progresso, &ignorados, &incompletos);
    if (r.isFailed())
        return falha(dialogs, r.message);
    QStringList partes;
    if (!ignorados.isEmpty())
        partes << QStringLiteral("Arquivos ignorados:\n") + ignorados.join(u'\n');
    if (!incompletos.isEmpty())
        partes << QStringLiteral("Componentes incompletos (sem ENDDEF), deixados de fora:\n") +
                      incompletos.join(u'\n');
    if (r.isDone() && !partes.isEmpty())
        dialogs.message(Dialogs::Kind::Warning, partes.join(QStringLiteral("\n\n")),
                        Dialogs::Button::Ok);
    return r;
}

namespace {

// The save, after the dialog when `path` is not given.
CommandResult salva(LibraryDocument &edicao, DialogService &dialogs, const QDateTime &when,
                    std::optional<QString> path)
{
    ComponentTable &table = edicao.table();
    if (table.isEmpty())
        return falha(dialogs, QStringLiteral("Biblioteca vazia!"));
    PassagemEmMassa passagem(edicao);
    if (!path) {
        Dialogs::FileOptions options;
        options.title = QStringLiteral("Salvar Biblioteca");
        options.key = QStringLiteral("salvar");
        options.presetName = edicao.titulo();
        options.defaultSuffix = QStringLiteral("lib");
        options.initialFolder = QStringLiteral(".");
        options.overwritePrompt = true;
        path = dialogs.saveFile(options);
    }
    CommandResult outcome = CommandResult::cancelled();
    if (path) {
        // Moving to the first row stores a pending edit of the current one.
        table.suspendNotifications();
        table.first();
        const FileResult result = salvaBiblioteca(*path, table, when);
        table.resumeNotifications();
        if (result.ok) {
            edicao.marcaSalvo();
            edicao.setFilePath(*path);
            edicao.setTitulo(caminhoMostrado(*path));
            outcome = CommandResult::done();
            // The descriptions beside the library; the library itself is
            // saved whatever becomes of them.
            const QString dcm = caminhoDcm(*path);
            const FileResult d = salvaDescricoes(dcm, componentesDe(table), edicao.descricoes());
            if (!d.ok)
                outcome = falha(dialogs, QStringLiteral("A biblioteca foi salva, mas as "
                                                        "descrições não: %1: %2")
                                             .arg(QDir::toNativeSeparators(dcm), d.error));
        } else {
            outcome = falha(dialogs, result.error);
        }
    }
    // The first row becomes current while the flag still holds the preview
    // on the component that was current when the command began.
    table.first();
    return outcome;
}

} // namespace

CommandResult salvaEdicao(LibraryDocument &edicao, DialogService &dialogs, const QDateTime &when)
{
    return salva(edicao, dialogs, when, std::nullopt);
}

CommandResult saveEditToItsFile(LibraryDocument &edicao, DialogService &dialogs,
                                const QDateTime &when)
{
    const QString path = edicao.filePath();
    return salva(edicao, dialogs, when,
                 path.isEmpty() ? std::nullopt : std::optional<QString>(path));
}
