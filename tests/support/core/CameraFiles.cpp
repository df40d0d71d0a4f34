#include "support/core/CameraFiles.h"

#include <QList>
#include <QtEndian>

namespace quorvel::test {

namespace {

// TIFF directories, little-endian, with their out-of-line values placed after
// them by the caller.
struct Entry
{
    quint16 tag;
    quint16 type; // 1 BYTE, 2 ASCII, 3 SHORT, 4 LONG
    quint32 count;
    quint32 value; // the value itself when it fits in four bytes, else where it is
};

constexpr quint16 BYTE = 1;
constexpr quint16 SHORT = 3;
constexpr quint16 LONG = 4;

void put16(QByteArray &bytes, quint16 value)
{
    char le[2];
    qToLittleEndian(value, le);
    bytes.append(le, 2);
}

void put32(QByteArray &bytes, quint32 value)
{
    char le[4];
    qToLittleEndian(value, le);
    bytes.append(le, 4);
}

void putDirectory(QByteArray &bytes, const QList<Entry> &entries)
{
    put16(bytes, quint16(entries.size()));
    for (const Entry &entry : entries) {
        put16(bytes, entry.tag);
        put16(bytes, entry.type);
        put32(bytes, entry.count);
        put32(bytes, entry.value);
    }
    put32(bytes, 0); // no next directory
}

qsizetype directorySize(qsizetype entries)
{
    return 2 + entries * 12 + 4;
}

// Two SHORTs packed into one value field, as TIFF stores them.
quint32 shorts(quint16 first, quint16 second)
{
    return quint32(first) | quint32(second) << 16;
}

} // namespace

QByteArray minimalDng(const QByteArray &previewJpeg, QSize previewSize, int orientation)
{
    constexpr quint32 sensorEdge = 256;
    constexpr quint32 sensorBytes = sensorEdge * sensorEdge * 2;
    const bool withPreview = !previewJpeg.isEmpty();
    const qsizetype firstEntries = withPreview ? 14 : 4;
    constexpr qsizetype sensorEntries = 12;

    const quint32 firstAt = 8;
    const quint32 sensorAt = quint32(firstAt + directorySize(firstEntries));
    const quint32 bitsAt = quint32(sensorAt + directorySize(sensorEntries));
    const quint32 previewAt = bitsAt + 6;
    const quint32 sensorDataAt = quint32(previewAt + previewJpeg.size());

    QByteArray dng("II*\0", 4);
    put32(dng, firstAt);
    const quint32 dngVersion = 1 | 4 << 8; // 1.4.0.0
    if (withPreview) {
        putDirectory(dng, {{254, LONG, 1, 1}, // a reduced picture: the preview
                           {256, LONG, 1, quint32(previewSize.width())},
                           {257, LONG, 1, quint32(previewSize.height())},
                           {258, SHORT, 3, bitsAt},
                           {259, SHORT, 1, 7}, // JPEG
                           {262, SHORT, 1, 6}, // YCbCr
                           {273, LONG, 1, previewAt},
                           {274, SHORT, 1, quint32(orientation)},
                           {277, SHORT, 1, 3},
                           {278, LONG, 1, quint32(previewSize.height())},
                           {279, LONG, 1, quint32(previewJpeg.size())},
                           {330, LONG, 1, sensorAt},
                           {50706, BYTE, 4, dngVersion},
                           {50708, 2, 4, 0x545351}}); // UniqueCameraModel "QST"
    } else {
        putDirectory(dng, {{254, LONG, 1, 1},
                           {274, SHORT, 1, quint32(orientation)},
                           {330, LONG, 1, sensorAt},
                           {50706, BYTE, 4, dngVersion}});
    }
    putDirectory(dng, {{254, LONG, 1, 0},
                       {256, LONG, 1, sensorEdge},
                       {257, LONG, 1, sensorEdge},
                       {258, SHORT, 1, 16},
                       {259, SHORT, 1, 1},     // uncompressed
                       {262, SHORT, 1, 32803}, // colour filter array
                       {273, LONG, 1, sensorDataAt},
                       {277, SHORT, 1, 1},
                       {278, LONG, 1, sensorEdge},
                       {279, LONG, 1, sensorBytes},
                       {33421, SHORT, 2, shorts(2, 2)},
                       {33422, BYTE, 4, 0x02010100}}); // red, green, green, blue
    // BitsPerSample of the preview:
    for (int i = 0; i < 3; ++i)
        put16(dng, 8);
    dng.append(previewJpeg);
    // A mid-grey sensor.
    for (quint32 i = 0; i < sensorEdge * sensorEdge; ++i)
        put16(dng, 0x2000);
    return dng;
}

QByteArray withExifThumbnail(const QByteArray &jpeg, const QByteArray &thumbnailJpeg,
                             int orientation)
{
    // The TIFF inside the Exif block: the first directory holds the
    // orientation, the second (the thumbnail's) where its JPEG is.
    QByteArray tiff("II*\0", 4);
    put32(tiff, 8);
    const quint32 secondAt = quint32(8 + directorySize(1));
    const quint32 thumbnailAt = quint32(secondAt + directorySize(3));
    put16(tiff, 1);
    put16(tiff, 274);
    put16(tiff, SHORT);
    put32(tiff, 1);
    put32(tiff, quint32(orientation));
    put32(tiff, secondAt);
    putDirectory(tiff, {{259, SHORT, 1, 6},
                        {513, LONG, 1, thumbnailAt},
                        {514, LONG, 1, quint32(thumbnailJpeg.size())}});
    tiff.append(thumbnailJpeg);

    QByteArray app1("\xFF\xE1", 2);
    const qsizetype length = 2 + 6 + tiff.size();
    app1.append(char(length >> 8));
    app1.append(char(length & 0xFF));
    app1.append("Exif\0\0", 6);
    app1.append(tiff);
    QByteArray result = jpeg;
    result.insert(2, app1);
    return result;
}

} // namespace quorvel::test
