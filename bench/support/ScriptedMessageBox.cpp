#include "support/ScriptedMessageBox.h"

namespace quorvel::bench {

int ScriptedMessageBox::show(const QString &prompt, int flags, const QString &)
{
    m_prompts.append(prompt);
    if ((flags & 0xF) != ui::MB_YESNO)
        return ui::IDOK;
    return m_answers.isEmpty() ? ui::IDNO : m_answers.dequeue();
}

} // namespace quorvel::bench
