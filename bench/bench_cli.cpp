// copista-cli against the window's own work on the same files, the program
// run as a separate process each time (its start-up included).
//
//   ./copista_bench_cli
//
// Goals: BM_CliListInProcess (the command's work: read, figures, CSV out)
// within 1.5x BM_CliWindowLoadGui (the real window's load of the same file:
// the load button pressed, the grid, information panel and preview updated),
// on a 24 MB library of unique names (the corpus ten times, each copy's names
// suffixed _1 .. _10). BM_CliWindowLoad is the core's read alone, and
// BM_CliList and BM_CliWindowLoadProcess the same two in programs of their
// own, start-up included;
// BM_CliCopy (all ten corpus libraries into a new file; BM_CliCopyInProcess
// without the program's start) within 2x
// BM_CliCopyFloor (reading their .lib and .dcm bytes and writing them into
// two new files through save files, side by side, as copy writes its two);
// BM_CliRender (every corpus component to PNG) at 500 components per second
// or more.

#include "app/tfcopista.h"
#include "benchmain.h"
#include "blocos.h"
#include "cli/commandline.h"
#include "fixeddialogs.h"
#include "library/componenttable.h"
#include "library/emparalelo.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"
#include "tests/support/corpus.h"
#include "tests/support/hostilefiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Copies = 10;

struct UniqueLibrary
{
    QTemporaryDir dir;
    QString path;
    qint64 size = 0;
    int components = 0;

    UniqueLibrary()
    {
        QByteArray bytes = "EESchema-LIBRARY Version 2.3\r\n";
        const QList<hostis::Block> blocks = hostis::corpusBlocks();
        for (int k = 1; k <= Copies; ++k) {
            for (const hostis::Block &b : blocks) {
                bytes += b.defLine(b.name + '_' + QByteArray::number(k)) + "\r\n";
                for (qsizetype i = 1; i < b.lines.size(); ++i)
                    bytes += b.lines[i] + "\r\n";
                ++components;
            }
        }
        path = dir.filePath(QStringLiteral("unique.lib"));
        QFile out(path);
        if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size())
            size = bytes.size();
    }
};

UniqueLibrary &unique()
{
    static UniqueLibrary library;
    return library;
}

// Runs copista-cli with its output thrown away; false when it fails.
bool cli(const QStringList &arguments)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral(COPISTA_CLI), arguments);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void BM_CliWindowLoad(benchmark::State &state)
{
    ComponentTable table;
    for (auto _ : state) {
        if (!carregaBiblioteca(unique().path, table).ok || table.rowCount() != unique().components)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * unique().size);
}

// The window's own load of the file, as its user waits for it: the load
// button of the real window pressed, the dialog answered with the file, and
// what the load posts (grid, information panel, preview of the first
// component) done.
void BM_CliWindowLoadGui(benchmark::State &state)
{
    FixedDialogs dialogs(unique().path);
    LibraryDocument edit, search;
    Tfcopista window(edit, search, &dialogs);
    window.show();
    QToolButton *load = window.findChild<QToolButton *>(QStringLiteral("SB_carregar"));
    for (auto _ : state) {
        load->click();
        QCoreApplication::processEvents();
        if (edit.table().rowCount() != unique().components)
            state.SkipWithError("the window did not load the library");
    }
    state.SetBytesProcessed(state.iterations() * unique().size);
}

// Runs `f` with stdout going to /dev/null.
template <typename F> bool quietly(F &&f)
{
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    const bool ok = f();
    cli::out().flush();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(null);
    ::close(saved);
    return ok;
}

// The list command's own work (read, analyse, write the CSV), in this
// process: what the program adds to the window's load, without its start.
void BM_CliListInProcess(benchmark::State &state)
{
    for (auto _ : state) {
        if (!quietly([] {
                return cli::runList(
                           {QStringLiteral("--format"), QStringLiteral("csv"), unique().path}) == 0;
            }))
            state.SkipWithError("list failed");
    }
    state.SetBytesProcessed(state.iterations() * unique().size);
}

// The window's load of the same file in a process of its own (this program
// started with --load FILE): the start and the fresh memory a separate
// program pays, which BM_CliWindowLoad's warm loop does not.
void BM_CliWindowLoadProcess(benchmark::State &state)
{
    const QString self = QCoreApplication::applicationFilePath();
    for (auto _ : state) {
        QProcess p;
        p.start(self, {QStringLiteral("--load"), unique().path});
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            state.SkipWithError("the load process failed");
    }
    state.SetBytesProcessed(state.iterations() * unique().size);
}

void BM_CliList(benchmark::State &state)
{
    for (auto _ : state) {
        if (!cli({QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("csv"),
                  unique().path}))
            state.SkipWithError("copista-cli list failed");
    }
    state.SetBytesProcessed(state.iterations() * unique().size);
}

