// copista-cli diff: what changed between two versions of a library.

#include "commandline.h"

#include "libdiff/librarydiff.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

QJsonObject refJson(const SymbolRef &r, bool byLibrary)
{
    QJsonObject o{{QStringLiteral("name"), QString::fromUtf8(r.name)}};
    if (byLibrary)
        o.insert(QStringLiteral("library"), r.library);
    return o;
}

QJsonObject changeJson(const SymbolChange &c)
{
    QJsonObject o{{QStringLiteral("kind"), QString::fromLatin1(changeKindName(c.kind))},
                  {QStringLiteral("text"), describeChange(c)}};
    if (c.unit >= 0) {
        o.insert(QStringLiteral("unit"), c.unit);
        o.insert(QStringLiteral("style"), c.style);
    }
    if (!c.subject.isEmpty())
        o.insert(QStringLiteral("subject"), QString::fromUtf8(c.subject));
    if (!c.before.isEmpty())
        o.insert(QStringLiteral("before"), QString::fromUtf8(c.before));
    if (!c.after.isEmpty())
        o.insert(QStringLiteral("after"), QString::fromUtf8(c.after));
    if (c.count > 0)
        o.insert(QStringLiteral("count"), c.count);
    return o;
}

QByteArray diffJson(const LibraryDiff &d)
{
    const bool lib = d.byLibrary;
    QJsonArray added, removed, renamed, changed;
    for (const SymbolRef &r : d.added)
        added.append(refJson(r, lib));
    for (const SymbolRef &r : d.removed)
        removed.append(refJson(r, lib));
    for (const auto &[from, to] : d.renamed)
        renamed.append(QJsonObject{{QStringLiteral("old"), refJson(from, lib)},
                                   {QStringLiteral("new"), refJson(to, lib)}});
    for (const ChangedSymbol &c : d.changed) {
        QJsonArray changes;
        for (const SymbolChange &ch : c.changes)
            changes.append(changeJson(ch));
        QJsonObject o = refJson(c.symbol, lib);
        o.insert(QStringLiteral("changes"), changes);
        changed.append(o);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("equal"), d.equal()},
                                     {QStringLiteral("added"), added},
                                     {QStringLiteral("removed"), removed},
                                     {QStringLiteral("renamed"), renamed},
                                     {QStringLiteral("changed"), changed},
                                     {QStringLiteral("unchanged"), qint64(d.unchanged)}})
        .toJson(QJsonDocument::Indented);
}

} // namespace

int runDiff(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("diff"), QStringLiteral("[--format text|json] ANTIGA NOVA"),
        QStringLiteral(
            "Compara duas versões de uma biblioteca (.lib com o seu .dcm, .kicad_sym, pasta\n"
            ".kicad_symdir ou uma pasta de bibliotecas, em qualquer combinação): símbolos\n"
            "removidos, adicionados, renomeados (mesmo desenho e pinos com outro nome) e\n"
            "alterados, dizendo o que mudou (pinos, gráficos, propriedades, unidades).\n"
            "Iguais são os símbolos de mesmo modelo: formato, ordem, grafia dos números e\n"
            "finais de linha não contam. Duas pastas são comparadas biblioteca a biblioteca.\n"
            "Saída 0 quando iguais, 1 quando diferentes."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Formato da saída: text (o padrão) ou json."),
                                    QStringLiteral("formato"), QStringLiteral("text"));
    cmd.addOption(format);
    cmd.parser().addPositionalArgument(QStringLiteral("ANTIGA"),
                                       QStringLiteral("A versão anterior."));
    cmd.parser().addPositionalArgument(QStringLiteral("NOVA"), QStringLiteral("A versão nova."));
    if (!cmd.parse(arguments, 2))
        return ExitOk;
    const QString kind = cmd.parser().value(format);
    if (kind != u"text" && kind != u"json")
        cmd.fail(QStringLiteral("--format: \"%1\" não é text nem json.").arg(kind));
    const QStringList paths = cmd.parser().positionalArguments();
    if (paths.size() != 2)
        cmd.fail(QStringLiteral("são duas bibliotecas: a antiga e a nova."));

    QString error;
    const LibrarySnapshot before = LibrarySnapshot::read(paths[0], &error);
    if (!error.isEmpty())
        throw Failure{ExitFile, error, {}};
    const LibrarySnapshot after = LibrarySnapshot::read(paths[1], &error);
    if (!error.isEmpty())
        throw Failure{ExitFile, error, {}};
    const LibraryDiff diff = diffLibraries(before, after);
    if (kind == u"json")
        out() << QString::fromUtf8(diffJson(diff));
    else
        out() << diffText(diff);
    return diff.equal() ? ExitOk : ExitFindings;
}

} // namespace cli
