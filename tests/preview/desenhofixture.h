#pragma once

#include "preview/desenho.h"
#include "tests/support/recordingcanvas.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <initializer_list>

// A drawing state whose drawing image records instead of painting.
class DesenhoTest : public ::testing::Test
{
protected:
    using Kind = RecordingCanvas::Kind;
    using Call = RecordingCanvas::Call;

    PreviewImage image{&RecordingCanvas::make};
    Desenho d{image};
    QStringList label1;

    DesenhoTest()
    {
        d.escreveLabel1 = [this](const QString &word) { label1 << word; };
    }

    RecordingCanvas &canvas() { return static_cast<RecordingCanvas &>(image.canvas()); }
    std::vector<Call> calls(Kind kind) { return canvas().callsOf(kind); }

    void draw(std::initializer_list<const char *> lines)
    {
        for (const char *line : lines)
            d.interpreta_linha(QByteArray(line));
    }

    // The pixel of a library point at the current zoom, without tracking.
    QPoint at(qint64 x, qint64 y) { return {d.mapeia_x(x, false), d.mapeia_y(y, false)}; }
};
