#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "tests/support/corpus.h"
#include "tests/support/libraryfixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <random>

using libfix::Component;
using libfix::expectedComponents;
using libfix::namesOf;
using libfix::rowsOf;
using Components = QList<Component>;
using Names = QList<QByteArray>;

namespace {

class LibraryReader : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Writes `data` to a fresh file and loads it as the tool does.
    FileResult load(const QByteArray &data, ComponentTable &table)
    {
        const QString path = dir.filePath(QStringLiteral("in%1.lib").arg(++files));
        EXPECT_TRUE(libfix::writeBytes(path, data));
        return carregaBiblioteca(path, table);
    }

    // Loads and checks the rows against the format's model, sorted by name.
    void expectLoadsAsModelled(const QByteArray &data)
    {
        ComponentTable t;
        const FileResult r = load(data, t);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(rowsOf(t), order.sorted(expectedComponents(data)));
        EXPECT_FALSE(t.notificationsSuspended());
    }

    QTemporaryDir dir;
    int files = 0;
    libfix::NameOrder order;
};

// Reads through a device that hands out `piece` bytes at a time, without the
// sort: rows come in file order.
Components readInPieces(const QByteArray &data, qint64 piece)
{
    libfix::TricklingDevice dev(data, piece);
    dev.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    ComponentTable t;
    const FileResult r = leBiblioteca(dev, t);
    EXPECT_TRUE(r.ok);
    t.first();
    return rowsOf(t);
}

QByteArray text(const Names &lines)
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + '\r';
    return out;
}

// Component counts by DEF lines, checked against `grep -ciE '^ *def '`.
const std::map<QString, int> corpusCounts{
    {QStringLiteral("Device.lib"), 559},
    {QStringLiteral("74xx.lib"), 158},
    {QStringLiteral("Connector_Generic.lib"), 274},
    {QStringLiteral("MCU_ST_STM32F4.lib"), 116},
    {QStringLiteral("power.lib"), 100},
    {QStringLiteral("Amplifier_Operational.lib"), 107},
    {QStringLiteral("Transistor_BJT.lib"), 168},
    {QStringLiteral("Relay.lib"), 84},
    {QStringLiteral("Switch.lib"), 53},
    {QStringLiteral("Sensor_Temperature.lib"), 55},
};

} // namespace

// ---------------------------------------------------------------------------
// Real libraries.

TEST_F(LibraryReader, EveryCorpusLibraryLoadsEachBlockSortedByName)
{
    const QStringList libs = corpusLibraries();
    ASSERT_EQ(libs.size(), 10) << corpusDir().toStdString();
    for (const QString &path : libs) {
        const QString name = QFileInfo(path).fileName();
        SCOPED_TRACE(name.toStdString());
        const QByteArray data = libfix::readBytes(path);
        ASSERT_FALSE(data.isEmpty());

        int defLines = 0;
        for (const QByteArray &line : data.split('\n'))
            defLines += libfix::blockWord(line) == "DEF";
        ASSERT_TRUE(corpusCounts.count(name));
        EXPECT_EQ(defLines, corpusCounts.at(name));

        ComponentTable t;
        QSignalSpy change(&t, &ComponentTable::dataChange);
        const FileResult r = carregaBiblioteca(path, t);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(t.rowCount(), defLines);
        EXPECT_EQ(change.count(), 1); // once, at the resume
        EXPECT_FALSE(t.notificationsSuspended());
        EXPECT_EQ(t.currentRow(), 0);
        EXPECT_EQ(t.state(), ComponentTable::State::Browse);

        EXPECT_EQ(rowsOf(t), order.sorted(expectedComponents(data)));
        for (int i = 0; i < t.rowCount(); ++i) {
            const QByteArray c = t.comandosAt(i);
            ASSERT_TRUE(c.startsWith("DEF ")) << i;
            ASSERT_TRUE(c.endsWith("\rENDDEF\r")) << i;
            ASSERT_FALSE(c.contains('\n')) << i;
            ASSERT_FALSE(c.contains("\r#")) << i; // no comment line inside
            ASSERT_EQ(c.count('\r'), linhas(c).size()) << i;
            ASSERT_EQ(t.nameAt(i), libfix::storedName(c.split(' ').value(1))) << i;
            if (i > 0) {
                ASSERT_LE(order.compare(t.nameAt(i - 1), t.nameAt(i)), 0) << i;
            }
        }
    }
}

