// Hostile files through the reader and the writer: lines of 10 MB, files of
// nothing but line ends, a Ctrl-Z before anything else, DEF lines with more
// tokens than the token table holds. Each load must give exactly the
// components the format describes, and a save and a second load must give
// them again, byte for byte.

#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "meuparse/meuparse.h"
#include "tests/support/hostilefiles.h"
#include "tests/support/libraryfixtures.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using libfix::Component;
using libfix::expectedComponents;
using libfix::namesOf;
using libfix::rowsOf;
using Components = QList<Component>;
using Names = QList<QByteArray>;

namespace {

constexpr qsizetype TenMegabytes = 10 * 1024 * 1024;
const QDateTime when(QDate(2026, 12, 7), QTime(21, 5, 9));

class LibraryHostis : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString write(const QByteArray &data)
    {
        const QString path = dir.filePath(QStringLiteral("in%1.lib").arg(++files));
        EXPECT_TRUE(libfix::writeBytes(path, data));
        return path;
    }

    // Loads `data` from a file; the file is left exactly as written.
    Components load(const QByteArray &data)
    {
        const QString path = write(data);
        ComponentTable t;
        const FileResult r = carregaBiblioteca(path, t);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_FALSE(t.notificationsSuspended());
        EXPECT_TRUE(libfix::readBytes(path) == data) << "reading changed the file";
        return rowsOf(t);
    }

    // Saves `rows` (in their order), loads the saved file and returns its rows.
    Components saveAndReload(const Components &rows, QByteArray *saved = nullptr)
    {
        ComponentTable t;
        for (const Component &c : rows)
            libfix::addRow(t, c.name, c.text);
        const QString path = dir.filePath(QStringLiteral("out%1.lib").arg(++files));
        const FileResult w = salvaBiblioteca(path, t, when);
        EXPECT_TRUE(w.ok) << w.error.toStdString();
        if (saved)
            *saved = libfix::readBytes(path);
        ComponentTable back;
        const FileResult r = carregaBiblioteca(path, back);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return rowsOf(back);
    }

    QTemporaryDir dir;
    int files = 0;
    libfix::NameOrder order;
};

QByteArray lines(const Names &list, const QByteArray &end)
{
    QByteArray out;
    for (const QByteArray &l : list)
        out += l + end;
    return out;
}

// A polyline line of about `bytes` bytes: a count far above what the line
// holds, then coordinate pairs.
QByteArray bigPolyline(qsizetype bytes)
{
    QByteArray line = "P 2000000 0 1 10";
    const QByteArray pair = " -1234 5678";
    line.reserve(bytes + pair.size());
    while (line.size() < bytes)
        line += pair;
    return line + " F";
}

// A DEF line of exactly `count` tokens naming `name`.
QByteArray defLine(const QByteArray &name, int count)
{
    QByteArray line = "DEF " + name + " U 0 40 Y Y 3 F N";
    int have = 10;
    while (have < count)
        line += " t" + QByteArray::number(++have);
    return line;
}

} // namespace

TEST_F(LibraryHostis, TenMegabyteLinesInsideAndOutsideABlockAreKeptOrSkippedWhole)
{
    const QByteArray inBlock = bigPolyline(TenMegabytes);
    const QByteArray outside = "# " + QByteArray(TenMegabytes, 'c');
    const QByteArray noBreaks = QByteArray(TenMegabytes, 'z'); // last line, no line end
    ASSERT_GE(inBlock.size(), TenMegabytes);

    const Names file = {"EESchema-LIBRARY Version 2.4",
                        "DEF big U 0 40 Y Y 1 F N",
                        "F0 \"U\" 0 50 50 H V C CNN",
                        "DRAW",
                        inBlock,
                        "ENDDRAW",
                        "ENDDEF",
                        outside,
                        "DEF after U 0 40 Y Y 1 F N",
                        "ENDDEF"};
    const Components want = {
        {"after", lines({"DEF after U 0 40 Y Y 1 F N", "ENDDEF"}, "\r")},
        {"big", lines({"DEF big U 0 40 Y Y 1 F N", "F0 \"U\" 0 50 50 H V C CNN", "DRAW", inBlock,
                       "ENDDRAW", "ENDDEF"},
                      "\r")},
    };
    for (const QByteArray &end : {QByteArray("\n"), QByteArray("\r\n"), QByteArray("\r")}) {
        SCOPED_TRACE(end.toHex().toStdString());
        const QByteArray data = lines(file, end) + noBreaks;
        const Components got = load(data);
        ASSERT_EQ(got.size(), 2);
        EXPECT_EQ(got[0].name, "after");
        EXPECT_EQ(got[1].name, "big");
        EXPECT_EQ(got[1].text.size(), want[1].text.size());
        EXPECT_TRUE(got == want) << "a 10 MB line was cut, or a line outside a block kept";
    }

    // Saved, the long line is written whole with its CR LF, and the file
    // loads the same components again.
    QByteArray saved;
    const Components again = saveAndReload(want, &saved);
    EXPECT_TRUE(again == want);
    EXPECT_TRUE(saved.contains("\r\nDRAW\r\n" + inBlock + "\r\nENDDRAW\r\n"));
    EXPECT_FALSE(saved.contains(outside.left(100)));
}

