#include "support/Photograph.h"

#include <algorithm>

namespace quorvel::bench {

QImage photograph(QSize size, int shade)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 2463534242u + quint32(shade);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int g = 255 * y / size.height();
        for (int x = 0; x < size.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise & 31) - 16;
            const int r = (255 * x / size.width() + shade) % 256;
            line[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255),
                           std::clamp((r + g) / 2 + grain, 0, 255));
        }
    }
    return image;
}

} // namespace quorvel::bench
