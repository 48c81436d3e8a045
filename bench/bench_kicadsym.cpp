// Reading KiCad 6 .kicad_sym libraries against the window's folder load of
// the same libraries in the legacy format.
//
// Goal: BM_KicadSymRead (the ten KiCad 6 corpus libraries, every row checked
// as the reader checks it) within 3x BM_LegacyFolderLoadSame (the same ten
// as .lib files, loaded as a folder by the window's own load); BM_KicadSymSave
// (the ten written back as .kicad_sym, each through QSaveFile) within 3x
// BM_LegacySaveSame (the ten .lib written by the window's own save).

#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"
#include "tests/support/corpus.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QStringList v6Libraries()
{
    const QDir dir(corpusDir() + QStringLiteral("/../kicad-symbols-v6"));
    QStringList files;
    for (const QString &name :
         dir.entryList({QStringLiteral("*.kicad_sym")}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

void BM_KicadSymRead(benchmark::State &state)
{
    const QStringList files = v6Libraries();
    if (files.size() != 10) {
        state.SkipWithError("the ten KiCad 6 libraries are missing");
        return;
    }
    qint64 bytes = 0, rows = 0;
    for (auto _ : state) {
        const QList<KicadSymRead> reads = readKicadSymPaths(files);
        bytes = rows = 0;
        for (const KicadSymRead &r : reads) {
            if (!r.ok()) {
                state.SkipWithError(qPrintable(r.message()));
                return;
            }
            rows += r.library.rows.size();
            for (const KicadSymRow &row : r.library.rows)
                bytes += row.text.size();
        }
    }
    state.counters["rows"] = double(rows);
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_KicadSymRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// The ten legacy libraries alone in a folder (no .dcm: the KiCad 6 files
// carry their descriptions inside).
struct LegacyFolder
{
    QTemporaryDir dir;
    LegacyFolder()
    {
        for (const QString &path : corpusLibraries())
            QFile::copy(path, dir.filePath(QFileInfo(path).fileName()));
    }
};

void BM_LegacyFolderLoadSame(benchmark::State &state)
{
    static LegacyFolder folder;
    LibraryDocument doc;
    for (auto _ : state) {
        if (!carregaPasta(doc, folder.dir.path(), {}, nullptr).isDone()) {
            state.SkipWithError("the folder did not load");
            return;
        }
    }
    state.counters["components"] = doc.table().rowCount();
    state.counters["libraries"] = double(doc.bibliotecas().size());
}
BENCHMARK(BM_LegacyFolderLoadSame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KicadSymSave(benchmark::State &state)
{
    const QList<KicadSymRead> reads = readKicadSymPaths(v6Libraries());
    if (reads.size() != 10) {
        state.SkipWithError("the ten KiCad 6 libraries are missing");
        return;
    }
    QTemporaryDir out;
    for (auto _ : state) {
        for (int i = 0; i < reads.size(); ++i) {
            const QString path = out.filePath(QStringLiteral("%1.kicad_sym").arg(i));
            if (!saveKicadSym(reads[i].library, path, reads[i].library.version).isDone()) {
                state.SkipWithError("a library was not saved");
                return;
            }
        }
    }
}
BENCHMARK(BM_KicadSymSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LegacySaveSame(benchmark::State &state)
{
    std::vector<ComponentTable> tables(corpusLibraries().size());
    for (int i = 0; i < int(tables.size()); ++i)
        carregaBiblioteca(corpusLibraries()[i], tables[i]);
    QTemporaryDir out;
    const QDateTime when = QDateTime::currentDateTime();
    for (auto _ : state) {
        for (int i = 0; i < int(tables.size()); ++i) {
            const QString path = out.filePath(QStringLiteral("%1.lib").arg(i));
            if (!salvaBiblioteca(path, tables[i], when).ok) {
                state.SkipWithError("a library was not saved");
                return;
            }
        }
    }
}
BENCHMARK(BM_LegacySaveSame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
