#include "previewimage.h"

#include "platform/imagecanvas.h"

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
