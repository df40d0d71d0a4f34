#include "pictures/FocusPointReader.h"

#include "pictures/Exiv2Setup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <optional>
#include <QCoreApplication>
#include <QSizeF>
#include <QString>

namespace quorvel::pictures {

namespace {

// No camera's frame comes near this, and a number of this size in a field
// would take the arithmetic past what a double holds exactly.
constexpr double largestFrame = 1e6;
// The most AF points one picture's fields are read for: the cameras with
// the most points record a few hundred. A count past it is damage.
constexpr long mostPoints = 4096;

QString outsideThePicture()
{
    return QCoreApplication::translate("FocusPointReader",
                                       "the focus point lies outside the picture");
}
QString ofNoSize()
{
    return QCoreApplication::translate("FocusPointReader", "the focus area has no size");
}
QString layoutNotKnown()
{
    return QCoreApplication::translate("FocusPointReader",
                                       "the focus fields are of a layout not known");
}
QString outOfRange()
{
    return QCoreApplication::translate("FocusPointReader",
                                       "the focus fields hold numbers out of range");
}

// What one family of fields says: nothing, areas, or why it makes no sense.
struct Reading
{
    QList<QRectF> areas; // fractions of the picture as stored
    QString problem;

    static Reading none() { return {}; }
    static Reading failed(QString why) { return {{}, std::move(why)}; }
};

// The fields read here, each known by its place (IFD and tag) rather than
// by its key: Exiv2 finds a key by spelling out every field's key in turn,
// which over the hundreds of a maker's note costs more than the reading.
enum class Field {
    SubjectArea,
    SubjectLocation,
    TiffEpSubjectLocation,
    PixelXDimension,
    PixelYDimension,
    Orientation,
    NikonX,
    NikonY,
    NikonWidth,
    NikonHeight,
    NikonFrameWidth,
    NikonFrameHeight,
    Nikon2X,
    Nikon2Y,
    Nikon2Width,
    Nikon2Height,
    Nikon2FrameWidth,
    Nikon2FrameHeight,
    CanonPoints,
    CanonFrameWidth,
    CanonFrameHeight,
    CanonWidths,
    CanonHeights,
    CanonXs,
    CanonYs,
    CanonInFocus,
    CanonSelected,
    OlympusAreas,
    PanasonicPoint,
    Count
};

constexpr const char *keys[] = {
    "Exif.Photo.SubjectArea",         "Exif.Photo.SubjectLocation",
    "Exif.Image.SubjectLocation",     "Exif.Photo.PixelXDimension",
    "Exif.Photo.PixelYDimension",     "Exif.Image.Orientation",
    "Exif.NikonAf2.AFAreaXPosition",  "Exif.NikonAf2.AFAreaYPosition",
    "Exif.NikonAf2.AFAreaWidth",      "Exif.NikonAf2.AFAreaHeight",
    "Exif.NikonAf2.AFImageWidth",     "Exif.NikonAf2.AFImageHeight",
    "Exif.NikonAf22.AFAreaXPosition", "Exif.NikonAf22.AFAreaYPosition",
    "Exif.NikonAf22.AFAreaWidth",     "Exif.NikonAf22.AFAreaHeight",
    "Exif.NikonAf22.AFImageWidth",    "Exif.NikonAf22.AFImageHeight",
    "Exif.Canon.AFNumPoints",         "Exif.Canon.AFImageWidth",
    "Exif.Canon.AFImageHeight",       "Exif.Canon.AFAreaWidths",
    "Exif.Canon.AFAreaHeights",       "Exif.Canon.AFXPositions",
    "Exif.Canon.AFYPositions",        "Exif.Canon.AFPointsInFocus",
    "Exif.Canon.AFPointsSelected",    "Exif.OlympusCs.AFAreas",
    "Exif.Panasonic.AFPointPosition",
};
static_assert(std::size(keys) == size_t(Field::Count));

struct Place
{
    int ifd;
    uint16_t tag;
};

// Worked out once, by Exiv2 itself. A key an Exiv2 of another version does
// not know is a place no field has.
const std::array<Place, size_t(Field::Count)> &places()
{
    static const auto all = [] {
        std::array<Place, size_t(Field::Count)> found{};
        for (size_t i = 0; i < found.size(); ++i) {
            try {
                const Exiv2::ExifKey key(keys[i]);
                found[i] = {key.ifdId(), key.tag()};
            } catch (const std::exception &) {
                found[i] = {-1, 0};
            }
        }
        return found;
    }();
    return all;
}

// The fields of exif that are read here, found in one pass, each read as
// numbers that are finite and of a sane size.
class Fields
{
public:
    explicit Fields(const Exiv2::ExifData &exif)
    {
        const auto &wanted = places();
        for (const Exiv2::Exifdatum &datum : exif) {
            for (size_t i = 0; i < wanted.size(); ++i) {
                if (!m_found[i] && datum.tag() == wanted[i].tag && datum.ifdId() == wanted[i].ifd)
                    m_found[i] = &datum;
            }
        }
    }

