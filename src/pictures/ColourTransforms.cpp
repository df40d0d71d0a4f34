#include "pictures/ColourTransforms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <lcms2.h>
#include <QImage>
#include <QMutexLocker>
#include <QSemaphore>
#include <QSysInfo>
#include <QThread>
#include <vector>

namespace quorvel::pictures {

namespace {

// QImage's 32-bit formats hold a pixel as one word, 0xAARRGGBB: in memory,
// blue first on this machine's byte order or alpha first on the other.
constexpr cmsUInt32Number wordPixels =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;

// Linear light and the matrix in steps of 1/16384, rounded as Little CMS
// rounds them in its own 8-bit transform of this kind: near black, a step of
// linear light is three steps of a screen's gamma-2.2 numbers, and the
// pictures must come out as Little CMS would turn them.
constexpr int fixedBits = 14;
constexpr int linearSteps = 1 << fixedBits;

std::int32_t fixed(double value)
{
    return std::int32_t(std::floor(value * linearSteps + 0.5));
}

// A picture this large is split into bands, one a thread: turned whole, the
// 24 megapixels of a photograph looked at one to one keep a core busy for
// longer than they took to decode.
constexpr qsizetype bandedPixels = 1'000'000;

using Matrix = std::array<double, 9>; // rows of three

cmsHPROFILE open(const QByteArray &icc)
{
    return cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
}

// The profile's red, green and blue as XYZ, in columns.
bool colorantsOf(cmsHPROFILE profile, Matrix &matrix)
{
    constexpr std::array tags{cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int column = 0; column < 3; ++column) {
        const auto *xyz = static_cast<const cmsCIEXYZ *>(cmsReadTag(profile, tags[column]));
        if (!xyz)
            return false;
        matrix[column] = xyz->X;
        matrix[3 + column] = xyz->Y;
        matrix[6 + column] = xyz->Z;
    }
    return true;
}

bool inverted(const Matrix &m, Matrix &inverse)
{
    const double determinant = m[0] * (m[4] * m[8] - m[5] * m[7]) -
                               m[1] * (m[3] * m[8] - m[5] * m[6]) +
                               m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (std::abs(determinant) < 1e-9)
        return false;
    inverse = {(m[4] * m[8] - m[5] * m[7]) / determinant, (m[2] * m[7] - m[1] * m[8]) / determinant,
               (m[1] * m[5] - m[2] * m[4]) / determinant, (m[5] * m[6] - m[3] * m[8]) / determinant,
               (m[0] * m[8] - m[2] * m[6]) / determinant, (m[2] * m[3] - m[0] * m[5]) / determinant,
               (m[3] * m[7] - m[4] * m[6]) / determinant, (m[1] * m[6] - m[0] * m[7]) / determinant,
               (m[0] * m[4] - m[1] * m[3]) / determinant};
    return true;
}

Matrix product(const Matrix &a, const Matrix &b)
{
    Matrix result{};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            for (int k = 0; k < 3; ++k)
                result[row * 3 + column] += a[row * 3 + k] * b[k * 3 + column];
        }
    }
    return result;
}

constexpr std::array curveTags{cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};

bool isThreeCurvesAndAMatrix(cmsHPROFILE profile)
{
    return cmsGetColorSpace(profile) == cmsSigRgbData && cmsIsMatrixShaper(profile);
}

} // namespace

// A transform made with cmsFLAGS_NOCACHE keeps no state between calls, so
// that several workers may apply it at once; the tables are only read.
struct ColourTransforms::Transform
{
    Transform() = default;
    ~Transform()
    {
        if (handle)
            cmsDeleteTransform(handle);
    }
    Transform(const Transform &) = delete;
    Transform &operator=(const Transform &) = delete;

    // Little CMS's transform is exact but goes through its general pixel
    // formats a channel at a time: some 50 megapixels a second here, half a
    // second for a photograph at one to one. Three curves and a matrix on
    // each side are one lookup per channel in, a sum, and one lookup out.
    bool makeTables(cmsHPROFILE source, cmsHPROFILE target);
    bool tablesAgreeWithHandle() const;
    void turn(uchar *pixels, qsizetype stride, int width, int firstRow, int endRow) const;
    void turnByTables(uchar *pixels, qsizetype stride, int width, int firstRow, int endRow) const;

