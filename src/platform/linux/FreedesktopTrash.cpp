// The desktop trash of Linux and the other free desktops: a "files" folder that
// holds the trashed files and an "info" folder with one .trashinfo file each,
// telling where the file came from and when it left. The home trash serves the
// volume the home is on; every other volume has a trash of its own at its top,
// because a file is only ever renamed into the trash, never copied: a copy
// across volumes could fail half-way or run out of room, and a trim must not
// leave the user with neither the file nor its trashed twin.

#include "platform/linux/TrashInfo.h"
#include "platform/Trash.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <QDateTime>
#include <QStringBuilder>
#include <QVarLengthArray>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorvel::platform {
namespace {

constexpr int dirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr mode_t privateDir = 0700;
constexpr int maxAttempts = 100000;

// A descriptor that closes itself, so that no early return leaks one.
struct OwnedFd
{
    int fd = -1;

    OwnedFd() = default;
    explicit OwnedFd(int value) : fd(value) {}
    OwnedFd(OwnedFd &&other) noexcept : fd(std::exchange(other.fd, -1)) {}
    OwnedFd &operator=(OwnedFd &&other) noexcept
    {
        std::swap(fd, other.fd);
        return *this;
    }
    OwnedFd(const OwnedFd &) = delete;
    OwnedFd &operator=(const OwnedFd &) = delete;
    ~OwnedFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool valid() const { return fd >= 0; }
};

// Where a file lives. Two paths on the same filesystem can still be on
// different mounts of it (bind mounts), and rename(2) refuses to cross those
// too, so the mount is compared wherever the kernel tells it.
struct Volume
{
    dev_t device = 0;
    quint64 mount = 0;
    bool knowsMount = false;

    bool operator==(const Volume &other) const
    {
        if (device != other.device)
            return false;
        return !knowsMount || !other.knowsMount || mount == other.mount;
    }
};

struct Status
{
    Volume volume;
    mode_t mode = 0;
    uid_t owner = 0;
    // Only where asked for, with identityMask.
    quint64 inode = 0;
    qint64 size = -1;
};

constexpr unsigned statusMask = STATX_TYPE | STATX_MODE | STATX_UID | STATX_MNT_ID;
constexpr unsigned identityMask = STATX_INO | STATX_SIZE;

int statusOf(int dirFd, const char *path, int flags, Status &out, unsigned extraMask = 0)
{
    struct statx stx
    {
    };
    if (::statx(dirFd, path, flags, statusMask | extraMask, &stx) != 0)
        return errno;
    out.volume.device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    out.volume.knowsMount = (stx.stx_mask & STATX_MNT_ID) != 0;
    out.volume.mount = stx.stx_mnt_id;
    out.mode = stx.stx_mode;
    out.owner = stx.stx_uid;
    if ((extraMask & identityMask) == identityMask &&
        (stx.stx_mask & identityMask) == identityMask) {
        out.inode = stx.stx_ino;
        out.size = qint64(stx.stx_size);
    }
    return 0;
}

int statusOf(const QByteArray &path, int flags, Status &out)
{
    return statusOf(AT_FDCWD, path.constData(), flags, out);
}

int statusOf(int fd, Status &out)
{
    return statusOf(fd, "", AT_EMPTY_PATH, out);
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray homeTrashPath()
{
    // A relative XDG_DATA_HOME is invalid and is to be ignored.
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!data.startsWith('/')) {
        QByteArray home = qgetenv("HOME");
        if (home.isEmpty()) {
            std::vector<char> buffer(16384);
            passwd entry{};
            passwd *found = nullptr;
            if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
                found != nullptr)
                home = found->pw_dir;
        }
        if (home.isEmpty())
            return {};
        data = home + "/.local/share";
    }
    return data + "/Trash";
}

