#include "trimming/TreeTrimPlan.h"

#include "files/FolderListing.h"
#include "files/FolderTree.h"
#include "trimming/Matching.h"
#include "trimming/PictureBaseNames.h"
#include "trimming/Sidecars.h"

#include <optional>
#include <QDir>

namespace quorvel::trimming {
namespace {

// One side's folders: a tree of their own, or the part of the other side's
// tree that lies under prefix.
struct Side
{
    const files::FolderTree *tree;
    QString prefix; // "" or ending in "/"

    const files::FolderTree::Folder *find(const QString &relativePath) const
    {
        if (prefix.isEmpty())
            return tree->find(relativePath);
        return tree->find(relativePath.isEmpty() ? prefix.chopped(1) : prefix + relativePath);
    }
    QString path(const QString &relativePath) const
    {
        return tree->path(prefix.isEmpty()         ? relativePath
                          : relativePath.isEmpty() ? prefix.chopped(1)
                                                   : prefix + relativePath);
    }
    // Where a folder of the tree lies on this side, if it does.
    std::optional<QString> relativeOf(const QString &treePath) const
    {
        if (prefix.isEmpty())
            return treePath;
        if (treePath == prefix.chopped(1))
            return QString();
        if (treePath.startsWith(prefix))
            return treePath.mid(prefix.size());
        return std::nullopt;
    }
    int unreadable(const QString &relativePath) const
    {
        const QString treePath = prefix.isEmpty()         ? relativePath
                                 : relativePath.isEmpty() ? prefix.chopped(1)
                                                          : prefix + relativePath;
        for (const files::FolderTree::Unreadable &folder : tree->unreadable()) {
            if (folder.relativePath == treePath)
                return folder.errorNumber;
        }
        return 0;
    }
};

// Where inner lies under outer, as a prefix ending in "/", or nothing.
std::optional<QString> prefixWithin(const QString &outer, const QString &inner)
{
    if (inner == outer)
        return QString();
    const QString start = outer.endsWith(u'/') ? outer : outer + u'/';
    if (inner.startsWith(start))
        return inner.mid(start.size()) + u'/';
    return std::nullopt;
}

} // namespace

TreeTrimPlan::TreeTrimPlan(const QString &pictureRoot, const QString &rawRoot,
                           const files::WildcardPattern &pictures,
                           const files::WildcardPattern &raws, bool below, bool sidecars,
                           files::FolderListing::Order rawOrder, const std::atomic<bool> *cancelled)
{
    const QString pictureClean = QDir::cleanPath(pictureRoot);
    const QString rawClean = QDir::cleanPath(rawRoot);
    std::optional<files::FolderTree> pictureTree;
    std::optional<files::FolderTree> rawTree;
    Side pictureSide{nullptr, {}};
    Side rawSide{nullptr, {}};
    // One tree within the other (the same tree, with Synchronise
    // directories) is walked once. A single folder each is only shared
    // when it is the same.
    const std::optional<QString> rawWithin =
        below ? prefixWithin(pictureClean, rawClean)
              : (pictureClean == rawClean ? std::optional(QString()) : std::nullopt);
    const std::optional<QString> pictureWithin =
        below && !rawWithin ? prefixWithin(rawClean, pictureClean) : std::nullopt;
    if (rawWithin) {
        pictureTree.emplace(pictureClean, below, cancelled);
        pictureSide = {&*pictureTree, {}};
        rawSide = {&*pictureTree, *rawWithin};
    } else if (pictureWithin) {
        rawTree.emplace(rawClean, below, cancelled);
        rawSide = {&*rawTree, {}};
        pictureSide = {&*rawTree, *pictureWithin};
    } else {
        pictureTree.emplace(pictureClean, below, cancelled);
        rawTree.emplace(rawClean, below, cancelled);
        pictureSide = {&*pictureTree, {}};
        rawSide = {&*rawTree, {}};
    }

    for (const files::FolderTree::Unreadable &folder : rawSide.tree->unreadable()) {
        const std::optional<QString> relative = rawSide.relativeOf(folder.relativePath);
        if (relative)
            m_skipped.push_back({*relative, pictureSide.path(*relative), rawSide.path(*relative),
                                 SkipReason::Unreadable, -1, folder.errorNumber});
    }
    for (const files::FolderTree::Folder &rawFolder : rawSide.tree->folders()) {
        const std::optional<QString> relative = rawSide.relativeOf(rawFolder.relativePath);
        if (!relative)
            continue;
        // Where both sides are one folder, its names are gone through once
        // for both patterns. The pictures are only looked up in, and stay in
        // the folder's order.
        const files::FolderTree::Folder *pictureFolder = pictureSide.find(*relative);
        std::shared_ptr<const files::NameList> rawNames;
        std::shared_ptr<const files::NameList> pictureNames;
        if (pictureFolder && pictureFolder->reading == rawFolder.reading) {
            auto [rawList, pictureList] = files::FolderListing::fileNames(
                *rawFolder.reading, raws, rawOrder, pictures, files::FolderListing::Order::AsRead);
            rawNames = std::make_shared<const files::NameList>(std::move(rawList));
            pictureNames = std::make_shared<const files::NameList>(std::move(pictureList));
        } else {
            rawNames = std::make_shared<const files::NameList>(
                files::FolderListing::fileNames(*rawFolder.reading, raws, rawOrder));
        }
        if (rawNames->isEmpty())
            continue;
        Skipped skip{*relative, pictureSide.path(*relative), rawSide.path(*relative),
                     SkipReason::NoPictureFolder, int(rawNames->size())};
        if (!pictureFolder) {
            if (const int error = pictureSide.unreadable(*relative)) {
                skip.reason = SkipReason::Unreadable;
                skip.errorNumber = error;
            }
            m_skipped.push_back(skip);
            continue;
        }
        if (!pictureNames)
            pictureNames = std::make_shared<const files::NameList>(files::FolderListing::fileNames(
                *pictureFolder->reading, pictures, files::FolderListing::Order::AsRead));
        if (pictureNames->isEmpty()) {
            skip.reason = SkipReason::NoPictures;
            m_skipped.push_back(skip);
            continue;
        }
        Pair pair{skip.relativePath,
                  skip.pictureFolder,
                  skip.rawFolder,
                  pictureNames,
                  rawNames,
                  {},
                  {},
                  rawFolder.reading->device(),
                  rawFolder.reading->inode()};
        pair.toTrim = rawFilesToTrim(*rawNames, PictureBaseNames(pictureNames));
        pair.sidecars = sidecars ? Sidecars::of(*rawNames, pair.toTrim, *rawFolder.reading)
                                 : std::vector<QStringList>(pair.toTrim.size());
        m_pairs.push_back(std::move(pair));
    }
}

int TreeTrimPlan::filesToTrim() const
{
    int total = 0;
    for (const Pair &pair : m_pairs)
        total += int(pair.toTrim.size());
    return total;
}

int TreeTrimPlan::sidecarsToTrim() const
{
    int total = 0;
    for (const Pair &pair : m_pairs) {
        for (const QStringList &names : pair.sidecars)
            total += int(names.size());
    }
    return total;
}

} // namespace quorvel::trimming
