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
    const QImage &bitmap = m_image->bitmap();
    const QRect area = event->rect() & QRect(QPoint(0, 0), m_image->extent()) & bitmap.rect();
    if (!area.isEmpty())
        p.drawImage(area.topLeft(), bitmap, area);
}
