#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

namespace quorvel::ui {
class Image;
}

namespace quorvel::viewer {

// A picture at one of its pixels to one pixel of the screen, for checking
// focus: larger than the space it has, it is moved about by dragging. Until
// the picture's full decode comes, the picture as decoded for the box stands
// in, scaled up to the same place.
class ActualPixels : public QWidget
{
    Q_OBJECT

public:
    explicit ActualPixels(QWidget *parent = nullptr);

    // Shows a picture of natural pixels with the point focus (a fraction of
    // its width and height) under the point at of this widget. image is the
    // picture decoded at any size; it is drawn scaled to natural size.
    void showPicture(const QImage &image, QSize natural, QPointF focus, QPoint at);
    // Shows box's picture over it, and raises itself: the point under the
    // pointer stays under it; with the pointer elsewhere, the middle of the
    // picture goes to the middle.
    void showOver(const ui::Image &box);
    // The same picture, now decoded whole: its place does not move.
    void setImage(const QImage &image);
    bool showsWholeDecode() const;
    // Where the picture's top-left corner is, in this widget's pixels, and
    // the whole picture's place there.
    QPointF origin() const { return m_origin; }
    QRectF shownRect() const { return QRectF(m_origin, shownSize()); }
    void clear();

signals:
    void DblClick();
    // The picture has moved in the widget, or the widget has changed size.
    void moved();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QSizeF shownSize() const;
    // Keeps the picture over the whole widget where it is larger, centred
    // where it is smaller.
    void keepInView();

    QImage m_image;
    QSize m_natural;
    QPointF m_origin;
    QPointF m_dragFrom;
    bool m_dragging = false;
};

} // namespace quorvel::viewer
