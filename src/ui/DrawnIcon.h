#pragma once

#include <functional>
#include <QIcon>

class QPainter;

namespace quorvel::ui {

// An icon drawn by code at 16 and 32 pixels instead of read from an image
// file: the first image file a process reads loads every image plugin Qt has,
// which took a tenth of the program's start-up. draw paints one size on a
// transparent, antialiased square of side pixels.
QIcon drawnIcon(const std::function<void(QPainter &painter, int side)> &draw);

} // namespace quorvel::ui
