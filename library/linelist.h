#pragma once

#include <QByteArray>
#include <QList>
#include <QSysInfo>

#include <bit>
#include <cstring>

// A command text split into lines the way its editor shows it: CR LF, a lone
// CR and a lone LF each end a line, and a break at the very end of the text
// opens no further, empty line. Lines are kept whole, however long.
QList<QByteArray> linhas(const QByteArray &texto);

// The first CR or LF (and Ctrl-Z, 26, when asked) in [p, end), or end. Looks at
// eight bytes at a time where the byte order allows it.
template <bool StopAtCtrlZ = false> const char *procuraQuebra(const char *p, const char *end)
{
    auto special = [](char c) { return c == '\r' || c == '\n' || (StopAtCtrlZ && c == 26); };
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        constexpr quint64 ones = 0x0101010101010101ULL;
        constexpr quint64 highs = 0x8080808080808080ULL;
        // The lowest high bit set marks the first zero byte of v.
        auto zeros = [](quint64 v) { return (v - ones) & ~v & highs; };
        while (end - p >= 8) {
            quint64 w;
            std::memcpy(&w, p, 8);
            quint64 hit = zeros(w ^ (ones * '\r')) | zeros(w ^ (ones * '\n'));
            if constexpr (StopAtCtrlZ)
                hit |= zeros(w ^ (ones * 26));
            if (hit)
                return p + std::countr_zero(hit) / 8;
            p += 8;
        }
    }
    while (p < end && !special(*p))
        ++p;
    return p;
}

// Calls f(line) for each line of `texto` as `linhas` would give them, without
// building the list.
template <typename F> void paraCadaLinha(const QByteArray &texto, F &&f)
{
    const char *p = texto.constData();
    const char *const end = p + texto.size();
    while (p < end) {
        const char *q = procuraQuebra(p, end);
        f(QByteArray::fromRawData(p, q - p));
        if (q == end)
            break;
        if (*q == '\r' && q + 1 < end && q[1] == '\n')
            ++q;
        p = q + 1;
    }
}

// The text with its lines joined by CR LF, as the editor stores an edited
// text back into its row: no break after the last line.
QByteArray juntaCrLf(const QList<QByteArray> &lines);
