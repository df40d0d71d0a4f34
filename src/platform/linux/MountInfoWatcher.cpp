// The kernel flags /proc/self/mountinfo with POLLPRI each time the mount table
// changes, and clears the flag once a poll has reported it. So one descriptor
// watched for that "exceptional" condition tells of every mount and unmount,
// without reading the table or waking up in between. (The file always polls
// readable, so it is watched for nothing else.) inotify, and so
// QFileSystemWatcher, sees no change to a /proc file; GIO's mount monitor
// works this way too, but would bring GLib's main loop into the core library
// for one descriptor.

#include "platform/MountWatcher.h"

#include <fcntl.h>
#include <QSocketNotifier>
#include <unistd.h>

namespace quorvel::platform {
namespace {

class MountInfoWatcher final : public MountWatcher
{
public:
    explicit MountInfoWatcher(int fd) : m_fd(fd), m_notifier(fd, QSocketNotifier::Exception)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &MountWatcher::changed);
    }
    ~MountInfoWatcher() override
    {
        m_notifier.setEnabled(false);
        ::close(m_fd);
    }
    MountInfoWatcher(const MountInfoWatcher &) = delete;
    MountInfoWatcher &operator=(const MountInfoWatcher &) = delete;

private:
    int m_fd;
    QSocketNotifier m_notifier;
};

} // namespace

std::unique_ptr<MountWatcher> watchMounts()
{
    const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) // no /proc: the drive lists keep what they read at start-up
        return std::make_unique<MountWatcher>();
    return std::make_unique<MountInfoWatcher>(fd);
}

} // namespace quorvel::platform
