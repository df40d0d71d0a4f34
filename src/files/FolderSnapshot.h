#pragma once

#include <QByteArrayView>
#include <QString>
#include <string>
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

    const QString &folder() const { return m_folder; }
    qsizetype size() const { return qsizetype(m_entries.size()); }
    Kind kind(qsizetype index) const { return m_entries[size_t(index)].kind; }
    // The name's bytes as they are on disk.
    QByteArrayView name(qsizetype index) const
    {
        const Entry &entry = m_entries[size_t(index)];
        return QByteArrayView(m_names.data() + entry.offset, entry.length);
    }

private:
    // Eight bytes an entry: a card's folder holds 100,000 of them, all kept
    // while the lists of a window take theirs. A name is at most NAME_MAX
    // (255) bytes, and a folder's names together far less than 4 GB.
    struct Entry
    {
        quint32 offset;
        quint16 length;
        Kind kind;
    };

    QString m_folder;
    std::string m_names; // all names, one after the other
    std::vector<Entry> m_entries;
};

} // namespace quorvel::files
