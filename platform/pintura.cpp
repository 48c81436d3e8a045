#include "pintura.h"

#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

double largura(const Traco &t)
{
    return std::isfinite(t.largura) ? std::clamp(t.largura, 0.0, Pintor::LarguraMax) : 0.0;
}

QPen caneta(const Traco &t)
{
    const double w = largura(t);
    if (w <= 0)
        return QPen(Qt::NoPen);
    if (Pintor::umPixel(t))
        return QPen(toQColor(t.cor), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
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

QRect extensaoGirada(const QRectF &rect, QPoint anchor, int rotacao)
{
    QTransform turn;
    turn.translate(anchor.x(), anchor.y());
    turn.rotate(-rotacao / 10.0);
    const QRectF r = turn.mapRect(rect);
    static constexpr double Far = 1 << 29;
    const auto limit = [](double v) { return std::isfinite(v) ? std::clamp(v, -Far, Far) : 0.0; };
    const QPoint a(int(std::floor(limit(r.left()))), int(std::floor(limit(r.top()))));
    const QPoint b(int(std::ceil(limit(r.right()))), int(std::ceil(limit(r.bottom()))));
    return b.x() > a.x() && b.y() > a.y() ? QRect(a, b - QPoint(1, 1)) : QRect();
}

QRectF celulaDoTexto(const QFontMetrics &metrics, const QString &text)
{
    const QRectF cell(0, 0, metrics.horizontalAdvance(text), metrics.height());
    return cell | QRectF(metrics.boundingRect(text).translated(0, metrics.ascent()));
}

std::pair<int, int> angulosDoArco(const QRectF &shape, int x3, int y3, int x4, int y4)
{
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
    return {int(std::lround(start * 16)), int(std::lround(span * 16))};
}

bool Pintor::umPixel(const Traco &traco)
{
    // Strokes thinner than a pixel and a half are drawn one pixel wide: the
    // painter has a fast way for those, and they look the same.
    const double w = largura(traco);
    return w > 0 && w < 1.5;
}

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
    const bool retangulo = points.size() == 4 && points[0].y() == points[1].y() &&
                           points[1].x() == points[2].x() && points[2].y() == points[3].y() &&
                           points[3].x() == points[0].x();
    if (traco.preenche && retangulo && p.transform().type() <= QTransform::TxTranslate) {
        // An upright rectangle fills whole pixels, from corner to corner:
        // its outline covers the edges.
        const QTransform antes = p.transform();
        const bool suave = p.testRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setTransform(QTransform::fromTranslate(std::floor(antes.dx()), std::floor(antes.dy())));
        const QRect r = QRect(points[0], points[2]).normalized();
        p.fillRect(r, toQColor(traco.fundo));
        p.setTransform(antes);
        p.setRenderHint(QPainter::Antialiasing, suave);
    } else if (traco.preenche && points.size() >= 3) {
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
    else if (points.size() == 2)
        p.drawLine(points[0], points[1]);
    else if (closed)
        p.drawPolygon(points.data(), int(points.size()));
    else
        p.drawPolyline(points.data(), int(points.size()));
}

void Pintor::ellipse(QPainter &p, int x1, int y1, int x2, int y2, const Traco &traco)
{
    const int w = std::abs(x2 - x1), h = std::abs(y2 - y1);
    if (m_estatico && !traco.preenche && largura(traco) > 0 && largura(traco) < 1.5 && w <= 32 &&
        h <= 32 && p.transform().type() <= QTransform::TxTranslate) {
        // Painted once on a little transparent image, with the same half
        // pixel as here, then copied to whole pixels.
        constexpr int Borda = 2;
        const quint64 chave = quint64(w) << 40 | quint64(h) << 24 | traco.cor;
        auto found = m_aneis.find(chave);
        if (found == m_aneis.end()) {
            if (m_aneis.size() > 256)
                m_aneis.clear();
            QImage anel(w + 2 * Borda + 1, h + 2 * Borda + 1, QImage::Format_ARGB32_Premultiplied);
            anel.fill(Qt::transparent);
            QPainter q(&anel);
            q.setRenderHint(QPainter::Antialiasing, true);
            q.translate(p.transform().dx() - std::floor(p.transform().dx()),
                        p.transform().dy() - std::floor(p.transform().dy()));
            q.setPen(caneta(traco));
            q.drawEllipse(QRectF(Borda, Borda, w, h));
            q.end();
            found = m_aneis.insert(chave, anel);
        }
        const QTransform antes = p.transform();
        p.setTransform(QTransform::fromTranslate(std::floor(antes.dx()), std::floor(antes.dy())));
        p.drawImage(QPoint(std::min(x1, x2) - Borda, std::min(y1, y2) - Borda), found.value());
        p.setTransform(antes);
        return;
    }
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
        if (m_fontes.size() > 256) {
            m_fontes.clear();
            m_medidos.clear();
            m_fontePosta = -1;
        }
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(size);
        f.setBold(negrito);
        f.setItalic(italico);
        QFontMetricsF metrics(f);
        const double cap = metrics.capHeight();
        const int chave = (size << 2) | (negrito ? 2 : 0) | (italico ? 1 : 0);
        found = m_fontes.emplace(key, Fonte{f, metrics, cap, chave}).first;
    }
    return found->second;
}

Pintor::Layout Pintor::layout(const QString &text, const EstiloTexto &e)
{
    Layout l;
    l.fonte = &fonte(e.altura, e.negrito, e.italico);
    // A static text drawn turned otherwise than the last time is laid out
    // again: each rotation keeps its own.
    const quint32 giro = m_estatico ? quint32(e.rotacao) : 0;
    const std::pair<qint64, QString> key(qint64(l.fonte->chave) << 32 | giro, text);
    auto found = m_medidos.find(key);
    if (found == m_medidos.end()) {
        if (m_medidos.size() > 8192)
            m_medidos.clear();
        Medido m;
        m.largura = l.fonte->metrics.horizontalAdvance(text);
        if (m_estatico) {
            m.estatico.setText(text);
            m.estatico.setTextFormat(Qt::PlainText);
            m.estatico.setPerformanceHint(QStaticText::AggressiveCaching);
            m.estatico.prepare(QTransform(), l.fonte->font);
        }
        found = m_medidos.insert(key, m);
    }
    l.medido = &found.value();
    l.largura = l.medido->largura;
    l.x = e.h == AlinhaH::Esquerda ? 0 : e.h == AlinhaH::Centro ? -l.largura / 2 : -l.largura;
    const double cap = l.fonte->cap;
    l.base = e.v == AlinhaV::Topo ? cap : e.v == AlinhaV::Centro ? cap / 2 : 0;
    return l;
}

QRectF Pintor::areaLabel(const Layout &l, QPoint anchor, const EstiloTexto &estilo)
{
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

QRect Pintor::extensaoLabel(const Layout &l, QPoint anchor, const QString &text,
                            const EstiloTexto &estilo)
{
    const QFontMetricsF &m = l.fonte->metrics;
    // The cell from the overbars' height (half their stroke above it) down
    // to the descent, and the glyphs' ink.
    const double barra = l.fonte->cap * AlturaBarra + std::max(1.0, estilo.largura) / 2;
    const QRectF cell(QPointF(l.x, l.base - std::max(m.ascent(), barra)),
                      QPointF(l.x + l.largura, l.base + m.descent()));
    return extensaoGirada(cell | m.boundingRect(text).translated(l.x, l.base), anchor,
                          estilo.rotacao);
}

void Pintor::label(QPainter &p, QPoint anchor, const QString &text, std::span<const Barra> barras,
                   const EstiloTexto &estilo)
{
    if (!text.isEmpty())
        label(p, layout(text, estilo), anchor, text, barras, estilo);
}

void Pintor::label(QPainter &p, const Layout &l, QPoint anchor, const QString &text,
                   std::span<const Barra> barras, const EstiloTexto &estilo)
{
    const QTransform before = p.transform();
    p.translate(anchor.x(), anchor.y());
    p.rotate(-estilo.rotacao / 10.0);
    if (!m_estatico || m_fontePosta != l.fonte->chave) {
        p.setFont(l.fonte->font);
        m_fontePosta = m_estatico ? l.fonte->chave : -1;
    }
    p.setPen(toQColor(estilo.cor));
    if (m_estatico)
        p.drawStaticText(QPointF(l.x, l.base - l.fonte->metrics.ascent()), l.medido->estatico);
    else
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