TEST_F(LibraryHostis, LongLineEndsFallingAcrossEveryReadBoundaryReadTheSame)
{
    // A block whose first long line ends in CR LF at offsets around each
    // power of two from 64 KB to 8 MB, so that CR and LF fall on either side
    // of whatever piece size a reader uses.
    const QByteArray head = "DEF a U\r\n";
    for (qsizetype boundary = qsizetype(1) << 16; boundary <= qsizetype(1) << 23; boundary <<= 1) {
        for (qsizetype shift : {-2, -1, 0, 1}) {
            const qsizetype len = boundary + shift - head.size() - 1; // CR at boundary+shift-1
            const QByteArray line = "S" + QByteArray(len - 1, '7');
            const QByteArray data = head + line + "\r\nX 1 2\r\nENDDEF\r\n";
            ASSERT_EQ(data.indexOf('\r', head.size()), boundary + shift - 1);
            const Components got = load(data);
            ASSERT_EQ(got.size(), 1) << boundary << " " << shift;
            ASSERT_TRUE(got[0].text == "DEF a U\r" + line + "\rX 1 2\rENDDEF\r")
                << "boundary " << boundary << " shift " << shift
                << ": an LF after a CR became an empty line or joined the next";
        }
    }
}

TEST_F(LibraryHostis, FilesOfOnlyLineEndsLoadNoComponentAndReportNothing)
{
    const QByteArray onlyCr(3 * 1024 * 1024 + 7, '\r');
    const QByteArray onlyLf(3 * 1024 * 1024 + 7, '\n');
    const QByteArray crLf = QByteArray("\r\n").repeated(1024 * 1024 + 3);
    const QByteArray lfCr = QByteArray("\n\r").repeated(1024 * 1024 + 3);
    for (const QByteArray *data : {&onlyCr, &onlyLf, &crLf, &lfCr}) {
        // The table held rows before: the load replaces them with nothing.
        ComponentTable t;
        libfix::addRow(t, "old", "DEF old\rENDDEF\r");
        const QString path = write(*data);
        const FileResult r = carregaBiblioteca(path, t);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_TRUE(r.error.isEmpty());
        EXPECT_EQ(t.rowCount(), 0);
        EXPECT_TRUE(t.atBegin() && t.atEnd());
        EXPECT_FALSE(t.notificationsSuspended());
        EXPECT_EQ(t.state(), ComponentTable::State::Browse);
        EXPECT_TRUE(libfix::readBytes(path) == *data);
    }
    // Line ends only, then one component: it is the only row, without any
    // of the empty lines before it.
    const Components got = load(onlyLf + onlyCr + "DEF x U\nENDDEF\n" + crLf);
    EXPECT_TRUE(got == (Components{{"x", "DEF x U\rENDDEF\r"}}));
}

TEST_F(LibraryHostis, CtrlZAsTheFirstByteEndsTheFileBeforeAnything)
{
    const QByteArray library = "EESchema-LIBRARY Version 2.4\nDEF a U 0 40 Y Y 1 F N\nENDDEF\n"
                               "DEF b U 0 40 Y Y 1 F N\nENDDEF\n#End Library\n";
    ASSERT_EQ(load(library).size(), 2); // the same file without the Ctrl-Z
    for (const QByteArray &data :
         {"\x1a" + library, QByteArray("\x1a"), "\x1a\r\n" + library, "\x1a\x1a" + library}) {
        SCOPED_TRACE(data.left(8).toHex().toStdString());
        EXPECT_TRUE(load(data).isEmpty());
    }
    // Line ends before the Ctrl-Z change nothing.
    EXPECT_TRUE(load("\r\n\n\r\x1a" + library).isEmpty());
    // A Ctrl-Z as the first byte of a block's line ends the file there: the
    // open block is cut short and left out.
    EXPECT_TRUE(load("DEF a U\nS 1 2 3 4\n\x1a"
                     "ENDDEF\nDEF b U\nENDDEF\n")
                    .isEmpty());
}

