#include "pictures/ColourSpace.h"

#include "pictures/Exiv2Setup.h"

#include <array>
#include <cmath>
#include <exiv2/exiv2.hpp>
#include <lcms2.h>
#include <memory>
#include <vector>

namespace quorvel::pictures {

namespace {

struct ProfileCloser
{
    void operator()(void *profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

QByteArray bytesOf(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    if (!profile || !cmsSaveProfileToMem(profile, nullptr, &size))
        return {};
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
        return {};
    return bytes;
}

// Adobe RGB (1998) as Adobe publishes its encoding, made here rather than
// shipped: D65 white, its three primaries and a gamma of 563/256.
Profile makeAdobeRgb()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{
        {0.6400, 0.3300, 1.0}, {0.2100, 0.7100, 1.0}, {0.1500, 0.0600, 1.0}};
    cmsToneCurve *gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    std::array<cmsToneCurve *, 3> curves{gamma, gamma, gamma};
    Profile profile(cmsCreateRGBProfile(&white, &primaries, curves.data()));
    cmsFreeToneCurve(gamma);
    if (profile) {
        cmsMLU *description = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(description, "en", "US", "Adobe RGB (1998)");
        cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description);
        cmsMLUfree(description);
    }
    return profile;
}

const QByteArray &sRgbBytes()
{
    static const QByteArray bytes = [] {
        const Profile profile(cmsCreate_sRGBProfile());
        return bytesOf(profile.get());
    }();
    return bytes;
}

const QByteArray &adobeRgbBytes()
{
    static const QByteArray bytes = bytesOf(makeAdobeRgb().get());
    return bytes;
}

// Whether profile is the same matrix and curves as reference: a camera's
// or an editor's copy of sRGB or Adobe RGB, whatever its description says.
bool sameColours(cmsHPROFILE profile, cmsHPROFILE reference)
{
    if (!cmsIsMatrixShaper(profile) || !cmsIsMatrixShaper(reference))
        return false;
    constexpr std::array colorants{cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                   cmsSigBlueColorantTag};
    for (const cmsTagSignature tag : colorants) {
        const auto *ours = static_cast<const cmsCIEXYZ *>(cmsReadTag(profile, tag));
        const auto *theirs = static_cast<const cmsCIEXYZ *>(cmsReadTag(reference, tag));
        if (!ours || !theirs || std::abs(ours->X - theirs->X) > 0.003 ||
            std::abs(ours->Y - theirs->Y) > 0.003 || std::abs(ours->Z - theirs->Z) > 0.003)
            return false;
    }
    constexpr std::array curves{cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (const cmsTagSignature tag : curves) {
        const auto *ours = static_cast<const cmsToneCurve *>(cmsReadTag(profile, tag));
        const auto *theirs = static_cast<const cmsToneCurve *>(cmsReadTag(reference, tag));
        if (!ours || !theirs)
            return false;
        for (int step = 1; step < 10; ++step) {
            const float x = float(step) / 10;
            if (std::abs(cmsEvalToneCurveFloat(ours, x) - cmsEvalToneCurveFloat(theirs, x)) >
                0.004f)
                return false;
        }
    }
    return true;
}

QString descriptionOf(cmsHPROFILE profile)
{
    const cmsUInt32Number size =
        cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", nullptr, 0);
    if (size < sizeof(wchar_t))
        return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, 0);
    cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", text.data(), size);
    return QString::fromWCharArray(text.data()).trimmed();
}

} // namespace

ColourSpace::ColourSpace() : m_icc(sRgbBytes()) {}

ColourSpace::ColourSpace(QByteArray icc, QString name, QString problem)
    : m_icc(std::move(icc)), m_name(std::move(name)), m_problem(std::move(problem))
{}

ColourSpace ColourSpace::damaged()
{
    return {sRgbBytes(), {}, QStringLiteral("damaged")};
}

ColourSpace ColourSpace::adobeRgb()
{
    return {adobeRgbBytes(), QStringLiteral("Adobe RGB")};
}

ColourSpace ColourSpace::fromIcc(const QByteArray &icc)
{
    const Profile profile(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
    if (!profile)
        return damaged();
    // A grey picture's profile says little a screen would show differently.
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile.get());
    if (space == cmsSigGrayData)
        return {};
    if (space != cmsSigRgbData ||
        !cmsIsIntentSupported(profile.get(), INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
        return {sRgbBytes(), {}, QStringLiteral("not for RGB pictures")};
    // A camera embeds its profile in every picture, and each is read on its
    // way to the screen: the two it names are told by their tags alone,
    // opened from the bytes made once.
    const Profile sRgb(
        cmsOpenProfileFromMem(sRgbBytes().constData(), cmsUInt32Number(sRgbBytes().size())));
    if (sameColours(profile.get(), sRgb.get()))
        return {};
    const Profile adobe(cmsOpenProfileFromMem(adobeRgbBytes().constData(),
                                              cmsUInt32Number(adobeRgbBytes().size())));
    if (sameColours(profile.get(), adobe.get()))
        return adobeRgb();
    // Any other is checked against what lcms can make of it, so that a
    // profile whose tags are damaged past its header fails here and not on a
    // worker, unnoticed. Whether it can be built is the question, not how
    // fast it would run: unoptimised, it costs a tenth.
    cmsHTRANSFORM trial =
        cmsCreateTransform(profile.get(), TYPE_RGB_8, sRgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL,
                           cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
    if (!trial)
        return damaged();
    cmsDeleteTransform(trial);
    QString name = descriptionOf(profile.get());
    if (name.isEmpty())
        name = QStringLiteral("embedded profile");
    return {icc, name};
}

ColourSpace ColourSpace::fromExif(long colorSpaceTag, const QString &interoperabilityIndex)
{
    constexpr long adobeRgbTag = 2;          // written by some cameras, outside the standard
    constexpr long uncalibratedTag = 0xFFFF; // with "R03": DCF's optional colour space
    if (colorSpaceTag == adobeRgbTag ||
        (colorSpaceTag == uncalibratedTag && interoperabilityIndex == QLatin1String("R03")))
        return adobeRgb();
    return {};
}

ColourSpace ColourSpace::of(Exiv2::Image &image)
{
    if (image.iccProfileDefined()) {
        const Exiv2::DataBuf *icc = image.iccProfile();
        return fromIcc(QByteArray(reinterpret_cast<const char *>(icc->pData_), icc->size_));
    }
    const Exiv2::ExifData &exif = image.exifData();
    const auto colorSpace = exif.findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace"));
    if (colorSpace == exif.end() || colorSpace->count() == 0)
        return {};
    const auto index = exif.findKey(Exiv2::ExifKey("Exif.Iop.InteroperabilityIndex"));
    const QString interoperability =
        index == exif.end() ? QString() : QString::fromStdString(index->toString()).trimmed();
    return fromExif(colorSpace->toLong(), interoperability);
}

ColourSpace ColourSpace::ofFile(const QString &fileName)
{
    try {
        const auto image = readMetadataOf(fileName);
        if (!image.get())
            return {};
        return of(*image);
    } catch (const Exiv2::Error &error) {
        // Exiv2 gives up on the whole of the metadata for a profile whose
        // length is not its own; otherwise they were cut off or in a form
        // Exiv2 does not know, and say nothing.
        return error.code() == Exiv2::kerInvalidIccProfile ? damaged() : sRgb();
    } catch (const std::exception &) {
        return {};
    }
}

std::optional<ColourSpace> ColourSpace::embeddedIn(const QByteArray &bytes)
{
    setUpExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(bytes.constData()), long(bytes.size()));
        if (!image.get())
            return std::nullopt;
        image->readMetadata();
        if (!image->iccProfileDefined())
            return std::nullopt;
        return of(*image);
    } catch (const Exiv2::Error &error) {
        if (error.code() == Exiv2::kerInvalidIccProfile)
            return damaged();
        return std::nullopt;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

bool ColourSpace::sameAs(const ColourSpace &other) const
{
    return m_icc == other.m_icc;
}

} // namespace quorvel::pictures
