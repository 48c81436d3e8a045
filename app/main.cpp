#include "app/tfcopista.h"
#include "library/librarydocument.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Standard buttons (Yes, Cancel, ...) in the user's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

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
