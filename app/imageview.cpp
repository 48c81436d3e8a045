#include "imageview.h"

#include "preview/previewimage.h"

#include <QPaintEvent>
#include <QPainter>

void ImageView::setImage(PreviewImage *image)
{
    m_image = image;
    resize(image->extent());
    connect(image, &PreviewImage::extentChanged, this, [this](QSize extent) { resize(extent); });
    connect(image, &PreviewImage::changed, this, qOverload<>(&QWidget::update));
}

void ImageView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    if (!m_image || !m_image->hasCanvas())
        return; // nothing drawn yet: the bitmap would only be white
    // Only the part inside the extent; the image clips it to its bitmap.
    const QRect area = event->rect() & QRect(QPoint(0, 0), m_image->extent());
    if (!area.isEmpty())
        m_image->paint(p, area);
}
