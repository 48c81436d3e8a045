#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <optional>

// The seam through which the window shows every message box and file
// dialog. The window uses the Qt implementation; tests use a scripted one that
// records each dialog and answers from a queue.
namespace Dialogs {

enum class Kind { Warning, Error, Information, Confirmation };

enum class Button {
    NoButton = 0,
    Ok = 0x1,
    Cancel = 0x2,
    Abort = 0x4,
    Ignore = 0x8,
    Yes = 0x10,
    No = 0x20,
};
Q_DECLARE_FLAGS(Buttons, Button)

struct FileOptions
{
    QString title;
    QString presetName;    // file name shown when the dialog opens
    QString initialFolder; // empty: the platform's own choice
    QString filter;        // "Bibliotecas|*.lib|Todos arquivos|*.*" form; empty for none
    QString defaultSuffix; // added when the typed name has none, without the dot
    bool overwritePrompt = false;
    // Names the dialog among the program's dialogs: each remembers the last
    // folder it was left in, between runs.
    QString key;
};

// The answer to a name clash while copying several components:
// "Substituir", "Pular", "Renomear" or "Cancelar", and whether "Aplicar a
// todos" was checked.
enum class Clash { Replace, Skip, Rename, Cancel };
struct ClashAnswer
{
    Clash choice = Clash::Cancel;
    bool applyToAll = false;
};

} // namespace Dialogs

Q_DECLARE_OPERATORS_FOR_FLAGS(Dialogs::Buttons)

class DialogService
{
public:
    virtual ~DialogService() = default;

    // Shows a modal message; returns the button pressed, or Button::NoButton
    // when the box was closed without one.
    virtual Dialogs::Button message(Dialogs::Kind kind, const QString &text,
                                    Dialogs::Buttons buttons) = 0;
    // Modal open and save dialogs: the chosen full path, or nothing on cancel.
    virtual std::optional<QString> openFile(const Dialogs::FileOptions &options) = 0;
    virtual std::optional<QString> saveFile(const Dialogs::FileOptions &options) = 0;
    // A folder dialog: the chosen folder, or nothing on cancel.
    virtual std::optional<QString> openFolder(const Dialogs::FileOptions &options) = 0;
    // Asks what to do with a component whose name the library already holds.
    virtual Dialogs::ClashAnswer clash(const QString &name) = 0;
    // One of `items`, `current` offered first: the index chosen, or nothing
    // on cancel. Services that never ask take the item offered.
    virtual std::optional<int> choose(const QString &text, const QStringList &items, int current)
    {
        Q_UNUSED(text);
        Q_UNUSED(items);
        return current;
    }
    virtual void beep() = 0;
};
