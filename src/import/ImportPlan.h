#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <vector>

namespace quorvel::import {

// What bringing a card in will do, worked out before anything is copied:
// the files, their bytes and folders, which of them are already at each
// destination and which are a dual-slot card's second copy of a file, and
// whether each destination has room for them. The window shows it as its
// preview, `quorvel import --dry-run` prints it, and ImportRun copies
// exactly its files and nothing else.
//
// The card's layout is kept below each destination (DCIM/100NIKON/...), so
// that a trim pairs the copy's folders by place as it pairs the card's. The
// walk reads each folder once and looks at each entry with fstatat() from
// the open folder, never at a file's contents: a card of 40,000 files must
// be planned in about the time one readdir() walk of it takes. It never
// enters a hidden folder (.Trashes, .thumbnails), never follows a symbolic
// link and never leaves the card's volume. Paths are bytes throughout: a
// card's names need not be UTF-8.
class ImportPlan
{
public:
    // Free bytes for a new file at path (a folder that may not exist yet),
    // or nothing when that can't be found. By default statvfs() of the
    // nearest folder of path that exists.
    using FreeSpaceFunction = std::function<std::optional<qint64>(const QByteArray &path)>;

    // What is at a file's relative path below a destination now.
    enum class AtDestination : quint8 {
        Nothing,
        // A file of the same size: the same file, unless its checksum at
        // copy time says otherwise (skipped when equal, never copied twice).
        SameSize,
        // Something else (another size, a folder, a link): kept, and the
        // copy goes beside it under a numbered name.
        Other,
    };

    struct Folder
    {
        int card = 0;            // which of the card folders
        QByteArray relativePath; // "" for the card folder itself, else "DCIM/100NIKON"
    };

    struct File
    {
        int folder = 0; // in folders()
        QByteArray name;
        qint64 size = 0;
        qint64 modifiedSeconds = 0;
        qint32 modifiedNanoseconds = 0;
        quint64 device = 0;
        quint64 inode = 0;
        // The file of an earlier card folder with the same relative path and
        // size, of which this one is taken to be the second copy (confirmed by
        // checksum when copied), or -1.
        qsizetype firstCopy = -1;
    };

    struct Destination
    {
        QByteArray path;
        // Of files that are no second copy: how many have a same-size file at
        // their place there already, and the bytes of the others, which the
        // copy needs.
        int alreadyThere = 0;
        qint64 bytesNeeded = 0;
        // Free space on its volume (-1 when unknown); a destination that
        // shares its volume with an earlier one needs room for both.
        qint64 freeBytes = -1;
        bool enoughSpace = true;
    };

    struct Unreadable
    {
        int card = 0;
        QByteArray relativePath;
        int errorNumber = 0;
    };

    // Plans copying each of cardFolders (a card, or each slot of a dual-slot
    // card) into each of destinations (the main one, then a backup), all
    // full paths. Throws files::FolderError when a card folder itself can't
    // be read. With cancelled, the walk looks at it before each folder and
    // gives up with FolderError(ECANCELED) once it is true.
    ImportPlan(const QList<QByteArray> &cardFolders, const QList<QByteArray> &destinations,
               const FreeSpaceFunction &freeSpace = {},
               const std::atomic<bool> *cancelled = nullptr);

    const QList<QByteArray> &cardFolders() const { return m_cards; }
    const std::vector<Folder> &folders() const { return m_folders; }
    const std::vector<File> &files() const { return m_files; }
    const std::vector<Destination> &destinations() const { return m_destinations; }
    const std::vector<Unreadable> &unreadable() const { return m_unreadable; }

    AtDestination at(qsizetype file, qsizetype destination) const
    {
        return m_at[size_t(file) * m_destinations.size() + size_t(destination)];
    }
    // "DCIM/100NIKON/DSC_0001.NEF"
    QByteArray relativePath(qsizetype file) const;
    // The file's full path on the card.
    QByteArray sourcePath(qsizetype file) const;
    // The folder a file goes to below a destination.
    QByteArray destinationFolder(qsizetype file, qsizetype destination) const;

    // The counts a preview shows: every file found, their bytes, the folders
    // holding them, how many are at every destination already (a candidate
    // until its checksum confirms it), how many are a second copy.
    qsizetype fileCount() const { return qsizetype(m_files.size()); }
    qint64 bytes() const { return m_bytes; }
    int folderCount() const { return m_foldersWithFiles; }
    int alreadyThere() const { return m_alreadyEverywhere; }
    int secondCopies() const { return m_secondCopies; }
    // False when some destination lacks room: then nothing is copied.
    bool enoughSpace() const;

    static std::optional<qint64> freeSpaceOf(const QByteArray &path);

private:
    void walk(int card, const std::atomic<bool> *cancelled);
    void lookAtDestinations();
    void findSecondCopies();
    void countSpace(const FreeSpaceFunction &freeSpace);

    QList<QByteArray> m_cards;
    std::vector<Folder> m_folders;
    std::vector<File> m_files;
    std::vector<Destination> m_destinations;
    std::vector<Unreadable> m_unreadable;
    std::vector<AtDestination> m_at;
    qint64 m_bytes = 0;
    int m_foldersWithFiles = 0;
    int m_alreadyEverywhere = 0;
    int m_secondCopies = 0;
};

} // namespace quorvel::import
