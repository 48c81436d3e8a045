#include "imageview.h"

#include <QPaintEvent>
#include <QPainter>

void ImageView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    if (m_image && !m_image->isNull())
        p.drawImage(event->rect().topLeft(), *m_image, event->rect());
}
