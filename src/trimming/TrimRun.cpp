#include "trimming/TrimRun.h"

#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderListing.h"
#include "files/FolderSnapshot.h"
#include "trimming/Matching.h"
#include "trimming/PictureBaseNames.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::trimming {
namespace {

// Closes the folder a pair's files leave from once the pair is done, however
// it ends: a trim must not keep a card busy.
struct HeldFolder
{
    int fd = -1;
    HeldFolder() = default;
    HeldFolder(const HeldFolder &) = delete;
    HeldFolder &operator=(const HeldFolder &) = delete;
    ~HeldFolder()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens folder when it is still the one read at device and inode; otherwise
// why not. The root the user chose may be reached through a link, so the
// path is followed, and what it leads to is what must be the same.
int openReadFolder(const QByteArray &folder, quint64 device, quint64 inode, HeldFolder &out)
{
    out.fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (out.fd < 0)
        return errno;
    struct stat st
    {
    };
    if (::fstat(out.fd, &st) != 0)
        return errno;
    return quint64(st.st_dev) == device && quint64(st.st_ino) == inode ? 0 : ESTALE;
}

} // namespace

void TrimRun::Observer::moved(const TreeTrimPlan::Pair &, const QByteArray &, bool) {}

void TrimRun::Observer::progress(int, int) {}

TrimRun::TrimRun(const TreeTrimPlan &plan, RecycleFunction recycle)
    : m_plan(plan), m_recycle(std::move(recycle))
{}

void TrimRun::run(Observer &observer)
{
    const int total = m_plan.filesToTrim();
    int done = 0;
    // Closed with the run, so that a card can be unmounted as soon as it ends.
    platform::TrashSession trash;
    for (const TreeTrimPlan::Pair &pair : m_plan.pairs())
        runPair(pair, observer, done, total, trash);
}

void TrimRun::runPair(const TreeTrimPlan::Pair &pair, Observer &observer, int &done, int total,
                      platform::TrashSession &trash)
{
    if (pair.toTrim.empty())
        return;
    std::vector<size_t> order(pair.toTrim.size());
    std::iota(order.begin(), order.end(), size_t(0));
    if (m_plan.rawOrder() != files::FolderListing::Order::Ascending) {
        // Only the names that go are put in order, not the card's 40,000.
        files::NameList going;
        for (const int index : pair.toTrim)
            going.append(pair.rawNames->bytes(index));
        const std::vector<qsizetype> ascending = files::FolderListing::ascendingOrder(going);
        order.assign(ascending.begin(), ascending.end());
    }
    const auto rawName = [&](size_t k) {
        return pair.rawNames->bytes(pair.toTrim[k]).toByteArray();
    };

    if (m_dryRun) {
        for (const size_t k : order) {
            observer.moved(pair, rawName(k), false);
            ++m_moved;
            for (const QString &sidecar : pair.sidecars[k]) {
                observer.moved(pair, files::encodeFileName(sidecar), true);
                ++m_sidecarsMoved;
            }
            observer.progress(++done, total);
        }
        return;
    }

    const auto skipPair = [&](const QString &folder, int error) {
        observer.folderFailed(pair, folder, error);
        m_failed += int(pair.toTrim.size());
        done += int(pair.toTrim.size());
        observer.progress(done, total);
    };
    const QByteArray folder = files::encodeFileName(pair.rawFolder);
    HeldFolder held;
    if (const int error = openReadFolder(folder, pair.rawDevice, pair.rawInode, held)) {
        skipPair(pair.rawFolder, error);
        return;
    }

    // Read again as late as can be, so that only a picture that comes back
    // while this pair's files move can miss its RAW file. A folder that can
    // no longer be read can't say its pictures are not back.
    std::vector<bool> pictureBack(pair.toTrim.size(), false);
    try {
        const files::FolderSnapshot reading(pair.pictureFolder);
        const PictureBaseNames pictures(
            std::make_shared<const files::NameList>(files::FolderListing::fileNames(
                reading, m_plan.picturePattern(), files::FolderListing::Order::AsRead)));
        for (size_t k = 0; k < pair.toTrim.size(); ++k)
            pictureBack[k] = pictures.keeps(pair.rawNames->bytes(pair.toTrim[k]));
    } catch (const files::FolderError &error) {
        skipPair(pair.pictureFolder, error.errorNumber());
        return;
    }

    const auto move = [&](const QByteArray &name, bool sidecar) {
        platform::TrashedFile where;
        const int result = m_recycle({folder, name, held.fd}, &where, &trash);
        if (result == 0) {
            m_trashed.push_back(std::move(where));
            observer.moved(pair, name, sidecar);
            return true;
        }
        ++m_failed;
        observer.failed(pair, name, sidecar, result);
        return false;
    };
    for (const size_t k : order) {
        if (pictureBack[k]) {
            ++m_picturesBack;
        } else if (move(rawName(k), false)) {
            ++m_moved;
            for (const QString &sidecar : pair.sidecars[k])
                m_sidecarsMoved += move(files::encodeFileName(sidecar), true) ? 1 : 0;
        }
        observer.progress(++done, total);
    }
}

} // namespace quorvel::trimming
