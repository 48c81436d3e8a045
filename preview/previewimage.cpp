#include "previewimage.h"

#include "platform/imagecanvas.h"

#include <QPainter>

PreviewImage::PreviewImage(CanvasFactory factory, QObject *parent)
    : QObject(parent), m_factory(std::move(factory))
{
}

PreviewImage::~PreviewImage() = default;

Canvas &PreviewImage::canvas()
{
    if (!m_canvas) {
        const QSize size(Lado, Lado);
        m_canvas = m_factory ? m_factory(size) : std::make_unique<ImageCanvas>(size);
    }
    return *m_canvas;
}

const QImage &PreviewImage::bitmap()
{
    static const QImage none;
    if (!m_canvas)
        return none;
    const QImage *image = m_canvas->image();
    return image ? *image : none;
}

void PreviewImage::setExtent(QSize extent)
{
    if (extent == m_extent)
        return;
    m_extent = extent;
    emit extentChanged(extent);
}

void PreviewImage::paint(QPainter &painter, const QRect &area)
{
    if (!m_canvas)
        return;
    if (auto *own = dynamic_cast<ImageCanvas *>(m_canvas.get())) {
        own->draw(painter, area);
        return;
    }
    const QImage *image = m_canvas->image();
    if (!image)
        return;
    const QRect part = area & image->rect();
    if (!part.isEmpty())
        painter.drawImage(part.topLeft(), *image, part);
}
