#pragma once

#include "canvas.h"
#include "pintura.h"

// The state every canvas keeps the same way: the area, the pen, brush and
// mode, the font, the text background and the current position, with their
// setters and getters. A canvas that must act on a change overrides the
// setter and calls this one; one with a bitmap of its own overrides the
// area's setter and keeps m_area the bitmap's.
class StatefulCanvas : public Canvas
{
public:
    QRect area() const override { return m_area; }
    void setArea(const QRect &area, bool) override { m_area = area; }

    void setPenColor(Cor color) override { m_penColor = color; }
    Cor penColor() const override { return m_penColor; }
    void setPenMode(PenMode mode) override { m_penMode = mode; }
    PenMode penMode() const override { return m_penMode; }
    void setBrushColor(Cor color) override { m_brushColor = color; }
    Cor brushColor() const override { return m_brushColor; }

    void setFontName(const QString &name) override { m_font.nome = name; }
    void setFontSize(int points) override { m_font.tamanho = points; }
    void setFontRotation(int tenths) override { m_font.rotacao = tenths; }
    void setFontColor(Cor color) override { m_font.cor = color; }
    const Fonte &font() const override { return m_font; }
    void setTextBackground(bool opaque) override { m_textBackground = opaque; }
    bool textBackground() const override { return m_textBackground; }

    void moveTo(int x, int y) override { m_position = QPoint(x, y); }

    // Text metrics of the fonts the painting canvases use (Qt's, the face
    // through fontconfig, pixel sizes as ImageCanvas::pixelSize gives them).
    int textWidth(const QString &text) override;
    int textHeight(const QString &text) override;
    QRect textExtent(int x, int y, const QString &text) override;
    QRect labelExtent(QPoint anchor, const QString &text, const EstiloTexto &estilo) override;

protected:
    explicit StatefulCanvas(QSize size = {}) : m_area(QPoint(0, 0), size) {}

    QRect m_area;
    Cor m_penColor = Cores::Preto;
    PenMode m_penMode = PenMode::Copy;
    Cor m_brushColor = Cores::Branco;
    Fonte m_font;
    bool m_textBackground = true;
    QPoint m_position;
    // Lays labels out for labelExtent.
    Pintor m_medidor;
};
