#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace quorvel::test {

// A picture with something in it: the left third red, the rest a blue field,
// both with fine grain, so that a JPEG of it has real compressed data, about
// as dense as a camera's, and a wrong turn or scale shows in its pixels (red
// above 180 with blue below 100, or the other way round). variant gives
// another grain, so that pictures of one size differ in every byte.
QImage photograph(QSize size, int variant = 0);

// image as a JPEG file's bytes.
QByteArray jpegOf(const QImage &image, int quality = 90);

} // namespace quorvel::test