    cmsHTRANSFORM handle = nullptr;
    bool tables = false;
    // shares[out * 3 + in][v]: the linear light channel in's number v gives
    // channel out on the screen, in linearSteps squared.
    std::array<std::array<std::int32_t, 256>, 9> shares{};
    // encoded[channel][light]: the number for that linear light on the screen.
    std::array<std::array<std::uint8_t, linearSteps + 1>, 3> encoded{};
};

bool ColourTransforms::Transform::makeTables(cmsHPROFILE source, cmsHPROFILE target)
{
    if (!isThreeCurvesAndAMatrix(source) || !isThreeCurvesAndAMatrix(target))
        return false;
    // Both profiles give their colorants in the same connection space: the
    // screen's linear light is its inverse matrix of the picture's XYZ.
    Matrix sourceColorants{};
    Matrix targetColorants{};
    Matrix targetInverse{};
    if (!colorantsOf(source, sourceColorants) || !colorantsOf(target, targetColorants) ||
        !inverted(targetColorants, targetInverse))
        return false;
    const Matrix matrix = product(targetInverse, sourceColorants);
    // Three shares of a channel must add up within 32 bits, as in Little CMS.
    if (std::any_of(matrix.cbegin(), matrix.cend(), [](double m) { return std::abs(m) > 2.5; }))
        return false;
    for (int in = 0; in < 3; ++in) {
        const auto *curve = static_cast<const cmsToneCurve *>(cmsReadTag(source, curveTags[in]));
        if (!curve)
            return false;
        for (int value = 0; value < 256; ++value) {
            const std::int32_t light = fixed(cmsEvalToneCurveFloat(curve, float(value) / 255.0f));
            for (int out = 0; out < 3; ++out)
                shares[out * 3 + in][value] = fixed(matrix[out * 3 + in]) * light;
        }
    }
    for (int out = 0; out < 3; ++out) {
        const auto *curve = static_cast<const cmsToneCurve *>(cmsReadTag(target, curveTags[out]));
        cmsToneCurve *reversed = curve ? cmsReverseToneCurve(curve) : nullptr;
        if (!reversed)
            return false;
        for (int light = 0; light <= linearSteps; ++light) {
            const float value = cmsEvalToneCurveFloat(reversed, float(light) / linearSteps);
            const auto word = std::uint32_t(std::clamp(value, 0.0f, 1.0f) * 65535.0 + 0.5);
            encoded[out][light] = std::uint8_t((word * 65281u + 8388608u) >> 24);
        }
        cmsFreeToneCurve(reversed);
    }
    return tablesAgreeWithHandle();
}

// A profile may hold more than its curves and matrix say, a chromatic
// adaptation or a curve of its own kind, that Little CMS honours: the tables
// are used only when they turn a lattice through the whole cube as it does,
// to within the rounding of a step.
bool ColourTransforms::Transform::tablesAgreeWithHandle() const
{
    constexpr int levels = 18; // 0, 15, ... 255
    std::vector<QRgb> lattice(levels * levels * levels);
    std::size_t at = 0;
    for (int red = 0; red < levels; ++red) {
        for (int green = 0; green < levels; ++green) {
            for (int blue = 0; blue < levels; ++blue)
                lattice[at++] = qRgb(red * 15, green * 15, blue * 15);
        }
    }
    std::vector<QRgb> ours = lattice;
    std::vector<QRgb> theirs = lattice;
    const auto width = int(lattice.size());
    turnByTables(reinterpret_cast<uchar *>(ours.data()), 0, width, 0, 1);
    cmsDoTransform(handle, theirs.data(), theirs.data(), cmsUInt32Number(width));
    const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    for (std::size_t i = 0; i < lattice.size(); ++i) {
        if (!near(qRed(ours[i]), qRed(theirs[i])) || !near(qGreen(ours[i]), qGreen(theirs[i])) ||
            !near(qBlue(ours[i]), qBlue(theirs[i])))
            return false;
    }
    return true;
}

