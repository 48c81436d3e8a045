#include "platform/imagecanvas.h"
#include "platform/pintura.h"

#include <QFontInfo>
#include <array>
#include <gtest/gtest.h>

namespace {

constexpr QRgb White = 0xFFFFFFFF, Black = 0xFF000000;

class ImageCanvasTest : public ::testing::Test
{
protected:
    ImageCanvas canvas{QSize(200, 200)};
    QRgb px(int x, int y) { return canvas.image()->pixel(x, y); }
    int nonWhite(const QRect &area)
    {
        const QImage *img = canvas.image();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += img->pixel(x, y) != White;
        return n;
    }
};

TEST_F(ImageCanvasTest, RectangleCoversUpToButExcludingItsSecondCorner)
{
    canvas.setPenMode(PenMode::Mask);
    canvas.rectangle(30, 20, 10, 40); // corners in any order
    EXPECT_EQ(px(10, 20), Black);
    EXPECT_EQ(px(29, 39), Black);
    EXPECT_EQ(px(29, 25), Black);
    EXPECT_EQ(px(20, 39), Black);
    EXPECT_EQ(px(30, 25), White);
    EXPECT_EQ(px(20, 40), White);
    EXPECT_EQ(px(9, 25), White);
    EXPECT_EQ(nonWhite(QRect(0, 0, 200, 200)), 2 * 20 + 2 * 18);
}

TEST_F(ImageCanvasTest, LinesLeaveTheirLastPixel)
{
    canvas.moveTo(10, 10);
    canvas.lineTo(20, 10);
    canvas.lineTo(20, 20);
    EXPECT_EQ(px(10, 10), Black);
    EXPECT_EQ(px(19, 10), Black);
    EXPECT_EQ(px(20, 10), Black) << "start of the second line";
    EXPECT_EQ(px(20, 19), Black);
    EXPECT_EQ(px(20, 20), White);
    canvas.moveTo(50, 50);
    canvas.lineTo(50, 50);
    EXPECT_EQ(px(50, 50), White);
}

TEST_F(ImageCanvasTest, MaskKeepsWhatLiesUnderAnInteriorCopyPaintsItWhite)
{
    canvas.moveTo(0, 50);
    canvas.lineTo(100, 50);
    canvas.setPenMode(PenMode::Mask);
    canvas.ellipse(40, 40, 61, 61);
    EXPECT_EQ(px(50, 50), Black) << "mask: the stroke shows through";
    EXPECT_EQ(px(40, 50), Black) << "outline";
    EXPECT_EQ(px(50, 45), White);

    canvas.setPenMode(PenMode::Copy);
    canvas.ellipse(40, 40, 61, 61);
    EXPECT_EQ(px(50, 50), White) << "copy: the white brush hides the stroke";
    EXPECT_EQ(px(40, 50), Black);
    EXPECT_EQ(px(60, 50), Black);
    EXPECT_EQ(px(30, 50), Black) << "outside the ellipse the stroke stays";
}

TEST_F(ImageCanvasTest, MaskIsBitwiseAnd)
{
    canvas.setBrushColor(0x00FF00);
    canvas.fillRect(0, 0, 10, 10);
    canvas.setPenMode(PenMode::Mask);
    canvas.setPenColor(0x0000FF); // red
    canvas.moveTo(0, 5);
    canvas.lineTo(10, 5);
    EXPECT_EQ(px(3, 5), 0xFF000000u) << "green AND red";
    EXPECT_EQ(px(3, 4), 0xFF00FF00u);
    EXPECT_EQ(px(20, 5), White);
}

TEST_F(ImageCanvasTest, ArcRunsCounterclockwiseFromTheFirstRayToTheSecond)
{
    // From the ray to the right to the ray upwards: the top-right quarter.
    canvas.arc(50, 50, 151, 151, 200, 100, 100, 0);
    EXPECT_GT(nonWhite(QRect(101, 45, 60, 54)), 50);
    EXPECT_EQ(nonWhite(QRect(40, 40, 58, 120)), 0);
    EXPECT_EQ(nonWhite(QRect(103, 103, 60, 60)), 0);

    // Swapped rays: the other three quarters.
    ImageCanvas other(QSize(200, 200));
    other.arc(50, 50, 151, 151, 100, 0, 200, 100);
    const QImage *img = other.image();
    const auto dark = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (img->pixel(x + dx, y + dy) == Black)
                    return true;
        return false;
    };
    EXPECT_TRUE(dark(50, 100));
    EXPECT_TRUE(dark(100, 150));
    EXPECT_EQ(img->pixel(135, 64), White);
}