TEST_F(LibraryReader, CrLfCrAndMixedLineEndsGiveTheSameComponentsAsLf)
{
    for (const QString &path : corpusLibraries()) {
        SCOPED_TRACE(QFileInfo(path).fileName().toStdString());
        const QByteArray lf = libfix::readBytes(path);
        ComponentTable ref;
        ASSERT_TRUE(load(lf, ref).ok);
        ASSERT_GT(ref.rowCount(), 0);

        // Every kind of line end in turn.
        const char *ends[] = {"\r\n", "\r", "\n"};
        QByteArray mixed;
        int k = 0;
        for (const QByteArray &line : lf.split('\n'))
            mixed += line + ends[k++ % 3];

        const QList<QByteArray> variants{libfix::withLineEnds(lf, "\r\n"),
                                         libfix::withLineEnds(lf, "\r"), mixed};
        for (const QByteArray &v : variants) {
            ComponentTable t;
            ASSERT_TRUE(load(v, t).ok);
            EXPECT_EQ(namesOf(t), namesOf(ref));
            EXPECT_TRUE(rowsOf(t) == rowsOf(ref));
        }
    }
}

TEST(LibraryReaderPieces, LineEndsSplitAcrossReadsReadTheSame)
{
    // A CR at the end of one read and its LF at the start of the next is one
    // break; so is a Ctrl-Z or a line that spans many reads.
    QByteArray lib = libfix::readBytes(corpusDir() + QStringLiteral("/power.lib"));
    ASSERT_FALSE(lib.isEmpty());
    lib = libfix::withLineEnds(lib, "\r\n");
    const QByteArray tricky = "DEF a\r\n\r\nX\r\rY\n\rENDDEF\r\nDEF b " + QByteArray(300, 'q') +
                              "\rENDDEF\r\n\x1a"
                              "DEF c\rENDDEF\r";
    for (const QByteArray &data : {lib, tricky}) {
        const Components whole = expectedComponents(data);
        ASSERT_FALSE(whole.isEmpty());
        for (qint64 piece : {1, 2, 3, 7, 64, 4097}) {
            SCOPED_TRACE(piece);
            EXPECT_TRUE(readInPieces(data, piece) == whole);
        }
    }
}

TEST(LibraryReaderPieces, ReadFailureKeepsRowsPostedBeforeAndReportsIt)
{
    const QByteArray data =
        text({"DEF a U", "ENDDEF", "DEF b U", "X", "ENDDEF", "DEF c U", "ENDDEF"});
    const qint64 failAt = data.indexOf("X");
    libfix::TricklingDevice dev(data, 4, failAt);
    dev.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    ComponentTable t;
    const FileResult r = leBiblioteca(dev, t);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    ASSERT_GE(t.rowCount(), 1);
    EXPECT_EQ(t.nameAt(0), "a");
    EXPECT_EQ(t.comandosAt(0), text({"DEF a U", "ENDDEF"}));
    EXPECT_EQ(t.state(), ComponentTable::State::Browse);
    for (int i = 0; i < t.rowCount(); ++i)
        EXPECT_NE(t.nameAt(i), "c");
}

// ---------------------------------------------------------------------------
// Blocks and lines.

TEST_F(LibraryReader, TwoComponentsSortedEachTextFromDefThroughEnddefWithOneCrPerLine)
{
    const QByteArray file = "EESchema-LIBRARY Version 2.3  Date:   01/01/2020-00:00:00\r\n"
                            "#encoding utf-8\r\n"
                            "#\r\n# b\r\n#\r\n"
                            "DEF b U 0 40 Y Y 1 F N\r\n"
                            "F0 \"U\" 0 0 50 H V C CNN\r\n"
                            "  DRAW  \r\n"
                            "ENDDEF\r\n"
                            "\r\n"
                            "#\r\n# A\r\n#\r\n"
                            "DEF A R 0 40 Y Y 1 F N\r\n"
                            "ENDDEF\r\n"
                            "#\r\n#End Library\r\n";
    ComponentTable t;
    ASSERT_TRUE(load(file, t).ok);
    EXPECT_EQ(namesOf(t), (Names{"A", "b"}));
    EXPECT_EQ(t.comandosAt(0), "DEF A R 0 40 Y Y 1 F N\rENDDEF\r");
    EXPECT_EQ(t.comandosAt(1),
              "DEF b U 0 40 Y Y 1 F N\rF0 \"U\" 0 0 50 H V C CNN\r  DRAW  \rENDDEF\r");
    EXPECT_EQ(t.field(ComponentTable::Field::Nome), "A");
}

