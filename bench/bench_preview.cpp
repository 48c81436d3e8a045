#include "analysis/analise.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"

#include <QDir>
#include <QImage>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

// The command lines of every component of the corpus libraries, in file order.
const std::vector<QList<QByteArray>> &corpusComponents()
{
    static const std::vector<QList<QByteArray>> components = [] {
        std::vector<QList<QByteArray>> result;
        const QDir dir(QStringLiteral(COPISTA_CORPUS_DIR));
        for (const QString &name :
             dir.entryList({QStringLiteral("*.lib")}, QDir::Files, QDir::Name)) {
            ComponentTable table;
            carregaBiblioteca(dir.filePath(name), table);
            for (int row = 0; row < table.rowCount(); ++row)
                result.push_back(linhas(table.comandosAt(row)));
        }
        return result;
    }();
    return components;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    const size_t k = std::min(values.size() - 1, size_t(p * double(values.size())));
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(k), values.end());
    return values[k];
}

// One search-pane pass (clear, draw, publish) per iteration, moving through
// every corpus component in turn at zoom 100, in the given view. Counters:
// median, 99th percentile and largest time of one pass, in microseconds.
void redraw(benchmark::State &state, Vista vista)
{
    const auto &components = corpusComponents();
    if (components.empty()) {
        state.SkipWithError("no corpus components");
        return;
    }
    Analise analise;
    analise.setVista(vista);
    // Fonts and glyph caches warm up on a first round outside the timing.
    for (const auto &lines : components)
        analise.redesenhaPesquisa(false, lines);

    std::vector<double> micros;
    micros.reserve(components.size());
    size_t next = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        analise.redesenhaPesquisa(false, components[next]);
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        next = (next + 1) % components.size();
    }
    state.counters["median_us"] = percentile(micros, 0.5);
    state.counters["p99_us"] = percentile(micros, 0.99);
    state.counters["max_us"] = micros.empty() ? 0 : *std::max_element(micros.begin(), micros.end());
    state.counters["components"] = double(components.size());
}

void BM_RedrawComponent(benchmark::State &state)
{
    redraw(state, Vista::Classica);
}
BENCHMARK(BM_RedrawComponent)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// The same in the KiCad view (anti-aliased outlines, fills and texts).
void BM_RedrawComponentKiCad(benchmark::State &state)
{
    redraw(state, Vista::KiCad);
}
BENCHMARK(BM_RedrawComponentKiCad)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// What clearing one whole 2000 x 2000 image costs.
void BM_ClearFloor(benchmark::State &state)
{
    QImage image(2000, 2000, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClearFloor)->Unit(benchmark::kMicrosecond);

} // namespace
