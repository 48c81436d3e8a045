// copista-cli copy: components of several libraries into one, with their
// .dcm entries, by the merge rules the window uses for copying many rows.

#include "commandline.h"

#include "convert/libraryconversion.h"

#include "edit/mescla.h"
#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/emparalelo.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace cli {

namespace {

// A source library held for the whole copy: the offers point into it.
struct Source
{
    ComponentTable table;
    Descricoes descricoes;
};

Descricoes readDescriptions(const QString &libraryPath)
{
    const QString path = caminhoDcm(libraryPath);
    LeituraDcm dcm = carregaDescricoes(path);
    if (!dcm.resultado.ok)
        fileError(path, dcm.resultado.error);
    return dcm.descricoes;
}

std::unique_ptr<QSaveFile> openSave(const QString &path)
{
    auto file = std::make_unique<QSaveFile>(path);
    // Unbuffered as the window's safe save: a refused write fails at once,
    // with its reason.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fileError(path, file->errorString());
    return file;
}

// The sources, read on every core: each into a table of its own, with its
// descriptions. A failure is the one of the first source (in argument
// order) that failed, as when they are read one after another.
std::vector<std::unique_ptr<Source>> readSources(const QStringList &paths)
{
    std::vector<std::unique_ptr<Source>> sources;
    std::vector<std::exception_ptr> failures(size_t(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i)
        sources.push_back(std::make_unique<Source>());
    emParalelo(paths.size(), [&](qsizetype i) {
        try {
            loadLibrary(paths[i], sources[size_t(i)]->table);
            sources[size_t(i)]->descricoes = readDescriptions(paths[i]);
        } catch (...) {
            failures[size_t(i)] = std::current_exception();
        }
    });
    for (const std::exception_ptr &f : failures) {
        if (f)
            std::rethrow_exception(f);
    }
    return sources;
}

// The library and its descriptions, each written whole into a temporary
// file; both are put in place only when both were written, so a failure
// leaves the files that were there untouched. The two files are written, and
// then synced and put in place, side by side.
void writeTarget(const QString &path, const ComponentTable &table, const Descricoes &descricoes)
{
    auto lib = openSave(path);
    const QString dcmPath = caminhoDcm(path);
    std::unique_ptr<QSaveFile> dcm;
    // As the window's save: a set without entries writes no .dcm.
    if (!descricoes.semEntradas())
        dcm = openSave(dcmPath);
    const QDateTime now = QDateTime::currentDateTime();
    FileResult written[2];
    emParalelo(dcm ? 2 : 1, [&](qsizetype i) {
        written[i] = i == 0 ? gravaBiblioteca(*lib, table, now)
                            : gravaDescricoes(*dcm, componentesDe(table), descricoes);
    });
    if (!written[0].ok)
        fileError(path, written[0].error);
    if (!written[1].ok)
        fileError(dcmPath, written[1].error);
    bool committed[2] = {};
    emParalelo(dcm ? 2 : 1,
               [&](qsizetype i) { committed[i] = i == 0 ? lib->commit() : dcm->commit(); });
    if (!committed[0])
        fileError(path, lib->errorString());
    if (dcm && !committed[1])
        fileError(dcmPath, dcm->errorString());
}

QString names(const QList<QByteArray> &list)
{
    QStringList out;
    for (const QByteArray &n : list)
        out << QString::fromLatin1(n);
    return out.join(QStringLiteral(", "));
}

QString count(qsizetype n, const QString &singular, const QString &plural)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? singular : plural);
}

QString summary(const ResultadoMescla &r)
{
    QString text = count(r.copiados.size(), QStringLiteral("copiado"), QStringLiteral("copiados"));
    if (!r.pulados.isEmpty())
        text +=
            QStringLiteral(", %1: %2")
                .arg(count(r.pulados.size(), QStringLiteral("pulado"), QStringLiteral("pulados")),
                     names(r.pulados));
    if (!r.substituidos.isEmpty())
        text += QStringLiteral(", %1: %2")
                    .arg(count(r.substituidos.size(), QStringLiteral("substituído"),
                               QStringLiteral("substituídos")),
                         names(r.substituidos));
    if (!r.renomeados.isEmpty()) {
        QStringList pairs;
        for (const auto &[de, para] : r.renomeados)
            pairs << QString::fromLatin1(de) + QStringLiteral(" → ") + QString::fromLatin1(para);
        text += QStringLiteral(", %1: %2")
                    .arg(count(r.renomeados.size(), QStringLiteral("renomeado"),
                               QStringLiteral("renomeados")),
                         pairs.join(QStringLiteral(", ")));
    }
    return text;
}

// --- .kicad_sym libraries ------------------------------------------------------

