#pragma once

#include <atomic>
#include <optional>
#include <QImage>
#include <QPointF>
#include <QSize>

namespace quorvel::pictures {

// Focus peaking: which edges of a picture are in focus, measured on a decode
// finer than the picture is shown at (twice its size or more), and marked at
// the size shown. At the size of the viewer a soft picture looks sharp; its
// finer decode still tells the edges drawn in one or two pixels, which only a
// picture in focus has, from the wider ones of a soft picture.
class FocusPeaking
{
public:
    // What stands out over any photograph: nature has almost no magenta.
    static constexpr QRgb colour = 0xFFFF00FF;

    struct Result
    {
        // At the size shown, QImage::Format_ARGB32_Premultiplied: colour
        // where an edge in focus passes, transparent elsewhere. Null only when
        // nothing was shown or the work was given up.
        QImage mask;
        // The middle of the area with the most edges in focus, as fractions
        // of the picture's width and height; none when nothing is in focus.
        std::optional<QPointF> sharpest;
    };

    // detailed: the picture, upright, decoded at twice shown or finer (at
    // shown itself for a look at one to one), or its luminance() as
    // QImage::Format_Grayscale8; given up with a null mask as soon as
    // cancelled turns true.
    static Result of(const QImage &detailed, const QSize &shown,
                     const std::atomic<bool> &cancelled);
    static Result of(const QImage &detailed, const QSize &shown);

    // The luminance the measure takes from detailed and, into halved when
    // given, detailed at half its width and height (rounded down), each
    // pixel the mean of two by two: a large decode is read once for both,
    // and brought down to the size shown from half its size.
    static QImage luminance(const QImage &detailed, QImage *halved = nullptr);
};

} // namespace quorvel::pictures
