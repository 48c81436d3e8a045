#pragma once

#include "platform/canvas.h"

class QPainter;

#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <functional>
#include <memory>

// One of the three images of the preview (Image1 hidden, Image2 and Image3
// in the panes): a bitmap of Lado x Lado pixels at the start, created when
// its canvas is first used, and a displayed extent that publishing changes.
// The window shows the top-left part of the bitmap of that extent, unscaled,
// white where the extent reaches past the bitmap.
//
// A symbol larger than the bitmap at its zoom makes the bitmap grow, so
// that nothing is cut, each side up to Teto pixels; a side that
// would need more keeps Lado, as before, and what lies beyond it is cut. The
// drawing image grows while a pass tracks its box, to the right and down or,
// for drawing coordinates above or left of its top-left pixel, up and to the
// left (its area then starts at negative coordinates); it returns to Lado x
// Lado at (0, 0) at the start of the next pass. A preview takes the size of
// what it shows, from (0, 0).
class PreviewImage : public QObject
{
    Q_OBJECT

public:
    static constexpr int Lado = 2000;
    // The largest side a bitmap grows to.
    static constexpr int Teto = 8192;

    // Makes the canvas when the image is first drawn on; tests hand in a
    // recording one. Without a factory the canvas paints a QImage.
    using CanvasFactory = std::function<std::unique_ptr<Canvas>(QSize)>;

    explicit PreviewImage(CanvasFactory factory = {}, QObject *parent = nullptr);
    ~PreviewImage() override;

    Canvas &canvas();
    bool hasCanvas() const { return m_canvas != nullptr; }

    // The bitmap's size (that of the canvas to come before the first drawing).
    QSize lado() const { return m_area.size(); }
    // The drawing coordinates the bitmap covers (see Canvas::area).
    QRect area() const { return m_area; }
    // Makes the bitmap cover `area`; with `mantem` what is drawn on the part
    // both areas share stays, otherwise the bitmap is all white.
    void redimensiona(const QRect &area, bool mantem);
    // The side a bitmap takes to show `need` pixels of a side: at least Lado,
    // rounded up to a multiple of 256, and Lado when more than Teto is needed.
    static int ladoPara(qint64 need);

    // The whole bitmap: a null image before the first drawing, or when the
    // canvas keeps no bitmap. With the QImage canvas this puts the whole
    // bitmap in memory; views paint through paint() instead.
    const QImage &bitmap();

    // Paints the part `area` of the bitmap at the same place on `painter`,
    // exactly as bitmap() holds it; nothing before the first drawing or when
    // the canvas keeps no bitmap.
    void paint(QPainter &painter, const QRect &area);

    QSize extent() const { return m_extent; }
    void setExtent(QSize extent);

    // What a published preview shows: the drawing coordinate of its top-left
    // pixel and the zoom it was drawn at.
    QPoint origem() const { return m_origem; }
    int zoom() const { return m_zoom; }
    void setOrigem(QPoint origem, int zoom)
    {
        m_origem = origem;
        m_zoom = zoom;
    }

    // Tells the views that the bitmap changed; called at the end of each
    // operation that draws on a shown image.
    void markChanged() { emit changed(); }

signals:
    void extentChanged(QSize extent);
    void changed();

private:
    CanvasFactory m_factory;
    std::unique_ptr<Canvas> m_canvas;
    QSize m_extent{Lado, Lado};
    QRect m_area{0, 0, Lado, Lado};
    QPoint m_origem;
    int m_zoom = 100;
};
