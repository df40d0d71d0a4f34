#pragma once

#include <QFont>

class QWidget;

namespace quorvel::ui {

// Window layouts are given in twips, the classic device-independent unit:
// 15 twips make one logical pixel, so layouts scale with the screen.
inline constexpr double twipsPerPixel = 15.0;

constexpr double pixelsFromTwips(double twips)
{
    return twips / twipsPerPixel;
}

// A length in twips as whole pixels, rounded to the nearest: every window
// converts its layout through here, so they all round alike.
int pixels(double twips);

// Places widget at left, top with size width x height, all in twips.
void placeTwips(QWidget *widget, int left, int top, int width, int height);

// Verdana 8.25 pt where the system has it, otherwise the system's sans face at
// the same size: the windows were laid out for that font.
QFont layoutFont(bool bold = false);

} // namespace quorvel::ui
