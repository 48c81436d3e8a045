// Comparing two versions of a library folder.
//
//   ./copista_bench --benchmark_filter='BM_DiffFolders|BM_FolderLoad$'
//
// Goal: BM_DiffFolders (the folder of BM_FolderLoad, the ten corpus
// libraries with their .dcm files 20 times over, against a copy of it with
// one symbol in a hundred changed, both read from disk) within 2.5x
// BM_FolderLoad.

#include "libdiff/librarydiff.h"
#include "tests/support/corpus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Every hundredth component gets one more circle: a drawing change the
// texts show and the models must confirm.
QByteArray withSomeChanged(QByteArray lib, int &changed)
{
    int seen = 0;
    for (qsizetype at = lib.indexOf("\nDEF "); at >= 0; at = lib.indexOf("\nDEF ", at + 1)) {
        if (seen++ % 100 != 0)
            continue;
        const qsizetype draw = lib.indexOf("\nDRAW", at);
        const qsizetype end = lib.indexOf("\nENDDEF", at);
        if (draw < 0 || draw > end)
            continue;
        lib.insert(lib.indexOf('\n', draw + 1) + 1, "C 0 0 10 0 1 0 N\n");
        ++changed;
    }
    return lib;
}

// The same folder as BM_FolderLoad's (copies c0_NAME ... c19_NAME), and a
// second one with the changes.
struct Folders
{
    QTemporaryDir dir;
    QString before, after;
    int changed = 0;
    Folders()
    {
        before = dir.filePath(QStringLiteral("before"));
        after = dir.filePath(QStringLiteral("after"));
        QDir().mkpath(before);
        QDir().mkpath(after);
        const QDir corpus(corpusDir());
        for (const QString &name :
             corpus.entryList({QStringLiteral("*.lib"), QStringLiteral("*.dcm")}, QDir::Files)) {
            QFile in(corpus.filePath(name));
            if (!in.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = in.readAll();
            for (int k = 0; k < 20; ++k) {
                const QString copy = QStringLiteral("/c%1_%2").arg(k).arg(name);
                QFile a(before + copy), b(after + copy);
                if (a.open(QIODevice::WriteOnly))
                    a.write(bytes);
                if (b.open(QIODevice::WriteOnly))
                    b.write(name.endsWith(QLatin1String(".lib")) ? withSomeChanged(bytes, changed)
                                                                 : bytes);
            }
        }
    }
};

void BM_DiffFolders(benchmark::State &state)
{
    static Folders folders;
    LibraryDiff diff;
    for (auto _ : state) {
        QString error;
        const LibrarySnapshot a = LibrarySnapshot::read(folders.before, &error);
        const LibrarySnapshot b = LibrarySnapshot::read(folders.after, &error);
        if (!error.isEmpty()) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        diff = diffLibraries(a, b);
    }
    state.counters["changed"] = double(diff.changed.size());
    state.counters["made"] = folders.changed;
    state.counters["unchanged"] = double(diff.unchanged);
}
BENCHMARK(BM_DiffFolders)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {
// Not a goal: one side read as the comparison reads it, to tell the reading
// from the comparing in BM_DiffFolders.
void BM_DiffReadOne(benchmark::State &state)
{
    static Folders folders;
    for (auto _ : state) {
        QString error;
        const LibrarySnapshot a = LibrarySnapshot::read(folders.before, &error);
        benchmark::DoNotOptimize(a.entries().size());
    }
}
BENCHMARK(BM_DiffReadOne)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
