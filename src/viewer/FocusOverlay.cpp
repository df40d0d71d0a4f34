#include "viewer/FocusOverlay.h"

#include <QPainter>
#include <QPen>

namespace quorvel::viewer {

FocusOverlay::FocusOverlay(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

// Told again with every picture that lands: nothing is painted for what
// has not changed, as for the empty overlay of every picture while F and P
// are off.
void FocusOverlay::setAreas(const QList<QRectF> &areas)
{
    if (areas == m_areas)
        return;
    m_areas = areas;
    update();
}

void FocusOverlay::setMask(const QImage &mask)
{
    if (mask.cacheKey() == m_mask.cacheKey())
        return;
    m_mask = mask;
    update();
}

void FocusOverlay::setPictureRect(const QRectF &picture)
{
    m_picture = picture;
    update();
}

QRectF FocusOverlay::pictureRect() const
{
    return m_picture.value_or(QRectF(rect()));
}

// A point would vanish at any size: it gets a square of its own size on
// screen, the same at the box's size as at one to one.
QList<QRectF> FocusOverlay::frames() const
{
    const QRectF picture = pictureRect();
    QList<QRectF> frames;
    for (const QRectF &area : m_areas) {
        const QRectF frame(picture.left() + area.left() * picture.width(),
                           picture.top() + area.top() * picture.height(),
                           area.width() * picture.width(), area.height() * picture.height());
        if (area.width() > 0 && area.height() > 0)
            frames << frame;
        else
            frames << QRectF(frame.center() - QPointF(pointSide, pointSide) / 2,
                             QSizeF(pointSide, pointSide));
    }
    return frames;
}

void FocusOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_mask.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(pictureRect(), m_mask);
    }
    // Two lines, dark under light, so that the frame shows on snow and on
    // shadows alike.
    for (const auto &[colour, width] :
         {std::pair{QColor(0, 0, 0, 160), 4}, {QColor(Qt::white), 2}}) {
        painter.setPen(QPen(colour, width));
        painter.setBrush(Qt::NoBrush);
        for (const QRectF &frame : frames())
            painter.drawRect(frame);
    }
}

void FocusOverlay::resizeEvent(QResizeEvent *)
{
    update();
}

} // namespace quorvel::viewer
