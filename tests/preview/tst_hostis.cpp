// Hostile command texts through the drawing routines: numbers at and beyond
// the 32-bit limits, malformed numbers, polylines whose count disagrees with
// their points, pins and fields missing a token, arcs of radius 0 and of the
// largest radius, DEF lines longer than the token table, lines of 10 MB.
//
// Through the recording canvas every call is checked against mapped values
// worked out by hand from the rules (t = (20 v + 49) / 98, column = t z / 115
// + 1000, row = (1000 - t) z / 115, truncating, in 64 bits): nothing may land
// where no 32-bit library value can map to, which is what an overflow would do.
// Through the real QImage canvas the same lines must simply draw and publish.

#include "analysis/analise.h"
#include "desenhofixture.h"
#include "meuparse/meuparse.h"
#include "platform/canvas.h"

#include <QList>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Points = std::vector<QPoint>;
using Kind = RecordingCanvas::Kind;

constexpr qint64 I32Min = INT32_MIN;
constexpr qint64 I32Max = INT32_MAX;

// Column and row of each library value the tests below draw, at zooms 40,
// 100 and 210.
struct Mapped
{
    qint64 v;
    QPoint z40, z100, z210;
};
const Mapped kMapped[] = {
    {I32Min, {-152437945, 152439293}, {-381096363, 381098233}, {-800303463, 800306289}},
    {-I32Max, {-152437945, 152439293}, {-381096363, 381098233}, {-800303463, 800306289}},
    {-300, {979, 368}, {947, 921}, {890, 1935}},
    {-250, {982, 365}, {956, 913}, {908, 1917}},
    {-100, {993, 354}, {983, 886}, {965, 1860}},
    {-10, {999, 348}, {999, 870}, {998, 1827}},
    {-1, {1000, 347}, {1000, 869}, {1000, 1826}},
    {0, {1000, 347}, {1000, 869}, {1000, 1826}},
    {1, {1000, 347}, {1000, 869}, {1000, 1826}},
    {7, {1000, 347}, {1000, 868}, {1001, 1824}},
    {10, {1000, 347}, {1001, 867}, {1003, 1822}},
    {20, {1001, 346}, {1003, 866}, {1007, 1818}},
    {30, {1002, 345}, {1005, 864}, {1010, 1815}},
    {40, {1002, 345}, {1006, 862}, {1014, 1811}},
    {50, {1003, 344}, {1008, 860}, {1018, 1807}},
    {60, {1004, 343}, {1010, 859}, {1021, 1804}},
    {100, {1006, 340}, {1017, 852}, {1036, 1789}},
    {150, {1010, 337}, {1026, 842}, {1056, 1769}},
    {200, {1014, 333}, {1035, 833}, {1074, 1751}},
    {999999999, {70985915, -70984567}, {177463288, -177461419}, {372671806, -372668980}},
    {I32Max, {152439945, -152438597}, {381098364, -381096494}, {800305465, -800302639}},
};

// The column of x and the row of y at zoom z, from the table: a value or a
// zoom missing there fails the test rather than being computed.
QPoint mapped(qint64 x, qint64 y, qint32 z)
{
    auto find = [z](qint64 v) {
        for (const Mapped &m : kMapped) {
            if (m.v == v && (z == 40 || z == 100 || z == 210))
                return z == 40 ? m.z40 : z == 100 ? m.z100 : m.z210;
        }
        ADD_FAILURE() << "no worked mapping of " << v << " at zoom " << z;
        return QPoint();
    };
    return QPoint(find(x).x(), find(y).y());
}

// The hostile texts and the value each reads as: a whole 32-bit number gives
// itself, "$" selects 32 hexadecimal bits, and a text that stops early gives
// the magnitude of the digits before the stop (none: 0).
struct Hostile
{
    const char *text;
    qint64 value;
};
const Hostile kHostile[] = {
    {"-2147483648", I32Min}, {"99999999999", 999999999}, {"$FFFFFFFF", -1}, {"0x", 0}, {"-", 0},
    {"2147483647", I32Max},
};

