#include "imagecanvas.h"

#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

namespace {

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

constexpr quint32 WhitePixel = 0xFFFFFFFFu;

} // namespace

// Zeroed memory for bitmaps, whose pages the system provides only when first
// written. The images made over it share it; it goes with the last of them.
struct ImageCanvas::Memory
{
    explicit Memory(size_t size);
    ~Memory();
    uchar *data = nullptr;
    size_t bytes = 0;
};

#ifdef Q_OS_UNIX
ImageCanvas::Memory::Memory(size_t size)
{
    void *p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return;
#ifdef MADV_NOHUGEPAGE
    // Huge pages would make one written row cost megabytes.
    madvise(p, size, MADV_NOHUGEPAGE);
#endif
    data = static_cast<uchar *>(p);
    bytes = size;
}

ImageCanvas::Memory::~Memory()
{
    if (data)
        munmap(data, bytes);
}
#else
ImageCanvas::Memory::Memory(size_t size) : data(static_cast<uchar *>(std::calloc(size, 1)))
{
    bytes = data ? size : 0;
}

ImageCanvas::Memory::~Memory()
{
    std::free(data);
}
#endif

QImage ImageCanvas::imageOn(const std::shared_ptr<Memory> &memory, QSize size)
{
    const auto release = [](void *info) { delete static_cast<std::shared_ptr<Memory> *>(info); };
    return QImage(memory->data, size.width(), size.height(), qsizetype(size.width()) * 4,
                  QImage::Format_RGB32, release, new std::shared_ptr<Memory>(memory));
}

ImageCanvas::ImageCanvas(QSize size)
{
    setArea(QRect(QPoint(0, 0), size), false);
    m_qfont.setFamily(m_font.nome);
    m_qfont.setPixelSize(pixelSize(m_font.tamanho));
}

ImageCanvas::~ImageCanvas()
{
    if (m_painter.isActive())
        m_painter.end();
}

void ImageCanvas::setArea(const QRect &area, bool keep)
{
    if (area == this->area())
        return;
    const size_t need = size_t(std::max(area.width(), 0)) * 4 * size_t(std::max(area.height(), 0));
    // A pixel of the old bitmap lands this far away on the new one.
    const QPoint shift = m_area.topLeft() - area.topLeft();
    // The bitmap's memory serves again, its pages already provided, when it
    // is large enough but not more than twice what is needed (a huge
    // drawing's memory goes) and no one else holds the image, as long as
    // the rows kept move to the same place or further on.
    const bool reuse =
        m_memory && m_image.constBits() == m_memory->data && m_image.isDetached() &&
        need <= m_memory->bytes && m_memory->bytes / 2 <= need &&
        (!keep || (area.width() >= m_image.width() && shift.x() >= 0 && shift.y() >= 0));
    std::shared_ptr<Memory> memory = reuse ? m_memory : nullptr;
    if (!reuse && need > 0) {
        memory = std::make_shared<Memory>(need);
        if (!memory->data)
            return; // no memory for it: the old bitmap stays
    }
    endPainting();
    QImage image = memory ? imageOn(memory, area.size()) : QImage();
    std::vector<quint8> inUse(size_t(std::max(image.height(), 0)), 0);
    int rows = 0;
    // Whether each row index keeps its memory.
    const bool sameRows = reuse && image.bytesPerLine() == m_image.bytesPerLine();
    if (keep && memory) {
        // The old bitmap's pixels the new one covers, as far as anything
        // but white was painted on them, moved from the last row up: in the
        // same memory a row lands past every row still to move.
        const QRect shared = m_image.rect() & image.rect().translated(-shift) & m_dirty;
        const size_t before = size_t(shared.left() + shift.x()) * 4;
        const size_t kept = size_t(std::max(shared.width(), 0)) * 4;
        for (int y = shared.bottom(); y >= shared.top(); --y) {
            if (!rowInUse(y))
                continue;
            uchar *out = memory->data + qsizetype(y + shift.y()) * image.bytesPerLine();
            const uchar *in = m_image.constBits() + qsizetype(y) * m_image.bytesPerLine();
            std::memmove(out + before, in + size_t(shared.left()) * 4, kept);
            auto *row = reinterpret_cast<quint32 *>(out);
            std::fill(row, row + before / 4, WhitePixel);
            std::fill(row + (before + kept) / 4, row + image.width(), WhitePixel);
            inUse[size_t(y + shift.y())] = 1;
            ++rows;
        }
    } else if (sameRows) {
        paintWhite(m_dirty);
    }
    if (sameRows) {
        // A row in use that holds only white (all of them once cleared,
        // those outside the dirty rows when kept) stays in use, so that it
        // need not be whitened again.
        const int last = std::min(image.height(), m_image.height());
        for (int y = 0; y < last; ++y) {
            if (!inUse[size_t(y)] && rowInUse(y) &&
                (!keep || y < m_dirty.top() || y > m_dirty.bottom())) {
                inUse[size_t(y)] = 1;
                ++rows;
            }
        }
    }
    m_dirty = keep ? m_dirty.translated(shift) & image.rect() : QRect();
    m_area = QRect(area.topLeft(), image.size());
    m_image = std::move(image);
    m_memory = std::move(memory);
    m_inUse = std::move(inUse);
    m_rowsInUse = rows;
    m_whiteRow.clear();
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
        m_painter.setTransform(base());
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_smooth = false;
        applyPen();
        applyMode();
    } else if (m_smooth) {
        // Back from the anti-aliased primitives to the plain ones.
        m_smooth = false;
        m_pintor.esqueceFonte();
        m_painter.setTransform(base());
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setBrush(QBrush());
        applyPen();
        applyMode();
    }
    return m_painter;
}

