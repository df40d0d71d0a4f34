#pragma once

#include <QByteArray>

namespace quorvel::platform {

// The colour profiles the desktop publishes for its screens (the ones its
// colour settings, colord or a calibration tool installed), so that pictures
// can be shown in each screen's own colours.
class ScreenProfiles
{
public:
    virtual ~ScreenProfiles() = default;

    // The ICC profile of screen n, n as the application's list of screens
    // counts them (the primary screen first), byte for byte as published.
    // Empty when the desktop published none for it, or offers no way to
    // read it: then the screen is taken to be sRGB. Whether the bytes make
    // a usable profile is for the caller to find out.
    virtual QByteArray profile(int screen) const = 0;
};

} // namespace quorvel::platform
