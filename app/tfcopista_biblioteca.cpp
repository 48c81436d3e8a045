// Loading the two libraries and saving the edit library.
#include "tfcopista.h"

#include "library/libraryfile.h"
#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>

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

} // namespace

bool Tfcopista::carregaPara(ComponentTable &table, const QString &presetName, QString *chosen)
{
    Dialogs::FileOptions options;
    options.presetName = presetName;
    options.initialFolder = initialFolder(presetName);
    options.filter = LibraryFilter;
    options.defaultSuffix = QStringLiteral("lib");
    const std::optional<QString> path = m_dialogs->openFile(options);
    if (!path)
        return false;
    *chosen = *path;
    if (&table == &RxMD_comp)
        modificado = false;
    const FileResult result = carregaBiblioteca(*path, table);
    if (!result.ok) {
        mostraErro(result.error);
        return false;
    }
    return true;
}

void Tfcopista::SB_carregarClick()
{
    if (!confirmaDescarte())
        return;
    QString path;
    const bool loaded = carregaPara(RxMD_comp, Panel5->text(), &path);
    if (path.isEmpty())
        return; // cancelled: nothing changes
    modificado = false;
    if (loaded)
        Panel5->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

void Tfcopista::RxSB_carregar2Click()
{
    QString path;
    const bool loaded = carregaPara(RxMD_comp2, m_ultimoNomePesquisa, &path);
    if (path.isEmpty())
        return;
    m_ultimoNomePesquisa = path;
    if (loaded)
        panel6->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

void Tfcopista::SB_salvarClick()
{
    if (RxMD_comp.isEmpty()) {
        mostraErro(QStringLiteral("Biblioteca vazia!"));
        return;
    }
    Dialogs::FileOptions options;
    options.title = QStringLiteral("Salvar Biblioteca");
    options.presetName = Panel5->text();
    options.defaultSuffix = QStringLiteral("lib");
    options.initialFolder = QStringLiteral(".");
    options.overwritePrompt = true;

    passagemEmMassa = true;
    if (const std::optional<QString> path = m_dialogs->saveFile(options)) {
        // Moving to the first row stores a pending edit of the current one.
        RxMD_comp.suspendNotifications();
        RxMD_comp.first();
        const FileResult result = salvaBiblioteca(*path, RxMD_comp, QDateTime::currentDateTime());
        RxMD_comp.resumeNotifications();
        if (result.ok) {
            modificado = false;
            Panel5->setText(QDir::toNativeSeparators(QFileInfo(*path).absoluteFilePath()));
        } else {
            mostraErro(result.error);
        }
    }
    // The first row becomes current while the flag still holds the preview
    // on the component that was current when the command began.
    RxMD_comp.first();
    passagemEmMassa = false;
}
