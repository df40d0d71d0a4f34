#pragma once

#include <QImage>

class QString;

namespace quorvel::pictures {

class ColourSpace;

// The small picture a camera embeds in its files for its own screen: the Exif
// thumbnail of a JPEG, the smallest usable preview of a RAW file. Turned
// upright as the camera's orientation tag says. A null image when the file
// has none or can't be read. Reads a few kilobytes, not the picture: it
// stands in while the picture itself is decoded. Safe on any thread.
QImage readEmbeddedThumbnail(const QString &fileName);
// The same, and the colour space of the file's picture, which its thumbnail
// shares, read with it: sRGB when there is no thumbnail.
QImage readEmbeddedThumbnail(const QString &fileName, ColourSpace &colourSpace);

} // namespace quorvel::pictures
