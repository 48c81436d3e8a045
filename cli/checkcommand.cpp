// copista-cli check and fix: the library conventions of KiCad (checks/) over
// .lib, .kicad_sym and .kicad_symdir libraries.

#include "commandline.h"

#include "checks/checks.h"
#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

const QCommandLineOption &rulesOption()
{
    static const QCommandLineOption o(
        QStringLiteral("rules"),
        QStringLiteral("Só estas regras, separadas por vírgulas (S4.1,S6.2). Regras: %1.").arg([] {
            QStringList names;
            for (int r = 0; r < Klc::RuleCount; ++r)
                names << QLatin1String(Klc::ruleName(Klc::Rule(r)));
            return names.join(QLatin1Char(','));
        }()),
        QStringLiteral("REGRAS"));
    return o;
}

Klc::RuleFilter rulesOf(CommandParser &cmd)
{
    if (!cmd.parser().isSet(rulesOption()))
        return {};
    bool ok = false;
    QString bad;
    const Klc::RuleFilter f = Klc::RuleFilter::parse(cmd.parser().value(rulesOption()), &ok, &bad);
    if (!ok)
        cmd.fail(QStringLiteral("regra desconhecida '%1'.").arg(bad));
    return f;
}

// A library's rows with their texts and .dcm, whichever format it is in.
struct LoadedLibrary
{
    ComponentTable table; // a .lib
    Descricoes descricoes;
    KicadSymLibrary kicad; // a .kicad_sym or .kicad_symdir
    bool isKicad = false;
    QList<Klc::RowRef> rows;
};

void load(const QString &path, LoadedLibrary &lib)
{
    lib.isKicad = isKicadSym(path);
    if (lib.isKicad) {
        lib.kicad = readKicadSymLibrary(path);
        for (const KicadSymRow &r : std::as_const(lib.kicad.rows))
            lib.rows.append({r.name, r.text, nullptr});
        return;
    }
    loadLibrary(path, lib.table);
    const QString dcmPath = caminhoDcm(path);
    LeituraDcm dcm = carregaDescricoes(dcmPath);
    if (!dcm.resultado.ok)
        fileError(dcmPath, dcm.resultado.error);
    lib.descricoes = std::move(dcm.descricoes);
    for (int r = 0; r < lib.table.rowCount(); ++r)
        lib.rows.append({lib.table.nameAt(r), lib.table.comandosAt(r), &lib.descricoes});
}

QString csvField(const QString &s)
{
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) &&
        !s.contains(QLatin1Char('\n')))
        return s;
    QString q = s;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace

int runCheck(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("check"), QStringLiteral("LIB..."),
        QStringLiteral(
            "Verifica os símbolos pelas convenções de biblioteca do KiCad (KLC): regras S3 a\n"
            "S7 e G1. Cada achado diz a regra, o símbolo, a unidade (0: o símbolo todo) e o\n"
            "que está errado. Sai com 1 quando algo foi achado. Os erros das ilhas (pads) são\n"
            "procurados por check-pads."));
    cmd.addOption(rulesOption());
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("text (padrão), csv ou json."),
                                          QStringLiteral("FORMATO"), QStringLiteral("text"));
    cmd.addOption(formatOption);
    cmd.parser().addPositionalArgument(
        QStringLiteral("LIB"), QStringLiteral("Bibliotecas (.lib, .kicad_sym, .kicad_symdir)."),
        QStringLiteral("LIB..."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    const QString format = cmd.parser().value(formatOption);
    if (format != u"text" && format != u"csv" && format != u"json")
        cmd.fail(QStringLiteral("--format deve ser text, csv ou json."));
    const Klc::RuleFilter rules = rulesOf(cmd);

    qsizetype findings = 0;
    QJsonArray json;
    if (format == u"csv")
        out() << "biblioteca,regra,simbolo,unidade,x_mm,y_mm,mensagem\r\n";
    for (const QString &path : cmd.parser().positionalArguments()) {
        LoadedLibrary lib;
        load(path, lib);
        QStringList errors;
        QList<Klc::Finding> found;
        if (!lib.isKicad) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                Klc::checkFileText(file.readAll(), rules, found);
        }
        found += Klc::checkRows(lib.rows, rules, &errors);
        for (const QString &e : errors)
            err() << path << ": " << e << '\n';
        findings += found.size();
        const QString library = libraryName(path);
        for (const Klc::Finding &f : found) {
            const QString symbol = QString::fromUtf8(f.symbol);
            const QString rule = QLatin1String(Klc::ruleName(f.rule));
            if (format == u"text") {
                out() << library << ':' << symbol << ':' << f.unit << ": " << rule << ' '
                      << f.message << '\n';
            } else if (format == u"csv") {
                out() << csvField(library) << ',' << rule << ',' << csvField(symbol) << ','
                      << f.unit << ','
                      << (f.located ? QString::number(f.at.x() / 10000.0) : QString()) << ','
                      << (f.located ? QString::number(f.at.y() / 10000.0) : QString()) << ','
                      << csvField(f.message) << "\r\n";
            } else {
                QJsonObject o{{QStringLiteral("library"), library},
                              {QStringLiteral("rule"), rule},
                              {QStringLiteral("symbol"), symbol},
                              {QStringLiteral("unit"), f.unit},
                              {QStringLiteral("message"), f.message}};
                if (f.located)
                    o.insert(QStringLiteral("at"),
                             QJsonArray{f.at.x() / 10000.0, f.at.y() / 10000.0});
                json.append(o);
            }
        }
    }
    if (format == u"json")
        out() << QJsonDocument(json).toJson(QJsonDocument::Indented);
    return findings ? ExitFindings : ExitOk;
}

