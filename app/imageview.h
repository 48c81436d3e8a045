#pragma once

#include <QWidget>

class QImage;

// A preview image: shows the top-left part of its bitmap, unscaled, at the
// widget's own size (the displayed extent), inside a scroll box.
class ImageView : public QWidget
{
    Q_OBJECT

public:
    explicit ImageView(QWidget *parent = nullptr) : QWidget(parent) {}
    void setImage(const QImage *image)
    {
        m_image = image;
        update();
    }
    const QImage *image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QImage *m_image = nullptr;
};
