#include "support/gui/Photograph.h"

#include <QBuffer>

namespace quorvel::test {

QImage photograph(QSize size, int variant)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 12345u + quint32(variant);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = int(noise >> 27);
            line[x] = x < size.width() / 3 ? qRgb(230 + grain / 4, grain, grain)
                                           : qRgb(grain, 40 + grain, 220 + grain / 2);
        }
    }
    return image;
}

QByteArray jpegOf(const QImage &image, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "jpeg", quality))
        qFatal("could not encode a test picture as JPEG");
    return buffer.data();
}

} // namespace quorvel::test
