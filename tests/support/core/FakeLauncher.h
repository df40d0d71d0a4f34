#pragma once

#include "platform/Launcher.h"

#include <QList>
#include <QUrl>

namespace quorvel::test {

// Stands in for the desktop's browser: records every page asked for and can
// be told that no browser is available.
class FakeLauncher final : public platform::Launcher
{
public:
    bool openUrl(const QUrl &url) override;

    // From now on every request is recorded but reported as failed.
    void failFromNowOn() { m_fail = true; }

    const QList<QUrl> &opened() const { return m_opened; }
    int count() const { return int(m_opened.size()); }

private:
    QList<QUrl> m_opened;
    bool m_fail = false;
};

} // namespace quorvel::test
