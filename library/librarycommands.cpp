#include "librarycommands.h"

#include "convert/libraryconversion.h"
#include "kicadsym/symbolsexpr.h"
#include "kicadsym/versionlimits.h"
#include "library/kicadsymdocument.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"
#include "platform/dialogs.h"
#include "symbol/legacysymbol.h"

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

const QString LibraryFilter =
    QStringLiteral("Bibliotecas|*.lib;*.kicad_sym|KiCad 5 (*.lib)|*.lib|KiCad 6 e posteriores "
                   "(*.kicad_sym)|*.kicad_sym|Todos arquivos|*.*");

// A KiCad 10 library is a folder of one-symbol files: a file chosen inside
// one stands for its folder.
QString kicadLibraryPath(const QString &chosen)
{
    const QFileInfo f(chosen);
    if (f.isFile() && isKicadSymPath(f.absolutePath()) &&
        f.absolutePath().endsWith(QLatin1String(".kicad_symdir"), Qt::CaseInsensitive))
        return f.absolutePath();
    return isKicadSymPath(chosen) ? chosen : QString();
}

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
    return LibraryFileInfo{path,
                           QFileInfo(path).completeBaseName(),
                           carregaDescricoes(caminhoDcm(path)).descricoes,
                           {}};
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
    FileResult result;
    LibraryFileInfo info;
    if (const QString kicad = kicadLibraryPath(*path); !kicad.isEmpty()) {
        KicadSymRead read = readKicadSymPath(kicad);
        if (!read.ok())
            return falha(dialogs, naoCarregou(kicad, read.message()));
        appendKicadSymRows(lida, read.library);
        info = kicadSymFileInfo(kicad, std::move(read.library));
    } else {
        result = readLibraryFile(*path, lida);
        if (!result.ok)
            return falha(dialogs, naoCarregou(*path, result.error));
        info = arquivo(*path);
    }
    lida.sortByName();
    // The file's descriptions are there before its rows are shown.
    doc.setVariasBibliotecas(false);
    const QString loaded = info.caminho;
    doc.setBibliotecas({std::move(info)});
    doc.table().takeRowsFrom(lida);
    doc.limpaHistorico();
    doc.setTitulo(caminhoMostrado(loaded));
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
    const QStringList legados =
        dir.entryList({QStringLiteral("*.lib")}, QDir::Files | QDir::Hidden, QDir::Name);
    // KiCad 6 and later files and KiCad 10 folders, read together up front.
    const QStringList kicad =
        dir.entryList({QStringLiteral("*.kicad_sym")}, QDir::Files | QDir::Hidden) +
        dir.entryList({QStringLiteral("*.kicad_symdir")},
                      QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    QStringList nomes = legados + kicad;
    std::sort(nomes.begin(), nomes.end());
    QStringList kicadPaths;
    for (const QString &k : kicad)
        kicadPaths << dir.filePath(k);
    QList<KicadSymRead> lidasKicad = readKicadSymPaths(kicadPaths);
    ComponentTable todas;
    todas.suspendNotifications();
    QList<LibraryFileInfo> bibliotecas;
    std::vector<std::pair<ComponentTable::Lote, int>> lotes;
    {
        std::optional<LeitoresDePasta> leitores;
        if (!legados.isEmpty())
            leitores.emplace(dir, legados);
        for (qsizetype i = 0; i < nomes.size(); ++i) {
            if (progresso && !progresso(int(i), int(nomes.size())))
                return CommandResult::cancelled();
            if (const qsizetype k = kicad.indexOf(nomes[i]); k >= 0) {
                KicadSymRead &read = lidasKicad[k];
                if (!read.ok()) {
                    if (ignorados)
                        *ignorados << nomes[i] + QStringLiteral(": ") + read.message();
                    continue;
                }
                ComponentTable uma;
                uma.suspendNotifications();
                appendKicadSymRows(uma, read.library);
                uma.sortByName();
                lotes.emplace_back(uma.tiraLote(), int(bibliotecas.size()));
                bibliotecas.append(kicadSymFileInfo(kicadPaths[k], std::move(read.library)));
                continue;
            }
            Lida &lida = leitores->espera(legados.indexOf(nomes[i]));
            if (lida.motivo.isEmpty()) {
                lotes.emplace_back(std::move(lida.lote), int(bibliotecas.size()));
                const QString path = dir.filePath(nomes[i]);
                bibliotecas.append(LibraryFileInfo{
                    path, QFileInfo(path).completeBaseName(), std::move(lida.descricoes), {}});
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

const QString SaveFilter = QStringLiteral(
    "KiCad 5 (*.lib)|*.lib|KiCad 6 e posteriores (*.kicad_sym)|*.kicad_sym|Todos arquivos|*.*");

struct VersionChoice
{
    int version;
    const char *label;
};
constexpr VersionChoice SaveVersions[] = {
    {KicadSymVersion::v6, "KiCad 6 (20211014)"},
    {KicadSymVersion::v7, "KiCad 7 (20220914)"},
    {KicadSymVersion::v8, "KiCad 8 (20231120)"},
    {KicadSymVersion::v9, "KiCad 9 (20241209)"},
};

// The library's file frame (header and closing) as `version` writes it:
// after a save in another version, the next save in that version is
// byte for byte what this one wrote.
void takeFrameOf(KicadSymLibrary &lib, int version)
{
    KicadSymLibrary empty = lib;
    empty.rows.clear();
    empty.folder = false;
    empty.version = 0; // not the version written: the header is made anew
    const QByteArray bytes = writeKicadSym(empty, version).bytes;
    const qsizetype close = bytes.endsWith(")\n") ? 2 : 1;
    lib.head = bytes.chopped(close);
    lib.tail = bytes.right(close);
    lib.version = version;
    for (KicadSymRow &row : lib.rows)
        row.leading.clear();
}

// Whether a row of the table is in the format asked (.kicad_sym or legacy).
bool hasRowsOfFormat(const ComponentTable &table, bool kicad)
{
    for (int r = 0; r < table.rowCount(); ++r)
        if (isKicadSymText(table.comandosAt(r)) == kicad)
            return true;
    return false;
}

// A .kicad_sym save: in the library's own version when written in place,
// else in the version the user picks, after being told what it cannot hold.
CommandResult salvaKicad(LibraryDocument &edicao, DialogService &dialogs, const QString &path,
                         bool asked)
{
    const bool folder = path.endsWith(QLatin1String(".kicad_symdir"), Qt::CaseInsensitive);
    const QList<LibraryFileInfo> &files = edicao.bibliotecas();
    const bool wasFolder = !files.isEmpty() && files.first().kicad && files.first().kicad->folder;
    int version = kicadVersionOf(edicao);
    if (folder && !wasFolder)
        version = KicadSymVersion::v10;
    if (asked && !folder) {
        QStringList items;
        int current = 0;
        for (int i = 0; i < int(std::size(SaveVersions)); ++i) {
            items << QString::fromLatin1(SaveVersions[i].label);
            if (SaveVersions[i].version == version)
                current = i;
        }
        const std::optional<int> c =
            dialogs.choose(QStringLiteral("Salvar para qual versão do KiCad?"), items, current);
        if (!c || *c < 0 || *c >= items.size())
            return CommandResult::cancelled();
        version = SaveVersions[*c].version;
    }
    if (asked) {
        const QStringList losses = versionLossesOf(edicao, version);
        if (!losses.isEmpty() &&
            dialogs.message(Dialogs::Kind::Warning,
                            QStringLiteral("Estes símbolos têm o que o %1 não guarda (fica de "
                                           "fora do arquivo):\n%2\n\nSalvar mesmo assim?")
                                .arg(kicadRelease(version), losses.join(u'\n')),
                            Dialogs::Button::Yes | Dialogs::Button::Cancel) != Dialogs::Button::Yes)
            return CommandResult::cancelled();
    }
    KicadSymLibrary lib = kicadSymForSave(edicao);
    if (folder != lib.folder) {
        lib.folder = folder;
        if (!folder)
            for (KicadSymRow &row : lib.rows) {
                row.fileName.clear();
                row.fileHead.clear();
                row.fileTail.clear();
            }
    }
    // A library never read from a .kicad_sym has no file frame of its own.
    if (!folder && !files.value(0).kicad)
        takeFrameOf(lib, version);
    const CommandResult r = saveKicadSym(lib, path, version);
    if (r.isFailed())
        return falha(
            dialogs,
            QStringLiteral("Não foi possível salvar %1: %2").arg(caminhoMostrado(path), r.message));
    if (!folder && (lib.version != version || !files.value(0).kicad || wasFolder))
        takeFrameOf(lib, version);
    lib.version = version;
    // Legacy rows were converted on the way out: the pane takes the symbols
    // written, or the next save would put legacy text in the file.
    const bool converted = hasRowsOfFormat(edicao.table(), false);
    ComponentTable escritas;
    if (converted) {
        escritas.suspendNotifications();
        appendKicadSymRows(escritas, lib);
        escritas.sortByName();
    }
    edicao.setBibliotecas({kicadSymFileInfo(path, std::move(lib))});
    if (converted) {
        edicao.table().takeRowsFrom(escritas);
        edicao.limpaHistorico();
    }
    edicao.marcaSalvo();
    edicao.setTitulo(caminhoMostrado(path));
    return CommandResult::done();
}

// A library of .kicad_sym symbols saved as a .lib: converted whole, after
// listing what the legacy format cannot hold; the pane then holds the
// library as written (legacy rows, the new .dcm), as if loaded from it.
CommandResult salvaConvertida(LibraryDocument &edicao, DialogService &dialogs, const QString &path)
{
    const ComponentTable &table = edicao.table();
    QList<Symbol> symbols;
    QStringList unread;
    for (int r = 0; r < table.rowCount(); ++r) {
        const QByteArray t = table.comandosAt(r);
        if (!isKicadSymText(t)) {
            symbols << symbolsFromLegacy(t, &edicao.descricoesDaLinha(r));
            continue;
        }
        const SymbolBuild b = buildSymbol(t);
        if (b.ok())
            symbols << b.symbol;
        else
            unread << QString::fromUtf8(table.nameAt(r));
    }
    if (!unread.isEmpty())
        return falha(dialogs, QStringLiteral("Estes símbolos não se leem e não podem ser "
                                             "convertidos para uma .lib: %1")
                                  .arg(unread.join(QStringLiteral(", "))));
    ConvertedLibrary c;
    c.format = SymbolFormat::Legacy;
    c.legacy = legacyLibrary(symbols);
    if (!c.legacy.losses.isEmpty() &&
        dialogs.message(Dialogs::Kind::Warning,
                        QStringLiteral("Estes símbolos têm o que uma biblioteca .lib não guarda "
                                       "(fica de fora do arquivo):\n%1\n\nSalvar mesmo assim?")
                            .arg(lossLines(c.legacy.losses).join(u'\n')),
                        Dialogs::Button::Yes | Dialogs::Button::Cancel) != Dialogs::Button::Yes)
        return CommandResult::cancelled();
    if (const QString error = saveConvertedLibrary(c, path); !error.isEmpty())
        return falha(dialogs, error);
    ComponentTable lida;
    lida.suspendNotifications();
    for (const LegacyComponent &comp : c.legacy.components) {
        lida.append();
        lida.setField(ComponentTable::Field::Nome, comp.nome);
        lida.setField(ComponentTable::Field::Comandos, comp.comandos);
        lida.post();
    }
    lida.sortByName();
    edicao.setVariasBibliotecas(false);
    edicao.setBibliotecas({arquivo(path)});
    edicao.table().takeRowsFrom(lida);
    edicao.limpaHistorico();
    edicao.marcaSalvo();
    edicao.setFilePath(path);
    edicao.setTitulo(caminhoMostrado(path));
    return CommandResult::done();
}

// The save, after the dialog when `path` is not given.
CommandResult salva(LibraryDocument &edicao, DialogService &dialogs, const QDateTime &when,
                    std::optional<QString> path)
{
    ComponentTable &table = edicao.table();
    if (table.isEmpty())
        return falha(dialogs, QStringLiteral("Biblioteca vazia!"));
    PassagemEmMassa passagem(edicao);
    bool asked = false;
    if (!path) {
        Dialogs::FileOptions options;
        options.title = QStringLiteral("Salvar Biblioteca");
        options.key = QStringLiteral("salvar");
        options.presetName = edicao.titulo();
        options.filter = SaveFilter;
        options.defaultSuffix = formatOf(edicao) == LibraryFormat::KicadSym
                                    ? QStringLiteral("kicad_sym")
                                    : QStringLiteral("lib");
        options.initialFolder = QStringLiteral(".");
        options.overwritePrompt = true;
        path = dialogs.saveFile(options);
        asked = true;
    }
    CommandResult outcome = CommandResult::cancelled();
    if (path && isKicadSymPath(*path)) {
        table.suspendNotifications();
        table.first();
        outcome = salvaKicad(edicao, dialogs, *path, asked);
        table.resumeNotifications();
    } else if (path && hasRowsOfFormat(table, true)) {
        table.suspendNotifications();
        table.first();
        table.resumeNotifications();
        outcome = salvaConvertida(edicao, dialogs, *path);
    } else if (path) {
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