void ImageCanvas::applyPen()
{
    // While the painter is set for the anti-aliased primitives, painter()
    // applies pen and mode when it sets it back.
    if (m_painter.isActive() && !m_smooth)
        m_painter.setPen(QPen(toQColor(m_penColor), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
}

void ImageCanvas::applyMode()
{
    if (m_painter.isActive() && !m_smooth)
        m_painter.setCompositionMode(m_penMode == PenMode::Mask
                                         ? QPainter::RasterOp_SourceAndDestination
                                         : QPainter::CompositionMode_SourceOver);
}

void ImageCanvas::markDirty(const QRect &area)
{
    m_dirty |= area.adjusted(-1, -1, 1, 1) & m_image.rect();
}

void ImageCanvas::useRows(int top, int bottom)
{
    if (m_rowsInUse == m_image.height())
        return;
    top = std::max(top, 0);
    bottom = std::min(bottom, m_image.height() - 1);
    for (int y = top; y <= bottom; ++y) {
        if (rowInUse(y))
            continue;
        auto *row = reinterpret_cast<quint32 *>(m_image.scanLine(y));
        std::fill_n(row, m_image.width(), WhitePixel);
        m_inUse[size_t(y)] = 1;
        ++m_rowsInUse;
    }
}

void ImageCanvas::setPenColor(Cor color)
{
    StatefulCanvas::setPenColor(color);
    applyPen();
}

void ImageCanvas::setPenMode(PenMode mode)
{
    StatefulCanvas::setPenMode(mode);
    applyMode();
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
        const int y = limited(from.y());
        paintPixels(QRect(QPoint(limited(first), y), QPoint(limited(last), y)), m_penColor,
                    m_penMode);
    } else if (from.x() == to.x()) {
        const int first = to.y() > from.y() ? from.y() : to.y() + 1;
        const int last = to.y() > from.y() ? to.y() - 1 : from.y();
        const int x = limited(from.x());
        paintPixels(QRect(QPoint(x, limited(first)), QPoint(x, limited(last))), m_penColor,
                    m_penMode);
    } else {
        useRows(onBitmap(spanOf(from, to)), 1);
        painter().drawLine(from, to);
    }
    markDirty(onBitmap(spanOf(from, to)));
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
        paintPixels(area.adjusted(1, 1, -1, -1), m_brushColor, m_penMode);
    const int l = area.left(), r = area.right(), t = area.top(), b = area.bottom();
    paintPixels(QRect(QPoint(l, t), QPoint(r, t)), m_penColor, m_penMode);
    if (b != t)
        paintPixels(QRect(QPoint(l, b), QPoint(r, b)), m_penColor, m_penMode);
    paintPixels(QRect(QPoint(l, t + 1), QPoint(l, b - 1)), m_penColor, m_penMode);
    if (r != l)
        paintPixels(QRect(QPoint(r, t + 1), QPoint(r, b - 1)), m_penColor, m_penMode);
    markDirty(onBitmap(area));
}

void ImageCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    const QRect area = covered(x1, y1, x2, y2);
    if (area.isEmpty())
        return;
    useRows(onBitmap(area), 1);
    shapePainter().drawEllipse(strokeRect(area));
    markDirty(onBitmap(area));
}

void ImageCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const QRect area = covered(x1, y1, x2, y2);
    if (area.isEmpty())
        return;
    const QRectF shape = strokeRect(area);
    const auto [start, span] = angulosDoArco(shape, x3, y3, x4, y4);
    useRows(onBitmap(area), 1);
    painter().drawArc(shape, start, span);
    markDirty(onBitmap(area));
}

void ImageCanvas::polyline(std::span<const QPoint> points)
{
    if (points.size() < 2)
        return;
    QRect span = spanOf(points[0], points[0]);
    for (const QPoint &p : points)
        span |= spanOf(p, p);
    useRows(onBitmap(span), 1);
    painter().drawPolyline(points.data(), int(points.size()));
    markDirty(onBitmap(span));
}

void ImageCanvas::textOut(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return;
    const QFontMetrics &fm = metrics();
    const QRect cell(0, 0, textWidth(text), fm.height());
    QTransform turn;
    turn.translate(double(x) - m_area.left(), double(y) - m_area.top());
    turn.rotate(-m_font.rotacao / 10.0);
    // Glyphs may reach a little past their cell, more so in large fonts.
    const int overhang = 2 + m_qfont.pixelSize() / 4;
    const QRectF around =
        turn.mapRect(QRectF(cell)).adjusted(-overhang, -overhang, overhang, overhang);
    const QRectF reach = around & QRectF(m_image.rect());
    // The rows made ready before painting take a whole font size more on
    // each side, for glyphs reaching further still.
    const double spare = m_qfont.pixelSize() + 2;
    const double limit = m_image.height() + 1;
    useRows(int(std::clamp(std::floor(around.top() - spare), -1.0, limit)),
            int(std::clamp(std::ceil(around.bottom() + spare), -1.0, limit)));
    QPainter &p = painter();
    p.setTransform(turn);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (m_textBackground)
        p.fillRect(cell, toQColor(m_brushColor));
    p.setFont(m_qfont);
    p.setPen(toQColor(m_font.cor));
    p.drawText(QPoint(0, fm.ascent()), text);
    p.setTransform(base());
    applyPen();
    applyMode();
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

QRect ImageCanvas::textExtent(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return {};
    return extensaoGirada(celulaDoTexto(metrics(), text), QPoint(x, y), m_font.rotacao);
}

QRect ImageCanvas::labelExtent(QPoint anchor, const QString &text, const EstiloTexto &estilo)
{
    if (text.isEmpty())
        return {};
    return Pintor::extensaoLabel(m_pintor.layout(text, estilo), anchor, text, estilo);
}

void ImageCanvas::fillRect(int x1, int y1, int x2, int y2)
{
    const QRect area = onBitmap(covered(x1, y1, x2, y2)) & m_image.rect();
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
    useRows(area, 0);
    QPainter &p = painter();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(area.translated(m_area.topLeft()), toQColor(m_brushColor));
    applyMode();
    markDirty(area);
}

void ImageCanvas::copyRect(int x1, int y1, int x2, int y2, Canvas &source, int sx, int sy)
{
    const QRect covers = covered(x1, y1, x2, y2);
    if (covers.isEmpty())
        return;
    const QRect target = onBitmap(covers);

    // The source area that can hold anything but white, and where it lands,
    // in bitmap pixels of both. Another ImageCanvas is read row by row, so
    // that its rows not in use stay so.
    auto *other = dynamic_cast<ImageCanvas *>(&source);
    const QPoint corner = QPoint(limited(sx), limited(sy)) - source.area().topLeft();
    const QImage *bitmap = nullptr;
    QRect from;
    if (other) {
        other->endPainting();
        from = QRect(corner, target.size()) & other->m_image.rect() & other->m_dirty;
    } else {
        bitmap = source.image();
        if (bitmap && !bitmap->isNull())
            from = QRect(corner, target.size()) & bitmap->rect();
    }
    const QPoint shift = target.topLeft() - corner;
    const QRect to = from.translated(shift) & target & m_image.rect();
    from = to.translated(-shift);

    // Make the target area white, then bring over the source's pixels.
    const Cor brush = m_brushColor;
    m_brushColor = Cores::Branco;
    fillRect(covers.left(), covers.top(), covers.right() + 1, covers.bottom() + 1);
    m_brushColor = brush;
    if (to.isEmpty())
        return;

    if (other) {
        for (int y = 0; y < to.height(); ++y) {
            // A source row not in use is white, as the target row now is.
            if (!other->rowInUse(from.top() + y))
                continue;
            useRows(to.top() + y, to.top() + y);
            const auto *in =
                reinterpret_cast<const quint32 *>(other->m_image.constScanLine(from.top() + y));
            auto *out = reinterpret_cast<quint32 *>(m_image.scanLine(to.top() + y));
            std::copy_n(in + from.left(), to.width(), out + to.left());
        }
    } else if (bitmap->format() == m_image.format()) {
        useRows(to, 0);
        for (int y = 0; y < to.height(); ++y) {
            const auto *in =
                reinterpret_cast<const quint32 *>(bitmap->constScanLine(from.top() + y));
            auto *out = reinterpret_cast<quint32 *>(m_image.scanLine(to.top() + y));
            std::copy_n(in + from.left(), to.width(), out + to.left());
        }
    } else {
        useRows(to, 0);
        QPainter &p = painter();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(to.topLeft() + m_area.topLeft(), *bitmap, from);
        applyMode();
    }
    markDirty(to);
}

template <typename Paint> void ImageCanvas::paintSmooth(const QRectF &area, Paint &&paint)
{
    // Points stand for pixel centres: the painter is moved by half a pixel.
    const QRectF reach =
        area.translated(0.5 - m_area.left(), 0.5 - m_area.top()) & QRectF(m_image.rect());
    if (reach.isEmpty())
        return;
    const QRect rows = reach.toAlignedRect();
    useRows(rows, 1);
    // The painter stays set for these primitives until a plain one needs it
    // (painter() sets it back), since they mostly come in runs.
    if (!m_painter.isActive() || !m_smooth) {
        QPainter &p = painter();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.translate(0.5, 0.5);
        m_smooth = true;
    }
    paint(m_painter);
    markDirty(rows);
}

void ImageCanvas::strokePath(std::span<const QPoint> points, bool closed, const Traco &traco)
{
    // A level or upright line one pixel wide covers its pixels from end to
    // end at full colour, exactly as the painter draws it: painted straight.
    if (points.size() == 2 && points[0] != points[1] && Pintor::umPixel(traco) &&
        (points[0].x() == points[1].x() || points[0].y() == points[1].y())) {
        const QRect span = spanOf(points[0], points[1]);
        paintPixels(span, traco.cor, PenMode::Copy);
        markDirty(onBitmap(span));
        return;
    }
    paintSmooth(Pintor::areaPath(points, traco),
                [&](QPainter &p) { Pintor::path(p, points, closed, traco); });
}

void ImageCanvas::strokeEllipse(int x1, int y1, int x2, int y2, const Traco &traco)
{
    paintSmooth(Pintor::areaEllipse(x1, y1, x2, y2, traco),
                [&](QPainter &p) { m_pintor.ellipse(p, x1, y1, x2, y2, traco); });
}

void ImageCanvas::strokeArc(int x1, int y1, int x2, int y2, int start, int span, const Traco &traco)
{
    paintSmooth(Pintor::areaEllipse(x1, y1, x2, y2, traco),
                [&](QPainter &p) { Pintor::arc(p, x1, y1, x2, y2, start, span, traco); });
}

void ImageCanvas::drawLabel(QPoint anchor, const QString &text, std::span<const Barra> barras,
                            const EstiloTexto &estilo)
{
    if (text.isEmpty())
        return;
    // Laid out once for both the area and the painting.
    const Pintor::Layout layout = m_pintor.layout(text, estilo);
    paintSmooth(Pintor::areaLabel(layout, anchor, estilo),
                [&](QPainter &p) { m_pintor.label(p, layout, anchor, text, barras, estilo); });
}

void ImageCanvas::paintPixels(QRect area, Cor color, PenMode mode)
{
    area = onBitmap(area) & m_image.rect();
    if (area.isEmpty())
        return;
    useRows(area, 0);
    const quint32 argb =
        0xFF000000u | (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        quint32 *row = reinterpret_cast<quint32 *>(m_image.scanLine(y)) + area.left();
        if (mode == PenMode::Copy) {
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
    // large areas to worker threads. Rows not in use are white already.
    for (int y = area.top(); y <= area.bottom(); ++y) {
        if (!rowInUse(y))
            continue;
        auto *row = reinterpret_cast<quint32 *>(m_image.scanLine(y));
        std::fill_n(row + area.left(), area.width(), WhitePixel);
    }
}

void ImageCanvas::endPainting()
{
    if (m_painter.isActive())
        m_painter.end();
    m_smooth = false;
    m_pintor.esqueceFonte();
}

const QImage *ImageCanvas::image()
{
    useAllRows();
    endPainting();
    return &m_image;
}

const QRgb *ImageCanvas::pixelRow(int y)
{
    endPainting();
    if (rowInUse(y))
        return reinterpret_cast<const QRgb *>(m_image.constScanLine(y));
    if (m_whiteRow.empty())
        m_whiteRow.assign(size_t(m_image.width()), WhitePixel);
    return m_whiteRow.data();
}

QRgb ImageCanvas::pixel(int x, int y)
{
    if (!m_image.rect().contains(x, y))
        return WhitePixel;
    return pixelRow(y)[x];
}

QImage ImageCanvas::copy(const QRect &area)
{
    const QRect part = area & m_image.rect();
    if (part.isEmpty())
        return {};
    QImage result(part.size(), QImage::Format_RGB32);
    for (int y = 0; y < part.height(); ++y) {
        const QRgb *in = pixelRow(part.top() + y) + part.left();
        std::copy_n(in, part.width(), reinterpret_cast<QRgb *>(result.scanLine(y)));
    }
    return result;
}

void ImageCanvas::draw(QPainter &painter, const QRect &area)
{
    const QRect part = area & m_image.rect();
    if (part.isEmpty())
        return;
    endPainting();
    // Runs of rows alike: rows in use straight from the bitmap (through an
    // image over just that block), the others as white.
    for (int top = part.top(); top <= part.bottom();) {
        const bool inUse = rowInUse(top);
        int bottom = top;
        while (bottom < part.bottom() && rowInUse(bottom + 1) == inUse)
            ++bottom;
        const QRect run(QPoint(part.left(), top), QPoint(part.right(), bottom));
        if (inUse) {
            const QImage block(m_image.constScanLine(top) + qsizetype(part.left()) * 4, run.width(),
                               run.height(), m_image.bytesPerLine(), m_image.format());
            painter.drawImage(run.topLeft(), block);
        } else {
            painter.fillRect(run, QColor(Qt::white));
        }
        top = bottom + 1;
    }
}
