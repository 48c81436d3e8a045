#include "pngwriter.h"

#include <QHash>
#include <QList>
#include <QtEndian>

#include <array>

namespace {

const std::array<quint32, 256> &crcTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

quint32 crc32(const char *p, qsizetype n)
{
    const auto &table = crcTable();
    quint32 c = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < n; ++i)
        c = table[(c ^ quint8(p[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void chunk(QByteArray &out, const char type[4], const QByteArray &data)
{
    putU32(out, quint32(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    putU32(out, crc32(out.constData() + start, out.size() - start));
}

// Rows of palette indexes, each behind its filter byte (0, none); empty when
// the image has more than 256 colours.
QByteArray indexedRows(const QImage &image, QByteArray &palette)
{
    const int w = image.width();
    QByteArray rows;
    rows.resize(qsizetype(w + 1) * image.height());
    char *out = rows.data();
    QHash<QRgb, uchar> index;
    QRgb last = 0;
    uchar lastIndex = 0;
    bool any = false;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        *out++ = 0;
        for (int x = 0; x < w; ++x) {
            const QRgb c = in[x] & 0xFFFFFFu;
            // Runs of one colour are the rule: only a change needs a look-up.
            if (!any || c != last) {
                auto it = index.constFind(c);
                if (it == index.cend()) {
                    if (index.size() == 256)
                        return {};
                    it = index.insert(c, uchar(index.size()));
                    palette.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
                }
                last = c;
                lastIndex = *it;
                any = true;
            }
            *out++ = char(lastIndex);
        }
    }
    return rows;
}

QByteArray rgbRows(const QImage &image)
{
    const int w = image.width();
    QByteArray rows;
    rows.resize((qsizetype(w) * 3 + 1) * image.height());
    char *out = rows.data();
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        *out++ = 0;
        for (int x = 0; x < w; ++x) {
            *out++ = char(qRed(in[x]));
            *out++ = char(qGreen(in[x]));
            *out++ = char(qBlue(in[x]));
        }
    }
    return rows;
}

} // namespace

QByteArray encodePng(const QImage &source)
{
    const QImage image =
        source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
            ? source
            : source.convertToFormat(QImage::Format_RGB32);
    QByteArray palette;
    QByteArray rows = indexedRows(image, palette);
    const bool indexed = !rows.isEmpty() || image.isNull();
    if (!indexed) {
        palette.clear();
        rows = rgbRows(image);
    }

    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    putU32(header, quint32(image.width()));
    putU32(header, quint32(image.height()));
    // Bit depth 8; colour type 3 (palette) or 2 (RGB); deflate; no
    // filtering method beyond the standard one; not interlaced.
    header.append(char(8))
        .append(char(indexed ? 3 : 2))
        .append(char(0))
        .append(char(0))
        .append(char(0));
    chunk(out, "IHDR", header);
    if (indexed)
        chunk(out, "PLTE", palette);
    // qCompress gives a zlib stream behind a 4-byte length of its own.
    chunk(out, "IDAT", qCompress(rows, 1).mid(4));
    chunk(out, "IEND", {});
    return out;
}
