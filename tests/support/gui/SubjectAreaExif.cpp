#include "support/gui/SubjectAreaExif.h"

#include <exiv2/exiv2.hpp>

namespace quorvel::test {

QByteArray withSubjectArea(const QByteArray &jpeg, const QList<quint16> &values)
{
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()),
                                           long(jpeg.size()));
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    Exiv2::UShortValue area;
    for (quint16 value : values)
        area.value_.push_back(value);
    exif["Exif.Photo.SubjectArea"] = area;
    image->setExifData(exif);
    image->writeMetadata();
    Exiv2::BasicIo &io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf written = io.read(long(io.size()));
    return QByteArray(reinterpret_cast<const char *>(written.pData_), int(written.size_));
}

} // namespace quorvel::test
