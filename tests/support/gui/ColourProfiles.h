#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>

namespace quorvel::test {

// ICC profiles made here by Little CMS from their primaries and curves, not
// taken from the program: what a camera or a calibration tool would write.
QByteArray sRgbProfile();
QByteArray adobeRgbProfile();  // Adobe RGB (1998), "Adobe RGB (1998)"
QByteArray wideGamutProfile(); // a wide-gamut screen, "Wide gamut panel"

// The numbers that stand for the colour rgb means in profile from, in profile
// to: Little CMS's own transform, perceptual.
QRgb transformedColour(QRgb rgb, const QByteArray &from, const QByteArray &to);
// Every pixel of image so, by the same transform; alpha as it was.
QImage transformedImage(const QImage &image, const QByteArray &from, const QByteArray &to);

// jpeg with icc embedded as a camera embeds it, in an APP2 segment.
QByteArray withIccProfile(const QByteArray &jpeg, const QByteArray &icc);
// jpeg with its Exif ColorSpace tag set to colorSpace and, unless null, its
// InteroperabilityIndex to index, written by Exiv2.
QByteArray withExifColourSpace(const QByteArray &jpeg, uint16_t colorSpace, const char *index);

} // namespace quorvel::test
