#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

// Answers every dialog from queues and records what was shown, so tests can
// assert the exact messages, kinds, buttons and file-dialog settings.
class ScriptedDialogs : public DialogService
{
public:
    struct Shown
    {
        Dialogs::Kind kind;
        QString text;
        Dialogs::Buttons buttons;
    };
    struct FileShown
    {
        bool save;
        Dialogs::FileOptions options;
    };

    // Queued answers. A message with no queued answer gets the first of
    // Ok, Yes, Cancel that it offers; a file dialog with none is cancelled.
    QQueue<Dialogs::Button> answers;
    QQueue<std::optional<QString>> files;
    QQueue<Dialogs::ClashAnswer> clashAnswers; // none queued: Cancel
    QStringList clashes;                       // the names asked about

    QList<Shown> messages;
    QList<FileShown> fileDialogs;
    int beeps = 0;

    Dialogs::Button message(Dialogs::Kind kind, const QString &text,
                            Dialogs::Buttons buttons) override;
    std::optional<QString> openFile(const Dialogs::FileOptions &options) override;
    std::optional<QString> saveFile(const Dialogs::FileOptions &options) override;
    std::optional<QString> openFolder(const Dialogs::FileOptions &options) override
    {
        return openFile(options);
    }
    Dialogs::ClashAnswer clash(const QString &name) override
    {
        clashes << name;
        return clashAnswers.isEmpty() ? Dialogs::ClashAnswer{} : clashAnswers.dequeue();
    }
    std::optional<int> choose(const QString &text, const QStringList &items, int current) override
    {
        choices << text + QStringLiteral(": ") + items.join(QStringLiteral(" | "));
        return chosen.isEmpty() ? std::optional<int>(current) : chosen.dequeue();
    }
    QQueue<std::optional<int>> chosen; // none queued: the item offered
    QStringList choices;               // what each choice asked
    void beep() override { ++beeps; }

    QStringList messageTexts() const;
};
