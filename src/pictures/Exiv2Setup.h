#pragma once

#include <exiv2/exiv2.hpp>

class QString;

namespace quorvel::pictures {

// Exiv2 sets up its XMP parser on first use, which is not safe from two
// threads at once; called before any use of Exiv2, it is done once, first.
// Its warnings about the makers' notes it does not know would only reach a
// terminal nobody reads, so they are muted.
void setUpExiv2();

// The metadata of the file fileName, read. Null for anything but a plain
// file, since a pipe that matches a pattern would keep the reading thread
// waiting for ever, and for a file Exiv2 does not know. Throws Exiv2::Error
// for a file cut off or damaged.
Exiv2::Image::AutoPtr readMetadataOf(const QString &fileName);

} // namespace quorvel::pictures
