// copista-cli check-pads and board: the footprint tools of the window, without
// their dialogs.

#include "commandline.h"

#include "footprint/boardfile.h"
#include "footprint/padchecker.h"
#include "library/componenttable.h"
#include "library/librarydocument.h"

#include <QDateTime>
#include <QLocale>

namespace cli {

int runCheckPads(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("check-pads"), QStringLiteral("LIB..."),
        QStringLiteral(
            "Procura erros nas ilhas (pads) e nas linhas de desenho dos componentes, como o\n"
            "botão \"Erros ?\" da janela, sem parar a cada achado. Cada achado sai numa linha\n"
            "LIB:NOME:LINHA: mensagem, com LINHA contada a partir de 0 dentro do componente,\n"
            "como nas mensagens do verificador. Sai com 1 quando algo foi achado."));
    cmd.parser().addPositionalArgument(QStringLiteral("LIB"),
                                       QStringLiteral("Bibliotecas de símbolos (.lib)."),
                                       QStringLiteral("LIB..."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    qsizetype findings = 0;
    for (const QString &path : cmd.parser().positionalArguments()) {
        LibraryDocument doc;
        loadLibrary(path, doc.table());
        percorreIlhas(doc, [&](const QString &mensagem, int linha) {
            QString text = mensagem;
            text.replace(u'\r', u' ');
            out() << path << ':'
                  << QString::fromLatin1(doc.table().field(ComponentTable::Field::Nome)) << ':'
                  << linha << ": " << text << '\n';
            ++findings;
            return Resposta::Continua;
        });
    }
    return findings ? ExitFindings : ExitOk;
}

int runBoard(const QStringList &arguments)
{
    CommandParser cmd(QStringLiteral("board"), QStringLiteral("LIB --out ARQUIVO.brd"),
                      QStringLiteral("Grava o arquivo de placa (.brd) que a janela grava para a "
                                     "biblioteca:\num módulo por componente, em ordem de nome. "
                                     "Uma biblioteca vazia é recusada\n(\"Biblioteca vazia!\", "
                                     "saída 3) e nada é gravado."));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Arquivo de placa a gravar (obrigatório)."),
                                       QStringLiteral("ARQUIVO.brd"));
    cmd.addOption(outOption);
    cmd.parser().addPositionalArgument(QStringLiteral("LIB"),
                                       QStringLiteral("Biblioteca de símbolos (.lib)."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    const QCommandLineParser &p = cmd.parser();
    if (p.positionalArguments().size() > 1)
        cmd.fail(QStringLiteral("uma biblioteca só."));
    if (!p.isSet(outOption) || p.value(outOption).isEmpty())
        cmd.fail(QStringLiteral("falta --out ARQUIVO.brd."));
    const QString path = p.positionalArguments().first();
    LibraryDocument doc;
    loadLibrary(path, doc.table());
    if (doc.table().isEmpty())
        fileError(path, QStringLiteral("Biblioteca vazia!"));
    const QString board = p.value(outOption);
    const FileResult r =
        salvaPlaca(board, doc.table(), QDateTime::currentDateTime(), QLocale::system());
    if (!r.ok)
        fileError(board, r.error);
    return ExitOk;
}

} // namespace cli
