#pragma once

#include <QtGlobal>

namespace quorvel::files {

// Which folder a reading came from: its volume and its place on it. A path
// names whatever is there now; a card swapped for another with the same
// label, or a folder renamed over another, keeps the path and changes this.
struct FolderIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    bool isKnown() const { return device != 0 || inode != 0; }
    bool operator==(const FolderIdentity &) const = default;
};

} // namespace quorvel::files
