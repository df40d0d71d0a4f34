#include "import/VerifiedCopy.h"

#include "files/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QString>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

namespace quorvel::import {
namespace {

// Large enough that the system calls cost nothing next to the bytes, small
// enough to stay in the processor's cache between the read, the hash and the
// writes.
constexpr qint64 pieceSize = 1024 * 1024;

QString systemWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString shownPath(const QByteArray &path)
{
    return files::visibleName(files::decodeFileName(path));
}

bool writeAll(int fd, const char *data, qint64 length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, size_t(length));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}

// Makes folder and those above it that are missing.
int makeFolders(const QByteArray &folder)
{
    if (::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST)
        return 0;
    if (errno != ENOENT)
        return errno;
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash <= 0)
        return ENOENT;
    if (const int error = makeFolders(folder.first(slash)))
        return error;
    return ::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

class Hash
{
public:
    Hash() : m_state(XXH3_createState()) { XXH3_128bits_reset(m_state); }
    ~Hash() { XXH3_freeState(m_state); }
    Hash(const Hash &) = delete;
    Hash &operator=(const Hash &) = delete;
    void add(const char *data, qint64 length)
    {
        XXH3_128bits_update(m_state, data, size_t(length));
    }
    VerifiedCopy::Checksum checksum() const
    {
        const XXH128_hash_t digest = XXH3_128bits_digest(m_state);
        return {digest.low64, digest.high64};
    }

private:
    XXH3_state_t *m_state;
};

} // namespace

// One target being written: its folder open, its temporary file.
struct VerifiedCopy::Pass
{
    size_t target = 0;
    const Target *to = nullptr;
    int folder = -1;
    QByteArray temporary;
    int fd = -1;
    bool verified = false;

    void removeTemporary()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (folder >= 0) {
            if (!temporary.isEmpty())
                ::unlinkat(folder, temporary.constData(), 0);
            ::close(folder);
        }
        folder = -1;
    }
};

VerifiedCopy::VerifiedCopy(Hooks hooks, const std::atomic<bool> *cancelled)
    : m_hooks(std::move(hooks)), m_cancelled(cancelled), m_buffer(new char[pieceSize]),
      m_readBack(new char[pieceSize])
{}

VerifiedCopy::~VerifiedCopy() = default;

QByteArray VerifiedCopy::numberedName(const QByteArray &name, int number)
{
    // Before the extension, so that the copy keeps its kind; a name that is
    // all extension (".hidden") or has none takes the number at its end.
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray suffix = " (" + QByteArray::number(number) + ')';
    if (dot <= 0)
        return name + suffix;
    return name.first(dot) + suffix + name.sliced(dot);
}

