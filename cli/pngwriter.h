#pragma once

#include <QByteArray>
#include <QImage>

// A PNG file of the image, pixel for pixel: with a colour table when the
// image has at most 256 colours, else 8-bit RGB. Rows are stored unfiltered
// and deflated at the fastest level: symbol pictures are mostly long runs of
// white, which that compresses well, and rendering a whole library is
// bounded by this step. (Qt's PNG writer filters every row five ways and
// took most of the rendering time.)
QByteArray encodePng(const QImage &image);