    // The field, or null when exif has none.
    const Exiv2::Exifdatum *find(Field field) const { return m_found[size_t(field)]; }
    // The index-th number of field; nothing when it is missing or no number:
    // a rational of no denominator, say.
    std::optional<double> number(Field field, long index = 0) const
    {
        const Exiv2::Exifdatum *datum = find(field);
        return datum ? numberOf(*datum, index) : std::nullopt;
    }
    static std::optional<double> numberOf(const Exiv2::Exifdatum &datum, long index)
    {
        if (index < 0 || index >= datum.count())
            return std::nullopt;
        const double value = datum.toFloat(index);
        // Exiv2 gives 0 for a rational of no denominator, and says so here.
        if (!datum.value().ok() || !std::isfinite(value) || std::abs(value) > largestFrame)
            return std::nullopt;
        return value;
    }

private:
    std::array<const Exiv2::Exifdatum *, size_t(Field::Count)> m_found{};
};

// A frame of fields, mapped to the picture as stored. The picture is the
// frame scaled, and where their shapes differ, cropped about their common
// centre: the side that matches the frame's is the one the picture fills
// (a 16:9 picture from a 3:2 frame keeps its width). With no picture size
// known the picture is the frame itself.
class FrameMapping
{
public:
    FrameMapping(const QSizeF &frame, const QSizeF &stored) : m_frame(frame), m_stored(stored) {}

    bool valid() const
    {
        return m_frame.width() > 0 && m_frame.height() > 0 && m_frame.width() <= largestFrame &&
               m_frame.height() <= largestFrame;
    }

