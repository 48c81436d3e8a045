#pragma once

#include "platform/statefulcanvas.h"

#include <QPoint>
#include <QString>
#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

// A canvas that paints nothing and remembers every drawing call with the
// state it was made in, so tests can assert exact pixel coordinates.
//
// Text metrics are fixed so that anchors can be computed by hand:
// textWidth = number of characters × font size (points), textHeight =
// 2 × font size + 1 (odd, so that halving it exercises the rounding); a
// text's extent is its cell of that size from its anchor (unturned), a
// label's its width × height from its anchor's left and top whatever the
// alignment. A subclass with other metrics overrides the measuring calls:
// the extent of each text is recorded through them.
class RecordingCanvas : public StatefulCanvas
{
public:
    enum class Kind {
        Line,
        Rectangle,
        Ellipse,
        Arc,
        Polyline,
        Text,
        Fill,
        Copy,
        // The anti-aliased primitives.
        Path,
        SmoothEllipse,
        SmoothArc,
        Label,
    };

    struct Call
    {
        Kind kind;
        // Line: from, to. Rectangle, Ellipse, Fill: the two corners. Arc: the
        // two corners, then the two ray points. Polyline: its points. Text:
        // the anchor. Copy: the two target corners, then the source corner.
        std::vector<QPoint> points;
        QString text;
        Cor pen;
        PenMode mode;
        Cor brush;
        Fonte font;
        const Canvas *source = nullptr;
        // Whether the text background was on (every kind records it).
        bool textBackground = true;
        // Path, SmoothEllipse, SmoothArc (points: the corners): the stroke;
        // Path: whether closed; SmoothArc: start and span, tenths of a degree.
        Traco traco{};
        bool closed = false;
        int start = 0;
        int span = 0;
        // Label (points: the anchor): the style and the overbars.
        EstiloTexto estilo{};
        std::vector<Barra> barras{};
        // Text, Label: the text's extent, as the canvas measured it when
        // the text was drawn.
        QRect extent{};
    };

    explicit RecordingCanvas(QSize size = QSize(2000, 2000)) : StatefulCanvas(size) {}

    static std::unique_ptr<Canvas> make(QSize size)
    {
        return std::make_unique<RecordingCanvas>(size);
    }

    std::vector<Call> calls;
    std::vector<Call> callsOf(Kind kind) const;
    std::vector<QString> texts() const;

    // Changing the area or the state records no call.
    void lineTo(int x, int y) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void ellipse(int x1, int y1, int x2, int y2) override;
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void polyline(std::span<const QPoint> points) override;
    void textOut(int x, int y, const QString &text) override;
    // Computed wide and saturated: a long text at a huge size does not wrap.
    int textWidth(const QString &text) override
    {
        return int(std::clamp<qint64>(qint64(text.size()) * m_font.tamanho, INT_MIN, INT_MAX));
    }
    int textHeight(const QString &) override
    {
        return int(std::clamp<qint64>(2 * qint64(m_font.tamanho) + 1, INT_MIN, INT_MAX));
    }
    QRect textExtent(int x, int y, const QString &text) override
    {
        return text.isEmpty() ? QRect() : cell(x, y, textWidth(text), textHeight(text));
    }
    QRect labelExtent(QPoint anchor, const QString &text, const EstiloTexto &estilo) override
    {
        const qint64 h = qint64(estilo.altura);
        return text.isEmpty() ? QRect() : cell(anchor.x(), anchor.y(), text.size() * h, h);
    }
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
    // The far corner saturates: huge fonts give sizes near INT_MAX, and a
    // QRect built from them would wrap.
    static QRect cell(int x, int y, qint64 width, qint64 height)
    {
        const auto far = [](qint64 v) { return int(std::clamp<qint64>(v, INT_MIN, INT_MAX)); };
        return QRect(QPoint(x, y), QPoint(far(x + width - 1), far(y + height - 1)));
    }
    void record(Kind kind, std::vector<QPoint> points, QString text = {},
                const Canvas *source = nullptr);
};

// A recording canvas measuring texts as the painting canvases do (real
// fonts, turned extents): for checks on real symbols.
class MeasuringCanvas : public RecordingCanvas
{
public:
    using RecordingCanvas::RecordingCanvas;

    static std::unique_ptr<Canvas> make(QSize size)
    {
        return std::make_unique<MeasuringCanvas>(size);
    }

    int textWidth(const QString &text) override { return StatefulCanvas::textWidth(text); }
    int textHeight(const QString &text) override { return StatefulCanvas::textHeight(text); }
    QRect textExtent(int x, int y, const QString &text) override
    {
        return StatefulCanvas::textExtent(x, y, text);
    }
    QRect labelExtent(QPoint anchor, const QString &text, const EstiloTexto &estilo) override
    {
        return StatefulCanvas::labelExtent(anchor, text, estilo);
    }
};
