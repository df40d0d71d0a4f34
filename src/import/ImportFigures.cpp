#include "import/ImportFigures.h"

#include "files/FileNames.h"
#include "import/ImportPlan.h"

#include <QLocale>
#include <QStringList>

namespace quorvel::import {

QString ImportFigures::size(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString ImportFigures::duration(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString ImportFigures::preview(const ImportPlan &plan)
{
    QStringList lines;
    lines << QStringLiteral("%1 files, %2, in %3 folders")
                 .arg(plan.fileCount())
                 .arg(size(plan.bytes()))
                 .arg(plan.folderCount());
    lines << QStringLiteral("%1 already there (skipped)").arg(plan.alreadyThere());
    lines << QStringLiteral("%1 second copies from the other slot (copied once)")
                 .arg(plan.secondCopies());
    for (const ImportPlan::Destination &destination : plan.destinations()) {
        const QString free =
            destination.freeBytes < 0 ? QStringLiteral("unknown") : size(destination.freeBytes);
        lines << QStringLiteral("%1: %2 needed, %3 free%4")
                     .arg(files::decodeFileName(destination.path), size(destination.bytesNeeded),
                          free,
                          destination.enoughSpace ? QString()
                                                  : QStringLiteral(": not enough space"));
    }
    if (!plan.unreadable().empty())
        lines
            << QStringLiteral("%1 folders on the card can't be read").arg(plan.unreadable().size());
    if (!plan.enoughSpace())
        lines << QStringLiteral("Not enough space: nothing will be copied.");
    return lines.join(u'\n');
}

QString ImportFigures::progress(const ImportRun::Progress &progress)
{
    QStringList lines;
    lines << QStringLiteral("%1 of %2 files").arg(progress.filesDone).arg(progress.files);
    lines << QStringLiteral("%1 of %2").arg(size(progress.bytesDone), size(progress.bytes));
    if (progress.bytesPerSecond > 0 && progress.secondsLeft >= 0)
        lines << QStringLiteral("%1/s, %2 left")
                     .arg(size(qint64(progress.bytesPerSecond)), duration(progress.secondsLeft));
    return lines.join(u'\n');
}

} // namespace quorvel::import
