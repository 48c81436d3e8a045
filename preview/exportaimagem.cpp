#include "exportaimagem.h"

#include "analysis/analise.h"
#include "platform/paintercanvas.h"
#include "platform/statefulcanvas.h"

#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <memory>

namespace {

// A canvas that draws nothing but measures texts as the painting canvases
// do: for passes that only need the box.
class CanvasNulo : public StatefulCanvas
{
public:
    explicit CanvasNulo(QSize size) : StatefulCanvas(size) {}
    void lineTo(int, int) override {}
    void rectangle(int, int, int, int) override {}
    void ellipse(int, int, int, int) override {}
    void arc(int, int, int, int, int, int, int, int) override {}
    void polyline(std::span<const QPoint>) override {}
    void textOut(int, int, const QString &) override {}
    void fillRect(int, int, int, int) override {}
    void copyRect(int, int, int, int, Canvas &, int, int) override {}
    const QImage *image() override { return nullptr; }
    void strokePath(std::span<const QPoint>, bool, const Traco &) override {}
    void strokeEllipse(int, int, int, int, const Traco &) override {}
    void strokeArc(int, int, int, int, int, int, const Traco &) override {}
    void drawLabel(QPoint, const QString &, std::span<const Barra>, const EstiloTexto &) override {}
};

// Runs the pane's pass of `origem` over `linhas` on a separate analysis whose
// drawing image is made by `desenho` (the previews draw nothing).
void passa(Analise &origem, Painel painel, const QList<QByteArray> &linhas, Analise &copia)
{
    copia.setVista(origem.vista());
    copia.setOpcoes(Painel::Pesquisa, origem.opcoes(painel));
    copia.setSymbolLookup(Painel::Pesquisa, origem.symbolLookup(painel));
    copia.desenho().zoom_pesquisa = origem.desenho().zoom(painel);
    copia.redesenhaPesquisa(false, linhas);
}

ResultadoExportacao falha(const QString &motivo)
{
    return {false, motivo};
}

} // namespace

ResultadoExportacao exportaImagem(Analise &analise, Painel painel, const QList<QByteArray> &linhas,
                                  FormatoImagem formato, const QString &caminho)
{
    // The box and the extent, from a pass that draws nothing.
    Analise medida(
        [](QSize size) -> std::unique_ptr<Canvas> { return std::make_unique<CanvasNulo>(size); });
    passa(analise, painel, linhas, medida);
    const QSize extent = medida.image3().extent();
    if (extent.width() > PreviewImage::Teto || extent.height() > PreviewImage::Teto) {
        return falha(QStringLiteral("O desenho é grande demais para exportar (%1 x %2 pixels).")
                         .arg(extent.width())
                         .arg(extent.height()));
    }
    const Desenho &d = medida.desenho();
    const bool vazio = d.max_x < d.min_x || d.max_y < d.min_y;
    const QPoint origem =
        vazio ? QPoint(0, 0) : QPoint(d.min_x - Desenho::Margem, d.min_y - Desenho::Margem);

    QSaveFile arquivo(caminho);
    if (!arquivo.open(QIODevice::WriteOnly))
        return falha(arquivo.errorString());

    if (formato == FormatoImagem::Png) {
        Analise pixels;
        passa(analise, painel, linhas, pixels);
        QImage imagem(extent, QImage::Format_RGB32);
        if (imagem.isNull())
            return falha(QStringLiteral("Sem memória para a imagem."));
        imagem.fill(Qt::white);
        {
            QPainter p(&imagem);
            pixels.image3().paint(p, QRect(QPoint(0, 0), extent));
        }
        if (!imagem.save(&arquivo, "PNG")) {
            arquivo.cancelWriting();
            return falha(arquivo.errorString().isEmpty()
                             ? QStringLiteral("Não foi possível gravar a imagem PNG.")
                             : arquivo.errorString());
        }
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&arquivo);
        svg.setSize(extent);
        svg.setViewBox(QRect(QPoint(0, 0), extent));
        svg.setTitle(QStringLiteral("Copista"));
        svg.setResolution(96);
        QPainter p;
        if (!p.begin(&svg)) {
            arquivo.cancelWriting();
            return falha(QStringLiteral("Não foi possível gerar o SVG."));
        }
        p.fillRect(QRect(QPoint(0, 0), extent), Qt::white);
        p.setClipRect(QRect(QPoint(0, 0), extent));
        // The drawing's own coordinates, moved so that the box's margin
        // corner lands at the origin, as publishing copies it.
        p.translate(-origem.x(), -origem.y());
        bool primeiro = true;
        Analise vetor([&](QSize size) -> std::unique_ptr<Canvas> {
            if (!std::exchange(primeiro, false))
                return std::make_unique<CanvasNulo>(size);
            return std::make_unique<PainterCanvas>(p, size);
        });
        passa(analise, painel, linhas, vetor);
        p.end();
    }
    if (!arquivo.commit())
        return falha(arquivo.errorString());
    return {};
}
