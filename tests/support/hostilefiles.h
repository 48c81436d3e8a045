#pragma once

// Helpers for the tests that feed the tool hostile files and make the disk
// refuse: the corpus split into component blocks, the process's memory
// figures, snapshots of a folder, and mounts that a test makes and always
// takes down again.

#include "tests/support/corpus.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QString>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace hostis {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool AddressSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool AddressSanitized = true;
#else
inline constexpr bool AddressSanitized = false;
#endif
#else
inline constexpr bool AddressSanitized = false;
#endif

// One DEF ... ENDDEF block of a corpus library: its lines without line ends,
// and the DEF line split at its name so the block can be renamed.
struct Block
{
    QList<QByteArray> lines; // lines[0] is the DEF line
    QByteArray name;         // second field of the DEF line
    qsizetype nameStart = 0; // where the name begins in lines[0]
    qsizetype bytes = 0;     // the block's size with one LF per line

    // The DEF line with `newName` in place of the name.
    QByteArray defLine(const QByteArray &newName) const
    {
        const QByteArray &def = lines[0];
        return def.left(nameStart) + newName + def.mid(nameStart + name.size());
    }
};

// Every block of every corpus library, in file order. A block is a DEF line
// (its first word "DEF", written at the start of the line) through the next
// ENDDEF line.
inline QList<Block> corpusBlocks()
{
    QList<Block> out;
    for (const QString &path : corpusLibraries()) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        QByteArray data = f.readAll();
        data.replace("\r\n", "\n");
        data.replace('\r', '\n');
        Block cur;
        bool open = false;
        for (const QByteArray &line : data.split('\n')) {
            if (line.startsWith("DEF ")) {
                cur = Block{};
                qsizetype b = 4;
                while (b < line.size() && line[b] == ' ')
                    ++b;
                qsizetype e = b;
                while (e < line.size() && line[e] != ' ')
                    ++e;
                cur.name = line.mid(b, e - b);
                cur.nameStart = b;
                open = true;
            }
            if (!open)
                continue;
            cur.lines.append(line);
            cur.bytes += line.size() + 1;
            if (line == "ENDDEF") {
                out.append(cur);
                open = false;
            }
        }
    }
    return out;
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"), or -1.
inline qint64 statusBytes(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key)) {
            const QList<QByteArray> parts = line.mid(key.size()).simplified().split(' ');
            return parts.value(0).toLongLong() * 1024;
        }
    }
    return -1;
}

// Makes the peak resident size (VmHWM) start again from the present one.
inline bool resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write("5") == 1;
}

// Every file under `dir` (relative path) with its bytes; folders are listed
// with a trailing "/" and no bytes.
inline QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> out;
    const QDir base(dir);
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = base.relativeFilePath(path);
        if (info.isDir()) {
            out.insert(rel + QLatin1Char('/'), {});
        } else {
            QFile f(path);
            out.insert(rel, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
        }
    }
    return out;
}

// The message the platform gives for an errno value, as Qt reports it.
inline QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A mount made by a test on one of its own folders; taken down when the
// guard goes, whatever the test's outcome.
class MountGuard
{
public:
    MountGuard() = default;
    MountGuard(const MountGuard &) = delete;
    MountGuard &operator=(const MountGuard &) = delete;
    ~MountGuard() { release(); }

    // `dir` bound onto itself, then made read-only. False, with `why`, when
    // the process may not mount here.
    bool bindReadOnly(const QString &dir, QString *why)
    {
        const QByteArray d = QFile::encodeName(dir);
        if (::mount(d.constData(), d.constData(), nullptr, MS_BIND, nullptr) != 0)
            return fail(why, "bind mount");
        m_dir = d;
        if (::mount(nullptr, d.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
            0)
            return fail(why, "read-only remount");
        return true;
    }

    // A fresh tmpfs of `bytes` bytes on `dir`.
    bool tmpfs(const QString &dir, qint64 bytes, QString *why)
    {
        const QByteArray d = QFile::encodeName(dir);
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
        if (::mount("tmpfs", d.constData(), "tmpfs", 0, options.constData()) != 0)
            return fail(why, "tmpfs mount");
        m_dir = d;
        return true;
    }

    void release()
    {
        if (!m_dir.isEmpty()) {
            ::umount2(m_dir.constData(), MNT_DETACH);
            m_dir.clear();
        }
    }

private:
    bool fail(QString *why, const char *what)
    {
        if (why)
            *why = QStringLiteral("%1 refused: %2").arg(QLatin1String(what), systemMessage(errno));
        release();
        return false;
    }

    QByteArray m_dir;
};

} // namespace hostis
