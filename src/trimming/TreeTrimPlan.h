#pragma once

#include "files/FolderListing.h"
#include "files/NameList.h"
#include "files/WildcardPattern.h"

#include <memory>
#include <QString>
#include <QStringList>
#include <vector>

namespace quorvel::trimming {

struct TrimLists;

// What a trim takes from a picture folder and a RAW folder, or with below
// from the whole trees under them: each RAW folder pairs with the picture
// folder at the same place under the picture side (on a camera with two
// slots SLOT2/DCIM/100NIKON with SLOT1/DCIM/100NIKON; with both sides one
// tree, each folder with itself). A RAW file goes from its own folder
// only, by the pictures of the folder it pairs with.
//
// A RAW folder whose picture folder is missing, can't be read or lists no
// pictures is skipped, never emptied: that a folder was forgotten or pulled
// out must not read as "every RAW file here has lost its picture". Each
// folder is read once, even where the two trees are one or one lies within
// the other.
//
// Over a tree, a RAW file also stays when a picture of its base name is
// anywhere else in the picture tree: a keeper moved into 100NIKON/selects
// keeps its RAW file in 100NIKON. A camera whose numbering starts again in
// each folder may then keep a few RAW files that could have gone; that is
// the error a trim can afford, and the plan names each such file.
class TreeTrimPlan
{
public:
    struct Pair
    {
        QString relativePath; // "" for the roots themselves
        QString pictureFolder;
        QString rawFolder;
        // The pictures in the folder's own order: they are only matched.
        std::shared_ptr<const files::NameList> pictureNames;
        // In the order the plan was asked for: as the window lists them, or
        // as read, for a caller that sorts only what it shows.
        std::shared_ptr<const files::NameList> rawNames;
        // Indices, ascending, into rawNames of the files the trim takes.
        std::vector<int> toTrim;
        // With sidecars asked for, those going along with each of toTrim.
        std::vector<QStringList> sidecars;
        // The RAW folder as it was read, so that a run can tell it from a
        // folder put in its place afterwards (see FolderSnapshot::isStill).
        quint64 rawDevice = 0;
        quint64 rawInode = 0;
        // RAW files that stay only because their picture is in another folder
        // of the picture tree: where in rawNames, and that folder below the
        // picture root.
        struct Kept
        {
            int rawIndex = 0;
            QString pictureFolder;
        };
        std::vector<Kept> keptElsewhere;
    };
    // LinkedPictureFolder: the picture folder is there, as a symbolic link,
    // which a walk does not follow.
    enum class SkipReason { NoPictureFolder, NoPictures, Unreadable, LinkedPictureFolder };
    struct Skipped
    {
        QString relativePath;
        QString pictureFolder;
        QString rawFolder;
        SkipReason reason;
        int rawFiles = 0;    // -1 when the RAW folder itself can't be read
        int errorNumber = 0; // with Unreadable
    };

    // The roots are resolved by the filesystem once, links and ".." alike,
    // and their files treated as any other folder's. Throws FolderError when
    // either root is missing or can't be read, or with ECANCELED once
    // *cancelled turns true (see FolderTree).
    TreeTrimPlan(const QString &pictureRoot, const QString &rawRoot,
                 const files::WildcardPattern &pictures, const files::WildcardPattern &raws,
                 bool below, bool sidecars,
                 files::FolderListing::Order rawOrder = files::FolderListing::Order::Ascending,
                 const std::atomic<bool> *cancelled = nullptr);

    // The trim of the folder the lists show: one pair of the lists' own
    // names, as the user saw them, with the RAW folder as it was read.
    static TreeTrimPlan ofLists(const TrimLists &lists, bool sidecars);

    // The RAW folders with RAW files in them that pair with a picture folder
    // holding pictures, in the walk's order; RAW folders without any RAW file
    // have nothing to lose and are in neither list.
    const std::vector<Pair> &pairs() const { return m_pairs; }
    const std::vector<Skipped> &skipped() const { return m_skipped; }
    int filesToTrim() const;
    int sidecarsToTrim() const;
    // RAW files kept by a picture in another folder, over all pairs.
    int keptElsewhere() const;
    // The pattern the picture folders were read with, to read them again.
    const files::WildcardPattern &picturePattern() const { return m_pictures; }
    // The order of each pair's rawNames.
    files::FolderListing::Order rawOrder() const { return m_rawOrder; }

private:
    TreeTrimPlan() = default;

    std::vector<Pair> m_pairs;
    std::vector<Skipped> m_skipped;
    files::WildcardPattern m_pictures;
    files::FolderListing::Order m_rawOrder = files::FolderListing::Order::Ascending;
};

} // namespace quorvel::trimming
