#include "convert/tokicadsym.h"
#include "convert/libraryconversion.h"
#include "convert/tolegacy.h"
#include "symbol/legacysymbol.h"

#include "tests/support/corpus.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Exactness
{
    const char *library;
    // KiCad's file has symbols the .lib lacks (the library team added them
    // after converting) and one description edited later.
    QList<QByteArray> onlyInKicads;
    QList<QByteArray> editedByKicad;
};

void PrintTo(const Exactness &e, std::ostream *os)
{
    *os << e.library;
}

class LegacyToKicadSym : public testing::TestWithParam<Exactness>
{
};

// The ten corpus libraries converted as KiCad 6 converted them: the same
// bytes, symbol by symbol and the whole file where nobody edited KiCad's;
// and written back as legacy components, read again, every symbol the one
// the .lib held.
TEST_P(LegacyToKicadSym, WritesKicadsBytesAndComesBack)
{
    const Exactness &e = GetParam();
    const QString name = QString::fromLatin1(e.library);
    const SymbolLibrary lib = readSymbolLibrary(corpusDir() + u'/' + name + QStringLiteral(".lib"));
    ASSERT_TRUE(lib.error.isEmpty()) << lib.error.toStdString();
    const ConvertedLibrary c = convertLibrary(lib, SymbolFormat::KicadSym, 0, false);
    EXPECT_EQ(c.version, 20211014);

    QFile kicadFile(corpusDir() + QStringLiteral("/../kicad-symbols-v6/") + name +
                    QStringLiteral(".kicad_sym"));
    ASSERT_TRUE(kicadFile.open(QIODevice::ReadOnly));
    const QByteArray kicadBytes = kicadFile.readAll();
    const KicadSymRead kicad = readKicadSym(kicadBytes);
    ASSERT_TRUE(kicad.ok());
    const QByteArray ours = writeKicadSym(c.kicad, c.version).bytes;
    EXPECT_EQ(ours == kicadBytes, e.onlyInKicads.isEmpty() && e.editedByKicad.isEmpty());
    QList<QByteArray> differ, missing;
    for (const KicadSymRow &row : kicad.library.rows) {
        const qsizetype i = c.kicad.indexOf(row.name);
        if (i < 0)
            missing << row.name;
        else if (c.kicad.rows[i].text != row.text)
            differ << row.name;
    }
    EXPECT_EQ(missing, e.onlyInKicads);
    EXPECT_EQ(differ, e.editedByKicad);

    // .kicad_sym -> .lib: the models of the first .lib again
    QList<Symbol> written;
    for (qsizetype i = 0; i < c.kicad.rows.size(); ++i)
        written << c.kicad.symbol(i).symbol;
    const LegacyConversion back = legacyLibrary(written);
    EXPECT_TRUE(back.losses.isEmpty());
    Descricoes docs;
    for (const LegacyComponent &comp : back.components)
        for (const Descricao &d : comp.descricoes)
            docs.acrescenta(d);
    QList<Symbol> again;
    for (const LegacyComponent &comp : back.components)
        again << symbolsFromLegacy(comp.comandos, &docs);
    const QList<Symbol> original = lib.symbols();
    ASSERT_EQ(again.size(), original.size());
    int changed = 0;
    for (const Symbol &s : original) {
        const auto it = std::find_if(again.begin(), again.end(),
                                     [&](const Symbol &a) { return a.name == s.name; });
        ASSERT_NE(it, again.end()) << s.name.toStdString();
        if (!(*it == s) && ++changed <= 2)
            ADD_FAILURE() << describe(s).toStdString() << describe(*it).toStdString();
    }
    EXPECT_EQ(changed, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, LegacyToKicadSym,
    testing::Values(Exactness{"74xx", {}, {}},
                    Exactness{"Amplifier_Operational", {"LT6230xS6", "TLV9062xD"}, {}},
                    Exactness{"Connector_Generic", {}, {}},
                    Exactness{"Device", {"LED_Dual_AKKA", "L_Pack04"}, {"Thermistor_PTC_4Wire"}},
                    Exactness{"MCU_ST_STM32F4", {}, {}}, Exactness{"Relay", {}, {}},
                    Exactness{"Sensor_Temperature", {}, {}}, Exactness{"Switch", {}, {}},
                    Exactness{"Transistor_BJT", {}, {}}, Exactness{"power", {}, {}}),
    [](const testing::TestParamInfo<Exactness> &i) { return std::string(i.param.library); });

} // namespace
