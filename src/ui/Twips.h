#pragma once

#include <cmath>

namespace quorvel::ui {

// Window layouts are given in twips, the classic device-independent unit:
// 15 twips make one logical pixel, so layouts scale with the screen. Plain
// arithmetic, so that the size a picture is decoded at can be worked out in
// them on a worker thread.
inline constexpr double twipsPerPixel = 15.0;

constexpr double pixelsFromTwips(double twips)
{
    return twips / twipsPerPixel;
}

// A length in twips as whole pixels, rounded to the nearest: every window
// converts its layout through here, so they all round alike.
inline int pixels(double twips)
{
    return int(std::lround(pixelsFromTwips(twips)));
}

} // namespace quorvel::ui
