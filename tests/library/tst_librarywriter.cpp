#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "tests/support/corpus.h"
#include "tests/support/libraryfixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using libfix::addRow;
using libfix::namesOf;
using libfix::readBytes;
using libfix::writeBytes;

namespace {

const QDateTime when(QDate(2026, 12, 7), QTime(21, 5, 9));
const QByteArray header = "EESchema-LIBRARY Version 2.3  Date:   07/12/2026-21:05:09\r\n";

QByteArray writeToMemory(const ComponentTable &t)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    const FileResult r = gravaBiblioteca(buf, t, when);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    return buf.data();
}

// Everything in a folder, for "nothing else was created" checks.
QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Lowers the process's file size limit for the lifetime of the object, so
// that writing a bigger file fails even for root.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_saved;
        lower.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

TEST(LibraryWriter, HeaderCarriesTheDateInTwoDigitFieldsAndA24HourClock)
{
    EXPECT_EQ(cabecalhoBiblioteca(when), header.chopped(2));
    EXPECT_EQ(cabecalhoBiblioteca(QDateTime(QDate(2003, 2, 1), QTime(4, 5, 6))),
              "EESchema-LIBRARY Version 2.3  Date:   01/02/2003-04:05:06");
    EXPECT_EQ(cabecalhoBiblioteca(QDateTime(QDate(1999, 11, 30), QTime(23, 59, 59))),
              "EESchema-LIBRARY Version 2.3  Date:   30/11/1999-23:59:59");
    EXPECT_EQ(cabecalhoBiblioteca(QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0))),
              "EESchema-LIBRARY Version 2.3  Date:   01/01/2000-00:00:00");
}

TEST(LibraryWriter, OutputIsByteExact)
{
    ComponentTable t;
    // Table order, not name order, is the file's order.
    addRow(t, "b", "DEF b U\rENDDEF\r");                  // as loaded: CR breaks
    addRow(t, "a", "DEF a U\r\nX 1 ~ 1 0 0\r\nENDDEF");   // edited, no final break
    addRow(t, "empty", "");                               // adds nothing
    addRow(t, "d", "DEF d U\r\nENDDEF\r\n\r\n");          // two final breaks
    addRow(t, "e", "DEF e U\nF0 \"\xe9\xff\"\nENDDEF\n"); // LF breaks, high bytes
    addRow(t, "nul", QByteArray("DEF nul U\r\0T\0\rENDDEF\r", 21));
    t.first();
    t.next();
    t.next();

    const QByteArray expected = header +
                                "DEF b U\r\nENDDEF\r\n"
                                "DEF a U\r\nX 1 ~ 1 0 0\r\nENDDEF\r\n"
                                "DEF d U\r\nENDDEF\r\n\r\n"
                                "DEF e U\r\nF0 \"\xe9\xff\"\r\nENDDEF\r\n" +
                                QByteArray("DEF nul U\r\n\0T\0\r\nENDDEF\r\n", 24);
    EXPECT_EQ(writeToMemory(t), expected);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.lib"));
    const FileResult r = salvaBiblioteca(path, t, when);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("out.lib")});

    // Writing reads the rows only: the table is where it was.
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_EQ(t.state(), ComponentTable::State::Browse);
    EXPECT_EQ(t.rowCount(), 6);
}

TEST(LibraryWriter, AnyTextIsWrittenAsItsLinesEachEndedByCrLf)
{
    // CR LF, a lone CR and a lone LF are one break each; a final break opens
    // no further line. Breaks at the start, inside and at the end; bytes
    // that only look like breaks once their high bit is dropped (8D, 8A).
    const struct
    {
        QByteArray text, written;
    } cases[] = {
        {"a", "a\r\n"},
        {"a\r", "a\r\n"},
        {"a\n", "a\r\n"},
        {"a\r\n", "a\r\n"},
        {"a\n\r", "a\r\n\r\n"},
        {"a\r\rb", "a\r\n\r\nb\r\n"},
        {"\r", "\r\n"},
        {"\n\r\n", "\r\n\r\n"},
        {"\r\r\n", "\r\n\r\n"},
        {"\r\nab", "\r\nab\r\n"},
        {"ab\r\ncd\nef\rgh", "ab\r\ncd\r\nef\r\ngh\r\n"},
        {" \x0c\x0e \xff\x8d\x8a", " \x0c\x0e \xff\x8d\x8a\r\n"},
        {QByteArray("a\0\rb\0", 5), QByteArray("a\0\r\nb\0\r\n", 8)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toHex().toStdString());
        ComponentTable t;
        addRow(t, "r", c.text);
        EXPECT_EQ(writeToMemory(t), header + c.written);
    }
}

TEST(LibraryWriter, EmptyTableWritesTheHeaderOnly)
{
    ComponentTable t;
    EXPECT_EQ(writeToMemory(t), header);
}

TEST(LibraryWriter, LongLinesAndManyMegabytesAreWrittenWhole)
{
    ComponentTable t;
    QByteArray expected = header;
    QByteArray longLine = "P 2 0 1 0";
    while (longLine.size() < 200000)
        longLine += " 100 -200";
    for (int i = 0; i < 20; ++i) {
        const QByteArray n = "L" + QByteArray::number(i);
        addRow(t, n, "DEF " + n + " U\r" + longLine + "\rENDDEF\r");
        expected += "DEF " + n + " U\r\n" + longLine + "\r\nENDDEF\r\n";
    }
    ASSERT_GT(expected.size(), 3 * 1024 * 1024);
    EXPECT_TRUE(writeToMemory(t) == expected);
}

