#pragma once

#include "files/FolderIdentity.h"
#include "files/NameList.h"

#include <memory>
#include <QString>

namespace quorvel::trimming {

// The two lists of a window as they stand: what a trim of the folder shown
// takes its names from. The names are the lists' own, shared and never
// changed, so a trim keeps them as they were read while files leave the
// folder, whatever the window does meanwhile.
struct TrimLists
{
    std::shared_ptr<const files::NameList> pictures;
    std::shared_ptr<const files::NameList> raws;
    // The folders the names were read from.
    QString pictureFolder;
    QString rawFolder;
    // The pattern the picture list goes by, for reading its folder again.
    QString picturePattern;
    // The RAW folder as it was when its names were read: a name is only ever
    // moved from that very folder.
    files::FolderIdentity rawIdentity;
};

} // namespace quorvel::trimming
