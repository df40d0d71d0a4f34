#pragma once

#include <QString>

namespace quorvel::files {

// A mounted volume as the drive lists show it: where it is mounted, and the
// name a user would recognise it by (a card's label, say), which may be empty.
struct Volume
{
    QString mountPoint;
    QString label;

    bool operator==(const Volume &other) const { return mountPoint == other.mountPoint; }
};

} // namespace quorvel::files
