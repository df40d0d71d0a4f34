#include "trimming/TrimOperation.h"

#include "files/FileNames.h"
#include "files/FolderSnapshot.h"
#include "files/NameList.h"
#include "platform/MessageBox.h"
#include "trimming/Matching.h"
#include "trimming/PictureBaseNames.h"
#include "trimming/Sidecars.h"
#include "trimming/TrimHost.h"

#include <QScopeGuard>

namespace quorvel::trimming {

using namespace platform;

TrimOperation::TrimOperation(TrimHost &host, MessageBox &messages, RecycleFunction recycle,
                             QString makerAddress)
    : m_host(host), m_messages(messages), m_recycle(std::move(recycle)),
      m_makerAddress(std::move(makerAddress))
{}

QString TrimOperation::confirmationPrompt(const QString &rawPattern, const QString &picturePattern,
                                          std::optional<int> sidecars, const QString &total)
{
    const QString totalLine = total.isEmpty() ? QString() : QStringLiteral("\r\n") + total;
    const QString sidecarLine =
        sidecars ? QStringLiteral("\r\n%1 sidecar file(s) go to the trash with their RAW files")
                       .arg(*sidecars)
                 : QString();
    return QStringLiteral("You are about to trim your RAW-files (pattern: ") + rawPattern +
           QStringLiteral(") so only ") + QStringLiteral("\r\n") +
           QStringLiteral("the files with the same name as your picture files (pattern: ") +
           picturePattern + QStringLiteral(") remains") + totalLine + sidecarLine +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("Are you absolutly sure you want to delete file(s) ?");
}

QString TrimOperation::confirmationTitle(const QString &rawPattern)
{
    return QStringLiteral("Delete ") + rawPattern + QStringLiteral(" files");
}

QString TrimOperation::failurePrompt(const QString &fileName, int result)
{
    return QStringLiteral("For some reason the file ") + files::visibleName(fileName) +
           QStringLiteral(" can't be deleted. ") + QStringLiteral("\r\n\r\n") +
           QStringLiteral("Reported error no: ") + QString::number(result);
}

QString TrimOperation::summaryPrompt(int deleted, const QString &makerAddress,
                                     std::optional<int> sidecars)
{
    const QString sidecarLine =
        sidecars ? QStringLiteral("\r\nand %1 sidecar file(s) with them").arg(*sidecars)
                 : QString();
    return QStringLiteral("You have deleted ") + QString::number(deleted) +
           QStringLiteral(" file(s)") + sidecarLine + QStringLiteral("\r\n\r\n") +
           QStringLiteral(
               "If you REGRET the file(s) can be found in the Recycle Bin and restored :-)") +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("This program is fully functional but still under development.") +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("If you enjoy using the program and want to support the development "
                          "please send comments and suggestions. ") +
           QStringLiteral("\n\r") +
           QStringLiteral("Your are also welcome to donate $5 to my paypal account ") +
           QStringLiteral("\r\n\r\n") + makerAddress + QStringLiteral("  ") +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("and send me an e-mail to the same address. ") + QStringLiteral("\r\n") +
           QStringLiteral("I will immediately send you a link, where you can find the latest "
                          "updated version for your future use.");
}

void TrimOperation::run()
{
    // Taken once: the lists must stay as they were read while files leave
    // the folder, whatever the window does meanwhile.
    const std::shared_ptr<const files::NameList> pictures = m_host.pictureNames();
    const std::shared_ptr<const files::NameList> raws = m_host.rawNames();
    if (pictures->isEmpty() || raws->isEmpty()) {
        m_messages.show(QStringLiteral("No files to trim. Change path or file pattern."),
                        MB_OK | MB_ICONINFORMATION);
        return;
    }

    // What goes is settled before the question, sidecars included, so that
    // the answer covers exactly what moves: a sidecar an editor writes while
    // the question is open stays where it is.
    const QString folder = m_host.rawFolder();
    const std::vector<int> toGo = rawFilesToTrim(*raws, PictureBaseNames(pictures));
    const std::vector<QStringList> sidecars =
        m_sidecars ? Sidecars::of(*raws, toGo, files::FolderSnapshot(folder))
                   : std::vector<QStringList>(toGo.size());
    std::optional<int> sidecarCount;
    if (m_sidecars) {
        sidecarCount = 0;
        for (const QStringList &names : sidecars)
            *sidecarCount += int(names.size());
    }

    const QString rawPattern = m_host.rawPatternText();
    const int answer =
        m_messages.show(confirmationPrompt(rawPattern, m_host.picturePatternText(), sidecarCount),
                        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, confirmationTitle(rawPattern));
    if (answer != IDYES)
        return;

    m_host.beginWork();
    const auto endWork = qScopeGuard([this] { m_host.endWork(); });

    const int total = int(toGo.size());
    int deleted = 0;
    int sidecarsDeleted = 0;
    int done = 0;
    // Closed with the trim, so that a card can be unmounted as soon as it ends.
    TrashSession trash;
    const auto move = [&](const QString &name) {
        platform::TrashedFile where;
        const int result = m_recycle(files::joinPath(folder, name), &where, &trash);
        if (result == 0)
            m_trashed.push_back(std::move(where));
        else
            m_messages.show(failurePrompt(name, result), MB_OK);
        return result == 0;
    };
    for (size_t k = 0; k < toGo.size(); ++k) {
        if (move(raws->at(toGo[k]))) {
            ++deleted;
            // Only once their RAW file is gone: a sidecar without it is worth
            // nothing, a RAW file without its sidecar loses its edits.
            for (const QString &sidecar : sidecars[k])
                sidecarsDeleted += move(sidecar) ? 1 : 0;
        }
        m_host.progress(++done, total);
    }

    // Where walking every RAW file against every picture would have left them.
    m_host.selectEntries(int(raws->size()) - 1, int(pictures->size()) - 1);
    m_messages.show(summaryPrompt(deleted, m_makerAddress,
                                  m_sidecars ? std::optional<int>(sidecarsDeleted) : std::nullopt),
                    MB_OK | MB_ICONINFORMATION, QStringLiteral("Thanks using Quorvel "));
    m_host.refreshFileLists();
}

} // namespace quorvel::trimming