// Creates path and any missing parents, private to the user as the data folder
// and the trash are meant to be.
int makePath(const QByteArray &path)
{
    if (::mkdir(path.constData(), privateDir) == 0 || errno == EEXIST)
        return 0;
    if (errno != ENOENT)
        return errno;
    const QByteArray parent = parentOf(path);
    if (parent == path)
        return ENOENT;
    if (const int error = makePath(parent))
        return error;
    if (::mkdir(path.constData(), privateDir) == 0 || errno == EEXIST)
        return 0;
    return errno;
}

// Opens the folder name inside dirFd, which must be a real folder: a symlink
// planted there would send the trash, or its info files, somewhere else.
int openRealFolder(int dirFd, const char *name, OwnedFd &out)
{
    out = OwnedFd(::openat(dirFd, name, dirFlags | O_NOFOLLOW));
    if (out.valid())
        return 0;
    const int error = errno;
    // The kernel calls a symlink "not a directory" here; say what it is.
    struct stat link
    {
    };
    if (error == ENOTDIR && ::fstatat(dirFd, name, &link, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(link.st_mode))
        return ELOOP;
    return error;
}

// As openRealFolder, creating the folder first where it is missing.
int openSubfolder(int dirFd, const char *name, OwnedFd &out)
{
    const int error = openRealFolder(dirFd, name, out);
    if (error != ENOENT)
        return error;
    if (::mkdirat(dirFd, name, privateDir) != 0 && errno != EEXIST)
        return errno;
    return openRealFolder(dirFd, name, out);
}

struct Trash
{
    OwnedFd files;
    OwnedFd info;
    // Empty for the home trash, whose Path= is absolute; otherwise the top
    // folder of the volume that Path= is relative to.
    QByteArray topdir;
    // The trash folder itself, absolute, for telling where a file went.
    QByteArray path;
};

int openFilesAndInfo(int trashFd, Trash &trash)
{
    if (const int error = openSubfolder(trashFd, "files", trash.files))
        return error;
    return openSubfolder(trashFd, "info", trash.info);
}

// The home trash when it is on the file's volume; found is false otherwise.
int openHomeTrash(const Volume &fileVolume, Trash &trash, bool &found)
{
    found = false;
    const QByteArray path = homeTrashPath();
    if (path.isEmpty())
        return 0;

    // Judge by the trash where it exists and by the folder it would be made in
    // where not, so that trashing from a card does not create a home trash.
    Status status;
    QByteArray probe = path;
    while (statusOf(probe, 0, status) != 0) {
        const QByteArray parent = parentOf(probe);
        if (parent == probe)
            return 0;
        probe = parent;
    }
    if (status.volume != fileVolume)
        return 0;

    if (probe != path) {
        if (const int error = makePath(path))
            return error;
    }
    OwnedFd trashFd(::open(path.constData(), dirFlags));
    if (!trashFd.valid())
        return errno;
    if (const int error = openFilesAndInfo(trashFd.fd, trash))
        return error;
    trash.path = path;
    found = true;
    return 0;
}

// The top folder of the volume that holds folder: the highest ancestor still on it.
int topFolderOf(const QByteArray &folder, const Volume &fileVolume, QByteArray &topdir)
{
    Status status;
    if (const int error = statusOf(folder, 0, status))
        return error;
    if (status.volume != fileVolume)
        return EBUSY; // the file is itself a mount point
    topdir = folder;
    while (topdir != "/") {
        const QByteArray parent = parentOf(topdir);
        if (statusOf(parent, 0, status) != 0 || status.volume != fileVolume)
            break;
        topdir = parent;
    }
    return 0;
}

// $topdir/.Trash/$uid, if the administrator provided a shared .Trash that is
// safe to use: a real folder with the sticky bit, so that no other user can
// remove or swap our subfolder.
bool openSharedVolumeTrash(const QByteArray &topdir, const QByteArray &uid, Trash &trash)
{
    OwnedFd shared(::open((topdir + "/.Trash").constData(), dirFlags | O_NOFOLLOW));
    Status status;
    if (!shared.valid() || statusOf(shared.fd, status) != 0 || (status.mode & S_ISVTX) == 0)
        return false;
    OwnedFd own;
    if (openSubfolder(shared.fd, uid.constData(), own) != 0)
        return false;
    if (statusOf(own.fd, status) != 0 || status.owner != ::geteuid())
        return false;
    trash.path = topdir + "/.Trash/" + uid;
    return openFilesAndInfo(own.fd, trash) == 0;
}

// $topdir/.Trash-$uid, made by us and for us only. Anything else found under
// that name (someone else's folder, a symlink, a file) is refused outright.
int openOwnVolumeTrash(const QByteArray &topdir, const QByteArray &uid, Trash &trash)
{
    const QByteArray path = topdir + (topdir.endsWith('/') ? ".Trash-" : "/.Trash-") + uid;
    if (::mkdir(path.constData(), privateDir) != 0 && errno != EEXIST)
        return errno;
    OwnedFd own;
    if (const int error = openRealFolder(AT_FDCWD, path.constData(), own))
        return error;
    Status status;
    if (const int error = statusOf(own.fd, status))
        return error;
    if (status.owner != ::geteuid())
        return EPERM;
    trash.path = path;
    return openFilesAndInfo(own.fd, trash);
}

int openVolumeTrash(const QByteArray &folder, const Volume &fileVolume, Trash &trash)
{
    if (const int error = topFolderOf(folder, fileVolume, trash.topdir))
        return error;
    const QByteArray uid = QByteArray::number(::geteuid());
    const QByteArray base = trash.topdir == "/" ? QByteArray() : trash.topdir;
    if (openSharedVolumeTrash(base, uid, trash))
        return 0;
    trash.files = OwnedFd();
    trash.info = OwnedFd();
    return openOwnVolumeTrash(trash.topdir, uid, trash);
}

int writeAll(int fd, const QByteArray &data)
{
    const char *next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        next += written;
        left -= written;
    }
    return 0;
}

