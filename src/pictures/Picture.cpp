#include "pictures/Picture.h"

#include "files/FileNames.h"
#include "files/RegularFile.h"
#include "pictures/Orientation.h"

#include <array>
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
};

namespace {

// The extensions of camera RAW files. Most of them are TIFF containers whose
// first image is a thumbnail of a few hundred pixels; shown blown up to the
// viewer's box, that would pass for the photograph. They are shown through
// the preview LibRaw finds in them, the one the camera made for its own
// screen, which is the photograph as the camera rendered it.
constexpr std::array rawExtensions{"3fr", "arw", "cr2", "cr3", "crw", "dcr", "dng", "erf", "iiq",
                                   "kdc", "mef", "mos", "mrw", "nef", "nrw", "orf", "pef", "ptx",
                                   "raf", "raw", "rw2", "rwl", "sr2", "srf", "srw", "x3f"};

bool isCameraRaw(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const char *extension : rawExtensions) {
        if (suffix == QLatin1String(extension))
            return true;
    }
    return false;
}

// The format is told by the file's first bytes, never by its name: a PNG
// saved as .jpg is still a PNG. Only the formats named here are read, so a
// stray file never reaches the readers of exotic formats, some of which take
// almost anything for a picture.
QByteArray formatOf(const QByteArray &bytes)
{
    const auto startsWith = [&](const char *magic, qsizetype length, qsizetype at = 0) {
        return bytes.size() >= at + length && bytes.mid(at, length) == QByteArray(magic, length);
    };
    if (startsWith("\xFF\xD8\xFF", 3))
        return "jpeg";
    if (startsWith("\x89PNG\r\n\x1A\n", 8))
        return "png";
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6))
        return "gif";
    if (startsWith("BM", 2))
        return "bmp";
    if (startsWith("II*\0", 4) || startsWith("MM\0*", 4))
        return "tiff";
    if (startsWith("RIFF", 4) && startsWith("WEBP", 4, 8))
        return "webp";
    return {};
}

quint32 readBigEndian16(const QByteArray &bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) << 8 | quint8(bytes[at + 1]);
}

quint32 readLittleEndian(const QByteArray &bytes, qsizetype at, int length)
{
    quint32 value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes[at + i]);
    return value;
}

QByteArray readAt(QFile &file, qint64 at, qint64 length)
{
    if (!file.seek(at))
        return {};
    return file.read(length);
}

// The JPEG reader fills a cut-off file up with grey and calls it a success,
// which would show half a photograph as if it were the whole. A complete file
// has its end-of-image marker after the start of its first scan: inside the
// compressed data a 0xFF byte is never followed by 0xD9, and the header
// segments before the scan (the Exif thumbnail among them) are stepped over
// by their lengths. Searched for from the end, the marker of a whole file is
// found in the first block read.
bool isCompleteJpeg(QFile &file)
{
    const qint64 size = file.size();
    qint64 at = 2;
    qint64 scanStart = -1;
    while (scanStart < 0) {
        const QByteArray head = readAt(file, at, 4);
        if (head.size() < 2 || quint8(head[0]) != 0xFF)
            return false;
        const quint8 marker = quint8(head[1]);
        if (marker == 0xFF) { // fill byte
            ++at;
        } else if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
        } else if (marker == 0xD9 || head.size() < 4) {
            return false;
        } else {
            at += 2 + readBigEndian16(head, 2);
            if (marker == 0xDA)
                scanStart = at;
        }
    }
    constexpr qint64 blockSize = 64 * 1024;
    const QByteArrayView endOfImage("\xFF\xD9", 2);
    for (qint64 end = size; end > scanStart;) {
        const qint64 start = qMax(scanStart, end - blockSize);
        // One byte more, for a marker that straddles two blocks.
        const QByteArray block = readAt(file, start, qMin(end + 1, size) - start);
        if (block.isEmpty())
            return false;
        if (block.lastIndexOf(endOfImage) >= 0)
            return true;
        end = start;
    }
    return false;
}

