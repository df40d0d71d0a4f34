#pragma once

#include "trimming/TrimLists.h"

#include <QString>

namespace quorvel::trimming {

// What the trim needs of the main window. Kept abstract so the trim itself
// knows no widgets and can be read, and tested, on its own.
class TrimHost
{
public:
    virtual ~TrimHost() = default;

    // The lists as they stand, and where they were read from.
    virtual TrimLists lists() const = 0;
    // The pattern entries as shown, e.g. "*.nef (Nikon)".
    virtual QString rawPatternText() const = 0;
    virtual QString picturePatternText() const = 0;

    // Busy pointer on, and input to the window held off until endWork, so no
    // second trim can start inside a running one.
    virtual void beginWork() = 0;
    virtual void progress(int done, int total) = 0;
    virtual void endWork() = 0;

    // Leaves both lists' selections on the given entries.
    virtual void selectEntries(int rawIndex, int pictureIndex) = 0;
    virtual void refreshFileLists() = 0;
};

} // namespace quorvel::trimming
