#include "pictures/Picture.h"

#include "files/CameraFormats.h"
#include "files/FileNames.h"
#include "files/RegularFile.h"
#include "pictures/ColourSpace.h"
#include "pictures/Exiv2Setup.h"
#include "pictures/FileFormat.h"
#include "pictures/FocusPointReader.h"
#include "pictures/JpegDecoder.h"
#include "pictures/Orientation.h"

#include <cerrno>
#include <libraw/libraw.h>
#include <memory>
#include <mutex>
#include <optional>
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <QString>
#include <utility>

namespace quorvel::pictures {

struct Picture::Data
{
    QString fileName;
    QByteArray format;
    QImageIOHandler::Transformations transformation;
    QSize stored; // as the file holds it
    QSize size;   // upright
    // A RAW file's preview, as the camera embedded it: a JPEG, or rarely
    // pixels. Kept rather than read again, since finding it means parsing
    // the whole RAW container.
    QByteArray embeddedJpeg;
    QImage embeddedPixels;
    ColourSpace colourSpace;
    FocusArea focus;
};

namespace {

// The extensions of camera RAW files. Most of them are TIFF containers whose
// first image is a thumbnail of a few hundred pixels; shown blown up to the
// viewer's box, that would pass for the photograph. They are shown through
// the preview LibRaw finds in them, the one the camera made for its own
// screen, which is the photograph as the camera rendered it.
bool isCameraRaw(const QString &fileName)
{
    return files::CameraFormats::isRawExtension(QFileInfo(fileName).suffix());
}

// A picture is decoded at the size shown, so the reader's guard against
// absurd allocations only bites on formats that must be decoded whole before
// they can be scaled: a 16-bit TIFF from a 24-megapixel camera already needs
// 190 MB, a 45-megapixel picture at 1:1 180 MB. A photograph is what this
// reads, so it may take up to a gigabyte. The limit is one setting for the
// whole process and decodes run on several threads at once, so it is raised
// once and for all rather than around each read.
QImage readPhotograph(QImageReader &reader)
{
    static std::once_flag raised;
    std::call_once(raised, [] {
        constexpr int photographLimitMB = 1024;
        const int previous = QImageReader::allocationLimit();
        if (previous != 0)
            QImageReader::setAllocationLimit(qMax(previous, photographLimitMB));
    });
    return reader.read();
}

// A file whose reads fail once the decode reading it is no longer wanted: Qt's
// readers have no way to be stopped, but they do stop at a failed read. Only
// once its header has been read, though: a JPEG reader that finds nothing
// where the file starts reads on from the end marker it makes up, and says
// the file starts with one.
class CancellableFile : public QFile
{
public:
    explicit CancellableFile(const std::atomic<bool> &cancelled) : m_cancelled(cancelled) {}