TEST_F(LibraryReader, WhichLinesOpenAndCloseABlock)
{
    const QByteArray file = text({
        "def lower U",     // lower case opens
        "enddef",          // and closes
        "\tDEF tabbed U",  // a leading tab is trimmed
        "  Enddef\t ",     // indented, trailing blanks trimmed
        "   DeF spaced U", // leading spaces skipped
        "ENDDEF",
        "DEF\tnotablock U", // tab after DEF: one word, no block
        "X1",
        "ENDDEF", // outside a block: skipped
        "DEFS notablock U",
        "DEF inside U",
        "DEF\tinner", // inside a block it is an ordinary line
        "ENDDEFS",    // not a closing line
        "ENDDEF",
    });
    ComponentTable t;
    ASSERT_TRUE(load(file, t).ok);
    EXPECT_EQ(namesOf(t), (Names{"inside", "lower", "spaced", "tabbed"}));
    EXPECT_EQ(t.comandosAt(0), text({"DEF inside U", "DEF\tinner", "ENDDEFS", "ENDDEF"}));
    EXPECT_EQ(t.comandosAt(1), text({"def lower U", "enddef"}));
    EXPECT_EQ(t.comandosAt(2), text({"   DeF spaced U", "ENDDEF"}));
    EXPECT_EQ(t.comandosAt(3), text({"\tDEF tabbed U", "  Enddef\t "}));
    expectLoadsAsModelled(file);
}

TEST_F(LibraryReader, HeaderCommentsAndLinesBetweenBlocksLeaveNoTrace)
{
    const QByteArray block = text({"DEF K U", "ENDDEF"});
    const QByteArray noise = text({"EESchema-LIBRARY Version 2.3", "#encoding utf-8", "#", "",
                                   "stray", "   ", "#End Library"});
    ComponentTable t;
    ASSERT_TRUE(load(noise + block + noise + block + noise, t).ok);
    ASSERT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.comandosAt(0), block);
    EXPECT_EQ(t.comandosAt(1), block);

    ComponentTable none;
    ASSERT_TRUE(load(noise, none).ok);
    EXPECT_TRUE(none.isEmpty());
}

TEST_F(LibraryReader, CtrlZEndsTheFile)
{
    const QByteArray before = text({"DEF a U", "ENDDEF"});
    const QByteArray after = text({"DEF z U", "ENDDEF"});

    // Between lines: what follows is not read.
    ComponentTable t;
    ASSERT_TRUE(load(before + '\x1a' + after, t).ok);
    EXPECT_EQ(namesOf(t), (Names{"a"}));

    // Inside a block: the file ends there, cutting the block short.
    ComponentTable u;
    const FileResult cut = load(before + "DEF m U\rXY\x1aZ\rENDDEF\r" + after, u);
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(namesOf(u), (Names{"a"}));
    EXPECT_EQ(cut.unfinished, "m");

    // Right after a CR of a CR LF pair.
    ComponentTable v;
    ASSERT_TRUE(load("DEF a U\r\nENDDEF\r\x1a\nDEF z U\r\nENDDEF\r\n", v).ok);
    EXPECT_EQ(namesOf(v), (Names{"a"}));
    EXPECT_EQ(v.comandosAt(0), before);

    // At the very start: nothing at all.
    ComponentTable w;
    ASSERT_TRUE(load('\x1a' + before, w).ok);
    EXPECT_TRUE(w.isEmpty());
}

TEST_F(LibraryReader, DefWhileOpenEndsTheOpenBlockWithItsOwnLines)
{
    const QByteArray file = text({"DEF first U", "F0 \"U\"", "X 1", "DEF second U", "S1", "ENDDEF",
                                  "DEF third U", "ENDDEF"});
    ComponentTable t;
    ASSERT_TRUE(load(file, t).ok);
    EXPECT_EQ(namesOf(t), (Names{"first", "second", "third"}));
    EXPECT_EQ(t.comandosAt(0), text({"DEF first U", "F0 \"U\"", "X 1"}));
    EXPECT_EQ(t.comandosAt(1), text({"DEF second U", "S1", "ENDDEF"}));
    EXPECT_EQ(t.comandosAt(2), text({"DEF third U", "ENDDEF"}));
}

