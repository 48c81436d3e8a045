// "Proximo" pressed in the real window with Device.lib in both panes: each
// press moves both tables and redraws both previews.
#include "app/tfcopista.h"
#include "fixeddialogs.h"
#include "library/librarydocument.h"

#include <QDir>
#include <QPushButton>
#include <QToolButton>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

void BM_ProximoWindow(benchmark::State &state)
{
    FixedDialogs dialogs(QDir(QStringLiteral(COPISTA_CORPUS_DIR)).filePath("Device.lib"));
    LibraryDocument edit, search;
    Tfcopista w(edit, search, &dialogs);
    w.show();
    w.findChild<QToolButton *>("SB_carregar")->click();
    w.findChild<QToolButton *>("RxSB_carregar2")->click();
    QPushButton *next = w.findChild<QPushButton *>("BitBtn8");
    QPushButton *first = w.findChild<QPushButton *>("BitBtn7");
    const int rows = edit.table().rowCount();
    if (rows < 2) {
        state.SkipWithError("Device.lib did not load");
        return;
    }
    std::vector<double> presses;
    presses.reserve(size_t(rows) * 4);
    for (auto _ : state) {
        for (int i = 1; i < rows; ++i) {
            const auto start = std::chrono::steady_clock::now();
            next->click();
            const auto end = std::chrono::steady_clock::now();
            presses.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        state.PauseTiming();
        first->click();
        state.ResumeTiming();
    }
    std::sort(presses.begin(), presses.end());
    state.counters["presses"] = double(presses.size());
    state.counters["median_us"] = presses[presses.size() / 2];
    state.counters["p99_us"] = presses[presses.size() * 99 / 100];
}
BENCHMARK(BM_ProximoWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