    void failOnceCancelled() { m_armed = true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_armed && m_cancelled.load(std::memory_order_relaxed))
            return -1;
        return QFile::readData(data, maxSize);
    }

private:
    const std::atomic<bool> &m_cancelled;
    bool m_armed = false;
};

using Fit = JpegDecoder::Fit;

// Whether image, upright, is what was asked for pixels.
bool fits(const QImage &image, const QSize &pixels, Fit fit)
{
    if (fit == Fit::AtLeast)
        return image.width() >= pixels.width() && image.height() >= pixels.height();
    return image.size() == pixels;
}

// The picture in device decoded at stored, its size as the file holds it
// (or more, as fit allows): by JpegDecoder for a JPEG it takes, else by Qt's
// reader for format. Null when damaged or cancelled.
QImage decodeStored(QIODevice &device, const QByteArray &format, const QSize &stored,
                    const std::atomic<bool> &cancelled, Fit fit)
{
    if (format == "jpeg") {
        QImage image;
        switch (JpegDecoder::decode(device, stored, cancelled, image, fit)) {
        case JpegDecoder::Outcome::Decoded:
            return image;
        case JpegDecoder::Outcome::Cancelled:
        case JpegDecoder::Outcome::Damaged:
            return {};
        case JpegDecoder::Outcome::NotHandled:
            break;
        }
    }
    if (cancelled)
        return {};
    QImageReader reader(&device, format);
    reader.setAutoTransform(false);
    reader.setScaledSize(stored);
    if (auto *file = dynamic_cast<CancellableFile *>(&device))
        file->failOnceCancelled();
    return readPhotograph(reader);
}

struct RawPreview
{
    QByteArray jpeg;
    QImage pixels;
    QImageIOHandler::Transformations transformation;
    int exifColorSpace = LIBRAW_COLORSPACE_NotFound;
};

// LibRaw's flip: how the camera was held, as a turn of the sensor's picture.
// Its three turns are EXIF orientations 3 and 6 under their own numbers, and
// 8 under 5.
QImageIOHandler::Transformations transformationOfFlip(int flip)
{
    if (flip == 3 || flip == 6)
        return transformationOfExif(flip);
    return flip == 5 ? transformationOfExif(8) : QImageIOHandler::TransformationNone;
}

std::optional<RawPreview> readRawPreview(const QString &fileName)
{
    // Its state runs to hundreds of kilobytes: not for a worker's stack.
    const auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    const QByteArray path = files::encodeFileName(fileName);
    if (raw->open_file(path.constData()) != LIBRAW_SUCCESS || raw->unpack_thumb() != LIBRAW_SUCCESS)
        return std::nullopt;
    const libraw_thumbnail_t &thumbnail = raw->imgdata.thumbnail;
    RawPreview preview;
    preview.transformation = transformationOfFlip(raw->imgdata.sizes.flip);
    preview.exifColorSpace = raw->imgdata.color.ExifColorSpace;
    if (thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG && thumbnail.tlength > 0) {
        preview.jpeg = QByteArray(thumbnail.thumb, thumbnail.tlength);
    } else if (thumbnail.tformat == LIBRAW_THUMBNAIL_BITMAP && thumbnail.tcolors == 3 &&
               thumbnail.tlength >= int(thumbnail.twidth) * thumbnail.theight * 3) {
        preview.pixels = QImage(reinterpret_cast<const uchar *>(thumbnail.thumb), thumbnail.twidth,
                                thumbnail.theight, thumbnail.twidth * 3, QImage::Format_RGB888)
                             .copy();
    } else {
        return std::nullopt;
    }
    return preview;
}

// The colour space of a RAW file's preview: the profile the preview itself
// embeds, else what the RAW file's Exif says, which LibRaw has read already.
// Only a file marked uncalibrated is read again, by Exiv2, for the index
// that tells Adobe RGB from no colour space at all.
ColourSpace colourSpaceOfRawPreview(const QString &fileName, const RawPreview &preview)
{
    if (!preview.jpeg.isEmpty()) {
        if (std::optional<ColourSpace> own = ColourSpace::embeddedIn(preview.jpeg))
            return *own;
    }
    switch (preview.exifColorSpace) {
    case LIBRAW_COLORSPACE_AdobeRGB:
        return ColourSpace::adobeRgb();
    case LIBRAW_COLORSPACE_Uncalibrated:
        return ColourSpace::ofFile(fileName);
    default:
        return ColourSpace::sRgb();
    }
}

// The preview a RAW file holds, measured; null when it has none to show.
std::shared_ptr<Picture::Data> loadRawPreview(const QString &fileName)
{
    std::optional<RawPreview> preview = readRawPreview(fileName);
    if (!preview)
        return nullptr;
    auto data = std::make_shared<Picture::Data>();
    data->fileName = fileName;
    data->transformation = preview->transformation;
    data->colourSpace = colourSpaceOfRawPreview(fileName, *preview);
    if (!preview->jpeg.isEmpty()) {
        QBuffer buffer(&preview->jpeg);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        data->format = "jpeg";
        data->stored = reader.size();
        data->embeddedJpeg = std::move(preview->jpeg);
    } else {
        data->stored = preview->pixels.size();
        data->embeddedPixels = std::move(preview->pixels);
    }
    if (data->stored.isEmpty())
        return nullptr;
    data->size = data->transformation.testFlag(QImageIOHandler::TransformationRotate90)
                     ? data->stored.transposed()
                     : data->stored;
    return data;
}

// A RAW file's preview at pixels, upright. The camera's own turn is LibRaw's
// to tell, so an orientation tag inside the preview is not applied again.
QImage renderRawPreview(const Picture::Data &data, const QSize &pixels,
                        const std::atomic<bool> &cancelled, Fit fit)
{
    const bool onItsSide = data.transformation.testFlag(QImageIOHandler::TransformationRotate90);
    const QSize stored = onItsSide ? pixels.transposed() : pixels;
    QImage image;
    if (!data.embeddedJpeg.isEmpty()) {
        QBuffer buffer;
        buffer.setData(data.embeddedJpeg);
        buffer.open(QIODevice::ReadOnly);
        image = decodeStored(buffer, "jpeg", stored, cancelled, fit);
    } else {
        image = data.embeddedPixels.scaled(stored, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (image.isNull())
        return {};
    image = turned(std::move(image), data.transformation);
    return fits(image, pixels, fit) ? image : QImage();
}

// The file is opened again for the decode rather than held open in between:
// a picture kept for its size must not keep a memory card from being
// ejected. Its header is read twice that way, its pixels once.
QImage renderData(const Picture::Data &data, const QSize &pixels,
                  const std::atomic<bool> &cancelled, Fit fit)
{
    if (pixels.isEmpty() || cancelled)
        return {};
    if (!data.embeddedJpeg.isEmpty() || !data.embeddedPixels.isNull())
        return renderRawPreview(data, pixels, cancelled, fit);
    CancellableFile file(cancelled);
    if (files::openRegularFile(file, data.fileName) != 0)
        return {};
    {
        QImageReader header(&file, data.format);
        // A file changed since it was measured is no longer this picture.
        if (header.size() != data.stored || header.transformation() != data.transformation)
            return {};
    }
    // The decoders scale the picture as stored, before it is turned upright.
    const bool onItsSide = data.transformation.testFlag(QImageIOHandler::TransformationRotate90);
    if (!file.seek(0))
        return {};
    QImage image =
        decodeStored(file, data.format, onItsSide ? pixels.transposed() : pixels, cancelled, fit);
    if (image.isNull())
        return {};
    image = turned(std::move(image), data.transformation);
    return fits(image, pixels, fit) ? image : QImage();
}

// The colour space and the focus area of the picture in fileName, from one
// reading of its metadata: the focus point costs no second parse. data's
// size is measured already.
void readMetadata(const QString &fileName, Picture::Data &data)
{
    try {
        const auto image = readMetadataOf(fileName);
        if (!image.get())
            return;
        data.colourSpace = ColourSpace::of(*image);
        const Exiv2::ExifData &exif = image->exifData();
        data.focus = FocusPointReader::read(exif, data.size, FocusPointReader::orientationOf(exif));
    } catch (const std::exception &) {
        // Exiv2 gave up on the metadata: the colour space alone tells
        // whether it was for its profile, as it says.
        data.colourSpace = ColourSpace::ofFile(fileName);
    }
}

} // namespace

Picture::Picture(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

QSize Picture::size() const
{
    return m_data ? m_data->size : QSize();
}

const ColourSpace &Picture::colourSpace() const
{
    static const ColourSpace sRgb;
    return m_data ? m_data->colourSpace : sRgb;
}

const FocusArea &Picture::focus() const
{
    static const FocusArea none;
    return m_data ? m_data->focus : none;
}

QImage Picture::render(const QSize &pixels) const
{
    static const std::atomic<bool> never{false};
    return render(pixels, never);
}

QImage Picture::render(const QSize &pixels, const std::atomic<bool> &cancelled) const
{
    return m_data ? renderData(*m_data, pixels, cancelled, Fit::Exactly) : QImage();
}

QImage Picture::renderAtLeast(const QSize &pixels, const std::atomic<bool> &cancelled) const
{
    return m_data ? renderData(*m_data, pixels, cancelled, Fit::AtLeast) : QImage();
}

Picture LoadPicture(const QString &fileName, int &errorNumber)
{
    errorNumber = 0;
    if (fileName.isEmpty())
        return {};

    // Only a plain file: reading a pipe that happens to match the pattern
    // would wait forever.
    QFile file;
    const int openError = files::openRegularFile(file, fileName);
    if (openError == ENOENT || openError == ENOTDIR) {
        errorNumber = errFileNotFound;
        return {};
    }
    if (openError == EINVAL) {
        errorNumber = errPathFileAccess;
        return {};
    }
    if (isCameraRaw(fileName)) {
        auto preview = loadRawPreview(fileName);
        if (!preview) {
            errorNumber = errInvalidPicture;
            return {};
        }
        return Picture(std::move(preview));
    }
    if (openError != 0) {
        errorNumber = errPathFileAccess;
        return {};
    }
    auto data = std::make_shared<Picture::Data>();
    data->fileName = fileName;
    data->format = FileFormat::of(file.peek(12));
    if (data->format.isEmpty() || !QImageReader::supportedImageFormats().contains(data->format) ||
        !FileFormat::isComplete(file, data->format) || !file.seek(0)) {
        errorNumber = errInvalidPicture;
        return {};
    }

    QImageReader reader(&file, data->format);
    data->stored = reader.size();
    if (data->stored.isEmpty()) {
        errorNumber = errInvalidPicture;
        return {};
    }
    data->transformation = reader.transformation();
    data->size = data->transformation.testFlag(QImageIOHandler::TransformationRotate90)
                     ? data->stored.transposed()
                     : data->stored;
    // The header the reader has just read is in the page cache: reading its
    // metadata again costs no second trip to the card.
    readMetadata(fileName, *data);
    return Picture(std::move(data));
}

} // namespace quorvel::pictures