// The BMP reader, too, takes a cut-off file for a whole one. Uncompressed
// bitmaps state everything needed to know how long their pixel rows are.
bool isCompleteBmp(QFile &file)
{
    const QByteArray head = readAt(file, 0, 34);
    if (head.size() < 26)
        return false;
    const qint64 pixelsAt = readLittleEndian(head, 10, 4);
    const quint32 headerSize = readLittleEndian(head, 14, 4);
    qint64 width = 0;
    qint64 height = 0;
    qint64 bitsPerPixel = 0;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = readLittleEndian(head, 18, 2);
        height = readLittleEndian(head, 20, 2);
        bitsPerPixel = readLittleEndian(head, 24, 2);
    } else if (headerSize >= 40 && head.size() >= 34) {
        width = qint32(readLittleEndian(head, 18, 4));
        height = qint32(readLittleEndian(head, 22, 4));
        bitsPerPixel = readLittleEndian(head, 28, 2);
        compression = readLittleEndian(head, 30, 4);
    } else {
        return false;
    }
    constexpr quint32 uncompressed = 0;
    constexpr quint32 bitFields = 3;
    if (compression != uncompressed && compression != bitFields)
        return true; // run-length coded: the reader checks those itself
    const qint64 rowBytes = (qAbs(width) * bitsPerPixel + 31) / 32 * 4;
    return file.size() >= pixelsAt + rowBytes * qAbs(height);
}

bool isComplete(QFile &file, const QByteArray &format)
{
    if (format == "jpeg")
        return isCompleteJpeg(file);
    if (format == "bmp")
        return isCompleteBmp(file);
    // The other readers report a file that ends early as a failed read.
    return true;
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

// A file whose reads fail once the decode reading it is no longer wanted: the
// readers have no way to be stopped, but they do stop at a failed read.
class CancellableFile : public QFile
{
public:
    explicit CancellableFile(const std::atomic<bool> &cancelled) : m_cancelled(cancelled) {}

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_cancelled.load(std::memory_order_relaxed))
            return -1;
        return QFile::readData(data, maxSize);
    }

private:
    const std::atomic<bool> &m_cancelled;
};

struct RawPreview
{
    QByteArray jpeg;
    QImage pixels;
    QImageIOHandler::Transformations transformation;
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

// The preview a RAW file holds, measured; null when it has none to show.
std::shared_ptr<Picture::Data> loadRawPreview(const QString &fileName)
{
    std::optional<RawPreview> preview = readRawPreview(fileName);
    if (!preview)
        return nullptr;
    auto data = std::make_shared<Picture::Data>();
    data->fileName = fileName;
    data->transformation = preview->transformation;
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
QImage renderRawPreview(const Picture::Data &data, const QSize &pixels)
{
    const bool onItsSide = data.transformation.testFlag(QImageIOHandler::TransformationRotate90);
    const QSize stored = onItsSide ? pixels.transposed() : pixels;
    QImage image;
    if (!data.embeddedJpeg.isEmpty()) {
        QBuffer buffer;
        buffer.setData(data.embeddedJpeg);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoTransform(false);
        reader.setScaledSize(stored);
        image = readPhotograph(reader);
    } else {
        image = data.embeddedPixels.scaled(stored, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (image.isNull())
        return {};
    image = turned(std::move(image), data.transformation);
    return image.size() == pixels ? image : QImage();
}

} // namespace

Picture::Picture(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

QSize Picture::size() const
{
    return m_data ? m_data->size : QSize();
}

// The file is opened again for the decode rather than held open in between:
// a picture kept for its size must not keep a memory card from being
// ejected. Its header is read twice that way, its pixels once.
QImage Picture::render(const QSize &pixels) const
{
    static const std::atomic<bool> never{false};
    return render(pixels, never);
}

QImage Picture::render(const QSize &pixels, const std::atomic<bool> &cancelled) const
{
    if (!m_data || pixels.isEmpty())
        return {};
    if (!m_data->embeddedJpeg.isEmpty() || !m_data->embeddedPixels.isNull())
        return renderRawPreview(*m_data, pixels);
    CancellableFile file(cancelled);
    if (files::openRegularFile(file, m_data->fileName) != 0)
        return {};
    QImageReader reader(&file, m_data->format);
    // A file changed since it was measured is no longer this picture.
    if (reader.size() != m_data->stored || reader.transformation() != m_data->transformation)
        return {};
    reader.setAutoTransform(true);
    // The reader scales the picture as stored, before it turns it upright.
    const bool onItsSide = m_data->transformation.testFlag(QImageIOHandler::TransformationRotate90);
    reader.setScaledSize(onItsSide ? pixels.transposed() : pixels);
    QImage image = readPhotograph(reader);
    if (image.size() != pixels)
        return {};
    return image;
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
    data->format = formatOf(file.peek(12));
    if (data->format.isEmpty() || !QImageReader::supportedImageFormats().contains(data->format) ||
        !isComplete(file, data->format) || !file.seek(0)) {
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
    return Picture(std::move(data));
}

} // namespace quorvel::pictures
