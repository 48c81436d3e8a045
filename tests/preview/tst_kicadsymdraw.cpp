// The KiCad view of a .kicad_sym row: drawn from its model, it draws what the
// same symbol's legacy component draws.

#include "analysis/analise.h"
#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "tests/support/corpus.h"
#include "tests/support/recordingcanvas.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using Kind = RecordingCanvas::Kind;
using Call = RecordingCanvas::Call;

// A call as text: what it draws, where, and how.
std::string describe(const Call &c)
{
    QString s = QString::number(int(c.kind));
    for (const QPoint &p : c.points)
        s += QStringLiteral(" %1,%2").arg(p.x()).arg(p.y());
    s += u' ' + c.text;
    s += QStringLiteral(" traco %1 %2 %3 %4 %5 %6 %7")
             .arg(c.traco.largura)
             .arg(c.traco.cor)
             .arg(c.traco.preenche)
             .arg(c.traco.fundo)
             .arg(c.closed)
             .arg(c.start)
             .arg(c.span);
    if (c.kind == Kind::Label) {
        const EstiloTexto &e = c.estilo;
        s += QStringLiteral(" estilo %1 %2 %3 %4 %5 %6 %7")
                 .arg(e.altura)
                 .arg(e.rotacao)
                 .arg(int(e.h))
                 .arg(int(e.v))
                 .arg(e.negrito)
                 .arg(e.italico)
                 .arg(e.cor);
        for (const Barra &b : c.barras)
            s += QStringLiteral(" barra %1-%2").arg(b.inicio).arg(b.fim);
    }
    return s.toStdString();
}

class Drawing
{
public:
    Analise a{&RecordingCanvas::make};
    const KicadSymLibrary *library = nullptr;

    Drawing()
    {
        a.setVista(Vista::KiCad);
        a.setSymbolLookup(Painel::Pesquisa, [this](const QByteArray &name) {
            if (library) {
                for (const KicadSymRow &r : library->rows) {
                    if (r.name == name)
                        return r.text;
                }
            }
            return QByteArray();
        });
    }

    // The search pass's drawing calls, sorted (each format lists a unit's
    // items in its own order), clearing left out; arcs apart in `arcs`.
    std::vector<std::string> draw(const QList<QByteArray> &lines, OpcoesKiCad opcoes)
    {
        a.setOpcoes(Painel::Pesquisa, opcoes);
        if (a.image1().hasCanvas())
            rec().calls.clear();
        a.redesenhaPesquisa(false, lines);
        std::vector<std::string> out;
        arcs.clear();
        for (const Call &c : rec().calls) {
            if (c.kind == Kind::SmoothArc)
                arcs.push_back(c);
            else if (c.kind != Kind::Fill)
                out.push_back(describe(c));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<Call> arcs;
    RecordingCanvas &rec() { return static_cast<RecordingCanvas &>(a.image1().canvas()); }
};

QString v6(const QString &library)
{
    return corpusDir() + QStringLiteral("/../kicad-symbols-v6/") + library +
           QStringLiteral(".kicad_sym");
}

QByteArray rowText(const KicadSymLibrary &library, const QByteArray &name)
{
    for (const KicadSymRow &r : library.rows) {
        if (r.name == name)
            return r.text;
    }
    return {};
}

struct TwinCase
{
    const char *library;
    const char *symbol;
    int unidade;
    int convertido;
    const char *what;
};

class KicadSymTwin : public ::testing::TestWithParam<TwinCase>
{
};

TEST_P(KicadSymTwin, DrawsAsItsLegacyComponent)
{
    const TwinCase &c = GetParam();
    const QString name = QString::fromLatin1(c.library);
    const KicadSymRead read = readKicadSymPath(v6(name));
    ASSERT_TRUE(read.ok()) << read.message().toStdString();
    const QByteArray text = rowText(read.library, c.symbol);
    ASSERT_FALSE(text.isEmpty());
    ComponentTable table;
    ASSERT_TRUE(carregaBiblioteca(corpusDir() + u'/' + name + QStringLiteral(".lib"), table).ok);
    QByteArray legacy;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.nameAt(r) == c.symbol)
            legacy = table.comandosAt(r);
    }
    ASSERT_FALSE(legacy.isEmpty());

