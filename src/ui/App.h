#pragma once

#include <QString>

namespace quorvel::ui {

// The application record: title and version from the build, and whether
// another copy of the program is already running for this user.
struct App
{
    QString Title;
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
    bool PrevInstance = false;

    // The record of this build, with PrevInstance left false.
    static App fromBuild();
};

} // namespace quorvel::ui
