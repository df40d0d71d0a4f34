#include "trimming/TreeTrimPlan.h"

#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderListing.h"
#include "files/FolderSnapshot.h"
#include "files/FolderTree.h"
#include "trimming/Matching.h"
#include "trimming/PictureBaseNames.h"
#include "trimming/Sidecars.h"
#include "trimming/TrimLists.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <QHash>
#include <sys/stat.h>

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

// The folder a root names, as the filesystem resolves it: "x/link/.." is the
// parent of where the link leads, as ls shows it, not "x" as text would have
// it, and a path through a missing folder names nothing at all.
QString resolvedRoot(const QString &root)
{
    char resolved[PATH_MAX];
    if (::realpath(files::encodeFileName(root).constData(), resolved) == nullptr)
        throw files::FolderError(root, errno);
    return files::decodeFileName(resolved);
}

// Whether the folder at path is a symbolic link, which a walk does not follow.
bool isLink(const QString &path)
{
    struct stat st
    {
    };
    return ::lstat(files::encodeFileName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Takes out of each pair's toTrim the RAW files whose base name some picture
// in another folder of the picture side has. The candidates are indexed, not
// the pictures: a card has far fewer RAW files to go than pictures.
void keepPicturesElsewhere(std::vector<TreeTrimPlan::Pair> &pairs, const Side &pictureSide,
                           const files::WildcardPattern &pictures)
{
    struct Candidate
    {
        size_t pair;
        size_t k; // into toTrim
    };
    QHash<QByteArrayView, std::vector<Candidate>> candidates;
    QHash<QString, size_t> pairAt;
    size_t going = 0;
    for (const TreeTrimPlan::Pair &pair : pairs)
        going += pair.toTrim.size();
    candidates.reserve(qsizetype(going));
    for (size_t p = 0; p < pairs.size(); ++p) {
        pairAt.insert(pairs[p].relativePath, p);
        for (size_t k = 0; k < pairs[p].toTrim.size(); ++k)
            candidates[baseName(pairs[p].rawNames->bytes(pairs[p].toTrim[k]))].push_back({p, k});
    }
    if (candidates.isEmpty())
        return;
    std::vector<std::vector<QString>> keptIn(pairs.size());
    for (size_t p = 0; p < pairs.size(); ++p)
        keptIn[p].resize(pairs[p].toTrim.size());
    for (const files::FolderTree::Folder &folder : pictureSide.tree->folders()) {
        const std::optional<QString> relative = pictureSide.relativeOf(folder.relativePath);
        if (!relative)
            continue;
        const auto pair = pairAt.constFind(*relative);
        std::shared_ptr<const files::NameList> names =
            pair != pairAt.cend() ? pairs[*pair].pictureNames : nullptr;
        if (!names)
            names = std::make_shared<const files::NameList>(files::FolderListing::fileNames(
                *folder.reading, pictures, files::FolderListing::Order::AsRead));
        for (qsizetype i = 0; i < names->size(); ++i) {
            const auto found = candidates.constFind(baseName(names->bytes(i)));
            if (found == candidates.cend())
                continue;
            for (const Candidate &candidate : *found) {
                QString &where = keptIn[candidate.pair][candidate.k];
                if (where.isNull())
                    where = relative->isEmpty() ? QStringLiteral(".") : *relative;
            }
        }
    }
    for (size_t p = 0; p < pairs.size(); ++p) {
        TreeTrimPlan::Pair &pair = pairs[p];
        std::vector<int> toTrim;
        std::vector<QStringList> sidecars;
        for (size_t k = 0; k < pair.toTrim.size(); ++k) {
            if (keptIn[p][k].isNull()) {
                toTrim.push_back(pair.toTrim[k]);
                sidecars.push_back(pair.sidecars[k]);
            } else {
                pair.keptElsewhere.push_back({pair.toTrim[k], keptIn[p][k]});
            }
        }
        pair.toTrim = std::move(toTrim);
        pair.sidecars = std::move(sidecars);
    }
}

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
    : m_pictures(pictures), m_rawOrder(rawOrder)
{
    const QString pictureClean = resolvedRoot(pictureRoot);
    const QString rawClean = resolvedRoot(rawRoot);
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
        pictureSide = {&*pictureTree, {}};
        rawTree.emplace(rawClean, below, cancelled);
        rawSide = {&*rawTree, {}};
    }
    // A root within the other tree that the walk did not reach (a hidden
    // folder, one behind a link, or one that can't be read) is walked on
    // its own: it is still the folder the user named, and one that is not
    // there must say so, not read as a folder with nothing to trim.
    if (rawWithin && !rawSide.find(QString())) {
        rawTree.emplace(rawClean, below, cancelled);
        rawSide = {&*rawTree, {}};
    }
    if (pictureWithin && !pictureSide.find(QString())) {
        pictureTree.emplace(pictureClean, below, cancelled);
        pictureSide = {&*pictureTree, {}};
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
            } else if (isLink(skip.pictureFolder)) {
                skip.reason = SkipReason::LinkedPictureFolder;
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
    if (below)
        keepPicturesElsewhere(m_pairs, pictureSide, pictures);
}

TreeTrimPlan TreeTrimPlan::ofLists(const TrimLists &lists, bool sidecars)
{
    TreeTrimPlan plan;
    plan.m_pictures = files::WildcardPattern(lists.picturePattern);
    Pair pair{QString(),
              lists.pictureFolder,
              lists.rawFolder,
              lists.pictures,
              lists.raws,
              rawFilesToTrim(*lists.raws, PictureBaseNames(lists.pictures)),
              {},
              lists.rawIdentity.device,
              lists.rawIdentity.inode};
    // The sidecars are not listed: the folder is read for them now. Should
    // it be another folder by now, the run moves nothing from it anyway.
    pair.sidecars =
        sidecars ? Sidecars::of(*lists.raws, pair.toTrim, files::FolderSnapshot(pair.rawFolder))
                 : std::vector<QStringList>(pair.toTrim.size());
    if (!pair.rawNames->isEmpty() && !pair.pictureNames->isEmpty())
        plan.m_pairs.push_back(std::move(pair));
    return plan;
}

int TreeTrimPlan::filesToTrim() const
{
    int total = 0;
    for (const Pair &pair : m_pairs)
        total += int(pair.toTrim.size());
    return total;
}

int TreeTrimPlan::keptElsewhere() const
{
    int total = 0;
    for (const Pair &pair : m_pairs)
        total += int(pair.keptElsewhere.size());
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