TEST_F(LibraryHostis, DefLinesBeyondTheTokenTableStillNameTheComponentFromToken2)
{
    QByteArray data = "EESchema-LIBRARY Version 2.4\n";
    Components want;
    for (int count : {299, 300, 301, 5000}) {
        const QByteArray name = "N" + QByteArray::number(count);
        const QByteArray def = defLine(name, count);
        // The line ends in a word, so the tokenizer's result is its token count.
        ASSERT_EQ(separa_linha(def).indiceFinal(), count)
            << "the line was not built with " << count << " tokens";
        data += def + "\nF0 \"U\" 0 50 50 H V C CNN\nENDDEF\n";
        want.append(Component{name, def + "\rF0 \"U\" 0 50 50 H V C CNN\rENDDEF\r"});
    }
    // Token 2 of a 5000-token line that is itself long: cut at 60 bytes; the
    // line is stored whole.
    const QByteArray longName(70, 'L');
    const QByteArray def = defLine(longName, 5000);
    data += def + "\nENDDEF\n";
    want.append(Component{longName.left(60), def + "\rENDDEF\r"});
    // A line of 5000 tokens that is not a DEF line, inside a block, leaves
    // the next DEF line's name alone.
    const QByteArray manyWords = "X" + QByteArray(" 9").repeated(4999);
    data += "DEF after U\n" + manyWords + "\nENDDEF\nDEF last U\nENDDEF\n";
    want.append(Component{"after", "DEF after U\r" + manyWords + "\rENDDEF\r"});
    want.append(Component{"last", "DEF last U\rENDDEF\r"});

    const Components got = load(data);
    EXPECT_TRUE(got == order.sorted(want)) << "names or texts of the long DEF lines differ";
    EXPECT_TRUE(got == order.sorted(expectedComponents(data)));
    EXPECT_TRUE(saveAndReload(got) == got);
}

namespace {

// A device like a disk that fills up: a write is taken only as far as room
// remains, without an error; the next write finds no room and fails.
class FillingDevice : public QIODevice
{
public:
    explicit FillingDevice(qint64 room) : m_room(room) {}
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        const qint64 take = std::min(len, m_room - qint64(written.size()));
        if (take <= 0) {
            setErrorString(QStringLiteral("simulated: no space left"));
            return -1;
        }
        written.append(data, take);
        return take;
    }

private:
    qint64 m_room;
};

} // namespace

TEST_F(LibraryHostis, AWriteTheDiskTakesOnlyInPartFailsWithTheDisksReason)
{
    ComponentTable t;
    for (int i = 0; i < 2000; ++i)
        libfix::addRow(t, "c" + QByteArray::number(i),
                       "DEF c" + QByteArray::number(i) + " U 0 40 Y Y 1 F N\rS 0 0 1 1\rENDDEF\r");
    for (qint64 room : {qint64(10), qint64(4096), qint64(60000)}) {
        SCOPED_TRACE(room);
        FillingDevice dev(room);
        ASSERT_TRUE(dev.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const FileResult r = gravaBiblioteca(dev, t, when);
        EXPECT_FALSE(r.ok) << "a library that did not fit was reported as written";
        EXPECT_EQ(r.error, QStringLiteral("simulated: no space left"));
        EXPECT_EQ(dev.written.size(), room);
    }
}

TEST_F(LibraryHostis, SavingOntoAFullDiskLeavesTheOldFileWhole)
{
    // A file system of 64 KB with one 4 KB page left, holding the old file.
    const QString full = dir.filePath(QStringLiteral("full"));
    ASSERT_TRUE(QDir().mkpath(full));
    hostis::MountGuard mount;
    QString why;
    if (!mount.tmpfs(full, 64 * 1024, &why))
        GTEST_SKIP() << "cannot mount a small file system here (" << why.toStdString()
                     << "); the full disk case is not tested";
    const QString path = full + QStringLiteral("/lib.lib");
    const QByteArray old = "DEF old U\r\nENDDEF\r\n";
    ASSERT_TRUE(libfix::writeBytes(path, old));
    ASSERT_TRUE(libfix::writeBytes(full + QStringLiteral("/filler"), QByteArray(14 * 4096, 'f')));

    // Libraries of about 10 KB (smaller than any file buffer) and 1 MB.
    for (int count : {80, 8000}) {
        SCOPED_TRACE(count);
        ComponentTable t;
        for (int i = 0; i < count; ++i)
            libfix::addRow(t, "c" + QByteArray::number(i),
                           "DEF c" + QByteArray::number(i) +
                               " U 0 40 Y Y 1 F N\rS -100 100 100 -100 0 1 0 N\rENDDEF\r");
        const FileResult r = salvaBiblioteca(path, t, when);
        EXPECT_FALSE(r.ok) << "a library cut short by the full disk was reported as saved";
        EXPECT_TRUE(r.error.contains(hostis::systemMessage(ENOSPC))) << r.error.toStdString();
        EXPECT_TRUE(libfix::readBytes(path) == old) << "the old file was replaced";
        EXPECT_EQ(QDir(full).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  (QStringList{QStringLiteral("filler"), QStringLiteral("lib.lib")}));
    }
}
