#pragma once

#include <memory>
#include <QByteArray>

namespace quorvel::platform {

// Where a trashed file went: enough to put it back without searching the
// trash, which on a card may hold thousands of files. All paths are absolute
// and hold the bytes the filesystem has.
struct TrashedFile
{
    QByteArray originalPath;
    QByteArray trashedPath; // the file itself, inside the trash
    QByteArray infoPath;    // the record of where it came from

    // What was put under those names, so that putting it back can tell it
    // from what may be there by then: a trash emptied meanwhile hands the same
    // names to the next file of that name, and camera names repeat on every
    // card. The record's bytes are the very ones written, shared, not copied.
    QByteArray info;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1; // below zero: nothing was recorded
};

// The platform's trash, behind these functions so that another platform's can
// be dropped in beside them. path is the file's full path as bytes, exactly as
// the filesystem holds it. Returns 0 on success or the errno of the step that
// failed, with the file left where it was. A folder is refused with EISDIR
// and left where it is: one found arriving in the trash is put straight back.
int moveToTrash(const QByteArray &path);
// As above, and on success tells where the file went.
int moveToTrash(const QByteArray &path, TrashedFile &where);

// Many files to the trash, as moveToTrash moves one, for little more than the
// least each needs: the folders they come from are resolved, and each volume's
// trash is found and opened, once for all of them. While it lives it keeps
// those trash folders open, which keeps their volumes from being unmounted, so
// it is meant to live for one batch, such as a trim, and no longer.
class TrashSession
{
public:
    TrashSession();
    ~TrashSession();
    TrashSession(const TrashSession &) = delete;
    TrashSession &operator=(const TrashSession &) = delete;

    int moveToTrash(const QByteArray &path, TrashedFile &where);
    // The file name of a folder the caller holds open, which lies at the
    // absolute path folder: the file is renamed from that very folder, so a
    // folder put in its place under the same path since the caller opened it
    // loses nothing. The record says the file came from folder/name. folderFd
    // must stay open, and be that folder, while this session is used with it.
    // EINVAL for a name that is empty, "." or "..", or holds a "/".
    int moveToTrash(int folderFd, const QByteArray &folder, QByteArrayView name,
                    TrashedFile &where);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Puts a trashed file back where it came from and then drops its record from
// the trash, but only if both are still the ones put there: the same file
// (device, inode and size) and the same record, byte for byte. Never replaces
// anything: EEXIST when a file has taken the name meanwhile, ENOENT when the
// file or its record is no longer in the trash or its folder is gone, ESTALE
// when another file or another record has taken its place in the trash (also
// when one is swapped in while it is put back), EINVAL when file recorded no
// identity to check. On failure the trash is left as it was found: the file
// stays there with its record, and whatever took their place with its own.
int restoreFromTrash(const TrashedFile &file);

// Many trashed files put back, as restoreFromTrash puts one back and with each
// of its checks and answers, for little more than the least each needs: the
// folders of the trash and those the files go back to are found once and held
// open. A folder removed while held is found again by its path; one moved
// while held keeps its files, which come back into it where it now is. Like
// TrashSession it keeps volumes from being unmounted while it lives, so it is
// meant for one batch, such as an undo, and no longer.
class RestoreSession
{
public:
    RestoreSession();
    ~RestoreSession();
    RestoreSession(const RestoreSession &) = delete;
    RestoreSession &operator=(const RestoreSession &) = delete;

    int restoreFromTrash(const TrashedFile &file);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace quorvel::platform
