#pragma once

#include "support/gui/ExifFields.h"

#include <QList>
#include <QRectF>
#include <QString>

namespace quorvel::test {

// A Nikon's AF fields as Exiv2 writes them into its maker's note: an AF
// area of 600 x 400 centred at (1500, 1000) of a 6000 x 4000 AF frame, so
// at (0.2, 0.2, 0.1, 0.1) of a picture of the frame's shape.
const ExifFields &nikonAfFields();

// Empty when read holds the areas expected, each within a thousandth;
// otherwise how they differ, for the test's failure.
QString differenceOf(const QList<QRectF> &read, const QList<QRectF> &expected);

} // namespace quorvel::test
