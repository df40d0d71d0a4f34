#include "support/core/RecordingRecycler.h"

#include <QElapsedTimer>

namespace quorvel::test {

trimming::RecycleFunction RecordingRecycler::function()
{
    return [this](const trimming::RecycleTarget &file, platform::TrashedFile *where,
                  platform::TrashSession *batch) { return recycle(file, where, batch); };
}

void RecordingRecycler::clear()
{
    m_paths.clear();
    m_failures.clear();
    m_onRecycled = nullptr;
    m_trashNanoseconds = 0;
}

int RecordingRecycler::recycle(const trimming::RecycleTarget &file, platform::TrashedFile *where,
                               platform::TrashSession *batch)
{
    const QString path = file.path();
    m_paths.append(path);
    int result = m_failures.value(path, 0);
    if (result == 0 && m_messages) {
        QElapsedTimer timer;
        timer.start();
        result = trimming::recycleTarget(file, where, batch);
        m_trashNanoseconds += timer.nsecsElapsed();
    }
    if (m_onRecycled)
        m_onRecycled(result);
    return result;
}

} // namespace quorvel::test
