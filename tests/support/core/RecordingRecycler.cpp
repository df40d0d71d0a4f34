#include "support/core/RecordingRecycler.h"

#include <QElapsedTimer>

namespace quorvel::test {

trimming::RecycleFunction RecordingRecycler::function()
{
    return [this](const QString &path, platform::TrashedFile *where,
                  platform::TrashSession *batch) { return recycle(path, where, batch); };
}

void RecordingRecycler::clear()
{
    m_paths.clear();
    m_failures.clear();
    m_onRecycled = nullptr;
    m_trashNanoseconds = 0;
}

int RecordingRecycler::recycle(const QString &path, platform::TrashedFile *where,
                               platform::TrashSession *batch)
{
    m_paths.append(path);
    int result = m_failures.value(path, 0);
    if (result == 0 && m_messages) {
        QElapsedTimer timer;
        timer.start();
        result = trimming::RecycleFile(path, false, *m_messages, where, batch);
        m_trashNanoseconds += timer.nsecsElapsed();
    }
    if (m_onRecycled)
        m_onRecycled(result);
    return result;
}

} // namespace quorvel::test
