#pragma once

#include <QByteArray>
#include <QList>

// A command text split into lines the way its editor shows it: CR LF, a lone
// CR and a lone LF each end a line, and a break at the very end of the text
// opens no further, empty line. Lines are kept whole, however long.
QList<QByteArray> linhas(const QByteArray &texto);

// Calls f(line) for each line of `texto` as `linhas` would give them, without
// building the list.
template <typename F> void paraCadaLinha(const QByteArray &texto, F &&f)
{
    const char *p = texto.constData();
    const qsizetype n = texto.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (c == '\r' || c == '\n') {
            f(QByteArray::fromRawData(p + start, i - start));
            if (c == '\r' && i + 1 < n && p[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        f(QByteArray::fromRawData(p + start, n - start));
}

// The text with its lines joined by CR LF, as the editor stores an edited
// text back into its row: no break after the last line.
QByteArray juntaCrLf(const QList<QByteArray> &lines);
