// copista-cli copy: components of several libraries into one, with their
// .dcm entries, by the merge rules the window uses for copying many rows.

#include "commandline.h"

#include "edit/mescla.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/emparalelo.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

#include <exception>
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

} // namespace

int runCopy(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("copy"),
        QStringLiteral("--to SAIDA.lib [--names PADRÃO]... [--on-duplicate "
                       "skip|replace|rename|fail] LIB..."),
        QStringLiteral(
            "Copia componentes das bibliotecas LIB para SAIDA.lib, criando-a se não existir ou\n"
            "acrescentando ao que ela tem, com as descrições do .dcm de cada biblioteca\n"
            "(SAIDA.dcm ao lado de SAIDA.lib). A saída é gravada de uma vez, no formato que\n"
            "a janela salva (cabeçalho, CR LF, em ordem de nome)."));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Biblioteca de destino (obrigatória)."),
                                QStringLiteral("SAIDA.lib"));
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
    cmd.parser().addPositionalArgument(QStringLiteral("LIB"),
                                       QStringLiteral("Bibliotecas de origem (.lib)."),
                                       QStringLiteral("LIB..."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    const QCommandLineParser &p = cmd.parser();
    if (!p.isSet(to) || p.value(to).isEmpty())
        cmd.fail(QStringLiteral("falta --to SAIDA.lib."));
    const std::optional<Duplicados> politica = duplicadosPorNome(p.value(duplicate));
    if (!politica)
        cmd.fail(QStringLiteral("--on-duplicate: \"%1\" não é skip, replace, rename nem fail.")
                     .arg(p.value(duplicate)));
    const QString target = p.value(to);
    const QStringList patterns = p.values(namesOption);

    const std::vector<std::unique_ptr<Source>> sources = readSources(p.positionalArguments());
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
        {LibraryFileInfo{target, libraryName(target), readDescriptions(target)}});
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