TEST_F(ImageCanvasTest, TextCellIsOpaqueWhateverThePenMode)
{
    canvas.setBrushColor(Cores::Preto);
    canvas.fillRect(0, 0, 200, 200);
    canvas.setBrushColor(Cores::Branco);
    canvas.setPenMode(PenMode::Mask);
    canvas.setFontSize(9);
    canvas.setFontColor(Cores::Azulado);
    const int w = canvas.textWidth("Wide text");
    const int h = canvas.textHeight("Wide text");
    EXPECT_EQ(ImageCanvas::pixelSize(9), 12);
    EXPECT_GT(w, 30);
    EXPECT_GE(h, 12);
    canvas.textOut(20, 30, "Wide text");
    int teal = 0;
    const QImage *img = canvas.image();
    for (int y = 30; y < 30 + h; ++y)
        for (int x = 20; x < 20 + w; ++x) {
            // Teal blended with white by the glyph's edge shading keeps green
            // equal to blue and red below them.
            const QRgb p = img->pixel(x, y);
            teal += qRed(p) < qGreen(p) && qGreen(p) == qBlue(p);
        }
    EXPECT_GT(teal, 10);
    EXPECT_EQ(px(20 + w - 1, 30), White) << "cell corner painted with the brush";
    EXPECT_EQ(px(20 + w + 1, 30), Black);
    EXPECT_EQ(px(20, 30 + h), Black);
}

TEST_F(ImageCanvasTest, TurnedTextGoesUpFromItsAnchor)
{
    canvas.setFontSize(12);
    canvas.setFontRotation(900);
    canvas.setBrushColor(0x00FFFF);
    canvas.textOut(100, 150, "ABCDEF");
    const int w = canvas.textWidth("ABCDEF"), h = canvas.textHeight("ABCDEF");
    EXPECT_EQ(nonWhite(QRect(100, 150 - w + 2, h - 2, w - 4)), (h - 2) * (w - 4));
    EXPECT_EQ(nonWhite(QRect(100, 155, 30, 40)), 0);
    EXPECT_EQ(nonWhite(QRect(60, 100, 38, 50)), 0);
}

TEST_F(ImageCanvasTest, ArialResolvesToLiberationSans)
{
    EXPECT_EQ(QFontInfo(QFont("Arial")).family(), "Liberation Sans");
    EXPECT_EQ(ImageCanvas::pixelSize(6), 8);
    EXPECT_EQ(ImageCanvas::pixelSize(1), 1);
    EXPECT_EQ(ImageCanvas::pixelSize(-4), 1);
}

