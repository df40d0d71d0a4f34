#pragma once

#include "platform/Launcher.h"

namespace quorvel::platform {

// Opens pages in the web browser the desktop is set up to use, through xdg-open.
class XdgOpenLauncher final : public Launcher
{
public:
    bool openUrl(const QUrl &url) override;
};

} // namespace quorvel::platform
