#pragma once

#include <memory>
#include <QObject>

namespace quorvel::platform {

// Tells when a volume was mounted or unmounted: a card put in, or taken out,
// after the program started. It says only that something changed; what is
// mounted now is for mountedVolumes() to read. This base raises nothing of
// its own, so it also stands in where the system can't be watched.
class MountWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void changed();
};

// This system's watcher of the mount table.
std::unique_ptr<MountWatcher> watchMounts();

} // namespace quorvel::platform
