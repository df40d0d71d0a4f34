#include "pictures/FileFormat.h"

#include <QIODevice>

namespace quorvel::pictures::FileFormat {

QByteArray of(QByteArrayView bytes)
{
    const auto startsWith = [&](const char *magic, qsizetype length, qsizetype at = 0) {
        return bytes.size() >= at + length &&
               bytes.sliced(at, length) == QByteArrayView(magic, length);
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

namespace {

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

QByteArray readAt(QIODevice &file, qint64 at, qint64 length)
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
bool isCompleteJpeg(QIODevice &file)
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
bool isCompleteBmp(QIODevice &file)
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
    // A header may claim any size; one whose pixels would not even fit in the
    // numbers is no whole file of any length.
    const qint64 rowBytes = (qAbs(width) * bitsPerPixel + 31) / 32 * 4;
    qint64 pixelBytes = 0;
    qint64 end = 0;
    if (__builtin_mul_overflow(rowBytes, qAbs(height), &pixelBytes) ||
        __builtin_add_overflow(pixelsAt, pixelBytes, &end))
        return false;
    return file.size() >= end;
}

} // namespace

bool isComplete(QIODevice &file, const QByteArray &format)
{
    if (format == "jpeg")
        return isCompleteJpeg(file);
    if (format == "bmp")
        return isCompleteBmp(file);
    // The other readers report a file that ends early as a failed read.
    return true;
}

} // namespace quorvel::pictures::FileFormat
