#pragma once

#include "platform/MessageBox.h"

#include <functional>
#include <QList>
#include <QQueue>
#include <QString>
#include <utility>

namespace quorvel::test {

// Stands in for the message box: records every message and answers from a
// script, so tests read exactly what the user would have been told.
class FakeMessageBox final : public platform::MessageBox
{
public:
    struct Message
    {
        QString prompt;
        int flags = 0;
        QString title;
    };

    int show(const QString &prompt, int flags, const QString &title = QString()) override;

    // Answers for the next questions, in order. A Yes/No question with no
    // scripted answer gets IDNO, the safe one; an OK box always gets IDOK.
    void answer(int reply) { m_answers.enqueue(reply); }
    // Runs inside the next show() call, before it returns: for tests that
    // need to act while a message is open (e.g. remove a file mid-run).
    void onNextShow(std::function<void()> action) { m_onShow = std::move(action); }

    const QList<Message> &messages() const { return m_messages; }
    const Message &last() const { return m_messages.constLast(); }
    int count() const { return int(m_messages.size()); }
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
    QQueue<int> m_answers;
    std::function<void()> m_onShow;
};

} // namespace quorvel::test
