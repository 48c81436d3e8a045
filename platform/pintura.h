#pragma once

#include "canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QStaticText>
#include <map>
#include <span>
#include <tuple>
#include <utility>

// A colour for the painter.
inline QColor toQColor(Cor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// The start and span, in sixteenths of a degree as QPainter::drawArc takes
// them, of the arc of the ellipse inscribed in `shape` running
// counterclockwise from the ray through (x3, y3) to the ray through (x4, y4)
// (Canvas::arc).
std::pair<int, int> angulosDoArco(const QRectF &shape, int x3, int y3, int x4, int y4);

// The whole pixels covering `rect`, given about a text's anchor, once turned
// by `rotacao` tenths of a degree counterclockwise on the screen and put on
// `anchor`; kept within +-2^29 so that it is a valid QRect.
QRect extensaoGirada(const QRectF &rect, QPoint anchor, int rotacao);
// What textOut paints with `metrics`: the cell the advance and height make,
// and the glyphs' ink where it reaches past it; relative to the cell's corner.
QRectF celulaDoTexto(const QFontMetrics &metrics, const QString &text);

// Paints the anti-aliased primitives of the canvas seam (strokePath,
// strokeEllipse, strokeArc, drawLabel) on a QPainter, for every canvas that
// paints through one. Each call leaves the painter's pen, brush and
// transform as it found them.
//
// Texts use the face "Arial" (Liberation Sans through fontconfig) at the
// pixel size whose capitals are the asked height, at most 4000 pixels.
// Stroke widths are kept within 1000 pixels; below 1.5 pixels they are 1.
class Pintor
{
public:
    static constexpr double LarguraMax = 1000;

    // With `estatico`, texts are laid out once and kept (QStaticText): for
    // painters on bitmaps, where that is much faster. Vector painters (SVG)
    // take plain text.
    explicit Pintor(bool estatico = false) : m_estatico(estatico) {}

private:
    struct Fonte;
    struct Medido;

public:
    // Where a text goes relative to its anchor, before the rotation. Valid
    // until the next text is laid out.
    struct Layout
    {
        const Fonte *fonte = nullptr;
        Medido *medido = nullptr;
        double x = 0;    // left end of the text
        double base = 0; // baseline
        double largura = 0;
    };
    // `text` (not empty) laid out as `estilo` says.
    Layout layout(const QString &text, const EstiloTexto &estilo);

    // What each primitive may paint, in the painter's coordinates before
    // its transform; empty when it paints nothing.
    static QRectF areaPath(std::span<const QPoint> points, const Traco &traco);
    static QRectF areaEllipse(int x1, int y1, int x2, int y2, const Traco &traco);
    static QRectF areaLabel(const Layout &layout, QPoint anchor, const EstiloTexto &estilo);
    // The pixels label() paints for `text` laid out in `layout` (Canvas::labelExtent).
    static QRect extensaoLabel(const Layout &layout, QPoint anchor, const QString &text,
                               const EstiloTexto &estilo);

    // Whether `traco` strokes with the one-pixel pen.
    static bool umPixel(const Traco &traco);

    static void path(QPainter &p, std::span<const QPoint> points, bool closed, const Traco &traco);
    void ellipse(QPainter &p, int x1, int y1, int x2, int y2, const Traco &traco);
    static void arc(QPainter &p, int x1, int y1, int x2, int y2, int start, int span,
                    const Traco &traco);
    void label(QPainter &p, QPoint anchor, const QString &text, std::span<const Barra> barras,
               const EstiloTexto &estilo);
    // The same with the text laid out already.
    void label(QPainter &p, const Layout &layout, QPoint anchor, const QString &text,
               std::span<const Barra> barras, const EstiloTexto &estilo);
    // The painter's font was changed by someone else.
    void esqueceFonte() { m_fontePosta = -1; }

private:
    struct Fonte
    {
        QFont font;
        QFontMetricsF metrics;
        double cap; // height of a capital letter, pixels
        int chave;  // tells the fonts apart in the text cache
    };
    // A text measured (and laid out) in one font.
    struct Medido
    {
        double largura = 0;
        QStaticText estatico;
    };
    const Fonte &fonte(double altura, bool negrito, bool italico);

    // Small thin unfilled circles (pin ends) painted once and then copied:
    // keyed by width, height and colour.
    QHash<quint64, QImage> m_aneis;

    std::map<std::tuple<int, bool, bool>, Fonte> m_fontes;
    // Keyed by font and rotation.
    QHash<std::pair<qint64, QString>, Medido> m_medidos;
    double m_capPorPixel = 0;
    bool m_estatico = false;
    // The font last set on the painter (its key), -1 for none known.
    int m_fontePosta = -1;
};
