#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <span>

class QImage;

// A colour as a 24-bit value written 0xBBGGRR (blue in the high byte), the
// way the symbol drawing code names its colours.
using Cor = quint32;

namespace Cores {
inline constexpr Cor Preto = 0x000000;
inline constexpr Cor Branco = 0xFFFFFF;
inline constexpr Cor Oliva = 0x008080;   // red 128, green 128, blue 0
inline constexpr Cor Azulado = 0x808000; // teal: red 0, green 128, blue 128
} // namespace Cores

// How the pen and the shape interiors combine with the picture already there.
enum class PenMode {
    Copy, // pen and brush colours replace the pixels
    Mask, // result = colour AND pixel, bit by bit: white leaves the picture alone
};

// The font state of a canvas. The size is in points, the rotation in tenths
// of a degree, counterclockwise on the screen, about the text's anchor.
struct Fonte
{
    QString nome = QStringLiteral("Arial");
    int tamanho = 8;
    int rotacao = 0;
    Cor cor = Cores::Preto;

    friend bool operator==(const Fonte &, const Fonte &) = default;
};

// How the anti-aliased primitives below draw an outline: a stroke of
// `largura` pixels (none when 0) and, with `preenche`, an interior in `fundo`.
struct Traco
{
    Cor cor = Cores::Preto;
    double largura = 1;
    bool preenche = false;
    Cor fundo = Cores::Branco;

    friend bool operator==(const Traco &, const Traco &) = default;
};

enum class AlinhaH { Esquerda, Centro, Direita };
enum class AlinhaV { Topo, Centro, Base };

// A text of the anti-aliased kind: the height of a capital letter in pixels,
// a rotation in tenths of a degree counterclockwise about the anchor, and
// where the anchor lies on the text (horizontally along the text; Topo at
// the top of the capitals, Centro halfway up them, Base on the baseline).
struct EstiloTexto
{
    double altura = 10;
    int rotacao = 0;
    AlinhaH h = AlinhaH::Esquerda;
    AlinhaV v = AlinhaV::Base;
    bool negrito = false;
    bool italico = false;
    Cor cor = Cores::Preto;
    // Stroke width of the overbars, pixels.
    double largura = 1;

    friend bool operator==(const EstiloTexto &, const EstiloTexto &) = default;
};

// Characters inicio .. fim - 1 of a text carry a bar above them.
struct Barra
{
    int inicio = 0;
    int fim = 0;

    friend bool operator==(const Barra &, const Barra &) = default;
};

// The drawing surface the symbol preview draws through.
//
// Raster conventions: a rectangle or ellipse given by (x1, y1)-(x2, y2)
// covers columns x1..x2-1 and rows y1..y2-1 (the corners may come in any
// order); a line does not paint its last pixel. The pen is solid, one pixel
// wide; the brush is solid. Pen mode applies to lines, outlines and shape
// interiors; text and fills are always opaque.
class Canvas
{
public:
    virtual ~Canvas() = default;

    // The drawing coordinates the surface covers: its top-left pixel stands
    // for area().topLeft(), which is (0, 0) until the surface is moved.
    // Every coordinate given to the calls below is a drawing coordinate.
    virtual QRect area() const = 0;
    QSize size() const { return area().size(); }
    // Makes the surface cover `area`. With `keep` the pixels at the drawing
    // coordinates both areas share stay as they were and the rest is white;
    // without it the whole surface is white.
    virtual void setArea(const QRect &area, bool keep) = 0;
    // The same area size from the same top-left point.
    void setSize(QSize size, bool keep) { setArea(QRect(area().topLeft(), size), keep); }

    virtual void setPenColor(Cor color) = 0;
    virtual Cor penColor() const = 0;
    virtual void setPenMode(PenMode mode) = 0;
    virtual PenMode penMode() const = 0;
    virtual void setBrushColor(Cor color) = 0;
    virtual Cor brushColor() const = 0;

