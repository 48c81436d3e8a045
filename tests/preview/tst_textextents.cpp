// Every drawn text shows whole in the preview: the area publishing copies
// holds the extent of each text, as the canvas measures it when the text is
// drawn.

#include "analysis/analise.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "tests/support/corpus.h"
#include "tests/support/recordingcanvas.h"

#include <QList>
#include <gtest/gtest.h>
#include <iostream>

namespace {

using Kind = RecordingCanvas::Kind;

RecordingCanvas &rec(PreviewImage &image)
{
    return static_cast<RecordingCanvas &>(image.canvas());
}

// The texts of the last search pass lying (partly) outside what the preview
// shows: the rectangle publishing copied, within the drawing image. Clears
// the records for the next pass.
QStringList cutTexts(Analise &a)
{
    RecordingCanvas &drawing = rec(a.image1());
    RecordingCanvas &shown = rec(a.image3());
    QStringList cut;
    const auto copies = shown.callsOf(Kind::Copy);
    QRect copied;
    if (!copies.empty()) {
        const auto &p = copies.back().points;
        copied = QRect(p[2], QSize(p[1].x() - p[0].x(), p[1].y() - p[0].y())) & a.image1().area();
    }
    for (const RecordingCanvas::Call &c : drawing.calls) {
        if ((c.kind == Kind::Text || c.kind == Kind::Label) && !c.extent.isEmpty() &&
            !copied.contains(c.extent))
            cut << c.text;
    }
    drawing.calls.clear();
    shown.calls.clear();
    return cut;
}

struct Shape
{
    const char *name;
    QList<QByteArray> lines;
};

// Small bodies with texts reaching far out of them on every side.
const Shape shapes[] = {
    {"FieldsJustifiedLeftAndRight",
     {"DEF T U 0 40 Y Y 1 F N", "F0 \"U_REFERENCE_LONG\" 0 100 60 H V L CNN",
      "F1 \"A_VALUE_FAR_TOO_LONG_FOR_ITS_MARGIN\" 0 -100 60 H V R CNN", "DRAW",
      "S -50 50 50 -50 0 1 0 N", "ENDDRAW"}},
    {"FieldsCentredAboveAndBelow",
     {"DEF T U 0 40 Y Y 1 F N", "F0 \"CENTRED_REFERENCE_TEXT\" 0 0 80 H V C TNN",
      "F1 \"CENTRED_VALUE_TEXT_BELOW\" 0 0 80 H V C BNN", "DRAW", "S -50 50 50 -50 0 1 0 N",
      "ENDDRAW"}},
    {"RotatedFieldsUpAndDown",
     {"DEF T U 0 40 Y Y 1 F N", "F0 \"UPWARDS_VERTICAL_REFERENCE\" 0 0 60 V V L CNN",
      "F1 \"DOWNWARDS_VERTICAL_VALUE_TEXT\" 100 0 60 V V R CNN", "DRAW", "S -50 50 50 -50 0 1 0 N",
      "ENDDRAW"}},
    {"PinNamesAndFreeTexts",
     {"DEF T U 0 40 Y Y 1 F N", "DRAW", "S -50 50 50 -50 0 1 0 N",
      "T 900 0 0 80 0 1 1 A_LONG_TURNED_FREE_TEXT Normal 0 C C",
      "X VERY_LONG_PIN_NAME_INSIDE 1 -150 0 100 R 50 50 1 1 I",
      "X OTHER_LONG_PIN_NAME_ON_TOP 2 0 -150 100 U 50 50 1 1 I", "ENDDRAW"}},
};

class TextExtents : public ::testing::TestWithParam<std::tuple<Shape, Vista>>
{
};

TEST_P(TextExtents, EveryTextShowsWhole)
{
    const auto &[shape, vista] = GetParam();
    Analise a{&MeasuringCanvas::make};
    a.setVista(vista);
    a.setRxSwitch1(true);
    a.redesenhaPesquisa(false, shape.lines);
    EXPECT_FALSE(rec(a.image1()).calls.empty());
    EXPECT_EQ(cutTexts(a), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Shapes, TextExtents,
                         ::testing::Combine(::testing::ValuesIn(shapes),
                                            ::testing::Values(Vista::Classica, Vista::KiCad)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Vista::KiCad ? "KiCad" : "Classic");
                         });

// A field 10 characters long of 7 points on the recording canvas (70 x 15
// pixels) at library (0, 0), drawing point (1000, 869): the box runs to
// column 1069 and row 883, and the preview shows it with its margin.
TEST(TextExtent, WidensTheBoxInTheClassicView)
{
    Analise a{&RecordingCanvas::make};
    a.redesenhaPesquisa(false, {"F1 \"ABCDEFGHIJ\" 0 0 60 H V L CNN"});
    const Desenho &d = a.desenho();
    EXPECT_EQ(QRect(QPoint(d.min_x, d.min_y), QPoint(d.max_x, d.max_y)),
              QRect(QPoint(1000, 869), QPoint(1069, 883)));
    EXPECT_EQ(a.image3().extent(), QSize(169, 114));
}

// Every corpus symbol at zoom 100, in both views.
TEST(TextExtent, NoCorpusSymbolHasACutText)
{
    Analise a{&MeasuringCanvas::make};
    a.setRxSwitch1(true);
    int symbols = 0, cut = 0;
    QStringList examples;
    for (const QString &path : corpusLibraries()) {
        ComponentTable table;
        ASSERT_TRUE(carregaBiblioteca(path, table).ok);
        for (int row = 0; row < table.rowCount(); ++row) {
            const QList<QByteArray> lines = linhas(table.comandosAt(row));
            bool anyCut = false;
            for (const Vista vista : {Vista::Classica, Vista::KiCad}) {
                a.setVista(vista);
                a.redesenhaPesquisa(false, lines);
                const QStringList texts = cutTexts(a);
                if (!texts.isEmpty() && examples.size() < 10)
                    examples << QString::fromLatin1(table.nameAt(row)) + ": " + texts.first();
                anyCut |= !texts.isEmpty();
            }
            ++symbols;
            cut += anyCut;
        }
    }
    std::cout << cut << " of " << symbols << " corpus symbols have a cut text\n";
    EXPECT_GT(symbols, 1600);
    EXPECT_EQ(cut, 0) << examples.join(QStringLiteral("; ")).toStdString();
}

} // namespace
