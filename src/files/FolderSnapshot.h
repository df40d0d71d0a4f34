#pragma once

#include <memory>
#include <QByteArrayView>
#include <QString>
#include <vector>

namespace quorvel::files {

// One pass of readdir() over a folder, kept: the name and kind of every
// visible file and subfolder, in the folder's own order. The folder lists and
// file lists of a window often show the same folder; they can all take their
// entries from one reading instead of each reading a card of 100,000 files
// again.
class FolderSnapshot
{
public:
    enum class Kind : quint8 { File, Folder };

    // Reads folder now; throws FolderError when it can't be read. Hidden
    // entries and special files (FIFOs, sockets, devices) are left out; a
    // symbolic link counts as what it points to, and a dangling one is left out.
    explicit FolderSnapshot(const QString &folder);
    // For a walk through a tree, which must not leave it: reads folder only
    // when it is no symbolic link itself and lies on the volume device,
    // otherwise throws FolderError with ELOOP or EXDEV, having read nothing.
    FolderSnapshot(const QString &folder, quint64 device);

    const QString &folder() const { return m_folder; }
    qsizetype size() const { return qsizetype(m_entries.size()); }
    Kind kind(qsizetype index) const { return m_entries[size_t(index)].kind; }
    // True when the entry is a symbolic link (kind() tells what it leads to).
    bool isLink(qsizetype index) const { return m_entries[size_t(index)].link; }
    // Where the folder read lies: its volume and its place on it.
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }
    // Whether folder is, now, the very folder a reading found at device and
    // inode: not a link, not another folder moved in under its name.
    static bool isStill(const QString &folder, quint64 device, quint64 inode);
    // The name's bytes as they are on disk.
    QByteArrayView name(qsizetype index) const
    {
        const Entry &entry = m_entries[size_t(index)];
        return QByteArrayView(m_blocks[entry.offset / blockSize].get() + entry.offset % blockSize,
                              entry.length);
    }

private:
    // Eight bytes an entry (the link flag fills what was padding): a card's folder holds 100,000 of
    // them, all kept while the lists of a window take theirs. A name is at most NAME_MAX (255)
    // bytes, and a folder's names together far less than 4 GB.
    struct Entry
    {
        quint32 offset;
        quint16 length;
        Kind kind;
        bool link;
    };

    void read(int fd);
    void store(const char *name, quint16 length, Kind kind, bool link);

    // The names one after the other, in blocks that are filled and never
    // moved: one string grown to a card's 2.6 MB of names had twice that
    // allocated at its last growth, and a name never spans two blocks.
    static constexpr quint32 blockSize = 64 * 1024;
    QString m_folder;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    quint32 m_used = 0; // where the next name goes, counted over all blocks
    std::vector<Entry> m_entries;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};

} // namespace quorvel::files