    // area, in the frame's units, as fractions of the picture as stored;
    // a problem when it lies outside. Ends past an edge are cut at it:
    // cameras draw their edge areas a little over.
    Reading map(const QRectF &area) const
    {
        if (!valid())
            return Reading::failed(ofNoSize());
        const QPointF centre = area.center();
        if (centre.x() < 0 || centre.y() < 0 || centre.x() > m_frame.width() ||
            centre.y() > m_frame.height())
            return Reading::failed(outsideThePicture());
        QRectF fraction;
        if (m_stored.isEmpty()) {
            fraction = QRectF(area.x() / m_frame.width(), area.y() / m_frame.height(),
                              area.width() / m_frame.width(), area.height() / m_frame.height());
        } else {
            const double scale =
                std::max(m_stored.width() / m_frame.width(), m_stored.height() / m_frame.height());
            const auto x = [&](double along) {
                return ((along - m_frame.width() / 2) * scale + m_stored.width() / 2) /
                       m_stored.width();
            };
            const auto y = [&](double along) {
                return ((along - m_frame.height() / 2) * scale + m_stored.height() / 2) /
                       m_stored.height();
            };
            fraction = QRectF(QPointF(x(area.left()), y(area.top())),
                              QPointF(x(area.right()), y(area.bottom())));
        }
        const QPointF middle = fraction.center();
        if (middle.x() < 0 || middle.x() > 1 || middle.y() < 0 || middle.y() > 1)
            return Reading::failed(outsideThePicture());
        const QRectF cut(
            QPointF(std::clamp(fraction.left(), 0.0, 1.0), std::clamp(fraction.top(), 0.0, 1.0)),
            QPointF(std::clamp(fraction.right(), 0.0, 1.0),
                    std::clamp(fraction.bottom(), 0.0, 1.0)));
        return {{cut}, {}};
    }

private:
    QSizeF m_frame;
    QSizeF m_stored;
};

// Exif's SubjectArea, and TIFF/EP's SubjectLocation in the first IFD, which
// has its layout: two numbers are a point, three a circle (centre and
// diameter), four a rectangle (centre, width and height), in pixels of the
// picture as stored. Their frame is the picture as the camera wrote it:
// Exif's pixel dimensions where given, which a program that scaled the
// picture since may have left as they were; else the picture's own size.
Reading subjectArea(const Fields &fields, Field field, const QSizeF &stored)
{
    const Exiv2::Exifdatum *datum = fields.find(field);
    if (!datum)
        return Reading::none();
    std::optional<double> values[4];
    const long count = datum->count();
    if (count < 2 || count > 4)
        return Reading::failed(layoutNotKnown());
    for (long i = 0; i < count; ++i) {
        values[i] = Fields::numberOf(*datum, i);
        if (!values[i] || *values[i] < 0)
            return Reading::failed(outOfRange());
    }
    const auto width = fields.number(Field::PixelXDimension);
    const auto height = fields.number(Field::PixelYDimension);
    const QSizeF frame =
        width && height && *width > 0 && *height > 0 ? QSizeF(*width, *height) : stored;
    if (frame.isEmpty())
        return Reading::none(); // a RAW file's, with no size to go by
    const QPointF centre(*values[0], *values[1]);
    QSizeF size(0, 0); // a point
    if (count == 3)
        size = QSizeF(*values[2], *values[2]);
    else if (count == 4)
        size = QSizeF(*values[2], *values[3]);
    if (count > 2 && size.isEmpty())
        return Reading::failed(ofNoSize());
    return FrameMapping(frame, stored)
        .map(QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(),
                    size.height()));
}

// Exif's SubjectLocation: a point alone, in the same frame as SubjectArea.
Reading subjectLocation(const Fields &fields, const QSizeF &stored)
{
    const Exiv2::Exifdatum *datum = fields.find(Field::SubjectLocation);
    if (!datum)
        return Reading::none();
    if (datum->count() != 2)
        return Reading::failed(layoutNotKnown());
    return subjectArea(fields, Field::SubjectLocation, stored);
}

// Nikon: the AFInfo2 block, which Exiv2 decodes as NikonAf2 (and, in the
// later layout of the Z bodies, NikonAf22). AFAreaXPosition and
// AFAreaYPosition are the AF area's centre, AFAreaWidth and AFAreaHeight its
// size, all in the AF frame AFImageWidth x AFImageHeight: the sensor's full
// size, whatever size the camera made the JPEG at (the mapping scales) and
// whatever crop it was set to (the mapping crops about the centre). A shot
// focused through the viewfinder records only the number of its AF point,
// whose place differs by body, and leaves these fields zero: nothing read.
Reading nikon(const Fields &fields, const QSizeF &stored)
{
    // The two layouts' fields, in the order of the Field enumeration.
    for (const Field first : {Field::NikonX, Field::Nikon2X}) {
        const auto field = [&](int offset) { return fields.number(Field(int(first) + offset)); };
        const auto x = field(0);
        const auto y = field(1);
        if (!x && !y)
            continue;
        const auto width = field(2);
        const auto height = field(3);
        const auto frameWidth = field(4);
        const auto frameHeight = field(5);
        if (!x || !y || !width || !height || !frameWidth || !frameHeight)
            return Reading::failed(outOfRange());
        if (*x == 0 && *y == 0 && *width == 0 && *height == 0)
            return Reading::none();
        if (*width <= 0 || *height <= 0 || *frameWidth <= 0 || *frameHeight <= 0)
            return Reading::failed(ofNoSize());
        return FrameMapping({*frameWidth, *frameHeight}, stored)
            .map(QRectF(*x - *width / 2, *y - *height / 2, *width, *height));
    }
    return Reading::none();
}

// Canon: the AF info block (AFInfo2), which Exiv2 splits into
// AFNumPoints, AFImageWidth x AFImageHeight (the AF frame), and per point
// AFAreaWidths, AFAreaHeights, AFXPositions and AFYPositions, the points'
// centres relative to the frame's centre with y upwards, and the bit masks
// AFPointsInFocus and AFPointsSelected, sixteen points a word. The areas
// are the points in focus, else the ones selected; the frame maps to the
// picture like Nikon's. Older bodies record only AFPoint, a number in a
// layout that differs by body: not read.
Reading canon(const Fields &fields, const QSizeF &stored)
{
    const auto points = fields.number(Field::CanonPoints);
    if (!points)
        return Reading::none();
    if (*points <= 0 || *points > mostPoints)
        return Reading::failed(layoutNotKnown());
    const long count = long(*points);
    const Exiv2::Exifdatum *widths = fields.find(Field::CanonWidths);
    const Exiv2::Exifdatum *heights = fields.find(Field::CanonHeights);
    const Exiv2::Exifdatum *xs = fields.find(Field::CanonXs);
    const Exiv2::Exifdatum *ys = fields.find(Field::CanonYs);
    if (!widths || !heights || !xs || !ys || widths->count() != count ||
        heights->count() != count || xs->count() != count || ys->count() != count)
        return Reading::failed(layoutNotKnown());
    const auto frameWidth = fields.number(Field::CanonFrameWidth);
    const auto frameHeight = fields.number(Field::CanonFrameHeight);
    if (!frameWidth || !frameHeight)
        return Reading::failed(layoutNotKnown());
    const FrameMapping mapping({*frameWidth, *frameHeight}, stored);

    const long words = (count + 15) / 16;
    const auto marked = [&](Field field) {
        QList<long> chosen;
        const Exiv2::Exifdatum *mask = fields.find(field);
        if (!mask || mask->count() < words)
            return chosen;
        for (long point = 0; point < count; ++point) {
            if ((mask->toLong(point / 16) >> (point % 16)) & 1)
                chosen.append(point);
        }
        return chosen;
    };
    QList<long> chosen = marked(Field::CanonInFocus);
    if (chosen.isEmpty())
        chosen = marked(Field::CanonSelected);
    Reading reading;
    for (const long point : std::as_const(chosen)) {
        const auto width = Fields::numberOf(*widths, point);
        const auto height = Fields::numberOf(*heights, point);
        const auto x = Fields::numberOf(*xs, point);
        const auto y = Fields::numberOf(*ys, point);
        if (!width || !height || !x || !y)
            return Reading::failed(outOfRange());
        if (*width <= 0 || *height <= 0)
            return Reading::failed(ofNoSize());
        const QPointF centre(*frameWidth / 2 + *x, *frameHeight / 2 - *y);
        Reading area =
            mapping.map(QRectF(centre.x() - *width / 2, centre.y() - *height / 2, *width, *height));
        if (!area.problem.isEmpty())
            return area;
        reading.areas += area.areas;
    }
    return reading;
}

// Olympus and OM System: AFAreas in the camera settings, up to 64 words,
// each an area's corners as four bytes, x1 y1 x2 y2, on a scale of 0 to 255
// across the picture; zero ends the list. AFPointSelected and the focus
// info's AFPoint are left: their meaning differs by body.
Reading olympus(const Fields &fields, const QSizeF &)
{
    const Exiv2::Exifdatum *datum = fields.find(Field::OlympusAreas);
    if (!datum)
        return Reading::none();
    constexpr long mostAreas = 64;
    if (datum->count() > mostAreas)
        return Reading::failed(layoutNotKnown());
    const FrameMapping mapping({255, 255}, {});
    Reading reading;
    for (long i = 0; i < datum->count(); ++i) {
        const auto word = quint32(datum->toLong(i));
        if (word == 0)
            break;
        const QPointF from(word >> 24, (word >> 16) & 0xFF);
        const QPointF to((word >> 8) & 0xFF, word & 0xFF);
        if (to.x() <= from.x() || to.y() <= from.y())
            return Reading::failed(ofNoSize());
        Reading area = mapping.map(QRectF(from, to));
        if (!area.problem.isEmpty())
            return area;
        reading.areas += area.areas;
    }
    return reading;
}

// Panasonic: AFPointPosition, the AF point's centre as two fractions of the
// picture, x then y.
Reading panasonic(const Fields &fields, const QSizeF &)
{
    const Exiv2::Exifdatum *datum = fields.find(Field::PanasonicPoint);
    if (!datum)
        return Reading::none();
    if (datum->count() != 2)
        return Reading::failed(layoutNotKnown());
    const auto x = Fields::numberOf(*datum, 0);
    const auto y = Fields::numberOf(*datum, 1);
    if (!x || !y)
        return Reading::failed(outOfRange());
    return FrameMapping({1, 1}, {}).map(QRectF(*x, *y, 0, 0));
}

// Not read, since Exiv2 gives no place for them: Sony's LocalAFAreaPoint
// (a named point, "Top-Right", of a layout that differs by body) and its
// FocusPosition2 (the lens's focus distance); Pentax's AFPoint and
// AFPointInFocus (named points and masks of them; its AFInfo block is left
// undecoded); Fujifilm's FocusPixel, which Exiv2 0.27 does not decode;
// Casio's AFPointPosition and Minolta's SpotFocusPointX/Y, whose frame is
// not recorded.

Reading standardSubjectArea(const Fields &fields, const QSizeF &stored)
{
    return subjectArea(fields, Field::SubjectArea, stored);
}

Reading tiffEpSubjectLocation(const Fields &fields, const QSizeF &stored)
{
    return subjectArea(fields, Field::TiffEpSubjectLocation, stored);
}

// The first family that records an area is the one read; the standard
// fields first, since a camera writes them for the picture as it made it.
constexpr Reading (*families[])(const Fields &, const QSizeF &) = {
    standardSubjectArea, subjectLocation, tiffEpSubjectLocation, nikon, canon, olympus, panasonic};

// A point in fractions of the picture as stored, turned as the picture is
// for display: orientation 6 turns it a quarter clockwise, 8 back, 3 half
// way; 2, 4, 5 and 7 mirror first.
QPointF upright(const QPointF &stored, int orientation)
{
    const double x = stored.x();
    const double y = stored.y();
    switch (orientation) {
    case 2:
        return {1 - x, y};
    case 3:
        return {1 - x, 1 - y};
    case 4:
        return {x, 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {1 - y, x};
    case 7:
        return {1 - y, 1 - x};
    case 8:
        return {y, 1 - x};
    default:
        return stored;
    }
}

QRectF upright(const QRectF &stored, int orientation)
{
    return QRectF(upright(stored.topLeft(), orientation),
                  upright(stored.bottomRight(), orientation))
        .normalized();
}

} // namespace

std::span<const char *const> FocusPointReader::keysRead()
{
    return keys;
}

FocusArea FocusPointReader::read(const Exiv2::ExifData &exif, const QSize &natural, int orientation)
{
    const bool onItsSide = orientation >= 5 && orientation <= 8;
    const QSizeF stored = onItsSide ? natural.transposed() : natural;
    const Fields fields(exif);
    FocusArea focus;
    for (const auto family : families) {
        const Reading found = family(fields, stored);
        if (!found.areas.isEmpty()) {
            for (const QRectF &area : std::as_const(found.areas))
                focus.areas.append(upright(area, orientation));
            focus.problem.clear();
            return focus;
        }
        if (focus.problem.isEmpty())
            focus.problem = found.problem;
    }
    return focus;
}

int FocusPointReader::orientationOf(const Exiv2::ExifData &exif)
{
    const auto orientation = Fields(exif).number(Field::Orientation);
    return orientation && *orientation >= 1 && *orientation <= 8 ? int(*orientation) : 1;
}

FocusArea FocusPointReader::ofFile(const QString &fileName)
{
    try {
        const auto image = readMetadataOf(fileName);
        if (!image.get())
            return {};
        const Exiv2::ExifData &exif = image->exifData();
        return read(exif, {}, orientationOf(exif));
    } catch (const std::exception &) {
        // Exiv2::Error is one: a file cut off, or no picture at all.
        return {};
    }
}

} // namespace quorvel::pictures
