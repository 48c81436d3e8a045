// The QImage canvas keeps rows that nothing has painted on out of memory and
// reads them as white. Every test here draws the same things on such a canvas
// and on one whose rows are all in use from the start (as a bitmap filled
// white at creation) and wants the same pixels, read without putting the
// lazy canvas's rows in use.

#include "analysis/analise.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "platform/imagecanvas.h"
#include "preview/previewimage.h"
#include "tests/support/corpus.h"

#include <QPainter>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr QRgb White = 0xFFFFFFFF, Black = 0xFF000000;
constexpr QRgb OlivaRgb = 0xFF808000; // Cores::Oliva as read back

// A canvas with every row in use before anything is drawn.
std::unique_ptr<ImageCanvas> eagerCanvas(QSize size)
{
    auto canvas = std::make_unique<ImageCanvas>(size);
    canvas->image();
    return canvas;
}

// The first pixel of `area` where the two canvases differ, as text, or empty.
std::string difference(ImageCanvas &lazy, ImageCanvas &eager, QRect area)
{
    area &= QRect(QPoint(0, 0), lazy.size());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *a = lazy.pixelRow(y) + area.left();
        const QRgb *b = eager.pixelRow(y) + area.left();
        if (std::memcmp(a, b, size_t(area.width()) * sizeof(QRgb)) == 0)
            continue;
        for (int x = 0; x < area.width(); ++x) {
            if (a[x] != b[x]) {
                return "pixel (" + std::to_string(area.left() + x) + ", " + std::to_string(y) +
                       "): " + std::to_string(a[x]) + " instead of " + std::to_string(b[x]);
            }
        }
    }
    return {};
}

std::string difference(ImageCanvas &lazy, ImageCanvas &eager)
{
    return difference(lazy, eager, QRect(QPoint(0, 0), lazy.size()));
}

ImageCanvas &imageCanvas(PreviewImage &image)
{
    return dynamic_cast<ImageCanvas &>(image.canvas());
}

TEST(LinhasBrancas, AFreshCanvasHoldsNoRowAndReadsWhite)
{
    ImageCanvas canvas(QSize(PreviewImage::Lado, PreviewImage::Lado));
    EXPECT_EQ(canvas.rowsInUse(), 0);
    EXPECT_EQ(canvas.pixel(0, 0), White);
    EXPECT_EQ(canvas.pixel(1999, 1999), White);
    const QImage all = canvas.copy(QRect(0, 0, 2000, 2000));
    QImage white(2000, 2000, QImage::Format_RGB32);
    white.fill(White);
    EXPECT_TRUE(all == white);
    EXPECT_EQ(canvas.rowsInUse(), 0);
    // Clearing what is white already puts nothing in use either.
    canvas.fillRect(0, 0, 2000, 2000);
    EXPECT_EQ(canvas.rowsInUse(), 0);
    EXPECT_TRUE(*canvas.image() == white);
    EXPECT_EQ(canvas.rowsInUse(), 2000);
}

TEST(LinhasBrancas, DrawingPutsInUseOnlyRowsNearWhatItPaints)
{
    ImageCanvas canvas(QSize(2000, 2000));
    canvas.rectangle(900, 800, 1100, 850);
    EXPECT_GE(canvas.rowsInUse(), 50);
    EXPECT_LE(canvas.rowsInUse(), 54);
    canvas.ellipse(900, 1000, 950, 1020);
    canvas.moveTo(0, 1500);
    canvas.lineTo(1999, 1510);
    canvas.textOut(1000, 1700, QStringLiteral("R1"));
    EXPECT_LT(canvas.rowsInUse(), 200);
    canvas.fillRect(0, 0, 2000, 2000);
    EXPECT_LT(canvas.rowsInUse(), 200);
}

