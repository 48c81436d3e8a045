#include "libdiff/librarydiff.h"
#include "tests/support/corpus.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray Header = "EESchema-LIBRARY Version 2.4\n#encoding utf-8\n";

const QByteArray SwPush = "DEF SW_Push SW 0 40 N N 1 F N\n"
                          "F0 \"SW\" 50 100 50 H V L CNN\n"
                          "F1 \"SW_Push\" 0 -60 50 H V C CNN\n"
                          "F2 \"\" 0 200 50 H I C CNN\n"
                          "F3 \"\" 0 200 50 H I C CNN\n"
                          "DRAW\n"
                          "C -80 0 20 0 1 0 N\n"
                          "C 80 0 20 0 1 0 N\n"
                          "X 1 1 -200 0 100 R 50 50 0 1 P\n"
                          "X 2 2 200 0 100 L 50 50 0 1 P\n"
                          "ENDDRAW\n"
                          "ENDDEF\n";

const QByteArray Led = "DEF LED D 0 40 N N 1 F N\n"
                       "F0 \"D\" 0 100 50 H V C CNN\n"
                       "F1 \"LED\" 0 -100 50 H V C CNN\n"
                       "DRAW\n"
                       "P 2 0 1 10 -50 -50 -50 50 N\n"
                       "X K 1 -150 0 100 R 50 50 1 1 P\n"
                       "X A 2 150 0 100 L 50 50 1 1 P\n"
                       "ENDDRAW\n"
                       "ENDDEF\n";

const QByteArray Resistor = "(kicad_symbol_lib (version 20211014) (generator kicad_symbol_editor)\n"
                            "  (symbol \"R\" (in_bom yes) (on_board yes)\n"
                            "    (property \"Reference\" \"R\" (id 0) (at 2.032 0 90)\n"
                            "      (effects (font (size 1.27 1.27))))\n"
                            "    (property \"Value\" \"R\" (id 1) (at 0 0 90)\n"
                            "      (effects (font (size 1.27 1.27))))\n"
                            "    (symbol \"R_0_1\"\n"
                            "      (rectangle (start -1.016 -2.54) (end 1.016 2.54)\n"
                            "        (stroke (width 0.254) (type default) (color 0 0 0 0))\n"
                            "        (fill (type none))))\n"
                            "    (symbol \"R_1_1\"\n"
                            "      (pin passive line (at 0 3.81 270) (length 1.27)\n"
                            "        (name \"~\" (effects (font (size 1.27 1.27))))\n"
                            "        (number \"1\" (effects (font (size 1.27 1.27)))))))\n"
                            ")\n";

QByteArray replaced(QByteArray text, const char *from, const char *to)
{
    return text.replace(from, to);
}

