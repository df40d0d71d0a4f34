#pragma once

#include <atomic>
#include <QImage>
#include <QSize>

class QIODevice;

namespace quorvel::pictures {

// Decodes a camera's JPEG with libjpeg straight into the 32-bit pixels the
// screen takes, at the smallest of its scales (n/8) that still covers the
// size asked for, then smoothly to that size, as Qt's reader does. Unlike
// Qt's reader it reads the file in large blocks, writes no 24-bit row to be
// widened afterwards, and stops at once, quietly, when the decode is no
// longer wanted: a decode given up is never finished on made-up data, and
// never says a word about the file. A JPEG of another kind (grey, CMYK) is
// left to Qt's reader.
class JpegDecoder
{
public:
    enum class Outcome {
        Decoded,
        Cancelled,
        Damaged,   // past its header: the picture can't be shown
        NotHandled // not a kind this decodes; the device is where it was
    };

    // How closely the image is to come to the size wanted: exactly, or at
    // least that size, as libjpeg's own scale gives it, with no second
    // scaling after it (of the picture's shape, which may not be that of
    // the size wanted), for a caller that brings it down itself.
    enum class Fit { Exactly, AtLeast };

    // device: at the start of the JPEG; pixels: the size wanted, as stored
    // (not turned). image is set only when Decoded.
    static Outcome decode(QIODevice &device, const QSize &pixels,
                          const std::atomic<bool> &cancelled, QImage &image,
                          Fit fit = Fit::Exactly);
};

} // namespace quorvel::pictures
