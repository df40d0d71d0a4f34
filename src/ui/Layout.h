#pragma once

#include "ui/Twips.h"

#include <QFont>

class QWidget;

namespace quorvel::ui {

// Layouts are in twips (see ui/Twips.h).
// Places widget at left, top with size width x height, all in twips.
void placeTwips(QWidget *widget, int left, int top, int width, int height);

// Verdana 8.25 pt where the system has it, otherwise the system's sans face at
// the same size: the windows were laid out for that font.
QFont layoutFont(bool bold = false);

} // namespace quorvel::ui