QStringList corpusFiles(const char *suffix)
{
    QStringList out;
    for (const QString &lib : corpusLibraries())
        out << lib.chopped(4) + QLatin1String(suffix);
    return out;
}

// Times `copy` (given the target, false when it fails) into a fresh all.lib
// each round: the last round's files are removed untimed.
template <typename F> void timeCopies(benchmark::State &state, const char *error, F &&copy)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("all.lib"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        QFile::remove(dir.filePath(QStringLiteral("all.dcm")));
        state.ResumeTiming();
        if (!copy(target))
            state.SkipWithError(error);
    }
}

// The least a safe copy must do: the sources' .lib and .dcm bytes read and
// written into a new all.lib and all.dcm, each through a save file (written,
// synced, renamed), the two side by side as copy writes them. With the
// argument 1, each .lib's components are also split into texts of their own
// (separaBlocos) and written back from them with CR LF line ends: the least
// any copy that keeps components must do, before names, order or duplicates.
void BM_CliCopyFloor(benchmark::State &state)
{
    const bool blocks = state.range(0) == 1;
    timeCopies(state, "cannot write the floor files", [&](const QString &target) {
        const char *suffixes[] = {".lib", ".dcm"};
        std::atomic<bool> ok = true;
        emParalelo(2, [&](qsizetype i) {
            QSaveFile out(target.chopped(4) + QLatin1String(suffixes[i]));
            if (!out.open(QIODevice::WriteOnly)) {
                ok = false;
                return;
            }
            std::vector<QByteArray> texts;
            for (const QString &path : corpusFiles(suffixes[i])) {
                const std::optional<QByteArray> read = bytesDe(path);
                if (!read)
                    ok = false;
                const QByteArray bytes = read.value_or(QByteArray());
                if (blocks && i == 0)
                    separaBlocos(bytes, texts);
                else if (out.write(bytes) != bytes.size())
                    ok = false;
            }
            // Every line end of the texts written as CR LF, in one buffer.
            qsizetype size = 0;
            for (const QByteArray &text : texts)
                size += 2 * text.size();
            QByteArray buffer(size, Qt::Uninitialized);
            char *w = buffer.data();
            for (const QByteArray &text : texts) {
                const char *p = text.constData();
                const char *const end = p + text.size();
                while (p < end) {
                    const char *q =
                        static_cast<const char *>(std::memchr(p, '\r', size_t(end - p)));
                    std::memcpy(w, p, size_t(q - p));
                    w += q - p;
                    *w++ = '\r';
                    *w++ = '\n';
                    p = q + 1;
                }
            }
            buffer.truncate(w - buffer.constData());
            ok = ok && out.write(buffer) == buffer.size();
            if (!out.commit())
                ok = false;
        });
        return bool(ok);
    });
}

void BM_CliCopy(benchmark::State &state)
{
    timeCopies(state, "copista-cli copy failed", [](const QString &target) {
        return cli(QStringList{QStringLiteral("copy"), QStringLiteral("--to"), target} +
                   corpusLibraries());
    });
}

// The copy command's own work, in this process.
void BM_CliCopyInProcess(benchmark::State &state)
{
    timeCopies(state, "copy failed", [](const QString &target) {
        const QStringList args = QStringList{QStringLiteral("--to"), target} + corpusLibraries();
        return quietly([&] { return cli::runCopy(args) == 0; });
    });
}

void BM_CliRender(benchmark::State &state)
{
    QTemporaryDir dir;
    ComponentTable table;
    qint64 components = 0;
    for (const QString &lib : corpusLibraries()) {
        carregaBiblioteca(lib, table);
        components += table.rowCount();
    }
    int run = 0;
    for (auto _ : state) {
        const QString out = dir.filePath(QStringLiteral("img%1").arg(run++));
        if (!cli(QStringList{QStringLiteral("render")} + corpusLibraries() +
                 QStringList{QStringLiteral("--out"), out}))
            state.SkipWithError("copista-cli render failed");
    }
    state.SetItemsProcessed(state.iterations() * components);
    state.counters["components"] = double(components);
}

} // namespace

BENCHMARK(BM_CliWindowLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CliWindowLoadGui)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CliWindowLoadProcess)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CliListInProcess)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CliList)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CliCopyFloor)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();
BENCHMARK(BM_CliCopyInProcess)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_CliCopy)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_CliRender)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--load") == 0) {
        QCoreApplication app(argc, argv);
        ComponentTable table;
        return carregaBiblioteca(QString::fromLocal8Bit(argv[2]), table).ok && !table.isEmpty() ? 0
                                                                                                : 1;
    }
    return runBenchmarks<QApplication>(argc, argv);
}
