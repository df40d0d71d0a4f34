#include "support/ScriptedMessageBox.h"

namespace quorvel::bench {

int ScriptedMessageBox::show(const QString &prompt, int flags, const QString &)
{
    m_prompts.append(prompt);
    if ((flags & 0xF) != platform::MB_YESNO)
        return platform::IDOK;
    return m_answers.isEmpty() ? platform::IDNO : m_answers.dequeue();
}

} // namespace quorvel::bench
