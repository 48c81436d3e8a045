#include "analysis/analise.h"
#include "preview/exportaimagem.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A 400 x 200 mil body with a pin and a field, in both views, both formats.
// At zoom 100 the body spans columns 965..1035 and rows 852..886, the pin
// reaches column 929 (-400 mils: t = -81, 106900 / 115) and the field's
// small text lies inside the body: the box is 929..1035 x 852..886, the
// extent 206 x 134.
const QList<QByteArray> kSymbol = {"DEF R R 0 40 Y Y 1 F N", "F0 \"R\" 0 0 50 H V C CNN",
                                   "S -200 100 200 -100 0 1 10 f",
                                   "X A 1 -400 0 200 R 50 50 1 1 P"};

TEST(ExportaImagem, PngAndSvgOfBothViews)
{
    QTemporaryDir dir;
    Analise a;
    for (const Vista vista : {Vista::Classica, Vista::KiCad}) {
        a.setVista(vista);
        const QString png = dir.filePath(QStringLiteral("r.png"));
        EXPECT_EQ(exportaImagem(a, Painel::Edicao, kSymbol, FormatoImagem::Png, png),
                  ResultadoExportacao{});
        QImage image(png);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(206, 134));
        // The body's top side, row 852 - 852 + 50, at column 1000 - 929 + 50.
        EXPECT_NE(image.pixel(121, 50), 0xFFFFFFFFu);

        const QString svg = dir.filePath(QStringLiteral("r.svg"));
        EXPECT_EQ(exportaImagem(a, Painel::Edicao, kSymbol, FormatoImagem::Svg, svg),
                  ResultadoExportacao{});
        QSvgRenderer renderer(svg);
        EXPECT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 206, 134));
        QFile file(svg);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray xml = file.readAll();
        EXPECT_TRUE(xml.contains("<text")) << "real text";
        EXPECT_TRUE(xml.contains("<path") || xml.contains("<polyline") || xml.contains("<rect"));
        EXPECT_TRUE(xml.contains(">R<") || xml.contains(">R?<")) << "the field's text";
    }
    // The pane's zoom decides the size: at 200 the box is 859..1071 x 1704..1772
    // (100 mils: t = 20, 196000 / 115; -100 mils: t = -19, 203800 / 115).
    a.desenho().zoom_pesquisa = 200;
    const QString big = dir.filePath(QStringLiteral("big.png"));
    ASSERT_TRUE(exportaImagem(a, Painel::Pesquisa, kSymbol, FormatoImagem::Png, big).ok);
    EXPECT_EQ(QImage(big).size(), QSize(312, 168));

    // A body above row 0 at zoom 210 (6000: t = 1224, row -409; 5800: row
    // -336) is exported whole: its top side lies on row 50 of both files.
    a.desenho().zoom_pesquisa = 210;
    const QList<QByteArray> high = {"S -200 6000 200 5800 0 1 10 f"};
    for (const FormatoImagem formato : {FormatoImagem::Png, FormatoImagem::Svg}) {
        const QString path = dir.filePath(QStringLiteral("high"));
        ASSERT_TRUE(exportaImagem(a, Painel::Pesquisa, high, formato, path).ok);
        QImage image(QSize(248, 173), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        QSvgRenderer svg(path);
        formato == FormatoImagem::Png ? p.drawImage(0, 0, QImage(path)) : svg.render(&p);
        p.end();
        EXPECT_NE(image.pixel(60, 50), 0xFFFFFFFFu) << int(formato);
    }
}

TEST(ExportaImagem, FailuresSayWhyAndLeaveTheOldFile)
{
    QTemporaryDir dir;
    Analise a;
    const ResultadoExportacao missing =
        exportaImagem(a, Painel::Edicao, kSymbol, FormatoImagem::Svg,
                      dir.filePath(QStringLiteral("no/such/folder/r.svg")));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.motivo.isEmpty());

    const QString old = dir.filePath(QStringLiteral("old.png"));
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    // A drawing far too large for any image is refused before writing.
    const ResultadoExportacao huge = exportaImagem(
        a, Painel::Edicao, {"S -2147483648 0 2147483647 100 0 1 0 N"}, FormatoImagem::Png, old);
    EXPECT_FALSE(huge.ok);
    EXPECT_TRUE(huge.motivo.contains(QStringLiteral("grande demais")));
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
}

} // namespace
