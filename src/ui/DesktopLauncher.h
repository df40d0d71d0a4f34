#pragma once

#include "ui/Launcher.h"

namespace quorvel::ui {

// Opens pages in the web browser the desktop is set up to use.
class DesktopLauncher final : public Launcher
{
public:
    bool openUrl(const QUrl &url) override;
};

} // namespace quorvel::ui
