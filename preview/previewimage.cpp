#include "previewimage.h"

#include "platform/imagecanvas.h"

#include <QPainter>
#include <algorithm>

PreviewImage::PreviewImage(CanvasFactory factory, QObject *parent)
    : QObject(parent), m_factory(std::move(factory))
{
}

PreviewImage::~PreviewImage() = default;

Canvas &PreviewImage::canvas()
{
    if (!m_canvas)
        m_canvas = m_factory ? m_factory(m_lado) : std::make_unique<ImageCanvas>(m_lado);
    return *m_canvas;
}

void PreviewImage::redimensiona(QSize lado, bool mantem)
{
    if (lado == m_lado)
        return;
    if (m_canvas) {
        m_canvas->setSize(lado, mantem);
        m_lado = m_canvas->size();
    } else {
        m_lado = lado;
    }
}

int PreviewImage::ladoPara(qint64 need)
{
    if (need <= Lado || need > Teto)
        return Lado;
    return int(std::min<qint64>((need + 255) / 256 * 256, Teto));
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
