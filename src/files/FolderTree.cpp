#include "files/FolderTree.h"

#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderListing.h"

#include <algorithm>
#include <cerrno>
#include <QSet>
#include <utility>

namespace quorvel::files {

FolderTree::FolderTree(const QString &root, bool below, const std::atomic<bool> *cancelled)
    : m_root(root)
{
    // The root is what the user chose: a link to it is followed like any
    // folder a list shows. Only what lies below it is held to the walk's rules.
    auto rootReading = std::make_shared<const FolderSnapshot>(root);
    const quint64 device = rootReading->device();
    QSet<quint64> seen{rootReading->inode()};
    m_folders.push_back({QString(), std::move(rootReading)});
    if (!below) {
        m_index.insert(QString(), 0);
        return;
    }

    // By an explicit list: a tree as deep as a path allows must not exhaust
    // the program's stack.
    std::vector<size_t> pending{0};
    while (!pending.empty()) {
        if (cancelled && *cancelled)
            throw FolderError(root, ECANCELED);
        const size_t at = pending.back();
        pending.pop_back();
        const Folder parent = m_folders[at];
        QStringList names;
        for (qsizetype i = 0; i < parent.reading->size(); ++i) {
            if (parent.reading->kind(i) == FolderSnapshot::Kind::Folder &&
                !parent.reading->isLink(i))
                names.append(decodeFileName(parent.reading->name(i)));
        }
        std::sort(names.begin(), names.end(), FolderListing::lessThan);
        std::vector<size_t> children;
        for (const QString &name : std::as_const(names)) {
            const QString relative =
                parent.relativePath.isEmpty() ? name : parent.relativePath + u'/' + name;
            try {
                auto reading = std::make_shared<const FolderSnapshot>(path(relative), device);
                if (seen.contains(reading->inode()))
                    continue;
                seen.insert(reading->inode());
                children.push_back(m_folders.size());
                m_folders.push_back({relative, std::move(reading)});
            } catch (const FolderError &error) {
                // Another volume mounted here, or a folder swapped for a link
                // or a file since its parent was read: not part of the tree.
                const int why = error.errorNumber();
                if (why != EXDEV && why != ELOOP && why != ENOTDIR)
                    m_unreadable.push_back({relative, why});
            }
        }
        pending.insert(pending.end(), children.begin(), children.end());
    }
    // Each folder just before the folders within it, each level in list
    // order: how a file manager's tree shows them.
    std::sort(m_folders.begin() + 1, m_folders.end(), [](const Folder &a, const Folder &b) {
        const QList<QStringView> left = QStringView(a.relativePath).split(u'/');
        const QList<QStringView> right = QStringView(b.relativePath).split(u'/');
        for (qsizetype i = 0; i < std::min(left.size(), right.size()); ++i) {
            if (left[i] != right[i])
                return FolderListing::lessThan(left[i].toString(), right[i].toString());
        }
        return left.size() < right.size();
    });
    for (size_t i = 0; i < m_folders.size(); ++i)
        m_index.insert(m_folders[i].relativePath, i);
}

const FolderTree::Folder *FolderTree::find(const QString &relativePath) const
{
    const auto found = m_index.constFind(relativePath);
    return found == m_index.cend() ? nullptr : &m_folders[*found];
}

QString FolderTree::path(const QString &relativePath) const
{
    return relativePath.isEmpty() ? m_root : joinPath(m_root, relativePath);
}

} // namespace quorvel::files
