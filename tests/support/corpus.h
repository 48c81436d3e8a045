#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// The real KiCad libraries the tests read, from ../shared/corpus/.
inline QString corpusDir()
{
    return QStringLiteral(COPISTA_CORPUS_DIR);
}

inline QStringList corpusLibraries()
{
    QStringList result;
    const QDir dir(corpusDir());
    for (const QString &name : dir.entryList({QStringLiteral("*.lib")}, QDir::Files, QDir::Name))
        result << dir.filePath(name);
    return result;
}
