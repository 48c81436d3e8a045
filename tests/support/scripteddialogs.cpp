#include "scripteddialogs.h"

Dialogs::Button ScriptedDialogs::message(Dialogs::Kind kind, const QString &text,
                                         Dialogs::Buttons buttons)
{
    messages.append({kind, text, buttons});
    if (!answers.isEmpty())
        return answers.dequeue();
    for (auto b : {Dialogs::Button::Ok, Dialogs::Button::Yes, Dialogs::Button::Cancel})
        if (buttons.testFlag(b))
            return b;
    return Dialogs::Button::NoButton;
}

std::optional<QString> ScriptedDialogs::openFile(const Dialogs::FileOptions &options)
{
    fileDialogs.append({false, options});
    return files.isEmpty() ? std::nullopt : files.dequeue();
}

std::optional<QString> ScriptedDialogs::saveFile(const Dialogs::FileOptions &options)
{
    fileDialogs.append({true, options});
    return files.isEmpty() ? std::nullopt : files.dequeue();
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList result;
    for (const Shown &m : messages)
        result << m.text;
    return result;
}
