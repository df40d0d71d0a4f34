#pragma once

#include <QKeyEvent>

namespace quorvel::ui {

// Return on the main block or Enter on the keypad: users press either to
// open an entry or press a button.
inline bool isEnterKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace quorvel::ui
