#include "support/core/FakeMessageBox.h"

namespace quorvel::test {

int FakeMessageBox::show(const QString &prompt, int flags, const QString &title)
{
    m_messages.append({prompt, flags, title});
    if (auto action = std::exchange(m_onShow, nullptr))
        action();
    if ((flags & 0xF) != platform::MB_YESNO)
        return platform::IDOK;
    return m_answers.isEmpty() ? platform::IDNO : m_answers.dequeue();
}

} // namespace quorvel::test
