#pragma once

// A dialog service for benchmarks of the real window: every open dialog is
// answered with one library, everything else with Ok or nothing.
#include "platform/dialogs.h"

class FixedDialogs : public DialogService
{
public:
    explicit FixedDialogs(QString path) : m_path(std::move(path)) {}
    Dialogs::Button message(Dialogs::Kind, const QString &, Dialogs::Buttons) override
    {
        return Dialogs::Button::Ok;
    }
    std::optional<QString> openFile(const Dialogs::FileOptions &) override { return m_path; }
    std::optional<QString> saveFile(const Dialogs::FileOptions &) override { return {}; }
    std::optional<QString> openFolder(const Dialogs::FileOptions &) override { return {}; }
    Dialogs::ClashAnswer clash(const QString &) override { return {}; }
    void beep() override {}

private:
    QString m_path;
};
