#include "viewer/ActualPixels.h"

#include "ui/Image.h"

#include <algorithm>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace quorvel::viewer {

ActualPixels::ActualPixels(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::OpenHandCursor);
}

// One picture pixel to one device pixel: on a high-density screen the
// picture measures less in the widget's own pixels.
QSizeF ActualPixels::shownSize() const
{
    return QSizeF(m_natural) / devicePixelRatioF();
}

void ActualPixels::showOver(const ui::Image &box)
{
    const QPoint pointer = box.mapFromGlobal(QCursor::pos());
    const bool onPicture = box.rect().contains(pointer);
    const QPointF focus =
        onPicture ? QPointF(double(pointer.x()) / box.width(), double(pointer.y()) / box.height())
                  : QPointF(0.5, 0.5);
    const QPoint at = onPicture ? mapFromGlobal(QCursor::pos()) : box.geometry().center() - pos();
    showPicture(box.Rendition(), box.Picture().size(), focus, at);
    show();
    raise();
}

void ActualPixels::showPicture(const QImage &image, QSize natural, QPointF focus, QPoint at)
{
    m_image = image;
    m_natural = natural;
    const QSizeF shown = shownSize();
    m_origin = QPointF(at) - QPointF(focus.x() * shown.width(), focus.y() * shown.height());
    keepInView();
    update();
}

void ActualPixels::setImage(const QImage &image)
{
    m_image = image;
    update();
}

bool ActualPixels::showsWholeDecode() const
{
    return !m_image.isNull() && m_image.size() == m_natural;
}

void ActualPixels::clear()
{
    m_image = QImage();
    m_natural = QSize();
    m_dragging = false;
}

void ActualPixels::keepInView()
{
    const QSizeF shown = shownSize();
    const auto axis = [](qreal origin, qreal picture, qreal view) {
        if (picture <= view)
            return (view - picture) / 2;
        return std::clamp(origin, view - picture, qreal(0));
    };
    m_origin = QPointF(axis(m_origin.x(), shown.width(), width()),
                       axis(m_origin.y(), shown.height(), height()));
    emit moved();
}

void ActualPixels::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_image.isNull())
        return;
    const QRectF target(m_origin, shownSize());
    if (showsWholeDecode()) {
        // Only the part on screen: a 45-megapixel picture drawn whole would
        // cost a frame on every move of the mouse.
        const QRectF visible = target.intersected(QRectF(rect()));
        const qreal ratio = devicePixelRatioF();
        const QRectF source((visible.topLeft() - m_origin) * ratio, visible.size() * ratio);
        painter.drawImage(visible, m_image, source);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}

void ActualPixels::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_dragFrom = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void ActualPixels::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_origin += event->position() - m_dragFrom;
    m_dragFrom = event->position();
    keepInView();
    update();
}

void ActualPixels::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
}

void ActualPixels::mouseDoubleClickEvent(QMouseEvent *)
{
    emit DblClick();
}

void ActualPixels::resizeEvent(QResizeEvent *)
{
    keepInView();
}

} // namespace quorvel::viewer
