#pragma once

#include <QByteArray>
#include <QList>

namespace quorvel::test {

// jpeg with Exif.Photo.SubjectArea set to values, written by Exiv2 as a
// camera writes where it focused: two values are a point (x, y), three a
// circle (x, y, diameter), four a rectangle (x, y, width, height), all in
// the picture's pixels as stored, x and y its middle.
QByteArray withSubjectArea(const QByteArray &jpeg, const QList<quint16> &values);

} // namespace quorvel::test
