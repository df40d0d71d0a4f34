#pragma once

namespace quorvel::ui {

// The classic screen object: MousePointer 11 shows the busy pointer over the
// whole program, 0 the default one. Qt stacks override cursors; this keeps at
// most one, so a handler that sets 11 twice or fails before setting 0 can't
// leave a stack of hourglasses behind.
class Screen
{
public:
    static constexpr int vbDefault = 0;
    static constexpr int vbHourglass = 11;

    static int MousePointer();
    static void setMousePointer(int pointer);
};

} // namespace quorvel::ui