// Renames without ever replacing what is already there: EEXIST asks for
// another name. Filesystems that can't promise that get a look first.
int renameNoReplace(int fromFd, const char *from, int toFd, const char *to)
{
    if (::renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return error;
    struct stat existing
    {
    };
    if (::fstatat(toFd, to, &existing, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (::renameat(fromFd, from, toFd, to) == 0)
        return 0;
    return errno;
}

// The trash takes files only. rename(2) has no "only if it is not a folder",
// and a look beforehand would not do: the rename looks the name up again, and
// a folder put in the file's place in between would go along with it, whole.
// So what arrived is checked, and a folder is put straight back, its info
// file with it; that one look is all a file costs beyond the least a trash can
// do. Should the folder's old place have been taken meanwhile, it stays in the
// trash, whole and restorable: it is never left without a way back.
// The same look tells what a file is (see TrashedFile), into arrived; should
// it fail, arrived has no size and the file can't be put back by us, only by
// the trash tools, which is safer than putting back a file we can't tell.
int refuseArrivedFolder(Trash &trash, int folderFd, const QByteArray &name,
                        const QByteArray &inTrash, const QByteArray &infoName, Status &arrived)
{
    const int unseen =
        statusOf(trash.files.fd, inTrash.constData(), AT_SYMLINK_NOFOLLOW, arrived, identityMask);
    if (unseen != 0 || !S_ISDIR(arrived.mode))
        return 0;
    if (renameNoReplace(trash.files.fd, inTrash.constData(), folderFd, name.constData()) == 0)
        ::unlinkat(trash.info.fd, infoName.constData(), 0);
    return EISDIR;
}

// The info file goes first: once the file is in the trash it must already say
// where it came from. A crash in between leaves an info file without a file,
// which the trash readers skip, never a file that can't be restored.
// The info file is not flushed with fsync: that costs milliseconds a file,
// seconds on a trim of a full card, and a crash at the wrong moment can at
// worst leave an empty info file beside a file that is still in files/.
// The file is name in folderFd; path is where that is, as the info file and
// the caller are told.
int trashInto(Trash &trash, int folderFd, const QByteArray &name, const QByteArray &path,
              QByteArrayView deletionDate, TrashedFile &where)
{
    const QByteArrayView storedPath =
        trash.topdir.isEmpty()
            ? QByteArrayView(path)
            : QByteArrayView(path).sliced(trash.topdir == "/" ? 1 : trash.topdir.size() + 1);
    const QByteArray info = trashInfoText(storedPath, deletionDate);

    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        const QByteArray inTrash = trashedName(name, attempt);
        const QByteArray infoName = inTrash % trashInfoSuffix;
        OwnedFd infoFd(::openat(trash.info.fd, infoName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!infoFd.valid()) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = writeAll(infoFd.fd, info);
        if (::close(std::exchange(infoFd.fd, -1)) != 0 && error == 0)
            error = errno;
        if (error == 0) {
            error =
                renameNoReplace(folderFd, name.constData(), trash.files.fd, inTrash.constData());
            if (error == 0) {
                Status arrived;
                if (const int refused =
                        refuseArrivedFolder(trash, folderFd, name, inTrash, infoName, arrived))
                    return refused;
                where = {
                    path,        trash.path % "/files/" % inTrash, trash.path % "/info/" % infoName,
                    info,        quint64(arrived.volume.device),   arrived.inode,
                    arrived.size};
                return 0;
            }
        }
        ::unlinkat(trash.info.fd, infoName.constData(), 0);
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

// A folder removed while we hold it open, as a trash is when someone empties
// it by deleting it whole: it takes no new files, holds none, and has to be
// found again by its path.
bool isRemovedFolder(int fd)
{
    struct stat folder
    {
    };
    return ::fstat(fd, &folder) == 0 && folder.st_nlink == 0;
}

bool isRemoved(const Trash &trash)
{
    return isRemovedFolder(trash.info.fd);
}

// Whether found is the file recorded when it went to the trash. A symlink is
// trashed as itself, so found comes from lstat.
bool isRecordedFile(const struct stat &found, const TrashedFile &file)
{
    return quint64(found.st_dev) == file.device && quint64(found.st_ino) == file.inode;
}

// 0 when the record name in dirFd is the one written, byte for byte; ESTALE
// when it is another's; otherwise why it can't be read. A symlink put in its
// place is not followed, nor a FIFO waited on.
int holdsRecord(int dirFd, const char *name, const QByteArray &written)
{
    // Read without stamping its access time: a record read moments after it
    // was written has an access time older than its change, which relatime
    // updates, a write of the inode to the journal for every file put back.
    // That came to a third of what reading the record costs, and the record
    // is dropped the next moment anyway. Only the owner may ask, and our
    // records are ours; another's is read the ordinary way.
    constexpr int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    OwnedFd fd(::openat(dirFd, name, flags | O_NOATIME));
    if (!fd.valid() && errno == EPERM)
        fd = OwnedFd(::openat(dirFd, name, flags));
    if (!fd.valid())
        return errno == ELOOP ? ESTALE : errno;
    // A byte more than was written, so that a longer record shows as one. A
    // file on a local filesystem gives all it has up to that in one read: a
    // short one is its end, and the one read is all a record costs.
    QVarLengthArray<char, 512> found(written.size() + 1);
    ssize_t got = -1;
    do {
        got = ::read(fd.fd, found.data(), size_t(found.size()));
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return errno == EISDIR || errno == EAGAIN ? ESTALE : errno;
    return QByteArrayView(found.data(), got) == QByteArrayView(written) ? 0 : ESTALE;
}

} // namespace

struct TrashSession::State
{
    // The folder last resolved, as given and as it really is, and held open:
    // a batch mostly comes from one folder, and resolving it, or just finding
    // it again by its path, walks every part of that path for every file.
    // Should the folder be moved during the batch, its files are still found,
    // and go to the trash saying where they were when the batch began.
    QByteArray folderGiven;
    QByteArray folder;
    OwnedFd folderFd;
    // Its files' volume too, and so which trash they go to; a file that is a
    // mount point of its own can't be renamed anywhere, and says so itself.
    Volume folderVolume;

    // Each volume's trash, found and opened when the first file of that volume
    // came; a card and the home are the most a trim meets.
    struct OpenTrash
    {
        Volume volume;
        Trash trash;
    };
    std::vector<OpenTrash> trashes;

    // The deletion date as the info files write it, for the second it was made
    // in: the system's local time costs a look at the time zone each time.
    qint64 dateSecond = -1;
    QByteArray date;

    int resolveFolder(QByteArrayView given)
    {
        if (!folder.isEmpty() && given == folderGiven)
            return 0;
        folder.clear();
        char resolved[PATH_MAX];
        if (::realpath(given.toByteArray().constData(), resolved) == nullptr)
            return errno;
        folderFd = OwnedFd(::open(resolved, O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!folderFd.valid())
            return errno;
        Status status;
        if (const int error = statusOf(folderFd.fd, status))
            return error;
        folderVolume = status.volume;
        folderGiven = given.toByteArray();
        folder = resolved;
        return 0;
    }

    int trashFor(const QByteArray &fileFolder, const Volume &volume, Trash *&out)
    {
        for (OpenTrash &open : trashes) {
            if (open.volume == volume) {
                out = &open.trash;
                return 0;
            }
        }
        Trash trash;
        bool home = false;
        if (const int error = openHomeTrash(volume, trash, home))
            return error;
        if (!home) {
            trash = Trash();
            if (const int error = openVolumeTrash(fileFolder, volume, trash))
                return error;
        }
        trashes.push_back({volume, std::move(trash)});
        out = &trashes.back().trash;
        return 0;
    }

    void forget(const Trash *trash)
    {
        std::erase_if(trashes, [trash](const OpenTrash &open) { return &open.trash == trash; });
    }

    // A folder the caller holds open, and the volume it was found on.
    int givenFd = -1;
    QByteArray givenFdFolder;
    Volume givenFdVolume;

    // name in fromFd, which lies at from on volume, to that volume's trash.
    int moveFrom(int fromFd, const QByteArray &from, const Volume &volume, const QByteArray &name,
                 TrashedFile &where)
    {
        const QByteArray file = from % (from.endsWith('/') ? "" : "/") % name;
        for (bool firstTry = true;; firstTry = false) {
            Trash *trash = nullptr;
            if (const int error = trashFor(from, volume, trash))
                return error;
            const int error = trashInto(*trash, fromFd, name, file, deletionDate(), where);
            // Nothing moved: the file is still where it was, so a trash found
            // again can take it.
            if (error == ENOENT && firstTry && isRemoved(*trash)) {
                forget(trash);
                continue;
            }
            return error;
        }
    }

    QByteArrayView deletionDate()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const qint64 second = now.toSecsSinceEpoch();
        if (second != dateSecond) {
            date = trashInfoDate(now);
            dateSecond = second;
        }
        return date;
    }
};

TrashSession::TrashSession() : m_state(std::make_unique<State>()) {}

TrashSession::~TrashSession() = default;

int TrashSession::moveToTrash(const QByteArray &path, TrashedFile &where)
{
    if (path.isEmpty())
        return ENOENT;
    if (path.contains('\0'))
        return EINVAL;

    QByteArray given = path;
    const bool namesFolder = given.size() > 1 && given.endsWith('/');
    while (given.size() > 1 && given.endsWith('/'))
        given.chop(1);
    const qsizetype slash = given.lastIndexOf('/');
    const QByteArray name = given.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return EINVAL;

    // The folder is resolved, the name is not: a symlinked folder must lead to
    // the volume the file is really on, while a symlink itself is trashed as
    // the link it is.
    const QByteArrayView folderGiven = slash < 0    ? QByteArrayView(".")
                                       : slash == 0 ? QByteArrayView("/")
                                                    : QByteArrayView(given).first(slash);
    State &state = *m_state;
    if (const int error = state.resolveFolder(folderGiven))
        return error;
    const QByteArray &folder = state.folder;

    // A trim or a delete moves one picture or one RAW file, never a folder:
    // that would take along everything in it, unasked. Only a path that says
    // it names one is looked at first; any other folder is caught as it
    // arrives in the trash (see refuseArrivedFolder), and a file that has gone
    // is told by the rename.
    if (namesFolder) {
        Status status;
        if (const int error =
                statusOf(state.folderFd.fd, name.constData(), AT_SYMLINK_NOFOLLOW, status))
            return error;
        return S_ISDIR(status.mode) ? EISDIR : ENOTDIR;
    }

    return state.moveFrom(state.folderFd.fd, folder, state.folderVolume, name, where);
}

int TrashSession::moveToTrash(int folderFd, const QByteArray &folder, QByteArrayView name,
                              TrashedFile &where)
{
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/') ||
        name.contains('\0') || !folder.startsWith('/') || folder.contains('\0'))
        return EINVAL;
    State &state = *m_state;
    if (folderFd != state.givenFd || folder != state.givenFdFolder) {
        Status status;
        if (const int error = statusOf(folderFd, status))
            return error;
        if (!S_ISDIR(status.mode))
            return ENOTDIR;
        state.givenFd = folderFd;
        state.givenFdFolder = folder;
        state.givenFdVolume = status.volume;
    }
    return state.moveFrom(folderFd, folder, state.givenFdVolume, name.toByteArray(), where);
}

int moveToTrash(const QByteArray &path)
{
    TrashedFile where;
    return moveToTrash(path, where);
}

int moveToTrash(const QByteArray &path, TrashedFile &where)
{
    return TrashSession().moveToTrash(path, where);
}

// Putting a trim's files back comes down to a rename and an unlink each; what
// a file cost beyond those, measured on 4,000 files, was walking the three
// paths of each again and again (the trash's and the card's folders, found
// anew for every look and every move), and the record's access time (see
// holdsRecord). So a session finds each folder once, holds it open, and looks,
// moves and unlinks by the names in it, each check of the one-file restore
// still made, in the same order, on the same names.
// A folder is held by the path it was opened at. Should it be removed while
// held, as a trash deleted whole is, it is found again by that path for the
// next file; should it be moved, the files come and go from where it now is,
// the folder they belong to, as the trim's session moves them.
struct RestoreSession::State
{
    struct HeldFolder
    {
        QByteArray path;
        OwnedFd fd;
    };
    // The folders met last, the latest at the back. A trim's files come from
    // one trash or two, into the folders they came from, one after another.
    // Bounded, so that a tree of thousands of folders holds no more
    // descriptors than a few.
    std::vector<HeldFolder> folders;
    static constexpr size_t maxFolders = 16;
    // Each file needs three; none of them may be let go while it is used.
    static constexpr size_t perFile = 3;

    // A name of a TrashedFile: in a held folder, or, where its folder can't
    // be held (a path that is not absolute, or ends in a slash, or whose
    // folder can't be opened now), the whole path, so that each system call
    // on it succeeds or fails exactly as it does on the path.
    struct Place
    {
        int dirFd = AT_FDCWD;
        const char *name = nullptr;
    };

    Place placeOf(const QByteArray &path)
    {
        const Place whole{AT_FDCWD, path.constData()};
        const qsizetype slash = path.lastIndexOf('/');
        if (!path.startsWith('/') || slash + 1 == path.size())
            return whole;
        // The name is the path's tail, and so already ends in a NUL.
        const char *name = path.constData() + slash + 1;
        const QByteArrayView folder =
            slash == 0 ? QByteArrayView("/") : QByteArrayView(path).first(slash);
        for (auto held = folders.rbegin(); held != folders.rend(); ++held) {
            if (held->path == folder) {
                std::rotate(held.base() - 1, held.base(), folders.end());
                return {folders.back().fd.fd, name};
            }
        }
        OwnedFd fd(::open(folder.toByteArray().constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!fd.valid())
            return whole;
        folders.push_back({folder.toByteArray(), std::move(fd)});
        return {folders.back().fd.fd, name};
    }

    // Makes room for a file's folders before any of them is found.
    void makeRoom()
    {
        if (folders.size() > maxFolders - perFile)
            folders.erase(folders.begin(), folders.end() - (maxFolders - perFile));
    }

    // Lets go of those of places' folders that were removed while held;
    // whether there was one.
    bool forgetRemoved(std::initializer_list<Place> places)
    {
        bool removed = false;
        for (const Place &place : places) {
            if (place.dirFd != AT_FDCWD && isRemovedFolder(place.dirFd)) {
                std::erase_if(folders, [&place](const HeldFolder &held) {
                    return held.fd.fd == place.dirFd;
                });
                removed = true;
            }
        }
        return removed;
    }

    int restoreOnce(const TrashedFile &file, Place &trashed, Place &record, Place &original)
    {
        makeRoom();
        trashed = placeOf(file.trashedPath);
        record = placeOf(file.infoPath);
        original = placeOf(file.originalPath);

        // Both looks come before the rename. A trash emptied and filled again
        // meanwhile holds another file under the same names, with a record of
        // where that one belongs: renaming it into our folder and dropping its
        // record would leave it where no one looks and no trash tool knows of.
        struct stat inTrash
        {
        };
        if (::fstatat(trashed.dirFd, trashed.name, &inTrash, AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
        if (!isRecordedFile(inTrash, file) || inTrash.st_size != file.size)
            return ESTALE;
        if (const int error = holdsRecord(record.dirFd, record.name, file.info))
            return error;

        // Its record goes only once the file is back: a failure in between
        // leaves a record without a file, which trash readers pass over, never
        // a file in the trash that no longer says where it belongs.
        if (const int error =
                renameNoReplace(trashed.dirFd, trashed.name, original.dirFd, original.name))
            return error;
        // The rename looks the name up again, so a file swapped into the trash
        // since the look has come along instead of ours. It goes straight
        // back, under the name its own record points to; should that name be
        // taken too by then, it stays where it arrived, whole, the one thing
        // left to do that neither replaces a file nor moves it further.
        struct stat arrived
        {
        };
        if (::fstatat(original.dirFd, original.name, &arrived, AT_SYMLINK_NOFOLLOW) != 0 ||
            !isRecordedFile(arrived, file)) {
            renameNoReplace(original.dirFd, original.name, trashed.dirFd, trashed.name);
            return ESTALE;
        }
        // The record is not read again: a second look could only narrow, never
        // close, the moment in which the trash would have to be emptied and
        // given another record of that name, and it costs an undo a fifth of
        // its time.
        ::unlinkat(record.dirFd, record.name, 0);
        return 0;
    }
};

RestoreSession::RestoreSession() : m_state(std::make_unique<State>()) {}

RestoreSession::~RestoreSession() = default;

int RestoreSession::restoreFromTrash(const TrashedFile &file)
{
    if (file.originalPath.isEmpty() || file.trashedPath.isEmpty() || file.infoPath.isEmpty())
        return EINVAL;
    if (file.originalPath.contains('\0') || file.trashedPath.contains('\0') ||
        file.infoPath.contains('\0'))
        return EINVAL;
    // With nothing to tell our file from another by, it is left to the trash
    // tools, which show the user what they put back.
    if (file.size < 0 || file.info.isEmpty())
        return EINVAL;

    State &state = *m_state;
    for (bool firstTry = true;; firstTry = false) {
        State::Place trashed;
        State::Place record;
        State::Place original;
        const int error = state.restoreOnce(file, trashed, record, original);
        // ENOENT is only ever told with nothing moved, so a folder removed
        // while held and found again by its path may be asked once more.
        if (error == ENOENT && firstTry && state.forgetRemoved({trashed, record, original}))
            continue;
        return error;
    }
}

int restoreFromTrash(const TrashedFile &file)
{
    return RestoreSession().restoreFromTrash(file);
}

} // namespace quorvel::platform
