#pragma once

#include <memory>
#include <QString>

namespace quorvel::platform {

// A per-user lock held for as long as the program runs. The kernel lets go of
// it when the process ends in any way, so a copy that crashed or was killed
// never blocks the next start, and two copies started at the same moment
// can't both get it.
class InstanceLock
{
public:
    // The lock, or null when another copy of the program holds it.
    static std::unique_ptr<InstanceLock> tryAcquire(const QString &name);
    ~InstanceLock();

    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

private:
    explicit InstanceLock(int fd);
    int m_fd;
};

} // namespace quorvel::platform