// A simple reading of plain tokens (decimal integers; anything else that
// starts with no digit reads 0), for lines built from such tokens only.
qint64 plain(const QByteArray &t)
{
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    return ok ? v : 0;
}

// Line `tokens` joined by blanks, an empty token written as "".
QByteArray join(const QList<QByteArray> &tokens)
{
    QByteArray out;
    for (const QByteArray &t : tokens) {
        if (!out.isEmpty())
            out += ' ';
        out += t.isEmpty() ? QByteArray("\"\"") : t;
    }
    return out;
}

// Every way of losing one token of `base` after its command word: the token
// deleted (the rest move up), the token left empty (""), and the line cut
// before it.
QList<QList<QByteArray>> eachTokenMissing(const QList<QByteArray> &base)
{
    QList<QList<QByteArray>> out;
    for (qsizetype k = 1; k < base.size(); ++k) {
        QList<QByteArray> deleted = base;
        deleted.removeAt(k);
        out << deleted;
        QList<QByteArray> emptied = base;
        emptied[k].clear();
        out << emptied;
        out << base.mid(0, k);
    }
    return out;
}

class Hostis : public DesenhoTest
{
protected:
    // The pixel of a library point at the present zoom.
    QPoint px(qint64 x, qint64 y) const { return mapped(x, y, d.zoom_atual); }

    // Every point of every call lies where some 32-bit library value maps
    // to, give or take `slack` pixels of pin decoration or text offset.
    void expectNothingAbsurd(qint64 slack = 2000)
    {
        const qint64 z = d.zoom_atual;
        const QPoint lowest = px(I32Min, I32Min), highest = px(I32Max, I32Max);
        const qint64 left = lowest.x() - slack, right = highest.x() + slack;
        const qint64 top = highest.y() - slack, bottom = lowest.y() + slack;
        for (const Call &c : canvas().calls) {
            for (const QPoint &p : c.points) {
                ASSERT_TRUE(p.x() >= left && p.x() <= right && p.y() >= top && p.y() <= bottom)
                    << "call kind " << int(c.kind) << " at (" << p.x() << ", " << p.y()
                    << ") outside every mapped value at zoom " << z;
            }
            if (c.kind == Kind::Polyline) {
                ASSERT_LE(c.points.size(), size_t(MAX_TOKENS / 2)) << "points beyond the table";
            }
        }
        // The box takes texts in whole, as far as a preview can show them.
        if (d.min_x != Desenho::VazioMin) {
            const int teto = PreviewImage::Teto;
            EXPECT_GE(d.min_x, left - teto);
            EXPECT_GE(d.min_y, top - teto);
            EXPECT_LE(d.max_x, right + teto);
            EXPECT_LE(d.max_y, bottom + teto);
        }
    }

    void fresh()
    {
        canvas().calls.clear();
        canvas().setFontSize(8);
        canvas().setPenMode(PenMode::Mask);
        d.zeraLimites();
    }
};

