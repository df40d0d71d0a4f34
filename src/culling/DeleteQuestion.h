#pragma once

#include <functional>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::culling {

class CullingSession;

// The Delete button's way to the trash: a question naming the file on
// screen, and on Yes that very file moved through the session, which keeps
// knowing what is on screen and what has moved, and the user told how it
// went. The file asked about is read once: a picture landing while the
// question is open changes the screen, not the answer's meaning.
class DeleteQuestion
{
public:
    enum class Result {
        NothingShown, // no question: nothing on screen to ask about
        No,
        Answered, // Yes, and the user has been told whether the file went
    };
    // gone runs once the file is in the trash, before the user is told.
    static Result ask(platform::MessageBox &messages, CullingSession &session,
                      const std::function<void()> &gone);
};

} // namespace quorvel::culling
