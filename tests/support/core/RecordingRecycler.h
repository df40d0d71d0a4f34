#pragma once

#include "trimming/RecycleFile.h"

#include <functional>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::test {

// Stands in for the trash the trim and the viewer move files to: records
// every path it is asked to move, in order, and refuses a path with the error
// scripted for it. Any other path goes to the real trash when the recycler was
// given a message box; without one it is answered 0, as gone, while nothing
// moves, for tests of what the caller does with the answers alone.
// function() hands out a RecycleFunction that calls back into this object,
// which must outlive it.
class RecordingRecycler
{
public:
    RecordingRecycler() = default;
    explicit RecordingRecycler(platform::MessageBox &messages) : m_messages(&messages) {}

    trimming::RecycleFunction function();

    // From now on path is refused with error, whatever the trash would do.
    void fail(const QString &path, int error) { m_failures.insert(path, error); }
    // Runs after every call, with its result.
    void onRecycled(std::function<void(int result)> action) { m_onRecycled = std::move(action); }
    // Forgets the paths, the scripted failures and the hook.
    void clear();

    const QStringList &paths() const { return m_paths; }
    // Time spent in the real trash, so that a benchmark can tell its share
    // of a whole trim.
    qint64 trashNanoseconds() const { return m_trashNanoseconds; }

private:
    int recycle(const trimming::RecycleTarget &file, platform::TrashedFile *where,
                platform::TrashSession *batch);

    platform::MessageBox *m_messages = nullptr;
    QStringList m_paths;
    QHash<QString, int> m_failures;
    std::function<void(int)> m_onRecycled;
    qint64 m_trashNanoseconds = 0;
};

} // namespace quorvel::test