void ColourTransforms::Transform::turn(uchar *pixels, qsizetype stride, int width, int firstRow,
                                       int endRow) const
{
    if (!tables) {
        // In place, Little CMS writes the three channels and leaves the
        // fourth byte of each pixel as it was: alpha is kept without the
        // slower copy cmsFLAGS_COPY_ALPHA would add.
        cmsDoTransformLineStride(handle, pixels + firstRow * stride, pixels + firstRow * stride,
                                 cmsUInt32Number(width), cmsUInt32Number(endRow - firstRow),
                                 cmsUInt32Number(stride), cmsUInt32Number(stride), 0, 0);
        return;
    }
    turnByTables(pixels, stride, width, firstRow, endRow);
}

void ColourTransforms::Transform::turnByTables(uchar *pixels, qsizetype stride, int width,
                                               int firstRow, int endRow) const
{
    const auto channel = [this](int out, QRgb pixel) {
        const std::int32_t sum = shares[out * 3][qRed(pixel)] + shares[out * 3 + 1][qGreen(pixel)] +
                                 shares[out * 3 + 2][qBlue(pixel)];
        const std::int32_t light =
            std::clamp((sum + (1 << (fixedBits - 1))) >> fixedBits, 0, linearSteps);
        return QRgb(encoded[out][light]);
    };
    for (int row = firstRow; row < endRow; ++row) {
        auto *line = reinterpret_cast<QRgb *>(pixels + row * stride);
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = line[x];
            line[x] = (pixel & 0xFF000000u) | channel(0, pixel) << 16 | channel(1, pixel) << 8 |
                      channel(2, pixel);
        }
    }
}

ColourTransforms::ColourTransforms()
{
    m_bands.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
}

ColourTransforms::~ColourTransforms() = default;

std::shared_ptr<const ColourTransforms::Transform>
ColourTransforms::transform(const ColourSpace &from, const ColourSpace &to)
{
    const Key key(from.icc(), to.icc());
    {
        const QMutexLocker lock(&m_mutex);
        if (const auto found = m_transforms.constFind(key); found != m_transforms.cend())
            return *found;
    }
    // Made outside the lock, so that a worker with a pair already made does
    // not wait behind one making a new pair; two making the same pair at once
    // keep the first.
    cmsHPROFILE source = open(from.icc());
    cmsHPROFILE target = open(to.icc());
    auto made = std::make_shared<Transform>();
    if (source && target) {
        made->handle = cmsCreateTransform(source, wordPixels, target, wordPixels, INTENT_PERCEPTUAL,
                                          cmsFLAGS_NOCACHE);
        made->tables = made->handle && made->makeTables(source, target);
    }
    if (source)
        cmsCloseProfile(source);
    if (target)
        cmsCloseProfile(target);
    const QMutexLocker lock(&m_mutex);
    return *m_transforms.insert(key, m_transforms.value(key, std::move(made)));
}

bool ColourTransforms::apply(QImage &image, const ColourSpace &from, const ColourSpace &to)
{
    if (image.isNull() || from.sameAs(to))
        return false;
    const std::shared_ptr<const Transform> made = transform(from, to);
    if (!made->handle)
        return false;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // bits() detaches: a copy shared with anyone else is left as it was. It
    // is called once, here: the bands must not each detach.
    uchar *pixels = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int width = image.width();
    const int height = image.height();
    const int bands = qsizetype(width) * height >= bandedPixels ? m_bands.maxThreadCount() + 1 : 1;
    const int rowsABand = (height + bands - 1) / bands;
    QSemaphore done;
    int started = 0;
    for (int first = rowsABand; first < height; first += rowsABand) {
        const int end = std::min(height, first + rowsABand);
        m_bands.start([made, pixels, stride, width, first, end, &done] {
            made->turn(pixels, stride, width, first, end);
            done.release();
        });
        ++started;
    }
    made->turn(pixels, stride, width, 0, std::min(height, rowsABand));
    done.acquire(started);
    return true;
}

} // namespace quorvel::pictures