TEST_F(Hostis, ExtremeAndMalformedNumbersMapToTheValueTheyReadAs)
{
    for (qint32 z : {40, 100, 210}) {
        d.zoom_atual = z;
        for (const Hostile &h : kHostile) {
            SCOPED_TRACE(std::string(h.text) + " at zoom " + std::to_string(z));
            const QByteArray t = h.text;
            const QPoint p = px(h.value, h.value);

            fresh();
            d.interpreta_linha("S " + t + " " + t + " 0 0 0 1 0 N");
            ASSERT_EQ(calls(Kind::Rectangle).size(), 1u);
            EXPECT_EQ(calls(Kind::Rectangle)[0].points, (Points{p, px(0, 0)}));
            EXPECT_EQ(d.max_x, std::max<qint64>(p.x(), px(0, 0).x()));
            EXPECT_EQ(d.min_x, std::min(p.x(), px(0, 0).x()));
            EXPECT_EQ(d.max_y, std::max<qint64>(p.y(), px(0, 0).y()));
            EXPECT_EQ(d.min_y, std::min(p.y(), px(0, 0).y()));
            expectNothingAbsurd(0);

            fresh();
            d.interpreta_linha("P 2 0 1 0 " + t + " " + t + " 0 0 F");
            ASSERT_EQ(calls(Kind::Polyline).size(), 1u);
            EXPECT_EQ(calls(Kind::Polyline)[0].points, (Points{p, px(0, 0), p}));
            expectNothingAbsurd(0);

            fresh();
            d.interpreta_linha("C " + t + " " + t + " 0 1 1 0 N");
            ASSERT_EQ(calls(Kind::Ellipse).size(), 1u);
            EXPECT_EQ(calls(Kind::Ellipse)[0].points, (Points{p, p}));
            expectNothingAbsurd(0);

            fresh();
            d.interpreta_linha("F0 \"U\" " + t + " " + t + " 50 H V C CNN");
            ASSERT_EQ(calls(Kind::Text).size(), 1u);
            EXPECT_EQ(calls(Kind::Text)[0].points, (Points{p}));
            expectNothingAbsurd(0);

            // A pin at the point, of no length, and one from the origin
            // whose length is the value.
            fresh();
            d.interpreta_linha("X A 1 " + t + " " + t + " 0 R 50 50 1 1 I");
            ASSERT_EQ(calls(Kind::Line).size(), 1u);
            EXPECT_EQ(calls(Kind::Line)[0].points, (Points{p, p}));
            expectNothingAbsurd();
            fresh();
            d.interpreta_linha("X A 1 0 0 " + t + " U 50 50 1 1 I");
            ASSERT_EQ(calls(Kind::Line).size(), 1u);
            EXPECT_EQ(calls(Kind::Line)[0].points, (Points{px(0, 0), px(0, h.value)}));
            expectNothingAbsurd();

            // Arcs map the ray points without tracking.
            fresh();
            d.interpreta_linha("A 0 0 10 0 900 0 1 0 N " + t + " " + t + " " + t + " " + t);
            ASSERT_EQ(calls(Kind::Arc).size(), 1u);
            EXPECT_EQ(calls(Kind::Arc)[0].points, (Points{px(-10, -10), px(10, 10), p, p}));
            EXPECT_EQ(d.min_x, Desenho::VazioMin);
            expectNothingAbsurd(0);
        }
    }
}

TEST_F(Hostis, HostileTextsInAnyNumberOfAnyLineNeverLandOutsideTheMapping)
{
    const QList<QByteArray> templates = {
        "S -100 100 100 -100 0 1 10 f",          "P 3 0 1 10 -100 0 0 100 100 0 F",
        "A 0 0 100 0 900 0 1 0 N 100 0 0 100",   "C 0 0 100 0 1 10 N",
        "X CLK 7 -300 100 200 R 50 60 1 1 I IC", "X CLK 7 -300 100 200 L 50 60 1 1 I CL",
        "X CLK 7 -300 100 200 U 50 60 1 1 I V",  "X CLK 7 -300 100 200 D 50 60 1 1 I L",
        "F1 \"74LS00\" 150 -250 60 H V L CNN",   "DEF 74LS00 U 0 30 Y Y 4 F N",
    };
    int lines = 0;
    for (qint32 z : {40, 210}) {
        d.zoom_atual = z;
        for (const QByteArray &line : templates) {
            const QList<QByteArray> base = line.split(' ');
            for (qsizetype k = 1; k < base.size(); ++k) {
                for (const Hostile &h : kHostile) {
                    QList<QByteArray> tokens = base;
                    tokens[k] = h.text;
                    const QByteArray hostile = tokens.join(' ');
                    SCOPED_TRACE(hostile.toStdString() + " at zoom " + std::to_string(z));
                    fresh();
                    d.interpreta_linha(hostile);
                    expectNothingAbsurd();
                    ++lines;
                }
            }
        }
    }
    EXPECT_GT(lines, 500);
}

