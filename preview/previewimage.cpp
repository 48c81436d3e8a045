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
    if (!m_canvas) {
        const QSize lado = m_area.size();
        m_canvas = m_factory ? m_factory(lado) : std::make_unique<ImageCanvas>(lado);
        m_canvas->setArea(m_area, false);
    }
    return *m_canvas;
}

void PreviewImage::redimensiona(const QRect &area, bool mantem)
{
    if (area == m_area)
        return;
    if (m_canvas) {
        m_canvas->setArea(area, mantem);
        m_area = m_canvas->area();
    } else {
        m_area = area;
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
