#pragma once

#include "meuparse/meuparse.h"
#include "previewimage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <functional>

class Canvas;

enum class Painel { Edicao, Pesquisa };

// The symbol preview's drawing state and routines. The program has one
// instance (owned by Analise); every pass of either pane draws through it.
//
// A pass resets the bounding box, clears (apagarimage1), sets the drawing
// canvas's pen, hands each line to interpreta_linha and ends with publica,
// which copies the bounding box plus a 50-pixel margin to the top-left of
// imagem_destino and sets that image's extent.
//
// Texts widen the box by their whole extent, as the canvas measures it.
//
// Library coordinates are mils with Y up; drawing-image coordinates are
// pixels with Y down, library origin at column 1000 and row 1000 × zoom / 115.
// Whatever maps above row 0 or left of column 0 widens the box like the rest:
// the drawing image then covers negative coordinates too (its area moves),
// and publishing copies from there, so the top of a tall symbol is not cut.
class Desenho
{
public:
    // Value of min_x and min_y while nothing is tracked; max_x and max_y
    // then hold VazioMax.
    static constexpr qint32 VazioMin = 2147483647;
    static constexpr qint32 VazioMax = -2147483647 - 1;
    // Extent of the blank preview published when nothing was tracked.
    static constexpr int LadoVazio = 100;
    // Margin around the bounding box in a published preview.
    static constexpr int Margem = 50;

    explicit Desenho(PreviewImage &imagemDesenho);

    // Preview state.
    PreviewImage &imagem_desenho;
    PreviewImage *imagem_destino = nullptr;
    qint32 zoom_atual = 100;
    qint32 zoom_edicao = 100;
    qint32 zoom_pesquisa = 100;
    qint32 min_x = VazioMin;
    qint32 max_x = VazioMax;
    qint32 min_y = VazioMin;
    qint32 max_y = VazioMax;
    bool mostra_nome_pino = true;
    bool mostra_num_pino = true;
    // What separa_linha returned for the last non-empty line.
    qint32 indice_final = 0;

    // Information values, shown by the edit pane's panel.
    QByteArray texto_alias = "ALIAS";
    QByteArray qtd_partes = "0";
    qint32 qtd_pinos = 0;

    // State of the switch RxSwitch1 ("Apresentar textos"): T lines are drawn
    // only while it is on. It starts off and nothing in the window turns it on.
    bool rxSwitch1 = false;

    // Receives the arc direction word meant for Label1.
    std::function<void(const QString &)> escreveLabel1;

    Canvas &canvas() { return imagem_desenho.canvas(); }

    // Drawing-image column / row of a library X / Y read from `texto` with
    // leInteiro, at zoom_atual; with `track` the bounding box widens.
    qint32 mapeia_x(QByteArrayView texto, bool track);
    qint32 mapeia_y(QByteArrayView texto, bool track);
    // The same for a computed value, read as its decimal text would be.
    qint32 mapeia_x(qint64 valor, bool track);
    qint32 mapeia_y(qint64 valor, bool track);

    // Widens the bounding box by the extent of a text drawn at `ancora`
    // (Canvas::textExtent or labelExtent), so that publishing shows all of
    // it; up to PreviewImage::Teto pixels from the anchor, as no preview
    // shows more.
    void abrange(const QRect &extent, QPoint ancora);

    // Empties the bounding box.
    void zeraLimites();
    // Clears the drawing image and imagem_destino (at its extent): both white,
    // the drawing canvas left with a white pen and brush.
    void apagarimage1();
    // Clears the drawing image and `destino`; apagarimage1 on imagem_destino.
    void apaga(PreviewImage *destino);
    // Copies the bounding box with its margin to the top-left of
    // imagem_destino, whose extent becomes the box plus twice the margin. A
    // box with nothing in it publishes a white preview of LadoVazio x
    // LadoVazio.
    void publica();

    // Tokenizes one line (ignoring an empty one) and calls the routine its
    // first word names, compared upper-cased.
    void interpreta_linha(const QByteArray &linha);
    // The same for a non-empty line already tokenized (`tokens` is
    // separa_linha(linha)).
    void interpreta(const QByteArray &linha, Tokens tokens);

    // Hidden pins (shape code, token 13, starting with "N") stacked on the
    // connection point of a visible pin that the pass draws are left out:
    // the visible pin stands for the stack. A pass hands the tokens of all
    // its lines here before drawing them (an empty entry for an empty
    // line); until then, and after esquecePinos, every pin is drawn.
    void preparaPinos(const std::vector<Tokens> &linhas);
    void esquecePinos() { m_pinosVisiveis.clear(); }

    // The tokens of the last non-empty line handed to interpreta_linha.
    const Tokens &linhaAtual() const { return m_linha; }

    // The routines read the tokens of the current line.
    void retangulo();
    void poligono();
    void arco();
    void circulo();
    void pino();
    void titulos();
    void textos();
    void definicao();

    // The zooms "Ajustar" and the mouse wheel reach.
    static constexpr qint32 ZoomMinimo = 10;
    static constexpr qint32 ZoomMaximo = 1000;

    // The library point (mils, Y up) a drawing coordinate stands for at
    // `zoom`, and back: the mapping without its rounding.
    static QPointF milsDe(QPointF ponto, qint32 zoom);
    static QPointF pontoDe(QPointF mils, qint32 zoom);

    // The zoom of a pane and the zoom buttons: each returns whether it acted,
    // and then the pane must be redrawn with its zoom.
    qint32 &zoom(Painel painel);
    // Sets a zoom within ZoomMinimo .. ZoomMaximo.
    bool defineZoom(Painel painel, qint32 valor);
    bool zoomMais(Painel painel);
    bool zoomMenos(Painel painel);
    bool zoomNormal(Painel painel);

private:
    // Where a pin's parts go: its connection point, its inner end, the
    // anchors of its name and number, the centre of its bubble.
    struct PontaDoPino
    {
        qint32 x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        QPoint ancoraNome, ancoraNumero, centro;
    };
    PontaDoPino pontaDoPino();
    void textosDoPino(char letra, QPoint ancoraNome, QPoint ancoraNumero, bool escreve);
    void formaDoPino(char letra, const PontaDoPino &p);
    // textOut at `ancora`, the box widened to the text's extent first.
    void escreveTexto(QPoint ancora, const QString &texto);

    const QByteArray &token(qint64 i) const { return m_linha.token(i); }
    qint32 coluna(qint32 v) const;
    qint32 linha(qint32 v) const;
    // ⟨n × zoom ÷ 115⟩: pin decoration sizes.
    int passo(int n) const;
    // ⟨size ÷ 100 × zoom ÷ 10⟩ + 1 points: text sizes.
    int tamanhoFonte(qint32 size) const;

    // Makes the drawing image cover the tracked box and its margin, on every
    // side, as far as PreviewImage::Teto allows.
    void cobreLimites();
    // Whether a hidden pin at (x, y) is stacked on a visible one.
    bool empilhado(qint32 x, qint32 y) const;

    Tokens m_linha;
    // Connection points of the visible pins drawn in this pass, when the
    // pass has hidden pins at all.
    std::vector<std::pair<qint32, qint32>> m_pinosVisiveis;
};