    const OpcoesKiCad opcoes{c.unidade, c.convertido, true};
    Drawing model, lines;
    model.library = &read.library;
    const auto expected = lines.draw(linhas(legacy), opcoes);
    const auto drawn = model.draw(linhas(text), opcoes);
    EXPECT_GT(drawn.size(), 3u);
    EXPECT_EQ(drawn, expected);
    // A legacy arc keeps its angles as KiCad 5 rounded them, the model its
    // three points: each arc within a pixel and half a degree of its twin.
    ASSERT_EQ(model.arcs.size(), lines.arcs.size());
    for (const Call &arc : model.arcs) {
        const auto near = [&](const Call &twin) {
            for (size_t i = 0; i < 2; ++i) {
                if ((arc.points[i] - twin.points[i]).manhattanLength() > 2)
                    return false;
            }
            const auto close = [](int x, int y) {
                const int d = std::abs(x - y) % 3600;
                return std::min(d, 3600 - d) <= 5;
            };
            return close(arc.start, twin.start) && close(arc.span, twin.span) &&
                   arc.traco == twin.traco;
        };
        EXPECT_TRUE(std::any_of(lines.arcs.begin(), lines.arcs.end(), near)) << describe(arc);
    }
    EXPECT_EQ(model.a.image1().extent(), lines.a.image1().extent());
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, KicadSymTwin,
    ::testing::Values(TwinCase{"74xx", "74LS00", 2, 1, "gate_unit_2"},
                      TwinCase{"74xx", "74LS00", 1, 2, "de_morgan"},
                      TwinCase{"74xx", "74LS00", 5, 1, "power_unit"},
                      TwinCase{"74xx", "74LS74", 1, 1, "overbars_and_clocks"},
                      TwinCase{"74xx", "74LS138", 1, 1, "overbars"},
                      TwinCase{"Transistor_BJT", "2N2219", 1, 1, "circle_names_hidden"},
                      TwinCase{"Sensor_Temperature", "AD8494", 1, 1, "arcs"},
                      TwinCase{"Switch", "SW_Push_Dual", 1, 1, "arcs_and_texts"},
                      TwinCase{"power", "GND", 1, 1, "power_hidden_pin"},
                      TwinCase{"Relay", "G5LE-1", 1, 1, "relay"},
                      TwinCase{"Connector_Generic", "Conn_02x20_Odd_Even", 1, 1, "pins"},
                      TwinCase{"MCU_ST_STM32F4", "STM32F401CBUx", 1, 1, "large"}),
    [](const auto &info) { return std::string(info.param.what); });

TEST(KicadSymDrawing, ADerivedSymbolDrawsItsParent)
{
    const KicadSymRead read = readKicadSymPath(v6(QStringLiteral("74xx")));
    ASSERT_TRUE(read.ok());
    Drawing derived, parent, alone;
    derived.library = parent.library = &read.library;
    const OpcoesKiCad opcoes{1, 1, false};
    const auto shapes = [](std::vector<std::string> calls) {
        // The texts hold the symbol's own fields; the rest is the parent's.
        std::erase_if(calls, [](const std::string &s) {
            return s.rfind(std::to_string(int(Kind::Label)) + ' ', 0) == 0;
        });
        return calls;
    };
    const auto mine = shapes(derived.draw(linhas(rowText(read.library, "74LS14")), opcoes));
    EXPECT_EQ(mine, shapes(parent.draw(linhas(rowText(read.library, "74HC14")), opcoes)));
    EXPECT_GT(mine.size(), 5u);
    // Without its library it has nothing of its own but its fields.
    EXPECT_TRUE(shapes(alone.draw(linhas(rowText(read.library, "74LS14")), opcoes)).empty());
}

TEST(KicadSymDrawing, BrokenTextDrawsNothingAndSaysWhere)
{
    Drawing d;
    d.a.setVista(Vista::Classica);
    QSignalSpy spy(&d.a, &Analise::legendasChanged);
    // Line 2 has 30 characters: the text ends at its column 31.
    d.a.redesenhaEdicao(false, {"(symbol \"R\"", "  (pin passive line (at 0 0 0)"}, "R");
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(d.a.legendas().erro, QStringLiteral("linha 2, coluna 31: falta ')'"));
    EXPECT_TRUE(d.a.image2().extent().isEmpty() ||
                d.a.image2().extent() == QSize(2 * Desenho::Margem, 2 * Desenho::Margem));
    // A text that parses clears it.
    d.a.redesenhaEdicao(false, {"(symbol \"R\")"}, "R");
    EXPECT_EQ(d.a.legendas().erro, QString());
}

} // namespace
