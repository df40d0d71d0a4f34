#pragma once

#include "files/FolderSnapshot.h"

#include <atomic>
#include <memory>
#include <QHash>
#include <QString>
#include <vector>

namespace quorvel::files {

// Every folder of a tree, each read once: what a trim of a whole card walks.
// A card holds DCIM/100NIKON, 101NIKON... and sometimes a tree per slot; the
// walk must not wander off it, so it never enters a hidden folder (a volume's
// .Trash-1000, a viewer's .thumbnails), never follows a symbolic link, never
// crosses onto another volume and never reads one folder twice, even through
// a bind mount that leads back up the tree.
class FolderTree
{
public:
    struct Folder
    {
        // Below the root, "/" between the names, as the bytes on disk
        // decode (see decodeFileName); "" for the root itself.
        QString relativePath;
        std::shared_ptr<const FolderSnapshot> reading;
    };
    struct Unreadable
    {
        QString relativePath;
        int errorNumber = 0;
    };

    // Reads root, and with below every folder under it. Throws FolderError
    // when root itself can't be read; a folder under it that can't be read
    // is left out and named in unreadable(). Given cancelled, the walk looks
    // at it before each folder and, once it is true, gives up with
    // FolderError(ECANCELED): a tree may be a whole home folder.
    FolderTree(const QString &root, bool below, const std::atomic<bool> *cancelled = nullptr);

    const QString &root() const { return m_root; }
    // Root first, then each folder before the folders within it, in list order.
    const std::vector<Folder> &folders() const { return m_folders; }
    const std::vector<Unreadable> &unreadable() const { return m_unreadable; }
    // The folder at relativePath, or null when the walk has none there.
    const Folder *find(const QString &relativePath) const;
    // The full path of the folder at relativePath.
    QString path(const QString &relativePath) const;

private:
    QString m_root;
    std::vector<Folder> m_folders;
    std::vector<Unreadable> m_unreadable;
    QHash<QString, size_t> m_index;
};

} // namespace quorvel::files
