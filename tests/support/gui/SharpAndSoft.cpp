#include "support/gui/SharpAndSoft.h"

#include <algorithm>
#include <vector>

namespace quorvel::test {

QImage squares(QSize size, int block, int contrast, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    const int columns = (size.width() + block - 1) / block;
    std::vector<int> greys;
    quint32 noise = seed;
    for (int y = 0; y < size.height(); ++y) {
        if (y % block == 0) {
            greys.clear();
            for (int column = 0; column < columns; ++column) {
                noise = noise * 1103515245u + 12345u;
                greys.push_back(128 - contrast / 2 + int((noise >> 16) % quint32(contrast + 1)));
            }
        }
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int grey = std::clamp(greys[size_t(x / block)], 0, 255);
            line[x] = qRgb(grey, grey, grey);
        }
    }
    return image;
}

namespace {

// One pass of a box average along rows (or columns, on the image turned).
QImage boxAlongRows(const QImage &image, int radius)
{
    QImage out(image.size(), QImage::Format_RGB32);
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int dx = -radius; dx <= radius; ++dx)
                sum += qGreen(in[std::clamp(x + dx, 0, width - 1)]);
            const int grey = sum / (2 * radius + 1);
            line[x] = qRgb(grey, grey, grey);
        }
    }
    return out;
}

QImage turned(const QImage &image)
{
    return image.transformed(QTransform().rotate(90));
}

} // namespace

QImage blurredOutside(const QImage &picture, int radius, QRect within)
{
    QImage blurred = picture.convertToFormat(QImage::Format_RGB32);
    for (int pass = 0; pass < 3; ++pass)
        blurred = boxAlongRows(blurred, radius);
    blurred = turned(blurred);
    for (int pass = 0; pass < 3; ++pass)
        blurred = boxAlongRows(blurred, radius);
    blurred = turned(turned(turned(blurred)));
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x)
            blurred.setPixel(x, y, picture.pixel(x, y));
    }
    return blurred;
}

} // namespace quorvel::test
