#include "recordingcanvas.h"

std::vector<RecordingCanvas::Call> RecordingCanvas::callsOf(Kind kind) const
{
    std::vector<Call> result;
    for (const Call &c : calls) {
        if (c.kind == kind)
            result.push_back(c);
    }
    return result;
}

std::vector<QString> RecordingCanvas::texts() const
{
    std::vector<QString> result;
    for (const Call &c : calls) {
        if (c.kind == Kind::Text)
            result.push_back(c.text);
    }
    return result;
}

void RecordingCanvas::record(Kind kind, std::vector<QPoint> points, QString text,
                             const Canvas *source)
{
    calls.push_back({kind, std::move(points), std::move(text), m_penColor, m_penMode, m_brushColor,
                     m_font, source, m_textBackground});
}

void RecordingCanvas::lineTo(int x, int y)
{
    record(Kind::Line, {m_position, QPoint(x, y)});
    m_position = QPoint(x, y);
}

void RecordingCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    record(Kind::Rectangle, {{x1, y1}, {x2, y2}});
}

void RecordingCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    record(Kind::Ellipse, {{x1, y1}, {x2, y2}});
}

void RecordingCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    record(Kind::Arc, {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}});
}

void RecordingCanvas::polyline(std::span<const QPoint> points)
{
    record(Kind::Polyline, std::vector<QPoint>(points.begin(), points.end()));
}

void RecordingCanvas::textOut(int x, int y, const QString &text)
{
    record(Kind::Text, {{x, y}}, text);
    calls.back().extent = textExtent(x, y, text);
}

void RecordingCanvas::fillRect(int x1, int y1, int x2, int y2)
{
    record(Kind::Fill, {{x1, y1}, {x2, y2}});
}

void RecordingCanvas::copyRect(int x1, int y1, int x2, int y2, Canvas &source, int sx, int sy)
{
    record(Kind::Copy, {{x1, y1}, {x2, y2}, {sx, sy}}, {}, &source);
}

void RecordingCanvas::strokePath(std::span<const QPoint> points, bool closed, const Traco &traco)
{
    record(Kind::Path, std::vector<QPoint>(points.begin(), points.end()));
    calls.back().traco = traco;
    calls.back().closed = closed;
}

void RecordingCanvas::strokeEllipse(int x1, int y1, int x2, int y2, const Traco &traco)
{
    record(Kind::SmoothEllipse, {{x1, y1}, {x2, y2}});
    calls.back().traco = traco;
}

void RecordingCanvas::strokeArc(int x1, int y1, int x2, int y2, int start, int span,
                                const Traco &traco)
{
    record(Kind::SmoothArc, {{x1, y1}, {x2, y2}});
    calls.back().traco = traco;
    calls.back().start = start;
    calls.back().span = span;
}

void RecordingCanvas::drawLabel(QPoint anchor, const QString &text, std::span<const Barra> barras,
                                const EstiloTexto &estilo)
{
    record(Kind::Label, {anchor}, text);
    calls.back().estilo = estilo;
    calls.back().barras.assign(barras.begin(), barras.end());
    calls.back().extent = labelExtent(anchor, text, estilo);
}
