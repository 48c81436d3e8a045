#include "imagecanvas.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

namespace {

QColor toQColor(Cor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// Coordinates beyond this lie far outside any bitmap; keeping them within it
// keeps every rectangle's corners and sides inside an int.
constexpr int Far = 1 << 29;

int limited(int v)
{
    return std::clamp(v, -Far, Far);
}

// The pixels covered by (x1, y1)-(x2, y2) under the exclusive right and
// bottom edges; empty when either side has no width.
QRect covered(int x1, int y1, int x2, int y2)
{
    x1 = limited(x1), x2 = limited(x2), y1 = limited(y1), y2 = limited(y2);
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    if (right == left || bottom == top)
        return {};
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// The rectangle QPainter strokes so that a one-pixel outline lands on the
// first and last covered column and row.
QRect strokeRect(const QRect &area)
{
    return QRect(area.topLeft(), area.bottomRight() - QPoint(1, 1));
}

// The rectangle spanned by two points, with far coordinates pulled in.
QRect spanOf(QPoint a, QPoint b)
{
    return QRect(QPoint(limited(std::min(a.x(), b.x())), limited(std::min(a.y(), b.y()))),
                 QPoint(limited(std::max(a.x(), b.x())), limited(std::max(a.y(), b.y()))));
}

} // namespace

ImageCanvas::ImageCanvas(QSize size) : m_image(size, QImage::Format_RGB32)
{
    m_image.fill(0xFFFFFFFFu);
    m_qfont.setFamily(m_font.nome);
    m_qfont.setPixelSize(pixelSize(m_font.tamanho));
}

ImageCanvas::~ImageCanvas()
{
    if (m_painter.isActive())
        m_painter.end();
}

int ImageCanvas::pixelSize(int points)
{
    const qint64 px = (qint64(points) * 96 + 36) / 72;
    return int(std::clamp<qint64>(px, 1, 4000));
}

QPainter &ImageCanvas::painter()
{
    if (!m_painter.isActive()) {
        m_painter.begin(&m_image);
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        applyPen();
        applyMode();
    }
    return m_painter;
}

void ImageCanvas::applyPen()
{
    if (m_painter.isActive())
        m_painter.setPen(QPen(toQColor(m_penColor), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
}

void ImageCanvas::applyMode()
{
    if (m_painter.isActive())
        m_painter.setCompositionMode(m_penMode == PenMode::Mask
                                         ? QPainter::RasterOp_SourceAndDestination
                                         : QPainter::CompositionMode_SourceOver);
}

void ImageCanvas::markDirty(const QRect &area)
{
    m_dirty |= area.adjusted(-1, -1, 1, 1) & m_image.rect();
}

void ImageCanvas::setPenColor(Cor color)
{
    m_penColor = color;
    applyPen();
}

void ImageCanvas::setPenMode(PenMode mode)
{
    m_penMode = mode;
    applyMode();
}

void ImageCanvas::setBrushColor(Cor color)
{
    m_brushColor = color;
}

void ImageCanvas::setFontName(const QString &name)
{
    if (name == m_font.nome)
        return;
    m_font.nome = name;
    m_qfont.setFamily(name);
    m_metrics = nullptr;
    m_metricsBySize.clear();
    m_widths.clear();
}

void ImageCanvas::setFontSize(int points)
{
    if (points == m_font.tamanho)
        return;
    const int oldPixels = pixelSize(m_font.tamanho);
    m_font.tamanho = points;
    if (pixelSize(points) != oldPixels) {
        m_qfont.setPixelSize(pixelSize(points));
        m_metrics = nullptr;
    }
}

const QFontMetrics &ImageCanvas::metrics()
{
    if (!m_metrics) {
        const int size = m_qfont.pixelSize();
        auto found = m_metricsBySize.find(size);
        if (found == m_metricsBySize.end())
            found = m_metricsBySize.emplace(size, QFontMetrics(m_qfont)).first;
        m_metrics = &found->second;
    }
    return *m_metrics;
}

void ImageCanvas::moveTo(int x, int y)
{
    m_position = QPoint(x, y);
}

void ImageCanvas::lineTo(int x, int y)
{
    const QPoint from = m_position, to(x, y);
    m_position = to;
    // A line of no length paints nothing: its only pixel is its last one.
    if (to == from)
        return;
    // Level and upright lines (most of a symbol) go straight to the pixels.
    if (from.y() == to.y()) {
        const int first = to.x() > from.x() ? from.x() : to.x() + 1;
        const int last = to.x() > from.x() ? to.x() - 1 : from.x();
        paintPixels(QRect(QPoint(limited(first), from.y()), QPoint(limited(last), from.y())),
                    m_penColor);
    } else if (from.x() == to.x()) {
        const int first = to.y() > from.y() ? from.y() : to.y() + 1;
        const int last = to.y() > from.y() ? to.y() - 1 : from.y();
        paintPixels(QRect(QPoint(from.x(), limited(first)), QPoint(from.x(), limited(last))),
                    m_penColor);
    } else {
        painter().drawLine(from, to);
    }
    markDirty(spanOf(from, to));
}

QPainter &ImageCanvas::shapePainter()
{
    QPainter &p = painter();
    // A white interior under the mask changes no pixel: leave it out.
    const bool hidden = m_penMode == PenMode::Mask && m_brushColor == Cores::Branco;
    p.setBrush(hidden ? QBrush() : QBrush(toQColor(m_brushColor)));
    return p;
}

void ImageCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    const QRect area = covered(x1, y1, x2, y2);
    if (area.isEmpty())
        return;
    // Interior first, then the outline over it, pixel by pixel.
    if (!(m_penMode == PenMode::Mask && m_brushColor == Cores::Branco))
        paintPixels(area.adjusted(1, 1, -1, -1), m_brushColor);
    const int l = area.left(), r = area.right(), t = area.top(), b = area.bottom();
    paintPixels(QRect(QPoint(l, t), QPoint(r, t)), m_penColor);
    if (b != t)
        paintPixels(QRect(QPoint(l, b), QPoint(r, b)), m_penColor);
    paintPixels(QRect(QPoint(l, t + 1), QPoint(l, b - 1)), m_penColor);
    if (r != l)
        paintPixels(QRect(QPoint(r, t + 1), QPoint(r, b - 1)), m_penColor);
    markDirty(area);
}

void ImageCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    const QRect area = covered(x1, y1, x2, y2);
    if (area.isEmpty())
        return;
    shapePainter().drawEllipse(strokeRect(area));
    markDirty(area);
}

void ImageCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const QRect area = covered(x1, y1, x2, y2);
    if (area.isEmpty())
        return;
    const QRectF shape = strokeRect(area);
    const double a = shape.width() / 2, b = shape.height() / 2;
    const QPointF c = shape.center();
    // QPainter takes angles of the ellipse's parameter, not of the rays: the
    // ray through (dx, dy) meets the ellipse at the parameter whose tangent
    // is (dy / b) / (dx / a). Screen rows grow downwards, hence the minus.
    const auto parameter = [&](int x, int y) {
        return std::atan2(-(y - c.y()) * a, (x - c.x()) * b) * 180.0 / M_PI;
    };
    const double start = parameter(x3, y3);
    double span = parameter(x4, y4) - start;
    while (span <= 0)
        span += 360;
    painter().drawArc(shape, int(std::lround(start * 16)), int(std::lround(span * 16)));
    markDirty(area);
}

void ImageCanvas::polyline(std::span<const QPoint> points)
{
    if (points.size() < 2)
        return;
    painter().drawPolyline(points.data(), int(points.size()));
    QRect span = spanOf(points[0], points[0]);
    for (const QPoint &p : points)
        span |= spanOf(p, p);
    markDirty(span);
}

void ImageCanvas::textOut(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return;
    const QFontMetrics &fm = metrics();
    const QRect cell(0, 0, textWidth(text), fm.height());
    QPainter &p = painter();
    QTransform turn;
    turn.translate(x, y);
    turn.rotate(-m_font.rotacao / 10.0);
    p.setTransform(turn);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillRect(cell, toQColor(m_brushColor));
    p.setFont(m_qfont);
    p.setPen(toQColor(m_font.cor));
    p.drawText(QPoint(0, fm.ascent()), text);
    p.resetTransform();
    applyPen();
    applyMode();
    // Glyphs may reach a little past their cell, more so in large fonts.
    const int overhang = 2 + m_qfont.pixelSize() / 4;
    const QRectF reach =
        turn.mapRect(QRectF(cell)).adjusted(-overhang, -overhang, overhang, overhang) &
        QRectF(m_image.rect());
    if (!reach.isEmpty())
        markDirty(reach.toAlignedRect());
}

int ImageCanvas::textWidth(const QString &text)
{
    const std::pair<int, QString> key(m_qfont.pixelSize(), text);
    auto found = m_widths.constFind(key);
    if (found == m_widths.constEnd()) {
        if (m_widths.size() > 4096)
            m_widths.clear();
        found = m_widths.insert(key, metrics().horizontalAdvance(text));
    }
    return *found;
}

int ImageCanvas::textHeight(const QString &)
{
    return metrics().height();
}

void ImageCanvas::fillRect(int x1, int y1, int x2, int y2)
{
    const QRect area = covered(x1, y1, x2, y2) & m_image.rect();
    if (area.isEmpty())
        return;
    if (m_brushColor == Cores::Branco) {
        // Only the dirty part can hold anything but white.
        const QRect work = area & m_dirty;
        if (work.isEmpty())
            return;
        paintWhite(work);
        if (area.contains(m_dirty))
            m_dirty = QRect();
        return;
    }
    QPainter &p = painter();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(area, toQColor(m_brushColor));
    applyMode();
    markDirty(area);
}

void ImageCanvas::copyRect(int x1, int y1, int x2, int y2, Canvas &source, int sx, int sy)
{
    const QRect target = covered(x1, y1, x2, y2);
    if (target.isEmpty())
        return;

    // The source area that can hold anything but white, and where it lands.
    const QImage *bitmap = source.image();
    QRect from;
    if (bitmap && !bitmap->isNull()) {
        from = QRect(QPoint(sx, sy), target.size()) & bitmap->rect();
        if (auto *other = dynamic_cast<ImageCanvas *>(&source))
            from &= other->m_dirty;
    }
    const QPoint shift(target.left() - sx, target.top() - sy);
    const QRect to = from.translated(shift) & target & m_image.rect();
    from = to.translated(-shift);

    // Make the target area white, then bring over the source's pixels.
    const Cor brush = m_brushColor;
    m_brushColor = Cores::Branco;
    fillRect(target.left(), target.top(), target.right() + 1, target.bottom() + 1);
    m_brushColor = brush;
    if (to.isEmpty())
        return;

    if (bitmap->format() == m_image.format()) {
        for (int y = 0; y < to.height(); ++y) {
            const auto *in =
                reinterpret_cast<const quint32 *>(bitmap->constScanLine(from.top() + y));
            auto *out = reinterpret_cast<quint32 *>(m_image.scanLine(to.top() + y));
            std::copy_n(in + from.left(), to.width(), out + to.left());
        }
    } else {
        QPainter &p = painter();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(to.topLeft(), *bitmap, from);
        applyMode();
    }
    markDirty(to);
}

void ImageCanvas::paintPixels(QRect area, Cor color)
{
    area &= m_image.rect();
    if (area.isEmpty())
        return;
    const quint32 argb =
        0xFF000000u | (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        quint32 *row = reinterpret_cast<quint32 *>(m_image.scanLine(y)) + area.left();
        if (m_penMode == PenMode::Copy) {
            std::fill_n(row, area.width(), argb);
        } else {
            for (int x = 0; x < area.width(); ++x)
                row[x] &= argb;
        }
    }
}

void ImageCanvas::paintWhite(const QRect &area)
{
    // Row by row in this thread: cheaper than a painter fill, which may hand
    // large areas to worker threads.
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(m_image.scanLine(y));
        std::fill_n(row + area.left(), area.width(), 0xFFFFFFFFu);
    }
}

const QImage *ImageCanvas::image()
{
    if (m_painter.isActive())
        m_painter.end();
    return &m_image;
}
