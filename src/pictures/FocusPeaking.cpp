#include "pictures/FocusPeaking.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace quorvel::pictures {

namespace {

// The measure, on the luminance of the finer decode:
//
// - detail: the Laplacian's magnitude, |4c - n - s - e - w|. It answers to
//   what changes within one pixel, the detail a lens in focus draws and a
//   soft one does not; the steady slope of a soft edge gives it almost
//   nothing. Against a step of height h a sharp edge gives about h.
// - its span: the larger change across five pixels, |x+2 - x-2| or
//   |y+2 - y-2|. A soft edge spreads its step over that span and more, so its
//   Laplacian stays a small part of it (about a quarter for an edge blurred
//   by a Gaussian of 1 pixel, a twentieth for one of 3); a sharp one gives
//   about all of it, and fine texture (leaves, hair, fabric) more.
//
// A pixel is in focus when its detail is at least 3/8 of its span, which is
// contrast-free: a sharp edge of low contrast counts as one of high contrast
// does, a soft edge of high contrast does not. And when its detail stands out
// from the picture's own contrast, the spread of its luminance from the 1st to
// the 99th percentile: a sixth of it, and never less than 16 of 255, so that
// JPEG's ringing is not taken for detail; nor less than twelve times the
// detail of the picture's quietest quarter (its 25th percentile), which is its
// noise where it has any: pure noise passes that about once in ten thousand
// pixels, and a grainy sky shows no mask (the price: a picture of fine
// texture in every part, with no quiet quarter, shows only its strongest
// detail). A flat picture has no detail to
// pass; a picture soft all over has detail but never enough of its span:
// neither shows a mask, as a lens never in focus must not seem to be.
constexpr int detailPerSpanNumerator = 3;
constexpr int detailPerSpanDenominator = 8;
constexpr int spreadPerDetail = 6;
constexpr int leastDetail = 16;
constexpr int noisePerDetail = 12;
// The rows the contrast and the noise are measured on: one in this many is
// enough.
constexpr int sampleRowStep = 4;
// The sharpest area is looked for in a grid of this many blocks a side, and
// is one only with at least one pixel in a hundred in focus: a few scattered
// pixels are no area in focus.
constexpr int grid = 8;
constexpr int leastInFocusPerHundred = 1;

constexpr int luminance(QRgb pixel)
{
    return (77 * qRed(pixel) + 150 * qGreen(pixel) + 29 * qBlue(pixel)) >> 8;
}

// The luminance from its 1st to its 99th percentile.
int spreadOf(const std::array<qint64, 256> &histogram, qint64 pixels)
{
    const qint64 tail = pixels / 100;
    int low = 0;
    for (qint64 below = 0; low < 255 && below + histogram[size_t(low)] <= tail; ++low)
        below += histogram[size_t(low)];
    int high = 255;
    for (qint64 above = 0; high > 0 && above + histogram[size_t(high)] <= tail; --high)
        above += histogram[size_t(high)];
    return std::max(0, high - low);
}

// The loops below are written for the compiler to turn into vector code: no
// branch, no early way out, 16 bits a pixel. A picture of some megapixels is
// measured for every picture shown while a key is held.

void lumaOf(const QRgb *__restrict row, uint8_t *__restrict out, int width)
{
    for (int x = 0; x < width; ++x)
        out[x] = uint8_t(luminance(row[x]));
}

// Into kept, for the row row of a luminance width wide with two rows above
// and two below: the detail of each pixel that is in focus, 0 for any other
// (a detail in focus is at least least, never 0). kept's first and last two
// are left as they are.
void keptDetail(const uint8_t *row, int width, int least, uint16_t *__restrict kept)
{
    const uint8_t *up = row - width;
    const uint8_t *down = row + width;
    const uint8_t *up2 = up - width;
    const uint8_t *down2 = down + width;
    for (int x = 2; x < width - 2; ++x) {
        const int16_t detail =
            int16_t(std::abs(int16_t(4 * row[x] - up[x] - down[x] - row[x - 1] - row[x + 1])));
        const int16_t across = int16_t(std::abs(int16_t(row[x + 2] - row[x - 2])));
        const int16_t along = int16_t(std::abs(int16_t(down2[x] - up2[x])));
        const int16_t span = std::max(across, along);
        const bool inFocus = detail >= least && int16_t(detail * detailPerSpanDenominator) >=
                                                    int16_t(span * detailPerSpanNumerator);
        kept[x] = inFocus ? uint16_t(detail) : 0;
    }
}

// Each pixel of out the mean of two by two of the rows above it, channel by
// channel, two channels at a time in 16 bits each.
void halveRows(const QRgb *__restrict first, const QRgb *__restrict second, QRgb *__restrict out,
               int width)
{
    constexpr quint32 evenBytes = 0x00FF00FF;
    for (int x = 0; x < width; ++x) {
        const QRgb a = first[2 * x];
        const QRgb b = first[2 * x + 1];
        const QRgb c = second[2 * x];
        const QRgb d = second[2 * x + 1];
        const quint32 even =
            (a & evenBytes) + (b & evenBytes) + (c & evenBytes) + (d & evenBytes) + 0x00020002;
        const quint32 odd = ((a >> 8) & evenBytes) + ((b >> 8) & evenBytes) +
                            ((c >> 8) & evenBytes) + ((d >> 8) & evenBytes) + 0x00020002;
        out[x] = ((even >> 2) & evenBytes) | (((odd >> 2) & evenBytes) << 8);
    }
}

// Where each of count cells of one size begins in a line of length cells of
// another: the line's cells [first[i], first[i + 1]) lie under cell i,
// at least one each.
std::vector<int> cellStarts(int count, int length)
{
    std::vector<int> first(size_t(count) + 1);
    for (int i = 0; i <= count; ++i)
        first[size_t(i)] = int(qint64(i) * length / count);
    for (int i = 0; i < count; ++i)
        first[size_t(i) + 1] =
            std::max(first[size_t(i) + 1], std::min(first[size_t(i)] + 1, length));
    return first;
}

} // namespace

