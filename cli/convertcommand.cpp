// copista-cli convert: libraries from the legacy .lib/.dcm into .kicad_sym
// and back, as the converter in the core does it, with the losses of the
// way back listed before anything is written.

#include "commandline.h"

#include "convert/libraryconversion.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

namespace {

int versionFromOption(CommandParser &cmd, const QCommandLineOption &option)
{
    switch (cmd.intValue(option)) {
    case 6:
        return KicadSymVersion::v6;
    case 7:
        return KicadSymVersion::v7;
    case 8:
        return KicadSymVersion::v8;
    case 9:
        return KicadSymVersion::v9;
    }
    cmd.fail(
        QStringLiteral("--version: \"%1\" não é 6, 7, 8 nem 9.").arg(cmd.parser().value(option)));
}

} // namespace

void printLosses(const QString &input, const QList<ConversionLoss> &losses)
{
    if (losses.isEmpty())
        return;
    err() << "copista-cli: " << input << ": o formato .lib não guarda tudo:\n";
    for (const ConversionLoss &l : losses)
        err() << "  " << QString::fromUtf8(l.symbol) << ": " << l.what << '\n';
    err().flush();
}

int runConvert(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("convert"),
        QStringLiteral("ENTRADA --to SAIDA [--version 6|7|8|9] [opções]\n"
                       "       copista-cli convert ENTRADA... --out-dir PASTA --format "
                       "kicad_sym|lib [opções]"),
        QStringLiteral(
            "Converte bibliotecas entre o formato antigo (.lib com o .dcm ao lado) e o do\n"
            "KiCad 6 e posteriores (.kicad_sym ou pasta .kicad_symdir), como o KiCad converte:\n"
            "de .lib para .kicad_sym a saída é a que o KiCad 6 grava (cada ALIAS um símbolo\n"
            "derivado). De .kicad_sym para .lib, um símbolo derivado que só muda campos vira\n"
            "ALIAS; os demais, componentes inteiros. O que o .lib não guarda (caixas de texto,\n"
            "curvas de Bézier, funções alternativas de pinos, estilos e cores de traço, ...)\n"
            "é listado por símbolo antes de gravar, e nada é gravado sem --accept-losses\n"
            "(saída 1).\n"
            "Uma pasta .kicad_symdir é gravada com um arquivo por símbolo no formato da\n"
            "versão escolhida (até a 9): o formato da versão 10 não é gravado."));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Saída de uma ENTRADA: .lib, .kicad_sym ou pasta "
                                               ".kicad_symdir."),
                                QStringLiteral("SAIDA"));
    const QCommandLineOption outDir(QStringLiteral("out-dir"),
                                    QStringLiteral("Pasta das saídas, uma por ENTRADA, com o "
                                                   "mesmo nome base (com --format)."),
                                    QStringLiteral("PASTA"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Formato das saídas de --out-dir: kicad_sym "
                                                   "ou lib."),
                                    QStringLiteral("formato"));
    const QCommandLineOption version(
        QStringLiteral("version"),
        QStringLiteral("Versão do KiCad cujo .kicad_sym se grava: 6, 7, 8 ou 9 (padrão: 6 para "
                       "um .lib, a da ENTRADA para um .kicad_sym, 9 numa pasta .kicad_symdir)."),
        QStringLiteral("N"));
    const QCommandLineOption accept(QStringLiteral("accept-losses"),
                                    QStringLiteral("Grava mesmo com perdas (listadas)."));
    const QCommandLineOption verify(
        QStringLiteral("verify"),
        QStringLiteral("Lê cada saída de volta e a compara com a ENTRADA, símbolo a símbolo "
                       "(com o desenho do símbolo de que deriva); qualquer diferença: saída 1."));
    const QCommandLineOption flatten(
        QStringLiteral("flatten"),
        QStringLiteral("Grava cada símbolo derivado como um símbolo completo."));
    for (const QCommandLineOption &o : {to, outDir, format, version, accept, verify, flatten})
        cmd.addOption(o);
    cmd.parser().addPositionalArgument(
        QStringLiteral("ENTRADA"), QStringLiteral("Bibliotecas .lib, .kicad_sym ou .kicad_symdir."),
        QStringLiteral("ENTRADA..."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    const QCommandLineParser &p = cmd.parser();
    const QStringList inputs = p.positionalArguments();

    QStringList outputs;
    if (p.isSet(to) == p.isSet(outDir))
        cmd.fail(QStringLiteral("use --to SAIDA ou --out-dir PASTA (um dos dois)."));
    if (p.isSet(to)) {
        if (inputs.size() != 1)
            cmd.fail(QStringLiteral("--to converte uma ENTRADA só; várias pedem --out-dir."));
        if (p.isSet(format))
            cmd.fail(QStringLiteral("--format vai com --out-dir; com --to vale a extensão."));
        outputs << p.value(to);
    } else {
        const QString f = p.value(format);
        if (f != u"kicad_sym" && f != u"lib")
            cmd.fail(p.isSet(format)
                         ? QStringLiteral("--format: \"%1\" não é kicad_sym nem lib.").arg(f)
                         : QStringLiteral("falta --format kicad_sym|lib."));
        const QDir dir(p.value(outDir));
        for (const QString &in : inputs)
            outputs << dir.filePath(libraryName(in) + u'.' + f);
    }
    const SymbolFormat target = symbolFormatOf(outputs.first());
    int kicadVersion = 0;
    if (p.isSet(version)) {
        if (target == SymbolFormat::Legacy)
            cmd.fail(QStringLiteral("--version vale só para saídas .kicad_sym."));
        kicadVersion = versionFromOption(cmd, version);
    } else if (target == SymbolFormat::KicadSymFolder) {
        kicadVersion = KicadSymVersion::v9; // the newest layout written, nearest to KiCad 10's
    }

    // Everything converted, and every loss said, before anything is written.
    QList<SymbolLibrary> read;
    QList<ConvertedLibrary> converted;
    bool lossy = false;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        SymbolLibrary in = readSymbolLibrary(inputs[i]);
        if (!in.error.isEmpty())
            fileError(inputs[i], in.error);
        converted << convertLibrary(in, target, kicadVersion, p.isSet(flatten));
        printLosses(inputs[i], converted.last().losses);
        lossy = lossy || !converted.last().losses.isEmpty();
        read << std::move(in);
    }
    if (lossy && !p.isSet(accept)) {
        err() << "copista-cli: nada foi gravado; --accept-losses grava assim mesmo.\n";
        return ExitFindings;
    }
    if (target == SymbolFormat::KicadSymFolder)
        err() << "copista-cli: a pasta .kicad_symdir é gravada no formato da versão "
              << (converted.first().version == KicadSymVersion::v6   ? 6
                  : converted.first().version == KicadSymVersion::v7 ? 7
                  : converted.first().version == KicadSymVersion::v8 ? 8
                                                                     : 9)
              << " (o formato da versão 10 não é gravado).\n";
    if (p.isSet(outDir) && !QDir().mkpath(p.value(outDir)))
        fileError(p.value(outDir), QStringLiteral("a pasta não pôde ser criada."));

    int code = ExitOk;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString error = saveConvertedLibrary(converted[i], outputs[i]);
        if (!error.isEmpty())
            fileError(outputs[i], error);
        const qsizetype count = converted[i].format == SymbolFormat::Legacy
                                    ? converted[i].legacy.components.size()
                                    : converted[i].kicad.rows.size();
        out() << inputs[i] << " -> " << outputs[i] << ": " << count
              << (converted[i].format == SymbolFormat::Legacy ? " componentes\n" : " símbolos\n");
        if (!p.isSet(verify))
            continue;
        const SymbolLibrary back = readSymbolLibrary(outputs[i]);
        if (!back.error.isEmpty())
            fileError(outputs[i], back.error);
        const QStringList differences = conversionDifferences(read[i], back);
        if (differences.isEmpty())
            continue;
        err() << "copista-cli: " << outputs[i] << ": " << differences.size()
              << " símbolos diferem da entrada:\n";
        for (const QString &d : differences)
            err() << "  " << QString(d).replace(u'\n', QStringLiteral("\n    ")) << '\n';
        code = ExitFindings;
    }
    return code;
}

} // namespace cli
