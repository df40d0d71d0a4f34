// Where the camera focused, read from a picture's Exif fields and its
// maker's note: counts, sizes and positions straight from the file, which a
// damaged card or another program's writing can set to anything. Whatever
// they hold, the reading must end soon, and give either areas inside the
// picture or none and a problem, never both.
//
// The input: one byte for the way in, the picture's size upright (two
// little-endian 16-bit numbers), its Exif orientation, then either (way in
// even) an Exif block as a JPEG's APP1 segment carries it after its
// "Exif\0\0", which Exiv2 parses, makers' notes included, or (odd) fields
// set one by one: for each, a byte choosing the field, one its type, one
// its count, then its values.

#include "pictures/FocusPointReader.h"
#include "Property.h"

#include <cmath>
#include <cstdint>
#include <exiv2/exiv2.hpp>

namespace {

// Beside the fields the reader looks at, a neighbour it must leave alone.
constexpr const char *neighbour = "Exif.Canon.AFInfo";

constexpr Exiv2::TypeId types[] = {Exiv2::unsignedShort,    Exiv2::signedShort,
                                   Exiv2::unsignedLong,     Exiv2::signedLong,
                                   Exiv2::unsignedRational, Exiv2::signedRational};

class Bytes
{
public:
    Bytes(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_at >= m_size; }
    std::uint32_t take(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count && m_at < m_size; ++i)
            value |= std::uint32_t(m_data[m_at++]) << (8 * i);
        return value;
    }
    const std::uint8_t *rest() const { return m_data + m_at; }
    std::size_t left() const { return m_size - std::min(m_at, m_size); }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

void setFields(Bytes &bytes, Exiv2::ExifData &exif)
{
    while (!bytes.empty()) {
        const std::span<const char *const> keys = quorvel::pictures::FocusPointReader::keysRead();
        const std::size_t which = bytes.take(1) % (keys.size() + 1);
        const char *key = which < keys.size() ? keys[which] : neighbour;
        const Exiv2::TypeId type = types[bytes.take(1) % std::size(types)];
        const std::uint32_t count = bytes.take(1);
        auto value = Exiv2::Value::create(type);
        std::string text;
        for (std::uint32_t i = 0; i < count && !bytes.empty(); ++i) {
            // Exiv2 reads numbers apart, and none after a trailing space.
            if (i > 0)
                text += ' ';
            switch (type) {
            case Exiv2::unsignedShort:
                text += std::to_string(bytes.take(2));
                break;
            case Exiv2::signedShort:
                text += std::to_string(std::int16_t(bytes.take(2)));
                break;
            case Exiv2::unsignedLong:
                text += std::to_string(bytes.take(4));
                break;
            case Exiv2::signedLong:
                text += std::to_string(std::int32_t(bytes.take(4)));
                break;
            default:
                text += std::to_string(std::int32_t(bytes.take(4))) + '/' +
                        std::to_string(std::int32_t(bytes.take(4)));
                break;
            }
        }
        value->read(text);
        exif.add(Exiv2::ExifKey(key), value.get());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quorvel::pictures;
    static const bool muted = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        return true;
    }();
    (void)muted;

    Bytes bytes(data, size);
    const bool parsed = bytes.take(1) % 2 == 0;
    const QSize natural(int(bytes.take(2)), int(bytes.take(2)));
    const int orientation = int(bytes.take(1));
    Exiv2::ExifData exif;
    try {
        if (parsed)
            Exiv2::ExifParser::decode(exif, bytes.rest(), std::uint32_t(bytes.left()));
        else
            setFields(bytes, exif);
    } catch (const Exiv2::AnyError &) {
        // What Exiv2 read before it gave up is read all the same.
    }

    const FocusArea focus = FocusPointReader::read(exif, natural, orientation);
    QUORVEL_REQUIRE(!(focus.recorded() && !focus.problem.isEmpty()));
    QUORVEL_REQUIRE(focus.areas.size() <= 4096);
    constexpr double slack = 1e-9;
    for (const QRectF &area : focus.areas) {
        QUORVEL_REQUIRE(std::isfinite(area.x()) && std::isfinite(area.y()));
        QUORVEL_REQUIRE(std::isfinite(area.width()) && std::isfinite(area.height()));
        QUORVEL_REQUIRE(area.width() >= 0 && area.height() >= 0);
        QUORVEL_REQUIRE(area.left() >= -slack && area.right() <= 1 + slack);
        QUORVEL_REQUIRE(area.top() >= -slack && area.bottom() <= 1 + slack);
    }
    const int read = FocusPointReader::orientationOf(exif);
    QUORVEL_REQUIRE(read >= 1 && read <= 8);
    return 0;
}
