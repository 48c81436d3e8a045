#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <ostream>
#include <stdexcept>

// Test names and messages show paths as text.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << s.toStdString();
}

// The real KiCad libraries the tests read, from ../shared/corpus/. Without
// them these functions throw: GoogleTest fails the test with that one message
// naming the folder, where an empty list would pass loops over nothing or
// fail later on counts that say nothing about the cause.
inline QString corpusDir()
{
    const QString dir = QStringLiteral(COPISTA_CORPUS_DIR);
    if (!QFileInfo(dir).isDir())
        throw std::runtime_error("corpus folder not found: " + dir.toStdString());
    return dir;
}

inline QStringList corpusLibraries()
{
    QStringList result;
    const QDir dir(corpusDir());
    for (const QString &name : dir.entryList({QStringLiteral("*.lib")}, QDir::Files, QDir::Name))
        result << dir.filePath(name);
    if (result.isEmpty())
        throw std::runtime_error("no .lib file in the corpus folder: " + dir.path().toStdString());
    return result;
}

// KiCad 6 and later: the ten libraries as KiCad 6 ships them, then power and
// 74xx as KiCad 7, 8 and 9 save them, then KiCad 10's symbol folders.
inline QStringList kicadSymCorpus()
{
    const QDir root(corpusDir() + QStringLiteral("/.."));
    QStringList result;
    const QDir v6(root.filePath(QStringLiteral("kicad-symbols-v6")));
    for (const QString &name :
         v6.entryList({QStringLiteral("*.kicad_sym")}, QDir::Files, QDir::Name))
        result << v6.filePath(name);
    const QDir versions(root.filePath(QStringLiteral("kicad-sym-versions")));
    for (const QString &release :
         versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir r(versions.filePath(release));
        for (const QString &name :
             r.entryList({QStringLiteral("*.kicad_sym*")}, QDir::Files | QDir::Dirs, QDir::Name))
            result << r.filePath(name);
    }
    if (result.size() < 10)
        throw std::runtime_error("KiCad 6 libraries missing beside " + corpusDir().toStdString());
    return result;
}
