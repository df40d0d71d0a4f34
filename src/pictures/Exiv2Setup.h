#pragma once

namespace quorvel::pictures {

// Exiv2 sets up its XMP parser on first use, which is not safe from two
// threads at once; called before any use of Exiv2, it is done once, first.
// Its warnings about the makers' notes it does not know would only reach a
// terminal nobody reads, so they are muted.
void setUpExiv2();

} // namespace quorvel::pictures
