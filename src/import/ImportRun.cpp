#include "import/ImportRun.h"

#include "files/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QSet>
#include <unistd.h>

namespace quorvel::import {
namespace {

QString shown(const QByteArray &path)
{
    return files::visibleName(files::decodeFileName(path));
}

} // namespace

ImportRun::ImportRun(const ImportPlan &plan, const std::atomic<bool> *cancelled,
                     VerifiedCopy::Hooks hooks)
    : m_plan(plan), m_cancelled(cancelled), m_copy(std::move(hooks), cancelled)
{}

void ImportRun::report(Observer &observer, Problem problem)
{
    if (problem.failed)
        ++m_failed;
    else
        ++m_renamed;
    m_problems.push_back(std::move(problem));
    observer.problem(m_problems.back());
}

void ImportRun::tell(Observer &observer, qint64 currentBytes)
{
    Progress now = m_progress;
    now.bytesDone += currentBytes;
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    // A speed from the first tenth of a second says little.
    if (seconds > 0.1 && now.bytesDone > 0) {
        now.bytesPerSecond = double(now.bytesDone) / seconds;
        now.secondsLeft = qint64(double(now.bytes - now.bytesDone) / now.bytesPerSecond + 0.5);
    }
    observer.progress(now);
}

bool ImportRun::run(Observer &observer)
{
    if (!m_plan.enoughSpace()) {
        m_refusedForSpace = true;
        return false;
    }
    const std::vector<ImportPlan::File> &files = m_plan.files();
    m_progress = {0, qsizetype(files.size()), 0, m_plan.bytes(), 0, -1};
    m_clock.start();
    // A file read again (a retry, a same-size file to copy beside) does not
    // take the count back.
    qint64 current = 0;
    m_copy.setProgress([&](qint64 bytes) {
        current = std::max(current, bytes);
        tell(observer, current);
    });
    // A folder of the card that could not be read holds files not copied:
    // the card is not safe to format.
    for (const ImportPlan::Unreadable &folder : m_plan.unreadable())
        report(observer, {-1,
                          folder.relativePath,
                          true,
                          {},
                          {},
                          folder.errorNumber,
                          QStringLiteral("the folder can't be read from the card: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(folder.errorNumber)))});
    // The card's checksum of each file copied, to which a second copy of it
    // is compared.
    std::vector<VerifiedCopy::Checksum> checksums(files.size());
    std::vector<bool> known(files.size(), false);
    QSet<QByteArray> written;
    const qsizetype destinations = qsizetype(m_plan.destinations().size());

    for (size_t i = 0; i < files.size(); ++i) {
        if (m_cancelled && *m_cancelled) {
            m_cancelledRun = true;
            m_notReached = qsizetype(files.size() - i);
            break;
        }
        const ImportPlan::File &file = files[i];
        const qsizetype index = qsizetype(i);
        const VerifiedCopy::Source source{m_plan.sourcePath(index), file};
        std::vector<VerifiedCopy::Target> targets;
        for (qsizetype d = 0; d < destinations; ++d)
            targets.push_back({m_plan.destinationFolder(index, d), file.name, m_plan.at(index, d)});

        VerifiedCopy::Result result;
        bool secondCopy = false;
        if (file.firstCopy >= 0 && known[size_t(file.firstCopy)]) {
            // Only read and hashed: equal to the first, it is the first.
            result = m_copy.copy(source, {});
            secondCopy = result.outcome == VerifiedCopy::Outcome::Copied &&
                         result.checksum == checksums[size_t(file.firstCopy)];
            if (result.outcome == VerifiedCopy::Outcome::Copied && !secondCopy) {
                // Another file under the same name: it goes beside the first.
                result = m_copy.copy(source, targets);
            }
        } else {
            result = m_copy.copy(source, targets);
        }

        if (result.outcome == VerifiedCopy::Outcome::Cancelled) {
            m_cancelledRun = true;
            m_notReached = qsizetype(files.size() - i);
            break;
        }
        const QByteArray relative = m_plan.relativePath(index);
        if (result.outcome == VerifiedCopy::Outcome::Failed) {
            report(observer, {index, relative, true, {}, {}, result.error, result.why});
        } else if (secondCopy || result.outcome == VerifiedCopy::Outcome::AlreadyThere) {
            ++m_skipped;
        } else {
            ++m_copied;
            for (qsizetype d = 0; d < destinations; ++d) {
                const VerifiedCopy::Placed &placed = result.placed[size_t(d)];
                if (placed.alreadyThere)
                    continue;
                written.insert(targets[size_t(d)].folder);
                if (placed.renamed)
                    report(observer, {index,
                                      relative,
                                      false,
                                      m_plan.destinations()[size_t(d)].path,
                                      placed.name,
                                      0,
                                      {}});
            }
        }
        if (result.outcome != VerifiedCopy::Outcome::Failed) {
            checksums[i] = result.checksum;
            known[i] = true;
        }
        ++m_progress.filesDone;
        m_progress.bytesDone += file.size;
        current = 0;
        tell(observer, 0);
    }

    // Each copy was flushed before it was verified; the names they were
    // given are the folders' own, made lasting here, once a folder, before
    // anyone is told the card can be formatted: the files' folders, and
    // those above them up to the destination, which the copy may have made.
    for (const QByteArray &folder : QSet<QByteArray>(written)) {
        for (const ImportPlan::Destination &destination : m_plan.destinations()) {
            if (!folder.startsWith(destination.path + '/'))
                continue;
            for (QByteArray above = folder.first(folder.lastIndexOf('/'));
                 above.size() >= destination.path.size();
                 above = above.first(std::max<qsizetype>(above.lastIndexOf('/'), 0)))
                written.insert(above);
        }
    }
    for (const QByteArray &folder : std::as_const(written)) {
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const int error = errno;
            report(observer, {-1,
                              folder,
                              true,
                              {},
                              {},
                              error,
                              QStringLiteral("the folder's new names can't be flushed to the "
                                             "disk: %1")
                                  .arg(QString::fromLocal8Bit(std::strerror(error)))});
        }
        if (fd >= 0)
            ::close(fd);
    }
    return true;
}

QString ImportRun::summary() const
{
    if (m_refusedForSpace) {
        QString text = QStringLiteral("Not enough space: nothing was copied.");
        for (const ImportPlan::Destination &destination : m_plan.destinations()) {
            if (!destination.enoughSpace)
                text += QStringLiteral("\n%1 needs %2 bytes and has %3 free.")
                            .arg(shown(destination.path))
                            .arg(destination.bytesNeeded)
                            .arg(destination.freeBytes);
        }
        return text;
    }
    const QString done = QStringLiteral("%1 files copied and verified (%2 skipped, already there).")
                             .arg(m_copied)
                             .arg(m_skipped);
    if (m_cancelledRun)
        return QStringLiteral("Cancelled. %1 %2 files not copied: don't format the card yet.")
            .arg(done)
            .arg(m_notReached);
    if (m_failed == 0)
        return done + QStringLiteral(" The card can be formatted.");
    QString text =
        done + QStringLiteral(" %1 files failed: don't format the card yet.").arg(m_failed);
    for (const Problem &problem : m_problems) {
        if (problem.failed)
            text += QStringLiteral("\n%1: %2").arg(shown(problem.relativePath), problem.why);
    }
    return text;
}

} // namespace quorvel::import
