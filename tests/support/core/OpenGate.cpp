#include "support/core/OpenGate.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <unistd.h>

namespace quorvel::test {

OpenGate::OpenGate(const QByteArray &path, std::function<bool()> step) : m_step(std::move(step))
{
    m_events = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_CLOEXEC);
    if (m_events < 0) {
        m_unavailable = QStringLiteral("no fanotify here: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_stop = ::eventfd(0, EFD_CLOEXEC);
    if (m_stop < 0 ||
        ::fanotify_mark(m_events, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD, path.constData()) != 0) {
        m_unavailable =
            QStringLiteral("cannot hold up opens of %1: %2")
                .arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_watcher = std::thread([this] { watch(); });
}

OpenGate::~OpenGate()
{
    if (m_watcher.joinable()) {
        const quint64 one = 1;
        if (::write(m_stop, &one, sizeof one) == sizeof one)
            m_watcher.join();
        else
            m_watcher.detach();
    }
    if (m_stop >= 0)
        ::close(m_stop);
    if (m_events >= 0)
        ::close(m_events);
}

void OpenGate::watch()
{
    bool first = true;
    for (;;) {
        pollfd fds[] = {{m_events, POLLIN, 0}, {m_stop, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        alignas(fanotify_event_metadata) char buffer[4096];
        const ssize_t got = ::read(m_events, buffer, sizeof buffer);
        if (got <= 0)
            continue;
        auto *event = reinterpret_cast<fanotify_event_metadata *>(buffer);
        for (ssize_t left = got; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            if (event->fd < 0)
                continue;
            if ((event->mask & FAN_OPEN_PERM) != 0) {
                if (first) {
                    first = false;
                    m_stepped = m_step();
                }
                // Every open is let through, or the opener would wait forever.
                const fanotify_response allow{event->fd, FAN_ALLOW};
                [[maybe_unused]] const ssize_t written = ::write(m_events, &allow, sizeof allow);
            }
            ::close(event->fd);
        }
    }
}

} // namespace quorvel::test
