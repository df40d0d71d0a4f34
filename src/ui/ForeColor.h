#pragma once

#include <QColor>

class QWidget;

namespace quorvel::ui {

// Colours come as classic colour values: 0x00BBGGRR for plain colours (255 is
// red), or a system colour with the high bit set (0x80000011, grey text).
inline constexpr quint32 vbBlack = 0x000000;
inline constexpr quint32 vbRed = 0x0000FF;
inline constexpr quint32 vbGrayText = 0x80000011;

// A plain colour value 0x00BBGGRR as a QColor.
QColor colorFromBgr(quint32 color);

// Sets the text colour of widget; system colours follow the desktop's palette.
void applyForeColor(QWidget *widget, quint32 color);

} // namespace quorvel::ui
