#include "ui/Image.h"

#include "ui/Layout.h"

#include <QPainter>

namespace quorvel::ui {

Image::Image(QWidget *parent) : QWidget(parent) {}

void Image::Move(float left, float top, float width, float height)
{
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    applyGeometry();
}

void Image::setWidth(float twips)
{
    m_width = twips;
    applyGeometry();
}

void Image::setHeight(float twips)
{
    m_height = twips;
    applyGeometry();
}

void Image::setPicture(const quorvel::pictures::Picture &picture)
{
    m_picture = picture;
    m_renditionHandedIn = false;
    m_rendition = QImage();
    m_renderedFor = QSize();
    m_renderError = 0;
    if (!m_stretch)
        takeNaturalSize();
    else if (!m_picture.isNull())
        render();
    update();
}

void Image::setPicture(const quorvel::pictures::Picture &picture, const QImage &rendition)
{
    m_picture = picture;
    m_renditionHandedIn = true;
    m_rendition = rendition;
    m_renderedFor = devicePixelSize();
    m_renderError = !m_picture.isNull() && m_rendition.isNull() ? pictures::errInvalidPicture : 0;
    if (!m_stretch)
        takeNaturalSize();
    update();
}

void Image::setStandIn(const QImage &image)
{
    m_picture = quorvel::pictures::Picture();
    m_renditionHandedIn = true;
    m_rendition = image;
    m_renderedFor = devicePixelSize();
    m_renderError = 0;
    update();
}

void Image::setStretch(bool stretch)
{
    m_stretch = stretch;
    if (!m_stretch)
        takeNaturalSize();
    update();
}

void Image::paintEvent(QPaintEvent *)
{
    if (!m_renditionHandedIn) {
        if (m_picture.isNull())
            return;
        // A resize or a move to a screen of another density needs a new
        // decode; one that failed is not retried on every paint.
        if (devicePixelSize() != m_renderedFor)
            render();
    }
    if (m_rendition.isNull())
        return;
    QPainter painter(this);
    // A stand-in, or a rendition for a size since left: scaled smoothly,
    // until the decode for this size comes.
    if (m_rendition.size() != devicePixelSize())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), m_rendition);
}

void Image::applyGeometry()
{
    setGeometry(pixels(m_left), pixels(m_top), pixels(m_width), pixels(m_height));
}

void Image::takeNaturalSize()
{
    if (m_picture.isNull())
        return;
    const QSize natural = m_picture.size();
    m_width = float(natural.width() * twipsPerPixel);
    m_height = float(natural.height() * twipsPerPixel);
    applyGeometry();
}

// Decoded for the device pixels the widget covers, a picture stays sharp on
// a high-density screen.
QSize Image::devicePixelSize() const
{
    const qreal ratio = devicePixelRatioF();
    return QSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
}

void Image::render()
{
    m_renderedFor = devicePixelSize();
    m_rendition = m_picture.render(m_renderedFor);
    m_rendition.setDevicePixelRatio(devicePixelRatioF());
    m_renderError =
        m_rendition.isNull() && !m_renderedFor.isEmpty() ? pictures::errInvalidPicture : 0;
}

} // namespace quorvel::ui
