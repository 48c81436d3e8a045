#include "paintercanvas.h"

#include "imagecanvas.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace {

// The outline rectangle of (x1, y1)-(x2, y2) under the exclusive right and
// bottom edges, as the bitmap canvas strokes it; empty without width.
QRect outline(int x1, int y1, int x2, int y2)
{
    const int l = std::min(x1, x2), r = std::max(x1, x2);
    const int t = std::min(y1, y2), b = std::max(y1, y2);
    if (r == l || b == t)
        return {};
    return QRect(QPoint(l, t), QPoint(r - 2, b - 2));
}

} // namespace

PainterCanvas::PainterCanvas(QPainter &painter, QSize size)
    : StatefulCanvas(size), m_painter(painter)
{
}

QFont PainterCanvas::qfont() const
{
    QFont f(m_font.nome);
    f.setPixelSize(ImageCanvas::pixelSize(m_font.tamanho));
    return f;
}

void PainterCanvas::smooth(bool on)
{
    m_painter.setRenderHint(QPainter::Antialiasing, on);
}

QPainter &PainterCanvas::shape()
{
    smooth(false);
    m_painter.setPen(QPen(toQColor(m_penColor), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const bool hidden = m_penMode == PenMode::Mask && m_brushColor == Cores::Branco;
    m_painter.setBrush(hidden ? QBrush() : QBrush(toQColor(m_brushColor)));
    return m_painter;
}

void PainterCanvas::lineTo(int x, int y)
{
    const QPoint from = m_position;
    m_position = QPoint(x, y);
    if (from != m_position)
        shape().drawLine(from, m_position);
}

void PainterCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    const QRect r = outline(x1, y1, x2, y2);
    if (!r.isNull())
        shape().drawRect(r);
}

void PainterCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    const QRect r = outline(x1, y1, x2, y2);
    if (!r.isNull())
        shape().drawEllipse(r);
}

void PainterCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const QRect area = outline(x1, y1, x2, y2);
    if (area.isNull())
        return;
    const QRectF r(area);
    const auto [start, span] = angulosDoArco(r, x3, y3, x4, y4);
    shape().drawArc(r, start, span);
}

void PainterCanvas::polyline(std::span<const QPoint> points)
{
    if (points.size() >= 2)
        shape().drawPolyline(points.data(), int(points.size()));
}

void PainterCanvas::textOut(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return;
    smooth(true);
    const QFont f = qfont();
    const QFontMetrics fm(f);
    m_painter.save();
    m_painter.translate(x, y);
    m_painter.rotate(-m_font.rotacao / 10.0);
    if (m_textBackground)
        m_painter.fillRect(QRect(0, 0, fm.horizontalAdvance(text), fm.height()),
                           toQColor(m_brushColor));
    m_painter.setFont(f);
    m_painter.setPen(toQColor(m_font.cor));
    m_painter.drawText(QPoint(0, fm.ascent()), text);
    m_painter.restore();
}

void PainterCanvas::fillRect(int x1, int y1, int x2, int y2)
{
    const QRect r(QPoint(std::min(x1, x2), std::min(y1, y2)),
                  QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
    if (!r.isEmpty())
        m_painter.fillRect(r, toQColor(m_brushColor));
}

void PainterCanvas::copyRect(int x1, int y1, int x2, int y2, Canvas &source, int sx, int sy)
{
    const QRect target(QPoint(std::min(x1, x2), std::min(y1, y2)),
                       QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
    if (target.isEmpty())
        return;
    m_painter.fillRect(target, Qt::white);
    if (const QImage *bitmap = source.image())
        m_painter.drawImage(target.topLeft(), *bitmap,
                            QRect(QPoint(sx, sy) - source.area().topLeft(), target.size()));
}

void PainterCanvas::strokePath(std::span<const QPoint> points, bool closed, const Traco &traco)
{
    smooth(true);
    Pintor::path(m_painter, points, closed, traco);
}

void PainterCanvas::strokeEllipse(int x1, int y1, int x2, int y2, const Traco &traco)
{
    smooth(true);
    m_pintor.ellipse(m_painter, x1, y1, x2, y2, traco);
}

void PainterCanvas::strokeArc(int x1, int y1, int x2, int y2, int start, int span,
                              const Traco &traco)
{
    smooth(true);
    Pintor::arc(m_painter, x1, y1, x2, y2, start, span, traco);
}

void PainterCanvas::drawLabel(QPoint anchor, const QString &text, std::span<const Barra> barras,
                              const EstiloTexto &estilo)
{
    smooth(true);
    m_pintor.label(m_painter, anchor, text, barras, estilo);
}
