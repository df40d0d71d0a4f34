#pragma once

#include "platform/MessageBox.h"

#include <QList>
#include <QQueue>
#include <QString>

namespace quorvel::bench {

// The message box of a benchmark: answers Yes/No questions from a script (No
// once the script is used up) and OK boxes with OK, at once, keeping every
// prompt so that the benchmark can check what the user would have been told.
class ScriptedMessageBox final : public platform::MessageBox
{
public:
    int show(const QString &prompt, int flags, const QString &title = QString()) override;

    void answer(int reply) { m_answers.enqueue(reply); }
    const QList<QString> &prompts() const { return m_prompts; }
    void clear() { m_prompts.clear(); }

private:
    QList<QString> m_prompts;
    QQueue<int> m_answers;
};

} // namespace quorvel::bench