TEST_F(ImageCanvasTest, WhiteFillsAndCopiesGiveTheSamePixelsAsFullOnes)
{
    canvas.rectangle(10, 10, 60, 60);
    canvas.moveTo(0, 199);
    canvas.lineTo(199, 0);
    canvas.fillRect(0, 0, 200, 100);
    EXPECT_EQ(nonWhite(QRect(0, 0, 200, 100)), 0);
    EXPECT_GT(nonWhite(QRect(0, 100, 200, 100)), 90);
    canvas.fillRect(0, 0, 200, 200);
    EXPECT_EQ(nonWhite(QRect(0, 0, 200, 200)), 0);
    EXPECT_TRUE(canvas.dirtyRect().isEmpty());

    // Copy a source area reaching past the source's edges onto a target that
    // has a drawing of its own: outside parts come out white, and the target's
    // old drawing under the area is gone.
    ImageCanvas source(QSize(100, 100));
    source.setPenMode(PenMode::Mask);
    source.rectangle(0, 0, 100, 100);
    source.moveTo(10, 90);
    source.lineTo(90, 10);
    canvas.setBrushColor(0x123456);
    canvas.fillRect(0, 0, 200, 200);
    canvas.setBrushColor(Cores::Branco);
    canvas.copyRect(5, 5, 155, 155, source, -50, -50);
    const QImage *src = source.image();
    const QImage *dst = canvas.image();
    for (int y = 5; y < 155; ++y) {
        for (int x = 5; x < 155; ++x) {
            const QPoint s(x - 55, y - 55);
            const QRgb expected = src->rect().contains(s) ? src->pixel(s) : White;
            ASSERT_EQ(dst->pixel(x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(dst->pixel(4, 4), 0xFF563412u);
    EXPECT_EQ(dst->pixel(155, 155), 0xFF563412u);
}

TEST_F(ImageCanvasTest, AMovedAreaKeepsEveryPixelAtItsDrawingCoordinates)
{
    // Each after a drawing: up and left into new memory, back to 200 x 200
    // at (0, 0) in the same memory, up and left again moving the rows within
    // it, up with the same width (rows keep their memory), kept and cleared.
    const struct
    {
        QRect area;
        bool keep;
    } moves[] = {{{-40, -20, 240, 220}, true},
                 {{0, 0, 200, 200}, false},
                 {{-40, -20, 240, 220}, true},
                 {{-40, -40, 240, 200}, true},
                 {{-40, -20, 240, 200}, false}};
    const uchar *memory = nullptr;
    for (const auto &move : moves) {
        const QRect was = canvas.area();
        canvas.setPenMode(PenMode::Mask);
        canvas.rectangle(was.left() + 10, was.top() + 10, was.left() + 60, was.top() + 60);
        canvas.moveTo(was.left(), was.bottom());
        canvas.lineTo(was.right(), was.top());
        const QImage before = canvas.image()->copy();
        canvas.setArea(move.area, move.keep);
        ASSERT_EQ(canvas.area(), move.area);
        for (int y = 0; y < move.area.height(); ++y) {
            for (int x = 0; x < move.area.width(); ++x) {
                const QPoint old = QPoint(x, y) + move.area.topLeft() - was.topLeft();
                const bool kept = move.keep && before.rect().contains(old);
                ASSERT_EQ(px(x, y), kept ? before.pixel(old) : White) << x << "," << y;
            }
        }
        if (move.area == moves[3].area)
            memory = canvas.image()->constBits();
    }
    EXPECT_EQ(canvas.image()->constBits(), memory) << "the same memory serves again";
    // Drawing coordinates above and left of (0, 0) land on the new pixels,
    // and a white fill of the area clears everything drawn.
    canvas.moveTo(-40, -20);
    canvas.lineTo(-30, -20);
    canvas.strokePath(std::array{QPoint(-35, -15), QPoint(-35, -5)}, false, Traco{});
    EXPECT_EQ(px(0, 0), Black);
    EXPECT_NE(px(5, 10), White);
    canvas.fillRect(-40, -20, 200, 180);
    EXPECT_EQ(nonWhite(QRect(0, 0, 240, 200)), 0);
}

TEST_F(ImageCanvasTest, ThinLevelAndUprightLinesGiveThePaintersPixels)
{
    // Painted straight to the pixels, they must match the anti-aliased
    // painter stroking the same line, ends and edges of the bitmap included.
    const QPoint lines[][2] = {{{10, 20}, {40, 20}},  {{40, 30}, {10, 30}},
                               {{50, 5}, {50, 90}},   {{60, 90}, {60, 5}},
                               {{-9, 70}, {250, 70}}, {{199, 150}, {199, 300}}};
    Traco traco;
    traco.cor = 0x123456;
    QImage painted(200, 200, QImage::Format_RGB32);
    painted.fill(Qt::white);
    QPainter p(&painted);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(0.5, 0.5);
    for (const auto &line : lines) {
        canvas.strokePath(line, false, traco);
        Pintor::path(p, line, false, traco);
    }
    p.end();
    EXPECT_EQ(*canvas.image(), painted);
}

TEST_F(ImageCanvasTest, FarCoordinatesAreClippedWithoutHarm)
{
    canvas.setPenMode(PenMode::Mask);
    canvas.rectangle(-2147483647 - 1, -2147483647 - 1, 2147483647, 100);
    canvas.ellipse(-800000000, -800000000, 800000000, 800000000);
    canvas.arc(-800000000, 0, 800000000, 900, 0, 0, 1, 1);
    canvas.moveTo(-2147483647 - 1, 50);
    canvas.lineTo(2147483647, 50);
    const QPoint far[] = {{-900000000, 0}, {900000000, 199}, {0, 0}};
    canvas.polyline(far);
    canvas.textOut(2147483000, 2147483000, "far");
    EXPECT_EQ(px(10, 50), Black);
    EXPECT_EQ(px(10, 99), Black);
}

} // namespace