// Under the mask pen a colour only survives on a white pixel: a row that was
// never made white before the shape touched it would come out black.
TEST(LinhasBrancas, MaskPenOnRowsNeverUsedKeepsItsColour)
{
    using Draw = void (*)(ImageCanvas &);
    const std::vector<std::pair<const char *, Draw>> shapes = {
        {"level line",
         [](ImageCanvas &c) {
             c.moveTo(10, 60);
             c.lineTo(190, 60);
         }},
        {"upright line",
         [](ImageCanvas &c) {
             c.moveTo(60, 10);
             c.lineTo(60, 190);
         }},
        {"slanted line",
         [](ImageCanvas &c) {
             c.moveTo(10, 10);
             c.lineTo(150, 190);
         }},
        {"rectangle", [](ImageCanvas &c) { c.rectangle(20, 30, 120, 90); }},
        {"ellipse", [](ImageCanvas &c) { c.ellipse(20, 30, 121, 91); }},
        {"arc", [](ImageCanvas &c) { c.arc(20, 30, 121, 91, 120, 60, 70, 30); }},
        {"polyline",
         [](ImageCanvas &c) {
             const QPoint points[] = {{10, 190}, {100, 5}, {190, 180}, {30, 100}};
             c.polyline(points);
         }},
        {"text", [](ImageCanvas &c) { c.textOut(40, 80, QStringLiteral("Wg|")); }},
        {"turned text",
         [](ImageCanvas &c) {
             c.setFontRotation(900);
             c.setFontSize(20);
             c.textOut(80, 150, QStringLiteral("VCC"));
         }},
        {"fill", [](ImageCanvas &c) { c.fillRect(30, 40, 170, 45); }},
    };
    for (const auto &[name, draw] : shapes) {
        SCOPED_TRACE(name);
        ImageCanvas lazy(QSize(200, 200));
        auto eager = eagerCanvas(QSize(200, 200));
        for (ImageCanvas *c : {&lazy, eager.get()}) {
            c->setPenMode(PenMode::Mask);
            c->setPenColor(Cores::Oliva);
            c->setBrushColor(Cores::Azulado);
            c->setFontColor(Cores::Oliva);
            draw(*c);
        }
        EXPECT_EQ(difference(lazy, *eager), "");
        EXPECT_LT(lazy.rowsInUse(), 200) << "the lazy canvas should not be whole yet";
    }

    ImageCanvas lazy(QSize(200, 200));
    lazy.setPenMode(PenMode::Mask);
    lazy.setPenColor(Cores::Oliva);
    lazy.rectangle(20, 30, 120, 90);
    EXPECT_EQ(lazy.pixel(20, 30), OlivaRgb);
    EXPECT_EQ(lazy.pixel(119, 89), OlivaRgb);
    EXPECT_EQ(lazy.pixel(50, 50), White);
}

TEST(LinhasBrancas, CopyFromRowsNeverUsedGivesWhite)
{
    ImageCanvas source(QSize(300, 300));
    source.rectangle(100, 100, 200, 120);

    // A target painted black all over: the copy must turn it white wherever
    // the source's rows were never used.
    ImageCanvas target(QSize(300, 300));
    target.setBrushColor(Cores::Preto);
    target.fillRect(0, 0, 300, 300);
    target.setBrushColor(Cores::Branco);
    target.copyRect(0, 0, 300, 300, source, 0, 0);
    EXPECT_EQ(target.pixel(150, 50), White);
    EXPECT_EQ(target.pixel(150, 250), White);
    EXPECT_EQ(target.pixel(150, 110), White);
    EXPECT_EQ(target.pixel(100, 110), Black);
    EXPECT_EQ(target.pixel(150, 100), Black);

    // Onto a fresh target only the rows that carry something come into use,
    // and a source corner off the bitmap reads white.
    ImageCanvas fresh(QSize(300, 300));
    fresh.copyRect(0, 0, 300, 300, source, 50, 90);
    EXPECT_LE(fresh.rowsInUse(), 20);
    EXPECT_EQ(fresh.pixel(100, 10), Black);
    EXPECT_EQ(fresh.pixel(100, 15), White);
    EXPECT_EQ(fresh.pixel(100, 29), Black);
    EXPECT_EQ(fresh.pixel(100, 30), White);
    ImageCanvas off(QSize(300, 300));
    off.copyRect(0, 0, 300, 300, source, -200, -200);
    EXPECT_EQ(off.pixel(10, 10), White);
    EXPECT_EQ(difference(target, *eagerCanvas(QSize(300, 300)), QRect(0, 0, 300, 100)), "");
}

