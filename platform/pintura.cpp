#include "pintura.h"

#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

QColor toQColor(Cor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

double largura(const Traco &t)
{
    return std::isfinite(t.largura) ? std::clamp(t.largura, 0.0, Pintor::LarguraMax) : 0.0;
}

QPen caneta(const Traco &t)
{
    const double w = largura(t);
    if (w <= 0)
        return QPen(Qt::NoPen);
    return QPen(toQColor(t.cor), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QRectF quadro(int x1, int y1, int x2, int y2)
{
    return QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)),
                  QPointF(std::max(x1, x2), std::max(y1, y2)));
}

// Overbars sit this far above the baseline, in capital heights.
constexpr double AlturaBarra = 1.25;

} // namespace

QRectF Pintor::areaPath(std::span<const QPoint> points, const Traco &traco)
{
    if (points.empty())
        return {};
    double l = points[0].x(), r = l, t = points[0].y(), b = t;
    for (const QPoint &p : points) {
        l = std::min<double>(l, p.x()), r = std::max<double>(r, p.x());
        t = std::min<double>(t, p.y()), b = std::max<double>(b, p.y());
    }
    const double m = largura(traco) / 2 + 2;
    return QRectF(QPointF(l - m, t - m), QPointF(r + m, b + m));
}

QRectF Pintor::areaEllipse(int x1, int y1, int x2, int y2, const Traco &traco)
{
    const double m = largura(traco) / 2 + 2;
    return quadro(x1, y1, x2, y2).adjusted(-m, -m, m, m);
}

void Pintor::path(QPainter &p, std::span<const QPoint> points, bool closed, const Traco &traco)
{
    if (points.empty())
        return;
    const QPen pen = caneta(traco);
    if (traco.preenche && points.size() >= 3) {
        p.setPen(Qt::NoPen);
        p.setBrush(toQColor(traco.fundo));
        p.drawPolygon(points.data(), int(points.size()));
    }
    if (pen.style() == Qt::NoPen)
        return;
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (points.size() == 1)
        p.drawPoint(points[0]);
    else if (closed)
        p.drawPolygon(points.data(), int(points.size()));
    else
        p.drawPolyline(points.data(), int(points.size()));
}

void Pintor::ellipse(QPainter &p, int x1, int y1, int x2, int y2, const Traco &traco)
{
    p.setPen(caneta(traco));
    p.setBrush(traco.preenche ? QBrush(toQColor(traco.fundo)) : QBrush());
    p.drawEllipse(quadro(x1, y1, x2, y2));
}

void Pintor::arc(QPainter &p, int x1, int y1, int x2, int y2, int start, int span,
                 const Traco &traco)
{
    const QRectF r = quadro(x1, y1, x2, y2);
    // Tenths of a degree to the painter's sixteenths.
    const int a = int((qint64(start) * 16 / 10) % (360 * 16));
    const int s = int(std::clamp<qint64>(qint64(span) * 16 / 10, -360 * 16, 360 * 16));
    if (traco.preenche) {
        p.setPen(Qt::NoPen);
        p.setBrush(toQColor(traco.fundo));
        p.drawPie(r, a, s);
    }
    const QPen pen = caneta(traco);
    if (pen.style() == Qt::NoPen)
        return;
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(r, a, s);
}

const Pintor::Fonte &Pintor::fonte(double altura, bool negrito, bool italico)
{
    if (m_capPorPixel <= 0) {
        QFont probe(QStringLiteral("Arial"));
        probe.setPixelSize(1000);
        const double cap = QFontMetricsF(probe).capHeight();
        m_capPorPixel = cap > 0 ? cap / 1000 : 0.7;
    }
    const double px = std::isfinite(altura) ? altura / m_capPorPixel : 1;
    const int size = int(std::clamp(std::lround(std::clamp(px, 0.0, 1e6)), 1L, 4000L));
    const auto key = std::make_tuple(size, negrito, italico);
    auto found = m_fontes.find(key);
    if (found == m_fontes.end()) {
        if (m_fontes.size() > 256)
            m_fontes.clear();
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(size);
        f.setBold(negrito);
        f.setItalic(italico);
        QFontMetricsF metrics(f);
        const double cap = metrics.capHeight();
        found = m_fontes.emplace(key, Fonte{f, metrics, cap}).first;
    }
    return found->second;
}

Pintor::Layout Pintor::layout(const QString &text, const EstiloTexto &e)
{
    Layout l;
    l.fonte = &fonte(e.altura, e.negrito, e.italico);
    l.largura = l.fonte->metrics.horizontalAdvance(text);
    l.x = e.h == AlinhaH::Esquerda ? 0 : e.h == AlinhaH::Centro ? -l.largura / 2 : -l.largura;
    const double cap = l.fonte->cap;
    l.base = e.v == AlinhaV::Topo ? cap : e.v == AlinhaV::Centro ? cap / 2 : 0;
    return l;
}

QRectF Pintor::areaLabel(QPoint anchor, const QString &text, const EstiloTexto &estilo)
{
    if (text.isEmpty())
        return {};
    const Layout l = layout(text, estilo);
    const QFontMetricsF &m = l.fonte->metrics;
    const double cap = l.fonte->cap;
    // The text's cell, the overbars above it and a little more for glyphs
    // reaching out of their cells.
    const double spare = 2 + m.height() / 4;
    const QRectF cell(
        QPointF(l.x - spare, l.base - std::max(m.ascent(), cap * AlturaBarra) - spare),
        QPointF(l.x + l.largura + spare, l.base + m.descent() + spare));
    QTransform turn;
    turn.translate(anchor.x(), anchor.y());
    turn.rotate(-estilo.rotacao / 10.0);
    return turn.mapRect(cell);
}

void Pintor::label(QPainter &p, QPoint anchor, const QString &text, std::span<const Barra> barras,
                   const EstiloTexto &estilo)
{
    if (text.isEmpty())
        return;
    const Layout l = layout(text, estilo);
    const QTransform before = p.transform();
    p.translate(anchor.x(), anchor.y());
    p.rotate(-estilo.rotacao / 10.0);
    p.setFont(l.fonte->font);
    p.setPen(toQColor(estilo.cor));
    p.drawText(QPointF(l.x, l.base), text);
    if (!barras.empty()) {
        Traco traco;
        traco.cor = estilo.cor;
        traco.largura = std::max(1.0, estilo.largura);
        p.setPen(caneta(traco));
        const double y = l.base - l.fonte->cap * AlturaBarra;
        const auto ate = [&](int i) {
            return l.fonte->metrics.horizontalAdvance(
                text.left(std::clamp(i, 0, int(text.size()))));
        };
        for (const Barra &b : barras) {
            if (b.fim <= b.inicio)
                continue;
            p.drawLine(QPointF(l.x + ate(b.inicio), y), QPointF(l.x + ate(b.fim), y));
        }
    }
    p.setTransform(before);
}
