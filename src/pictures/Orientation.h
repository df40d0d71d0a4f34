#pragma once

#include <QImage>
#include <QImageIOHandler>

namespace quorvel::pictures {

// How a picture stored as the sensor saw it is to be turned for display,
// from the Exif orientation tag's value (1 to 8; anything else: as stored).
QImageIOHandler::Transformations transformationOfExif(int orientation);

// The image turned as transformation says, as Qt's readers do when they turn
// a picture upright themselves: mirrored first, then turned.
QImage turned(QImage image, QImageIOHandler::Transformations transformation);

} // namespace quorvel::pictures
