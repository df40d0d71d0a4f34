#include "trimming/TreeTrimTable.h"

#include "files/FileNames.h"
#include "files/NameList.h"
#include "trimming/TreeTrimPlan.h"

namespace quorvel::trimming {
namespace {

QString folderText(const QString &relativePath)
{
    // The folder itself has no path below it; "." is what a shell calls it.
    return relativePath.isEmpty() ? QStringLiteral(".") : files::visibleName(relativePath);
}

QString noteOf(const TreeTrimPlan::Skipped &skip, const QString &picturePattern)
{
    switch (skip.reason) {
    case TreeTrimPlan::SkipReason::NoPictureFolder:
        return QStringLiteral("left alone: no picture folder here");
    case TreeTrimPlan::SkipReason::NoPictures:
        return QStringLiteral("left alone: no pictures (%1) here").arg(picturePattern);
    case TreeTrimPlan::SkipReason::Unreadable:
        return QStringLiteral("left alone: %1 can't be read (error %2)")
            .arg(skip.rawFiles < 0 ? QStringLiteral("the RAW folder")
                                   : QStringLiteral("the picture folder"))
            .arg(skip.errorNumber);
    case TreeTrimPlan::SkipReason::LinkedPictureFolder:
        return QStringLiteral("left alone: the picture folder is a symbolic link, not followed");
    }
    return {};
}

} // namespace

TreeTrimTable::TreeTrimTable(const TreeTrimPlan &plan, const QString &picturePattern, bool sidecars)
    : m_withSidecars(sidecars)
{
    m_total.folder = QStringLiteral("Total");
    m_total.pictures = 0;
    m_total.rawFiles = 0;
    for (const TreeTrimPlan::Pair &pair : plan.pairs()) {
        Row row{folderText(pair.relativePath),
                int(pair.pictureNames->size()),
                int(pair.rawNames->size()),
                int(pair.toTrim.size()),
                0,
                QString()};
        for (const QStringList &names : pair.sidecars)
            row.sidecars += int(names.size());
        m_total.pictures += row.pictures;
        m_total.rawFiles += row.rawFiles;
        m_total.toTrim += row.toTrim;
        m_total.sidecars += row.sidecars;
        m_foldersTrimmed += row.toTrim > 0 ? 1 : 0;
        m_rows.push_back(std::move(row));
        // Each file a picture elsewhere keeps, under its folder's row: the
        // user sees why it stays, and where its picture went.
        for (const TreeTrimPlan::Pair::Kept &kept : pair.keptElsewhere) {
            const QString name = pair.rawNames->at(kept.rawIndex);
            m_rows.push_back(
                {folderText(pair.relativePath.isEmpty() ? name : pair.relativePath + u'/' + name),
                 -1, -1, 0, 0,
                 QStringLiteral("kept: its picture is in %1").arg(folderText(kept.pictureFolder))});
            ++m_keptElsewhere;
        }
    }
    for (const TreeTrimPlan::Skipped &skip : plan.skipped()) {
        const bool pictureFolderRead = skip.reason == TreeTrimPlan::SkipReason::NoPictures;
        Row row{folderText(skip.relativePath), pictureFolderRead ? 0 : -1, skip.rawFiles, 0, 0,
                noteOf(skip, picturePattern)};
        if (row.rawFiles > 0)
            m_total.rawFiles += row.rawFiles;
        ++m_foldersSkipped;
        m_rows.push_back(std::move(row));
    }
    m_rows.push_back(m_total);
}

QStringList TreeTrimTable::headers()
{
    return {QStringLiteral("Folder"),  QStringLiteral("Pictures"), QStringLiteral("RAW files"),
            QStringLiteral("To trim"), QStringLiteral("Sidecars"), QString()};
}

QString TreeTrimTable::cell(int count)
{
    return count < 0 ? QString() : QString::number(count);
}

QString TreeTrimTable::totalLine() const
{
    QString line = QStringLiteral("%1 RAW file(s) in %2 folder(s) go to the trash")
                       .arg(m_total.toTrim)
                       .arg(m_foldersTrimmed);
    if (m_foldersSkipped > 0)
        line += QStringLiteral("; %1 RAW folder(s) left alone").arg(m_foldersSkipped);
    if (m_keptElsewhere > 0)
        line += QStringLiteral("; %1 kept by a picture in another folder").arg(m_keptElsewhere);
    return line;
}

QString TreeTrimTable::skippedLine() const
{
    return m_foldersSkipped > 0
               ? QStringLiteral("%1 RAW folder(s) left alone, as listed").arg(m_foldersSkipped)
               : QString();
}

QString TreeTrimTable::title()
{
    return QStringLiteral("Folders to trim");
}

} // namespace quorvel::trimming
