#pragma once

#include "canvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <map>
#include <span>
#include <tuple>

// Paints the anti-aliased primitives of the canvas seam (strokePath,
// strokeEllipse, strokeArc, drawLabel) on a QPainter, for every canvas that
// paints through one. Each call leaves the painter's pen, brush and
// transform as it found them.
//
// Texts use the face "Arial" (Liberation Sans through fontconfig) at the
// pixel size whose capitals are the asked height, at most 4000 pixels.
// Stroke widths are kept within 1000 pixels.
class Pintor
{
public:
    static constexpr double LarguraMax = 1000;

    // What each primitive may paint, in the painter's coordinates before
    // its transform; empty when it paints nothing.
    static QRectF areaPath(std::span<const QPoint> points, const Traco &traco);
    static QRectF areaEllipse(int x1, int y1, int x2, int y2, const Traco &traco);
    QRectF areaLabel(QPoint anchor, const QString &text, const EstiloTexto &estilo);

    static void path(QPainter &p, std::span<const QPoint> points, bool closed, const Traco &traco);
    static void ellipse(QPainter &p, int x1, int y1, int x2, int y2, const Traco &traco);
    static void arc(QPainter &p, int x1, int y1, int x2, int y2, int start, int span,
                    const Traco &traco);
    void label(QPainter &p, QPoint anchor, const QString &text, std::span<const Barra> barras,
               const EstiloTexto &estilo);

private:
    struct Fonte
    {
        QFont font;
        QFontMetricsF metrics;
        double cap; // height of a capital letter, pixels
    };
    // Where a text goes relative to its anchor, before the rotation.
    struct Layout
    {
        const Fonte *fonte = nullptr;
        double x = 0;    // left end of the text
        double base = 0; // baseline
        double largura = 0;
    };
    const Fonte &fonte(double altura, bool negrito, bool italico);
    Layout layout(const QString &text, const EstiloTexto &estilo);

    std::map<std::tuple<int, bool, bool>, Fonte> m_fontes;
    double m_capPorPixel = 0;
};