int VerifiedCopy::openSource(const Source &source, Result &result)
{
    // O_NOATIME keeps the card as it was, read or not; the system allows it
    // only to the file's owner, and a card mounted for the user is theirs.
    int fd = ::open(source.path.constData(), O_RDONLY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == EPERM)
        fd = ::open(source.path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        result.why = QStringLiteral("can't be read from the card: %1").arg(systemWords(errno));
        return -1;
    }
    struct stat status
    {
    };
    const bool same = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                      quint64(status.st_dev) == source.planned.device &&
                      quint64(status.st_ino) == source.planned.inode &&
                      status.st_size == source.planned.size &&
                      status.st_mtim.tv_sec == source.planned.modifiedSeconds &&
                      status.st_mtim.tv_nsec == source.planned.modifiedNanoseconds;
    if (!same) {
        ::close(fd);
        result.error = ESTALE;
        result.why = QStringLiteral("changed on the card since it was looked at");
        return -1;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

std::optional<VerifiedCopy::Checksum> VerifiedCopy::checksumOf(const QByteArray &path, int &error)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    Hash hash;
    for (;;) {
        const ssize_t got = ::read(fd, m_buffer.get(), size_t(pieceSize));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        hash.add(m_buffer.get(), got);
    }
    ::close(fd);
    return hash.checksum();
}

bool VerifiedCopy::copyPass(int source, const Source &planned, std::vector<Pass> &passes,
                            int attempt, Result &result)
{
    const auto fail = [&](int error, const QString &why) {
        for (Pass &pass : passes)
            pass.removeTemporary();
        result.error = error;
        result.why = why;
        return false;
    };
    for (Pass &pass : passes) {
        if (const int error = makeFolders(pass.to->folder))
            return fail(error, QStringLiteral("can't make the folder %1: %2")
                                   .arg(shownPath(pass.to->folder), systemWords(error)));
        pass.folder = ::open(pass.to->folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (pass.folder < 0)
            return fail(errno, QStringLiteral("can't open the folder %1: %2")
                                   .arg(shownPath(pass.to->folder), systemWords(errno)));
        // Hidden, as lists and trims pass over it, and unique to this process.
        for (int tries = 0; pass.fd < 0 && tries < 100; ++tries) {
            pass.temporary = ".quorvel-import-" + QByteArray::number(::getpid()) + '-' +
                             QByteArray::number(++m_temporaries) + ".part";
            pass.fd = ::openat(pass.folder, pass.temporary.constData(),
                               O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (pass.fd < 0 && errno != EEXIST)
                break;
        }
        if (pass.fd < 0) {
            const int error = errno;
            pass.temporary.clear();
            return fail(error, QStringLiteral("can't be written in %1: %2")
                                   .arg(shownPath(pass.to->folder), systemWords(error)));
        }
    }

    Hash hash;
    qint64 offset = 0;
    for (;;) {
        const ssize_t got = ::pread(source, m_buffer.get(), size_t(pieceSize), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno,
                        QStringLiteral("can't be read from the card: %1").arg(systemWords(errno)));
        if (got == 0)
            break;
        hash.add(m_buffer.get(), got);
        for (Pass &pass : passes) {
            if (!writeAll(pass.fd, m_buffer.get(), got))
                return fail(errno, QStringLiteral("can't be written in %1: %2")
                                       .arg(shownPath(pass.to->folder), systemWords(errno)));
            // Starts the disk on this piece while the next is read, so that
            // the flush at the end has little left to wait for.
            ::sync_file_range(pass.fd, offset, got, SYNC_FILE_RANGE_WRITE);
        }
        offset += got;
        if (m_progress)
            m_progress(offset);
        if (m_hooks.afterRead)
            m_hooks.afterRead(planned.path, offset);
        if (m_cancelled && *m_cancelled) {
            fail(ECANCELED, QStringLiteral("cancelled"));
            result.outcome = Outcome::Cancelled;
            return false;
        }
    }
    struct stat after
    {
    };
    if (::fstat(source, &after) != 0)
        return fail(errno,
                    QStringLiteral("can't be read from the card: %1").arg(systemWords(errno)));
    if (offset != planned.planned.size || after.st_size != planned.planned.size ||
        after.st_mtim.tv_sec != planned.planned.modifiedSeconds ||
        after.st_mtim.tv_nsec != planned.planned.modifiedNanoseconds)
        return fail(EAGAIN, QStringLiteral("changed on the card while it was copied (%1 bytes "
                                           "when looked at, %2 now)")
                                .arg(planned.planned.size)
                                .arg(qint64(after.st_size)));
    result.checksum = hash.checksum();

    const timespec times[2] = {
        after.st_atim, {planned.planned.modifiedSeconds, planned.planned.modifiedNanoseconds}};
    for (Pass &pass : passes) {
        if (::futimens(pass.fd, times) != 0 || ::fdatasync(pass.fd) != 0)
            return fail(errno, QStringLiteral("can't be written in %1: %2")
                                   .arg(shownPath(pass.to->folder), systemWords(errno)));
        // Clean once flushed, the copy's pages can be dropped: what is read
        // back next comes from the disk, not from the memory that wrote it.
        ::posix_fadvise(pass.fd, 0, 0, POSIX_FADV_DONTNEED);
        Hash readBack;
        qint64 at = 0;
        for (;;) {
            const ssize_t got = ::pread(pass.fd, m_readBack.get(), size_t(pieceSize), at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return fail(errno, QStringLiteral("can't be read back from %1: %2")
                                       .arg(shownPath(pass.to->folder), systemWords(errno)));
            if (got == 0)
                break;
            if (m_hooks.readBack)
                m_hooks.readBack(m_readBack.get(), got, attempt);
            readBack.add(m_readBack.get(), got);
            at += got;
        }
        pass.verified = at == offset && readBack.checksum() == result.checksum;
    }
    return true;
}

bool VerifiedCopy::place(Pass &pass, Placed &placed, Result &result)
{
    QByteArray name = pass.to->name;
    for (int number = 2;; ++number) {
        int renamed = ::renameat2(pass.folder, pass.temporary.constData(), pass.folder,
                                  name.constData(), RENAME_NOREPLACE);
        if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: a link never replaces either.
            renamed =
                ::linkat(pass.folder, pass.temporary.constData(), pass.folder, name.constData(), 0);
            if (renamed == 0)
                ::unlinkat(pass.folder, pass.temporary.constData(), 0);
        }
        if (renamed != 0 && (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK)) {
            // Nor links (exFAT, FAT: most external drives): the name is
            // taken first by a file made only if none is there, and the copy
            // renamed over that file of its own.
            const int reserved = ::openat(pass.folder, name.constData(),
                                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            renamed = reserved < 0 ? -1 : 0;
            if (reserved >= 0) {
                ::close(reserved);
                renamed = ::renameat(pass.folder, pass.temporary.constData(), pass.folder,
                                     name.constData());
                if (renamed != 0) {
                    const int error = errno;
                    ::unlinkat(pass.folder, name.constData(), 0);
                    errno = error;
                }
            }
        }
        if (renamed == 0)
            break;
        if (errno != EEXIST || number > 9999) {
            const int error = errno;
            pass.removeTemporary();
            result.error = error;
            result.why = QStringLiteral("can't be put in place in %1: %2")
                             .arg(shownPath(pass.to->folder), systemWords(error));
            return false;
        }
        name = numberedName(pass.to->name, number);
    }
    pass.temporary.clear();
    pass.removeTemporary();
    placed.name = name;
    placed.renamed = name != pass.to->name;
    return true;
}

VerifiedCopy::Result VerifiedCopy::copy(const Source &source, const std::vector<Target> &targets)
{
    Result result;
    result.placed.resize(targets.size());
    // A file of the same size at a target is the same file when its checksum
    // says so; read before the card, so that nothing is written for it then.
    // So is one under a numbered name beside it, which an earlier import
    // made when something else was in the way: it is not made again.
    struct Candidate
    {
        QByteArray name;
        Checksum checksum;
    };
    std::vector<std::vector<Candidate>> existing(targets.size());
    std::vector<size_t> toWrite;
    for (size_t i = 0; i < targets.size(); ++i) {
        const Target &target = targets[i];
        for (int number = 1; target.existing != ImportPlan::AtDestination::Nothing; ++number) {
            const QByteArray name = number == 1 ? target.name : numberedName(target.name, number);
            struct stat status
            {
            };
            if (::lstat((target.folder + '/' + name).constData(), &status) != 0) {
                if (number > 1)
                    break;
                continue;
            }
            int error = 0;
            if (S_ISREG(status.st_mode) && status.st_size == source.planned.size) {
                if (const std::optional<Checksum> sum =
                        checksumOf(target.folder + '/' + name, error))
                    existing[i].push_back({name, *sum});
            }
        }
        if (existing[i].empty())
            toWrite.push_back(i);
    }
    const int fd = openSource(source, result);
    if (fd < 0)
        return result;

    // Written, verified and placed, each target once more when it read back
    // wrong. With nothing to write, the card's file is only hashed.
    const auto write = [&](std::vector<size_t> indexes) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::vector<Pass> passes;
            for (const size_t i : indexes) {
                Pass pass;
                pass.target = i;
                pass.to = &targets[i];
                passes.push_back(std::move(pass));
            }
            if (!copyPass(fd, source, passes, attempt, result))
                return false;
            std::vector<size_t> wrong;
            for (Pass &pass : passes) {
                if (!pass.verified) {
                    pass.removeTemporary();
                    wrong.push_back(pass.target);
                } else if (!place(pass, result.placed[pass.target], result)) {
                    for (Pass &other : passes)
                        other.removeTemporary();
                    return false;
                }
            }
            if (wrong.empty())
                return true;
            indexes = wrong;
        }
        result.error = EIO;
        result.why = QStringLiteral("the copy in %1 read back different from the card, twice")
                         .arg(shownPath(targets[indexes.front()].folder));
        return false;
    };

    bool done = write(toWrite);
    if (done) {
        std::vector<size_t> different;
        for (size_t i = 0; i < targets.size(); ++i) {
            if (existing[i].empty())
                continue;
            const auto same = std::find_if(
                existing[i].begin(), existing[i].end(),
                [&](const Candidate &candidate) { return candidate.checksum == result.checksum; });
            if (same != existing[i].end())
                result.placed[i] = {same->name, false, true};
            else
                different.push_back(i);
        }
        // Rare: the same size, other contents. The card is read once more
        // for these, and each copy goes beside the file in its way.
        if (!different.empty())
            done = write(different);
    }
    ::close(fd);
    if (!done) {
        if (result.outcome != Outcome::Cancelled)
            result.outcome = Outcome::Failed;
        return result;
    }
    bool allThere = true;
    for (const Placed &placed : result.placed)
        allThere = allThere && placed.alreadyThere;
    result.outcome = allThere && !targets.empty() ? Outcome::AlreadyThere : Outcome::Copied;
    return result;
}

} // namespace quorvel::import