TEST_F(LibraryReader, BlockOpenAtEndOfFileIsLeftOutAndNamed)
{
    // With and without a line end after the last line.
    for (const QByteArray &tail : {QByteArray("P 2"), QByteArray("P 2\r\n")}) {
        ComponentTable t;
        const FileResult r = load(text({"DEF z U", "ENDDEF", "DEF open U", "A 1"}) + tail, t);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(namesOf(t), (Names{"z"}));
        EXPECT_EQ(r.unfinished, "open");
    }
    // The last line, ENDDEF, needs no line end.
    ComponentTable u;
    ASSERT_TRUE(load("DEF a U\rENDDEF", u).ok);
    EXPECT_EQ(u.comandosAt(0), text({"DEF a U", "ENDDEF"}));
}

TEST_F(LibraryReader, NamesAreTheSecondFieldCutAt60BytesAndAtNul)
{
    const QByteArray longName = QByteArray("N123456789").repeated(8); // 80 bytes
    const QByteArray defLong = "DEF " + longName + " U 0 40 Y Y 1 F N";
    const QByteArray defNul("DEF ab\0cd U", 11);
    const QByteArray defHigh = "DEF \xe9\xff\x80\xa0z U";
    const QByteArray file =
        text({defLong, "ENDDEF", "DEF", "ENDDEF", defNul, "ENDDEF", defHigh, "ENDDEF",
              "DEF    spaced     U", "ENDDEF", "DEF \"quoted name\" U", "ENDDEF"});
    ComponentTable t;
    ASSERT_TRUE(load(file, t).ok);
    ASSERT_EQ(t.rowCount(), 6);
    Names names = namesOf(t);
    // A DEF line without a name gives an empty name, which sorts first.
    EXPECT_TRUE(names[0].isEmpty());
    EXPECT_EQ(t.comandosAt(0), text({"DEF", "ENDDEF"}));
    std::sort(names.begin(), names.end());
    Names want{"", longName.left(60), "ab", "\xe9\xff\x80\xa0z", "quoted name", "spaced"};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(names, want);
    // The command texts keep the DEF lines whole, NUL and long name included.
    for (const QByteArray &def : {defLong, defNul, defHigh}) {
        bool found = false;
        for (int i = 0; i < t.rowCount(); ++i)
            found = found || t.comandosAt(i) == text({def, "ENDDEF"});
        EXPECT_TRUE(found) << def.toPercentEncoding().toStdString();
    }
    expectLoadsAsModelled(file);
}

TEST_F(LibraryReader, EveryByteOtherThanLineEndsAndCtrlZSurvivesInTexts)
{
    QByteArray odd;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != 26)
            odd.append(char(b));
    const QByteArray file = text({"DEF x U", odd, "ENDDEF"});
    ComponentTable t;
    ASSERT_TRUE(load(file, t).ok);
    ASSERT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.comandosAt(0), file);
    EXPECT_EQ(t.comandosAt(0).size(), file.size());
}

// ---------------------------------------------------------------------------
// Bad and big input.

TEST_F(LibraryReader, RandomBytesLoadAsTheFormatSays)
{
    std::mt19937 rng(20260712);
    // Plain noise (Ctrl-Z soon ends it), then noise without Ctrl-Z.
    for (bool allowCtrlZ : {true, false}) {
        QByteArray noise(1 << 20, Qt::Uninitialized);
        for (char &c : noise) {
            c = char(rng() & 0xff);
            if (!allowCtrlZ && c == 26)
                c = 'z';
        }
        expectLoadsAsModelled(noise);
    }

    // Noise made of the pieces that matter, many times over.
    const QList<QByteArray> pieces{"DEF",
                                   "def",
                                   "ENDDEF",
                                   "enddef",
                                   " ",
                                   " ",
                                   "\t",
                                   "\r",
                                   "\n",
                                   "\r\n",
                                   "\r\n",
                                   "\"",
                                   "x",
                                   "Y",
                                   "\xe9",
                                   QByteArray(1, '\0'),
                                   "\x1a",
                                   "#",
                                   "12",
                                   "\x8d\x8a\x9a",
                                   "\x0c\x0e\x1b\x19",
                                   "ordinary text of a line"};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        QByteArray data;
        const int n = int(rng() % 400);
        for (int i = 0; i < n; ++i) {
            // Ctrl-Z rarely, so that most rounds read to the end.
            const auto &p = pieces[int(rng() % pieces.size())];
            if (p == "\x1a" && rng() % 8)
                continue;
            data += p;
        }
        expectLoadsAsModelled(data);
        ASSERT_TRUE(readInPieces(data, 1 + rng() % 5) == expectedComponents(data));
    }
}

