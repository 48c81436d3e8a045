#include "app/qtdialogs.h"
#include "app/tfcopista.h"
#include "library/librarydocument.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Standard buttons (Sim, Cancelar, ...) and file dialogs in the
    // interface's language.
    installQtTranslations();

    // The two libraries outlive the window that shows them.
    LibraryDocument edicao;
    LibraryDocument pesquisa;
    QCoreApplication::setOrganizationName(QStringLiteral("Copista"));
    QCoreApplication::setApplicationName(QStringLiteral("copista"));
    Tfcopista fcopista(edicao, pesquisa);
    fcopista.restoreGeometryFromSettings();
    fcopista.show();
    const int status = app.exec();
    fcopista.saveGeometryToSettings();
    return status;
}
