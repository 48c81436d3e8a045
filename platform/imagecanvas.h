#pragma once

#include "pintura.h"
#include "statefulcanvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTransform>
#include <map>
#include <memory>
#include <vector>

// A canvas painting a QImage (RGB32) with QPainter.
//
// Mask mode is the raster operation "source AND destination"; copy mode
// paints pen and brush opaque. Fonts: a point size maps to a pixel size as on
// a 96 dpi screen, round(points × 96 / 72), at least 1 and at most 4000
// pixels; the face name goes through fontconfig, so "Arial" comes out as
// Liberation Sans. Text is drawn opaque whatever the pen mode.
//
// The canvas keeps the rectangle outside of which every pixel is still white
// (the dirty rectangle). Filling with white then paints only what lies inside
// it, and copying from another ImageCanvas onto an area known to be white
// copies only the source's dirty part. The pixels come out the same as if
// everything had been painted; only the work is smaller.
//
// The bitmap's memory starts zeroed and untouched, so that the system gives
// it pages only when they are written. A row is made white (put in use) just
// before anything can paint on it; a row not yet in use is white to every
// reader. Copies, display and the per-row reads below honour that; image()
// puts every row in use, which costs the whole bitmap. A new area reuses the
// memory (whose pages are then already there) when it fits and is not much
// larger than needed, so that a drawing image going back and forth between
// sizes does not wait for the system to provide pages on every pass.
class ImageCanvas : public StatefulCanvas
{
public:
    // A new bitmap of `size`, all white.
    explicit ImageCanvas(QSize size);
    ~ImageCanvas() override;

    // A bitmap for `area` (m_area is always the bitmap's); with `keep` the
    // rows in use are carried over (as far as both areas share them), so
    // rows not in use stay out of memory.
    void setArea(const QRect &area, bool keep) override;

    // The painter and the Qt font follow the pen and the font.
    void setPenColor(Cor color) override;
    void setPenMode(PenMode mode) override;
    void setFontName(const QString &name) override;
    void setFontSize(int points) override;

    void lineTo(int x, int y) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void ellipse(int x1, int y1, int x2, int y2) override;
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void polyline(std::span<const QPoint> points) override;
    void textOut(int x, int y, const QString &text) override;
    int textWidth(const QString &text) override;
    int textHeight(const QString &text) override;
    QRect textExtent(int x, int y, const QString &text) override;
    QRect labelExtent(QPoint anchor, const QString &text, const EstiloTexto &estilo) override;

    void fillRect(int x1, int y1, int x2, int y2) override;
    void copyRect(int x1, int y1, int x2, int y2, Canvas &source, int sx, int sy) override;

    // Anti-aliased, painted over whatever is there (the pen mode does not apply).
    void strokePath(std::span<const QPoint> points, bool closed, const Traco &traco) override;
    void strokeEllipse(int x1, int y1, int x2, int y2, const Traco &traco) override;
    void strokeArc(int x1, int y1, int x2, int y2, int start, int span,
                   const Traco &traco) override;
    void drawLabel(QPoint anchor, const QString &text, std::span<const Barra> barras,
                   const EstiloTexto &estilo) override;

    // Ends painting so that the bitmap can be read; painting resumes on the
    // next drawing call. Puts every row in use first.
    const QImage *image() override;

    // The reads below take bitmap pixels, (0, 0) being the top-left one
    // whatever the area's origin.
    //
    // The pixels of row `y` (0 <= y < height), white for a row not in use,
    // without putting it in use. Valid until the next drawing call.
    const QRgb *pixelRow(int y);
    // One pixel, white outside the bitmap.
    QRgb pixel(int x, int y);
    // The pixels of `area` (clipped to the bitmap), as image() would hold them.
    QImage copy(const QRect &area);
    // Paints the pixels of `area` (clipped to the bitmap) at the same place
    // on `painter`, the rows not in use as white.
    void draw(QPainter &painter, const QRect &area);
    // How many rows hold their own pixels in memory.
    int rowsInUse() const { return m_rowsInUse; }

    // Everything outside this rectangle of the bitmap is white (empty: the
    // whole bitmap is).
    QRect dirtyRect() const { return m_dirty; }

    static int pixelSize(int points);

private:
    struct Memory;
    // An image of `size` on `memory`, sharing it.
    static QImage imageOn(const std::shared_ptr<Memory> &memory, QSize size);
    // Drawing coordinates to bitmap pixels; `r` lies within the far limit.
    QRect onBitmap(const QRect &r) const { return r.translated(-m_area.topLeft()); }
    // The painter's transform for the plain primitives: drawing coordinates
    // to bitmap pixels.
    QTransform base() const { return QTransform::fromTranslate(-m_area.left(), -m_area.top()); }
    QPainter &painter();
    // The painter set up for an outlined shape with the current brush.
    QPainter &shapePainter();
    void applyPen();
    void applyMode();
    void markDirty(const QRect &area);
    // Makes the rows from `top` to `bottom` (clipped) ready to be painted.
    void useRows(int top, int bottom);
    // The rows of `area` and `margin` more rows above and below it.
    void useRows(const QRect &area, int margin)
    {
        useRows(area.top() - margin, area.bottom() + margin);
    }
    void useAllRows() { useRows(0, m_image.height() - 1); }
    bool rowInUse(int y) const { return m_inUse[size_t(y)] != 0; }
    void paintWhite(const QRect &area);
    void endPainting();
    // Paints the pixels of `area` (drawing coordinates, clipped) in `color`
    // under `mode`.
    void paintPixels(QRect area, Cor color, PenMode mode);
    const QFontMetrics &metrics();
    // Readies the rows of `area` and runs `paint` on the painter set for
    // anti-aliasing, then restores the painter for the other primitives.
    template <typename Paint> void paintSmooth(const QRectF &area, Paint &&paint);

    QImage m_image;
    std::shared_ptr<Memory> m_memory;
    // One flag a row: whether the row holds its pixels (else it is all white).
    std::vector<quint8> m_inUse;
    int m_rowsInUse = 0;
    // White pixels standing for a row not in use, made on first need.
    std::vector<QRgb> m_whiteRow;
    QPainter m_painter;
    // Whether the painter is set for the anti-aliased primitives.
    bool m_smooth = false;
    QRect m_dirty;

    // The Qt font of the current face and size, with metrics and measured
    // widths kept per pixel size until the face changes.
    QFont m_qfont;
    const QFontMetrics *m_metrics = nullptr;
    std::map<int, QFontMetrics> m_metricsBySize;
    QHash<std::pair<int, QString>, int> m_widths;
    Pintor m_pintor{true};
};
