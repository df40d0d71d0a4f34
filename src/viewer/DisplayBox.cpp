#include "viewer/DisplayBox.h"

#include "ui/Layout.h"
#include "viewer/dlgShowPicture.h"

#include <algorithm>
#include <cmath>

namespace quorvel::viewer {

DisplayBox DisplayBox::classic(qreal devicePixelRatio)
{
    return DisplayBox(true, QRectF(240, 480, dlgShowPicture::boxEdge, dlgShowPicture::boxEdge),
                      devicePixelRatio);
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
        const dlgShowPicture::BoxSize size = dlgShowPicture::fitToBox(W, H);
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

// As ui::Image sizes itself: whole pixels from twips, then device pixels.
QSize DisplayBox::devicePixels(const QSize &natural) const
{
    const Placement placement = place(float(natural.width() * ui::twipsPerPixel),
                                      float(natural.height() * ui::twipsPerPixel));
    if (!placement.width)
        return {};
    return QSize(int(std::lround(ui::pixels(*placement.width) * m_ratio)),
                 int(std::lround(ui::pixels(placement.height) * m_ratio)));
}

} // namespace quorvel::viewer