TEST_F(Hostis, PolylineCountsThatDisagreeWithThePointsInBothDirections)
{
    // More points than the count: only the counted ones are drawn, and "F"
    // at the end adds an entry left at the pixel origin, since the token
    // after the last counted point is not "F".
    draw({"P 2 0 1 0 0 0 100 0 100 100 0 100 F"});
    ASSERT_EQ(calls(Kind::Polyline).size(), 1u);
    EXPECT_EQ(calls(Kind::Polyline)[0].points, (Points{px(0, 0), px(100, 0), QPoint(0, 0)}));
    // The pixel origin is drawn to but not tracked.
    EXPECT_EQ(d.min_x, px(0, 0).x());
    EXPECT_EQ(d.min_y, px(0, 0).y());

    fresh();
    draw({"P 2 0 1 0 0 0 100 0 100 100 0 100 N"});
    EXPECT_EQ(calls(Kind::Polyline)[0].points, (Points{px(0, 0), px(100, 0)}));

    // Fewer points than the count: the missing coordinates are read from
    // the letter and the empty entries after it, so they read 0.
    fresh();
    draw({"P 5 0 1 0 0 0 100 0 F"});
    EXPECT_EQ(calls(Kind::Polyline)[0].points,
              (Points{px(0, 0), px(100, 0), px(0, 0), px(0, 0), px(0, 0), QPoint(0, 0)}));
    fresh();
    draw({"P 5 0 1 0 -300 200 100 0 N"});
    EXPECT_EQ(calls(Kind::Polyline)[0].points,
              (Points{px(-300, 200), px(100, 0), px(0, 0), px(0, 0), px(0, 0)}));
    EXPECT_EQ(d.min_x, px(-300, 0).x());
    EXPECT_EQ(d.max_y, px(0, 0).y());

    // Counts no line can hold, including ones that wrap 32 bits to a small
    // number: the points come from the table only, never more than it holds.
    for (const char *count :
         {"4000000000", "4294967298", "18446744073709551617", "-2", "$FFFFFFFF", "2147483648"}) {
        SCOPED_TRACE(count);
        fresh();
        d.interpreta_linha(QByteArray("P ") + count + " 0 1 0 10 20 30 40 F");
        ASSERT_EQ(calls(Kind::Polyline).size(), 1u);
        const Points got = calls(Kind::Polyline)[0].points;
        EXPECT_LE(got.size(), 148u);
        if (got.size() >= 3) {
            EXPECT_EQ(got[0], px(10, 20));
            EXPECT_EQ(got[1], px(30, 40));
        }
        expectNothingAbsurd(0);
    }
}

