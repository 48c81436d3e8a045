// The librarian's commands at scale.
//
//   ./copista_bench --benchmark_filter='Folder|Many|Session' --benchmark_repetitions=3
//
// Goals: BM_FolderLoad (the ten corpus libraries with their .dcm files, 20
// copies of each in one folder) within 2x BM_FolderReadFloor (reading those
// files' bytes; BM_FolderLineFloor and BM_FolderBlockFloor show how close
// any line reader, and any reader that keeps each component's text, can
// come); copying 1,000 selected rows into a 5,000-row library, and
// undoing and redoing that copy, 100 ms each at most; a 1,000-step session on
// the 24 MB library within 3x the file's size of memory.

#include "blocos.h"
#include "edit/componentedit.h"
#include "library/emparalelo.h"
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "library/linelist.h"
#include "platform/dialogs.h"
#include "tests/support/corpus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

class SkipClashes : public DialogService
{
public:
    Dialogs::Button message(Dialogs::Kind, const QString &, Dialogs::Buttons) override
    {
        return Dialogs::Button::Ok;
    }
    std::optional<QString> openFile(const Dialogs::FileOptions &) override { return {}; }
    std::optional<QString> saveFile(const Dialogs::FileOptions &) override { return {}; }
    std::optional<QString> openFolder(const Dialogs::FileOptions &) override { return {}; }
    Dialogs::ClashAnswer clash(const QString &) override { return {Dialogs::Clash::Rename, true}; }
    void beep() override {}
};

// The corpus libraries and descriptions, 20 copies of each, in one folder.
struct Folder
{
    QTemporaryDir dir;
    QStringList files;
    Folder()
    {
        const QDir corpus(corpusDir());
        for (const QString &name :
             corpus.entryList({QStringLiteral("*.lib"), QStringLiteral("*.dcm")}, QDir::Files)) {
            for (int k = 0; k < 20; ++k) {
                const QString copy = dir.filePath(QStringLiteral("c%1_%2").arg(k).arg(name));
                QFile::copy(corpus.filePath(name), copy);
                files << copy;
            }
        }
    }
};

Folder &folder()
{
    static Folder f;
    return f;
}

void BM_FolderReadFloor(benchmark::State &state)
{
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const QString &path : folder().files)
            bytes += bytesDe(path).value_or(QByteArray()).size();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_FolderReadFloor)->Unit(benchmark::kMillisecond);