// Many short runs of drawing calls of every kind, pen modes and colours at
// random, mostly small and so next to rows never used, on two lazy canvases
// copying between each other and on two eager ones doing the same: after
// each call the pixels and the dirty rectangles agree.
TEST(LinhasBrancas, RandomDrawingMatchesCanvasesWhiteFromTheStart)
{
    const QSize size(240, 600);
    std::mt19937 random(20240611);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const Cor palette[] = {Cores::Preto, Cores::Branco, Cores::Oliva, Cores::Azulado, 0x3060C0};
    const QString words[] = {QStringLiteral("~A0"), QStringLiteral("VCC"), QStringLiteral("gÁj|")};

    for (int run = 0; run < 300; ++run) {
        ImageCanvas lazyA(size), lazyB(size);
        auto eagerA = eagerCanvas(size), eagerB = eagerCanvas(size);
        for (int step = 0; step < 15; ++step) {
            const bool onB = pick(0, 3) == 0;
            ImageCanvas *lazy = onB ? &lazyB : &lazyA;
            ImageCanvas *eager = onB ? eagerB.get() : eagerA.get();
            const int kind = pick(0, 11);
            const PenMode mode = pick(0, 1) ? PenMode::Mask : PenMode::Copy;
            const Cor pen = palette[pick(0, 4)], brush = palette[pick(0, 4)];
            const int rotation = pick(0, 2) * 450, points = pick(4, 30);
            const QString word = words[pick(0, 2)];
            // Points near an anchor anywhere on the bitmap or a little off it.
            const int ax = pick(-40, size.width() + 40), ay = pick(-40, size.height() + 40);
            const int reach = pick(0, 3) == 0 ? 400 : 60;
            int v[8];
            for (int i = 0; i < 8; i += 2)
                v[i] = ax + pick(-reach, reach), v[i + 1] = ay + pick(-reach, reach);
            std::vector<QPoint> line;
            for (int i = pick(2, 5); i > 0; --i)
                line.emplace_back(ax + pick(-reach, reach), ay + pick(-reach, reach));
            for (ImageCanvas *c : {lazy, eager}) {
                ImageCanvas *other =
                    c == lazy ? (onB ? &lazyA : &lazyB) : (onB ? eagerA.get() : eagerB.get());
                c->setPenMode(mode);
                c->setPenColor(pen);
                c->setBrushColor(brush);
                c->setFontColor(pen);
                c->setFontRotation(rotation);
                c->setFontSize(points);
                switch (kind) {
                case 0:
                    c->moveTo(v[0], v[1]);
                    c->lineTo(v[2], v[3]);
                    break;
                case 1:
                    c->moveTo(v[0], v[1]);
                    c->lineTo(v[0], v[3]);
                    c->lineTo(v[2], v[3]);
                    break;
                case 2:
                    c->rectangle(v[0], v[1], v[2], v[3]);
                    break;
                case 3:
                    c->ellipse(v[0], v[1], v[2], v[3]);
                    break;
                case 4:
                    c->arc(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
                    break;
                case 5:
                    c->polyline(line);
                    break;
                case 6:
                    c->textOut(v[0], v[1], word);
                    break;
                case 7:
                    c->fillRect(v[0], v[1], v[2], v[3]);
                    break;
                case 8: // clearing a part
                    c->setBrushColor(Cores::Branco);
                    c->fillRect(v[0], v[1], v[2], v[3]);
                    break;
                case 9: // clearing all, as each new drawing does
                    c->setBrushColor(Cores::Branco);
                    c->fillRect(0, 0, size.width(), size.height());
                    break;
                default: // copies from the other canvas, as publishing does
                    c->copyRect(v[0], v[1], v[2], v[3], *other, v[4], v[5]);
                    break;
                }
            }
            ASSERT_EQ(difference(*lazy, *eager), "")
                << "run " << run << ", step " << step << ", kind " << kind;
            ASSERT_EQ(lazy->dirtyRect(), eager->dirtyRect()) << "run " << run << ", step " << step;
        }
        ASSERT_TRUE(*lazyA.image() == *eagerA->image()) << "run " << run;
        ASSERT_TRUE(*lazyB.image() == *eagerB->image()) << "run " << run;
    }
}

// What a view paints: exactly the bitmap's pixels over anything below,
// without putting rows in use.
TEST(LinhasBrancas, PaintShowsTheBitmapWithoutMakingItWhole)
{
    PreviewImage image;
    QImage shown(400, 400, QImage::Format_RGB32);
    shown.fill(0xFFFF0000);
    {
        QPainter p(&shown);
        image.paint(p, QRect(0, 0, 400, 400)); // nothing drawn yet: nothing painted
    }
    EXPECT_EQ(shown.pixel(10, 10), 0xFFFF0000);

    ImageCanvas &canvas = imageCanvas(image);
    canvas.setPenColor(Cores::Oliva);
    canvas.rectangle(20, 100, 300, 140);
    canvas.textOut(30, 200, QStringLiteral("U1"));
    const int inUse = canvas.rowsInUse();
    for (const QRect &area : {QRect(0, 0, 400, 400), QRect(25, 90, 100, 30), QRect(0, 150, 50, 250),
                              QRect(1990, 1990, 50, 50)}) {
        shown.fill(0xFFFF0000);
        {
            QPainter p(&shown);
            image.paint(p, area);
        }
        const QRect part = area & QRect(0, 0, 2000, 2000) & shown.rect();
        if (part.isEmpty())
            continue;
        EXPECT_TRUE(shown.copy(part) == canvas.copy(part))
            << area.x() << "," << area.y() << " " << area.width() << "x" << area.height();
    }
    EXPECT_EQ(canvas.rowsInUse(), inUse);
    EXPECT_EQ(canvas.pixel(20, 100), OlivaRgb);
    EXPECT_EQ(canvas.pixel(20, 99), White);
}

// The analysis passes over the whole corpus in both panes, on images that
// keep unused rows out and on images white from the start: every image holds
// the same pixels at every step (the dirty parts each time, the whole bitmaps
// now and then and at the end).
TEST(LinhasBrancas, CorpusDrawsTheSameAsOnImagesWhiteFromTheStart)
{
    Analise lazy;
    Analise eager([](QSize size) -> std::unique_ptr<Canvas> { return eagerCanvas(size); });
    for (Analise *a : {&lazy, &eager}) {
        for (int i = 0; i < 11; ++i)
            a->zoomMais(Painel::Edicao); // the edit pane at 210, the search pane at 100
        for (int i = 0; i < 6; ++i)
            a->zoomMenos(Painel::Pesquisa); // and the search pane at 40
    }
    const auto images = [](Analise &a) {
        return std::vector<PreviewImage *>{&a.image1(), &a.image2(), &a.image3()};
    };
    const auto compare = [&](bool whole, const QByteArray &name) {
        const auto l = images(lazy), e = images(eager);
        for (size_t i = 0; i < l.size(); ++i) {
            ASSERT_EQ(l[i]->extent(), e[i]->extent()) << name.data() << " image " << i + 1;
            ImageCanvas &a = imageCanvas(*l[i]), &b = imageCanvas(*e[i]);
            const QRect area = whole ? QRect(0, 0, 2000, 2000) : a.dirtyRect() | b.dirtyRect();
            ASSERT_EQ(difference(a, b, area), "") << name.data() << " image " << i + 1;
        }
    };

    int components = 0;
    for (const QString &path : corpusLibraries()) {
        ComponentTable table;
        ASSERT_TRUE(carregaBiblioteca(path, table).ok) << path.toStdString();
        for (int row = 0; row < table.rowCount(); ++row) {
            const QList<QByteArray> lines = linhas(table.comandosAt(row));
            const QByteArray name = table.nameAt(row);
            for (Analise *a : {&lazy, &eager})
                a->redesenhaEdicao(false, lines, name);
            compare(false, name);
            for (Analise *a : {&lazy, &eager})
                a->redesenhaPesquisa(false, lines);
            compare(components % 50 == 0, name);
            if (components % 97 == 0) {
                for (Analise *a : {&lazy, &eager})
                    a->apagar();
                compare(false, name);
            }
            ++components;
        }
    }
    EXPECT_GT(components, 1000);
    compare(true, "end");
    EXPECT_LT(imageCanvas(lazy.image3()).rowsInUse(), 2000);
    // And the whole bitmaps as the tests of the window read them.
    EXPECT_TRUE(lazy.image1().bitmap() == eager.image1().bitmap());
    EXPECT_TRUE(lazy.image2().bitmap() == eager.image2().bitmap());
    EXPECT_TRUE(lazy.image3().bitmap() == eager.image3().bitmap());
}

// One symbol drawn and published in each pane keeps most of each image out of
// memory.
TEST(LinhasBrancas, OneSymbolUsesFewRowsOfEachImage)
{
    const QList<QByteArray> lines = {"DEF 7400 U 0 40 Y Y 4 F N",
                                     "F0 \"U\" 0 150 50 H V C CNN",
                                     "DRAW",
                                     "S -200 200 200 -200 0 1 10 f",
                                     "A 0 0 150 900 -900 0 1 0 N 0 150 0 -150",
                                     "C 250 0 50 0 1 0 N",
                                     "X A 1 -400 100 200 R 50 50 1 1 I",
                                     "X B 2 -400 -100 200 R 50 50 1 1 I",
                                     "X ~ 3 600 0 300 L 50 50 1 1 O",
                                     "ENDDRAW",
                                     "ENDDEF"};
    Analise a;
    a.redesenhaEdicao(false, lines, "7400");
    a.redesenhaPesquisa(false, lines);
    for (PreviewImage *image : {&a.image1(), &a.image2(), &a.image3()}) {
        ASSERT_TRUE(image->hasCanvas());
        EXPECT_GT(imageCanvas(*image).rowsInUse(), 0);
        EXPECT_LT(imageCanvas(*image).rowsInUse(), 600);
    }
    EXPECT_LT(imageCanvas(a.image2()).rowsInUse(), a.image2().extent().height());
}

} // namespace