TEST_F(Hostis, PinsWithEveryTokenMissingInTurnAreCountedAsTheRulesSay)
{
    const QList<QList<QByteArray>> bases = {
        QByteArray("X CLK 7 -300 100 200 R 50 60 1 1 I IC").split(' '),
        // Values that move into the unit and conversion places when a token
        // before them goes missing.
        QByteArray("X ~ 1 0 0 100 U 40 40 0 0 1 CL").split(' '),
    };
    ASSERT_EQ(d.zoom_atual, 100);
    int expectedCount = 0, counted = 0, drawn = 0;
    for (const QList<QByteArray> &base : bases) {
        for (const QList<QByteArray> &tokens : eachTokenMissing(base)) {
            const QByteArray line = join(tokens);
            SCOPED_TRACE(line.toStdString());
            auto tok = [&](int i) { return i < tokens.size() ? tokens[i] : QByteArray(); };
            const bool isCounted = tok(10) == "0" || tok(10) == "1";
            const bool isDrawn = isCounted && (tok(9) == "0" || tok(9) == "1");
            fresh();
            const qint32 before = d.qtd_pinos;
            d.interpreta_linha(line);
            EXPECT_EQ(d.qtd_pinos - before, isCounted ? 1 : 0);
            expectedCount += isCounted;
            counted += isCounted;
            if (!isDrawn) {
                EXPECT_TRUE(canvas().calls.empty()) << "a pin that is not drawn drew";
                continue;
            }
            ++drawn;
            // The connection mark, wider on the left, is always there: 4 and
            // 2 steps at zoom 100 are 3 and 2 pixels.
            const QPoint c = px(plain(tok(3)), plain(tok(4)));
            const auto marks = calls(Kind::Ellipse);
            ASSERT_FALSE(marks.empty());
            EXPECT_EQ(marks[0].points, (Points{c - QPoint(3, 2), c + QPoint(2, 2)}));
            // A stroke only for an orientation letter.
            const char letter = tok(6).isEmpty() ? '\0' : tok(6)[0];
            const bool oriented = QByteArray("LRUD").contains(letter) && letter != '\0';
            const auto strokes = calls(Kind::Line);
            if (oriented) {
                ASSERT_FALSE(strokes.empty());
                EXPECT_EQ(strokes[0].points[0], c);
            }
            // Missing sizes read 0: 1-point fonts.
            for (const Call &t : calls(Kind::Text))
                EXPECT_GE(t.font.tamanho, 1);
            expectNothingAbsurd();
        }
    }
    EXPECT_EQ(d.qtd_pinos, expectedCount);
    // Both kinds of outcome were met, so the checks above were exercised.
    EXPECT_GT(counted, 4);
    EXPECT_GT(drawn, 4);
}

TEST_F(Hostis, FieldsWithEveryTokenMissingInTurnDrawOnlyWhatTheyHold)
{
    // F1 "74 LS00" 150 -250 60 H V L CNN, as tokens: the text holds a blank.
    const QList<QByteArray> tokens0 = {"F1", "74 LS00", "150", "-250", "60", "H", "V", "L", "CNN"};
    int written = 0;
    // The font size of 60 mils: 0.6 z / 10 rounded, plus 1.
    for (const auto &[z, size60] : {std::pair{40, 3}, std::pair{100, 7}, std::pair{210, 14}}) {
        d.zoom_atual = z;
        for (const QList<QByteArray> &tokens : eachTokenMissing(tokens0)) {
            QByteArray line;
            for (qsizetype i = 0; i < tokens.size(); ++i) {
                if (i)
                    line += ' ';
                // The text place is always quoted, and so is an empty token.
                line += i == 1 || tokens[i].isEmpty() ? '"' + tokens[i] + '"' : tokens[i];
            }
            SCOPED_TRACE(line.toStdString());
            auto tok = [&](int i) { return i < tokens.size() ? tokens[i] : QByteArray(); };
            fresh();
            d.interpreta_linha(line);
            const auto texts = calls(Kind::Text);
            ASSERT_LE(texts.size(), 1u);
            expectNothingAbsurd(0);
            if (tok(4).isEmpty()) {
                EXPECT_TRUE(texts.empty()) << "a field without a size was drawn";
                continue;
            }
            if (texts.empty())
                continue;
            ++written;
            // What is written is the field's text at its position, in teal, at
            // the size the rules give.
            EXPECT_EQ(texts[0].text, QString::fromLatin1(tok(1)));
            EXPECT_EQ(texts[0].points[0], px(plain(tok(2)), plain(tok(3))));
            EXPECT_EQ(texts[0].font.cor, Cores::Azulado);
            // The size place holds 60 or, shifted in, a letter that reads 0.
            EXPECT_EQ(texts[0].font.tamanho, plain(tok(4)) == 60 ? size60 : 1);
        }
    }
    EXPECT_GT(written, 0);
}

