// Reading KiCad 6 .kicad_sym libraries against the window's folder load of
// the same libraries in the legacy format.
//
// Goal: BM_KicadSymFolderLoad (the ten KiCad 6 corpus libraries read, every
// row checked, and put into a table's rows as the window's folder load puts
// them) within 3x BM_LegacyFolderLoadSame (the same ten as .lib files, loaded
// as a folder by the window's own load), its peak memory growth within 3x the
// bytes on disk (counter peak_over_bytes); BM_KicadSymSave
// (the ten written back as .kicad_sym, each through QSaveFile) within 3x
// BM_LegacySaveSame (the ten .lib written by the window's own save).

#include "kicadsym/kicadsymlibrary.h"
#include "kicadsym/libraryscan.h"
#include "library/componenttable.h"
#include "library/emparalelo.h"
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"
#include "tests/support/corpus.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

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

// CPU time of every thread of the process so far, in milliseconds: on a
// shared machine the wall time of a load on two cores says little alone.
double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 where there is none.
qint64 statusBytes(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// The peak is measured from here: the high-water mark starts again at the
// resident size, with the heap's free pages given back first so that memory
// freed by earlier work cannot hide growth.
qint64 resetPeak()
{
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
    return statusBytes("VmRSS");
}

// The window's folder load of .kicad_sym files: each file read and checked,
// its rows (name, text) put into a table sorted by name on every core, the
// tables then merged into the pane's table.
bool loadKicadSymFolder(const QStringList &files, LibraryDocument &doc)
{
    const QList<KicadSymRead> reads = readKicadSymPaths(files);
    for (const KicadSymRead &r : reads)
        if (!r.ok())
            return false;
    std::vector<std::pair<ComponentTable::Lote, int>> lotes(size_t(reads.size()));
    emParalelo(reads.size(), [&](qsizetype i) {
        ComponentTable one;
        one.suspendNotifications();
        one.setRecording(false);
        for (const KicadSymRow &row : reads[i].library.rows) {
            one.append();
            one.setField(ComponentTable::Field::Nome, row.name);
            one.setField(ComponentTable::Field::Comandos, row.text);
            one.post();
        }
        one.sortByName();
        lotes[size_t(i)] = {one.tiraLote(), int(i)};
    });
    ComponentTable all;
    all.suspendNotifications();
    all.juntaLotesOrdenados(std::move(lotes));
    doc.limpaHistorico();
    doc.table().takeRowsFrom(all);
    return true;
}

void BM_KicadSymFolderLoad(benchmark::State &state)
{
    const QStringList files = v6Libraries();
    if (files.size() != 10) {
        state.SkipWithError("the ten KiCad 6 libraries are missing");
        return;
    }
    qint64 bytes = 0;
    for (const QString &f : files)
        bytes += QFileInfo(f).size();
    // Once before timing, from a fresh pane: the peak of a first load.
    double peakOverBytes = 0;
    {
        const qint64 before = resetPeak();
        LibraryDocument doc;
        if (!loadKicadSymFolder(files, doc)) {
            state.SkipWithError("a library did not load");
            return;
        }
        peakOverBytes = double(statusBytes("VmHWM") - before) / double(bytes);
    }
    LibraryDocument doc;
    const double cpu = processCpuMs();
    for (auto _ : state)
        if (!loadKicadSymFolder(files, doc)) {
            state.SkipWithError("a library did not load");
            return;
        }
    state.counters["cpu_ms"] = (processCpuMs() - cpu) / double(state.iterations());
    state.counters["rows"] = doc.table().rowCount();
    state.counters["peak_over_bytes"] = peakOverBytes;
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_KicadSymFolderLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scan alone on one core, the files already in memory: where a load's
// time goes when the reading and the table are taken away.
void BM_KicadSymScanOneCore(benchmark::State &state)
{
    QList<QByteArray> files;
    for (const QString &path : v6Libraries()) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            files << f.readAll();
    }
    qint64 bytes = 0;
    for (const QByteArray &b : files)
        bytes += b.size();
    for (auto _ : state)
        for (const QByteArray &b : files)
            if (!scanKicadSym(b)) {
                state.SkipWithError("the scan did not take a library");
                return;
            }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_KicadSymScanOneCore)->Unit(benchmark::kMillisecond);

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
    const double cpu = processCpuMs();
    for (auto _ : state) {
        if (!carregaPasta(doc, folder.dir.path(), {}, nullptr).isDone()) {
            state.SkipWithError("the folder did not load");
            return;
        }
    }
    state.counters["cpu_ms"] = (processCpuMs() - cpu) / double(state.iterations());
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
