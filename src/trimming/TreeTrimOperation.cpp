#include "trimming/TreeTrimOperation.h"

#include "platform/MessageBox.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TreeTrimTable.h"
#include "trimming/TrimHost.h"
#include "trimming/TrimOperation.h"

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
            m_messages.show(QStringLiteral("No files to trim. Change path or file pattern.") +
                                (skipped.isEmpty() ? QString() : QStringLiteral("\n\n") + skipped),
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

    TrimOperation::moveAndReport(m_host, m_messages, m_recycle, m_makerAddress, plan, sidecars,
                                 m_trashed);
}

} // namespace quorvel::trimming
