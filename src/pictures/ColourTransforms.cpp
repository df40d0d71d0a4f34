#include "pictures/ColourTransforms.h"

#include <lcms2.h>
#include <QImage>
#include <QMutexLocker>
#include <QSysInfo>

namespace quorvel::pictures {

// A transform made with cmsFLAGS_NOCACHE keeps no state between calls, so
// that several workers may apply it at once.
struct ColourTransforms::Transform
{
    explicit Transform(cmsHTRANSFORM made) : handle(made) {}
    ~Transform()
    {
        if (handle)
            cmsDeleteTransform(handle);
    }
    Transform(const Transform &) = delete;
    Transform &operator=(const Transform &) = delete;

    cmsHTRANSFORM handle;
};

namespace {

// QImage's 32-bit formats hold a pixel as one word, 0xAARRGGBB: in memory,
// blue first on this machine's byte order or alpha first on the other.
constexpr cmsUInt32Number wordPixels =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;

cmsHPROFILE open(const QByteArray &icc)
{
    return cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
}

} // namespace

ColourTransforms::ColourTransforms() = default;
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
    cmsHTRANSFORM handle = nullptr;
    if (source && target)
        handle = cmsCreateTransform(source, wordPixels, target, wordPixels, INTENT_PERCEPTUAL,
                                    cmsFLAGS_NOCACHE | cmsFLAGS_COPY_ALPHA);
    if (source)
        cmsCloseProfile(source);
    if (target)
        cmsCloseProfile(target);
    auto made = std::make_shared<const Transform>(handle);
    const QMutexLocker lock(&m_mutex);
    return *m_transforms.insert(key, m_transforms.value(key, made));
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
    // bits() detaches: a copy shared with anyone else is left as it was.
    uchar *pixels = image.bits();
    const auto stride = cmsUInt32Number(image.bytesPerLine());
    cmsDoTransformLineStride(made->handle, pixels, pixels, cmsUInt32Number(image.width()),
                             cmsUInt32Number(image.height()), stride, stride, 0, 0);
    return true;
}

} // namespace quorvel::pictures
