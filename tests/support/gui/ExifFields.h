#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace quorvel::test {

// Exif fields by Exiv2's key, each with its value as Exiv2 reads it from
// text ("150 100 60 40", "1/4 3/4"), in the field's own type.
using ExifFields = QList<QPair<QByteArray, QString>>;

// file (a JPEG or TIFF file's bytes) with fields added, written by Exiv2 as a
// camera's own tools would: a maker's fields go into its maker's note, laid
// out as Exiv2 lays out that maker's.
QByteArray withExifFields(const QByteArray &file, const ExifFields &fields);

} // namespace quorvel::test
