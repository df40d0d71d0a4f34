#include "trimming/UndoTrim.h"

#include "files/FileNames.h"
#include "platform/MessageBox.h"
#include "trimming/TrimHost.h"

#include <cerrno>
#include <exception>
#include <QScopeGuard>

namespace quorvel::trimming {

namespace {

// A report of 4,000 names would not fit on any screen; the first ones tell
// the user what happened, the count tells how much.
constexpr qsizetype namesShown = 20;

QString reason(int error)
{
    switch (error) {
    case EEXIST:
        return QStringLiteral("another file has taken its name");
    case ENOENT:
        return QStringLiteral("it is no longer in the trash, or its folder is gone");
    case ESTALE:
        return QStringLiteral("another file has taken its place in the trash");
    default:
        return QStringLiteral("error no: %1").arg(error);
    }
}

} // namespace

UndoTrim::UndoTrim(TrimHost &host, platform::MessageBox &messages, RestoreFunction restore)
    : m_host(host), m_messages(messages), m_restore(std::move(restore))
{}

QString UndoTrim::reportTitle()
{
    return QStringLiteral("Undo Trim");
}

QString UndoTrim::reportPrompt(int restored, const QList<Failure> &failures)
{
    QString prompt = QStringLiteral("%1 file(s) put back where they were.").arg(restored);
    if (failures.isEmpty())
        return prompt;
    prompt += QStringLiteral("\n\n%1 file(s) stay in the trash:").arg(failures.size());
    // Named as every message names a file: a line break in a name would
    // otherwise read as the start of the next file's line.
    for (const Failure &failure : failures.first(std::min(namesShown, failures.size())))
        prompt += QStringLiteral("\n") + files::visibleName(failure.path) + QStringLiteral(" (") +
                  reason(failure.error) + QStringLiteral(")");
    if (failures.size() > namesShown)
        prompt += QStringLiteral("\nand %1 more").arg(failures.size() - namesShown);
    return prompt;
}

int UndoTrim::run(const std::vector<platform::TrashedFile> &files)
{
    int restored = 0;
    QList<Failure> failures;
    std::exception_ptr refreshFailure;
    {
        m_host.beginWork();
        const auto endWork = qScopeGuard([this] { m_host.endWork(); });
        const int total = int(files.size());
        int done = 0;
        // Held for the run only: it keeps the trash's folders and the card's
        // open, and with them the card's volume mounted.
        platform::RestoreSession session;
        const RestoreFunction restore =
            m_restore ? m_restore : [&session](const platform::TrashedFile &file) {
                return session.restoreFromTrash(file);
            };
        for (const platform::TrashedFile &file : files) {
            if (const int error = restore(file))
                failures.append({files::decodeFileName(file.originalPath), error});
            else
                ++restored;
            m_host.progress(++done, total);
        }
        // The report is owed whatever the lists do: a folder that can't be
        // read now must not hide which files came back.
        try {
            m_host.refreshFileLists();
        } catch (...) {
            refreshFailure = std::current_exception();
        }
    }
    m_messages.show(reportPrompt(restored, failures),
                    platform::MB_OK | (failures.isEmpty() ? platform::MB_ICONINFORMATION
                                                          : platform::MB_ICONWARNING),
                    reportTitle());
    if (refreshFailure)
        std::rethrow_exception(refreshFailure);
    return restored;
}

} // namespace quorvel::trimming
