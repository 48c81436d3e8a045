#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <stdexcept>

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
