#include "pictures/EmbeddedThumbnail.h"

#include "pictures/ColourSpace.h"
#include "pictures/Exiv2Setup.h"
#include "pictures/Orientation.h"

#include <QString>

namespace quorvel::pictures {

namespace {

// Large enough to stand in for the picture scaled up, small enough to be
// decoded in a moment: a RAW file's previews go from 160 pixels to the full
// sensor.
constexpr uint32_t largestStandIn = 640;

} // namespace

QImage readEmbeddedThumbnail(const QString &fileName)
{
    ColourSpace ignored;
    return readEmbeddedThumbnail(fileName, ignored);
}

QImage readEmbeddedThumbnail(const QString &fileName, ColourSpace &colourSpace)
{
    colourSpace = ColourSpace::sRgb();
    try {
        const auto image = readMetadataOf(fileName);
        if (!image.get())
            return {};
        Exiv2::PreviewManager previews(*image);
        const Exiv2::PreviewPropertiesList properties = previews.getPreviewProperties();
        // Listed from the smallest up.
        const Exiv2::PreviewProperties *chosen = nullptr;
        for (const Exiv2::PreviewProperties &candidate : properties) {
            if (!chosen || candidate.width_ <= largestStandIn)
                chosen = &candidate;
        }
        if (!chosen)
            return {};
        const Exiv2::PreviewImage preview = previews.getPreviewImage(*chosen);
        QImage thumbnail = QImage::fromData(preview.pData(), int(preview.size()));
        if (thumbnail.isNull())
            return {};
        const Exiv2::ExifData &exif = image->exifData();
        const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (orientation != exif.end() && orientation->count() > 0)
            thumbnail =
                turned(std::move(thumbnail), transformationOfExif(int(orientation->toLong())));
        colourSpace = ColourSpace::of(*image);
        return thumbnail;
    } catch (const std::exception &) {
        // Exiv2::Error is one: a file that is no picture, or a cut-off one.
        return {};
    }
}

} // namespace quorvel::pictures