TEST_F(Hostis, ArcsOfRadiusZeroAndOfTheLargestRadius)
{
    for (qint32 z : {40, 100, 210}) {
        d.zoom_atual = z;
        SCOPED_TRACE(z);
        fresh();
        draw({"A 0 0 0 0 900 0 1 0 N 0 0 0 0"});
        ASSERT_EQ(calls(Kind::Arc).size(), 1u);
        EXPECT_EQ(calls(Kind::Arc)[0].points, (Points{px(0, 0), px(0, 0), px(0, 0), px(0, 0)}));

        fresh();
        draw({"A 0 0 2147483647 0 900 0 1 0 N 2147483647 0 0 2147483647"});
        ASSERT_EQ(calls(Kind::Arc).size(), 1u);
        EXPECT_EQ(calls(Kind::Arc)[0].points,
                  (Points{px(-I32Max, -I32Max), px(I32Max, I32Max), px(I32Max, 0), px(0, I32Max)}));
        EXPECT_EQ(d.min_x, Desenho::VazioMin) << "arcs do not widen the box";
        EXPECT_EQ(d.max_y, Desenho::VazioMax);

        // Centres at the limits, so that centre ± radius leaves 32 bits.
        for (const char *line : {"A -2147483648 -2147483648 2147483647 -3600 3600 0 1 0 N 1 1 1 1",
                                 "A 2147483647 2147483647 2147483647 1801 0 0 1 0 N 0 0 0 0",
                                 "A 100 -100 -2147483648 0 1800 0 1 0 N 0 0 0 0"}) {
            SCOPED_TRACE(line);
            fresh();
            d.interpreta_linha(line);
            ASSERT_EQ(calls(Kind::Arc).size(), 1u);
            expectNothingAbsurd(0);
        }
    }
    EXPECT_EQ(label1.size(), 15);
}

TEST_F(Hostis, DefLinesLongerThanTheTokenTableLeaveNothingBehind)
{
    for (int count : {299, 300, 301, 5000}) {
        SCOPED_TRACE(count);
        // Tokens after the ninth are "F", so a leftover entry would close
        // the open polyline below.
        QByteArray def = "DEF big U 0 30 N y 7 F";
        for (int i = 9; i < count; ++i)
            def += " F";
        ASSERT_EQ(separa_linha(def).indiceFinal(), count);
        d.mostra_nome_pino = d.mostra_num_pino = true;
        fresh();
        d.interpreta_linha(def);
        EXPECT_EQ(d.qtd_partes, "7");
        EXPECT_FALSE(d.mostra_nome_pino);
        EXPECT_FALSE(d.mostra_num_pino);
        EXPECT_TRUE(canvas().calls.empty());
        // Ends with a blank: the letter entry is the empty one after "40".
        d.interpreta_linha("P 2 0 1 0 10 20 30 40 ");
        ASSERT_EQ(calls(Kind::Polyline).size(), 1u);
        EXPECT_EQ(calls(Kind::Polyline)[0].points, (Points{px(10, 20), px(30, 40)}));
    }

    // The edit pass over a component whose DEF line has 5000 tokens.
    Analise a{&RecordingCanvas::make};
    QByteArray def = "DEF big U 0 30 Y Y 2 F N";
    for (int i = 11; i <= 5000; ++i)
        def += " x" + QByteArray::number(i);
    a.redesenhaEdicao(false,
                      {def, "F0 \"U\" 0 100 50 H V C CNN", "X A 1 -300 0 200 R 50 50 1 1 I",
                       "X B 2 300 0 200 L 50 50 2 1 I", "ENDDEF"},
                      "big");
    EXPECT_EQ(a.legendas().l_nome, "big");
    EXPECT_EQ(a.legendas().L_elementos, "Quantidade de elementos(partes): 2");
    EXPECT_EQ(a.legendas().L_pinos, "Descrições de Pinos: 2");
}

