// The pad checker over an edit library of 2,000 footprint-like components of
// 40 pad blocks each, none of them faulty, against the cost of tokenizing the
// same lines alone.
//
//   ./copista_bench --benchmark_filter='PadCheck|TokenizeFloor' --benchmark_repetitions=3
//
// Goal: BM_PadCheck at most 3x BM_TokenizeFloor in the same run.

#include "footprint/padchecker.h"
#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "library/linelist.h"
#include "meuparse/meuparse.h"
#include "platform/dialogs.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr int Components = 2000;
constexpr int PadsPerComponent = 40;

QByteArray footprint(int n)
{
    const QByteArray name = "FP_" + QByteArray::number(n);
    QByteArray t = "$MODULE " + name + "\rPo 0 0 0 15 4A3B2C1D 00000000 ~~\rLi " + name +
                   "\rSc 00000000\rOp 0 0 0\r"
                   "T0 0 -1200 600 600 0 120 N V 21 \"" +
                   name +
                   "\"\r"
                   "DS -1500 -1000 1500 -1000 150 21\rDS 1500 -1000 1500 1000 150 21\r"
                   "DC 0 0 300 0 150 21\rDA 0 0 300 0 900 150 21\r";
    for (int p = 1; p <= PadsPerComponent; ++p) {
        const QByteArray pad = QByteArray::number(p);
        t += "$PAD\rSh \"" + pad + "\" " + (p % 3 ? "R" : "C") + " 600 " +
             QByteArray::number(400 + p) + " 0 0 0\rDr 320 0 0\rAt STD N 00E0FFFF\rNe 0 \"\"\rPo " +
             QByteArray::number(p * 100) + " -500\r$EndPAD\r";
    }
    t += "$EndMODULE " + name + "\r";
    return t;
}

class SilentDialogs : public DialogService
{
public:
    int warnings = 0;
    Dialogs::Button message(Dialogs::Kind kind, const QString &, Dialogs::Buttons) override
    {
        if (kind == Dialogs::Kind::Warning)
            ++warnings;
        return Dialogs::Button::Ok;
    }
    std::optional<QString> openFile(const Dialogs::FileOptions &) override { return {}; }
    std::optional<QString> saveFile(const Dialogs::FileOptions &) override { return {}; }
    std::optional<QString> openFolder(const Dialogs::FileOptions &) override { return {}; }
    Dialogs::ClashAnswer clash(const QString &) override { return {}; }
    void beep() override {}
};

struct FootprintLibrary
{
    LibraryDocument doc;
    ComponentTable &table = doc.table();
    qint64 lines = 0;

    FootprintLibrary()
    {
        for (int i = 0; i < Components; ++i) {
            table.append();
            table.setField(ComponentTable::Field::Nome, "FP_" + QByteArray::number(i));
            table.setField(ComponentTable::Field::Comandos, footprint(i));
            table.post();
            lines += linhas(table.comandosAt(i)).size();
        }
        table.first();
    }
};

FootprintLibrary &library()
{
    static FootprintLibrary lib;
    return lib;
}

void BM_PadCheck(benchmark::State &state)
{
    ComponentTable &table = library().table;
    SilentDialogs dialogs;
    for (auto _ : state) {
        checaIlhas(library().doc, dialogs, {});
        if (dialogs.warnings != 0 || !table.atEnd()) {
            state.SkipWithError("the checker reported a finding");
            break;
        }
    }
    state.counters["lines"] = double(library().lines);
}
BENCHMARK(BM_PadCheck)->Unit(benchmark::kMillisecond);

void BM_TokenizeFloor(benchmark::State &state)
{
    std::vector<QByteArray> all;
    const ComponentTable &table = library().table;
    for (int i = 0; i < table.rowCount(); ++i) {
        for (const QByteArray &l : linhas(table.comandosAt(i)))
            all.push_back(l);
    }
    for (auto _ : state) {
        qint64 sum = 0;
        for (const QByteArray &l : all)
            sum += separa_linha(l).indiceFinal();
        benchmark::DoNotOptimize(sum);
    }
    state.counters["lines"] = double(all.size());
}
BENCHMARK(BM_TokenizeFloor)->Unit(benchmark::kMillisecond);

} // namespace
