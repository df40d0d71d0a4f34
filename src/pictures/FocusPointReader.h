#pragma once

#include "pictures/FocusArea.h"

#include <QSize>
#include <span>

class QString;

namespace Exiv2 {
class ExifData;
}

namespace quorvel::pictures {

// Where the camera focused, from the Exif fields Exiv2 decodes: the
// standard subject area and location, and the makers' own AF fields where
// Exiv2 turns them into places on the picture (which ones, and how each
// reaches the picture, is written down beside the code that reads them).
// The fields come straight from a file, so any number may be anything: what
// makes no sense gives no area and a problem, and no count read is trusted
// past a small bound.
class FocusPointReader
{
public:
    FocusPointReader() = delete;

    // The focus area exif records, as fractions of the upright picture.
    // natural is the picture's size upright, as Picture::size() gives it, and
    // orientation its Exif orientation (1 to 8; anything else: as stored):
    // the fields are in the frame of the picture as stored, or of the
    // camera's AF frame, which may be larger (a picture the camera scaled)
    // or of another shape (a crop). An empty natural size takes the fields'
    // own frame for the picture: a RAW file read for a picture beside it.
    static FocusArea read(const Exiv2::ExifData &exif, const QSize &natural, int orientation);
    // The keys of the fields read, for a fuzzer to set.
    static std::span<const char *const> keysRead();
    // The Exif orientation exif records; 1 when none.
    static int orientationOf(const Exiv2::ExifData &exif);
    // The focus area the file fileName records, its own frame taken for the
    // picture's, as fractions: for a RAW file, whose AF frame reaches the
    // camera's JPEG of it by the same fractions whatever the JPEG's size.
    // Nothing for a file Exiv2 can't read. Reads its metadata only.
    static FocusArea ofFile(const QString &fileName);
};

} // namespace quorvel::pictures
