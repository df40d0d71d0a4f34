#pragma once

class QUrl;

namespace quorvel::platform {

// Starts the desktop's web browser on a page and returns at once.
class Launcher
{
public:
    virtual ~Launcher() = default;

    // False when no browser could be started.
    virtual bool openUrl(const QUrl &url) = 0;
};

} // namespace quorvel::platform
