#pragma once

// What the floor benchmarks share: the least work of reading a file and of
// keeping its components.
#include "library/linelist.h"

#include <QByteArray>
#include <QFile>

#include <cstring>
#include <optional>
#include <vector>

// The file's bytes, or nothing when it cannot be opened.
inline std::optional<QByteArray> bytesDe(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

// The least work of a reader that keeps each component's text: the lines of
// every DEF ... ENDDEF block of `bytes` copied into a text of their own, each
// line ended by a CR as the reader stores them. No name, no table, no mends.
inline void separaBlocos(const QByteArray &bytes, std::vector<QByteArray> &out)
{
    // The open block's lines gather in one buffer of the file's size.
    QByteArray text(bytes.size() + 1, Qt::Uninitialized);
    char *const start = text.data();
    char *w = start;
    bool open = false;
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    while (p < end) {
        const char *q = procuraQuebra(p, end);
        if (q - p >= 3 && std::memcmp(p, "DEF", 3) == 0)
            open = true;
        if (open) {
            std::memcpy(w, p, size_t(q - p));
            w += q - p;
            *w++ = '\r';
            if (q - p >= 6 && std::memcmp(p, "ENDDEF", 6) == 0) {
                out.emplace_back(start, w - start);
                w = start;
                open = false;
            }
        }
        p = q + (q < end && *q == '\r' && q + 1 < end && q[1] == '\n' ? 2 : 1);
    }
}
