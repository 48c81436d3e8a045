#include "commandline.h"

#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/filtro.h"
#include "library/libraryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace cli {

void usageError(const QString &message, const QString &usage)
{
    throw Failure{ExitUsage, message, usage};
}

void fileError(const QString &path, const QString &reason)
{
    throw Failure{ExitFile, path + QStringLiteral(": ") + reason, {}};
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

CommandParser::CommandParser(const QString &command, const QString &syntax,
                             const QString &description)
    : m_command(command), m_syntax(syntax)
{
    m_parser.setApplicationDescription(description);
    // Not addHelpOption(): its --help-all lists Qt's own options, which
    // this program does not take.
    m_parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                          QStringLiteral("Mostra esta ajuda.")));
}

bool CommandParser::parse(const QStringList &arguments, qsizetype minimoPosicionais)
{
    // The parser wants the program's name first.
    if (!m_parser.parse(QStringList{QStringLiteral("copista-cli")} + arguments))
        fail(m_parser.errorText());
    if (m_parser.isSet(QStringLiteral("help"))) {
        out() << helpText();
        out().flush();
        return false;
    }
    if (m_parser.positionalArguments().size() < minimoPosicionais)
        fail(QStringLiteral("faltam argumentos."));
    return true;
}

QString CommandParser::usage() const
{
    return QStringLiteral("Uso: copista-cli %1 %2\n"
                          "Mais em: copista-cli %1 --help\n")
        .arg(m_command, m_syntax);
}

QString CommandParser::helpText() const
{
    // The parser's own first line names the executable's path and not the
    // command: ours replaces it.
    const QString text = m_parser.helpText();
    const qsizetype eol = text.indexOf(u'\n');
    return QStringLiteral("Uso: copista-cli %1 %2\n").arg(m_command, m_syntax) +
           (eol < 0 ? QString() : text.mid(eol + 1));
}

int CommandParser::intValue(const QCommandLineOption &option) const
{
    bool ok = false;
    const QString text = m_parser.value(option);
    const int v = text.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("--%1: \"%2\" não é um número inteiro.")
                 .arg(option.names().constLast(), text));
    return v;
}

void loadLibrary(const QString &path, ComponentTable &table, bool vazioAceito,
                 const BlocoFechado &fechado)
{
    const QFileInfo info(path);
    if (!info.exists())
        fileError(path, QStringLiteral("arquivo não encontrado."));
    if (info.isDir())
        fileError(path, QStringLiteral("é uma pasta, não uma biblioteca."));
    const FileResult r = carregaBiblioteca(path, table, fechado);
    if (!r.ok)
        fileError(path, r.error);
    // A cut-off file still lists what it holds whole; the one it cut is named.
    if (!r.unfinished.isEmpty())
        err() << "copista-cli: " << path << ": o arquivo termina dentro do componente "
              << QString::fromLatin1(r.unfinished)
              << " (falta o ENDDEF); esse componente ficou de fora.\n"
              << Qt::flush;
    if (!table.isEmpty())
        return;
    if (info.size() == 0) {
        if (!vazioAceito)
            fileError(path, QStringLiteral("arquivo vazio, não é uma biblioteca."));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fileError(path, file.errorString());
    if (!file.read(16).startsWith("EESchema-LIBRARY"))
        fileError(path, QStringLiteral("não é uma biblioteca de símbolos KiCad (nenhum componente "
                                       "e nenhum cabeçalho EESchema-LIBRARY)."));
}

bool isKicadSym(const QString &path)
{
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    return name.endsWith(QStringLiteral(".kicad_sym"), Qt::CaseInsensitive) ||
           name.endsWith(QStringLiteral(".kicad_symdir"), Qt::CaseInsensitive);
}

KicadSymLibrary readKicadSymLibrary(const QString &path)
{
    if (!QFileInfo::exists(path))
        fileError(path, QStringLiteral("arquivo não encontrado."));
    KicadSymRead r = readKicadSymPath(path);
    if (!r.ok())
        fileError(path, r.message());
    return std::move(r.library);
}

bool chosen(const QStringList &patterns, const QByteArray &nome, const QByteArray &comandos)
{
    if (patterns.isEmpty())
        return true;
    QStringList texts{QString::fromLatin1(nome)};
    for (const QByteArray &alias : aliasesDe(comandos))
        texts << QString::fromLatin1(alias);
    for (const QString &p : patterns) {
        for (const QString &t : texts) {
            if (casa(p, t))
                return true;
        }
    }
    return false;
}

QString libraryName(const QString &path)
{
    // A folder given as "NAME.kicad_symdir/" is named as without the slash.
    return QFileInfo(QDir::cleanPath(path)).completeBaseName();
}

} // namespace cli
