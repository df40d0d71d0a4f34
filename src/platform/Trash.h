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

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Puts a trashed file back where it came from and then drops its record from
// the trash. Never replaces anything: EEXIST when a file has taken the name
// meanwhile, ENOENT when the file is no longer in the trash or its folder is
// gone. On failure the file stays in the trash with its record.
int restoreFromTrash(const TrashedFile &file);

} // namespace quorvel::platform