// What any reader that keeps lines must do at least: the files' bytes read
// and every line end found, on every core (each thread takes the next file).
// Not a goal: it shows how near the read floor a line reader can come.
void BM_FolderLineFloor(benchmark::State &state)
{
    const QStringList &files = folder().files;
    std::atomic<qint64> lineEnds = 0;
    for (auto _ : state) {
        lineEnds = 0;
        emParalelo(files.size(), [&](qsizetype i) {
            const QByteArray bytes = bytesDe(files[i]).value_or(QByteArray());
            const char *p = bytes.constData();
            const char *const end = p + bytes.size();
            qint64 n = 0;
            while ((p = procuraQuebra(p, end)) < end) {
                ++n;
                ++p;
            }
            lineEnds += n;
        });
    }
    state.counters["line_ends"] = double(lineEnds);
}
BENCHMARK(BM_FolderLineFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

// Less than any reader that keeps the components can do: the files' bytes
// read on every core and each component's lines copied into a text of its
// own (separaBlocos), nothing else: no name, no sort, no descriptions.
void BM_FolderBlockFloor(benchmark::State &state)
{
    const QStringList &files = folder().files;
    std::atomic<qint64> blocks = 0;
    std::vector<std::vector<QByteArray>> kept;
    for (auto _ : state) {
        state.PauseTiming();
        kept.clear(); // last round's texts freed untimed
        kept.resize(size_t(files.size()));
        blocks = 0;
        state.ResumeTiming();
        emParalelo(files.size(), [&](qsizetype i) {
            const QByteArray bytes = bytesDe(files[i]).value_or(QByteArray());
            std::vector<QByteArray> &out = kept[size_t(i)];
            separaBlocos(bytes, out);
            blocks += qint64(out.size());
        });
    }
    state.counters["blocks"] = double(blocks);
}
BENCHMARK(BM_FolderBlockFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FolderLoad(benchmark::State &state)
{
    LibraryDocument doc;
    for (auto _ : state) {
        if (!carregaPasta(doc, folder().dir.path(), {}, nullptr).isDone()) {
            state.SkipWithError("the folder did not load");
            return;
        }
    }
    state.counters["components"] = doc.table().rowCount();
    state.counters["libraries"] = double(doc.bibliotecas().size());
}
BENCHMARK(BM_FolderLoad)->Unit(benchmark::kMillisecond);

double ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// 1,000 rows of the corpus folder copied into 5,000 rows, then undone and
// redone; the medians of each part are counters.
void BM_CopyManyRows(benchmark::State &state)
{
    LibraryDocument search;
    carregaPasta(search, folder().dir.path(), {}, nullptr);
    QList<int> rows;
    for (int r = 0; r < 1000; ++r)
        rows << r * 7;
    SkipClashes dialogs;
    std::vector<double> copy, undo, redo;
    for (auto _ : state) {
        state.PauseTiming();
        LibraryDocument edit;
        ComponentTable &t = edit.table();
        t.setRecording(false);
        for (int i = 0; i < 5000; ++i) {
            t.append();
            t.setField(ComponentTable::Field::Nome, "E" + QByteArray::number(i));
            t.setField(ComponentTable::Field::Comandos, search.table().comandosAt(i % 3000));
            t.post();
        }
        t.sortByName();
        t.setRecording(true);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        const CopiaVarias r = copiaComponentes(search, rows, edit, dialogs);
        const auto t1 = std::chrono::steady_clock::now();
        edit.desfaz();
        const auto t2 = std::chrono::steady_clock::now();
        edit.refaz();
        const auto t3 = std::chrono::steady_clock::now();
        if (r.copiados != 1000 || t.rowCount() != 6000) {
            state.SkipWithError("the rows were not copied");
            return;
        }
        copy.push_back(ms(t0, t1));
        undo.push_back(ms(t1, t2));
        redo.push_back(ms(t2, t3));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    state.counters["copy_ms"] = median(copy);
    state.counters["undo_ms"] = median(undo);
    state.counters["redo_ms"] = median(redo);
}
BENCHMARK(BM_CopyManyRows)->Unit(benchmark::kMillisecond)->Iterations(5);

// Bytes the program holds: what the allocator has handed out and not taken
// back (the pages it keeps from earlier work, which the resident size counts,
// left out), or else the resident size.
qint64 heldBytes()
{
#if defined(__GLIBC__)
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks + m.hblkhd);
#else
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
#endif
}

// The 24 MB library (the corpus ten times) loaded, then 1,000 steps: each
// edits one row's text, every tenth deletes a row. Memory above what the
// process held before the load, against the file's size.
void BM_SessionMemory(benchmark::State &state)
{
    QTemporaryDir dir;
    QByteArray one;
    for (const QString &lib : corpusLibraries())
        one += bytesDe(lib).value_or(QByteArray());
    const QString path = dir.filePath(QStringLiteral("big.lib"));
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(one.repeated(10));
    out.close();
    const qint64 size = QFileInfo(path).size();
    for (auto _ : state) {
        const qint64 before = heldBytes();
        LibraryDocument doc;
        carregaBiblioteca(path, doc.table());
        ComponentTable &t = doc.table();
        for (int step = 0; step < 1000; ++step) {
            t.moveTo((step * 7919) % t.rowCount());
            if (step % 10 == 9) {
                apagaComponente(doc);
                continue;
            }
            t.edit();
            t.setField(ComponentTable::Field::Comandos,
                       t.field(ComponentTable::Field::Comandos) + "T 0 0 0 50 0 0 0 x\r");
            t.post();
        }
        const qint64 after = heldBytes();
        state.counters["steps"] = doc.historico().count();
        state.counters["ratio"] = double(after - before) / double(size);
    }
}
BENCHMARK(BM_SessionMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
