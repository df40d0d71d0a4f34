#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

class QImage;

namespace Exiv2 {
class Image;
}

namespace quorvel::pictures {

// The colours a picture's numbers stand for, or a screen's: an ICC profile.
// A picture says so by the profile embedded in it, else by its Exif colour
// space tags, else it is taken for sRGB, as the web and most cameras make
// them. A profile that can't be used is taken for sRGB too, and problem()
// says so: the picture is still shown. Copies share the profile's bytes.
class ColourSpace
{
public:
    // sRGB.
    ColourSpace();

    static ColourSpace sRgb() { return {}; }
    // Adobe RGB (1998), the one colour space besides sRGB that a camera's
    // files may name without embedding it.
    static ColourSpace adobeRgb();
    // The space of an ICC profile's bytes: sRGB with a problem() when they
    // are no profile this can use for RGB pixels.
    static ColourSpace fromIcc(const QByteArray &icc);
    // Exif's ColorSpace tag and the interoperability index: 1 is sRGB, 2 or
    // "uncalibrated" (0xFFFF) with "R03" is Adobe RGB. Anything else, sRGB.
    static ColourSpace fromExif(long colorSpaceTag, const QString &interoperabilityIndex);
    // The space of a picture whose metadata image holds: its embedded
    // profile, else its Exif tags, else sRGB.
    static ColourSpace of(Exiv2::Image &image);
    // The same, for the picture file fileName. Reads the file's metadata,
    // not its pixels.
    static ColourSpace ofFile(const QString &fileName);
    // The space of the profile embedded in the picture file held in bytes,
    // if it embeds one: a RAW file's preview.
    static std::optional<ColourSpace> embeddedIn(const QByteArray &bytes);

    // The profile that says what the numbers mean; never empty.
    const QByteArray &icc() const { return m_icc; }
    bool isSRgb() const { return m_name.isEmpty(); }
    // How the status line names it: empty for sRGB, "Adobe RGB" for Adobe
    // RGB (1998) however it is recognised, otherwise the profile's own
    // description.
    const QString &name() const { return m_name; }
    // Empty, or why a profile given could not be used and sRGB was assumed.
    const QString &problem() const { return m_problem; }

    // Whether both mean the same colours, so that nothing need be done.
    bool sameAs(const ColourSpace &other) const;

private:
    ColourSpace(QByteArray icc, QString name, QString problem = {});
    static ColourSpace damaged();

    QByteArray m_icc;
    QString m_name;
    QString m_problem;
};

} // namespace quorvel::pictures