TEST_F(LibraryReader, OneFiftyMegabyteLineIsKeptWhole)
{
    QByteArray line = "DEF big U ";
    const QByteArray filler = QByteArray("P 2 0 1 0 100 200 300 400 N ").repeated(8);
    while (line.size() < 50 * 1024 * 1024)
        line += filler;
    {
        ComponentTable t;
        const FileResult r = load(line + "\rENDDEF", t);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        ASSERT_EQ(t.rowCount(), 1);
        EXPECT_EQ(t.nameAt(0), "big");
        EXPECT_EQ(t.comandosAt(0).size(), line.size() + 8);
        EXPECT_TRUE(t.comandosAt(0) == line + "\rENDDEF\r");
    }
    // The same line as a comment between two components leaves no trace.
    line[0] = '#';
    ComponentTable u;
    ASSERT_TRUE(load(text({"DEF a U", "ENDDEF", line, "DEF b U", "ENDDEF"}), u).ok);
    EXPECT_EQ(namesOf(u), (Names{"a", "b"}));
    EXPECT_EQ(u.comandosAt(1), text({"DEF b U", "ENDDEF"}));
}

TEST_F(LibraryReader, SixThousandComponentsLoadCompletely)
{
    QByteArray file = "EESchema-LIBRARY Version 2.3\r\n";
    for (int i = 5999; i >= 0; --i) {
        const QByteArray n = "C" + QByteArray::number(i).rightJustified(4, '0');
        file += "DEF " + n + " U 0 40 Y Y 1 F N\r\nF0 \"U\" 0 0 50 H V C CNN\r\nENDDEF\r\n";
    }
    ComponentTable t;
    ASSERT_TRUE(load(file, t).ok);
    ASSERT_EQ(t.rowCount(), 6000);
    for (int i = 0; i < 6000; ++i) {
        const QByteArray n = "C" + QByteArray::number(i).rightJustified(4, '0');
        ASSERT_EQ(t.nameAt(i), n);
        ASSERT_EQ(t.comandosAt(i),
                  "DEF " + n + " U 0 40 Y Y 1 F N\rF0 \"U\" 0 0 50 H V C CNN\rENDDEF\r");
    }
}

TEST_F(LibraryReader, PathsThatCannotBeReadFailAndLeaveTheTableEmptyAndResumed)
{
    const QString missing = dir.filePath(QStringLiteral("no such file.lib"));
    const QString folder = dir.path();
    for (const QString &path : {missing, folder}) {
        SCOPED_TRACE(path.toStdString());
        ComponentTable t;
        libfix::addRow(t, "old", "DEF old\rENDDEF\r");
        t.append();
        t.setField(ComponentTable::Field::Nome, "pending");
        QSignalSpy change(&t, &ComponentTable::dataChange);
        const FileResult r = carregaBiblioteca(path, t);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.trimmed().isEmpty());
        EXPECT_TRUE(t.isEmpty());
        EXPECT_FALSE(t.notificationsSuspended());
        EXPECT_EQ(t.state(), ComponentTable::State::Browse);
        EXPECT_EQ(change.count(), 1);
        // The table works normally afterwards.
        const int before = int(change.count());
        t.next();
        libfix::addRow(t, "new");
        EXPECT_GT(change.count(), before);
        EXPECT_EQ(namesOf(t), (Names{"new"}));
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(LibraryReader, ReadErrorAfterOpeningResumesNotifications)
{
    // /proc/self/mem opens, but reading its first page fails.
    const QString path = QStringLiteral("/proc/self/mem");
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "cannot open /proc/self/mem here; no read error to provoke";
    char byte;
    if (probe.read(&byte, 1) >= 0)
        GTEST_SKIP() << "/proc/self/mem reads without error here; no read error to provoke";
    probe.close();

    ComponentTable t;
    libfix::addRow(t, "old");
    QSignalSpy change(&t, &ComponentTable::dataChange);
    const FileResult r = carregaBiblioteca(path, t);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.trimmed().isEmpty());
    EXPECT_TRUE(t.isEmpty());
    EXPECT_FALSE(t.notificationsSuspended());
    EXPECT_EQ(change.count(), 1);
}

TEST_F(LibraryReader, LoadReplacesWhatTheTableHeld)
{
    ComponentTable t;
    for (int i = 0; i < 10; ++i)
        libfix::addRow(t, "old" + QByteArray::number(i));
    ASSERT_TRUE(load(text({"DEF new U", "ENDDEF"}), t).ok);
    EXPECT_EQ(namesOf(t), (Names{"new"}));
    EXPECT_EQ(t.currentRow(), 0);
    EXPECT_FALSE(t.atEnd());
}
