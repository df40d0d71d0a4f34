#include "support/gui/ColourProfiles.h"

#include "support/gui/ExifFields.h"

#include <array>
#include <lcms2.h>
#include <vector>

namespace quorvel::test {

namespace {

QByteArray bytesOf(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// An RGB profile of primaries and one gamma, D65 white.
QByteArray rgbProfile(const cmsCIExyYTRIPLE &primaries, double gamma, const char *description)
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    cmsToneCurve *curve = cmsBuildGamma(nullptr, gamma);
    std::array<cmsToneCurve *, 3> curves{curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves.data());
    cmsFreeToneCurve(curve);
    cmsMLU *text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    return bytesOf(profile);
}

} // namespace

QByteArray sRgbProfile()
{
    return bytesOf(cmsCreate_sRGBProfile());
}

QByteArray adobeRgbProfile()
{
    return rgbProfile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, 563.0 / 256.0,
                      "Adobe RGB (1998)");
}

QByteArray wideGamutProfile()
{
    // The primaries of the ITU's television of tomorrow, wider than Adobe's.
    return rgbProfile({{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}}, 2.2,
                      "Wide gamut panel");
}

QRgb transformedColour(QRgb rgb, const QByteArray &from, const QByteArray &to)
{
    cmsHPROFILE source = cmsOpenProfileFromMem(from.constData(), cmsUInt32Number(from.size()));
    cmsHPROFILE target = cmsOpenProfileFromMem(to.constData(), cmsUInt32Number(to.size()));
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, TYPE_RGB_8, target, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    const std::array<quint8, 3> in{quint8(qRed(rgb)), quint8(qGreen(rgb)), quint8(qBlue(rgb))};
    std::array<quint8, 3> out{};
    cmsDoTransform(transform, in.data(), out.data(), 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(source);
    cmsCloseProfile(target);
    return qRgb(out[0], out[1], out[2]);
}

QImage transformedImage(const QImage &image, const QByteArray &from, const QByteArray &to)
{
    cmsHPROFILE source = cmsOpenProfileFromMem(from.constData(), cmsUInt32Number(from.size()));
    cmsHPROFILE target = cmsOpenProfileFromMem(to.constData(), cmsUInt32Number(to.size()));
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, TYPE_RGB_8, target, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<quint8> line(size_t(result.width()) * 3);
    for (int y = 0; y < result.height(); ++y) {
        auto *pixels = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            line[size_t(x) * 3] = quint8(qRed(pixels[x]));
            line[size_t(x) * 3 + 1] = quint8(qGreen(pixels[x]));
            line[size_t(x) * 3 + 2] = quint8(qBlue(pixels[x]));
        }
        cmsDoTransform(transform, line.data(), line.data(), cmsUInt32Number(result.width()));
        for (int x = 0; x < result.width(); ++x)
            pixels[x] = qRgba(line[size_t(x) * 3], line[size_t(x) * 3 + 1], line[size_t(x) * 3 + 2],
                              qAlpha(pixels[x]));
    }
    cmsDeleteTransform(transform);
    cmsCloseProfile(source);
    cmsCloseProfile(target);
    return result;
}

QByteArray withIccProfile(const QByteArray &jpeg, const QByteArray &icc)
{
    QByteArray segment = QByteArrayLiteral("ICC_PROFILE") + '\0' + char(1) + char(1) + icc;
    const int length = int(segment.size()) + 2;
    segment.prepend(char(length & 0xFF)).prepend(char(length >> 8)).prepend("\xFF\xE2");
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray withExifColourSpace(const QByteArray &jpeg, uint16_t colorSpace, const char *index)
{
    ExifFields fields{{"Exif.Photo.ColorSpace", QString::number(colorSpace)}};
    if (index)
        fields.append({"Exif.Iop.InteroperabilityIndex", QString::fromLatin1(index)});
    return withExifFields(jpeg, fields);
}

} // namespace quorvel::test
