#include "ui/DisplayBox.h"

#include "ui/Twips.h"

#include <algorithm>
#include <cmath>

namespace quorvel::ui {

DisplayBox DisplayBox::classic(qreal devicePixelRatio)
{
    return DisplayBox(true, QRectF(240, 480, boxEdge, boxEdge), devicePixelRatio);
}

DisplayBox::BoxSize DisplayBox::fitToBox(float W, float H)
{
    BoxSize size;
    if (W > H) {
        size.Height = boxEdge * H / W;
        size.Width = boxEdge;
    } else {
        size.Height = boxEdge;
        if (H != 0)
            size.Width = boxEdge * W / H;
    }
    return size;
}

DisplayBox DisplayBox::area(const QRectF &twips, qreal devicePixelRatio)
{
    return DisplayBox(false, twips, devicePixelRatio);
}

DisplayBox::Placement DisplayBox::place(float W, float H) const
{
    Placement placement;
    placement.left = float(m_area.left());
    placement.top = float(m_area.top());
    if (m_classic) {
        const BoxSize size = fitToBox(W, H);
        placement.height = size.Height;
        placement.width = size.Width;
        return placement;
    }
    if (W <= 0 || H <= 0)
        return placement;
    const double scale = std::min(m_area.width() / W, m_area.height() / H);
    const float width = float(W * scale);
    placement.height = float(H * scale);
    placement.width = width;
    placement.left += float((m_area.width() - width) / 2);
    placement.top += float((m_area.height() - placement.height) / 2);
    return placement;
}

// As the viewer's image sizes itself: whole pixels from twips, then device pixels.
QSize DisplayBox::devicePixels(const QSize &natural) const
{
    const Placement placement =
        place(float(natural.width() * twipsPerPixel), float(natural.height() * twipsPerPixel));
    if (!placement.width)
        return {};
    return QSize(int(std::lround(pixels(*placement.width) * m_ratio)),
                 int(std::lround(pixels(placement.height) * m_ratio)));
}

} // namespace quorvel::ui
