#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace quorvel::pictures::FileFormat {

// The picture format of a file, told by its first bytes (twelve are enough),
// never by its name: a PNG saved as .jpg is still a PNG. "jpeg", "png",
// "gif", "bmp", "tiff" or "webp", as Qt's image readers name them; empty for
// anything else, so that a stray file never reaches the readers of exotic
// formats, some of which take almost anything for a picture.
QByteArray of(QByteArrayView head);

// Whether the file, of that format, is whole: the JPEG and BMP readers take a
// cut-off file for a complete one and fill the rest with grey, which would
// show half a photograph as if it were the whole. The other readers report a
// file that ends early themselves. The device's position is left anywhere.
// These read bytes from any file that matches a pattern: nothing in them may
// be trusted, and nothing in them can make this read out of bounds, loop or
// overflow.
bool isComplete(QIODevice &file, const QByteArray &format);

} // namespace quorvel::pictures::FileFormat
