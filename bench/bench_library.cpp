// Loading and saving a big library against the cost of only reading and
// writing its bytes. The library is the ten corpus libraries concatenated ten
// times (about 24 MB, 16,740 components), written once to a temporary file.
//
//   ./copista_bench --benchmark_filter='Floor|Library' --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true
//
// Goals: BM_LoadLibrary within 3x BM_ReadFloor, BM_SaveLibrary within 3x
// BM_WriteFloor, in the same run. A save syncs the file before renaming it,
// which BM_WriteFloor does not: BM_WriteSyncFloor adds the sync, so the
// save's ratio to it shows what the save costs beyond the disk's own work.

#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "tests/support/corpus.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstring>
#include <exception>
#include <unistd.h>

namespace {

constexpr int Copies = 10;
constexpr int ExpectedComponents = 16740;

struct BigLibrary
{
    QTemporaryDir dir;
    QString path;
    qint64 size = 0;
    int components = 0;
    QString error;

    BigLibrary()
    {
        if (!dir.isValid()) {
            error = QStringLiteral("no temporary folder");
            return;
        }
        QStringList libs;
        try {
            libs = corpusLibraries();
        } catch (const std::exception &e) {
            error = QString::fromStdString(e.what());
            return;
        }
        QByteArray one;
        for (const QString &lib : libs) {
            QFile f(lib);
            if (!f.open(QIODevice::ReadOnly)) {
                error = f.fileName() + QStringLiteral(": ") + f.errorString();
                return;
            }
            one += f.readAll();
        }
        if (libs.size() != 10) {
            error = QStringLiteral("expected 10 corpus libraries in %1").arg(corpusDir());
            return;
        }
        path = dir.filePath(QStringLiteral("big.lib"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(one.repeated(Copies)) != one.size() * Copies) {
            error = path + QStringLiteral(": ") + out.errorString();
            return;
        }
        out.close();
        size = QFileInfo(path).size();
        ComponentTable probe;
        const FileResult r = carregaBiblioteca(path, probe);
        components = probe.rowCount();
        if (!r.ok)
            error = r.error;
        else if (components != ExpectedComponents)
            error = QStringLiteral("loaded %1 components, expected %2")
                        .arg(components)
                        .arg(ExpectedComponents);
    }
};

// Made on first use and kept for the whole run.
BigLibrary &big()
{
    static BigLibrary library;
    return library;
}

bool ready(benchmark::State &state)
{
    if (big().error.isEmpty())
        return true;
    state.SkipWithError(big().error.toUtf8().constData());
    return false;
}

const QDateTime saveDate(QDate(2026, 12, 7), QTime(21, 5, 9));

// CR and LF bytes, eight at a time: the cheapest honest pass over the text.
qint64 countLineEnds(const QByteArray &bytes)
{
    constexpr quint64 low7 = 0x7f7f7f7f7f7f7f7fULL;
    constexpr quint64 ones = 0x0101010101010101ULL;
    // High bit set in each byte of w that is zero, exactly.
    auto zeros = [](quint64 w) { return ~(((w & low7) + low7) | w) & ~low7; };
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    qint64 n = 0;
    for (; end - p >= 8; p += 8) {
        quint64 w;
        std::memcpy(&w, p, 8);
        const quint64 hits = (zeros(w ^ (ones * '\r')) | zeros(w ^ (ones * '\n'))) >> 7;
        n += qint64((hits * ones) >> 56); // the sum of the eight 0/1 bytes
    }
    for (; p < end; ++p)
        n += (*p == '\r') | (*p == '\n');
    return n;
}

void BM_ReadFloor(benchmark::State &state)
{
    if (!ready(state))
        return;
    qint64 ends = 0;
    for (auto _ : state) {
        QFile f(big().path);
        if (!f.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open the big library");
            return;
        }
        const QByteArray bytes = f.readAll();
        ends = countLineEnds(bytes);
        benchmark::DoNotOptimize(ends);
    }
    state.counters["line_ends"] = double(ends);
    state.SetBytesProcessed(state.iterations() * big().size);
}

void BM_LoadLibrary(benchmark::State &state)
{
    if (!ready(state))
        return;
    ComponentTable table;
    for (auto _ : state) {
        const FileResult r = carregaBiblioteca(big().path, table);
        if (!r.ok || table.rowCount() != ExpectedComponents) {
            state.SkipWithError("load failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * big().size);
    state.counters["components"] = table.rowCount();
}

// The library's size in bytes written to a file; with `sync`, also forced
// to the disk before closing, as a safe save does.
void writeFloor(benchmark::State &state, bool sync)
{
    if (!ready(state))
        return;
    const QByteArray bytes(big().size, 'x');
    const QString path = big().dir.filePath(QStringLiteral("floor.out"));
    for (auto _ : state) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() ||
            (sync && (!f.flush() || ::fsync(f.handle()) != 0))) {
            state.SkipWithError("cannot write the floor file");
            return;
        }
        f.close();
    }
    state.SetBytesProcessed(state.iterations() * big().size);
    QFile::remove(path);
}

void BM_WriteFloor(benchmark::State &state)
{
    writeFloor(state, false);
}

void BM_WriteSyncFloor(benchmark::State &state)
{
    writeFloor(state, true);
}

void BM_SaveLibrary(benchmark::State &state)
{
    if (!ready(state))
        return;
    ComponentTable table;
    if (!carregaBiblioteca(big().path, table).ok) {
        state.SkipWithError("load failed");
        return;
    }
    const QString path = big().dir.filePath(QStringLiteral("saved.lib"));
    for (auto _ : state) {
        const FileResult r = salvaBiblioteca(path, table, saveDate);
        if (!r.ok) {
            state.SkipWithError(r.error.toUtf8().constData());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
    QFile::remove(path);
}

} // namespace

BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadLibrary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteFloor)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriteSyncFloor)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveLibrary)->Unit(benchmark::kMillisecond)->MinTime(1.0);