TEST(LibraryWriter, DeviceThatStopsAcceptingGivesAnError)
{
    ComponentTable t;
    for (int i = 0; i < 2000; ++i)
        addRow(t, "c" + QByteArray::number(i), "DEF c U\r" + QByteArray(1000, 'x') + "\rENDDEF\r");
    libfix::FullDevice dev(100000);
    dev.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const FileResult r = gravaBiblioteca(dev, t, when);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.trimmed().isEmpty());
}

TEST(LibraryWriter, SaveIntoMissingFolderFailsAndCreatesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ComponentTable t;
    addRow(t, "a", "DEF a U\rENDDEF\r");
    const QString folder = dir.filePath(QStringLiteral("missing"));
    const FileResult r = salvaBiblioteca(folder + QStringLiteral("/out.lib"), t, when);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.trimmed().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

TEST(LibraryWriter, SaveUnderARegularFileFailsAndLeavesItIntact)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString plain = dir.filePath(QStringLiteral("plain.lib"));
    const QByteArray old = "old contents\r\n";
    ASSERT_TRUE(writeBytes(plain, old));
    ComponentTable t;
    addRow(t, "a", "DEF a U\rENDDEF\r");
    const FileResult r = salvaBiblioteca(plain + QStringLiteral("/out.lib"), t, when);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.trimmed().isEmpty());
    EXPECT_EQ(readBytes(plain), old);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("plain.lib")});
}

TEST(LibraryWriter, WriteFailingMidwayLeavesTheExistingFileUntouched)
{
    // The disk "fills up" after 64 KiB: the file size limit makes the write
    // fail whatever the user's rights.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("lib.lib"));
    QByteArray old;
    for (int i = 0; i < 500; ++i)
        old += "DEF old" + QByteArray::number(i) + " U\r\nENDDEF\r\n";
    ASSERT_TRUE(writeBytes(path, old));

    ComponentTable t;
    for (int i = 0; i < 3000; ++i)
        addRow(t, "n" + QByteArray::number(i), "DEF n U\r" + QByteArray(500, 'y') + "\rENDDEF\r");

    FileResult r;
    {
        FileSizeLimit limit(64 * 1024);
        if (!limit.ok())
            GTEST_SKIP() << "cannot lower the file size limit here; no write failure to provoke";
        r = salvaBiblioteca(path, t, when);
    }
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.trimmed().isEmpty());
    EXPECT_TRUE(readBytes(path) == old);
    // No temporary file is left behind.
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("lib.lib")});

    // With room again, the same save replaces the file completely.
    ASSERT_TRUE(salvaBiblioteca(path, t, when).ok);
    QByteArray expected = header;
    for (int i = 0; i < 3000; ++i)
        expected += "DEF n U\r\n" + QByteArray(500, 'y') + "\r\nENDDEF\r\n";
    EXPECT_TRUE(readBytes(path) == expected);
}

TEST(LibraryWriter, SaveIntoReadOnlyFolderLeavesTheExistingFileUntouched)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: folder permissions do not stop root's writes";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("lib.lib"));
    const QByteArray old = "DEF old U\r\nENDDEF\r\n";
    ASSERT_TRUE(writeBytes(path, old));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    ComponentTable t;
    addRow(t, "a", "DEF a U\rENDDEF\r");
    const FileResult r = salvaBiblioteca(path, t, when);
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.trimmed().isEmpty());
    EXPECT_EQ(readBytes(path), old);
}

TEST(LibraryWriter, EveryCorpusLibraryRoundTrips)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString &source : corpusLibraries()) {
        const QString name = QFileInfo(source).fileName();
        SCOPED_TRACE(name.toStdString());
        ComponentTable loaded;
        ASSERT_TRUE(carregaBiblioteca(source, loaded).ok);
        ASSERT_GT(loaded.rowCount(), 0);

        const QString saved = dir.filePath(name);
        const FileResult r = salvaBiblioteca(saved, loaded, when);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        const QByteArray bytes = readBytes(saved);
        ASSERT_TRUE(bytes.startsWith(header));
        // Every line ends with CR LF, and with nothing else.
        EXPECT_EQ(bytes.count('\r'), bytes.count("\r\n"));
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
        EXPECT_TRUE(bytes.endsWith("ENDDEF\r\n"));

        ComponentTable reloaded;
        ASSERT_TRUE(carregaBiblioteca(saved, reloaded).ok);
        ASSERT_EQ(namesOf(reloaded), namesOf(loaded));
        for (int i = 0; i < loaded.rowCount(); ++i)
            ASSERT_EQ(linhas(reloaded.comandosAt(i)), linhas(loaded.comandosAt(i))) << i;

        // A second save of what was read back is the same file.
        const QString again = dir.filePath(QStringLiteral("again.lib"));
        ASSERT_TRUE(salvaBiblioteca(again, reloaded, when).ok);
        EXPECT_TRUE(readBytes(again) == bytes);
    }
}