// The same hostile lines on the real drawing images, at the smallest, the
// normal and the largest zoom, through both panes' passes.
TEST(HostisImagem, HostileLinesDrawAndPublishOnTheRealCanvas)
{
    QList<QByteArray> lines = {"DEF big U 0 30 Y Y 2 F N", "S -100 100 100 -100 0 1 0 N"};
    for (const Hostile &h : kHostile) {
        const QByteArray t = h.text;
        lines << "S " + t + " " + t + " 0 0 0 1 0 N"
              << "P 2 0 1 0 " + t + " " + t + " 0 0 F"
              << "C " + t + " " + t + " " + t + " 1 1 0 N"
              << "F0 \"U\" " + t + " " + t + " " + t + " H V C CNN"
              << "X A 1 " + t + " " + t + " " + t + " R " + t + " " + t + " 1 1 I IC"
              << "X ~ " + t + " 0 0 100 U " + t + " 40 1 1 I CL"
              << "A " + t + " " + t + " " + t + " 0 900 0 1 0 N " + t + " " + t + " 0 0";
    }
    lines << "A 0 0 0 0 900 0 1 0 N 0 0 0 0"
          << "A 0 0 2147483647 0 900 0 1 0 N 2147483647 0 0 2147483647"
          << "P 4000000000 0 1 0 10 20 30 40 F"
          << "P 2 0 1 0 0 0 100 0 100 100 0 100 F"
          << "P 5 0 1 0 0 0 100 0 F";
    QByteArray def5000 = "DEF many U 0 30 Y Y 1 F N";
    for (int i = 11; i <= 5000; ++i)
        def5000 += " 9";
    lines << def5000;
    QByteArray longLine = "P 2000000 0 1 0";
    while (longLine.size() < 10 * 1024 * 1024)
        longLine += " -2147483648 2147483647";
    lines << longLine << "X " + QByteArray(100000, 'N') + " 1 0 0 100 R 50 50 1 1 I";

    // The rectangle's top-left pixel and the preview's extent, its box plus
    // 50 on every side: at zoom 40 the corners land at (993, 340) and
    // (1006, 354), so 13 + 100 by 14 + 100.
    const struct
    {
        qint32 z;
        QPoint topLeft;
        QSize extent;
    } zooms[] = {{40, {993, 340}, {113, 114}},
                 {100, {983, 852}, {134, 134}},
                 {210, {965, 1789}, {171, 171}}};
    Analise a;
    for (const auto &[z, topLeft, extent] : zooms) {
        SCOPED_TRACE(z);
        a.desenho().zoom_edicao = z;
        a.desenho().zoom_pesquisa = z;
        a.redesenhaEdicao(false, lines, "big");
        a.redesenhaPesquisa(false, lines);
        for (PreviewImage *image : {&a.image2(), &a.image3()}) {
            const QSize e = image->extent();
            EXPECT_GE(e.width(), 1);
            EXPECT_GE(e.height(), 1);
            EXPECT_LE(e.width(), 16777215);
            EXPECT_LE(e.height(), 16777215);
            EXPECT_EQ(image->bitmap().size(), QSize(2000, 2000));
        }
        EXPECT_EQ(a.legendas().L_elementos, "Quantidade de elementos(partes): 1");

        // Nothing lasting: an ordinary rectangle drawn next lands where the
        // rules put it, its top-left corner at the preview's margin.
        a.redesenhaEdicao(false, {"S -100 100 100 -100 0 1 0 N"}, "plain");
        EXPECT_EQ(a.image1().bitmap().pixel(topLeft), 0xFF000000u);
        EXPECT_EQ(a.image1().bitmap().pixel(topLeft + QPoint(5, 5)), 0xFFFFFFFFu);
        EXPECT_EQ(a.image2().bitmap().pixel(50, 50), 0xFF000000u);
        EXPECT_EQ(a.image2().extent(), extent);
    }
}

} // namespace