struct Case
{
    const char *name;
    QByteArray before; // a .lib without its header, or a whole .kicad_sym
    QByteArray after;
    const char *expected;
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

// The difference in a few words: "=" when equal, "+NAME", "-NAME",
// "OLD>NEW", "~NAME kind unit/style subject" per change.
std::string summary(const LibraryDiff &d)
{
    QStringList words;
    for (const SymbolRef &r : d.added)
        words << u'+' + QString::fromUtf8(r.name);
    for (const SymbolRef &r : d.removed)
        words << u'-' + QString::fromUtf8(r.name);
    for (const auto &[a, b] : d.renamed)
        words << QString::fromUtf8(a.name) + u'>' + QString::fromUtf8(b.name);
    for (const ChangedSymbol &c : d.changed) {
        for (const SymbolChange &ch : c.changes) {
            QString w = u'~' + QString::fromUtf8(c.symbol.name) + u' ' +
                        QString::fromLatin1(changeKindName(ch.kind));
            if (ch.unit >= 0)
                w += QStringLiteral(" %1/%2").arg(ch.unit).arg(ch.style);
            if (!ch.subject.isEmpty())
                w += u' ' + QString::fromUtf8(ch.subject);
            words << w;
        }
    }
    return d.equal() ? "=" : words.join(QStringLiteral(", ")).toStdString();
}

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    const bool kicad = text.startsWith('(');
    const QString path = dir.filePath(name + (kicad ? ".kicad_sym" : ".lib"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(kicad ? text : Header + text) < 0)
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

class SmallChange : public testing::TestWithParam<Case>
{
};

TEST_P(SmallChange, IsToldAsItWasMade)
{
    QTemporaryDir dir;
    QString error;
    const LibrarySnapshot a = LibrarySnapshot::read(write(dir, "old", GetParam().before), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const LibrarySnapshot b = LibrarySnapshot::read(write(dir, "new", GetParam().after), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(summary(diffLibraries(a, b)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SmallChange,
    testing::Values(
        Case{"Same", SwPush + Led, SwPush + Led, "="},
        Case{"ReorderOnly", SwPush + Led, Led + SwPush, "="},
        Case{"LineEndsOnly", SwPush, replaced(SwPush, "\n", "\r\n"), "="},
        Case{"ItemOrderOnly", SwPush,
             replaced(replaced(SwPush, "C -80 0 20 0 1 0 N\nC 80", "C 80"), "CNN\nDRAW\n",
                      "CNN\nDRAW\nC -80 0 20 0 1 0 N\n"),
             "="},
        Case{"NumberSpellingOnly", Resistor,
             replaced(replaced(Resistor, "(at 0 3.81 270)", "(at 0.0 3.8100 270)"), "(width 0.254)",
                      "(width 0.25400)"),
             "="},
        Case{"PinMoved", SwPush, replaced(SwPush, "X 1 1 -200 0", "X 1 1 -200 50"),
             "~SW_Push pin-moved 0/1 1"},
        Case{"PinAdded", SwPush,
             replaced(SwPush, "ENDDRAW", "X 3 3 0 -200 100 U 50 50 0 1 P\nENDDRAW"),
             "~SW_Push pin-added 0/1 3"},
        Case{"PinRenamed", Led, replaced(Led, "X K 1", "X C 1"), "~LED pin-changed 1/1 1"},
        Case{"CircleRemoved", SwPush, replaced(SwPush, "C 80 0 20 0 1 0 N\n", ""),
             "~SW_Push graphics-removed 0/1"},
        Case{"PropertyChanged", SwPush,
             replaced(SwPush, "F2 \"\"", "F2 \"Button_Switch_THT:SW_PUSH_6mm\""),
             "~SW_Push property-changed Footprint"},
        Case{"Renamed", SwPush + Led,
             replaced(replaced(SwPush, "DEF SW_Push", "DEF SW_Press"), "\"SW_Push\"",
                      "\"SW_Press\"") +
                 Led,
             "SW_Push>SW_Press"},
        // Another drawing under a new name is no rename.
        Case{"RemovedAndAdded", SwPush,
             replaced(replaced(SwPush, "DEF SW_Push", "DEF SW_Press"), "X 2 2 200", "X 2 2 300"),
             "+SW_Press, -SW_Push"},
        Case{"UnitAdded", Led,
             replaced(replaced(Led, "N N 1 F N", "N N 2 F N"), "ENDDRAW",
                      "X K 3 -150 -200 100 R 50 50 2 1 P\nENDDRAW"),
             "~LED unit-added 2/1"},
        Case{"FileVersionOnly", Resistor,
             replaced(replaced(replaced(replaced(Resistor, " (id 0)", ""), " (id 1)", ""),
                               "20211014", "20231120"),
                      "(in_bom yes)", "(exclude_from_sim no) (in_bom yes)"),
             "="},
        Case{"FlagChanged", Resistor, replaced(Resistor, "(in_bom yes)", "(in_bom no)"),
             "~R flag-changed in_bom"}),
    [](const testing::TestParamInfo<Case> &i) { return std::string(i.param.name); });

// KiCad 6 converted this library and its .dcm into the .kicad_sym of the
// corpus: either way round, nothing changed.
TEST(LibraryDiff, LegacyLibraryEqualsItsKicadSymConversion)
{
    QString error;
    const LibrarySnapshot lib =
        LibrarySnapshot::read(corpusDir() + QStringLiteral("/Relay.lib"), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const LibrarySnapshot sym = LibrarySnapshot::read(
        corpusDir() + QStringLiteral("/../kicad-symbols-v6/Relay.kicad_sym"), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const LibraryDiff d = diffLibraries(lib, sym);
    EXPECT_EQ(summary(d), "=");
    EXPECT_EQ(d.unchanged, 200); // the symbols of the .kicad_sym
}

} // namespace
