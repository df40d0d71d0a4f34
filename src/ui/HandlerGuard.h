#pragma once

#include <exception>
#include <functional>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::ui {

// Every event handler runs through one guard. A failure inside a handler (a
// drive without a medium, a folder that vanished) ends that handler where it
// failed, with the steps before it done, and is reported in a message box
// saying what failed and why; the program goes on. Handlers run nested inside
// another one (a folder list's Change inside a write of its Path) let the
// failure pass to the outermost handler, which then ends at that step too.
// Handlers are told apart from nested ones by the event loop they run in: a
// modal window opened by a handler starts a new outermost level.
class HandlerGuard
{
public:
    explicit HandlerGuard(platform::MessageBox &messages);

    void run(const std::function<void()> &handler);

private:
    void report(const std::exception_ptr &failure);

    platform::MessageBox &m_messages;
    int m_depth = 0;
    int m_loopLevel = 0;
};

} // namespace quorvel::ui
