#include "support/gui/ExifFields.h"

#include <exiv2/exiv2.hpp>

namespace quorvel::test {

QByteArray withExifFields(const QByteArray &file, const ExifFields &fields)
{
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(file.constData()),
                                           long(file.size()));
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    for (const auto &[key, value] : fields)
        exif[key.toStdString()] = value.toStdString();
    image->setExifData(exif);
    image->writeMetadata();
    Exiv2::BasicIo &io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf written = io.read(long(io.size()));
    return QByteArray(reinterpret_cast<const char *>(written.pData_), written.size_);
}

} // namespace quorvel::test
