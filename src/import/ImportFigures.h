#pragma once

#include "import/ImportRun.h"

#include <QString>

namespace quorvel::import {

class ImportPlan;

// The import window's texts, worked out with no window: the preview of a
// plan, and the progress of a run. Sizes in SI units, as the system's file
// managers and a card's own label give them.
class ImportFigures
{
public:
    // "120 files, 2.4 GB, in 2 folders", then what is already there, the
    // dual-slot card's second copies and each destination's space; with too
    // little room somewhere, that nothing will be copied.
    static QString preview(const ImportPlan &plan);
    // "12 of 120 files", "240 MB of 2.4 GB", then the speed and time left
    // once they are known.
    static QString progress(const ImportRun::Progress &progress);

    static QString size(qint64 bytes);
    // "45 s", "3 min 5 s", "1 h 2 min"
    static QString duration(qint64 seconds);
};

} // namespace quorvel::import
