#pragma once

#include <optional>
#include <QRectF>
#include <QSize>

namespace quorvel::ui {

// Where the viewer puts a picture, and so the size it is decoded at: in the
// dialog's own box, its longer side 8000 twips with its top-left corner
// fixed, or at full screen scaled to fit and centred in the space left of
// the buttons. A plain value, so that a worker thread sizes its decode
// without asking the dialog (devicePixels()).
class DisplayBox
{
public:
    // Length in twips of the displayed picture's longer side in the dialog's
    // own box.
    static constexpr qint16 boxEdge = 8000;

    // The displayed size, in twips, for a picture measuring W x H in the
    // dialog's own box. The product comes first and the quotient is kept in
    // single precision, fractions included. A picture with no extent at all
    // has no width to compute; the image then keeps the width it had.
    struct BoxSize
    {
        float Height = 0;
        std::optional<float> Width;
    };
    static BoxSize fitToBox(float W, float H);

    // The dialog's own box, on a screen of devicePixelRatio.
    static DisplayBox classic(qreal devicePixelRatio);
    // An area given in twips of the dialog's client area.
    static DisplayBox area(const QRectF &twips, qreal devicePixelRatio);

    // The picture's place in twips. Width is empty where the classic box
    // leaves the image's width as it was (a picture without extent).
    struct Placement
    {
        float left = 0;
        float top = 0;
        float height = 0;
        std::optional<float> width;
    };
    // W and H: the picture's natural size in twips.
    Placement place(float W, float H) const;

    // The device pixels a picture of natural pixels covers once placed: what
    // it is decoded to. Empty for a picture without extent.
    QSize devicePixels(const QSize &natural) const;

    bool isClassic() const { return m_classic; }
    // The space a picture may take, in twips.
    QRectF areaTwips() const { return m_area; }
    qreal devicePixelRatio() const { return m_ratio; }

    bool operator==(const DisplayBox &other) const = default;

private:
    DisplayBox(bool classic, const QRectF &area, qreal ratio)
        : m_classic(classic), m_area(area), m_ratio(ratio)
    {}

    bool m_classic = true;
    QRectF m_area;
    qreal m_ratio = 1;
};

} // namespace quorvel::ui
