#pragma once

#include "platform/dialogs.h"

class QTranslator;
class QWidget;

// Installs Qt's own Brazilian Portuguese texts (standard buttons, file
// dialogs), whatever the system's language; returns the translator, owned by
// the application, or null when Qt's translations are not installed.
QTranslator *installQtTranslations();

// Message boxes and file dialogs of the real window, with Qt's own widgets.
class QtDialogs : public DialogService
{
public:
    explicit QtDialogs(QWidget *parent) : m_parent(parent) {}

    Dialogs::Button message(Dialogs::Kind kind, const QString &text,
                            Dialogs::Buttons buttons) override;
    std::optional<QString> openFile(const Dialogs::FileOptions &options) override;
    std::optional<QString> saveFile(const Dialogs::FileOptions &options) override;
    std::optional<QString> openFolder(const Dialogs::FileOptions &options) override;
    Dialogs::ClashAnswer clash(const QString &name) override;
    std::optional<int> choose(const QString &text, const QStringList &items, int current) override;
    void beep() override;

    // "Bibliotecas|*.lib|Todos arquivos|*.*" -> "Bibliotecas (*.lib);;Todos arquivos (*.*)"
    static QString qtFilter(const QString &filter);

private:
    std::optional<QString> fileDialog(const Dialogs::FileOptions &options, bool save);
    QWidget *m_parent;
};
