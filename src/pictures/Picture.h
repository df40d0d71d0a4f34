#pragma once

#include "pictures/FocusArea.h"

#include <atomic>
#include <memory>
#include <QSize>

class QImage;
class QString;

namespace quorvel::pictures {

class ColourSpace;

// The error numbers LoadPicture reports, kept with their classic values.
inline constexpr int errFileNotFound = 53;
inline constexpr int errPathFileAccess = 75;
inline constexpr int errInvalidPicture = 481;

// A picture loaded from a file. Loading reads and checks the file's header
// and measures the picture; its pixels are read and decoded only when it is
// shown, at the size it is shown at, so a 45-megapixel photograph scaled
// into a dialog costs a screenful of memory, not the 180 MB of a full decode.
// Copies share what was measured: handing a picture from one image to another
// loads nothing again.
class Picture
{
public:
    // The empty picture.
    Picture() = default;

    bool isNull() const { return !m_data; }

    // The natural size in pixels, upright: a photograph the camera marked as
    // taken on its side measures as it is meant to be seen.
    QSize size() const;

    // The colours its numbers stand for, measured with it: what its file
    // embeds or its Exif tags say; sRGB for the empty picture.
    const ColourSpace &colourSpace() const;
    // Where the camera focused, as the picture's own Exif fields record it,
    // read with its colour space from the same reading of its metadata.
    // Nothing for a camera RAW file, whose metadata LibRaw measures.
    const FocusArea &focus() const;

    // The picture decoded, turned upright and scaled to exactly pixels. A null
    // image for the empty picture, and for a file whose data turn out to be
    // damaged past its header.
    QImage render(const QSize &pixels) const;
    // As above, given up with a null image as soon as *cancelled turns true:
    // the file is read in blocks and each block looks at it first, so a
    // decode no longer wanted frees its thread within a moment.
    QImage render(const QSize &pixels, const std::atomic<bool> &cancelled) const;
    // As above, at pixels or larger, of the picture's shape: a JPEG comes at
    // the smallest of its decoder's own scales that covers pixels, which
    // costs no more than a decode to exactly pixels.
    QImage renderAtLeast(const QSize &pixels, const std::atomic<bool> &cancelled) const;

    struct Data;

private:
    explicit Picture(std::shared_ptr<const Data> data);
    friend Picture LoadPicture(const QString &fileName, int &errorNumber);

    std::shared_ptr<const Data> m_data;
};

// Loads the picture in fileName: JPEG, PNG, BMP, GIF, TIFF or WebP. An empty
// fileName gives the empty picture. A file that is missing (errFileNotFound),
// can't be read (errPathFileAccess), or isn't a complete picture in one of
// those formats (errInvalidPicture) gives the empty picture and sets
// errorNumber; otherwise errorNumber is 0. A camera RAW file is its embedded
// preview, upright; one without a preview to show is no picture
// (errInvalidPicture), even where its container would let a TIFF reader pull
// out the thumbnail inside. Safe on any thread; render() is too.
Picture LoadPicture(const QString &fileName, int &errorNumber);

} // namespace quorvel::pictures
