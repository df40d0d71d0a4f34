#include "support/core/RecordingTrimHost.h"

#include "files/NameList.h"

namespace quorvel::test {

std::shared_ptr<const files::NameList> RecordingTrimHost::pictureNames() const
{
    return std::make_shared<const files::NameList>(files::NameList::encoded(pictures));
}

std::shared_ptr<const files::NameList> RecordingTrimHost::rawNames() const
{
    return std::make_shared<const files::NameList>(files::NameList::encoded(raws));
}

void RecordingTrimHost::beginWork()
{
    working = true;
    record(QStringLiteral("begin"));
}

void RecordingTrimHost::progress(int done, int total)
{
    lastDone = done;
    if (recording)
        record(QStringLiteral("progress %1/%2").arg(done).arg(total));
}

void RecordingTrimHost::endWork()
{
    working = false;
    record(QStringLiteral("end"));
}

void RecordingTrimHost::selectEntries(int rawIndex, int pictureIndex)
{
    record(QStringLiteral("select %1 %2").arg(rawIndex).arg(pictureIndex));
}

void RecordingTrimHost::refreshFileLists()
{
    ++refreshes;
    record(QStringLiteral("refresh"));
}

void RecordingTrimHost::record(const QString &event)
{
    if (recording)
        events << event;
}

} // namespace quorvel::test
