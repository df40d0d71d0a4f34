#include "trimming/TreeTrimOperation.h"

#include "files/FileNames.h"
#include "files/FolderSnapshot.h"
#include "files/NameList.h"
#include "platform/MessageBox.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TreeTrimTable.h"
#include "trimming/TrimHost.h"
#include "trimming/TrimOperation.h"

#include <cerrno>
#include <optional>
#include <QScopeGuard>

namespace quorvel::trimming {

using namespace platform;

TreeTrimOperation::TreeTrimOperation(TrimHost &host, MessageBox &messages, RecycleFunction recycle,
                                     QString makerAddress)
    : m_host(host), m_messages(messages), m_recycle(std::move(recycle)),
      m_makerAddress(std::move(makerAddress))
{}

void TreeTrimOperation::run(const TreeTrimPlan &plan, FolderWindow &window, bool sidecars)
{
    const TreeTrimTable table(plan, m_host.picturePatternText(), sidecars);
    int answer = IDNO;
    {
        // Up while the user reads the message that follows, gone once it is
        // answered, whichever way.
        const bool anyFolder = table.rows().size() > 1;
        if (anyFolder)
            window.showFolders(table);
        const auto closeWindow = qScopeGuard([&] {
            if (anyFolder)
                window.closeFolders();
        });
        if (table.filesToTrim() == 0) {
            const QString skipped = table.skippedLine();
            m_messages.show(
                QStringLiteral("No files to trim. Change path or file pattern.") +
                    (skipped.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + skipped),
                MB_OK | MB_ICONINFORMATION);
            return;
        }
        const QString rawPattern = m_host.rawPatternText();
        answer = m_messages.show(
            TrimOperation::confirmationPrompt(rawPattern, m_host.picturePatternText(),
                                              sidecars ? std::optional<int>(table.sidecarsToTrim())
                                                       : std::nullopt,
                                              table.totalLine()),
            MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2,
            TrimOperation::confirmationTitle(rawPattern));
    }
    if (answer != IDYES)
        return;

    m_host.beginWork();
    const auto endWork = qScopeGuard([this] { m_host.endWork(); });

    const int total = table.filesToTrim();
    int deleted = 0;
    int sidecarsDeleted = 0;
    int done = 0;
    // Closed with the trim, so that a card can be unmounted as soon as it ends.
    TrashSession trash;
    for (const TreeTrimPlan::Pair &pair : plan.pairs()) {
        // The names were read from this very folder: should another have
        // taken its place since (a card swapped, a folder renamed over it),
        // they would be joined with a folder the user never saw listed.
        const bool folderStill =
            files::FolderSnapshot::isStill(pair.rawFolder, pair.rawDevice, pair.rawInode);
        // A file below is named with its folder, so that the user knows
        // which of a card's DSC_0001.NEF could not go.
        const auto shown = [&](const QString &name) {
            return pair.relativePath.isEmpty() ? name : pair.relativePath + u'/' + name;
        };
        const auto move = [&](const QString &name) {
            platform::TrashedFile where;
            const int result =
                folderStill ? m_recycle(files::joinPath(pair.rawFolder, name), &where, &trash)
                            : ESTALE;
            if (result == 0)
                m_trashed.push_back(std::move(where));
            else
                m_messages.show(TrimOperation::failurePrompt(shown(name), result), MB_OK);
            return result == 0;
        };
        for (size_t k = 0; k < pair.toTrim.size(); ++k) {
            if (move(pair.rawNames->at(pair.toTrim[k]))) {
                ++deleted;
                // Only once their RAW file is gone: a sidecar without it is
                // worth nothing, a RAW file without its sidecar loses its edits.
                for (const QString &sidecar : pair.sidecars[k])
                    sidecarsDeleted += move(sidecar) ? 1 : 0;
            }
            m_host.progress(++done, total);
        }
    }

    // Where a trim of the folder shown leaves the lists' selections.
    m_host.selectEntries(int(m_host.rawNames()->size()) - 1,
                         int(m_host.pictureNames()->size()) - 1);
    m_messages.show(
        TrimOperation::summaryPrompt(deleted, m_makerAddress,
                                     sidecars ? std::optional<int>(sidecarsDeleted) : std::nullopt),
        MB_OK | MB_ICONINFORMATION, QStringLiteral("Thanks using Quorvel "));
    m_host.refreshFileLists();
}

} // namespace quorvel::trimming
