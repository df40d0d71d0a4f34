#include "pictures/Exiv2Setup.h"

#include "files/FileNames.h"

#include <mutex>
#include <QFileInfo>

namespace quorvel::pictures {

void setUpExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}

Exiv2::Image::AutoPtr readMetadataOf(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile())
        return Exiv2::Image::AutoPtr();
    setUpExiv2();
    const QByteArray path = files::encodeFileName(fileName);
    auto image = Exiv2::ImageFactory::open(std::string(path.constData(), size_t(path.size())));
    if (image.get())
        image->readMetadata();
    return image;
}

} // namespace quorvel::pictures