QImage FocusPeaking::luminance(const QImage &detailed, QImage *halved)
{
    const QImage words =
        detailed.format() == QImage::Format_RGB32 || detailed.format() == QImage::Format_ARGB32
            ? detailed
            : detailed.convertToFormat(QImage::Format_RGB32);
    QImage luma(words.size(), QImage::Format_Grayscale8);
    const int width = words.width();
    const int height = words.height();
    if (halved)
        *halved = QImage(width / 2, height / 2, words.format());
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(words.constScanLine(y));
        lumaOf(row, luma.scanLine(y), width);
        if (halved && y % 2 == 1 && y / 2 < halved->height()) {
            halveRows(reinterpret_cast<const QRgb *>(words.constScanLine(y - 1)), row,
                      reinterpret_cast<QRgb *>(halved->scanLine(y / 2)), halved->width());
        }
    }
    return luma;
}

FocusPeaking::Result FocusPeaking::of(const QImage &detailed, const QSize &shown)
{
    static const std::atomic<bool> never{false};
    return of(detailed, shown, never);
}

FocusPeaking::Result FocusPeaking::of(const QImage &detailed, const QSize &shown,
                                      const std::atomic<bool> &cancelled)
{
    if (shown.isEmpty() || cancelled)
        return {};
    Result result;
    result.mask = QImage(shown, QImage::Format_ARGB32_Premultiplied);
    result.mask.fill(Qt::transparent);
    const int width = detailed.width();
    const int height = detailed.height();
    if (width < 5 || height < 5)
        return result;
    constexpr int checkEvery = 32; // rows between two looks at cancelled
    std::vector<uint8_t> luma(size_t(width) * size_t(height));
    if (detailed.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < height; ++y) {
            std::copy_n(detailed.constScanLine(y), width,
                        luma.begin() + std::ptrdiff_t(y) * std::ptrdiff_t(width));
        }
    } else {
        const QImage words = detailed.format() == QImage::Format_RGB32 ||
                                     detailed.format() == QImage::Format_ARGB32 ||
                                     detailed.format() == QImage::Format_ARGB32_Premultiplied
                                 ? detailed
                                 : detailed.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            if (y % checkEvery == 0 && cancelled.load(std::memory_order_relaxed))
                return {};
            lumaOf(reinterpret_cast<const QRgb *>(words.constScanLine(y)),
                   luma.data() + size_t(y) * size_t(width), width);
        }
    }
    // The picture's contrast and noise, from a sample of its rows.
    std::array<qint64, 256> histogram{};
    std::array<qint64, 1021> details{};
    qint64 measured = 0;
    for (int y = 2; y < height - 2; y += sampleRowStep) {
        const uint8_t *row = luma.data() + size_t(y) * size_t(width);
        for (int x = 2; x < width - 2; ++x) {
            ++histogram[row[x]];
            ++details[size_t(
                std::abs(4 * row[x] - row[x - width] - row[x + width] - row[x - 1] - row[x + 1]))];
        }
        measured += width - 4;
    }
    int quietQuarter = 0;
    for (qint64 below = details[0]; below * 4 < measured; below += details[size_t(quietQuarter)])
        ++quietQuarter;
    const int least = std::max({leastDetail, spreadOf(histogram, measured) / spreadPerDetail,
                                noisePerDetail * quietQuarter});

    // Each row is measured into the row of the size shown it lies under, and
    // brought down by the largest of each block: an edge one pixel wide in
    // the finer decode still marks the pixel of the size shown it lies in.
    // Most pixels fall short of the least detail, and are left at that.
    const std::vector<int> blockColumns = cellStarts(grid, width);
    std::array<quint64, grid * grid> energy{};
    std::array<qint64, grid * grid> inFocusCount{};
    const std::vector<int> columns = cellStarts(shown.width(), width);
    const std::vector<int> rows = cellStarts(shown.height(), height);
    std::vector<uint8_t> pooled(static_cast<size_t>(width));
    std::vector<uint16_t> kept(static_cast<size_t>(width));
    for (int shownY = 0; shownY < shown.height(); ++shownY) {
        if (cancelled.load(std::memory_order_relaxed))
            return {};
        const int firstRow = std::max(rows[size_t(shownY)], 2);
        const int endRow =
            std::min(std::max(rows[size_t(shownY) + 1], rows[size_t(shownY)] + 1), height - 2);
        std::fill(pooled.begin(), pooled.end(), 0);
        for (int y = firstRow; y < endRow; ++y) {
            keptDetail(luma.data() + size_t(y) * size_t(width), width, least, kept.data());
            for (int x = 2; x < width - 2; ++x)
                pooled[size_t(x)] |= uint8_t(kept[size_t(x)] != 0);
            const size_t blockRow = size_t(y * grid / height) * grid;
            for (int block = 0; block < grid; ++block) {
                const int first = std::max(blockColumns[size_t(block)], 2);
                const int end = std::min(blockColumns[size_t(block) + 1], width - 2);
                // At most 1020 a pixel: a row of a block stays within 32 bits.
                quint32 blockEnergy = 0;
                int blockCount = 0;
                for (int x = first; x < end; ++x) {
                    blockEnergy += kept[size_t(x)];
                    blockCount += int(kept[size_t(x)] != 0);
                }
                energy[blockRow + size_t(block)] += blockEnergy;
                inFocusCount[blockRow + size_t(block)] += blockCount;
            }
        }
        auto *out = reinterpret_cast<QRgb *>(result.mask.scanLine(shownY));
        for (int shownX = 0; shownX < shown.width(); ++shownX) {
            const int firstColumn = columns[size_t(shownX)];
            const int endColumn = std::max(columns[size_t(shownX) + 1], firstColumn + 1);
            const auto begin = pooled.cbegin() + std::min(firstColumn, width - 1);
            const auto end = pooled.cbegin() + std::min(endColumn, width);
            if (std::find(begin, end, uint8_t(1)) != end)
                out[shownX] = colour;
        }
    }

    const auto most = std::max_element(energy.cbegin(), energy.cend());
    const auto block = int(most - energy.cbegin());
    const qint64 blockPixels = qint64(width / grid + 1) * (height / grid + 1);
    if (*most > 0 && inFocusCount[size_t(block)] * 100 >= blockPixels * leastInFocusPerHundred) {
        result.sharpest = QPointF((block % grid + 0.5) / grid, (block / grid + 0.5) / grid);
    }
    return result;
}

} // namespace quorvel::pictures
