// Fuzz target: the analysis passes (interpreta_linha over every line of a
// command text) through the recording canvas.
//
// The input is a command text; its lines are what the command editor would
// show. Both panes' passes run over it at a zoom picked from the input's
// size, every canvas records its calls, and the calls are checked:
//
// - Coordinates: a library coordinate is a 32-bit number; mapped at the
//   largest zoom (210 %) it lands within about +-8.1e8 pixels, and the
//   routines add at most a few pin-decoration steps to that. Anything
//   beyond +-2^30 can only come from arithmetic that wrapped, so it fails.
//   (The image canvas clips such far coordinates itself; what is checked
//   here is that the routines hand it numbers that mean something.)
// - Font sizes: a size token maps to at most 2^31 x 210 / 1000 + 1 points;
//   beyond that the size wrapped. The image canvas clamps the pixel size.
// - Polylines: never more points than the token table can hold pairs for,
//   whatever count the line writes (no array follows the written count).
// - Texts: never longer than the line they come from.
// - Published extents: at most the widget limit 16777215 a side.
//
// The same passes run again in the KiCad view, with a unit and a body style
// picked from the input (out of range included) and hidden pins shown or
// not; its anti-aliased calls are checked the same way, and text heights and
// stroke widths must stay within what the size and width caps allow. The
// unit count offered for the text must be between 1 and 100000.
//
// Allocations that follow a number written in the text are caught by the
// fuzzer's -malloc_limit_mb (see fuzz/run.sh): a text of a few kilobytes
// must never need more than a few megabytes.
#include "analysis/analise.h"
#include "fuzzcheck.h"
#include "library/linelist.h"
#include "meuparse/meuparse.h"
#include "preview/kicad.h"
#include "tests/support/recordingcanvas.h"

#include <QGuiApplication>

#include <memory>
#include <vector>

namespace {

constexpr qint64 CoordMax = qint64(1) << 30;
constexpr qint64 FonteMax = (qint64(1) << 31) * 210 / 1000 + 2;
constexpr qint64 ExtentMax = 16777215;
constexpr size_t PontosMax = (MAX_TOKENS - 5) / 2 + 1;
// Text sizes stop at 100000 mils, widths at 1000 mils: pixels at zoom 210.
constexpr double AlturaMax = 100000 * 210 / 563.5 + 1;
constexpr double LarguraMax = 1000 * 210 / 563.5 + 1;

bool coordenadaSa(int v)
{
    return qAbs(qint64(v)) <= CoordMax;
}

void confere(const RecordingCanvas &canvas, qsizetype maiorLinha)
{
    for (const RecordingCanvas::Call &call : canvas.calls) {
        for (const QPoint &p : call.points) {
            FUZZ_CHECK(coordenadaSa(p.x()));
            FUZZ_CHECK(coordenadaSa(p.y()));
        }
        if (call.kind == RecordingCanvas::Kind::Polyline)
            FUZZ_CHECK(call.points.size() <= PontosMax);
        if (call.kind == RecordingCanvas::Kind::Text) {
            FUZZ_CHECK(call.text.size() <= maiorLinha);
            FUZZ_CHECK(qAbs(qint64(call.font.tamanho)) <= FonteMax);
        }
        if (call.kind == RecordingCanvas::Kind::Path)
            FUZZ_CHECK(call.points.size() <= PontosMax + 4);
        if (call.kind == RecordingCanvas::Kind::Path ||
            call.kind == RecordingCanvas::Kind::SmoothEllipse ||
            call.kind == RecordingCanvas::Kind::SmoothArc)
            FUZZ_CHECK(call.traco.largura >= 0 && call.traco.largura <= LarguraMax);
        if (call.kind == RecordingCanvas::Kind::SmoothArc)
            FUZZ_CHECK(call.start >= 0 && call.start < 3600 && call.span >= 0 && call.span <= 1800);
        if (call.kind == RecordingCanvas::Kind::Label) {
            FUZZ_CHECK(call.text.size() <= maiorLinha + 8);
            FUZZ_CHECK(call.estilo.altura >= 0 && call.estilo.altura <= AlturaMax);
            FUZZ_CHECK(call.estilo.largura >= 0 && call.estilo.largura <= LarguraMax);
            for (const Barra &b : call.barras)
                FUZZ_CHECK(b.inicio >= 0 && b.inicio < b.fim && b.fim <= call.text.size());
        }
        if (call.kind == RecordingCanvas::Kind::Copy || call.kind == RecordingCanvas::Kind::Fill) {
            FUZZ_CHECK(call.points.size() >= 2);
            FUZZ_CHECK(qAbs(qint64(call.points[1].x()) - call.points[0].x()) <= ExtentMax);
            FUZZ_CHECK(qAbs(qint64(call.points[1].y()) - call.points[0].y()) <= ExtentMax);
        }
    }
}

void confereExtent(const PreviewImage &image)
{
    FUZZ_CHECK(image.extent().width() >= 1 && image.extent().width() <= ExtentMax);
    FUZZ_CHECK(image.extent().height() >= 1 && image.extent().height() <= ExtentMax);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Nothing here paints, but the analysis lives in a GUI program; give it
    // its application object once, headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray texto = fuzzBytes(data, size);
    const QList<QByteArray> lista = linhas(texto);
    qsizetype maiorLinha = 0;
    for (const QByteArray &l : lista)
        maiorLinha = qMax(maiorLinha, l.size());

    std::vector<RecordingCanvas *> canvases;
    auto fabrica = [&canvases](QSize lado) -> std::unique_ptr<Canvas> {
        auto c = std::make_unique<RecordingCanvas>(lado);
        canvases.push_back(c.get());
        return c;
    };
    Analise analise(fabrica);
    const qint32 zoom = qint32(40 + 10 * (size % 18));
    analise.desenho().zoom_pesquisa = zoom;
    analise.desenho().zoom_edicao = 250 - zoom;

    // One pane's pass over the text; only the calls of that pass are checked,
    // not those of earlier passes or of changing the options.
    auto passa = [&](Painel painel) {
        for (RecordingCanvas *c : canvases)
            c->calls.clear();
        const bool pesquisa = painel == Painel::Pesquisa;
        if (pesquisa)
            analise.redesenhaPesquisa(false, lista);
        else
            analise.redesenhaEdicao(false, lista, "nome");
        for (RecordingCanvas *c : canvases)
            confere(*c, maiorLinha);
        confereExtent(pesquisa ? analise.image3() : analise.image2());
    };

    passa(Painel::Pesquisa);
    passa(Painel::Edicao);
    FUZZ_CHECK(analise.desenho().qtd_pinos >= 0);
    FUZZ_CHECK(analise.desenho().qtd_pinos <= lista.size());

    // The KiCad view, with options from the input: units from -1 to 6, body
    // styles from -1 to 3, hidden pins shown every other input.
    const int unidades = unidadesDoSimbolo(lista);
    FUZZ_CHECK(unidades >= 1 && unidades <= 100000);
    temConvertido(lista);
    analise.setVista(Vista::KiCad);
    const OpcoesKiCad opcoes{int(size % 8) - 1, int(size / 8 % 5) - 1, size % 2 == 0};
    analise.setOpcoes(Painel::Pesquisa, opcoes);
    analise.setOpcoes(Painel::Edicao, {unidades, 2, true});
    passa(Painel::Pesquisa);
    passa(Painel::Edicao);
    return 0;
}
