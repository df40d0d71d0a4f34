#pragma once

#include "pictures/FocusArea.h"

#include <QString>

namespace quorvel::pictures {

class Picture;

// Where the camera focused for the picture a viewer shows: what the picture
// records, else what its RAW file records, the one of the same base name in
// the RAW folder. Cameras that write their AF fields only into the RAW
// file, or a picture exported by a program that dropped the maker's note,
// still show where the shot was focused.
class PictureFocus
{
public:
    PictureFocus() = delete;

    // The focus area of picture, loaded from path; rawFolder empty for none.
    // A problem in the picture's fields stands only when the RAW file
    // records no area either. Reads metadata only, on the caller's thread.
    static FocusArea of(const QString &path, const Picture &picture, const QString &rawFolder);
    // The RAW file in rawFolder that belongs with the picture path: its base
    // name and one of the RAW extensions, in lower or upper case, as a
    // camera and a card reader write them. Empty when there is none.
    static QString rawFileOf(const QString &path, const QString &rawFolder);
};

} // namespace quorvel::pictures
