// The converter against the reads and writes it is made of.
//
// Goals: BM_ConvertToKicadSym (the ten corpus .lib files with their .dcm
// read, converted as KiCad 6 converts them and written as .kicad_sym through
// QSaveFile) within 1.5x BM_LegacyFolderLoadSame + BM_KicadSymSave;
// BM_ConvertToLegacy (the ten KiCad 6 libraries read, converted and written
// as .lib and .dcm) within 1.5x BM_KicadSymRead + BM_LegacySaveSame.

#include "convert/libraryconversion.h"
#include "tests/support/corpus.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void convertAll(benchmark::State &state, const QStringList &inputs, SymbolFormat to,
                const QString &extension)
{
    if (inputs.size() != 10) {
        state.SkipWithError("the ten corpus libraries are missing");
        return;
    }
    QTemporaryDir out;
    qint64 symbols = 0;
    for (auto _ : state) {
        symbols = 0;
        for (const QString &input : inputs) {
            const SymbolLibrary in = readSymbolLibrary(input);
            const ConvertedLibrary c = convertLibrary(in, to, 0, false);
            const QString error = saveConvertedLibrary(
                c, out.filePath(QFileInfo(input).completeBaseName() + extension));
            if (!in.error.isEmpty() || !error.isEmpty()) {
                state.SkipWithError("a library was not converted");
                return;
            }
            symbols +=
                to == SymbolFormat::Legacy ? c.legacy.components.size() : c.kicad.rows.size();
        }
    }
    state.counters["written"] = double(symbols);
}

void BM_ConvertToKicadSym(benchmark::State &state)
{
    convertAll(state, corpusLibraries(), SymbolFormat::KicadSym, QStringLiteral(".kicad_sym"));
}
BENCHMARK(BM_ConvertToKicadSym)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertToLegacy(benchmark::State &state)
{
    const QDir dir(corpusDir() + QStringLiteral("/../kicad-symbols-v6"));
    QStringList inputs;
    for (const QString &name :
         dir.entryList({QStringLiteral("*.kicad_sym")}, QDir::Files, QDir::Name))
        inputs << dir.filePath(name);
    convertAll(state, inputs, SymbolFormat::Legacy, QStringLiteral(".lib"));
}
BENCHMARK(BM_ConvertToLegacy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
