#include "support/core/RecordingTrimHost.h"

#include "files/FileNames.h"
#include "files/NameList.h"

#include <sys/stat.h>

namespace quorvel::test {

trimming::TrimLists RecordingTrimHost::lists() const
{
    files::FolderIdentity read = identity.value_or(files::FolderIdentity());
    struct stat st
    {
    };
    if (!identity && ::stat(files::encodeFileName(folder).constData(), &st) == 0)
        read = {quint64(st.st_dev), quint64(st.st_ino)};
    return {std::make_shared<const files::NameList>(files::NameList::encoded(pictures)),
            std::make_shared<const files::NameList>(files::NameList::encoded(raws)),
            folder,
            folder,
            QStringLiteral("*.jpg"),
            read};
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