// The output's version: the target's when it exists, else the first
// source's, so that whoever opens the sources opens the output. A single
// file is written at most in KiCad 9's layout, the newest one file holds.
int outputVersion(const KicadSymLibrary &model, bool folder)
{
    return folder ? model.version : qMin(model.version, KicadSymVersion::v9);
}

// A library without rows written in `version`: its header before where the
// rows go, its closing after, so that rows added are written between them.
void giveEmptyFrame(KicadSymLibrary &lib, int version)
{
    KicadSymLibrary header = lib;
    header.version = 0; // not the target's: the header is written anew
    header.rows.clear();
    const QByteArray bytes = writeKicadSym(header, version).bytes;
    const qsizetype close = bytes.lastIndexOf(')');
    lib.head = bytes.left(close);
    lib.tail = bytes.mid(close);
    lib.version = version;
}

qsizetype indexIgnoringCase(const KicadSymLibrary &lib, const QByteArray &name)
{
    const QString wanted = QString::fromUtf8(name);
    for (qsizetype i = 0; i < lib.rows.size(); ++i) {
        if (QString::fromUtf8(lib.rows[i].name).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// The row written again from its model after `change`; it no longer
// belongs to the symbol file it came from.
void rewrite(KicadSymRow &row, const std::function<void(Symbol &)> &change)
{
    SymbolBuild b = buildSymbol(row.text);
    if (!b.ok())
        throw Failure{
            ExitFile, QString::fromUtf8(row.name) + QStringLiteral(": ") + b.error.text(), {}};
    change(b.symbol);
    row.name = b.symbol.name;
    row.extends = b.symbol.extends;
    row.text = symbolText(b.symbol, row.version);
    row.checked = false;
    row.fileName.clear();
    row.fileHead.clear();
    row.fileTail.clear();
}

// NAME_1, NAME_2, ...: the first not in the library.
QByteArray freeName(const KicadSymLibrary &lib, const QByteArray &name)
{
    for (int n = 1;; ++n) {
        const QByteArray candidate = name + '_' + QByteArray::number(n);
        if (indexIgnoringCase(lib, candidate) < 0)
            return candidate;
    }
}

// KiCad 6 to 9 read a derived symbol only after its parent: in a file every
// parent goes before the symbols deriving from it, the rest keeping their
// order. (A folder's symbols are files of their own, read in any order.)
void parentsFirst(KicadSymLibrary &lib)
{
    QList<KicadSymRow> ordered;
    QList<bool> placed(lib.rows.size(), false);
    std::function<void(qsizetype)> place = [&](qsizetype i) {
        if (placed[i])
            return;
        placed[i] = true; // before its parent: a cycle ends here
        const qsizetype parent =
            lib.rows[i].extends.isEmpty() ? -1 : lib.indexOf(lib.rows[i].extends);
        if (parent >= 0)
            place(parent);
        ordered << lib.rows[i];
    };
    for (qsizetype i = 0; i < lib.rows.size(); ++i)
        place(i);
    lib.rows = ordered;
}

struct SymOffer
{
    const KicadSymLibrary *source;
    qsizetype row;
};

int copyKicadSym(const QString &target, const QStringList &paths, const QStringList &patterns,
                 Duplicados politica)
{
    QList<KicadSymLibrary> sources;
    for (const QString &p : paths)
        sources << readKicadSymLibrary(p);
    const bool folder =
        QDir::cleanPath(target).endsWith(QStringLiteral(".kicad_symdir"), Qt::CaseInsensitive);
    KicadSymLibrary output;
    if (QFileInfo::exists(target)) {
        output = readKicadSymLibrary(target);
    } else {
        output = sources.first();
        output.rows.clear();
    }
    output.folder = folder;
    const int version = outputVersion(output, folder);
    if (!folder && (output.rows.isEmpty() || version != output.version))
        giveEmptyFrame(output, version);

    QList<SymOffer> offers;
    for (const KicadSymLibrary &source : sources) {
        for (qsizetype i = 0; i < source.rows.size(); ++i) {
            if (chosen(patterns, source.rows[i].name, {}))
                offers.append({&source, i});
        }
    }
    // A derived symbol needs its parent beside it: the parent comes along,
    // just before it, unless the output has it or it is copied anyway.
    auto offered = [&](const QByteArray &name) {
        return std::any_of(offers.begin(), offers.end(),
                           [&](const SymOffer &o) { return o.source->rows[o.row].name == name; });
    };
    for (qsizetype k = 0; k < offers.size(); ++k) {
        const KicadSymRow &row = offers[k].source->rows[offers[k].row];
        if (row.extends.isEmpty() || output.indexOf(row.extends) >= 0 || offered(row.extends))
            continue;
        const qsizetype parent = offers[k].source->indexOf(row.extends);
        err() << "copista-cli: " << QString::fromUtf8(row.name) << " deriva de "
              << QString::fromUtf8(row.extends) << ", copiado junto.\n";
        offers.insert(k, {offers[k].source, parent});
        --k; // the parent may derive from another one
    }
    if (offers.isEmpty()) {
        out() << "0 componentes\n";
        return ExitOk;
    }

    ResultadoMescla r;
    // Renamed parents, per source, so that the symbols deriving from them
    // follow.
    QHash<const KicadSymLibrary *, QHash<QByteArray, QByteArray>> renamed;
    for (const SymOffer &o : offers) {
        KicadSymRow row = o.source->rows[o.row];
        row.leading.clear();
        if (!folder) {
            row.fileName.clear();
            row.fileHead.clear();
            row.fileTail.clear();
        }
        const QByteArray newParent = renamed[o.source].value(row.extends);
        if (!newParent.isEmpty())
            rewrite(row, [&](Symbol &s) { s.extends = newParent; });
        const qsizetype clash = indexIgnoringCase(output, row.name);
        if (clash < 0) {
            r.copiados << row.name;
            output.rows << row;
            continue;
        }
        switch (politica) {
        case Duplicados::Pular:
            r.pulados << row.name;
            break;
        case Duplicados::Substituir:
            r.substituidos << row.name;
            r.copiados << row.name;
            output.rows[clash] = row;
            break;
        case Duplicados::Renomear: {
            const QByteArray old = row.name, name = freeName(output, old);
            // The sub-symbols' NAME_U_C names are written from the new name.
            rewrite(row, [&](Symbol &s) {
                s.name = name;
                for (SymbolProperty &p : s.properties) {
                    if (p.name == "Value" && p.value == old)
                        p.value = name;
                }
            });
            renamed[o.source].insert(old, name);
            r.renomeados.append({old, name});
            r.copiados << name;
            output.rows << row;
            break;
        }
        case Duplicados::Falhar:
            if (!r.conflitos.contains(row.name))
                r.conflitos << row.name;
            break;
        }
    }
    if (r.recusada()) {
        err() << "copista-cli: nomes repetidos, nada foi copiado: " << names(r.conflitos) << '\n';
        return ExitFindings;
    }
    if (!r.copiados.isEmpty()) {
        if (!folder)
            parentsFirst(output);
        const CommandResult saved = saveKicadSym(output, target, version);
        if (saved.status != CommandResult::Status::Done)
            fileError(target, saved.message);
    }
    out() << summary(r) << '\n';
    return ExitOk;
}

} // namespace

int runCopy(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("copy"),
        QStringLiteral("--to SAIDA [--names PADRÃO]... [--on-duplicate "
                       "skip|replace|rename|fail] [--flatten] [--accept-losses] LIB..."),
        QStringLiteral(
            "Copia componentes das bibliotecas LIB para SAIDA.lib, criando-a se não existir ou\n"
            "acrescentando ao que ela tem, com as descrições do .dcm de cada biblioteca\n"
            "(SAIDA.dcm ao lado de SAIDA.lib). A saída é gravada de uma vez, no formato que\n"
            "a janela salva (cabeçalho, CR LF, em ordem de nome).\n"
            "Com SAIDA.kicad_sym (ou uma pasta SAIDA.kicad_symdir) as bibliotecas LIB são\n"
            ".kicad_sym ou .kicad_symdir: cada símbolo é copiado com o seu texto original, na\n"
            "versão da saída (a de SAIDA, se existir, senão a da primeira LIB); um símbolo\n"
            "derivado traz junto o símbolo de que deriva, se a saída não o tiver.\n"
            "Uma LIB do outro formato é convertida antes para o formato de SAIDA (como em\n"
            "copista-cli convert); o que um .lib não guarda é listado, e nada é copiado\n"
            "sem --accept-losses (saída 1)."));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Biblioteca de destino (obrigatória): .lib, "
                                               ".kicad_sym ou pasta .kicad_symdir."),
                                QStringLiteral("SAIDA"));
    const QCommandLineOption namesOption(
        QStringLiteral("names"),
        QStringLiteral("Só os componentes cujo nome ou um dos aliases casa com o padrão, como no "
                       "filtro da janela: sem distinguir maiúsculas, * e ? curingas sobre o nome "
                       "todo; sem curingas, basta conter o texto. Pode repetir-se."),
        QStringLiteral("padrão"));
    const QCommandLineOption duplicate(
        QStringLiteral("on-duplicate"),
        QStringLiteral("Nomes repetidos (sem distinguir maiúsculas), contra SAIDA ou entre as "
                       "bibliotecas, a primeira primeiro: skip mantém o primeiro (padrão), "
                       "replace fica com o último, rename acrescenta _1, _2, ... (o primeiro "
                       "nome livre; os aliases que colidiriam levam o mesmo sufixo), fail não "
                       "muda nada e sai com 1."),
        QStringLiteral("regra"), QStringLiteral("skip"));
    cmd.addOption(to);
    cmd.addOption(namesOption);
    cmd.addOption(duplicate);
    const QCommandLineOption flatten(
        QStringLiteral("flatten"),
        QStringLiteral("Grava cada símbolo derivado (ou ALIAS) como um símbolo completo."));
    const QCommandLineOption accept(
        QStringLiteral("accept-losses"),
        QStringLiteral("Copia para um .lib mesmo o que o formato não guarda (listado)."));
    cmd.addOption(flatten);
    cmd.addOption(accept);
    cmd.parser().addPositionalArgument(
        QStringLiteral("LIB"),
        QStringLiteral("Bibliotecas de origem (.lib, .kicad_sym ou .kicad_symdir)."),
        QStringLiteral("LIB..."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    const QCommandLineParser &p = cmd.parser();
    if (!p.isSet(to) || p.value(to).isEmpty())
        cmd.fail(QStringLiteral("falta --to SAIDA."));
    const std::optional<Duplicados> politica = duplicadosPorNome(p.value(duplicate));
    if (!politica)
        cmd.fail(QStringLiteral("--on-duplicate: \"%1\" não é skip, replace, rename nem fail.")
                     .arg(p.value(duplicate)));
    const QString target = p.value(to);
    const QStringList patterns = p.values(namesOption);

    // A source of the other format (every source, to flatten) is converted
    // first into the target's format, beside the others in a scratch folder;
    // the copy then runs as between libraries of one format.
    const QStringList given = p.positionalArguments();
    const bool kicadSym = isKicadSym(target);
    const bool flat = p.isSet(flatten);
    QTemporaryDir scratch;
    QStringList inputs;
    bool lossy = false;
    for (qsizetype i = 0; i < given.size(); ++i) {
        if (isKicadSym(given[i]) == kicadSym && !flat) {
            inputs << given[i];
            continue;
        }
        const SymbolLibrary in = readSymbolLibrary(given[i]);
        if (!in.error.isEmpty())
            fileError(given[i], in.error);
        const ConvertedLibrary c =
            convertLibrary(in, kicadSym ? SymbolFormat::KicadSym : SymbolFormat::Legacy, 0, flat);
        printLosses(given[i], c.losses);
        lossy = lossy || !c.losses.isEmpty();
        const QString dir = scratch.filePath(QString::number(i));
        const QString path = dir + u'/' + libraryName(given[i]) +
                             (kicadSym ? QStringLiteral(".kicad_sym") : QStringLiteral(".lib"));
        if (!scratch.isValid() || !QDir().mkpath(dir))
            fileError(dir, QStringLiteral("a pasta temporária não pôde ser criada."));
        const QString error = saveConvertedLibrary(c, path);
        if (!error.isEmpty())
            fileError(path, error);
        inputs << path;
    }
    if (lossy && !p.isSet(accept)) {
        err() << "copista-cli: nada foi copiado; --accept-losses copia assim mesmo.\n";
        return ExitFindings;
    }
    if (kicadSym)
        return copyKicadSym(target, inputs, patterns, *politica);

    const std::vector<std::unique_ptr<Source>> sources = readSources(inputs);
    QList<Oferta> ofertas;
    for (const std::unique_ptr<Source> &source : sources) {
        const ComponentTable &t = source->table;
        for (int r = 0; r < t.rowCount(); ++r) {
            if (chosen(patterns, t.nameAt(r), t.comandosAt(r)))
                ofertas.append({t.nameAt(r), t.comandosAt(r), &source->descricoes});
        }
    }

    LibraryDocument destino;
    // Nothing here is ever undone: the merge need not keep each row's change.
    destino.table().setRecording(false);
    if (QFileInfo::exists(target))
        loadLibrary(target, destino.table(), true);
    destino.setBibliotecas(
        {LibraryFileInfo{target, libraryName(target), readDescriptions(target), {}}});
    if (ofertas.isEmpty()) {
        out() << "0 componentes\n";
        return ExitOk;
    }

    const ResultadoMescla r = mescla(destino, ofertas, *politica);
    if (r.recusada()) {
        err() << "copista-cli: nomes repetidos, nada foi copiado: " << names(r.conflitos) << '\n';
        return ExitFindings;
    }
    if (destino.modificado())
        writeTarget(target, destino.table(), destino.descricoes());
    out() << summary(r) << '\n';
    return ExitOk;
}

} // namespace cli
