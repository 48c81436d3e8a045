#pragma once

#include <QWidget>

class PreviewImage;

// A preview image inside its scroll box: the widget's size is the image's
// displayed extent, and it shows the top-left part of the bitmap, unscaled.
class ImageView : public QWidget
{
    Q_OBJECT

public:
    explicit ImageView(QWidget *parent = nullptr) : QWidget(parent) {}
    void setImage(PreviewImage *image);
    PreviewImage *image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PreviewImage *m_image = nullptr;
};
