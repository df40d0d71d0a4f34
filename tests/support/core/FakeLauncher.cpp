#include "support/core/FakeLauncher.h"

namespace quorvel::test {

bool FakeLauncher::openUrl(const QUrl &url)
{
    m_opened.append(url);
    return !m_fail;
}

} // namespace quorvel::test
