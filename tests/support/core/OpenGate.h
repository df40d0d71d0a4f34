#pragma once

#include <atomic>
#include <functional>
#include <QByteArray>
#include <QString>
#include <thread>

namespace quorvel::test {

// Holds up the first open of a file until a step of the test has run, so that
// a race happens on purpose, at the one moment it matters, and never by luck.
// Built on fanotify's permission events, which take CAP_SYS_ADMIN. The step
// runs on a thread of the gate's own while the opener waits, so it must not
// open that file itself, nor use the test macros: it says how it went.
class OpenGate
{
public:
    OpenGate(const QByteArray &path, std::function<bool()> step);
    ~OpenGate();
    OpenGate(const OpenGate &) = delete;
    OpenGate &operator=(const OpenGate &) = delete;

    // Empty when the gate is set; otherwise why not, for QSKIP.
    QString unavailable() const { return m_unavailable; }
    // Whether the step ran, and succeeded.
    bool stepped() const { return m_stepped; }

private:
    void watch();

    std::function<bool()> m_step;
    QString m_unavailable;
    int m_events = -1;
    int m_stop = -1;
    std::atomic<bool> m_stepped = false;
    std::thread m_watcher;
};

} // namespace quorvel::test
