// The search filter and the description files.
//
// Filter: one keystroke over 100,000 components, the ten corpus libraries
// repeated (each copy's names get a suffix) with the descriptions of the
// corpus .dcm files. Goal: at most 16 ms median per keystroke.
//
//   ./copista_bench --benchmark_filter='Filtro|Dcm' --benchmark_repetitions=3
//
// Descriptions: reading and writing the ten corpus .dcm files against only
// reading their bytes.

#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/filtro.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 100000;

QDir corpus()
{
    return QDir(QStringLiteral(COPISTA_CORPUS_DIR));
}

QStringList corpusFiles(const char *pattern)
{
    QStringList out;
    for (const QString &n : corpus().entryList({QLatin1String(pattern)}, QDir::Files, QDir::Name))
        out << corpus().filePath(n);
    return out;
}

struct BigIndex
{
    QList<ComponenteDcm> componentes;
    QList<QByteArray> originais; // the corpus name each row copies
    Descricoes descricoes;
    FiltroIndice indice;
    QString error;

    BigIndex()
    {
        QList<ComponenteDcm> one;
        for (const QString &lib : corpusFiles("*.lib")) {
            ComponentTable t;
            if (!carregaBiblioteca(lib, t).ok) {
                error = lib;
                return;
            }
            one += componentesDe(t);
            const LeituraDcm r = carregaDescricoes(lib.chopped(3) + QStringLiteral("dcm"));
            if (!r.resultado.ok) {
                error = r.resultado.error;
                return;
            }
            for (const Descricao &e : r.descricoes.entradas())
                descricoes.acrescenta(e);
        }
        if (one.isEmpty()) {
            error = QStringLiteral("no corpus libraries");
            return;
        }
        for (int i = 0; componentes.size() < Rows; ++i) {
            for (const ComponenteDcm &c : one) {
                if (componentes.size() == Rows)
                    break;
                const QByteArray sufixo = i == 0 ? QByteArray() : "_" + QByteArray::number(i);
                componentes.append({c.nome + sufixo, c.comandos});
                originais.append(c.nome);
            }
        }
        indice = monta();
    }

    // Every copy gets the description of its original, as a copied component
    // carries its entries along.
    FiltroIndice monta() const
    {
        FiltroIndice f;
        for (qsizetype i = 0; i < componentes.size(); ++i) {
            const ComponenteDcm &c = componentes[i];
            f.acrescenta(c.nome, c.comandos,
                         entradasDoComponente(descricoes, originais[i], c.comandos));
        }
        return f;
    }
};

BigIndex &big()
{
    static BigIndex b;
    return b;
}

void BM_FiltroTecla(benchmark::State &state, const char *padrao)
{
    if (!big().error.isEmpty()) {
        state.SkipWithError(big().error.toUtf8().constData());
        return;
    }
    const QString p = QString::fromUtf8(padrao);
    qsizetype found = 0;
    for (auto _ : state) {
        const QList<int> rows = big().indice.linhasQueCasam(p);
        found = rows.size();
        benchmark::DoNotOptimize(rows.constData());
    }
    state.counters["rows"] = big().indice.linhas();
    state.counters["matches"] = double(found);
}

void BM_FiltroIndice(benchmark::State &state)
{
    if (!big().error.isEmpty()) {
        state.SkipWithError(big().error.toUtf8().constData());
        return;
    }
    for (auto _ : state) {
        const FiltroIndice f = big().monta();
        benchmark::DoNotOptimize(f.linhas());
    }
}

struct CorpusDcm
{
    QStringList files;
    QList<QList<ComponenteDcm>> componentes;
    qint64 bytes = 0;

    CorpusDcm()
    {
        files = corpusFiles("*.dcm");
        for (const QString &f : files) {
            ComponentTable t;
            carregaBiblioteca(f.chopped(3) + QStringLiteral("lib"), t);
            componentes.append(componentesDe(t));
            bytes += QFile(f).size();
        }
    }
};

CorpusDcm &dcms()
{
    static CorpusDcm c;
    return c;
}

void BM_DcmReadFloor(benchmark::State &state)
{
    qint64 total = 0;
    for (auto _ : state) {
        for (const QString &f : dcms().files) {
            QFile in(f);
            if (!in.open(QIODevice::ReadOnly)) {
                state.SkipWithError("cannot read a corpus .dcm");
                return;
            }
            total += in.readAll().count('\n');
        }
    }
    benchmark::DoNotOptimize(total);
    state.SetBytesProcessed(state.iterations() * dcms().bytes);
}

void BM_DcmReadWrite(benchmark::State &state)
{
    qsizetype entries = 0;
    for (auto _ : state) {
        entries = 0;
        for (qsizetype i = 0; i < dcms().files.size(); ++i) {
            const LeituraDcm r = carregaDescricoes(dcms().files[i]);
            QByteArray bytes;
            QBuffer out(&bytes);
            out.open(QIODevice::WriteOnly);
            if (!r.resultado.ok || !gravaDescricoes(out, dcms().componentes[i], r.descricoes).ok) {
                state.SkipWithError("read or write failed");
                return;
            }
            entries += r.descricoes.quantasEntradas();
        }
    }
    state.counters["entries"] = double(entries);
    state.SetBytesProcessed(state.iterations() * dcms().bytes);
}

} // namespace

// Typical keystrokes: a word typed in full, its first letters, a glob.
BENCHMARK_CAPTURE(BM_FiltroTecla, word, "nand")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FiltroTecla, letter, "7")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FiltroTecla, absent, "zzqx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FiltroTecla, glob, "74*00")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FiltroTecla, globInside, "*ls0?*")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FiltroIndice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DcmReadFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DcmReadWrite)->Unit(benchmark::kMillisecond);
