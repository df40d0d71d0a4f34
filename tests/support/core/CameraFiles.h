#pragma once

#include <QByteArray>
#include <QSize>

namespace quorvel::test {

// A camera RAW file as small as LibRaw takes it: a DNG whose first directory
// is a JPEG preview of previewSize (previewJpeg, as the camera would embed it)
// marked with the Exif orientation, and whose sub-directory is a 256 x 256
// sensor image of plain 16-bit samples. Without a preview, previewJpeg empty,
// the file is only its sensor image.
QByteArray minimalDng(const QByteArray &previewJpeg, QSize previewSize, int orientation);

// jpeg with an Exif block in front: the orientation, and thumbnailJpeg as the
// thumbnail a camera puts there for its own screen.
QByteArray withExifThumbnail(const QByteArray &jpeg, const QByteArray &thumbnailJpeg,
                             int orientation);

} // namespace quorvel::test
