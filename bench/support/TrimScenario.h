#pragma once

#include <QString>

namespace quorvel::bench {

// A whole trim through the main window, as the user does it: a card of RAW
// files with a picture for four in five of them, the window open on it, a
// click on "Trim files" answered Yes, up to the summary and the refreshed
// lists on screen. Next to it, measured in the same run on an identical card,
// the floors of its parts: two readdir() passes over the folder (the two
// lists) and rename(2) of the files that go, and on a third card the same
// renames each after making an info file, the least any desktop trash does.
// Needs a QApplication.
class TrimScenario
{
public:
    struct Figures
    {
        double trim = 0;         // ms, click to refreshed lists painted
        double trashing = 0;     // ms of it spent in moving files to the trash
        double listingFloor = 0; // ms, two readdir passes
        double renameFloor = 0;  // ms, rename of the files that go
        double noteFloor = 0;    // ms, an info file made and a rename, for each
        QString problem;         // empty when the trim did what it should
    };

    // A fresh card of raws RAW files (a multiple of 5) in a folder of its own,
    // with the trash in a data folder of its own; both go afterwards. Without
    // floors the twin cards are not made and the floors stay 0.
    static Figures runOnce(int raws, bool withFloors = true);
};

} // namespace quorvel::bench
