#pragma once

#include "pintura.h"
#include "statefulcanvas.h"

#include <QFont>
#include <QPainter>

// A canvas drawing on a QPainter that someone else owns (an SVG generator,
// a printer, a widget), as vector shapes and real text.
//
// The area is only remembered: the painter takes drawing coordinates. Copy
// mode paints interiors with the brush; mask mode, which no vector surface
// has, leaves a white interior out and paints other colours plainly.
// copyRect draws the other canvas's bitmap.
class PainterCanvas : public StatefulCanvas
{
public:
    PainterCanvas(QPainter &painter, QSize size);

    void lineTo(int x, int y) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void ellipse(int x1, int y1, int x2, int y2) override;
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void polyline(std::span<const QPoint> points) override;
    void textOut(int x, int y, const QString &text) override;
    void fillRect(int x1, int y1, int x2, int y2) override;
    void copyRect(int x1, int y1, int x2, int y2, Canvas &source, int sx, int sy) override;
    const QImage *image() override { return nullptr; }

    void strokePath(std::span<const QPoint> points, bool closed, const Traco &traco) override;
    void strokeEllipse(int x1, int y1, int x2, int y2, const Traco &traco) override;
    void strokeArc(int x1, int y1, int x2, int y2, int start, int span,
                   const Traco &traco) override;
    void drawLabel(QPoint anchor, const QString &text, std::span<const Barra> barras,
                   const EstiloTexto &estilo) override;

private:
    QFont qfont() const;
    // The painter with a one-pixel pen and the brush the pen mode gives.
    QPainter &shape();
    void smooth(bool on);

    QPainter &m_painter;
    Pintor m_pintor;
};
