// The library conventions over the ten corpus libraries.
//
// Goal: BM_CheckCorpus (every rule over every symbol of the ten .lib
// libraries, their models built once outside the timed part, aliases drawn
// as their component, checked on every core as the window and copista-cli
// check them) within 1x BM_LegacyFolderLoadSame (bench_kicadsym).
// BM_CheckCorpusFromText times the same with the models built from the row
// texts each time, as "Verificar biblioteca" does.

#include "checks/checks.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/libraryfile.h"
#include "tests/support/corpus.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Corpus
{
    std::vector<std::unique_ptr<ComponentTable>> tables;
    std::vector<std::unique_ptr<Descricoes>> descricoes;
    QList<Klc::RowRef> rows;
    QList<Symbol> symbols;

    Corpus()
    {
        for (const QString &path : corpusLibraries()) {
            tables.push_back(std::make_unique<ComponentTable>());
            carregaBiblioteca(path, *tables.back());
            descricoes.push_back(
                std::make_unique<Descricoes>(carregaDescricoes(caminhoDcm(path)).descricoes));
            const ComponentTable &t = *tables.back();
            for (int r = 0; r < t.rowCount(); ++r) {
                rows.append({t.nameAt(r), t.comandosAt(r), descricoes.back().get()});
                symbols += Klc::rowSymbols(t.comandosAt(r), descricoes.back().get());
            }
        }
    }
};

Corpus &corpus()
{
    static Corpus c;
    return c;
}

void BM_CheckCorpus(benchmark::State &state)
{
    const Corpus &c = corpus();
    const Klc::RuleFilter all;
    QList<Klc::Finding> found;
    for (auto _ : state) {
        found = Klc::checkSymbols(c.symbols, all);
        for (qsizetype i = 0; i < c.rows.size(); ++i)
            Klc::checkRowText(c.rows[i].text, c.rows[i].name, all, found);
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["symbols"] = double(c.symbols.size());
    state.counters["findings"] = double(found.size());
}
BENCHMARK(BM_CheckCorpus)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CheckCorpusFromText(benchmark::State &state)
{
    const Corpus &c = corpus();
    qsizetype findings = 0;
    for (auto _ : state)
        findings = Klc::checkRows(c.rows, {}).size();
    state.counters["findings"] = double(findings);
}
BENCHMARK(BM_CheckCorpusFromText)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
