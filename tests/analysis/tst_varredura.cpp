#include "analysis/analise.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "tests/support/corpus.h"

#include <gtest/gtest.h>

namespace {

constexpr QRgb White = 0xFFFFFFFF;

// Every pixel of `image` in `area` (clipped to the image) is white.
bool allWhite(const QImage &image, QRect area)
{
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (line[x] != White)
                return false;
        }
    }
    return true;
}

// A published preview: its extent is the box plus margins, nothing shows
// outside the extent, and a symbol that tracked anything shows something.
void checkPreview(PreviewImage &image, const Desenho &d, const QByteArray &name)
{
    SCOPED_TRACE(name.toStdString());
    const QImage &bitmap = image.bitmap();
    const QSize extent = image.extent();
    if (d.max_x >= d.min_x && d.max_y >= d.min_y) {
        ASSERT_EQ(extent, QSize(d.max_x - d.min_x + 100, d.max_y - d.min_y + 100));
        EXPECT_FALSE(allWhite(bitmap, QRect(QPoint(0, 0), extent)));
    } else {
        ASSERT_EQ(extent, QSize(Desenho::LadoVazio, Desenho::LadoVazio));
    }
    // Strips right of and below the extent.
    EXPECT_TRUE(allWhite(bitmap, QRect(extent.width(), 0, 40, extent.height() + 40)));
    EXPECT_TRUE(allWhite(bitmap, QRect(0, extent.height(), extent.width() + 40, 40)));
}

TEST(Varredura, EveryCorpusComponentInBothPanes)
{
    Analise a;
    for (int i = 0; i < 11; ++i)
        a.zoomMais(Painel::Edicao); // the edit pane at 210, the search pane at 100
    ASSERT_EQ(a.desenho().zoom_edicao, 210);

    int components = 0;
    for (const QString &path : corpusLibraries()) {
        ComponentTable table;
        ASSERT_TRUE(carregaBiblioteca(path, table).ok) << path.toStdString();
        for (int row = 0; row < table.rowCount(); ++row) {
            const QList<QByteArray> lines = linhas(table.comandosAt(row));
            const QByteArray name = table.nameAt(row);
            a.redesenhaEdicao(false, lines, name);
            checkPreview(a.image2(), a.desenho(), name);
            EXPECT_EQ(a.legendas().l_nome, QString::fromLatin1(name));
            a.redesenhaPesquisa(false, lines);
            checkPreview(a.image3(), a.desenho(), name);
            // Now and then: the reused images hold exactly what images that
            // never drew anything before would.
            if (components % 40 == 0) {
                Analise fresh;
                fresh.desenho().zoom_edicao = 210;
                fresh.redesenhaEdicao(false, lines, name);
                ASSERT_TRUE(fresh.image2().bitmap() == a.image2().bitmap()) << name.data();
                fresh.redesenhaPesquisa(false, lines);
                ASSERT_TRUE(fresh.image3().bitmap() == a.image3().bitmap()) << name.data();
                ASSERT_TRUE(fresh.image1().bitmap() == a.image1().bitmap()) << name.data();
            }
            ++components;
        }
    }
    EXPECT_GT(components, 1000);
}

} // namespace