    virtual void setFontName(const QString &name) = 0;
    virtual void setFontSize(int points) = 0;
    virtual void setFontRotation(int tenths) = 0;
    virtual void setFontColor(Cor color) = 0;
    virtual const Fonte &font() const = 0;
    // Whether textOut paints the text's cell with the brush colour before the
    // characters (true, the start value) or leaves what lies beneath it.
    virtual void setTextBackground(bool opaque) = 0;
    virtual bool textBackground() const = 0;

    virtual void moveTo(int x, int y) = 0;
    // A line from the current position to (x, y), which becomes the current position.
    virtual void lineTo(int x, int y) = 0;
    // Outline with the pen, interior with the brush.
    virtual void rectangle(int x1, int y1, int x2, int y2) = 0;
    // The ellipse inscribed in the rectangle, outline and interior as above.
    virtual void ellipse(int x1, int y1, int x2, int y2) = 0;
    // Part of the outline of the ellipse inscribed in (x1, y1)-(x2, y2),
    // counterclockwise on the screen from the ray through (x3, y3) to the ray
    // through (x4, y4), both rays starting at the centre. Equal rays give the
    // whole ellipse.
    virtual void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    // Connected segments through the points; fewer than two points draw nothing.
    virtual void polyline(std::span<const QPoint> points) = 0;
    // Writes the text with the top-left corner of its cell at (x, y), turned
    // by the font rotation about that corner: the cell is painted with the
    // brush colour (unless the text background is off), the characters with
    // the font colour.
    virtual void textOut(int x, int y, const QString &text) = 0;
    virtual int textWidth(const QString &text) = 0;
    virtual int textHeight(const QString &text) = 0;
    // The pixels textOut(x, y, text) may paint with the current font, its
    // glyphs' overhang included; empty for an empty text.
    virtual QRect textExtent(int x, int y, const QString &text) = 0;

    // Paints (x1, y1)-(x2, y2) with the brush colour.
    virtual void fillRect(int x1, int y1, int x2, int y2) = 0;
    // Copies the rectangle at (sx, sy) of `source`, another canvas, onto the
    // rectangle (x1, y1)-(x2, y2) here, pixel for pixel; (sx, sy) is in the
    // source's drawing coordinates. Whatever the source rectangle has outside
    // the source's area comes out white.
    virtual void copyRect(int x1, int y1, int x2, int y2, Canvas &source, int sx, int sy) = 0;

    // Anti-aliased primitives with stroke widths and fills. They neither
    // read nor change the pen, brush, mode and font above; coordinates are
    // the same pixels, a point standing for the centre of its pixel.
    //
    // The line through the points, back to the first one when `closed`; a
    // fill takes the polygon they make.
    virtual void strokePath(std::span<const QPoint> points, bool closed, const Traco &traco) = 0;
    // The ellipse inscribed in the rectangle with corners (x1, y1), (x2, y2).
    virtual void strokeEllipse(int x1, int y1, int x2, int y2, const Traco &traco) = 0;
    // The arc of that ellipse from `start` through `span` tenths of a degree,
    // counterclockwise on the screen from the 3 o'clock ray; a fill takes the
    // pie slice, the stroke only the curve.
    virtual void strokeArc(int x1, int y1, int x2, int y2, int start, int span,
                           const Traco &traco) = 0;
    // Writes `text` placed on `anchor` as `estilo` says, with the overbars
    // `barras`; no background.
    virtual void drawLabel(QPoint anchor, const QString &text, std::span<const Barra> barras,
                           const EstiloTexto &estilo) = 0;
    // The pixels drawLabel may paint for `text`, room for overbars included;
    // empty for an empty text.
    virtual QRect labelExtent(QPoint anchor, const QString &text, const EstiloTexto &estilo) = 0;

    // The bitmap painted so far, or null for a surface without one.
    virtual const QImage *image() = 0;
};