int runFix(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("fix"), QStringLiteral("LIB [--rules REGRAS] [--to SAIDA]"),
        QStringLiteral(
            "Corrige o que as regras dizem sem margem de dúvida: pinos fora da grade de 100\n"
            "mil todos pelo mesmo deslocamento (o símbolo inteiro é movido, S4.1), Value igual\n"
            "ao nome e Footprint e Datasheet ocultos (S6.2), corpo de CI preenchido com o\n"
            "fundo (S3.3). Lista cada mudança. Sem --to a biblioteca é regravada no lugar."));
    cmd.addOption(rulesOption());
    const QCommandLineOption toOption(QStringLiteral("to"),
                                      QStringLiteral("Grava o resultado aqui (mesmo formato)."),
                                      QStringLiteral("SAIDA"));
    cmd.addOption(toOption);
    cmd.parser().addPositionalArgument(QStringLiteral("LIB"),
                                       QStringLiteral("Biblioteca (.lib, .kicad_sym)."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    if (cmd.parser().positionalArguments().size() > 1)
        cmd.fail(QStringLiteral("uma biblioteca só."));
    const QString path = cmd.parser().positionalArguments().first();
    const QString target = cmd.parser().isSet(toOption) ? cmd.parser().value(toOption) : path;
    if (isKicadSym(path) != isKicadSym(target))
        cmd.fail(QStringLiteral("--to deve ter o formato da biblioteca."));
    const Klc::RuleFilter rules = rulesOf(cmd);
    LoadedLibrary lib;
    load(path, lib);
    qsizetype changes = 0;
    auto report = [&](const Klc::RowFix &f) {
        for (const Klc::Change &c : f.changes)
            out() << QString::fromUtf8(c.symbol) << ": " << Klc::ruleName(c.rule) << ' ' << c.what
                  << '\n';
        changes += f.changes.size();
    };
    if (lib.isKicad) {
        for (KicadSymRow &row : lib.kicad.rows) {
            const Klc::RowFix f = Klc::fixRow(row.text, rules, lib.kicad.version);
            if (f.changes.isEmpty())
                continue;
            report(f);
            row.text = f.text;
            row.version = lib.kicad.version;
            row.checked = false;
        }
        const CommandResult r = saveKicadSym(lib.kicad, target, lib.kicad.version);
        if (!r.isDone())
            fileError(target, r.message);
    } else {
        ComponentTable &t = lib.table;
        for (int r = 0; r < t.rowCount(); ++r) {
            const Klc::RowFix f = Klc::fixRow(t.comandosAt(r), rules, 0);
            if (f.changes.isEmpty())
                continue;
            report(f);
            t.moveTo(r);
            t.edit();
            t.setField(ComponentTable::Field::Comandos, f.text);
            t.post();
        }
        const FileResult w = salvaBiblioteca(target, t, QDateTime::currentDateTime());
        if (!w.ok)
            fileError(target, w.error);
        if (target != path && !lib.descricoes.semEntradas()) {
            const FileResult d =
                salvaDescricoes(caminhoDcm(target), componentesDe(t), lib.descricoes);
            if (!d.ok)
                fileError(caminhoDcm(target), d.error);
        }
    }
    out() << (changes == 1 ? QStringLiteral("1 mudança\n")
                           : QStringLiteral("%1 mudanças\n").arg(changes));
    return ExitOk;
}

} // namespace cli
