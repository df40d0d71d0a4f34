#pragma once

#include <QStringView>
#include <QtGlobal>

namespace quorvel::files {

// Which file or folder a name stood for when it was looked at: its volume and
// its place on it. A path names whatever is there now; a file renamed over
// another, or a card swapped for another with the same label, keeps the path
// and changes this.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    // What path names now, the link itself for a symbolic link; unknown when
    // nothing is there.
    static FileIdentity of(QStringView path);

    bool isKnown() const { return device != 0 || inode != 0; }
    bool operator==(const FileIdentity &) const = default;
};

} // namespace quorvel::files
